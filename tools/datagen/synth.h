// The theme "tobirano.wav": an original piece played by a small synthesizer
// of our own (oscillators, envelopes, plucked strings, FM bells, drums made
// from noise, a reverb), its beat on the scene changes of the demo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

constexpr int kThemeRate = 22050;
constexpr double kThemeSeconds = 172.0;

// The moments (seconds) the music marks with an accent: the scene changes.
const std::vector<double>& ThemeLandmarks();

// A melody written as "A4:2 Bb4:1 C#5:4 r:2": note names with octave (or r
// for a rest) and lengths in eighths.
struct MelodyNote {
  int midi;  // MIDI note number (A4 = 69); −1 for a rest
  double eighths;
};
std::vector<MelodyNote> ParseMelody(const std::string& text);

// The finished piece as interleaved stereo samples, −1 … 1.
std::vector<float> RenderTheme();

// A 16-bit PCM WAVE file of interleaved stereo samples.
std::vector<uint8_t> EncodeWave(const std::vector<float>& stereo, int rate);

}  // namespace datagen
