// zelkimg: converts and inspects the pictures and pattern archives of the
// demos (MAG, BMP, DAR) for the people who make their content.
#pragma once

namespace zelkimg {

// The whole tool: parses the command line, runs one command, and returns the
// exit code (0 on success; messages on standard error otherwise).
int Main(int argc, const char* const* argv);

}  // namespace zelkimg
