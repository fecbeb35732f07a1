#include "tests/support/virtual_system.h"

#include "shell/entry.h"

namespace testing_support {

VirtualSystem::VirtualSystem(const platform::VirtualBackend::Options& options)
    : system_([&](services::System& s) {
        auto made = std::make_unique<platform::VirtualBackend>(s, options);
        backend_ = made.get();
        return made;
      }),
      installed_(system_) {}

std::unique_ptr<shell::MainWindow> VirtualSystem::OpenMainWindow(const char* title) {
  shell::RegisterWindowClass();
  return std::make_unique<shell::MainWindow>(title);
}

}  // namespace testing_support
