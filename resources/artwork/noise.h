#pragma once

#include <cmath>
#include <cstdint>

// Deterministic noise for the artwork generator. Everything is computed from
// integer hashes, so the pictures come out byte for byte the same on every
// machine and every run; no random-number library state is involved.
namespace dovrik::artwork {

// A well-mixed 32-bit hash of a lattice point and a seed.
inline std::uint32_t Hash(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                    static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

// A value in [0, 1] for a lattice point.
inline double UnitHash(int x, int y, std::uint32_t seed) {
  return Hash(x, y, seed) / 4294967295.0;
}

// Smoothly interpolated lattice noise in [0, 1]; one lattice cell per unit.
inline double ValueNoise(double x, double y, std::uint32_t seed) {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  const int ix = static_cast<int>(fx);
  const int iy = static_cast<int>(fy);
  const double tx = x - fx;
  const double ty = y - fy;
  const double sx = tx * tx * (3.0 - 2.0 * tx);
  const double sy = ty * ty * (3.0 - 2.0 * ty);
  const double top = UnitHash(ix, iy, seed) * (1.0 - sx) + UnitHash(ix + 1, iy, seed) * sx;
  const double bottom =
      UnitHash(ix, iy + 1, seed) * (1.0 - sx) + UnitHash(ix + 1, iy + 1, seed) * sx;
  return top * (1.0 - sy) + bottom * sy;
}

// Three octaves of value noise, in [0, 1].
inline double FractalNoise(double x, double y, std::uint32_t seed) {
  return (ValueNoise(x, y, seed) * 4.0 + ValueNoise(x * 2.0, y * 2.0, seed + 1) * 2.0 +
          ValueNoise(x * 4.0, y * 4.0, seed + 2)) /
         7.0;
}

}  // namespace dovrik::artwork
