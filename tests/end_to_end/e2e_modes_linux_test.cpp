// End to end: the real display, live against orvane-sim and against OrvaneGCServer, draws what the frame rules decide.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// A private PNG decoder for reading the display's snapshots back.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include "stb_image.h"
#pragma GCC diagnostic pop

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "simdata/demo_flight.h"
#include "support/faults_display.h"
#include "support/sim_peer.h"
#include "support/test_env.h"

namespace {

namespace fs = std::filesystem;
using orvane_test::FaultDisplay;

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first
};

bool DecodePng(const std::string& bytes, Picture& out) {
  int w = 0, h = 0, n = 0;
  unsigned char* data = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                              int(bytes.size()), &w, &h, &n, 3);
  if (data == nullptr) return false;
  out.width = w;
  out.height = h;
  out.rgb.assign(data, data + size_t(w) * size_t(h) * 3);
  stbi_image_free(data);
  return true;
}

// Largest per-channel difference and the number of pixels that differ at all.
struct Difference {
  int largest = 0;
  size_t pixels = 0;
};

Difference Compare(const Picture& a, const Picture& b) {
  Difference d;
  for (size_t i = 0; i + 2 < a.rgb.size() && i + 2 < b.rgb.size(); i += 3) {
    int worst = 0;
    for (size_t c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(a.rgb[i + c]) - int(b.rgb[i + c])));
    if (worst > 0) ++d.pixels;
    d.largest = std::max(d.largest, worst);
  }
  return d;
}

std::string RunDir() { return fs::current_path().string(); }

// The panel orvane-snapshot renders for the demo at time t (the frame rules' own picture).
bool ReferencePicture(double t, Picture& out, std::string& error, const std::string& scale = "1") {
  const std::string file = (fs::temp_directory_path() /
                            ("orvane-e2e-ref-" + std::to_string(platform::CurrentProcessId()) + ".png"))
                               .string();
  platform::ChildProcess child;
  const std::string log = file + ".log";
  if (!platform::StartProcess(RunDir() + "/orvane-snapshot",
                              {"--demo-time", std::to_string(t), "--assets", RunDir(), "--scale", scale, "--out", file}, child,
                              log)) {
    error = "cannot start orvane-snapshot";
    return false;
  }
  int code = -1;
  if (!platform::WaitProcess(child, 30000, &code) || code != 0) {
    platform::StopProcess(child, 1000);
    std::string text;
    platform::ReadWholeFile(log, text, 1 << 16);
    error = "orvane-snapshot failed: " + text;
    return false;
  }
  std::string bytes;
  const bool ok = platform::ReadWholeFile(file, bytes, 16u << 20) && DecodePng(bytes, out);
  std::remove(file.c_str());
  std::remove(log.c_str());
  if (!ok) error = "cannot decode the reference picture";
  return ok;
}

// Runs the display until it has written a snapshot after a few frames, and decodes the last one.
bool LivePicture(FaultDisplay& display, Picture& out, std::string& error) {
  if (!display.Start(0, 300)) {
    error = "the display did not start";
    return false;
  }
  // Frames after the first second: the data of a frozen demo no longer change.
  const bool drawn = display.WaitFrames(
      [](const std::vector<orvane_test::FrameRecord>& frames) {
        int snapshots = 0;
        for (const auto& f : frames) snapshots += f.snapshot >= 0;
        return snapshots >= 4;
      },
      30000);
  const auto frames = display.Frames();
  display.Run().Stop(5000);
  if (!drawn) {
    error = "no snapshots within 30 s: " + orvane_test::DescribeFrames(frames) + "\n" + display.Output();
    return false;
  }
  int last = -1;
  for (const auto& f : frames) {
    if (f.snapshot >= 0) {
      last = f.snapshot;
      if (f.flag) {
        error = "the failure flag was up on a live frame: " + orvane_test::DescribeFrames(frames);
        return false;
      }
    }
  }
  if (!DecodePng(display.SnapshotBytes(last), out)) {
    error = "cannot decode the display's snapshot";
    return false;
  }
  return true;
}

// A free TCP port on the loopback interface (the server is told to use it).
class LiveDisplay : public ::testing::TestWithParam<double> {};

// Simulator mode: the live display against orvane-sim frozen at a demo time shows, pixel for pixel,
// the picture the frame rules give for that state.
TEST_P(LiveDisplay, SimulatorModeShowsTheDecidedPicture) {
  const double t = GetParam();
  Picture reference;
  std::string error;
  ASSERT_TRUE(ReferencePicture(t, reference, error)) << error;

  orvane_test::SimPeer sim;
  ASSERT_TRUE(sim.Start({"--demo-time", std::to_string(t), "--freeze"}, error)) << error;
  FaultDisplay display;
  Picture live;
  ASSERT_TRUE(LivePicture(display, live, error)) << error;
  ASSERT_EQ(live.width, reference.width);
  ASSERT_EQ(live.height, reference.height);
  const Difference d = Compare(live, reference);
  EXPECT_LE(d.largest, 8) << d.pixels << " pixels differ at demo time " << t;
  EXPECT_LE(d.pixels, size_t(live.width * live.height / 200)) << "largest difference " << d.largest;
}

// A window of another size: the same decided picture, everything scaled (horizon travel, indices,
// bars, texts), as orvane-snapshot draws it at that scale. An LCD-sized window fits the panel into
// its height: 768 / 332 times today's size, centred.
TEST_P(LiveDisplay, AScaledWindowShowsTheDecidedPictureAtItsScale) {
  const double t = GetParam();
  const struct {
    const char* settings;
    const char* scale;
  } cases[] = {{"[WINDOW]\nSCALE=2\n", "2"},
               {"[WINDOW]\nWIDTH=1024\nHEIGHT=768\nBORDERLESS=Y\n", "2.313253"}};
  orvane_test::SimPeer sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--demo-time", std::to_string(t), "--freeze"}, error)) << error;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    Picture reference;
    ASSERT_TRUE(ReferencePicture(t, reference, error, c.scale)) << error;
    FaultDisplay display;
    display.Run().Write("OrvaneGCPfd.INI", c.settings);
    Picture live;
    ASSERT_TRUE(LivePicture(display, live, error)) << error;
    ASSERT_EQ(live.width, reference.width);
    ASSERT_EQ(live.height, reference.height);
    const Difference d = Compare(live, reference);
    EXPECT_LE(d.largest, 8) << d.pixels << " pixels differ at demo time " << t;
    EXPECT_LE(d.pixels, size_t(live.width * live.height / 200)) << "largest difference " << d.largest;
  }
}

// Network mode, one request at a time and pipelined: the same picture from OrvaneGCServer.
TEST_P(LiveDisplay, NetworkModeShowsTheSamePictureAsSimulatorMode) {
  const double t = GetParam();
  Picture reference;
  std::string error;
  ASSERT_TRUE(ReferencePicture(t, reference, error)) << error;

  const uint16_t port = orvane_test::PortForServer();
  platform::ChildProcess server;
  const std::string serverLog = "e2e-server-" + std::to_string(platform::CurrentProcessId()) + ".log";
  ASSERT_TRUE(platform::StartProcess(RunDir() + "/OrvaneGCServer",
                                     {"--port", std::to_string(port), "--bind", "127.0.0.1", "--demo-time",
                                      std::to_string(t), "--freeze", "--duration", "120"},
                                     server, serverLog));
  platform::SleepMs(300);

  for (bool pipeline : {false, true}) {
    FaultDisplay display;
    display.UseNetwork(port, /*reconnect=*/true, pipeline);
    Picture live;
    ASSERT_TRUE(LivePicture(display, live, error)) << error << (pipeline ? " (pipelined)" : "");
    const Difference d = Compare(live, reference);
    EXPECT_LE(d.largest, 8) << d.pixels << " pixels differ at demo time " << t
                            << (pipeline ? " with PIPELINE" : " without PIPELINE");
    EXPECT_LE(d.pixels, size_t(live.width * live.height / 200));
  }
  platform::StopProcess(server, 5000);
  std::remove(serverLog.c_str());
}

// Cruise with HDG and ALT, a descent with VS and ALT armed, and the ILS approach over the middle
// marker (glide-slope inclination not 0 in both rules, so both modes decide the same ILS state).
INSTANTIATE_TEST_SUITE_P(DemoTimes, LiveDisplay,
                         ::testing::Values(demo::times::kCruiseHdgAlt, demo::times::kVsAltArmed,
                                           demo::times::kIlsApproachMiddleMarker));

}  // namespace
