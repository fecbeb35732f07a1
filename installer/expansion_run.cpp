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
#include "services/calls.h"

namespace installer {

namespace {

using services::MB_DEFBUTTON2;
using services::MB_ICONASTERISK;
using services::MB_ICONEXCLAMATION;
using services::MB_ICONHAND;
using services::MB_OK;
using services::MB_OKCANCEL;
using services::MB_TASKMODAL;

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
  services::MessageBox(nullptr, text, caption, kErrorBox);
}

// Asks whether to expand with a component older than `wanted`.
bool AcceptOld(const char* component, int version, const char* wanted, const std::string& caption) {
  std::string text = std::string("あなたがお使いの") + component + "はVer 0." +
                     std::to_string(version) + "です。\rVer0." + wanted + "以前の" + component +
                     "では解凍が正常に行\rわれない場合があります。\r現在の" + component +
                     "で解凍を行ないますか?";
  return services::MessageBox(nullptr, text, caption, kQuestionBox) != services::IDCANCEL;
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
    services::MessageBox(nullptr,
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
    services::MessageBox(
        nullptr, "起動するプログラム " + programPath + " は展開先の外にあるため起動しません。",
        title, kErrorBox);
    return;
  }
  hooks.setCurrentDirectory(FolderPartOf(programPath));
  hooks.startProgram(programPath, command.args);
}

// What a run learns before it looks at the archives: the folders, and the
// settings as the original's buffers held them.
struct RunSetup {
  std::string driveRoot;
  std::string programDir;
  std::string readPath;   // the settings file as read
  std::string writePath;  // and as written
  std::string title;
  std::string destDir;  // empty without ToDefDirName
  std::string programName;
  int32_t maxFileCount = 0;
};

// Steps 1–3: drive root and program directory, the latter as the kernel
// names it, and the settings. Every name below them is found once, the exact
// spelling first, and used for the whole run. Nothing when a box has told why
// the run stops.
std::optional<RunSetup> ReadSetup() {
  RunSetup setup;
  setup.driveRoot = platform::DriveRoot();
  setup.programDir = services::ModuleFileName();
  if (size_t slash = setup.programDir.rfind('/'); slash != std::string::npos)
    setup.programDir.resize(slash);
  // One file is read as "ini\q_unfold.ini" and written as "INI\Q_UNFOLD.INI";
  // a new one gets the second name.
  const platform::NoCasePath settings =
      platform::ResolveBelow(setup.programDir, "ini/q_unfold.ini");
  if (!settings.variants.empty()) {
    ShowVariants(settings.variants, "");
    return std::nullopt;
  }
  setup.readPath = settings.path;
  setup.writePath = settings.found ? settings.path : FolderPartOf(settings.path) + "Q_UNFOLD.INI";

  // The buffers' limits count bytes of code page 932, as the original's did.
  const std::string& readPath = setup.readPath;
  const std::string& title = setup.title;
  if (auto v = ReadSetting(readPath, "TitleName"))
    setup.title = platform::CutToCp932Size(*v, kBuffer - 1);
  if (auto v = ReadSetting(readPath, "ToDefDirName")) {
    if (platform::Utf8ToCp932Lossy(setup.driveRoot + *v).size() >= kBuffer) {
      services::MessageBox(nullptr, "展開先フォルダ名が長すぎます。\r" + setup.driveRoot + *v,
                           title, kErrorBox);
      return std::nullopt;
    }
    const platform::NoCasePath dest = platform::ResolveBelow(setup.driveRoot, BelowDriveRoot(*v));
    if (!dest.variants.empty()) {
      ShowVariants(dest.variants, title);
      return std::nullopt;
    }
    setup.destDir = dest.path;
  }
  setup.programName = platform::CutToCp932Size(
      ReadSetting(readPath, "ExeName").value_or(std::string(kNoProgram)), kBuffer - 1);
  if (auto v = ReadSetting(readPath, "maxFileCountInLzh")) {
    auto n = ParseWholeNumber(*v);
    if (!n) {
      services::MessageBox(nullptr, "'" + *v + "' は整数ではありません", title, kErrorBox);
      return std::nullopt;
    }
    setup.maxFileCount = *n;
  }
  return setup;
}

// The archives of a run as the library gets them.
struct Archives {
  DirectoryInfo info;
  std::vector<platform::FileEntry> files;  // in listing order
  std::vector<qarch::ArchiveEntry> records;
  bool needsMissing = false;
};

// `count` zeroed records; false when the memory cannot be had.
bool MakeRecords(std::vector<qarch::ArchiveEntry>& records, size_t count) {
  try {
    records.resize(count, qarch::ArchiveEntry{});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Steps 5–9: the archive folder ("LZH" in any case), whether the needs are
// known, and one record per file in listing order, never more than counted
// (files added since the count are left out). Nothing when a box has told
// why the run stops.
std::optional<Archives> ListArchives(const RunHooks& hooks, const RunSetup& setup) {
  const std::string& title = setup.title;
  Archives a;
  const platform::NoCasePath archives = platform::ResolveBelow(setup.programDir, "LZH");
  if (!archives.variants.empty()) {
    ShowVariants(archives.variants, title);
    return std::nullopt;
  }
  a.info.path = archives.path;
  ScanDirectory(a.info);
  if (a.info.fileCount == 0) {
    services::MessageBox(nullptr, "File Exist Error", title, kErrorBox);
    return std::nullopt;
  }
  const int count = a.info.fileCount;

  // The needs are present when the last archive's key is.
  a.needsMissing = !ReadSetting(setup.readPath, "needMByte" + std::to_string(count - 1));

  if (static_cast<size_t>(count) > hooks.recordLimit ||
      !MakeRecords(a.records, static_cast<size_t>(count))) {
    services::MessageBox(nullptr,
                         "メモリ不足のためファイル名格納領域が\r"
                         "作成できません。解凍を中止します。",
                         "", kErrorBox);
    return std::nullopt;
  }

  if (hooks.afterCount) hooks.afterCount();
  a.files = platform::ListFiles(a.info.path).value_or(std::vector<platform::FileEntry>{});
  if (a.files.size() > a.records.size()) a.files.resize(a.records.size());
  std::vector<std::string> fileNames;  // in code page 932
  for (const auto& f : a.files) {
    auto name = platform::Utf8ToCp932(f.name);
    if (!name || name->size() >= kFileNameField) {
      services::MessageBox(nullptr,
                           std::string(name ? "書庫のファイル名が長すぎます（15バイトまで）。"
                                            : "書庫のファイル名に使えない文字があります。") +
                               "\r" + f.name + "\r解凍を中止します。",
                           title, kErrorBox);
      return std::nullopt;
    }
    fileNames.push_back(*name);
  }
  if (a.files.empty()) {
    services::MessageBox(nullptr, "File Exist Error", title, kErrorBox);
    return std::nullopt;
  }
  for (size_t i = 0; i < a.files.size(); ++i) {
    qarch::ArchiveEntry& record = a.records[i];
    if (!a.needsMissing) {
      auto need = ReadSetting(setup.readPath, "needMByte" + std::to_string(i));
      record.needMByte = need ? ParseNeed(*need) : 10.0;
    }
    CopyField(record.fileName, sizeof record.fileName, fileNames[i]);
    if (count >= 2) {
      CopyField(record.baseName, sizeof record.baseName,
                platform::Utf8ToCp932Lossy(BaseNameOf(a.files[i].name)));
    }
  }
  return a;
}

// Steps 10–11: the parameter block, and the library call while the folders it
// names are held. The library's result, or nothing when the folders cannot be
// handed to it (told in a box).
std::optional<int> Unpack(const RunHooks& hooks, const RunSetup& setup, Archives& archives,
                          qarch::ExpansionParams& block) {
  const std::string& destDir = setup.destDir;
  std::optional<platform::HeldFolder> heldArchives, heldRoot;
  const std::string archiveDir = BlockPath(archives.info.path, archives.info.path, heldArchives);
  const std::string blockDestDir =
      destDir.empty()
          ? ""
          : BlockPath(destDir, platform::ResolveBelow(setup.driveRoot, "").path, heldRoot);
  if (archiveDir.empty() || (!destDir.empty() && blockDestDir.empty())) {
    services::MessageBox(nullptr,
                         "フォルダ名を書庫ライブラリに渡せません。\r" +
                             (archiveDir.empty() ? archives.info.path : destDir),
                         setup.title, kErrorBox);
    return std::nullopt;
  }
  block.archiveCount = static_cast<int32_t>(archives.files.size());
  CopyField(block.title, sizeof block.title, platform::Utf8ToCp932Lossy(setup.title));
  CopyField(block.archiveDir, sizeof block.archiveDir, archiveDir);
  CopyField(block.destDir, sizeof block.destDir, blockDestDir);
  block.needsMissing = archives.needsMissing ? 1 : 0;
  block.maxFileCount = setup.maxFileCount;
  block.archives = archives.records.data();
  return hooks.library.unpack(&block);
}

// Step 12: the outcome, and on success the installed program (or its folder).
void ReportOutcome(const RunHooks& hooks, const RunSetup& setup, int result) {
  if (result == qarch::kUnpackCancelled) {
    services::MessageBox(nullptr, "解凍を中止しました。", setup.title, kInfoBox);
  } else if (result == qarch::kUnpackFinished) {
    services::MessageBox(nullptr, "解凍が終了しました。", setup.title, kInfoBox);
    if (setup.programName != kNoProgram) {
      StartInstalledProgram(hooks, setup.destDir, setup.programName, setup.title);
    } else {
      hooks.openFolder(FolderPartOf(platform::ResolveBelow(setup.destDir, kNoProgram).path));
    }
  }
}

// Step 13: the conditions the library measured, whatever its result. While
// it holds the settings folder, a run first removes what a killed write left;
// where another run holds it, that run is saving the same conditions.
void SaveConditions(const qarch::ExpansionParams& block, const std::string& writePath) {
  platform::FolderLock settingsFolder(FolderPartOf(writePath));
  if (!settingsFolder.inUse()) {
    if (settingsFolder.held()) platform::RemoveWriteTemporaries(writePath);
    SaveExpansionConditions(block, writePath);
  }
}

}  // namespace

void RunExpansion(const RunHooks& hooks) {
  const std::optional<RunSetup> setup = ReadSetup();
  if (!setup) return;

  // 4: the archive library.
  if (CheckArchiveLibrary(hooks.library, setup->title) == 0) {
    services::MessageBox(nullptr, "Version Error", setup->title, kErrorBox);
    return;
  }

  std::optional<Archives> archives = ListArchives(hooks, *setup);
  if (!archives) return;
  qarch::ExpansionParams block{};
  const std::optional<int> result = Unpack(hooks, *setup, *archives, block);
  if (!result) return;
  ReportOutcome(hooks, *setup, *result);
  SaveConditions(block, setup->writePath);
}

}  // namespace installer
