// The error box of the BMP and DAR loaders: the message, a line break and the
// full path ("%s\n%s"), cut to the loaders' 256-byte text buffer.
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

}  // namespace image
