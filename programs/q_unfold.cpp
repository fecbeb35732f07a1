// The installer's entry: the expansion run, bound to the archive library the
// program is linked against.
#include "archive/qarch.h"
#include "installer/expansion_run.h"

namespace programs {

int QUnfoldMain() {
  installer::RunExpansion(
      installer::SystemHooks({QArch_GetVersion, QArch_InitUnlha, QArch_UnpackUnlha}));
  return 0;
}

}  // namespace programs
