#include <memory>

#include "platform/media/sdl_media_service.h"
#include "programs/run_on_sdl.h"
#include "programs/scenedemo.h"
#include "services/system.h"

int main() {
  return programs::RunOnSdl(programs::ScenedemoMain, [](services::System& system) {
    system.SetMediaService(std::make_unique<platform::SdlMediaService>(system));
  });
}
