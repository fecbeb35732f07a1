// The present path: a full 640×480 surface shown through the SDL backend, and a
// 320×240 8-bit picture drawn 2:1 through its colour table; each beside a
// memcpy of the same output size (1,228,800 bytes).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/sdl/sdl_backend.h"
#include "services/calls.h"
#include "services/surface.h"
#include "shell/entry.h"
#include "shell/main_window.h"

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

// The SDL backend on its dummy video driver (no X server needed): every
// iteration marks the screen changed and presents it (texture upload and copy).
void BM_PresentScreen(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto runtime = std::filesystem::temp_directory_path() / "zelk-bench-present";
  std::filesystem::create_directories(runtime);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
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

}  // namespace
