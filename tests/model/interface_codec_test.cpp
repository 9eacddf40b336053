// The simulator interface's codec: the classic views of the raw values with their edge cases, and
// readings to the interface and back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "model/interface_codec.h"
#include "model/network_reply.h"
#include "model/read_list.h"
#include "pfd/frame_rules.h"
#include "server/reply_format.h"

namespace {

InterfaceValues Converted(InterfaceValues s, InclinationRule rule = InclinationRule::Degrees) {
  ApplyConversions(s, rule);
  return s;
}

// The classic panel's deviation scale offsets of converted values.
double LocOffset(const InterfaceValues& s) { return DecideFrame(s, false).localizerOffset; }
double GsOffset(const InterfaceValues& s) { return -DecideFrame(s, false).glideSlopeOffset; }

// The raw value (metres x 65536) that is closest to `feet`.
int32_t RawFromFeet(double feet) { return int32_t(std::llround(feet / 3.28084 * 65536)); }

}  // namespace

TEST(Conversions, AllZeroRecordGivesZeroes) {
  const InterfaceValues s = Converted(InterfaceValues{});
  EXPECT_EQ(PitchOffsetOf(s), 0);
  EXPECT_EQ(s.RadioAltitudeFt, 0);
  EXPECT_EQ(s.ApAltitudeFt, 0);
  EXPECT_EQ(s.GsInclination, 0);
  EXPECT_EQ(GsOffset(s), 0);
  EXPECT_EQ(LocOffset(s), 0);
  EXPECT_TRUE(s.DmeText.empty());
  EXPECT_TRUE(s.Nav1Ident.empty());
}

TEST(Conversions, PitchOffsetAndRadioAltitude) {
  InterfaceValues s{};
  s.Pitch = -12.5;
  s.RadioAltitudeRaw = 65536;  // one metre
  s = Converted(s);
  EXPECT_DOUBLE_EQ(PitchOffsetOf(s), -12.5 * 0.0058);
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
  EXPECT_DOUBLE_EQ(LocOffset(s), -127 * 0.0108661417);
  EXPECT_DOUBLE_EQ(GsOffset(s), -127 * 0.0094488);

  s.LocNeedle = 127;
  s.GsNeedle = 127;
  s = Converted(s);
  EXPECT_EQ(s.LocNeedle, 127);
  EXPECT_NEAR(LocOffset(s), 1.38, 1e-5);
  EXPECT_NEAR(GsOffset(s), 1.2, 1e-5);

  s.LocNeedle = -5;
  EXPECT_DOUBLE_EQ(LocOffset(Converted(s)), -5 * 0.0108661417);
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

namespace {

using R = ReadingId;

// A value a pilot can check for every reading the interface carries.
FlightState EveryReading() {
  FlightState s{};
  const std::pair<ReadingId, double> numbers[] = {
      {R::Pitch, 5},  // nose up
      {R::Bank, -10},  // left wing down
      {R::FdPitch, 2.5},
      {R::FdBank, 15},
      {R::LocaliserDeviation, -1},  // one dot: the localiser lies left
      {R::GlideSlopeDeviation, 0.5},
      {R::RadioAltitude, 200},
      {R::Altitude, 3000},
      {R::VerticalSpeed, -700},
      {R::IndicatedAirspeed, 250},
      {R::Mach, 0.78},
      {R::GroundSpeed, 280},
      {R::HeadingTrue, 95},
      {R::MagneticVariation, -13},  // 13 degrees west
      {R::SelectedHeading, 280},
      {R::SelectedAltitude, 3000},
      {R::SelectedVerticalSpeed, -1000},
      {R::SelectedAirspeed, 220},
      {R::AltimeterSetting, 1013.25},
      {R::SelectedMach, 0.78},
      {R::TrueAirspeed, 300},
      {R::WindSpeed, 30},
      {R::WindDirectionTrue, 5},  // from the left of the heading, square on
      {R::TrackTrue, 95 + 5.7106},  // drifting right by atan(30 / 300)
      {R::SlipBall, 0.5},  // half a ball right
      {R::FlapPosition, 0.625},
      {R::FlapSteps, 8},
  };
  for (const auto& [id, value] : numbers) s.Set(id, value);
  for (size_t i = 0; i < kReadingCount; ++i)
    if (KindOf(ReadingId(i)) == ReadingKind::Fact) s.SetFact(ReadingId(i), true);
  s.SetText(R::IlsIdent, "IORV");
  s.SetText(R::DmeText, "012.5");
  return s;
}

// Through the interface's bytes and back, as the data server and the display see them.
FlightState ThroughTheInterface(const FlightState& readings) {
  const InterfaceValues encoded = EncodeInterface(readings);
  InterfaceValues arrived{};
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVar var = FlightVar(v);
    if (!VarInfo(var).hasField) continue;
    uint8_t bytes[16] = {};
    LoadRawBytes(encoded, var, bytes);
    StoreRawBytes(arrived, var, bytes);
  }
  arrived.Valid = encoded.Valid;
  ApplyConversions(arrived, InclinationRule::Raw);
  FlightState back{};
  DecodeInterface(arrived, back);
  return back;
}

// Through the network: each variable's request answered from the interface's bytes as the data
// server answers it, the reply stored and decoded as the display does.
FlightState ThroughTheNetwork(const FlightState& readings) {
  const InterfaceValues encoded = EncodeInterface(readings);
  InterfaceValues arrived{};
  for (const ReadListRow& row : ReadPlan::With(InterfaceVarsOf(ReadingSet::All())).network) {
    uint8_t bytes[16] = {};
    LoadRawBytes(encoded, row.var, bytes);
    server::Request request;
    request.offset = row.offset;
    request.size = row.size;
    request.type = VarInfo(row.var).netCode;
    std::string reply;
    server::AppendReplyText(request, bytes, reply);
    if (row.kind == RawKind::Text) {
      StoreTextReply(arrived, row, reply);
    } else {
      double value = 0;
      EXPECT_TRUE(ParseReplyNumber(reply, '.', &value)) << reply;
      EXPECT_TRUE(StoreNumberReply(arrived, row, value)) << VarName(row.var) << " " << reply;
    }
    arrived.Valid.Add(row.field);
  }
  ApplyConversions(arrived, InclinationRule::Raw);
  FlightState back{};
  DecodeInterface(arrived, back);
  return back;
}

}  // namespace

// Every row of the codec, on both wires that carry the interface's variables: a reading encoded
// into the interface's bytes, or answered over the network from them, reads back within half a step
// of its variable (a whole-feet value within one), arrived, with the interface's own signs and units
// on the wire.
TEST(InterfaceCodec, EveryReadingRoundTripsThroughTheInterfaceBytes) {
  const FlightState sent = EveryReading();
  for (const auto& [wire, back] : {std::pair{"interface", ThroughTheInterface(sent)},
                                   std::pair{"network", ThroughTheNetwork(sent)}}) {
    for (size_t i = 0; i < InterfaceCodecRowCount(); ++i) {
      const InterfaceCodecRow& row = InterfaceCodecRows()[i];
      const std::string name = std::string(wire) + ": " + ReadingName(row.reading);
      EXPECT_TRUE(back.Valid.Has(row.reading)) << name;
      if (KindOf(row.reading) == ReadingKind::Text)
        EXPECT_EQ(back.Text(row.reading), sent.Text(row.reading)) << name;
      else
        EXPECT_NEAR(back.Get(row.reading).value, sent.Get(row.reading).value,
                    row.rule == CodecRule::Track ? 0.01
                                                 : std::fabs(row.factor) / (row.rule == CodecRule::WholeFeet ? 1 : 2) + 1e-9)
            << name;
    }
  }

  // On the wire: nose up is negative, 3,000 ft selected is 914.4 m, 280 kt over the ground 144.0 m/s.
  const InterfaceValues wire = EncodeInterface(sent);
  EXPECT_EQ(wire.Pitch, -5.0);
  EXPECT_NEAR(wire.ApAltitudeRaw / 65536.0, 914.4, 0.01);
  EXPECT_NEAR(wire.GroundSpeedRaw / 65536.0, 144.04, 0.01);
  EXPECT_EQ(wire.ApMaster, 1u);
  // Half a ball right is 64 of 127, flaps 0.625 out 10239 of 16383, the gear lever down 16383, Mach
  // 0.78 is 0.78 x 65536, 300 kt true 300 x 128, the wind from 005 is 5 / 360 of 65536.
  EXPECT_EQ(wire.TurnBall, 64);
  EXPECT_EQ(wire.FlapPositionRaw, 10239);
  EXPECT_EQ(wire.FlapSteps, 8);
  EXPECT_EQ(wire.GearControl, 16383);
  EXPECT_EQ(wire.ApMachRaw, 51118u);
  EXPECT_EQ(wire.TrueAirspeedRaw, 38400);
  EXPECT_EQ(wire.WindDirectionRaw, 910);
  EXPECT_EQ(wire.WindSpeedRaw, 30);
  EXPECT_EQ(wire.StallWarning, 1);
  EXPECT_EQ(wire.ApMachHold, 1u);
}

// The ball's and the flaps' ends: the interface's -128 is full scale left as -127 is, and values
// beyond full travel read full travel.
TEST(InterfaceCodec, BallAndFlapsStayWithinTheirTravel) {
  InterfaceValues s{};
  s.Valid = {FlightVar::TurnBall, FlightVar::FlapPositionRaw};
  s.TurnBall = -128;
  s.FlapPositionRaw = 20000;
  FlightState back{};
  DecodeInterface(s, back);
  EXPECT_EQ(back.SlipBall, -1.0);
  EXPECT_EQ(back.FlapPosition, 1.0);
  s.TurnBall = 127;
  DecodeInterface(s, back);
  EXPECT_EQ(back.SlipBall, 1.0);
  FlightState over{};
  over.Set(R::SlipBall, -3);
  EXPECT_EQ(EncodeInterface(over).TurnBall, -127);
}

// The track is worked out from the heading and the wind: it needs all four, and it is not carried
// at the heading's bytes (a source that has the heading but no track serves the heading).
TEST(InterfaceCodec, TrackFromTheHeadingAndTheWindWhenAllArrived) {
  FlightState sent = EveryReading();
  InterfaceValues wire = EncodeInterface(sent);
  FlightState back{};
  DecodeInterface(wire, back);
  EXPECT_TRUE(back.Valid.Has(R::TrackTrue));
  EXPECT_NEAR(back.TrackTrue, 100.71, 0.01);
  wire.Valid.Remove(FlightVar::WindDirectionRaw);
  FlightState without{};
  DecodeInterface(wire, without);
  EXPECT_FALSE(without.Valid.Has(R::TrackTrue));
  EXPECT_TRUE(without.Valid.Has(R::HeadingTrue));
  EXPECT_FALSE(ReadingsAt(0x0580, 4).Has(R::TrackTrue));
  EXPECT_TRUE(InterfaceVarsOf({R::TrackTrue}).Covers({FlightVar::HeadingTrueRaw, FlightVar::TrueAirspeedRaw,
                                                      FlightVar::WindSpeedRaw, FlightVar::WindDirectionRaw}));
  // A source without a track of its own spoils no variable of the heading or the wind.
  sent.Valid.Remove(R::TrackTrue);
  EXPECT_TRUE(EncodeInterface(sent).Valid.Has(FlightVar::HeadingTrueRaw));
}

// A pilot reads whole values as they were set: 3,000 ft selected reads 3000 rounded, and the
// classic rules' truncation to whole feet gives 3000 too.
TEST(InterfaceCodec, WholeValuesReadBackWhole) {
  for (double feet : {3000.0, 10000.0, 250.0, -1000.0, 41000.0}) {
    FlightState s{};
    s.Set(R::SelectedAltitude, feet);
    InterfaceValues wire = EncodeInterface(s);
    ApplyConversions(wire, InclinationRule::Raw);
    EXPECT_EQ(wire.ApAltitudeFt, int32_t(feet)) << feet;
    FlightState back{};
    DecodeInterface(wire, back);
    EXPECT_EQ(std::lround(back.SelectedAltitude), std::lround(feet)) << feet;
  }
}

// Facts are independent of each other on the wire, and a reading whose variables did not all arrive
// is not valid.
TEST(InterfaceCodec, FactsApartAndValidityFromEveryVariable) {
  for (size_t i = 0; i < kReadingCount; ++i) {
    const ReadingId id = ReadingId(i);
    if (KindOf(id) != ReadingKind::Fact || CodecRowOf(id) == nullptr) continue;  // not on this wire
    FlightState one{};
    one.SetFact(id, true);
    const FlightState back = ThroughTheInterface(one);
    for (size_t j = 0; j < kReadingCount; ++j) {
      if (KindOf(ReadingId(j)) != ReadingKind::Fact || CodecRowOf(ReadingId(j)) == nullptr) continue;
      EXPECT_EQ(back.Fact(ReadingId(j)), i == j) << ReadingName(id) << " set, " << ReadingName(ReadingId(j)) << " read";
    }
  }
  // The ILS is tuned by three variables: without the radio status it is not known.
  InterfaceValues wire = EncodeInterface(EveryReading());
  wire.Valid.Remove(FlightVar::RadioStatus);
  FlightState back{};
  DecodeInterface(wire, back);
  EXPECT_FALSE(back.Valid.Has(R::IlsTuned));
  EXPECT_FALSE(back.Valid.Has(R::LocaliserCaptured));
  EXPECT_TRUE(back.Valid.Has(R::GlideSlopePresent));
  // A variable encoded from a reading that is not valid is not valid either.
  FlightState partial = EveryReading();
  partial.Valid.Remove(R::LocaliserCaptured);
  EXPECT_FALSE(EncodeInterface(partial).Valid.Has(FlightVar::RadioStatus));
  EXPECT_TRUE(EncodeInterface(partial, {R::IlsTuned}).Valid.Has(FlightVar::RadioStatus));
}
