// The picture of one frame in the layout a display shows (today's panel or the full one), and the
// rules that decide it from the frame's values.
#pragma once

#include <cstdint>
#include <string>

#include "model/interface_codec.h"
#include "pfd/frame_rules.h"
#include "pfd/tape_rules.h"

// Which panel a display shows.
enum class PanelKind : uint8_t { Classic, Full };

// One frame's picture: today's frame, and the full layout's when the panel is the full one.
struct PanelPicture {
  PanelKind kind = PanelKind::Classic;
  FrameDescription classic;   // today's frame (kind Classic)
  FullFrameDescription full;  // the full layout's frame (kind Full)
};

// The autopilot's, flight director's and autothrottle's facts of a frame (each false unless it
// arrived and is on).
AutoflightFacts AutoflightFactsOf(const FlightState& readings);
// The facts AutoflightFactsOf reads.
ReadingSet AutoflightReadings();

// The full layout's values from a frame's readings: speed, Mach, magnetic heading (true heading
// less the variation), vertical speed, altitude, the selected values and the altimeter setting,
// each valid when what it is made of arrived. The autoflight facts decide the modes (and with them
// the vertical-speed bug: altitude hold more than 250 ft from the target reads "V/S").
// The attitude, the radio altitude, the markers, the ILS identifier and DME and whether the
// flight director's commands and the deviations arrived come along.
PrimaryFlightValues PrimaryValuesOf(const FlightState& readings);

// The flags a picture raises, comma-separated ("ALT,V/S"), or "-" for none: the classic panel's
// "ATT", or the full layout's "ATT", "SPD", "ALT", "V/S", "HDG" and "RA".
std::string RaisedFlagsText(const PanelPicture& picture);

// The rules of a display's panel. One per display: the full layout keeps the speed trend from frame
// to frame.
class PanelFrameRules {
 public:
  explicit PanelFrameRules(PanelKind kind = PanelKind::Classic, BaroUnit baro = BaroUnit::Hpa,
                           const EnvelopeSettings& envelope = {});

  // The readings the panel shows beyond today's panel's (none for today's panel, whose read list
  // is fixed): the read plan and the network requests follow from them.
  static ReadingSet ReadingsShown(PanelKind kind);
  PanelKind Kind() const { return kind_; }

  // The picture of a frame. `complete`: every read-list value arrived (today's attitude flag);
  // `timeSeconds`: the frame's time on the monotonic clock.
  PanelPicture Decide(const FlightFrame& frame, bool complete, double timeSeconds);

 private:
  PanelKind kind_;
  BaroUnit baro_;
  EnvelopeSettings envelope_;
  FullFrameRules full_;
};
