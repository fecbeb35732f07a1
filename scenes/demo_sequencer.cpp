#include "scenes/demo_sequencer.h"

#include <array>
#include <cmath>
#include <cstring>

#include "scenes/scene_support.h"
#include "shell/pump.h"

namespace scenes {

namespace {

template <typename T, size_t N>
std::array<T, N> CosineTable(double amplitude) {
  std::array<T, N> t{};
  for (size_t i = 0; i < N; ++i) {
    t[i] = static_cast<T>(amplitude * std::cos(static_cast<double>(i) * 3.141592654 / 16));
  }
  return t;
}

const std::array<int16_t, 480> kWaveTable = CosineTable<int16_t, 480>(8);
const std::array<int32_t, 116> kCometWave = CosineTable<int32_t, 116>(4);

}  // namespace

std::span<const int16_t, 480> WaveTable() {
  return kWaveTable;
}
std::span<const int32_t, 116> CometWave() {
  return kCometWave;
}

void OffsetRowsCopy(uint8_t* destination, const uint8_t* source, int n, int count,
                    const int16_t* table) {
  for (int r = 0; r < count; ++r) {
    std::memcpy(destination + static_cast<ptrdiff_t>(r) * n + table[r],
                source + static_cast<ptrdiff_t>(r) * n, static_cast<size_t>(n));
  }
}

DemoSequencer::DemoSequencer(shell::MainWindow* mainWindow) : window(mainWindow) {}

template <typename Scene>
int DemoSequencer::Step(std::string_view name, Scene&& scene) {
  if (onStep) onStep(name, -1);
  int result = scene();
  if (onStep) onStep(name, result);
  return result;
}

int DemoSequencer::Run() {
  for (;;) {
    if (player != nullptr) {
      player->PlayWave("data\\tobirano.wav", 1);
      // The pump inside PlayWave may have taken the quit message.
      if (player->QuitSeen()) return 0;
    }
    cycleStart = Now();
    if (onStep) onStep("cycle", -1);
    if (!Step("OpeningScene", [&] { return OpeningScene(); })) return 0;
    if (!Step("TitleHold", [&] { return shell::WaitUntil(cycleStart + 7000); })) return 0;
    if (!Step("TitleWaveScene", [&] { return TitleWaveScene(); })) return 0;
    if (!Step("FadeSlideScene", [&] { return FadeSlideScene(); })) return 0;
    if (!Step("PortraitRevealScene", [&] { return PortraitRevealScene(); })) return 0;
    if (!Step("PlasmaScene", [&] { return PlasmaScene(); })) return 0;
    if (!Step("CometScene", [&] { return CometScene(); })) return 0;
    if (!Step("MosaicPortraitScene", [&] { return MosaicPortraitScene("data\\orine.bmp", 67000); }))
      return 0;
    if (!Step("LensScene", [&] { return LensScene(); })) return 0;
    if (!Step("RotationScene", [&] { return RotationScene(); })) return 0;
    if (!Step("MosaicPortraitScene", [&] { return MosaicPortraitScene("data\\dova.bmp", 120000); }))
      return 0;
    if (!Step("RippleScene", [&] { return RippleScene(); })) return 0;
    if (!Step("GalleryScene", [&] { return GalleryScene(); })) return 0;
    if (!Step("FinaleScene", [&] { return FinaleScene(); })) return 0;
  }
}

}  // namespace scenes
