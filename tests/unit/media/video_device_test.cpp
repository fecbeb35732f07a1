// The "AVIVideo" device on FFmpeg with AVI files written by the test: the
// picture in its child area at its times, the put rectangle, the end notice,
// the sound track, and the errors.
#include <set>

#include "services/child_area.h"
#include "services/media/mci_errors.h"
#include "tests/support/media/test_avi.h"
#include "tests/support/media/wave_writer.h"
#include "tests/unit/media/sdl_fixture.h"

namespace {

using namespace platform;
using namespace services;
namespace fs = std::filesystem;
using media_testing::Clock;
using testing_support::TestAviOptions;

class VideoDeviceTest : public media_testing::SdlMediaTest {
 protected:
  std::string Avi(const std::string& name, const TestAviOptions& o = {}) {
    const std::string path = (dir_ / name).string();
    std::string why;
    EXPECT_TRUE(testing_support::WriteTestAvi(path, o, &why)) << why;
    return path;
  }

  uint32_t Open(const std::string& path, MciDeviceId* id, WindowHandle parent) {
    MciDgvOpenParms p;
    p.deviceType = "AVIVideo";
    p.elementName = path;
    p.style = WS_CHILD;
    p.parent = parent;
    const uint32_t flags =
        MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT | MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT;
    const uint32_t e = media_->SendCommand(0, MCI_OPEN, flags, &p);
    *id = p.deviceId;
    return e;
  }
  uint32_t Put(MciDeviceId id, Rect r) {
    MciDgvPutParms p;
    p.rect = r;
    return media_->SendCommand(
        id, MCI_PUT, MCI_WAIT | MCI_DGV_RECT | MCI_DGV_PUT_WINDOW | MCI_DGV_PUT_CLIENT, &p);
  }
  uint32_t Play(MciDeviceId id) {
    MciPlayParms p;
    p.callback = window_->hwnd;
    return media_->SendCommand(id, MCI_PLAY, MCI_NOTIFY, &p);
  }

  // What the window would show: its screen surface with the child areas over it.
  std::vector<uint32_t> Shown() {
    std::vector<uint32_t> px(window_->screenDC->Pixels(),
                             window_->screenDC->Pixels() + Surface::kWidth * Surface::kHeight);
    for (const auto& c : window_->hwnd->children)
      c->DrawOnto(px.data(), Surface::kWidth, Surface::kHeight);
    return px;
  }
};

// A 160×120 video put at (100, 80) at twice its size: its frames appear in
// order inside the rectangle, nothing outside it changes, and the end is
// announced after the video's length.
TEST_F(VideoDeviceTest, FramesAppearInThePutRectangleAtTheirTimes) {
  const std::string path = Avi("square.avi");
  window_->screenDC->PatBlt(0, 0, 640, 480, RasterFill::kBlackness);
  MciDeviceId id = 0;
  ASSERT_EQ(Open(path, &id, window_->hwnd), 0u);
  ASSERT_EQ(Put(id, Rect{100, 80, 320, 240}), 0u);
  EXPECT_EQ(Shown()[100 * 640 + 200], 0u);  // nothing shown before the play

  const auto start = Clock::now();
  ASSERT_EQ(Play(id), 0u);
  std::vector<uint32_t> colours;  // square colours in the order seen
  bool outsideTouched = false;
  PumpUntilNotice(std::chrono::milliseconds(3000), [&] {
    const auto px = Shown();
    for (int y = 0; y < 480; y += 7) {
      for (int x = 0; x < 640; x += 7) {
        const bool inside = x >= 100 && x < 420 && y >= 80 && y < 320;
        if (!inside && px[y * 640 + x] != 0) outsideTouched = true;
      }
    }
    // The square's middle row, at twice the size, inside the rectangle.
    const int row = 80 + 2 * (120 / 2);
    for (int x = 100; x < 420; ++x) {
      const uint32_t c = px[row * 640 + x];
      if (c != 0 && c != testing_support::kTestAviBackground) {
        if (colours.empty() || colours.back() != c) colours.push_back(c);
        break;
      }
    }
  });
  ASSERT_EQ(log_.notices.size(), 1u);
  EXPECT_EQ(log_.notices[0].device, id);
  EXPECT_EQ(log_.notices[0].code, MCI_NOTIFY_SUCCESSFUL);
  EXPECT_GE(log_.notices[0].at - start, std::chrono::milliseconds(900));
  EXPECT_FALSE(outsideTouched);
  // Raw pictures keep their colours exactly; most frames were seen, in order
  // (a busy machine may present a frame too late to be seen).
  ASSERT_GE(colours.size(), 5u);
  int frame = 0;
  for (uint32_t c : colours) {
    while (frame < 10 && testing_support::TestAviSquareColour(frame) != c)
      ++frame;
    ASSERT_LT(frame, 10) << std::hex << c;
    ++frame;
  }
  // The last frame stays after the end, at the rectangle's corners too.
  EXPECT_EQ(Shown()[80 * 640 + 100], testing_support::kTestAviBackground);
  EXPECT_EQ(Shown()[319 * 640 + 419], testing_support::kTestAviBackground);
}

// A play from 500 ms shows none of the first five frames and ends half a
// second later: before a play of 900 ms started beside it.
TEST_F(VideoDeviceTest, PlayFromAPositionStartsThereAndEndsEarlier) {
  MciDeviceId id = 0, other = 0;
  ASSERT_EQ(Open(Avi("a.avi"), &id, window_->hwnd), 0u);
  ASSERT_EQ(Open(Avi("b.avi", {.frames = 9, .sound = false}), &other, window_->hwnd), 0u);
  ASSERT_EQ(Put(other, Rect{320, 240, 160, 120}), 0u);  // out of the way of the looks
  MciPlayParms p;
  p.callback = window_->hwnd;
  p.from = 500;
  const auto start = Clock::now();
  ASSERT_EQ(Play(other), 0u);
  ASSERT_EQ(media_->SendCommand(id, MCI_PLAY, MCI_NOTIFY | MCI_FROM, &p), 0u);
  std::set<uint32_t> seen;
  PumpUntilNotice(std::chrono::milliseconds(3000), [&] {
    const auto px = Shown();
    const int row = 120 / 2;  // the square's middle row, at the video's own size
    for (int x = 0; x < 160; ++x) {
      const uint32_t c = px[row * 640 + x];
      if (c != 0 && c != testing_support::kTestAviBackground) seen.insert(c);
    }
  });
  ASSERT_EQ(log_.notices.size(), 1u);
  EXPECT_EQ(log_.notices[0].device, id);
  EXPECT_GE(log_.notices[0].at - start, std::chrono::milliseconds(450));
  EXPECT_FALSE(seen.empty());
  for (int frame = 0; frame < 5; ++frame) {
    EXPECT_EQ(seen.count(testing_support::TestAviSquareColour(frame)), 0u) << frame;
  }
}

TEST_F(VideoDeviceTest, CloseRemovesThePictureAndRepaintsWhatItCovered) {
  MciDeviceId id = 0;
  ASSERT_EQ(Open(Avi("a.avi"), &id, window_->hwnd), 0u);
  ASSERT_EQ(Play(id), 0u);
  PumpUntilNotice(std::chrono::milliseconds(150));
  EXPECT_EQ(window_->hwnd->children.size(), 1u);
  window_->hwnd->paintPending = false;
  ASSERT_EQ(media_->SendCommand(id, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
  EXPECT_TRUE(window_->hwnd->children.empty());
  EXPECT_TRUE(window_->hwnd->paintPending);
  PumpUntilNotice(std::chrono::milliseconds(200));
  ASSERT_EQ(log_.notices.size(), 1u);
  EXPECT_EQ(log_.notices[0].code, MCI_NOTIFY_ABORTED);
}

// MJPEG pictures with a sound track: played again from 0, each pass ends
// with its notice, and the tone reaches the audio output.
TEST_F(VideoDeviceTest, MjpegWithSoundReplaysFromTheStart) {
  TestAviOptions o;
  o.mjpeg = true;
  o.frames = 5;
  MciDeviceId id = 0;
  ASSERT_EQ(Open(Avi("m.avi", o), &id, window_->hwnd), 0u);
  for (int pass = 0; pass < 2; ++pass) {
    MciPlayParms p;
    p.callback = window_->hwnd;
    p.from = 0;
    ASSERT_EQ(media_->SendCommand(id, MCI_PLAY, MCI_NOTIFY | MCI_FROM, &p), 0u);
    PumpUntilNotice(std::chrono::milliseconds(3000));
  }
  ASSERT_EQ(log_.notices.size(), 2u);
  EXPECT_EQ(log_.notices[1].code, MCI_NOTIFY_SUCCESSFUL);
  const auto pass = log_.notices[1].at - log_.notices[0].at;
  EXPECT_GE(pass, std::chrono::milliseconds(450));

  size_t loud = 0;
  for (int16_t s : Captured())
    loud += std::abs(s) > 6000;
  // Two passes of half a second of tone: far more than a few loud samples.
  EXPECT_GT(loud, 20000u);
}

TEST_F(VideoDeviceTest, FilesThatCannotBeShownGiveTheirErrors) {
  MciDeviceId id = 0;
  EXPECT_EQ(Open((dir_ / "missing.avi").string(), &id, window_->hwnd), MCIERR_FILE_NOT_FOUND);
  EXPECT_EQ(Open(Avi("ok.avi"), &id, nullptr), MCIERR_NO_WINDOW);

  const std::string wav = (dir_ / "sound.wav").string();
  testing_support::WriteFile(wav, testing_support::MakeSilentWave(100));
  EXPECT_EQ(Open(wav, &id, window_->hwnd), MCIERR_INVALID_FILE);

  TestAviOptions soundOnly;
  soundOnly.picture = false;
  EXPECT_EQ(Open(Avi("s.avi", soundOnly), &id, window_->hwnd), MCIERR_NO_VIDEO_STREAM);

  // An MJPEG file whose coding is renamed to one nobody knows.
  TestAviOptions mjpeg;
  mjpeg.mjpeg = true;
  const std::string path = Avi("x.avi", mjpeg);
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  for (size_t at = bytes.find("MJPG"); at != std::string::npos; at = bytes.find("MJPG", at)) {
    bytes.replace(at, 4, "ZQXW");
  }
  f.seekp(0);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  EXPECT_EQ(Open(path, &id, window_->hwnd), MCIERR_UNSUPPORTED_CODEC);

  EXPECT_EQ(media_->OpenCount(), 0u);
  EXPECT_TRUE(window_->hwnd->children.empty());

  ASSERT_EQ(Open(Avi("ok.avi"), &id, window_->hwnd), 0u);
  EXPECT_EQ(Put(id, Rect{0, 0, -5, 10}), MCIERR_OUTOFRANGE);
  EXPECT_EQ(Put(id, Rect{0, 0, 5000, 10}), MCIERR_OUTOFRANGE);
  MciPlayParms far;
  far.from = 5000;
  EXPECT_EQ(media_->SendCommand(id, MCI_PLAY, MCI_FROM, &far), MCIERR_OUTOFRANGE);
}

}  // namespace
