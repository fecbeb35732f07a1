// The sound a program played, laid on a video's timeline: the media devices'
// log says when each wave file started playing (and from which position) and
// when it stopped; the files themselves are decoded with FFmpeg's libraries.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/virtual/virtual_media_service.h"

namespace zelkrender {

class Soundtrack {
 public:
  static constexpr int kRate = 48000;
  static constexpr int kChannels = 2;
  static constexpr int kSamplesPerMs = kRate / 1000;

  using Log = std::vector<platform::VirtualMediaService::LogEntry>;

  // Interleaved stereo samples [first, first + count) of a track whose sample
  // 0 sounds at virtual time `startMs` (since the program's start). Only log
  // entries up to the end of that range need to be in `log` yet.
  std::vector<float> Render(const Log& log, uint64_t startMs, uint64_t first, size_t count);

  // Files that could not be decoded (they stay silent), one line each.
  const std::string& warnings() const { return warnings_; }

 private:
  const std::vector<float>& Decoded(const std::string& path);

  std::map<std::string, std::vector<float>> decoded_;
  std::string warnings_;
};

// A whole sound file as interleaved stereo at Soundtrack::kRate. False with the
// reason in *error when it cannot be read.
[[nodiscard]] bool DecodeSound(const std::string& path, std::vector<float>* samples,
                               std::string* error);

}  // namespace zelkrender
