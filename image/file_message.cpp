#include "image/file_message.h"

#include "services/calls.h"
#include "shell/text.h"

namespace image {

std::string FileMessageText(std::string_view message, std::string_view path) {
  std::string text(message);
  text += '\n';
  text += path;
  return shell::FitText(text, kMessageBufferSize);
}

void ShowFileMessage(services::WindowHandle owner, const char* caption, std::string_view message,
                     std::string_view path) {
  services::MessageBox(owner, FileMessageText(message, path), caption ? caption : "",
                       services::MB_ICONERROR);
}

}  // namespace image
