// The display's own X-Plane and FlightGear sources: the frame's values straight from a stand-in
// X-Plane and from generic-protocol lines, the title word, the failure flag for a silent simulator
// and its return, the subscriptions cancelled at the end, a taken port refused at start-up.
#include <gtest/gtest.h>

#include <asio.hpp>
#include <cmath>
#include <string>

#include "model/interface_codec.h"
#include "pfd/frame_rules.h"
#include "platform/system.h"
#include "sources/udp_feed_source.h"
#include "support/fake_xplane.h"
#include "support/fg_line.h"
#include "support/server_feeds.h"

namespace {

using orvane_test::WaitUntil;

constexpr uint64_t kMs = 1000;

// One frame as the display fetches and decides it: the readings, and whether the flag is up.
struct Frame {
  FlightFrame frame{};
  bool flagged = true;
};

Frame FetchFrame(FlightDataSource& source) {
  Frame f;
  const bool ok = source.Fetch(f.frame);
  f.flagged = DecideFrame(f.frame.classic, !ok).dataFailed;
  return f;
}

// Waits for a frame that shows the attitude (nose up / right wing down positive) within 1 degree,
// unflagged.
bool ShowsAttitude(FlightDataSource& source, double pitchUp, double bankRight, uint32_t timeoutMs = 3000) {
  return WaitUntil(
      [&] {
        const Frame f = FetchFrame(source);
        const FlightState& r = f.frame.readings;
        return !f.flagged && std::fabs(r.Pitch - pitchUp) <= 1.0 && std::fabs(r.Bank - bankRight) <= 1.0;
      },
      timeoutMs);
}

TEST(XPlaneDirect, FollowsTheAttitudeFlagsASilenceWithin2500MsRecoversAndCancelsAtClose) {
  orvane_test::FakeXPlane xplane({});
  xplane.Set("sim/flightmodel/position/theta", 5);
  xplane.Set("sim/flightmodel/position/phi", 10);
  xplane.Set("sim/cockpit2/gauges/indicators/airspeed_kts_pilot", 250);
  XPlaneSettings settings;
  settings.Port = xplane.Port();
  XPlaneSource source(settings, {});
  EXPECT_EQ(source.TitleWord(), kTitleWordNotConnected) << "nothing arrived yet";
  const SourceStart start = source.Open();
  ASSERT_NE(start.outcome, SourceStart::Outcome::FailNow) << start.message;
  EXPECT_NE(start.outcome, SourceStart::Outcome::FailOnceWindowIsUp);

  ASSERT_TRUE(ShowsAttitude(source, 5, 10));
  EXPECT_EQ(source.TitleWord(), "[X-PLANE]");
  FlightFrame s{};
  source.Fetch(s);
  EXPECT_NEAR(s.readings.IndicatedAirspeed, 250, 0.01);
  EXPECT_TRUE(s.readings.Valid.Has(ReadingId::IndicatedAirspeed));
  xplane.Set("sim/flightmodel/position/theta", -3);
  xplane.Set("sim/flightmodel/position/phi", -25);
  EXPECT_TRUE(ShowsAttitude(source, -3, -25));

  // X-Plane goes silent: within 2.5 s the frame is flagged (its numbers read 0, as through the
  // server) and the title says so.
  xplane.Restart();
  const uint64_t silent = platform::MonotonicMicros();
  ASSERT_TRUE(WaitUntil([&] { return FetchFrame(source).flagged; }, 4000));
  const uint64_t flaggedAfter = platform::MonotonicMicros() - silent;
  EXPECT_GE(flaggedAfter, 1800 * kMs) << "not before the values are 2 s old";
  EXPECT_LE(flaggedAfter, 2500 * kMs);
  EXPECT_TRUE(WaitUntil([&] { return source.TitleWord() == kTitleWordNotConnected; }, 500));
  EXPECT_EQ(FetchFrame(source).frame.readings.Pitch, 0.0);
  EXPECT_FALSE(source.LinkUp());

  // It answers again: the subscriptions go out again every 2 s of silence.
  xplane.Set("sim/flightmodel/position/theta", 2);
  xplane.Set("sim/flightmodel/position/phi", 0);
  xplane.Resume();
  EXPECT_TRUE(ShowsAttitude(source, 2, 0, 4000)) << "back after the next subscription";
  EXPECT_EQ(source.TitleWord(), "[X-PLANE]");

  // The display closes: every subscription ends.
  source.Close();
  EXPECT_TRUE(WaitUntil([&] { return xplane.ActiveSubscriptions() == 0; }, 2000));
  EXPECT_GE(xplane.Unsubscribes(), int(source.XPlane().DatarefCount()));
}

TEST(FlightGearDirect, FollowsTheLinesFlagsASilenceAndRefusesATakenPort) {
  FlightGearSettings settings;
  settings.BindAddress = "127.0.0.1";
  settings.Port = 0;
  FlightGearSource source(settings, {});
  const SourceStart start = source.Open();
  ASSERT_NE(start.outcome, SourceStart::Outcome::FailNow) << start.message;
  EXPECT_EQ(source.TitleWord(), kTitleWordNotConnected);
  EXPECT_TRUE(FetchFrame(source).flagged) << "no line yet";

  asio::io_context io;
  asio::ip::udp::socket flightgear(io, asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  const asio::ip::udp::endpoint to(asio::ip::make_address("127.0.0.1"), source.Feed().LocalPort());
  orvane_test::FgLine line;
  line.kias = 100;
  for (auto [pitch, roll] : {std::pair{5.0, 0.0}, {-3.0, 25.0}, {12.0, -30.0}}) {
    line.pitch = pitch;
    line.roll = roll;
    const bool follows = WaitUntil(
        [&] {
          flightgear.send_to(asio::buffer(line.Text()), to);
          const Frame f = FetchFrame(source);
          return !f.flagged && std::fabs(f.frame.readings.Pitch - pitch) <= 1.0 && std::fabs(f.frame.readings.Bank - roll) <= 1.0;
        },
        2000);
    EXPECT_TRUE(follows) << pitch << " up, " << roll << " right";
  }
  EXPECT_EQ(source.TitleWord(), "[FLIGHTGEAR]");
  // No flight director in FlightGear's generic properties: that is no missing value.
  EXPECT_FALSE(FetchFrame(source).flagged);

  // FlightGear stops sending.
  const uint64_t silent = platform::MonotonicMicros();
  ASSERT_TRUE(WaitUntil([&] { return FetchFrame(source).flagged; }, 4000));
  EXPECT_LE(platform::MonotonicMicros() - silent, 2500 * kMs);
  EXPECT_EQ(source.TitleWord(), kTitleWordNotConnected);
  line.pitch = 1;
  line.roll = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        flightgear.send_to(asio::buffer(line.Text()), to);
        return !FetchFrame(source).flagged;
      },
      2000));

  // A second display on the same port cannot start: the message names the setting and the port.
  FlightGearSettings same = settings;
  same.Port = source.Feed().LocalPort();
  FlightGearSource second(same, {});
  const SourceStart refused = second.Open();
  EXPECT_EQ(refused.outcome, SourceStart::Outcome::FailNow);
  EXPECT_NE(refused.message.find("FGPORT " + std::to_string(same.Port)), std::string::npos) << refused.message;
  source.Close();
}

}  // namespace
