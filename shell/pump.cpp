#include "shell/pump.h"

#include "services/calls.h"

namespace shell {

namespace {

int Pump(platform::Pace pace) {
  services::Message msg;
  while (services::PeekMessage(&msg, pace)) {
    if (services::GetMessage(&msg) == 0) return 0;
    services::TranslateMessage(msg);
    services::DispatchMessage(msg);
  }
  return 1;
}

}  // namespace

int PumpPending() {
  return Pump(platform::Pace::kWait);
}

int WaitUntil(services::Tick deadline) {
  for (;;) {
    // A picture the display cannot take yet is shown during the wait below,
    // at the refresh that can: steps shorter than a refresh keep their
    // deadlines, and the display shows what they drew by then.
    if (Pump(platform::Pace::kIfReady) == 0) return 0;
    if (!(services::GetTickCount() < deadline)) return 1;
    services::WaitMessageUntil(deadline);
  }
}

}  // namespace shell
