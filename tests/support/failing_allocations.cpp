#include "tests/support/failing_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_failingBytes{0};
std::atomic<int> g_failing{0};

}  // namespace

namespace testing_support {

void FailAllocations(std::size_t bytes, int count) {
  g_failingBytes = bytes;
  g_failing = count;
}

}  // namespace testing_support

void* operator new(std::size_t bytes) {
  if (bytes == g_failingBytes && g_failing.fetch_sub(1) > 0) throw std::bad_alloc();
  if (void* p = std::malloc(bytes != 0 ? bytes : 1)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
