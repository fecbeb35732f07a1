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
  // The steps of every cycle, in order, with the names the observer is told.
  struct NamedStep {
    std::string_view name;
    std::function<int()> run;
  };
  const NamedStep cycle[] = {
      {"OpeningScene", [this] { return OpeningScene(); }},
      {"TitleHold", [this] { return shell::WaitUntil(cycleStart + 7000); }},
      {"TitleWaveScene", [this] { return TitleWaveScene(); }},
      {"FadeSlideScene", [this] { return FadeSlideScene(); }},
      {"PortraitRevealScene", [this] { return PortraitRevealScene(); }},
      {"PlasmaScene", [this] { return PlasmaScene(); }},
      {"CometScene", [this] { return CometScene(); }},
      {"MosaicPortraitScene", [this] { return MosaicPortraitScene("data\\orine.bmp", 67000); }},
      {"LensScene", [this] { return LensScene(); }},
      {"RotationScene", [this] { return RotationScene(); }},
      {"MosaicPortraitScene", [this] { return MosaicPortraitScene("data\\dova.bmp", 120000); }},
      {"RippleScene", [this] { return RippleScene(); }},
      {"GalleryScene", [this] { return GalleryScene(); }},
      {"FinaleScene", [this] { return FinaleScene(); }},
  };
  for (;;) {
    if (player != nullptr) {
      player->PlayWave("data\\tobirano.wav", 1);
      // The pump inside PlayWave may have taken the quit message.
      if (player->QuitSeen()) return 0;
    }
    cycleStart = Now();
    if (onStep) onStep("cycle", -1);
    for (const NamedStep& step : cycle) {
      if (!Step(step.name, step.run)) return 0;
    }
  }
}

}  // namespace scenes
