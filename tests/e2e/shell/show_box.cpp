// Shows one message box on the real backend, without an owner window, and
// exits with its answer: for the end-to-end tests of the box's keys, pointer,
// placement and scale.
//   show_box STYLE CAPTION TEXT
#include <cstdlib>
#include <memory>

#include "platform/sdl/sdl_backend.h"
#include "services/calls.h"
#include "services/system.h"

int main(int argc, char** argv) {
  if (argc != 4) return 100;
  services::System system(
      [](services::System& s) { return std::make_unique<platform::SdlBackend>(s); });
  services::ScopedSystem installed(system);
  const auto style = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 0));
  return services::MessageBox(nullptr, argv[3], argv[2], style);
}
