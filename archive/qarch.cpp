// The archive library's three calls. An expansion lists every archive first
// (so the needs can be measured and damaged archives are found before anything
// is written), then expands the sound archives member by member with a
// progress display, and finally reports whatever could not be expanded.
#include "archive/qarch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/expander.h"
#include "archive/lzh_listing.h"
#include "archive/progress_display.h"
#include "platform/process/process.h"
#include "platform/profile/codepage.h"
#include "platform/types.h"

namespace qarch {

namespace {

constexpr int kLibraryVersion = 20;
constexpr int kExpanderVersion = 80;
constexpr const char* kLockName = "zelk-qarch";
constexpr int kMaxArchives = 100000;
constexpr size_t kMaxReportLines = 20;
constexpr double kMegabyte = 1048576.0;

platform::InterprocessLock& LibraryLock() {
  static platform::InterprocessLock lock;  // the library is one per process, like its lock
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
    int result = ExpandAll(*destDir);
    if (result == kUnpackCancelled) return result;
    if (!problems_.empty()) {
      std::string text = "次のファイルを正しく展開できませんでした。";
      for (size_t i = 0; i < problems_.size() && i < kMaxReportLines; ++i) {
        text += "\r" + problems_[i];
      }
      if (problems_.size() > kMaxReportLines) {
        text += "\rほか " + std::to_string(problems_.size() - kMaxReportLines) + " 件";
      }
      ShowBox(text, title_, kErrorStyle);
      return kUnpackFailed;
    }
    return kUnpackFinished;
  }

 private:
  static constexpr uint32_t kErrorStyle =
      platform::MB_OK | platform::MB_ICONHAND | platform::MB_TASKMODAL;

  void ListAll(const std::string& archiveDir) {
    for (int i = 0; i < params_.archiveCount; ++i) {
      Job job;
      const auto name = Field(params_.archives[i].fileName, sizeof params_.archives[i].fileName);
      job.name = name.value_or("?");
      if (name && !name->empty()) job.source = FileSource::Open(archiveDir + "/" + *name);
      if (!job.source) {
        problems_.push_back(job.name + ": 書庫を開けません");
      } else {
        job.listing = ListArchive(*job.source);
        switch (job.listing.status) {
          case ListingStatus::kOk:
            job.expand = true;
            break;
          case ListingStatus::kNotArchive:
            if (HasArchiveExtension(job.name)) {
              problems_.push_back(job.name + ": LHA書庫ではありません");
            } else {
              std::fprintf(stderr, "%s: LHA書庫ではないので飛ばします\n", job.name.c_str());
            }
            break;
          case ListingStatus::kCorrupt:
            problems_.push_back(job.name + ": 書庫が壊れています（" + job.listing.problem + "）");
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
                         platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION |
                             platform::MB_DEFBUTTON2 | platform::MB_TASKMODAL);
    return answer == platform::IDOK;
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
        problems_.push_back(problem);
        return kUnpackFailed;
      }
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
          problems_.push_back(job.name + ": " + member.DisplayName() + ": " + problem);
        }
      }
      for (const std::string& late : expander.Finish())
        problems_.push_back(job.name + ": " + late);
    }
    return cancelled ? kUnpackCancelled : kUnpackFinished;
  }

  ExpansionParams& params_;
  std::string title_;
  std::vector<Job> jobs_;
  std::vector<std::string> problems_;
};

}  // namespace

}  // namespace qarch

int QArch_GetVersion() {
  return qarch::kLibraryVersion;
}

int QArch_InitUnlha() {
  return qarch::LibraryLock().TryAcquire(qarch::kLockName) ? qarch::kExpanderVersion : 0;
}

int QArch_UnpackUnlha(qarch::ExpansionParams* params) {
  if (params == nullptr) return qarch::kUnpackFailed;
  platform::InterprocessLock& lock = qarch::LibraryLock();
  if (!lock.TryAcquire(qarch::kLockName)) {
    qarch::ShowBox("ほかの解凍が終わるまでお待ちください。",
                   qarch::Field(params->title, sizeof params->title).value_or(""),
                   platform::MB_OK | platform::MB_ICONEXCLAMATION | platform::MB_TASKMODAL);
    return qarch::kUnpackFailed;
  }
  int result = qarch::Session(*params).Run();
  lock.Release();
  return result;
}
