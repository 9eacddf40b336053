// The full layout's flight envelope: the speed limit bands, the minimums, the slip bar, the speed
// bug in Mach, the flight path vector, the track and the rising runway. From the readings and the
// pilot's settings to a plain description of what is drawn. Pure: no GL, no I/O. Offsets are panel
// pixels at scale 1 (full_layout.h), up (or clockwise, on the heading card) positive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/flight_state.h"

struct PrimaryFlightValues;

// The aircraft's limits as the settings file's [AIRCRAFT] section gives them (0 or empty: not given).
struct AircraftLimits {
  double maxOperatingSpeedKt = 0;    // VMO
  double maxOperatingMach = 0;       // MMO
  double gearExtendedSpeedKt = 0;    // VLE: the gear down
  std::vector<double> flapPlacardKt; // VFE: the placard of each flap step after up, in order
  double stallCleanKt = 0;           // STALL_CLEAN
  double stallFullFlapKt = 0;        // STALL_FULL_FLAP
};

// The minimums the pilot set: a radio height or a barometric altitude, in feet.
enum class MinimumsKind : uint8_t { None, Radio, Baro };
struct MinimumsSetting {
  MinimumsKind kind = MinimumsKind::None;
  double ft = 0;
};

// What the settings file says about the envelope: [AIRCRAFT], [PFD] MINIMUMS and FPV.
struct EnvelopeSettings {
  AircraftLimits aircraft;
  MinimumsSetting minimums;
  bool flightPathVector = false;
};

// The readings the envelope reads beyond the full layout's primary values. A fact is a Reading of 1
// or 0, valid when it arrived.
struct EnvelopeValues {
  Reading trueAirspeedKt, groundSpeedKt, trackTrueDeg, magneticVariationDeg, flightPathAngleDeg, slipBall,
      flapPosition, flapSteps, selectedMach, maxOperatingSpeedKt, maxOperatingMach, gearPlacardKt, flapPlacardKt,
      stallCleanKt, stallFullFlapKt, decisionHeightFt, localiserDeviationDots;
  Reading gearDown, stallWarning, overspeedWarning, ilsTuned;
};
// The envelope's readings of a frame.
EnvelopeValues EnvelopeValuesOf(const FlightState& readings);

// What a frame remembers for the next: the minimums alert stays on until the aircraft climbs back
// well above its minimums.
struct EnvelopeHold {
  bool minimumsReached = false;  // the alert is on
  bool aboveMinimums = false;    // the last known height was above the minimums
};

// A red and black band along the speed tape's edge, from `fromPx` away from the readout's centre
// line to the tape's end (up for the maximum speed, down for the stall speed).
struct SpeedBand {
  bool shown = false;
  double kt = 0;       // the speed it starts at
  double fromPx = 0;   // its offset from the centre line
  std::string source;  // what set it: "VMO", "MMO", "VFE", "VLE", "STALL"
};

struct EnvelopeDescription {
  // Speed limits.
  SpeedBand maximum;               // from the maximum speed up
  SpeedBand stall;                 // from the stall speed down
  bool manoeuvreBarShown = false;  // amber, from 1.3 x the stall speed down to the stall band
  double manoeuvreKt = 0;
  double manoeuvreFromPx = 0;
  bool readoutWarning = false;     // the speed readout box in red: stall or overspeed warning
  // The speed bug and the selected speed in Mach while the autopilot holds Mach.
  bool machTarget = false;
  std::string selectedMachText;    // ".780", magenta, above the speed tape
  double machTargetKt = 0;         // the speed of the selected Mach at this altitude
  // Minimums.
  MinimumsKind minimumsKind = MinimumsKind::None;
  double minimumsFt = 0;
  std::string minimumsText;        // "RADIO 200", "BARO 1200" at the foot of the altitude tape ("" = none)
  bool baroMarkerShown = false;    // the marker on the altitude tape at the barometric minimum
  double baroMarkerPx = 0;
  bool minimumsAlert = false;      // "MINIMUMS" in amber in the attitude area
  bool minimumsAbove = false;      // ...above the radio altitude instead of left of it (a four-figure
                                   // radio altitude leaves no room beside it; the runway is not shown)
  // The slip bar under the roll pointer.
  bool slipShown = false;
  double slipOffsetPx = 0;         // along the bar's travel, right positive
  bool slipFull = false;           // filled amber at full deflection
  // The flight path vector: in the pitch scale's frame (turned with the bank when drawn).
  bool fpvShown = false;
  double flightPathAngleDeg = 0, driftDeg = 0;
  double fpvRightPx = 0, fpvUpPx = 0;
  // The track line on the heading card, degrees clockwise from the lubber line, and "MAG".
  bool trackShown = false;
  double trackDeg = 0;             // the magnetic track
  double trackOffsetDeg = 0;
  bool magShown = false;
  // The rising runway below 200 ft on a localiser.
  bool runwayShown = false;
  double runwayRightPx = 0;        // from the aircraft symbol, with the localiser deviation
  double runwayTopPx = 0;          // its top edge below the symbol's centre (rising to it at 0 ft)

  EnvelopeHold hold;               // for the next frame
};

// The whole envelope of a frame from the frame's values, the settings and what the frame before
// held (none: the first frame).
EnvelopeDescription DecideEnvelope(const PrimaryFlightValues& values, const EnvelopeSettings& settings,
                                   const EnvelopeHold& held = {});

// --- The pieces, exposed for tests. ---

// The calibrated airspeed at `mach` in the static pressure of the moment, that pressure found from
// the moment's indicated airspeed and Mach (compressible flow); failing those (a Mach below .2),
// from the altitude in the standard atmosphere. Not valid when neither can be had.
Reading SpeedOfMach(double mach, const PrimaryFlightValues& values);
// The stall speed for a flap position (0 up to 1 fully out), between clean and full flap.
double StallSpeedAt(double flapPosition, double cleanKt, double fullFlapKt);
// The flap step (1 up to `steps`) the flaps are at or moving to: 0 with the flaps up.
int FlapStepOf(double flapPosition, int steps);
// "RADIO 200", "BARO 1200".
std::string MinimumsText(MinimumsKind kind, double ft);
