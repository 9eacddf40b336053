// The full layout's frame rules: from the primary flight values (display units, each with its
// validity) to a plain description of the tapes, the vertical speed, the heading and the flight
// mode annunciator. Pure: no GL, no I/O. Offsets are panel pixels at scale 1 from an
// instrument's centre line, up (or, on the heading card, clockwise) positive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/flight_state.h"
#include "pfd/envelope_rules.h"
#include "pfd/frame_rules.h"

// What the autopilot, the flight director and the autothrottle are doing, as a frame's facts tell
// it (a fact that did not arrive is false).
struct AutoflightFacts {
  bool autopilotEngaged = false, flightDirectorOn = false;
  bool headingHold = false, approachHold = false, navHold = false, localiserCaptured = false;
  bool altitudeHold = false, glideSlopeHold = false, glideSlopeCaptured = false;
  bool speedHold = false, machHold = false, autothrottleArmed = false;
  // The facts arrived in this frame (a frame without them shows no modes and does not count as a
  // change: modes found again after a lost link are not boxed unless they differ from before).
  bool known = true;
};

// The values the full layout shows, in display units.
struct PrimaryFlightValues {
  Reading indicatedAirspeedKt, mach, headingMagneticDeg, verticalSpeedFpm, altitudeFt,
      selectedAirspeedKt, selectedAltitudeFt, selectedHeadingDeg, selectedVerticalSpeedFpm,
      altimeterSettingHpa;
  AutoflightFacts autoflight;
  // The V/S bug shown whatever the modes say (the modes show it in the "V/S" pitch mode).
  bool verticalSpeedMode = false;
  // The attitude: the "ATT" flag when either is not valid. Valid by default, as the attitude of a
  // description made without readings (orvane-snapshot's options) is always drawn.
  Reading pitchDeg{0, true}, bankDeg{0, true};
  Reading radioAltitudeFt;
  // Whether the flight director's pitch and bank commands and the localiser and glide-slope
  // deviations arrived; like the attitude, valid by default.
  bool flightDirectorPitchValid = true, flightDirectorBankValid = true;
  bool localiserValid = true, glideSlopeValid = true;
  bool outerMarker = false, middleMarker = false, innerMarker = false;
  std::string ilsIdent, dmeText;
  EnvelopeValues envelope;  // the limits, minimums, slip, flight path and track
};

// How the altimeter setting is shown.
enum class BaroUnit : uint8_t { Hpa, InHg };

// The speed's rate of change over the last second, as the speed gained in the next 10 s. Fed
// once a frame with the frame's time; a speed that is not valid, a time that goes back or a
// pause of over a second starts it again, and it says nothing until it has half a second of speed.
class SpeedTrend {
 public:
  Reading Update(double timeSeconds, const Reading& speedKt);
  void Reset();

 private:
  static constexpr int kSlots = 12;
  struct Sample {
    double t = 0;
    double kt = 0;
  };
  Sample samples_[kSlots];
  int count_ = 0;   // samples held, oldest first from first_
  int first_ = 0;
  bool seen_ = false;
  double lastTime_ = 0;
};

// A scale mark of a tape: its offset from the readout's centre line and its label, if any.
struct TapeMark {
  double offsetPx = 0;
  std::string label;  // empty: a tick without a number
};

// A magenta bug on a tape or scale: where, and whether it is held at the scale's end because the
// selected value is off the scale.
struct TapeBug {
  bool shown = false;
  double offsetPx = 0;
  bool parked = false;
};

// A readout whose last digits roll like a drum, and the digits left of it like an odometer's: they
// turn with the drum as it goes from its last row to row 0 of the next turn, so that every row
// stands for a whole value (the row above 149 reads 150, the one below 150 reads 149).
struct RollingReadout {
  std::string fixed;      // the digits left of the drum in the row nearest the centre line: "25" of
                          // 250 kt, "100" of 10,000 ft, "-1" of -120 ft, "-" of -40 ft
  double drum = 0;        // drum position in rows: 0 shows row 0 centred, 0.5 half way to row 1
  int drumRows = 10;      // rows before the drum repeats
  int drumStep = 1;       // the value one row stands for
  int drumDigits = 1;     // digits of a row's label
  bool downward = false;  // rows grow downwards (negative altitudes: the figures grow as it sinks)
  bool negative = false;  // the value is below zero: every row reads with its minus
  long long turnBase = 0; // the size of the value row 0 stands for (a whole turn of the drum)
  double carry = 0;       // how far the digits left of the drum have turned towards the next turn's
                          // (0 to 1; more than 0 only while the drum is past its last row)

  // The label of drum row k (any whole number; the drum repeats).
  std::string DrumLabel(int row) const;
  // Offset in drum rows of row k from the window's centre line, up positive.
  double RowOffset(int row) const;
  // The whole figure row k stands for, sign and digits left of the drum included.
  std::string RowReads(int row) const;
  // The row nearest the centre line.
  int NearestRow() const;
  // What the box reads: the row nearest the centre line; `Above`/`Below`: the rows next to it.
  std::string Reads() const { return RowReads(NearestRow()); }
  std::string Above() const { return RowReads(NearestRow() + (downward ? -1 : 1)); }
  std::string Below() const { return RowReads(NearestRow() + (downward ? 1 : -1)); }
};
// A readout of `value` (its size) on a drum of `rows` rows of `step`, each row's label `digits`
// wide; the digits left of it follow the row nearest the centre line.
RollingReadout MakeRollingReadout(double value, int rows, int step, int digits);

struct SpeedTapeDescription {
  bool failed = false;              // the SPD flag; no scale, readout, trend, bug or Mach
  std::vector<TapeMark> marks;
  RollingReadout readout;
  bool trendShown = false;
  double trendOffsetPx = 0;         // the arrow's tip: the speed predicted in 10 s
  TapeBug selectedBug;
  std::string selectedText;         // magenta, above the tape ("" = none)
  std::string machText;             // below the tape from Mach .40 until below .38: ".820", "1.20"
};

// The selected altitude's box: outlined white while approaching it, amber after leaving it.
enum class AltitudeAlert : uint8_t { None, Approaching, Deviation };

struct AltitudeTapeDescription {
  bool failed = false;              // the ALT flag; no scale, readout, bug or alert
  std::vector<TapeMark> marks;
  RollingReadout readout;
  TapeBug selectedBug;
  std::string selectedText;         // magenta, above the tape
  std::string altimeterText;        // below the tape: "1013 HPA" or "29.92 IN" ("" = none)
  AltitudeAlert alert = AltitudeAlert::None;
};

struct VerticalSpeedDescription {
  bool failed = false;              // the V/S flag; no needle, readout or bug
  double pointerOffsetPx = 0;
  std::string readout;              // ft/min to the nearest 50 from 400 ft/min ("" = none)
  bool readoutAbove = true;         // above the scale when climbing, below when descending
  TapeBug selectedBug;              // in vertical-speed mode
};

struct HeadingDescription {
  bool failed = false;              // the HDG flag; no card, readout or bug
  double cardDeg = 0;               // the card turns so that this heading is under the lubber line
  std::string readout;              // "090"
  TapeBug selectedBug;              // offsetPx is degrees clockwise from the lubber line
  std::string selectedText;         // magenta, left of the readout
};

struct RadioAltitudeDescription {
  bool failed = false;              // the RA flag: the radio altitude did not arrive
  std::string text;                 // below 2,500 ft: 2 ft steps below 100 ft, 10 ft above ("" = none)
};

// The marker beacon and the tuned ILS.
struct NavigationDescription {
  std::string marker;               // "OM", "MM", "IM" ("" = none); inner over middle over outer
  std::string ilsIdent;             // see IlsIdentShown; "" = none, or no localiser tuned (no
  std::string dme;                  // ILS scales in today's picture); the DME: see DmeShown
};

// The flight mode annunciator's places: three columns (autothrottle, roll, pitch), each with the
// active mode above and the armed mode below, and the autopilot's status centred under them.
enum class ModeColumn : uint8_t { Autothrottle, Roll, Pitch, Status };
constexpr int kModeColumns = 3;
constexpr int kModeSlots = 2 * kModeColumns + 1;  // active and armed of each column, then the status
// "autothrottle", "roll", "pitch", "status".
const char* ModeColumnName(ModeColumn column);

// The words the annunciator shows in each slot ("" = none).
struct AutoflightModes {
  std::string active[kModeColumns];  // green: "MCP SPD"; "HDG SEL", "VOR/LOC"; "G/S", "ALT HOLD", "ALT ACQ", "V/S"
  std::string armed[kModeColumns];   // white: "ARM"; "VOR/LOC"; "G/S"
  std::string status;                // "CMD" with the autopilot engaged, "FD" with the flight director alone
  const std::string& Slot(int slot) const;
  std::string& Slot(int slot);
};
AutoflightModes DecideAutoflightModes(const PrimaryFlightValues& values);

// A mode as drawn: its words, colour and place (the lower-left corner of its first glyph cell, in
// panel pixels), and whether it is boxed because it changed in the last 10 s.
struct ModeAnnunciation {
  std::string text;
  TextColour colour = TextColour::Green;
  ModeColumn column = ModeColumn::Roll;
  bool armed = false;
  bool boxed = false;
  double x = 0, y = 0;
};
// The attitude area's own rules beyond today's picture.
struct AttitudeAreaDescription {
  bool localiserPointer = true;     // the localiser deviation arrived: its pointer is drawn
  bool glideSlopePointer = true;    // likewise the glide slope's
  bool bankAmber = false;           // the bank pointer filled amber: 35 degrees of bank or more
};
// The bank from which the bank pointer turns amber.
constexpr double kBankAmberDeg = 35;

// What a frame remembers for the next: the readouts that show until their value falls further
// than the value they appeared at, when each mode last changed and the altitude alert's capture.
struct FullFrameHold {
  bool machShown = false;           // shown from .40, kept until below .38
  bool trendShown = false;          // shown from 2 kt, kept until below 1 kt
  EnvelopeHold envelope;            // the minimums alert
  bool modesSeen = false;           // a frame before decided the modes (the first frame boxes none)
  AutoflightModes modes;            // the modes of the frame before
  double modeChangedAt[kModeSlots] = {};  // the time each slot's words last changed, in seconds
  bool altitudeCaptured = false;    // the selected altitude was reached (within 200 ft) since it was set
  bool selectionSeen = false;
  long long selectedAltitudeFt = 0; // the selection the capture belongs to
};

// Everything a frame of the full layout draws.
struct FullFrameDescription {
  FrameDescription attitude;        // today's frame without its texts (the modes go to the annunciator;
                                    // its radio altitude, marker letter and flag are replaced by the
                                    // attitude area's own); its failure flag ("ATT", dataFailed)
                                    // raised when pitch or bank is not valid, and then without
                                    // flight-director bars; a bar whose command was lost removed
  AttitudeAreaDescription attitudeArea;
  std::vector<ModeAnnunciation> modes;  // the flight mode annunciator: columns left to right, the status last
  SpeedTapeDescription speed;
  AltitudeTapeDescription altitude;
  VerticalSpeedDescription verticalSpeed;
  HeadingDescription heading;
  RadioAltitudeDescription radioAltitude;
  NavigationDescription navigation;
  EnvelopeDescription envelope;     // speed limits, minimums, slip, flight path, track, runway
  FullFrameHold hold;               // for the next frame
};

// The flags a frame raises, in the order "ATT", "SPD", "ALT", "V/S", "HDG", "RA".
std::vector<std::string> RaisedFlags(const FullFrameDescription& frame);

// The whole decision of a full-layout frame from today's frame, the values, the speed trend and
// what the frame before held (none: the first frame), with the envelope's settings. `timeSeconds`
// times the mode boxes (the monotonic clock, as for the speed trend).
FullFrameDescription DecideFullFrame(const FrameDescription& today, const PrimaryFlightValues& values,
                                     const Reading& speedTrend10s, BaroUnit baro, const FullFrameHold& held = {},
                                     double timeSeconds = 0, const EnvelopeSettings& envelope = {});

// The full layout's frames of one display: the decision of each frame with the speed trend, the
// readouts' hysteresis, the mode boxes and the altitude alert's capture kept from frame to frame.
// One per display, fed once a frame with the frame's time in seconds (any origin, never going
// back: the monotonic clock).
class FullFrameRules {
 public:
  FullFrameDescription Decide(const FrameDescription& today, const PrimaryFlightValues& values, double timeSeconds,
                              BaroUnit baro, const EnvelopeSettings& envelope = {}) {
    const Reading trend = trend_.Update(timeSeconds, values.indicatedAirspeedKt);
    FullFrameDescription f = DecideFullFrame(today, values, trend, baro, held_, timeSeconds, envelope);
    held_ = f.hold;
    return f;
  }

 private:
  SpeedTrend trend_;
  FullFrameHold held_;
};

// --- The pieces, exposed for tests. ---
SpeedTapeDescription DecideSpeedTape(const PrimaryFlightValues& values, const Reading& speedTrend10s,
                                     const FullFrameHold& held = {});
AltitudeTapeDescription DecideAltitudeTape(const PrimaryFlightValues& values, BaroUnit baro);
// The altitude alert's distances: the box is outlined from 900 ft to 200 ft before the selected
// altitude; reached (within 200 ft), leaving it by more than 200 ft turns the box amber.
constexpr double kAltitudeAlertFromFt = 900;
constexpr double kAltitudeAlertToFt = 200;
// The altitude alert of a frame (none while the altitude or the selection is not valid), and the
// capture it keeps for the next frame (written into `next`).
AltitudeAlert DecideAltitudeAlert(const PrimaryFlightValues& values, const FullFrameHold& held, FullFrameHold& next);
// The mode boxes stand this long after a change.
constexpr double kModeBoxSeconds = 10;
// The modes placed in the annunciator, boxed where their slot changed within kModeBoxSeconds.
// The first frame (nothing held) boxes none. What it keeps for the next frame goes into `next`.
std::vector<ModeAnnunciation> ArrangeModes(const AutoflightModes& modes, const FullFrameHold& held,
                                           double timeSeconds, FullFrameHold& next);
VerticalSpeedDescription DecideVerticalSpeed(const PrimaryFlightValues& values);
HeadingDescription DecideHeading(const PrimaryFlightValues& values);
RadioAltitudeDescription DecideRadioAltitude(const Reading& radioAltitudeFt);
// The ILS identifier as shown: the received text without blanks around it, up to the first
// character that is not printable, at most kIlsIdentMaxChars.
constexpr size_t kIlsIdentMaxChars = 6;
std::string IlsIdentShown(const std::string& ident);
// The DME distance as shown: nautical miles without leading zeros ("012.5" reads "12.5"); ""
// for a text that is not a distance (a source's blank when out of range included).
constexpr size_t kDmeMaxChars = 6;
std::string DmeShown(const std::string& dme);
// The deviation pointers and the bank pointer's colour; `bankDeg` as drawn (either sign).
AttitudeAreaDescription DecideAttitudeArea(const PrimaryFlightValues& values, double bankDeg, bool attitudeFailed);
// Mach as shown: ".820" below 1, "1.20" from 1.
std::string FormatMach(double mach);
// The altimeter setting as set, in the chosen unit: "1013 HPA", "29.92 IN". No source says today
// whether the pilot selected standard, so "STD" is never shown (1013 hPa reads as 1013).
std::string FormatAltimeterSetting(double hpa, BaroUnit baro);
// The altimeter settings a source can mean: 900 to 1,100 hPa; any other is not valid.
constexpr double kAltimeterSettingMinHpa = 900;
constexpr double kAltimeterSettingMaxHpa = 1100;
