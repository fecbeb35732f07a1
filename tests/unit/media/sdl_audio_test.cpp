// The real wave device on SDL audio, heard through SDL's "disk" driver: the
// tests read back exactly what was played.
#include <algorithm>
#include <cmath>
#include <random>

#include "media/media_player.h"
#include "services/media/mci_errors.h"
#include "tests/support/media/wave_writer.h"
#include "tests/unit/media/sdl_fixture.h"

namespace {

using namespace platform;
using namespace services;
namespace fs = std::filesystem;
using media_testing::Clock;

// A recognisable sound: noise from a fixed seed, never silent.
std::vector<int16_t> Noise(size_t frames, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> d(1000, 20000);
  std::vector<int16_t> s(frames * 2);
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<int16_t>(i % 3 ? d(gen) : -d(gen));
  return s;
}

// Where `needle` occurs whole in `hay`, as sample offsets.
std::vector<size_t> Occurrences(const std::vector<int16_t>& hay,
                                const std::vector<int16_t>& needle) {
  std::vector<size_t> at;
  if (hay.size() < needle.size()) return at;
  for (size_t i = 0; i + needle.size() <= hay.size(); i += 2) {
    if (hay[i] == needle[0] && hay[i + 1] == needle[1] &&
        std::equal(needle.begin(), needle.end(), hay.begin() + i)) {
      at.push_back(i);
      i += needle.size() - 2;
    }
  }
  return at;
}

class SdlAudioTest : public media_testing::SdlMediaTest {
 protected:
  void WriteWave(const std::string& name, const std::vector<int16_t>& samples) {
    ASSERT_TRUE(testing_support::WriteFile((dir_ / "data" / name).string(),
                                           testing_support::MakeWave(samples, 2, 44100)));
  }
};

TEST_F(SdlAudioTest, LoopingPlayRepeatsTheWholeSound) {
  const auto sound = Noise(44100 / 5, 1);  // 200 ms
  WriteWave("loop.wav", sound);
  media::MediaPlayer player(window_->hwnd, window_->title);
  window_->player = &player;
  ASSERT_EQ(player.PlayWave("data\\loop.wav", 1), 1);
  PumpFor(std::chrono::milliseconds(900));
  player.ReleaseAll();
  EXPECT_TRUE(sys_.system().boxLog().empty());
  EXPECT_GE(Occurrences(Captured(), sound).size(), 2u);
}

TEST_F(SdlAudioTest, WaitingPlayReturnsOnlyAfterTheWholeSound) {
  const auto first = Noise(44100 * 3 / 10, 2);  // 300 ms
  const auto second = Noise(44100 / 10, 3);
  WriteWave("first.wav", first);
  WriteWave("second.wav", second);
  media::MediaPlayer player(window_->hwnd, window_->title);

  const auto start = Clock::now();
  ASSERT_EQ(player.PlayWave("data\\first.wav", 0), 1);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));
  EXPECT_EQ(player.waveOpen, 1);
  // Whatever plays next starts after the first sound's last sample.
  ASSERT_EQ(player.PlayWave("data\\second.wav", 0), 1);
  PumpFor(std::chrono::milliseconds(60));
  EXPECT_TRUE(log_.notices.empty());
  player.ReleaseAll();

  const auto captured = Captured();
  const auto a = Occurrences(captured, first);
  const auto b = Occurrences(captured, second);
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_GE(b[0], a[0] + first.size());
}

TEST_F(SdlAudioTest, ClosingAPlayingDeviceStopsItAndAbortsItsNotice) {
  WriteWave("long.wav", Noise(44100 * 2, 4));
  MciOpenParms open;
  open.deviceType = "waveaudio";
  open.elementName = (dir_ / "data" / "long.wav").string();
  ASSERT_EQ(media_->SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT, &open),
            0u);
  MciPlayParms play;
  play.callback = window_->hwnd;
  ASSERT_EQ(media_->SendCommand(open.deviceId, MCI_PLAY, MCI_NOTIFY, &play), 0u);
  PumpFor(std::chrono::milliseconds(150));
  EXPECT_TRUE(log_.notices.empty());
  ASSERT_EQ(media_->SendCommand(open.deviceId, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
  PumpUntilNotice(std::chrono::milliseconds(10000));
  ASSERT_EQ(log_.notices.size(), 1u);
  EXPECT_EQ(log_.notices[0].code, MCI_NOTIFY_ABORTED);
  const auto captured = Captured();
  size_t sounding = 0;
  for (int16_t s : captured)
    sounding += s != 0;
  EXPECT_GT(sounding, 0u);
  EXPECT_LT(sounding, 44100u * 3);  // less than the whole 2 s (44100 × 4 samples)
}

TEST_F(SdlAudioTest, NoAudioDeviceIsReportedOnceAndTurnsMusicOff) {
  UseDriver("no-such-driver");
  WriteWave("a.wav", Noise(4410, 5));
  media::MediaPlayer player(window_->hwnd, window_->title);
  EXPECT_EQ(player.PlayWave("data\\a.wav", 1), 0);
  ASSERT_EQ(sys_.system().boxLog().size(), 1u);
  EXPECT_EQ(sys_.system().boxLog()[0].caption, "T 音楽確保");
  EXPECT_EQ(sys_.system().boxLog()[0].text, MciErrorText(MCIERR_WAVE_OUTPUTSUNSUITABLE));
  EXPECT_EQ(player.waveEnabled, 0);
  EXPECT_EQ(player.PlayWave("data\\a.wav", 1), 1);
  EXPECT_EQ(sys_.system().boxLog().size(), 1u);
  EXPECT_EQ(media_->OpenCount(), 0u);
}

TEST_F(SdlAudioTest, TooManyDevicesAtOnceFindTheOutputBusy) {
  UseDriver("dummy");
  WriteWave("a.wav", Noise(441, 6));
  MciOpenParms open;
  open.deviceType = "waveaudio";
  open.elementName = (dir_ / "data" / "a.wav").string();
  const uint32_t flags = MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT;
  for (int i = 0; i < AudioOutput::kMaxVoices; ++i) {
    ASSERT_EQ(media_->SendCommand(0, MCI_OPEN, flags, &open), 0u);
  }
  EXPECT_EQ(media_->SendCommand(0, MCI_OPEN, flags, &open), MCIERR_WAVE_OUTPUTSINUSE);
  ASSERT_EQ(media_->SendCommand(3, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
  EXPECT_EQ(media_->SendCommand(0, MCI_OPEN, flags, &open), 0u);
  EXPECT_EQ(open.deviceId, 3u);
}

// Output frames [from, from + n) of a loaded sound as a voice started at
// `from` plays them.
std::vector<int32_t> Mixed(const AudioOutput::Samples& sound, size_t from, size_t n) {
  std::vector<int32_t> out(n * AudioOutput::kChannels, 0);
  AudioOutput::SoundReader reader(sound, from);
  reader.MixNext(n, out.data());
  return out;
}

// The power of one channel of stereo `s` at `hz`, over frames [from, from + n)
// under a Hann window (Goertzel).
double PowerAt(const std::vector<int32_t>& s, int channel, size_t from, size_t n, double hz) {
  const double w = 2 * M_PI * hz / AudioOutput::kRate;
  double a = 0, b = 0;
  for (size_t i = 0; i < n; ++i) {
    const double hann = 0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / (n - 1));
    const double x = hann * s[(from + i) * 2 + channel];
    const double next = x + 2 * std::cos(w) * a - b;
    b = a;
    a = next;
  }
  return a * a + b * b - 2 * std::cos(w) * a * b;
}

double Db(double power, double reference) {
  return 10 * std::log10(power / reference);
}

TEST(WaveLoadTest, SoundsKeepTheirRateAndAreMixedToTheOutputFormat) {
  const auto dir = fs::temp_directory_path() / ("zelk_waveload_" + std::to_string(getpid()));
  fs::create_directories(dir);
  uint32_t error = 0;

  // 8-bit mono at 11025 Hz, a constant level: kept as it is (no bigger than
  // its file), one second long at the output rate, the level on both sides.
  const std::string mono8 = (dir / "mono8.wav").string();
  testing_support::WriteFile(
      mono8, testing_support::MakeWave(std::vector<int16_t>(11025, 0x4000), 1, 11025, 8));
  auto sound = LoadWaveSamples(mono8, &error);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(sound->rate, 11025);
  EXPECT_EQ(sound->channels, 1);
  EXPECT_EQ(sound->samples.size(), 11025u);
  EXPECT_EQ(sound->Frames(), 44100u);
  auto mixed = Mixed(sound, 0, 22052);
  EXPECT_NEAR(mixed[44100], 0x4000, 256);
  EXPECT_EQ(mixed[44100], mixed[44101]);

  // 16-bit stereo at the output rate passes through unchanged.
  const auto noise = Noise(1000, 7);
  const std::string same = (dir / "same.wav").string();
  testing_support::WriteFile(same, testing_support::MakeWave(noise, 2, 44100));
  sound = LoadWaveSamples(same, &error);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->samples, noise);
  mixed = Mixed(sound, 0, noise.size() / 2);
  EXPECT_EQ(std::vector<int16_t>(mixed.begin(), mixed.end()), noise);

  // IMA ADPCM, 2000 frames at 8 kHz: a quarter of a second.
  const std::string ima = (dir / "ima.wav").string();
  testing_support::WriteFile(ima, testing_support::MakeImaAdpcmWave(4, 2000));
  sound = LoadWaveSamples(ima, &error);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->rate, 8000);
  EXPECT_NEAR(static_cast<double>(sound->Frames()), 44100.0 / 4, 32.0);

  EXPECT_EQ(LoadWaveSamples((dir / "missing.wav").string(), &error), nullptr);
  EXPECT_EQ(error, MCIERR_FILE_NOT_FOUND);
  const std::string junk = (dir / "junk.wav").string();
  testing_support::WriteFile(junk, std::vector<uint8_t>(100, 0x5A));
  EXPECT_EQ(LoadWaveSamples(junk, &error), nullptr);
  EXPECT_EQ(error, MCIERR_INVALID_FILE);
  const std::string empty = (dir / "empty.wav").string();
  testing_support::WriteFile(empty, testing_support::MakeWave({}, 2, 44100));
  EXPECT_EQ(LoadWaveSamples(empty, &error), nullptr);
  EXPECT_EQ(error, MCIERR_INVALID_FILE);
  fs::remove_all(dir);
}

// The theme is kept at 22050 Hz. Played at 44.1 kHz, a partial near the top
// of its band (9 kHz, where bells ring) keeps its level, and its mirror image
// at 22050 − 9000 = 13050 Hz, which interpolation between source samples
// leaves a few dB down, stays more than 60 dB below it; a voice started in
// the middle of the sound plays on exactly as one started at its beginning.
TEST(WaveLoadTest, ResamplingKeepsTheBandAndMirrorsNothingAboveIt) {
  const auto dir = fs::temp_directory_path() / ("zelk_resample_" + std::to_string(getpid()));
  fs::create_directories(dir);
  constexpr int kSourceRate = 22050;
  constexpr double kAmplitude = 12000;
  std::vector<int16_t> tones;  // 9 kHz on the left, 4 kHz on the right
  for (int i = 0; i < kSourceRate; ++i) {
    tones.push_back(static_cast<int16_t>(kAmplitude * std::sin(2 * M_PI * 9000 * i / kSourceRate)));
    tones.push_back(static_cast<int16_t>(kAmplitude * std::sin(2 * M_PI * 4000 * i / kSourceRate)));
  }
  const std::string path = (dir / "tones.wav").string();
  testing_support::WriteFile(path, testing_support::MakeWave(tones, 2, kSourceRate));
  uint32_t error = 0;
  const auto sound = LoadWaveSamples(path, &error);
  ASSERT_NE(sound, nullptr);
  ASSERT_EQ(sound->Frames(), 44100u);

  const auto out = Mixed(sound, 0, 44100);
  constexpr size_t kFrom = 8192, kN = 16384;
  // A full-scale sine of this amplitude under the window, for the level.
  const double reference = [&] {
    std::vector<int32_t> pure(2 * (kFrom + kN));
    for (size_t i = 0; i < pure.size() / 2; ++i)
      pure[2 * i] = static_cast<int32_t>(kAmplitude * std::sin(2 * M_PI * 9000 * i / 44100.0));
    return PowerAt(pure, 0, kFrom, kN, 9000);
  }();
  EXPECT_NEAR(Db(PowerAt(out, 0, kFrom, kN, 9000), reference), 0, 0.5);
  EXPECT_LT(Db(PowerAt(out, 0, kFrom, kN, 13050), reference), -60);
  EXPECT_NEAR(Db(PowerAt(out, 1, kFrom, kN, 4000), reference), 0, 0.5);
  EXPECT_LT(Db(PowerAt(out, 1, kFrom, kN, 18050), reference), -60);
  EXPECT_LT(Db(PowerAt(out, 1, kFrom, kN, 9000), reference), -60);  // channels stay apart

  // Read as the output reads it, 1024 frames at a time and on past the end:
  // the same frames, then silence.
  std::vector<int32_t> pieces(2 * 50 * 1024, 0);
  AudioOutput::SoundReader reader(sound, 0);
  for (size_t at = 0; at < pieces.size() / 2; at += 1024)
    reader.MixNext(1024, pieces.data() + 2 * at);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), pieces.begin()));
  EXPECT_TRUE(std::all_of(pieces.begin() + 2 * 44100 + 2000, pieces.end(),
                          [](int32_t v) { return v == 0; }));

  const size_t start = 20000;
  const auto later = Mixed(sound, start, 1000);
  for (size_t i = 200; i < 1000; ++i) {
    ASSERT_NEAR(later[2 * i], out[2 * (start + i)], 2) << i;
    ASSERT_NEAR(later[2 * i + 1], out[2 * (start + i) + 1], 2) << i;
  }
  fs::remove_all(dir);
}

}  // namespace
