// The entry sequence: single instance, no display, set-up, first pump, body,
// release, and exit code 0 on every way out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/calls.h"
#include "shell/entry.h"
#include "shell/pump.h"
#include "tests/support/virtual_system.h"

namespace {

class Steps : public shell::DemoProgram {
 public:
  void SetUp(shell::MainWindow& w) override {
    log.push_back("setup");
    window = &w;
  }
  int Body(shell::MainWindow&) override {
    log.push_back("body");
    while (shell::PumpPending() != 0) {
    }
    log.push_back("quit");
    return 0;
  }
  void Release() override { log.push_back("release"); }
  std::vector<std::string> log;
  shell::MainWindow* window = nullptr;
};

TEST(Entry, RunsSetUpBodyAndReleaseThenExitsZero) {
  testing_support::VirtualSystem sys;
  sys.backend().QueueBoxAnswer(services::IDOK);
  sys.backend().ScheduleClose(100);
  Steps program;
  EXPECT_EQ(shell::RunDemoProgram("t", "Vorna! DEMO", program), 0);
  EXPECT_EQ(program.log, (std::vector<std::string>{"setup", "body", "quit", "release"}));
  EXPECT_EQ(sys.system().windows().size(), 1u);
}

TEST(Entry, QuitAtTheFirstPumpSkipsTheBody) {
  testing_support::VirtualSystem sys;
  sys.backend().QueueBoxAnswer(services::IDOK);
  sys.backend().ScheduleClose(0);
  Steps program;
  EXPECT_EQ(shell::RunDemoProgram("t", "ZELK SYSTEM", program), 0);
  EXPECT_EQ(program.log, (std::vector<std::string>{"setup", "release"}));
}

TEST(Entry, AnotherInstanceEndsAtOnceWithoutAWindow) {
  testing_support::VirtualSystem sys;
  sys.backend().SetAnotherInstanceRunning(true);
  Steps program;
  EXPECT_EQ(shell::RunDemoProgram("t", "ZELK SYSTEM", program), 0);
  EXPECT_TRUE(program.log.empty());
  EXPECT_TRUE(sys.system().windows().empty());
}

TEST(Entry, NoDisplayOrNoWindowEndsWithZeroAndOneLineSayingWhy) {
  for (bool noDisplay : {true, false}) {
    testing_support::VirtualSystem sys;
    if (noDisplay) {
      sys.backend().SetDisplayAvailable(false);
    } else {
      sys.backend().SetWindowCreationFails(true);
    }
    Steps program;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(shell::RunDemoProgram("scenedemo", "Vorna! DEMO", program), 0);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(program.log.empty());
    EXPECT_EQ(err.rfind("scenedemo: cannot open a window: ", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  }
}

}  // namespace
