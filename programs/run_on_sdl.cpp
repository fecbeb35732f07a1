#include "programs/run_on_sdl.h"

#include <memory>

#include "platform/sdl/sdl_backend.h"
#include "services/system.h"

namespace programs {

int RunOnSdl(int (*entry)(), const std::function<void(services::System&)>& setUp) {
  services::System system(
      [](services::System& s) { return std::make_unique<platform::SdlBackend>(s); });
  if (setUp) setUp(system);
  services::ScopedSystem installed(system);
  return entry();
}

}  // namespace programs
