// Conversions of a frame's raw simulator values into display units.
#include "model/flight_conversions.h"

#include <cmath>
#include <cstdint>

namespace {

// Truncates toward zero into 32 bits; values outside the range (or NaN) are pinned to its ends (0 for NaN).
int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(std::trunc(value));
}

int8_t LimitNeedle(int8_t needle) { return needle < -127 ? int8_t(-127) : needle; }

}  // namespace

void ApplyConversions(InterfaceValues& s, InclinationRule rule) {
  s.PitchOffset = s.Pitch * kPitchOffsetPerDegree;
  const double radioRaw = s.RadioAltitudeRaw < 0 ? 0.0 : double(s.RadioAltitudeRaw);
  s.RadioAltitudeFt = radioRaw * 3.28084 / 65536;
  s.ApAltitudeFt = TruncateToInt32(double(s.ApAltitudeRaw) * 3.28084 / 65536);
  if (rule == InclinationRule::Degrees)
    s.GsInclination = int16_t((int32_t(s.GsInclinationRaw) * 360) / 65536);  // truncates toward zero
  else
    s.GsInclination = s.GsInclinationRaw;
  s.GsNeedle = LimitNeedle(s.GsNeedle);
  s.LocNeedle = LimitNeedle(s.LocNeedle);
  s.GsDeviation = s.GsNeedle * 0.0094488;
  s.LocDeviation = s.LocNeedle * 0.0108661417;
}
