#include "programs/scenedemo.h"

#include <optional>

#include "media/media_player.h"
#include "scenes/demo_sequencer.h"
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
