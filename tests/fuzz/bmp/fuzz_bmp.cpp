// The BMP loader on arbitrary files, then every drawing operation of the
// picture it keeps.
#include <cstddef>
#include <cstdint>

#include "image/dib_image.h"
#include "services/surface.h"
#include "tests/fuzz/common/fuzz_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzProgram program(fuzzing::FuzzFolder("bmp"), "p.bmp", data, size);
  if (!program.Written()) return 0;
  static services::Surface screen;  // allocated once: clearing 640×480 pixels dominates otherwise
  if (!screen.Valid()) screen.Allocate();

  image::DibImage picture(nullptr, "fuzz");
  if (picture.Load("P.BMP")) {
    // Small destination areas: the picture's corners 1:1 and a part.
    picture.Draw(&screen, -7, -3);
    picture.Draw(&screen, 600, 450);
    picture.DrawPart(&screen, 10, 10, 50, 40, 3, 2);
    if (size % 8 == 0) picture.CreateDeviceBitmap(&screen);
  }
  return 0;
}
