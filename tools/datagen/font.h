// Text for the generated pictures, through FreeType: glyph outlines as shapes
// (filled, stroked and lit by the drawing kit like any other shape) and, for
// small text, hinted glyph bitmaps.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tools/datagen/raster.h"

namespace datagen {

// The Debian fonts the pictures use.
struct FontFiles {
  static constexpr const char* kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
  static constexpr const char* kMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";
  static constexpr const char* kSerifBold = "/usr/share/fonts/opentype/urw-base35/P052-Bold.otf";
  static constexpr const char* kSerifItalic =
      "/usr/share/fonts/opentype/urw-base35/P052-Italic.otf";
  static constexpr const char* kSerif = "/usr/share/fonts/opentype/urw-base35/P052-Roman.otf";
};

class Font {
 public:
  // Null and `error` set when the file cannot be read as a font.
  static std::unique_ptr<Font> Open(const std::string& file, std::string* error);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Outline of UTF-8 text set on a baseline from `origin`, `size` pixels to the
  // em, with `tracking` extra pixels between characters.
  Shape Outline(std::string_view text, float size, Vec2 origin, float tracking = 0) const;
  // Advance width of the text in pixels.
  float Width(std::string_view text, float size, float tracking = 0) const;
  // Hinted coverage of small text (grid-fitted, crisp at sizes of 10 … 16
  // pixels), baseline from `origin` (whole pixels).
  Mask Render(std::string_view text, int size, int x, int y, int w, int h) const;

 private:
  struct Impl;
  explicit Font(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// All fonts of the generator, opened once.
struct Fonts {
  std::unique_ptr<Font> gothic, mincho, serifBold, serifItalic, serif;
  // False and `error` set when a font is missing.
  [[nodiscard]] bool Open(std::string* error);
};

// Decodes UTF-8 into code points (invalid bytes become U+FFFD).
std::u32string DecodeUtf8(std::string_view text);

// Text centred on x (baseline y).
Shape CentredText(const Font& font, std::string_view text, float size, float cx, float y,
                  float tracking = 0);

}  // namespace datagen
