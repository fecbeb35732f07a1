#include "programs/scenedemo.h"

#include "platform/system.h"
#include "shell/entry.h"
#include "shell/pump.h"

namespace programs {

namespace {

class Scenedemo : public shell::DemoProgram {
 public:
  int Body(shell::MainWindow& /*window*/) override {
    while (shell::PumpPending() != 0)
      platform::Sleep(10);
    return 0;
  }
};

}  // namespace

int ScenedemoMain() {
  Scenedemo program;
  return shell::RunDemoProgram("scenedemo", "Vorna! DEMO", program);
}

}  // namespace programs
