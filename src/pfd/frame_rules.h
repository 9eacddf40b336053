// The frame rules: from one converted InterfaceValues to a plain description of the picture (no drawing).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/interface_values.h"

// The text colours of the display.
enum class TextColour : uint8_t { Green, White, Blue, Amber, ByteWhite };
// How a colour is handed to GL: glColor3f (green, white) or glColor3ub (blue, amber, byte white).
enum class ColourCall : uint8_t { Float3f, Byte3ub };

struct ColourSetting {
  ColourCall call;
  uint8_t r, g, b;  // for Float3f: 0 or 255 meaning 0.0 or 1.0
};
ColourSetting ColourOf(TextColour colour);

struct FrameText {
  std::string text;
  TextColour colour = TextColour::White;
  float x = 0;
  float y = 0;
  int32_t glyphSet = 0;
  bool backed = false;  // printed on a black plate with an outline in its colour (the failure flag)
  bool modeAnnunciation = false;  // one of DecideModeTexts' texts (the full layout boxes them)
};

enum class BarKind : uint8_t { Horizontal, Vertical };
struct FrameBar {
  BarKind kind = BarKind::Horizontal;
  double offset = 0;  // the value passed to DrawFdHorizontalBar / DrawFdVerticalBar
};

// Everything one frame draws, in drawing order.
struct FrameDescription {
  double pitchOffset = 0;
  double bank = 0;
  uint16_t ilsState = 0;          // 0, 1 or 4
  double glideSlopeOffset = 0;    // already negated, as DrawIls takes it
  double localizerOffset = 0;
  std::vector<FrameBar> bars;     // in drawing order
  std::vector<FrameText> texts;   // in printing order
  bool dataFailed = false;        // the data exchange of this frame failed: the "ATT" flag is in texts
};

// Where the data-failure flag sits (text space): inside the attitude area, clear of the other texts.
// It is drawn on its own black plate, so the horizon behind it cannot wash its colour out.
constexpr float kFailureFlagX = 195.0f;
constexpr float kFailureFlagY = 226.0f;
constexpr const char* kFailureFlagText = "ATT";

// The horizon texture's shift per degree of pitch.
constexpr double kPitchOffsetPerDegree = 0.0058;
// The horizon texture's shift for the frame's pitch (the interface's sign: nose down positive).
double PitchOffsetOf(const InterfaceValues& converted);

// The whole decision for one frame. Pure: no GL, no I/O.
FrameDescription DecideFrame(const InterfaceValues& converted, bool dataFailed);

// --- The pieces, exposed for tests and for the network frame. ---

// ILS state from the NAV1 flags: 4 (ILS display), 1 (no-ILS display) or 0 (nothing).
uint16_t ClassifyIls(uint16_t radioStatus, uint8_t bcFlags, uint8_t codeFlags, int16_t inclination);
// Removes leading and trailing characters of code 32 or below.
std::string TrimBlanksAndControls(const std::string& text);
// A DME text starting "00" keeps its characters 2 to 5 (1-based): "002.5" -> "02.5".
std::string ApplyDoubleZeroRule(const std::string& dme);
// ILS state with the DME/identifier rules: a trimmed DME of exactly "0.0" with no identifier gives 1.
uint16_t DecideIlsState(const InterfaceValues& converted);

// Flight-director limits: below -20000 or NaN -> 0; then clamped to -27..27.
double LimitFdCommand(double command);
struct FdCommands {
  double vertical = 0;  // scaled, -1..1
  double lateral = 0;   // scaled, -0.84375..0.84375
};
FdCommands ComputeFdCommands(const InterfaceValues& converted);
// The bars in drawing order (none unless the flight director is on).
std::vector<FrameBar> DecideBars(const InterfaceValues& converted);

enum class VerticalMode : uint8_t { None, Alt, AltCapture, Vs };
// Altitude hold annunciation by distance to the target: below 50 "ALT", 50..250 "ALT*", above "VS".
VerticalMode DecideVerticalMode(int32_t altimeterFt, int32_t targetFt);
// The mode annunciations ("AP ENG", vertical, "GS", "LOC", "HDG") in printing order.
std::vector<FrameText> DecideModeTexts(const InterfaceValues& converted);

struct RadioAltitudeReadout {
  bool shown = false;  // false at 2500 ft and above: neither readout nor "RA"
  std::string text;    // tens of feet, units digit 0
  float x = 0;         // 370 - 12 x characters
};
RadioAltitudeReadout DecideRadioAltitudeReadout(double radioAltitudeFt);

struct MarkerLetter {
  std::string text;  // "", "O", "M" or "I"
  TextColour colour = TextColour::Blue;
};
// Inner over middle over outer.
MarkerLetter DecideMarkerLetter(const InterfaceValues& converted);
