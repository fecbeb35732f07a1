#include "image/raw_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace image {

bool RawFile::Open(const char* path) {
  file_.reset();
  std::error_code ec;
  if (path == nullptr || !std::filesystem::is_regular_file(path, ec)) return false;
  file_.reset(std::fopen(path, "rb"));
  return file_ != nullptr;
}

size_t RawFile::Read(void* destination, size_t count) {
  if (!file_ || count == 0) return 0;
  return std::fread(destination, 1, count, file_.get());
}

int64_t RawFile::Seek(int64_t offset, int origin) {
  if (!file_ || std::fseek(file_.get(), static_cast<long>(offset), origin) != 0) return -1;
  return std::ftell(file_.get());
}

uint32_t FileLength(RawFile& file) {
  int64_t here = file.Seek(0, SEEK_CUR);
  int64_t end = file.Seek(0, SEEK_END);
  file.Seek(std::max<int64_t>(here, 0), SEEK_SET);
  if (end < 0) return 0;
  return static_cast<uint32_t>(std::min<int64_t>(end, UINT32_MAX));
}

int ReadLarge(RawFile& file, uint8_t* destination, uint32_t count) {
  constexpr uint32_t kChunk = 32768;
  while (count > 0) {
    uint32_t want = std::min(count, kChunk);
    if (file.Read(destination, want) < want) return 0;
    destination += want;
    count -= want;
  }
  return 1;
}

}  // namespace image
