// The display window on a real X server with two screens (its own Xvfb): the monitor list, the
// window's flags, position and size for each window option, and the refusal of a missing monitor.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"
#include "support/faults_display.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kXvfbStartBoundMs = 15000;

// The Xvfb program on the PATH, empty when there is none.
std::string FindXvfb() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const fs::path candidate = fs::path(dir.empty() ? "." : dir) / "Xvfb";
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
  }
  return std::string();
}

// One Xvfb for the whole suite with two screens: 0 is 800 x 600, 1 is 1024 x 768. SDL sees each X
// screen as one display. (With Xinerama on, Xvfb stacks both screens at (0, 0) and SDL sees one.)
// -noreset: the server would otherwise reset when its last client leaves, refusing the next one.
class XServer {
 public:
  // Starts Xvfb and waits, with a bound, for the display number it writes. Empty on success,
  // otherwise why not.
  std::string Start(const std::string& xvfb) {
    std::random_device rd;
    log_ = fs::temp_directory_path() / ("orvane-xvfb-" + std::to_string(rd()) + ".log");
    const std::vector<std::string> args = {"-displayfd", "1", "-xinerama", "-nolisten", "tcp", "-noreset",
                                           "-screen", "0", "800x600x24", "-screen", "1", "1024x768x24"};
    if (!platform::StartProcess(xvfb, args, child_, log_.string())) return "Xvfb did not start";
    started_ = true;
    const uint64_t end = platform::MonotonicMicros() + uint64_t{kXvfbStartBoundMs} * 1000;
    while (platform::MonotonicMicros() < end) {
      std::ifstream in(log_);
      std::string line;
      while (std::getline(in, line) && !in.eof()) {  // only whole lines
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
          display_ = ":" + line;
          return std::string();
        }
      }
      if (!platform::ProcessRunning(child_)) return "Xvfb ended early:\n" + Log();
      platform::SleepMs(50);
    }
    return "Xvfb gave no display number within 15 s:\n" + Log();
  }
  void Stop() {
    if (started_) platform::StopProcess(child_, 5000);
    started_ = false;
    std::error_code ec;
    fs::remove(log_, ec);
  }
  const std::string& Display() const { return display_; }
  std::string Log() const {
    std::ifstream in(log_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  platform::ChildProcess child_;
  bool started_ = false;
  fs::path log_;
  std::string display_;
};

XServer* g_server = nullptr;  // the suite's X server, between SetUpTestSuite and TearDownTestSuite
std::string g_skip;           // why the suite cannot run here

class WindowOnTwoScreens : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string xvfb = FindXvfb();
    if (xvfb.empty()) {
      g_skip = "Xvfb is not installed (apt-get install xvfb): the two-screen window tests need it";
      return;
    }
    g_server = new XServer;
    const std::string why = g_server->Start(xvfb);
    if (!why.empty()) {
      g_skip = "FAIL:" + why;
      return;
    }
    setenv("DISPLAY", g_server->Display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("ORVANE_NO_DIALOGS", "1", 1);
  }
  static void TearDownTestSuite() {
    if (g_server != nullptr) g_server->Stop();
    delete g_server;
    g_server = nullptr;
  }
  void SetUp() override {
    if (g_skip.rfind("FAIL:", 0) == 0) FAIL() << g_skip.substr(5);
    if (!g_skip.empty()) GTEST_SKIP() << g_skip;
  }
  void TearDown() override {
    if (open_) gl_.Close();
  }

  // Opens the window; its SDL handle in window_.
  void Open(const platform::WindowParams& params) {
    params_ = params;
    params_.title = "window options";
    ASSERT_TRUE(gl_.Open(params_));
    open_ = true;
    for (Uint32 id = 1; id < 1000 && window_ == nullptr; ++id) window_ = SDL_GetWindowFromID(id);
    ASSERT_NE(window_, nullptr);
    for (int i = 0; i < 1000 && gl_.PumpOneMessage() == platform::PumpResult::Handled; ++i) {
    }
  }
  Uint32 Flags() const { return SDL_GetWindowFlags(window_); }
  SDL_Rect Rect() const {
    SDL_Rect r{};
    SDL_GetWindowPosition(window_, &r.x, &r.y);
    SDL_GetWindowSize(window_, &r.w, &r.h);
    return r;
  }

  platform::WindowParams params_;
  platform::GlWindow gl_;
  bool open_ = false;
  SDL_Window* window_ = nullptr;
};

TEST_F(WindowOnTwoScreens, EachScreenIsAMonitorNumberedFromOne) {
  const std::vector<platform::MonitorRect> m = platform::ListMonitors();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(platform::DescribeMonitors(m), "1 (0,0)-(800,600), 2 (0,0)-(1024,768)");
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "listing without a window leaves SDL's video down";
}

TEST_F(WindowOnTwoScreens, StandardWindowIsFramed332x332AtItsPosition) {
  platform::WindowParams p;
  p.x = 25;
  p.y = 35;
  ASSERT_NO_FATAL_FAILURE(Open(p));
  const SDL_Rect r = Rect();
  EXPECT_EQ(r.x, 25);
  EXPECT_EQ(r.y, 35);
  EXPECT_EQ(r.w, 332);
  EXPECT_EQ(r.h, 332);
  EXPECT_EQ(Flags() & (SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_ALLOW_HIGHDPI), 0u);
  EXPECT_TRUE(Flags() & SDL_WINDOW_SHOWN);
  EXPECT_EQ(gl_.Scale(), 1.0);
}

TEST_F(WindowOnTwoScreens, BorderlessTopmostWindowHasItsFlagsSizeAndPosition) {
  platform::WindowParams p;
  p.x = 10;
  p.y = 20;
  p.clientWidth = 400;
  p.clientHeight = 300;
  p.borderless = true;
  p.topmost = true;
  ASSERT_NO_FATAL_FAILURE(Open(p));
  const SDL_Rect r = Rect();
  EXPECT_EQ(r.x, 10);
  EXPECT_EQ(r.y, 20);
  EXPECT_EQ(r.w, 400);
  EXPECT_EQ(r.h, 300);
  EXPECT_TRUE(Flags() & SDL_WINDOW_BORDERLESS);
  EXPECT_TRUE(Flags() & SDL_WINDOW_ALWAYS_ON_TOP);
  EXPECT_FALSE(Flags() & SDL_WINDOW_FULLSCREEN) << "no display-mode change";
}

TEST_F(WindowOnTwoScreens, FullScreenCoversTheChosenMonitorExactly) {
  platform::WindowParams p;
  p.x = 50;  // not used in full screen
  p.clientWidth = 400;
  p.monitor = 2;
  p.fullscreen = true;
  ASSERT_NO_FATAL_FAILURE(Open(p));
  const SDL_Rect r = Rect();
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.w, 1024);
  EXPECT_EQ(r.h, 768);
  EXPECT_TRUE(Flags() & SDL_WINDOW_BORDERLESS);
  EXPECT_FALSE(Flags() & SDL_WINDOW_FULLSCREEN) << "no display-mode change";
}

TEST_F(WindowOnTwoScreens, MissingMonitorIsRefusedWithTheMonitorsFound) {
  platform::WindowParams p;
  p.monitor = 3;
  p.title = "refused";
  ::testing::internal::CaptureStderr();
  const bool opened = gl_.Open(p);
  const std::string err = ::testing::internal::GetCapturedStderr();
  if (opened) gl_.Close();
  EXPECT_FALSE(opened);
  EXPECT_NE(err.find("Monitor 3 does not exist; monitors found: 1 (0,0)-(800,600), 2 (0,0)-(1024,768)."),
            std::string::npos)
      << err;
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "nothing is left open";
}

TEST_F(WindowOnTwoScreens, MultisamplingIsHadOrItsAbsenceLogged) {
  platform::WindowParams p;
  p.msaaSamples = 4;
  ::testing::internal::CaptureStderr();
  ASSERT_NO_FATAL_FAILURE(Open(p));
  const std::string err = ::testing::internal::GetCapturedStderr();
  GLint buffers = -1, samples = -1;
  glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
  glGetIntegerv(GL_SAMPLES, &samples);
  if (err.find("Multisampling is off") == std::string::npos) {
    EXPECT_EQ(buffers, 1) << err;
    EXPECT_GE(samples, 4) << err;
  } else {
    EXPECT_EQ(buffers, 0) << "the fallback window has no multisampling: " << err;
  }
}

// An X server without a retrace to wait for: the driver refuses VSYNC=Y's swap interval, and the
// loop is paced to the monitor's refresh rate instead of drawing as fast as it can (no simulator:
// [SIMULATOR] RECONNECT=Y keeps it drawing flagged frames); the log says so once. A 40 x 40 window
// costs software GL next to nothing, so an unpaced loop draws hundreds of frames a second even on
// a busy machine.
TEST_F(WindowOnTwoScreens, ARefusedVsyncPacesTheLoopToTheRefreshRate) {
  orvane_test::FaultDisplay display;
  display.Run().Write("OrvaneGCPfd.INI", "[SIMULATOR]\nRECONNECT=Y\n[WINDOW]\nVSYNC=Y\nWIDTH=40\nHEIGHT=40\n");
  orvane_test::SetEnvironment("SDL_VIDEODRIVER", "x11");
  ASSERT_TRUE(display.Start(4));
  int code = -1;
  ASSERT_TRUE(display.Run().Wait(60000, &code)) << display.Output();
  EXPECT_EQ(code, 0) << display.Output();
  const std::string out = display.Output();
  const std::regex paced("VSYNC=Y: the driver refused a swap interval of 1; frames are paced to ([0-9]+) per second");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(out, m, paced)) << out;
  EXPECT_EQ(std::distance(std::sregex_iterator(out.begin(), out.end(), paced), std::sregex_iterator()), 1) << out;
  const int hz = std::stoi(m[1].str());
  EXPECT_GE(hz, 20) << out;

  const std::vector<orvane_test::FrameRecord> frames = display.Frames();
  ASSERT_GE(frames.size(), 10u) << out;
  // Each frame after the first is booked one interval after the one before it; a frame's drawing
  // time moves its log line by at most about one more.
  const double seconds = double(frames.back().endUs - frames.front().endUs) / 1e6;
  EXPECT_LE(double(frames.size() - 1), hz * seconds + 2) << frames.size() << " frames in " << seconds << " s";
  std::printf("[ figures  ] refused VSYNC: %zu frames in %.2f s (%.1f per second), paced to %d Hz\n", frames.size(),
              seconds, (frames.size() - 1) / seconds, hz);
}

}  // namespace
