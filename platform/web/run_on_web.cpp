#include "platform/web/run_on_web.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/virtual/virtual_media_service.h"
#include "platform/web/page.h"
#include "platform/web/web_backend.h"
#include "platform/web/web_media_service.h"
#include "platform/web/web_virtual_backend.h"
#include "services/media/media_service.h"
#include "services/system.h"

namespace platform::web {

namespace {

struct Mode {
  bool virtualClock = false;
  std::vector<uint64_t> at;
  int frames = 0;
};

Mode ReadMode(int argc, const char* const* argv) {
  Mode mode;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (word == "--virtual") {
      mode.virtualClock = true;
    } else if (word.substr(0, 5) == "--at=") {
      std::string list(word.substr(5));
      for (size_t pos = 0; pos < list.size();) {
        size_t comma = list.find(',', pos);
        if (comma == std::string::npos) comma = list.size();
        if (comma > pos) mode.at.push_back(std::strtoull(list.c_str() + pos, nullptr, 10));
        pos = comma + 1;
      }
    } else if (word.substr(0, 9) == "--frames=") {
      mode.frames = std::atoi(std::string(word.substr(9)).c_str());
    }
  }
  return mode;
}

int RunVirtual(const char* programName, int (*entry)(), bool playsMedia, const Mode& mode) {
  WebVirtualBackend* backend = nullptr;
  services::System system([&](services::System& s) {
    auto made = std::make_unique<WebVirtualBackend>(s, programName);
    backend = made.get();
    return made;
  });
  if (playsMedia) system.SetMediaService(std::make_unique<VirtualMediaService>(system, *backend));
  if (!mode.at.empty()) backend->ReportAt(mode.at);
  if (mode.frames > 0) backend->ReportFrames(mode.frames);
  services::ScopedSystem installed(system);
  return entry();
}

int RunReal(const char* programName, int (*entry)(), bool playsMedia) {
  WebBackend* backend = nullptr;
  services::System system([&](services::System& s) {
    auto made = std::make_unique<WebBackend>(s, programName);
    backend = made.get();
    return made;
  });
  if (playsMedia) system.SetMediaService(std::make_unique<WebMediaService>(system, *backend));
  services::ScopedSystem installed(system);
  return entry();
}

}  // namespace

int RunOnWeb(const char* programName, int (*entry)(), bool playsMedia, int argc,
             const char* const* argv) {
  const Mode mode = ReadMode(argc, argv);
  const int code = mode.virtualClock ? RunVirtual(programName, entry, playsMedia, mode)
                                     : RunReal(programName, entry, playsMedia);
  PageProgramEnded(code);
  return code;
}

}  // namespace platform::web
