#include "tools/zelkimg/png_io.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace zelkimg {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// libpng reports errors by longjmp; its message is kept here and the jump
// lands in the function that called setjmp, whose locals are all set before.
void OnError(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text != nullptr) *text = message;
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

bool Fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

}  // namespace

std::optional<PngPicture> ReadPng(const std::string& path, std::string* error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    Fail(error, "cannot open " + path);
    return std::nullopt;
  }
  uint8_t signature[8] = {};
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    Fail(error, path + " is not a PNG file");
    return std::nullopt;
  }
  auto picture = std::make_unique<PngPicture>();
  auto message = std::make_unique<std::string>();
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, message.get(), OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    Fail(error, "out of memory");
    return std::nullopt;
  }
  auto rows = std::make_unique<std::vector<png_bytep>>();
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    Fail(error, path + ": " + *message);
    return std::nullopt;
  }
  png_init_io(png, file.get());
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  picture->width = static_cast<int>(png_get_image_width(png, info));
  picture->height = static_cast<int>(png_get_image_height(png, info));
  picture->colorType = png_get_color_type(png, info);
  picture->indexed = picture->colorType == PNG_COLOR_TYPE_PALETTE;
  const int bytesPerPixel = picture->indexed ? 1 : 4;
  if (picture->indexed) {
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    for (int i = 0; i < count; ++i)
      picture->palette.push_back(image::Rgb{colours[i].red, colours[i].green, colours[i].blue});
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) != 0 && alpha != nullptr)
      picture->alpha.assign(alpha, alpha + alphaCount);
    png_set_packing(png);  // one byte per index
  } else {
    png_set_strip_16(png);
    png_set_palette_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_tRNS_to_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t stride = static_cast<size_t>(picture->width) * bytesPerPixel;
  picture->pixels.resize(stride * picture->height);
  rows->resize(picture->height);
  for (int y = 0; y < picture->height; ++y)
    (*rows)[y] = picture->pixels.data() + y * stride;
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return std::move(*picture);
}

namespace {

// Writes rows of `stride` bytes with the header already described by `setup`.
template <typename Setup>
bool Write(const std::string& path, int height, const uint8_t* pixels, size_t stride, Setup setup,
           std::string* error) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return Fail(error, "cannot write " + path);
  auto message = std::make_unique<std::string>();
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, message.get(), OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return Fail(error, "out of memory");
  }
  std::vector<png_bytep> rows(height);
  for (int y = 0; y < height; ++y)
    rows[y] = const_cast<uint8_t*>(pixels + y * stride);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Fail(error, path + ": " + *message);
  }
  png_init_io(png, file.get());
  setup(png, info);
  png_write_info(png, info);
  png_set_packing(png);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file.get()) != 0) return Fail(error, "cannot write " + path);
  return true;
}

// 8-bit RGB (3 channels) or RGBA (4 channels) rows.
bool WriteTrueColour(const std::string& path, int width, int height, const uint8_t* pixels,
                     int channels, std::string* error) {
  if (width < 1 || height < 1) return Fail(error, "cannot write an empty picture to " + path);
  return Write(
      path, height, pixels, static_cast<size_t>(width) * channels,
      [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, width, height, 8,
                     channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
      },
      error);
}

}  // namespace

bool WriteIndexedPng(const std::string& path, int width, int height,
                     const std::vector<image::Rgb>& palette, const std::vector<uint8_t>& alpha,
                     const std::vector<uint8_t>& indices, int bitDepth, std::string* error) {
  if (width < 1 || height < 1) return Fail(error, "cannot write an empty picture to " + path);
  std::vector<png_color> colours;
  for (const image::Rgb& c : palette)
    colours.push_back(png_color{c.r, c.g, c.b});
  std::vector<uint8_t> trns = alpha;
  return Write(
      path, height, indices.data(), static_cast<size_t>(width),
      [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, width, height, bitDepth, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
        if (!trns.empty())
          png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
      },
      error);
}

bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string* error) {
  return WriteTrueColour(path, width, height, rgb.data(), 3, error);
}

bool WriteRgbaPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string* error) {
  return WriteTrueColour(path, width, height, rgba.data(), 4, error);
}

}  // namespace zelkimg
