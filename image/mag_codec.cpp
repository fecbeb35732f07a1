// MAG files as data for the tools: the writer, and the reader that gives
// indices and palette.
#include <algorithm>
#include <cstring>

#include "image/codecs.h"
#include "image/mag_decode.h"
#include "image/mag_format.h"

namespace image {

namespace {

// The order in which copies are tried when the row above's choice does not
// fit: near positions first, as they match most often.
constexpr int kCodeOrder[15] = {4, 1, 5, 6, 2, 3, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int kMaxRows = 32768;  // bottom y is a signed 16-bit field

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::vector<uint8_t> Refuse(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return {};
}

template <typename T>
T SetError(std::string* error, const char* why) {
  if (error != nullptr) *error = why;
  return T{};
}

}  // namespace

std::vector<uint8_t> EncodeMag(const IndexedPicture& picture, std::string* error,
                               const std::string& comment) {
  const int colors = picture.colors;
  if (colors != 16 && colors != 256) return Refuse(error, "colours must be 16 or 256");
  if (picture.palette.size() > static_cast<size_t>(colors))
    return Refuse(error, "palette has " + std::to_string(picture.palette.size()) +
                             " entries, more than " + std::to_string(colors));
  const int unitPixels = colors == 256 ? 4 : 8;
  if (picture.width < 1 || picture.height < 1 || picture.height > kMaxRows ||
      picture.width > mag::kMaxColumns * unitPixels) {
    return Refuse(error, "size " + std::to_string(picture.width) + "x" +
                             std::to_string(picture.height) + " cannot be written (at most " +
                             std::to_string(mag::kMaxColumns * unitPixels) + "x" +
                             std::to_string(kMaxRows) + ")");
  }
  const size_t count = static_cast<size_t>(picture.width) * picture.height;
  if (picture.pixels.size() != count) return Refuse(error, "pixel count differs from the size");
  for (uint8_t index : picture.pixels) {
    if (index >= colors)
      return Refuse(error, "index " + std::to_string(index) + " out of range for " +
                               std::to_string(colors) + " colours");
  }
  if (comment.find('\x1A') != std::string::npos) return Refuse(error, "comment holds byte 0x1A");

  // Rows of whole columns, 4 bytes (two 2-byte units) each, padded with index 0.
  const int columns = (picture.width + unitPixels - 1) / unitPixels;
  const int units = columns * 2;
  const int rows = picture.height;
  std::vector<uint16_t> unit(static_cast<size_t>(units) * rows, 0);
  for (int y = 0; y < rows; ++y) {
    std::vector<uint8_t> bytes(static_cast<size_t>(columns) * 4, 0);
    const uint8_t* src = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      if (colors == 256) {
        bytes[x] = src[x];
      } else {
        bytes[x / 2] |= static_cast<uint8_t>((x & 1) ? src[x] : src[x] << 4);
      }
    }
    std::memcpy(&unit[static_cast<size_t>(y) * units], bytes.data(), bytes.size());
  }

  // Choose a code for every unit: the row above's choice when it still fits
  // (the flag then cancels in the XOR), else the first copy that fits, else
  // a literal.
  std::vector<uint8_t> flagA, flagB, pixels;
  flagA.reserve((static_cast<size_t>(columns) * rows + 7) / 8);
  std::vector<uint8_t> codeAbove(units, 0), code(units, 0), flagAbove(columns, 0);
  uint8_t bits = 0, mask = 0x80;
  for (int y = 0; y < rows; ++y) {
    const uint16_t* row = &unit[static_cast<size_t>(y) * units];
    auto fits = [&](int k, int u) {
      return mag::kRowsUp[k] <= y && mag::kUnitsLeft[k] <= u &&
             *(row + u - static_cast<ptrdiff_t>(mag::kRowsUp[k]) * units - mag::kUnitsLeft[k]) ==
                 row[u];
    };
    for (int u = 0; u < units; ++u) {
      int chosen = 0;
      if (codeAbove[u] != 0 && fits(codeAbove[u], u)) {
        chosen = codeAbove[u];
      } else {
        for (int k : kCodeOrder) {
          if (fits(k, u)) {
            chosen = k;
            break;
          }
        }
      }
      code[u] = static_cast<uint8_t>(chosen);
      if (chosen == 0) {
        uint8_t two[2];
        std::memcpy(two, &row[u], 2);
        pixels.insert(pixels.end(), two, two + 2);
      }
    }
    for (int c = 0; c < columns; ++c) {
      const uint8_t flag = static_cast<uint8_t>(code[2 * c] << 4 | code[2 * c + 1]);
      const uint8_t change = flag ^ flagAbove[c];
      flagAbove[c] = flag;
      if (change != 0) {
        bits |= mask;
        flagB.push_back(change);
      }
      mask >>= 1;
      if (mask == 0) {
        flagA.push_back(bits);
        bits = 0;
        mask = 0x80;
      }
    }
    codeAbove.swap(code);
  }
  if (mask != 0x80) flagA.push_back(bits);

  std::vector<uint8_t> out;
  out.reserve(64 + comment.size() + 3 * colors + flagA.size() + flagB.size() + pixels.size());
  for (char c : std::string(mag::kSignature) + "ZELK" + "zelkimg           " + comment)
    out.push_back(static_cast<uint8_t>(c));
  out.push_back(0x1A);
  const uint32_t headerLength = 32 + 3 * colors;
  const uint32_t flagAOffset = headerLength;
  const uint32_t flagBOffset = flagAOffset + static_cast<uint32_t>(flagA.size());
  const uint32_t pixelOffset = flagBOffset + static_cast<uint32_t>(flagB.size());
  out.push_back(0);                            // header start
  out.push_back(0);                            // machine code
  out.push_back(0);                            // machine flags
  out.push_back(colors == 256 ? 0x80 : 0x00);  // screen mode
  Put16(out, 0);                               // left x
  Put16(out, 0);                               // top y
  Put16(out, static_cast<uint32_t>(picture.width - 1));
  Put16(out, static_cast<uint32_t>(rows - 1));
  Put32(out, flagAOffset);
  Put32(out, flagBOffset);
  Put32(out, static_cast<uint32_t>(flagB.size()));
  Put32(out, pixelOffset);
  Put32(out, static_cast<uint32_t>(pixels.size()));
  for (int i = 0; i < colors; ++i) {
    Rgb c = i < static_cast<int>(picture.palette.size()) ? picture.palette[i] : Rgb{};
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(c.b);
  }
  out.insert(out.end(), flagA.begin(), flagA.end());
  out.insert(out.end(), flagB.begin(), flagB.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  if (error != nullptr) error->clear();
  return out;
}

std::optional<MagHeaderInfo> ReadMagHeader(const std::vector<uint8_t>& file, std::string* error) {
  mag::Layout layout;
  const char* why = nullptr;
  mag::Status status = mag::ReadLayout(file, &layout, &why);
  // The header fields are worth showing even when the sizes are refused.
  if (status == mag::Status::kOk || layout.dataStart != 0) {
    if (status != mag::Status::kOk && error != nullptr) *error = why;
    return layout.header;
  }
  return SetError<std::optional<MagHeaderInfo>>(error, why);
}

std::optional<IndexedPicture> DecodeMagBytes(const std::vector<uint8_t>& file, std::string* error) {
  IndexedPicture picture;
  const char* why = nullptr;
  const char* message = DecodeMagRows(
      file,
      [&](const IndexedPicture& p) {
        picture = p;
        picture.pixels.resize(static_cast<size_t>(p.width) * p.height);
        return true;
      },
      [&](int y, const uint8_t* indices) {
        std::copy_n(indices, picture.width,
                    &picture.pixels[static_cast<size_t>(y) * picture.width]);
      },
      &why);
  if (message != nullptr) return SetError<std::optional<IndexedPicture>>(error, why);
  if (error != nullptr) error->clear();
  return picture;
}

}  // namespace image
