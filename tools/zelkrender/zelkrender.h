// zelkrender: runs any demo program headlessly on the virtual backend and
// writes what its window shows as pictures, a contact sheet or a video.
#pragma once

namespace zelkrender {

// The whole tool: parses the command line, renders, and returns the exit code
// (0 done, 1 the render failed, 2 a bad command line; messages on stderr).
int Main(int argc, const char* const* argv);

}  // namespace zelkrender
