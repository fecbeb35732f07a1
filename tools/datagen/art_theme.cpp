#include "tools/datagen/art.h"
#include "tools/datagen/synth.h"

namespace datagen {

std::vector<Product> MakeTheme(const Fonts&) {
  Product p;
  p.art = "theme";
  p.kind = Product::Kind::kWave;
  p.bytes = EncodeWave(RenderTheme(), kThemeRate);
  return {p};
}

}  // namespace datagen
