#include "programs/run_on_sdl.h"

namespace programs {
int QUnfoldMain();
}  // namespace programs

int main() {
  return programs::RunOnSdl(programs::QUnfoldMain);
}
