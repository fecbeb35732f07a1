// Writes WAV files for tests: PCM of 8 or 16 bits, any rate and channel
// count, from 16-bit samples (interleaved), or a silent file of a given
// length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// The bytes of a PCM WAV file. 8-bit output keeps the high byte of each
// sample, offset to unsigned.
std::vector<uint8_t> MakeWave(const std::vector<int16_t>& samples, int channels, int rate,
                              int bits = 16);
// A silent IMA ADPCM file: mono, 8 kHz, `blocks` blocks of 256 bytes (505
// samples each), with a fact chunk of `factFrames` when that is not negative.
std::vector<uint8_t> MakeImaAdpcmWave(int blocks, int64_t factFrames = -1);
// A silent 8-bit mono file of `ms` milliseconds at 8 kHz.
std::vector<uint8_t> MakeSilentWave(uint32_t ms);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace testing_support
