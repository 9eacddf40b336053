// Conversions of raw simulator values into display units, with their edge cases.
#include <gtest/gtest.h>

#include <cmath>

#include "model/flight_conversions.h"

namespace {

InterfaceValues Converted(InterfaceValues s, InclinationRule rule = InclinationRule::Degrees) {
  ApplyConversions(s, rule);
  return s;
}

// The raw value (metres x 65536) that is closest to `feet`.
int32_t RawFromFeet(double feet) { return int32_t(std::llround(feet / 3.28084 * 65536)); }

}  // namespace

TEST(Conversions, AllZeroRecordGivesZeroes) {
  const InterfaceValues s = Converted(InterfaceValues{});
  EXPECT_EQ(s.PitchOffset, 0);
  EXPECT_EQ(s.RadioAltitudeFt, 0);
  EXPECT_EQ(s.ApAltitudeFt, 0);
  EXPECT_EQ(s.GsInclination, 0);
  EXPECT_EQ(s.GsDeviation, 0);
  EXPECT_EQ(s.LocDeviation, 0);
  EXPECT_TRUE(s.DmeText.empty());
  EXPECT_TRUE(s.Nav1Ident.empty());
}

TEST(Conversions, PitchOffsetAndRadioAltitude) {
  InterfaceValues s{};
  s.Pitch = -12.5;
  s.RadioAltitudeRaw = 65536;  // one metre
  s = Converted(s);
  EXPECT_DOUBLE_EQ(s.PitchOffset, -12.5 * 0.0058);
  EXPECT_DOUBLE_EQ(s.RadioAltitudeFt, 3.28084);
  s.RadioAltitudeRaw = -1;
  EXPECT_EQ(Converted(s).RadioAltitudeFt, 0);
  s.RadioAltitudeRaw = INT32_MIN;
  EXPECT_EQ(Converted(s).RadioAltitudeFt, 0);
  s.RadioAltitudeRaw = INT32_MAX;
  EXPECT_NEAR(Converted(s).RadioAltitudeFt, 2147483647.0 * 3.28084 / 65536, 1e-6);
}

TEST(Conversions, AutopilotAltitudeTruncatedTowardZero) {
  InterfaceValues s{};
  s.ApAltitudeRaw = RawFromFeet(1000.9);
  EXPECT_EQ(Converted(s).ApAltitudeFt, 1000);
  s.ApAltitudeRaw = RawFromFeet(-0.5);
  EXPECT_EQ(Converted(s).ApAltitudeFt, 0);
  s.ApAltitudeRaw = RawFromFeet(-1000.9);
  EXPECT_EQ(Converted(s).ApAltitudeFt, -1000);
  s.ApAltitudeRaw = INT32_MAX;
  EXPECT_EQ(Converted(s).ApAltitudeFt, int32_t(2147483647.0 * 3.28084 / 65536));
  s.ApAltitudeRaw = INT32_MIN;
  EXPECT_EQ(Converted(s).ApAltitudeFt, int32_t(-2147483648.0 * 3.28084 / 65536));
}

TEST(Conversions, InclinationDegreesRuleTruncatesTowardZero) {
  struct Case {
    int16_t raw;
    int16_t degrees;
  } cases[] = {{546, 2}, {182, 0}, {183, 1}, {-183, -1}, {-182, 0},
               {0, 0},   {32767, 179}, {-32768, -180}};
  for (const Case& c : cases) {
    InterfaceValues s{};
    s.GsInclinationRaw = c.raw;
    EXPECT_EQ(Converted(s).GsInclination, c.degrees) << c.raw;
  }
}

TEST(Conversions, InclinationRawRuleKeepsTheValue) {
  InterfaceValues s{};
  s.GsInclinationRaw = 100;
  EXPECT_EQ(Converted(s, InclinationRule::Raw).GsInclination, 100);
  s.GsInclinationRaw = -32768;
  EXPECT_EQ(Converted(s, InclinationRule::Raw).GsInclination, -32768);
}

TEST(Conversions, NeedlesLimitedAndWrittenBack) {
  InterfaceValues s{};
  s.LocNeedle = -128;
  s.GsNeedle = -128;
  s = Converted(s);
  EXPECT_EQ(s.LocNeedle, -127);
  EXPECT_EQ(s.GsNeedle, -127);
  EXPECT_DOUBLE_EQ(s.LocDeviation, -127 * 0.0108661417);
  EXPECT_DOUBLE_EQ(s.GsDeviation, -127 * 0.0094488);

  s.LocNeedle = 127;
  s.GsNeedle = 127;
  s = Converted(s);
  EXPECT_EQ(s.LocNeedle, 127);
  EXPECT_NEAR(s.LocDeviation, 1.38, 1e-5);
  EXPECT_NEAR(s.GsDeviation, 1.2, 1e-5);

  s.LocNeedle = -5;
  EXPECT_DOUBLE_EQ(Converted(s).LocDeviation, -5 * 0.0108661417);
}

TEST(Conversions, DegreeValuesAndTextsUntouched) {
  InterfaceValues s{};
  s.Bank = 33.3;
  s.FdPitch = -4.25;
  s.FdBank = 12;
  s.DmeText = " 12.3";
  s.Nav1Ident = "IABC ";
  const InterfaceValues c = Converted(s);
  EXPECT_EQ(c.Bank, 33.3);
  EXPECT_EQ(c.FdPitch, -4.25);
  EXPECT_EQ(c.FdBank, 12);
  EXPECT_EQ(c.DmeText, " 12.3");
  EXPECT_EQ(c.Nav1Ident, "IABC ");
}
