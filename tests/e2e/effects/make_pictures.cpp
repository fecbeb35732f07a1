// Writes the effect programs' pictures into a folder, so that the end-to-end
// tests run without the generated data set: pelia.mag, red.mag and water.mag
// (320×240), kaiten.mag (840×840), waters.mag (160×120), all 256 colours with
// fine detail so that every effect visibly moves.
// Usage: effect_pictures DIR [NAME…]   (NAME limits the output to those files)
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <numbers>
#include <set>
#include <string>

#include "image/codecs.h"

namespace {

// A colour wheel: hue by index, brighter in the upper half.
std::vector<image::Rgb> Palette() {
  std::vector<image::Rgb> p;
  for (int i = 0; i < 256; ++i) {
    const double h = i * 6.0 / 256;
    const double f = h - std::floor(h);
    const uint8_t hi = i < 128 ? 200 : 255, lo = 30;
    const auto mix = [&](double t) { return static_cast<uint8_t>(lo + (hi - lo) * t); };
    switch (static_cast<int>(h)) {
      case 0:
        p.push_back({hi, mix(f), lo});
        break;
      case 1:
        p.push_back({mix(1 - f), hi, lo});
        break;
      case 2:
        p.push_back({lo, hi, mix(f)});
        break;
      case 3:
        p.push_back({lo, mix(1 - f), hi});
        break;
      case 4:
        p.push_back({mix(f), lo, hi});
        break;
      default:
        p.push_back({hi, lo, mix(1 - f)});
        break;
    }
  }
  return p;
}

bool Write(const std::string& dir, const std::string& name, int w, int h,
           const std::function<int(int, int)>& index) {
  image::IndexedPicture pic;
  pic.width = w;
  pic.height = h;
  pic.palette = Palette();
  pic.pixels.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      pic.pixels[static_cast<size_t>(y) * w + x] = index(x, y) & 255;
  }
  std::string error;
  const std::vector<uint8_t> bytes = image::EncodeMag(pic, &error);
  std::ofstream out(dir + "/" + name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (bytes.empty() || !out) {
    std::fprintf(stderr, "effect_pictures: cannot write %s/%s %s\n", dir.c_str(), name.c_str(),
                 error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: effect_pictures DIR [NAME...]\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::set<std::string> only(argv + 2, argv + argc);
  const auto want = [&](const char* name) { return only.empty() || only.count(name) > 0; };
  bool ok = true;
  if (want("pelia.mag")) {
    ok &= Write(dir, "pelia.mag", 320, 240, [](int x, int y) {
      return (x % 16 == 0 || y % 16 == 0) ? 250 : ((x / 16 + y / 16) % 2 ? x + y : 3 * x - y);
    });
  }
  if (want("kaiten.mag")) {
    ok &= Write(dir, "kaiten.mag", 840, 840, [](int x, int y) {
      const double r = std::hypot(x - 420, y - 420);
      const int sector = static_cast<int>((std::atan2(y - 420, x - 420) + std::numbers::pi) * 8 /
                                          std::numbers::pi);
      return static_cast<int>(r / 12) * 37 + sector * 11;
    });
  }
  if (want("red.mag")) ok &= Write(dir, "red.mag", 320, 240, [](int x, int y) { return x + y; });
  if (want("water.mag")) {
    ok &= Write(dir, "water.mag", 320, 240, [](int x, int y) { return 128 + y / 3 + x / 20; });
  }
  if (want("waters.mag")) {
    ok &= Write(dir, "waters.mag", 160, 120, [](int x, int y) { return x * 5 + (y / 4) * 40; });
  }
  return ok ? 0 : 1;
}
