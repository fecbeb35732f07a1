// Writes small AVI files for tests through FFmpeg: a dark blue picture with
// a 32×32 square that moves right and changes colour every frame, and a
// sine tone as the sound track.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

struct TestAviOptions {
  int width = 160;
  int height = 120;
  int fps = 10;
  int frames = 10;
  bool mjpeg = false;   // MJPEG pictures; otherwise raw BGR24 (exact colours)
  bool picture = true;  // false: a sound track only
  bool sound = true;    // a 440 Hz tone, 16-bit mono at 22050 Hz
};

constexpr uint32_t kTestAviBackground = 0x102040;  // XRGB

// The square's colour in frame `frame` (XRGB): ten different colours, then
// round again.
uint32_t TestAviSquareColour(int frame);
// The square's left edge in frame `frame`; its top is height / 2 − 16.
int TestAviSquareLeft(int frame, int width);

// False with a reason when FFmpeg cannot write the file.
bool WriteTestAvi(const std::string& path, const TestAviOptions& options, std::string* error);

}  // namespace testing_support
