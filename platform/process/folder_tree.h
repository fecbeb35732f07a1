// A folder opened once and worked on from below: every path is a list of
// names under it, walked without following a symbolic link anywhere on the
// way (openat2 with RESOLVE_BENEATH and RESOLVE_NO_SYMLINKS where the kernel
// has it, else one openat with O_NOFOLLOW per name), so nothing done here
// ever reaches outside the folder, whatever links or renames are in it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using Names = std::vector<std::string>;  // each one name: not empty, no '/', not "." or ".."

// New files and links are made under a temporary name, this and digits,
// before they take their own: ':' is in no Windows file name, so no file an
// archive installs is named so.
inline constexpr std::string_view kTemporaryPrefix = ".zelk:";

enum class Walk {
  kBest,      // openat2 when the kernel has it
  kPortable,  // openat per name (what kBest falls back to)
};

struct TreeEntry {
  enum Kind { kMissing, kFile, kFolder, kLink, kOther } kind = kMissing;
  std::string linkTarget;  // kLink
};

// Where a path leads when its links are followed from inside the tree.
enum class Reach {
  kInside,
  kOutside,    // above the tree's folder, or an absolute link
  kUncertain,  // a ".." after a link or after a name that is not there yet:
               // what it reaches could change with what is created later
  kLoop,       // too many links
};

enum class TreeError {
  kNone,
  kLinkOnTheWay,   // a name on the way is a symbolic link
  kFileOnTheWay,   // a name on the way (or the place of a folder) is not a folder
  kFolderInPlace,  // a folder holds the place of a file or link
  kSystem,         // the operating system refused (see errno text)
};

// A file being written under a temporary name in a folder of the tree; it
// takes its real name only with Commit, after FolderTree::Sync has forced it
// to the disk, and is removed if never committed.
class NewFile {
 public:
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  bool Write(const void* data, size_t size);
  // Sets the mode and (when non-zero) the modification time.
  bool Seal(unsigned mode, int64_t time);
  // Renames the file to `name`, replacing a file or link there.
  TreeError Commit(const std::string& name);

 private:
  friend class FolderTree;
  NewFile(int folder, int fd, std::string temp)
      : folder_(folder), fd_(fd), temp_(std::move(temp)) {}
  int folder_;
  int fd_;
  std::string temp_;
  bool synced_ = false;
};

class FolderTree {
 public:
  // Opens the folder `root` (a path of the file system, links in it
  // followed). ok() tells whether that worked.
  explicit FolderTree(const std::string& root, Walk walk = Walk::kBest);
  ~FolderTree();
  FolderTree(const FolderTree&) = delete;
  FolderTree& operator=(const FolderTree&) = delete;

  bool ok() const { return root_ >= 0; }
  // Whether openat2 is in use (false with Walk::kPortable or an older kernel).
  bool kernelWalk() const { return kernelWalk_; }

  // What is at `path`, a link not followed.
  TreeEntry Look(const Names& path) const;

  // Creates the folders of `path` that are missing (with mode 0775 under the
  // umask), adding each one made to `created`, outermost first.
  TreeError MakeFolders(const Names& path, std::vector<Names>* created);

  // Opens a new temporary file in the folder `folder`.
  std::unique_ptr<NewFile> CreateFile(const Names& folder, TreeError* error);

  // Forces the data of `files` to the disk: one flush of the tree's file
  // system for those on it (far cheaper than one per file), fsync for the
  // others. False when that failed for any of them.
  bool Sync(const std::vector<NewFile*>& files);

  // Makes `path` a symbolic link to `target`, replacing a file or link there.
  TreeError MakeLink(const Names& path, const std::string& target);

  // Times and modes of folders (links never followed).
  TreeError SetFolderTime(const Names& path, int64_t time);
  TreeError SetFolderMode(const Names& path, unsigned mode);

  // Removes the folder at `path` if it is empty.
  void RemoveEmptyFolder(const Names& path);
  // Removes every file and link of `folder` with a temporary name, as a
  // write or link that was stopped half-way leaves them.
  void RemoveTemporaryFiles(const Names& folder);

  // Bytes free for an unprivileged user on the tree's file system.
  std::optional<uint64_t> FreeSpace() const;

  // Where `target`, the text of a link placed in `folder`, leads when it is
  // followed through what the tree holds now. `self`, when given, is the
  // place of a link about to be made there with `target`: it counts as that
  // link, whatever is there now.
  Reach Follow(const Names& folder, std::string_view target, const Names* self = nullptr) const;

  // Whether `relative` (names separated by '/', "..", "." and links allowed)
  // reaches an existing entry without leaving the tree at any step, as the
  // kernel's RESOLVE_BENEATH decides.
  bool ReachesBeneath(const std::string& relative) const;

 private:
  // An O_PATH descriptor of the folder at `path` (the root for an empty
  // path), or -1 with `error` set.
  int OpenFolder(const Names& path, TreeError* error) const;

  int root_ = -1;
  bool kernelWalk_ = false;
  unsigned nextTemporary_ = 0;
};

// The process's file mode creation mask.
unsigned CurrentUmask();

// Whether `relative` reaches an existing entry from the folder `root` without
// leaving it at any step (FolderTree::ReachesBeneath).
bool ReachesBeneath(const std::string& root, const std::string& relative);

}  // namespace platform
