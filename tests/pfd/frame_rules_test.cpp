// Frame rules without GL: ILS state, flight-director bars, annunciations, readout, marker, failure flag.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "model/interface_codec.h"
#include "pfd/frame_rules.h"

namespace {

constexpr uint8_t kBcOk = 0x82;
constexpr uint8_t kCodeOk = 0xC0;
constexpr uint16_t kRadioOk = 0x0042;

// A state with the three ILS conditions met.
InterfaceValues IlsTuned(int16_t inclination) {
  InterfaceValues s{};
  s.Nav1BcFlags = kBcOk;
  s.Nav1CodeFlags = kCodeOk;
  s.RadioStatus = kRadioOk;
  s.GsInclination = inclination;
  return s;
}

const FrameText* FindText(const FrameDescription& f, const std::string& text) {
  for (const FrameText& t : f.texts)
    if (t.text == text) return &t;
  return nullptr;
}

std::string Joined(const std::vector<FrameText>& texts) {
  std::string out;
  for (const FrameText& t : texts) out += t.text + "|";
  return out;
}

// Altitude-hold state with the altimeter and target given in whole feet.
InterfaceValues AltitudeHold(int32_t altimeter, int32_t target) {
  InterfaceValues s{};
  s.ApAltitudeHold = 1;
  s.Altimeter = altimeter;
  s.ApAltitudeFt = target;
  return s;
}

}  // namespace

TEST(ClassifyIls, AllConditionsWithInclinationGiveIlsDisplayElseNoIls) {
  EXPECT_EQ(ClassifyIls(kRadioOk, kBcOk, kCodeOk, 3), 4);
  EXPECT_EQ(ClassifyIls(kRadioOk, kBcOk, kCodeOk, -1), 4);
  EXPECT_EQ(ClassifyIls(kRadioOk, kBcOk, kCodeOk, 0), 1);
  // Extra bits do not matter.
  EXPECT_EQ(ClassifyIls(0xFFFF, 0xFF, 0xFF, 3), 4);
}

TEST(ClassifyIls, AnyMissingBitGivesNothing) {
  EXPECT_EQ(ClassifyIls(kRadioOk, kBcOk, 0x80, 3), 0);
  EXPECT_EQ(ClassifyIls(kRadioOk, kBcOk, 0x40, 3), 0);
  EXPECT_EQ(ClassifyIls(kRadioOk, 0x02, kCodeOk, 3), 0);
  EXPECT_EQ(ClassifyIls(kRadioOk, 0x80, kCodeOk, 3), 0);
  EXPECT_EQ(ClassifyIls(0x0002, kBcOk, kCodeOk, 3), 0);
  EXPECT_EQ(ClassifyIls(0x0040, kBcOk, kCodeOk, 0), 0);
  EXPECT_EQ(ClassifyIls(0, 0, 0, 0), 0);
}

TEST(IlsTextRules, TrimmingRemovesCodes32AndBelowAtBothEndsOnly) {
  EXPECT_EQ(TrimBlanksAndControls("  12.3 \t\r\n"), "12.3");
  EXPECT_EQ(TrimBlanksAndControls(std::string("\x01\x1f" "A B" "\x20", 6)), "A B");
  EXPECT_EQ(TrimBlanksAndControls("   "), "");
  EXPECT_EQ(TrimBlanksAndControls(""), "");
  // Characters above 127 are not controls here.
  EXPECT_EQ(TrimBlanksAndControls(" \xE9 "), "\xE9");
}

TEST(IlsTextRules, DoubleZeroDropsTheFirstCharacterAndKeepsAtMostFour) {
  EXPECT_EQ(ApplyDoubleZeroRule("002.5"), "02.5");
  EXPECT_EQ(ApplyDoubleZeroRule("00.0"), "0.0");
  EXPECT_EQ(ApplyDoubleZeroRule("000.0"), "00.0");
  EXPECT_EQ(ApplyDoubleZeroRule("0012345"), "0123");
  EXPECT_EQ(ApplyDoubleZeroRule("00"), "0");
  EXPECT_EQ(ApplyDoubleZeroRule("0"), "0");
  EXPECT_EQ(ApplyDoubleZeroRule("01.5"), "01.5");
  EXPECT_EQ(ApplyDoubleZeroRule(""), "");
}

TEST(IlsState, ZeroDmeWithoutIdentifierForcesNoIlsWhateverTheFlags) {
  InterfaceValues s{};
  s.DmeText = "00.0";
  EXPECT_EQ(DecideIlsState(s), 1);
  s = IlsTuned(3);
  s.DmeText = " 00.0";
  s.Nav1Ident = " \t ";
  EXPECT_EQ(DecideIlsState(s), 1);
  s.DmeText = "0.0";
  s.Nav1Ident = "";
  EXPECT_EQ(DecideIlsState(s), 1);
}

TEST(IlsState, ClassificationStandsOtherwise) {
  InterfaceValues s = IlsTuned(3);
  s.DmeText = "0.0";
  s.Nav1Ident = "IABC";
  EXPECT_EQ(DecideIlsState(s), 4);
  s.Nav1Ident = "";
  s.DmeText = "000.0";  // becomes "00.0", not "0.0"
  EXPECT_EQ(DecideIlsState(s), 4);
  s.DmeText = "12.5";
  EXPECT_EQ(DecideIlsState(s), 4);
  InterfaceValues none{};
  none.DmeText = "000.0";
  EXPECT_EQ(DecideIlsState(none), 0);
  InterfaceValues noGs = IlsTuned(0);
  noGs.Nav1Ident = "IXY";
  EXPECT_EQ(DecideIlsState(noGs), 1);
}

TEST(FlightDirector, LimitsInOrder) {
  EXPECT_EQ(LimitFdCommand(40), 27);
  EXPECT_EQ(LimitFdCommand(-30), -27);
  EXPECT_EQ(LimitFdCommand(-25000), 0);
  EXPECT_EQ(LimitFdCommand(-20000), -27);  // not below -20000
  EXPECT_EQ(LimitFdCommand(std::nan("")), 0);
  EXPECT_EQ(LimitFdCommand(-std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(LimitFdCommand(std::numeric_limits<double>::infinity()), 27);
  EXPECT_EQ(LimitFdCommand(12.5), 12.5);
  EXPECT_EQ(LimitFdCommand(-27), -27);
}

TEST(FlightDirector, HeadingCommandScaledByOneThirtySecondAndNegatedForTheBar) {
  InterfaceValues s{};
  s.FdActive = 1;
  s.ApHeadingHold = 1;
  s.Bank = 5;
  s.FdBank = 45;  // difference 40 -> 27 -> 0.84375
  EXPECT_DOUBLE_EQ(ComputeFdCommands(s).lateral, 0.84375);
  const auto bars = DecideBars(s);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].kind, BarKind::Vertical);
  EXPECT_DOUBLE_EQ(bars[0].offset, -0.84375);
}

TEST(FlightDirector, PitchCommandTakenBackFromTheOffsetAndScaledByOneTwentySeventh) {
  InterfaceValues s{};
  s.FdActive = 1;
  s.ApAltitudeHold = 1;
  s.Pitch = 10;
  s.FdPitch = -20;  // difference -30 -> -27 -> -1
  ApplyConversions(s, InclinationRule::Degrees);
  EXPECT_DOUBLE_EQ(ComputeFdCommands(s).vertical, -1.0);
  auto bars = DecideBars(s);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].kind, BarKind::Horizontal);
  EXPECT_DOUBLE_EQ(bars[0].offset, 1.0);

  s.FdPitch = -25010;  // difference far below -20000 -> centred
  bars = DecideBars(s);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].offset, 0.0);

  s.FdPitch = 10 + 13.5;  // inside the limits: 13.5 / 27
  EXPECT_NEAR(DecideBars(s)[0].offset, -0.5, 1e-9);
}

TEST(FlightDirector, NoBarsWhenTheDirectorIsOff) {
  InterfaceValues s{};
  s.ApHeadingHold = s.ApAltitudeHold = s.ApApproachHold = s.ApGlideSlopeHold = s.ApMaster = 1;
  s.FdBank = 10;
  s.FdActive = 0;
  EXPECT_TRUE(DecideBars(s).empty());
  s.FdActive = 2;  // only exactly 1 is on
  EXPECT_TRUE(DecideBars(s).empty());
}

TEST(FlightDirector, BarOrderAndDuplicates) {
  InterfaceValues s{};
  s.FdActive = 1;
  s.ApApproachHold = 1;
  auto bars = DecideBars(s);
  ASSERT_EQ(bars.size(), 2u);  // approach alone: both bars, centred
  EXPECT_EQ(bars[0].kind, BarKind::Horizontal);
  EXPECT_EQ(bars[1].kind, BarKind::Vertical);
  EXPECT_EQ(bars[0].offset, 0.0);
  EXPECT_EQ(bars[1].offset, 0.0);

  s.ApAltitudeHold = 1;
  s.ApHeadingHold = 1;
  s.FdBank = 16;   // lateral 0.5
  s.FdPitch = 2.7;  // vertical 0.1 (pitch 0)
  bars = DecideBars(s);
  ASSERT_EQ(bars.size(), 4u);
  const BarKind expected[] = {BarKind::Horizontal, BarKind::Vertical, BarKind::Horizontal,
                              BarKind::Vertical};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(bars[i].kind, expected[i]) << i;
  EXPECT_DOUBLE_EQ(bars[0].offset, bars[2].offset);
  EXPECT_DOUBLE_EQ(bars[1].offset, bars[3].offset);
  EXPECT_NEAR(bars[0].offset, -0.1, 1e-12);
  EXPECT_DOUBLE_EQ(bars[1].offset, -0.5);
}

TEST(VerticalMode, ThresholdsAroundFiftyAndTwoFifty) {
  EXPECT_EQ(DecideVerticalMode(5000, 5000), VerticalMode::Alt);
  EXPECT_EQ(DecideVerticalMode(5000, 5030), VerticalMode::Alt);
  EXPECT_EQ(DecideVerticalMode(5000, 5049), VerticalMode::Alt);
  EXPECT_EQ(DecideVerticalMode(5000, 5050), VerticalMode::AltCapture);
  EXPECT_EQ(DecideVerticalMode(5050, 5000), VerticalMode::AltCapture);
  EXPECT_EQ(DecideVerticalMode(5000, 5100), VerticalMode::AltCapture);
  EXPECT_EQ(DecideVerticalMode(5000, 5250), VerticalMode::AltCapture);
  EXPECT_EQ(DecideVerticalMode(5000, 5251), VerticalMode::Vs);
  EXPECT_EQ(DecideVerticalMode(5251, 5000), VerticalMode::Vs);
  EXPECT_EQ(DecideVerticalMode(5000, 5300), VerticalMode::Vs);
}

TEST(VerticalMode, ExtremeValuesDoNotOverflow) {
  EXPECT_EQ(DecideVerticalMode(INT32_MAX, INT32_MIN), VerticalMode::Vs);
  EXPECT_EQ(DecideVerticalMode(INT32_MIN, INT32_MAX), VerticalMode::Vs);
  EXPECT_EQ(DecideVerticalMode(INT32_MIN, INT32_MIN), VerticalMode::Alt);
  EXPECT_EQ(DecideVerticalMode(INT32_MIN, INT32_MIN + 49), VerticalMode::Alt);
  EXPECT_EQ(DecideVerticalMode(INT32_MAX - 300, INT32_MAX), VerticalMode::Vs);
}

TEST(ModeTexts, VerticalModeTextsColoursAndPlaces) {
  auto texts = DecideModeTexts(AltitudeHold(5000, 5000));
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "ALT");
  EXPECT_EQ(texts[0].colour, TextColour::Green);
  EXPECT_EQ(texts[0].x, 365);
  EXPECT_EQ(texts[0].y, 280);

  texts = DecideModeTexts(AltitudeHold(5000, 5100));
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "ALT*");
  EXPECT_EQ(texts[0].x, 365);

  texts = DecideModeTexts(AltitudeHold(5000, 5300));
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "VS");
  EXPECT_EQ(texts[0].colour, TextColour::Green);
  EXPECT_EQ(texts[0].x, 365);
  EXPECT_EQ(texts[1].text, "ALT");
  EXPECT_EQ(texts[1].colour, TextColour::White);
  EXPECT_EQ(texts[1].x, 300);
  EXPECT_EQ(texts[1].y, 280);
}

TEST(ModeTexts, GlideSlopeHoldReplacesTheVerticalMode) {
  InterfaceValues s = AltitudeHold(5000, 5300);
  s.ApGlideSlopeHold = 1;
  auto texts = DecideModeTexts(s);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "GS");
  EXPECT_EQ(texts[0].colour, TextColour::White);
  EXPECT_EQ(texts[0].x, 290);
  s.RadioStatus = 0x0200;
  texts = DecideModeTexts(s);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].colour, TextColour::Green);
  EXPECT_EQ(texts[0].x, 350);
  EXPECT_EQ(texts[0].y, 280);
  // A glide-slope flag other than exactly 1 is off: the vertical mode shows again.
  s.ApGlideSlopeHold = 2;
  EXPECT_EQ(Joined(DecideModeTexts(s)), "VS|ALT|");
}

TEST(ModeTexts, AllModesInOrderWithHeadingOverLocalizer) {
  InterfaceValues s = AltitudeHold(5000, 5000);
  s.ApMaster = 1;
  s.ApApproachHold = 1;
  s.ApHeadingHold = 1;
  s.RadioStatus = 0x0100;
  auto texts = DecideModeTexts(s);
  EXPECT_EQ(Joined(texts), "AP ENG|ALT|LOC|HDG|");
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].colour, TextColour::Green);
  EXPECT_EQ(texts[0].x, 300);
  EXPECT_EQ(texts[0].y, 50);
  EXPECT_EQ(texts[2].colour, TextColour::Green);
  EXPECT_EQ(texts[2].x, texts[3].x);
  EXPECT_EQ(texts[2].x, 100);
  EXPECT_EQ(texts[3].colour, TextColour::Green);
  s.RadioStatus = 0;
  EXPECT_EQ(DecideModeTexts(s)[2].colour, TextColour::White);
}

TEST(ModeTexts, FlagsCountOnlyWhenExactlyOne) {
  InterfaceValues s{};
  s.ApMaster = 2;
  s.ApHeadingHold = 0xFFFFFFFF;
  s.ApAltitudeHold = 257;
  s.ApApproachHold = 3;
  s.ApGlideSlopeHold = 0x100;
  EXPECT_TRUE(DecideModeTexts(s).empty());
}

TEST(RadioAltitude, ReadoutInTensWithUnitsZero) {
  struct Case {
    double ft;
    const char* text;
  } cases[] = {{2499.996, "2500"}, {2499.5, "2490"}, {1234.56, "1230"}, {150, "150"},
               {100, "100"},       {99.9, "0"},      {0, "0"},           {-3, "0"},
               {109.999, "110"},   {109.994, "100"}, {999.999, "1000"}};
  for (const Case& c : cases) {
    const RadioAltitudeReadout r = DecideRadioAltitudeReadout(c.ft);
    EXPECT_TRUE(r.shown) << c.ft;
    EXPECT_EQ(r.text, c.text) << c.ft;
    EXPECT_EQ(r.x, 370 - 12 * float(r.text.size())) << c.ft;
  }
}

TEST(RadioAltitude, NothingAtOrAbove2500) {
  EXPECT_FALSE(DecideRadioAltitudeReadout(2500).shown);
  EXPECT_FALSE(DecideRadioAltitudeReadout(1e12).shown);
  EXPECT_FALSE(DecideRadioAltitudeReadout(std::nan("")).shown);
  EXPECT_FALSE(DecideRadioAltitudeReadout(std::numeric_limits<double>::infinity()).shown);
}

TEST(RadioAltitude, RightAlignedAgainstTheLabel) {
  EXPECT_EQ(DecideRadioAltitudeReadout(1234).x, 322);
  EXPECT_EQ(DecideRadioAltitudeReadout(50).x, 358);
  EXPECT_EQ(DecideRadioAltitudeReadout(500).x, 334);
}

TEST(Marker, LaterMarkerOverridesLetterAndColour) {
  InterfaceValues s{};
  EXPECT_EQ(DecideMarkerLetter(s).text, "");
  s.OuterMarker = 1;
  EXPECT_EQ(DecideMarkerLetter(s).text, "O");
  EXPECT_EQ(DecideMarkerLetter(s).colour, TextColour::Blue);
  s.MiddleMarker = 1;
  EXPECT_EQ(DecideMarkerLetter(s).text, "M");
  EXPECT_EQ(DecideMarkerLetter(s).colour, TextColour::Amber);
  s.InnerMarker = 1;
  EXPECT_EQ(DecideMarkerLetter(s).text, "I");
  EXPECT_EQ(DecideMarkerLetter(s).colour, TextColour::ByteWhite);
  s = InterfaceValues{};
  s.InnerMarker = 2;
  s.MiddleMarker = 1;
  EXPECT_EQ(DecideMarkerLetter(s).text, "M");
}

TEST(Colours, CallKindAndComponents) {
  EXPECT_EQ(ColourOf(TextColour::Green).call, ColourCall::Float3f);
  EXPECT_EQ(ColourOf(TextColour::White).call, ColourCall::Float3f);
  const ColourSetting blue = ColourOf(TextColour::Blue);
  EXPECT_EQ(blue.call, ColourCall::Byte3ub);
  EXPECT_EQ(blue.r, 0);
  EXPECT_EQ(blue.g, 200);
  EXPECT_EQ(blue.b, 222);
  const ColourSetting amber = ColourOf(TextColour::Amber);
  EXPECT_EQ(amber.call, ColourCall::Byte3ub);
  EXPECT_EQ(amber.r, 255);
  EXPECT_EQ(amber.g, 195);
  EXPECT_EQ(amber.b, 0);
  EXPECT_EQ(ColourOf(TextColour::ByteWhite).call, ColourCall::Byte3ub);
}

TEST(WholeFrame, AllZeroStateShowsOnlyTheZeroReadout) {
  InterfaceValues s{};
  ApplyConversions(s, InclinationRule::Degrees);
  const FrameDescription f = DecideFrame(s, false);
  EXPECT_EQ(f.ilsState, 0);
  EXPECT_TRUE(f.bars.empty());
  EXPECT_EQ(f.pitchOffset, 0);
  EXPECT_EQ(f.bank, 0);
  ASSERT_EQ(f.texts.size(), 2u);
  EXPECT_EQ(f.texts[0].text, "0");
  EXPECT_EQ(f.texts[0].colour, TextColour::Blue);
  EXPECT_EQ(f.texts[0].x, 358);
  EXPECT_EQ(f.texts[0].y, 20);
  EXPECT_EQ(f.texts[1].text, "RA");
  EXPECT_EQ(f.texts[1].colour, TextColour::White);
  EXPECT_EQ(f.texts[1].x, 370);
  EXPECT_FALSE(f.dataFailed);
  for (const FrameText& t : f.texts) EXPECT_EQ(t.glyphSet, 0);
}

TEST(WholeFrame, LayerInputsAndTextOrder) {
  InterfaceValues s = IlsTuned(0);
  s.GsInclinationRaw = 546;
  s.Pitch = 2;
  s.Bank = -15;
  s.GsNeedle = 100;
  s.LocNeedle = -50;
  s.ApMaster = 1;
  s.ApApproachHold = 1;
  s.ApGlideSlopeHold = 1;
  s.RadioStatus = 0x0342;
  s.MiddleMarker = 1;
  s.RadioAltitudeRaw = int32_t(300 / 3.28084 * 65536);
  ApplyConversions(s, InclinationRule::Degrees);
  const FrameDescription f = DecideFrame(s, false);
  EXPECT_EQ(f.ilsState, 4);
  EXPECT_DOUBLE_EQ(f.pitchOffset, 2 * 0.0058);
  EXPECT_EQ(f.bank, -15);
  EXPECT_DOUBLE_EQ(f.glideSlopeOffset, -100 * 0.0094488);
  EXPECT_DOUBLE_EQ(f.localizerOffset, -50 * 0.0108661417);
  std::string order;
  for (const FrameText& t : f.texts) order += t.text + "|";
  EXPECT_EQ(order, "AP ENG|GS|LOC|300|RA|M|");
  const FrameText* m = FindText(f, "M");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->x, 385);
  EXPECT_EQ(m->y, 94);
}

TEST(FailureFlag, PresentExactlyWhenTheDataExchangeFailed) {
  InterfaceValues s{};
  ApplyConversions(s, InclinationRule::Degrees);
  const FrameDescription ok = DecideFrame(s, false);
  EXPECT_FALSE(ok.dataFailed);
  EXPECT_EQ(FindText(ok, kFailureFlagText), nullptr);

  const FrameDescription failed = DecideFrame(s, true);
  EXPECT_TRUE(failed.dataFailed);
  const FrameText* flag = FindText(failed, kFailureFlagText);
  ASSERT_NE(flag, nullptr);
  EXPECT_EQ(flag->colour, TextColour::Amber);
  EXPECT_EQ(flag->glyphSet, 0);
  // The zero picture is still drawn underneath the flag.
  EXPECT_NE(FindText(failed, "RA"), nullptr);
  EXPECT_EQ(failed.texts.size(), ok.texts.size() + 1);
}

TEST(FailureFlag, ClearOfEveryOtherTextPosition) {
  // Every text the rules can place, with its width (10 text units a glyph, 16 high).
  InterfaceValues s = AltitudeHold(0, 1000);
  s.ApMaster = s.ApApproachHold = s.ApGlideSlopeHold = s.InnerMarker = 1;
  s.RadioAltitudeFt = 1234;
  FrameDescription f = DecideFrame(s, true);
  s.ApGlideSlopeHold = 0;
  s.ApHeadingHold = 1;
  const FrameDescription g = DecideFrame(s, true);
  f.texts.insert(f.texts.end(), g.texts.begin(), g.texts.end());
  const float fx0 = kFailureFlagX, fx1 = kFailureFlagX + 10 * 3 + 6, fy0 = kFailureFlagY,
              fy1 = kFailureFlagY + 16;
  for (const FrameText& t : f.texts) {
    if (t.text == kFailureFlagText) continue;
    const float x1 = t.x + 10 * float(t.text.size()) + 6, y1 = t.y + 16;
    const bool overlap = t.x < fx1 && fx0 < x1 && t.y < fy1 && fy0 < y1;
    EXPECT_FALSE(overlap) << t.text;
  }
}
