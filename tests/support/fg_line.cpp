// A generic-protocol line in the field order of dist/flightgear/orvane.xml.
#include "support/fg_line.h"

#include <cstdio>

namespace orvane_test {

std::string FgLine::Text() const {
  char t[800];
  std::snprintf(t, sizeof t,
                "%.3f,%.3f,%s,%s,%s,%.4f,%.4f,%d,%d,%d,%d,%.2f,%s,%d,%.2f,%.1f,%.3f,%d,%d,%d,%.1f,%.1f,%.1f,"
                "%.1f,%.4f,%.2f,%.2f,%.3f,%.1f,%.1f,%.1f",
                pitch, roll, headingLock.c_str(), altitudeLock.c_str(), speedLock.c_str(), locNorm, gsNorm, inRange,
                navLoc, hasGs, gsInRange, mhz, navId.c_str(), dmeInRange, dmeNm, aglFt, radarFt, outer, middle, inner,
                altitudeFt, targetFt, targetFpm, kias, mach, headingTrue, magVar, verticalFps, headingBug, targetKt,
                settingHpa);
  std::string line = t;
  if (!withoutGroundSpeed) {
    std::snprintf(t, sizeof t, ",%.1f", groundSpeedKt);
    line += t;
    if (!withoutEnvelope) {
      std::snprintf(t, sizeof t, ",%.2f,%.2f,%.3f,%.3f,%d,%.2f,%.1f,%.1f,%.1f,%.3f,%.1f,%.1f", trackDeg, pathDeg, slipSkid,
                    flapsNorm, gearDown, stallWarning, trueKt, windKt, windFromDeg, targetMach, vne, vle);
      line += t;
    }
  }
  return line + "\n";
}

}  // namespace orvane_test
