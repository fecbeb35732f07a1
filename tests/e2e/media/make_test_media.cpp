// Writes the fixtures of the media end-to-end tests:
//   make_test_media avi OUT.avi FRAMES FPS [mjpeg]
//   make_test_media wav OUT.wav MS        (a 16-bit stereo tone at 44.1 kHz)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/media/test_avi.h"
#include "tests/support/media/wave_writer.h"

int main(int argc, char** argv) {
  const std::string kind = argc > 1 ? argv[1] : "";
  if (kind == "avi" && argc >= 5) {
    testing_support::TestAviOptions o;
    o.frames = std::atoi(argv[3]);
    o.fps = std::atoi(argv[4]);
    o.mjpeg = argc > 5 && std::string(argv[5]) == "mjpeg";
    std::string why;
    if (testing_support::WriteTestAvi(argv[2], o, &why)) return 0;
    std::fprintf(stderr, "make_test_media: %s\n", why.c_str());
    return 1;
  }
  if (kind == "wav" && argc >= 4) {
    const size_t frames = static_cast<size_t>(std::atoi(argv[3])) * 441 / 10;
    std::vector<int16_t> samples(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
      samples[2 * i] = samples[2 * i + 1] =
          static_cast<int16_t>(10000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 44100));
    }
    return testing_support::WriteFile(argv[2], testing_support::MakeWave(samples, 2, 44100)) ? 0
                                                                                             : 1;
  }
  std::fprintf(stderr, "usage: make_test_media avi OUT FRAMES FPS [mjpeg] | wav OUT MS\n");
  return 2;
}
