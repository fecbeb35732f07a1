#include "programs/effect_programs.h"

#include "effects/lens.h"
#include "effects/plasma.h"
#include "effects/ripple.h"
#include "effects/rotation.h"
#include "shell/entry.h"

namespace programs {

namespace {

constexpr const char* kEffectTitle = "ZELK SYSTEM";

// An effect program: the shared entry with one effect loop as its body.
class EffectProgram : public shell::DemoProgram {
 public:
  explicit EffectProgram(int (*loop)(shell::MainWindow&)) : loop_(loop) {}
  int Body(shell::MainWindow& window) override { return loop_(window); }

 private:
  int (*loop_)(shell::MainWindow&);
};

int Run(const char* name, int (*loop)(shell::MainWindow&)) {
  EffectProgram program(loop);
  return shell::RunDemoProgram(name, kEffectTitle, program);
}

}  // namespace

int LensdemoMain() {
  return Run("lensdemo", effects::RunLensDemo);
}
int SpindemoMain() {
  return Run("spindemo", effects::RunSpinDemo);
}
int RipdemoMain() {
  return Run("ripdemo", effects::RunRippleDemo);
}
int PlasmademoMain() {
  return Run("plasmademo", effects::RunPlasmaDemo);
}

}  // namespace programs
