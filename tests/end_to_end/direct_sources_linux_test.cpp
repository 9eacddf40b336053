// One PC, one program: the real display reads a stand-in X-Plane and FlightGear's generic-protocol
// lines itself ([SIMULATOR] SOURCE=XPLANE / FLIGHTGEAR). The decided frame follows the simulator
// within 1 degree; a silent simulator flags the frames and titles the window "[NOT CONNECTED]"
// within 2.5 s, and both go when it sends again; closing the display ends X-Plane's subscriptions.
#include <gtest/gtest.h>

#include <asio.hpp>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/system.h"
#include "support/fake_xplane.h"
#include "support/faults_display.h"
#include "support/fg_line.h"
#include "support/server_feeds.h"

namespace {

using orvane_test::FrameRecord;

constexpr uint64_t kMs = 1000;

// The last frame shows the attitude (nose up / right wing down positive) within 1 degree, unflagged.
bool LastFrameShows(const std::vector<FrameRecord>& frames, double pitch, double bank) {
  if (frames.empty()) return false;
  const FrameRecord& f = frames.back();
  return !f.flag && std::fabs(f.pitchDeg - pitch) <= 1.0 && std::fabs(f.bankDeg - bank) <= 1.0;
}

// The window title as the display last set it (its developer log says every change).
std::string LastTitle(const std::string& output) {
  const std::string mark = "Window title: ";
  const size_t at = output.rfind(mark);
  if (at == std::string::npos) return "";
  const size_t end = output.find('\n', at);
  return output.substr(at + mark.size(), end == std::string::npos ? std::string::npos : end - at - mark.size());
}

bool TitleEndsWith(const std::string& output, const std::string& word) {
  const std::string title = LastTitle(output);
  return title.size() >= word.size() && title.compare(title.size() - word.size(), word.size(), word) == 0;
}

TEST(DirectXPlane, TheDisplayFollowsXPlaneFlagsItsSilenceAndEndsTheSubscriptionsAtClose) {
  orvane_test::FakeXPlane xplane({});
  xplane.Set("sim/flightmodel/position/theta", 5);
  xplane.Set("sim/flightmodel/position/phi", -10);
  orvane_test::FaultDisplay display;
  display.Run().Write("OrvaneGCPfd.INI", "[SIMULATOR]\nSOURCE=XPLANE\nXPLANEHOST=127.0.0.1\nXPLANEPORT=" +
                                             std::to_string(xplane.Port()) + "\n");
  ASSERT_TRUE(display.Start());
  EXPECT_TRUE(display.WaitFrames([](const auto& f) { return LastFrameShows(f, 5, -10); }, 30000))
      << orvane_test::DescribeFrames(display.Frames()) << "\n" << display.Output();
  EXPECT_TRUE(TitleEndsWith(display.Output(), "[X-PLANE]")) << display.Output();
  xplane.Set("sim/flightmodel/position/theta", -3);
  xplane.Set("sim/flightmodel/position/phi", 25);
  EXPECT_TRUE(display.WaitFrames([](const auto& f) { return LastFrameShows(f, -3, 25); }, 3000));

  // X-Plane goes silent.
  xplane.Restart();
  const uint64_t silent = platform::MonotonicMicros();
  EXPECT_TRUE(display.WaitFrames(
      [&](const auto& frames) { return !frames.empty() && frames.back().flag && frames.back().endUs > silent; }, 5000));
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return TitleEndsWith(display.Output(), "[NOT CONNECTED]"); }, 5000));
  const uint64_t titled = platform::MonotonicMicros() - silent;
  // It answers again.
  xplane.Set("sim/flightmodel/position/theta", 2);
  xplane.Set("sim/flightmodel/position/phi", 0);
  xplane.Resume();
  const uint64_t back = platform::MonotonicMicros();
  EXPECT_TRUE(display.WaitFrames([](const auto& f) { return LastFrameShows(f, 2, 0); }, 5000));
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return TitleEndsWith(display.Output(), "[X-PLANE]"); }, 1000));

  // The display closes: X-Plane is told to stop sending.
  EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return xplane.ActiveSubscriptions() == 0; }, 2000));
  EXPECT_GT(xplane.Unsubscribes(), 0);

  const std::vector<FrameRecord> frames = display.Frames();
  const auto runs = orvane_test::FlagRuns(frames);
  ASSERT_FALSE(runs.empty()) << orvane_test::DescribeFrames(frames);
  // The silence's flag run: the last one, from about 2 s after the silence until X-Plane's return.
  const FrameRecord& first = frames[runs.back().first];
  const FrameRecord& last = frames[runs.back().second];
  EXPECT_GE(first.endUs, silent + 1800 * kMs) << orvane_test::DescribeFrames(frames);
  EXPECT_LE(first.endUs, silent + 2500 * kMs) << orvane_test::DescribeFrames(frames);
  EXPECT_LE(titled, 2500 * kMs + 10 * kMs) << "the test polls every 10 ms";
  EXPECT_GE(last.endUs, back - 10 * kMs);
  std::printf("[ figures  ] X-Plane silent: flag after %llu ms, title after at most %llu ms; cleared %llu ms after "
              "X-Plane answered again\n",
              static_cast<unsigned long long>((first.endUs - silent) / kMs),
              static_cast<unsigned long long>(titled / kMs),
              static_cast<unsigned long long>((last.endUs - back) / kMs));
}

// The full layout against X-Plane: an instrument whose dataref goes unanswered is flagged on its
// own while the attitude stays live, the attitude flag comes only with pitch and bank lost, and a
// dataref that falls silent while the others keep arriving flags its instrument within 2.5 s.
TEST(DirectXPlane, TheFullLayoutFlagsEachInstrumentWhoseDatarefIsUnanswered) {
  const std::string kAltitude = "sim/cockpit2/gauges/indicators/altitude_ft_pilot";
  const std::string kPitch = "sim/flightmodel/position/theta", kBank = "sim/flightmodel/position/phi";
  orvane_test::FakeXPlane xplane({});
  xplane.Set(kPitch, 3);
  xplane.Set(kBank, 12);
  xplane.Set(kAltitude, 5000);
  xplane.Set("sim/cockpit2/gauges/indicators/airspeed_kts_pilot", 250);
  xplane.Set("sim/cockpit2/gauges/actuators/barometer_setting_in_hg_pilot", 29.92f);
  xplane.Set("sim/cockpit2/gauges/indicators/radio_altimeter_height_ft_pilot", 3000);
  xplane.Silence(kAltitude);
  orvane_test::FaultDisplay display;
  display.Run().Write("OrvaneGCPfd.INI", "[SIMULATOR]\nSOURCE=XPLANE\nXPLANEHOST=127.0.0.1\nXPLANEPORT=" +
                                             std::to_string(xplane.Port()) + "\n[PFD]\nLAYOUT=FULL\n");
  ASSERT_TRUE(display.Start());
  // The last 10 frames all raise exactly `flags` (the attitude, when live, at 3 degrees up, 12 right).
  auto lastFramesRaise = [](const std::vector<FrameRecord>& frames, const std::string& flags) {
    if (frames.size() < 10) return false;
    for (size_t i = frames.size() - 10; i < frames.size(); ++i)
      if (frames[i].flags != flags) return false;
    return true;
  };
  const bool altitudeAlone = display.WaitFrames(
      [&](const auto& f) {
        return lastFramesRaise(f, "ALT") && std::fabs(f.back().pitchDeg - 3) <= 1 && std::fabs(f.back().bankDeg - 12) <= 1;
      },
      30000);
  const std::vector<FrameRecord> unanswered = display.Frames();
  EXPECT_TRUE(altitudeAlone) << "the altitude unanswered: ALT alone, not ATT over a live horizon; last frame's "
                             << "flags: " << (unanswered.empty() ? "none" : unanswered.back().flags) << "\n"
                             << display.Output();
  EXPECT_FALSE(unanswered.empty() ? true : unanswered.back().Raises("ATT"));

  // It answers: no flag; then it falls silent while every other dataref keeps arriving.
  xplane.Answer(kAltitude);
  EXPECT_TRUE(display.WaitFrames([&](const auto& f) { return lastFramesRaise(f, "-"); }, 5000))
      << (display.Frames().empty() ? "" : display.Frames().back().flags);
  xplane.Silence(kAltitude);
  const uint64_t silent = platform::MonotonicMicros();
  EXPECT_TRUE(display.WaitFrames([&](const auto& f) { return !f.empty() && f.back().flags == "ALT"; }, 5000));
  const uint64_t flaggedAfter = platform::MonotonicMicros() - silent;
  EXPECT_LE(flaggedAfter, 2600 * kMs) << "the source calls a value lost after 2 s without it";

  // Pitch and bank unanswered as well: the attitude flag, with the altitude's.
  xplane.Silence(kPitch);
  xplane.Silence(kBank);
  EXPECT_TRUE(display.WaitFrames([&](const auto& f) { return lastFramesRaise(f, "ATT,ALT"); }, 5000))
      << (display.Frames().empty() ? "" : display.Frames().back().flags);
  EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
  std::printf("[ figures  ] full layout on X-Plane: the altitude silent while the rest arrives, ALT after %llu ms\n",
              static_cast<unsigned long long>(flaggedAfter / kMs));
}

TEST(DirectFlightGear, TheDisplayFollowsTheLinesAndFlagsTheirSilence) {
  asio::io_context io;
  // A UDP port that was free a moment ago, for the display to listen on.
  uint16_t feedPort = 0;
  {
    asio::ip::udp::socket probe(io, asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    feedPort = probe.local_endpoint().port();
  }
  orvane_test::FaultDisplay display;
  display.Run().Write("OrvaneGCPfd.INI", "[SIMULATOR]\nSOURCE=FLIGHTGEAR\nFGPORT=" + std::to_string(feedPort) + "\n");
  ASSERT_TRUE(display.Start());
  asio::ip::udp::socket flightgear(io, asio::ip::udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  const asio::ip::udp::endpoint to(asio::ip::make_address("127.0.0.1"), feedPort);
  orvane_test::FgLine line;
  line.pitch = 4;
  line.roll = 15;
  // FlightGear sends 30 lines a second.
  auto sendFor = [&](uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 33) {
      flightgear.send_to(asio::buffer(line.Text()), to);
      platform::SleepMs(33);
    }
  };
  bool follows = false;
  for (int i = 0; i < 30 && !follows; ++i) {  // the display starts within 30 s
    sendFor(1000);
    follows = LastFrameShows(display.Frames(), 4, 15);
  }
  EXPECT_TRUE(follows) << orvane_test::DescribeFrames(display.Frames()) << "\n" << display.Output();
  EXPECT_TRUE(TitleEndsWith(display.Output(), "[FLIGHTGEAR]")) << display.Output();
  line.pitch = -2;
  line.roll = -20;
  sendFor(500);
  EXPECT_TRUE(LastFrameShows(display.Frames(), -2, -20));

  const uint64_t silent = platform::MonotonicMicros();
  EXPECT_TRUE(orvane_test::WaitUntil([&] { return TitleEndsWith(display.Output(), "[NOT CONNECTED]"); }, 5000));
  EXPECT_LE(platform::MonotonicMicros() - silent, 2510 * kMs);
  EXPECT_TRUE(display.WaitFrames([](const auto& f) { return !f.empty() && f.back().flag; }, 1000));
  sendFor(500);
  EXPECT_TRUE(LastFrameShows(display.Frames(), -2, -20));
  EXPECT_TRUE(TitleEndsWith(display.Output(), "[FLIGHTGEAR]"));
  EXPECT_EQ(display.Run().Stop(10000), 0) << display.Output();
}

// Start-ups that cannot work end with exit code 1 and say why: network mode together with another
// source (both keys named), and FlightGear's port taken by another program (the key and the port).
TEST(DirectSources, ContradictorySettingsAndATakenPortEndTheStartWithExitCode1) {
  asio::io_context io;
  asio::ip::udp::socket taken(io, asio::ip::udp::endpoint(asio::ip::make_address("0.0.0.0"), 0));
  const std::string port = std::to_string(taken.local_endpoint().port());
  const struct {
    std::string ini;
    std::vector<std::string> named;
  } cases[] = {
      {"[LAN]\nUSELAN=Y\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT=2100\n[SIMULATOR]\nSOURCE=XPLANE\n",
       {"USELAN=Y", "SOURCE=XPLANE"}},
      {"[SIMULATOR]\nSOURCE=FLIGHTGEAR\nFGPORT=" + port + "\n", {"FGPORT " + port}},
  };
  for (const auto& c : cases) {
    orvane_test::FaultDisplay display;
    display.Run().Write("OrvaneGCPfd.INI", c.ini);
    ASSERT_TRUE(display.Start());
    int code = -1;
    EXPECT_TRUE(display.Run().Wait(30000, &code)) << c.ini;
    EXPECT_EQ(code, 1) << c.ini << display.Output();
    for (const std::string& name : c.named) EXPECT_NE(display.Output().find(name), std::string::npos) << display.Output();
  }
}

}  // namespace
