// The full layout's attitude area decided from values a pilot can check: the bank pointer's colour,
// what goes with a lost flight-director command or deviation, the radio altitude's steps, and the
// tuned ILS's identifier and DME as shown.
#include <gtest/gtest.h>

#include <string>

#include "pfd/panel_picture.h"
#include "pfd/tape_rules.h"

namespace {

// Attitude, flight director and deviations all live; the radio altitude 40 ft.
PrimaryFlightValues Approach() {
  PrimaryFlightValues v;
  v.pitchDeg = {2.5, true};
  v.bankDeg = {0, true};
  v.radioAltitudeFt = {40, true};
  return v;
}

FullFrameDescription Decide(const PrimaryFlightValues& v, double bankDeg,
                            std::vector<FrameBar> bars = {{BarKind::Horizontal, 0.1}, {BarKind::Vertical, -0.2}}) {
  FrameDescription today;
  today.bank = bankDeg;
  today.ilsState = 4;
  today.bars = std::move(bars);
  return DecideFullFrame(today, v, {}, BaroUnit::Hpa);
}

TEST(AttitudeArea, TheBankPointerTurnsAmberAt35DegreesEitherWay) {
  const PrimaryFlightValues v = Approach();
  EXPECT_FALSE(Decide(v, 34.9).attitudeArea.bankAmber) << "34.9 degrees: white";
  EXPECT_TRUE(Decide(v, 35).attitudeArea.bankAmber) << "35 degrees: amber";
  EXPECT_TRUE(Decide(v, -35).attitudeArea.bankAmber) << "35 degrees the other way";
  EXPECT_FALSE(Decide(v, -34.9).attitudeArea.bankAmber);
  EXPECT_TRUE(Decide(v, 60).attitudeArea.bankAmber);
  PrimaryFlightValues lost = v;
  lost.bankDeg.valid = false;
  EXPECT_FALSE(Decide(lost, 45).attitudeArea.bankAmber) << "no pointer to colour without an attitude";
}

TEST(AttitudeArea, ALostCommandTakesItsBarALostDeviationItsPointer) {
  PrimaryFlightValues v = Approach();
  FullFrameDescription f = Decide(v, 0);
  ASSERT_EQ(f.attitude.bars.size(), 2u);
  EXPECT_TRUE(f.attitudeArea.localiserPointer);
  EXPECT_TRUE(f.attitudeArea.glideSlopePointer);

  v.flightDirectorPitchValid = false;
  f = Decide(v, 0);
  ASSERT_EQ(f.attitude.bars.size(), 1u) << "the pitch bar goes";
  EXPECT_EQ(f.attitude.bars[0].kind, BarKind::Vertical) << "the roll bar stays";
  EXPECT_DOUBLE_EQ(f.attitude.bars[0].offset, -0.2);

  v = Approach();
  v.flightDirectorBankValid = false;
  f = Decide(v, 0);
  ASSERT_EQ(f.attitude.bars.size(), 1u) << "the roll bar goes";
  EXPECT_EQ(f.attitude.bars[0].kind, BarKind::Horizontal);

  v = Approach();
  v.localiserValid = false;
  f = Decide(v, 0);
  EXPECT_FALSE(f.attitudeArea.localiserPointer);
  EXPECT_TRUE(f.attitudeArea.glideSlopePointer);
  EXPECT_EQ(f.attitude.ilsState, 4) << "the scales stay";
  v = Approach();
  v.glideSlopeValid = false;
  f = Decide(v, 0);
  EXPECT_TRUE(f.attitudeArea.localiserPointer);
  EXPECT_FALSE(f.attitudeArea.glideSlopePointer);
  EXPECT_EQ(f.attitude.bars.size(), 2u) << "the deviations do not take the bars";

  // The readings say which arrived.
  FlightState s{};
  s.Valid = ReadingSet::All();
  s.Valid.Remove(ReadingId::FdBank);
  s.Valid.Remove(ReadingId::GlideSlopeDeviation);
  const PrimaryFlightValues read = PrimaryValuesOf(s);
  EXPECT_TRUE(read.flightDirectorPitchValid);
  EXPECT_FALSE(read.flightDirectorBankValid);
  EXPECT_TRUE(read.localiserValid);
  EXPECT_FALSE(read.glideSlopeValid);
}

TEST(AttitudeArea, TheRadioAltitudeCountsDownTo0AndItsLossIsFlagged) {
  PrimaryFlightValues v = Approach();
  const auto reads = [&](double ft) {
    v.radioAltitudeFt = {ft, true};
    return Decide(v, 0).radioAltitude.text;
  };
  EXPECT_EQ(reads(40), "40");
  EXPECT_EQ(reads(41.2), "42") << "2 ft steps below 100 ft";
  EXPECT_EQ(reads(3), "4");
  EXPECT_EQ(reads(0.4), "0");
  EXPECT_EQ(reads(1234), "1230") << "10 ft steps above";
  EXPECT_EQ(reads(2500), "") << "none from 2,500 ft";
  v.radioAltitudeFt.valid = false;
  const FullFrameDescription f = Decide(v, 0);
  EXPECT_TRUE(f.radioAltitude.failed);
  EXPECT_EQ(f.radioAltitude.text, "");
}

TEST(AttitudeArea, TheMarkerTheIdentifierAndTheDmeAsShown) {
  PrimaryFlightValues v = Approach();
  v.outerMarker = v.middleMarker = true;
  v.ilsIdent = "IORV  ";
  v.dmeText = "012.5";
  // Today's frame of the same moment: its cyan radio altitude, "RA" and marker letter "M".
  InterfaceValues s{};
  s.MiddleMarker = 1;
  s.RadioAltitudeFt = 40;
  FrameDescription today = DecideFrame(s, false);
  ASSERT_EQ(today.texts.size(), 3u);
  today.ilsState = 4;  // the localiser tuned
  FullFrameDescription f = DecideFullFrame(today, v, {}, BaroUnit::Hpa);
  EXPECT_EQ(f.navigation.marker, "MM") << "the middle over the outer";
  EXPECT_EQ(f.navigation.ilsIdent, "IORV");
  EXPECT_EQ(f.navigation.dme, "12.5");
  EXPECT_TRUE(f.attitude.texts.empty()) << "no letter or radio altitude of today's panel";
  EXPECT_EQ(f.radioAltitude.text, "40") << "the area's own, counting below 100 ft";
  today.ilsState = 0;
  f = DecideFullFrame(today, v, {}, BaroUnit::Hpa);
  EXPECT_EQ(f.navigation.ilsIdent, "") << "no localiser tuned: no ILS named";
  EXPECT_EQ(f.navigation.dme, "");
  EXPECT_EQ(f.navigation.marker, "MM") << "the marker all the same";

  EXPECT_EQ(DmeShown("002.5"), "2.5");
  EXPECT_EQ(DmeShown("000.0"), "0.0");
  EXPECT_EQ(DmeShown("1234"), "1234");
  EXPECT_EQ(DmeShown(" 999.9"), "999.9");
  EXPECT_EQ(DmeShown(""), "") << "out of range: nothing";
  EXPECT_EQ(DmeShown("12.5NM"), "") << "not a distance";
  EXPECT_EQ(DmeShown("1.2.3"), "");
  EXPECT_EQ(DmeShown("0001234.5"), "") << "longer than a distance the sources send";
  EXPECT_EQ(IlsIdentShown(std::string("IRW\0X", 5)), "IRW") << "up to the first unprintable character";
  EXPECT_EQ(IlsIdentShown("ABCDEFGH"), "ABCDEF") << "six characters at most";
}

}  // namespace
