// The archive library's three calls. An expansion lists every archive first
// (so the needs can be measured and damaged archives are found before anything
// is written), locks the destination folder, then expands the sound archives
// member by member with a progress display, and finally reports whatever
// could not be expanded.
#include "archive/qarch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/expander.h"
#include "archive/lzh_listing.h"
#include "archive/progress_display.h"
#include "platform/instance_lock.h"
#include "platform/process/process.h"
#include "platform/profile/codepage.h"
#include "services/types.h"

namespace qarch {

namespace {

constexpr int kLibraryVersion = 20;
constexpr int kExpanderVersion = 80;
constexpr const char* kLockName = "zelk-qarch";
constexpr int kMaxArchives = 100000;
constexpr double kMegabyte = 1048576.0;
// The report box: a line holds 66 columns of its font (400 pixels); names are
// cut to part of one, and the lines stay within a 640×480 screen.
constexpr size_t kBoxColumns = 66;
constexpr size_t kNameColumns = 56;
constexpr size_t kReasonColumns = 120;
constexpr size_t kReportLines = 20;
constexpr const char* kInUse = "ほかの解凍が終わるまでお待ちください。";
constexpr uint32_t kInUseStyle =
    services::MB_OK | services::MB_ICONEXCLAMATION | services::MB_TASKMODAL;

// The library's lock, one per process like the library: per user, so nobody
// else can hold it; where the user has no safe place for it, the library
// goes on without it.
class LibraryLock {
 public:
  // False when another expansion of the user's holds it.
  bool Take() {
    if (lock_.held() || withoutLock_) return true;
    std::string why;
    switch (lock_.Take(kLockName, std::getenv("XDG_RUNTIME_DIR"), "/tmp", &why)) {
      case platform::InstanceLock::Result::kTaken:
        return true;
      case platform::InstanceLock::Result::kInUse:
        return false;
      case platform::InstanceLock::Result::kNoPlace:
        break;
    }
    std::fprintf(stderr, "q_arch32: library lock not taken (%s)\n", why.c_str());
    withoutLock_ = true;
    return true;
  }
  void Release() {
    lock_.Release();
    withoutLock_ = false;
  }

 private:
  platform::InstanceLock lock_;
  bool withoutLock_ = false;
};

LibraryLock& TheLibraryLock() {
  static LibraryLock lock;
  return lock;
}

// A text field of the block, in code page 932; nullopt when it is not.
std::optional<std::string> Field(const char* field, size_t size) {
  return platform::Cp932ToUtf8(std::string_view(field, strnlen(field, size)));
}

bool HasArchiveExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return ext == "lzh" || ext == "lha";
}

// What could not be expanded: where (archive, member) and why.
struct Problem {
  std::string where;
  std::string why;
};

struct Job {
  std::string name;
  std::unique_ptr<FileSource> source;
  Listing listing;
  bool expand = false;
};

class Session {
 public:
  explicit Session(ExpansionParams& params) : params_(params) {}

  int Run() {
    title_ = Field(params_.title, sizeof params_.title).value_or("");
    const auto archiveDir = Field(params_.archiveDir, sizeof params_.archiveDir);
    const auto destDir = Field(params_.destDir, sizeof params_.destDir);
    if (!archiveDir || !destDir) {
      ShowBox("書庫フォルダまたは展開先フォルダの名前が読めません。", title_, kErrorStyle);
      return kUnpackFailed;
    }
    if (params_.archiveCount < 1 || params_.archiveCount > kMaxArchives ||
        params_.archives == nullptr) {
      ShowBox("解凍する書庫が指定されていません。", title_, kErrorStyle);
      return kUnpackFailed;
    }
    if (destDir->empty()) {
      ShowBox("展開先フォルダが指定されていません。", title_, kErrorStyle);
      return kUnpackFailed;
    }
    ListAll(*archiveDir);
    Measure();
    // Before anything is written: the needs saved, or on a first run the ones
    // just measured, against the free space.
    if (!EnoughSpace(*destDir)) return kUnpackCancelled;
    // One expansion at a time into a folder, whatever lock folder each uses.
    std::error_code ec;
    std::filesystem::create_directories(*destDir, ec);
    platform::FolderLock destination(*destDir);
    if (destination.inUse()) {
      ShowBox(kInUse, title_, kInUseStyle);
      return kUnpackFailed;
    }
    int result = ExpandAll(*destDir);
    if (result == kUnpackCancelled) return result;
    if (!problems_.empty()) {
      Report();
      return kUnpackFailed;
    }
    return kUnpackFinished;
  }

 private:
  static constexpr uint32_t kErrorStyle =
      services::MB_OK | services::MB_ICONHAND | services::MB_TASKMODAL;

  // The box names what fits on the screen, each name cut to part of a line;
  // standard error gets every problem in full.
  void Report() {
    std::string text = "次のファイルを正しく展開できませんでした。";
    size_t lines = 0, shown = 0;
    for (const Problem& p : problems_) {
      const std::string line =
          (p.where.empty() ? "" : platform::FitToColumns(p.where, kNameColumns) + ": ") +
          platform::FitToColumns(p.why, kReasonColumns);
      // Lines wrap at spaces and slashes, so count a little more than the width.
      const size_t needs =
          (platform::Utf8ToCp932Lossy(line).size() * 11 / 10 + kBoxColumns - 1) / kBoxColumns;
      if (lines + needs > kReportLines) break;
      lines += needs;
      ++shown;
      text += "\r" + line;
    }
    if (shown < problems_.size()) {
      text += "\r…ほか " + std::to_string(problems_.size() - shown) + " 件";
    }
    std::fprintf(stderr, "%s: 次のファイルを正しく展開できませんでした。\n", title_.c_str());
    for (const Problem& p : problems_)
      std::fprintf(stderr, "  %s%s%s\n", p.where.c_str(), p.where.empty() ? "" : ": ",
                   p.why.c_str());
    ShowBox(text, title_, kErrorStyle);
  }

  void ListAll(const std::string& archiveDir) {
    for (int i = 0; i < params_.archiveCount; ++i) {
      Job job;
      const auto name = Field(params_.archives[i].fileName, sizeof params_.archives[i].fileName);
      job.name = name.value_or("?");
      if (name && !name->empty()) job.source = FileSource::Open(archiveDir + "/" + *name);
      if (!job.source) {
        problems_.push_back({job.name, "書庫を開けません"});
      } else {
        job.listing = ListArchive(*job.source);
        switch (job.listing.status) {
          case ListingStatus::kOk:
            job.expand = true;
            break;
          case ListingStatus::kNotArchive:
            if (HasArchiveExtension(job.name)) {
              problems_.push_back({job.name, "LHA書庫ではありません"});
            } else {
              std::fprintf(stderr, "%s: LHA書庫ではないので飛ばします\n", job.name.c_str());
            }
            break;
          case ListingStatus::kCorrupt:
            problems_.push_back({job.name, "書庫が壊れています（" + job.listing.problem + "）"});
            break;
        }
      }
      jobs_.push_back(std::move(job));
    }
  }

  // With needsMissing, the library measures what the installer will save.
  void Measure() {
    if (params_.needsMissing != 1) return;
    size_t most = 0;
    for (size_t i = 0; i < jobs_.size(); ++i) {
      most = std::max(most, jobs_[i].listing.members.size());
      params_.archives[i].needMByte = static_cast<double>(jobs_[i].listing.totalLength) / kMegabyte;
    }
    params_.maxFileCount = static_cast<int32_t>(most);
  }

  bool EnoughSpace(const std::string& destDir) {
    double need = 0;
    for (int i = 0; i < params_.archiveCount; ++i) {
      if (params_.archives[i].needMByte > 0) need += params_.archives[i].needMByte;
    }
    auto free = platform::FreeSpace(destDir);
    if (!free || need * kMegabyte <= static_cast<double>(*free)) return true;
    const std::string text = "展開先の空き容量が足りない可能性があります。\r必要な容量: " +
                             FormatBytes(need * kMegabyte) +
                             "\r空き容量: " + FormatBytes(static_cast<double>(*free)) +
                             "\r解凍を続けますか?";
    int answer = ShowBox(text, title_,
                         services::MB_OKCANCEL | services::MB_ICONEXCLAMATION |
                             services::MB_DEFBUTTON2 | services::MB_TASKMODAL);
    return answer == services::IDOK;
  }

  int ExpandAll(const std::string& destDir) {
    Progress progress;
    progress.archiveCount = static_cast<int>(jobs_.size());
    for (const Job& job : jobs_)
      progress.allTotal += job.expand ? job.listing.totalLength : 0;
    ProgressDisplay display(title_);
    bool cancelled = false;
    for (size_t i = 0; i < jobs_.size() && !cancelled; ++i) {
      Job& job = jobs_[i];
      if (!job.expand) continue;
      progress.archive = job.name;
      progress.archiveIndex = static_cast<int>(i) + 1;
      progress.archiveDone = 0;
      progress.archiveTotal = job.listing.totalLength;
      Expander expander(*job.source, [&](uint64_t n) {
        progress.archiveDone += n;
        progress.allDone += n;
        display.Update(progress, false);
        return !display.Cancelled(progress);
      });
      std::string problem;
      if (!expander.SetDestination(destDir, &problem)) {
        problems_.push_back({"", problem});
        return kUnpackFailed;
      }
      expander.RemoveLeftovers(job.listing.members);
      for (const Member& member : job.listing.members) {
        progress.member = member.DisplayName();
        display.Update(progress, progress.archiveDone == 0);
        if (display.Cancelled(progress)) {
          cancelled = true;
          break;
        }
        Expander::Outcome outcome = expander.Expand(member, &problem);
        if (outcome == Expander::Outcome::kCancelled) {
          cancelled = true;
          break;
        }
        if (outcome == Expander::Outcome::kFailed) {
          problems_.push_back({job.name + ": " + member.DisplayName(), problem});
        }
      }
      for (const Expander::LateProblem& late : expander.Finish())
        problems_.push_back({job.name + ": " + late.member, late.why});
    }
    return cancelled ? kUnpackCancelled : kUnpackFinished;
  }

  ExpansionParams& params_;
  std::string title_;
  std::vector<Job> jobs_;
  std::vector<Problem> problems_;
};

}  // namespace

}  // namespace qarch

int QArch_GetVersion() {
  return qarch::kLibraryVersion;
}

int QArch_InitUnlha() {
  return qarch::TheLibraryLock().Take() ? qarch::kExpanderVersion : 0;
}

int QArch_UnpackUnlha(qarch::ExpansionParams* params) {
  if (params == nullptr) return qarch::kUnpackFailed;
  qarch::LibraryLock& lock = qarch::TheLibraryLock();
  if (!lock.Take()) {
    qarch::ShowBox(qarch::kInUse, qarch::Field(params->title, sizeof params->title).value_or(""),
                   qarch::kInUseStyle);
    return qarch::kUnpackFailed;
  }
  int result = qarch::Session(*params).Run();
  lock.Release();
  return result;
}
