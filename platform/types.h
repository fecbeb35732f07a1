// The emulated services' types under their old folder, for the installer's
// ports until they include services/ themselves.
#pragma once

#include "services/types.h"

namespace platform {
using namespace services;
}  // namespace platform
