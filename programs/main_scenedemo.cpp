#include <memory>

#include "platform/media/sdl_media_service.h"
#include "platform/system.h"
#include "programs/run_on_sdl.h"
#include "programs/scenedemo.h"

int main() {
  return programs::RunOnSdl([] {
    platform::Sys().SetMediaService(std::make_unique<platform::SdlMediaService>(platform::Sys()));
    return programs::ScenedemoMain();
  });
}
