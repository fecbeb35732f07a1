// Running zelkrender in-process and reading back what it wrote.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace render_tests {

// The folder of the built programs and their generated data.
std::string BinDir();
std::string SourceDir();

// Runs the tool with these arguments (after the tool's name); *err receives
// what it printed on standard error.
int RunTool(const std::vector<std::string>& args, std::string* err = nullptr);

struct Png {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
std::optional<Png> ReadPng(const std::string& path);

// 64-bit FNV-1a over the pixels, as the scene timeline keeps its screens.
uint64_t Checksum(const std::vector<uint32_t>& pixels);

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);

}  // namespace render_tests
