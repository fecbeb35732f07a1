#include "tests/support/virtual_system.h"

#include "shell/entry.h"

namespace testing_support {

namespace {

std::unique_ptr<platform::VirtualBackend> MakeBackend(const platform::VirtualBackend::Options& o,
                                                      platform::VirtualBackend** out) {
  auto b = std::make_unique<platform::VirtualBackend>(o);
  *out = b.get();
  return b;
}

}  // namespace

VirtualSystem::VirtualSystem(const platform::VirtualBackend::Options& options)
    : backend_(nullptr), system_(MakeBackend(options, &backend_)), installed_(system_) {}

std::unique_ptr<shell::MainWindow> VirtualSystem::OpenMainWindow(const char* title) {
  shell::RegisterWindowClass();
  return std::make_unique<shell::MainWindow>(title);
}

}  // namespace testing_support
