#include "tools/zelkimg/reduce.h"

#include <algorithm>

namespace zelkimg {

// Positions are counted in parts of a pixel: source column x covers
// [x × width, (x + 1) × width) and target column d [d × sourceWidth,
// (d + 1) × sourceWidth), so every overlap is a whole number; rows alike.
Reducer::Reducer(int sourceWidth, int sourceHeight, int width, int height,
                 const image::Rgb* palette, uint8_t* out, size_t stride, bool alpha)
    : sourceHeight_(sourceHeight),
      width_(width),
      height_(height),
      palette_(palette),
      out_(out),
      stride_(stride),
      alpha_(alpha),
      copy_(width == sourceWidth && height == sourceHeight),
      row_(width + 1),
      current_(width + 1),
      below_(width + 1),
      from_(width),
      to_(0) {
  for (int64_t x = 0; x < sourceWidth; ++x) {
    const int64_t start = x * width, end = start + width;
    const int to = static_cast<int>(start / sourceWidth);
    const auto weight =
        static_cast<uint32_t>(std::min<int64_t>(end, (to + 1) * int64_t{sourceWidth}) - start);
    spans_.push_back(Span{to, weight, static_cast<uint32_t>(width - weight), 0});
  }
  for (int x = sourceWidth - 1, end = sourceWidth; x >= 0; --x) {
    const bool joins =
        x + 1 < sourceWidth && spans_[x + 1].to == spans_[x].to && spans_[x + 1].next == 0;
    end = joins ? end : x + 1;
    spans_[x].wholeEnd = end;
  }
}

void Reducer::Add(int x, const uint8_t* indices, int count) {
  if (count <= 0) return;
  if (copy_) {
    uint8_t* p =
        out_ + static_cast<size_t>(y_) * stride_ + static_cast<size_t>(x) * (alpha_ ? 4 : 3);
    for (const uint8_t* end = indices + count; indices < end; ++indices, p += alpha_ ? 4 : 3) {
      const image::Rgb c = palette_[*indices];
      p[0] = c.r, p[1] = c.g, p[2] = c.b;
      if (alpha_) p[3] = 255;
    }
    return;
  }
  const int end = x + count;
  from_ = std::min(from_, spans_[x].to);
  to_ = std::max(to_, spans_[end - 1].to + 2);
  while (x < end) {
    const Span s = spans_[x];
    if (s.next == 0) {  // pixels wholly in one target column: summed, then weighed once
      uint64_t r = 0, g = 0, b = 0;
      const int stop = std::min(end, s.wholeEnd);
      const uint64_t n = stop - x;
      for (; x < stop; ++x, ++indices) {
        const image::Rgb c = palette_[*indices];
        r += c.r, g += c.g, b += c.b;
      }
      Sum& a = row_[s.to];
      a.r += r * s.weight, a.g += g * s.weight, a.b += b * s.weight, a.n += n * s.weight;
      continue;
    }
    const image::Rgb c = palette_[*indices++];  // a pixel split between two columns
    for (auto [d, w] :
         {std::pair{s.to, uint64_t{s.weight}}, std::pair{s.to + 1, uint64_t{s.next}}}) {
      Sum& a = row_[d];
      a.r += w * c.r, a.g += w * c.g, a.b += w * c.b, a.n += w;
    }
    ++x;
  }
}

void Reducer::EndRow() {
  if (copy_) {
    ++y_;
    return;
  }
  const int64_t start = int64_t{y_} * height_;
  const int r = static_cast<int>(start / sourceHeight_);
  if (r > r_) {  // a source row never spans more than two target rows
    Put(r_, current_);
    current_.swap(below_);
    std::fill(below_.begin(), below_.end(), Sum{});
    r_ = r;
  }
  const auto v = static_cast<uint64_t>(
      std::min<int64_t>(start + height_, (r + 1) * int64_t{sourceHeight_}) - start);
  const uint64_t next = height_ - v;
  for (int d = from_; d < to_; ++d) {
    const Sum s = row_[d];
    current_[d] = {current_[d].r + s.r * v, current_[d].g + s.g * v, current_[d].b + s.b * v,
                   current_[d].n + s.n * v};
    below_[d] = {below_[d].r + s.r * next, below_[d].g + s.g * next, below_[d].b + s.b * next,
                 below_[d].n + s.n * next};
    row_[d] = Sum{};
  }
  from_ = width_, to_ = 0;
  if (++y_ == sourceHeight_) Put(r_, current_);
}

void Reducer::Put(int row, const std::vector<Sum>& sums) {
  const uint64_t area = static_cast<uint64_t>(spans_.size()) * sourceHeight_;
  uint8_t* p = out_ + static_cast<size_t>(row) * stride_;
  for (int d = 0; d < width_; ++d, p += alpha_ ? 4 : 3) {
    const Sum s = sums[d];
    if (s.n == 0) {
      std::fill_n(p, alpha_ ? 4 : 3, 0);
      continue;
    }
    p[0] = static_cast<uint8_t>((s.r + s.n / 2) / s.n);
    p[1] = static_cast<uint8_t>((s.g + s.n / 2) / s.n);
    p[2] = static_cast<uint8_t>((s.b + s.n / 2) / s.n);
    if (alpha_) p[3] = static_cast<uint8_t>((255 * s.n + area / 2) / area);
  }
}

}  // namespace zelkimg
