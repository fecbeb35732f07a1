// The emulated services under their old folder, for the installer's ports
// until they include services/ themselves.
#pragma once

#include "services/calls.h"
#include "services/system.h"

namespace platform {
using namespace services;
}  // namespace platform
