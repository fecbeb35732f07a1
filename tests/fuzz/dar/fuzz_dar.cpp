// The DAR loader on arbitrary files, every pattern drawn at positions inside,
// on and past the display's edges with displacements, and the tools' reader,
// whose archives must survive a write-and-read round trip unchanged. Each run
// costs about as much as its input is long.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "image/dar_archive.h"
#include "tests/fuzz/common/fuzz_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzProgram program(fuzzing::FuzzFolder("dar"), "a.dar", data, size);
  if (!program.Written()) return 0;

  // Exactly the display's bytes, so that any write past them is caught.
  constexpr int kWidth = 64, kHeight = 48;
  std::vector<uint8_t> display(kWidth * kHeight, 0);
  image::DarArchive archive(nullptr);
  archive.SetDisplay(kWidth, kHeight, display.data(), display.size());
  uint64_t area = 0;  // pixels of all patterns, for the tools' reader below
  if (archive.Load("A.DAR")) {
    const int32_t shifts[] = {5, -7, 0, 64, -64, 1, 2, 3};
    // The first patterns everywhere, and the numbers just outside the range.
    const int count = archive.PatternCount();
    for (int n = -1; n <= count; n = (n == 7 && count > 9) ? count - 1 : n + 1) {
      archive.DrawPattern(0, 0, n);
      archive.DrawPattern(-3, -2, n);
      archive.DrawPatternDisplaced(-40, -30, n, shifts);
      if (n >= 0 && n < archive.PatternCount()) {
        const int w = archive.patternRecord[n][2] | archive.patternRecord[n][3] << 8;
        const int h = archive.patternRecord[n][4] | archive.patternRecord[n][5] << 8;
        archive.DrawPatternDisplaced(kWidth - w, kHeight - h, n, shifts);
      }
    }
    for (int n = 0; n < count; ++n) {
      area += uint64_t(archive.patternRecord[n][2] | archive.patternRecord[n][3] << 8) *
              uint64_t(archive.patternRecord[n][4] | archive.patternRecord[n][5] << 8);
    }
    uint8_t table[1024];
    archive.CopyPalette(table);
  }
  // The tools' reader takes the same files (and refuses the rest quickly), but
  // gives every pixel of every pattern: archives of many transparent pixels in
  // few bytes would take most of the run, so they are left out.
  if (area > (1u << 16)) return 0;

  std::string error;
  std::optional<image::DarContents> contents =
      image::DecodeDarBytes(std::vector<uint8_t>(data, data + size), &error);
  if (contents) {
    std::optional<image::DarContents> again =
        image::DecodeDarBytes(image::EncodeDar(*contents, &error), &error);
    if (!again || again->colorTable != contents->colorTable ||
        again->patterns.size() != contents->patterns.size())
      __builtin_trap();
    for (size_t i = 0; i < again->patterns.size(); ++i) {
      if (again->patterns[i].pixels != contents->patterns[i].pixels) __builtin_trap();
    }
  }
  return 0;
}
