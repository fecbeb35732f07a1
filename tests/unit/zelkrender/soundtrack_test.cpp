// The theme under a video: each play of the media log sounds the file from its
// start position at its virtual time, until it ends, is replayed or closed;
// pieces rendered one after another join into the same track.
#include <gtest/gtest.h>

#include <cmath>

#include "services/media/media_service.h"
#include "tests/support/media/wave_writer.h"
#include "tests/unit/zelkrender/render_support.h"
#include "tools/zelkrender/soundtrack.h"

namespace render_tests {
namespace {

using zelkrender::Soundtrack;
using Entry = platform::VirtualMediaService::LogEntry;

constexpr int kPerMs = Soundtrack::kSamplesPerMs;

// A stereo file at the track's own rate whose left sample n is a distinct
// value of n, so the position a track sample came from can be read back, and
// whose right channel is its negation.
class NumberedWave {
 public:
  explicit NumberedWave(uint32_t ms) : frames_(ms * kPerMs) {
    std::vector<int16_t> samples;
    for (uint32_t n = 0; n < frames_; ++n) {
      samples.push_back(Value(n));
      samples.push_back(static_cast<int16_t>(-Value(n)));
    }
    testing_support::WriteFile(path(), testing_support::MakeWave(samples, 2, Soundtrack::kRate));
  }
  std::string path() const { return dir_ / "theme.wav"; }
  static int16_t Value(uint32_t n) { return static_cast<int16_t>(n % 30000 + 1); }
  // The file position a track sample holds, or −1 for silence.
  static int64_t PositionOf(float left) {
    if (left == 0.0f) return -1;
    return std::lround(left * 32768.0f) - 1;
  }

 private:
  TempDir dir_;
  uint32_t frames_;
};

TEST(RenderSoundtrack, PlaysSoundFromTheirPositionUntilTheyStop) {
  NumberedWave wave(500);  // 24000 frames
  const std::string f = wave.path();
  const Soundtrack::Log log = {
      {5, 1, services::MCI_OPEN, f, 0},
      {10, 1, services::MCI_PLAY, f, 0},
      {200, 1, services::MCI_PLAY, f, 300},  // replayed from 300 ms: ends 200 ms later
      {400, 1, 0, f, 0},                     // the end of that play
      {450, 1, services::MCI_PLAY, f, 0},
      {480, 1, services::MCI_CLOSE, f, 30},
  };
  Soundtrack track;
  // A track starting 4 ms after the program's start, 600 ms long.
  const std::vector<float> s = track.Render(log, 4, 0, 600 * kPerMs);
  ASSERT_EQ(s.size(), size_t{600} * kPerMs * 2);
  auto positionAtMs = [&](double trackMs) {
    const size_t n = static_cast<size_t>(trackMs * kPerMs);
    EXPECT_EQ(s[2 * n + 1], -s[2 * n]) << "right channel at " << trackMs;
    return NumberedWave::PositionOf(s[2 * n]);
  };
  EXPECT_EQ(positionAtMs(0), -1);
  EXPECT_EQ(positionAtMs(5.99), -1);  // the first play sounds from 10 ms on
  EXPECT_EQ(positionAtMs(6), 0);
  EXPECT_EQ(positionAtMs(100), 94 * kPerMs);
  EXPECT_EQ(positionAtMs(195.99), 190 * kPerMs - 1);  // the first play's last sample
  EXPECT_EQ(positionAtMs(196), 300 * kPerMs);         // replayed from 300 ms
  EXPECT_EQ(positionAtMs(395.99), 500 * kPerMs - 1);
  EXPECT_EQ(positionAtMs(396), -1);  // ended
  EXPECT_EQ(positionAtMs(446), 0);
  EXPECT_EQ(positionAtMs(475.99), 30 * kPerMs - 1);
  EXPECT_EQ(positionAtMs(476), -1);  // closed
  EXPECT_EQ(positionAtMs(599.99), -1);
  EXPECT_TRUE(track.warnings().empty()) << track.warnings();

  // Pieces in a row, of uneven lengths, make the same track; a play still
  // going at the end of the log goes on sounding.
  std::vector<float> joined;
  for (size_t first = 0, len = 1; first < 600 * kPerMs; first += len, len = len * 3 + 7) {
    len = std::min(len, 600 * kPerMs - first);
    std::vector<float> piece = track.Render(log, 4, first, len);
    joined.insert(joined.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(joined, s);
  const Soundtrack::Log going(log.begin(), log.begin() + 2);
  const std::vector<float> open = track.Render(going, 4, 400 * kPerMs, 10);
  EXPECT_EQ(NumberedWave::PositionOf(open[0]), (400 - 6) * kPerMs);
}

TEST(RenderSoundtrack, OtherRatesAreResampledAndUnreadableFilesStaySilent) {
  // One second of a 22050 Hz mono tone becomes one second at the track's
  // rate on both channels, at about the same loudness.
  TempDir dir;
  std::vector<int16_t> tone;
  for (int n = 0; n < 22050; ++n)
    tone.push_back(static_cast<int16_t>(8000 * std::sin(n * 0.1)));
  const std::string path = dir / "tone.wav";
  testing_support::WriteFile(path, testing_support::MakeWave(tone, 1, 22050));
  std::vector<float> samples;
  std::string error;
  ASSERT_TRUE(zelkrender::DecodeSound(path, &samples, &error)) << error;
  EXPECT_NEAR(static_cast<double>(samples.size()) / 2, Soundtrack::kRate, 64);
  double energy = 0;
  for (size_t i = 1000; i + 1000 < samples.size(); i += 2) {
    EXPECT_EQ(samples[i], samples[i + 1]);
    energy += samples[i] * samples[i];
  }
  const double rms = std::sqrt(energy / (samples.size() / 2 - 1000));
  EXPECT_NEAR(rms, 8000.0 / 32768 / std::sqrt(2.0), 0.01);

  Soundtrack track;
  const std::string missing = dir / "gone.wav";
  const Soundtrack::Log log = {{0, 1, services::MCI_PLAY, missing, 0}};
  const std::vector<float> silent = track.Render(log, 0, 0, 480);
  EXPECT_EQ(silent, std::vector<float>(960, 0.0f));
  EXPECT_NE(track.warnings().find(missing), std::string::npos);
  EXPECT_FALSE(zelkrender::DecodeSound(missing, &samples, &error));
  EXPECT_NE(error.find(missing), std::string::npos);
}

}  // namespace
}  // namespace render_tests
