// Allocations that fail as when memory runs out: the next `count` requests of
// exactly `bytes` bytes throw std::bad_alloc. Only for a test program linking
// zelk_failing_allocations, which replaces its operator new.
#pragma once

#include <cstddef>

namespace testing_support {

void FailAllocations(std::size_t bytes, int count);

}  // namespace testing_support
