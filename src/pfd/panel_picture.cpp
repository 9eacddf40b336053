// The full layout's values from the flight model, and the frame rules of either panel.
#include "pfd/panel_picture.h"

#include <cmath>

namespace {

using V = FlightVar;

// Both readings' difference, valid when both are.
Reading Difference(const Reading& a, const Reading& b) { return {a.value - b.value, a.valid && b.valid}; }

// 0 up to but not including 360.
double Wrap360(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d;
}

}  // namespace

PrimaryFlightValues PrimaryValuesOf(const InterfaceValues& s) {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = ReadingOf(s, V::IndicatedAirspeedRaw);
  v.mach = ReadingOf(s, V::MachRaw);
  // The interface counts a west variation negative: magnetic = true - variation.
  v.headingMagneticDeg = Difference(ReadingOf(s, V::HeadingTrueRaw), ReadingOf(s, V::MagneticVariationRaw));
  v.headingMagneticDeg.value = Wrap360(v.headingMagneticDeg.value);
  v.verticalSpeedFpm = ReadingOf(s, V::VerticalSpeedRaw);
  v.altitudeFt = ReadingOf(s, V::Altimeter);
  v.selectedAirspeedKt = ReadingOf(s, V::ApAirspeed);
  // The selected altitude in whole feet, as the annunciation rules compare it.
  v.selectedAltitudeFt = {double(s.ApAltitudeFt), s.Valid.Has(V::ApAltitudeRaw)};
  v.selectedHeadingDeg = ReadingOf(s, V::ApHeadingRaw);
  v.selectedHeadingDeg.value = Wrap360(v.selectedHeadingDeg.value);
  v.selectedVerticalSpeedFpm = ReadingOf(s, V::ApVerticalSpeed);
  v.altimeterSettingHpa = ReadingOf(s, V::AltimeterSettingRaw);
  v.verticalSpeedMode = s.ApAltitudeHold == 1 && s.ApGlideSlopeHold != 1 &&
                        DecideVerticalMode(s.Altimeter, s.ApAltitudeFt) == VerticalMode::Vs;
  return v;
}

PanelFrameRules::PanelFrameRules(PanelKind kind, BaroUnit baro) : kind_(kind), baro_(baro) {}

VarSet PanelFrameRules::VariablesShown(PanelKind kind) {
  if (kind == PanelKind::Classic) return {};
  return {V::IndicatedAirspeedRaw, V::MachRaw,     V::HeadingTrueRaw, V::MagneticVariationRaw,
          V::VerticalSpeedRaw,     V::Altimeter,   V::ApAirspeed,     V::ApAltitudeRaw,
          V::ApHeadingRaw,         V::ApVerticalSpeed, V::AltimeterSettingRaw};
}

PanelPicture PanelFrameRules::Decide(const InterfaceValues& converted, bool complete, double timeSeconds) {
  PanelPicture picture;
  picture.kind = kind_;
  picture.classic = DecideFrame(converted, !complete);
  if (kind_ == PanelKind::Full)
    picture.full = full_.Decide(picture.classic, PrimaryValuesOf(converted), timeSeconds, baro_);
  return picture;
}
