#include "archive/expander.h"

#include <lhasa.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "archive/macbinary.h"
#include "archive/member_path.h"

namespace qarch {

namespace {

constexpr size_t kChunk = 256 * 1024;
constexpr unsigned kWorldWritable = 0002;
// Files written are forced to the disk together once this many are waiting.
constexpr size_t kBatchFiles = 256;
constexpr uint64_t kBatchBytes = 64ull << 20;

// The compressed data of one member, handed to the decoder.
struct DataFeed {
  ByteSource* source;
  uint64_t position;
  uint64_t remaining;
};

size_t Feed(void* buffer, size_t length, void* user) {
  auto* feed = static_cast<DataFeed*>(user);
  size_t want = static_cast<size_t>(std::min<uint64_t>(length, feed->remaining));
  size_t n = feed->source->ReadAt(feed->position, buffer, want);
  feed->position += n;
  feed->remaining -= n;
  return n;
}

struct DecoderDeleter {
  void operator()(LHADecoder* d) const { lha_decoder_free(d); }
};

// Programs from archives without Unix permissions (made on DOS or Windows)
// become executable when they are scripts or ELF programs.
bool LooksExecutable(const uint8_t* data, size_t n) {
  return (n >= 2 && data[0] == '#' && data[1] == '!') || (n >= 4 && std::memcmp(data,
                                                                                "\x7F"
                                                                                "ELF",
                                                                                4) == 0);
}

std::string TreeErrorText(platform::TreeError error) {
  switch (error) {
    case platform::TreeError::kNone:
      return "";
    case platform::TreeError::kLinkOnTheWay:
      return "途中にシンボリックリンクがあるため展開しません";
    case platform::TreeError::kFileOnTheWay:
      return "同じ名前のファイルがあるためフォルダを作成できません";
    case platform::TreeError::kFolderInPlace:
      return "同じ名前のフォルダがあるため展開できません";
    case platform::TreeError::kSystem:
      break;
  }
  return "ファイルまたはフォルダを作成できません";
}

platform::Names Parent(const platform::Names& path) {
  return platform::Names(path.begin(), path.end() - 1);
}

}  // namespace

Expander::Expander(ByteSource& archive, std::function<bool(uint64_t)> progress, platform::Walk walk)
    : archive_(archive),
      progress_(std::move(progress)),
      walk_(walk),
      umask_(platform::CurrentUmask()) {}

bool Expander::SetDestination(const std::string& folder, std::string* problem) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  tree_ = std::make_unique<platform::FolderTree>(folder, walk_);
  if (!tree_->ok()) {
    *problem = "展開先フォルダ " + folder + " を作成できません";
    return false;
  }
  return true;
}

void Expander::RemoveLeftovers(const std::vector<Member>& members) {
  std::set<platform::Names> folders = {{}};
  for (const Member& member : members) {
    MemberPath where = CheckMemberPath(member);
    if (where.verdict != PathVerdict::kSafe) continue;
    if (member.kind == MemberKind::kDirectory) folders.insert(where.parts);
    folders.insert(Parent(where.parts));
  }
  for (const platform::Names& folder : folders)
    tree_->RemoveTemporaryFiles(folder);
}

bool Expander::MakeFolders(const platform::Names& path, std::vector<platform::Names>* created,
                           std::string* problem) {
  platform::TreeError error = tree_->MakeFolders(path, created);
  if (error == platform::TreeError::kNone) return true;
  *problem = TreeErrorText(error);
  return false;
}

Expander::Outcome Expander::Expand(const Member& member, std::string* problem) {
  MemberPath where = CheckMemberPath(member);
  if (where.verdict != PathVerdict::kSafe) {
    *problem = VerdictText(where.verdict);
    return Outcome::kFailed;
  }
  std::vector<platform::Names> created;
  Outcome outcome = Outcome::kFailed;
  // Folders and links see every file before them under its name.
  if (member.kind != MemberKind::kFile) Commit();
  switch (member.kind) {
    case MemberKind::kDirectory:
      if (MakeFolders(where.parts, &created, problem)) {
        outcome = Outcome::kDone;
        std::optional<unsigned> perms;
        if (member.unixPerms) {
          // The owner keeps the use of the folder; never writable by all.
          perms = ((*member.unixPerms & 0777) | 0700) & ~umask_ & ~kWorldWritable;
        }
        folders_.push_back({where.parts, member.time, perms});
      }
      break;
    case MemberKind::kSymlink:
      if (MakeFolders(Parent(where.parts), &created, problem)) {
        outcome = ExpandLink(member, where.parts, problem);
      }
      break;
    case MemberKind::kFile:
      if (MakeFolders(Parent(where.parts), &created, problem)) {
        outcome = ExpandFile(member, where.parts, problem);
      }
      break;
  }
  if (outcome != Outcome::kDone) {
    for (auto it = created.rbegin(); it != created.rend(); ++it)
      tree_->RemoveEmptyFolder(*it);
  }
  return outcome;
}

Expander::Outcome Expander::ExpandLink(const Member& member, const platform::Names& path,
                                       std::string* problem) {
  const std::string& target = member.linkTarget;
  switch (tree_->Follow(Parent(path), target, &path)) {
    case platform::Reach::kInside:
      break;
    case platform::Reach::kOutside:
      *problem = "リンク先 " + target + " が展開先の外のため作成しません";
      return Outcome::kFailed;
    case platform::Reach::kUncertain:
      *problem = "リンク先 " + target +
                 " はまだない名前やリンクの後に「..」があり、行き先が定まらないため作成しません";
      return Outcome::kFailed;
    case platform::Reach::kLoop:
      *problem = "リンク先 " + target + " はリンクが循環しているため作成しません";
      return Outcome::kFailed;
  }
  platform::TreeError error = tree_->MakeLink(path, target);
  if (error != platform::TreeError::kNone) {
    *problem = error == platform::TreeError::kFolderInPlace
                   ? "同じ名前のフォルダがあるためリンクを作成できません"
                   : TreeErrorText(error);
    return Outcome::kFailed;
  }
  return Outcome::kDone;
}

Expander::Outcome Expander::ExpandFile(const Member& member, const platform::Names& path,
                                       std::string* problem) {
  std::vector<char> method(member.method.begin(), member.method.end());
  method.push_back('\0');
  LHADecoderType* type = lha_decoder_for_name(method.data());
  if (type == nullptr) {
    *problem = "対応していない圧縮方式 " + member.method + " です";
    return Outcome::kFailed;
  }
  if (auto free = tree_->FreeSpace(); free && *free < member.length) {
    *problem = "展開先の空き容量が足りません（" + std::to_string(member.length) + " バイト必要）";
    return Outcome::kFailed;
  }
  if (tree_->Look(path).kind == platform::TreeEntry::kFolder) {
    *problem = TreeErrorText(platform::TreeError::kFolderInPlace);
    return Outcome::kFailed;
  }
  platform::TreeError error;
  std::unique_ptr<platform::NewFile> out = tree_->CreateFile(Parent(path), &error);
  if (!out) {
    *problem = TreeErrorText(error);
    return Outcome::kFailed;
  }

  DataFeed feed{&archive_, member.dataOffset, member.compressedLength};
  std::unique_ptr<LHADecoder, DecoderDeleter> decoder(
      lha_decoder_new(type, Feed, &feed, static_cast<size_t>(member.length)));
  bool writeFailed = decoder == nullptr;
  bool executable = false;
  bool first = true;
  MacBinaryStrip file(member, [&](const uint8_t* data, size_t n) {
    if (first) executable = LooksExecutable(data, n);
    first = false;
    return out->Write(data, n);
  });
  std::vector<uint8_t> buffer(kChunk);
  while (decoder && !writeFailed) {
    size_t n = lha_decoder_read(decoder.get(), buffer.data(), buffer.size());
    if (n == 0) break;
    writeFailed = !file.Take(buffer.data(), n);
    if (progress_ && !progress_(n)) return Outcome::kCancelled;  // `out` removes the file
  }
  writeFailed = writeFailed || !file.Finish();
  if (writeFailed) {
    *problem = "書き込みに失敗しました（空き容量不足など）";
    return Outcome::kFailed;
  }
  if (lha_decoder_get_length(decoder.get()) != member.length) {
    *problem = "データが壊れているか途中で切れています";
    return Outcome::kFailed;
  }
  if (lha_decoder_get_crc(decoder.get()) != member.crc) {
    *problem = "CRCが一致しません（データが壊れています）";
    return Outcome::kFailed;
  }

  unsigned mode = 0666;
  if (member.unixPerms) {
    mode = *member.unixPerms & 0777;
  } else if (executable) {
    mode |= (mode & 0444) >> 2;  // executable wherever readable
  }
  mode &= ~umask_ & ~kWorldWritable;
  if (!out->Seal(mode, member.time)) {
    *problem = "書き込みに失敗しました（空き容量不足など）";
    return Outcome::kFailed;
  }
  written_.push_back({std::move(out), path.back(), member.DisplayName()});
  writtenBytes_ += member.length;
  if (written_.size() >= kBatchFiles || writtenBytes_ >= kBatchBytes) Commit();
  return Outcome::kDone;
}

void Expander::Commit() {
  if (written_.empty()) return;
  std::vector<platform::NewFile*> files;
  for (const Written& w : written_)
    files.push_back(w.file.get());
  tree_->Sync(files);
  for (Written& w : written_) {
    platform::TreeError error = w.file->Commit(w.name);
    if (error != platform::TreeError::kNone) {
      lateProblems_.push_back({w.member, error == platform::TreeError::kFolderInPlace
                                             ? TreeErrorText(error)
                                             : "書き込みに失敗しました（空き容量不足など）"});
    }
  }
  written_.clear();
  writtenBytes_ = 0;
}

std::vector<Expander::LateProblem> Expander::Finish() {
  if (!tree_) return {};
  Commit();
  for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
    if (it->perms) tree_->SetFolderMode(it->path, *it->perms);
    if (it->time != 0) tree_->SetFolderTime(it->path, it->time);
  }
  folders_.clear();
  return std::move(lateProblems_);
}

}  // namespace qarch
