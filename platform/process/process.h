// The operating-system services of the installer and its archive library:
// the drive root, folder listings, names found without regard to case, free
// space, the current directory, starting a program or the desktop's file
// manager detached from us, folder locks, and the signals that ask a run to
// stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The root the installer's destination is relative to, with a trailing '/':
// ZELK_DRIVE_ROOT when set, else the home directory (else "/").
std::string DriveRoot();

struct FileEntry {
  std::string name;
  uint64_t size = 0;
};

// The plain files of a folder (symbolic links to plain files included; folders
// and everything else left out), sorted by name byte by byte. nullopt when the
// folder cannot be read.
std::optional<std::vector<FileEntry>> ListFiles(const std::string& folder);

// `relative` (names separated by '/') found below `folder`, which is taken as
// it is. Each name is found as spelled where it exists; otherwise its one
// case variant in the folder is taken. From the first name that matches
// nothing on, the names stay as asked.
struct NoCasePath {
  std::string path;    // folder + '/' + the names found
  bool found = false;  // every name exists
  // Not empty when a name does not exist as spelled but has two or more case
  // variants: their paths. `path` is then not to be used.
  std::vector<std::string> variants;
};
NoCasePath ResolveBelow(const std::string& folder, std::string_view relative);

// Bytes free for an unprivileged user on the file system that holds `path` (or
// its nearest existing parent). nullopt when that cannot be told.
std::optional<uint64_t> FreeSpace(const std::string& path);

bool SetCurrentDirectory(const std::string& path);

// Starts `program` with `args` directly (no shell) in a new session, not
// waited for, in the current directory. False when it could not be started.
bool StartDetached(const std::string& program, const std::vector<std::string>& args);
// Opens `folder` with the desktop's file manager (xdg-open), detached.
bool OpenFolder(const std::string& folder);

// A folder held open while this object lives, and a name of it in plain
// ASCII ("/proc/self/fd/N") that reaches it meanwhile: how a folder whose own
// name a code page 932 text cannot hold is handed on, as Windows handed on
// short names.
class HeldFolder {
 public:
  explicit HeldFolder(const std::string& folder);
  ~HeldFolder();
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;

  bool ok() const { return fd_ >= 0; }
  std::string name() const;

 private:
  int fd_ = -1;
};

// An exclusive lock on a folder itself (flock on the folder: no lock file is
// made or left), tried once without waiting and held while the object lives.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool held() const { return fd_ >= 0; }
  // Another open of the folder holds it.
  bool inUse() const { return inUse_; }

 private:
  int fd_ = -1;
  bool inUse_ = false;
};

// While alive, the terminal's interrupt key (Ctrl+C), a hang-up and a request
// to terminate (SIGINT, SIGHUP, SIGTERM) set a flag instead of ending the
// process, so the work under way can stop cleanly.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  bool raised() const;
};

}  // namespace platform
