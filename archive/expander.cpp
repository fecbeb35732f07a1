#include "archive/expander.h"

#include <lhasa.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "archive/member_path.h"
#include "platform/process/process.h"

namespace qarch {

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 256 * 1024;

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

}  // namespace

Expander::Expander(ByteSource& archive, std::function<bool(uint64_t)> progress)
    : archive_(archive), progress_(std::move(progress)) {}

bool Expander::SetDestination(const std::string& folder, std::string* problem) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  fs::path canonical = fs::canonical(folder, ec);
  if (ec || !fs::is_directory(canonical, ec)) {
    *problem = "展開先フォルダ " + folder + " を作成できません";
    return false;
  }
  destination_ = canonical.string();
  if (destination_.size() > 1 && destination_.back() == '/') destination_.pop_back();
  return true;
}

bool Expander::Inside(const std::string& path) const {
  if (destination_ == "/") return true;
  return path == destination_ || (path.size() > destination_.size() &&
                                  path.compare(0, destination_.size(), destination_) == 0 &&
                                  path[destination_.size()] == '/');
}

bool Expander::MakeFolders(const std::string& relative, bool includeLast, std::string* problem) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= relative.size()) {
    size_t slash = relative.find('/', pos);
    if (slash == std::string::npos) slash = relative.size();
    parts.push_back(relative.substr(pos, slash - pos));
    pos = slash + 1;
  }
  if (!includeLast) parts.pop_back();
  std::string path = destination_;
  for (const std::string& part : parts) {
    path += "/" + part;
    std::error_code ec;
    fs::file_status st = fs::symlink_status(path, ec);
    if (!fs::exists(st)) {
      if (!fs::create_directory(path, ec) && ec) {
        *problem = "フォルダ " + part + " を作成できません";
        return false;
      }
    } else if (fs::is_symlink(st) || fs::is_directory(st)) {
      // A link is followed only when it ends inside the destination.
      fs::path real = fs::canonical(path, ec);
      if (ec || !Inside(real.string())) {
        *problem = "展開先の外へ向かうリンクを通るため展開しません";
        return false;
      }
      if (!fs::is_directory(real, ec)) {
        *problem = "同じ名前のファイルがあるためフォルダを作成できません";
        return false;
      }
    } else {
      *problem = "同じ名前のファイルがあるためフォルダを作成できません";
      return false;
    }
  }
  return true;
}

Expander::Outcome Expander::Expand(const Member& member, std::string* problem) {
  MemberPath where = CheckMemberPath(member);
  if (where.verdict != PathVerdict::kSafe) {
    *problem = VerdictText(where.verdict);
    return Outcome::kFailed;
  }
  switch (member.kind) {
    case MemberKind::kDirectory:
      return MakeFolders(where.relative, true, problem) ? Outcome::kDone : Outcome::kFailed;
    case MemberKind::kSymlink: {
      if (!LinkStaysInside(where.parts, member.linkTarget)) {
        *problem = "リンク先 " + member.linkTarget + " が展開先の外のため作成しません";
        return Outcome::kFailed;
      }
      if (!MakeFolders(where.relative, false, problem)) return Outcome::kFailed;
      std::string path = destination_ + "/" + where.relative;
      std::error_code ec;
      fs::file_status st = fs::symlink_status(path, ec);
      if (fs::is_directory(st)) {
        *problem = "同じ名前のフォルダがあるためリンクを作成できません";
        return Outcome::kFailed;
      }
      if (fs::exists(st)) fs::remove(path, ec);
      fs::create_symlink(member.linkTarget, path, ec);
      if (ec) {
        *problem = "リンクを作成できません";
        return Outcome::kFailed;
      }
      return Outcome::kDone;
    }
    case MemberKind::kFile:
      if (!MakeFolders(where.relative, false, problem)) return Outcome::kFailed;
      return ExpandFile(member, destination_ + "/" + where.relative, problem);
  }
  return Outcome::kFailed;
}

Expander::Outcome Expander::ExpandFile(const Member& member, const std::string& path,
                                       std::string* problem) {
  std::vector<char> method(member.method.begin(), member.method.end());
  method.push_back('\0');
  LHADecoderType* type = lha_decoder_for_name(method.data());
  if (type == nullptr) {
    *problem = "対応していない圧縮方式 " + member.method + " です";
    return Outcome::kFailed;
  }
  const std::string folder = path.substr(0, path.rfind('/'));
  if (auto free = platform::FreeSpace(folder); free && *free < member.length) {
    *problem = "展開先の空き容量が足りません（" + std::to_string(member.length) + " バイト必要）";
    return Outcome::kFailed;
  }
  std::error_code ec;
  if (fs::is_directory(fs::symlink_status(path, ec))) {
    *problem = "同じ名前のフォルダがあるため展開できません";
    return Outcome::kFailed;
  }

  // A fresh temporary file beside the target ("x": never an existing file or link).
  std::string temp;
  std::FILE* out = nullptr;
  for (int k = 0; k < 100 && out == nullptr; ++k) {
    temp = folder + "/.qarch-" + std::to_string(k) + ".tmp";
    out = std::fopen(temp.c_str(), "wbx");
  }
  if (out == nullptr) {
    *problem = "ファイルを作成できません";
    return Outcome::kFailed;
  }

  DataFeed feed{&archive_, member.dataOffset, member.compressedLength};
  std::unique_ptr<LHADecoder, DecoderDeleter> decoder(
      lha_decoder_new(type, Feed, &feed, static_cast<size_t>(member.length)));
  bool writeFailed = decoder == nullptr;
  bool cancelled = false;
  bool executable = false;
  std::vector<uint8_t> buffer(kChunk);
  for (bool first = true; decoder && !writeFailed && !cancelled; first = false) {
    size_t n = lha_decoder_read(decoder.get(), buffer.data(), buffer.size());
    if (n == 0) break;
    if (first) executable = LooksExecutable(buffer.data(), n);
    writeFailed = std::fwrite(buffer.data(), 1, n, out) != n;
    cancelled = progress_ && !progress_(n);
  }
  const bool lengthRight = decoder && lha_decoder_get_length(decoder.get()) == member.length;
  const bool crcRight = decoder && lha_decoder_get_crc(decoder.get()) == member.crc;
  writeFailed = (std::fclose(out) != 0) || writeFailed;

  auto discard = [&](std::string why) {
    fs::remove(temp, ec);
    *problem = std::move(why);
    return Outcome::kFailed;
  };
  if (cancelled) {
    fs::remove(temp, ec);
    return Outcome::kCancelled;
  }
  if (writeFailed) return discard("書き込みに失敗しました（空き容量不足など）");
  if (!lengthRight) return discard("データが壊れているか途中で切れています");
  if (!crcRight) return discard("CRCが一致しません（データが壊れています）");

  fs::perms perms = fs::status(temp, ec).permissions();
  if (member.unixPerms) {
    perms = static_cast<fs::perms>(*member.unixPerms & 0777);
  } else if (executable) {
    using P = fs::perms;
    if ((perms & P::owner_read) != P::none) perms |= P::owner_exec;
    if ((perms & P::group_read) != P::none) perms |= P::group_exec;
    if ((perms & P::others_read) != P::none) perms |= P::others_exec;
  }
  fs::permissions(temp, perms, ec);
  fs::rename(temp, path, ec);
  if (ec) return discard("ファイルを置けません");
  return Outcome::kDone;
}

}  // namespace qarch
