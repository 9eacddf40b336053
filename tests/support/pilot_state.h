// One flight state a pilot can check on any display, for the tests that carry it through each source
// (simulator interface, data server, X-Plane, FlightGear) into the readings.
#pragma once

#include <string>

#include "model/interface_codec.h"

namespace orvane_test {

// 250 kt (Mach 0.46) with 280 kt over the ground, 10,000 ft, heading 090 magnetic with 10 degrees
// of west variation (080 true), descending at 700 ft/min, altimeter 1013 hPa; selected 220 kt,
// 3,000 ft, heading 270 and -1,000 ft/min. In the pilot's units; a source that needs its own units
// converts from these.
struct PilotValues {
  double airspeedKt = 250;
  double mach = 0.46;
  double groundSpeedKt = 280;
  double altitudeFt = 10000;
  double headingMagnetic = 90;
  double variation = -10;  // west negative: true heading = magnetic + variation
  double verticalSpeedFpm = -700;
  double altimeterHpa = 1013;
  double selectedAirspeedKt = 220;
  double selectedAltitudeFt = 3000;
  double selectedHeading = 270;
  double selectedVerticalSpeedFpm = -1000;
  // The envelope: 290 kt true (250 indicated at 10,000 ft), a wind from 020 true at 20 kt, from ahead
  // on the left, drifting the aircraft 3.5 degrees right onto a track of 083.5 true; the ball a
  // quarter of the way out to the right, flaps 1 (an eighth of their travel), the gear down, the
  // autothrottle holding the speed, the autopilot in NAV.
  double trueAirspeedKt = 290;
  double windKt = 20;
  double windFromTrue = 20;
  double trackTrue = 83.54;
  double ball = 0.25;
  double flaps = 0.125;
  // What only a simulator's own feed gives: 700 ft/min down at 280 kt over the ground is a flight
  // path 1.41 degrees down; a 737-800's VMO 340 kt and gear placard 270 kt.
  double flightPathDeg = -1.41;
  double maxOperatingKt = 340;
  double gearPlacardKt = 270;
};
inline constexpr PilotValues kPilot{};

// The readings the pilot state gives, and the interface variables that carry them (for ReadPlan::With).
ReadingSet PilotStateReadings();
VarSet PilotStateVars();
// The pilot state as readings (each valid), and as the simulator interface holds it.
FlightState PilotReadings();
InterfaceValues PilotState();
// Checks that every reading of the pilot state arrived and reads its value within the interface's
// resolution, and that the selected altitude reads 3000 to a pilot. `where` names the path in
// failure messages.
void ExpectPilotState(const FlightState& readings, const std::string& where);
// The same for interface values as they arrived (converted and decoded first).
void ExpectPilotState(const InterfaceValues& state, const std::string& where);
// The readings only a simulator's own feed gives (flight path, limits), and the check that they
// arrived with the pilot state's values.
ReadingSet SimulatorOnlyReadings();
void ExpectSimulatorOnlyReadings(const FlightState& readings, const std::string& where);

}  // namespace orvane_test
