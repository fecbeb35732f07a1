// The present path: a full 640×480 surface shown through the SDL backend, and a
// 320×240 8-bit picture drawn 2:1 through its colour table; each beside a
// memcpy of the same output size (1,228,800 bytes). Then the pace of a picture
// drawn before a wait: how long a short wait takes with it pending, and how
// late after its refresh a longer wait shows it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/sdl/frame_clock.h"
#include "platform/sdl/sdl_backend.h"
#include "services/calls.h"
#include "services/surface.h"
#include "shell/entry.h"
#include "shell/main_window.h"
#include "shell/pump.h"

namespace {

constexpr size_t kScreenBytes = 640 * 480 * 4;

void BM_MemcpyScreen(benchmark::State& state) {
  std::vector<uint8_t> a(kScreenBytes, 1), b(kScreenBytes);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), kScreenBytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kScreenBytes);
}
BENCHMARK(BM_MemcpyScreen);

// An 8-bit bottom-up picture of the given size drawn to the full window through
// its colour table: 320×240 is the 2:1 enlargement, 640×480 the usual 1:1 draw.
void DrawIndexedToFullWindow(benchmark::State& state, int width, int height) {
  services::Surface screen;
  if (!screen.Allocate()) {
    state.SkipWithError("no memory for the screen");
    return;
  }
  std::vector<uint8_t> table(1024), bits(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < bits.size(); ++i)
    bits[i] = static_cast<uint8_t>(i * 7);
  for (size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<uint8_t>(i);
  services::DibView v;
  v.width = width;
  v.height = height;
  v.bitCount = 8;
  v.colorTable = table.data();
  v.colorCount = 256;
  v.bits = bits.data();
  v.bitsSize = bits.size();
  for (auto _ : state) {
    screen.StretchDIBits(0, 0, 640, 480, 0, 0, width, height, v);
    benchmark::DoNotOptimize(screen.Pixels());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kScreenBytes);
}

void BM_StretchDIBits8To640x480(benchmark::State& state) {
  DrawIndexedToFullWindow(state, 320, 240);
}
BENCHMARK(BM_StretchDIBits8To640x480);

void BM_DrawDib8At640x480(benchmark::State& state) {
  DrawIndexedToFullWindow(state, 640, 480);
}
BENCHMARK(BM_DrawDib8At640x480);

// SDL's dummy video driver (no X server needed), and a runtime folder for the
// single-instance lock.
void UseDummyVideo() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto runtime = std::filesystem::temp_directory_path() / "zelk-bench-present";
  std::filesystem::create_directories(runtime);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

// The SDL backend on its dummy video driver: every iteration marks the screen
// changed and presents it (texture upload and copy).
void BM_PresentScreen(benchmark::State& state) {
  UseDummyVideo();
  services::System system(
      [](services::System& s) { return std::make_unique<platform::SdlBackend>(s); });
  services::ScopedSystem installed(system);
  if (!shell::RegisterWindowClass()) {
    state.SkipWithError("no SDL video");
    return;
  }
  shell::MainWindow window("bench");
  if (window.hwnd == nullptr) {
    state.SkipWithError("no window");
    return;
  }
  for (auto _ : state) {
    window.screenDC->MarkChanged();
    system.PresentAll();
  }
  state.SetBytesProcessed(state.iterations() * kScreenBytes);
}
BENCHMARK(BM_PresentScreen);

using Clock = platform::FrameClock::Clock;

// The SDL backend, noting when each new picture reached the window.
class TimedBackend : public platform::SdlBackend {
 public:
  using SdlBackend::SdlBackend;
  bool Present(services::Window& window, platform::Pace pace) override {
    const bool shown = SdlBackend::Present(window, pace);
    if (shown) lastShown = Clock::now();
    return shown;
  }
  Clock::time_point lastShown;
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// A scene's step at a display of 60 Hz: a picture is shown, the next one is
// drawn at once and waited for, first by a wait of 2 ms, which the picture
// must not hold up until the refresh (short_wait_ms), then by a wait of three
// refreshes, which shows it at the refresh within it (late_ms: how long after
// that refresh it reached the window; late_max_ms the worst).
void BM_PictureBeforeAWait(benchmark::State& state) {
  UseDummyVideo();
  TimedBackend* made = nullptr;
  services::System system([&made](services::System& s) {
    auto backend = std::make_unique<TimedBackend>(s, 60);
    made = backend.get();
    return backend;
  });
  services::ScopedSystem installed(system);
  TimedBackend& timed = *made;
  if (!shell::RegisterWindowClass()) {
    state.SkipWithError("no SDL video");
    return;
  }
  shell::MainWindow window("bench");
  if (window.hwnd == nullptr) {
    state.SkipWithError("no window");
    return;
  }
  const Clock::duration period = platform::FrameClock::PeriodOf(60);
  double shortWaits = 0, late = 0, latest = 0;
  for (auto _ : state) {
    window.screenDC->MarkChanged();
    if (shell::PumpPending() == 0) break;
    const Clock::time_point refresh = timed.lastShown + period;
    window.screenDC->MarkChanged();
    const Clock::time_point start = Clock::now();
    if (shell::WaitUntil(services::GetTickCount() + 2) == 0) break;
    shortWaits += Ms(Clock::now() - start);
    if (shell::WaitUntil(services::GetTickCount() + 50) == 0) break;
    late += Ms(timed.lastShown - refresh);
    latest = std::max(latest, Ms(timed.lastShown - refresh));
  }
  using benchmark::Counter;
  state.counters["short_wait_ms"] = Counter(shortWaits, Counter::kAvgIterations);
  state.counters["late_ms"] = Counter(late, Counter::kAvgIterations);
  state.counters["late_max_ms"] = latest;
}
BENCHMARK(BM_PictureBeforeAWait)->Iterations(40)->Unit(benchmark::kMillisecond);

}  // namespace
