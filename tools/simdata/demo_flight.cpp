// The built-in demo flight: cruise, turns, a descent with altitude capture, an ILS approach with
// markers to touchdown, rollout, then back to cruise.
#include "simdata/demo_flight.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "simdata/demo_curves.h"

namespace {

using namespace demo::curves;

// The approach (0-300 s), then a cut to a cruise at FL350 (300-360 s) before the loop starts over.
constexpr double kApproachEnd = demo::times::kHighCruiseStart;
constexpr double kLoop = 360.0;
constexpr double kPi = 3.14159265358979323846;

// Vertical profile: 5,000 ft cruise, a 40 ft/s descent captured exponentially at 3,000 ft, then a
// 25 ft/s glide-slope descent with a flare to touchdown on a runway at sea level.
constexpr double kCruiseFt = 5000.0;
constexpr double kLevelFt = 3000.0;
constexpr double kDescentStart = 55.0;
constexpr double kDescentRamp = 4.0;
constexpr double kDescentRate = 40.0;
constexpr double kCaptureAboveFt = 300.0;
constexpr double kCaptureTau = kCaptureAboveFt / kDescentRate;  // keeps the rate continuous
constexpr double kCaptureStart =
    kDescentStart + kDescentRamp +
    (kCruiseFt - kDescentRate * kDescentRamp * 0.5 - (kLevelFt + kCaptureAboveFt)) / kDescentRate;
constexpr double kGsStart = 152.0;
constexpr double kGsRamp = 5.0;
constexpr double kGsRate = 25.0;
constexpr double kGsLinearStart = kGsStart + kGsRamp;
constexpr double kGsLinearTopFt = kLevelFt - kGsRate * kGsRamp * 0.5;
constexpr double kFlareFt = 40.0;
constexpr double kTouchdownRate = 2.0;
constexpr double kFlareStart = kGsLinearStart + (kGsLinearTopFt - kFlareFt) / kGsRate;
constexpr double kFlareTime = 2 * kFlareFt / (kGsRate + kTouchdownRate);
constexpr double kTouchdown = kFlareStart + kFlareTime;

// Autopilot and radio events.
constexpr double kApproachArm = 130.0;  // heading hold off, approach and glide-slope hold on
constexpr double kLocCapture = 140.0;
constexpr double kGsCapture = kGsStart;  // altitude hold off, descent begins
constexpr double kApOff = kTouchdown + 2.0;
constexpr double kLocOnlyTuned = 85.0;
constexpr double kRetuning = 100.0;
constexpr double kIlsTuned = 108.0;
constexpr double kFdLead = 2.0;  // the aircraft follows the flight director this much later


// Speeds: 250 kt until the level-off, slowing to the 150 kt approach speed over 100-140 s (the
// pitch model's flight-path angle uses the same blend), 140 kt at touchdown, braking to taxi speed.
constexpr double kDecelStart = 100.0;
constexpr double kDecelTime = 40.0;
constexpr double kCruiseKt = 250.0;
constexpr double kApproachKt = 150.0;
constexpr double kTouchdownKt = 140.0;
constexpr double kTaxiKt = 20.0;
constexpr double kBrakingTime = 20.0;

// Lateral path: a constant magnetic variation (west negative; magnetic = true - variation) and an
// ILS to runway 36 (localizer course 360 magnetic). After the rollout the aircraft leaves the
// runway by a turn onto a rapid-exit taxiway that ends on the heading the loop starts with.
constexpr double kVariationDeg = -3.0;
constexpr double kRunwayCourseMag = 360.0;
constexpr double kExitTurnStart = 289.0;
constexpr double kExitTurnTime = 9.0;
constexpr double kGravity = 9.80665;           // m/s^2
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;

// The crew's settings: heading bug set 2 s before each heading-hold turn to the heading the turn
// ends on, then to the localizer course when the approach is armed; speed 250, 180 at the level-off,
// 150 from 120 s; V/S -2,400 ft/min for the descent (the 40 ft/s), cleared when "ALT*" shows; the
// altimeter on 1013 hPa (a standard day: the altitude is also the pressure altitude).
constexpr double kBugLeadTime = 2.0;
constexpr double kSpeed180At = 100.0;
constexpr double kSpeed150At = 120.0;
constexpr double kAltimeterSettingHpa = 1013.0;

// Demo time at which the linear glide-slope descent passes `ft`.
constexpr double TimeAtGlideSlopeHeight(double ft) {
  return kGsLinearStart + (kGsLinearTopFt - ft) / kGsRate;
}

struct Window {
  double start, end;
  bool Contains(double t) const { return t >= start && t < end; }
};
// Markers by height on the glide slope: outer 1,400-1,250 ft (6 s), middle 300-212.5 ft (3.5 s),
// inner 140-102.5 ft (1.5 s, above the 100 ft where the readout drops to 0).
constexpr Window kOuter{TimeAtGlideSlopeHeight(1400), TimeAtGlideSlopeHeight(1250)};
constexpr Window kMiddle{TimeAtGlideSlopeHeight(300), TimeAtGlideSlopeHeight(212.5)};
constexpr Window kInner{TimeAtGlideSlopeHeight(140), TimeAtGlideSlopeHeight(102.5)};

// How far the glide-slope descent (ramp, steady rate, flare) has taken the aircraft down.
double GlideSlopeDrop(double t) {
  if (t <= kGsStart) return 0;
  if (t < kGsLinearStart) return kGsRate * kGsRamp * SmoothIntegral((t - kGsStart) / kGsRamp);
  if (t < kFlareStart) return kLevelFt - kGsLinearTopFt + kGsRate * (t - kGsLinearStart);
  double x = std::min((t - kFlareStart) / kFlareTime, 1.0);
  return (kLevelFt - kFlareFt) + kGsRate * kFlareTime * x -
         (kGsRate - kTouchdownRate) * kFlareTime * SmoothIntegral(x);
}

// Altitude above sea level (= above the runway), feet.
double AltitudeFt(double t) {
  if (t < kDescentStart) return kCruiseFt;
  if (t < kDescentStart + kDescentRamp)
    return kCruiseFt -
           kDescentRate * kDescentRamp * SmoothIntegral((t - kDescentStart) / kDescentRamp);
  if (t < kCaptureStart)
    return kCruiseFt - kDescentRate * kDescentRamp * 0.5 -
           kDescentRate * (t - kDescentStart - kDescentRamp);
  if (t >= kTouchdown) return 0;
  double h = kLevelFt + kCaptureAboveFt * std::exp(-(t - kCaptureStart) / kCaptureTau) -
             GlideSlopeDrop(t);
  return std::max(h, 0.0);
}

double VerticalSpeedFtS(double t) { return (AltitudeFt(t + 0.05) - AltitudeFt(t - 0.05)) / 0.1; }

// Gently rolling ground under the cruise, flat sea-level ground from the approach on.
double TerrainFt(double t) {
  return 250.0 * (0.5 + 0.5 * std::sin(0.05 * t)) * (1 - RampUp(t, 120, 30));
}

// 1 in flight, fading to 0 through the flare (turbulence and small corrections stop).
double Airborne(double t) { return 1 - RampUp(t, kFlareStart, kFlareTime); }

// The attitude the autopilot aims for; the flight director shows it kFdLead seconds early.
double PlannedPitch(double t) {
  double airspeed = Blend(t, kDecelStart, kDecelTime, 422.0, 253.0);  // ft/s: 250 kt, then 150 kt
  double alpha = Blend(t, kDecelStart, kDecelTime, 2.5, 5.5);
  double flightPath = std::atan2(VerticalSpeedFtS(t), airspeed) * 180.0 / kPi;
  double noseDown = -(alpha + flightPath);  // positive nose down
  if (t < kTouchdown) return noseDown;
  return noseDown * (1 - RampUp(t, kTouchdown, 3.0));  // derotation onto the nose wheel
}

// The heading-hold turns: bank (positive left) held from `start` to `end`, rolled in and out over 5 s.
struct Turn {
  double start, end, bank;
};
constexpr Turn kHeadingTurns[] = {
    {10, 42, 25},     // left turn in cruise
    {66, 90, -15},    // right turn in the descent
    {108, 126, -20},  // onto the intercept heading
};
constexpr double kTurnRamp = 5.0;

double PlannedBank(double t) {  // positive left wing down
  double bank = 0;
  for (const Turn& turn : kHeadingTurns) bank += Pulse(t, turn.start, turn.end, turn.bank, kTurnRamp);
  bank += Pulse(t, kLocCapture, kGsStart, 20, 4);  // onto the localizer
  double corrections =
      2.0 * std::sin(0.21 * t) * RampUp(t, 155, 5) * (1 - RampUp(t, kFlareStart - 5, 5));
  return bank + corrections;
}

// Light turbulence the flight director does not command.
double PitchTurbulence(double t) {
  return 0.25 * std::sin(1.3 * t) * std::sin(0.31 * t) * Airborne(t);
}
double BankTurbulence(double t) {
  return 0.8 * std::sin(0.9 * t + 1.0) * std::sin(0.17 * t) * Airborne(t);
}

// Indicated airspeed, knots: the approach speed bleeds off by 10 kt from shortly before the flare
// to touchdown; then braking to taxi speed.
double IndicatedAirspeedKt(double t) {
  if (t < kTouchdown)
    return Blend(t, kDecelStart, kDecelTime, kCruiseKt, kApproachKt) -
           (kApproachKt - kTouchdownKt) * RampUp(t, kFlareStart - 3.0, kTouchdown - (kFlareStart - 3.0));
  return Blend(t, kTouchdown, kBrakingTime, kTouchdownKt, kTaxiKt);
}

// The standard atmosphere below 36,000 ft: temperature and pressure relative to sea level.
constexpr double kSeaLevelSoundKt = 661.47;
double TemperatureRatio(double ft) { return 1 - 6.87559e-6 * ft; }
double PressureRatio(double ft) { return std::pow(TemperatureRatio(ft), 5.25588); }

// Mach number for an indicated (calibrated) airspeed at a pressure altitude, subsonic.
double MachFor(double iasKt, double ft) {
  const double v = iasKt / kSeaLevelSoundKt;
  const double impact = std::pow(1 + 0.2 * v * v, 3.5) - 1;  // over sea-level pressure
  return std::sqrt(5 * (std::pow(impact / PressureRatio(ft) + 1, 2.0 / 7.0) - 1));
}

double TrueAirspeedKt(double t) {
  const double ft = AltitudeFt(t);
  return MachFor(IndicatedAirspeedKt(t), ft) * kSeaLevelSoundKt * std::sqrt(TemperatureRatio(ft));
}

// Rate of turn in a coordinated turn, degrees per second (bank positive left: heading decreasing).
// On the ground the wings are level and the heading is steered instead.
double TurnRateDegS(double t) {
  if (t >= kTouchdown) return 0;
  const double bankRad = (PlannedBank(t) + BankTurbulence(t)) * kPi / 180.0;
  const double tasMs = std::max(TrueAirspeedKt(t), 1.0) * kMetresPerSecondPerKnot;
  return -kGravity * std::tan(bankRad) / tasMs * 180.0 / kPi;
}

double Wrap360(double deg) {
  double d = std::fmod(deg, 360.0);
  return d < 0 ? d + 360.0 : d;
}
double Wrap180(double deg) { return Wrap360(deg + 180.0) - 180.0; }

// The heading over the loop: the turn rate integrated once (every 0.05 s) into a table that is
// never changed afterwards, the starting heading chosen so that the glide-slope descent flies the
// localizer course on average, and the exit turn that brings the heading back to the start.
class HeadingPlan {
 public:
  HeadingPlan() {
    turned_.resize(size_t(kApproachEnd / kStep) + 2);
    turned_[0] = 0;
    for (size_t i = 1; i < turned_.size(); ++i) {
      const double t = double(i) * kStep;
      turned_[i] = turned_[i - 1] + 0.5 * kStep * (TurnRateDegS(t - kStep) + TurnRateDegS(t));
    }
    double sum = 0;
    int n = 0;
    for (double t = kGsStart; t < kFlareStart; t += 0.5, ++n) sum += Turned(t);
    const double courseTrue = kRunwayCourseMag + kVariationDeg;
    start_ = Wrap360(courseTrue - sum / n);
    exitTurn_ = -Wrap180(Turned(kApproachEnd));
  }

  // True heading, degrees 0..360.
  double TrueHeading(double t) const {
    return Wrap360(start_ + Turned(t) + exitTurn_ * RampUp(t, kExitTurnStart, kExitTurnTime));
  }
  double MagneticHeading(double t) const { return Wrap360(TrueHeading(t) - kVariationDeg); }

 private:
  static constexpr double kStep = 0.05;
  double Turned(double t) const {
    const double x = std::clamp(t / kStep, 0.0, double(turned_.size() - 1));
    const size_t i = std::min(size_t(x), turned_.size() - 2);
    return turned_[i] + (turned_[i + 1] - turned_[i]) * (x - double(i));
  }
  std::vector<double> turned_;  // degrees turned since the loop start (right positive)
  double start_ = 0;
  double exitTurn_ = 0;
};

const HeadingPlan& Headings() {
  static const HeadingPlan plan;
  return plan;
}

// The selected heading, magnetic, whole degrees (0 for north): the crew sets the heading each
// heading-hold turn ends on before the autopilot rolls into it, and the localizer course when the
// approach is armed.
double SelectedHeadingMag(double t) {
  const HeadingPlan& h = Headings();
  if (t >= kApproachArm) return Wrap360(kRunwayCourseMag);
  double heading = h.MagneticHeading(0.0);
  for (const Turn& turn : kHeadingTurns)
    if (t >= turn.start - kBugLeadTime) heading = h.MagneticHeading(turn.end + 3.0);  // rolled out
  return Wrap360(std::round(heading));
}

double SelectedAirspeedKt(double t) {
  if (t < kSpeed180At) return kCruiseKt;
  if (t < kSpeed150At) return 180.0;
  return kApproachKt;
}

int8_t Needle(double value) {
  double v = std::clamp(std::round(value), -127.0, 127.0);
  return int8_t(v);
}

double LocNeedleValue(double t) {
  if (t >= kLocOnlyTuned && t < kRetuning) return Pulse(t, kLocOnlyTuned, kRetuning, 40, 3);
  if (t < kIlsTuned) return 0;
  double converge = 127.0 * (1 - RampUp(t, 126, 22));
  double wander = 3.0 * std::sin(0.4 * t) * RampUp(t, 150, 5) * Airborne(t);
  return RampUp(t, kIlsTuned, 3) * converge + wander;
}

double GsNeedleValue(double t) {
  if (t < kIlsTuned) return 0;
  double converge = -127.0 * (1 - RampUp(t, 142, 14));  // below the glide slope: index up
  double wander = 2.0 * std::sin(0.53 * t + 0.5) * RampUp(t, 155, 5) * Airborne(t);
  return RampUp(t, kIlsTuned, 3) * converge + wander;
}

// DME distance to the ILS, nautical miles.
double IlsDmeNm(double t) {
  constexpr double kThresholdNm = 0.3;
  constexpr double kFeetPerNm = 318.0;  // a 3-degree path
  if (t < kGsStart) return kThresholdNm + kLevelFt / kFeetPerNm + 0.05 * (kGsStart - t);
  if (t < kTouchdown) return kThresholdNm + AltitudeFt(t) / kFeetPerNm;
  return std::max(kThresholdNm - 0.008 * (t - kTouchdown), 0.05);
}

// Five characters with leading zeros, as a DME shows them: "011.9", "002.5".
std::string DmeText(double nm) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%05.1f", std::clamp(nm, 0.0, 99.9));
  return buf;
}

// Needle steps (127 = full scale) in dots.
double NeedleDots(double steps) { return Needle(steps) * 2.5 / 127; }

// The wind: from 300 true at 25 kt above 4,000 ft, veering to 30 degrees left of runway 36 (327) at
// 10 kt below 1,500 ft, a crosswind that drifts the aircraft about 2 degrees to the right down to
// the runway; at FL350 from 270 at 50 kt.
constexpr double kRunwayTrue = kRunwayCourseMag + kVariationDeg;
constexpr double kSurfaceWindFromTrue = kRunwayTrue - 30;
double WindFromTrue(double ft) {
  if (ft > 20000) return 270;
  return 300 + (kSurfaceWindFromTrue - 300) * (1 - Smooth((ft - 1500) / 2500));
}
double WindKt(double ft) {
  if (ft > 20000) return 50;
  return 10 + 15 * Smooth((ft - 1500) / 2500);
}

// Flaps (a 737's lever: 8 notches after up, flaps 1, 2, 5, 10, 15, 25, 30 and 40, equally spaced
// along the lever's travel as the interface and the simulators give it) out in steps on the
// approach, flaps 1, 5, 15 and 30, each moving over 6 s, and the gear down once the glide slope is
// captured.
constexpr int kFlapSteps = 8;
constexpr double kFlapMoveTime = 6.0;
struct FlapSelection {
  double at;
  int notch;
};
constexpr FlapSelection kFlapSelections[] = {{110, 1}, {125, 3}, {145, 5}, {165, 7}};
constexpr double kGearDownAt = 154.0;

double FlapFraction(double t) {
  double notch = 0;
  for (const FlapSelection& f : kFlapSelections) notch = Blend(t, f.at, kFlapMoveTime, notch, f.notch);
  return notch / kFlapSteps;
}

// The turn coordinator's ball: a little turbulence, and in the left turn of the cruise a touch of
// slip (too little rudder: the ball out to the inside of the turn, left).
double SlipBall(double t) {
  return Pulse(t, 10, 42, -0.2, kTurnRamp) + 0.04 * std::sin(0.7 * t) * std::sin(0.23 * t) * Airborne(t);
}

// The state at a demo time inside the approach (0 up to 300 s).
FlightState ApproachState(double t) {
  using R = ReadingId;
  FlightState s{};
  const double altitude = AltitudeFt(t);

  // The plans count nose down and left wing down positive.
  s.Set(R::Pitch, -(PlannedPitch(t) + PitchTurbulence(t)));
  s.Set(R::Bank, -(PlannedBank(t) + BankTurbulence(t)));
  s.Set(R::FdPitch, -PlannedPitch(t + kFdLead));
  s.Set(R::FdBank, -PlannedBank(t + kFdLead));
  s.Set(R::Altitude, std::round(altitude));
  s.Set(R::RadioAltitude, std::max(altitude - TerrainFt(t), 0.0));
  s.Set(R::SelectedAltitude, t < kDescentStart ? kCruiseFt : kLevelFt);

  const bool apOn = t < kApOff;
  s.SetFact(R::AutopilotEngaged, apOn);
  s.SetFact(R::FlightDirectorOn, apOn);
  s.SetFact(R::HeadingHold, t < kApproachArm);
  s.SetFact(R::AltitudeHold, t < kGsCapture);
  s.SetFact(R::ApproachHold, t >= kApproachArm && apOn);
  s.SetFact(R::GlideSlopeHold, t >= kApproachArm && apOn);

  s.Set(R::LocaliserDeviation, NeedleDots(LocNeedleValue(t)));
  s.Set(R::GlideSlopeDeviation, NeedleDots(GsNeedleValue(t)));

  const bool locOnly = t >= kLocOnlyTuned && t < kRetuning;  // a localizer without glide slope
  const bool ils = t >= kIlsTuned;
  s.SetFact(R::IlsTuned, locOnly || ils);
  s.SetFact(R::GlideSlopePresent, ils);
  s.SetFact(R::LocaliserCaptured, ils && apOn && t >= kLocCapture);
  s.SetFact(R::GlideSlopeCaptured, ils && apOn && t >= kGsCapture);
  if (locOnly) {
    s.SetText(R::IlsIdent, "IORL");
    s.SetText(R::DmeText, DmeText(18.5 - 0.05 * (t - kLocOnlyTuned)));
  } else if (!ils && t >= kRetuning) {  // receiver retuning: no station yet
    s.SetText(R::IlsIdent, "");
    s.SetText(R::DmeText, "00.0");
  } else {
    s.SetText(R::IlsIdent, ils ? "IORV" : "");
    s.SetText(R::DmeText, ils ? DmeText(IlsDmeNm(t)) : "");
  }

  s.SetFact(R::OuterMarker, kOuter.Contains(t));
  s.SetFact(R::MiddleMarker, kMiddle.Contains(t));
  s.SetFact(R::InnerMarker, kInner.Contains(t));

  // Speeds, heading, vertical speed and the crew's settings.
  const double ias = IndicatedAirspeedKt(t);
  s.Set(R::IndicatedAirspeed, ias);
  s.Set(R::Mach, MachFor(ias, altitude));
  s.Set(R::HeadingTrue, Headings().TrueHeading(t));
  s.Set(R::MagneticVariation, kVariationDeg);
  s.Set(R::VerticalSpeed, VerticalSpeedFtS(t) * 60.0);
  s.Set(R::AltimeterSetting, kAltimeterSettingHpa);
  s.Set(R::SelectedHeading, SelectedHeadingMag(t));
  s.Set(R::SelectedAirspeed, SelectedAirspeedKt(t));
  // V/S mode until the capture shows (250 ft from the target): then the selection is cleared.
  const bool vsDescent = t >= kDescentStart && t < kTouchdown && altitude > kLevelFt + 250.0;
  s.Set(R::SelectedVerticalSpeed, vsDescent ? -kDescentRate * 60.0 : 0.0);

  // The envelope: true airspeed, the wind and with it the track and ground speed, the flight path,
  // the ball, flaps and gear; the autothrottle in speed hold with the autopilot, armed until the
  // touchdown; no warnings.
  const double tas = TrueAirspeedKt(t);
  const double heading = Headings().TrueHeading(t);
  const double windFrom = WindFromTrue(altitude), wind = std::round(WindKt(altitude));  // whole knots
  const double east = tas * std::sin(heading * kPi / 180) - wind * std::sin(windFrom * kPi / 180);
  const double north = tas * std::cos(heading * kPi / 180) - wind * std::cos(windFrom * kPi / 180);
  const double groundSpeed = std::hypot(east, north);
  s.Set(R::TrueAirspeed, tas);
  s.Set(R::WindSpeed, wind);
  s.Set(R::WindDirectionTrue, windFrom);
  s.Set(R::GroundSpeed, groundSpeed);
  s.Set(R::TrackTrue, Wrap360(std::atan2(east, north) * 180 / kPi));
  s.Set(R::FlightPathAngle,
        std::atan2(VerticalSpeedFtS(t), std::max(groundSpeed, 1.0) * 6076.12 / 3600) * 180 / kPi);
  s.Set(R::SlipBall, SlipBall(t));
  s.Set(R::FlapPosition, FlapFraction(t));
  s.Set(R::FlapSteps, kFlapSteps);
  s.SetFact(R::GearDown, t >= kGearDownAt);
  s.SetFact(R::StallWarning, false);
  s.SetFact(R::OverspeedWarning, false);
  s.SetFact(R::AutothrottleArmed, t < kApOff);
  s.SetFact(R::SpeedHold, t < kTouchdown);
  s.SetFact(R::MachHold, false);
  s.SetFact(R::Nav1Hold, false);
  s.Set(R::SelectedMach, std::round(MachFor(SelectedAirspeedKt(t), altitude) * 100) / 100);
  return s;
}

// The cruise at FL350 after the cut (300 up to 360 s): wings level on the heading the approach's
// loop starts with, Mach 0.78 held by the autothrottle (the speed bug in Mach), the wind from 270 at
// 50 kt drifting the aircraft some 6 degrees, light turbulence.
constexpr double kHighCruiseFt = 35000;
constexpr double kHighCruiseMach = 0.78;
// The standard atmosphere above the tropopause would differ: FL350 is below it (36,089 ft).
double CasForMach(double mach, double ft) {
  const double impact = PressureRatio(ft) * (std::pow(1 + 0.2 * mach * mach, 3.5) - 1);
  return kSeaLevelSoundKt * std::sqrt(5 * (std::pow(impact + 1, 2.0 / 7.0) - 1));
}

FlightState HighCruiseState(double t) {
  using R = ReadingId;
  FlightState s{};
  const double alpha = 2.5;
  s.Set(R::Pitch, alpha - PitchTurbulence(t));
  s.Set(R::Bank, -BankTurbulence(t));
  s.Set(R::FdPitch, alpha);
  s.Set(R::FdBank, 0);
  s.Set(R::Altitude, kHighCruiseFt);
  s.Set(R::RadioAltitude, kHighCruiseFt);
  s.Set(R::SelectedAltitude, kHighCruiseFt);
  for (ReadingId id : {R::AutopilotEngaged, R::FlightDirectorOn, R::HeadingHold, R::AltitudeHold,
                       R::AutothrottleArmed, R::SpeedHold, R::MachHold})
    s.SetFact(id, true);
  for (ReadingId id : {R::ApproachHold, R::GlideSlopeHold, R::IlsTuned, R::GlideSlopePresent, R::LocaliserCaptured,
                       R::GlideSlopeCaptured, R::OuterMarker, R::MiddleMarker, R::InnerMarker, R::GearDown,
                       R::StallWarning, R::OverspeedWarning, R::Nav1Hold})
    s.SetFact(id, false);
  s.Set(R::LocaliserDeviation, 0);
  s.Set(R::GlideSlopeDeviation, 0);
  s.SetText(R::IlsIdent, "");
  s.SetText(R::DmeText, "");

  const double cas = CasForMach(kHighCruiseMach, kHighCruiseFt);
  const double tas = kHighCruiseMach * kSeaLevelSoundKt * std::sqrt(TemperatureRatio(kHighCruiseFt));
  const double heading = Headings().TrueHeading(0.0);
  const double windFrom = WindFromTrue(kHighCruiseFt), wind = WindKt(kHighCruiseFt);
  const double east = tas * std::sin(heading * kPi / 180) - wind * std::sin(windFrom * kPi / 180);
  const double north = tas * std::cos(heading * kPi / 180) - wind * std::cos(windFrom * kPi / 180);
  s.Set(R::IndicatedAirspeed, cas);
  s.Set(R::Mach, kHighCruiseMach);
  s.Set(R::TrueAirspeed, tas);
  s.Set(R::WindSpeed, wind);
  s.Set(R::WindDirectionTrue, windFrom);
  s.Set(R::GroundSpeed, std::hypot(east, north));
  s.Set(R::TrackTrue, Wrap360(std::atan2(east, north) * 180 / kPi));
  s.Set(R::FlightPathAngle, 0);
  s.Set(R::HeadingTrue, heading);
  s.Set(R::MagneticVariation, kVariationDeg);
  s.Set(R::VerticalSpeed, 0);
  s.Set(R::AltimeterSetting, kAltimeterSettingHpa);
  s.Set(R::SelectedHeading, SelectedHeadingMag(0.0));
  s.Set(R::SelectedAirspeed, std::round(cas));
  s.Set(R::SelectedMach, kHighCruiseMach);
  s.Set(R::SelectedVerticalSpeed, 0);
  s.Set(R::SlipBall, 0.04 * std::sin(0.7 * t) * std::sin(0.23 * t));
  s.Set(R::FlapPosition, 0);
  s.Set(R::FlapSteps, kFlapSteps);
  return s;
}

// The state at a demo time already inside 0..kLoop.
FlightState StateInLoop(double t) { return t < kApproachEnd ? ApproachState(t) : HighCruiseState(t); }

}  // namespace

namespace demo {

double LoopSeconds() { return kLoop; }

FlightState StateAt(double t) {
  if (!std::isfinite(t)) t = 0;
  double inLoop = std::fmod(t, kLoop);
  if (inLoop < 0) inLoop += kLoop;
  return StateInLoop(inLoop);
}

}  // namespace demo
