#include "programs/run_on_sdl.h"
#include "programs/scenedemo.h"

int main() {
  return programs::RunOnSdl(programs::ScenedemoMain);
}
