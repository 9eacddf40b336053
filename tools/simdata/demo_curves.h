// Smooth building blocks for the demo flight's profiles (ramps, pulses, their integrals).
#pragma once

#include <cmath>

namespace demo::curves {

// 0 before 0, 1 after 1, a smooth S in between (zero slope at both ends).
inline double Smooth(double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  return x * x * (3 - 2 * x);
}

// The integral of Smooth from 0 to x, for x in 0..1 (0.5 at x = 1).
inline double SmoothIntegral(double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 0.5 + (x - 1);
  return x * x * x - x * x * x * x / 2;
}

// Rises smoothly from 0 at `start` to 1 at `start + ramp`.
inline double RampUp(double t, double start, double ramp) { return Smooth((t - start) / ramp); }

// `amplitude` between `start` and `end`, reached and left over `ramp` seconds at each side.
inline double Pulse(double t, double start, double end, double amplitude, double ramp) {
  return amplitude * RampUp(t, start, ramp) * (1 - RampUp(t, end - ramp, ramp));
}

// Blends from `a` to `b` over [start, start + ramp].
inline double Blend(double t, double start, double ramp, double a, double b) {
  return a + (b - a) * RampUp(t, start, ramp);
}

}  // namespace demo::curves
