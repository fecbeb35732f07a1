// The theme "tobirano.wav": an original piece played by a small synthesizer
// of our own (oscillators, envelopes, plucked strings, FM bells, drums made
// from noise, a reverb), its beat on the scene changes of the demo.
#pragma once

#include <cstdint>
#include <vector>

namespace datagen {

constexpr int kThemeRate = 22050;
constexpr double kThemeSeconds = 172.0;

// The moments (seconds) the music marks with an accent: the scene changes.
const std::vector<double>& ThemeLandmarks();

// The finished piece as interleaved stereo samples, −1 … 1.
std::vector<float> RenderTheme();

// A 16-bit PCM WAVE file of interleaved stereo samples.
std::vector<uint8_t> EncodeWave(const std::vector<float>& stereo, int rate);

}  // namespace datagen
