// Runs a program entry on the real (SDL2) platform.
#pragma once

#include <functional>

namespace services {
class System;
}  // namespace services

namespace programs {

// `setUp`, when given, prepares the system before the entry runs (media
// devices, for instance).
int RunOnSdl(int (*entry)(), const std::function<void(services::System&)>& setUp = {});

}  // namespace programs
