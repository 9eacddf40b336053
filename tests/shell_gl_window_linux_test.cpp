// The display window in this process (SDL offscreen): start-up projection, GL state, size, minimise, keys, close.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/gl.h"
#include "platform/window.h"
#include "shell/gl_window.h"
#include "shell/settings.h"
#include "support/display_run.h"

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
    previous_ = fs::current_path();
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("orvane-glwindow-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "pfd_2.txr", std::ios::binary) << orvane_test::SmallBmpFile();
    fs::current_path(dir_);

    UseNetwork = true;
    ServerAddress = "127.0.0.1";
    ServerPort = "1";
    Reconnect = false;
    WindowX = 0;
    WindowY = 0;
    ASSERT_TRUE(CreateGlWindow(TitleNetwork, 500, 740, 32, false));
    open_ = true;
    for (Uint32 id = 1; id < 1000 && window_ == nullptr; ++id) window_ = SDL_GetWindowFromID(id);
    ASSERT_NE(window_, nullptr);
    Drain();
  }
  void TearDown() override {
    if (open_) KillGlWindow();
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Handles every pending message; false if the quit message came.
  bool Drain() {
    for (int i = 0; i < 1000; ++i) {
      const platform::PumpResult r = platform::PumpOneMessage();
      if (r == platform::PumpResult::Empty) return true;
      if (r == platform::PumpResult::Quit) return false;
    }
    ADD_FAILURE() << "the message queue never ran empty";
    return true;
  }

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

  fs::path previous_;
  fs::path dir_;
  bool open_ = false;
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
  EXPECT_TRUE(GlWindowActive());
  PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  EXPECT_TRUE(Drain());
  EXPECT_FALSE(GlWindowActive());
  PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
  EXPECT_TRUE(Drain());
  EXPECT_TRUE(GlWindowActive());
}

TEST_F(GlWindowTest, KeysAreDownBetweenTheirDownAndUpMessages) {
  EXPECT_FALSE(platform::KeyIsDown(SDL_SCANCODE_A));
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  EXPECT_TRUE(Drain()) << "no key ends the run";
  EXPECT_TRUE(platform::KeyIsDown(SDL_SCANCODE_A));
  EXPECT_FALSE(platform::KeyIsDown(SDL_SCANCODE_B));
  PushKey(SDL_KEYUP, SDL_SCANCODE_A);
  EXPECT_TRUE(Drain());
  EXPECT_FALSE(platform::KeyIsDown(SDL_SCANCODE_A));
  EXPECT_FALSE(platform::KeyIsDown(-1));
  EXPECT_FALSE(platform::KeyIsDown(256));
}

TEST_F(GlWindowTest, CloseRequestBecomesTheQuitMessageOnTheNextPass) {
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  EXPECT_EQ(platform::PumpOneMessage(), platform::PumpResult::Handled);
  EXPECT_EQ(platform::PumpOneMessage(), platform::PumpResult::Quit);
}

TEST_F(GlWindowTest, TeardownTwiceIsHarmlessAndLeavesNoMessages) {
  KillGlWindow();
  open_ = false;
  KillGlWindow();
  EXPECT_EQ(platform::PumpOneMessage(), platform::PumpResult::Empty);
}

}  // namespace
