#include "tests/support/failing_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_failingBytes{0};
std::atomic<int> g_failing{0};

bool TakeFailure(std::size_t bytes) {
  if (bytes != g_failingBytes.load(std::memory_order_relaxed)) return false;
  int left = g_failing.load(std::memory_order_relaxed);
  while (left > 0) {
    if (g_failing.compare_exchange_weak(left, left - 1)) return true;
  }
  return false;
}

}  // namespace

namespace testing_support {

void FailAllocations(std::size_t bytes, int count) {
  g_failingBytes = bytes;
  g_failing = count;
}

}  // namespace testing_support

void* operator new(std::size_t bytes) {
  if (TakeFailure(bytes)) throw std::bad_alloc();
  if (void* p = std::malloc(bytes != 0 ? bytes : 1)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
