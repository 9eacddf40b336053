// The full layout's frame decisions with values a pilot can check: the readouts, the scales, the
// bugs, the flags per instrument, the mode annunciator, the altitude alert and the speed trend.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "pfd/panel_picture.h"
#include "pfd/tape_rules.h"

namespace {

// Every value valid: 250 kt, Mach .78, heading 090, level at 10,000 ft, selected 250 kt,
// 10,000 ft, heading 090 and 0 ft/min, QNH 1009.
PrimaryFlightValues Cruise() {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = {250, true};
  v.mach = {0.78, true};
  v.headingMagneticDeg = {90, true};
  v.verticalSpeedFpm = {0, true};
  v.altitudeFt = {10000, true};
  v.selectedAirspeedKt = {250, true};
  v.selectedAltitudeFt = {10000, true};
  v.selectedHeadingDeg = {90, true};
  v.selectedVerticalSpeedFpm = {0, true};
  v.altimeterSettingHpa = {1009, true};
  return v;
}

const TapeMark* MarkLabelled(const std::vector<TapeMark>& marks, const std::string& label) {
  for (const TapeMark& m : marks)
    if (m.label == label) return &m;
  return nullptr;
}

const TapeMark* MarkAt(const std::vector<TapeMark>& marks, double offsetPx) {
  for (const TapeMark& m : marks)
    if (std::fabs(m.offsetPx - offsetPx) < 0.01) return &m;
  return nullptr;
}

TEST(SpeedTape, At250KtThe250MarkIsOnTheCentreLineAndTheBoxReads250) {
  const SpeedTapeDescription d = DecideSpeedTape(Cruise(), {});
  ASSERT_FALSE(d.failed);
  EXPECT_EQ(d.readout.Reads(), "250");
  const TapeMark* centre = MarkAt(d.marks, 0);
  ASSERT_NE(centre, nullptr) << "a mark on the centre line";
  EXPECT_EQ(centre->label, "") << "250 is a tick between the labels 240 and 260";
  const TapeMark* above = MarkLabelled(d.marks, "260");
  const TapeMark* below = MarkLabelled(d.marks, "240");
  ASSERT_TRUE(above && below);
  EXPECT_GT(above->offsetPx, 0) << "higher speeds above";
  EXPECT_DOUBLE_EQ(above->offsetPx, -below->offsetPx);
  const TapeMark* tick255 = MarkAt(d.marks, above->offsetPx / 2);
  EXPECT_EQ(tick255, nullptr) << "ticks every 10 kt only";
  EXPECT_EQ(d.selectedText, "250");
  EXPECT_TRUE(d.selectedBug.shown && !d.selectedBug.parked);
  EXPECT_DOUBLE_EQ(d.selectedBug.offsetPx, 0);
  EXPECT_EQ(d.machText, ".780");

  // The ones digit rolls; the tens follow when it is half way to the next.
  PrimaryFlightValues v = Cruise();
  v.indicatedAirspeedKt.value = 259.4;
  EXPECT_EQ(DecideSpeedTape(v, {}).readout.Reads(), "259");
  v.indicatedAirspeedKt.value = 259.6;
  EXPECT_EQ(DecideSpeedTape(v, {}).readout.Reads(), "260");
  v.indicatedAirspeedKt.value = 84.8;
  EXPECT_EQ(DecideSpeedTape(v, {}).readout.Reads(), "85");
  v.mach.value = 0.39;
  EXPECT_EQ(DecideSpeedTape(v, {}).machText, "") << "Mach from 0.40 up";
}

TEST(SpeedTape, TrendArrowFromTwoKnotsAndTheBugParksOffScale) {
  const double tenKnotsPx = MarkLabelled(DecideSpeedTape(Cruise(), {}).marks, "260")->offsetPx;
  SpeedTapeDescription d = DecideSpeedTape(Cruise(), {1.9, true});
  EXPECT_FALSE(d.trendShown);
  d = DecideSpeedTape(Cruise(), {-10, true});
  EXPECT_TRUE(d.trendShown);
  EXPECT_DOUBLE_EQ(d.trendOffsetPx, -tenKnotsPx) << "the tip at the speed predicted in 10 s: 240 kt";
  EXPECT_FALSE(DecideSpeedTape(Cruise(), {10, false}).trendShown);

  PrimaryFlightValues v = Cruise();
  v.selectedAirspeedKt.value = 320;
  d = DecideSpeedTape(v, {});
  EXPECT_TRUE(d.selectedBug.parked);
  EXPECT_GT(d.selectedBug.offsetPx, 0) << "at the upper end";
  EXPECT_LT(d.selectedBug.offsetPx, 7 * tenKnotsPx) << "short of 320's place";
}

TEST(AltitudeTape, At10000FtTheBoxReads10000With00OnTheDrum) {
  const AltitudeTapeDescription d = DecideAltitudeTape(Cruise(), BaroUnit::Hpa);
  ASSERT_FALSE(d.failed);
  EXPECT_EQ(d.readout.Reads(), "10000");
  EXPECT_EQ(d.readout.fixed, "100");
  EXPECT_EQ(d.readout.DrumLabel(0), "00");
  EXPECT_DOUBLE_EQ(d.readout.RowOffset(0), 0) << "00 centred in the drum window";
  EXPECT_EQ(d.readout.DrumLabel(1), "20") << "the drum rolls in 20 ft steps";
  EXPECT_GT(d.readout.RowOffset(1), 0) << "20 above";
  const TapeMark* label = MarkLabelled(d.marks, "10000");
  ASSERT_NE(label, nullptr);
  EXPECT_DOUBLE_EQ(label->offsetPx, 0);
  EXPECT_NE(MarkLabelled(d.marks, "10500"), nullptr);
  EXPECT_EQ(MarkLabelled(d.marks, "10100"), nullptr) << "labels every 500 ft";
  EXPECT_EQ(d.altimeterText, "1009 HPA");

  PrimaryFlightValues v = Cruise();
  v.altitudeFt.value = 10090;  // half way from 80 to 00: the hundreds follow
  EXPECT_EQ(DecideAltitudeTape(v, BaroUnit::Hpa).readout.Reads(), "10100");
  v.altitudeFt.value = 10047;
  EXPECT_EQ(DecideAltitudeTape(v, BaroUnit::Hpa).readout.Reads(), "10040");
  // Below the runway's level: readable with a minus.
  v.altitudeFt.value = -120;
  const AltitudeTapeDescription below = DecideAltitudeTape(v, BaroUnit::Hpa);
  EXPECT_EQ(below.readout.Reads(), "-120");
  EXPECT_NE(MarkLabelled(below.marks, "-500"), nullptr);
  EXPECT_LT(below.readout.RowOffset(2), below.readout.RowOffset(1)) << "-140 below -120";
  EXPECT_LT(MarkLabelled(below.marks, "-500")->offsetPx, MarkLabelled(below.marks, "0")->offsetPx);
}

TEST(AltitudeTape, SelectedAltitudeBugParksAtTheEdgeWhen5000FtAway) {
  PrimaryFlightValues v = Cruise();
  v.selectedAltitudeFt.value = 10200;
  const AltitudeTapeDescription d = DecideAltitudeTape(v, BaroUnit::Hpa);
  const TapeBug near = d.selectedBug;
  EXPECT_FALSE(near.parked);
  EXPECT_GT(near.offsetPx, 0);
  EXPECT_NE(MarkAt(d.marks, near.offsetPx), nullptr) << "on the 10,200 ft tick";
  v.selectedAltitudeFt.value = 15000;
  const TapeBug high = DecideAltitudeTape(v, BaroUnit::Hpa).selectedBug;
  v.selectedAltitudeFt.value = 14000;
  EXPECT_DOUBLE_EQ(DecideAltitudeTape(v, BaroUnit::Hpa).selectedBug.offsetPx, high.offsetPx) << "held at the edge";
  EXPECT_TRUE(high.parked);
  EXPECT_GT(high.offsetPx, 2 * near.offsetPx) << "at the top, well above the place of 10,200 ft";
  v.selectedAltitudeFt.value = 5000;
  const TapeBug low = DecideAltitudeTape(v, BaroUnit::Hpa).selectedBug;
  EXPECT_TRUE(low.parked);
  EXPECT_DOUBLE_EQ(low.offsetPx, -high.offsetPx);
  EXPECT_EQ(DecideAltitudeTape(v, BaroUnit::Hpa).selectedText, "5000");
}

TEST(AltitudeTape, AltimeterSettingAsSetInHpaOrInchesNeverAGuessedStd) {
  // 1013.25 hPa = 29.92 inHg; 1013 hPa = 29.91 inHg; 1009 hPa = 29.80 inHg; 1012.6 hPa = 29.90 inHg.
  EXPECT_EQ(FormatAltimeterSetting(1013.25, BaroUnit::Hpa), "1013 HPA") << "the standard's value, not STD";
  EXPECT_EQ(FormatAltimeterSetting(1013.25, BaroUnit::InHg), "29.92 IN");
  EXPECT_EQ(FormatAltimeterSetting(1013, BaroUnit::InHg), "29.91 IN");
  EXPECT_EQ(FormatAltimeterSetting(1009, BaroUnit::Hpa), "1009 HPA");
  EXPECT_EQ(FormatAltimeterSetting(1009, BaroUnit::InHg), "29.80 IN");
  EXPECT_EQ(FormatAltimeterSetting(1012.6, BaroUnit::Hpa), "1013 HPA");
  EXPECT_EQ(FormatAltimeterSetting(1012.6, BaroUnit::InHg), "29.90 IN");
}

TEST(VerticalSpeed, Plus1500PointsAtThe15MarkAndShows1500) {
  PrimaryFlightValues v = Cruise();
  v.verticalSpeedFpm.value = 1500;
  VerticalSpeedDescription d = DecideVerticalSpeed(v);
  EXPECT_EQ(d.readout, "1500");
  EXPECT_TRUE(d.readoutAbove);
  const double at1500 = d.pointerOffsetPx;
  v.verticalSpeedFpm.value = 1000;
  const double at1000 = DecideVerticalSpeed(v).pointerOffsetPx;
  v.verticalSpeedFpm.value = 2000;
  const double at2000 = DecideVerticalSpeed(v).pointerOffsetPx;
  v.verticalSpeedFpm.value = 6000;
  const double at6000 = DecideVerticalSpeed(v).pointerOffsetPx;
  EXPECT_GT(at1500, at1000);
  EXPECT_LT(at1500, at2000);
  EXPECT_GT(at1000, at6000 / 3) << "the first 1,000 ft/min take more of the scale than the last 4,000";
  v.verticalSpeedFpm.value = 9000;
  EXPECT_DOUBLE_EQ(DecideVerticalSpeed(v).pointerOffsetPx, at6000) << "held at the end";
  v.verticalSpeedFpm.value = -1500;
  d = DecideVerticalSpeed(v);
  EXPECT_EQ(d.readout, "1500");
  EXPECT_FALSE(d.readoutAbove);
  EXPECT_DOUBLE_EQ(d.pointerOffsetPx, -at1500);
  v.verticalSpeedFpm.value = 350;
  EXPECT_EQ(DecideVerticalSpeed(v).readout, "") << "figures from 400 ft/min";
  v.verticalSpeedFpm.value = -400;
  EXPECT_EQ(DecideVerticalSpeed(v).readout, "400");

  // The selected vertical speed only in vertical-speed mode.
  v.selectedVerticalSpeedFpm.value = -1000;
  EXPECT_FALSE(DecideVerticalSpeed(v).selectedBug.shown);
  v.verticalSpeedMode = true;
  EXPECT_TRUE(DecideVerticalSpeed(v).selectedBug.shown);
  EXPECT_DOUBLE_EQ(DecideVerticalSpeed(v).selectedBug.offsetPx, -at1000);
}

TEST(Heading, Heading090IsUnderTheLubberLineWithItsBugAndReadouts) {
  PrimaryFlightValues v = Cruise();
  HeadingDescription d = DecideHeading(v);
  EXPECT_EQ(d.readout, "090");
  EXPECT_DOUBLE_EQ(d.cardDeg, 90);
  EXPECT_DOUBLE_EQ(d.selectedBug.offsetPx, 0);
  v.selectedHeadingDeg.value = 120;
  d = DecideHeading(v);
  EXPECT_DOUBLE_EQ(d.selectedBug.offsetPx, 30) << "30 degrees right";
  EXPECT_EQ(d.selectedText, "120");
  v.selectedHeadingDeg.value = 60;
  EXPECT_DOUBLE_EQ(DecideHeading(v).selectedBug.offsetPx, -30);
  v.selectedHeadingDeg.value = 270;
  EXPECT_TRUE(DecideHeading(v).selectedBug.parked) << "behind: held at the card's shown end";
  v.headingMagneticDeg.value = 359.6;
  v.selectedHeadingDeg.value = 10;
  d = DecideHeading(v);
  EXPECT_EQ(d.readout, "360");
  EXPECT_NEAR(d.selectedBug.offsetPx, 10.4, 1e-9) << "across north";
  v.headingMagneticDeg.value = -90;  // a heading given below zero
  EXPECT_EQ(DecideHeading(v).readout, "270");
}

// Mach and the trend do not flicker at their thresholds: each appears at one value and goes only
// below a lower one, frame after frame of one display.
TEST(Hysteresis, MachFromPoint40UntilBelowPoint38AndTheTrendFrom2KtUntilBelow1Kt) {
  PrimaryFlightValues v = Cruise();
  FullFrameHold held;
  auto mach = [&](double m) {
    v.mach.value = m;
    const FullFrameDescription f = DecideFullFrame(FrameDescription{}, v, {}, BaroUnit::Hpa, held);
    held = f.hold;
    return f.speed.machText;
  };
  EXPECT_EQ(mach(0.39), "") << "climbing: not yet";
  EXPECT_EQ(mach(0.40), ".400");
  EXPECT_EQ(mach(0.39), ".390") << "kept while it falls back a little";
  EXPECT_EQ(mach(0.381), ".381");
  EXPECT_EQ(mach(0.379), "") << "gone below .38";
  EXPECT_EQ(mach(0.39), "") << "and back only at .40";

  held = {};
  auto trend = [&](double kt) {
    const FullFrameDescription f = DecideFullFrame(FrameDescription{}, v, {kt, true}, BaroUnit::Hpa, held);
    held = f.hold;
    return f.speed.trendShown;
  };
  EXPECT_FALSE(trend(1.5));
  EXPECT_TRUE(trend(2.0)) << "from 2 kt";
  EXPECT_TRUE(trend(1.2)) << "kept above 1 kt";
  EXPECT_TRUE(trend(-1.1)) << "either way";
  EXPECT_FALSE(trend(0.9)) << "gone below 1 kt";
  EXPECT_FALSE(trend(1.5));
}

// The full layout's attitude flag follows pitch and bank, not the whole exchange; with it go the
// flight-director bars. The frame log's column names what the picture raises.
TEST(Flags, AttOnlyWithPitchOrBankLostAndEachFlagNamed) {
  FrameDescription today;
  today.bars = {{BarKind::Horizontal, 0.1}, {BarKind::Vertical, -0.2}};
  today.dataFailed = true;  // some value of the exchange is missing: today's panel shows ATT
  FrameText att;
  att.text = kFailureFlagText;
  att.colour = TextColour::Amber;
  att.backed = true;
  today.texts.push_back(att);
  PrimaryFlightValues v = Cruise();
  v.radioAltitudeFt = {3000, true};
  v.altitudeFt.valid = false;
  PanelPicture picture;
  picture.kind = PanelKind::Full;
  picture.full = DecideFullFrame(today, v, {}, BaroUnit::Hpa);
  EXPECT_FALSE(picture.full.attitude.dataFailed) << "the attitude is live";
  EXPECT_EQ(picture.full.attitude.texts.size(), 0u) << "no ATT text over a live horizon";
  EXPECT_EQ(picture.full.attitude.bars.size(), 2u);
  EXPECT_EQ(RaisedFlagsText(picture), "ALT");

  v.bankDeg.valid = false;
  v.verticalSpeedFpm.valid = false;
  v.radioAltitudeFt.valid = false;
  picture.full = DecideFullFrame(today, v, {}, BaroUnit::Hpa);
  EXPECT_TRUE(picture.full.attitude.dataFailed);
  EXPECT_TRUE(picture.full.attitude.bars.empty()) << "no bars without an attitude";
  EXPECT_EQ(RaisedFlagsText(picture), "ATT,ALT,V/S,RA");

  // Today's panel: its own rule, the exchange's flag.
  picture.kind = PanelKind::Classic;
  picture.classic = today;
  EXPECT_EQ(RaisedFlagsText(picture), "ATT");
  picture.classic = FrameDescription{};
  EXPECT_EQ(RaisedFlagsText(picture), "-");
}

TEST(Flags, AStaleSpeedShowsSpdAndNoSpeedReadoutWhileTheRestStaysLive) {
  PrimaryFlightValues v = Cruise();
  v.indicatedAirspeedKt.valid = false;
  FullFrameDescription f = DecideFullFrame(FrameDescription{}, v, {12, true}, BaroUnit::Hpa);
  EXPECT_TRUE(f.speed.failed);
  EXPECT_TRUE(f.speed.marks.empty());
  EXPECT_FALSE(f.speed.selectedBug.shown);
  EXPECT_FALSE(f.speed.trendShown);
  EXPECT_FALSE(f.altitude.failed);
  EXPECT_EQ(f.altitude.readout.Reads(), "10000");
  EXPECT_FALSE(f.verticalSpeed.failed);
  EXPECT_FALSE(f.heading.failed);
  EXPECT_EQ(f.heading.readout, "090");
  EXPECT_EQ(f.speed.selectedText, "250") << "the selected speed is a value of its own";

  // Each instrument by its own value; a value that is not a number counts as not valid.
  v = Cruise();
  v.altitudeFt = {std::nan(""), true};
  v.verticalSpeedFpm.valid = false;
  v.headingMagneticDeg.valid = false;
  f = DecideFullFrame(FrameDescription{}, v, {}, BaroUnit::Hpa);
  EXPECT_FALSE(f.speed.failed);
  EXPECT_EQ(f.speed.readout.Reads(), "250");
  EXPECT_TRUE(f.altitude.failed);
  EXPECT_FALSE(f.altitude.selectedBug.shown);
  EXPECT_TRUE(f.verticalSpeed.failed);
  EXPECT_EQ(f.verticalSpeed.readout, "");
  EXPECT_TRUE(f.heading.failed);
  EXPECT_EQ(f.heading.readout, "");
  EXPECT_FALSE(f.heading.selectedBug.shown);
}

// The annunciator's words as "column/line:TEXT colour" joined by spaces, left to right, boxed ones
// marked with a "#".
std::string Modes(const FullFrameDescription& f) {
  std::string out;
  for (const ModeAnnunciation& m : f.modes) {
    const char* line = m.column == ModeColumn::Status ? "" : m.armed ? "/armed" : "/active";
    const char* colour = m.colour == TextColour::Green ? " green" : m.colour == TextColour::White ? " white" : " other";
    out += (out.empty() ? "" : " ") + std::string(ModeColumnName(m.column)) + line + ":" + m.text + colour +
           (m.boxed ? "#" : "");
  }
  return out;
}

FullFrameDescription Frame(const PrimaryFlightValues& v) {
  return DecideFullFrame(FrameDescription{}, v, {}, BaroUnit::Hpa);
}

TEST(ModeAnnunciator, BoeingWordsInTheirColumnsActiveGreenAboveArmedWhite) {
  // Cruise on the autopilot: speed, heading and altitude held.
  PrimaryFlightValues v = Cruise();
  v.autoflight.autopilotEngaged = v.autoflight.flightDirectorOn = true;
  v.autoflight.speedHold = v.autoflight.headingHold = v.autoflight.altitudeHold = true;
  FullFrameDescription f = Frame(v);
  EXPECT_EQ(Modes(f), "autothrottle/active:MCP SPD green roll/active:HDG SEL green pitch/active:ALT HOLD green "
                      "status:CMD green");
  // Columns left to right, the status centred under them, the armed line between.
  ASSERT_EQ(f.modes.size(), 4u);
  EXPECT_LT(f.modes[0].x, f.modes[1].x);
  EXPECT_LT(f.modes[1].x, f.modes[2].x);
  EXPECT_LT(f.modes[3].y, f.modes[0].y);
  EXPECT_EQ(f.modes[0].y, f.modes[2].y);
  // Capturing 10,000 ft from 150 ft below, then climbing towards it from 400 ft below (the V/S bug with it).
  v.altitudeFt.value = 9850;
  EXPECT_NE(Modes(Frame(v)).find("pitch/active:ALT ACQ green"), std::string::npos) << Modes(Frame(v));
  v.altitudeFt.value = 9600;
  v.selectedVerticalSpeedFpm.value = 1000;
  f = Frame(v);
  EXPECT_NE(Modes(f).find("pitch/active:V/S green"), std::string::npos) << Modes(f);
  EXPECT_TRUE(f.verticalSpeed.selectedBug.shown) << "the V/S bug in the V/S mode";

  // The approach armed (localiser and glide slope not yet captured) from heading select: no V/S
  // mode with the glide slope held, altitude hold still holds its altitude.
  v.autoflight.approachHold = v.autoflight.glideSlopeHold = true;
  f = Frame(v);
  EXPECT_EQ(Modes(f), "autothrottle/active:MCP SPD green roll/active:HDG SEL green roll/armed:VOR/LOC white "
                      "pitch/armed:G/S white status:CMD green");
  EXPECT_FALSE(f.verticalSpeed.selectedBug.shown) << "no V/S mode with the glide slope held";
  v.altitudeFt.value = 10030;
  EXPECT_NE(Modes(Frame(v)).find("pitch/active:ALT HOLD green pitch/armed:G/S white"), std::string::npos)
      << Modes(Frame(v));
  v.altitudeFt.value = 9600;
  EXPECT_GT(f.modes[1].y, f.modes[2].y) << "armed below active";
  EXPECT_NEAR(f.modes[1].x + 3.5 * 7.8125, f.modes[2].x + 3.5 * 7.8125, 1) << "HDG SEL and VOR/LOC in one column";
  // Both captured: the localiser and the glide slope fly; nothing armed.
  v.autoflight.localiserCaptured = v.autoflight.glideSlopeCaptured = true;
  EXPECT_EQ(Modes(Frame(v)), "autothrottle/active:MCP SPD green roll/active:VOR/LOC green pitch/active:G/S green "
                             "status:CMD green");

  // The autothrottle armed without a speed mode; the Mach held; the flight director alone; nothing.
  PrimaryFlightValues a = Cruise();
  a.autoflight.autothrottleArmed = a.autoflight.flightDirectorOn = true;
  EXPECT_EQ(Modes(Frame(a)), "autothrottle/armed:ARM white status:FD green");
  a.autoflight.machHold = true;
  EXPECT_EQ(Modes(Frame(a)), "autothrottle/active:MCP SPD green status:FD green");
  EXPECT_EQ(Modes(Frame(Cruise())), "");

  // Today's mode words give way to the annunciator's, its other texts to the attitude area's own.
  FrameDescription today;
  today.texts.resize(2);
  today.texts[0].text = "AP ENG";
  today.texts[0].modeAnnunciation = true;
  today.texts[1].text = "RA";
  f = DecideFullFrame(today, Cruise(), {}, BaroUnit::Hpa);
  EXPECT_TRUE(f.attitude.texts.empty());
  EXPECT_TRUE(f.modes.empty());
}

TEST(ModeAnnunciator, AModeThatChangedIsBoxedFor10Seconds) {
  FullFrameRules rules;
  PrimaryFlightValues v = Cruise();
  v.autoflight.autopilotEngaged = v.autoflight.headingHold = v.autoflight.altitudeHold = true;
  auto at = [&](double t) { return Modes(rules.Decide(FrameDescription{}, v, t, BaroUnit::Hpa)); };
  // The first frame finds its modes: nothing boxed.
  EXPECT_EQ(at(100.0), "roll/active:HDG SEL green pitch/active:ALT HOLD green status:CMD green");
  // The approach armed at 101: VOR/LOC armed boxed; captured at 104, boxed again as active for 10 s.
  v.autoflight.approachHold = true;
  const std::string armed =
      "roll/active:HDG SEL green roll/armed:VOR/LOC white# pitch/active:ALT HOLD green status:CMD green";
  EXPECT_EQ(at(101.0), armed);
  EXPECT_EQ(at(103.9), armed);
  v.autoflight.localiserCaptured = true;
  EXPECT_EQ(at(104.0), "roll/active:VOR/LOC green# pitch/active:ALT HOLD green status:CMD green");
  EXPECT_EQ(at(113.9), "roll/active:VOR/LOC green# pitch/active:ALT HOLD green status:CMD green");
  EXPECT_EQ(at(114.0), "roll/active:VOR/LOC green pitch/active:ALT HOLD green status:CMD green");
  // The autopilot off, the flight director on: FD boxed.
  v.autoflight.autopilotEngaged = false;
  v.autoflight.flightDirectorOn = true;
  EXPECT_EQ(at(120.0), "roll/active:VOR/LOC green pitch/active:ALT HOLD green status:FD green#");
  // The link lost for a while: no modes; found again as they were, nothing boxed.
  v.autoflight.known = false;
  EXPECT_EQ(at(140.0), "");
  v.autoflight.known = true;
  EXPECT_EQ(at(150.0), "roll/active:VOR/LOC green pitch/active:ALT HOLD green status:FD green");
}

TEST(AltitudeAlert, OutlinedFrom900To200FtAwayAmberAfterLeavingTheCapturedAltitude) {
  FullFrameRules rules;
  PrimaryFlightValues v = Cruise();  // selected 10,000 ft
  double t = 0;
  auto alertAt = [&](double ft) {
    v.altitudeFt.value = ft;
    return rules.Decide(FrameDescription{}, v, t += 0.1, BaroUnit::Hpa).altitude.alert;
  };
  using A = AltitudeAlert;
  // Climbing towards it: outlined from 900 ft below until 200 ft below.
  EXPECT_EQ(alertAt(8000), A::None);
  EXPECT_EQ(alertAt(9099), A::None);
  EXPECT_EQ(alertAt(9100), A::Approaching);
  EXPECT_EQ(alertAt(9799), A::Approaching);
  EXPECT_EQ(alertAt(9800), A::None);
  EXPECT_EQ(alertAt(10000), A::None);
  // Captured: leaving it by more than 200 ft turns the box amber, until back within 200 ft.
  EXPECT_EQ(alertAt(10200), A::None);
  EXPECT_EQ(alertAt(10201), A::Deviation);
  EXPECT_EQ(alertAt(10150), A::None);
  EXPECT_EQ(alertAt(9000), A::Deviation);
  // A new selection ends it: approaching 12,000 ft from 9,000 is no alert until 900 ft before it.
  v.selectedAltitudeFt.value = 12000;
  EXPECT_EQ(alertAt(9000), A::None);
  EXPECT_EQ(alertAt(11100), A::Approaching);
  // Descending on the glide slope through a selected altitude: no alert.
  v.autoflight.glideSlopeHold = v.autoflight.glideSlopeCaptured = true;
  EXPECT_EQ(alertAt(11500), A::None);
  // No alert with the altitude lost (the ALT flag).
  v.autoflight = {};
  v.altitudeFt.valid = false;
  EXPECT_EQ(rules.Decide(FrameDescription{}, v, t += 0.1, BaroUnit::Hpa).altitude.alert, A::None);
}

TEST(SpeedTrend, TheSpeedGainedIn10SecondsFromTheLastSecond) {
  SpeedTrend trend;
  Reading r;
  // Accelerating by 1 kt/s, 60 frames a second.
  for (int frame = 0; frame <= 60; ++frame) {
    r = trend.Update(100.0 + frame / 60.0, {200.0 + frame / 60.0, true});
    if (frame < 30) {
      EXPECT_FALSE(r.valid) << "nothing said in the first half second, frame " << frame;
    }
  }
  ASSERT_TRUE(r.valid);
  EXPECT_NEAR(r.value, 10.0, 1e-6);
  // A stale speed starts it again.
  EXPECT_FALSE(trend.Update(101.1, {201.1, false}).valid);
  EXPECT_FALSE(trend.Update(101.2, {201.2, true}).valid);
  // Decelerating by 2 kt/s for a second after the restart.
  for (int frame = 1; frame <= 60; ++frame) r = trend.Update(101.2 + frame / 60.0, {201.2 - 2.0 * frame / 60.0, true});
  ASSERT_TRUE(r.valid);
  EXPECT_NEAR(r.value, -20.0, 1e-6);
  // A pause of over a second, or time going back, starts it again.
  EXPECT_FALSE(trend.Update(104.0, {195.0, true}).valid);
  EXPECT_FALSE(trend.Update(103.0, {195.0, true}).valid);
  // Steady speed: no trend.
  for (int frame = 1; frame <= 60; ++frame) r = trend.Update(103.0 + frame / 60.0, {195.0, true});
  EXPECT_TRUE(r.valid);
  EXPECT_NEAR(r.value, 0.0, 1e-9);

  // A display's frames keep it from one to the next: 1 kt/s for a second shows the arrow upwards.
  FullFrameRules rules;
  PrimaryFlightValues v = Cruise();
  FullFrameDescription f;
  for (int frame = 0; frame <= 60; ++frame) {
    v.indicatedAirspeedKt.value = 250 + frame / 60.0;
    f = rules.Decide(FrameDescription{}, v, 7.0 + frame / 60.0, BaroUnit::Hpa);
  }
  EXPECT_TRUE(f.speed.trendShown);
  EXPECT_GT(f.speed.trendOffsetPx, 0);
}

}  // namespace
