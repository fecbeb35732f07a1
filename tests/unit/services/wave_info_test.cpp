// Reading the length and format of WAVE files from their headers.
#include "services/media/wave_info.h"

#include <gtest/gtest.h>

#include "services/media/mci_errors.h"
#include "tests/support/media/wave_writer.h"

namespace {

using namespace services;
using testing_support::MakeImaAdpcmWave;
using testing_support::MakeWave;

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

TEST(WaveInfoTest, PcmLengthFollowsRateChannelsAndBits) {
  uint32_t error = 1;
  auto stereo = ParseWaveInfo(MakeWave(std::vector<int16_t>(2 * 44100, 0), 2, 44100), &error);
  ASSERT_TRUE(stereo);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(stereo->frames, 44100u);
  EXPECT_EQ(stereo->DurationMs(), 1000u);

  auto mono8 = ParseWaveInfo(MakeWave(std::vector<int16_t>(11025, 0), 1, 22050, 8), &error);
  ASSERT_TRUE(mono8);
  EXPECT_EQ(mono8->bitsPerSample, 8);
  EXPECT_EQ(mono8->DurationMs(), 500u);
  // A fraction of a millisecond counts as a whole one.
  auto odd = ParseWaveInfo(MakeWave(std::vector<int16_t>(9, 0), 1, 8000), &error);
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->DurationMs(), 2u);
}

TEST(WaveInfoTest, AdpcmLengthComesFromTheFactChunkOrTheBlocks) {
  uint32_t error = 0;
  auto byBlocks = ParseWaveInfo(MakeImaAdpcmWave(4), &error);
  ASSERT_TRUE(byBlocks);
  EXPECT_EQ(byBlocks->frames, 4u * 505u);
  auto byFact = ParseWaveInfo(MakeImaAdpcmWave(4, 2000), &error);
  ASSERT_TRUE(byFact);
  EXPECT_EQ(byFact->frames, 2000u);
  EXPECT_EQ(byFact->DurationMs(), 250u);
  // A fact chunk cannot claim more than the data holds.
  auto liar = ParseWaveInfo(MakeImaAdpcmWave(1, 1000000), &error);
  ASSERT_TRUE(liar);
  EXPECT_LE(liar->frames, 2u * 505u);
}

TEST(WaveInfoTest, ADataChunkCutShortCountsWhatIsThere) {
  auto bytes = MakeWave(std::vector<int16_t>(8000, 0), 1, 8000);
  Put32(bytes, 40, 0x7FFFFFF0);  // data size far beyond the file
  uint32_t error = 0;
  auto info = ParseWaveInfo(bytes, &error);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->frames, 8000u);
}

TEST(WaveInfoTest, FilesWeCannotPlayAreInvalid) {
  const auto good = MakeWave(std::vector<int16_t>(100, 0), 1, 8000);
  auto refused = [](std::vector<uint8_t> bytes) {
    uint32_t error = 0;
    return !ParseWaveInfo(bytes, &error) && error == MCIERR_INVALID_FILE;
  };
  EXPECT_TRUE(refused({}));
  EXPECT_TRUE(refused({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}));
  EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + 36)));  // no data chunk
  auto mp3 = good;
  Put16(mp3, 20, 0x55);
  EXPECT_TRUE(refused(mp3));
  auto noChannels = good;
  Put16(noChannels, 22, 0);
  EXPECT_TRUE(refused(noChannels));
  auto twelveBits = good;
  Put16(twelveBits, 34, 12);
  EXPECT_TRUE(refused(twelveBits));
  auto noBlockAlign = good;
  Put16(noBlockAlign, 32, 0);
  EXPECT_TRUE(refused(noBlockAlign));
  auto hugeFmt = good;
  Put32(hugeFmt, 16, 0xFFFFFFF0);
  EXPECT_TRUE(refused(hugeFmt));
}

TEST(WaveInfoTest, FileErrorsTellMissingFromUnreadable) {
  uint32_t error = 0;
  EXPECT_FALSE(ReadWaveInfo("/nonexistent/zelk/x.wav", &error));
  EXPECT_EQ(error, MCIERR_FILE_NOT_FOUND);
  EXPECT_FALSE(ReadWaveInfo("/", &error));
  EXPECT_EQ(error, MCIERR_INVALID_FILE);
}

}  // namespace
