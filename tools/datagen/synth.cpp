#include "tools/datagen/synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "tools/datagen/noise.h"

namespace datagen {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kEighth = 0.25;  // 120 beats a minute: a beat is 0.5 s, a bar 2 s

double Freq(int midi) {
  return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// The mixing bus: a dry stereo pair and a mono send to the reverb.
class Bus {
 public:
  explicit Bus(size_t frames) : left(frames), right(frames), send(frames) {}
  size_t Frames() const { return left.size(); }
  size_t At(double seconds) const { return size_t(std::max(0.0, seconds) * kThemeRate); }
  // Adds a sample at frame i, panned (−1 left … 1 right), with a reverb share.
  void Add(size_t i, float v, float pan, float reverb) {
    if (i >= left.size()) return;
    double a = (pan + 1) * 0.25 * 3.141592653589793;
    left[i] += v * float(std::cos(a));
    right[i] += v * float(std::sin(a));
    send[i] += v * reverb;
  }
  std::vector<float> left, right, send;
};

// The band-limiting correction of a saw wave's jump (polyBLEP), so the high
// notes do not fold back into the audible range.
double Blep(double phase, double step) {
  if (phase < step) {
    double t = phase / step;
    return t + t - t * t - 1;
  }
  if (phase > 1 - step) {
    double t = (phase - 1) / step;
    return t * t + t + t + 1;
  }
  return 0;
}

// A short fade over the last 8 ms of a voice, so that no note ends in a click.
float Tail(size_t i, size_t n) {
  return float(std::min(1.0, double(n - i) / (0.008 * kThemeRate)));
}

double Envelope(double t, double length, double attack, double decay, double sustain,
                double release) {
  double level;
  if (t < attack)
    level = t / attack;
  else if (t < attack + decay)
    level = 1 - (1 - sustain) * (t - attack) / decay;
  else
    level = sustain;
  if (t > length) level *= std::max(0.0, 1 - (t - length) / release);
  return level;
}

// ---- Voices ----

// A soft pad: three detuned saw waves per note, low-passed, slow to swell.
void Pad(Bus& b, double start, double length, const std::vector<int>& notes, float vel,
         float cutoff = 1400) {
  const double release = 1.2;
  size_t n = size_t((length + release) * kThemeRate);
  double k = 1 - std::exp(-kTwoPi * cutoff / kThemeRate);
  for (size_t v = 0; v < notes.size(); ++v) {
    double f = Freq(notes[v]);
    float pan = float(v % 2 ? 0.45 : -0.45) * (v == 0 ? 0.0f : 1.0f);
    double phase[3] = {0.1 * double(v), 0.37, 0.71};
    const double detune[3] = {1.0, 1.0041, 0.9962};
    double y = 0, y2 = 0;
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / kThemeRate;
      double x = 0;
      for (int o = 0; o < 3; ++o) {
        double step = f * detune[o] / kThemeRate;
        phase[o] += step;
        phase[o] -= std::floor(phase[o]);
        x += 2 * phase[o] - 1 - Blep(phase[o], step);
      }
      y += k * (x / 3 - y);
      y2 += k * (y - y2);
      double env = Envelope(t, length, 0.8, 0.5, 0.85, release);
      b.Add(b.At(start) + i, float(y2 * env * vel), pan, 0.45f);
    }
  }
}

// An FM bell: inharmonic partials that fade from bright to pure.
void Bell(Bus& b, double start, int midi, float vel, float pan, double length = 3.0) {
  double f = Freq(midi);
  size_t n = size_t(length * kThemeRate);
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    double index = 3.0 * std::exp(-t * 5);
    double m = std::sin(kTwoPi * f * 3.5 * t) * index;
    double s = std::sin(kTwoPi * f * t + m) * std::exp(-t * 2.0) +
               0.3 * std::sin(kTwoPi * f * 2.01 * t) * std::exp(-t * 4.0);
    double attack = std::min(1.0, t / 0.004);
    b.Add(b.At(start) + i, float(s * attack * vel) * Tail(i, n), pan, 0.55f);
  }
}

// A plucked string (Karplus–Strong) from a burst of our own noise.
void Pluck(Bus& b, Rng& rng, double start, int midi, float vel, float pan, double length = 2.0) {
  int delay = std::max(2, int(std::lround(kThemeRate / Freq(midi))));
  std::vector<float> line(static_cast<size_t>(delay));
  for (float& x : line)
    x = rng.Range(-1, 1);
  size_t n = size_t(length * kThemeRate);
  size_t at = 0;
  for (size_t i = 0; i < n; ++i) {
    size_t next = (at + 1) % line.size();
    float out = line[at];
    line[at] = 0.4985f * (line[at] + line[next]);
    at = next;
    double fade = std::min(1.0, (double(n - i) / kThemeRate) / 0.05);
    b.Add(b.At(start) + i, out * vel * float(fade), pan, 0.35f);
  }
}

// A breathy flute-like lead with vibrato.
void Flute(Bus& b, Rng& rng, double start, double length, int midi, float vel, float pan) {
  double f = Freq(midi);
  size_t n = size_t((length + 0.2) * kThemeRate);
  double phase = 0, breath = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    double vib =
        1 + 0.004 * std::sin(kTwoPi * 5.5 * t) * std::min(1.0, std::max(0.0, (t - 0.15) / 0.3));
    phase += f * vib / kThemeRate;
    double s = std::sin(kTwoPi * phase) + 0.22 * std::sin(2 * kTwoPi * phase) +
               0.08 * std::sin(3 * kTwoPi * phase);
    breath += 0.2 * (rng.Range(-1, 1) - breath);
    double env = Envelope(t, length, 0.05, 0.1, 0.85, 0.18);
    b.Add(b.At(start) + i, float((s * 0.9 + breath * 0.15) * env * vel), pan, 0.35f);
  }
}

// A brassy lead: a saw whose filter opens with each note.
void Brass(Bus& b, double start, double length, int midi, float vel, float pan) {
  double f = Freq(midi);
  size_t n = size_t((length + 0.2) * kThemeRate);
  double phase = 0.25, y = 0, y2 = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    phase += f / kThemeRate;
    phase -= std::floor(phase);
    double cutoff = 700 + 2200 * std::exp(-t * 6) + 600 * std::min(1.0, t / 0.05);
    double k = 1 - std::exp(-kTwoPi * cutoff / kThemeRate);
    y += k * ((2 * phase - 1 - Blep(phase, f / kThemeRate)) - y);
    y2 += k * (y - y2);
    double env = Envelope(t, length, 0.03, 0.2, 0.75, 0.15);
    b.Add(b.At(start) + i, float(y2 * env * vel), pan, 0.3f);
  }
}

void Bass(Bus& b, double start, double length, int midi, float vel) {
  double f = Freq(midi);
  size_t n = size_t((length + 0.15) * kThemeRate);
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    double ph = f * t - std::floor(f * t);
    double tri = 4 * std::fabs(ph - 0.5) - 1;
    double s = std::sin(kTwoPi * f * t) * 0.8 + tri * 0.3;
    double env = Envelope(t, length, 0.01, 0.35, 0.6, 0.12);
    b.Add(b.At(start) + i, float(s * env * vel), 0, 0.05f);
  }
}

void Kick(Bus& b, double start, float vel) {
  size_t n = size_t(0.45 * kThemeRate);
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    phase += (45 + 95 * std::exp(-t * 28)) / kThemeRate;
    double s = std::sin(kTwoPi * phase) * std::exp(-t * 8);
    b.Add(b.At(start) + i, float(s * vel) * Tail(i, n), 0, 0.05f);
  }
}

void Snare(Bus& b, Rng& rng, double start, float vel) {
  size_t n = size_t(0.3 * kThemeRate);
  float prev = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    float noise = rng.Range(-1, 1);
    float hp = noise - prev;
    prev = noise;
    double s = hp * 0.55 * std::exp(-t * 16) + std::sin(kTwoPi * 185 * t) * 0.5 * std::exp(-t * 28);
    b.Add(b.At(start) + i, float(s * vel) * Tail(i, n), 0.1f, 0.2f);
  }
}

void Hat(Bus& b, Rng& rng, double start, float vel, bool open = false) {
  size_t n = size_t((open ? 0.35 : 0.08) * kThemeRate);
  float p1 = 0, p2 = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    float x = rng.Range(-1, 1);
    float h1 = x - p1;
    p1 = x;
    float h2 = h1 - p2;
    p2 = h1;
    double s = h2 * 0.3 * std::exp(-t * (open ? 9 : 55));
    b.Add(b.At(start) + i, float(s * vel) * Tail(i, n), 0.35f, 0.1f);
  }
}

// A cymbal crash, or (rising) a reversed swell that ends on `start + length`.
void Cymbal(Bus& b, Rng& rng, double start, float vel, double length = 3.0, bool rising = false) {
  size_t n = size_t(length * kThemeRate);
  float p1 = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    float x = rng.Range(-1, 1);
    float h = x - p1;
    p1 = x * 0.6f;
    double env = rising ? std::pow(t / length, 2.5) : std::exp(-t * 1.7) * std::min(1.0, t / 0.002);
    b.Add(b.At(start) + i, float(h * 0.35 * env * vel) * Tail(i, n), -0.2f, 0.5f);
  }
}

// A deep boom (timpani-like when given a pitch).
void Boom(Bus& b, Rng& rng, double start, float vel, int midi = 26) {
  double f = Freq(midi);
  size_t n = size_t(2.5 * kThemeRate);
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kThemeRate;
    phase += f * (1 + 0.5 * std::exp(-t * 12)) / kThemeRate;
    double s =
        std::sin(kTwoPi * phase) * std::exp(-t * 1.6) + rng.Range(-1, 1) * 0.2 * std::exp(-t * 30);
    b.Add(b.At(start) + i, float(s * vel) * Tail(i, n), 0, 0.3f);
  }
}

// ---- The score ----

using Chord = std::vector<int>;
const Chord kDm{50, 57, 62, 65}, kBb{46, 53, 58, 62}, kC{48, 55, 60, 64}, kF{41, 53, 57, 60},
    kGm{43, 55, 58, 62}, kA{45, 52, 57, 61}, kAm{45, 52, 57, 60}, kEb{51, 58, 63, 67},
    kD{50, 57, 62, 66};

enum class Voice { kFlute, kBrass, kBell, kPluck };

class Composer {
 public:
  Composer() : bus(size_t(kThemeSeconds * kThemeRate)), rng(0x70b12a) {}

  void Melody(double start, const std::string& notes, Voice voice, float vel, float pan = 0.1f) {
    double t = start;
    for (const MelodyNote& n : ParseMelody(notes)) {
      double length = n.eighths * kEighth;
      if (n.midi >= 0) {
        switch (voice) {
          case Voice::kFlute:
            Flute(bus, rng, t, length * 0.95, n.midi, vel, pan);
            break;
          case Voice::kBrass:
            Brass(bus, t, length * 0.9, n.midi, vel, pan);
            break;
          case Voice::kBell:
            Bell(bus, t, n.midi, vel, pan);
            break;
          case Voice::kPluck:
            Pluck(bus, rng, t, n.midi, vel, pan);
            break;
        }
      }
      t += length;
    }
  }
  // A chord every `each` seconds: pad and bass.
  void Harmony(double start, const std::vector<Chord>& chords, double each, float pad, float bass,
               bool walking = false) {
    for (size_t i = 0; i < chords.size(); ++i) {
      double t = start + double(i) * each;
      if (pad > 0) Pad(bus, t, each, chords[i], pad);
      if (bass > 0) {
        int root = chords[i][0] - 12;
        if (walking) {
          for (int k = 0; k < int(each / 0.5); ++k)
            Bass(bus, t + k * 0.5, 0.4, root + (k % 4 == 2 ? 7 : 0), bass);
        } else {
          Bass(bus, t, each * 0.95, root, bass);
        }
      }
    }
  }
  // Broken chords in steps of `step` seconds, up and down over two octaves.
  void Arpeggio(double start, const std::vector<Chord>& chords, double each, double step, float vel,
                Voice voice = Voice::kPluck) {
    for (size_t i = 0; i < chords.size(); ++i) {
      const Chord& c = chords[i];
      int tones[8] = {c[1] + 12, c[2] + 12, c[3] + 12, c[1] + 24,
                      c[2] + 24, c[3] + 12, c[2] + 12, c[1] + 12};
      int steps = int(std::lround(each / step));
      for (int k = 0; k < steps; ++k) {
        double t = start + double(i) * each + k * step;
        float pan = float(k % 2 ? 0.5 : -0.5);
        if (voice == Voice::kBell)
          Bell(bus, t, tones[k % 8], vel, pan, 1.5);
        else
          Pluck(bus, rng, t, tones[k % 8], vel * (k % 4 == 0 ? 1.0f : 0.7f), pan, 1.2);
      }
    }
  }
  enum class Beat { kSoft, kGroove, kMarch, kBuild };
  void Drums(double start, int bars, Beat beat, float vel) {
    for (int bar = 0; bar < bars; ++bar)
      for (int e = 0; e < 8; ++e) {
        double t = start + bar * 2.0 + e * kEighth;
        switch (beat) {
          case Beat::kSoft:
            Hat(bus, rng, t, vel * (e % 2 ? 0.5f : 0.8f));
            if (e == 0) Kick(bus, t, vel * 0.6f);
            break;
          case Beat::kGroove:
            Hat(bus, rng, t, vel * (e % 2 ? 0.5f : 0.8f), e == 7);
            if (e == 0 || e == 3 || e == 4) Kick(bus, t, vel);
            if (e == 2 || e == 6) Snare(bus, rng, t, vel * 0.8f);
            break;
          case Beat::kMarch:
            Snare(bus, rng, t, vel * (e % 2 ? 0.45f : 0.75f));
            if (e == 1 || e == 5) Snare(bus, rng, t + kEighth / 2, vel * 0.4f);
            if (e % 4 == 0) Kick(bus, t, vel);
            break;
          case Beat::kBuild:
            if (e % 2 == 0) Kick(bus, t, vel);
            Hat(bus, rng, t, vel * 0.6f);
            if (bar % 2 == 1 && e >= 4) Snare(bus, rng, t, vel * 0.3f * float(e - 3));
            break;
        }
      }
  }
  // A crash with a boom under it; `crash` sets the cymbal's own level
  // (the boom's by default), so a sparse passage can keep the weight of the
  // boom without the noise of the cymbal filling it.
  void Accent(double t, float vel, bool big, float crash = -1) {
    Cymbal(bus, rng, t, crash < 0 ? vel : crash, big ? 3.5 : 2.0);
    Boom(bus, rng, t, vel * 0.8f);
    Kick(bus, t, vel * 0.7f);
  }
  void Thump(double t) { Boom(bus, rng, t, 0.4f); }
  void Swell(double end, double length, float vel) {
    Cymbal(bus, rng, end - length, vel, length, true);
  }
  void Chime(double t, int midi, float vel) { Bell(bus, t, midi, vel, 0.3f, 4.0); }

  Bus bus;
  Rng rng;
};

const char* kThemeA =
    "A4:2 D5:2 E5:2 F5:2 | E5:4 D5:2 C5:2 | D5:3 A4:1 G4:4 | F4:4 A4:4 | "
    "Bb4:2 D5:2 G5:2 F5:2 | E5:2 F5:1 E5:1 D5:4 | C5:2 E5:2 A4:4 | D5:8";
const char* kThemeB =
    "F5:3 E5:1 C5:2 A4:2 | Bb4:2 C5:2 D5:4 | C5:3 Bb4:1 A4:2 F4:2 | G4:8 | "
    "F5:3 G5:1 A5:2 F5:2 | D5:2 E5:2 F5:4 | E5:3 D5:1 C5:2 E5:2 | D5:8";
const char* kHeroic = "D5:1 D5:1 A4:2 D5:2 F5:2 | E5:3 D5:1 C5:4 | D5:1 D5:1 F5:2 A5:2 G5:2 | A5:8";

void Compose(Composer& m) {
  const std::vector<Chord> themeA{kDm, kBb, kC, kF, kGm, kBb, kA, kDm};
  const std::vector<Chord> themeB{kBb, kF, kGm, kC, kBb, kF, kC, kDm};

  // 0–7 s: the opening. A boom on the flicker, a bell for each letter
  // (2.1 s on, every 350 ms), a swell into the white flash, the title chord.
  // Little else sounds here, so the cymbals are mixed well below the later
  // accents: at full level their noise is the loudest thing in the piece.
  m.Accent(0.0, 0.6f, true, 0.18f);
  m.Harmony(0.0, {kDm}, 4.6, 0.10f, 0.0f);
  const int letters[6] = {74, 77, 81, 79, 77, 86};
  for (int i = 0; i < 6; ++i)
    m.Chime(2.1 + 0.35 * i, letters[i], 0.22f);
  m.Swell(4.6, 0.8, 0.16f);
  m.Accent(4.6, 0.7f, true, 0.22f);
  m.Harmony(4.6, {kF}, 2.4, 0.12f, 0.35f);
  // 7–12 s: the title sways: a harp of broken chords.
  m.Chime(7.0, 82, 0.25f);
  m.Harmony(7.0, {kBb, kC}, 2.5, 0.10f, 0.3f);
  m.Arpeggio(7.0, {kBb, kC}, 2.5, 0.25, 0.22f);
  // 12–13.3 s: Nolu fades in: a swell on the dominant, a chime as she moves.
  m.Chime(12.0, 76, 0.25f);
  m.Thump(12.0);
  m.Harmony(12.0, {kA}, 2.0, 0.12f, 0.3f);
  m.Swell(13.2, 1.0, 0.15f);
  m.Chime(13.333, 81, 0.35f);
  m.Chime(13.333, 74, 0.25f);
  m.Thump(13.333);
  // 14–24 s: the theme, quietly, on bells.
  m.Harmony(14.0, {kDm, kBb, kC, kF, kA}, 2.0, 0.09f, 0.3f);
  m.Melody(14.0, "A4:2 D5:2 E5:2 F5:2 | E5:4 D5:2 C5:2 | D5:3 A4:1 G4:4 | F4:4 A4:4 | E5:4 C#5:4",
           Voice::kBell, 0.25f);
  // 24–40 s: the theme in full over the plasma, drums in.
  m.Accent(24.0, 0.6f, true);
  m.Harmony(24.0, themeA, 2.0, 0.09f, 0.4f, true);
  m.Melody(24.0, kThemeA, Voice::kFlute, 0.32f);
  m.Drums(24.0, 8, Composer::Beat::kGroove, 0.55f);
  m.Arpeggio(32.0, {kGm, kBb, kA, kDm}, 2.0, 0.25, 0.12f, Voice::kBell);
  m.Accent(36.0, 0.75f, true);
  // 40–60 s: the comet: three rises, each a step higher, to the climax.
  const std::vector<Chord> rise{kDm, kBb, kC, kGm, kEb, kF, kGm, kBb, kC, kA};
  m.Harmony(40.0, rise, 2.0, 0.1f, 0.45f);
  m.Arpeggio(40.0, rise, 2.0, 0.125, 0.14f);
  m.Drums(40.0, 10, Composer::Beat::kBuild, 0.55f);
  for (double t : {40.0, 46.0, 52.0}) {
    m.Swell(t, 1.5, 0.45f);
    m.Accent(t, 0.8f, true);
  }
  m.Melody(46.0, "D5:4 F5:4 | Eb5:4 G5:4 | F5:8 | G5:4 Bb5:4 | A5:4 C6:4 | Bb5:4 A5:4 | A5:8",
           Voice::kBrass, 0.22f);
  m.Swell(60.0, 2.0, 0.6f);
  m.Accent(60.0, 1.0f, true);
  m.Harmony(60.0, {kD}, 2.0, 0.14f, 0.5f);
  m.Chime(60.0, 78, 0.35f);
  // 60–67 s: Orine: a quiet breath.
  m.Harmony(62.0, {kAm, kBb, kC}, 1.75, 0.09f, 0.25f);
  m.Melody(62.0, "E5:3 D5:1 C5:3 | D5:3 F5:4", Voice::kBell, 0.18f);
  // 67–85 s: the map under the lens: the second theme.
  m.Accent(67.0, 0.4f, false);
  m.Harmony(67.0, themeB, 2.0, 0.09f, 0.35f, true);
  m.Melody(67.0, kThemeB, Voice::kFlute, 0.3f);
  m.Drums(67.0, 8, Composer::Beat::kSoft, 0.45f);
  m.Harmony(83.0, {kBb}, 2.0, 0.1f, 0.3f);
  // 85–91 s: the star chart revealed; 91–109 s: it turns, pausing at 97, 103, 109.
  m.Accent(85.0, 0.5f, true);
  m.Harmony(85.0, {kBb, kC, kC}, 2.0, 0.11f, 0.3f);
  m.Swell(91.0, 3.0, 0.4f);
  const std::vector<Chord> turn{kDm, kBb, kGm, kC, kDm, kA};
  m.Harmony(91.0, turn, 3.0, 0.09f, 0.4f);
  m.Arpeggio(91.0, turn, 3.0, 0.125, 0.16f);
  m.Drums(91.0, 9, Composer::Beat::kSoft, 0.4f);
  for (double t : {91.0, 97.0, 103.0})
    m.Accent(t, 0.6f, t > 91.0);
  // 109–120 s: Dova: the march.
  m.Accent(109.0, 0.9f, true);
  m.Harmony(110.0, {kDm, kC, kBb, kA}, 2.0, 0.1f, 0.45f, true);
  m.Melody(110.0, kHeroic, Voice::kBrass, 0.3f);
  m.Drums(110.0, 4, Composer::Beat::kMarch, 0.55f);
  m.Harmony(118.0, {kA}, 2.0, 0.11f, 0.4f);
  m.Swell(120.0, 1.5, 0.4f);
  // 120–132 s: the pond: drops of bells over soft chords.
  m.Accent(120.0, 0.5f, false);
  const std::vector<Chord> pond{kF, kC, kDm, kBb, kF, kC};
  m.Harmony(120.0, pond, 2.0, 0.09f, 0.25f);
  const int drops[] = {81, 84, 86, 88, 84, 81, 79, 86, 89, 84, 81, 77};
  for (int i = 0; i < 24; ++i) {
    double t = 120.0 + i * 0.5 + (i % 3 == 1 ? 0.25 : 0.0);
    m.Chime(t, drops[size_t(i) % 12], 0.11f + 0.05f * float(i % 2));
  }
  // 132–150 s: the gallery: the theme again, a chime for every portrait.
  m.Accent(132.0, 0.7f, true);
  m.Harmony(132.0, themeA, 2.0, 0.09f, 0.4f, true);
  m.Melody(132.0, kThemeA, Voice::kBrass, 0.24f);
  m.Drums(132.0, 8, Composer::Beat::kGroove, 0.5f);
  for (int i = 1; i < 6; ++i)
    m.Chime(132.0 + 3.0 * i, 86, 0.15f);
  m.Harmony(148.0, {kA}, 2.0, 0.1f, 0.35f);
  // 150–171 s: the finale resolves and fades by the end of the cycle.
  m.Harmony(150.0, {kGm, kBb, kC, kA, kBb, kC, kA}, 2.0, 0.1f, 0.3f);
  m.Melody(150.0,
           "Bb4:2 D5:2 G5:2 F5:2 | E5:2 F5:1 E5:1 D5:4 | C5:2 E5:2 A4:4 | C#5:8 | D5:4 F5:4 | E5:4 "
           "G5:4 | E5:8",
           Voice::kFlute, 0.28f);
  m.Accent(164.0, 0.6f, true);
  m.Harmony(164.0, {kD}, 5.4, 0.14f, 0.4f);
  m.Chime(164.0, 74, 0.3f);
  m.Chime(164.5, 78, 0.25f);
  m.Chime(165.0, 81, 0.25f);
  m.Chime(166.0, 86, 0.2f);
}

// A stereo reverb: parallel damped combs into series allpasses.
void Reverb(const std::vector<float>& in, std::vector<float>& left, std::vector<float>& right) {
  auto channel = [&](std::vector<float>& out, int spread) {
    const int combs[4] = {558, 594, 638, 678};
    const int allpasses[2] = {278, 220};
    std::vector<std::vector<float>> lines;
    std::vector<size_t> pos(4, 0);
    std::vector<float> damp(4, 0);
    for (int c : combs)
      lines.emplace_back(size_t(c + spread), 0.0f);
    std::vector<std::vector<float>> aps;
    std::vector<size_t> apos(2, 0);
    for (int a : allpasses)
      aps.emplace_back(size_t(a + spread / 2), 0.0f);
    for (size_t i = 0; i < in.size(); ++i) {
      float x = in[i] * 0.2f, sum = 0;
      for (size_t c = 0; c < 4; ++c) {
        float y = lines[c][pos[c]];
        damp[c] = y * 0.7f + damp[c] * 0.3f;
        lines[c][pos[c]] = x + damp[c] * 0.86f;
        pos[c] = (pos[c] + 1) % lines[c].size();
        sum += y;
      }
      for (size_t a = 0; a < 2; ++a) {
        float buf = aps[a][apos[a]];
        float y = -sum + buf;
        aps[a][apos[a]] = sum + buf * 0.5f;
        apos[a] = (apos[a] + 1) % aps[a].size();
        sum = y;
      }
      out[i] += sum;
    }
  };
  channel(left, 0);
  channel(right, 23);
}

}  // namespace

std::vector<MelodyNote> ParseMelody(const std::string& text) {
  std::vector<MelodyNote> out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '|') {
      ++i;
      continue;
    }
    size_t colon = text.find(':', i);
    size_t end = text.find(' ', colon);
    if (end == std::string::npos) end = text.size();
    std::string name = text.substr(i, colon - i);
    double len = std::atof(text.substr(colon + 1, end - colon - 1).c_str());
    int midi = -1;
    if (name != "r") {
      static const int steps[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
      int n = steps[name[0] - 'A'];
      size_t k = 1;
      if (name[k] == 'b') {
        --n;
        ++k;
      } else if (name[k] == '#') {
        ++n;
        ++k;
      }
      midi = 12 * (name[k] - '0' + 1) + n;
    }
    out.push_back({midi, len});
    i = end;
  }
  return out;
}

const std::vector<double>& ThemeLandmarks() {
  static const std::vector<double> marks{7,  12, 13.3, 24, 36,  40,  46,  52,  60,
                                         67, 85, 91,   97, 103, 109, 120, 132, 171};
  return marks;
}

std::vector<float> RenderTheme() {
  Composer m;
  Compose(m);
  Bus& b = m.bus;
  Reverb(b.send, b.left, b.right);
  // The last notes fade out by 171 s; the rest of the file is silence.
  for (size_t i = 0; i < b.Frames(); ++i) {
    double t = double(i) / kThemeRate;
    float fade = float(std::clamp((171.0 - t) / 4.0, 0.0, 1.0));
    b.left[i] *= fade;
    b.right[i] *= fade;
  }
  float peak = 1e-6f;
  for (size_t i = 0; i < b.Frames(); ++i)
    peak = std::max({peak, std::fabs(b.left[i]), std::fabs(b.right[i])});
  // Normalise, then a gentle saturation that lifts the quiet passages
  // against the accents.
  const float drive = 2.2f;
  float norm = 0.9f / std::tanh(drive);
  std::vector<float> out(b.Frames() * 2);
  for (size_t i = 0; i < b.Frames(); ++i) {
    out[i * 2] = std::tanh(b.left[i] / peak * drive) * norm;
    out[i * 2 + 1] = std::tanh(b.right[i] / peak * drive) * norm;
  }
  return out;
}

std::vector<uint8_t> EncodeWave(const std::vector<float>& stereo, int rate) {
  uint32_t data = uint32_t(stereo.size() * 2);
  std::vector<uint8_t> f;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
      f.push_back(uint8_t(v >> (8 * i)));
  };
  f.insert(f.end(), {'R', 'I', 'F', 'F'});
  put(36 + data, 4);
  f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);  // PCM
  put(2, 2);  // stereo
  put(uint32_t(rate), 4);
  put(uint32_t(rate) * 4, 4);
  put(4, 2);
  put(16, 2);
  f.insert(f.end(), {'d', 'a', 't', 'a'});
  put(data, 4);
  for (float s : stereo)
    put(uint16_t(int16_t(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f))), 2);
  return f;
}

}  // namespace datagen
