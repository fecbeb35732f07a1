#include "image/mag_decode.h"

#include "image/mag_format.h"

namespace image {

namespace {

constexpr const char* kUnsupported = "Error: Unsupported type.";
constexpr const char* kNoDib = "Error: Not enough memory for create DIB.";

}  // namespace

MagDecodeResult DecodeMagToDib(std::span<const uint8_t> file) {
  mag::Layout layout;
  switch (mag::ReadLayout(file, &layout)) {
    case mag::Status::kOk:
      break;
    case mag::Status::kUnsupportedType:
      return {nullptr, kUnsupported};
    case mag::Status::kReadFailed:
      return {nullptr, kMagCantRead};
  }
  const int colors = layout.header.colors;
  auto block = colors == 256 ? CreateDibBlock(layout.columns * 4, layout.rows, 8)
                             : CreateDibBlock(layout.columns * 8, layout.rows, 4);
  if (!block) return {nullptr, kNoDib};

  const size_t stride = DibRowStride(*block);
  uint8_t* table = block->data() + sizeof(services::BitmapInfoHeader);
  for (int i = 0; i < colors; ++i) {
    const uint8_t* grb = layout.PaletteEntry(file, i);
    table[4 * i + 0] = grb[2];
    table[4 * i + 1] = grb[0];
    table[4 * i + 2] = grb[1];
  }
  if (layout.rows > 0) {
    uint8_t* top = table + 4 * colors + (layout.rows - 1) * stride;  // the top row
    if (mag::DecodeRows(file, layout, top, -static_cast<ptrdiff_t>(stride)) != mag::Status::kOk)
      return {nullptr, kMagCantRead};
  }
  return {std::move(block), nullptr};
}

}  // namespace image
