// A sound file of any format FFmpeg reads, encoded as Opus in an Ogg file:
// the theme as the browser edition carries it (a fraction of the wave file's
// size, decoded by the browsers' own audio decoders). The Ogg stream keeps the
// sound's exact length, and the same input gives the same bytes.
#pragma once

#include <string>

namespace platform::media {

// Writes `out` from `in` at `bitRate` bits a second, with the channels of the
// input (at most two) resampled to Opus's 48 kHz. False with the reason.
[[nodiscard]] bool EncodeOpus(const std::string& in, const std::string& out, int bitRate,
                              std::string* why);

}  // namespace platform::media
