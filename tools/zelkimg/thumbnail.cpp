#include "tools/zelkimg/thumbnail.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>

#include "image/mag_decode.h"
#include "tools/zelkimg/reduce.h"

namespace zelkimg {

namespace {

// One picture on the sheet: its size, and what feeds its rows, top row
// first, to a reducer (false and `error` set when they cannot be read).
struct Piece {
  int width = 0;
  int height = 0;
  std::function<bool(Reducer&, std::string* error)> draw;
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

std::optional<RgbaPicture> Fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return std::nullopt;
}

std::optional<RgbaPicture> Render(const std::vector<Piece>& pieces, const image::Rgb* palette,
                                  int size, std::string* error) {
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
  RgbaPicture sheet;  // transparent where nothing is drawn
  sheet.width = std::max(1, static_cast<int>(std::lround(layout.width * scale)));
  sheet.height = std::max(1, static_cast<int>(std::lround(layout.height * scale)));
  sheet.pixels.resize(static_cast<size_t>(sheet.width) * sheet.height * 4);
  const size_t stride = static_cast<size_t>(sheet.width) * 4;

  for (size_t i = 0; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    if (piece.Empty()) continue;
    const auto [x, y] = layout.origin[i];
    // Each piece is reduced on its own into the place its edges reach.
    const int left = std::min(sheet.width - 1, static_cast<int>(std::lround(x * scale)));
    const int top = std::min(sheet.height - 1, static_cast<int>(std::lround(y * scale)));
    const int w = std::clamp(static_cast<int>(std::lround((x + piece.width) * scale)) - left, 1,
                             std::min(piece.width, sheet.width - left));
    const int h = std::clamp(static_cast<int>(std::lround((y + piece.height) * scale)) - top, 1,
                             std::min(piece.height, sheet.height - top));
    Reducer reducer(piece.width, piece.height, w, h, palette,
                    &sheet.pixels[top * stride + static_cast<size_t>(left) * 4], stride, true);
    if (!piece.draw(reducer, error)) return std::nullopt;
  }
  return sheet;
}

}  // namespace

std::optional<RgbaPicture> DarThumbnail(const image::DarReader& archive, int size,
                                        std::string* error) {
  std::array<image::Rgb, 256> palette;
  const uint8_t* table = archive.ColorTable();  // (blue, green, red, 0)
  for (int i = 0; i < 256; ++i)
    palette[i] = image::Rgb{table[4 * i + 2], table[4 * i + 1], table[4 * i]};
  // Each pattern takes the box around what it draws.
  std::vector<Piece> pieces;
  for (size_t n = 0; n < archive.Patterns().size(); ++n) {
    const image::DarReader::Pattern& p = archive.Patterns()[n];
    pieces.push_back(
        Piece{p.right - p.left, p.bottom - p.top, [&archive, &p, n](Reducer& out, std::string*) {
                for (int y = p.top; y < p.bottom; ++y) {
                  archive.ForEachRun(n, y, [&](int x, const uint8_t* pixels, int count) {
                    out.Add(x - p.left, pixels, count);
                  });
                  out.EndRow();
                }
                return true;
              }});
  }
  return Render(pieces, palette.data(), size, error);
}

std::optional<RgbaPicture> MagThumbnail(const std::vector<uint8_t>& file, int size,
                                        std::string* error) {
  // The size and palette first; the rows are decoded once the sheet is laid out.
  std::array<image::Rgb, 256> palette{};
  Piece piece;
  const char* why = nullptr;
  const auto header = [&](const image::IndexedPicture& p) {
    std::copy(p.palette.begin(), p.palette.end(), palette.begin());
    piece.width = p.width, piece.height = p.height;
    return false;
  };
  if (image::DecodeMagRows(file, header, nullptr, &why) != nullptr) return Fail(error, why);
  piece.draw = [&file, width = piece.width](Reducer& out, std::string* error) {
    const char* why = nullptr;
    const auto row = [&out, width](int, const uint8_t* indices) {
      out.Add(0, indices, width);
      out.EndRow();
    };
    if (image::DecodeMagRows(
            file, [](const image::IndexedPicture&) { return true; }, row, &why) == nullptr)
      return true;
    if (error != nullptr) *error = why;
    return false;
  };
  return Render({piece}, palette.data(), size, error);
}

}  // namespace zelkimg
