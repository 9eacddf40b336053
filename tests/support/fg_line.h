// Test helper: one line of FlightGear's generic protocol as dist/flightgear/orvane.xml makes
// FlightGear write it.
#pragma once

#include <string>

namespace orvane_test {

// One line as orvane.xml makes FlightGear write it, in its field order.
struct FgLine {
  double pitch = 0, roll = 0;
  std::string headingLock, altitudeLock, speedLock;
  double locNorm = 0, gsNorm = 0;
  int inRange = 0, navLoc = 0, hasGs = 0, gsInRange = 0;
  double mhz = 0;
  std::string navId;
  int dmeInRange = 0;
  double dmeNm = 0, aglFt = 0;
  double radarFt = 0;  // what FlightGear sends for an aircraft without a radar altimeter
  int outer = 0, middle = 0, inner = 0;
  double altitudeFt = 0, targetFt = 0, targetFpm = 0;
  double kias = 0, mach = 0, headingTrue = 0, magVar = 0, verticalFps = 0, headingBug = 0, targetKt = 0;
  double settingHpa = 0;
  double groundSpeedKt = 0;
  double trackDeg = 0, pathDeg = 0, slipSkid = 0, flapsNorm = 0;
  int gearDown = 0;
  double stallWarning = 0, trueKt = 0, windKt = 0, windFromDeg = 0, targetMach = 0, vne = 0, vle = 0;
  bool withoutGroundSpeed = false;  // the line of a protocol file copied before ground speed was added
  bool withoutEnvelope = false;     // the line of one copied before the envelope's values were added

  std::string Text() const;
};

}  // namespace orvane_test
