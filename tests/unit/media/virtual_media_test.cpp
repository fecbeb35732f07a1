// The virtual-time wave device and the command routing it shares with the
// real devices, and the player looping a theme on the virtual clock.
#include "platform/virtual/virtual_media_service.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "media/media_player.h"
#include "services/media/mci_errors.h"
#include "shell/pump.h"
#include "tests/support/media/wave_writer.h"
#include "tests/support/virtual_system.h"

namespace {

using namespace platform;
using namespace services;
namespace fs = std::filesystem;

struct Notice {
  uint64_t elapsed;
  uint32_t code;
  uint32_t device;
};

// Records the notices the main window hands on, with their virtual time.
struct NoticeLog : shell::MediaNoticeSink {
  explicit NoticeLog(VirtualBackend& b) : backend(b) {}
  void OnMciNotify(WindowHandle, uint32_t device, uint32_t code) override {
    notices.push_back(Notice{backend.Elapsed(), code, device});
  }
  VirtualBackend& backend;
  std::vector<Notice> notices;
};

class VirtualMediaTest : public ::testing::Test {
 protected:
  VirtualMediaTest() {
    dir_ = fs::temp_directory_path() /
           ("zelk_vmedia_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "data");
    testing_support::WriteFile((dir_ / "data" / "one.wav").string(),
                               testing_support::MakeSilentWave(1000));
    auto service = std::make_unique<VirtualMediaService>(sys_.system(), sys_.backend());
    media_ = service.get();
    sys_.system().SetMediaService(std::move(service));
    sys_.backend().SetModuleFileName((dir_ / "program").string());
    window_ = sys_.OpenMainWindow("Vorna! DEMO");
    window_->player = &log_;
  }
  ~VirtualMediaTest() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  MciDeviceId Open(const std::string& name, uint32_t* error = nullptr) {
    MciOpenParms p;
    p.deviceType = "waveaudio";
    p.elementName = (dir_ / name).string();
    uint32_t e = media_->SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT, &p);
    if (error) *error = e;
    return e == 0 ? p.deviceId : 0;
  }
  uint32_t Play(MciDeviceId id, uint32_t flags, uint32_t from = 0) {
    MciPlayParms p;
    p.callback = window_->hwnd;
    p.from = from;
    return media_->SendCommand(id, MCI_PLAY, flags, &p);
  }
  void PumpUntil(uint64_t elapsed) {
    while (sys_.backend().Elapsed() < elapsed)
      ASSERT_EQ(shell::PumpPending(), 1);
  }

  testing_support::VirtualSystem sys_;
  fs::path dir_;
  VirtualMediaService* media_ = nullptr;
  std::unique_ptr<shell::MainWindow> window_;
  NoticeLog log_{sys_.backend()};
  std::vector<Notice>& notices_ = log_.notices;
};

TEST_F(VirtualMediaTest, NoticeArrivesWhenTheVirtualClockPassesTheEnd) {
  MciDeviceId id = Open("data/one.wav");
  ASSERT_EQ(id, 1u);
  const uint64_t start = sys_.backend().Elapsed();
  ASSERT_EQ(Play(id, MCI_NOTIFY), 0u);
  EXPECT_TRUE(media_->IsPlaying(id));
  PumpUntil(start + 999);
  EXPECT_TRUE(notices_.empty());
  PumpUntil(start + 1002);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].code, MCI_NOTIFY_SUCCESSFUL);
  EXPECT_EQ(notices_[0].device, id);
  EXPECT_GE(notices_[0].elapsed, start + 1000);
  EXPECT_FALSE(media_->IsPlaying(id));
}

TEST_F(VirtualMediaTest, WaitingPlayAdvancesTheClockByTheLengthAndPostsNothing) {
  MciDeviceId id = Open("data/one.wav");
  const uint64_t start = sys_.backend().Elapsed();
  ASSERT_EQ(Play(id, MCI_WAIT), 0u);
  EXPECT_EQ(sys_.backend().Elapsed() - start, 1000u);
  PumpUntil(start + 3000);
  EXPECT_TRUE(notices_.empty());
  // Played out: a play without a position plays nothing more.
  ASSERT_EQ(Play(id, MCI_WAIT), 0u);
  EXPECT_EQ(sys_.backend().Elapsed(), start + 3000);
}

TEST_F(VirtualMediaTest, PauseHoldsTheEndBackAndResumeGoesOn) {
  MciDeviceId id = Open("data/one.wav");
  const uint64_t start = sys_.backend().Elapsed();
  ASSERT_EQ(Play(id, MCI_NOTIFY), 0u);
  PumpUntil(start + 400);
  ASSERT_EQ(media_->SendCommand(id, MCI_PAUSE, 0, nullptr), 0u);
  PumpUntil(start + 2000);
  EXPECT_TRUE(notices_.empty());
  ASSERT_EQ(media_->SendCommand(id, MCI_RESUME, 0, nullptr), 0u);
  PumpUntil(start + 2700);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_NEAR(static_cast<double>(notices_[0].elapsed), start + 2600.0, 3.0);
}

TEST_F(VirtualMediaTest, CloseAbortsAndANewPlaySupersedesThePendingNotice) {
  MciDeviceId id = Open("data/one.wav");
  const uint64_t start = sys_.backend().Elapsed();
  ASSERT_EQ(Play(id, MCI_NOTIFY), 0u);
  PumpUntil(start + 500);
  ASSERT_EQ(Play(id, MCI_NOTIFY | MCI_FROM, 0), 0u);  // restart: the first notice is superseded
  PumpUntil(start + 1200);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].code, MCI_NOTIFY_SUPERSEDED);
  ASSERT_EQ(media_->SendCommand(id, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
  PumpUntil(start + 4000);
  ASSERT_EQ(notices_.size(), 2u);
  EXPECT_EQ(notices_[1].code, MCI_NOTIFY_ABORTED);
  EXPECT_EQ(notices_[1].device, id);
}

TEST_F(VirtualMediaTest, BadCommandsGiveErrorCodesWithTexts) {
  uint32_t error = 0;
  EXPECT_EQ(Open("data/missing.wav", &error), 0u);
  EXPECT_EQ(error, MCIERR_FILE_NOT_FOUND);
  testing_support::WriteFile((dir_ / "data" / "bad.wav").string(), {'R', 'I', 'F', 'F', 0, 0});
  EXPECT_EQ(Open("data/bad.wav", &error), 0u);
  EXPECT_EQ(error, MCIERR_INVALID_FILE);
  EXPECT_EQ(Open("data", &error), 0u);
  EXPECT_EQ(error, MCIERR_INVALID_FILE);

  MciOpenParms p;
  p.deviceType = "cdaudio";
  p.elementName = (dir_ / "data/one.wav").string();
  EXPECT_NE(media_->SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &p), 0u);
  p.deviceType = "WaveAudio";  // type names are matched without regard to case
  EXPECT_EQ(media_->SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &p), 0u);
  EXPECT_EQ(media_->SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE, &p), MCIERR_FILENAME_REQUIRED);
  EXPECT_EQ(media_->SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, nullptr),
            MCIERR_NULL_PARAMETER_BLOCK);

  EXPECT_EQ(media_->SendCommand(9, MCI_PLAY, 0, nullptr), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(media_->SendCommand(p.deviceId, MCI_PLAY, MCI_NOTIFY, nullptr),
            MCIERR_NULL_PARAMETER_BLOCK);
  EXPECT_EQ(Play(p.deviceId, MCI_NOTIFY | MCI_FROM, 1001), MCIERR_OUTOFRANGE);
  EXPECT_EQ(Play(p.deviceId, MCI_NOTIFY | MCI_WAIT), MCIERR_FLAGS_NOT_COMPATIBLE);
  EXPECT_EQ(media_->SendCommand(p.deviceId, 0x0999, 0, nullptr), MCIERR_UNRECOGNIZED_COMMAND);
  MciDgvPutParms put;
  EXPECT_EQ(media_->SendCommand(p.deviceId, MCI_PUT, MCI_DGV_RECT, &put),
            MCIERR_UNSUPPORTED_FUNCTION);

  EXPECT_NE(media_->ErrorText(MCIERR_FILE_NOT_FOUND), media_->ErrorText(MCIERR_INVALID_FILE));
}

// The theme loops on the virtual clock through the player's notices, and a
// scripted close ends the run with the device released.
TEST_F(VirtualMediaTest, PlayerLoopsTheThemeInVirtualTime) {
  media::MediaPlayer player(window_->hwnd, window_->title);
  window_->player = &player;
  const uint64_t start = sys_.backend().Elapsed();
  ASSERT_EQ(player.PlayWave("data\\ONE.wav", 1), 1);  // names match without regard to case
  ASSERT_EQ(shell::WaitUntil(GetTickCount() + 3500), 1);
  std::vector<uint64_t> plays;
  for (const auto& e : media_->log()) {
    if (e.command == MCI_PLAY) plays.push_back(e.elapsedMs - start);
  }
  ASSERT_EQ(plays.size(), 4u);
  for (size_t i = 0; i < plays.size(); ++i) {
    EXPECT_GE(plays[i], i * 1000);
    EXPECT_LE(plays[i], i * 1000 + 5);
  }
  player.ReleaseAll();
  EXPECT_EQ(media_->OpenCount(), 0u);
  EXPECT_TRUE(sys_.system().boxLog().empty());
}

}  // namespace
