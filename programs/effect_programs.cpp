#include "programs/effect_programs.h"

#include "platform/system.h"
#include "shell/entry.h"
#include "shell/pump.h"

namespace programs {

namespace {

constexpr const char* kEffectTitle = "ZELK SYSTEM";

// Until an effect loop exists, the window stays black and closable.
class IdleEffect : public shell::DemoProgram {
 public:
  int Body(shell::MainWindow& /*window*/) override {
    while (shell::PumpPending() != 0)
      platform::Sleep(10);
    return 0;
  }
};

int RunIdle(const char* name) {
  IdleEffect program;
  return shell::RunDemoProgram(name, kEffectTitle, program);
}

}  // namespace

int LensdemoMain() {
  return RunIdle("lensdemo");
}
int SpindemoMain() {
  return RunIdle("spindemo");
}
int RipdemoMain() {
  return RunIdle("ripdemo");
}
int PlasmademoMain() {
  return RunIdle("plasmademo");
}

}  // namespace programs
