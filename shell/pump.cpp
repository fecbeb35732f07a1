#include "shell/pump.h"

#include "platform/system.h"

namespace shell {

namespace {

int Pump(platform::Pace pace) {
  platform::Message msg;
  while (platform::PeekMessage(&msg, pace)) {
    if (platform::GetMessage(&msg) == 0) return 0;
    platform::TranslateMessage(msg);
    platform::DispatchMessage(msg);
  }
  return 1;
}

}  // namespace

int PumpPending() {
  return Pump(platform::Pace::kWait);
}

int WaitUntil(platform::Tick deadline) {
  for (;;) {
    // A picture the display cannot take yet is shown during the wait below,
    // at the refresh that can: steps shorter than a refresh keep their
    // deadlines, and the display shows what they drew by then.
    if (Pump(platform::Pace::kIfReady) == 0) return 0;
    if (!(platform::GetTickCount() < deadline)) return 1;
    platform::WaitMessageUntil(deadline);
  }
}

}  // namespace shell
