// The contact sheet: every picture and pattern of a generated data set, read
// back from the files with the tool-side decoders, on one PNG for reviewers,
// with the theme's loudness over time and its scene marks at the bottom.
#include <cmath>
#include <filesystem>

#include "tools/datagen/dataset.h"
#include "tools/datagen/quantize.h"
#include "tools/datagen/scenery.h"
#include "tools/datagen/synth.h"
#include "tools/manifest/manifest.h"

namespace datagen {

namespace {

struct Entry {
  std::string label;
  RgbImage picture;
  bool pattern = false;
};

bool EndsWith(const std::string& s, const char* tail) {
  std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

bool Load(const std::string& path, const std::string& name, std::vector<Entry>* out,
          std::string* error) {
  auto bytes = ReadBytes(path);
  if (!bytes) {
    *error = "missing " + path;
    return false;
  }
  if (EndsWith(name, ".mag")) {
    auto pic = image::DecodeMagBytes(*bytes, error);
    if (!pic) return false;
    const char* depth = pic->colors == 16 ? "16 colours" : "256 colours";
    out->push_back({name + "  " + std::to_string(pic->width) + "×" + std::to_string(pic->height) +
                        ", " + depth,
                    ToRgbImage(*pic)});
  } else if (EndsWith(name, ".bmp")) {
    auto pic = DecodeBmp24(*bytes);
    if (!pic) {
      *error = name + " is not a 24-bit BMP";
      return false;
    }
    out->push_back(
        {name + "  " + std::to_string(pic->width) + "×" + std::to_string(pic->height) + ", 24 bits",
         *pic});
  } else {
    auto archive = image::DecodeDarBytes(*bytes, error);
    if (!archive) return false;
    for (size_t i = 0; i < archive->patterns.size(); ++i) {
      const image::DarPattern& p = archive->patterns[i];
      out->push_back({name + " #" + std::to_string(i) + "  " + std::to_string(p.width) + "×" +
                          std::to_string(p.height),
                      ToRgbImage(p, archive->colorTable), true});
    }
  }
  return true;
}

// The picture reduced (box filter) to fit w × h; small pictures keep their size.
Canvas Fit(const RgbImage& p, int w, int h) {
  float k = std::max({1.0f, float(p.width) / float(w), float(p.height) / float(h)});
  int ow = int(float(p.width) / k), oh = int(float(p.height) / k);
  Canvas out(ow, oh);
  for (int y = 0; y < oh; ++y)
    for (int x = 0; x < ow; ++x) {
      int x0 = int(float(x) * k), x1 = std::max(x0 + 1, int(float(x + 1) * k));
      int y0 = int(float(y) * k), y1 = std::max(y0 + 1, int(float(y + 1) * k));
      Col sum;
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx)
          sum = sum + ToCol(p.Get(std::min(sx, p.width - 1), std::min(sy, p.height - 1)));
      out.at(x, y) = sum * (1.0f / float((x1 - x0) * (y1 - y0)));
    }
  return out;
}

void Label(Canvas& sheet, const Font& font, const std::string& text, int size, int x, int y,
           Col col) {
  Mask m = font.Render(text, size, x, y, sheet.w, sheet.h);
  sheet.Paint(m, col);
}

}  // namespace

bool WriteContactSheet(const std::string& programDir, const std::string& outFile,
                       std::string* error) {
  Fonts fonts;
  if (!fonts.Open(error)) return false;
  std::vector<Entry> entries;
  std::string theme;
  for (const manifest::DataFile& f : manifest::DataSet()) {
    const std::string name(f.file), path = programDir + "/" + manifest::WhereRead(f.file);
    if (EndsWith(name, ".wav")) {
      theme = path;
    } else if (!Load(path, name, &entries, error)) {
      return false;
    }
  }

  const int columns = 6, cellW = 320, cellH = 270, top = 70, waveH = 150;
  int rows = int((entries.size() + columns - 1) / columns);
  Canvas sheet(columns * cellW, top + rows * cellH + waveH, Hex(0x0b0e22));
  Label(sheet, *fonts.gothic, "Vorna!  default data set", 28, 20, 44, look::kGold);
  for (size_t i = 0; i < entries.size(); ++i) {
    int cx = int(i % columns) * cellW, cy = top + int(i / columns) * cellH;
    Canvas thumb = Fit(entries[i].picture, cellW - 20, cellH - 50);
    int x = cx + (cellW - thumb.w) / 2, y = cy + (cellH - 40 - thumb.h) / 2;
    sheet.Paint(Stroke(Box(float(x) - 1.5f, float(y) - 1.5f, float(x + thumb.w) + 1.5f,
                           float(y + thumb.h) + 1.5f),
                       1.0f, true, sheet.w, sheet.h),
                entries[i].pattern ? look::kAmber : Hex(0x3a4070));
    sheet.Blit(thumb, x, y);
    Label(sheet, *fonts.gothic, entries[i].label, 14, cx + 12, cy + cellH - 16, look::kCream);
  }
  // The theme: loudness every 50 ms, the scene marks in amber.
  auto wave = ReadBytes(theme);
  if (!wave || wave->size() < 44) {
    *error = "missing the theme " + theme;
    return false;
  }
  int y0 = top + rows * cellH + 20, height = waveH - 50, x0 = 20, width = sheet.w - 40;
  Label(sheet, *fonts.gothic,
        std::filesystem::path(theme).filename().string() + "  (loudness; scene changes marked)", 14,
        x0, y0 - 4, look::kCream);
  size_t frames = (wave->size() - 44) / 4;
  double seconds = double(frames) / kThemeRate;
  for (int px = 0; px < width; ++px) {
    size_t f0 = size_t(double(px) / width * double(frames)),
           f1 = size_t(double(px + 1) / width * double(frames));
    double sum = 0;
    for (size_t f = f0; f < f1; ++f) {
      auto s = int16_t(uint16_t((*wave)[44 + f * 4]) | uint16_t((*wave)[45 + f * 4]) << 8);
      sum += double(s) * double(s);
    }
    double rms = std::sqrt(sum / double(std::max<size_t>(1, f1 - f0))) / 32768.0;
    int bar = int(std::min(1.0, rms * 3.0) * height);
    for (int k = 0; k < bar; ++k)
      sheet.at(x0 + px, y0 + 8 + height - k) = Hex(0x5a6ab0);
  }
  for (double mark : ThemeLandmarks()) {
    int px = x0 + int(mark / seconds * width);
    for (int k = 0; k < height; ++k)
      sheet.at(px, y0 + 8 + k) = look::kAmber;
  }
  return WritePng(outFile, ToRgbImage(sheet), error);
}

}  // namespace datagen
