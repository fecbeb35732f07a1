#include "image/mag_format.h"

#include <cstring>

namespace image::mag {

namespace {

int16_t ReadS16(const uint8_t* p) {
  return static_cast<int16_t>(p[0] | p[1] << 8);
}
uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

Status Fail(Status status, const char** why, const char* text) {
  if (why != nullptr) *why = text;
  return status;
}

// Where an area given by its offset from the header's start begins in the
// data after the palette; an offset into the header or palette gives a
// position no read accepts.
uint64_t DataPosition(uint32_t offset, size_t headerLength) {
  return offset >= headerLength ? offset - headerLength : UINT64_MAX;
}

// `count` bytes from `position` lie inside `limit` bytes.
bool Readable(uint64_t position, uint64_t count, uint64_t limit) {
  return position <= limit && count <= limit - position;
}

}  // namespace

Status ReadLayout(std::span<const uint8_t> file, Layout* layout, const char** why) {
  if (file.size() < kSignatureSize || std::memcmp(file.data(), kSignature, kSignatureSize) != 0)
    return Fail(Status::kUnsupportedType, why, "no MAKI02 signature");
  const uint8_t* eof = static_cast<const uint8_t*>(
      std::memchr(file.data() + kSignatureSize, 0x1A, file.size() - kSignatureSize));
  if (eof == nullptr) return Fail(Status::kReadFailed, why, "no 0x1A byte after the signature");

  Layout l;
  l.headerStart = static_cast<size_t>(eof - file.data()) + 1;
  if (file.size() - l.headerStart < kHeaderSize)
    return Fail(Status::kReadFailed, why, "header cut short");
  const uint8_t* h = file.data() + l.headerStart;
  MagHeaderInfo& info = l.header;
  info.comment.assign(reinterpret_cast<const char*>(file.data()) + kSignatureSize,
                      l.headerStart - 1 - kSignatureSize);
  info.machineCode = h[1];
  info.machineFlags = h[2];
  info.screenMode = h[3];
  info.colors = (h[3] & 0x80) ? 256 : 16;
  info.leftX = ReadS16(h + 4);
  info.topY = ReadS16(h + 6);
  info.rightX = ReadS16(h + 8);
  info.bottomY = ReadS16(h + 10);
  info.flagAOffset = ReadU32(h + 12);
  info.flagBOffset = ReadU32(h + 16);
  info.flagBSize = ReadU32(h + 20);
  info.pixelOffset = ReadU32(h + 24);
  info.pixelSize = ReadU32(h + 28);

  const size_t headerLength = l.HeaderLength();
  if (file.size() - l.headerStart < headerLength)
    return Fail(Status::kReadFailed, why, "palette cut short");
  l.dataStart = l.headerStart + headerLength;
  const size_t dataSize = file.size() - l.dataStart;
  if (dataSize == 0) return Fail(Status::kReadFailed, why, "no data after the palette");
  *layout = l;  // the header is worth showing even when the sizes are refused below

  const int unitPixels = info.colors == 256 ? 4 : 8;
  l.columns = info.rightX / unitPixels - info.leftX / unitPixels + 1;
  l.rows = info.bottomY - info.topY + 1;
  if (l.columns < 0 || l.rows < 0)
    return Fail(Status::kUnsupportedType, why,
                "negative size (right before left or bottom before top)");
  // The flag row holds 512 columns; a picture without rows never touches it.
  if (l.columns > kMaxColumns && l.rows > 0)
    return Fail(Status::kUnsupportedType, why, "wider than 512 columns");

  // Flag A holds one bit per column and row, read from its start on.
  const uint64_t flagABytes = (static_cast<uint64_t>(l.columns) * l.rows + 7) / 8;
  if (flagABytes > 0 &&
      !Readable(DataPosition(info.flagAOffset, headerLength), flagABytes, dataSize + kSpareBytes))
    return Fail(Status::kReadFailed, why, "flag A past the end of the data");
  *layout = l;
  return Status::kOk;
}

RowDecoder::RowDecoder(std::span<const uint8_t> file, const Layout& layout, ptrdiff_t down)
    : layout_(layout), data_(file.size() - layout.dataStart + kSpareBytes, 0) {
  // The data as the decoder reads it, followed by zero bytes: reads that run
  // a little past the end of the file give zeros.
  std::memcpy(data_.data(), file.data() + layout.dataStart, file.size() - layout.dataStart);
  const size_t headerLength = layout.HeaderLength();
  flagA_ = DataPosition(layout.header.flagAOffset, headerLength);  // checked by ReadLayout
  flagB_ = DataPosition(layout.header.flagBOffset, headerLength);
  pixel_ = DataPosition(layout.header.pixelOffset, headerLength);
  for (int k = 0; k < 16; ++k)
    copyOffset_[k] = -kRowsUp[k] * down - 2 * kUnitsLeft[k];
}

Status RowDecoder::Next(uint8_t* row, const char** why) {
  // The read positions in locals: the row's bytes may alias any member.
  const uint8_t* data = data_.data();
  const uint64_t limit = data_.size();
  uint64_t flagA = flagA_, flagB = flagB_, pixel = pixel_;
  uint8_t mask = mask_;
  uint8_t* out = row;
  int unit = 0;
  for (int c = 0; c < layout_.columns; ++c) {
    if (data[flagA] & mask) {
      if (!Readable(flagB, 1, limit))
        return Fail(Status::kReadFailed, why, "flag B past the end of the data");
      flagRow_[c] ^= data[flagB++];
    }
    mask >>= 1;
    if (mask == 0) {
      mask = 0x80;
      ++flagA;
    }
    for (int code : {flagRow_[c] >> 4, flagRow_[c] & 0x0F}) {
      if (code == 0) {
        if (!Readable(pixel, 2, limit))
          return Fail(Status::kReadFailed, why, "pixel data past the end of the data");
        std::memcpy(out, data + pixel, 2);
        pixel += 2;
      } else {
        if (kRowsUp[code] > y_ || kUnitsLeft[code] > unit)
          return Fail(Status::kReadFailed, why, "copy from outside the picture");
        std::memcpy(out, out + copyOffset_[code], 2);
      }
      out += 2;
      ++unit;
    }
  }
  flagA_ = flagA, flagB_ = flagB, pixel_ = pixel, mask_ = mask;
  ++y_;
  return Status::kOk;
}

Status DecodeRows(std::span<const uint8_t> file, const Layout& layout, uint8_t* top, ptrdiff_t down,
                  const char** why) {
  if (layout.rows == 0 || layout.columns == 0) return Status::kOk;
  RowDecoder decoder(file, layout, down);
  for (int y = 0; y < layout.rows; ++y) {
    if (Status status = decoder.Next(top + y * down, why); status != Status::kOk) return status;
  }
  return Status::kOk;
}

Status ForEachRow(std::span<const uint8_t> file, const Layout& layout,
                  const std::function<void(int y, const uint8_t* row)>& visit, const char** why) {
  if (layout.rows == 0 || layout.columns == 0) return Status::kOk;
  constexpr int kReach = 16, kBand = 240;  // rows a copy reaches up; rows decoded between moves
  const size_t stride = layout.Stride();
  std::vector<uint8_t> window((kReach + kBand) * stride);
  RowDecoder decoder(file, layout, static_cast<ptrdiff_t>(stride));
  for (int y = 0, slot = 0; y < layout.rows; ++y, ++slot) {
    if (slot == kReach + kBand) {  // keep the rows later copies may reach
      std::memmove(window.data(), window.data() + kBand * stride, kReach * stride);
      slot = kReach;
    }
    uint8_t* row = window.data() + slot * stride;
    if (Status status = decoder.Next(row, why); status != Status::kOk) return status;
    visit(y, row);
  }
  return Status::kOk;
}

}  // namespace image::mag
