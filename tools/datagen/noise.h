// Deterministic randomness for the generator: a seeded generator of its own
// (no library distributions, whose results differ between implementations)
// and smooth value noise.
#pragma once

#include <cstdint>

namespace datagen {

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  float Uniform();                  // [0, 1)
  float Range(float lo, float hi);  // [lo, hi)
  int Int(int lo, int hi);          // [lo, hi]
  bool Chance(float p) { return Uniform() < p; }

 private:
  uint64_t state_;
};

// Integer hash of a lattice point with a seed, as a value in [0, 1).
float Hash01(int x, int y, uint32_t seed);
// Smooth value noise, about 0 … 1, one lattice cell per unit.
float ValueNoise(float x, float y, uint32_t seed);
// Sum of `octaves` noise layers, each twice the frequency and half the weight.
float Fbm(float x, float y, uint32_t seed, int octaves = 5);

}  // namespace datagen
