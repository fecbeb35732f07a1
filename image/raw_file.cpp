#include "image/raw_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace image {

bool RawFile::Open(const char* path) {
  namespace fs = std::filesystem;
  file_.reset();
  why_.clear();
  std::error_code ec;
  const fs::file_status status = fs::status(path != nullptr ? path : "", ec);
  if (!fs::is_regular_file(status)) {
    if (fs::is_directory(status)) {
      why_ = std::make_error_code(std::errc::is_a_directory).message();
    } else if (ec) {
      why_ = ec.message();  // no such file, no permission to look
    } else if (!fs::exists(status)) {
      why_ = std::make_error_code(std::errc::no_such_file_or_directory).message();
    } else {
      why_ = "not a regular file";
    }
    return false;
  }
  file_.reset(std::fopen(path, "rb"));
  if (!file_) why_ = std::strerror(errno);
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
