// The full layout's values from the readings, and the frame rules of either panel.
#include "pfd/panel_picture.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using R = ReadingId;

// 0 up to but not including 360.
double Wrap360(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d;
}

}  // namespace

AutoflightFacts AutoflightFactsOf(const FlightState& s) {
  const auto fact = [&s](ReadingId id) { return s.Valid.Has(id) && s.Fact(id); };
  AutoflightFacts a;
  a.autopilotEngaged = fact(R::AutopilotEngaged);
  a.flightDirectorOn = fact(R::FlightDirectorOn);
  a.headingHold = fact(R::HeadingHold);
  a.approachHold = fact(R::ApproachHold);
  a.navHold = fact(R::Nav1Hold);
  a.localiserCaptured = fact(R::LocaliserCaptured);
  a.altitudeHold = fact(R::AltitudeHold);
  a.glideSlopeHold = fact(R::GlideSlopeHold);
  a.glideSlopeCaptured = fact(R::GlideSlopeCaptured);
  a.speedHold = fact(R::SpeedHold);
  a.machHold = fact(R::MachHold);
  a.autothrottleArmed = fact(R::AutothrottleArmed);
  a.known = s.Valid.Has(R::AutopilotEngaged);
  return a;
}

ReadingSet AutoflightReadings() {
  return {R::AutopilotEngaged, R::FlightDirectorOn, R::HeadingHold,   R::ApproachHold,       R::Nav1Hold,
          R::LocaliserCaptured, R::AltitudeHold,   R::GlideSlopeHold, R::GlideSlopeCaptured, R::SpeedHold,
          R::MachHold,         R::AutothrottleArmed};
}

PrimaryFlightValues PrimaryValuesOf(const FlightState& s) {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = s.Get(R::IndicatedAirspeed);
  v.mach = s.Get(R::Mach);
  v.headingMagneticDeg = MagneticHeading(s);
  v.verticalSpeedFpm = s.Get(R::VerticalSpeed);
  v.altitudeFt = s.Get(R::Altitude);
  v.selectedAirspeedKt = s.Get(R::SelectedAirspeed);
  v.selectedAltitudeFt = s.Get(R::SelectedAltitude);
  v.selectedHeadingDeg = s.Get(R::SelectedHeading);
  v.selectedHeadingDeg.value = Wrap360(v.selectedHeadingDeg.value);
  v.selectedVerticalSpeedFpm = s.Get(R::SelectedVerticalSpeed);
  v.altimeterSettingHpa = s.Get(R::AltimeterSetting);
  v.autoflight = AutoflightFactsOf(s);
  v.pitchDeg = s.Get(R::Pitch);
  v.bankDeg = s.Get(R::Bank);
  v.radioAltitudeFt = s.Get(R::RadioAltitude);
  v.flightDirectorPitchValid = s.Valid.Has(R::FdPitch);
  v.flightDirectorBankValid = s.Valid.Has(R::FdBank);
  v.localiserValid = s.Valid.Has(R::LocaliserDeviation);
  v.glideSlopeValid = s.Valid.Has(R::GlideSlopeDeviation);
  // A marker, an identifier or a DME that did not arrive in this frame is not shown.
  v.outerMarker = s.Valid.Has(R::OuterMarker) && s.OuterMarker;
  v.middleMarker = s.Valid.Has(R::MiddleMarker) && s.MiddleMarker;
  v.innerMarker = s.Valid.Has(R::InnerMarker) && s.InnerMarker;
  if (s.Valid.Has(R::IlsIdent)) v.ilsIdent = s.IlsIdent;
  if (s.Valid.Has(R::DmeText)) v.dmeText = s.DmeText;
  v.envelope = EnvelopeValuesOf(s);
  return v;
}

std::string RaisedFlagsText(const PanelPicture& picture) {
  std::vector<std::string> flags;
  if (picture.kind == PanelKind::Full)
    flags = RaisedFlags(picture.full);
  else if (picture.classic.dataFailed)
    flags.push_back(kFailureFlagText);
  std::string text;
  for (const std::string& flag : flags) text += (text.empty() ? "" : ",") + flag;
  return text.empty() ? "-" : text;
}

PanelFrameRules::PanelFrameRules(PanelKind kind, BaroUnit baro, const EnvelopeSettings& envelope)
    : kind_(kind), baro_(baro), envelope_(envelope) {}

ReadingSet PanelFrameRules::ReadingsShown(PanelKind kind) {
  if (kind == PanelKind::Classic) return {};
  return {R::IndicatedAirspeed, R::Mach,          R::HeadingTrue,           R::MagneticVariation,
          R::VerticalSpeed,     R::Altitude,      R::SelectedAirspeed,      R::SelectedAltitude,
          R::SelectedHeading,   R::AltitudeHold,  R::SelectedVerticalSpeed, R::GlideSlopeHold,
          R::AltimeterSetting,  R::TrueAirspeed,  R::GroundSpeed,           R::TrackTrue,
          R::FlightPathAngle,   R::SlipBall,      R::FlapPosition,          R::FlapSteps,
          R::SelectedMach,      R::MaxOperatingSpeed, R::MaxOperatingMach,  R::GearPlacardSpeed,
          R::FlapPlacardSpeed,  R::StallSpeedClean, R::StallSpeedFullFlap,  R::DecisionHeight,
          R::RadioAltitude,     R::LocaliserDeviation, R::IlsTuned,         R::GearDown,
          R::StallWarning,      R::OverspeedWarning, R::AutothrottleArmed,  R::SpeedHold,
          R::MachHold,          R::Nav1Hold};
}

PanelPicture PanelFrameRules::Decide(const FlightFrame& frame, bool complete, double timeSeconds) {
  PanelPicture picture;
  picture.kind = kind_;
  picture.classic = DecideFrame(frame.classic, !complete);
  if (kind_ == PanelKind::Full)
    picture.full = full_.Decide(picture.classic, PrimaryValuesOf(frame.readings), timeSeconds, baro_, envelope_);
  return picture;
}
