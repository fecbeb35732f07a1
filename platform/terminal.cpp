#include "platform/terminal.h"

#include <unistd.h>

namespace platform {

bool StdoutIsTerminal() {
  return ::isatty(STDOUT_FILENO) == 1;
}

bool StderrIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace platform
