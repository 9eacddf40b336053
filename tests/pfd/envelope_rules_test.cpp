// The full layout's flight envelope with figures a pilot can check: a 737-800's speed limits as
// its flaps and gear come out, the minimums alert on an approach, the slip bar, the track line,
// the speed bug in Mach.
#include <gtest/gtest.h>

#include <cmath>

#include "pfd/envelope_rules.h"
#include "pfd/full_layout.h"
#include "pfd/tape_rules.h"

namespace {

constexpr double kPxPerKt = full_layout::kSpeedPxPerKt;

// A 737-800 as its settings file's [AIRCRAFT] section gives it: VMO 340 kt, MMO .82, VLE 320 kt,
// flaps 1, 2, 5, 10, 15, 25, 30, 40 placarded 250, 250, 250, 210, 200, 190, 175, 162 kt, stall
// speeds 150 kt clean and 112 kt with full flap.
EnvelopeSettings Boeing737800() {
  EnvelopeSettings s;
  s.aircraft.maxOperatingSpeedKt = 340;
  s.aircraft.maxOperatingMach = 0.82;
  s.aircraft.gearExtendedSpeedKt = 320;
  s.aircraft.flapPlacardKt = {250, 250, 250, 210, 200, 190, 175, 162};
  s.aircraft.stallCleanKt = 150;
  s.aircraft.stallFullFlapKt = 112;
  return s;
}

// 300 kt at 10,000 ft (Mach .55), heading 270, wings level, flaps up, gear up.
PrimaryFlightValues Climbing() {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = {300, true};
  v.mach = {0.55, true};
  v.altitudeFt = {10000, true};
  v.headingMagneticDeg = {270, true};
  v.verticalSpeedFpm = {0, true};
  v.envelope.flapPosition = {0, true};
  v.envelope.flapSteps = {8, true};
  v.envelope.gearDown = {0, true};
  return v;
}

// The flaps at step `step` of the 737-800's eight.
void Flaps(PrimaryFlightValues& v, int step) { v.envelope.flapPosition = {step / 8.0, true}; }

TEST(SpeedLimits, The737800sBarberPoleStartsAtVmoAndComesDownToEachFlapPlacard) {
  PrimaryFlightValues v = Climbing();
  const EnvelopeSettings b738 = Boeing737800();
  EnvelopeDescription e = DecideEnvelope(v, b738);
  ASSERT_TRUE(e.maximum.shown);
  EXPECT_DOUBLE_EQ(e.maximum.kt, 340) << "clean, low: VMO";
  EXPECT_EQ(e.maximum.source, "VMO");
  EXPECT_DOUBLE_EQ(e.maximum.fromPx, 40 * kPxPerKt) << "40 kt above the 300 kt readout";

  // Flaps 15 (the fifth step): 200 kt; flaps 40 (the last): 162 kt.
  Flaps(v, 5);
  e = DecideEnvelope(v, b738);
  EXPECT_DOUBLE_EQ(e.maximum.kt, 200);
  EXPECT_EQ(e.maximum.source, "VFE");
  EXPECT_DOUBLE_EQ(e.maximum.fromPx, -100 * kPxPerKt) << "below the readout: the aircraft is over the placard";
  Flaps(v, 8);
  EXPECT_DOUBLE_EQ(DecideEnvelope(v, b738).maximum.kt, 162);
  // On their way from flaps 1 to flaps 10 (steps 3 to 4), the placard they are going to.
  v.envelope.flapPosition = {3.5 / 8, true};
  EXPECT_DOUBLE_EQ(DecideEnvelope(v, b738).maximum.kt, 210);

  // Gear down, flaps up: VLE 320 is below VMO.
  Flaps(v, 0);
  v.envelope.gearDown = {1, true};
  e = DecideEnvelope(v, b738);
  EXPECT_DOUBLE_EQ(e.maximum.kt, 320);
  EXPECT_EQ(e.maximum.source, "VLE");

  // The simulator's own figure wins over the section's.
  v.envelope.gearDown = {0, true};
  v.envelope.maxOperatingSpeedKt = {335, true};
  EXPECT_DOUBLE_EQ(DecideEnvelope(v, b738).maximum.kt, 335);
}

TEST(SpeedLimits, HighUpMmoLimitsTheSpeedAtTheSpeedOfMach82) {
  // FL370 in the standard atmosphere: Mach .79 reads 256 kt; Mach .82 is 267 kt there.
  PrimaryFlightValues v = Climbing();
  v.altitudeFt = {37000, true};
  v.indicatedAirspeedKt = {256, true};
  v.mach = {0.79, true};
  const EnvelopeDescription e = DecideEnvelope(v, Boeing737800());
  EXPECT_EQ(e.maximum.source, "MMO");
  EXPECT_NEAR(e.maximum.kt, 267, 1.5);
  // The same from the altitude alone (Mach below .2 gives no pressure): the standard atmosphere.
  EXPECT_NEAR(SpeedOfMach(0.82, [] {
                PrimaryFlightValues w;
                w.altitudeFt = {37000, true};
                return w;
              }()).value,
              267, 1.5);
}

TEST(SpeedLimits, NoLimitGivenDrawsNoBand) {
  PrimaryFlightValues v = Climbing();
  const EnvelopeDescription e = DecideEnvelope(v, EnvelopeSettings{});
  EXPECT_FALSE(e.maximum.shown);
  EXPECT_FALSE(e.stall.shown);
  EXPECT_FALSE(e.manoeuvreBarShown);
  // A placard list for another flap count is not matched to the simulator's steps.
  EnvelopeSettings a320;
  a320.aircraft.flapPlacardKt = {230, 200, 185, 177};
  Flaps(v, 8);
  EXPECT_FALSE(DecideEnvelope(v, a320).maximum.shown);
}

TEST(SpeedLimits, StallSpeedFollowsTheFlapsAndTheManoeuvreBarIs13TimesIt) {
  PrimaryFlightValues v = Climbing();
  v.indicatedAirspeedKt = {180, true};
  EnvelopeDescription e = DecideEnvelope(v, Boeing737800());
  EXPECT_DOUBLE_EQ(e.stall.kt, 150);
  EXPECT_DOUBLE_EQ(e.stall.fromPx, -30 * kPxPerKt);
  EXPECT_DOUBLE_EQ(e.manoeuvreKt, 195);
  v.envelope.flapPosition = {0.5, true};
  e = DecideEnvelope(v, Boeing737800());
  EXPECT_DOUBLE_EQ(e.stall.kt, 131) << "half way between 150 and 112";
  Flaps(v, 8);
  EXPECT_DOUBLE_EQ(DecideEnvelope(v, Boeing737800()).stall.kt, 112);
  // The box turns red on the simulator's warning only.
  EXPECT_FALSE(e.readoutWarning);
  v.envelope.stallWarning = {1, true};
  EXPECT_TRUE(DecideEnvelope(v, Boeing737800()).readoutWarning);
}

TEST(Minimums, TheAlertComesOnTheFrameTheRadioAltitudePasses200Ft) {
  EnvelopeSettings s;
  s.minimums = {MinimumsKind::Radio, 200};
  PrimaryFlightValues v = Climbing();
  FullFrameRules rules;
  double t = 0;
  auto frameAt = [&](double ra) {
    v.radioAltitudeFt = {ra, true};
    t += 0.05;
    return rules.Decide(FrameDescription{}, v, t, BaroUnit::Hpa, s);
  };
  for (double ra : {1500.0, 600.0, 300.0, 220.0, 201.0}) {
    const FullFrameDescription f = frameAt(ra);
    EXPECT_FALSE(f.envelope.minimumsAlert) << ra << " ft";
    EXPECT_EQ(f.envelope.minimumsText, "RADIO 200");
  }
  EXPECT_TRUE(frameAt(199.5).envelope.minimumsAlert) << "the frame it passes 200 ft";
  EXPECT_TRUE(frameAt(120).envelope.minimumsAlert);
  // A go-around: on until well above them, then ready for the next approach.
  EXPECT_TRUE(frameAt(260).envelope.minimumsAlert);
  EXPECT_FALSE(frameAt(300).envelope.minimumsAlert);
  EXPECT_FALSE(frameAt(210).envelope.minimumsAlert);
  EXPECT_TRUE(frameAt(200).envelope.minimumsAlert) << "at the minimums counts";

  // Started on the ground: no alert until the aircraft has been above them.
  FullFrameRules ground;
  v.radioAltitudeFt = {0, true};
  EXPECT_FALSE(ground.Decide(FrameDescription{}, v, 1, BaroUnit::Hpa, s).envelope.minimumsAlert);
}

TEST(Minimums, BaroMinimumsPutAMarkerOnTheAltitudeTapeAndTheSimulatorsBugWins) {
  EnvelopeSettings s;
  s.minimums = {MinimumsKind::Baro, 1200};
  PrimaryFlightValues v = Climbing();
  v.altitudeFt = {1700, true};
  EnvelopeDescription e = DecideEnvelope(v, s);
  EXPECT_EQ(e.minimumsText, "BARO 1200");
  ASSERT_TRUE(e.baroMarkerShown);
  EXPECT_DOUBLE_EQ(e.baroMarkerPx, -500 * full_layout::kAltitudePxPerFt) << "500 ft below the readout";
  v.envelope.decisionHeightFt = {100, true};
  e = DecideEnvelope(v, s);
  EXPECT_EQ(e.minimumsText, "RADIO 100");
  EXPECT_FALSE(e.baroMarkerShown);

  // At BARO 1200 over high ground the alert comes with four figures of radio altitude: it moves
  // above them, where two or three leave it room beside them.
  v.envelope.decisionHeightFt = {};
  v.altitudeFt = {1150, true};
  FullFrameHold descending;
  descending.envelope.aboveMinimums = true;
  v.radioAltitudeFt = {1000, true};
  FullFrameDescription f = DecideFullFrame(FrameDescription{}, v, {}, BaroUnit::Hpa, descending, 0, s);
  ASSERT_TRUE(f.envelope.minimumsAlert);
  EXPECT_TRUE(f.envelope.minimumsAbove);
  v.radioAltitudeFt = {150, true};
  f = DecideFullFrame(FrameDescription{}, v, {}, BaroUnit::Hpa, descending, 0, s);
  ASSERT_TRUE(f.envelope.minimumsAlert);
  EXPECT_FALSE(f.envelope.minimumsAbove);
}

TEST(SlipBar, ABallAtHalfScaleMovesTheBarHalfItsTravelAndFullScaleFillsItAmber) {
  PrimaryFlightValues v = Climbing();
  v.envelope.slipBall = {1, true};
  const EnvelopeDescription full = DecideEnvelope(v, {});
  ASSERT_TRUE(full.slipShown);
  EXPECT_TRUE(full.slipFull);
  EXPECT_GT(full.slipOffsetPx, 0) << "ball right, bar right";
  v.envelope.slipBall = {0.5, true};
  const EnvelopeDescription half = DecideEnvelope(v, {});
  EXPECT_DOUBLE_EQ(half.slipOffsetPx, full.slipOffsetPx / 2);
  EXPECT_FALSE(half.slipFull);
  v.envelope.slipBall = {-127.0 / 128, true};
  EXPECT_TRUE(DecideEnvelope(v, {}).slipFull) << "the interface's full scale left";
  v.bankDeg.valid = false;
  EXPECT_FALSE(DecideEnvelope(v, {}).slipShown) << "goes with the attitude";
}

TEST(Track, TenDegreesOfDriftPutTheTrackLineTenDegreesFromTheHeading) {
  PrimaryFlightValues v = Climbing();
  // Heading 270 magnetic, track 283 true with 3 degrees of east variation: 280 magnetic.
  v.envelope.trackTrueDeg = {283, true};
  v.envelope.magneticVariationDeg = {3, true};
  v.envelope.groundSpeedKt = {450, true};
  EnvelopeSettings fpv;
  fpv.flightPathVector = true;
  EnvelopeDescription e = DecideEnvelope(v, fpv);
  ASSERT_TRUE(e.trackShown);
  EXPECT_NEAR(e.trackDeg, 280, 1e-9);
  EXPECT_NEAR(e.trackOffsetDeg, 10, 1e-9);
  EXPECT_TRUE(e.magShown);
  ASSERT_TRUE(e.fpvShown);
  EXPECT_NEAR(e.fpvRightPx, 10 * full_layout::kPitchPxPerDeg, 1e-9) << "the FPV 10 degrees right";
  // Across north: heading 355, track 005 magnetic.
  v.headingMagneticDeg = {355, true};
  v.envelope.trackTrueDeg = {8, true};
  EXPECT_NEAR(DecideEnvelope(v, fpv).trackOffsetDeg, 10, 1e-9);
  // No track without the variation that turns it magnetic.
  v.envelope.magneticVariationDeg.valid = false;
  e = DecideEnvelope(v, fpv);
  EXPECT_FALSE(e.trackShown);
  EXPECT_FALSE(e.fpvShown);
}

TEST(FlightPath, FromVerticalSpeedAndGroundSpeedAThreeDegreePathIsThreeDegreesBelowTheHorizon) {
  PrimaryFlightValues v = Climbing();
  v.envelope.trackTrueDeg = {270, true};
  v.envelope.magneticVariationDeg = {0, true};
  // 140 kt over the ground sinking 743 ft/min: a 3-degree path; the nose 2 degrees up.
  v.envelope.groundSpeedKt = {140, true};
  v.verticalSpeedFpm = {-743, true};
  v.pitchDeg = {2, true};
  EnvelopeSettings fpv;
  fpv.flightPathVector = true;
  EnvelopeDescription e = DecideEnvelope(v, fpv);
  ASSERT_TRUE(e.fpvShown);
  EXPECT_NEAR(e.flightPathAngleDeg, -3, 0.02);
  EXPECT_NEAR(e.fpvUpPx, -5 * full_layout::kPitchPxPerDeg, 0.1) << "5 degrees below the nose";
  EXPECT_FALSE(DecideEnvelope(v, {}).fpvShown) << "only with FPV=Y";
}

TEST(RisingRunway, ShowsBelow200FtOnALocaliserAndRisesAsTheAircraftDescends) {
  PrimaryFlightValues v = Climbing();
  v.envelope.ilsTuned = {1, true};
  v.envelope.localiserDeviationDots = {1, true};
  v.radioAltitudeFt = {250, true};
  EXPECT_FALSE(DecideEnvelope(v, {}).runwayShown);
  v.radioAltitudeFt = {150, true};
  const EnvelopeDescription high = DecideEnvelope(v, {});
  ASSERT_TRUE(high.runwayShown);
  EXPECT_DOUBLE_EQ(high.runwayRightPx, full_layout::kRunwayPxPerDot) << "one dot right";
  v.radioAltitudeFt = {50, true};
  const EnvelopeDescription low = DecideEnvelope(v, {});
  EXPECT_LT(low.runwayTopPx, high.runwayTopPx) << "closer to the aircraft symbol";
  v.envelope.ilsTuned = {0, true};
  EXPECT_FALSE(DecideEnvelope(v, {}).runwayShown);
}

TEST(MachTarget, InMachHoldTheBugIsAtTheSpeedOfTheSelectedMachAndTheTapeShowsIt) {
  PrimaryFlightValues v = Climbing();
  v.altitudeFt = {37000, true};
  v.indicatedAirspeedKt = {256, true};
  v.mach = {0.79, true};
  v.selectedAirspeedKt = {280, true};
  v.envelope.selectedMach = {0.78, true};
  v.autoflight.machHold = true;
  const FullFrameDescription f = DecideFullFrame(FrameDescription{}, v, {}, BaroUnit::Hpa);
  EXPECT_EQ(f.speed.selectedText, ".780") << "instead of 280";
  ASSERT_TRUE(f.speed.selectedBug.shown);
  // Mach .78 at FL370 is 253 kt: 3 kt below the 256 kt readout.
  EXPECT_NEAR(f.speed.selectedBug.offsetPx, -3 * kPxPerKt, 1 * kPxPerKt);
  v.autoflight.machHold = false;
  const FullFrameDescription knots = DecideFullFrame(FrameDescription{}, v, {}, BaroUnit::Hpa);
  EXPECT_EQ(knots.speed.selectedText, "280");
}

}  // namespace
