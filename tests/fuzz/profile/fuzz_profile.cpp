// Any bytes as a profile file: reading never fails, the file comes back byte
// for byte, and a value that was set reads back as set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile/profile.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string section = "LZHファイルの解凍条件";
  platform::ProfileDocument doc = platform::ProfileDocument::Parse(bytes);
  Check(doc.Serialize() == bytes);
  for (const char* key : {"TitleName", "ToDefDirName", "maxFileCountInLzh", "needMByte0"}) {
    if (auto v = doc.Value(section, key, 254)) Check(v->size() <= 254 * 3);
  }
  doc.Value("a", "b", 3);
  for (const char* key : {"needMByte0", "maxFileCountInLzh", "新しいキー"}) {
    platform::ProfileDocument changed = doc;
    if (changed.Set(section, key, "12.50")) {
      auto again = platform::ProfileDocument::Parse(changed.Serialize());
      Check(again.Value(section, key, 254) == std::optional<std::string>("12.50"));
    }
  }
  return 0;
}
