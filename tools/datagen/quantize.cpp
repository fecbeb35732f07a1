#include "tools/datagen/quantize.h"

#include <array>
#include <cmath>
#include <tuple>

namespace datagen {

image::Rgb ToRgb(Col c) {
  auto q = [](float v) { return uint8_t(std::lround(Clamp01(v) * 255.0f)); };
  return {q(c.r), q(c.g), q(c.b)};
}

Col ToCol(image::Rgb c) {
  return {float(c.r) / 255.0f, float(c.g) / 255.0f, float(c.b) / 255.0f};
}

namespace {

struct Point {
  double r, g, b, n;
};

double Distance(double r0, double g0, double b0, double r1, double g1, double b1) {
  double dr = r0 - r1, dg = g0 - g1, db = b0 - b1;
  return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

// Nearest palette colour for each 6-bit-per-channel cell, found on first use.
class Mapper {
 public:
  explicit Mapper(const Palette& palette) : palette_(palette), cache_(1u << 18, -1) {}
  int operator()(float r, float g, float b) {
    auto q = [](float v) { return uint32_t(std::clamp(int(v), 0, 255)) >> 2; };
    uint32_t key = q(r) << 12 | q(g) << 6 | q(b);
    int16_t& hit = cache_[key];
    if (hit < 0) {
      auto centre = [](uint32_t k) { return uint8_t((k << 2) + 2); };
      hit = int16_t(
          Nearest(palette_, {centre(key >> 12), centre((key >> 6) & 63), centre(key & 63)}));
    }
    return hit;
  }

 private:
  const Palette& palette_;
  std::vector<int16_t> cache_;
};

constexpr std::array<int, 64> kBayer = {
    0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26, 12, 44, 4,  36, 14, 46,
    6,  38, 60, 28, 52, 20, 62, 30, 54, 22, 3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27,
    49, 17, 57, 25, 15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};

}  // namespace

float BayerThreshold(int x, int y) {
  return (float(kBayer[size_t((y & 7) * 8 + (x & 7))]) + 0.5f) / 64.0f;
}

int Nearest(const Palette& palette, image::Rgb c) {
  int best = 0;
  double bestD = 1e30;
  for (size_t i = 0; i < palette.size(); ++i) {
    double d = Distance(c.r, c.g, c.b, palette[i].r, palette[i].g, palette[i].b);
    if (d < bestD) {
      bestD = d;
      best = int(i);
    }
  }
  return best;
}

Palette BuildPalette(const std::vector<PaletteSource>& sources, int count,
                     const std::vector<Col>& fixed) {
  std::vector<Point> bins(1u << 15, Point{0, 0, 0, 0});
  for (const PaletteSource& s : sources) {
    for (size_t i = 0; i < s.canvas->px.size(); ++i) {
      if (s.mask && s.mask->a[i] < 0.5f) continue;
      image::Rgb c = ToRgb(s.canvas->px[i]);
      Point& b = bins[size_t(c.r >> 3) << 10 | size_t(c.g >> 3) << 5 | size_t(c.b >> 3)];
      b.r += double(c.r) * s.weight;
      b.g += double(c.g) * s.weight;
      b.b += double(c.b) * s.weight;
      b.n += s.weight;
    }
  }
  std::vector<Point> points;
  for (const Point& b : bins)
    if (b.n > 0) points.push_back({b.r / b.n, b.g / b.n, b.b / b.n, b.n});

  int wanted = count - int(fixed.size());
  std::vector<Point> centres;
  if (int(points.size()) <= wanted) {
    centres = points;
  } else {
    // Median cut: split the box with the largest squared error along its widest channel.
    std::vector<std::vector<int>> boxes(1);
    for (int i = 0; i < int(points.size()); ++i)
      boxes[0].push_back(i);
    auto channel = [&](int i, int axis) {
      return axis == 0   ? points[size_t(i)].r
             : axis == 1 ? points[size_t(i)].g
                         : points[size_t(i)].b;
    };
    auto error = [&](const std::vector<int>& box, int* widest) {
      double n = 0, m[3] = {0, 0, 0}, v[3] = {0, 0, 0};
      for (int i : box) {
        n += points[size_t(i)].n;
        for (int a = 0; a < 3; ++a)
          m[a] += channel(i, a) * points[size_t(i)].n;
      }
      for (double& x : m)
        x /= n;
      for (int i : box)
        for (int a = 0; a < 3; ++a) {
          double d = channel(i, a) - m[a];
          v[a] += d * d * points[size_t(i)].n;
        }
      *widest = v[0] >= v[1] && v[0] >= v[2] ? 0 : v[1] >= v[2] ? 1 : 2;
      return v[0] + v[1] + v[2];
    };
    while (int(boxes.size()) < wanted) {
      int pick = -1, axis = 0;
      double worst = 0;
      for (int b = 0; b < int(boxes.size()); ++b) {
        if (boxes[size_t(b)].size() < 2) continue;
        int a;
        double e = error(boxes[size_t(b)], &a);
        if (e > worst) {
          worst = e;
          pick = b;
          axis = a;
        }
      }
      if (pick < 0) break;
      std::vector<int>& box = boxes[size_t(pick)];
      std::stable_sort(box.begin(), box.end(),
                       [&](int l, int r) { return channel(l, axis) < channel(r, axis); });
      double total = 0, run = 0;
      for (int i : box)
        total += points[size_t(i)].n;
      size_t cut = 1;
      for (size_t k = 0; k + 1 < box.size(); ++k) {
        run += points[size_t(box[k])].n;
        cut = k + 1;
        if (run >= total / 2) break;
      }
      std::vector<int> upper(box.begin() + long(cut), box.end());
      box.resize(cut);
      boxes.push_back(std::move(upper));
    }
    for (const auto& box : boxes) {
      Point c{0, 0, 0, 0};
      for (int i : box) {
        const Point& p = points[size_t(i)];
        c.r += p.r * p.n;
        c.g += p.g * p.n;
        c.b += p.b * p.n;
        c.n += p.n;
      }
      centres.push_back({c.r / c.n, c.g / c.n, c.b / c.n, c.n});
    }
    // k-means refinement with the fixed colours as immovable centres.
    std::vector<Point> all = centres;
    for (Col f : fixed)
      all.push_back({f.r * 255.0, f.g * 255.0, f.b * 255.0, 0});
    for (int iteration = 0; iteration < 5; ++iteration) {
      std::vector<Point> sums(all.size(), Point{0, 0, 0, 0});
      for (const Point& p : points) {
        size_t best = 0;
        double bestD = 1e30;
        for (size_t c = 0; c < all.size(); ++c) {
          double d = Distance(p.r, p.g, p.b, all[c].r, all[c].g, all[c].b);
          if (d < bestD) {
            bestD = d;
            best = c;
          }
        }
        sums[best].r += p.r * p.n;
        sums[best].g += p.g * p.n;
        sums[best].b += p.b * p.n;
        sums[best].n += p.n;
      }
      for (size_t c = 0; c < centres.size(); ++c)
        if (sums[c].n > 0)
          all[c] = {sums[c].r / sums[c].n, sums[c].g / sums[c].n, sums[c].b / sums[c].n, 0};
    }
    for (size_t c = 0; c < centres.size(); ++c)
      centres[c] = all[c];
  }
  Palette out;
  for (const Point& c : centres)
    out.push_back({uint8_t(std::lround(std::clamp(c.r, 0.0, 255.0))),
                   uint8_t(std::lround(std::clamp(c.g, 0.0, 255.0))),
                   uint8_t(std::lround(std::clamp(c.b, 0.0, 255.0)))});
  std::stable_sort(out.begin(), out.end(), [](image::Rgb l, image::Rgb r) {
    int ll = 299 * l.r + 587 * l.g + 114 * l.b, rl = 299 * r.r + 587 * r.g + 114 * r.b;
    if (ll != rl) return ll < rl;
    return std::tie(l.r, l.g, l.b) < std::tie(r.r, r.g, r.b);
  });
  while (int(out.size()) < wanted)
    out.push_back(out.empty() ? image::Rgb{} : out.back());
  for (Col f : fixed)
    out.push_back(ToRgb(f));
  return out;
}

namespace {

// Maps the rectangle (x0, y0, w, h) of the canvas onto the palette. `drawn`
// tells which pixels take part (others get −1 and pass no error on).
std::vector<int> MapRect(const Canvas& canvas, const Palette& palette, int x0, int y0, int w, int h,
                         Dither dither, const std::vector<bool>& drawn) {
  Mapper map(palette);
  std::vector<int> out(size_t(w) * h, -1);
  std::vector<float> work(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Col c = canvas.at(x0 + x, y0 + y);
      float* p = &work[(size_t(y) * w + x) * 3];
      p[0] = Clamp01(c.r) * 255.0f;
      p[1] = Clamp01(c.g) * 255.0f;
      p[2] = Clamp01(c.b) * 255.0f;
    }
  float amplitude = palette.size() <= 16 ? 56.0f : 18.0f;
  for (int y = 0; y < h; ++y) {
    bool reverse = dither == Dither::kDiffusion && (y & 1);
    for (int i = 0; i < w; ++i) {
      int x = reverse ? w - 1 - i : i;
      size_t at = size_t(y) * w + x;
      if (!drawn[at]) continue;
      float* p = &work[at * 3];
      float r = std::clamp(p[0], 0.0f, 255.0f), g = std::clamp(p[1], 0.0f, 255.0f),
            b = std::clamp(p[2], 0.0f, 255.0f);
      int index;
      if (dither == Dither::kOrdered) {
        float t = (BayerThreshold(x0 + x, y0 + y) - 0.5f) * amplitude;
        index = map(r + t, g + t, b + t);
      } else {
        index = map(r + 0.5f, g + 0.5f, b + 0.5f);
      }
      out[at] = index;
      if (dither != Dither::kDiffusion) continue;
      const image::Rgb& q = palette[size_t(index)];
      float e[3] = {r - q.r, g - q.g, b - q.b};
      int dx = reverse ? -1 : 1;
      auto push = [&](int xx, int yy, float k) {
        if (xx < 0 || xx >= w || yy >= h) return;
        size_t t = size_t(yy) * w + xx;
        if (!drawn[t]) return;
        for (int c = 0; c < 3; ++c)
          work[t * 3 + size_t(c)] += e[c] * k;
      };
      push(x + dx, y, 7.0f / 16);
      push(x - dx, y + 1, 3.0f / 16);
      push(x, y + 1, 5.0f / 16);
      push(x + dx, y + 1, 1.0f / 16);
    }
  }
  return out;
}

}  // namespace

image::IndexedPicture Quantize(const Canvas& canvas, const Palette& palette, int colors,
                               Dither dither) {
  image::IndexedPicture picture;
  picture.width = canvas.w;
  picture.height = canvas.h;
  picture.colors = colors;
  picture.palette = palette;
  std::vector<bool> all(canvas.px.size(), true);
  std::vector<int> idx = MapRect(canvas, palette, 0, 0, canvas.w, canvas.h, dither, all);
  picture.pixels.assign(idx.begin(), idx.end());
  return picture;
}

image::DarPattern QuantizePattern(const Canvas& canvas, const Mask& alpha, const Palette& palette,
                                  int x0, int y0, int w, int h, Dither dither, bool ditheredEdge) {
  std::vector<bool> drawn(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float a = alpha.at(x0 + x, y0 + y);
      drawn[size_t(y) * w + x] = ditheredEdge ? a > BayerThreshold(x0 + x, y0 + y) : a >= 0.5f;
    }
  std::vector<int> idx = MapRect(canvas, palette, x0, y0, w, h, dither, drawn);
  image::DarPattern pattern;
  pattern.width = w;
  pattern.height = h;
  pattern.pixels.assign(idx.begin(), idx.end());
  return pattern;
}

}  // namespace datagen
