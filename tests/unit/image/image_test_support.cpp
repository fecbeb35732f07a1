#include "tests/unit/image/image_test_support.h"

#include <unistd.h>
#include <atomic>
#include <fstream>
#include <string_view>

namespace image_test {

namespace {

std::filesystem::path MakeTempFolder() {
  static std::atomic<int> counter{0};
  auto dir = std::filesystem::temp_directory_path() /
             ("zelk-image-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Byte-wise appends (GCC 12 warns wrongly about range inserts into small vectors).
template <typename Range>
void Append(std::vector<uint8_t>& v, const Range& bytes) {
  for (auto b : bytes)
    v.push_back(static_cast<uint8_t>(b));
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(x & 0xFF);
  v.push_back((x >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

}  // namespace

ProgramFolder::ProgramFolder() : dir_(MakeTempFolder()) {
  vs_.backend().SetModuleFileName((dir_ / "prog").string());
}

ProgramFolder::~ProgramFolder() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

void ProgramFolder::Write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
  auto path = dir_ / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> MagFile::Bytes() const {
  const int colors = (screenMode & 0x80) ? 256 : 16;
  const uint32_t headerLength = 32 + 3 * colors;
  std::vector<uint8_t> out;
  Append(out, std::string_view("MAKI02  "));
  Append(out, comment);
  out.push_back(0x1A);
  const uint32_t a = headerLength;
  const uint32_t b = a + static_cast<uint32_t>(flagA.size());
  const uint32_t p = b + static_cast<uint32_t>(flagB.size());
  Append(out, std::initializer_list<uint8_t>{0, 0, 0, screenMode});
  Put16(out, static_cast<uint16_t>(leftX));
  Put16(out, static_cast<uint16_t>(topY));
  Put16(out, static_cast<uint16_t>(rightX));
  Put16(out, static_cast<uint16_t>(bottomY));
  Put32(out, flagAOffset >= 0 ? static_cast<uint32_t>(flagAOffset) : a);
  Put32(out, flagBOffset >= 0 ? static_cast<uint32_t>(flagBOffset) : b);
  Put32(out, static_cast<uint32_t>(flagB.size()));
  Put32(out, pixelOffset >= 0 ? static_cast<uint32_t>(pixelOffset) : p);
  Put32(out, static_cast<uint32_t>(pixels.size()));
  std::vector<uint8_t> pal = palette;
  pal.resize(3 * colors, 0);
  Append(out, pal);
  Append(out, flagA);
  Append(out, flagB);
  Append(out, pixels);
  return out;
}

std::vector<uint8_t> BmpFile(int width, int height, int bitCount,
                             const std::vector<uint8_t>& pixels, int sizeError) {
  std::vector<uint8_t> out;
  Append(out, std::string_view("BM"));
  Put32(out, static_cast<uint32_t>(54 + pixels.size() + sizeError));
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bitCount));
  for (int i = 0; i < 6; ++i)
    Put32(out, 0);
  Append(out, pixels);
  return out;
}

}  // namespace image_test
