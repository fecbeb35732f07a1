#include "archive/macbinary.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qarch {

namespace {

constexpr int64_t kMacEpoch = 2082844800;  // seconds from 1904 to 1970
constexpr int64_t kZoneSpread = 14 * 3600;
constexpr size_t kNameField = 63;

uint32_t Big(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

bool Zero(const uint8_t* p, size_t n) {
  return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

}  // namespace

std::optional<uint64_t> MacBinaryFork(const uint8_t* h, const Member& member) {
  // Version, two "zero for compatibility" bytes, the comment length and the
  // MacBinary II fields.
  if (h[0] != 0 || h[0x4A] != 0 || h[0x52] != 0 || !Zero(h + 0x63, kMacBinaryHeader - 0x63)) {
    return std::nullopt;
  }
  const std::string& name = member.storedName;
  if (h[1] > kNameField || h[1] != name.size() || std::memcmp(h + 2, name.data(), h[1]) != 0 ||
      !Zero(h + 2 + h[1], kNameField - h[1])) {
    return std::nullopt;
  }
  const uint64_t data = Big(h + 0x53);
  const uint64_t resource = Big(h + 0x57);
  if (member.length != (data + resource + kMacBinaryHeader + 127) / 128 * 128) return std::nullopt;
  // The Mac's time is local time, the entry's is not.
  const int64_t modified = Big(h + 0x5F);
  if (modified < kMacEpoch || std::abs(member.time - (modified - kMacEpoch)) > kZoneSpread) {
    return std::nullopt;
  }
  return data > 0 ? data : resource;
}

MacBinaryStrip::MacBinaryStrip(const Member& member, Sink sink)
    : member_(member),
      sink_(std::move(sink)),
      deciding_(member.osType == 'm' && member.length >= kMacBinaryHeader) {}

bool MacBinaryStrip::Take(const uint8_t* data, size_t n) {
  if (deciding_) {
    const size_t k = std::min(n, kMacBinaryHeader - held_.size());
    held_.append(reinterpret_cast<const char*>(data), k);
    data += k;
    n -= k;
    if (held_.size() < kMacBinaryHeader) return true;
    if (!Finish()) return false;
  }
  return Pass(data, n);
}

bool MacBinaryStrip::Finish() {
  if (!deciding_) return true;
  deciding_ = false;
  const auto* head = reinterpret_cast<const uint8_t*>(held_.data());
  if (held_.size() == kMacBinaryHeader) {
    if (auto fork = MacBinaryFork(head, member_)) {
      begin_ = kMacBinaryHeader;
      end_ = kMacBinaryHeader + *fork;
    }
  }
  return Pass(head, held_.size());
}

bool MacBinaryStrip::Pass(const uint8_t* data, size_t n) {
  const uint64_t from = std::max(at_, begin_);
  const uint64_t to = std::min(at_ + n, end_);
  const uint64_t start = at_;
  at_ += n;
  return from >= to || sink_(data + (from - start), static_cast<size_t>(to - from));
}

}  // namespace qarch
