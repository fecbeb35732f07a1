// Nolu standing, the figure that fades in from white and slides to the left.
#include "tools/datagen/art.h"
#include "tools/datagen/figures.h"
#include "tools/datagen/quantize.h"
#include "tools/datagen/scenery.h"

namespace datagen {

namespace {

// The colour the figure's background fades to: index 255 of the archive's
// table, which fills the whole canvas behind her.
constexpr Col kBackground = Hex(0x161c44);
// Where the pattern is first drawn (her left edge); she stands near the middle.
constexpr int kStartX = 242;
// Background pixels added to the right of every row: the slide moves 8
// pixels a step without clearing, so each row wipes its own previous place.
constexpr int kTrail = 8;

}  // namespace

std::vector<Product> MakeNolu(const Fonts&) {
  const int W = 640, H = 480;
  Canvas c(W, H, kBackground);
  Mask cover = PaintNolu(c, {kStartX + 104.0f, 468}, 440);
  Palette palette = BuildPalette({{&c, &cover, 1.0f}}, 256, {kBackground});
  // Each row is drawn from her first pixel to her last plus the trail, with
  // the background entry where she leaves gaps; everything else transparent.
  int right = 0;
  for (int y = 0; y < H; ++y)
    for (int x = W - 1; x >= kStartX; --x)
      if (cover.at(x, y) >= 0.5f) {
        right = std::max(right, x);
        break;
      }
  int width = right - kStartX + 1 + kTrail;
  Canvas figure(width, H, kBackground);
  Mask drawn(width, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < width; ++x) {
      figure.at(x, y) = c.at(kStartX + x, y);
      drawn.at(x, y) = cover.at(kStartX + x, y);
    }
  image::DarPattern pattern =
      QuantizePattern(figure, drawn, palette, 0, 0, width, H, Dither::kDiffusion);
  // Fill each row's gaps and trail with the background entry.
  const int background = int(palette.size()) - 1;
  for (int y = 0; y < H; ++y) {
    int16_t* row = &pattern.pixels[size_t(y) * width];
    int first = -1, last = -1;
    for (int x = 0; x < width - kTrail; ++x)
      if (row[x] >= 0) {
        if (first < 0) first = x;
        last = x;
      }
    for (int x = first; first >= 0 && x <= last + kTrail; ++x)
      if (row[x] < 0) row[x] = int16_t(background);
  }
  Product p;
  p.name = "nolu.dar";
  p.kind = Product::Kind::kDar;
  for (size_t i = 0; i < palette.size(); ++i) {
    p.archive.colorTable[i * 4] = palette[i].b;
    p.archive.colorTable[i * 4 + 1] = palette[i].g;
    p.archive.colorTable[i * 4 + 2] = palette[i].r;
  }
  p.archive.patterns.push_back(pattern);
  return {p};
}

}  // namespace datagen
