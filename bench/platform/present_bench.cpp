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
#include "platform/surface.h"
#include "platform/system.h"
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

void BM_StretchDIBits8To640x480(benchmark::State& state) {
  platform::Surface screen;
  screen.Allocate();
  std::vector<uint8_t> table(1024), bits(320 * 240);
  for (size_t i = 0; i < bits.size(); ++i)
    bits[i] = static_cast<uint8_t>(i * 7);
  for (size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<uint8_t>(i);
  platform::DibView v;
  v.width = 320;
  v.height = 240;
  v.bitCount = 8;
  v.colorTable = table.data();
  v.colorCount = 256;
  v.bits = bits.data();
  v.bitsSize = bits.size();
  for (auto _ : state) {
    screen.StretchDIBits(0, 0, 640, 480, 0, 0, 320, 240, v);
    benchmark::DoNotOptimize(screen.Pixels());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kScreenBytes);
}
BENCHMARK(BM_StretchDIBits8To640x480);

// A full-window 256-colour picture drawn 1:1 (the scenes' usual MAG draw).
void BM_DrawDib8At640x480(benchmark::State& state) {
  platform::Surface screen;
  screen.Allocate();
  std::vector<uint8_t> table(1024), bits(640 * 480);
  for (size_t i = 0; i < bits.size(); ++i)
    bits[i] = static_cast<uint8_t>(i * 7);
  for (size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<uint8_t>(i);
  platform::DibView v;
  v.width = 640;
  v.height = 480;
  v.bitCount = 8;
  v.colorTable = table.data();
  v.colorCount = 256;
  v.bits = bits.data();
  v.bitsSize = bits.size();
  for (auto _ : state) {
    screen.StretchDIBits(0, 0, 640, 480, 0, 0, 640, 480, v);
    benchmark::DoNotOptimize(screen.Pixels());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kScreenBytes);
}
BENCHMARK(BM_DrawDib8At640x480);

// The SDL backend on its dummy video driver (no X server needed): every
// iteration marks the screen changed and presents it (texture upload and copy).
void BM_PresentScreen(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto runtime = std::filesystem::temp_directory_path() / "zelk-bench-present";
  std::filesystem::create_directories(runtime);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  platform::System system(std::make_unique<platform::SdlBackend>());
  platform::ScopedSystem installed(system);
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
