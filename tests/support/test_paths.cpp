#include "tests/support/test_paths.h"

#include <cstdlib>

namespace testing_support {

std::string SourceDir() {
  const char* env = std::getenv("ZELK_SOURCE_DIR");
  return env != nullptr ? env : ZELK_SOURCE_DIR_PATH;
}

std::string BinDir() {
  const char* env = std::getenv("ZELK_BIN_DIR");
  return env != nullptr ? env : ZELK_BIN_DIR_PATH;
}

}  // namespace testing_support
