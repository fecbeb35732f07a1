// Fuzz targets of the file loaders: each input becomes a file in a private
// folder, and a virtual system whose program lives in that folder is installed
// for the input's run, so the loaders find the file by name as the demos do.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/virtual/virtual_backend.h"
#include "services/system.h"

namespace fuzzing {

// A folder of its own for this fuzz process, made once and removed when the
// process ends; in memory where the system has such a folder, as every input
// is written there.
class OwnFolder {
 public:
  explicit OwnFolder(const char* tag) {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    path_ = (base / (std::string("fuzz-") + tag + "-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(path_, ec);
  }
  ~OwnFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  OwnFolder(const OwnFolder&) = delete;
  OwnFolder& operator=(const OwnFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline const std::string& FuzzFolder(const char* tag) {
  static const OwnFolder folder(tag);
  return folder.path();
}

inline platform::VirtualBackend::Options ProgramIn(const std::string& folder) {
  platform::VirtualBackend::Options options;
  options.moduleFileName = folder + "/prog";
  return options;
}

// Writes the input as FOLDER/NAME and installs a virtual system with the
// program in FOLDER for as long as the object lives.
class FuzzProgram {
 public:
  FuzzProgram(const std::string& folder, const char* name, const uint8_t* data, size_t size)
      : system_([&folder](services::System& s) {
          return std::make_unique<platform::VirtualBackend>(s, ProgramIn(folder));
        }),
        installed_(system_) {
    std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
    if (f == nullptr) return;
    written_ = std::fwrite(data, 1, size, f) == size;
    written_ = std::fclose(f) == 0 && written_;
  }
  // False when the input could not be written: the run has nothing to load.
  bool Written() const { return written_; }

 private:
  services::System system_;
  services::ScopedSystem installed_;
  bool written_ = false;
};

}  // namespace fuzzing
