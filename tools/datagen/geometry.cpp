#include "tools/datagen/geometry.h"

namespace datagen {

Path Ellipse(Vec2 c, float rx, float ry, int segments) {
  Path p;
  for (int i = 0; i < segments; ++i) {
    float a = 2 * kPi * float(i) / float(segments);
    p.push_back({c.x + rx * std::cos(a), c.y + ry * std::sin(a)});
  }
  return p;
}

Path Circle(Vec2 c, float r, int segments) {
  return Ellipse(c, r, r, segments);
}

Path Box(float x0, float y0, float x1, float y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

Path RoundedBox(float x0, float y0, float x1, float y1, float r, int n) {
  Path p;
  Vec2 corners[4] = {{x1 - r, y0 + r}, {x1 - r, y1 - r}, {x0 + r, y1 - r}, {x0 + r, y0 + r}};
  float start[4] = {-kPi / 2, 0, kPi / 2, kPi};
  for (int c = 0; c < 4; ++c)
    for (int i = 0; i <= n; ++i) {
      float a = start[c] + kPi / 2 * float(i) / float(n);
      p.push_back({corners[c].x + r * std::cos(a), corners[c].y + r * std::sin(a)});
    }
  return p;
}

Path Star(Vec2 c, float outer, float inner, int points, float rotation) {
  Path p;
  for (int i = 0; i < points * 2; ++i) {
    float a = rotation - kPi / 2 + kPi * float(i) / float(points);
    float r = (i % 2 == 0) ? outer : inner;
    p.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
  }
  return p;
}

Path Arc(Vec2 c, float r, float a0, float a1, int segments) {
  Path p;
  for (int i = 0; i <= segments; ++i) {
    float a = a0 + (a1 - a0) * float(i) / float(segments);
    p.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
  }
  return p;
}

namespace {

Vec2 CatmullRom(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, float t) {
  float t2 = t * t, t3 = t2 * t;
  return (p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2 +
          (p1 * 3 - p0 - p2 * 3 + p3) * t3) *
         0.5f;
}

}  // namespace

Path SmoothClosed(const Path& k, int steps) {
  Path p;
  size_t n = k.size();
  for (size_t i = 0; i < n; ++i)
    for (int s = 0; s < steps; ++s)
      p.push_back(CatmullRom(k[(i + n - 1) % n], k[i], k[(i + 1) % n], k[(i + 2) % n],
                             float(s) / float(steps)));
  return p;
}

Path SmoothOpen(const Path& k, int steps) {
  Path p;
  size_t n = k.size();
  if (n < 2) return k;
  for (size_t i = 0; i + 1 < n; ++i) {
    Vec2 p0 = i == 0 ? k[0] * 2 - k[1] : k[i - 1];
    Vec2 p3 = i + 2 < n ? k[i + 2] : k[n - 1] * 2 - k[n - 2];
    for (int s = 0; s < steps; ++s)
      p.push_back(CatmullRom(p0, k[i], k[i + 1], p3, float(s) / float(steps)));
  }
  p.push_back(k[n - 1]);
  return p;
}

Path QuadCurve(Vec2 a, Vec2 c, Vec2 b, int steps) {
  Path p;
  for (int i = 0; i <= steps; ++i) {
    float t = float(i) / float(steps), u = 1 - t;
    p.push_back(a * (u * u) + c * (2 * u * t) + b * (t * t));
  }
  return p;
}

Path CubicCurve(Vec2 a, Vec2 c1, Vec2 c2, Vec2 b, int steps) {
  Path p;
  for (int i = 0; i <= steps; ++i) {
    float t = float(i) / float(steps), u = 1 - t;
    p.push_back(a * (u * u * u) + c1 * (3 * u * u * t) + c2 * (3 * u * t * t) + b * (t * t * t));
  }
  return p;
}

Path Reversed(Path p) {
  std::reverse(p.begin(), p.end());
  return p;
}

Shape Ring(Vec2 c, float outer, float inner, int segments) {
  return {Circle(c, outer, segments), Reversed(Circle(c, inner, segments))};
}

Path TaperedStroke(const Path& spine, float w0, float w1) {
  size_t n = spine.size();
  if (n < 2) return {};
  Path left, right;
  for (size_t i = 0; i < n; ++i) {
    Vec2 d = spine[std::min(i + 1, n - 1)] - spine[i == 0 ? 0 : i - 1];
    float len = Length(d);
    Vec2 normal = len > 0 ? Vec2{-d.y / len, d.x / len} : Vec2{0, 0};
    float half = 0.5f * (w0 + (w1 - w0) * float(i) / float(n - 1));
    left.push_back(spine[i] + normal * half);
    right.push_back(spine[i] - normal * half);
  }
  Path out = left;
  for (size_t i = n; i-- > 0;)
    out.push_back(right[i]);
  return out;
}

float PathYAt(const Path& p, float x) {
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    Vec2 a = p[i], b = p[i + 1];
    if ((x >= a.x && x <= b.x) || (x >= b.x && x <= a.x))
      return a.x == b.x ? a.y : a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
  }
  return p.empty() ? 0 : p.back().y;
}

}  // namespace datagen
