#include "tools/zelkrender/png_out.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace zelkrender {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

void OnPngError(png_structp png, png_const_charp message) {
  *static_cast<std::string*>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng reports errors by long jump: keep this frame free of objects with
// destructors.
bool Encode(std::FILE* file, const uint32_t* pixels, int width, int height, int level,
            std::string* error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, level);
  // The screens are flat areas and pictures of few colours: at the fast levels
  // they pack best and quickest unfiltered (smaller than Sub or the adaptive
  // choice at level 6, in a fifth of the latter's time).
  png_set_filter(png, PNG_FILTER_TYPE_BASE, level <= 3 ? PNG_FILTER_NONE : PNG_ALL_FILTERS);
  png_write_info(png, info);
  // Memory holds each pixel as the bytes blue, green, red, unused.
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < height; ++y) {
    png_write_row(png, reinterpret_cast<png_const_bytep>(pixels + static_cast<size_t>(y) * width));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, int level,
              std::string* error) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::string why;
  if (!Encode(file.get(), pixels, width, height, level, &why)) {
    *error = path + ": " + (why.empty() ? "cannot encode the picture" : why);
    return false;
  }
  if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace zelkrender
