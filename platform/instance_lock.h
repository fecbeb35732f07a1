// The single-instance lock (and the archive library's): a lock on a file
// named after the window class, in a folder only this user can write to. The system drops it when
// the process ends, however it ends, and no program the process starts inherits it.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
 public:
  enum class Result { kTaken, kInUse, kNoPlace };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock `name` in `runtimeDir` (the user's runtime folder; may be
  // null) when that is a folder of this user's own, else in "<tmpDir>/zelk-<uid>",
  // a folder made for this user alone. kNoPlace (with the reason) when neither
  // is safe: a folder of another user's, one open to others, or a symbolic link.
  Result Take(const std::string& name, const char* runtimeDir, const std::string& tmpDir,
              std::string* why);
  bool held() const { return fd_ >= 0; }
  void Release();

 private:
  int fd_ = -1;
};

}  // namespace platform
