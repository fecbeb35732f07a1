#include "image/mag_decode.h"

#include "image/mag_format.h"

namespace image {

namespace {

constexpr const char* kUnsupported = "Error: Unsupported type.";
constexpr const char* kNoDib = "Error: Not enough memory for create DIB.";

const char* Message(mag::Status status) {
  return status == mag::Status::kUnsupportedType ? kUnsupported : kMagCantRead;
}

}  // namespace

MagDecodeResult DecodeMagToDib(std::span<const uint8_t> file) {
  mag::Layout layout;
  const char* why = nullptr;
  if (mag::Status status = mag::ReadLayout(file, &layout, &why); status != mag::Status::kOk)
    return {nullptr, Message(status), why ? why : "not a MAG picture"};
  const int colors = layout.header.colors;
  auto block = colors == 256 ? CreateDibBlock(layout.columns * 4, layout.rows, 8)
                             : CreateDibBlock(layout.columns * 8, layout.rows, 4);
  if (!block) return {nullptr, kNoDib, "not enough memory for the picture"};

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
    if (mag::DecodeRows(file, layout, top, -static_cast<ptrdiff_t>(stride), &why) !=
        mag::Status::kOk)
      return {nullptr, kMagCantRead, why ? why : "damaged picture data"};
  }
  return {std::move(block), nullptr, {}};
}

const char* DecodeMagRows(std::span<const uint8_t> file,
                          const std::function<bool(const IndexedPicture&)>& start,
                          const std::function<void(int y, const uint8_t* indices)>& row,
                          const char** why) {
  mag::Layout layout;
  if (mag::Status status = mag::ReadLayout(file, &layout, why); status != mag::Status::kOk)
    return Message(status);
  IndexedPicture picture;
  picture.width = layout.PixelWidth();
  picture.height = layout.rows;
  picture.colors = layout.header.colors;
  for (int i = 0; i < picture.colors; ++i) {
    const uint8_t* grb = layout.PaletteEntry(file, i);
    picture.palette.push_back(Rgb{grb[1], grb[0], grb[2]});
  }
  if (!start(picture)) return nullptr;
  // Sixteen colours hold two pixels a byte, the left one in the high nibble.
  std::vector<uint8_t> indices(picture.colors == 16 ? picture.width : 0);
  const mag::Status status = mag::ForEachRow(
      file, layout,
      [&](int y, const uint8_t* bytes) {
        if (picture.colors == 16) {
          for (size_t x = 0; x < indices.size(); x += 2) {
            indices[x] = bytes[x / 2] >> 4;
            indices[x + 1] = bytes[x / 2] & 0x0F;
          }
          bytes = indices.data();
        }
        row(y, bytes);
      },
      why);
  return status == mag::Status::kOk ? nullptr : Message(status);
}

}  // namespace image
