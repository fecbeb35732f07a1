#include "programs/scenedemo.h"

#include <optional>

#include "media/media_player.h"
#include "scenes/demo_sequencer.h"
#include "services/calls.h"
#include "services/trace.h"
#include "shell/entry.h"

namespace programs {

namespace {

class Scenedemo : public shell::DemoProgram {
 public:
  void SetUp(shell::MainWindow& window) override {
    player_.emplace(window.hwnd, window.title);
    window.player = &*player_;
  }
  int Body(shell::MainWindow& window) override {
    scenes::DemoSequencer sequencer(&window);
    sequencer.player = &*player_;
    // ZELK_TRACE: every step of the cycle with its time into the cycle.
    sequencer.onStep = [&sequencer](std::string_view step, int result) {
      const int64_t at =
          static_cast<services::Tick>(services::GetTickCount() - sequencer.cycleStart);
      if (step == "cycle") {
        services::Trace("cycle");
      } else if (result < 0) {
        services::Trace("start", {{"scene", step}, {"at", at}});
      } else {
        services::Trace("end", {{"scene", step}, {"at", at}, {"result", result}});
      }
    };
    return sequencer.Run();
  }
  void Release() override {
    if (player_) player_->ReleaseAll();
  }

 private:
  std::optional<media::MediaPlayer> player_;
};

}  // namespace

int ScenedemoMain() {
  Scenedemo program;
  return shell::RunDemoProgram("scenedemo", "Vorna! DEMO", program);
}

}  // namespace programs
