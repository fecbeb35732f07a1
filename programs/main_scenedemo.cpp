#include "programs/scenedemo.h"
#include "programs/run_on_sdl.h"

int main() { return programs::RunOnSdl(programs::ScenedemoMain); }
