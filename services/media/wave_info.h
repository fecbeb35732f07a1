// What the header of a RIFF WAVE file says about its sound: format, rate and
// length. Reads only the chunk headers and the format chunk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace services {

struct WaveInfo {
  uint16_t formatTag = 0;  // 1 PCM, 2 MS ADPCM, 3 float, 6 A-law, 7 µ-law, 0x11 IMA ADPCM
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;
  uint64_t frames = 0;  // sample frames in the data chunk
  uint16_t blockAlign = 0;
  uint64_t dataOffset = 0;  // where the data chunk's bytes start in the file
  uint64_t dataBytes = 0;   // how many of them the file holds

  // Length in milliseconds, rounded up.
  uint32_t DurationMs() const;
};

// The header of a WAVE file held in memory. nullopt with *error set to an MCI
// error code (MCIERR_INVALID_FILE) when it is not a WAVE file we can play.
[[nodiscard]] std::optional<WaveInfo> ParseWaveInfo(const std::vector<uint8_t>& bytes,
                                                    uint32_t* error);

// The same for a file on disk: MCIERR_FILE_NOT_FOUND, MCIERR_FILE_READ or
// MCIERR_INVALID_FILE on failure. Reads only the chunk headers it walks over.
[[nodiscard]] std::optional<WaveInfo> ReadWaveInfo(const std::string& path, uint32_t* error);

}  // namespace services
