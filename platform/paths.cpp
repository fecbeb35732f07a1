#include "platform/paths.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "services/calls.h"

namespace platform {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string ProgramDirectory() {
  std::string module = services::ModuleFileName();
  size_t slash = module.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  return module.substr(0, slash + 1);
}

std::string ResolveNoCase(std::string_view path) {
  namespace fs = std::filesystem;
  size_t pos = (!path.empty() && path[0] == '/') ? 1 : 0;
  std::string result(pos, '/');
  bool matching = true;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string_view::npos) next = path.size();
    std::string_view part = path.substr(pos, next - pos);
    pos = next + 1;
    if (part.empty()) {
      if (next == path.size()) break;
      continue;
    }
    std::string chosen(part);
    if (matching && part != "." && part != "..") {
      std::error_code ec;
      fs::path base = result.empty() ? fs::path(".") : fs::path(result);
      if (!fs::exists(base / chosen, ec)) {
        bool found = false;
        for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
          std::string name = it->path().filename().string();
          if (EqualNoCase(name, part)) {
            chosen = name;
            found = true;
            break;
          }
        }
        if (!found) matching = false;
      }
    }
    if (!result.empty() && result.back() != '/') result += '/';
    result += chosen;
    if (next == path.size()) break;
  }
  return result;
}

std::string ProgramRelativePath(std::string_view relativeName) {
  std::string name(relativeName);
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return ResolveNoCase(ProgramDirectory() + name);
}

}  // namespace platform
