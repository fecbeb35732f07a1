// Test stand-in for the archive library, with the same file name and calls:
// reports the versions and result it is told (FAKE_QARCH_VERSION,
// FAKE_UNLHA_VERSION, FAKE_UNPACK_RESULT) and writes the block it receives to
// FAKE_QARCH_DUMP, one "field=value" line each (texts in UTF-8).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/qarch.h"
#include "platform/profile/codepage.h"

namespace {

std::string Text(const char* cp932) {
  return platform::Cp932ToUtf8(cp932).value_or("<not code page 932>");
}

int FromEnvironment(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

}  // namespace

int QArch_GetVersion() {
  return FromEnvironment("FAKE_QARCH_VERSION", 20);
}

int QArch_InitUnlha() {
  return FromEnvironment("FAKE_UNLHA_VERSION", 80);
}

int QArch_UnpackUnlha(qarch::ExpansionParams* p) {
  if (const char* path = std::getenv("FAKE_QARCH_DUMP")) {
    if (std::FILE* f = std::fopen(path, "w")) {
      std::fprintf(f, "archiveCount=%d\ntitle=%s\narchiveDir=%s\ndestDir=%s\n", p->archiveCount,
                   Text(p->title).c_str(), Text(p->archiveDir).c_str(), Text(p->destDir).c_str());
      std::fprintf(f, "needsMissing=%d\nmaxFileCount=%d\n", p->needsMissing, p->maxFileCount);
      for (int i = 0; i < p->archiveCount; ++i) {
        const qarch::ArchiveEntry& e = p->archives[i];
        std::fprintf(f, "record%d=%s|%s|%.2f\n", i, Text(e.fileName).c_str(),
                     Text(e.baseName).c_str(), e.needMByte);
      }
      std::fclose(f);
    }
  }
  return FromEnvironment("FAKE_UNPACK_RESULT", 1);
}
