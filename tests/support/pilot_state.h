// One flight state a pilot can check on any display, for the tests that carry it through each source
// (simulator interface, data server, X-Plane, FlightGear) into the model.
#pragma once

#include <string>

#include "model/interface_values.h"

namespace orvane_test {

// 250 kt (Mach 0.46), 10,000 ft, heading 090 magnetic with 10 degrees of west variation (080 true),
// descending at 700 ft/min, altimeter 1013 hPa; selected 220 kt, 3,000 ft, heading 270 and
// -1,000 ft/min. In the frames' units; a source that needs its own units converts from these.
struct PilotValues {
  double airspeedKt = 250;
  double mach = 0.46;
  double altitudeFt = 10000;
  double headingMagnetic = 90;
  double variation = -10;  // west negative: true heading = magnetic + variation
  double verticalSpeedFpm = -700;
  double altimeterHpa = 1013;
  double selectedAirspeedKt = 220;
  double selectedAltitudeFt = 3000;
  double selectedHeading = 270;
  double selectedVerticalSpeedFpm = -1000;
};
inline constexpr PilotValues kPilot{};

// The variables the pilot state gives (for ReadPlan::With).
VarSet PilotStateVars();
// The pilot state as the simulator interface holds it (each variable marked valid).
InterfaceValues PilotState();
// Checks that every variable of the pilot state arrived in `state` and reads its value in the
// frames' units, within the interface's resolution. `where` names the path in failure messages.
void ExpectPilotState(const InterfaceValues& state, const std::string& where);

}  // namespace orvane_test
