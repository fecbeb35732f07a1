#include "installer/expansion_run.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "installer/settings.h"
#include "platform/process/process.h"
#include "platform/system.h"

namespace installer {

namespace {

using platform::MB_DEFBUTTON2;
using platform::MB_ICONASTERISK;
using platform::MB_ICONEXCLAMATION;
using platform::MB_ICONHAND;
using platform::MB_OK;
using platform::MB_OKCANCEL;
using platform::MB_TASKMODAL;

constexpr uint32_t kErrorBox = MB_OK | MB_ICONHAND | MB_TASKMODAL;           // 0x2010
constexpr uint32_t kInfoBox = MB_OK | MB_ICONASTERISK | MB_TASKMODAL;        // 0x2040
constexpr uint32_t kWarningBox = MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL;  // 0x2030
constexpr uint32_t kQuestionBox =
    MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_TASKMODAL;  // 0x2131
constexpr size_t kBuffer = 256;                                       // the run's text buffers
constexpr size_t kFileNameField = 16;
constexpr std::string_view kNoProgram = "defalt";

// `text` cut to fit a buffer of `size` bytes with its NUL, never inside a
// UTF-8 character.
std::string Fit(std::string_view text, size_t size) {
  size_t keep = std::min(text.size(), size - 1);
  while (keep > 0 && keep < text.size() &&
         (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80) {
    --keep;
  }
  return std::string(text.substr(0, keep));
}

void CopyField(char* field, size_t size, std::string_view text) {
  std::string fitted = Fit(text, size);
  std::memcpy(field, fitted.data(), fitted.size());
  field[fitted.size()] = '\0';
}

std::string Slashes(std::string text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

// Asks whether to expand with a component older than `wanted`.
bool AcceptOld(const char* component, int version, const char* wanted, const std::string& caption) {
  std::string text = std::string("あなたがお使いの") + component + "はVer 0." +
                     std::to_string(version) + "です。\rVer0." + wanted + "以前の" + component +
                     "では解凍が正常に行\rわれない場合があります。\r現在の" + component +
                     "で解凍を行ないますか?";
  return platform::MessageBox(nullptr, text, caption, kQuestionBox) != platform::IDCANCEL;
}

}  // namespace

RunHooks SystemHooks(const ArchiveLibrary& library) {
  RunHooks hooks;
  hooks.library = library;
  hooks.setCurrentDirectory = platform::SetCurrentDirectory;
  hooks.startProgram = platform::StartDetached;
  hooks.openFolder = platform::OpenFolder;
  return hooks;
}

int CheckArchiveLibrary(const ArchiveLibrary& library, const std::string& caption) {
  int v = library.getVersion();
  if (v < 13 && !AcceptOld("Q_ARCH32.DLL", v, "13", caption)) return 0;
  int u = library.initUnlha();
  if (u == 0) {
    platform::MessageBox(nullptr,
                         "UNLHA32.DLLがほかのアプリケーションで使\r"
                         "われています。処理が終了するまでお待ちく\rださい。",
                         caption, kWarningBox);
    return 0;
  }
  if (u < 71) return AcceptOld("UNLHA32.DLL", u, "71", caption) ? 1 : 0;
  return 1;
}

void ScanDirectory(DirectoryInfo& info) {
  info.totalSize = 0;
  info.fileCount = 0;
  auto files = platform::ListFiles(info.path);
  if (!files) return;
  uint32_t total = 0;  // added up in 32 bits, as the count always was
  for (const auto& f : *files)
    total += static_cast<uint32_t>(f.size);
  info.totalSize = static_cast<double>(static_cast<int32_t>(total));
  info.fileCount = static_cast<int>(files->size());
}

std::string BaseNameOf(std::string_view name) {
  size_t folder = name.find_last_of("/\\:");
  size_t start = folder == std::string_view::npos ? 0 : folder + 1;
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot < start) return std::string(name);
  return std::string(name.substr(0, dot));
}

std::string FolderPartOf(std::string_view path) {
  size_t folder = path.find_last_of("/\\:");
  return folder == std::string_view::npos ? std::string() : std::string(path.substr(0, folder + 1));
}

void RunExpansion(const RunHooks& hooks) {
  // 1–2: drive root and program directory.
  const std::string driveRoot = platform::DriveRoot();
  std::string programDir = platform::ModuleFileName();
  if (size_t slash = programDir.rfind('/'); slash != std::string::npos) programDir.resize(slash);
  const std::string readPath = platform::ResolveNoCaseStable(programDir + "/ini/q_unfold.ini");

  // 3: settings.
  std::string title;
  if (auto v = ReadSetting(readPath, "TitleName")) title = Fit(*v, kBuffer);
  std::string destDir;
  if (auto v = ReadSetting(readPath, "ToDefDirName")) {
    std::string full = driveRoot + Slashes(*v);
    if (full.size() >= kBuffer) {
      platform::MessageBox(nullptr, "展開先フォルダ名が長すぎます。\r" + full, title, kErrorBox);
      return;
    }
    destDir = platform::ResolveNoCaseStable(full);
  }
  const std::string programName =
      Fit(ReadSetting(readPath, "ExeName").value_or(std::string(kNoProgram)), kBuffer);
  int32_t maxFileCount = 0;
  if (auto v = ReadSetting(readPath, "maxFileCountInLzh")) {
    auto n = ParseWholeNumber(*v);
    if (!n) {
      platform::MessageBox(nullptr, "'" + *v + "' は整数ではありません", title, kErrorBox);
      return;
    }
    maxFileCount = *n;
  }

  // 4: the archive library.
  if (CheckArchiveLibrary(hooks.library, title) == 0) {
    platform::MessageBox(nullptr, "Version Error", title, kErrorBox);
    return;
  }

  // 5: the archive folder ("LZH" in any case).
  DirectoryInfo info;
  info.path = platform::ResolveNoCaseStable(programDir + "/LZH");
  ScanDirectory(info);
  if (info.fileCount == 0) {
    platform::MessageBox(nullptr, "File Exist Error", title, kErrorBox);
    return;
  }
  const int count = info.fileCount;

  // 6: the needs are present when the last archive's key is.
  const bool needsMissing = !ReadSetting(readPath, "needMByte" + std::to_string(count - 1));

  // 7: the records, zeroed.
  std::vector<qarch::ArchiveEntry> records;
  try {
    if (static_cast<size_t>(count) > hooks.recordLimit) throw std::bad_alloc();
    records.resize(static_cast<size_t>(count), qarch::ArchiveEntry{});
  } catch (const std::bad_alloc&) {
    platform::MessageBox(nullptr,
                         "メモリ不足のためファイル名格納領域が\r"
                         "作成できません。解凍を中止します。",
                         "", kErrorBox);
    return;
  }

  // 8–9: one record per file, in listing order, never more than counted
  // (files added since the count are left out).
  if (hooks.afterCount) hooks.afterCount();
  auto files = platform::ListFiles(info.path).value_or(std::vector<platform::FileEntry>{});
  if (files.size() > records.size()) files.resize(records.size());
  for (const auto& f : files) {
    if (f.name.size() >= kFileNameField) {
      platform::MessageBox(
          nullptr,
          "書庫のファイル名が長すぎます（15バイトまで）。\r" + f.name + "\r解凍を中止します。",
          title, kErrorBox);
      return;
    }
  }
  if (files.empty()) {
    platform::MessageBox(nullptr, "File Exist Error", title, kErrorBox);
    return;
  }
  for (size_t i = 0; i < files.size(); ++i) {
    qarch::ArchiveEntry& record = records[i];
    if (!needsMissing) {
      auto need = ReadSetting(readPath, "needMByte" + std::to_string(i));
      record.needMByte = need ? ParseNeed(*need) : 10.0;
    }
    CopyField(record.fileName, sizeof record.fileName, files[i].name);
    if (count >= 2) CopyField(record.baseName, sizeof record.baseName, BaseNameOf(files[i].name));
  }

  // 10–11: the block, and the library call.
  qarch::ExpansionParams block{};
  block.archiveCount = static_cast<int32_t>(files.size());
  CopyField(block.title, sizeof block.title, title);
  CopyField(block.archiveDir, sizeof block.archiveDir, info.path);
  CopyField(block.destDir, sizeof block.destDir, destDir);
  block.needsMissing = needsMissing ? 1 : 0;
  block.maxFileCount = maxFileCount;
  block.archives = records.data();
  const int result = hooks.library.unpack(&block);

  // 12: the outcome, and on success the installed program (or its folder).
  if (result == qarch::kUnpackCancelled) {
    platform::MessageBox(nullptr, "解凍を中止しました。", title, kInfoBox);
  } else if (result == qarch::kUnpackFinished) {
    platform::MessageBox(nullptr, "解凍が終了しました。", title, kInfoBox);
    const std::string programPath =
        platform::ResolveNoCaseStable(destDir + "/" + Slashes(programName));
    if (programName != kNoProgram) {
      hooks.setCurrentDirectory(FolderPartOf(programPath));
      hooks.startProgram(programPath);
    } else {
      hooks.openFolder(FolderPartOf(programPath));
    }
  }

  // 13: the conditions the library measured, whatever its result.
  SaveExpansionConditions(block, platform::ResolveNoCaseStable(programDir + "/INI/Q_UNFOLD.INI"));
}

}  // namespace installer
