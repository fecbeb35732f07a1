// One headless run of a demo program: the program's own entry on the virtual
// backend (and, for scenedemo, the virtual-time media devices), with hooks to
// look at the screen at chosen virtual times or at every presented frame.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/virtual/virtual_backend.h"
#include "platform/virtual/virtual_media_service.h"
#include "services/system.h"

namespace zelkrender {

// A demo program of the manifest as the renderer knows it.
struct ProgramInfo {
  std::string_view name;
  int (*entry)();
  // The wave file whose first play starts the first cycle; empty when the
  // program plays no sound.
  std::string_view theme;
  // The folder below the program's own where its files lie ("" for beside it).
  std::string_view folder;
  // What "the whole program" means when no end time is given: one cycle, or
  // 10 s of a program without cycles.
  uint64_t defaultSpanMs;
};

std::optional<ProgramInfo> FindProgram(std::string_view name);
std::string ProgramNames();  // "scenedemo, lensdemo, …""

// 640×480 XRGB pixels, row by row from the top.
using Picture = std::vector<uint32_t>;
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

class Stage {
 public:
  // `programDir` is the folder the program runs from: its data files resolve
  // against it. The clock advances `pumpMs` per look at the queue.
  Stage(const ProgramInfo& program, const std::string& programDir, uint32_t pumpMs);
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  // Times given to At count from the first play of the theme instead of the
  // program's start (programs with a theme only).
  void CountFromTheme() { fromTheme_ = true; }
  // Runs `action` when the virtual clock reaches `ms` after the origin, inside
  // the pump or sleep that reaches it; the screen then shows what the window
  // shows at that moment.
  void At(uint64_t ms, std::function<void()> action);
  // The same at `elapsed` ms after the program's start, whatever the origin.
  void AtElapsed(uint64_t elapsed, std::function<void()> action);
  // Called with every presented screen once the program's body has started.
  void OnFrame(std::function<void(const services::Surface&)> hook) { onFrame_ = std::move(hook); }
  // Ends the program at its next pump (as a confirmed close would).
  void Stop();

  // Runs the program until it ends; returns its exit code.
  int Run();

  // The window's screen as it is now (black before the window exists).
  Picture Shot() const;
  // Virtual time of the origin since the program's start, once known.
  std::optional<uint64_t> origin() const { return origin_; }
  // Virtual time of the theme's first play, once it has played.
  std::optional<uint64_t> ThemeStart() const;
  // Virtual milliseconds since the program's start.
  uint64_t Elapsed() const { return backend_->Elapsed(); }
  const std::vector<platform::VirtualMediaService::LogEntry>* MediaLog() const;
  const std::vector<services::BoxRecord>& Boxes() const { return system_.boxLog(); }

 private:
  class WatchedMedia;
  void OnMediaCommand();
  void SetOrigin(uint64_t elapsed);

  const ProgramInfo program_;
  platform::VirtualBackend* backend_ = nullptr;  // owned by system_
  services::System system_;
  WatchedMedia* media_ = nullptr;  // owned by system_
  bool fromTheme_ = false;
  bool bodyStarted_ = false;
  std::optional<uint64_t> origin_;
  std::vector<std::pair<uint64_t, std::function<void()>>> pending_;  // until the origin is known
  std::function<void(const services::Surface&)> onFrame_;
};

}  // namespace zelkrender
