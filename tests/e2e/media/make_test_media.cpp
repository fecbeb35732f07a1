// Writes the AVI fixture of the media end-to-end tests:
//   make_test_avi OUT.avi FRAMES FPS [mjpeg]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/media/test_avi.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: make_test_avi OUT.avi FRAMES FPS [mjpeg]\n");
    return 2;
  }
  testing_support::TestAviOptions o;
  o.frames = std::atoi(argv[2]);
  o.fps = std::atoi(argv[3]);
  o.mjpeg = argc > 4 && std::string(argv[4]) == "mjpeg";
  std::string why;
  if (!testing_support::WriteTestAvi(argv[1], o, &why)) {
    std::fprintf(stderr, "make_test_avi: %s\n", why.c_str());
    return 1;
  }
  return 0;
}
