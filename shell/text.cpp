#include "shell/text.h"

namespace shell {

std::string FitText(std::string_view text, size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  size_t limit = bufferSize - 1;
  if (text.size() <= limit) return std::string(text);
  size_t cut = limit;
  // Step back over continuation bytes so a character is never split.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    --cut;
  return std::string(text.substr(0, cut));
}

}  // namespace shell
