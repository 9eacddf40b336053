// The built-in demo flight: a deterministic, looping flight that exercises every element of the display.
#pragma once

#include "model/flight_state.h"

namespace demo {

// Length of one loop of the demo, in seconds.
double LoopSeconds();
// The readings (every one the demo flies, all valid) at demo time t
// seconds (taken modulo the loop).
FlightState StateAt(double t);

// Demo times (seconds into the loop) that show one display situation each; docs/demo-flight.md has
// the whole timeline.
namespace times {
// Wings level at 5,000 ft: "AP ENG", "HDG", "ALT" green, no ILS tuned (ILS state 0), no RA readout.
constexpr double kCruiseHdgAlt = 5.0;
// Rolling into the left turn in heading hold: the flight-director bank command leads the bank.
constexpr double kTurnRollIn = 12.5;
// In the left turn with nothing tuned on NAV1 at all: ILS state 0.
constexpr double kNoIls = 30.0;
// Descending from 5,000 ft to 3,000 ft: "VS" green with "ALT" white (armed).
constexpr double kVsAltArmed = 75.0;
// NAV1 on a localizer without glide slope (inclination 0): the no-ILS plate (ILS state 1).
constexpr double kNoIlsPlate = 92.0;
// NAV1 retuning: DME text "00.0" with no identifier: the no-ILS plate (ILS state 1).
constexpr double kNoIlsPlateDme = 104.0;
// Capturing 3,000 ft: "ALT*" (50 to 250 ft from the target).
constexpr double kAltCapture = 106.0;
// Level at 3,000 ft, ILS tuned (state 4), heading-hold intercept turn: "HDG" and "ALT".
constexpr double kAltHoldIls = 120.0;
// Approach armed: "LOC" white and "GS" white, needles at full deflection and converging.
constexpr double kLocGsArmed = 135.0;
// Localizer captured ("LOC" green), glide slope still armed ("GS" white).
constexpr double kLocCaptured = 146.0;
// On the glide slope: "LOC" and "GS" green, radio altitude counting down below 2,500 ft.
constexpr double kIlsCaptured = 190.0;
// Over the outer marker: "O".
constexpr double kOuterMarker = 221.5;
// ILS approach with LOC and GS captured, over the middle marker: "M", RA readout 260.
constexpr double kIlsApproachMiddleMarker = 264.0;
// Over the inner marker: "I", RA readout 120.
constexpr double kInnerMarker = 269.65;
// Rolling out after touchdown: RA readout 0, autopilot and flight director off.
constexpr double kRollout = 285.0;
// The envelope on the approach: flaps 30 and the gear down, a light crosswind from the left, below the
// radio minimums of 200 ft (RA 160).
constexpr double kApproachMinimums = 268.0;
// Flaps 5 at 3,000 ft with the approach armed, drifting right in the crosswind.
constexpr double kFlapsInTheCrosswind = 133.0;
// The cut to a cruise at FL350: from here to the end of the loop.
constexpr double kHighCruiseStart = 300.0;
// At FL350, Mach 0.78 held by the autothrottle ("MCP SPD" with the speed bug in Mach), the wind from
// 270 at 50 kt drifting the aircraft right.
constexpr double kCruiseAtMach = 330.0;
}  // namespace times

}  // namespace demo
