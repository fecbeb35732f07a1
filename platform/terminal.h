// Whether the standard streams go to a terminal: the tools write no picture
// to one, and show progress only on one.
#pragma once

namespace platform {

bool StdoutIsTerminal();
bool StderrIsTerminal();

}  // namespace platform
