// The full layout's flight envelope: limits, minimums, slip, Mach target, flight path, track, runway.
#include "pfd/envelope_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pfd/full_layout.h"
#include "pfd/panel_layout.h"
#include "pfd/panel_quads.h"
#include "pfd/tape_rules.h"

using namespace full_layout;

namespace {

// The pitch scale of the full layout is today's picture's: its horizon's shift per degree over its
// quad, seen at the quad's depth under the 45-degree view of the surface (tan 22.5 degrees).
constexpr double kPitchScaleCheck = kPitchOffsetPerDegree * 2.0 * double(QuadOf(SlotHorizon).half) *
                                    (kSurfaceHeight / 2.0) / 0.41421356237 / double(QuadOf(SlotHorizon).depth);
static_assert(kPitchPxPerDeg - kPitchScaleCheck < 1e-9 && kPitchScaleCheck - kPitchPxPerDeg < 1e-9,
              "the flight path vector's degrees are the horizon's");

using R = ReadingId;

// A limit speed or stall speed any aircraft can have; a source sending another (0: none set) means none.
constexpr double kLowestLimitKt = 30;
constexpr double kHighestLimitKt = 999;
// A Mach limit or target the subsonic formulas hold for.
constexpr double kLowestMach = 0.3;
constexpr double kHighestMach = 0.99;
// The moment's Mach gives the static pressure from this Mach on; below it the altitude does.
constexpr double kPressureFromMachAbove = 0.2;
// The flaps count as out from this fraction of their travel; a step is reached within this much of it.
constexpr double kFlapsOut = 0.005;
constexpr double kStepSlack = 0.02;
// The minimum manoeuvre speed as a multiple of the stall speed.
constexpr double kManoeuvreFactor = 1.3;
// The minimums alert goes off when the aircraft climbs this far above them.
constexpr double kMinimumsResetFt = 75;
// The slip ball counts as at full deflection from this fraction of its travel (the interface's
// full scale right is 127/128).
constexpr double kSlipFull = 0.99;
// Below this ground speed no flight path angle is made from the vertical speed.
constexpr double kFpvLowestGroundSpeedKt = 30;
constexpr double kFeetPerMinutePerKnot = 6076.12 / 60;
// The flight path vector stays inside the attitude area.
constexpr double kFpvMaxRightPx = 70;
constexpr double kFpvMaxUpPx = 85;
// The standard atmosphere: the speed of sound at sea level, the tropopause.
constexpr double kSeaLevelSoundKt = 661.4786;
constexpr double kTropopauseFt = 36089;
constexpr double kPi = 3.14159265358979323846;

bool Usable(const Reading& r) { return r.valid && std::isfinite(r.value); }
bool On(const Reading& r) { return Usable(r) && r.value != 0; }

// A limit from the simulator when it publishes one within reason, else the settings' (0: none).
double LimitKt(const Reading& fromSimulator, double fromSettings) {
  if (Usable(fromSimulator) && fromSimulator.value >= kLowestLimitKt && fromSimulator.value <= kHighestLimitKt)
    return fromSimulator.value;
  return fromSettings;
}

double LimitMach(const Reading& fromSimulator, double fromSettings) {
  if (Usable(fromSimulator) && fromSimulator.value >= kLowestMach && fromSimulator.value <= kHighestMach)
    return fromSimulator.value;
  return fromSettings;
}

// The impact pressure over a static pressure at Mach `m` (subsonic).
double ImpactRatioOfMach(double m) { return std::pow(1 + 0.2 * m * m, 3.5) - 1; }

// The static pressure over that at sea level in the standard atmosphere at `ft`.
double StandardPressureRatio(double ft) {
  if (ft <= kTropopauseFt) return std::pow(1 - 6.8755856e-6 * ft, 5.2558797);
  return 0.2233609 * std::exp(-4.806346e-5 * (ft - kTropopauseFt));
}

double Wrap360(double deg) {
  double d = std::fmod(deg, 360.0);
  if (d < 0) d += 360.0;
  return d;
}

double Signed180(double deg) {
  const double d = Wrap360(deg);
  return d > 180.0 ? d - 360.0 : d;
}

SpeedBand Band(double kt, double centreKt, const char* source) {
  SpeedBand b;
  b.shown = true;
  b.kt = kt;
  b.fromPx = (kt - centreKt) * kSpeedPxPerKt;
  b.source = source;
  return b;
}

// The lowest of the maximum speeds that apply now: VMO, the speed of MMO, the current flap placard
// with the flaps out, VLE with the gear down.
SpeedBand MaximumSpeed(const PrimaryFlightValues& v, const AircraftLimits& a, double centreKt) {
  const EnvelopeValues& e = v.envelope;
  SpeedBand best;
  auto consider = [&](double kt, const char* source) {
    if (kt < kLowestLimitKt || kt > kHighestLimitKt) return;
    if (!best.shown || kt < best.kt) best = Band(kt, centreKt, source);
  };
  consider(LimitKt(e.maxOperatingSpeedKt, a.maxOperatingSpeedKt), "VMO");
  const double mmo = LimitMach(e.maxOperatingMach, a.maxOperatingMach);
  if (mmo > 0) {
    const Reading kt = SpeedOfMach(mmo, v);
    if (kt.valid) consider(kt.value, "MMO");
  }
  if (Usable(e.flapPosition) && e.flapPosition.value > kFlapsOut) {
    double placard = LimitKt(e.flapPlacardKt, 0);
    const int steps = int(a.flapPlacardKt.size());
    // The settings' placards go step by step; a simulator counting other steps is not matched to them.
    const bool stepsAgree = !Usable(e.flapSteps) || std::lround(e.flapSteps.value) == steps;
    if (placard == 0 && steps > 0 && stepsAgree)
      placard = a.flapPlacardKt[size_t(FlapStepOf(e.flapPosition.value, steps) - 1)];
    consider(placard, "VFE");
  }
  if (On(e.gearDown)) consider(LimitKt(e.gearPlacardKt, a.gearExtendedSpeedKt), "VLE");
  return best;
}

// The stall speed for the flaps as they are: none without the flaps' position, or without the
// stall speeds that bound it.
SpeedBand StallSpeed(const EnvelopeValues& e, const AircraftLimits& a, double centreKt) {
  if (!Usable(e.flapPosition)) return {};
  const double clean = LimitKt(e.stallCleanKt, a.stallCleanKt);
  const double full = LimitKt(e.stallFullFlapKt, a.stallFullFlapKt);
  const double flaps = std::clamp(e.flapPosition.value, 0.0, 1.0);
  double kt = 0;
  if (clean > 0 && full > 0)
    kt = StallSpeedAt(flaps, clean, full);
  else if (clean > 0 && flaps <= kFlapsOut)
    kt = clean;
  else if (full > 0 && flaps >= 1 - kFlapsOut)
    kt = full;
  if (kt < kLowestLimitKt) return {};
  return Band(kt, centreKt, "STALL");
}

void DecideMinimums(const PrimaryFlightValues& v, const EnvelopeSettings& s, const EnvelopeHold& held,
                    EnvelopeDescription& d) {
  const Reading& dh = v.envelope.decisionHeightFt;
  MinimumsSetting m = s.minimums;
  // The simulator's own radio-altimeter bug, when it publishes one that is set.
  if (Usable(dh) && dh.value > 0 && dh.value <= 2500) m = {MinimumsKind::Radio, dh.value};
  d.hold = held;
  if (m.kind == MinimumsKind::None) return;
  d.minimumsKind = m.kind;
  d.minimumsFt = m.ft;
  d.minimumsText = MinimumsText(m.kind, m.ft);
  if (m.kind == MinimumsKind::Baro && Usable(v.altitudeFt)) {
    d.baroMarkerShown = true;
    d.baroMarkerPx = (m.ft - std::clamp(v.altitudeFt.value, -99999.0, 99999.0)) * kAltitudePxPerFt;
  }
  const Reading& height = m.kind == MinimumsKind::Radio ? v.radioAltitudeFt : v.altitudeFt;
  if (!Usable(height)) return;  // not known this frame: no alert, the latch kept
  const double h = height.value;
  EnvelopeHold& next = d.hold;
  if (held.minimumsReached) {
    // On until the aircraft climbs well above them (a go-around), then ready for the next approach.
    next.minimumsReached = h <= m.ft + kMinimumsResetFt;
  } else {
    // Reached from above: a display started on the ground waits for the aircraft to climb first.
    next.minimumsReached = held.aboveMinimums && h <= m.ft;
  }
  next.aboveMinimums = h > m.ft;
  d.minimumsAlert = next.minimumsReached;
}

}  // namespace

EnvelopeValues EnvelopeValuesOf(const FlightState& s) {
  EnvelopeValues e;
  e.trueAirspeedKt = s.Get(R::TrueAirspeed);
  e.groundSpeedKt = s.Get(R::GroundSpeed);
  e.trackTrueDeg = s.Get(R::TrackTrue);
  e.magneticVariationDeg = s.Get(R::MagneticVariation);
  e.flightPathAngleDeg = s.Get(R::FlightPathAngle);
  e.slipBall = s.Get(R::SlipBall);
  e.flapPosition = s.Get(R::FlapPosition);
  e.flapSteps = s.Get(R::FlapSteps);
  e.selectedMach = s.Get(R::SelectedMach);
  e.maxOperatingSpeedKt = s.Get(R::MaxOperatingSpeed);
  e.maxOperatingMach = s.Get(R::MaxOperatingMach);
  e.gearPlacardKt = s.Get(R::GearPlacardSpeed);
  e.flapPlacardKt = s.Get(R::FlapPlacardSpeed);
  e.stallCleanKt = s.Get(R::StallSpeedClean);
  e.stallFullFlapKt = s.Get(R::StallSpeedFullFlap);
  e.decisionHeightFt = s.Get(R::DecisionHeight);
  e.localiserDeviationDots = s.Get(R::LocaliserDeviation);
  e.gearDown = s.Get(R::GearDown);
  e.stallWarning = s.Get(R::StallWarning);
  e.overspeedWarning = s.Get(R::OverspeedWarning);
  e.ilsTuned = s.Get(R::IlsTuned);
  return e;
}

Reading SpeedOfMach(double mach, const PrimaryFlightValues& v) {
  if (!std::isfinite(mach) || mach < kLowestMach || mach > kHighestMach) return {};
  double pressureRatio = 0;  // static pressure over sea level's
  const Reading& ias = v.indicatedAirspeedKt;
  const Reading& m = v.mach;
  if (Usable(ias) && Usable(m) && m.value >= kPressureFromMachAbove && m.value <= kHighestMach && ias.value > 0) {
    const double c = ias.value / kSeaLevelSoundKt;
    pressureRatio = ImpactRatioOfMach(c) / ImpactRatioOfMach(m.value);
  } else if (Usable(v.altitudeFt) && v.altitudeFt.value > -2000 && v.altitudeFt.value < 60000) {
    pressureRatio = StandardPressureRatio(v.altitudeFt.value);
  } else {
    return {};
  }
  const double impact = pressureRatio * ImpactRatioOfMach(mach);  // over sea level's static pressure
  const double kt = kSeaLevelSoundKt * std::sqrt(5 * (std::pow(impact + 1, 2.0 / 7.0) - 1));
  if (!std::isfinite(kt)) return {};
  return {kt, true};
}

double StallSpeedAt(double flapPosition, double cleanKt, double fullFlapKt) {
  return cleanKt + (fullFlapKt - cleanKt) * std::clamp(flapPosition, 0.0, 1.0);
}

int FlapStepOf(double flapPosition, int steps) {
  if (steps <= 0 || !(flapPosition > kFlapsOut)) return 0;
  const int step = int(std::ceil(std::min(flapPosition, 1.0) * steps - kStepSlack));
  return std::clamp(step, 1, steps);
}

std::string MinimumsText(MinimumsKind kind, double ft) {
  if (kind == MinimumsKind::None) return "";
  char text[48];
  std::snprintf(text, sizeof text, "%s %lld", kind == MinimumsKind::Radio ? "RADIO" : "BARO",
                static_cast<long long>(std::lround(std::clamp(ft, -99999.0, 99999.0))));
  return text;
}

EnvelopeDescription DecideEnvelope(const PrimaryFlightValues& v, const EnvelopeSettings& s, const EnvelopeHold& held) {
  EnvelopeDescription d;
  const EnvelopeValues& e = v.envelope;
  const bool speedShown = Usable(v.indicatedAirspeedKt) && v.indicatedAirspeedKt.value >= 0;
  const bool attitudeShown = Usable(v.pitchDeg) && Usable(v.bankDeg);
  const bool headingShown = Usable(v.headingMagneticDeg);

  // Speed limits, on the tape as it stands (it stands still below its lowest speed).
  if (speedShown) {
    const double centre = std::clamp(v.indicatedAirspeedKt.value, 30.0, 999.0);
    d.maximum = MaximumSpeed(v, s.aircraft, centre);
    d.stall = StallSpeed(e, s.aircraft, centre);
    if (d.stall.shown) {
      d.manoeuvreBarShown = true;
      d.manoeuvreKt = d.stall.kt * kManoeuvreFactor;
      d.manoeuvreFromPx = (d.manoeuvreKt - centre) * kSpeedPxPerKt;
    }
    d.readoutWarning = On(e.stallWarning) || On(e.overspeedWarning);
  }
  // The speed bug in Mach.
  if (v.autoflight.machHold && Usable(e.selectedMach) && e.selectedMach.value > 0 && e.selectedMach.value < 10) {
    d.machTarget = true;
    d.selectedMachText = FormatMach(e.selectedMach.value);
    const Reading kt = SpeedOfMach(e.selectedMach.value, v);
    if (kt.valid && speedShown) d.machTargetKt = kt.value;
  }

  DecideMinimums(v, s, held, d);

  // The slip bar under the roll pointer.
  if (attitudeShown && Usable(e.slipBall)) {
    const double ball = std::clamp(e.slipBall.value, -1.0, 1.0);
    d.slipShown = true;
    d.slipOffsetPx = ball * kSlipTravel;
    d.slipFull = std::fabs(e.slipBall.value) >= kSlipFull;
  }

  // The track: true track turned magnetic, against the magnetic heading.
  const bool trackKnown = Usable(e.trackTrueDeg) && Usable(e.magneticVariationDeg);
  double drift = 0;
  if (trackKnown && headingShown) {
    d.trackDeg = Wrap360(e.trackTrueDeg.value - e.magneticVariationDeg.value);
    drift = Signed180(d.trackDeg - v.headingMagneticDeg.value);
    d.trackOffsetDeg = drift;
    d.trackShown = std::fabs(drift) <= kRoseShownHalfAngleDeg - 3;
  }
  d.magShown = headingShown && Usable(e.magneticVariationDeg);

  // The flight path vector: where the aircraft goes, against where it points.
  if (s.flightPathVector && attitudeShown && trackKnown && headingShown) {
    Reading fpa = e.flightPathAngleDeg;
    if (!Usable(fpa) && Usable(v.verticalSpeedFpm) && Usable(e.groundSpeedKt) &&
        e.groundSpeedKt.value >= kFpvLowestGroundSpeedKt)
      fpa = {std::atan2(v.verticalSpeedFpm.value, e.groundSpeedKt.value * kFeetPerMinutePerKnot) * 180 / kPi, true};
    if (Usable(fpa) && std::fabs(fpa.value) <= 90) {
      d.fpvShown = true;
      d.flightPathAngleDeg = fpa.value;
      d.driftDeg = drift;
      d.fpvUpPx = std::clamp((fpa.value - v.pitchDeg.value) * kPitchPxPerDeg, -kFpvMaxUpPx, kFpvMaxUpPx);
      d.fpvRightPx = std::clamp(drift * kPitchPxPerDeg, -kFpvMaxRightPx, kFpvMaxRightPx);
    }
  }

  // The rising runway: on a localiser, below 200 ft.
  const Reading& ra = v.radioAltitudeFt;
  if (attitudeShown && On(e.ilsTuned) && Usable(e.localiserDeviationDots) && Usable(ra) &&
      ra.value < kRunwayShownBelowFt) {
    const double ft = std::max(ra.value, 0.0);
    d.runwayShown = true;
    d.runwayRightPx = std::clamp(e.localiserDeviationDots.value, -kRunwayMaxDots, kRunwayMaxDots) * kRunwayPxPerDot;
    d.runwayTopPx = kRunwayHighestPx + (kRunwayLowestPx - kRunwayHighestPx) * ft / kRunwayShownBelowFt;
  }
  return d;
}
