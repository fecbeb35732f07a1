// Runs a program entry on the real (SDL2) platform.
#pragma once

namespace programs {

int RunOnSdl(int (*entry)());

}  // namespace programs
