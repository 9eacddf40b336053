// The pilot state (tests/support/pilot_state.h) from X-Plane and from FlightGear into the model, in
// the frames' units: read by the display itself and served by OrvaneGCServer's area, from one
// stand-in X-Plane and one generic-protocol line.
#include <gtest/gtest.h>

#include <asio.hpp>
#include <string>
#include <thread>

#include "model/read_list.h"
#include "platform/system.h"
#include "server/feed_source.h"
#include "sources/flightgear_udp_feed.h"
#include "sources/network_source.h"
#include "sources/udp_feed_source.h"
#include "sources/xplane_udp_feed.h"
#include "support/fake_xplane.h"
#include "support/fg_line.h"
#include "support/pilot_state.h"
#include "support/server_feeds.h"

namespace {

using orvane_test::ExpectPilotState;
using orvane_test::kPilot;
using orvane_test::PilotStateReadings;
using orvane_test::PilotStateVars;

constexpr double kMetresPerFoot = 0.3048;
constexpr double kHpaPerInHg = 33.8639;
constexpr double kMetresPerKnot = 1852.0 / 3600;

// One frame through the data server serving `feed`, asking for the pilot variables once the feed has
// them all.
InterfaceValues FetchThroughServer(UdpFeed& feed) {
  server::FeedSource source(feed);
  orvane_test::ThreadedServer srv(source);  // starts the feed
  EXPECT_TRUE(srv.Listening());
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return feed.Latest().Valid.Covers(PilotStateReadings()); }, 3000));
  NetworkSettings settings;
  settings.ServerAddress = "127.0.0.1";
  settings.ServerPort = std::to_string(srv.Port());
  const ReadPlan plan = ReadPlan::With(PilotStateVars());
  NetworkSource net(settings, plan);
  net.NetworkStartup();
  InterfaceValues state{};
  EXPECT_TRUE(net.NetworkConnected());
  if (net.NetworkConnected()) FetchNetworkState(net.ClientObject(), net.DataExchangeObject(), true, state, plan);
  net.NetworkShutdown();
  return state;
}

// Waits until the display's source has every pilot reading, and those only a simulator gives.
FlightState FetchWhenArrived(FlightDataSource& source) {
  ReadingSet wanted = PilotStateReadings();
  wanted |= orvane_test::SimulatorOnlyReadings();
  FlightFrame frame{};
  orvane_test::WaitUntil(
      [&] {
        frame = FlightFrame{};
        source.Fetch(frame);
        return frame.readings.Valid.Covers(wanted);
      },
      3000);
  return frame.readings;
}

TEST(PilotStateFeeds, XPlaneReadByTheDisplayAndServedByOrvaneGCServer) {
  orvane_test::FakeXPlane xplane({});
  xplane.Set("sim/cockpit2/gauges/indicators/airspeed_kts_pilot", float(kPilot.airspeedKt));
  xplane.Set("sim/flightmodel/misc/machno", float(kPilot.mach));
  xplane.Set("sim/flightmodel/position/groundspeed", float(kPilot.groundSpeedKt * kMetresPerKnot));
  xplane.Set("sim/cockpit2/gauges/indicators/altitude_ft_pilot", float(kPilot.altitudeFt));
  xplane.Set("sim/flightmodel/position/true_psi", float(kPilot.headingMagnetic + kPilot.variation));
  // X-Plane counts the variation the other way round: magnetic = true + it.
  xplane.Set("sim/flightmodel/position/magnetic_variation", float(-kPilot.variation));
  xplane.Set("sim/flightmodel/position/vh_ind", float(kPilot.verticalSpeedFpm * kMetresPerFoot / 60));
  xplane.Set("sim/cockpit2/gauges/actuators/barometer_setting_in_hg_pilot", float(kPilot.altimeterHpa / kHpaPerInHg));
  xplane.Set("sim/cockpit/autopilot/airspeed", float(kPilot.selectedAirspeedKt));
  xplane.Set("sim/cockpit/autopilot/altitude", float(kPilot.selectedAltitudeFt));
  xplane.Set("sim/cockpit/autopilot/heading_mag", float(kPilot.selectedHeading));
  xplane.Set("sim/cockpit/autopilot/vertical_velocity", float(kPilot.selectedVerticalSpeedFpm));
  xplane.Set("sim/flightmodel/position/true_airspeed", float(kPilot.trueAirspeedKt * kMetresPerKnot));
  xplane.Set("sim/cockpit2/gauges/indicators/wind_speed_kts", float(kPilot.windKt));
  xplane.Set("sim/weather/wind_direction_degt", float(kPilot.windFromTrue));
  xplane.Set("sim/flightmodel/position/hpath", float(kPilot.trackTrue));
  xplane.Set("sim/cockpit2/gauges/indicators/slip_deg", float(kPilot.ball * 11.3099));  // full scale 0.2 g
  xplane.Set("sim/cockpit2/controls/flap_ratio", float(kPilot.flaps));
  xplane.Set("sim/cockpit2/controls/gear_handle_down", 1);
  xplane.Set("sim/cockpit2/autopilot/autothrottle_enabled", 1);  // speed hold
  xplane.Set("sim/cockpit2/autopilot/nav_status", 2);            // captured
  xplane.Set("sim/flightmodel/position/vpath", float(kPilot.flightPathDeg));
  xplane.Set("sim/aircraft/view/acf_Vne", float(kPilot.maxOperatingKt));
  xplane.Set("sim/aircraft/overflow/acf_Vle", float(kPilot.gearPlacardKt));

  XPlaneSettings settings;
  settings.Port = xplane.Port();
  XPlaneSource direct(settings, {});
  ASSERT_NE(direct.Open().outcome, SourceStart::Outcome::FailNow);
  const FlightState read = FetchWhenArrived(direct);
  ExpectPilotState(read, "X-Plane read by the display");
  orvane_test::ExpectSimulatorOnlyReadings(read, "X-Plane read by the display");
  direct.Close();

  XPlaneFeed::Options options;
  options.port = xplane.Port();
  options.bindAddress = "127.0.0.1";
  XPlaneFeed feed(options);
  std::string error;
  ASSERT_TRUE(feed.Open(&error)) << error;
  ExpectPilotState(FetchThroughServer(feed), "OrvaneGCServer --source xplane");
}

TEST(PilotStateFeeds, FlightGearReadByTheDisplayAndServedByOrvaneGCServer) {
  orvane_test::FgLine line;
  line.kias = kPilot.airspeedKt;
  line.mach = kPilot.mach;
  line.groundSpeedKt = kPilot.groundSpeedKt;
  line.altitudeFt = kPilot.altitudeFt;
  line.headingTrue = kPilot.headingMagnetic + kPilot.variation;
  line.magVar = kPilot.variation;  // FlightGear counts east positive, as the interface
  line.verticalFps = kPilot.verticalSpeedFpm / 60;
  line.settingHpa = kPilot.altimeterHpa;
  line.targetKt = kPilot.selectedAirspeedKt;
  line.targetFt = kPilot.selectedAltitudeFt;
  line.headingBug = kPilot.selectedHeading;
  line.targetFpm = kPilot.selectedVerticalSpeedFpm;
  line.trueKt = kPilot.trueAirspeedKt;
  line.windKt = kPilot.windKt;
  line.windFromDeg = kPilot.windFromTrue;
  line.trackDeg = kPilot.trackTrue;
  line.slipSkid = -2 * kPilot.ball;  // ten times 0.2 g at full scale, positive for a push to the right
  line.flapsNorm = kPilot.flaps;
  line.gearDown = 1;
  line.speedLock = "speed-with-throttle";
  line.headingLock = "nav1-hold";
  line.pathDeg = kPilot.flightPathDeg;
  line.vne = kPilot.maxOperatingKt;
  line.vle = kPilot.gearPlacardKt;

  FlightGearSettings settings;
  settings.BindAddress = "127.0.0.1";
  settings.Port = 0;
  FlightGearSource direct(settings, {});
  ASSERT_NE(direct.Open().outcome, SourceStart::Outcome::FailNow);
  FlightGearFeed::Options options;
  options.bindAddress = "127.0.0.1";
  options.port = 0;
  FlightGearFeed feed(options);
  std::string error;
  ASSERT_TRUE(feed.Open(&error)) << error;

  asio::io_context io;
  asio::ip::udp::socket flightgear(io, asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  flightgear.send_to(asio::buffer(line.Text()),
                     asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), direct.Feed().LocalPort()));
  const FlightState read = FetchWhenArrived(direct);
  ExpectPilotState(read, "FlightGear read by the display");
  orvane_test::ExpectSimulatorOnlyReadings(read, "FlightGear read by the display");
  direct.Close();
  // The server's feed listens once its server runs: FlightGear sends 30 lines a second.
  std::thread sender([&] {
    for (int i = 0; i < 60; ++i) {
      flightgear.send_to(asio::buffer(line.Text()),
                         asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), feed.LocalPort()));
      platform::SleepMs(33);
    }
  });
  ExpectPilotState(FetchThroughServer(feed), "OrvaneGCServer --source flightgear");
  sender.join();
}

}  // namespace
