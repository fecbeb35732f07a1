#include "tools/zelkrender/stage.h"

#include <algorithm>
#include <cctype>

#include "programs/entries.h"
#include "tools/manifest/manifest.h"

namespace zelkrender {

namespace {

constexpr uint64_t kSpanWithoutCycles = 10000;

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (tail.size() > text.size()) return false;
  return std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

std::optional<ProgramInfo> FindProgram(std::string_view name) {
  const manifest::Program* p = manifest::FindProgram(name);
  if (p == nullptr) return std::nullopt;
  return ProgramInfo{p->name, programs::FindEntry(name), p->theme, p->folder,
                     p->cycleMs != 0 ? p->cycleMs : kSpanWithoutCycles};
}

std::string ProgramNames() {
  std::string names;
  for (const manifest::Program& p : manifest::Programs()) {
    if (!names.empty()) names += ", ";
    names += p.name;
  }
  return names;
}

// The virtual-time media devices, telling the stage after every command so it
// can see the theme's first play as it happens.
class Stage::WatchedMedia : public platform::VirtualMediaService {
 public:
  WatchedMedia(services::System& system, platform::VirtualBackend& backend, Stage& stage)
      : VirtualMediaService(system, backend), stage_(stage) {}
  uint32_t SendCommand(services::MciDeviceId device, uint32_t command, uint32_t flags,
                       void* params) override {
    const uint32_t result = VirtualMediaService::SendCommand(device, command, flags, params);
    stage_.OnMediaCommand();
    return result;
  }

 private:
  Stage& stage_;
};

Stage::Stage(const ProgramInfo& program, const std::string& programDir, uint32_t pumpMs)
    : program_(program), system_([this](services::System& s) {
        auto made = std::make_unique<platform::VirtualBackend>(s);
        backend_ = made.get();
        return made;
      }) {
  backend_->SetPumpMs(pumpMs);
  backend_->SetModuleFileName(programDir + "/" + std::string(program.name));
  backend_->SetMarkHook([this](const std::string& what) {
    if (what == "body") bodyStarted_ = true;
  });
  backend_->SetPresentHook([this](services::Tick, const services::Surface& screen) {
    if (bodyStarted_ && onFrame_) onFrame_(screen);
  });
  if (!program.theme.empty()) {
    auto media = std::make_unique<WatchedMedia>(system_, *backend_, *this);
    media_ = media.get();
    system_.SetMediaService(std::move(media));
  }
}

Stage::~Stage() = default;

void Stage::At(uint64_t ms, std::function<void()> action) {
  if (!fromTheme_ && !origin_) origin_ = 0;
  if (origin_) {
    backend_->At(*origin_ + ms, std::move(action));
  } else {
    pending_.emplace_back(ms, std::move(action));
  }
}

void Stage::AtElapsed(uint64_t elapsed, std::function<void()> action) {
  backend_->At(elapsed, std::move(action));
}

void Stage::SetOrigin(uint64_t elapsed) {
  origin_ = elapsed;
  for (auto& [ms, action] : pending_)
    backend_->At(elapsed + ms, std::move(action));
  pending_.clear();
}

std::optional<uint64_t> Stage::ThemeStart() const {
  if (media_ == nullptr) return std::nullopt;
  for (const auto& entry : media_->log()) {
    if (entry.command == services::MCI_PLAY && EndsWithNoCase(entry.file, program_.theme)) {
      return entry.elapsedMs;
    }
  }
  return std::nullopt;
}

void Stage::OnMediaCommand() {
  if (origin_ || !fromTheme_) return;
  if (auto start = ThemeStart()) SetOrigin(*start);
}

void Stage::Stop() {
  system_.PostQuit(0);
}

int Stage::Run() {
  if (!fromTheme_ && !origin_) SetOrigin(0);
  services::ScopedSystem installed(system_);
  return program_.entry();
}

Picture Stage::Shot() const {
  Picture picture(size_t{kScreenWidth} * kScreenHeight, 0);
  for (const auto& w : system_.windows()) {
    if (w->screen.Valid()) {
      std::copy_n(w->screen.Pixels(), picture.size(), picture.begin());
      break;
    }
  }
  return picture;
}

const std::vector<platform::VirtualMediaService::LogEntry>* Stage::MediaLog() const {
  return media_ != nullptr ? &media_->log() : nullptr;
}

}  // namespace zelkrender
