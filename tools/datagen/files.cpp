#include "tools/datagen/files.h"

#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "tools/datagen/quantize.h"

namespace datagen {

void RgbImage::Set(int x, int y, image::Rgb c) {
  uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
}

image::Rgb RgbImage::Get(int x, int y) const {
  const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

RgbImage ToRgbImage(const Canvas& canvas) {
  RgbImage out{canvas.w, canvas.h, std::vector<uint8_t>(size_t(canvas.w) * canvas.h * 3)};
  for (int y = 0; y < canvas.h; ++y)
    for (int x = 0; x < canvas.w; ++x) {
      float t = (BayerThreshold(x, y) - 0.5f) / 255.0f;
      Col c = canvas.at(x, y);
      out.Set(x, y, ToRgb({c.r + t, c.g + t, c.b + t}));
    }
  return out;
}

RgbImage ToRgbImage(const image::IndexedPicture& p) {
  RgbImage out{p.width, p.height, std::vector<uint8_t>(size_t(p.width) * p.height * 3)};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      size_t i = p.pixels[size_t(y) * p.width + x];
      out.Set(x, y, i < p.palette.size() ? p.palette[i] : image::Rgb{255, 0, 255});
    }
  return out;
}

RgbImage ToRgbImage(const image::DarPattern& p, const std::array<uint8_t, 1024>& table) {
  RgbImage out{p.width, p.height, std::vector<uint8_t>(size_t(p.width) * p.height * 3)};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      int i = p.pixels[size_t(y) * p.width + x];
      if (i < 0) {
        uint8_t g = ((x / 8 + y / 8) & 1) ? 150 : 110;
        out.Set(x, y, {g, g, g});
      } else {
        const uint8_t* e = &table[size_t(i) * 4];
        out.Set(x, y, {e[2], e[1], e[0]});
      }
    }
  return out;
}

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i)
    v[at + size_t(i)] = uint8_t(x >> (8 * i));
}
uint32_t Get32(const std::vector<uint8_t>& v, size_t at) {
  return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 |
         uint32_t(v[at + 3]) << 24;
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const RgbImage& p) {
  size_t stride = (size_t(p.width) * 3 + 3) / 4 * 4;
  size_t size = 54 + stride * size_t(p.height);
  std::vector<uint8_t> f(size, 0);
  f[0] = 'B';
  f[1] = 'M';
  Put32(f, 2, uint32_t(size));
  Put32(f, 10, 54);
  Put32(f, 14, 40);
  Put32(f, 18, uint32_t(p.width));
  Put32(f, 22, uint32_t(p.height));
  Put16(f, 26, 1);
  Put16(f, 28, 24);
  Put32(f, 34, uint32_t(stride * size_t(p.height)));
  for (int y = 0; y < p.height; ++y) {
    uint8_t* row = &f[54 + stride * size_t(p.height - 1 - y)];
    for (int x = 0; x < p.width; ++x) {
      image::Rgb c = p.Get(x, y);
      row[x * 3] = c.b;
      row[x * 3 + 1] = c.g;
      row[x * 3 + 2] = c.r;
    }
  }
  return f;
}

std::optional<RgbImage> DecodeBmp24(const std::vector<uint8_t>& f) {
  if (f.size() < 54 || f[0] != 'B' || f[1] != 'M' || Get32(f, 2) != f.size()) return std::nullopt;
  auto width = int32_t(Get32(f, 18)), height = int32_t(Get32(f, 22));
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || (Get32(f, 28) & 0xFFFF) != 24)
    return std::nullopt;
  size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
  if (54 + stride * size_t(height) > f.size()) return std::nullopt;
  RgbImage p{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = &f[54 + stride * size_t(height - 1 - y)];
    for (int x = 0; x < width; ++x)
      p.Set(x, y, {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
  }
  return p;
}

bool WritePng(const std::string& path, const RgbImage& p, std::string* error) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) {
    *error = "cannot write " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    *error = "libpng failed";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    *error = "libpng failed writing " + path;
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, png_uint_32(p.width), png_uint_32(p.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < p.height; ++y)
    png_write_row(png, const_cast<png_bytep>(&p.rgb[size_t(y) * p.width * 3]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out.good()) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace datagen
