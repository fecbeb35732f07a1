#include "services/message_box_paint.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace services::msgbox {

namespace {

// The Windows 95 standard colours.
constexpr uint32_t kFace = 0xC0C0C0;
constexpr uint32_t kHighlight = 0xFFFFFF;
constexpr uint32_t kLight = 0xDFDFDF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDark = 0x000000;
constexpr uint32_t kCaptionBar = 0x000080;
constexpr uint32_t kCaptionText = 0xFFFFFF;
constexpr uint32_t kText = 0x000000;

// One-pixel-wide (times `s`) edge: top and left in `topLeft`, bottom and
// right in `bottomRight`.
void Edge(Pixels& p, Rect r, int s, uint32_t topLeft, uint32_t bottomRight) {
  p.Fill(Rect{r.x, r.y, r.w, s}, topLeft);
  p.Fill(Rect{r.x, r.y, s, r.h}, topLeft);
  p.Fill(Rect{r.x, r.y + r.h - s, r.w, s}, bottomRight);
  p.Fill(Rect{r.x + r.w - s, r.y, s, r.h}, bottomRight);
}

Rect Inset(Rect r, int by) {
  return Rect{r.x + by, r.y + by, r.w - 2 * by, r.h - 2 * by};
}

// A raised button face: white and light grey above and left, grey and black
// below and right.
void RaisedButton(Pixels& p, Rect r, int s) {
  p.Fill(r, kFace);
  Edge(p, r, s, kHighlight, kDark);
  Edge(p, Inset(r, s), s, kLight, kShadow);
}

// Dotted rectangle of the keyboard focus: every other dot, dots `s` wide.
void FocusRect(Pixels& p, Rect r, int s) {
  for (int i = 0; i < r.w; i += 2 * s) {
    p.Fill(Rect{r.x + i, r.y, s, s}, kDark);
    p.Fill(Rect{r.x + i, r.y + r.h - s, s, s}, kDark);
  }
  for (int j = 0; j < r.h; j += 2 * s) {
    p.Fill(Rect{r.x, r.y + j, s, s}, kDark);
    p.Fill(Rect{r.x + r.w - s, r.y + j, s, s}, kDark);
  }
}

// The close control's cross, 8×7 dots.
void CloseCross(Pixels& p, int x, int y, int s, uint32_t colour) {
  static const char* const kRows[] = {"##....##", ".##..##.", "..####..", "...##...",
                                      "..####..", ".##..##.", "##....##"};
  for (int j = 0; j < 7; ++j) {
    for (int i = 0; i < 8; ++i) {
      if (kRows[j][i] == '#') p.Fill(Rect{x + i * s, y + j * s, s, s}, colour);
    }
  }
}

// ---- Icons: shapes on a 32-unit square, drawn with 4×4 samples a pixel ----

using Shape = std::function<bool(double x, double y)>;

Shape Disc(double cx, double cy, double r) {
  return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape Oval(double cx, double cy, double rx, double ry) {
  return [=](double x, double y) {
    const double u = (x - cx) / rx, v = (y - cy) / ry;
    return u * u + v * v <= 1.0;
  };
}

// Points within r of the segment a–b: a stroke with round ends.
Shape Stroke(double ax, double ay, double bx, double by, double r) {
  return [=](double x, double y) {
    const double dx = bx - ax, dy = by - ay;
    double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    const double ex = x - (ax + t * dx), ey = y - (ay + t * dy);
    return ex * ex + ey * ey <= r * r;
  };
}

// A triangle given clockwise (y down).
Shape Triangle(double ax, double ay, double bx, double by, double cx, double cy) {
  return [=](double x, double y) {
    auto side = [&](double px, double py, double qx, double qy) {
      return (qx - px) * (y - py) - (qy - py) * (x - px) >= 0;
    };
    return side(ax, ay, bx, by) && side(bx, by, cx, cy) && side(cx, cy, ax, ay);
  };
}

// A ring of mid radius r and half width w around (cx, cy), from angle `from`
// clockwise to `to` (degrees, 0 = right, 90 = down).
Shape Arc(double cx, double cy, double r, double w, double from, double to) {
  return [=](double x, double y) {
    const double d = std::hypot(x - cx, y - cy);
    if (d < r - w || d > r + w) return false;
    double a = std::atan2(y - cy, x - cx) * 180.0 / std::numbers::pi;
    while (a < from)
      a += 360.0;
    return a <= to;
  };
}

struct Layer {
  Shape shape;
  uint32_t colour;
};

uint32_t Mix(uint32_t under, uint32_t over, int alpha) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>((under >> shift) & 0xFF);
    const int b = static_cast<int>((over >> shift) & 0xFF);
    out |= static_cast<uint32_t>((a * (255 - alpha) + b * alpha + 127) / 255) << shift;
  }
  return out;
}

void DrawLayers(Pixels& p, const std::vector<Layer>& layers, int x0, int y0, int size) {
  constexpr int kSamples = 4;
  const double unit = 32.0 / size;
  for (const Layer& layer : layers) {
    for (int j = 0; j < size; ++j) {
      for (int i = 0; i < size; ++i) {
        int inside = 0;
        for (int sj = 0; sj < kSamples; ++sj) {
          for (int si = 0; si < kSamples; ++si) {
            const double x = (i + (si + 0.5) / kSamples) * unit;
            const double y = (j + (sj + 0.5) / kSamples) * unit;
            if (layer.shape(x, y)) ++inside;
          }
        }
        if (inside > 0) {
          p.Blend(x0 + i, y0 + j, layer.colour, inside * 255 / (kSamples * kSamples));
        }
      }
    }
  }
}

// The speech balloon of the question and information icons.
std::vector<Layer> Balloon() {
  return {{Oval(16, 13.5, 15, 12.5), kDark},
          {Triangle(7, 21, 14, 24, 4, 31.5), kDark},
          {Triangle(8.5, 21, 12.5, 23, 6, 28.8), kHighlight},
          {Oval(16, 13.5, 13.8, 11.3), kHighlight}};
}

}  // namespace

void Pixels::Fill(Rect r, uint32_t colour) {
  const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
  const int x1 = std::min(r.x + r.w, width), y1 = std::min(r.y + r.h, height);
  for (int y = y0; y < y1; ++y)
    std::fill(data.begin() + static_cast<ptrdiff_t>(y) * width + x0,
              data.begin() + static_cast<ptrdiff_t>(y) * width + x1, colour);
}

void Pixels::Blend(int x, int y, uint32_t colour, int alpha) {
  if (x < 0 || y < 0 || x >= width || y >= height || alpha <= 0) return;
  uint32_t& at = data[static_cast<size_t>(y) * width + x];
  at = Mix(at, colour, std::min(alpha, 255));
}

void PaintIcon(Pixels& into, Icon icon, int x, int y, int size) {
  constexpr uint32_t kRed = 0xFF0000, kDarkRed = 0x800000, kYellow = 0xFFFF00, kBlue = 0x0000FF;
  std::vector<Layer> layers;
  switch (icon) {
    case Icon::kNone:
      return;
    case Icon::kStop:
      layers = {{Disc(16, 16, 15.5), kDarkRed},
                {Disc(16, 16, 14.3), kRed},
                {Stroke(10.5, 10.5, 21.5, 21.5, 2.1), kHighlight},
                {Stroke(21.5, 10.5, 10.5, 21.5, 2.1), kHighlight}};
      break;
    case Icon::kExclamation:
      layers = {{Triangle(16, 0.5, 31.5, 29.5, 0.5, 29.5), kDark},
                {Triangle(16, 3.3, 29.1, 28.2, 2.9, 28.2), kYellow},
                {Stroke(16, 10.5, 16, 19.5, 1.9), kDark},
                {Disc(16, 24.2, 2.0), kDark}};
      break;
    case Icon::kQuestion:
      layers = Balloon();
      layers.push_back({Arc(16, 9.2, 3.9, 1.6, 180, 420), kBlue});
      layers.push_back({Disc(12.1, 9.2, 1.6), kBlue});
      layers.push_back({Stroke(17.95, 12.6, 16, 15.2, 1.6), kBlue});
      layers.push_back({Stroke(16, 15.2, 16, 16.4, 1.6), kBlue});
      layers.push_back({Disc(16, 20.6, 1.9), kBlue});
      break;
    case Icon::kInformation:
      layers = Balloon();
      layers.push_back({Disc(16, 6.6, 2.0), kBlue});
      layers.push_back({Stroke(16, 11, 16, 20.5, 1.8), kBlue});
      layers.push_back({Stroke(13.5, 11, 16, 11, 1.0), kBlue});
      layers.push_back({Stroke(13, 20.8, 19, 20.8, 1.1), kBlue});
      break;
  }
  DrawLayers(into, layers, x, y, size);
}

void Paint(Pixels& into, const Layout& l, size_t focus, int pushed, TextPainter& text) {
  const int s = l.scale;
  const Rect whole{0, 0, l.width, l.height};
  into.Fill(whole, kFace);
  // The raised window edge, the third line of it in the face colour.
  Edge(into, whole, s, kLight, kDark);
  Edge(into, Inset(whole, s), s, kHighlight, kShadow);

  into.Fill(l.caption, kCaptionBar);
  text.Draw(into, l.captionText.text, l.captionText.x, l.captionText.y, kCaptionText, true);
  RaisedButton(into, l.closeControl, s);
  const int crossX =
      l.closeControl.x + (l.closeControl.w - 8 * s) / 2 - (pushed == kCloseControl ? 0 : s / 2);
  const int crossY = l.closeControl.y + (l.closeControl.h - 7 * s) / 2;
  if (pushed == kCloseControl) {
    into.Fill(l.closeControl, kFace);
    Edge(into, l.closeControl, s, kDark, kHighlight);
    Edge(into, Inset(l.closeControl, s), s, kShadow, kLight);
    CloseCross(into, crossX + s, crossY + s, s, kDark);
  } else if (l.closeEnabled) {
    CloseCross(into, crossX, crossY, s, kDark);
  } else {
    CloseCross(into, crossX + s, crossY + s, s, kHighlight);
    CloseCross(into, crossX, crossY, s, kShadow);
  }

  if (l.icon != Icon::kNone) PaintIcon(into, l.icon, l.iconRect.x, l.iconRect.y, l.iconRect.w);
  for (const PlacedText& line : l.lines)
    text.Draw(into, line.text, line.x, line.y, kText, false);

  for (size_t i = 0; i < l.buttons.size(); ++i) {
    const PlacedButton& b = l.buttons[i];
    const bool isFocus = i == focus;
    const bool isPushed = pushed == static_cast<int>(i);
    Rect face = b.rect;
    if (isFocus) {
      // The default button (it follows the focus) has a black outline.
      Edge(into, face, s, kDark, kDark);
      face = Inset(face, s);
    }
    if (isPushed) {
      into.Fill(face, kFace);
      Edge(into, face, s, kShadow, kShadow);
    } else {
      RaisedButton(into, face, s);
    }
    const int shift = isPushed ? s : 0;
    const int labelX = b.rect.x + (b.rect.w - text.Width(b.label, false)) / 2 + shift;
    const int labelY = b.rect.y + (b.rect.h - l.lineHeight) / 2 + shift;
    text.Draw(into, b.label, labelX, labelY, kText, false);
    if (isFocus) FocusRect(into, Inset(b.rect, 4 * s), s);
  }
}

}  // namespace services::msgbox
