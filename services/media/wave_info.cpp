#include "services/media/wave_info.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "services/media/mci_errors.h"

namespace services {

namespace {

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads `n` bytes at `offset` into `out`; false when the source is shorter.
using ReadAt = std::function<bool(uint64_t offset, size_t n, uint8_t* out)>;

std::optional<WaveInfo> Parse(const ReadAt& readAt, uint64_t size, uint32_t* error) {
  *error = MCIERR_INVALID_FILE;
  uint8_t head[12];
  if (!readAt(0, 12, head) || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0) {
    return std::nullopt;
  }
  std::vector<uint8_t> fmt;
  std::optional<uint64_t> dataSize;
  uint64_t dataOffset = 0;
  std::optional<uint32_t> factFrames;
  uint64_t pos = 12;
  while (pos + 8 <= size && !(dataSize && !fmt.empty())) {
    uint8_t chunk[8];
    if (!readAt(pos, 8, chunk)) break;
    const uint32_t length = Le32(chunk + 4);
    const uint64_t body = pos + 8;
    const uint64_t available = std::min<uint64_t>(length, size - body);
    if (std::memcmp(chunk, "fmt ", 4) == 0 && fmt.empty()) {
      if (length < 16 || available < length || length > 1024) return std::nullopt;
      fmt.resize(length);
      if (!readAt(body, length, fmt.data())) return std::nullopt;
    } else if (std::memcmp(chunk, "fact", 4) == 0 && length >= 4 && available >= 4) {
      uint8_t n[4];
      if (readAt(body, 4, n)) factFrames = Le32(n);
    } else if (std::memcmp(chunk, "data", 4) == 0 && !dataSize) {
      dataSize = available;  // a chunk cut short plays what is there
      dataOffset = body;
    }
    pos = body + length + (length & 1);
  }
  if (fmt.empty() || !dataSize) return std::nullopt;

  WaveInfo info;
  info.formatTag = Le16(fmt.data());
  info.channels = Le16(fmt.data() + 2);
  info.sampleRate = Le32(fmt.data() + 4);
  const uint16_t blockAlign = Le16(fmt.data() + 12);
  info.blockAlign = blockAlign;
  info.dataOffset = dataOffset;
  info.dataBytes = *dataSize;
  info.bitsPerSample = Le16(fmt.data() + 14);
  uint16_t tag = info.formatTag;
  if (tag == 0xFFFE && fmt.size() >= 26) tag = Le16(fmt.data() + 24);  // extensible: sub-format

  if (info.channels < 1 || info.channels > 8 || info.sampleRate < 1000 ||
      info.sampleRate > 384000 || blockAlign == 0) {
    return std::nullopt;
  }
  const uint64_t blocks = *dataSize / blockAlign;
  switch (tag) {
    case 1:
      if (info.bitsPerSample != 8 && info.bitsPerSample != 16 && info.bitsPerSample != 24 &&
          info.bitsPerSample != 32) {
        return std::nullopt;
      }
      info.frames = blocks;
      break;
    case 3:
      if (info.bitsPerSample != 32 && info.bitsPerSample != 64) return std::nullopt;
      info.frames = blocks;
      break;
    case 6:
    case 7:
      if (info.bitsPerSample != 8) return std::nullopt;
      info.frames = blocks;
      break;
    case 2:
    case 0x11: {
      if (info.bitsPerSample != 4 || fmt.size() < 20) return std::nullopt;
      const uint16_t samplesPerBlock = Le16(fmt.data() + 18);
      if (samplesPerBlock == 0) return std::nullopt;
      info.frames = factFrames ? std::min<uint64_t>(*factFrames, (blocks + 1) * samplesPerBlock)
                               : blocks * samplesPerBlock;
      break;
    }
    default:
      return std::nullopt;
  }
  *error = 0;
  return info;
}

}  // namespace

uint32_t WaveInfo::DurationMs() const {
  if (sampleRate == 0) return 0;
  return static_cast<uint32_t>((frames * 1000 + sampleRate - 1) / sampleRate);
}

std::optional<WaveInfo> ParseWaveInfo(const std::vector<uint8_t>& bytes, uint32_t* error) {
  ReadAt readAt = [&](uint64_t offset, size_t n, uint8_t* out) {
    if (offset > bytes.size() || n > bytes.size() - offset) return false;
    std::memcpy(out, bytes.data() + offset, n);
    return true;
  };
  return Parse(readAt, bytes.size(), error);
}

std::optional<WaveInfo> ReadWaveInfo(const std::string& path, uint32_t* error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    *error = std::filesystem::exists(path, ec) ? MCIERR_INVALID_FILE : MCIERR_FILE_NOT_FOUND;
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  const auto size = std::filesystem::file_size(path, ec);
  if (!in || ec) {
    *error = MCIERR_FILE_READ;
    return std::nullopt;
  }
  ReadAt readAt = [&](uint64_t offset, size_t n, uint8_t* out) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(n));
    return static_cast<size_t>(in.gcount()) == n;
  };
  return Parse(readAt, size, error);
}

}  // namespace services
