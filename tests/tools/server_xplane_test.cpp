// The X-Plane source: its dataref table checked with values a pilot can check, its RREF packets,
// and the server against a stand-in X-Plane (lost packets, a restart, strangers and bad packets).
#include <gtest/gtest.h>

#include <asio.hpp>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "model/read_list.h"
#include "platform/system.h"
#include "server/server_log.h"
#include "server/server_options.h"
#include "sources/xplane_feed.h"
#include "server/feed_source.h"
#include "sources/xplane_udp_feed.h"
#include "support/fake_xplane.h"
#include "support/server_feeds.h"

namespace {

using orvane_test::DisplayedState;
using orvane_test::ShowsText;

const char* kTheta = "sim/flightmodel/position/theta";
const char* kPhi = "sim/flightmodel/position/phi";

// Feeds one dataref value through every table row that reads it.
void Feed(FeedState& fed, const char* path, double value) {
  int rows = 0;
  for (size_t r = 0; r < XPlaneRowCount(); ++r) {
    const FeedRow& row = XPlaneRows()[r];
    if (std::strcmp(row.path, path) != 0) continue;
    ApplyFeedRow(row, value, {}, fed);
    ++rows;
  }
  EXPECT_GT(rows, 0) << path << " is not in the table";
}

// What the display makes of the fed variables, read from the data area the server fills with them.
InterfaceValues Shown(const FeedState& fed) {
  FeedState settled = fed;
  SettleTerms(XPlaneRows(), XPlaneRowCount(), settled);
  SimDataArea area;
  area.StoreReadings(settled.readings);
  return DisplayedState(area);
}

TEST(XPlaneTable, AttitudeNeedlesAndRadioAltitudeAsAPilotReadsThem) {
  FeedState fed{};
  Feed(fed, kTheta, 5.0);   // 5 degrees nose up
  Feed(fed, kPhi, 10.0);    // 10 degrees right wing down
  Feed(fed, "sim/cockpit2/radios/indicators/nav1_hdef_dots_pilot", -1.0);  // 1 dot fly-left
  Feed(fed, "sim/cockpit2/radios/indicators/nav1_vdef_dots_pilot", 1.0);   // 1 dot high: fly down
  Feed(fed, "sim/cockpit2/gauges/indicators/radio_altimeter_height_ft_pilot", 200.0);
  Feed(fed, "sim/cockpit2/gauges/indicators/altitude_ft_pilot", 3000.0);
  InterfaceValues s = Shown(fed);
  // The area counts pitch positive nose down and bank positive left wing down.
  EXPECT_DOUBLE_EQ(s.Pitch, -5.0);
  EXPECT_DOUBLE_EQ(s.Bank, -10.0);
  // Full scale is 2.5 dots = 127: one dot is 51 (rounded); the localiser index sits left of
  // centre, the glide-slope index below it (the display moves a positive needle down).
  EXPECT_EQ(s.LocNeedle, -51);
  EXPECT_EQ(s.GsNeedle, 51);
  EXPECT_NEAR(s.RadioAltitudeFt, 200.0, 0.01);
  EXPECT_EQ(s.Altimeter, 3000);
  // Full deflection and beyond stop at the end of the scale.
  Feed(fed, "sim/cockpit2/radios/indicators/nav1_hdef_dots_pilot", 2.5);
  Feed(fed, "sim/cockpit2/radios/indicators/nav1_vdef_dots_pilot", -4.0);  // far below: fly up
  s = Shown(fed);
  EXPECT_EQ(s.LocNeedle, 127);
  EXPECT_EQ(s.GsNeedle, -127);
}

TEST(XPlaneTable, Nav1OnAnIlsWithDmeIdentAndMarkers) {
  FeedState fed{};
  Feed(fed, "sim/cockpit2/radios/actuators/nav1_frequency_hz", 11030);  // 110.30 MHz
  Feed(fed, "sim/cockpit2/radios/indicators/nav1_display_horizontal", 1);
  Feed(fed, "sim/cockpit2/radios/indicators/nav1_display_vertical", 1);
  Feed(fed, "sim/cockpit2/radios/indicators/nav1_dme_distance_nm", 2.5);
  const char ident[] = "IORV";
  for (int i = 0; i < 6; ++i) {
    const std::string path = "sim/cockpit2/radios/indicators/nav1_nav_id[" + std::to_string(i) + "]";
    Feed(fed, path.c_str(), i < 4 ? ident[i] : 0);
  }
  InterfaceValues s = Shown(fed);
  EXPECT_EQ(DecideIlsState(s), 4) << "localiser with glide slope";
  EXPECT_EQ(s.DmeText, "002.5");
  EXPECT_EQ(s.Nav1Ident, "IORV");
  // 110.00 MHz is a VOR channel (even tenths), 108.10 and 111.95 the first and last localisers.
  for (auto [tenKhz, ils] : {std::pair{11000, false}, {10810, true}, {11195, true}, {10800, false}, {11200, false}}) {
    Feed(fed, "sim/cockpit2/radios/actuators/nav1_frequency_hz", tenKhz);
    EXPECT_EQ(DecideIlsState(Shown(fed)) == 4, ils) << tenKhz;
  }
  Feed(fed, "sim/cockpit2/radios/indicators/outer_marker_lit", 1);
  EXPECT_EQ(DecideMarkerLetter(Shown(fed)).text, "O");
  Feed(fed, "sim/cockpit2/radios/indicators/middle_marker_lit", 1);
  EXPECT_EQ(DecideMarkerLetter(Shown(fed)).text, "M");
  Feed(fed, "sim/cockpit2/radios/indicators/inner_marker_lit", 1);
  EXPECT_EQ(DecideMarkerLetter(Shown(fed)).text, "I");
  Feed(fed, "sim/cockpit2/radios/indicators/inner_marker_lit", 0);
  Feed(fed, "sim/cockpit2/radios/indicators/middle_marker_lit", 0);
  Feed(fed, "sim/cockpit2/radios/indicators/outer_marker_lit", 0);
  EXPECT_EQ(DecideMarkerLetter(Shown(fed)).text, "");
}

TEST(XPlaneTable, AutopilotModesAndFlightDirector) {
  const char* mode = "sim/cockpit/autopilot/autopilot_mode";
  const char* state = "sim/cockpit/autopilot/autopilot_state";
  FeedState fed{};
  Feed(fed, mode, 2);  // autopilot on
  Feed(fed, state, 2 | 0x4000);  // heading select, altitude hold engaged
  Feed(fed, "sim/cockpit/autopilot/altitude", 3000);
  Feed(fed, "sim/cockpit2/gauges/indicators/altitude_ft_pilot", 3000);
  InterfaceValues s = Shown(fed);
  EXPECT_TRUE(ShowsText(s, "AP ENG", TextColour::Green));
  EXPECT_TRUE(ShowsText(s, "HDG", TextColour::Green));
  EXPECT_TRUE(ShowsText(s, "ALT", TextColour::Green)) << "on the selected altitude";
  EXPECT_EQ(s.FdActive, 1u);
  Feed(fed, mode, 1);  // flight director only
  s = Shown(fed);
  EXPECT_FALSE(ShowsText(s, "AP ENG", TextColour::Green));
  EXPECT_EQ(s.FdActive, 1u);
  // Localiser and glide slope armed: white; captured: green.
  Feed(fed, state, 0x0100 | 0x0400);
  s = Shown(fed);
  EXPECT_TRUE(ShowsText(s, "LOC", TextColour::White));
  EXPECT_TRUE(ShowsText(s, "GS", TextColour::White));
  Feed(fed, state, 0x0200 | 0x0800);
  s = Shown(fed);
  EXPECT_TRUE(ShowsText(s, "LOC", TextColour::Green));
  EXPECT_TRUE(ShowsText(s, "GS", TextColour::Green));
  // On the flight director's command (5 up, 10 right, flown exactly) the bars are centred; 5 degrees
  // below it the horizontal bar asks for nose up (it moves up: a positive offset).
  Feed(fed, state, 2 | 0x4000);
  Feed(fed, kTheta, 5);
  Feed(fed, kPhi, 10);
  Feed(fed, "sim/cockpit/autopilot/flight_director_pitch", 5);
  Feed(fed, "sim/cockpit/autopilot/flight_director_roll", 10);
  FdCommands c = ComputeFdCommands(Shown(fed));
  EXPECT_NEAR(c.vertical, 0, 1e-9);
  EXPECT_NEAR(c.lateral, 0, 1e-9);
  Feed(fed, kTheta, 0);
  c = ComputeFdCommands(Shown(fed));
  EXPECT_NEAR(-c.vertical, 5.0 / 27, 1e-6);
  Feed(fed, mode, 0);
  EXPECT_EQ(Shown(fed).FdActive, 0u);
}

// Speeds, headings, vertical speed, the altimeter setting and the autopilot's targets, in the
// units the interface keeps them in (the data area's bytes).
TEST(XPlaneTable, SpeedsHeadingsAndTargetsAsAPilotReadsThem) {
  FeedState fed{};
  Feed(fed, "sim/cockpit2/gauges/indicators/airspeed_kts_pilot", 250);
  Feed(fed, "sim/flightmodel/misc/machno", 0.78);
  Feed(fed, "sim/flightmodel/position/true_psi", 95);
  Feed(fed, "sim/flightmodel/position/magnetic_variation", -13);  // 13 degrees east, as over San Francisco
  Feed(fed, "sim/flightmodel/position/vh_ind", -700 * 0.3048 / 60);  // 700 ft/min down
  Feed(fed, "sim/cockpit/autopilot/vertical_velocity", -700);
  Feed(fed, "sim/cockpit/autopilot/heading_mag", 280);
  Feed(fed, "sim/cockpit/autopilot/airspeed", 250);
  Feed(fed, "sim/cockpit2/gauges/actuators/barometer_setting_in_hg_pilot", 29.92);
  InterfaceValues s = Shown(fed);
  auto value = [&](ReadingId id) { return orvane_test::ReadingsOf(s).Get(id).value; };
  EXPECT_NEAR(value(ReadingId::IndicatedAirspeed), 250, 0.01);
  EXPECT_NEAR(value(ReadingId::Mach), 0.78, 1e-4);
  EXPECT_NEAR(value(ReadingId::HeadingTrue), 95, 1e-6);
  EXPECT_NEAR(value(ReadingId::MagneticVariation), 13, 0.01) << "the interface counts east positive";
  EXPECT_NEAR(value(ReadingId::VerticalSpeed), -700, 1);
  EXPECT_EQ(s.ApVerticalSpeed, -700);
  EXPECT_NEAR(value(ReadingId::SelectedHeading), 280, 0.01);
  EXPECT_EQ(s.ApAirspeed, 250);
  EXPECT_NEAR(value(ReadingId::AltimeterSetting), 1013.2, 0.05);
  // Headings come round the circle: 5 degrees left of north is 355, a hair below 360 is north.
  Feed(fed, "sim/flightmodel/position/true_psi", -5);
  Feed(fed, "sim/cockpit/autopilot/heading_mag", 359.9999);
  s = Shown(fed);
  EXPECT_NEAR(value(ReadingId::HeadingTrue), 355, 1e-6);
  EXPECT_EQ(s.ApHeadingRaw, 0);
  // Holding Mach 0.78 the speed target is no knots value: it is not taken for 1 kt.
  Feed(fed, "sim/cockpit/autopilot/airspeed", 0.78);
  EXPECT_EQ(Shown(fed).ApAirspeed, 250);
}

// In a Mach 0.78 cruise with the autothrottle holding Mach, in a crosswind, the ball a quarter out
// to the right, the overspeed warning on; then on the approach with flaps and gear out, the NAV mode
// captured and the stall warning on: each value as the server serves it, and what only the display's
// own X-Plane source has (X-Plane's track, the flight path, the aircraft's limits, the minimums).
TEST(XPlaneTable, TheEnvelopeAsAPilotReadsIt) {
  FeedState fed{};
  Feed(fed, "sim/flightmodel/position/true_psi", 90);
  Feed(fed, "sim/flightmodel/position/true_airspeed", 450 * 1852.0 / 3600);  // 450 kt true
  Feed(fed, "sim/cockpit2/gauges/indicators/wind_speed_kts", 45);
  Feed(fed, "sim/weather/wind_direction_degt", 360);  // from the north: drifting right of 090
  Feed(fed, "sim/flightmodel/position/hpath", 95.7);
  Feed(fed, "sim/flightmodel/position/vpath", 0.5);
  Feed(fed, "sim/cockpit2/gauges/indicators/slip_deg", 11.3099 / 4);
  Feed(fed, "sim/flightmodel/failures/over_vne", 1);
  Feed(fed, "sim/cockpit2/autopilot/autothrottle_arm", 1);
  Feed(fed, "sim/cockpit2/autopilot/autothrottle_enabled", 1);
  Feed(fed, "sim/cockpit2/autopilot/airspeed_is_mach", 1);
  Feed(fed, "sim/cockpit/autopilot/airspeed", 0.78);
  Feed(fed, "sim/aircraft/view/acf_Vne", 340);  // a 737-800's VMO and MMO
  Feed(fed, "sim/aircraft/view/acf_Mmo", 0.82);
  Feed(fed, "sim/aircraft/overflow/acf_Vle", 270);
  Feed(fed, "sim/aircraft/view/acf_Vfe", 162);
  Feed(fed, "sim/aircraft/view/acf_Vs", 140);
  Feed(fed, "sim/aircraft/view/acf_Vso", 105);
  Feed(fed, "sim/cockpit2/gauges/actuators/radio_altimeter_bug_ft_pilot", 200);
  InterfaceValues s = Shown(fed);
  EXPECT_EQ(s.TrueAirspeedRaw, 450 * 128);
  EXPECT_EQ(s.WindSpeedRaw, 45);
  EXPECT_EQ(s.WindDirectionRaw, 0);
  EXPECT_EQ(s.TurnBall, 32);  // a quarter of 127, right
  EXPECT_EQ(s.OverspeedWarning, 1);
  EXPECT_EQ(s.AutothrottleArm, 1u);
  EXPECT_EQ(s.ApAirspeedHold, 1u);
  EXPECT_EQ(s.ApMachHold, 1u);
  EXPECT_EQ(s.ApMachRaw, 51118u);  // 0.78 x 65536
  EXPECT_EQ(s.ApAirspeed, 0) << "no knots target while it is a Mach number";
  EXPECT_NEAR(orvane_test::ReadingsOf(s).TrackTrue, 95.71, 0.02) << "the display's own wind triangle";
  const FlightState& direct = fed.readings;
  EXPECT_NEAR(direct.TrackTrue, 95.7, 1e-4);
  EXPECT_NEAR(direct.FlightPathAngle, 0.5, 1e-6);
  EXPECT_EQ(direct.MaxOperatingSpeed, 340);
  EXPECT_NEAR(direct.MaxOperatingMach, 0.82, 1e-6);
  EXPECT_EQ(direct.GearPlacardSpeed, 270);
  EXPECT_EQ(direct.FlapPlacardSpeed, 162);
  EXPECT_EQ(direct.StallSpeedClean, 140);
  EXPECT_EQ(direct.StallSpeedFullFlap, 105);
  EXPECT_EQ(direct.DecisionHeight, 200);

  Feed(fed, "sim/flightmodel/failures/over_vne", 0);
  Feed(fed, "sim/cockpit2/annunciators/stall_warning", 1);
  Feed(fed, "sim/cockpit2/controls/flap_ratio", 0.75);
  Feed(fed, "sim/aircraft/controls/acf_flap_detents", 8);
  Feed(fed, "sim/cockpit2/controls/gear_handle_down", 1);
  Feed(fed, "sim/cockpit2/autopilot/nav_status", 2);
  Feed(fed, "sim/cockpit2/autopilot/airspeed_is_mach", 0);
  Feed(fed, "sim/cockpit/autopilot/airspeed", 150);
  Feed(fed, "sim/cockpit2/gauges/indicators/slip_deg", -30);  // beyond the end of the tube
  s = Shown(fed);
  EXPECT_EQ(s.OverspeedWarning, 0);
  EXPECT_EQ(s.StallWarning, 1);
  EXPECT_EQ(s.FlapPositionRaw, 12287);  // three quarters of 16383
  EXPECT_EQ(s.FlapSteps, 8);
  EXPECT_EQ(s.GearControl, 16383);
  EXPECT_EQ(s.ApNav1Hold, 1u);
  EXPECT_EQ(s.ApMachHold, 0u);
  EXPECT_EQ(s.ApAirspeed, 150);
  EXPECT_EQ(s.TurnBall, -127);
  // N1 mode is no speed hold.
  Feed(fed, "sim/cockpit2/autopilot/autothrottle_enabled", 2);
  EXPECT_EQ(Shown(fed).ApAirspeedHold, 0u);
  // An aircraft that gives no limit: nothing is stored for it.
  FeedState bare{};
  Feed(bare, "sim/aircraft/view/acf_Vne", 0);
  Feed(bare, "sim/cockpit2/gauges/actuators/radio_altimeter_bug_ft_pilot", 0);
  EXPECT_FALSE(bare.readings.Valid.Has(ReadingId::MaxOperatingSpeed));
  EXPECT_FALSE(bare.readings.Valid.Has(ReadingId::DecisionHeight));
  // A target in knots is no Mach target.
  Feed(bare, "sim/cockpit/autopilot/airspeed", 250);
  EXPECT_FALSE(bare.readings.Valid.Has(ReadingId::SelectedMach));
  EXPECT_TRUE(bare.readings.Valid.Has(ReadingId::SelectedAirspeed));
}

// The table supplies every variable of the read list and the further ones a layout may show.
TEST(XPlaneTable, SuppliesTheReadListAndTheFurtherVariables) {
  ReadingSet supplied;
  for (size_t r = 0; r < XPlaneRowCount(); ++r) supplied.Add(XPlaneRows()[r].reading);
  VarSet listed;
  for (const ReadListRow& l : ReadList()) listed.Add(l.field);
  for (size_t i = 0; i < InterfaceCodecRowCount(); ++i) {
    const InterfaceCodecRow& row = InterfaceCodecRows()[i];
    if (listed.Has(row.var)) {
      EXPECT_TRUE(supplied.Has(row.reading)) << ReadingName(row.reading);
    }
  }
  for (ReadingId id : {ReadingId::IndicatedAirspeed, ReadingId::Mach, ReadingId::HeadingTrue, ReadingId::GroundSpeed,
                       ReadingId::MagneticVariation, ReadingId::SelectedAirspeed, ReadingId::AltimeterSetting})
    EXPECT_TRUE(supplied.Has(id)) << ReadingName(id);
}

TEST(XPlanePackets, SubscriptionLayoutAndAnswerParsing) {
  RrefRequest request;
  ASSERT_TRUE(BuildRrefRequest(30, 7, kTheta, &request));
  EXPECT_EQ(std::memcmp(request.data(), "RREF\0", 5), 0);
  EXPECT_EQ(request[5], 30);   // frequency, little-endian
  EXPECT_EQ(request[9], 7);    // index
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(request.data() + 13)), kTheta);
  EXPECT_EQ(request[412], 0);
  EXPECT_FALSE(BuildRrefRequest(30, 0, std::string(400, 'x'), &request));

  // Two pairs: index 1 = 2.5, index 2 = -1.
  const uint8_t good[] = {'R', 'R', 'E', 'F', ',', 1, 0, 0, 0, 0, 0, 0x20, 0x40, 2, 0, 0, 0, 0, 0, 0x80, 0xBF};
  std::vector<RrefValue> values;
  std::string why;
  ASSERT_TRUE(ParseRrefAnswer(good, sizeof good, &values, &why)) << why;
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].index, 1);
  EXPECT_EQ(values[0].value, 2.5f);
  EXPECT_EQ(values[1].value, -1.0f);
  EXPECT_FALSE(ParseRrefAnswer(good, sizeof good - 1, &values, &why)) << "cut inside a pair";
  EXPECT_FALSE(ParseRrefAnswer(good, 5, &values, &why)) << "no pair";
  EXPECT_FALSE(ParseRrefAnswer(good, 3, &values, &why)) << "shorter than the header";
  std::vector<uint8_t> other(good, good + sizeof good);
  other[0] = 'D';
  EXPECT_FALSE(ParseRrefAnswer(other.data(), other.size(), &values, &why)) << "DREF";
  std::vector<uint8_t> huge(5 + 8 * (kMaxRrefPairs + 1), 0);
  std::memcpy(huge.data(), "RREF,", 5);
  EXPECT_FALSE(ParseRrefAnswer(huge.data(), huge.size(), &values, &why)) << "oversized";
}

// Collects the server's log lines.
class LogLines {
 public:
  LogLines() {
    server::SetLogSink([this](const std::string& line) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~LogLines() { server::SetLogSink(nullptr); }
  int Count(const std::string& part) {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const std::string& l : lines_) n += l.find(part) != std::string::npos;
    return n;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

double ServedDegrees(uint16_t port, uint32_t offset) {
  const std::string reply = orvane_test::AskServer(port, std::to_string(offset) + ",8,2");
  return reply.empty() || reply[0] == '<' ? NAN : std::strtod(reply.c_str(), nullptr);
}

// Waits until the server serves the attitude within 1 degree (area: nose down / left wing down positive).
bool ServesAttitude(uint16_t port, double pitchUp, double bankRight, uint32_t timeoutMs = 2000) {
  return orvane_test::WaitUntil(
      [&] {
        return std::fabs(ServedDegrees(port, 0x2F70) + pitchUp) <= 1.0 &&
               std::fabs(ServedDegrees(port, 0x2F78) + bankRight) <= 1.0;
      },
      timeoutMs);
}

XPlaneFeed::Options FeedFor(const orvane_test::FakeXPlane& xplane) {
  XPlaneFeed::Options options;
  options.host = "127.0.0.1";
  options.port = xplane.Port();
  options.bindAddress = "127.0.0.1";
  options.log = server::LogLine;
  return options;
}

TEST(XPlaneSource, FollowsTheAttitudeThroughLostPacketsAndARestart) {
  LogLines log;
  orvane_test::FakeXPlane::Options fakeOptions;
  fakeOptions.pairsPerPacket = 8;  // the table's datarefs arrive in several packets
  // And every third packet is lost: a count prime to the packets of a round, so that no dataref
  // is lost every time (with 4, under Wine's coarser timer the attitude's packet was).
  fakeOptions.dropEvery = 3;
  orvane_test::FakeXPlane xplane(fakeOptions);
  XPlaneFeed source(FeedFor(xplane));
  std::string error;
  ASSERT_TRUE(source.Open(&error)) << error;
  server::FeedSource served(source);
  orvane_test::ThreadedServer srv(served);
  ASSERT_TRUE(srv.Listening());

  const double steps[][2] = {{5, 0}, {-3, 25}, {12, -30}, {0.5, 2}};
  for (const auto& step : steps) {
    xplane.Set(kTheta, float(step[0]));
    xplane.Set(kPhi, float(step[1]));
    EXPECT_TRUE(ServesAttitude(srv.Port(), step[0], step[1])) << step[0] << " up, " << step[1] << " right; served "
        << orvane_test::AskServer(srv.Port(), "12144,8,2") << " / " << orvane_test::AskServer(srv.Port(), "12152,8,2")
        << " sent " << xplane.PacketsSent() << " used " << source.PacketsUsed() << " refused " << source.PacketsRefused();
  }
  EXPECT_GT(xplane.PacketsLost(), 0u);
  EXPECT_EQ(source.SubscriptionRounds(), 1u);

  // X-Plane restarts: silent, subscriptions gone. After 2 s the values are stale: number requests
  // get the empty reply, texts still their text, bytes no dataref fills their zeros.
  xplane.Restart();
  const uint64_t restarted = platform::MonotonicMicros();
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return orvane_test::AskServer(srv.Port(), "12144,8,2").empty(); }, 4000));
  EXPECT_GE(platform::MonotonicMicros() - restarted, 1800000u) << "stale only after 2 s";
  EXPECT_EQ(orvane_test::AskServer(srv.Port(), "12152,8,2"), "");
  EXPECT_EQ(orvane_test::AskServer(srv.Port(), "3000,4,5"), "0") << "bytes no dataref fills";
  EXPECT_EQ(orvane_test::AskServer(srv.Port(), "12288,6,7"), "");
  xplane.Set(kTheta, -7);
  xplane.Set(kPhi, 15);
  xplane.Resume();
  // The subscriptions go out again every 2 s while X-Plane is silent: one round may just have
  // missed the return.
  EXPECT_TRUE(ServesAttitude(srv.Port(), -7, 15, 4000)) << "subscribed again after the restart";
  EXPECT_GE(source.SubscriptionRounds(), 2u);
  EXPECT_GE(log.Count("subscribing again"), 1);

  // Stopping ends every subscription.
  srv.Stop();
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return xplane.ActiveSubscriptions() == 0; }, 2000));
  EXPECT_GE(xplane.Unsubscribes(), int(source.DatarefCount()));
}

// While X-Plane answers, the subscription of the start stands: nothing is asked again past the
// 2 s after which a silent X-Plane would be.
TEST(XPlaneSource, SubscribesOnceWhileXPlaneAnswers) {
  orvane_test::FakeXPlane xplane({});
  xplane.Set(kTheta, 3);
  XPlaneFeed source(FeedFor(xplane));
  std::string error;
  ASSERT_TRUE(source.Open(&error)) << error;
  server::FeedSource served(source);
  orvane_test::ThreadedServer srv(served);
  ASSERT_TRUE(srv.Listening());
  ASSERT_TRUE(ServesAttitude(srv.Port(), 3, 0));
  const uint64_t used = source.PacketsUsed();
  platform::SleepMs(2600);
  EXPECT_GT(source.PacketsUsed(), used + 30) << "X-Plane kept answering";
  EXPECT_EQ(source.SubscriptionRounds(), 1u);
  EXPECT_EQ(size_t(xplane.Subscribes()), source.DatarefCount()) << "each dataref asked for once";
}

TEST(XPlaneSource, StrangersAndBadPacketsAreIgnoredWithALimitedLog) {
  LogLines log;
  orvane_test::FakeXPlane xplane({});
  xplane.Set(kTheta, 4);
  XPlaneFeed source(FeedFor(xplane));
  std::string error;
  ASSERT_TRUE(source.Open(&error)) << error;
  server::FeedSource served(source);
  orvane_test::ThreadedServer srv(served);
  ASSERT_TRUE(srv.Listening());
  ASSERT_TRUE(ServesAttitude(srv.Port(), 4, 0));

  asio::io_context io;
  auto sendFrom = [&](const char* address, const std::vector<uint8_t>& bytes, int times) {
    asio::error_code ec;
    asio::ip::udp::socket s(io);
    asio::ip::udp::endpoint from(asio::ip::make_address(address), 0);
    s.open(from.protocol(), ec);
    if (!ec) s.bind(from, ec);
    asio::ip::udp::endpoint to(asio::ip::make_address("127.0.0.1"), source.LocalPort());
    for (int i = 0; i < times && !ec; ++i) s.send_to(asio::buffer(bytes), to, 0, ec);
    EXPECT_FALSE(ec) << "sending from " << address << ": " << ec.message();
  };
  // Index 0 is the first dataref of the table, pitch: 45 degrees up from a stranger.
  // 45.0f is 0x42340000.
  const std::vector<uint8_t> pitch45 = {'R', 'R', 'E', 'F', ',', 0, 0, 0, 0, 0x00, 0x00, 0x34, 0x42};
#ifndef _WIN32
  sendFrom("127.0.0.2", pitch45, 5);
  const uint64_t strangers = 5;
#else
  // Under Wine a socket bound to 127.0.0.2 is reported as sending from 127.0.0.1: no stranger on loopback.
  const uint64_t strangers = 0;
#endif
  std::vector<uint8_t> truncated(pitch45.begin(), pitch45.end() - 1);
  std::vector<uint8_t> oversized(3000, 'R');
  std::memcpy(oversized.data(), "RREF,", 5);
  sendFrom("127.0.0.1", truncated, 20);
  sendFrom("127.0.0.1", {'R', 'R', 'E', 'F'}, 20);
  sendFrom("127.0.0.1", oversized, 20);
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return source.PacketsRefused() >= strangers + 60; }, 3000))
      << source.PacketsRefused();
  EXPECT_NEAR(ServedDegrees(srv.Port(), 0x2F70), -4.0, 1e-6) << "nothing of it reached the area";
  if (strangers > 0) {
    EXPECT_GE(log.Count("127.0.0.2"), 1);
  }
  EXPECT_LE(log.Count("ignored"), 10) << "at most 10 lines per 10 s";
}

// docs/server.md carries the same table: a line per row with its path and its offset and size.
TEST(XPlaneTable, TheDocumentationListsEveryRow) {
  orvane_test::ExpectDocumentedRows(XPlaneRows(), XPlaneRowCount());
}

// The options of both UDP sources, and a bad value named with its option.
TEST(UdpSourceOptions, XPlaneAndFlightGearOptionsAndTheirChecks) {
  server::CommandLine cl;
  std::string error;
  ASSERT_TRUE(server::ParseCommandLine({"--source", "xplane", "--xplane-host", "192.168.1.20", "--xplane-port", "49001",
                                        "--rate", "20"},
                                       &cl, &error))
      << error;
  EXPECT_EQ(cl.source, server::SourceKind::XPlane);
  EXPECT_EQ(cl.xplaneHost, "192.168.1.20");
  EXPECT_EQ(cl.xplanePort, 49001);
  EXPECT_EQ(cl.rateHz, 20u);
  ASSERT_TRUE(server::ParseCommandLine({"--source", "flightgear"}, &cl, &error)) << error;
  EXPECT_EQ(cl.source, server::SourceKind::FlightGear);
  EXPECT_EQ(cl.fgPort, 5500);
  EXPECT_EQ(cl.xplanePort, 49000);
  EXPECT_EQ(cl.rateHz, 30u);
  for (auto [option, value] : {std::pair{"--rate", "0"}, {"--rate", "101"}, {"--fg-port", "70000"},
                               {"--xplane-port", "0"}, {"--xplane-port", "x"}}) {
    EXPECT_FALSE(server::ParseCommandLine({"--source", "xplane", option, value}, &cl, &error)) << option << " " << value;
    EXPECT_NE(error.find(option), std::string::npos) << error;
    EXPECT_NE(error.find(std::string("'") + value + "'"), std::string::npos) << error;
  }
  XPlaneFeed::Options options;
  options.host = "xplane.local";  // names are not looked up: the packets' sender is checked by address
  XPlaneFeed feed(options);
  FeedOpenFailure failure = FeedOpenFailure::None;
  EXPECT_FALSE(feed.Open(&error, &failure));
  EXPECT_EQ(failure, FeedOpenFailure::Address);
  EXPECT_NE(error.find("'xplane.local'"), std::string::npos) << error;
}

}  // namespace
