// Test support: a System on the virtual backend, installed for the lifetime of
// the object, and a main window on it.
#pragma once

#include <memory>

#include "platform/virtual/virtual_backend.h"
#include "services/system.h"
#include "shell/main_window.h"

namespace testing_support {

class VirtualSystem {
 public:
  explicit VirtualSystem(const platform::VirtualBackend::Options& options = {});
  VirtualSystem(const VirtualSystem&) = delete;
  VirtualSystem& operator=(const VirtualSystem&) = delete;

  platform::VirtualBackend& backend() { return *backend_; }
  services::System& system() { return system_; }

  // Registers the "ZELK" class and opens a main window with that title.
  std::unique_ptr<shell::MainWindow> OpenMainWindow(const char* title = "Test");

 private:
  platform::VirtualBackend* backend_ = nullptr;  // owned by system_
  services::System system_;
  services::ScopedSystem installed_;
};

}  // namespace testing_support
