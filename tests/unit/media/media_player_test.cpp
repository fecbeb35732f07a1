// The media player's wave side against a recording media service on the
// virtual backend: the commands it sends, its reports and its state.
#include "media/media_player.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/media/mci_errors.h"
#include "shell/pump.h"
#include "tests/support/media/recording_media_service.h"
#include "tests/support/virtual_system.h"

namespace {

using namespace platform;
using testing_support::RecordingMediaService;

constexpr uint32_t kOpenFlags = MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT;

class WavePlayerTest : public ::testing::Test {
 protected:
  WavePlayerTest() {
    auto service = std::make_unique<RecordingMediaService>();
    media_ = service.get();
    sys_.system().SetMediaService(std::move(service));
    window_ = sys_.OpenMainWindow("Vorna! DEMO");
    player_ = std::make_unique<media::MediaPlayer>(window_->hwnd, window_->title);
    window_->player = player_.get();
    shell::PumpPending();
  }

  // A completion notice as the device would post it, handled by a pump.
  void Notice(MciDeviceId id, uint32_t code = MCI_NOTIFY_SUCCESSFUL) {
    PostMessage(window_->hwnd, MM_MCINOTIFY, code, static_cast<intptr_t>(id));
    ASSERT_EQ(shell::PumpPending(), 1);
  }

  std::vector<BoxRecord> Boxes() { return sys_.system().boxLog(); }

  testing_support::VirtualSystem sys_;
  RecordingMediaService* media_ = nullptr;
  std::unique_ptr<shell::MainWindow> window_;
  std::unique_ptr<media::MediaPlayer> player_;
};

TEST_F(WavePlayerTest, OpensTheDataFileAndPlaysWithNoticeToTheOwner) {
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);

  const auto& c = media_->commands();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].command, MCI_OPEN);
  EXPECT_EQ(c[0].device, 0u);
  EXPECT_EQ(c[0].flags, 0x2202u);
  EXPECT_EQ(c[0].deviceType, "waveaudio");
  EXPECT_EQ(c[0].elementName, "/virtual/data/tobirano.wav");
  EXPECT_STREQ(player_->mediaPath, "/virtual/data/tobirano.wav");
  EXPECT_EQ(c[1].command, MCI_PLAY);
  EXPECT_EQ(c[1].device, 1u);
  EXPECT_EQ(c[1].flags, MCI_NOTIFY);
  EXPECT_EQ(c[1].callback, window_->hwnd);
  EXPECT_EQ(player_->waveDevice, 1u);
  EXPECT_EQ(player_->waveOpen, 1);
  EXPECT_EQ(player_->waveLoop, 1);
  EXPECT_TRUE(Boxes().empty());
}

// Any non-zero mode loops: each notice, whatever its code, replays from 0.
class LoopingModeTest : public WavePlayerTest, public ::testing::WithParamInterface<int> {};

TEST_P(LoopingModeTest, EveryNoticeReplaysFromTheStart) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", GetParam()), 1);
  EXPECT_EQ(media_->Of(MCI_PLAY)[0].flags, MCI_NOTIFY);
  media_->Clear();
  for (uint32_t code :
       {MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_ABORTED, MCI_NOTIFY_FAILURE}) {
    Notice(1, code);
  }
  const auto plays = media_->Of(MCI_PLAY);
  ASSERT_EQ(plays.size(), 4u);
  for (const auto& p : plays) {
    EXPECT_EQ(p.device, 1u);
    EXPECT_EQ(p.flags, MCI_NOTIFY | MCI_FROM);
    EXPECT_EQ(p.from, 0u);
    EXPECT_EQ(p.callback, window_->hwnd);
  }
  EXPECT_EQ(media_->commands().size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Modes, LoopingModeTest, ::testing::Values(1, 2, 7, -1));

TEST_F(WavePlayerTest, ModeZeroWaitsAndDoesNotReplay) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 0), 1);
  EXPECT_EQ(media_->Of(MCI_PLAY)[0].flags, MCI_WAIT);
  EXPECT_EQ(player_->waveOpen, 1);
  media_->Clear();
  Notice(1);
  EXPECT_TRUE(media_->commands().empty());
}

TEST_F(WavePlayerTest, NoticesForOtherDevicesOrAfterCloseAreIgnored) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  media_->Clear();
  Notice(2);
  Notice(0);
  EXPECT_TRUE(media_->commands().empty());

  EXPECT_EQ(player_->CloseWave(), 1);
  ASSERT_EQ(media_->commands().size(), 1u);
  EXPECT_EQ(media_->commands()[0].command, MCI_CLOSE);
  EXPECT_EQ(media_->commands()[0].flags, MCI_WAIT);
  EXPECT_FALSE(media_->commands()[0].hasParams);
  EXPECT_EQ(player_->waveDevice, 0u);
  EXPECT_EQ(player_->waveOpen, 0);
  media_->Clear();
  Notice(1);
  Notice(0);
  EXPECT_TRUE(media_->commands().empty());
}

TEST_F(WavePlayerTest, RoutedNoticeUsesTheLowWordOfLParamAsDeviceId) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  media_->Clear();
  Notice(0x00050001);
  ASSERT_EQ(media_->Of(MCI_PLAY).size(), 1u);
  EXPECT_EQ(media_->Of(MCI_PLAY)[0].device, 1u);
}

TEST_F(WavePlayerTest, FiveFailedOpensReportOnceAndTurnMusicOff) {
  media_->Fail(MCI_OPEN, MCIERR_FILE_NOT_FOUND, 5);
  const uint64_t before = sys_.backend().Elapsed();
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 0);

  EXPECT_EQ(media_->Of(MCI_OPEN).size(), 5u);
  EXPECT_EQ(media_->commands().size(), 5u);
  EXPECT_GE(sys_.backend().Elapsed() - before, 5u * 250u);  // a sleep after each attempt
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Vorna! DEMO 音楽確保");
  EXPECT_EQ(Boxes()[0].text, "error 275");
  EXPECT_EQ(Boxes()[0].style, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(player_->waveEnabled, 0);
  EXPECT_EQ(player_->waveOpen, 0);

  // Music stays off: only the mode is recorded.
  media_->Clear();
  EXPECT_EQ(player_->PlayWave("data\\other.wav", 3), 1);
  EXPECT_EQ(player_->waveLoop, 3);
  EXPECT_TRUE(media_->commands().empty());
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_FALSE(player_->QuitSeen());
}

TEST_F(WavePlayerTest, AnOpenThatSucceedsOnTheFifthAttemptPlays) {
  media_->Fail(MCI_OPEN, MCIERR_WAVE_OUTPUTSINUSE, 4);
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  EXPECT_EQ(media_->Of(MCI_OPEN).size(), 5u);
  EXPECT_EQ(media_->Of(MCI_PLAY).size(), 1u);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(player_->waveEnabled, 1);
}

TEST_F(WavePlayerTest, AFailedPlayReportsClosesTheDeviceAndTurnsMusicOff) {
  media_->Fail(MCI_PLAY, MCIERR_HARDWARE);
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Vorna! DEMO 音楽演奏");
  const auto closes = media_->Of(MCI_CLOSE);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].device, 1u);
  EXPECT_EQ(closes[0].flags, MCI_WAIT);
  EXPECT_EQ(player_->waveOpen, 0);
  EXPECT_EQ(player_->waveEnabled, 0);
}

TEST_F(WavePlayerTest, AFailedReplayReportsOnceAndSilencesFurtherReplays) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  media_->Fail(MCI_PLAY, MCIERR_HARDWARE);
  Notice(1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Vorna! DEMO 音楽再演奏");
  EXPECT_EQ(Boxes()[0].text, "error 262");
  EXPECT_EQ(player_->waveEnabled, 0);

  media_->Clear();
  Notice(1);
  EXPECT_TRUE(media_->commands().empty());
  EXPECT_EQ(Boxes().size(), 1u);
  // Music off: CloseWave leaves the device to ReleaseAll.
  player_->CloseWave();
  EXPECT_TRUE(media_->commands().empty());
  EXPECT_EQ(player_->waveOpen, 1);
  player_->ReleaseAll();
  ASSERT_EQ(media_->commands().size(), 1u);
  EXPECT_EQ(media_->commands()[0].command, MCI_CLOSE);
  EXPECT_EQ(media_->commands()[0].device, 1u);
}

TEST_F(WavePlayerTest, AFailedCloseReportsButForgetsTheDevice) {
  ASSERT_EQ(player_->PlayWave("data\\a.wav", 1), 1);
  media_->Fail(MCI_CLOSE, MCIERR_HARDWARE);
  EXPECT_EQ(player_->CloseWave(), 1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Vorna! DEMO 音楽開放");
  EXPECT_EQ(player_->waveDevice, 0u);
  EXPECT_EQ(player_->waveOpen, 0);
  EXPECT_EQ(player_->waveEnabled, 0);
}

TEST_F(WavePlayerTest, ANewPlayClosesTheOldDeviceFirst) {
  ASSERT_EQ(player_->PlayWave("data\\a.wav", 1), 1);
  media_->Clear();
  ASSERT_EQ(player_->PlayWave("data\\b.wav", 1), 1);
  const auto& c = media_->commands();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].command, MCI_CLOSE);
  EXPECT_EQ(c[0].device, 1u);
  EXPECT_EQ(c[0].flags, MCI_WAIT);
  EXPECT_EQ(c[1].command, MCI_OPEN);
  EXPECT_EQ(c[1].elementName, "/virtual/data/b.wav");
  EXPECT_EQ(c[2].command, MCI_PLAY);
  EXPECT_EQ(c[2].device, 2u);
}

// The old device's last notice is still queued when the new device opens
// with the same id: the pump between open and play must not replay.
TEST_F(WavePlayerTest, OldDevicesNoticeDuringTheOpenPumpIsIgnoredEvenWithTheSameId) {
  media_->QueueDeviceIds({1, 1});
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  media_->Clear();
  media_->onCommand = [&](const RecordingMediaService::Command& c) {
    if (c.command == MCI_OPEN) {
      PostMessage(window_->hwnd, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, 1);
    }
  };
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  media_->onCommand = nullptr;
  const auto& c = media_->commands();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].command, MCI_CLOSE);
  EXPECT_EQ(c[1].command, MCI_OPEN);
  EXPECT_EQ(c[2].command, MCI_PLAY);
  EXPECT_EQ(c[2].flags, MCI_NOTIFY);  // the play of PlayWave, not a replay
  EXPECT_EQ(player_->waveDevice, 1u);
}

// Quit taken by the pump between open and play: nothing plays, the caller
// can tell, and the freshly opened device is not left open.
TEST_F(WavePlayerTest, QuitDuringTheOpenPumpIsVisibleToTheCaller) {
  media_->onCommand = [&](const RecordingMediaService::Command& c) {
    if (c.command == MCI_OPEN) PostQuitMessage(0);
  };
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 0);
  EXPECT_TRUE(player_->QuitSeen());
  EXPECT_TRUE(media_->Of(MCI_PLAY).empty());
  ASSERT_EQ(media_->Of(MCI_CLOSE).size(), 1u);
  EXPECT_EQ(media_->Of(MCI_CLOSE)[0].device, 1u);
  EXPECT_EQ(player_->waveOpen, 0);
  EXPECT_EQ(player_->waveDevice, 0u);
  EXPECT_TRUE(Boxes().empty());
  // The quit message is gone from the queue: only QuitSeen carries it.
  EXPECT_EQ(shell::PumpPending(), 1);
  media_->Clear();
  player_->ReleaseAll();
  EXPECT_TRUE(media_->commands().empty());
}

TEST_F(WavePlayerTest, ReleaseAllSendsNothingWhenNothingWasOpened) {
  player_->ReleaseAll();
  EXPECT_TRUE(media_->commands().empty());
}

TEST_F(WavePlayerTest, ReleaseAllClosesTheWaveDeviceAndChangesNoField) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  media_->Clear();
  media_->Fail(MCI_CLOSE, MCIERR_HARDWARE);
  player_->ReleaseAll();
  ASSERT_EQ(media_->commands().size(), 1u);
  EXPECT_EQ(media_->commands()[0].command, MCI_CLOSE);
  EXPECT_EQ(media_->commands()[0].flags, MCI_WAIT);
  EXPECT_TRUE(Boxes().empty());  // failures are not reported
  EXPECT_EQ(player_->waveOpen, 1);
  EXPECT_EQ(player_->waveDevice, 1u);
  EXPECT_EQ(player_->waveEnabled, 1);
}

TEST_F(WavePlayerTest, PauseAndResumeSendOnceEachWhileOpen) {
  player_->PauseWave();  // nothing open
  EXPECT_TRUE(media_->commands().empty());
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  media_->Clear();
  player_->ResumeWave();  // not paused
  player_->PauseWave();
  player_->PauseWave();
  player_->ResumeWave();
  player_->ResumeWave();
  const auto& c = media_->commands();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].command, MCI_PAUSE);
  EXPECT_EQ(c[0].flags, 0u);
  EXPECT_FALSE(c[0].hasParams);
  EXPECT_EQ(c[1].command, MCI_RESUME);
  EXPECT_EQ(player_->wavePaused, 0);
}

TEST_F(WavePlayerTest, APathTooLongForTheBufferIsRefusedWithoutTrying) {
  const std::string name = "data\\" + std::string(300, 'x') + ".wav";
  const uint64_t before = sys_.backend().Elapsed();
  EXPECT_EQ(player_->PlayWave(name.c_str(), 1), 0);
  EXPECT_TRUE(media_->commands().empty());
  EXPECT_LT(sys_.backend().Elapsed() - before, 250u);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].caption, "Vorna! DEMO 音楽確保");
  EXPECT_EQ(Boxes()[0].text, "error " + std::to_string(MCIERR_PATH_TOO_LONG));
  EXPECT_EQ(player_->waveEnabled, 0);
}

TEST(WavePlayerWithoutServiceTest, NoMediaServiceIsReportedLikeAFailedOpen) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow("T");
  media::MediaPlayer player(window->hwnd, window->title);
  EXPECT_EQ(player.PlayWave("data\\tobirano.wav", 1), 0);
  ASSERT_EQ(sys.system().boxLog().size(), 1u);
  EXPECT_EQ(sys.system().boxLog()[0].caption, "T 音楽確保");
  EXPECT_EQ(sys.system().boxLog()[0].text, MciErrorText(MCIERR_DEVICE_NOT_INSTALLED));
  EXPECT_EQ(player.waveEnabled, 0);
}

}  // namespace
