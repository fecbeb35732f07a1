#include "shell/pump.h"

#include "platform/system.h"

namespace shell {

int PumpPending() {
  platform::Message msg;
  while (platform::PeekMessage(&msg)) {
    if (platform::GetMessage(&msg) == 0) return 0;
    platform::TranslateMessage(msg);
    platform::DispatchMessage(msg);
  }
  return 1;
}

int WaitUntil(platform::Tick deadline) {
  for (;;) {
    if (PumpPending() == 0) return 0;
    if (!(platform::GetTickCount() < deadline)) return 1;
  }
}

}  // namespace shell
