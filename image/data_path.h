// Data files are named relative to the running program's folder ("data\x.mag"),
// never the working directory, and are matched without regard to case.
#pragma once

#include <cstddef>
#include <string_view>

namespace image {

constexpr size_t kMaxPath = 260;

// Builds in `path` the program directory followed by `name`, backslashes turned
// into folder separators and each component matched without regard to case.
// Returns false when the result needs more than kMaxPath − 1 bytes: the buffer
// then holds the path cut to fit (at a character boundary), and callers treat
// the file as one that cannot be opened.
bool BuildDataPath(char (&path)[kMaxPath], std::string_view name);

}  // namespace image
