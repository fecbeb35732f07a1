// Plain messages for command lines the tools cannot take: an unknown command
// or option names itself and lists the valid ones. Plain help: options show
// what they take in words, not the parser's type names.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace tools {

// The message for a failed parse of `app` (the tool's top-level command),
// without the tool's name. Callers let CLI11 answer --help itself.
std::string ExplainParseError(const CLI::App& app, const CLI::ParseError& error);

// Help for `app` and the commands added to it afterwards without type names,
// defaults or "REQUIRED": an option that takes a value shows its
// option_text ("--size PIXELS"), or VALUE without one.
void UsePlainHelp(CLI::App& app);

}  // namespace tools
