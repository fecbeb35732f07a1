// The timeline of scenedemo: thirteen scenes played over and over, each cycle
// restarting the theme and measuring its important moments from the tick at
// which the theme started, so pictures stay on the beat on any machine.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "media/media_player.h"
#include "services/types.h"
#include "shell/main_window.h"

namespace scenes {

class DemoSequencer {
 public:
  explicit DemoSequencer(shell::MainWindow* window);

  // Plays cycle after cycle until a pump reports quit; returns 0 then.
  [[nodiscard]] int Run();

  // Every scene returns 1 when it has played to its end and 0 as soon as a
  // pump reported quit, after releasing what it created.
  [[nodiscard]] int OpeningScene();
  [[nodiscard]] int TitleWaveScene();
  [[nodiscard]] int FadeSlideScene();
  [[nodiscard]] int PortraitRevealScene();
  [[nodiscard]] int PlasmaScene();
  [[nodiscard]] int CometScene();
  // One portrait swapped in through the mosaic; held until `endTime` ms into
  // the cycle.
  [[nodiscard]] int MosaicPortraitScene(const char* file, uint32_t endTime);
  [[nodiscard]] int LensScene();
  [[nodiscard]] int RotationScene();
  [[nodiscard]] int RippleScene();
  [[nodiscard]] int GalleryScene();
  [[nodiscard]] int FinaleScene();

  shell::MainWindow* window;
  media::MediaPlayer* player = nullptr;
  services::Tick cycleStart = 0;

  // Optional observer (tests, the renderer): told the name of every step of
  // the cycle when it starts (result −1) and when it ends (its result).
  std::function<void(std::string_view step, int result)> onStep;

 private:
  template <typename Scene>
  [[nodiscard]] int Step(std::string_view name, Scene&& scene);
};

// For r = 0 … count − 1: n bytes from source + r × n to
// destination + r × n + table[r].
void OffsetRowsCopy(uint8_t* destination, const uint8_t* source, int n, int count,
                    const int16_t* table);

// waveTable[i] = trunc(8 × cos(i × 3.141592654 / 16)), i = 0 … 479.
std::span<const int16_t, 480> WaveTable();
// cometWave[i] = trunc(4 × cos(i × 3.141592654 / 16)), i = 0 … 115.
std::span<const int32_t, 116> CometWave();

}  // namespace scenes
