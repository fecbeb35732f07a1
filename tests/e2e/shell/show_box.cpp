// Shows one message box on the real backend, without an owner window, and
// exits with its answer: for the end-to-end tests of the box's keys, pointer,
// placement and scale.
//   show_box STYLE CAPTION TEXT
#include <cstdlib>
#include <memory>

#include "platform/sdl/sdl_backend.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  if (argc != 4) return 100;
  platform::System system(std::make_unique<platform::SdlBackend>());
  platform::ScopedSystem installed(system);
  const auto style = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 0));
  return platform::MessageBox(nullptr, argv[3], argv[2], style);
}
