// The media player against a recording media service on the virtual
// backend: the commands it sends, its reports and its state.
#include "media/media_player.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "services/media/mci_errors.h"
#include "shell/pump.h"
#include "tests/support/media/recording_media_service.h"
#include "tests/support/virtual_system.h"

namespace {

using namespace services;
using testing_support::RecordingMediaService;

class PlayerTest : public ::testing::Test {
 protected:
  PlayerTest() {
    auto service = std::make_unique<RecordingMediaService>();
    media_ = service.get();
    sys_.system().SetMediaService(std::move(service));
    window_ = sys_.OpenMainWindow("Vorna! DEMO");
    player_ = std::make_unique<media::MediaPlayer>(window_->hwnd, window_->title);
    window_->player = player_.get();
    EXPECT_EQ(shell::PumpPending(), 1);
  }

  // A completion notice as a device posts it, handled by a pump.
  void Notice(intptr_t id, uint32_t code = MCI_NOTIFY_SUCCESSFUL) {
    PostMessage(window_->hwnd, MM_MCINOTIFY, code, id);
    ASSERT_EQ(shell::PumpPending(), 1);
  }

  // The commands since the last call, one "name device flags" each (flags
  // in hex; a play with a start position adds "from N"; commands sent with
  // a notice check that it goes to the owner window).
  std::string Trace() {
    std::ostringstream out;
    for (const auto& c : media_->commands()) {
      const char* name = c.command == MCI_OPEN    ? "open"
                         : c.command == MCI_PLAY  ? "play"
                         : c.command == MCI_CLOSE ? "close"
                         : c.command == MCI_PUT   ? "put"
                         : c.command == MCI_PAUSE ? "pause"
                                                  : "resume";
      if (out.tellp() > 0) out << "; ";
      out << name << ' ' << c.device << ' ' << std::hex << c.flags << std::dec;
      if (c.command == MCI_PLAY && (c.flags & MCI_FROM)) out << " from " << c.from;
      if ((c.flags & MCI_NOTIFY) && c.callback != window_->hwnd) out << " (callback elsewhere)";
      if (c.command != MCI_OPEN && c.command != MCI_PLAY && c.command != MCI_PUT && c.hasParams) {
        out << " (with parameters)";
      }
    }
    media_->Clear();
    return out.str();
  }

  std::vector<std::string> Captions() {
    std::vector<std::string> out;
    for (const auto& b : sys_.system().boxLog())
      out.push_back(b.caption);
    return out;
  }

  testing_support::VirtualSystem sys_;
  RecordingMediaService* media_ = nullptr;
  std::unique_ptr<shell::MainWindow> window_;
  std::unique_ptr<media::MediaPlayer> player_;
};

using Strings = std::vector<std::string>;

// ---- Wave ----

TEST_F(PlayerTest, WaveOpensTheDataFileAndPlaysWithNoticeToTheOwner) {
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  const auto open = media_->Of(MCI_OPEN)[0];
  EXPECT_EQ(open.deviceType, "waveaudio");
  EXPECT_EQ(open.elementName, "/virtual/data/tobirano.wav");
  EXPECT_EQ(Trace(), "open 0 2202; play 1 1");
  EXPECT_EQ(player_->waveDevice, 1u);
  EXPECT_EQ(player_->waveOpen, 1);
  EXPECT_TRUE(Captions().empty());
}

// Any non-zero mode loops: each notice, whatever its code, replays from 0.
class LoopingModeTest : public PlayerTest, public ::testing::WithParamInterface<int> {};

TEST_P(LoopingModeTest, EveryNoticeReplaysFromTheStart) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", GetParam()), 1);
  EXPECT_EQ(Trace(), "open 0 2202; play 1 1");
  for (uint32_t code :
       {MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_ABORTED, MCI_NOTIFY_FAILURE}) {
    Notice(1, code);
  }
  EXPECT_EQ(Trace(), "play 1 5 from 0; play 1 5 from 0; play 1 5 from 0; play 1 5 from 0");
  Notice(0x00050001);  // only the low word of lParam is the device id
  EXPECT_EQ(Trace(), "play 1 5 from 0");
}

INSTANTIATE_TEST_SUITE_P(Modes, LoopingModeTest, ::testing::Values(1, 2, 7, -1));

TEST_F(PlayerTest, WaveModeZeroWaitsAndNoticesDoNotReplay) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 0), 1);
  EXPECT_EQ(Trace(), "open 0 2202; play 1 2");
  EXPECT_EQ(player_->waveOpen, 1);
  Notice(1);
  EXPECT_EQ(Trace(), "");
}

TEST_F(PlayerTest, NoticesForOtherDevicesOrAfterCloseAreIgnored) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  Trace();
  Notice(2);
  Notice(0);
  EXPECT_EQ(player_->CloseWave(), 1);
  EXPECT_EQ(Trace(), "close 1 2");
  EXPECT_EQ(player_->waveDevice, 0u);
  EXPECT_EQ(player_->waveOpen, 0);
  Notice(1);
  Notice(0);
  EXPECT_EQ(Trace(), "");
}

TEST_F(PlayerTest, FiveFailedWaveOpensReportOnceAndTurnMusicOff) {
  media_->Fail(MCI_OPEN, MCIERR_FILE_NOT_FOUND, 5);
  const uint64_t before = sys_.backend().Elapsed();
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 0);
  EXPECT_EQ(Trace(), "open 0 2202; open 0 2202; open 0 2202; open 0 2202; open 0 2202");
  EXPECT_GE(sys_.backend().Elapsed() - before, 5u * 250u);  // a sleep after each attempt
  ASSERT_EQ(Captions(), Strings{"Vorna! DEMO 音楽確保"});
  EXPECT_EQ(sys_.system().boxLog()[0].text, "error 275");
  EXPECT_EQ(sys_.system().boxLog()[0].style, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(player_->waveEnabled, 0);
  EXPECT_EQ(player_->waveOpen, 0);

  // Music stays off: only the mode is recorded.
  EXPECT_EQ(player_->PlayWave("data\\other.wav", 3), 1);
  EXPECT_EQ(player_->waveLoop, 3);
  EXPECT_EQ(Trace(), "");
  EXPECT_EQ(Captions().size(), 1u);
}

TEST_F(PlayerTest, AWaveOpenThatSucceedsOnTheFifthAttemptPlays) {
  media_->Fail(MCI_OPEN, MCIERR_WAVE_OUTPUTSINUSE, 4);
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  EXPECT_EQ(media_->Of(MCI_OPEN).size(), 5u);
  EXPECT_TRUE(Captions().empty());
}

TEST_F(PlayerTest, AFailedWavePlayClosesTheDeviceAndTurnsMusicOff) {
  // A failed play closes the new device.
  media_->Fail(MCI_PLAY, MCIERR_HARDWARE);
  EXPECT_EQ(player_->PlayWave("data\\a.wav", 1), 0);
  EXPECT_EQ(Trace(), "open 0 2202; play 1 1; close 1 2");
  EXPECT_EQ(player_->waveOpen, 0);
  EXPECT_EQ(player_->waveEnabled, 0);
  EXPECT_EQ(Captions(), Strings{"Vorna! DEMO 音楽演奏"});
}

TEST_F(PlayerTest, AFailedReplayReportsOnceAndSilencesFurtherReplays) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  Trace();
  media_->Fail(MCI_PLAY, MCIERR_HARDWARE);
  Notice(1);
  EXPECT_EQ(Captions(), Strings{"Vorna! DEMO 音楽再演奏"});
  EXPECT_EQ(player_->waveEnabled, 0);
  Trace();
  Notice(1);
  player_->CloseWave();  // music off: the device is left to ReleaseAll
  EXPECT_EQ(Trace(), "");
  EXPECT_EQ(player_->waveOpen, 1);
  player_->ReleaseAll();
  EXPECT_EQ(Trace(), "close 1 2");
  EXPECT_EQ(Captions().size(), 1u);
}

TEST_F(PlayerTest, AFailedWaveCloseReportsButForgetsTheDevice) {
  ASSERT_EQ(player_->PlayWave("data\\a.wav", 1), 1);
  media_->Fail(MCI_CLOSE, MCIERR_HARDWARE);
  EXPECT_EQ(player_->CloseWave(), 1);
  EXPECT_EQ(Captions(), Strings{"Vorna! DEMO 音楽開放"});
  EXPECT_EQ(player_->waveDevice, 0u);
  EXPECT_EQ(player_->waveOpen, 0);
}

// The old device's last notice is still queued when the new device opens
// with the same id: the pump between open and play must not replay.
TEST_F(PlayerTest, OldDevicesNoticeDuringTheOpenPumpIsIgnoredEvenWithTheSameId) {
  media_->QueueDeviceIds({1, 1});
  ASSERT_EQ(player_->PlayWave("data\\a.wav", 1), 1);
  Trace();
  media_->onCommand = [&](const RecordingMediaService::Command& c) {
    if (c.command == MCI_OPEN) PostMessage(window_->hwnd, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, 1);
  };
  ASSERT_EQ(player_->PlayWave("data\\b.wav", 1), 1);
  EXPECT_EQ(media_->Of(MCI_OPEN)[0].elementName, "/virtual/data/b.wav");
  EXPECT_EQ(Trace(), "close 1 2; open 0 2202; play 1 1");
}

// Quit taken by the pump between open and play: nothing plays, the caller
// can tell, and the freshly opened device is not left open.
TEST_F(PlayerTest, QuitDuringTheOpenPumpIsVisibleToTheCaller) {
  media_->onCommand = [&](const RecordingMediaService::Command& c) {
    if (c.command == MCI_OPEN) PostQuitMessage(0);
  };
  EXPECT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 0);
  EXPECT_TRUE(player_->QuitSeen());
  EXPECT_EQ(Trace(), "open 0 2202; close 1 2");
  EXPECT_EQ(player_->waveOpen, 0);
  EXPECT_TRUE(Captions().empty());
  EXPECT_EQ(shell::PumpPending(), 1);  // the quit is gone: only QuitSeen carries it
  player_->ReleaseAll();
  EXPECT_EQ(Trace(), "");

  EXPECT_EQ(player_->PlayVideo("data\\clip.avi", 1, 0, 0, 64, 48), 0);
  EXPECT_EQ(Trace(), "open 0 32202; close 2 2");  // no put, no play
  EXPECT_EQ(player_->videoOpen, 0);
}

TEST_F(PlayerTest, ReleaseAllSendsNothingWhenNothingIsOpen) {
  player_->ReleaseAll();
  EXPECT_EQ(Trace(), "");
}

TEST_F(PlayerTest, ReleaseAllClosesWaveThenVideoAndChangesNoField) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  ASSERT_EQ(player_->PlayVideo("data\\clip.avi", 2, 0, 0, 64, 48), 1);
  Trace();
  media_->Fail(MCI_CLOSE, MCIERR_HARDWARE, 2);
  player_->ReleaseAll();
  EXPECT_EQ(Trace(), "close 1 2; close 2 2");
  EXPECT_TRUE(Captions().empty());  // failures are not reported
  EXPECT_EQ(player_->waveOpen, 1);
  EXPECT_EQ(player_->videoOpen, 1);
  EXPECT_EQ(player_->waveEnabled, 1);
}

TEST_F(PlayerTest, PauseAndResumeSendOnceEachWhileOpen) {
  player_->PauseWave();  // nothing open
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  Trace();
  player_->ResumeWave();  // not paused
  player_->PauseWave();
  player_->PauseWave();
  player_->ResumeWave();
  player_->ResumeWave();
  EXPECT_EQ(Trace(), "pause 1 0; resume 1 0");
}

TEST_F(PlayerTest, APathTooLongForTheBufferIsRefusedWithoutTrying) {
  const std::string name = "data\\" + std::string(300, 'x') + ".wav";
  const uint64_t before = sys_.backend().Elapsed();
  EXPECT_EQ(player_->PlayWave(name.c_str(), 1), 0);
  EXPECT_EQ(Trace(), "");
  EXPECT_LT(sys_.backend().Elapsed() - before, 250u);
  EXPECT_EQ(Captions(), Strings{"Vorna! DEMO 音楽確保"});
  EXPECT_EQ(sys_.system().boxLog()[0].text, "error " + std::to_string(MCIERR_PATH_TOO_LONG));
}

TEST(PlayerWithoutServiceTest, NoMediaServiceIsReportedLikeAFailedOpen) {
  testing_support::VirtualSystem sys;
  auto window = sys.OpenMainWindow("T");
  media::MediaPlayer player(window->hwnd, window->title);
  EXPECT_EQ(player.PlayWave("data\\tobirano.wav", 1), 0);
  ASSERT_EQ(sys.system().boxLog().size(), 1u);
  EXPECT_EQ(sys.system().boxLog()[0].caption, "T 音楽確保");
  EXPECT_EQ(sys.system().boxLog()[0].text, MciErrorText(MCIERR_DEVICE_NOT_INSTALLED));
}

// ---- Video ----

TEST_F(PlayerTest, VideoOpensAsAChildOfTheOwnerPutsAndPlaysWithNotice) {
  EXPECT_EQ(player_->PlayVideo("data\\clip.avi", 1, 10, 20, 300, 200), 1);
  const auto open = media_->Of(MCI_OPEN)[0];
  EXPECT_EQ(open.deviceType, "AVIVideo");
  EXPECT_EQ(open.elementName, "/virtual/data/clip.avi");
  EXPECT_EQ(open.style, WS_CHILD);
  EXPECT_EQ(open.parent, window_->hwnd);
  const auto put = media_->Of(MCI_PUT)[0].rect;
  EXPECT_EQ((std::vector<int>{put.x, put.y, put.w, put.h}), (std::vector<int>{10, 20, 300, 200}));
  EXPECT_EQ(Trace(), "open 0 32202; put 1 610002; play 1 1");
  EXPECT_EQ(player_->videoOpen, 1);
  EXPECT_EQ(player_->videoDevice, 1u);
}

TEST_F(PlayerTest, TheVideoModeDecidesWhatTheEndNoticeDoes) {
  ASSERT_EQ(player_->PlayVideo("data\\clip.avi", 1, 0, 0, 64, 48), 1);
  Trace();
  Notice(1);
  Notice(1);
  EXPECT_EQ(Trace(), "play 1 5 from 0; play 1 5 from 0");

  ASSERT_EQ(player_->PlayVideo("data\\clip.avi", 2, 0, 0, 64, 48), 1);
  EXPECT_EQ(Trace(), "close 1 2; open 0 32202; put 2 610002; play 2 1");
  Notice(2);
  EXPECT_EQ(Trace(), "");
  EXPECT_EQ(player_->videoOpen, 1);

  ASSERT_EQ(player_->PlayVideo("data\\clip.avi", 0, 0, 0, 64, 48), 1);
  Trace();
  Notice(3);
  Notice(3);
  EXPECT_EQ(Trace(), "close 3 2");
  EXPECT_EQ(player_->videoOpen, 0);
}

TEST_F(PlayerTest, AFailedPutClosesAtOnceAndLeavesVideoClosed) {
  media_->Fail(MCI_PUT, MCIERR_OUTOFRANGE);
  EXPECT_EQ(player_->PlayVideo("data\\clip.avi", 1, 0, 0, -1, 48), 0);
  EXPECT_EQ(Trace(), "open 0 32202; put 1 610002; close 1 2");
  EXPECT_EQ(Captions(), Strings{"Vorna! DEMO ＡＶＩレクト設定"});
  EXPECT_EQ(player_->videoOpen, 0);
  EXPECT_EQ(player_->videoEnabled, 1);  // only a failed open turns video off
  EXPECT_EQ(player_->waveEnabled, 0);
}

TEST_F(PlayerTest, VideoPlayReplayAndCloseFailuresAreReported) {
  media_->Fail(MCI_PLAY, MCIERR_HARDWARE);
  EXPECT_EQ(player_->PlayVideo("data\\clip.avi", 1, 0, 0, 64, 48), 0);
  EXPECT_EQ(Trace(), "open 0 32202; put 1 610002; play 1 1; close 1 2");
  EXPECT_EQ(player_->videoOpen, 0);

  ASSERT_EQ(player_->PlayVideo("data\\clip.avi", 1, 0, 0, 64, 48), 1);
  media_->Fail(MCI_PLAY, MCIERR_HARDWARE);
  Notice(player_->videoDevice);
  EXPECT_EQ(player_->videoOpen, 1);  // a failed replay leaves it open

  media_->Fail(MCI_CLOSE, MCIERR_HARDWARE);
  EXPECT_EQ(player_->CloseVideo(), 1);
  EXPECT_EQ(player_->videoDevice, 0u);
  EXPECT_EQ(player_->videoOpen, 0);
  EXPECT_EQ(Captions(), (Strings{"Vorna! DEMO ＡＶＩ演奏", "Vorna! DEMO ＡＶＩ再演奏",
                                 "Vorna! DEMO ＡＶＩ開放"}));
}

TEST_F(PlayerTest, FiveFailedVideoOpensTurnVideoAndMusicOff) {
  ASSERT_EQ(player_->PlayWave("data\\tobirano.wav", 1), 1);
  Trace();
  media_->Fail(MCI_OPEN, MCIERR_FILE_NOT_FOUND, 5);
  EXPECT_EQ(player_->PlayVideo("data\\clip.avi", 1, 0, 0, 64, 48), 0);
  EXPECT_EQ(media_->Of(MCI_OPEN).size(), 5u);
  EXPECT_EQ(Captions(), Strings{"Vorna! DEMO ＡＶＩ確保"});
  EXPECT_EQ(player_->videoEnabled, 0);
  Trace();
  Notice(1);  // the theme's current pass is not replayed
  EXPECT_EQ(player_->PlayVideo("data\\other.avi", 2, 0, 0, 64, 48), 1);
  EXPECT_EQ(player_->videoMode, 2);  // video off: only the mode is recorded
  EXPECT_EQ(Trace(), "");
  EXPECT_EQ(Captions().size(), 1u);
}

}  // namespace
