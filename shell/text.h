// Fixed-size text buffers of the original, as strings: formatted text is cut to
// fit the buffer it was written into (never in the middle of a character).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace shell {

// `text` cut to at most bufferSize − 1 bytes, at a UTF-8 character boundary.
std::string FitText(std::string_view text, size_t bufferSize);

}  // namespace shell
