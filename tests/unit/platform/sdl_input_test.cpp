// The desktop backend's own handling of window input: a close request and
// mouse input on the window become window messages, except while a modal box
// is open (the box's owner takes no input), when they are dropped; an
// uncovering still asks for a repaint.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/sdl/sdl_backend.h"
#include "platform/system.h"
#include "shell/entry.h"
#include "shell/main_window.h"

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

std::vector<uint32_t> Posted() {
  std::vector<uint32_t> messages;
  platform::Message m;
  while (platform::PeekMessage(&m)) {
    platform::GetMessage(&m);
    if (m.message == platform::WM_PAINT) {
      platform::ValidateRect(m.hwnd);  // an uncovering: not input
    } else {
      messages.push_back(m.message);
    }
  }
  return messages;
}

TEST(SdlInput, CloseAndMouseAreDroppedWhileABoxIsOpenAndPostedOtherwise) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  auto owned = std::make_unique<platform::SdlBackend>();
  platform::SdlBackend* sdl = owned.get();
  platform::System system(std::move(owned));
  platform::ScopedSystem installed(system);
  ASSERT_TRUE(shell::RegisterWindowClass());
  shell::MainWindow window("ZELK SYSTEM");
  uint32_t id = 0;
  for (uint32_t i = 1; i < 16 && id == 0; ++i) {
    SDL_Window* w = SDL_GetWindowFromID(i);
    int width = 0, height = 0;
    if (w != nullptr) SDL_GetWindowSize(w, &width, &height);
    if (width == 640 && height == 480) id = i;
  }
  ASSERT_NE(id, 0u);
  Posted();  // whatever creation left

  PushInput(id);
  sdl->Poll(true);  // as the loop of an open box does
  EXPECT_TRUE(Posted().empty());

  PushInput(id);
  sdl->Poll(false);
  const std::vector<uint32_t> want = {platform::WM_CLOSE,       platform::WM_MOUSEMOVE,
                                      platform::WM_LBUTTONDOWN, platform::WM_LBUTTONUP,
                                      platform::WM_RBUTTONDOWN, platform::WM_RBUTTONUP};
  EXPECT_EQ(Posted(), want);
}

}  // namespace
