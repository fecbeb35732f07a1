// What the tests of the real media devices share: a temporary program folder,
// SDL's "disk" audio driver (what would be heard goes to a file, 16-bit
// stereo at 44.1 kHz, in real time), the SDL media service on a virtual
// system, and a main window whose notices are logged.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/media/sdl_media_service.h"
#include "shell/pump.h"
#include "tests/support/virtual_system.h"

namespace media_testing {

using Clock = std::chrono::steady_clock;

struct NoticeLog : shell::MediaNoticeSink {
  struct Entry {
    uint32_t device;
    uint32_t code;
    Clock::time_point at;
  };
  void OnMciNotify(services::WindowHandle, uint32_t device, uint32_t code) override {
    notices.push_back({device, code, Clock::now()});
  }
  std::vector<Entry> notices;
};

class SdlMediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("zelk_media_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_ / "data");
    sys_.backend().SetModuleFileName((dir_ / "program").string());
    UseDriver("disk");
    window_ = sys_.OpenMainWindow("T");
    window_->player = &log_;
  }
  void TearDown() override {
    sys_.system().SetMediaService(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // A new SDL media service on the given audio driver.
  void UseDriver(const char* driver) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("SDL_DISKAUDIOFILE", (dir_ / "capture.raw").c_str(), 1);
    sys_.system().SetMediaService(nullptr);
    auto service = std::make_unique<platform::SdlMediaService>(sys_.system());
    media_ = service.get();
    sys_.system().SetMediaService(std::move(service));
  }

  // Closes the output (which finishes the capture file) and reads it.
  std::vector<int16_t> Captured() {
    sys_.system().SetMediaService(nullptr);
    std::ifstream in(dir_ / "capture.raw", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
  }

  // Pumps for `span`, or until `done` says so, calling `look` after every pump.
  void PumpFor(std::chrono::milliseconds span, const std::function<bool()>& done = {},
               const std::function<void()>& look = {}) {
    const auto end = Clock::now() + span;
    while (Clock::now() < end && !(done && done())) {
      EXPECT_EQ(shell::PumpPending(), 1);
      if (look) look();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  // Pumps until one more notice has arrived (at most `limit`).
  void PumpUntilNotice(std::chrono::milliseconds limit, const std::function<void()>& look = {}) {
    const size_t before = log_.notices.size();
    PumpFor(
        limit, [&] { return log_.notices.size() > before; }, look);
  }

  testing_support::VirtualSystem sys_;
  std::filesystem::path dir_;
  platform::SdlMediaService* media_ = nullptr;
  std::unique_ptr<shell::MainWindow> window_;
  NoticeLog log_;
};

}  // namespace media_testing
