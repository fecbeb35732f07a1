#include "programs/run_on_sdl.h"

#include <memory>

#include "platform/sdl/sdl_backend.h"

namespace programs {

int RunOnSdl(int (*entry)()) {
  platform::System system(std::make_unique<platform::SdlBackend>());
  platform::ScopedSystem installed(system);
  return entry();
}

}  // namespace programs
