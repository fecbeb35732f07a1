// scenedemo's sequencer on the virtual backend, reading the generated data set
// beside the built programs, with the theme on a virtual-time wave device.
// Records the start and end of every step of the cycle, and a cheap checksum
// of every presented screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/media_player.h"
#include "platform/virtual/virtual_media_service.h"
#include "scenes/demo_sequencer.h"
#include "tests/support/virtual_system.h"

namespace scene_tests {

struct StepEvent {
  std::string step;
  int result;          // −1 at the start
  uint64_t elapsedMs;  // virtual time
};

struct Frame {
  uint64_t elapsedMs;
  uint64_t sample;  // checksum of a sparse grid of the screen
};

// 64-bit FNV-1a of the whole screen surface.
uint64_t ScreenChecksum(const services::Surface& screen);

class SceneHarness {
 public:
  SceneHarness();

  testing_support::VirtualSystem sys;
  std::unique_ptr<shell::MainWindow> window;
  platform::VirtualMediaService* media = nullptr;
  std::unique_ptr<media::MediaPlayer> player;
  std::unique_ptr<scenes::DemoSequencer> sequencer;
  std::vector<StepEvent> steps;
  std::vector<Frame> frames;

  // Virtual time of the n-th start of a step (0-based), or UINT64_MAX.
  uint64_t StartOf(const std::string& step, int n = 0) const;
  uint64_t EndOf(const std::string& step, int n = 0) const;
  int ResultOf(const std::string& step, int n = 0) const;
  // Posts the quit message at `elapsedMs` (as if a close had been confirmed).
  void QuitAt(uint64_t elapsedMs);
  // A close request at `elapsedMs` answered OK.
  void ConfirmedCloseAt(uint64_t elapsedMs);
  std::string DataDir() const;
};

}  // namespace scene_tests
