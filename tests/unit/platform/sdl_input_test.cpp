// The desktop backend's own handling of window input: a close request and
// mouse input on the window become window messages of the system the backend
// serves (not of whichever system is installed), except while a modal box is
// open (the box's owner takes no input), when they are dropped; an uncovering
// still asks for a repaint.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/sdl/sdl_backend.h"
#include "services/system.h"
#include "tests/support/virtual_system.h"

namespace {

// Pushes a close request, a move and left and right clicks for the window.
void PushInput(uint32_t windowId) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = windowId;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&e);
  e = {};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = windowId;
  e.motion.x = 10;
  e.motion.y = 20;
  SDL_PushEvent(&e);
  for (uint8_t button : {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT}) {
    for (uint32_t type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
      e = {};
      e.type = type;
      e.button.windowID = windowId;
      e.button.button = button;
      e.button.x = 10;
      e.button.y = 20;
      SDL_PushEvent(&e);
    }
  }
}

// The messages waiting in the system's queue, taken from it.
std::vector<uint32_t> Posted(services::System& system) {
  std::vector<uint32_t> messages;
  services::Message m;
  while (system.Peek(&m, true)) {
    if (m.message == services::WM_PAINT) {
      m.hwnd->paintPending = false;  // an uncovering: not input
    } else {
      messages.push_back(m.message);
    }
  }
  return messages;
}

TEST(SdlInput, CloseAndMouseAreDroppedWhileABoxIsOpenAndPostedOtherwise) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  testing_support::VirtualSystem installed;  // another system, installed
  platform::SdlBackend* sdl = nullptr;
  services::System system([&sdl](services::System& s) {
    auto made = std::make_unique<platform::SdlBackend>(s);
    sdl = made.get();
    return made;
  });
  services::WindowClass wc;
  wc.name = "ZELK";
  wc.proc = [](services::WindowHandle, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
    return message == services::WM_NCCREATE ? 1 : 0;
  };
  ASSERT_TRUE(system.RegisterClass(wc)) << system.lastError();
  ASSERT_NE(system.CreateWindow("ZELK", "ZELK SYSTEM", services::WS_POPUP, 0, 0, 640, 480, nullptr),
            nullptr);
  uint32_t id = 0;
  for (uint32_t i = 1; i < 16 && id == 0; ++i) {
    SDL_Window* w = SDL_GetWindowFromID(i);
    int width = 0, height = 0;
    if (w != nullptr) SDL_GetWindowSize(w, &width, &height);
    if (width == 640 && height == 480) id = i;
  }
  ASSERT_NE(id, 0u);
  Posted(system);  // whatever creation left

  PushInput(id);
  sdl->Poll(true);  // as the loop of an open box does
  EXPECT_TRUE(Posted(system).empty());

  PushInput(id);
  sdl->Poll(false);
  const std::vector<uint32_t> want = {services::WM_CLOSE,       services::WM_MOUSEMOVE,
                                      services::WM_LBUTTONDOWN, services::WM_LBUTTONUP,
                                      services::WM_RBUTTONDOWN, services::WM_RBUTTONUP};
  EXPECT_EQ(Posted(system), want);
  EXPECT_TRUE(Posted(installed.system()).empty());
}

}  // namespace
