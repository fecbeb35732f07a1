#include "installer/expansion_run.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <vector>

#include "installer/settings.h"
#include "platform/process/folder_tree.h"
#include "platform/process/process.h"
#include "platform/profile/codepage.h"
#include "platform/profile/profile.h"
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
constexpr size_t kBoxColumns = 66;  // one line of a box's text
constexpr size_t kShownVariants = 10;

void CopyField(char* field, size_t size, std::string_view text) {
  size_t n = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

std::string Slashes(std::string text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

// The destination's names below the drive root, from `value` ('\\' or '/'
// between them), where ".." never climbs above the drive root, as on Windows.
std::string BelowDriveRoot(std::string_view value) {
  std::vector<std::string_view> names;
  size_t pos = 0;
  while (pos <= value.size()) {
    size_t end = value.find_first_of("\\/", pos);
    if (end == std::string_view::npos) end = value.size();
    std::string_view name = value.substr(pos, end - pos);
    pos = end + 1;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
  }
  std::string path;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i) path += '/';
    path += names[i];
  }
  return path;
}

// A path as the block's code page 932 text. A path that text cannot hold is
// handed over through a name of `folder`, held open in `held`, followed by
// the rest of the path; empty when even that fails.
std::string BlockPath(const std::string& path, const std::string& folder,
                      std::optional<platform::HeldFolder>& held) {
  if (auto text = platform::Utf8ToCp932(path); text && text->size() < kBuffer) return *text;
  if (path.compare(0, folder.size(), folder) != 0) return "";
  held.emplace(folder);
  std::string after = path.substr(folder.size());
  if (!after.empty() && after.front() != '/') after.insert(after.begin(), '/');
  auto rest = platform::Utf8ToCp932(after);
  std::string name = held->name() + (rest ? *rest : "");
  if (!held->ok() || !rest || name.size() >= kBuffer) return "";
  return name;
}

// Where a name has case variants and none is spelled as asked, the run does
// not guess: it names them (in full on standard error) and stops.
void ShowVariants(const std::vector<std::string>& variants, const std::string& caption) {
  std::string text = "大文字と小文字だけが違う名前が複数あるため、解凍を中止します。";
  for (size_t i = 0; i < variants.size(); ++i) {
    std::fprintf(stderr, "q_unfold: %s\n", variants[i].c_str());
    if (i < kShownVariants) text += "\r" + platform::FitToColumns(variants[i], kBoxColumns);
  }
  if (variants.size() > kShownVariants) {
    text += "\r…ほか " + std::to_string(variants.size() - kShownVariants) + " 件";
  }
  platform::MessageBox(nullptr, text, caption, kErrorBox);
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

CommandLine ParseCommandLine(std::string_view line,
                             const std::function<bool(const std::string&)>& isFile) {
  struct Token {
    std::string text;
    size_t begin, end;
    bool quoted;
  };
  std::vector<Token> tokens;
  for (size_t i = 0;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
      ++i;
    if (i == line.size()) break;
    Token token{"", i, i, false};
    for (bool inQuotes = false; i < line.size(); ++i) {
      if (line[i] == '"') {
        inQuotes = !inQuotes;
        token.quoted = true;
      } else if (!inQuotes && (line[i] == ' ' || line[i] == '\t')) {
        break;
      } else {
        token.text += line[i];
      }
    }
    token.end = i;
    tokens.push_back(std::move(token));
  }
  CommandLine command;
  if (tokens.empty()) return command;
  size_t used = 1;
  command.program = tokens[0].text;
  for (size_t k = 1; k <= tokens.size() && !tokens[k - 1].quoted; ++k) {
    std::string candidate(line.substr(tokens[0].begin, tokens[k - 1].end - tokens[0].begin));
    if (isFile(candidate)) {
      command.program = candidate;
      used = k;
      break;
    }
  }
  for (size_t k = used; k < tokens.size(); ++k)
    command.args.push_back(tokens[k].text);
  return command;
}

namespace {

// Starts ExeName in its folder, never a program that lies outside the
// destination (through "..", or a link that leads out).
void StartInstalledProgram(const RunHooks& hooks, const std::string& destDir,
                           const std::string& programName, const std::string& title) {
  namespace fs = std::filesystem;
  auto inDestination = [&](const std::string& name) {
    return platform::ResolveBelow(destDir, Slashes(name));
  };
  CommandLine command = ParseCommandLine(programName, [&](const std::string& name) {
    std::error_code ec;
    const platform::NoCasePath found = inDestination(name);
    return found.variants.empty() && fs::is_regular_file(found.path, ec);
  });
  const platform::NoCasePath program = inDestination(command.program);
  if (!program.variants.empty()) {
    ShowVariants(program.variants, title);
    return;
  }
  const std::string& programPath = program.path;
  std::error_code ec;
  const std::string prefix = destDir + "/";
  const std::string relative =
      programPath.compare(0, prefix.size(), prefix) == 0 ? programPath.substr(prefix.size()) : "";
  if (fs::exists(programPath, ec) &&
      (destDir.empty() || !platform::ReachesBeneath(destDir, relative))) {
    platform::MessageBox(
        nullptr, "起動するプログラム " + programPath + " は展開先の外にあるため起動しません。",
        title, kErrorBox);
    return;
  }
  hooks.setCurrentDirectory(FolderPartOf(programPath));
  hooks.startProgram(programPath, command.args);
}

}  // namespace

void RunExpansion(const RunHooks& hooks) {
  // 1–2: drive root and program directory, the latter as the kernel names
  // it. Every name below them is found once, the exact spelling first, and
  // used for the whole run.
  const std::string driveRoot = platform::DriveRoot();
  std::string programDir = platform::ModuleFileName();
  if (size_t slash = programDir.rfind('/'); slash != std::string::npos) programDir.resize(slash);
  // One file is read as "ini\q_unfold.ini" and written as "INI\Q_UNFOLD.INI";
  // a new one gets the second name.
  const platform::NoCasePath settings = platform::ResolveBelow(programDir, "ini/q_unfold.ini");
  if (!settings.variants.empty()) {
    ShowVariants(settings.variants, "");
    return;
  }
  const std::string& readPath = settings.path;
  const std::string writePath =
      settings.found ? settings.path : FolderPartOf(settings.path) + "Q_UNFOLD.INI";

  // 3: settings.
  // The buffers' limits count bytes of code page 932, as the original's did.
  std::string title;
  if (auto v = ReadSetting(readPath, "TitleName"))
    title = platform::CutToCp932Size(*v, kBuffer - 1);
  std::string destDir;
  if (auto v = ReadSetting(readPath, "ToDefDirName")) {
    if (platform::Utf8ToCp932Lossy(driveRoot + *v).size() >= kBuffer) {
      platform::MessageBox(nullptr, "展開先フォルダ名が長すぎます。\r" + driveRoot + *v, title,
                           kErrorBox);
      return;
    }
    const platform::NoCasePath dest = platform::ResolveBelow(driveRoot, BelowDriveRoot(*v));
    if (!dest.variants.empty()) {
      ShowVariants(dest.variants, title);
      return;
    }
    destDir = dest.path;
  }
  const std::string programName = platform::CutToCp932Size(
      ReadSetting(readPath, "ExeName").value_or(std::string(kNoProgram)), kBuffer - 1);
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
  const platform::NoCasePath archives = platform::ResolveBelow(programDir, "LZH");
  if (!archives.variants.empty()) {
    ShowVariants(archives.variants, title);
    return;
  }
  info.path = archives.path;
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
  std::vector<std::string> fileNames;  // in code page 932
  for (const auto& f : files) {
    auto name = platform::Utf8ToCp932(f.name);
    if (!name || name->size() >= kFileNameField) {
      platform::MessageBox(nullptr,
                           std::string(name ? "書庫のファイル名が長すぎます（15バイトまで）。"
                                            : "書庫のファイル名に使えない文字があります。") +
                               "\r" + f.name + "\r解凍を中止します。",
                           title, kErrorBox);
      return;
    }
    fileNames.push_back(*name);
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
    CopyField(record.fileName, sizeof record.fileName, fileNames[i]);
    if (count >= 2) {
      CopyField(record.baseName, sizeof record.baseName,
                platform::Utf8ToCp932Lossy(BaseNameOf(files[i].name)));
    }
  }

  // 10–11: the block, and the library call.
  std::optional<platform::HeldFolder> heldArchives, heldRoot;
  const std::string archiveDir = BlockPath(info.path, info.path, heldArchives);
  const std::string blockDestDir =
      destDir.empty() ? ""
                      : BlockPath(destDir, platform::ResolveBelow(driveRoot, "").path, heldRoot);
  if (archiveDir.empty() || (!destDir.empty() && blockDestDir.empty())) {
    platform::MessageBox(
        nullptr,
        "フォルダ名を書庫ライブラリに渡せません。\r" + (archiveDir.empty() ? info.path : destDir),
        title, kErrorBox);
    return;
  }
  qarch::ExpansionParams block{};
  block.archiveCount = static_cast<int32_t>(files.size());
  CopyField(block.title, sizeof block.title, platform::Utf8ToCp932Lossy(title));
  CopyField(block.archiveDir, sizeof block.archiveDir, archiveDir);
  CopyField(block.destDir, sizeof block.destDir, blockDestDir);
  block.needsMissing = needsMissing ? 1 : 0;
  block.maxFileCount = maxFileCount;
  block.archives = records.data();
  const int result = hooks.library.unpack(&block);

  // 12: the outcome, and on success the installed program (or its folder).
  if (result == qarch::kUnpackCancelled) {
    platform::MessageBox(nullptr, "解凍を中止しました。", title, kInfoBox);
  } else if (result == qarch::kUnpackFinished) {
    platform::MessageBox(nullptr, "解凍が終了しました。", title, kInfoBox);
    if (programName != kNoProgram) {
      StartInstalledProgram(hooks, destDir, programName, title);
    } else {
      hooks.openFolder(FolderPartOf(platform::ResolveBelow(destDir, kNoProgram).path));
    }
  }

  // 13: the conditions the library measured, whatever its result. While it
  // holds the settings folder, a run first removes what a killed write left;
  // where another run holds it, that run is saving the same conditions.
  platform::FolderLock settingsFolder(FolderPartOf(writePath));
  if (!settingsFolder.inUse()) {
    if (settingsFolder.held()) platform::RemoveWriteTemporaries(writePath);
    SaveExpansionConditions(block, writePath);
  }
}

}  // namespace installer
