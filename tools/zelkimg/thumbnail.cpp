#include "tools/zelkimg/thumbnail.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

namespace zelkimg {

namespace {

struct Unref {
  void operator()(GdkPixbuf* p) const { g_object_unref(p); }
};
using Pixbuf = std::unique_ptr<GdkPixbuf, Unref>;

// One picture on the sheet: its size, and a writer of its row y (top first),
// RGBA or, for an opaque picture, RGB (reduced as gdk-pixbuf's own
// thumbnailer reduces such pictures); called only when it is drawn.
struct Piece {
  int width = 0;
  int height = 0;
  bool alpha = true;
  std::function<void(int y, uint8_t* pixels)> row;
  bool Empty() const { return width <= 0 || height <= 0; }
};

struct Layout {
  int64_t width = 0;
  int64_t height = 0;
  std::vector<std::array<int64_t, 2>> origin;  // top-left corner of each piece
};

// Rows of pieces in order, each row as long as the square root of the area
// they cover (or the widest piece), `gap` pixels between neighbours.
Layout LayOut(const std::vector<Piece>& pieces, int gap) {
  int64_t area = 0, widest = 0;
  for (const Piece& p : pieces) {
    if (p.Empty()) continue;
    area += int64_t{p.width + gap} * (p.height + gap);
    widest = std::max<int64_t>(widest, p.width);
  }
  const int64_t rowLength =
      std::max(widest, static_cast<int64_t>(std::ceil(std::sqrt(static_cast<double>(area)))));
  Layout layout;
  int64_t x = 0, y = 0, rowHeight = 0;
  for (const Piece& p : pieces) {
    if (p.Empty()) {
      layout.origin.push_back({-1, -1});
      continue;
    }
    if (x > 0 && x + p.width > rowLength) {
      x = 0;
      y += rowHeight + gap;
      rowHeight = 0;
    }
    layout.origin.push_back({x, y});
    layout.width = std::max(layout.width, x + p.width);
    rowHeight = std::max<int64_t>(rowHeight, p.height);
    layout.height = y + rowHeight;
    x += p.width + gap;
  }
  return layout;
}

double Reduction(const Layout& layout, int size) {
  const int64_t longer = std::max(layout.width, layout.height);
  return longer > size ? static_cast<double>(size) / static_cast<double>(longer) : 1.0;
}

Pixbuf Draw(const Piece& piece) {
  Pixbuf pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, piece.alpha, 8, piece.width, piece.height));
  if (!pixbuf) return pixbuf;
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
  const size_t stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf.get()));
  for (int y = 0; y < piece.height; ++y)
    piece.row(y, pixels + y * stride);
  return pixbuf;
}

std::optional<RgbaPicture> Fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return std::nullopt;
}

std::optional<RgbaPicture> Render(const std::vector<Piece>& pieces, int size, std::string* error) {
  // Neighbours stay at least 2 pixels apart after the reduction.
  int gap = 2;
  Layout layout = LayOut(pieces, gap);
  if (layout.width == 0) return Fail(error, "no pattern has pixels to show");
  double scale = Reduction(layout, size);
  if (gap * scale < 2) {
    gap = static_cast<int>(std::ceil(2 / scale));
    layout = LayOut(pieces, gap);
    scale = Reduction(layout, size);
  }
  const int width = std::max(1, static_cast<int>(std::lround(layout.width * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(layout.height * scale)));
  Pixbuf sheet(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height));
  if (!sheet) return Fail(error, "out of memory");
  gdk_pixbuf_fill(sheet.get(), 0);  // transparent

  for (size_t i = 0; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    if (piece.Empty()) continue;
    const auto [x, y] = layout.origin[i];
    // Each piece is reduced on its own into the place its edges reach.
    const int left = std::min(width - 1, static_cast<int>(std::lround(x * scale)));
    const int top = std::min(height - 1, static_cast<int>(std::lround(y * scale)));
    const int w = std::clamp(static_cast<int>(std::lround((x + piece.width) * scale)) - left, 1,
                             width - left);
    const int h = std::clamp(static_cast<int>(std::lround((y + piece.height) * scale)) - top, 1,
                             height - top);
    Pixbuf drawn = Draw(piece);
    if (drawn && (w != piece.width || h != piece.height))
      drawn.reset(gdk_pixbuf_scale_simple(drawn.get(), w, h, GDK_INTERP_BILINEAR));
    if (!drawn) return Fail(error, "out of memory");
    gdk_pixbuf_copy_area(drawn.get(), 0, 0, w, h, sheet.get(), left, top);
  }

  RgbaPicture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(static_cast<size_t>(width) * height * 4);
  const guchar* pixels = gdk_pixbuf_get_pixels(sheet.get());
  const size_t stride = static_cast<size_t>(gdk_pixbuf_get_rowstride(sheet.get()));
  for (int y = 0; y < height; ++y)
    std::memcpy(&picture.pixels[static_cast<size_t>(y) * width * 4], pixels + y * stride,
                static_cast<size_t>(width) * 4);
  return picture;
}

}  // namespace

std::optional<RgbaPicture> DarThumbnail(const image::DarContents& archive, int size,
                                        std::string* error) {
  const std::array<uint8_t, 1024>& table = archive.colorTable;  // (blue, green, red, 0)
  std::vector<Piece> pieces;
  for (const image::DarPattern& p : archive.patterns) {
    pieces.push_back(Piece{p.width, p.height, true, [&p, &table](int y, uint8_t* out) {
                             const int16_t* row = &p.pixels[static_cast<size_t>(y) * p.width];
                             for (int x = 0; x < p.width; ++x, out += 4) {
                               if (row[x] < 0) {
                                 std::memset(out, 0, 4);  // transparent
                                 continue;
                               }
                               const uint8_t* entry = &table[4 * row[x]];
                               out[0] = entry[2];
                               out[1] = entry[1];
                               out[2] = entry[0];
                               out[3] = 255;
                             }
                           }});
  }
  return Render(pieces, size, error);
}

std::optional<RgbaPicture> MagThumbnail(const image::IndexedPicture& picture, int size,
                                        std::string* error) {
  const Piece piece{picture.width, picture.height, false, [&picture](int y, uint8_t* out) {
                      const uint8_t* row = &picture.pixels[static_cast<size_t>(y) * picture.width];
                      for (int x = 0; x < picture.width; ++x, out += 3) {
                        const image::Rgb c = row[x] < picture.palette.size()
                                                 ? picture.palette[row[x]]
                                                 : image::Rgb{};
                        out[0] = c.r;
                        out[1] = c.g;
                        out[2] = c.b;
                      }
                    }};
  return Render({piece}, size, error);
}

}  // namespace zelkimg
