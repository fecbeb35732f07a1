// MacLHA's Mac archives: the data of each file starts with a 128-byte
// MacBinary header (name, type, creator, fork lengths, dates), then holds its
// data fork and its resource fork. What is expanded is the file itself: its
// data fork, or its resource fork when it has no data fork. A header is taken
// for one as lhasa takes it: the entry carries the Mac OS id (so never at
// level 0, which stores no system), and the header agrees with the entry in
// name, length (rounded up to 128 bytes) and time (within the 14 hours time
// zones differ by), with zero wherever MacLHA leaves it zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "archive/lzh_listing.h"

namespace qarch {

constexpr size_t kMacBinaryHeader = 128;

// The length of the fork to keep when `header` (128 bytes) is the MacBinary
// header of `member`'s data, else nullopt.
std::optional<uint64_t> MacBinaryFork(const uint8_t* header, const Member& member);

// Hands on the decoded bytes of one member that belong to its file: all of
// them, or only the kept fork when they begin with the member's MacBinary
// header.
class MacBinaryStrip {
 public:
  // `sink` gets the file's bytes in order; false from it stops the work.
  using Sink = std::function<bool(const uint8_t*, size_t)>;
  MacBinaryStrip(const Member& member, Sink sink);

  // The next decoded bytes; false when the sink failed.
  bool Take(const uint8_t* data, size_t n);
  // At the end of the data: hands on what is still held back.
  bool Finish();

 private:
  bool Pass(const uint8_t* data, size_t n);

  const Member& member_;
  Sink sink_;
  bool deciding_;     // the first bytes are held until the header is judged
  std::string held_;  // those bytes
  uint64_t at_ = 0;   // decoded bytes passed
  uint64_t begin_ = 0;
  uint64_t end_ = UINT64_MAX;
};

}  // namespace qarch
