// zelkdata web-theme's encoder: a short wave file encodes; one whose header
// promises samples it does not hold is refused with its name, and no Ogg of
// that name is left behind (not even the earlier one) for the build to take.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/media/opus_encoder.h"
#include "tests/support/media/wave_writer.h"

namespace {

namespace fs = std::filesystem;

TEST(OpusEncoder, RefusesAWaveWithoutSamplesAndLeavesNoFile) {
  const fs::path dir = fs::path(testing::TempDir()) / "opus_encoder_test";
  fs::create_directories(dir);
  const std::string wav = (dir / "theme.wav").string(), ogg = (dir / "theme.ogg").string();
  std::vector<uint8_t> whole = testing_support::MakeWave(std::vector<int16_t>(44100), 1, 22050);
  ASSERT_TRUE(testing_support::WriteFile(wav, whole));
  std::string why;
  ASSERT_TRUE(platform::media::EncodeOpus(wav, ogg, 64000, &why)) << why;
  EXPECT_GT(fs::file_size(ogg), 200u);

  whole.resize(44);  // the header alone, still promising two seconds
  ASSERT_TRUE(testing_support::WriteFile(wav, whole));
  EXPECT_FALSE(platform::media::EncodeOpus(wav, ogg, 64000, &why));
  EXPECT_EQ(why, wav + ": no samples in it");
  EXPECT_FALSE(fs::exists(ogg));
  fs::remove_all(dir);
}

}  // namespace
