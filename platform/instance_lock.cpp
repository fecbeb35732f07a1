#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// The folder at `path` opened without following a symbolic link, when it
// belongs to this user and nobody else may use it; -1 (with the reason) if not.
int OpenOwnFolder(const std::string& path, std::string* why) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    *why = path + (errno == ELOOP || errno == ENOTDIR ? ": not a folder (a symbolic link?)"
                                                      : ": " + std::string(std::strerror(errno)));
    return -1;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_uid != getuid()) {
    *why = path + ": belongs to another user";
  } else if ((st.st_mode & 077) != 0) {
    *why = path + ": other users may write there";
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

}  // namespace

InstanceLock::~InstanceLock() {
  Release();
}

void InstanceLock::Release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

InstanceLock::Result InstanceLock::Take(const std::string& name, const char* runtimeDir,
                                        const std::string& tmpDir, std::string* why) {
  if (fd_ >= 0) return Result::kTaken;
  std::string reason;
  int folder = -1;
  if (runtimeDir != nullptr && *runtimeDir != '\0') folder = OpenOwnFolder(runtimeDir, &reason);
  if (folder < 0) {
    // A folder of our own under tmp; one made by anybody else is refused, so
    // nobody can hold our lock for us.
    const std::string own = tmpDir + "/zelk-" + std::to_string(getuid());
    if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
      reason = own + ": " + std::strerror(errno);
    } else {
      folder = OpenOwnFolder(own, &reason);
    }
  }
  if (folder < 0) {
    if (why) *why = reason;
    return Result::kNoPlace;
  }
  const std::string file = name + ".lock";
  const int fd = openat(folder, file.c_str(), O_CREAT | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
  close(folder);
  if (fd < 0) {
    if (why) *why = file + ": " + std::strerror(errno);
    return Result::kNoPlace;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    if (why) *why = busy ? "in use" : file + ": " + std::strerror(errno);
    close(fd);
    return busy ? Result::kInUse : Result::kNoPlace;
  }
  fd_ = fd;
  return Result::kTaken;
}

}  // namespace platform
