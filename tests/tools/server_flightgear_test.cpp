// The FlightGear source: the shipped protocol file against the parser's fields, the property table
// checked with values a pilot can check, the line parser, and the server fed by a generic-protocol sender.
#include <gtest/gtest.h>

#include <asio.hpp>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "sources/flightgear_feed.h"
#include "server/feed_source.h"
#include "sources/flightgear_udp_feed.h"
#include "support/fg_line.h"
#include "support/server_feeds.h"

namespace {

using orvane_test::DisplayedState;
using orvane_test::FgLine;
using orvane_test::ShowsText;

// The readings of one line, through the parser and every row of the table.
FlightState ReadingsAfter(const std::string& line) {
  FeedState fed{};
  std::vector<FgValue> values;
  std::string why;
  EXPECT_TRUE(ParseGenericLine(line.data(), line.size(), FlightGearFields(),
                                       FlightGearFieldCount(), &values, &why))
      << why << ": " << line;
  for (size_t r = 0; r < FlightGearRowCount() && !values.empty(); ++r) {
    const FeedRow& row = FlightGearRows()[r];
    size_t f = 0;
    while (f < FlightGearFieldCount() && std::strcmp(FlightGearFields()[f].path, row.path) != 0) ++f;
    if (f == FlightGearFieldCount()) {
      ADD_FAILURE() << row.path << " is no field of the line";
      continue;
    }
    ApplyFeedRow(row, values[f].number, values[f].text, fed);
  }
  SettleTerms(FlightGearRows(), FlightGearRowCount(), fed);
  return fed.readings;
}

// What the display makes of one line, read from the data area the server fills with the readings.
InterfaceValues ShownAfter(const std::string& line) {
  SimDataArea area;
  area.StoreReadings(ReadingsAfter(line));
  return DisplayedState(area);
}

TEST(FlightGearProtocol, TheShippedFileSendsTheFieldsTheServerReadsInItsOrder) {
  std::ifstream file(std::string(ORVANE_SOURCE_DIR) + "/dist/flightgear/orvane.xml");
  ASSERT_TRUE(file) << "dist/flightgear/orvane.xml";
  std::stringstream all;
  all << file.rdbuf();
  const std::string xml = all.str();
  EXPECT_NE(xml.find("<line_separator>newline</line_separator>"), std::string::npos);
  EXPECT_NE(xml.find("<var_separator>,</var_separator>"), std::string::npos);
  std::vector<std::pair<std::string, std::string>> chunks;  // node, type
  for (size_t at = xml.find("<chunk>"); at != std::string::npos; at = xml.find("<chunk>", at + 1)) {
    auto inner = [&](const std::string& tag) {
      const size_t b = xml.find("<" + tag + ">", at) + tag.size() + 2;
      return xml.substr(b, xml.find("</" + tag + ">", b) - b);
    };
    chunks.emplace_back(inner("node"), inner("type"));
  }
  ASSERT_EQ(chunks.size(), FlightGearFieldCount());
  for (size_t i = 0; i < chunks.size(); ++i) {
    const FgField& f = FlightGearFields()[i];
    EXPECT_EQ(chunks[i].first, f.path) << "chunk " << i + 1;
    EXPECT_EQ(chunks[i].second == "string", f.kind == FgFieldKind::Text) << f.path;
  }
}

TEST(FlightGearTable, AttitudeNeedlesRadioAltitudeAndIlsAsAPilotReadsThem) {
  FgLine l;
  l.pitch = 5;         // 5 degrees nose up
  l.roll = 10;         // 10 degrees right wing down
  l.locNorm = -0.4;    // 1 dot fly-left (full scale 2.5 dots)
  l.gsNorm = 0.4;      // 1 dot fly-up
  l.aglFt = 200;       // no radar altimeter: the height above ground
  l.inRange = l.navLoc = l.hasGs = l.gsInRange = 1;
  l.mhz = 110.30;
  l.navId = "IORV";
  l.dmeInRange = 1;
  l.dmeNm = 2.5;
  l.altitudeFt = 3000;
  InterfaceValues s = ShownAfter(l.Text());
  EXPECT_DOUBLE_EQ(s.Pitch, -5.0);  // the area counts nose down and left wing down positive
  EXPECT_DOUBLE_EQ(s.Bank, -10.0);
  EXPECT_EQ(s.LocNeedle, -51);      // index left of centre
  EXPECT_EQ(s.GsNeedle, -51);       // index above centre
  EXPECT_NEAR(s.RadioAltitudeFt, 200.0, 0.01);
  EXPECT_EQ(s.Altimeter, 3000);
  EXPECT_EQ(DecideIlsState(s), 4) << "localiser with glide slope on 110.30";
  EXPECT_EQ(s.Nav1Ident, "IORV");
  EXPECT_EQ(s.DmeText, "002.5");
  // With a radar altimeter its reading, here 195 ft from an antenna below the aircraft's centre.
  l.radarFt = 195;
  EXPECT_NEAR(ShownAfter(l.Text()).RadioAltitudeFt, 195.0, 0.01);
  l.mhz = 113.90;  // a VOR
  EXPECT_EQ(DecideIlsState(ShownAfter(l.Text())), 0);
  l.dmeInRange = 0;
  EXPECT_EQ(ShownAfter(l.Text()).DmeText, "") << "no DME text out of range";
  l.outer = 1;
  EXPECT_EQ(DecideMarkerLetter(ShownAfter(l.Text())).text, "O");
  l.middle = 1;
  EXPECT_EQ(DecideMarkerLetter(ShownAfter(l.Text())).text, "M");
  l.inner = 1;
  EXPECT_EQ(DecideMarkerLetter(ShownAfter(l.Text())).text, "I");
}

TEST(FlightGearTable, GenericAutopilotLocksBecomeTheModes) {
  FgLine l;
  l.altitudeFt = l.targetFt = 3000;
  l.aglFt = 2800;  // above the radio-altitude readout
  InterfaceValues s = ShownAfter(l.Text());
  EXPECT_TRUE(DecideFrame(s, false).texts.empty()) << "no lock: autopilot off, no mode";
  l.headingLock = "dg-heading-hold";
  l.altitudeLock = "altitude-hold";
  s = ShownAfter(l.Text());
  EXPECT_TRUE(ShowsText(s, "AP ENG", TextColour::Green));
  EXPECT_TRUE(ShowsText(s, "HDG", TextColour::Green));
  EXPECT_TRUE(ShowsText(s, "ALT", TextColour::Green));
  l.headingLock = "nav1-hold";
  l.altitudeLock = "gs1-hold";
  s = ShownAfter(l.Text());
  EXPECT_TRUE(ShowsText(s, "LOC", TextColour::Green));
  EXPECT_TRUE(ShowsText(s, "GS", TextColour::Green));
  EXPECT_FALSE(ShowsText(s, "HDG", TextColour::Green));
  l.headingLock = "wing-leveler";
  l.altitudeLock = "pitch-hold";
  s = ShownAfter(l.Text());
  EXPECT_TRUE(ShowsText(s, "AP ENG", TextColour::Green));
  EXPECT_EQ(DecideFrame(s, false).texts.size(), 1u) << "modes the display has no annunciation for";
  // Any one lock on its own engages the autopilot: heading, altitude, speed.
  for (auto [heading, altitude, speed] : {std::tuple{"dg-heading-hold", "", ""}, {"", "altitude-hold", ""},
                                          {"", "", "speed-with-throttle"}, {"", "", ""}}) {
    l.headingLock = heading;
    l.altitudeLock = altitude;
    l.speedLock = speed;
    const bool engaged = *heading || *altitude || *speed;
    EXPECT_EQ(ShowsText((ShownAfter(l.Text())), "AP ENG", TextColour::Green), engaged)
        << "heading '" << heading << "', altitude '" << altitude << "', speed '" << speed << "'";
  }
}

// Speeds, headings, vertical speed, the altimeter setting and the autopilot's targets, in the
// units the interface keeps them in (the data area's bytes).
TEST(FlightGearTable, SpeedsHeadingsAndTargetsAsAPilotReadsThem) {
  FgLine l;
  l.kias = 120;
  l.mach = 0.19;
  l.headingTrue = 293;         // flying 280 magnetic over San Francisco
  l.magVar = 13;               // 13 degrees east
  l.verticalFps = 500.0 / 60;  // climbing 500 ft/min
  l.headingBug = 280;
  l.targetKt = 110;
  l.settingHpa = 1013.2;
  l.targetFpm = 500;
  InterfaceValues s = ShownAfter(l.Text());
  auto value = [&](ReadingId id) { return orvane_test::ReadingsOf(s).Get(id).value; };
  EXPECT_NEAR(value(ReadingId::IndicatedAirspeed), 120, 0.01);
  EXPECT_NEAR(value(ReadingId::Mach), 0.19, 1e-4);
  EXPECT_NEAR(value(ReadingId::HeadingTrue), 293, 1e-6);
  EXPECT_NEAR(value(ReadingId::MagneticVariation), 13, 0.01);
  EXPECT_NEAR(value(ReadingId::VerticalSpeed), 500, 1);
  EXPECT_EQ(s.ApVerticalSpeed, 500);
  EXPECT_NEAR(value(ReadingId::SelectedHeading), 280, 0.01);
  EXPECT_EQ(s.ApAirspeed, 110);
  EXPECT_NEAR(value(ReadingId::AltimeterSetting), 1013.2, 0.05);
  l.headingBug = 360;  // FlightGear's bug may read 360 for north
  EXPECT_EQ(ShownAfter(l.Text()).ApHeadingRaw, 0);
}

// On an approach with flaps and gear out, drifting in a crosswind, a touch of slip, the stall
// warning on, the autothrottle holding Mach: each value as the server serves it, and what only the
// display's own FlightGear source has (the track FlightGear works out, the flight path, the limits).
TEST(FlightGearTable, TheEnvelopeAsAPilotReadsIt) {
  FgLine l;
  l.headingTrue = 360;
  l.trueKt = 150;
  l.windKt = 15;
  l.windFromDeg = 270;     // from the left: drifting right
  l.trackDeg = 5.7;
  l.pathDeg = -3;          // on a 3-degree slope
  l.slipSkid = -1;         // a push to the left: the ball half way out to the right
  l.flapsNorm = 0.5;
  l.gearDown = 1;
  l.stallWarning = 1;
  l.speedLock = "mach-with-throttle";
  l.targetMach = 0.78;
  l.headingLock = "nav1-hold";
  l.vne = 340;
  l.vle = 270;
  const InterfaceValues s = ShownAfter(l.Text());
  EXPECT_EQ(s.TrueAirspeedRaw, 150 * 128);
  EXPECT_EQ(s.WindSpeedRaw, 15);
  EXPECT_EQ(s.WindDirectionRaw, 49152);  // 270 of 360 degrees
  EXPECT_EQ(s.TurnBall, 64);             // half of 127, right
  EXPECT_EQ(s.FlapPositionRaw, 8192);    // half of 16383
  EXPECT_EQ(s.GearControl, 16383);
  EXPECT_EQ(s.StallWarning, 1);
  EXPECT_EQ(s.ApMachHold, 1u);
  EXPECT_EQ(s.ApAirspeedHold, 1u);
  EXPECT_EQ(s.ApMachRaw, 51118u);        // 0.78 x 65536
  EXPECT_EQ(s.ApNav1Hold, 1u);
  const FlightState shown = orvane_test::ReadingsOf(s);
  EXPECT_NEAR(shown.TrackTrue, 5.71, 0.02) << "the display's own wind triangle";
  EXPECT_NEAR(shown.SlipBall, 0.5, 0.01);
  const FlightState direct = ReadingsAfter(l.Text());
  EXPECT_NEAR(direct.TrackTrue, 5.7, 1e-9);
  EXPECT_NEAR(direct.FlightPathAngle, -3, 1e-9);
  EXPECT_EQ(direct.MaxOperatingSpeed, 340);
  EXPECT_EQ(direct.GearPlacardSpeed, 270);
  EXPECT_TRUE(direct.Valid.Has(ReadingId::MaxOperatingSpeed));
  // An aircraft without limits (FlightGear writes 0) and a lock in knots: no limit, no Mach.
  l.vne = l.vle = 0;
  l.targetMach = 0;
  l.speedLock = "speed-with-throttle";
  const FlightState plain = ReadingsAfter(l.Text());
  EXPECT_FALSE(plain.Valid.Has(ReadingId::MaxOperatingSpeed));
  EXPECT_FALSE(plain.Valid.Has(ReadingId::GearPlacardSpeed));
  EXPECT_FALSE(plain.Valid.Has(ReadingId::SelectedMach));
  EXPECT_TRUE(plain.SpeedHold);
  EXPECT_FALSE(plain.MachHold);
  // Mach held with the elevator: the speed bug in Mach, the throttles not holding the speed.
  l.speedLock = "mach-with-pitch-trim";
  const FlightState pitch = ReadingsAfter(l.Text());
  EXPECT_FALSE(pitch.SpeedHold);
  EXPECT_TRUE(pitch.MachHold);
}

// A protocol file copied before ground speed was added sends its first 31 values: the line is taken
// (ground speed does not arrive), a line short of those is not.
TEST(FlightGearParser, TakesTheLinesOfTheEarlierProtocolFile) {
  FgLine l;
  l.withoutGroundSpeed = true;
  const std::string older = l.Text();
  std::vector<FgValue> values;
  std::string why;
  EXPECT_TRUE(ParseGenericLine(older.data(), older.size(), FlightGearFields(), FlightGearFieldCount(), &values, &why,
                               kFgFieldsRequired))
      << why;
  EXPECT_EQ(values.size(), kFgFieldsRequired);
  EXPECT_FALSE(ParseGenericLine(older.data(), older.size(), FlightGearFields(), FlightGearFieldCount(), &values, &why))
      << "without the earlier count every value is needed";
  const std::string shorter = older.substr(0, older.rfind(',')) + "\n";
  EXPECT_FALSE(ParseGenericLine(shorter.data(), shorter.size(), FlightGearFields(), FlightGearFieldCount(), &values,
                                &why, kFgFieldsRequired));
  EXPECT_NE(why.find("31 to " + std::to_string(FlightGearFieldCount())), std::string::npos) << why;
  // One copied after ground speed but before the envelope's values: taken, without them.
  FgLine between;
  between.withoutEnvelope = true;
  between.groundSpeedKt = 140;
  const std::string middle = between.Text();
  EXPECT_TRUE(ParseGenericLine(middle.data(), middle.size(), FlightGearFields(), FlightGearFieldCount(), &values, &why,
                               kFgFieldsRequired))
      << why;
  EXPECT_EQ(values.size(), kFgFieldsRequired + 1);
}

TEST(FlightGearParser, RefusesEveryLineThatIsNotExactlyTheProtocol) {
  FgLine l;
  const std::string good = l.Text();
  const FgField* fields = FlightGearFields();
  const size_t n = FlightGearFieldCount();
  std::vector<FgValue> values;
  std::string why;
  EXPECT_TRUE(ParseGenericLine(good.data(), good.size(), fields, n, &values, &why)) << why;
  std::string crlf = good.substr(0, good.size() - 1) + "\r\n";
  EXPECT_TRUE(ParseGenericLine(crlf.data(), crlf.size(), fields, n, &values, &why)) << why;
  const std::string bad[] = {
      "",
      good.substr(0, good.size() / 2),                     // truncated
      good.substr(0, good.size() - 1) + ",1\n",            // one value too many
      good.substr(good.find(',') + 1),                     // one too few
      "nan" + good.substr(good.find(',')),                 // not a number
      "1e999" + good.substr(good.find(',')),               // out of range
      "+5" + good.substr(good.find(',')),                  // not the C form FlightGear writes
      good.substr(0, good.size() - 1) + "\n" + good,       // two lines
      std::string(2000, '1'),                              // oversized
  };
  for (const std::string& line : bad) {
    EXPECT_FALSE(ParseGenericLine(line.data(), line.size(), fields, n, &values, &why)) << line;
    EXPECT_TRUE(values.empty()) << "nothing handed out from a refused line: " << line;
  }
  l.navId = std::string(65, 'A');
  const std::string longText = l.Text();
  EXPECT_FALSE(ParseGenericLine(longText.data(), longText.size(), fields, n, &values, &why));
  l.navId = "I\x01RV";
  const std::string control = l.Text();
  EXPECT_FALSE(ParseGenericLine(control.data(), control.size(), fields, n, &values, &why));
}

double ServedDegrees(uint16_t port, uint32_t offset) {
  const std::string reply = orvane_test::AskServer(port, std::to_string(offset) + ",8,2");
  return reply.empty() || reply[0] == '<' ? NAN : std::strtod(reply.c_str(), nullptr);
}

TEST(FlightGearSource, FollowsTheSendersAttitudeIgnoresOthersAndGoesStaleWhenItStops) {
  FlightGearFeed::Options options;
  options.bindAddress = "127.0.0.1";
  options.port = 0;
  FlightGearFeed source(options);
  std::string error;
  ASSERT_TRUE(source.Open(&error)) << error;
  server::FeedSource served(source);
  orvane_test::ThreadedServer srv(served);
  ASSERT_TRUE(srv.Listening());
  EXPECT_EQ(orvane_test::AskServer(srv.Port(), "12144,8,2"), "") << "nothing received yet";

  asio::io_context io;
  asio::ip::udp::endpoint to(asio::ip::make_address("127.0.0.1"), source.LocalPort());
  asio::ip::udp::socket flightgear(io, asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  asio::ip::udp::socket other(io, asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  FgLine l;
  const double steps[][2] = {{5, 0}, {-3, 25}, {12, -30}};
  for (const auto& step : steps) {
    l.pitch = step[0];
    l.roll = step[1];
    const bool follows = orvane_test::WaitUntil(
        [&] {
          flightgear.send_to(asio::buffer(l.Text()), to);  // FlightGear at 30 Hz would do the same
          flightgear.send_to(asio::buffer(std::string("5,6,7\n")), to);
          return std::fabs(ServedDegrees(srv.Port(), 0x2F70) + step[0]) <= 1.0 &&
                 std::fabs(ServedDegrees(srv.Port(), 0x2F78) + step[1]) <= 1.0;
        },
        2000);
    EXPECT_TRUE(follows) << step[0] << " up, " << step[1] << " right";
  }
  // A second sender while FlightGear sends: every one of its lines is refused.
  const uint64_t refused = source.PacketsRefused();
  FgLine intruder = l;
  intruder.pitch = 60;
  for (int i = 0; i < 20; ++i) other.send_to(asio::buffer(intruder.Text()), to);
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return source.PacketsRefused() >= refused + 20; }, 1000));
  EXPECT_NEAR(ServedDegrees(srv.Port(), 0x2F70), -12.0, 1e-9);
  // FlightGear stops: after 2 s the numbers are stale.
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return orvane_test::AskServer(srv.Port(), "12152,8,2").empty(); }, 4000));
  // Then another sender may take over.
  l.pitch = -2;
  EXPECT_TRUE(orvane_test::WaitUntil(
      [&] {
        other.send_to(asio::buffer(l.Text()), to);
        return std::fabs(ServedDegrees(srv.Port(), 0x2F70) - 2) <= 1.0;
      },
      2000));
}

// docs/server.md carries the same table: a line per row with its path and its offset and size.
TEST(FlightGearTable, TheDocumentationListsEveryRow) {
  orvane_test::ExpectDocumentedRows(FlightGearRows(), FlightGearRowCount());
}

}  // namespace
