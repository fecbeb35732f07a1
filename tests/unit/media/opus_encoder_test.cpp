// zelkdata web-theme's encoder: a wave file whose header promises samples it
// does not hold is refused with its name, and no Ogg of that name is left
// behind (not even an earlier one) for the build to take as the theme.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/media/opus_encoder.h"
#include "tests/support/media/wave_writer.h"

TEST(OpusEncoder, RefusesAWaveWithoutSamplesAndLeavesNoFile) {
  const std::string wav = testing::TempDir() + "opus_encoder_test.wav";
  const std::string ogg = testing::TempDir() + "opus_encoder_test.ogg";
  std::vector<uint8_t> bytes = testing_support::MakeWave(std::vector<int16_t>(44100), 1, 22050);
  bytes.resize(44);  // the header alone, still promising two seconds
  ASSERT_TRUE(testing_support::WriteFile(wav, bytes) && testing_support::WriteFile(ogg, bytes));
  std::string why;
  EXPECT_FALSE(platform::media::EncodeOpus(wav, ogg, 64000, &why));
  EXPECT_EQ(why, wav + ": no samples in it");
  EXPECT_FALSE(std::filesystem::exists(ogg));
  std::filesystem::remove(wav);
}
