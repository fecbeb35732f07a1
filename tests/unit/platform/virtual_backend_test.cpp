// A backend serves the System it was built with, whichever system is
// installed: the virtual backend's scripted input reaches that system's
// queue, and that system's marks reach its hook.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/virtual/virtual_backend.h"
#include "services/calls.h"
#include "services/system.h"

namespace {

// A system on the virtual backend with one window.
struct VirtualWithWindow {
  VirtualWithWindow()
      : system([this](services::System& s) {
          auto made = std::make_unique<platform::VirtualBackend>(s);
          backend = made.get();
          return made;
        }) {
    services::WindowClass wc;
    wc.name = "ZELK";
    wc.proc = [](services::WindowHandle, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
      return message == services::WM_NCCREATE ? 1 : 0;
    };
    EXPECT_TRUE(system.RegisterClass(wc));
    EXPECT_NE(system.CreateWindow("ZELK", "", 0, 0, 0, 640, 480, nullptr), nullptr);
    backend->SetMarkHook([this](const std::string& what) { marks.push_back(what); });
  }
  // The messages waiting in the queue, taken from it.
  std::vector<uint32_t> Taken() {
    std::vector<uint32_t> messages;
    services::Message m;
    while (system.Peek(&m, true))
      messages.push_back(m.message);
    return messages;
  }

  platform::VirtualBackend* backend = nullptr;
  services::System system;
  std::vector<std::string> marks;
};

TEST(VirtualBackend, ServesItsOwnSystemWhileAnotherIsInstalled) {
  VirtualWithWindow installedOne, own;
  services::ScopedSystem installed(installedOne.system);
  own.backend->ScheduleClose(5);
  own.backend->ScheduleMessage(5, services::WM_LBUTTONDOWN, 0, 0);
  own.backend->Sleep(10);  // delivers what is due
  EXPECT_EQ(own.Taken(), (std::vector<uint32_t>{services::WM_CLOSE, services::WM_LBUTTONDOWN}));
  EXPECT_TRUE(installedOne.Taken().empty());

  own.system.Mark("body");
  services::Mark("installed");
  EXPECT_EQ(own.marks, std::vector<std::string>{"body"});
  EXPECT_EQ(installedOne.marks, std::vector<std::string>{"installed"});
}

}  // namespace
