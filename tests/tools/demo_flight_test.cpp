// Tests of the demo flight: loop, continuity, and that each named demo time shows what it promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/interface_codec.h"
#include "simdata/demo_flight.h"

namespace {

namespace dt = demo::times;

constexpr double kFeetPerMetre = 3.28084;

// The demo at time t as the simulator's interface carries it (what orvane-sim and the server serve).
InterfaceValues State(double t) { return EncodeInterface(demo::StateAt(t)); }

// A reading of interface values, in its unit.
Reading ReadingOf(const InterfaceValues& s, ReadingId id) {
  InterfaceValues converted = s;
  ApplyConversions(converted, InclinationRule::Raw);
  FlightState r{};
  DecodeInterface(converted, r);
  return r.Get(id);
}

double RadioAltitudeFt(const InterfaceValues& s) {
  return s.RadioAltitudeRaw * kFeetPerMetre / 65536.0;
}

// Distance between the altimeter and the autopilot target in whole feet, as the display takes it.
long AltitudeError(const InterfaceValues& s) {
  const long target = long(std::trunc(s.ApAltitudeRaw * kFeetPerMetre / 65536.0));
  return std::labs(long(s.Altimeter) - target);
}

bool IlsSignalConditions(const InterfaceValues& s) {
  return (s.Nav1BcFlags & 0x82) == 0x82 && (s.Nav1CodeFlags & 0xC0) == 0xC0 &&
         (s.RadioStatus & 0x0042) == 0x0042;
}

int InclinationDegrees(const InterfaceValues& s) { return (s.GsInclinationRaw * 360) / 65536; }

bool LocCaptured(const InterfaceValues& s) { return (s.RadioStatus & 0x0100) != 0; }
bool GsCaptured(const InterfaceValues& s) { return (s.RadioStatus & 0x0200) != 0; }

// The values a full layout shows, in its units.
double Ias(const InterfaceValues& s) { return ReadingOf(s, ReadingId::IndicatedAirspeed).value; }
double Mach(const InterfaceValues& s) { return ReadingOf(s, ReadingId::Mach).value; }
double VerticalSpeedFpm(const InterfaceValues& s) { return ReadingOf(s, ReadingId::VerticalSpeed).value; }
double SelectedHeading(const InterfaceValues& s) { return ReadingOf(s, ReadingId::SelectedHeading).value; }
double SelectedSpeed(const InterfaceValues& s) { return ReadingOf(s, ReadingId::SelectedAirspeed).value; }
double SelectedVs(const InterfaceValues& s) { return ReadingOf(s, ReadingId::SelectedVerticalSpeed).value; }
double TrueHeading(const InterfaceValues& s) { return ReadingOf(s, ReadingId::HeadingTrue).value; }
// Magnetic = true - variation (west negative).
double MagneticHeading(const InterfaceValues& s) {
  return std::fmod(TrueHeading(s) - ReadingOf(s, ReadingId::MagneticVariation).value + 720.0, 360.0);
}
// b - a, the short way round: -180..180 degrees.
double HeadingChange(double a, double b) { return std::remainder(b - a, 360.0); }

// Standard day: 15 C at sea level, 2 C cooler per 1,000 ft; speed of sound 38.94 kt x sqrt(kelvin);
// density ratio (T / T0)^4.256.
double KelvinAt(double ft) { return 288.15 - 1.98 * ft / 1000.0; }
double SpeedOfSoundKt(double ft) { return 38.94 * std::sqrt(KelvinAt(ft)); }
double DensityRatio(double ft) { return std::pow(KelvinAt(ft) / 288.15, 4.256); }

TEST(DemoFlightLoop, LengthIsFourToSixMinutesAndStatesRepeat) {
  const double loop = demo::LoopSeconds();
  EXPECT_GE(loop, 240.0);
  EXPECT_LE(loop, 360.0);
  for (double t : {0.0, 12.5, 100.0, 221.5, 271.25, 299.0}) {
    const InterfaceValues a = State(t);
    const InterfaceValues b = State(t + loop);
    const InterfaceValues c = State(t - 3 * loop);
    EXPECT_NEAR(a.Pitch, b.Pitch, 1e-6) << t;
    EXPECT_NEAR(a.Bank, c.Bank, 1e-6) << t;
    EXPECT_EQ(a.Altimeter, b.Altimeter) << t;
    EXPECT_EQ(a.Altimeter, c.Altimeter) << t;
    EXPECT_EQ(a.MiddleMarker, c.MiddleMarker) << t;
    EXPECT_EQ(a.DmeText, b.DmeText) << t;
    EXPECT_EQ(a.HeadingTrueRaw, c.HeadingTrueRaw) << t;
    EXPECT_EQ(a.IndicatedAirspeedRaw, b.IndicatedAirspeedRaw) << t;
  }
}

TEST(DemoFlightLoop, IsDeterministic) {
  for (double t = 0; t < demo::LoopSeconds(); t += 7.3) {
    const InterfaceValues a = State(t);
    const InterfaceValues b = State(t);
    EXPECT_EQ(a.Pitch, b.Pitch);
    EXPECT_EQ(a.FdBank, b.FdBank);
    EXPECT_EQ(a.RadioAltitudeRaw, b.RadioAltitudeRaw);
  }
}

TEST(DemoFlightLoop, NonFiniteTimesGiveAValidState) {
  const InterfaceValues s = State(std::nan(""));
  EXPECT_TRUE(std::isfinite(s.Pitch));
  EXPECT_GT(s.Altimeter, 0);
}

// Within each scene (the approach, the cruise at FL350): the cut between them is the one jump.
TEST(DemoFlightContinuity, NoJumpsBetweenNeighbouringTenthsOfASecond) {
  const double loop = demo::LoopSeconds();
  InterfaceValues prev = State(0);
  for (int i = 1; i * 0.1 < loop - 1e-9; ++i) {
    const double t = i * 0.1;
    const InterfaceValues s = State(t);
    if (t >= dt::kHighCruiseStart && t - 0.1 < dt::kHighCruiseStart) {
      prev = s;
      continue;
    }
    ASSERT_LE(std::fabs(ReadingOf(s, ReadingId::FlapPosition).value - ReadingOf(prev, ReadingId::FlapPosition).value),
              0.01)
        << t;
    ASSERT_LE(std::fabs(ReadingOf(s, ReadingId::SlipBall).value - ReadingOf(prev, ReadingId::SlipBall).value), 0.03)
        << t;
    ASSERT_LE(std::fabs(s.Pitch - prev.Pitch), 1.0) << t;
    ASSERT_LE(std::fabs(s.Bank - prev.Bank), 1.5) << t;
    ASSERT_LE(std::fabs(s.FdPitch - prev.FdPitch), 1.0) << t;
    ASSERT_LE(std::fabs(s.FdBank - prev.FdBank), 1.5) << t;
    ASSERT_LE(std::abs(s.Altimeter - prev.Altimeter), 10) << t;
    ASSERT_LE(std::fabs(RadioAltitudeFt(s) - RadioAltitudeFt(prev)), 10.0) << t;
    ASSERT_LE(std::abs(s.LocNeedle - prev.LocNeedle), 8) << t;
    ASSERT_LE(std::abs(s.GsNeedle - prev.GsNeedle), 8) << t;
    ASSERT_LE(std::fabs(HeadingChange(TrueHeading(prev), TrueHeading(s))), 0.5) << t;
    ASSERT_LE(std::fabs(Ias(s) - Ias(prev)), 1.5) << t;
    ASSERT_LE(std::fabs(VerticalSpeedFpm(s) - VerticalSpeedFpm(prev)), 150.0) << t;
    ASSERT_TRUE(std::isfinite(s.Pitch) && std::isfinite(s.Bank) && std::isfinite(s.FdPitch) &&
                std::isfinite(s.FdBank))
        << t;
    ASSERT_LT(std::fabs(s.Bank), 35.0) << t;
    ASSERT_LT(std::fabs(s.Pitch), 15.0) << t;
    prev = s;
  }
}

TEST(DemoFlightContinuity, FlagsAreExactlyZeroOrOneAndTextsFitTheArea) {
  for (double t = 0; t < demo::LoopSeconds(); t += 0.25) {
    const InterfaceValues s = State(t);
    for (uint32_t flag : {s.ApMaster, s.ApHeadingHold, s.ApAltitudeHold, s.ApGlideSlopeHold,
                          s.ApApproachHold, s.FdActive, uint32_t(s.OuterMarker),
                          uint32_t(s.MiddleMarker), uint32_t(s.InnerMarker)})
      ASSERT_LE(flag, 1u) << t;
    ASSERT_LE(s.DmeText.size(), 5u) << t;
    ASSERT_LE(s.Nav1Ident.size(), 6u) << t;
    ASSERT_GE(s.RadioAltitudeRaw, 0) << t;
    ASSERT_GE(s.LocNeedle, -127) << t;
    ASSERT_GE(s.GsNeedle, -127) << t;
  }
}

TEST(DemoFlightGuidance, FlightDirectorLeadsTheAttitude) {
  // The aircraft follows the command: the bank a little later matches the command better than the
  // bank now, over the whole airborne part.
  double errorNow = 0, errorLater = 0;
  for (double t = 0; t < dt::kInnerMarker; t += 0.5) {
    const InterfaceValues now = State(t);
    const InterfaceValues later = State(t + 2.0);
    errorNow += std::fabs(now.FdBank - now.Bank) + std::fabs(now.FdPitch - now.Pitch);
    errorLater += std::fabs(now.FdBank - later.Bank) + std::fabs(now.FdPitch - later.Pitch);
  }
  EXPECT_LT(errorLater * 3, errorNow);

  // Rolling into the turn: command ahead of the bank, same direction.
  const InterfaceValues s = State(dt::kTurnRollIn);
  EXPECT_EQ(s.FdActive, 1u);
  EXPECT_EQ(s.ApHeadingHold, 1u);
  EXPECT_GT(s.Bank, 3.0);
  EXPECT_GT(s.FdBank - s.Bank, 5.0);
}

TEST(DemoFlightTimes, CruiseWithHeadingAndAltitudeHold) {
  const InterfaceValues s = State(dt::kCruiseHdgAlt);
  EXPECT_EQ(s.ApMaster, 1u);
  EXPECT_EQ(s.ApHeadingHold, 1u);
  EXPECT_EQ(s.ApAltitudeHold, 1u);
  EXPECT_NE(s.ApGlideSlopeHold, 1u);
  EXPECT_NE(s.ApApproachHold, 1u);
  EXPECT_LT(AltitudeError(s), 50);
  EXPECT_GE(RadioAltitudeFt(s), 2500.0);
  EXPECT_LT(std::fabs(s.Bank), 3.0);
  EXPECT_EQ(s.FdActive, 1u);
}

TEST(DemoFlightTimes, NothingTunedGivesNoIlsAtAll) {
  for (double t : {dt::kCruiseHdgAlt, dt::kNoIls, dt::kVsAltArmed}) {
    const InterfaceValues s = State(t);
    EXPECT_FALSE(IlsSignalConditions(s)) << t;
    EXPECT_EQ(s.Nav1BcFlags, 0) << t;
    EXPECT_EQ(s.RadioStatus & 0x0042, 0) << t;
    EXPECT_EQ(s.DmeText, "") << t;  // not the "0.0" of the no-ILS plate
    EXPECT_EQ(s.Nav1Ident, "") << t;
  }
  EXPECT_GT(std::fabs(State(dt::kNoIls).Bank), 10.0);  // in the turn
}

TEST(DemoFlightTimes, VerticalSpeedWithAltitudeArmedThenCaptureThenHold) {
  const InterfaceValues vs = State(dt::kVsAltArmed);
  EXPECT_EQ(vs.ApAltitudeHold, 1u);
  EXPECT_NE(vs.ApGlideSlopeHold, 1u);
  EXPECT_GT(AltitudeError(vs), 250);
  EXPECT_LT(State(dt::kVsAltArmed + 1).Altimeter, vs.Altimeter);  // descending
  EXPECT_GT(vs.Pitch, 0.0);  // nose down

  const InterfaceValues cap = State(dt::kAltCapture);
  EXPECT_EQ(cap.ApAltitudeHold, 1u);
  EXPECT_GT(AltitudeError(cap), 50);
  EXPECT_LT(AltitudeError(cap), 250);

  const InterfaceValues hold = State(dt::kAltHoldIls);
  EXPECT_EQ(hold.ApAltitudeHold, 1u);
  EXPECT_EQ(hold.ApHeadingHold, 1u);
  EXPECT_LT(AltitudeError(hold), 50);
  EXPECT_TRUE(IlsSignalConditions(hold));
  EXPECT_NE(InclinationDegrees(hold), 0);
  EXPECT_GE(RadioAltitudeFt(hold), 2500.0);
}

TEST(DemoFlightTimes, NoIlsPlateFromALocalizerWithoutGlideSlope) {
  const InterfaceValues s = State(dt::kNoIlsPlate);
  EXPECT_TRUE(IlsSignalConditions(s));
  EXPECT_EQ(InclinationDegrees(s), 0);
  EXPECT_FALSE(s.Nav1Ident.empty());
}

TEST(DemoFlightTimes, NoIlsPlateFromAZeroDmeWithoutIdentifier) {
  const InterfaceValues s = State(dt::kNoIlsPlateDme);
  EXPECT_FALSE(IlsSignalConditions(s));
  // "00.0" loses its first character to the double-zero rule and reads "0.0".
  EXPECT_EQ(s.DmeText, "00.0");
  EXPECT_EQ(s.Nav1Ident, "");
}

TEST(DemoFlightTimes, ApproachArmedThenLocalizerThenGlideSlopeCaptured) {
  const InterfaceValues armed = State(dt::kLocGsArmed);
  EXPECT_EQ(armed.ApApproachHold, 1u);
  EXPECT_EQ(armed.ApGlideSlopeHold, 1u);
  EXPECT_NE(armed.ApHeadingHold, 1u);  // "HDG" would cover "LOC"
  EXPECT_FALSE(LocCaptured(armed));
  EXPECT_FALSE(GsCaptured(armed));
  EXPECT_TRUE(IlsSignalConditions(armed));
  EXPECT_GT(armed.LocNeedle, 40);   // localizer to the right
  EXPECT_LT(armed.GsNeedle, -60);   // below the glide slope: index up

  const InterfaceValues loc = State(dt::kLocCaptured);
  EXPECT_TRUE(LocCaptured(loc));
  EXPECT_FALSE(GsCaptured(loc));
  EXPECT_EQ(loc.ApGlideSlopeHold, 1u);
  EXPECT_LT(std::abs(loc.LocNeedle), std::abs(armed.LocNeedle));

  const InterfaceValues both = State(dt::kIlsCaptured);
  EXPECT_TRUE(LocCaptured(both));
  EXPECT_TRUE(GsCaptured(both));
  EXPECT_EQ(both.ApApproachHold, 1u);
  EXPECT_EQ(both.ApGlideSlopeHold, 1u);
  EXPECT_LE(std::abs(both.LocNeedle), 10);
  EXPECT_LE(std::abs(both.GsNeedle), 10);
  EXPECT_LT(RadioAltitudeFt(both), 2500.0);
  EXPECT_LT(State(dt::kIlsCaptured + 1).RadioAltitudeRaw, both.RadioAltitudeRaw);
  EXPECT_NEAR(both.GsInclinationRaw, 546, 5);  // about 3 degrees
  EXPECT_EQ(both.Nav1Ident, "IORV");
}

TEST(DemoFlightTimes, MarkersAtTheirNamedTimes) {
  const InterfaceValues o = State(dt::kOuterMarker);
  EXPECT_EQ(o.OuterMarker, 1);
  EXPECT_EQ(o.MiddleMarker, 0);
  EXPECT_EQ(o.InnerMarker, 0);

  const InterfaceValues m = State(dt::kIlsApproachMiddleMarker);
  EXPECT_EQ(m.OuterMarker, 0);
  EXPECT_EQ(m.MiddleMarker, 1);
  EXPECT_EQ(m.InnerMarker, 0);
  EXPECT_TRUE(LocCaptured(m) && GsCaptured(m));
  EXPECT_EQ(m.ApMaster, 1u);
  EXPECT_GT(RadioAltitudeFt(m), 100.0);
  EXPECT_LT(RadioAltitudeFt(m), 400.0);

  const InterfaceValues i = State(dt::kInnerMarker);
  EXPECT_EQ(i.OuterMarker, 0);
  EXPECT_EQ(i.MiddleMarker, 0);
  EXPECT_EQ(i.InnerMarker, 1);
}

TEST(DemoFlightTimes, RolloutOnTheGroundWithTheAutopilotOff) {
  const InterfaceValues s = State(dt::kRollout);
  EXPECT_EQ(s.RadioAltitudeRaw, 0);
  EXPECT_NE(s.ApMaster, 1u);
  EXPECT_NE(s.FdActive, 1u);
}

struct Interval {
  double start = -1, end = -1;
  int count = 0;
};

TEST(DemoFlightMarkers, OuterMiddleInnerInOrderWithRealisticDurations) {
  Interval outer, middle, inner;
  const double step = 0.05;
  bool was[3] = {false, false, false};
  for (int k = 0; k * step < demo::LoopSeconds(); ++k) {
    const double t = k * step;
    const InterfaceValues s = State(t);
    const bool on[3] = {s.OuterMarker == 1, s.MiddleMarker == 1, s.InnerMarker == 1};
    Interval* iv[3] = {&outer, &middle, &inner};
    for (int j = 0; j < 3; ++j) {
      if (on[j] && !was[j]) {
        iv[j]->start = t;
        ++iv[j]->count;
      }
      if (on[j]) {
        iv[j]->end = t + step;
        EXPECT_LT(RadioAltitudeFt(s), 2500.0) << t;
      }
      was[j] = on[j];
    }
    EXPECT_LE(on[0] + on[1] + on[2], 1) << t;
  }
  EXPECT_EQ(outer.count, 1);
  EXPECT_EQ(middle.count, 1);
  EXPECT_EQ(inner.count, 1);
  EXPECT_LT(outer.end, middle.start);
  EXPECT_LT(middle.end, inner.start);
  EXPECT_GE(outer.end - outer.start, 5.0);
  EXPECT_LE(outer.end - outer.start, 8.0);
  EXPECT_GE(middle.end - middle.start, 3.0);
  EXPECT_LE(middle.end - middle.start, 4.0 + step);
  EXPECT_GE(inner.end - inner.start, 1.0);
  EXPECT_LE(inner.end - inner.start, 2.0);
}

TEST(DemoFlightCoverage, RadioAltitudeBelow2500OnlyOnTheApproachAndDownToZero) {
  bool sawZero = false;
  for (double t = 0; t < demo::LoopSeconds(); t += 0.5) {
    const InterfaceValues s = State(t);
    if (RadioAltitudeFt(s) < 2500.0) {
      EXPECT_TRUE(GsCaptured(s) || t > dt::kInnerMarker) << t;
    }
    sawZero = sawZero || s.RadioAltitudeRaw == 0;
  }
  EXPECT_TRUE(sawZero);
}

TEST(DemoFlightCoverage, DmeCountsDownOnTheApproach) {
  double prev = 1e9;
  for (double t = dt::kAltHoldIls; t < dt::kInnerMarker; t += 1.0) {
    const InterfaceValues s = State(t);
    ASSERT_EQ(s.DmeText.size(), 5u) << t;
    const double nm = std::strtod(s.DmeText.c_str(), nullptr);
    EXPECT_LE(nm, prev) << t;
    EXPECT_GT(nm, 0.0) << t;
    prev = nm;
  }
  EXPECT_LT(prev, 1.0);
}

TEST(DemoFlightCoverage, EveryModeAndIlsSituationOccurs) {
  // Each entry: a situation of the display, found from the raw conditions over one loop.
  bool alt = false, altStar = false, vs = false, hdg = false, locWhite = false, locGreen = false;
  bool gsWhite = false, gsGreen = false, ils0 = false, ilsPlate = false, ils4 = false;
  int apOnSamples = 0, samples = 0;
  for (double t = 0; t < demo::LoopSeconds(); t += 0.25, ++samples) {
    const InterfaceValues s = State(t);
    apOnSamples += s.ApMaster == 1;
    if (s.ApAltitudeHold == 1 && s.ApGlideSlopeHold != 1) {
      const long d = AltitudeError(s);
      alt = alt || d < 50;
      altStar = altStar || (d > 50 && d < 250);
      vs = vs || d > 250;
    }
    hdg = hdg || s.ApHeadingHold == 1;
    if (s.ApApproachHold == 1 && s.ApHeadingHold != 1) {
      locWhite = locWhite || !LocCaptured(s);
      locGreen = locGreen || LocCaptured(s);
    }
    if (s.ApGlideSlopeHold == 1) {
      gsWhite = gsWhite || !GsCaptured(s);
      gsGreen = gsGreen || GsCaptured(s);
    }
    const bool plateByDme = s.DmeText == "00.0" && s.Nav1Ident.empty();
    if (plateByDme || (IlsSignalConditions(s) && InclinationDegrees(s) == 0)) {
      ilsPlate = true;
    } else if (IlsSignalConditions(s)) {
      ils4 = true;
    } else {
      ils0 = true;
    }
  }
  EXPECT_TRUE(alt && altStar && vs && hdg);
  EXPECT_TRUE(locWhite && locGreen && gsWhite && gsGreen);
  EXPECT_TRUE(ils0 && ilsPlate && ils4);
  EXPECT_GT(apOnSamples, samples * 8 / 10);  // "AP ENG" most of the time
}

// ---- Speeds, heading, vertical speed and the crew's settings ----

TEST(DemoFlightInstruments, SpeedsFollowThePhases) {
  const InterfaceValues cruise = State(dt::kCruiseHdgAlt);
  EXPECT_NEAR(Ias(cruise), 250, 0.5);
  EXPECT_NEAR(Mach(cruise), 0.41, 0.01);  // 250 kt at 5,000 ft
  const InterfaceValues approach = State(dt::kIlsCaptured);
  EXPECT_NEAR(Ias(approach), 150, 1);
  EXPECT_NEAR(Mach(approach), 0.235, 0.01);  // 150 kt at 2,100 ft
  const InterfaceValues rollout = State(dt::kRollout);
  EXPECT_LT(Ias(rollout), 120);  // braking
  EXPECT_GT(Ias(rollout), 40);

  double prev = 1e9;
  for (double t = 0; t < dt::kHighCruiseStart; t += 0.25) {
    const InterfaceValues s = State(t);
    // Only ever slowing down on the approach, never below taxi speed.
    ASSERT_LE(Ias(s), prev + 0.01) << t;
    ASSERT_GT(Ias(s), 10) << t;
    prev = Ias(s);
    // Mach = true airspeed over the speed of sound; true airspeed = IAS / sqrt(density ratio).
    const double ft = s.Altimeter;
    ASSERT_NEAR(Mach(s), Ias(s) / std::sqrt(DensityRatio(ft)) / SpeedOfSoundKt(ft), 0.005) << t;
    // The autothrottle never lets the speed fall below the selected speed before the flare.
    if (t < dt::kInnerMarker) {
      ASSERT_GE(Ias(s), SelectedSpeed(s) - 0.5) << t;
    }
  }
  EXPECT_EQ(SelectedSpeed(cruise), 250);
  EXPECT_EQ(SelectedSpeed(approach), 150);
  // At FL350 Mach 0.78 is about 264 kt indicated.
  const InterfaceValues high = State(dt::kCruiseAtMach);
  EXPECT_NEAR(Mach(high), 0.78, 0.001);
  EXPECT_NEAR(Ias(high), 264, 2);
}

TEST(DemoFlightInstruments, VerticalSpeedIsTheAltitudeChange) {
  // The vertical speed summed over the loop gives the altitude at every moment.
  const double step = 0.1;
  const InterfaceValues start = State(0);
  double climbed = 0;
  InterfaceValues prev = start;
  for (int i = 1; i * step < dt::kHighCruiseStart - 1e-9; ++i) {
    const InterfaceValues s = State(i * step);
    climbed += 0.5 * (VerticalSpeedFpm(prev) + VerticalSpeedFpm(s)) / 60.0 * step;
    ASSERT_NEAR(start.Altimeter + climbed, s.Altimeter, 15.0) << i * step;
    prev = s;
  }
  EXPECT_NEAR(VerticalSpeedFpm(State(dt::kCruiseHdgAlt)), 0, 1);
  const InterfaceValues vs = State(dt::kVsAltArmed);
  EXPECT_NEAR(VerticalSpeedFpm(vs), -2400, 50);
  EXPECT_NEAR(SelectedVs(vs), VerticalSpeedFpm(vs), 50);  // V/S mode flies the selected rate
  EXPECT_EQ(SelectedVs(State(dt::kAltHoldIls)), 0);
  EXPECT_EQ(SelectedVs(State(dt::kCruiseHdgAlt)), 0);
  EXPECT_NEAR(VerticalSpeedFpm(State(dt::kIlsCaptured)), -1500, 50);
  EXPECT_NEAR(VerticalSpeedFpm(State(dt::kRollout)), 0, 1);
}

TEST(DemoFlightInstruments, HeadingFollowsTheTurnsAndComesBackAtTheLoopPoint) {
  // Airborne, the heading changes at the rate of a coordinated turn: g tan(bank) / true airspeed,
  // to the left for a positive (left wing down) bank.
  const double step = 0.1;
  const double g = 9.80665, knot = 1852.0 / 3600.0, rad = 3.14159265358979 / 180.0;
  auto rateDegS = [&](const InterfaceValues& s) {
    const double tas = Mach(s) * SpeedOfSoundKt(s.Altimeter) * knot;
    return -g * std::tan(s.Bank * rad) / tas / rad;
  };
  InterfaceValues prev = State(0);
  double turned = 0, predicted = 0, largest = 0;
  for (int i = 1; i * step < demo::LoopSeconds() - 1e-9; ++i) {
    const InterfaceValues s = State(i * step);
    if (s.RadioAltitudeRaw <= 0) break;  // touchdown
    turned += HeadingChange(TrueHeading(prev), TrueHeading(s));
    predicted += 0.5 * (rateDegS(prev) + rateDegS(s)) * step;
    ASSERT_NEAR(turned, predicted, 1.5) << i * step;
    largest = std::max(largest, std::fabs(turned));
    prev = s;
  }
  EXPECT_GT(largest, 30);  // it did turn
  // After the exit turn on the ground the heading is back where the loop starts.
  const InterfaceValues last = State(demo::LoopSeconds() - 0.05);
  EXPECT_NEAR(HeadingChange(TrueHeading(last), TrueHeading(State(0))), 0, 0.1);
  // The variation and the altimeter setting stay the same the whole loop.
  for (double t = 0; t < demo::LoopSeconds(); t += 10) {
    const InterfaceValues s = State(t);
    EXPECT_EQ(s.MagneticVariationRaw, last.MagneticVariationRaw) << t;
    EXPECT_NEAR(ReadingOf(s, ReadingId::AltimeterSetting).value, 1013, 0.1) << t;
  }
}

TEST(DemoFlightInstruments, TheAutopilotFliesTheSelectedHeadingAndTheLocalizerCourse) {
  // In heading hold every turn goes the short way towards the selected heading and rolls out on it.
  bool turning = false;
  int turns = 0;
  for (double t = 0; t < demo::LoopSeconds(); t += 0.1) {
    const InterfaceValues s = State(t);
    if (s.ApHeadingHold != 1) continue;
    const double toBug = HeadingChange(MagneticHeading(s), SelectedHeading(s));
    if (!turning && std::fabs(s.Bank) > 10) {
      turning = true;
      ++turns;
      EXPECT_LT(toBug * s.Bank, 0) << t << ": turning away from the selected heading";
    } else if (turning && std::fabs(s.Bank) < 2) {
      turning = false;
      EXPECT_NEAR(toBug, 0, 1.0) << t << ": rolled out off the selected heading";
    }
  }
  EXPECT_EQ(turns, 3);

  // Approach armed: the selected heading is the localizer course; flying towards the localizer
  // (needle right) the heading is to the right of the course, then on it down the glide slope.
  const InterfaceValues armed = State(dt::kLocGsArmed);
  const double course = SelectedHeading(armed);
  EXPECT_GT(armed.LocNeedle, 0);
  const double intercept = HeadingChange(course, MagneticHeading(armed));
  EXPECT_GT(intercept, 10);
  EXPECT_LT(intercept, 45);
  for (double t = dt::kIlsCaptured; t < dt::kRollout; t += 1.0) {
    const InterfaceValues s = State(t);
    EXPECT_EQ(SelectedHeading(s), course) << t;
    EXPECT_NEAR(HeadingChange(course, MagneticHeading(s)), 0, 2.0) << t;
  }
}

// ---- The flight envelope ----

// A 737-800's flap placards (knots) by the flap lever's position (8 notches after up: flaps 1, 2,
// 5, 10, 15, 25, 30 and 40), the placard of the notch the flaps are at or moving to; its gear
// placard.
double FlapPlacard(double lever) {
  static const double kPlacards[] = {250, 250, 250, 210, 200, 190, 175, 162};
  const int notch = std::clamp(int(std::ceil(lever * 8 - 1e-6)), 1, 8);
  return kPlacards[notch - 1];
}
constexpr double kGearPlacardKt = 270;

TEST(DemoFlightEnvelope, FlapsOutInStepsAndTheGearDownWithinTheirPlacards) {
  double prevFlaps = 0;
  int steps = 0;
  bool gearSeen = false;
  for (double t = 0; t < dt::kHighCruiseStart; t += 0.25) {
    const InterfaceValues s = State(t);
    const double flaps = ReadingOf(s, ReadingId::FlapPosition).value;
    ASSERT_GE(flaps, prevFlaps - 1e-9) << t << ": flaps only come out on the approach";
    if (flaps > prevFlaps + 1e-9 && (t < 0.25 || ReadingOf(State(t - 0.5), ReadingId::FlapPosition).value == prevFlaps))
      ++steps;
    prevFlaps = flaps;
    if (flaps > 0 && t < dt::kInnerMarker) {
      ASSERT_LE(Ias(s), FlapPlacard(flaps) + 0.5) << t << ": above the flap placard";
    }
    const bool gear = ReadingOf(s, ReadingId::GearDown).value != 0;
    if (gear) {
      ASSERT_LE(Ias(s), kGearPlacardKt) << t;
      if (!gearSeen) {
        EXPECT_GT(RadioAltitudeFt(s), 1000) << t << ": the gear comes down well before 1,000 ft";
      }
    }
    ASSERT_TRUE(!gearSeen || gear) << t << ": the gear stays down";
    gearSeen = gearSeen || gear;
    EXPECT_EQ(ReadingOf(s, ReadingId::FlapSteps).value, 8) << t;
  }
  EXPECT_GE(steps, 3);
  EXPECT_TRUE(gearSeen);
  EXPECT_NEAR(ReadingOf(State(dt::kApproachMinimums), ReadingId::FlapPosition).value, 7.0 / 8, 1e-3) << "flaps 30";
  EXPECT_NEAR(ReadingOf(State(dt::kFlapsInTheCrosswind), ReadingId::FlapPosition).value, 3.0 / 8, 1e-3) << "flaps 5";
  EXPECT_EQ(ReadingOf(State(dt::kCruiseHdgAlt), ReadingId::FlapPosition).value, 0);
  EXPECT_EQ(ReadingOf(State(dt::kCruiseAtMach), ReadingId::FlapPosition).value, 0);
}

TEST(DemoFlightEnvelope, ATouchOfSlipInTheCruiseTurnAndTheBallCentredOtherwise) {
  const double inTurn = ReadingOf(State(dt::kNoIls), ReadingId::SlipBall).value;
  EXPECT_LT(inTurn, -0.1) << "out to the left, inside the left turn";
  EXPECT_GT(inTurn, -0.3);
  for (double t : {dt::kCruiseHdgAlt, dt::kIlsCaptured, dt::kRollout, dt::kCruiseAtMach})
    EXPECT_LT(std::fabs(ReadingOf(State(t), ReadingId::SlipBall).value), 0.05) << t;
}

// The wind drifts the aircraft a few degrees; the track and ground speed are the heading and true
// airspeed with the wind added; on short final the wind blows down the runway.
TEST(DemoFlightEnvelope, AWindGivingAFewDegreesOfDrift) {
  auto drift = [](double t) {
    const FlightState r = demo::StateAt(t);
    return std::remainder(r.TrackTrue - r.HeadingTrue, 360.0);
  };
  EXPECT_GT(drift(dt::kFlapsInTheCrosswind), 2);  // the wind from the left: drifting right
  EXPECT_LT(drift(dt::kFlapsInTheCrosswind), 8);
  EXPECT_GT(drift(dt::kCruiseAtMach), 3);
  EXPECT_LT(drift(dt::kCruiseAtMach), 10);
  EXPECT_GT(drift(dt::kApproachMinimums), 1);  // 5 kt of crosswind from the left at 140 kt
  EXPECT_LT(drift(dt::kApproachMinimums), 3);
  for (double t = 0; t < demo::LoopSeconds(); t += 7.7) {
    const FlightState r = demo::StateAt(t);
    // The wind's components across and along the track: a pilot's check of the triangle.
    const double rad = 3.14159265358979 / 180;
    const double across = r.TrueAirspeed * std::sin((r.HeadingTrue - r.TrackTrue) * rad) -
                          r.WindSpeed * std::sin((r.WindDirectionTrue - r.TrackTrue) * rad);
    const double along = r.TrueAirspeed * std::cos((r.HeadingTrue - r.TrackTrue) * rad) -
                         r.WindSpeed * std::cos((r.WindDirectionTrue - r.TrackTrue) * rad);
    EXPECT_NEAR(across, 0, 0.5) << t;
    EXPECT_NEAR(along, r.GroundSpeed, 0.5) << t;
    // Over the interface the display works the same track out.
    EXPECT_NEAR(std::remainder(ReadingOf(State(t), ReadingId::TrackTrue).value - r.TrackTrue, 360.0), 0, 0.05) << t;
  }
}

TEST(DemoFlightEnvelope, TrueAirspeedAboveIndicatedWithAltitude) {
  const FlightState cruise = demo::StateAt(dt::kCruiseHdgAlt);
  EXPECT_NEAR(cruise.TrueAirspeed, 250 / std::sqrt(DensityRatio(5000)), 3);  // about 268 kt
  const FlightState high = demo::StateAt(dt::kCruiseAtMach);
  EXPECT_NEAR(high.TrueAirspeed, 0.78 * SpeedOfSoundKt(35000), 1);  // about 450 kt
  EXPECT_GT(high.TrueAirspeed - high.IndicatedAirspeed, 150);
  EXPECT_NEAR(demo::StateAt(dt::kRollout).TrueAirspeed, demo::StateAt(dt::kRollout).IndicatedAirspeed, 1);
}

// "MCP SPD": the autothrottle holds the selected speed with the autopilot; above FL280 it holds
// Mach 0.78.
TEST(DemoFlightEnvelope, AutothrottleInSpeedHoldAndMachHoldInTheCruiseAtAltitude) {
  for (double t : {dt::kCruiseHdgAlt, dt::kAltCapture, dt::kIlsCaptured}) {
    const InterfaceValues s = State(t);
    EXPECT_EQ(s.AutothrottleArm, 1u) << t;
    EXPECT_EQ(s.ApAirspeedHold, 1u) << t;
    EXPECT_EQ(s.ApMachHold, 0u) << t;
  }
  const InterfaceValues high = State(dt::kCruiseAtMach);
  EXPECT_GT(high.Altimeter, 28000);
  EXPECT_EQ(high.ApMachHold, 1u);
  EXPECT_EQ(high.ApAirspeedHold, 1u);
  EXPECT_NEAR(ReadingOf(high, ReadingId::SelectedMach).value, 0.78, 1e-4);
  EXPECT_EQ(high.ApMaster, 1u);
  EXPECT_EQ(high.ApHeadingHold, 1u);
  EXPECT_EQ(high.ApAltitudeHold, 1u);
  EXPECT_LT(AltitudeError(high), 50);
  EXPECT_EQ(State(dt::kRollout).ApAirspeedHold, 0u);
  for (double t = 0; t < demo::LoopSeconds(); t += 0.5) {
    const InterfaceValues s = State(t);
    ASSERT_EQ(s.StallWarning, 0) << t;
    ASSERT_EQ(s.OverspeedWarning, 0) << t;
  }
}

// The radio altitude passes 200 ft (the minimums) on the approach, with the gear down and landing
// flaps, a few seconds before the touchdown.
TEST(DemoFlightEnvelope, MinimumsReachedBeforeTheEnd) {
  double passed = -1;
  for (double t = dt::kIlsCaptured; t < dt::kHighCruiseStart && passed < 0; t += 0.05)
    if (RadioAltitudeFt(State(t)) < 200) passed = t;
  EXPECT_GT(passed, dt::kIlsApproachMiddleMarker);
  EXPECT_LT(passed, dt::kApproachMinimums);
  const InterfaceValues at = State(dt::kApproachMinimums);
  EXPECT_LT(RadioAltitudeFt(at), 200);
  EXPECT_GT(RadioAltitudeFt(at), 100);
  EXPECT_EQ(at.GearControl, 16383);
}

}  // namespace
