#include "tools/datagen/raster.h"

#include <limits>

namespace datagen {

Col Ramp::operator()(float t) const {
  if (stops.empty()) return {};
  if (t <= stops.front().at) return stops.front().col;
  for (size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].at) {
      const Stop& a = stops[i - 1];
      const Stop& b = stops[i];
      float span = b.at - a.at;
      return span <= 0 ? b.col : Mix(a.col, b.col, (t - a.at) / span);
    }
  }
  return stops.back().col;
}

Affine Affine::Rotate(float radians) {
  float c = std::cos(radians), s = std::sin(radians);
  return {c, -s, s, c, 0, 0};
}

Affine Affine::operator*(const Affine& o) const {
  return {a * o.a + b * o.c, a * o.b + b * o.d,        c * o.a + d * o.c,
          c * o.b + d * o.d, a * o.tx + b * o.ty + tx, c * o.tx + d * o.ty + ty};
}

Path Transformed(const Path& path, const Affine& t) {
  Path out;
  out.reserve(path.size());
  for (Vec2 p : path)
    out.push_back(t(p));
  return out;
}

Shape Transformed(const Shape& shape, const Affine& t) {
  Shape out;
  for (const Path& p : shape)
    out.push_back(Transformed(p, t));
  return out;
}

namespace {

constexpr int kSubRows = 8;

struct Crossing {
  float x;
  int dir;
};

// Adds the span [xa, xb) of one sub-row to the row's coverage, with exact
// fractional coverage at both ends.
void AddSpan(std::vector<float>& cov, float xa, float xb, float weight) {
  int w = int(cov.size());
  xa = std::clamp(xa, 0.0f, float(w));
  xb = std::clamp(xb, 0.0f, float(w));
  if (xb <= xa) return;
  int ia = int(xa), ib = int(xb);
  if (ia == ib) {
    cov[ia] += (xb - xa) * weight;
    return;
  }
  cov[ia] += (float(ia + 1) - xa) * weight;
  for (int i = ia + 1; i < ib; ++i)
    cov[i] += weight;
  if (ib < w) cov[ib] += (xb - float(ib)) * weight;
}

}  // namespace

Mask Fill(const Shape& shape, int w, int h) {
  Mask m(w, h);
  float top = std::numeric_limits<float>::max(), bottom = -top;
  for (const Path& p : shape)
    for (Vec2 v : p) {
      top = std::min(top, v.y);
      bottom = std::max(bottom, v.y);
    }
  if (top > bottom) return m;
  int y0 = std::max(0, int(std::floor(top))), y1 = std::min(h - 1, int(std::ceil(bottom)));
  std::vector<float> cov(static_cast<size_t>(w));
  std::vector<Crossing> xs;
  for (int y = y0; y <= y1; ++y) {
    std::fill(cov.begin(), cov.end(), 0.0f);
    for (int s = 0; s < kSubRows; ++s) {
      float ys = float(y) + (float(s) + 0.5f) / kSubRows;
      xs.clear();
      for (const Path& p : shape) {
        size_t n = p.size();
        for (size_t i = 0; i < n; ++i) {
          Vec2 a = p[i], b = p[(i + 1) % n];
          if (a.y == b.y) continue;
          int dir = b.y > a.y ? 1 : -1;
          float lo = std::min(a.y, b.y), hi = std::max(a.y, b.y);
          if (ys < lo || ys >= hi) continue;
          xs.push_back({a.x + (ys - a.y) / (b.y - a.y) * (b.x - a.x), dir});
        }
      }
      std::sort(xs.begin(), xs.end(), [](const Crossing& l, const Crossing& r) {
        return l.x < r.x || (l.x == r.x && l.dir < r.dir);
      });
      int winding = 0;
      for (size_t i = 0; i + 1 < xs.size(); ++i) {
        winding += xs[i].dir;
        if (winding != 0) AddSpan(cov, xs[i].x, xs[i + 1].x, 1.0f / kSubRows);
      }
    }
    for (int x = 0; x < w; ++x)
      m.at(x, y) = std::min(cov[size_t(x)], 1.0f);
  }
  return m;
}

Mask Fill(const Path& path, int w, int h) {
  return Fill(Shape{path}, w, h);
}

Mask Stroke(const Path& path, float width, bool closed, int w, int h) {
  Mask m(w, h);
  float half = width * 0.5f;
  size_t n = path.size();
  if (n == 0) return m;
  size_t segments = closed ? n : n - 1;
  if (n == 1) segments = 1;
  for (size_t i = 0; i < segments; ++i) {
    Vec2 a = path[i], b = path[(i + 1) % n];
    Vec2 ab = b - a;
    float len2 = Dot(ab, ab);
    int x0 = std::max(0, int(std::floor(std::min(a.x, b.x) - half - 1)));
    int x1 = std::min(w - 1, int(std::ceil(std::max(a.x, b.x) + half + 1)));
    int y0 = std::max(0, int(std::floor(std::min(a.y, b.y) - half - 1)));
    int y1 = std::min(h - 1, int(std::ceil(std::max(a.y, b.y) + half + 1)));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        Vec2 p{float(x) + 0.5f, float(y) + 0.5f};
        float t = len2 > 0 ? std::clamp(Dot(p - a, ab) / len2, 0.0f, 1.0f) : 0.0f;
        float d = Length(p - (a + ab * t));
        float c = Clamp01(half - d + 0.5f);
        if (c > m.at(x, y)) m.at(x, y) = c;
      }
  }
  return m;
}

Mask Stroke(const Shape& shape, float width, int w, int h) {
  Mask m(w, h);
  for (const Path& p : shape)
    UnionInto(m, Stroke(p, width, true, w, h));
  return m;
}

void UnionInto(Mask& into, const Mask& m) {
  for (size_t i = 0; i < into.a.size(); ++i)
    into.a[i] = std::max(into.a[i], m.a[i]);
}
void SubtractFrom(Mask& from, const Mask& m) {
  for (size_t i = 0; i < from.a.size(); ++i)
    from.a[i] = std::min(from.a[i], 1.0f - m.a[i]);
}
void IntersectWith(Mask& into, const Mask& m) {
  for (size_t i = 0; i < into.a.size(); ++i)
    into.a[i] = std::min(into.a[i], m.a[i]);
}
namespace {

// One box-blur pass along rows (stride 1) or columns (stride w).
void BoxPass(std::vector<float>& v, int count, int length, size_t step, size_t lineStep,
             int radius) {
  std::vector<float> line(static_cast<size_t>(length));
  float norm = 1.0f / float(2 * radius + 1);
  for (int l = 0; l < count; ++l) {
    size_t base = size_t(l) * lineStep;
    for (int i = 0; i < length; ++i)
      line[size_t(i)] = v[base + size_t(i) * step];
    float sum = 0;
    for (int i = -radius; i <= radius; ++i)
      if (i >= 0 && i < length) sum += line[size_t(i)];
    for (int i = 0; i < length; ++i) {
      v[base + size_t(i) * step] = sum * norm;
      int out = i - radius, in = i + radius + 1;
      if (out >= 0) sum -= line[size_t(out)];
      if (in < length) sum += line[size_t(in)];
    }
  }
}

// Felzenszwalb's one-dimensional squared distance transform (f finite).
void Edt1(const double* f, double* d, int n, std::vector<int>& v, std::vector<double>& z) {
  auto cross = [&](int q, int p) {
    return ((f[q] + double(q) * q) - (f[p] + double(p) * p)) / double(2 * (q - p));
  };
  const double inf = std::numeric_limits<double>::infinity();
  int k = 0;
  v[0] = 0;
  z[0] = -inf;
  z[1] = inf;
  for (int q = 1; q < n; ++q) {
    double s = cross(q, v[size_t(k)]);
    while (s <= z[size_t(k)])
      s = cross(q, v[size_t(--k)]);
    ++k;
    v[size_t(k)] = q;
    z[size_t(k)] = s;
    z[size_t(k) + 1] = inf;
  }
  k = 0;
  for (int q = 0; q < n; ++q) {
    while (z[size_t(k) + 1] < double(q))
      ++k;
    int p = v[size_t(k)];
    d[q] = double(q - p) * double(q - p) + f[p];
  }
}

// Distance from every pixel to the nearest pixel where `seed` is true.
std::vector<float> DistanceTo(const std::vector<bool>& seed, int w, int h) {
  const double far = 1e12;
  std::vector<double> g(seed.size());
  for (size_t i = 0; i < seed.size(); ++i)
    g[i] = seed[i] ? 0.0 : far;
  int n = std::max(w, h);
  std::vector<double> f(static_cast<size_t>(n)), d(static_cast<size_t>(n)),
      z(static_cast<size_t>(n) + 1);
  std::vector<int> v(static_cast<size_t>(n));
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y)
      f[size_t(y)] = g[size_t(y) * w + x];
    Edt1(f.data(), d.data(), h, v, z);
    for (int y = 0; y < h; ++y)
      g[size_t(y) * w + x] = d[size_t(y)];
  }
  std::vector<float> out(seed.size());
  for (int y = 0; y < h; ++y) {
    std::copy(&g[size_t(y) * w], &g[size_t(y) * w] + w, f.begin());
    Edt1(f.data(), d.data(), w, v, z);
    for (int x = 0; x < w; ++x)
      out[size_t(y) * w + x] = float(std::sqrt(d[size_t(x)]));
  }
  return out;
}

}  // namespace

Mask Blurred(const Mask& m, int radius) {
  Mask out = m;
  if (radius <= 0) return out;
  for (int pass = 0; pass < 3; ++pass) {
    BoxPass(out.a, m.h, m.w, 1, size_t(m.w), radius);
    BoxPass(out.a, m.w, m.h, size_t(m.w), 1, radius);
  }
  return out;
}

std::vector<float> InsideDistance(const Mask& m) {
  std::vector<bool> outside(m.a.size());
  for (size_t i = 0; i < m.a.size(); ++i)
    outside[i] = m.a[i] < 0.5f;
  return DistanceTo(outside, m.w, m.h);
}

Mask Grown(const Mask& m, float radius) {
  std::vector<bool> inside(m.a.size());
  for (size_t i = 0; i < m.a.size(); ++i)
    inside[i] = m.a[i] >= 0.5f;
  std::vector<float> d = DistanceTo(inside, m.w, m.h);
  Mask out(m.w, m.h);
  for (size_t i = 0; i < d.size(); ++i)
    out.a[i] = std::max(m.a[i], Clamp01(radius - d[i] + 0.5f));
  return out;
}

void Canvas::Paint(const Mask& m, Col c, float opacity) {
  for (size_t i = 0; i < px.size(); ++i) {
    float k = std::min(m.a[i] * opacity, 1.0f);
    if (k > 0) px[i] = Mix(px[i], c, k);
  }
}

void Canvas::AddLight(const Mask& m, Col c, float strength) {
  for (size_t i = 0; i < px.size(); ++i)
    if (m.a[i] > 0) px[i] = px[i] + c * (m.a[i] * strength);
}

void Canvas::Glow(Vec2 centre, float radius, Col c, float strength) {
  int r = int(std::ceil(radius * 3));
  int x0 = std::max(0, int(centre.x) - r), x1 = std::min(w - 1, int(centre.x) + r);
  int y0 = std::max(0, int(centre.y) - r), y1 = std::min(h - 1, int(centre.y) + r);
  float k = -1.0f / (2 * radius * radius);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      float dx = float(x) + 0.5f - centre.x, dy = float(y) + 0.5f - centre.y;
      at(x, y) = at(x, y) + c * (strength * std::exp((dx * dx + dy * dy) * k));
    }
}

void Canvas::Blit(const Canvas& src, int x, int y) {
  for (int sy = 0; sy < src.h; ++sy) {
    int dy = y + sy;
    if (dy < 0 || dy >= h) continue;
    for (int sx = 0; sx < src.w; ++sx) {
      int dx = x + sx;
      if (dx >= 0 && dx < w) at(dx, dy) = src.at(sx, sy);
    }
  }
}

}  // namespace datagen
