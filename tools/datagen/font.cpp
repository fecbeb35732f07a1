#include "tools/datagen/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include "tools/datagen/geometry.h"

namespace datagen {

struct Font::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Impl() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Open(const std::string& file, std::string* error) {
  auto impl = std::make_unique<Impl>();
  if (FT_Init_FreeType(&impl->library) != 0) {
    *error = "cannot start FreeType";
    return nullptr;
  }
  if (FT_New_Face(impl->library, file.c_str(), 0, &impl->face) != 0) {
    *error = "cannot read the font " + file + " (install the Debian font packages)";
    return nullptr;
  }
  return std::unique_ptr<Font>(new Font(std::move(impl)));
}

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    auto b = uint8_t(s[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + size_t(extra) >= s.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      auto t = uint8_t(s[i + size_t(k)]);
      if ((t & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (t & 0x3F);
    }
    out.push_back(ok ? c : 0xFFFD);
    i += ok ? size_t(extra) + 1 : 1;
  }
  return out;
}

namespace {

// Collects a glyph outline as polygons, in pixels, y downward.
struct OutlineSink {
  Shape* shape;
  float scale;
  Vec2 origin;
  Vec2 last;
  Vec2 Map(const FT_Vector* v) const {
    return {origin.x + float(v->x) * scale, origin.y - float(v->y) * scale};
  }
  static int Move(const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    s->shape->push_back({});
    s->last = s->Map(to);
    s->shape->back().push_back(s->last);
    return 0;
  }
  static int Line(const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    s->last = s->Map(to);
    s->shape->back().push_back(s->last);
    return 0;
  }
  static int Conic(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    Path c = QuadCurve(s->last, s->Map(control), s->Map(to), 8);
    s->shape->back().insert(s->shape->back().end(), c.begin() + 1, c.end());
    s->last = s->Map(to);
    return 0;
  }
  static int Cubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* s = static_cast<OutlineSink*>(user);
    Path c = CubicCurve(s->last, s->Map(c1), s->Map(c2), s->Map(to), 10);
    s->shape->back().insert(s->shape->back().end(), c.begin() + 1, c.end());
    s->last = s->Map(to);
    return 0;
  }
};

}  // namespace

Shape Font::Outline(std::string_view text, float size, Vec2 origin, float tracking) const {
  FT_Face face = impl_->face;
  float scale = size / float(face->units_per_EM);
  Shape shape;
  FT_UInt previous = 0;
  float pen = origin.x;
  FT_Outline_Funcs funcs{
      &OutlineSink::Move, &OutlineSink::Line, &OutlineSink::Conic, &OutlineSink::Cubic, 0, 0};
  for (char32_t c : DecodeUtf8(text)) {
    FT_UInt index = FT_Get_Char_Index(face, FT_ULong(c));
    if (previous && index && FT_HAS_KERNING(face)) {
      FT_Vector k;
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &k) == 0)
        pen += float(k.x) * scale;
    }
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) ==
        0) {
      OutlineSink sink{&shape, scale, {pen, origin.y}, {}};
      if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink);
      pen += float(face->glyph->advance.x) * scale + tracking;
    }
    previous = index;
  }
  return shape;
}

float Font::Width(std::string_view text, float size, float tracking) const {
  FT_Face face = impl_->face;
  float scale = size / float(face->units_per_EM);
  float pen = 0;
  FT_UInt previous = 0;
  for (char32_t c : DecodeUtf8(text)) {
    FT_UInt index = FT_Get_Char_Index(face, FT_ULong(c));
    if (previous && index && FT_HAS_KERNING(face)) {
      FT_Vector k;
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &k) == 0)
        pen += float(k.x) * scale;
    }
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0)
      pen += float(face->glyph->advance.x) * scale + tracking;
    previous = index;
  }
  return pen - tracking;
}

Mask Font::Render(std::string_view text, int size, int x, int y, int w, int h) const {
  FT_Face face = impl_->face;
  Mask m(w, h);
  FT_Set_Pixel_Sizes(face, 0, FT_UInt(size));
  int pen = x;
  for (char32_t c : DecodeUtf8(text)) {
    if (FT_Load_Char(face, FT_ULong(c), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) continue;
    FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& b = g->bitmap;
    for (unsigned row = 0; row < b.rows; ++row)
      for (unsigned col = 0; col < b.width; ++col) {
        int px = pen + g->bitmap_left + int(col), py = y - g->bitmap_top + int(row);
        if (px < 0 || py < 0 || px >= w || py >= h) continue;
        float v = float(b.buffer[row * unsigned(b.pitch) + col]) / 255.0f;
        m.at(px, py) = std::max(m.at(px, py), v);
      }
    pen += int(g->advance.x >> 6);
  }
  return m;
}

bool Fonts::Open(std::string* error) {
  gothic = Font::Open(FontFiles::kGothic, error);
  if (gothic) mincho = Font::Open(FontFiles::kMincho, error);
  if (mincho) serifBold = Font::Open(FontFiles::kSerifBold, error);
  if (serifBold) serifItalic = Font::Open(FontFiles::kSerifItalic, error);
  if (serifItalic) serif = Font::Open(FontFiles::kSerif, error);
  return serif != nullptr;
}

Shape CentredText(const Font& font, std::string_view text, float size, float cx, float y,
                  float tracking) {
  float width = font.Width(text, size, tracking);
  return font.Outline(text, size, {cx - width / 2, y}, tracking);
}

}  // namespace datagen
