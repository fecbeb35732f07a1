// Read-only access to data files in raw byte mode, and the two small routines
// the loaders are built from: the length of an open file and a chunked read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace image {

class RawFile {
 public:
  RawFile() = default;
  // Opens a regular file for reading; false when it cannot be opened, and
  // why() says why ("No such file or directory", "Is a directory", …).
  bool Open(const char* path);
  const std::string& why() const { return why_; }
  bool IsOpen() const { return file_ != nullptr; }
  void Close() { file_.reset(); }
  // Reads up to `count` bytes; returns how many came.
  size_t Read(void* destination, size_t count);
  // Moves the position (SEEK_SET, SEEK_CUR or SEEK_END) and returns the new
  // position, or −1 when the file refuses.
  int64_t Seek(int64_t offset, int origin);

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::string why_;
};

// The length of the file in bytes (at most 2^32 − 1); the position is left
// where it was.
uint32_t FileLength(RawFile& file);

// Reads `count` bytes in chunks of at most 32768. 1 when all came (also for a
// count of 0); 0 at the first short chunk, the bytes read so far left in place.
int ReadLarge(RawFile& file, uint8_t* destination, uint32_t count);

}  // namespace image
