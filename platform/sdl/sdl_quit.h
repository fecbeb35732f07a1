// Ending SDL subsystems. In the sanitizer build they are left running: once
// SDL unloads the system libraries it opened (sound servers, display
// drivers), what those libraries keep for the process's life reads as leaks
// the leak checker cannot even name, and would hide real ones.
#pragma once

#include <SDL.h>

namespace platform {

inline void QuitSdlSubSystem(Uint32 subsystems) {
#ifndef ZELK_SANITIZE_BUILD
  SDL_QuitSubSystem(subsystems);
#else
  (void)subsystems;
#endif
}

inline void QuitSdl() {
#ifndef ZELK_SANITIZE_BUILD
  SDL_Quit();
#endif
}

}  // namespace platform
