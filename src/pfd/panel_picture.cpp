// The full layout's values from the readings, and the frame rules of either panel.
#include "pfd/panel_picture.h"

#include <cmath>

namespace {

using R = ReadingId;

// 0 up to but not including 360.
double Wrap360(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d;
}

}  // namespace

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
  v.verticalSpeedMode = s.AltitudeHold && !s.GlideSlopeHold &&
                        std::fabs(s.Altitude - s.SelectedAltitude) > 250;
  return v;
}

PanelFrameRules::PanelFrameRules(PanelKind kind, BaroUnit baro) : kind_(kind), baro_(baro) {}

ReadingSet PanelFrameRules::ReadingsShown(PanelKind kind) {
  if (kind == PanelKind::Classic) return {};
  return {R::IndicatedAirspeed, R::Mach,          R::HeadingTrue,           R::MagneticVariation,
          R::VerticalSpeed,     R::Altitude,      R::SelectedAirspeed,      R::SelectedAltitude,
          R::SelectedHeading,   R::AltitudeHold,  R::SelectedVerticalSpeed, R::GlideSlopeHold,
          R::AltimeterSetting};
}

PanelPicture PanelFrameRules::Decide(const FlightFrame& frame, bool complete, double timeSeconds) {
  PanelPicture picture;
  picture.kind = kind_;
  picture.classic = DecideFrame(frame.classic, !complete);
  if (kind_ == PanelKind::Full)
    picture.full = full_.Decide(picture.classic, PrimaryValuesOf(frame.readings), timeSeconds, baro_);
  return picture;
}
