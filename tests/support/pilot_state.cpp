// The pilot state, set and checked in the frames' units.
#include "support/pilot_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace orvane_test {

namespace {

// Each variable with its value in the frames' unit.
std::vector<std::pair<FlightVar, double>> PilotReadings() {
  const PilotValues& p = kPilot;
  return {
      {FlightVar::IndicatedAirspeedRaw, p.airspeedKt},
      {FlightVar::MachRaw, p.mach},
      {FlightVar::Altimeter, p.altitudeFt},
      {FlightVar::HeadingTrueRaw, p.headingMagnetic + p.variation},
      {FlightVar::MagneticVariationRaw, p.variation},
      {FlightVar::VerticalSpeedRaw, p.verticalSpeedFpm},
      {FlightVar::AltimeterSettingRaw, p.altimeterHpa},
      {FlightVar::ApAirspeed, p.selectedAirspeedKt},
      {FlightVar::ApAltitudeRaw, p.selectedAltitudeFt},
      {FlightVar::ApHeadingRaw, p.selectedHeading},
      {FlightVar::ApVerticalSpeed, p.selectedVerticalSpeedFpm},
  };
}

}  // namespace

VarSet PilotStateVars() {
  VarSet vars;
  for (const auto& [var, value] : PilotReadings()) vars.Add(var);
  return vars;
}

InterfaceValues PilotState() {
  InterfaceValues s{};
  for (const auto& [var, value] : PilotReadings()) SetFromUnit(s, var, value);
  return s;
}

void ExpectPilotState(const InterfaceValues& state, const std::string& where) {
  for (const auto& [var, value] : PilotReadings()) {
    const Reading r = ReadingOf(state, var);
    EXPECT_TRUE(r.valid) << where << ": " << VarName(var) << " did not arrive";
    // Half a step of the interface's integer, and no more than that.
    EXPECT_NEAR(r.value, value, std::fabs(VarInfo(var).factor) / 2 + 1e-9) << where << ": " << VarName(var);
  }
  const double magnetic = std::fmod(ReadingOf(state, FlightVar::HeadingTrueRaw).value -
                                        ReadingOf(state, FlightVar::MagneticVariationRaw).value + 360.0,
                                    360.0);
  EXPECT_NEAR(magnetic, kPilot.headingMagnetic, 0.01) << where << ": magnetic heading";
}

}  // namespace orvane_test
