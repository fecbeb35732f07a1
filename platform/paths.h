// File names as the programs see them: relative to the program's own folder,
// with backslashes between folders, and matched without regard to case.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The folder of the running program, with a trailing '/'.
std::string ProgramDirectory();

// Turns a path whose components may differ in case from the names on disk into
// the path on disk: each component that does not exist as written is replaced by
// an entry of its folder that matches it without regard to (ASCII) case. The
// first component that matches nothing, and everything after it, stay as
// written, so opening the result fails as it would for the name itself.
std::string ResolveNoCase(std::string_view path);

// Program directory + relative name, with '\' turned into '/', resolved without
// regard to case.
std::string ProgramRelativePath(std::string_view relativeName);

}  // namespace platform
