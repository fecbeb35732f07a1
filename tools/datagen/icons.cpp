// Each icon is a square of its program's picture in a gold-rimmed rounded
// square (the round star chart in a circle; Pelia's map under a magnifying
// glass), drawn once at 256 pixels and reduced by area averaging to every
// size, so small icons stay sharp and free of aliasing.
#include "tools/datagen/icons.h"

#include <png.h>

#include <cmath>
#include <filesystem>

#include "tools/datagen/files.h"
#include "tools/datagen/geometry.h"
#include "tools/datagen/quantize.h"
#include "tools/datagen/scenery.h"
#include "tools/manifest/manifest.h"

namespace datagen {

namespace {

constexpr int kMaster = 256;

Col Bilinear(const RgbImage& p, float x, float y) {
  x = std::clamp(x, 0.0f, float(p.width - 1));
  y = std::clamp(y, 0.0f, float(p.height - 1));
  int x0 = std::min(int(x), p.width - 2), y0 = std::min(int(y), p.height - 2);
  float fx = x - float(x0), fy = y - float(y0);
  Col top = Mix(ToCol(p.Get(x0, y0)), ToCol(p.Get(x0 + 1, y0)), fx);
  Col bottom = Mix(ToCol(p.Get(x0, y0 + 1)), ToCol(p.Get(x0 + 1, y0 + 1)), fx);
  return Mix(top, bottom, fy);
}

// The picture's square (x, y, side) on a master canvas, supersampled so that
// a large square is averaged, not skipped through.
Canvas Cut(const RgbImage& p, float x, float y, float side) {
  const float step = side / kMaster;
  const int n = std::max(1, int(std::ceil(step)));
  Canvas out(kMaster, kMaster);
  out.Shade([&](int u, int v, Col) {
    Col sum;
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i)
        sum = sum + Bilinear(p, x + (float(u) + (float(i) + 0.5f) / float(n)) * step - 0.5f,
                             y + (float(v) + (float(j) + 0.5f) / float(n)) * step - 0.5f);
    return sum * (1.0f / float(n * n));
  });
  return out;
}

// The master picture of one icon and its coverage (alpha).
void Draw(const manifest::Icon& icon, const RgbImage& picture, Canvas* canvas, Mask* alpha) {
  const float x = float(icon.x), y = float(icon.y), side = float(icon.side);
  *canvas = Cut(picture, x, y, side);
  const Vec2 mid{kMaster / 2.0f, kMaster / 2.0f};
  Path outline =
      icon.shape == manifest::IconShape::kRound ? Circle(mid, 122) : RoundedBox(6, 6, 250, 250, 44);
  *alpha = Fill(outline, kMaster, kMaster);
  if (icon.shape == manifest::IconShape::kMagnified) {
    // Twice the magnification inside the glass, centred where it stands.
    const Vec2 c{120, 112};
    const float r = 70, half = side / 2;
    const float px = x + c.x * side / kMaster, py = y + c.y * side / kMaster;
    Canvas zoomed = Cut(picture, px - c.x * half / kMaster, py - c.y * half / kMaster, half);
    canvas->PaintWith(Fill(Circle(c, r), kMaster, kMaster),
                      [&](int x, int y) { return zoomed.at(x, y); });
    const Path handle{c + Vec2{r * 0.72f, r * 0.72f}, {222, 214}};
    canvas->Paint(Stroke(handle, 26, false, kMaster, kMaster), look::kInk);
    canvas->Paint(Stroke(handle, 18, false, kMaster, kMaster), look::kEmber);
    canvas->Paint(Stroke(Circle(c, r), 14, true, kMaster, kMaster), look::kInk);
    canvas->Paint(Stroke(Circle(c, r), 9, true, kMaster, kMaster), look::kGold);
  }
  Mask rim = Stroke(outline, 10, true, kMaster, kMaster);
  IntersectWith(rim, *alpha);
  canvas->Paint(rim, look::kGold, 0.9f);
}

// The master reduced to size × size RGBA by area averaging over
// premultiplied colour, so transparent pixels lend no colour to the edge.
std::vector<uint8_t> Reduce(const Canvas& c, const Mask& alpha, int size) {
  const float k = float(kMaster) / float(size);
  std::vector<uint8_t> rgba(size_t(size) * size * 4);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      Col sum;
      float covered = 0, area = 0;
      for (int sy = int(float(y) * k); sy < kMaster && float(sy) < float(y + 1) * k; ++sy)
        for (int sx = int(float(x) * k); sx < kMaster && float(sx) < float(x + 1) * k; ++sx) {
          float wx = std::min(float(sx + 1), float(x + 1) * k) - std::max(float(sx), float(x) * k);
          float wy = std::min(float(sy + 1), float(y + 1) * k) - std::max(float(sy), float(y) * k);
          float w = wx * wy, a = alpha.at(sx, sy) * w;
          sum = sum + c.at(sx, sy) * a;
          covered += a;
          area += w;
        }
      image::Rgb rgb = ToRgb(covered > 0 ? sum * (1.0f / covered) : Col{});
      uint8_t* out = &rgba[(size_t(y) * size + x) * 4];
      out[0] = rgb.r;
      out[1] = rgb.g;
      out[2] = rgb.b;
      out[3] = uint8_t(std::lround(Clamp01(covered / area) * 255.0f));
    }
  return rgba;
}

bool WriteRgbaPng(const std::string& path, int size, const std::vector<uint8_t>& rgba,
                  std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(size);
  image.height = png_uint_32(size);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) {
    *error = "cannot write " + path + ": " + image.message;
    return false;
  }
  return true;
}

}  // namespace

bool WriteIcons(const std::string& programDir, const std::string& outDir,
                const std::string& namePrefix, std::string* error) {
  namespace fs = std::filesystem;
  for (const manifest::Program& program : manifest::Programs()) {
    const std::string source = programDir + "/" + program.PathOf(program.icon.picture);
    auto bytes = ReadBytes(source);
    if (!bytes) {
      *error = "missing " + source;
      return false;
    }
    auto picture = image::DecodeMagBytes(*bytes, error);
    if (!picture) {
      *error = source + ": " + *error;
      return false;
    }
    Canvas canvas;
    Mask alpha;
    Draw(program.icon, ToRgbImage(*picture), &canvas, &alpha);
    for (int size : kIconSizes) {
      const std::string n = std::to_string(size);
      const fs::path dir = fs::path(outDir) / "hicolor" / (n + "x" + n) / "apps";
      std::error_code ec;
      fs::create_directories(dir, ec);
      const std::string file = (dir / (namePrefix + std::string(program.name) + ".png")).string();
      if (!WriteRgbaPng(file, size, Reduce(canvas, alpha, size), error)) return false;
    }
  }
  return true;
}

}  // namespace datagen
