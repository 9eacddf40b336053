// The full layout's frame rules: from the primary flight values (display units, each with its
// validity) to a plain description of the tapes, the vertical speed, the heading and the mode
// boxes. Pure: no GL, no I/O. Offsets are panel pixels at scale 1 from an instrument's centre line,
// up (or, on the heading card, clockwise) positive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/flight_state.h"
#include "pfd/frame_rules.h"

// The values the full layout shows, in display units.
struct PrimaryFlightValues {
  Reading indicatedAirspeedKt, mach, headingMagneticDeg, verticalSpeedFpm, altitudeFt,
      selectedAirspeedKt, selectedAltitudeFt, selectedHeadingDeg, selectedVerticalSpeedFpm,
      altimeterSettingHpa;
  bool verticalSpeedMode = false;  // the autopilot's vertical-speed mode: the V/S bug is shown
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

// A readout whose last digits roll like a drum: the digits that stand still, then the drum.
struct RollingReadout {
  std::string fixed;      // e.g. "25" of 250 kt, "100" of 10,000 ft, "-1" of -120 ft
  double drum = 0;        // drum position in rows: 0 shows row 0 centred, 0.5 half way to row 1
  int drumRows = 10;      // rows before the drum repeats
  int drumStep = 1;       // the value one row stands for
  int drumDigits = 1;     // digits of a row's label
  bool downward = false;  // rows grow downwards (negative altitudes: the figures grow as it sinks)

  // The label of drum row k (any whole number; the drum repeats).
  std::string DrumLabel(int row) const;
  // Offset in drum rows of row k from the window's centre line, up positive.
  double RowOffset(int row) const;
  // What the box reads: the fixed digits and the row nearest the centre line.
  std::string Reads() const;
};

struct SpeedTapeDescription {
  bool failed = false;              // the SPD flag; no scale, readout, trend or bug
  std::vector<TapeMark> marks;
  RollingReadout readout;
  bool trendShown = false;
  double trendOffsetPx = 0;         // the arrow's tip: the speed predicted in 10 s
  TapeBug selectedBug;
  std::string selectedText;         // magenta, above the tape ("" = none)
  std::string machText;             // below the tape from Mach 0.40 ("" = none)
};

struct AltitudeTapeDescription {
  bool failed = false;              // the ALT flag; no scale, readout or bug
  std::vector<TapeMark> marks;
  RollingReadout readout;
  TapeBug selectedBug;
  std::string selectedText;         // magenta, above the tape
  std::string altimeterText;        // below the tape: "1013 HPA", "29.92 IN" or "STD"
};

struct VerticalSpeedDescription {
  bool failed = false;              // the V/S flag; no needle or readout
  double pointerOffsetPx = 0;
  std::string readout;              // hundreds of ft/min from 400 ("" = none)
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

// Everything a frame of the full layout draws.
struct FullFrameDescription {
  FrameDescription attitude;        // today's frame without its mode annunciations
  std::vector<FrameText> modeTexts; // the mode annunciations in their boxes, in panel pixels
  SpeedTapeDescription speed;
  AltitudeTapeDescription altitude;
  VerticalSpeedDescription verticalSpeed;
  HeadingDescription heading;
};

// The whole decision of a full-layout frame from today's frame, the values and the speed trend.
FullFrameDescription DecideFullFrame(const FrameDescription& today, const PrimaryFlightValues& values,
                                     const Reading& speedTrend10s, BaroUnit baro);

// The full layout's frames of one display: the decision of each frame with the speed trend kept
// from frame to frame. One per display, fed once a frame with the frame's time in seconds (any
// origin, never going back: the monotonic clock).
class FullFrameRules {
 public:
  FullFrameDescription Decide(const FrameDescription& today, const PrimaryFlightValues& values, double timeSeconds,
                              BaroUnit baro) {
    return DecideFullFrame(today, values, trend_.Update(timeSeconds, values.indicatedAirspeedKt), baro);
  }

 private:
  SpeedTrend trend_;
};

// --- The pieces, exposed for tests. ---
SpeedTapeDescription DecideSpeedTape(const PrimaryFlightValues& values, const Reading& speedTrend10s);
AltitudeTapeDescription DecideAltitudeTape(const PrimaryFlightValues& values, BaroUnit baro);
VerticalSpeedDescription DecideVerticalSpeed(const PrimaryFlightValues& values);
HeadingDescription DecideHeading(const PrimaryFlightValues& values);
// The altimeter setting as shown: "STD" when it reads 1013 hPa or 29.92 inHg in the chosen unit.
std::string FormatAltimeterSetting(double hpa, BaroUnit baro);
// Today's mode annunciations placed in the boxes: lateral (LOC, HDG), vertical (ALT, ALT*, VS, GS)
// and autopilot (AP ENG); the active (green) mode on the upper line, an armed one below.
std::vector<FrameText> ArrangeModeBoxes(const std::vector<FrameText>& modeTexts);
