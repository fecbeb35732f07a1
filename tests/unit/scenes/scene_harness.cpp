#include "tests/unit/scenes/scene_harness.h"

#include <cstdlib>

#include <limits>
#include "tests/support/test_paths.h"

namespace scene_tests {

uint64_t ScreenChecksum(const services::Surface& screen) {
  uint64_t h = 1469598103934665603ull;
  if (!screen.Valid()) return h;
  const uint32_t* p = screen.Pixels();
  for (size_t i = 0; i < size_t{640} * 480; ++i) {
    h = (h ^ p[i]) * 1099511628211ull;
  }
  return h;
}

namespace {

uint64_t SparseChecksum(const services::Surface& screen) {
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < 480; y += 3) {
    const uint32_t* row = screen.Pixels() + static_cast<size_t>(y) * 640;
    for (int x = y % 4; x < 640; x += 4)
      h = (h ^ row[x]) * 1099511628211ull;
  }
  return h;
}

}  // namespace

std::string SceneHarness::DataDir() const {
  return testing_support::BinDir() + "/data";
}

SceneHarness::SceneHarness() {
  sys.backend().SetModuleFileName(testing_support::BinDir() + "/scenedemo");
  auto service = std::make_unique<platform::VirtualMediaService>(sys.system(), sys.backend());
  media = service.get();
  sys.system().SetMediaService(std::move(service));
  window = sys.OpenMainWindow("Vorna! DEMO");
  player = std::make_unique<media::MediaPlayer>(window->hwnd, window->title);
  window->player = player.get();
  sequencer = std::make_unique<scenes::DemoSequencer>(window.get());
  sequencer->player = player.get();
  sequencer->onStep = [this](std::string_view step, int result) {
    steps.push_back({std::string(step), result, sys.backend().Elapsed()});
  };
  sys.backend().SetPresentHook([this](services::Tick, const services::Surface& screen) {
    frames.push_back({sys.backend().Elapsed(), SparseChecksum(screen)});
  });
}

uint64_t SceneHarness::StartOf(const std::string& step, int n) const {
  for (const StepEvent& e : steps) {
    if (e.step == step && e.result == -1 && n-- == 0) return e.elapsedMs;
  }
  return std::numeric_limits<uint64_t>::max();
}

uint64_t SceneHarness::EndOf(const std::string& step, int n) const {
  for (const StepEvent& e : steps) {
    if (e.step == step && e.result != -1 && n-- == 0) return e.elapsedMs;
  }
  return std::numeric_limits<uint64_t>::max();
}

int SceneHarness::ResultOf(const std::string& step, int n) const {
  for (const StepEvent& e : steps) {
    if (e.step == step && e.result != -1 && n-- == 0) return e.result;
  }
  return -2;
}

void SceneHarness::QuitAt(uint64_t elapsedMs) {
  sys.backend().At(elapsedMs, [] { services::PostQuitMessage(0); });
}

void SceneHarness::ConfirmedCloseAt(uint64_t elapsedMs) {
  sys.backend().QueueBoxAnswer(services::IDOK);
  sys.backend().ScheduleClose(elapsedMs);
}

}  // namespace scene_tests
