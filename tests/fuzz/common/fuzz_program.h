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

#include "platform/system.h"
#include "platform/virtual/virtual_backend.h"

namespace fuzzing {

// A folder of its own for this fuzz process, made once.
inline const std::string& FuzzFolder(const char* tag) {
  static const std::string folder = [tag] {
    auto dir = std::filesystem::temp_directory_path() /
               (std::string("fuzz-") + tag + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
  }();
  return folder;
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
      : system_(std::make_unique<platform::VirtualBackend>(ProgramIn(folder))),
        installed_(system_) {
    std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
    if (f == nullptr) return;
    written_ = std::fwrite(data, 1, size, f) == size;
    written_ = std::fclose(f) == 0 && written_;
  }
  // False when the input could not be written: the run has nothing to load.
  bool Written() const { return written_; }

 private:
  platform::System system_;
  platform::ScopedSystem installed_;
  bool written_ = false;
};

}  // namespace fuzzing
