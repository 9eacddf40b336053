// Tests of flight-state files: parsing, ranges, comments, texts, error messages, round trips.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "simdata/flight_state_file.h"
#include "simdata/demo_flight.h"
#include "support/pilot_state.h"

namespace {

bool Parse(const std::string& text, InterfaceValues& s, std::string& error) {
  return ParseFlightStateText(text, "test.state", s, error);
}

// Parses text that must fail and returns the message.
std::string ErrorOf(const std::string& text) {
  InterfaceValues s{};
  std::string error;
  EXPECT_FALSE(Parse(text, s, error)) << text;
  return error;
}

void ExpectContainsAll(const std::string& message, std::initializer_list<const char*> parts) {
  for (const char* p : parts) {
    EXPECT_NE(message.find(p), std::string::npos) << message << " lacks " << p;
  }
}

TEST(FlightStateFileParse, ReadsEveryKindOfValueCommentsAndBlankLines) {
  const std::string text =
      "# approach over the middle marker\r\n"
      "; another comment\n"
      "\n"
      "   \t\n"
      "Pitch=-2.5\n"
      "  Bank = 12.25  \n"
      "ApMaster=1\n"
      "RadioStatus=0x0342\n"
      "Nav1BcFlags=0X82\n"
      "GsNeedle=-128\n"
      "LocNeedle=+127\n"
      "Altimeter=-2147483648\n"
      "ApAltitudeRaw=59925\n"
      "ApApproachHold=4294967295\n"
      "GsInclinationRaw=546\n"
      "FdPitch=1e-3\n"
      "DmeText=012.4\n"
      "Nav1Ident=\"IORV\"";  // no newline at the end
  InterfaceValues s{};
  std::string error;
  ASSERT_TRUE(Parse(text, s, error)) << error;
  EXPECT_EQ(s.Pitch, -2.5);
  EXPECT_EQ(s.Bank, 12.25);
  EXPECT_EQ(s.ApMaster, 1u);
  EXPECT_EQ(s.RadioStatus, 0x0342);
  EXPECT_EQ(s.Nav1BcFlags, 0x82);
  EXPECT_EQ(s.GsNeedle, -128);
  EXPECT_EQ(s.LocNeedle, 127);
  EXPECT_EQ(s.Altimeter, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(s.ApAltitudeRaw, 59925);
  EXPECT_EQ(s.ApApproachHold, 4294967295u);
  EXPECT_EQ(s.GsInclinationRaw, 546);
  EXPECT_EQ(s.FdPitch, 1e-3);
  EXPECT_EQ(s.DmeText, "012.4");
  EXPECT_EQ(s.Nav1Ident, "IORV");
  // Not given: zero.
  EXPECT_EQ(s.FdBank, 0.0);
  EXPECT_EQ(s.OuterMarker, 0);
  EXPECT_EQ(s.Nav1CodeFlags, 0);
}

TEST(FlightStateFileParse, EmptyTextGivesTheZeroState) {
  InterfaceValues s{};
  s.Altimeter = 5;  // must be reset: fields not given are 0
  std::string error;
  ASSERT_TRUE(Parse("# nothing\n\n", s, error)) << error;
  EXPECT_EQ(s.Altimeter, 0);
  EXPECT_TRUE(s.DmeText.empty());
}

TEST(FlightStateFileParse, NotANumberAndInfinityForFlightDirectorCases) {
  InterfaceValues s{};
  std::string error;
  ASSERT_TRUE(Parse("FdPitch=nan\nFdBank=-inf\n", s, error)) << error;
  EXPECT_TRUE(std::isnan(s.FdPitch));
  EXPECT_TRUE(std::isinf(s.FdBank) && s.FdBank < 0);
}

TEST(FlightStateFileRanges, EachFieldIsCheckedAgainstItsWidth) {
  struct Case {
    const char* line;
    const char* range;
  };
  const Case cases[] = {
      {"GsNeedle=128", "-128..127"},
      {"GsNeedle=-129", "-128..127"},
      {"LocNeedle=0x80", "-128..127"},
      {"Nav1BcFlags=256", "0..255"},
      {"Nav1CodeFlags=-1", "0..255"},
      {"RadioStatus=0x10000", "0..65535"},
      {"OuterMarker=65536", "0..65535"},
      {"GsInclinationRaw=32768", "-32768..32767"},
      {"ApMaster=4294967296", "0..4294967295"},
      {"FdActive=-1", "0..4294967295"},
      {"Altimeter=2147483648", "-2147483648..2147483647"},
      {"RadioAltitudeRaw=-2147483649", "-2147483648..2147483647"},
      {"HeadingTrueRaw=-1", "0..4294967295"},
      {"MagneticVariationRaw=-32769", "-32768..32767"},
  };
  for (const Case& c : cases) {
    const std::string line = c.line;
    const std::string key = line.substr(0, line.find('='));
    const std::string value = line.substr(line.find('=') + 1);
    ExpectContainsAll(ErrorOf("# x\n" + line + "\n"),
                      {"test.state:2", key.c_str(), value.c_str(), c.range});
  }
  // The limits themselves are accepted.
  InterfaceValues s{};
  std::string error;
  EXPECT_TRUE(Parse("GsNeedle=127\nLocNeedle=-128\nRadioStatus=0xFFFF\nNav1CodeFlags=255\n"
                    "GsInclinationRaw=-32768\nApMaster=0xFFFFFFFF\nRadioAltitudeRaw=2147483647\n",
                    s, error))
      << error;
  EXPECT_EQ(s.RadioStatus, 0xFFFF);
  EXPECT_EQ(s.ApMaster, 0xFFFFFFFFu);
}

TEST(FlightStateFileErrors, MessagesNameFileLineKeyAndValue) {
  ExpectContainsAll(ErrorOf("Pitch=1\nBank=abc\n"),
                    {"test.state:2", "Bank", "abc", "not a number"});
  ExpectContainsAll(ErrorOf("ApMaster=1.5\n"), {"test.state:1", "ApMaster", "1.5", "integer"});
  ExpectContainsAll(ErrorOf("ApMaster=\n"), {"test.state:1", "ApMaster"});
  ExpectContainsAll(ErrorOf("RadioStatus=0x\n"), {"RadioStatus", "0x"});
  ExpectContainsAll(ErrorOf("RadioStatus=0x1G\n"), {"RadioStatus", "0x1G"});
  ExpectContainsAll(ErrorOf("Pitch=1.0.0\n"), {"Pitch", "1.0.0"});
  ExpectContainsAll(ErrorOf("Pitch=0x10\n"), {"Pitch", "0x10"});
  ExpectContainsAll(ErrorOf("\n\npitch=1\n"), {"test.state:3", "unknown key", "pitch", "1"});
  // Derived values are not part of a file.
  ExpectContainsAll(ErrorOf("PitchOffset=1\n"), {"unknown key", "PitchOffset"});
  ExpectContainsAll(ErrorOf("Pitch 1\n"), {"test.state:1", "key=value", "Pitch 1"});
  ExpectContainsAll(ErrorOf("Bank=1\nPitch=2\nBank=3\n"),
                    {"test.state:3", "Bank", "3", "twice", "line 1"});
  ExpectContainsAll(ErrorOf("ApMaster=99999999999999999999\n"), {"ApMaster", "9999"});
}

TEST(FlightStateFileErrors, FailureLeavesTheStateUntouched) {
  InterfaceValues s{};
  s.Altimeter = 1234;
  std::string error;
  EXPECT_FALSE(Parse("Altimeter=5\nGsNeedle=300\n", s, error));
  EXPECT_EQ(s.Altimeter, 1234);
}

TEST(FlightStateFileErrors, UnprintableBytesAreShownEscaped) {
  const std::string message = ErrorOf(std::string("Pitch=\x01\x7f", 8) + "\n");
  EXPECT_NE(message.find("\\x01"), std::string::npos) << message;
  for (char c : message) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << message;
}

TEST(FlightStateFileTexts, QuotesEscapesAndLengthLimits) {
  InterfaceValues s{};
  std::string error;
  ASSERT_TRUE(Parse("DmeText=\"00.0\"\nNav1Ident=\"\"\n", s, error)) << error;
  EXPECT_EQ(s.DmeText, "00.0");
  EXPECT_EQ(s.Nav1Ident, "");
  ASSERT_TRUE(Parse("DmeText=\" 2.5 \"\nNav1Ident=\"I\\x01\\\"\\\\V\"\n", s, error)) << error;
  EXPECT_EQ(s.DmeText, " 2.5 ");  // blanks inside quotes are kept (the display trims them)
  EXPECT_EQ(s.Nav1Ident, std::string("I\x01\"\\V"));
  ASSERT_TRUE(Parse("DmeText=\nNav1Ident=IORV12\n", s, error)) << error;
  EXPECT_EQ(s.DmeText, "");
  EXPECT_EQ(s.Nav1Ident, "IORV12");

  ExpectContainsAll(ErrorOf("DmeText=012.45\n"), {"DmeText", "012.45", "5 characters"});
  ExpectContainsAll(ErrorOf("Nav1Ident=\"IORV123\"\n"), {"Nav1Ident", "IORV123", "6 characters"});
  ExpectContainsAll(ErrorOf("Nav1Ident=\"IORV\n"), {"Nav1Ident", "quote"});
  ExpectContainsAll(ErrorOf("Nav1Ident=\"IO\"RV\"\n"), {"Nav1Ident", "quote"});
  ExpectContainsAll(ErrorOf("Nav1Ident=\"IO\\qRV\"\n"), {"Nav1Ident", "escape"});
  ExpectContainsAll(ErrorOf("Nav1Ident=\"IORV\\\"\n"), {"Nav1Ident", "escape"});
  ExpectContainsAll(ErrorOf("Nav1Ident=\"IO\\x0\"\n"), {"Nav1Ident", "escape"});
  ExpectContainsAll(ErrorOf("Nav1Ident=\"A\\x00B\"\n"), {"Nav1Ident", "zero byte"});
  ExpectContainsAll(ErrorOf("Nav1Ident=I\x02V\n"), {"Nav1Ident", "unprintable"});
}

TEST(FlightStateFileSize, TextsLargerThanTheLimitAreRefused) {
  std::string big(kFlightStateFileMaxBytes + 1, '#');
  ExpectContainsAll(ErrorOf(big), {"test.state", "larger than"});
  std::string fits(kFlightStateFileMaxBytes, '\n');
  InterfaceValues s{};
  std::string error;
  EXPECT_TRUE(Parse(fits, s, error)) << error;
}

TEST(FlightStateFileFormat, RoundTripsDemoStatesAndExtremes) {
  const double times[] = {demo::times::kCruiseHdgAlt, demo::times::kNoIlsPlateDme,
                          demo::times::kIlsApproachMiddleMarker, demo::times::kRollout};
  std::vector<InterfaceValues> states;
  for (double t : times) states.push_back(EncodeInterface(demo::StateAt(t)));
  InterfaceValues extreme{};
  extreme.Pitch = -0.0;
  extreme.Bank = 0.1 + 0.2;  // needs all 17 digits
  extreme.FdPitch = std::numeric_limits<double>::infinity();
  extreme.FdBank = std::numeric_limits<double>::denorm_min();
  extreme.GsNeedle = -128;
  extreme.Altimeter = std::numeric_limits<int32_t>::min();
  extreme.ApApproachHold = 0xFFFFFFFFu;
  extreme.GsInclinationRaw = -32768;
  extreme.Nav1Ident = "\"\\\x1f";
  extreme.DmeText = " 0.0 ";
  states.push_back(extreme);
  states.push_back(orvane_test::PilotState());

  for (const InterfaceValues& in : states) {
    const std::string text = FormatFlightStateText(in);
    InterfaceValues back{};
    std::string error;
    ASSERT_TRUE(Parse(text, back, error)) << error << "\n" << text;
    EXPECT_EQ(FormatFlightStateText(back), text);
    EXPECT_EQ(back.Bank, in.Bank);
    EXPECT_EQ(std::signbit(back.Pitch), std::signbit(in.Pitch));
    EXPECT_EQ(back.FdBank, in.FdBank);
    EXPECT_EQ(back.Altimeter, in.Altimeter);
    EXPECT_EQ(back.RadioAltitudeRaw, in.RadioAltitudeRaw);
    EXPECT_EQ(back.RadioStatus, in.RadioStatus);
    EXPECT_EQ(back.GsNeedle, in.GsNeedle);
    EXPECT_EQ(back.DmeText, in.DmeText);
    EXPECT_EQ(back.Nav1Ident, in.Nav1Ident);
    for (size_t v = 0; v < kFlightVarCount; ++v) {
      const double raw = RawNumber(in, FlightVar(v));
      if (!std::isnan(raw)) {
        EXPECT_EQ(RawNumber(back, FlightVar(v)), raw) << VarName(FlightVar(v));
      }
    }
  }
  // The pilot's values, written and read back, in the frames' units.
  InterfaceValues pilot{};
  std::string error;
  ASSERT_TRUE(Parse(FormatFlightStateText(orvane_test::PilotState()), pilot, error)) << error;
  pilot.Valid = orvane_test::PilotStateVars();
  orvane_test::ExpectPilotState(pilot, "written and read back");
}

TEST(FlightStateFileFormat, NamesEveryVariableOnceAndListsItsUnit) {
  const std::string text = FormatFlightStateText(InterfaceValues{});
  const std::string keys = "\n" + FlightStateKeysText();
  int named = 0;
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVarInfo& info = VarInfo(FlightVar(v));
    const std::string line = std::string("\n") + info.name + "=";
    const size_t first = text.find(line);
    if (!info.hasField) {  // no member: no key
      EXPECT_EQ(first, std::string::npos) << info.name;
      continue;
    }
    ++named;
    EXPECT_NE(first, std::string::npos) << info.name;
    EXPECT_EQ(text.find(line, first + 1), std::string::npos) << info.name;
    // The list's "unit x N": k units written as k x N (rounded) read back as k units.
    const size_t at = keys.find(std::string("\n  ") + info.name + " ");
    ASSERT_NE(at, std::string::npos) << info.name;
    const std::string entry = keys.substr(at + 1, keys.find('\n', at + 1) - at - 1);
    const size_t times = entry.find(" x ");
    if (times == std::string::npos) continue;
    const double perUnit = std::strtod(entry.c_str() + times + 3, nullptr);
    ASSERT_GT(perUnit, 0) << entry;
    double k = 1;
    while (k * perUnit < 1) k *= 10;
    InterfaceValues s{};
    std::string error;
    ASSERT_TRUE(Parse(std::string(info.name) + "=" + std::to_string(std::llround(k * perUnit)), s, error)) << error;
    EXPECT_NEAR(RawNumber(s, info.var) * CodecRowOf(info.var)->factor, k, 0.5 / perUnit) << entry;
  }
  EXPECT_GT(named, 30);
}

TEST(FlightStateFileDocs, TheDocumentedExampleParsesAndMatchesTheDemo) {
  // The example in docs/demo-flight.md is the demo over the middle marker, rounded.
  std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/docs/demo-flight.md", std::ios::binary);
  ASSERT_TRUE(in.good());
  const std::string doc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t start = doc.find("```\n# ILS approach over the middle marker");
  ASSERT_NE(start, std::string::npos);
  const size_t end = doc.find("```", start + 3);
  ASSERT_NE(end, std::string::npos);
  InterfaceValues s{};
  std::string error;
  ASSERT_TRUE(Parse(doc.substr(start + 4, end - start - 4), s, error)) << error;
  const InterfaceValues d = EncodeInterface(demo::StateAt(demo::times::kIlsApproachMiddleMarker));
  EXPECT_EQ(s.RadioAltitudeRaw, d.RadioAltitudeRaw);
  EXPECT_EQ(s.Altimeter, d.Altimeter);
  EXPECT_EQ(s.ApAltitudeRaw, d.ApAltitudeRaw);
  EXPECT_EQ(s.RadioStatus, d.RadioStatus);
  EXPECT_EQ(s.MiddleMarker, d.MiddleMarker);
  EXPECT_EQ(s.LocNeedle, d.LocNeedle);
  EXPECT_EQ(s.DmeText, d.DmeText);
  EXPECT_NEAR(s.Bank, d.Bank, 0.01);
  EXPECT_EQ(s.IndicatedAirspeedRaw, d.IndicatedAirspeedRaw);
  EXPECT_EQ(s.HeadingTrueRaw, d.HeadingTrueRaw);
  EXPECT_EQ(s.VerticalSpeedRaw, d.VerticalSpeedRaw);
  EXPECT_EQ(s.ApHeadingRaw, d.ApHeadingRaw);
  EXPECT_EQ(s.ApAirspeed, d.ApAirspeed);
}

class FlightStateFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = (std::filesystem::temp_directory_path() /
             (std::string("orvane_fsf_") + info->name() + ".state"))
                .string();
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  void Write(const std::string& content) {
    std::ofstream out(path_, std::ios::binary);
    out << content;
  }
  std::string path_;
};

TEST_F(FlightStateFileOnDisk, ReadsAFileAndNamesItInErrors) {
  Write("Altimeter=3000\nNav1Ident=IORV\n");
  InterfaceValues s{};
  std::string error;
  ASSERT_TRUE(ReadFlightStateFile(path_, s, error)) << error;
  EXPECT_EQ(s.Altimeter, 3000);
  EXPECT_EQ(s.Nav1Ident, "IORV");

  Write("Altimeter=3000\nGsNeedle=500\n");
  EXPECT_FALSE(ReadFlightStateFile(path_, s, error));
  ExpectContainsAll(error, {path_.c_str(), ":2", "GsNeedle", "500"});
}

TEST_F(FlightStateFileOnDisk, RefusesMissingAndOversizedFiles) {
  InterfaceValues s{};
  std::string error;
  EXPECT_FALSE(ReadFlightStateFile(path_ + ".missing", s, error));
  ExpectContainsAll(error, {".missing", "cannot open"});

  Write(std::string(kFlightStateFileMaxBytes + 100, '\n'));
  EXPECT_FALSE(ReadFlightStateFile(path_, s, error));
  ExpectContainsAll(error, {path_.c_str(), "larger than"});
}

}  // namespace
