#include "image/file_message.h"

#include "image/data_path.h"

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

void ReportFileFailure(std::string_view path, std::string_view why) {
  services::ReportToStderr(std::string(path) + ": " + std::string(why));
}

std::string OpenFailure(bool fits, const std::string& why) {
  return fits ? why
              : "the path is longer than the " + std::to_string(kMaxPath - 1) +
                    " bytes a program's data path may have";
}

}  // namespace image
