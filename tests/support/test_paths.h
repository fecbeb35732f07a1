// Where tests find the source tree (fixtures, golden files) and the built
// programs with their generated data. ZELK_SOURCE_DIR / ZELK_BIN_DIR in the
// environment override the folders of the build the tests belong to.
#pragma once

#include <string>

namespace testing_support {

std::string SourceDir();
std::string BinDir();

}  // namespace testing_support
