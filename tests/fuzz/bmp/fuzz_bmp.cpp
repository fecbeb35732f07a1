// The BMP loader on arbitrary files, then every drawing operation of the
// picture it keeps.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "image/dib_image.h"
#include "platform/system.h"
#include "platform/virtual/virtual_backend.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    auto dir = std::filesystem::temp_directory_path() / ("fuzz-bmp-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Folder() + "/p.bmp";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  platform::VirtualBackend::Options options;
  options.moduleFileName = Folder() + "/prog";
  platform::System system(std::make_unique<platform::VirtualBackend>(options));
  platform::ScopedSystem installed(system);
  static platform::Surface screen;  // allocated once: clearing 640×480 pixels dominates otherwise
  if (!screen.Valid()) screen.Allocate();

  image::DibImage picture(nullptr, "fuzz");
  if (picture.Load("P.BMP")) {
    // Small destination areas: the picture's corners 1:1 and a part.
    picture.Draw(&screen, -7, -3);
    picture.Draw(&screen, 600, 450);
    picture.DrawPart(&screen, 10, 10, 50, 40, 3, 2);
    if (size % 8 == 0) picture.CreateDeviceBitmap(&screen);
  }
  return 0;
}
