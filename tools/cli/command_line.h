// Plain messages for command lines the tools cannot take: an unknown command
// or option names itself and lists the valid ones.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace tools {

// The message for a failed parse of `app` (the tool's top-level command),
// without the tool's name. Callers let CLI11 answer --help itself.
std::string ExplainParseError(const CLI::App& app, const CLI::ParseError& error);

}  // namespace tools
