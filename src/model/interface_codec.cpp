// The simulator interface's codec table and its two directions.
#include "model/interface_codec.h"

#include <cmath>
#include <cstdint>

namespace {

using R = ReadingId;
using V = FlightVar;
using C = CodecRule;

constexpr double kFeetPerMetre = 3.28084;
constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;
// A needle byte's full scale (127) is 2.5 dots either side.
constexpr double kDotsPerNeedleStep = 2.5 / 127;
constexpr double kDegreesPer16Bits = 360.0 / 65536;
// The slope the encoder writes for "glide slope present".
constexpr double kNominalSlopeDegrees = 3;
// Flaps fully out, gear lever down.
constexpr uint32_t kFullTravel = 16383;

constexpr InterfaceCodecRow kRows[] = {
    // Attitude and the flight director: the interface counts nose down and left wing down positive.
    {R::Pitch, V::Pitch, C::Scaled, -1.0, 0},
    {R::Bank, V::Bank, C::Scaled, -1.0, 0},
    {R::FdPitch, V::FdPitch, C::Scaled, -1.0, 0},
    {R::FdBank, V::FdBank, C::Scaled, -1.0, 0},
    {R::FlightDirectorOn, V::FdActive, C::FlagIsOne, 0, 0},
    // Autopilot modes.
    {R::AutopilotEngaged, V::ApMaster, C::FlagIsOne, 0, 0},
    {R::HeadingHold, V::ApHeadingHold, C::FlagIsOne, 0, 0},
    {R::AltitudeHold, V::ApAltitudeHold, C::FlagIsOne, 0, 0},
    {R::GlideSlopeHold, V::ApGlideSlopeHold, C::FlagIsOne, 0, 0},
    {R::ApproachHold, V::ApApproachHold, C::FlagIsOne, 0, 0},
    // NAV1 and the ILS: tuned when the localiser is tuned (back-course flags), the station has a
    // glide slope (code flags) and the ILS is received (radio status).
    {R::IlsTuned, V::Nav1BcFlags, C::AllBits, 0, nav1_bits::kLocaliserTuned},
    {R::IlsTuned, V::Nav1CodeFlags, C::AllBits, 0, nav1_bits::kGlideSlopeStation},
    {R::IlsTuned, V::RadioStatus, C::AllBits, 0, nav1_bits::kIlsReceived},
    {R::LocaliserCaptured, V::RadioStatus, C::AllBits, 0, nav1_bits::kLocaliserCaptured},
    {R::GlideSlopeCaptured, V::RadioStatus, C::AllBits, 0, nav1_bits::kGlideSlopeCaptured},
    {R::GlideSlopePresent, V::GsInclinationRaw, C::Inclination, kDegreesPer16Bits, 0},
    {R::LocaliserDeviation, V::LocNeedle, C::Needle, kDotsPerNeedleStep, 0},
    {R::GlideSlopeDeviation, V::GsNeedle, C::Needle, kDotsPerNeedleStep, 0},
    {R::OuterMarker, V::OuterMarker, C::FlagIsOne, 0, 0},
    {R::MiddleMarker, V::MiddleMarker, C::FlagIsOne, 0, 0},
    {R::InnerMarker, V::InnerMarker, C::FlagIsOne, 0, 0},
    {R::DmeText, V::DmeText, C::Text, 0, 0},
    {R::IlsIdent, V::Nav1Ident, C::Text, 0, 0},
    // Heights and speeds.
    {R::RadioAltitude, V::RadioAltitudeRaw, C::Height, kFeetPerMetre / 65536, 0},
    {R::Altitude, V::Altimeter, C::Scaled, 1.0, 0},
    {R::VerticalSpeed, V::VerticalSpeedRaw, C::Scaled, kFeetPerMetre * 60 / 256, 0},
    {R::IndicatedAirspeed, V::IndicatedAirspeedRaw, C::Scaled, 1.0 / 128, 0},
    {R::Mach, V::MachRaw, C::Scaled, 1.0 / 20480, 0},
    {R::GroundSpeed, V::GroundSpeedRaw, C::Scaled, kKnotsPerMetrePerSecond / 65536, 0},
    {R::HeadingTrue, V::HeadingTrueRaw, C::Angle, 360.0 / 4294967296.0, 0},
    {R::MagneticVariation, V::MagneticVariationRaw, C::Scaled, kDegreesPer16Bits, 0},
    {R::AltimeterSetting, V::AltimeterSettingRaw, C::Scaled, 1.0 / 16, 0},
    // The autopilot's selected values.
    {R::SelectedHeading, V::ApHeadingRaw, C::Angle, kDegreesPer16Bits, 0},
    {R::SelectedAltitude, V::ApAltitudeRaw, C::WholeFeet, kFeetPerMetre / 65536, 0},
    {R::SelectedVerticalSpeed, V::ApVerticalSpeed, C::Scaled, 1.0, 0},
    {R::SelectedAirspeed, V::ApAirspeed, C::Scaled, 1.0, 0},
    {R::SelectedMach, V::ApMachRaw, C::Scaled, 1.0 / 65536, 0},
    // Autothrottle and the autopilot's speed and NAV modes.
    {R::AutothrottleArmed, V::AutothrottleArm, C::FlagIsOne, 0, 0},
    {R::SpeedHold, V::ApAirspeedHold, C::FlagIsOne, 0, 0},
    {R::MachHold, V::ApMachHold, C::FlagIsOne, 0, 0},
    {R::Nav1Hold, V::ApNav1Hold, C::FlagIsOne, 0, 0},
    // The envelope: warnings, the turn coordinator's ball, flaps and gear.
    {R::StallWarning, V::StallWarning, C::FlagIsOne, 0, 0},
    {R::OverspeedWarning, V::OverspeedWarning, C::FlagIsOne, 0, 0},
    {R::SlipBall, V::TurnBall, C::Fraction, 1.0 / 127, 0},
    {R::FlapPosition, V::FlapPositionRaw, C::Fraction, 1.0 / kFullTravel, 0},
    {R::FlapSteps, V::FlapSteps, C::Scaled, 1.0, 0},
    {R::GearDown, V::GearControl, C::AllBits, 0, kFullTravel},
    // True airspeed and the wind at the aircraft, and from them and the heading the track.
    {R::TrueAirspeed, V::TrueAirspeedRaw, C::Scaled, 1.0 / 128, 0},
    {R::WindSpeed, V::WindSpeedRaw, C::Scaled, 1.0, 0},
    {R::WindDirectionTrue, V::WindDirectionRaw, C::Angle, kDegreesPer16Bits, 0},
    {R::TrackTrue, V::HeadingTrueRaw, C::Track, 0, 0},
    {R::TrackTrue, V::TrueAirspeedRaw, C::Track, 0, 0},
    {R::TrackTrue, V::WindSpeedRaw, C::Track, 0, 0},
    {R::TrackTrue, V::WindDirectionRaw, C::Track, 0, 0},
};
constexpr size_t kRowCount = sizeof kRows / sizeof kRows[0];

// Truncates toward zero into 32 bits; values outside the range (or NaN) are pinned to its ends (0 for NaN).
int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(std::trunc(value));
}

int8_t LimitNeedle(int8_t needle) { return needle < -127 ? int8_t(-127) : needle; }

double LimitFraction(double v) { return v > 1 ? 1 : v < -1 ? -1 : v; }

// A reading of a one-row number, decoded from the interface values.
double Decoded(const InterfaceValues& s, ReadingId reading) {
  const InterfaceCodecRow* row = CodecRowOf(reading);
  return row != nullptr ? RawNumber(s, row->var) * row->factor : 0.0;
}

// A value in the variable's steps: floats as they are, integers rounded to the nearest step
// (SetRawNumber limits them to the type's range).
void EncodeNumber(InterfaceValues& s, V var, double steps) {
  SetRawNumber(s, var, VarInfo(var).kind == RawKind::Float64 ? steps : std::round(steps));
}

}  // namespace

const InterfaceCodecRow* InterfaceCodecRows() { return kRows; }
size_t InterfaceCodecRowCount() { return kRowCount; }

const InterfaceCodecRow* CodecRowOf(ReadingId reading) {
  for (const InterfaceCodecRow& row : kRows)
    if (row.reading == reading) return &row;
  return nullptr;
}

const InterfaceCodecRow* CodecRowOf(FlightVar var) {
  for (const InterfaceCodecRow& row : kRows)
    if (row.var == var) return &row;
  return nullptr;
}

void ApplyConversions(InterfaceValues& s, InclinationRule rule) {
  const double radioRaw = s.RadioAltitudeRaw < 0 ? 0.0 : double(s.RadioAltitudeRaw);
  s.RadioAltitudeFt = radioRaw * kFeetPerMetre / 65536;
  s.ApAltitudeFt = TruncateToInt32(double(s.ApAltitudeRaw) * kFeetPerMetre / 65536);
  if (rule == InclinationRule::Degrees)
    s.GsInclination = int16_t((int32_t(s.GsInclinationRaw) * 360) / 65536);  // truncates toward zero
  else
    s.GsInclination = s.GsInclinationRaw;
  s.GsNeedle = LimitNeedle(s.GsNeedle);
  s.LocNeedle = LimitNeedle(s.LocNeedle);
}

void DecodeInterface(const InterfaceValues& s, FlightState& out) {
  // A fact of several rows holds when all of them do; start every fact of the table true.
  ReadingSet seen, missing;
  for (const InterfaceCodecRow& row : kRows) {
    const bool first = !seen.Has(row.reading);
    seen.Add(row.reading);
    if (!s.Valid.Has(row.var)) missing.Add(row.reading);
    const double raw = RawNumber(s, row.var);
    switch (row.rule) {
      case C::Scaled:
      case C::WholeFeet:
      case C::Angle:
      case C::Needle:  // the needles are limited by the conversions
        out.Set(row.reading, raw * row.factor);
        break;
      case C::Height:
        out.Set(row.reading, (raw < 0 ? 0.0 : raw) * row.factor);
        break;
      case C::FlagIsOne:
        out.SetFact(row.reading, raw == 1);
        break;
      case C::AllBits: {
        const bool bits = (uint32_t(raw) & row.mask) == row.mask;
        out.SetFact(row.reading, bits && (first || out.Fact(row.reading)));
        break;
      }
      case C::Inclination:
        out.SetFact(row.reading, s.GsInclination != 0);
        break;
      case C::Text:
        out.SetText(row.reading, TextOf(s, row.var));
        break;
      case C::Fraction:
        out.Set(row.reading, LimitFraction(raw * row.factor));
        break;
      case C::Track:
        if (first)
          out.Set(row.reading, WindTriangleTrack(Decoded(s, R::HeadingTrue), Decoded(s, R::TrueAirspeed),
                                                 Decoded(s, R::WindDirectionTrue), Decoded(s, R::WindSpeed)));
        break;
    }
  }
  for (size_t i = 0; i < kReadingCount; ++i)
    if (missing.Has(ReadingId(i))) out.Valid.Remove(ReadingId(i));
}

InterfaceValues EncodeInterface(const FlightState& in, const ReadingSet& supplied) {
  InterfaceValues s{};
  VarSet touched, spoilt;
  for (const InterfaceCodecRow& row : kRows) {
    if (!supplied.Has(row.reading) || row.rule == C::Track) continue;
    touched.Add(row.var);
    if (!in.Valid.Has(row.reading)) spoilt.Add(row.var);
    const double value = in.Get(row.reading).value;
    switch (row.rule) {
      case C::Scaled:
      case C::Height:
        EncodeNumber(s, row.var, value / row.factor);
        break;
      case C::WholeFeet: {
        double steps = std::round(value / row.factor);
        if (value == std::floor(value)) {
          if (value > 0 && std::trunc(steps * row.factor) < value) steps += 1;
          if (value < 0 && std::trunc(steps * row.factor) > value) steps -= 1;
        }
        EncodeNumber(s, row.var, steps);
        break;
      }
      case C::Angle: {
        double degrees = std::fmod(value, 360.0);
        if (degrees < 0) degrees += 360.0;
        double steps = std::round(degrees / row.factor);
        if (steps * row.factor >= 360.0) steps = 0;  // just below the full circle rounds to north
        EncodeNumber(s, row.var, steps);
        break;
      }
      case C::Needle: {
        const double steps = std::round(value / row.factor);
        EncodeNumber(s, row.var, steps > 127 ? 127 : steps < -127 ? -127 : steps);
        break;
      }
      case C::FlagIsOne:
        SetRawNumber(s, row.var, in.Fact(row.reading) ? 1 : 0);
        break;
      case C::AllBits:
        if (in.Fact(row.reading)) SetRawNumber(s, row.var, double(uint32_t(RawNumber(s, row.var)) | row.mask));
        break;
      case C::Inclination:
        EncodeNumber(s, row.var, in.Fact(row.reading) ? kNominalSlopeDegrees / row.factor : 0);
        break;
      case C::Text: {
        const std::string& text = in.Text(row.reading);
        const size_t size = VarInfo(row.var).size;
        SetText(s, row.var, text.size() > size ? text.substr(0, size) : text);
        break;
      }
      case C::Fraction:
        EncodeNumber(s, row.var, LimitFraction(value) / row.factor);
        break;
      case C::Track:
        break;
    }
  }
  for (size_t v = 0; v < kFlightVarCount; ++v)
    if (touched.Has(FlightVar(v)) && !spoilt.Has(FlightVar(v))) s.Valid.Add(FlightVar(v));
  return s;
}

VarSet InterfaceVarsOf(const ReadingSet& readings) {
  VarSet vars;
  for (const InterfaceCodecRow& row : kRows)
    if (readings.Has(row.reading)) vars.Add(row.var);
  return vars;
}

ReadingSet ReadingsAt(uint32_t offset, uint32_t size) {
  ReadingSet readings;
  for (const InterfaceCodecRow& row : kRows) {
    const FlightVarInfo& info = VarInfo(row.var);
    if (row.rule == C::Track) continue;
    if (offset < info.offset + info.size && info.offset < offset + size) readings.Add(row.reading);
  }
  return readings;
}

void FrameFromInterface(FlightFrame& frame, InclinationRule rule) {
  ApplyConversions(frame.classic, rule);
  DecodeInterface(frame.classic, frame.readings);
}

void FrameFromReadings(FlightFrame& frame, const ReadingSet& supplied) {
  frame.classic = EncodeInterface(frame.readings, supplied);
  ApplyConversions(frame.classic, InclinationRule::Raw);
}
