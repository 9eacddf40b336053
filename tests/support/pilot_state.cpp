// The pilot state, set and checked in the pilot's units.
#include "support/pilot_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace orvane_test {

namespace {

using R = ReadingId;

std::vector<std::pair<ReadingId, double>> PilotNumbers() {
  const PilotValues& p = kPilot;
  return {
      {R::IndicatedAirspeed, p.airspeedKt},
      {R::Mach, p.mach},
      {R::GroundSpeed, p.groundSpeedKt},
      {R::Altitude, p.altitudeFt},
      {R::HeadingTrue, p.headingMagnetic + p.variation},
      {R::MagneticVariation, p.variation},
      {R::VerticalSpeed, p.verticalSpeedFpm},
      {R::AltimeterSetting, p.altimeterHpa},
      {R::SelectedAirspeed, p.selectedAirspeedKt},
      {R::SelectedAltitude, p.selectedAltitudeFt},
      {R::SelectedHeading, p.selectedHeading},
      {R::SelectedVerticalSpeed, p.selectedVerticalSpeedFpm},
      {R::TrueAirspeed, p.trueAirspeedKt},
      {R::WindSpeed, p.windKt},
      {R::WindDirectionTrue, p.windFromTrue},
      {R::TrackTrue, p.trackTrue},
      {R::SlipBall, p.ball},
      {R::FlapPosition, p.flaps},
      {R::GearDown, 1},
      {R::SpeedHold, 1},
      {R::Nav1Hold, 1},
  };
}

std::vector<std::pair<ReadingId, double>> SimulatorOnlyNumbers() {
  const PilotValues& p = kPilot;
  return {
      {R::FlightPathAngle, p.flightPathDeg},
      {R::MaxOperatingSpeed, p.maxOperatingKt},
      {R::GearPlacardSpeed, p.gearPlacardKt},
  };
}

// A step of the interface's integer for the reading (the interface is the coarsest wire).
double Resolution(ReadingId id) {
  for (size_t i = 0; i < InterfaceCodecRowCount(); ++i) {
    const InterfaceCodecRow& row = InterfaceCodecRows()[i];
    if (row.reading != id) continue;
    // The track worked out from the heading and the wind: the value given to two decimals.
    if (row.rule == CodecRule::Track) return 0.01;
    return std::fabs(row.factor) + 1e-9;
  }
  return 1e-9;
}

}  // namespace

ReadingSet PilotStateReadings() {
  ReadingSet set;
  for (const auto& [id, value] : PilotNumbers()) set.Add(id);
  return set;
}

VarSet PilotStateVars() { return InterfaceVarsOf(PilotStateReadings()); }

FlightState PilotReadings() {
  FlightState s{};
  for (const auto& [id, value] : PilotNumbers()) s.Set(id, value);
  return s;
}

InterfaceValues PilotState() { return EncodeInterface(PilotReadings(), PilotStateReadings()); }

void ExpectPilotState(const FlightState& readings, const std::string& where) {
  for (const auto& [id, value] : PilotNumbers()) {
    const Reading r = readings.Get(id);
    EXPECT_TRUE(r.valid) << where << ": " << ReadingName(id) << " did not arrive";
    // X-Plane sends single-precision floats: a millionth of the value on top.
    EXPECT_NEAR(r.value, value, Resolution(id) + std::fabs(value) * 1e-6) << where << ": " << ReadingName(id);
  }
  EXPECT_NEAR(MagneticHeading(readings).value, kPilot.headingMagnetic, 0.01) << where << ": magnetic heading";
  EXPECT_EQ(std::lround(readings.SelectedAltitude), 3000) << where << ": the selected altitude as a pilot reads it";
}

ReadingSet SimulatorOnlyReadings() {
  ReadingSet set;
  for (const auto& [id, value] : SimulatorOnlyNumbers()) set.Add(id);
  return set;
}

void ExpectSimulatorOnlyReadings(const FlightState& readings, const std::string& where) {
  for (const auto& [id, value] : SimulatorOnlyNumbers()) {
    const Reading r = readings.Get(id);
    EXPECT_TRUE(r.valid) << where << ": " << ReadingName(id) << " did not arrive";
    EXPECT_NEAR(r.value, value, std::fabs(value) * 1e-6) << where << ": " << ReadingName(id);
  }
}

void ExpectPilotState(const InterfaceValues& state, const std::string& where) {
  InterfaceValues converted = state;
  ApplyConversions(converted, InclinationRule::Raw);
  FlightState readings{};
  DecodeInterface(converted, readings);
  ExpectPilotState(readings, where);
}

}  // namespace orvane_test
