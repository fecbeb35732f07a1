#include "services/surface.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace services {

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;

// Colour-table entry (blue, green, red, 0) as XRGB.
inline uint32_t QuadToXrgb(const uint8_t* q) {
  return (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
}

// Clips a destination span [start, start + length) to [0, limit).
struct Span {
  int begin;
  int end;
};
inline Span Clip(int start, int length, int limit) {
  long long b = std::max<long long>(start, 0);
  long long e = std::min<long long>(static_cast<long long>(start) + length, limit);
  if (e < b) e = b;
  return {static_cast<int>(b), static_cast<int>(e)};
}

// The colour table of an indexed picture as XRGB; entries missing from the
// table are black.
void BuildLookup(const DibView& dib, uint32_t (&lut)[256]) {
  std::fill(std::begin(lut), std::end(lut), 0u);
  if (dib.bitCount > 8 || dib.colorTable == nullptr) return;
  const uint32_t n = std::min<uint32_t>(dib.colorCount, 1u << dib.bitCount);
  for (uint32_t i = 0; i < n; ++i)
    lut[i] = QuadToXrgb(dib.colorTable + 4 * i);
}

// Which source column each destination column of a draw shows, worked out
// once per draw. Header fields and coordinates may be extreme: offsets are
// worked out in 64 bits.
struct ColumnMap {
  ColumnMap(Span xs, int x, int w, int sx, int sw, int32_t pictureWidth)
      : span(xs.end - xs.begin), source(static_cast<size_t>(span)) {
    for (int dx = xs.begin; dx < xs.end; ++dx) {
      const long long sc = sx + (static_cast<long long>(dx) - x) * sw / w;
      source[dx - xs.begin] = (sc >= 0 && sc < pictureWidth) ? static_cast<int>(sc) : -1;
    }
    shift = static_cast<long long>(sx) - x;
    identity = sw == w && shift + xs.begin >= 0 && shift + xs.end <= pictureWidth;
    doubled = w == 2LL * sw && source[0] >= 0 && source[span - 1] >= 0;
    oddStart = ((xs.begin - static_cast<long long>(x)) & 1) != 0;
  }

  int span;                 // clipped destination columns
  std::vector<int> source;  // source column of each, or −1 outside the picture
  long long shift;          // source column minus destination column at 1:1
  bool identity;            // 1:1 and wholly inside the picture
  bool doubled;             // 2:1 with both ends inside the picture
  bool oddStart;            // the first column is the second of a doubled pair
};

// One row of an 8-bit picture at 1:1. Four pixels per store: the store count
// bounds this loop more than the lookups.
void CopyRow8(const uint8_t* p, const uint32_t* lut, uint32_t* out, int span) {
  int i = 0;
  for (; i + 3 < span; i += 4) {
    const uint32_t quad[4] = {lut[p[i]], lut[p[i + 1]], lut[p[i + 2]], lut[p[i + 3]]};
    std::memcpy(out + i, quad, sizeof quad);
  }
  for (; i < span; ++i)
    out[i] = lut[p[i]];
}

// One row of an 8-bit picture doubled in width, into `out` and, when not
// null, the row below it (`twin`), which shows the same source row.
void DoubleRow8(const uint8_t* s, const uint32_t* lut, const ColumnMap& m, uint32_t* out,
                uint32_t* twin) {
  const int span = m.span;
  int i = 0;
  if (m.oddStart) {
    out[0] = lut[s[m.source[0]]];
    if (twin != nullptr) twin[0] = out[0];
    i = 1;
  }
  const uint8_t* p = s + (i < span ? m.source[i] : 0);
  if (twin != nullptr) {
    // Four output pixels per store, as in CopyRow8.
    for (; i + 3 < span; i += 4) {
      uint32_t a = lut[p[0]], b = lut[p[1]];
      p += 2;
      const uint32_t quad[4] = {a, a, b, b};
      std::memcpy(out + i, quad, sizeof quad);
      std::memcpy(twin + i, quad, sizeof quad);
    }
    for (; i + 1 < span; i += 2) {
      uint64_t c = lut[*p++];
      c |= c << 32;
      std::memcpy(out + i, &c, sizeof c);
      std::memcpy(twin + i, &c, sizeof c);
    }
  } else {
    for (; i + 1 < span; i += 2) {
      uint64_t c = lut[*p++];
      c |= c << 32;
      std::memcpy(out + i, &c, sizeof c);
    }
  }
  if (i < span) {
    out[i] = lut[s[m.source[i]]];
    if (twin != nullptr) twin[i] = out[i];
  }
}

// The source pixel at column `sc` of a row of any depth, as XRGB.
inline uint32_t PixelAt(const uint8_t* s, int sc, int bpp, const uint32_t* lut) {
  switch (bpp) {
    case 4: {
      const uint8_t b = s[sc >> 1];
      return lut[(sc & 1) ? (b & 0x0F) : (b >> 4)];
    }
    case 8:
      return lut[s[sc]];
    case 16: {
      const uint16_t v = static_cast<uint16_t>(s[2 * sc] | (s[2 * sc + 1] << 8));
      const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
    }
    case 24: {
      const uint8_t* q = s + 3 * sc;
      return (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
    }
    default: {
      const uint8_t* q = s + 4 * sc;
      return (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
    }
  }
}

// One row of any depth and scale, pixel by pixel. False when some columns
// lay outside the picture and were left as they were.
bool ConvertRow(const uint8_t* s, int bpp, const uint32_t* lut, const ColumnMap& m, uint32_t* out) {
  bool complete = true;
  for (int i = 0; i < m.span; ++i) {
    const int sc = m.source[i];
    if (sc < 0) {
      complete = false;
      continue;
    }
    out[i] = PixelAt(s, sc, bpp, lut);
  }
  return complete;
}

}  // namespace

DibView DibView::FromHeader(const BitmapInfoHeader& header, const uint8_t* bits, size_t bitsSize) {
  DibView v;
  v.width = header.biWidth;
  v.height = header.biHeight;
  v.bitCount = header.biBitCount;
  v.compression = header.biCompression;
  v.bits = bits;
  v.bitsSize = bitsSize;
  return v;
}

DibView DibView::FromPacked(const uint8_t* block, size_t blockSize) {
  DibView v;
  if (block == nullptr || blockSize < sizeof(BitmapInfoHeader)) return v;
  BitmapInfoHeader h;
  std::memcpy(&h, block, sizeof h);
  size_t entries = h.biClrUsed;
  if (entries == 0 && h.biBitCount <= 8) entries = size_t{1} << h.biBitCount;
  size_t tableBytes = entries * 4;
  if (tableBytes > blockSize - sizeof h) return DibView{};
  v = FromHeader(h, block + sizeof h + tableBytes, blockSize - sizeof h - tableBytes);
  v.colorTable = block + sizeof h;
  v.colorCount = static_cast<uint32_t>(entries);
  return v;
}

size_t DibView::RowStride() const {
  if (width <= 0) return 0;
  return ((static_cast<size_t>(bitCount) * static_cast<size_t>(width) + 31) / 32) * 4;
}

bool Surface::Allocate() {
  try {
    pixels_.assign(static_cast<size_t>(kWidth) * kHeight, 0);
  } catch (const std::bad_alloc&) {
    pixels_.clear();
    return false;
  }
  changed_ = true;
  return true;
}

void Surface::Release() {
  std::vector<uint32_t>().swap(pixels_);
  changed_ = false;
}

uint32_t Surface::Pixel(int x, int y) const {
  if (!Valid() || x < 0 || y < 0 || x >= kWidth || y >= kHeight) return 0;
  return pixels_[static_cast<size_t>(y) * kWidth + x];
}

bool Surface::TakeChanged() {
  bool c = changed_;
  changed_ = false;
  return c;
}

void Surface::PatBlt(int x, int y, int w, int h, RasterFill fill) {
  if (!Valid() || w <= 0 || h <= 0) return;
  Span xs = Clip(x, w, kWidth);
  Span ys = Clip(y, h, kHeight);
  if (xs.begin >= xs.end || ys.begin >= ys.end) return;
  uint32_t value = fill == RasterFill::kWhiteness ? kWhite : 0;
  for (int row = ys.begin; row < ys.end; ++row) {
    uint32_t* p = pixels_.data() + static_cast<size_t>(row) * kWidth;
    std::fill(p + xs.begin, p + xs.end, value);
  }
  changed_ = true;
}

void Surface::BitBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy) {
  if (!Valid() || !src.Valid() || w <= 0 || h <= 0) return;
  // Clip against both surfaces, keeping source and destination aligned.
  int x0 = std::max({x, 0, x - sx});
  int y0 = std::max({y, 0, y - sy});
  int x1 = static_cast<int>(std::min<long long>(
      {static_cast<long long>(x) + w, kWidth, static_cast<long long>(x) - sx + kWidth}));
  int y1 = static_cast<int>(std::min<long long>(
      {static_cast<long long>(y) + h, kHeight, static_cast<long long>(y) - sy + kHeight}));
  if (x0 >= x1 || y0 >= y1) return;
  size_t count = static_cast<size_t>(x1 - x0) * sizeof(uint32_t);
  bool upward = &src == this && (y - sy) > 0;  // same surface moving down: copy bottom rows first
  for (int i = 0; i < y1 - y0; ++i) {
    int row = upward ? y1 - 1 - i : y0 + i;
    const uint32_t* s =
        src.pixels_.data() + static_cast<size_t>(row - y + sy) * kWidth + (x0 - x + sx);
    uint32_t* d = pixels_.data() + static_cast<size_t>(row) * kWidth + x0;
    std::memmove(d, s, count);
  }
  changed_ = true;
}

void Surface::StretchBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy, int sw,
                         int sh) {
  if (!Valid() || !src.Valid() || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  if (&src == this) {
    // Overlapping scaled copies read from a snapshot.
    Surface copy;
    copy.pixels_ = pixels_;
    StretchBlt(x, y, w, h, copy, sx, sy, sw, sh);
    return;
  }
  Span xs = Clip(x, w, kWidth);
  Span ys = Clip(y, h, kHeight);
  if (xs.begin >= xs.end || ys.begin >= ys.end) return;
  std::vector<int> columns(static_cast<size_t>(xs.end - xs.begin));
  for (int dx = xs.begin; dx < xs.end; ++dx) {
    columns[dx - xs.begin] = sx + static_cast<int>(static_cast<long long>(dx - x) * sw / w);
  }
  int lastSource = -1;
  int lastRow = -1;
  for (int dy = ys.begin; dy < ys.end; ++dy) {
    int srow = sy + static_cast<int>(static_cast<long long>(dy - y) * sh / h);
    if (srow < 0 || srow >= kHeight) continue;
    uint32_t* d = pixels_.data() + static_cast<size_t>(dy) * kWidth;
    if (srow == lastSource) {
      std::memcpy(d + xs.begin, pixels_.data() + static_cast<size_t>(lastRow) * kWidth + xs.begin,
                  static_cast<size_t>(xs.end - xs.begin) * sizeof(uint32_t));
    } else {
      const uint32_t* s = src.pixels_.data() + static_cast<size_t>(srow) * kWidth;
      bool complete = true;
      for (int dx = xs.begin; dx < xs.end; ++dx) {
        int sc = columns[dx - xs.begin];
        if (sc < 0 || sc >= kWidth) {
          complete = false;
          continue;
        }
        d[dx] = s[sc];
      }
      // A row with skipped pixels is not reused: its gaps hold older content.
      if (complete) {
        lastSource = srow;
        lastRow = dy;
      } else {
        lastSource = -1;
      }
    }
  }
  changed_ = true;
}

int Surface::StretchDIBits(int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                           const DibView& dib) {
  if (!Valid() || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;
  if (dib.bits == nullptr || dib.width <= 0 || dib.height == 0 || dib.compression != BI_RGB)
    return 0;
  const int bpp = dib.bitCount;
  if (bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
  const long long rows = dib.height > 0 ? dib.height : -static_cast<long long>(dib.height);
  const size_t stride = dib.RowStride();

  Span xs = Clip(x, w, kWidth);
  Span ys = Clip(y, h, kHeight);
  if (xs.begin >= xs.end || ys.begin >= ys.end) return 0;

  uint32_t lut[256];
  BuildLookup(dib, lut);
  const ColumnMap columns(xs, x, w, sx, sw, dib.width);
  const int span = columns.span;
  // The memory row of the picture that destination row dy shows, or −1 when
  // it shows none: outside the picture, or beyond the bytes given.
  auto sourceRow = [&](int dy) -> long long {
    const long long up =
        static_cast<long long>(sy) + sh - 1 - (static_cast<long long>(dy) - y) * sh / h;
    if (up < 0 || up >= rows) return -1;
    const long long memRow = dib.height > 0 ? up : rows - 1 - up;
    return static_cast<size_t>(memRow) < dib.bitsSize / stride ? memRow : -1;
  };

  int written = 0;
  long long lastSource = -1;
  int lastRow = -1;
  for (int dy = ys.begin; dy < ys.end; ++dy) {
    const long long memRow = sourceRow(dy);
    if (memRow < 0) continue;
    uint32_t* d = pixels_.data() + static_cast<size_t>(dy) * kWidth + xs.begin;
    ++written;
    if (memRow == lastSource) {
      std::memcpy(d, pixels_.data() + static_cast<size_t>(lastRow) * kWidth + xs.begin,
                  static_cast<size_t>(span) * sizeof(uint32_t));
      continue;
    }
    const uint8_t* s = dib.bits + static_cast<size_t>(memRow) * stride;
    bool complete = true;
    if (bpp == 8 && columns.identity) {
      CopyRow8(s + (xs.begin + columns.shift), lut, d, span);
    } else if (bpp == 8 && columns.doubled) {
      // When the next destination row shows the same source row (a 2:1
      // enlargement), both rows are written in this pass rather than copied
      // afterwards.
      const bool twin = dy + 1 < ys.end && sourceRow(dy + 1) == memRow;
      DoubleRow8(s, lut, columns, d, twin ? d + kWidth : nullptr);
      if (twin) {
        ++dy;
        ++written;
      }
    } else {
      complete = ConvertRow(s, bpp, lut, columns, d);
    }
    // A row with skipped pixels is not reused: its gaps hold older content.
    lastSource = complete ? memRow : -1;
    lastRow = dy;
  }
  if (written > 0) changed_ = true;
  return written;
}

}  // namespace services
