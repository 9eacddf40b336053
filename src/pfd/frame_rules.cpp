// The frame rules: ILS state, flight-director commands, annunciations, readout and marker letter.
#include "pfd/frame_rules.h"

#include <cmath>
#include <cstdio>

#include "model/interface_codec.h"


namespace {

// The classic panel's pictures: the horizon texture's shift per degree of pitch, and the deviation
// scales' shift per needle step.
constexpr double kGlideSlopeOffsetPerStep = 0.0094488;
constexpr double kLocalizerOffsetPerStep = 0.0108661417;

constexpr double kVerticalScale = 0.037037037037037037;  // 1/27
constexpr double kLateralScale = 0.03125;                // 1/32

bool IsOn(uint32_t flag) { return flag == 1; }

FrameText Text(const char* text, TextColour colour, float x, float y) {
  FrameText t;
  t.text = text;
  t.colour = colour;
  t.x = x;
  t.y = y;
  return t;
}

}  // namespace

ColourSetting ColourOf(TextColour colour) {
  switch (colour) {
    case TextColour::Green: return {ColourCall::Float3f, 0, 255, 0};
    case TextColour::White: return {ColourCall::Float3f, 255, 255, 255};
    case TextColour::Blue: return {ColourCall::Byte3ub, 0, 200, 222};
    case TextColour::Amber: return {ColourCall::Byte3ub, 255, 195, 0};
    case TextColour::ByteWhite: return {ColourCall::Byte3ub, 255, 255, 255};
  }
  return {ColourCall::Float3f, 255, 255, 255};
}

double PitchOffsetOf(const InterfaceValues& s) { return s.Pitch * kPitchOffsetPerDegree; }

uint16_t ClassifyIls(uint16_t radioStatus, uint8_t bcFlags, uint8_t codeFlags, int16_t inclination) {
  const bool localizerTuned = (bcFlags & nav1_bits::kLocaliserTuned) == nav1_bits::kLocaliserTuned;
  const bool glideSlopeStation = (codeFlags & nav1_bits::kGlideSlopeStation) == nav1_bits::kGlideSlopeStation;
  const bool ilsReceived = (radioStatus & nav1_bits::kIlsReceived) == nav1_bits::kIlsReceived;
  if (!localizerTuned || !glideSlopeStation || !ilsReceived) return 0;
  return inclination != 0 ? 4 : 1;
}

std::string TrimBlanksAndControls(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

std::string ApplyDoubleZeroRule(const std::string& dme) {
  if (dme.size() >= 2 && dme[0] == '0' && dme[1] == '0') return dme.substr(1, 4);
  return dme;
}

uint16_t DecideIlsState(const InterfaceValues& s) {
  const std::string dme = ApplyDoubleZeroRule(TrimBlanksAndControls(s.DmeText));
  const std::string ident = TrimBlanksAndControls(s.Nav1Ident);
  uint16_t state = ClassifyIls(s.RadioStatus, s.Nav1BcFlags, s.Nav1CodeFlags, s.GsInclination);
  if (TrimBlanksAndControls(dme) == "0.0" && ident.empty()) state = 1;
  return state;
}

double LimitFdCommand(double command) {
  if (command < -20000 || std::isnan(command)) command = 0;
  if (command < -27) command = -27;
  if (command > 27) command = 27;
  return command;
}

FdCommands ComputeFdCommands(const InterfaceValues& s) {
  double vertical = 0;
  double lateral = 0;
  if (IsOn(s.ApHeadingHold)) lateral = s.FdBank - s.Bank;
  if (IsOn(s.ApAltitudeHold)) vertical = s.FdPitch - PitchOffsetOf(s) / kPitchOffsetPerDegree;
  vertical = LimitFdCommand(vertical);
  lateral = LimitFdCommand(lateral);
  FdCommands c;
  c.vertical = vertical * kVerticalScale;
  c.lateral = lateral * kLateralScale;
  return c;
}

std::vector<FrameBar> DecideBars(const InterfaceValues& s) {
  std::vector<FrameBar> bars;
  if (!IsOn(s.FdActive)) return bars;
  const FdCommands c = ComputeFdCommands(s);
  if (IsOn(s.ApApproachHold)) {
    bars.push_back({BarKind::Horizontal, -c.vertical});
    bars.push_back({BarKind::Vertical, -c.lateral});
  }
  if (IsOn(s.ApAltitudeHold)) bars.push_back({BarKind::Horizontal, -c.vertical});
  if (IsOn(s.ApHeadingHold)) bars.push_back({BarKind::Vertical, -c.lateral});
  return bars;
}

VerticalMode DecideVerticalMode(int32_t altimeterFt, int32_t targetFt) {
  // 64-bit: the difference of two extreme 32-bit values does not fit 32 bits.
  int64_t d = int64_t(altimeterFt) - int64_t(targetFt);
  if (d < 0) d = -d;
  if (d < 50) return VerticalMode::Alt;
  if (d <= 250) return VerticalMode::AltCapture;
  return VerticalMode::Vs;
}

std::vector<FrameText> DecideModeTexts(const InterfaceValues& s) {
  std::vector<FrameText> texts;
  if (IsOn(s.ApMaster)) texts.push_back(Text("AP ENG", TextColour::Green, 300, 50));
  if (IsOn(s.ApAltitudeHold) && !IsOn(s.ApGlideSlopeHold)) {
    switch (DecideVerticalMode(s.Altimeter, s.ApAltitudeFt)) {
      case VerticalMode::Alt:
        texts.push_back(Text("ALT", TextColour::Green, 365, 280));
        break;
      case VerticalMode::AltCapture:
        texts.push_back(Text("ALT*", TextColour::Green, 365, 280));
        break;
      case VerticalMode::Vs:
        texts.push_back(Text("VS", TextColour::Green, 365, 280));
        texts.push_back(Text("ALT", TextColour::White, 300, 280));
        break;
      case VerticalMode::None:
        break;
    }
  }
  if (IsOn(s.ApGlideSlopeHold)) {
    if (s.RadioStatus & nav1_bits::kGlideSlopeCaptured)
      texts.push_back(Text("GS", TextColour::Green, 350, 280));
    else
      texts.push_back(Text("GS", TextColour::White, 290, 280));
  }
  if (IsOn(s.ApApproachHold)) {
    const bool captured = (s.RadioStatus & nav1_bits::kLocaliserCaptured) != 0;
    texts.push_back(Text("LOC", captured ? TextColour::Green : TextColour::White, 100, 280));
  }
  if (IsOn(s.ApHeadingHold)) texts.push_back(Text("HDG", TextColour::Green, 100, 280));
  for (FrameText& t : texts) t.modeAnnunciation = true;
  return texts;
}

RadioAltitudeReadout DecideRadioAltitudeReadout(double ft) {
  RadioAltitudeReadout r;
  if (!(ft < 2500)) return r;  // NaN included: nothing to show
  if (ft < 100) ft = 0;
  // Below 2500 the formatted value has at most 4 digits before the separator; the buffer is
  // bounded all the same, and only the leading digits are taken, so the locale's separator
  // does not matter.
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.2f", ft);
  std::string digits;
  for (int i = 0; i < n && i < int(sizeof buffer) && buffer[i] >= '0' && buffer[i] <= '9'; ++i)
    digits.push_back(buffer[i]);
  if (digits.empty()) digits = "0";
  r.shown = true;
  r.text = digits.substr(0, digits.size() - 1) + "0";
  r.x = float(370 - 12 * int(r.text.size()));
  return r;
}

MarkerLetter DecideMarkerLetter(const InterfaceValues& s) {
  MarkerLetter m;
  if (s.OuterMarker == 1) m = {"O", TextColour::Blue};
  if (s.MiddleMarker == 1) m = {"M", TextColour::Amber};
  if (s.InnerMarker == 1) m = {"I", TextColour::ByteWhite};
  return m;
}

FrameDescription DecideFrame(const InterfaceValues& s, bool dataFailed) {
  FrameDescription f;
  f.pitchOffset = PitchOffsetOf(s);
  f.bank = s.Bank;
  f.ilsState = DecideIlsState(s);
  f.glideSlopeOffset = -(s.GsNeedle * kGlideSlopeOffsetPerStep);
  f.localizerOffset = s.LocNeedle * kLocalizerOffsetPerStep;
  f.bars = DecideBars(s);
  f.texts = DecideModeTexts(s);
  const RadioAltitudeReadout ra = DecideRadioAltitudeReadout(s.RadioAltitudeFt);
  if (ra.shown) {
    f.texts.push_back(Text(ra.text.c_str(), TextColour::Blue, ra.x, 20));
    f.texts.push_back(Text("RA", TextColour::White, 370, 20));
  }
  const MarkerLetter marker = DecideMarkerLetter(s);
  if (!marker.text.empty()) f.texts.push_back(Text(marker.text.c_str(), marker.colour, 385, 94));
  f.dataFailed = dataFailed;
  if (dataFailed) {
    f.texts.push_back(Text(kFailureFlagText, TextColour::Amber, kFailureFlagX, kFailureFlagY));
    f.texts.back().backed = true;
  }
  return f;
}
