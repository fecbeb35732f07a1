#include "programs/effect_programs.h"
#include "programs/run_on_sdl.h"

int main() {
  return programs::RunOnSdl(programs::PlasmademoMain);
}
