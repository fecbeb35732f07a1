#include "tests/unit/zelkrender/render_support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/zelkrender/zelkrender.h"

namespace render_tests {

std::string BinDir() {
  return ZELK_RENDER_BIN_DIR;
}

std::string SourceDir() {
  return ZELK_RENDER_SOURCE_DIR;
}

int RunTool(const std::vector<std::string>& args, std::string* err) {
  std::vector<const char*> argv{"zelkrender"};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  testing::internal::CaptureStderr();
  const int code = zelkrender::Main(static_cast<int>(argv.size()), argv.data());
  const std::string printed = testing::internal::GetCapturedStderr();
  if (err != nullptr) *err = printed;
  return code;
}

std::optional<Png> ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  image.format = PNG_FORMAT_BGRA;  // one little-endian 0xAARRGGBB word a pixel
  Png png;
  png.width = static_cast<int>(image.width);
  png.height = static_cast<int>(image.height);
  png.pixels.resize(static_cast<size_t>(png.width) * png.height);
  if (!png_image_finish_read(&image, nullptr, png.pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  for (uint32_t& p : png.pixels)
    p &= 0xFFFFFF;
  return png;
}

uint64_t Checksum(const std::vector<uint32_t>& pixels) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t p : pixels)
    h = (h ^ p) * 1099511628211ull;
  return h;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zelkrender-XXXXXX").string();
  path_ = mkdtemp(pattern.data());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace render_tests
