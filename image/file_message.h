// The error box of the BMP and DAR loaders: the message, a line break and the
// full path ("%s\n%s"), cut to the loaders' 256-byte text buffer. And the
// line every loader's box also gets on standard error: the full path and why.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "services/types.h"

namespace image {

constexpr size_t kMessageBufferSize = 256;

std::string FileMessageText(std::string_view message, std::string_view path);

void ShowFileMessage(services::WindowHandle owner, const char* caption, std::string_view message,
                     std::string_view path);

// "PATH: WHY" on standard error, under the program's name.
void ReportFileFailure(std::string_view path, std::string_view why);

// Why a loader could not open `path`: its path did not fit (`fits` false) or
// the file's own reason.
std::string OpenFailure(bool fits, const std::string& why);

}  // namespace image
