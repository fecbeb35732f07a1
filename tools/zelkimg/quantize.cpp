#include "tools/zelkimg/quantize.h"

#include <libimagequant.h>

#include <memory>

namespace zelkimg {

namespace {

struct AttrFree {
  void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct ImageFree {
  void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct ResultFree {
  void operator()(liq_result* p) const { liq_result_destroy(p); }
};

}  // namespace

std::optional<image::IndexedPicture> Quantize(int width, int height, std::vector<uint8_t> rgba,
                                              int colors, bool dither, std::string* error) {
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
    for (int c = 0; c < 3; ++c)
      rgba[i + c] = static_cast<uint8_t>((rgba[i + c] * rgba[i + 3] + 127) / 255);
    rgba[i + 3] = 255;
  }
  std::unique_ptr<liq_attr, AttrFree> attr(liq_attr_create());
  if (!attr || liq_set_max_colors(attr.get(), colors) != LIQ_OK) {
    *error = "cannot reduce to " + std::to_string(colors) + " colours";
    return std::nullopt;
  }
  std::unique_ptr<liq_image, ImageFree> input(
      liq_image_create_rgba(attr.get(), rgba.data(), width, height, 0));
  liq_result* raw = nullptr;
  if (!input || liq_image_quantize(input.get(), attr.get(), &raw) != LIQ_OK) {
    *error = "libimagequant could not reduce the colours of a " + std::to_string(width) + "x" +
             std::to_string(height) + " picture";
    return std::nullopt;
  }
  std::unique_ptr<liq_result, ResultFree> result(raw);
  liq_set_dithering_level(result.get(), dither ? 1.0f : 0.0f);
  image::IndexedPicture picture;
  picture.width = width;
  picture.height = height;
  picture.colors = colors;
  picture.pixels.resize(static_cast<size_t>(width) * height);
  if (liq_write_remapped_image(result.get(), input.get(), picture.pixels.data(),
                               picture.pixels.size()) != LIQ_OK) {
    *error = "libimagequant could not map the picture to its palette";
    return std::nullopt;
  }
  const liq_palette* palette = liq_get_palette(result.get());
  for (unsigned i = 0; i < palette->count; ++i)
    picture.palette.push_back(
        image::Rgb{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
  return picture;
}

}  // namespace zelkimg
