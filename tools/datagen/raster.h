// The drawing kit of the data-set generator: floating-point RGB canvases,
// coverage masks, polygon shapes filled with anti-aliased edges, strokes,
// blurs and distance fields. Everything is deterministic: no randomness here,
// and every loop runs in a fixed order.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace datagen {

// A colour in sRGB, each channel 0 … 1 (values outside are clamped on output).
struct Col {
  float r = 0, g = 0, b = 0;
  Col operator+(Col o) const { return {r + o.r, g + o.g, b + o.b}; }
  Col operator-(Col o) const { return {r - o.r, g - o.g, b - o.b}; }
  Col operator*(float k) const { return {r * k, g * k, b * k}; }
  Col operator*(Col o) const { return {r * o.r, g * o.g, b * o.b}; }
};

constexpr Col Hex(uint32_t rgb) {
  return {float((rgb >> 16) & 255) / 255.0f, float((rgb >> 8) & 255) / 255.0f,
          float(rgb & 255) / 255.0f};
}
inline Col Mix(Col a, Col b, float t) {
  return a + (b - a) * t;
}
inline float Clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}
inline float Smooth(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// A colour ramp: stops at positions 0 … 1, sampled with linear interpolation.
struct Ramp {
  struct Stop {
    float at;
    Col col;
  };
  std::vector<Stop> stops;
  Col operator()(float t) const;
};

struct Vec2 {
  float x = 0, y = 0;
  Vec2 operator+(Vec2 o) const { return {x + o.x, y + o.y}; }
  Vec2 operator-(Vec2 o) const { return {x - o.x, y - o.y}; }
  Vec2 operator*(float k) const { return {x * k, y * k}; }
};
inline float Dot(Vec2 a, Vec2 b) {
  return a.x * b.x + a.y * b.y;
}
inline float Length(Vec2 a) {
  return std::sqrt(a.x * a.x + a.y * a.y);
}
inline Vec2 Lerp(Vec2 a, Vec2 b, float t) {
  return a + (b - a) * t;
}

using Path = std::vector<Vec2>;   // one closed contour (or an open line)
using Shape = std::vector<Path>;  // contours combined by the non-zero rule

// Placement of a design drawn in its own coordinates: p' = (x·a + y·b + tx, x·c + y·d + ty).
struct Affine {
  float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  static Affine Translate(float x, float y) { return {1, 0, 0, 1, x, y}; }
  static Affine Scale(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }
  static Affine Rotate(float radians);
  Vec2 operator()(Vec2 p) const { return {p.x * a + p.y * b + tx, p.x * c + p.y * d + ty}; }
  // This transform applied after `inner`.
  Affine operator*(const Affine& inner) const;
};
Path Transformed(const Path& path, const Affine& t);
Shape Transformed(const Shape& shape, const Affine& t);

// Coverage of each pixel, 0 … 1, over a whole canvas-sized grid.
class Mask {
 public:
  Mask() = default;
  Mask(int width, int height) : w(width), h(height), a(size_t(width) * height, 0.0f) {}
  float& at(int x, int y) { return a[size_t(y) * w + x]; }
  float at(int x, int y) const { return a[size_t(y) * w + x]; }
  int w = 0, h = 0;
  std::vector<float> a;
};

// Shape filling and mask algebra.
Mask Fill(const Shape& shape, int w, int h);
Mask Fill(const Path& path, int w, int h);
// A stroke of the given width along a path (closed: back to the first point).
Mask Stroke(const Path& path, float width, bool closed, int w, int h);
Mask Stroke(const Shape& shape, float width, int w, int h);
void UnionInto(Mask& into, const Mask& m);
void SubtractFrom(Mask& from, const Mask& m);
void IntersectWith(Mask& into, const Mask& m);
// Box blur applied three times: close to a Gaussian of that radius.
Mask Blurred(const Mask& m, int radius);
// Euclidean distance from each pixel to the nearest pixel outside the mask
// (coverage below 0.5): 0 outside, growing inwards.
std::vector<float> InsideDistance(const Mask& m);
// Coverage of everything within `radius` pixels of the mask.
Mask Grown(const Mask& m, float radius);

class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height, Col fill = {})
      : w(width), h(height), px(size_t(width) * height, fill) {}
  Col& at(int x, int y) { return px[size_t(y) * w + x]; }
  Col at(int x, int y) const { return px[size_t(y) * w + x]; }

  // Every pixel from a function of its position.
  template <class F>
  void Shade(F f) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        at(x, y) = f(x, y, at(x, y));
  }
  // Covers the mask's pixels with a colour (or a colour function of x, y).
  void Paint(const Mask& m, Col c, float opacity = 1.0f);
  template <class F>
  void PaintWith(const Mask& m, F f, float opacity = 1.0f) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        float k = m.at(x, y) * opacity;
        if (k > 0) at(x, y) = Mix(at(x, y), f(x, y), std::min(k, 1.0f));
      }
  }
  // Adds light: colour × coverage × strength.
  void AddLight(const Mask& m, Col c, float strength = 1.0f);
  // A soft radial light (Gaussian of the given radius) added at a point.
  void Glow(Vec2 centre, float radius, Col c, float strength = 1.0f);
  // Copies another canvas in at (x, y), clipped.
  void Blit(const Canvas& src, int x, int y);

  int w = 0, h = 0;
  std::vector<Col> px;
};

}  // namespace datagen
