#include "tools/datagen/noise.h"

#include <cmath>

namespace datagen {

uint64_t Rng::Next() {
  // splitmix64
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

float Rng::Uniform() {
  return float(Next() >> 40) / float(1ull << 24);
}
float Rng::Range(float lo, float hi) {
  return lo + (hi - lo) * Uniform();
}
int Rng::Int(int lo, int hi) {
  return lo + int(Next() % uint64_t(hi - lo + 1));
}

float Hash01(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return float(h >> 8) / float(1u << 24);
}

float ValueNoise(float x, float y, uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  int ix = int(fx), iy = int(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  float a = Hash01(ix, iy, seed), b = Hash01(ix + 1, iy, seed);
  float c = Hash01(ix, iy + 1, seed), d = Hash01(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

float Fbm(float x, float y, uint32_t seed, int octaves) {
  float sum = 0, weight = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += weight * ValueNoise(x, y, seed + uint32_t(o) * 101u);
    norm += weight;
    x = x * 2.03f + 17.1f;
    y = y * 2.03f + 5.3f;
    weight *= 0.5f;
  }
  return sum / norm;
}

}  // namespace datagen
