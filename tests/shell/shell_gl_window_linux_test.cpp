// The display window in this process (SDL offscreen): start-up projection, GL state, size, minimise, keys, close.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "platform/gl.h"
#include "platform/system.h"
#include "platform/window.h"
#include "shell/display.h"
#include "support/display_run.h"
#include "support/test_window.h"
#include "support/script_server.h"
#include "support/test_env.h"

namespace fs = std::filesystem;

namespace {

// 1 / tan(22.5 degrees): the y scale of a 45 degree perspective.
const double kFocal = 1.0 / std::tan(22.5 * 3.14159265358979323846 / 180.0);

struct Viewport {
  GLint x, y, w, h;
};
Viewport CurrentViewport() {
  GLint v[4] = {-1, -1, -1, -1};
  glGetIntegerv(GL_VIEWPORT, v);
  return {v[0], v[1], v[2], v[3]};
}
std::array<GLfloat, 16> Matrix(GLenum which) {
  std::array<GLfloat, 16> m{};
  glGetFloatv(which, m.data());
  return m;
}

// Opens the real display window in network mode against a port where nothing listens: InitGl
// then succeeds with just the background texture, as it does for a user whose server is down.
class GlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ORVANE_NO_DIALOGS", "1", 1);
    testWindow_ = std::make_unique<orvane_test::TestDisplayWindow>(0, 0);
    ASSERT_TRUE(testWindow_->Open());
    display_ = &testWindow_->display();
    for (Uint32 id = 1; id < 1000 && window_ == nullptr; ++id) window_ = SDL_GetWindowFromID(id);
    ASSERT_NE(window_, nullptr);
    Drain();
  }
  void TearDown() override { testWindow_.reset(); }

  bool Drain() { return testWindow_->Drain(); }

  void PushWindowEvent(Uint8 what, Sint32 data1 = 0, Sint32 data2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(window_);
    e.window.event = what;
    e.window.data1 = data1;
    e.window.data2 = data2;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  void PushKey(Uint32 type, SDL_Scancode code) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = SDL_GetWindowID(window_);
    e.key.keysym.scancode = code;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }

  std::unique_ptr<orvane_test::TestDisplayWindow> testWindow_;
  Display* display_ = nullptr;
  SDL_Window* window_ = nullptr;
};

TEST_F(GlWindowTest, StartsWith500x740SurfaceIn332x332ClientArea) {
  const Viewport v = CurrentViewport();
  EXPECT_EQ(v.x, 0);
  EXPECT_EQ(v.y, 0);
  EXPECT_EQ(v.w, 500);
  EXPECT_EQ(v.h, 740);
  const auto p = Matrix(GL_PROJECTION_MATRIX);
  EXPECT_NEAR(p[5], kFocal, 1e-5);
  EXPECT_NEAR(p[0], kFocal / (500.0 / 740.0), 1e-5);
  EXPECT_NEAR(p[10], -(100.0 + 0.1) / (100.0 - 0.1), 1e-5);
  EXPECT_NEAR(p[14], -2.0 * 100.0 * 0.1 / (100.0 - 0.1), 1e-5);
  EXPECT_NEAR(p[11], -1.0, 1e-6);
  const auto m = Matrix(GL_MODELVIEW_MATRIX);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);

  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  EXPECT_EQ(w, 332);
  EXPECT_EQ(h, 332);
}

TEST_F(GlWindowTest, InitGlLeavesTheDisplaysGlState) {
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLint value = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &value);
  EXPECT_EQ(value, GL_LEQUAL);
  glGetIntegerv(GL_SHADE_MODEL, &value);
  EXPECT_EQ(value, GL_SMOOTH);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
  EXPECT_EQ(value, GL_NICEST);
  GLfloat clear[4] = {-1, -1, -1, -1};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_FLOAT_EQ(clear[0], 0.0f);
  EXPECT_FLOAT_EQ(clear[1], 0.0f);
  EXPECT_FLOAT_EQ(clear[2], 0.0f);
  EXPECT_FLOAT_EQ(clear[3], 0.5f);
  GLfloat depth = 0;
  glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
  EXPECT_FLOAT_EQ(depth, 1.0f);
}

TEST_F(GlWindowTest, UnreachableServerTurnsTheTitleToNotConnected) {
  EXPECT_STREQ(SDL_GetWindowTitle(window_), TitleNotConnected);
}

TEST_F(GlWindowTest, SizeMessagesAfterStartUpLeaveSurfaceAndProjectionAlone) {
  const auto before = Matrix(GL_PROJECTION_MATRIX);
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 337, 0);
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 200, 100);
  EXPECT_TRUE(Drain());
  const Viewport v = CurrentViewport();
  EXPECT_EQ(v.w, 500);
  EXPECT_EQ(v.h, 740);
  EXPECT_EQ(Matrix(GL_PROJECTION_MATRIX), before);
}

TEST_F(GlWindowTest, ResizeGlSceneTakesZeroHeightAsOne) {
  ResizeGlScene(332, 0);
  const Viewport v = CurrentViewport();
  EXPECT_EQ(v.w, 332);
  EXPECT_EQ(v.h, 1);
  const auto p = Matrix(GL_PROJECTION_MATRIX);
  EXPECT_TRUE(std::isfinite(p[0]));
  EXPECT_NEAR(p[0], kFocal / 332.0, 1e-6);
}

TEST_F(GlWindowTest, MinimiseStopsDrawingAndRestoreResumesIt) {
  EXPECT_TRUE(display_->GlWindowActive());
  PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  EXPECT_TRUE(Drain());
  EXPECT_FALSE(display_->GlWindowActive());
  PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
  EXPECT_TRUE(Drain());
  EXPECT_TRUE(display_->GlWindowActive());
}

TEST_F(GlWindowTest, KeysAreDownBetweenTheirDownAndUpMessages) {
  EXPECT_FALSE(display_->window().KeyIsDown(SDL_SCANCODE_A));
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  EXPECT_TRUE(Drain()) << "no key ends the run";
  EXPECT_TRUE(display_->window().KeyIsDown(SDL_SCANCODE_A));
  EXPECT_FALSE(display_->window().KeyIsDown(SDL_SCANCODE_B));
  PushKey(SDL_KEYUP, SDL_SCANCODE_A);
  EXPECT_TRUE(Drain());
  EXPECT_FALSE(display_->window().KeyIsDown(SDL_SCANCODE_A));
  EXPECT_FALSE(display_->window().KeyIsDown(-1));
  EXPECT_FALSE(display_->window().KeyIsDown(256));
}

TEST_F(GlWindowTest, CloseRequestBecomesTheQuitMessageOnTheNextPass) {
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  EXPECT_EQ(display_->window().PumpOneMessage(), platform::PumpResult::Handled);
  EXPECT_EQ(display_->window().PumpOneMessage(), platform::PumpResult::Quit);
}

TEST_F(GlWindowTest, TeardownTwiceIsHarmlessAndLeavesNoMessages) {
  testWindow_->Close();
  display_->KillGlWindow();
  EXPECT_EQ(display_->window().PumpOneMessage(), platform::PumpResult::Empty);
}

// A cockpit window of 664 x 664 (WIDTH and HEIGHT): the 332 x 332 panel at twice its size.
class FittedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ORVANE_NO_DIALOGS", "1", 1);
    testWindow_ = std::make_unique<orvane_test::TestDisplayWindow>(0, 0, 664, 664);
    ASSERT_TRUE(testWindow_->Open());
    for (Uint32 id = 1; id < 1000 && window_ == nullptr; ++id) window_ = SDL_GetWindowFromID(id);
    ASSERT_NE(window_, nullptr);
    testWindow_->Drain();
  }
  void Push(Uint8 what, Sint32 w = 0, Sint32 h = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(window_);
    e.window.event = what;
    e.window.data1 = w;
    e.window.data2 = h;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  // Viewport and scissor box as one row: x, y, w, h, then the scissor's x, y, w, h.
  static std::array<GLint, 8> ViewportAndScissor() {
    std::array<GLint, 8> v{};
    glGetIntegerv(GL_VIEWPORT, v.data());
    glGetIntegerv(GL_SCISSOR_BOX, v.data() + 4);
    return v;
  }
  std::unique_ptr<orvane_test::TestDisplayWindow> testWindow_;
  SDL_Window* window_ = nullptr;
};

// SDL's size events may say 0 x 0 while the window is minimised (Windows' WM_SIZE always does):
// the layout waits for the restore, which fits the panel again.
TEST_F(FittedWindowTest, MinimiseAndRestoreKeepThePanelFitted) {
  const std::array<GLint, 8> twice{0, 0, 1000, 1480, 0, 0, 664, 664};
  EXPECT_EQ(ViewportAndScissor(), twice);
  Push(SDL_WINDOWEVENT_MINIMIZED);
  Push(SDL_WINDOWEVENT_SIZE_CHANGED, 0, 0);
  EXPECT_TRUE(testWindow_->Drain());
  Push(SDL_WINDOWEVENT_RESTORED);
  Push(SDL_WINDOWEVENT_SIZE_CHANGED, 664, 664);
  EXPECT_TRUE(testWindow_->Drain());
  EXPECT_EQ(ViewportAndScissor(), twice);
  EXPECT_DOUBLE_EQ(testWindow_->display().layout().scale, 2.0);
}

TEST_F(FittedWindowTest, AWindowResizedByTheWindowManagerIsFittedAgain) {
  // Half as wide: the width decides, scale 1, the panel in the middle of the height.
  SDL_SetWindowSize(window_, 332, 664);
  EXPECT_TRUE(testWindow_->Drain());
  EXPECT_EQ(ViewportAndScissor(), (std::array<GLint, 8>{0, 166, 500, 740, 0, 166, 332, 332}));
}

// A window whose panel would outgrow the driver's largest viewport (Mesa's 16384: a panel taller
// than about 7,350 pixels here) is refused before the data source is opened, naming the keys, the
// size and the limit, with exit code 1.
TEST(DisplayStart, APanelBeyondTheViewportLimitIsRefusedNamingKeysAndLimit) {
  std::string error;
  platform::OffscreenGl gl;
  ASSERT_TRUE(gl.Open(16, 16, error)) << error;
  GLint limit[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, limit);
  gl.Close();
  // 7400 x 7400: 22.3 times the panel, a surface of 11145 x 16494.
  if (limit[1] >= 16494) GTEST_SKIP() << "this driver draws surfaces up to " << limit[1] << " pixels high";
  orvane_test::DisplayRun run;
  run.Write("OrvaneGCPfd.INI", "[WINDOW]\nWIDTH=7400\nHEIGHT=7400\n");
  ASSERT_TRUE(run.Start());
  int code = -1;
  ASSERT_TRUE(run.Wait(60000, &code)) << run.Output();
  EXPECT_EQ(code, 1);
  const std::string out = run.Output();
  EXPECT_NE(out.find("OrvaneGCPfd.INI, section [WINDOW]: with WIDTH=7400, HEIGHT=7400 the drawing area is 7400 x 7400"),
            std::string::npos) << out;
  EXPECT_NE(out.find("at most " + std::to_string(limit[0]) + " x " + std::to_string(limit[1])), std::string::npos) << out;
  EXPECT_EQ(out.find("FSUIPC connection failed"), std::string::npos) << "no simulator was looked for:\n" << out;
}

}  // namespace

namespace {

// The whole loop against a server that counts the requests: a minimised window draws no frames
// (so it asks the server for nothing), and drawing resumes once it is restored.
TEST(DisplayLoop, AMinimisedWindowDrawsNoFramesUntilRestored) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("ORVANE_NO_DIALOGS", "1", 1);
  orvane_test::TempFolder folder("orvane-minimised", true);
  ASSERT_TRUE(folder.Write("pfd_2.txr", orvane_test::SmallBmpFile()));
  std::atomic<int> requests{0};
  ScriptServer server([&requests](ScriptConnection& c) {
    std::string r;
    while (c.ReadRequest(&r, 5000)) {
      ++requests;
      c.Send(std::string("0") + '\0');
    }
  });
  Settings settings;
  settings.UseNetwork = true;
  settings.Network.ServerAddress = "127.0.0.1";
  settings.Network.ServerPort = server.PortText();
  Display display(settings);

  auto push = [](Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    SDL_PushEvent(&e);
  };
  auto waitForMore = [&requests](int than, uint32_t ms) {
    const uint64_t end = orvane_test::NowMs() + ms;
    while (requests <= than && orvane_test::NowMs() < end) platform::SleepMs(5);
    return requests.load();
  };
  int beforeMinimise = 0, settled = 0, minimisedLater = 0, restored = 0;
  std::thread driver([&] {
    beforeMinimise = waitForMore(0, 10000);
    push(SDL_WINDOWEVENT_MINIMIZED);
    platform::SleepMs(300);  // the frame under way, if any, finishes
    settled = requests;
    platform::SleepMs(700);
    minimisedLater = requests;
    push(SDL_WINDOWEVENT_RESTORED);
    restored = waitForMore(minimisedLater, 5000);
    push(SDL_WINDOWEVENT_CLOSE);
  });
  display.MainLoop();
  driver.join();
  EXPECT_GT(beforeMinimise, 0);
  EXPECT_EQ(minimisedLater, settled) << "frames were drawn while minimised";
  EXPECT_GT(restored, minimisedLater) << "no frames after restoring";
  EXPECT_FALSE(display.StartupFailed());
}

}  // namespace
