// The message pump and the one waiting idiom every scene and effect paces
// itself with. Both return 1 normally and 0 once the quit message was taken;
// the quit message is consumed, so no caller may drop the result (a dropped
// one does not compile where warnings are errors).
#pragma once

#include "services/types.h"

namespace shell {

// Shows what was drawn (waiting for the display's next refresh when the
// picture before is still on it), then dispatches every queued message
// without blocking. 1 = queue empty now, 0 = quit seen.
[[nodiscard]] int PumpPending();

// Pumps at least once, then, while the tick is below the deadline (unsigned),
// sleeps until a message arrives or the deadline passes and pumps again.
// 1 = deadline passed, 0 = quit seen.
[[nodiscard]] int WaitUntil(services::Tick deadline);

}  // namespace shell
