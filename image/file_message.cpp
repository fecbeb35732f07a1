#include "image/file_message.h"

#include "platform/system.h"
#include "shell/text.h"

namespace image {

std::string FileMessageText(std::string_view message, std::string_view path) {
  std::string text(message);
  text += '\n';
  text += path;
  return shell::FitText(text, kMessageBufferSize);
}

void ShowFileMessage(platform::WindowHandle owner, const char* caption, std::string_view message,
                     std::string_view path) {
  platform::MessageBox(owner, FileMessageText(message, path), caption ? caption : "",
                       platform::MB_ICONERROR);
}

}  // namespace image
