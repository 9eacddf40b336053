// The built-in demo flight (first cut: steady cruise).
#include "simdata/demo_flight.h"

namespace demo {

double LoopSeconds() { return 300.0; }

FlightState StateAt(double t) {
  (void)t;
  FlightState s{};
  s.ApMaster = 1;
  s.ApHeadingHold = 1;
  s.ApAltitudeHold = 1;
  s.Altimeter = 5000;
  s.ApAltitudeRaw = int32_t(5000 / 3.28084 * 65536);
  s.RadioAltitudeRaw = int32_t(4800 / 3.28084 * 65536);
  s.FdActive = 1;
  return s;
}

}  // namespace demo
