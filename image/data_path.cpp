#include "image/data_path.h"

#include <cstring>
#include <string>

#include "platform/paths.h"
#include "shell/text.h"

namespace image {

bool BuildDataPath(char (&path)[kMaxPath], std::string_view name) {
  std::string full = platform::ProgramRelativePath(name);
  std::string fitted = shell::FitText(full, kMaxPath);
  std::memcpy(path, fitted.c_str(), fitted.size() + 1);
  return fitted.size() == full.size();
}

}  // namespace image
