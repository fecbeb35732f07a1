#include "image/data_path.h"

#include <cstring>
#include <string>

#include "platform/paths.h"
#include "services/system.h"
#include "shell/text.h"

namespace image {

bool BuildDataPath(char (&path)[kMaxPath], std::string_view name) {
  // Every data file the programs read is named here first: where the data
  // arrive while the program runs, this is where the program waits for one.
  if (services::HasSystem()) services::Sys().AwaitDataFile(name);
  std::string full = platform::ProgramRelativePath(name);
  std::string fitted = shell::FitText(full, kMaxPath);
  std::memcpy(path, fitted.c_str(), fitted.size() + 1);
  return fitted.size() == full.size();
}

}  // namespace image
