#include "platform/process/folder_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

constexpr int kMaxLinks = 40;  // as many as the kernel follows in one path
constexpr int kMaxTemporaryNames = 1000;

int OpenAt2(int folder, const std::string& path, uint64_t flags, uint64_t resolve) {
  open_how how{};
  how.flags = flags;
  how.resolve = resolve;
  return static_cast<int>(::syscall(SYS_openat2, folder, path.c_str(), &how, sizeof how));
}

constexpr uint64_t kNoLinks = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

std::string Join(const Names& names, size_t count) {
  std::string path;
  for (size_t i = 0; i < count; ++i) {
    if (i) path += '/';
    path += names[i];
  }
  return path;
}

Names Split(std::string_view text) {
  Names names;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t slash = text.find('/', pos);
    if (slash == std::string_view::npos) slash = text.size();
    names.emplace_back(text.substr(pos, slash - pos));
    pos = slash + 1;
  }
  return names;
}

// Why the name `name` in the folder `folder` could not be opened as a folder.
TreeError Classify(int folder, const std::string& name) {
  struct stat st {};
  if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return TreeError::kSystem;
  if (S_ISLNK(st.st_mode)) return TreeError::kLinkOnTheWay;
  if (!S_ISDIR(st.st_mode)) return TreeError::kFileOnTheWay;
  return TreeError::kSystem;
}

std::string TemporaryName(unsigned n) {
  return std::string(kTemporaryPrefix) + std::to_string(n);
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() <= kTemporaryPrefix.size() || !name.starts_with(kTemporaryPrefix)) return false;
  return name.find_first_not_of("0123456789", kTemporaryPrefix.size()) == std::string_view::npos;
}

}  // namespace

unsigned CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// ---- NewFile ----

NewFile::~NewFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlinkat(folder_, temp_.c_str(), 0);
  ::close(folder_);
}

bool NewFile::Write(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool NewFile::Seal(unsigned mode, int64_t time) {
  bool ok = ::fchmod(fd_, static_cast<mode_t>(mode)) == 0;
  if (ok && time != 0) {
    timespec times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
    ok = ::futimens(fd_, times) == 0;
  }
  return ok;
}

TreeError NewFile::Commit(const std::string& name) {
  if (!synced_) return TreeError::kSystem;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!closed) return TreeError::kSystem;
  if (::renameat(folder_, temp_.c_str(), folder_, name.c_str()) != 0) {
    return errno == EISDIR || errno == ENOTEMPTY || errno == EEXIST ? TreeError::kFolderInPlace
                                                                    : TreeError::kSystem;
  }
  temp_.clear();
  return TreeError::kNone;
}

// ---- FolderTree ----

FolderTree::FolderTree(const std::string& root, Walk walk) {
  root_ = ::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (root_ < 0 || walk == Walk::kPortable) return;
  int probe = OpenAt2(root_, ".", O_PATH | O_DIRECTORY | O_CLOEXEC, kNoLinks);
  if (probe >= 0) {
    ::close(probe);
    kernelWalk_ = true;
  }
}

FolderTree::~FolderTree() {
  if (root_ >= 0) ::close(root_);
}

int FolderTree::OpenFolder(const Names& path, TreeError* error) const {
  *error = TreeError::kNone;
  if (kernelWalk_) {
    int fd = path.empty() ? ::fcntl(root_, F_DUPFD_CLOEXEC, 0)
                          : OpenAt2(root_, Join(path, path.size()),
                                    O_PATH | O_DIRECTORY | O_CLOEXEC, kNoLinks);
    if (fd >= 0) return fd;
    // The walk below tells why (or succeeds after a concurrent rename).
  }
  Fd folder(::fcntl(root_, F_DUPFD_CLOEXEC, 0));
  for (const std::string& name : path) {
    if (folder.get() < 0) break;
    int next = ::openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) {
      *error = Classify(folder.get(), name);
      return -1;
    }
    folder.reset(next);
  }
  if (folder.get() < 0) *error = TreeError::kSystem;
  return folder.release();
}

TreeEntry FolderTree::Look(const Names& path) const {
  TreeEntry entry;
  if (path.empty()) {
    entry.kind = TreeEntry::kFolder;
    return entry;
  }
  TreeError error;
  Fd folder(OpenFolder(Names(path.begin(), path.end() - 1), &error));
  if (folder.get() < 0) {
    entry.kind = TreeEntry::kOther;  // the way there is no plain folder
    return entry;
  }
  struct stat st {};
  if (::fstatat(folder.get(), path.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    entry.kind = errno == ENOENT ? TreeEntry::kMissing : TreeEntry::kOther;
  } else if (S_ISDIR(st.st_mode)) {
    entry.kind = TreeEntry::kFolder;
  } else if (S_ISREG(st.st_mode)) {
    entry.kind = TreeEntry::kFile;
  } else if (S_ISLNK(st.st_mode)) {
    entry.kind = TreeEntry::kLink;
    std::string target(4096, '\0');
    ssize_t n = ::readlinkat(folder.get(), path.back().c_str(), target.data(), target.size());
    target.resize(n > 0 ? static_cast<size_t>(n) : 0);
    entry.linkTarget = target;
  } else {
    entry.kind = TreeEntry::kOther;
  }
  return entry;
}

TreeError FolderTree::MakeFolders(const Names& path, std::vector<Names>* created) {
  Fd folder(::fcntl(root_, F_DUPFD_CLOEXEC, 0));
  if (folder.get() < 0) return TreeError::kSystem;
  for (size_t i = 0; i < path.size(); ++i) {
    const std::string& name = path[i];
    auto step = [&] {
      return kernelWalk_ ? OpenAt2(folder.get(), name, O_PATH | O_DIRECTORY | O_CLOEXEC, kNoLinks)
                         : ::openat(folder.get(), name.c_str(),
                                    O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    };
    int next = step();
    if (next < 0 && errno == ENOENT) {
      if (::mkdirat(folder.get(), name.c_str(), 0775) == 0) {
        created->emplace_back(path.begin(), path.begin() + static_cast<long>(i) + 1);
      } else if (errno != EEXIST) {
        return TreeError::kSystem;
      }
      next = step();
    }
    if (next < 0) return Classify(folder.get(), name);
    folder.reset(next);
  }
  return TreeError::kNone;
}

std::unique_ptr<NewFile> FolderTree::CreateFile(const Names& folderPath, TreeError* error) {
  Fd folder(OpenFolder(folderPath, error));
  if (folder.get() < 0) return nullptr;
  // Numbered on from the last name taken, so a folder of many new files
  // does not try every taken name again for each one.
  for (int tries = 0; tries < kMaxTemporaryNames; ++tries) {
    std::string temp = TemporaryName(nextTemporary_++);
    int fd = ::openat(folder.get(), temp.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return std::unique_ptr<NewFile>(new NewFile(folder.release(), fd, temp));
    if (errno != EEXIST) break;
  }
  *error = TreeError::kSystem;
  return nullptr;
}

bool FolderTree::Sync(const std::vector<NewFile*>& files) {
  struct stat rootStat {};
  bool flushed = false;
  if (::fstat(root_, &rootStat) == 0) {
    Fd tree(::openat(root_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    flushed = tree.get() >= 0 && ::syncfs(tree.get()) == 0;
  }
  bool ok = true;
  for (NewFile* file : files) {
    struct stat st {};
    const bool onTree = flushed && ::fstat(file->fd_, &st) == 0 && st.st_dev == rootStat.st_dev;
    file->synced_ = onTree || ::fsync(file->fd_) == 0;
    ok = ok && file->synced_;
  }
  return ok;
}

TreeError FolderTree::MakeLink(const Names& path, const std::string& target) {
  TreeError error;
  Fd folder(OpenFolder(Names(path.begin(), path.end() - 1), &error));
  if (folder.get() < 0) return error;
  // Made under a name of its own, then renamed over whatever file or link
  // holds the place, so the place is never empty or half made.
  for (int tries = 0; tries < kMaxTemporaryNames; ++tries) {
    std::string temp = TemporaryName(nextTemporary_++);
    if (::symlinkat(target.c_str(), folder.get(), temp.c_str()) != 0) {
      if (errno == EEXIST) continue;
      return TreeError::kSystem;
    }
    if (::renameat(folder.get(), temp.c_str(), folder.get(), path.back().c_str()) == 0) {
      return TreeError::kNone;
    }
    const int why = errno;
    ::unlinkat(folder.get(), temp.c_str(), 0);
    return why == EISDIR || why == ENOTEMPTY || why == EEXIST ? TreeError::kFolderInPlace
                                                              : TreeError::kSystem;
  }
  return TreeError::kSystem;
}

TreeError FolderTree::SetFolderTime(const Names& path, int64_t time) {
  TreeError error;
  Fd folder(OpenFolder(path, &error));
  if (folder.get() < 0) return error;
  timespec times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
  // An O_PATH descriptor takes no futimens; its /proc name does.
  const std::string self = "/proc/self/fd/" + std::to_string(folder.get());
  return ::utimensat(AT_FDCWD, self.c_str(), times, 0) == 0 ? TreeError::kNone : TreeError::kSystem;
}

TreeError FolderTree::SetFolderMode(const Names& path, unsigned mode) {
  TreeError error;
  Fd folder(OpenFolder(path, &error));
  if (folder.get() < 0) return error;
  const std::string self = "/proc/self/fd/" + std::to_string(folder.get());
  return ::chmod(self.c_str(), static_cast<mode_t>(mode)) == 0 ? TreeError::kNone
                                                               : TreeError::kSystem;
}

void FolderTree::RemoveEmptyFolder(const Names& path) {
  if (path.empty()) return;
  TreeError error;
  Fd folder(OpenFolder(Names(path.begin(), path.end() - 1), &error));
  if (folder.get() >= 0) ::unlinkat(folder.get(), path.back().c_str(), AT_REMOVEDIR);
}

void FolderTree::RemoveTemporaryFiles(const Names& folderPath) {
  TreeError error;
  Fd folder(OpenFolder(folderPath, &error));
  if (folder.get() < 0) return;
  int listing = ::openat(folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* dir = ::fdopendir(listing);
  if (dir == nullptr) {
    ::close(listing);
    return;
  }
  std::vector<std::string> stale;
  while (dirent* e = ::readdir(dir)) {
    if (IsTemporaryName(e->d_name)) stale.emplace_back(e->d_name);
  }
  ::closedir(dir);
  for (const std::string& name : stale) {
    struct stat st {};
    if (::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
      ::unlinkat(folder.get(), name.c_str(), 0);
    }
  }
}

std::optional<uint64_t> FolderTree::FreeSpace() const {
  struct statvfs vfs {};
  if (root_ < 0 || ::fstatvfs(root_, &vfs) != 0) return std::nullopt;
  return static_cast<uint64_t>(vfs.f_bavail) * static_cast<uint64_t>(vfs.f_frsize);
}

namespace {

struct Resolution {
  Reach reach = Reach::kInside;
  bool exists = false;
};

}  // namespace

// Follows `text` from the folder `at` the way the kernel resolves a path,
// with the tree's folder as the top. `strict` adds the rule of Follow: a ".."
// that comes after a link or a missing name in the same text is kUncertain.
static Resolution Resolve(const FolderTree& tree, Names at, std::string_view text,
                          const Names* self, std::string_view selfTarget, bool strict) {
  struct Text {
    Names names;
    size_t next = 0;
    bool certain = true;
  };
  if (text.empty() || text.front() == '/') return {Reach::kOutside, false};
  std::vector<Text> texts;
  texts.push_back({Split(text)});
  bool dead = false;        // a name was missing, or a file had names after it
  bool endsAtFile = false;  // the last name reached is a file (or other non-folder)
  int links = 0;
  while (!texts.empty()) {
    Text& t = texts.back();
    if (t.next == t.names.size()) {
      texts.pop_back();
      continue;
    }
    const std::string name = t.names[t.next++];
    if (name.empty() || name == ".") continue;
    if (endsAtFile) {
      endsAtFile = false;
      dead = true;
    }
    if (name == "..") {
      if (strict && (dead || !t.certain)) return {Reach::kUncertain, false};
      if (dead) return {Reach::kInside, false};
      if (at.empty()) return {Reach::kOutside, false};
      at.pop_back();
      continue;
    }
    at.push_back(name);
    if (dead) continue;
    TreeEntry e = (self != nullptr && at == *self)
                      ? TreeEntry{TreeEntry::kLink, std::string(selfTarget)}
                      : tree.Look(at);
    switch (e.kind) {
      case TreeEntry::kFolder:
        break;
      case TreeEntry::kLink: {
        at.pop_back();
        if (++links > kMaxLinks) return {Reach::kLoop, false};
        if (e.linkTarget.empty() || e.linkTarget.front() == '/') return {Reach::kOutside, false};
        t.certain = false;
        Text inner{Split(e.linkTarget)};
        texts.push_back(std::move(inner));
        break;
      }
      case TreeEntry::kMissing:
        dead = true;
        t.certain = false;
        break;
      default:
        endsAtFile = true;
        t.certain = false;
        break;
    }
  }
  return {Reach::kInside, !dead};
}

Reach FolderTree::Follow(const Names& folder, std::string_view target, const Names* self) const {
  return Resolve(*this, folder, target, self, target, true).reach;
}

bool FolderTree::ReachesBeneath(const std::string& relative) const {
  if (root_ < 0) return false;
  if (kernelWalk_) {
    int fd = OpenAt2(root_, relative, O_PATH | O_CLOEXEC, RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    if (errno != EAGAIN) return false;
  }
  Resolution r = Resolve(*this, {}, relative, nullptr, {}, false);
  return r.reach == Reach::kInside && r.exists;
}

bool ReachesBeneath(const std::string& root, const std::string& relative) {
  return FolderTree(root).ReachesBeneath(relative.empty() ? "." : relative);
}

}  // namespace platform
