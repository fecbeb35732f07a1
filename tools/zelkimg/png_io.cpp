#include "tools/zelkimg/png_io.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace zelkimg {

namespace {

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

struct Source {
  const std::vector<uint8_t>* bytes;
  size_t at;
};
void ReadBytes(png_structp png, png_bytep out, size_t count) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (source->bytes->size() - source->at < count) png_error(png, "the file ends early");
  std::memcpy(out, source->bytes->data() + source->at, count);
  source->at += count;
}

void AppendBytes(png_structp png, png_bytep data, size_t count) {
  auto* sink = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  sink->insert(sink->end(), data, data + count);
}
void Flush(png_structp) {}

}  // namespace

std::optional<PngPicture> DecodePng(const std::vector<uint8_t>& bytes, const std::string& name,
                                    std::string* error) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
    Fail(error, name + " is not a PNG file");
    return std::nullopt;
  }
  auto picture = std::make_unique<PngPicture>();
  auto message = std::make_unique<std::string>();
  auto source = std::make_unique<Source>(Source{&bytes, 8});
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
    Fail(error, name + ": " + *message);
    return std::nullopt;
  }
  png_set_read_fn(png, source.get(), ReadBytes);
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

std::optional<PngPicture> ReadPng(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in.is_open() || in.bad()) {
    Fail(error, "cannot open " + path);
    return std::nullopt;
  }
  return DecodePng(bytes, path, error);
}

namespace {

// The PNG of `height` rows of `stride` bytes, its header described by `setup`.
template <typename Setup>
std::vector<uint8_t> Encode(int height, const uint8_t* pixels, size_t stride, Setup setup,
                            std::string* error) {
  auto out = std::make_unique<std::vector<uint8_t>>();
  auto message = std::make_unique<std::string>();
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, message.get(), OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    Fail(error, "out of memory");
    return {};
  }
  std::vector<png_bytep> rows(height);
  for (int y = 0; y < height; ++y)
    rows[y] = const_cast<uint8_t*>(pixels + y * stride);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    Fail(error, *message);
    return {};
  }
  png_set_write_fn(png, out.get(), AppendBytes, Flush);
  setup(png, info);
  png_write_info(png, info);
  png_set_packing(png);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::move(*out);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  if (bytes.empty()) {
    if (error != nullptr) *error = path + ": " + *error;
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return out ? true : Fail(error, "cannot write " + path);
}

}  // namespace

std::vector<uint8_t> EncodeIndexedPng(int width, int height, const std::vector<image::Rgb>& palette,
                                      const std::vector<uint8_t>& alpha,
                                      const std::vector<uint8_t>& indices, int bitDepth,
                                      std::string* error) {
  if (width < 1 || height < 1) {
    Fail(error, "cannot write an empty picture");
    return {};
  }
  std::vector<png_color> colours;
  for (const image::Rgb& c : palette)
    colours.push_back(png_color{c.r, c.g, c.b});
  std::vector<uint8_t> trns = alpha;
  return Encode(
      height, indices.data(), static_cast<size_t>(width),
      [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, width, height, bitDepth, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
        if (!trns.empty())
          png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
      },
      error);
}

std::vector<uint8_t> EncodeTrueColourPng(int width, int height, const std::vector<uint8_t>& pixels,
                                         int channels, std::string* error) {
  if (width < 1 || height < 1) {
    Fail(error, "cannot write an empty picture");
    return {};
  }
  return Encode(
      height, pixels.data(), static_cast<size_t>(width) * channels,
      [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, width, height, 8,
                     channels == 4   ? PNG_COLOR_TYPE_RGB_ALPHA
                     : channels == 3 ? PNG_COLOR_TYPE_RGB
                                     : PNG_COLOR_TYPE_GRAY,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
      },
      error);
}

bool WriteIndexedPng(const std::string& path, int width, int height,
                     const std::vector<image::Rgb>& palette, const std::vector<uint8_t>& alpha,
                     const std::vector<uint8_t>& indices, int bitDepth, std::string* error) {
  return WriteBytes(path, EncodeIndexedPng(width, height, palette, alpha, indices, bitDepth, error),
                    error);
}

bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string* error) {
  return WriteBytes(path, EncodeTrueColourPng(width, height, rgb, 3, error), error);
}

bool WriteRgbaPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string* error) {
  return WriteBytes(path, EncodeTrueColourPng(width, height, rgba, 4, error), error);
}

}  // namespace zelkimg
