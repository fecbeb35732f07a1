// Shared pieces of the image tests: a virtual system whose program lies in a
// fresh temporary folder, file writers, and a builder of MAG files laid out by
// hand.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/virtual_system.h"

namespace image_test {

class ProgramFolder {
 public:
  ProgramFolder();
  ~ProgramFolder();
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  testing_support::VirtualSystem& vs() { return vs_; }
  const std::vector<services::BoxRecord>& boxes() { return vs_.system().boxLog(); }
  // Writes `bytes` to dir/relative (folders created as needed).
  void Write(const std::string& relative, const std::vector<uint8_t>& bytes) const;
  std::string Full(const std::string& relative) const { return (dir_ / relative).string(); }

 private:
  std::filesystem::path dir_;
  testing_support::VirtualSystem vs_;
};

// A MAG file built field by field. Offsets default to the areas laid out one
// after another; set the *Offset fields to move them.
struct MagFile {
  std::string comment = "TEST    user              ";
  uint8_t screenMode = 0x80;  // 256 colours
  int16_t leftX = 0, topY = 0, rightX = 3, bottomY = 1;
  std::vector<uint8_t> palette;  // 3 × colours bytes (g, r, b); zero-filled when short
  std::vector<uint8_t> flagA, flagB, pixels;
  int64_t flagAOffset = -1, flagBOffset = -1, pixelOffset = -1;
  std::vector<uint8_t> Bytes() const;
};

// A little-endian 54-byte BMP header followed by `pixels`; bfSize is the real
// length plus `sizeError`.
std::vector<uint8_t> BmpFile(int width, int height, int bitCount,
                             const std::vector<uint8_t>& pixels, int sizeError = 0);

}  // namespace image_test
