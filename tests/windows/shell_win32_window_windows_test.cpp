// The display window on Windows: class, styles, size, pixel format and WindowProc, checked through Win32.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "platform/gl.h"
#include "platform/window.h"
#include "shell/display.h"
#include "support/display_run.h"
#include "support/test_window.h"

namespace fs = std::filesystem;

namespace {

std::array<GLint, 4> Viewport() {
  std::array<GLint, 4> v{-1, -1, -1, -1};
  glGetIntegerv(GL_VIEWPORT, v.data());
  return v;
}
std::array<GLfloat, 16> Projection() {
  std::array<GLfloat, 16> m{};
  glGetFloatv(GL_PROJECTION_MATRIX, m.data());
  return m;
}
// Viewport and scissor box as one row: x, y, w, h, then the scissor's x, y, w, h.
std::array<GLint, 8> ViewportAndScissor() {
  std::array<GLint, 8> v{};
  glGetIntegerv(GL_VIEWPORT, v.data());
  glGetIntegerv(GL_SCISSOR_BOX, v.data() + 4);
  return v;
}

// Opens the display window in network mode against a port where nothing listens, so that
// InitGl succeeds with the background texture alone, at (40, 30).
class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testWindow_ = std::make_unique<orvane_test::TestDisplayWindow>(40, 30);
    ASSERT_TRUE(testWindow_->Open());
    display_ = &testWindow_->display();
    window_ = FindWindowA("OpenGl", nullptr);
    ASSERT_NE(window_, nullptr);
    Drain();
  }
  void TearDown() override { testWindow_.reset(); }

  bool Drain() { return testWindow_->Drain(); }

  std::unique_ptr<orvane_test::TestDisplayWindow> testWindow_;
  Display* display_ = nullptr;
  HWND window_ = nullptr;
};

TEST_F(Win32WindowTest, ClassIsOpenGlWithOwnDcArrowCursorIconAndNoBrush) {
  WNDCLASSA wc{};
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "OpenGl", &wc));
  EXPECT_EQ(wc.style, UINT(CS_HREDRAW | CS_VREDRAW | CS_OWNDC));
  EXPECT_EQ(wc.cbClsExtra, 0);
  EXPECT_EQ(wc.cbWndExtra, 0);
  EXPECT_EQ(wc.hbrBackground, nullptr);
  EXPECT_EQ(wc.lpszMenuName, nullptr);
  EXPECT_NE(wc.hIcon, nullptr) << "the icon comes from plane2.ico";
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

TEST_F(Win32WindowTest, OverlappedWindowWithCloseBoxOnlyAt337x350) {
  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(window_, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_POPUP);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_EQ(exStyle & (WS_EX_APPWINDOW | WS_EX_WINDOWEDGE), WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
  RECT r{};
  ASSERT_TRUE(GetWindowRect(window_, &r));
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 337);
  EXPECT_EQ(r.bottom - r.top, 350);
  char title[128] = {};
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ(title, TitleNotConnected) << "nothing listens on the server's port";
}

TEST_F(Win32WindowTest, PixelFormatIsDoubleBufferedRgbaForOpenGlInAWindow) {
  HDC dc = GetDC(window_);
  const int format = GetPixelFormat(dc);
  ASSERT_GT(format, 0);
  PIXELFORMATDESCRIPTOR pfd{};
  ASSERT_GT(DescribePixelFormat(dc, format, sizeof pfd, &pfd), 0);
  ReleaseDC(window_, dc);
  const DWORD wanted = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  EXPECT_EQ(pfd.dwFlags & wanted, wanted);
  EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
  EXPECT_GE(pfd.cColorBits, 24);
  EXPECT_GE(pfd.cDepthBits, 16);
}

TEST_F(Win32WindowTest, StartUpSurfaceIs500x740AndLaterSizeMessagesLeaveIt) {
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 500, 740}));
  std::array<GLfloat, 16> before{};
  glGetFloatv(GL_PROJECTION_MATRIX, before.data());
  EXPECT_NEAR(before[0] / before[5], 740.0 / 500.0, 1e-5);

  EXPECT_EQ(SendMessageA(window_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(331, 321)), 0);
  EXPECT_EQ(SendMessageA(window_, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0)), 0);
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 500, 740}));
  std::array<GLfloat, 16> after{};
  glGetFloatv(GL_PROJECTION_MATRIX, after.data());
  EXPECT_EQ(after, before);
}

// Dragged to a 150 % monitor the panel is fitted at 1.5 times; dragged back to a 100 % one, the
// window is today's again: the start-up surface and projection, nothing clipped.
TEST_F(Win32WindowTest, BackOnAMonitorAt100PercentTheStartUpSurfaceReturns) {
  const std::array<GLint, 4> start = Viewport();
  const std::array<GLfloat, 16> startProjection = Projection();
  RECT larger{40, 30, 40 + 506, 30 + 525};
  SendMessageA(window_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&larger));
  EXPECT_TRUE(Drain());
  EXPECT_NE(Viewport(), start) << "fitted at 150 %";
  display_->DrawFrame();  // a fitted frame clips to the panel
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));

  RECT today{40, 30, 40 + 337, 30 + 350};
  SendMessageA(window_, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&today));
  EXPECT_TRUE(Drain());
  EXPECT_EQ(Viewport(), start);
  EXPECT_EQ(Projection(), startProjection);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_TRUE(display_->layout().standard);
}

TEST_F(Win32WindowTest, ScreenSaverAndMonitorPowerRequestsAreRefused) {
  EXPECT_EQ(SendMessageA(window_, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
  EXPECT_EQ(SendMessageA(window_, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
  EXPECT_TRUE(Drain()) << "neither request may end the run";
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(Win32WindowTest, ActivationFollowsTheMinimisedStateOnly) {
  EXPECT_EQ(SendMessageA(window_, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0), 0);
  EXPECT_FALSE(display_->GlWindowActive()) << "minimised: no frames";
  SendMessageA(window_, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
  EXPECT_TRUE(display_->GlWindowActive()) << "inactive but not minimised: frames go on";
  SendMessageA(window_, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0);
  EXPECT_FALSE(display_->GlWindowActive());
  SendMessageA(window_, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
  EXPECT_TRUE(display_->GlWindowActive());
}

TEST_F(Win32WindowTest, KeysAreDownBetweenTheirDownAndUpMessages) {
  EXPECT_EQ(SendMessageA(window_, WM_KEYDOWN, 'A', 0), 0);
  EXPECT_TRUE(display_->window().KeyIsDown('A'));
  EXPECT_FALSE(display_->window().KeyIsDown('B'));
  EXPECT_TRUE(Drain()) << "no key ends the run";
  EXPECT_EQ(SendMessageA(window_, WM_KEYUP, 'A', 0), 0);
  EXPECT_FALSE(display_->window().KeyIsDown('A'));
  EXPECT_EQ(SendMessageA(window_, WM_KEYDOWN, 0x1234, 0), 0) << "an out-of-range code is ignored";
}

TEST_F(Win32WindowTest, CloseRequestPostsQuitAndKeepsTheWindowUntilTeardown) {
  EXPECT_EQ(SendMessageA(window_, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_FALSE(Drain()) << "the quit message follows";
  testWindow_->Close();
  EXPECT_FALSE(IsWindow(window_));
  WNDCLASSA wc{};
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "OpenGl", &wc)) << "class unregistered";
  display_->KillGlWindow();  // a second teardown finds nothing to release and shows nothing
}

}  // namespace

namespace {

// A cockpit window with a client area of 662 x 642 (WIDTH and HEIGHT): the 331 x 321 panel at
// twice its size.
class Win32FittedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testWindow_ = std::make_unique<orvane_test::TestDisplayWindow>(40, 30, 662, 642);
    ASSERT_TRUE(testWindow_->Open());
    window_ = FindWindowA("OpenGl", nullptr);
    ASSERT_NE(window_, nullptr);
    testWindow_->Drain();
  }
  void TearDown() override { testWindow_.reset(); }

  std::unique_ptr<orvane_test::TestDisplayWindow> testWindow_;
  HWND window_ = nullptr;
};

TEST_F(Win32FittedWindowTest, MinimiseAndRestoreKeepThePanelFitted) {
  const std::array<GLint, 8> twice{0, 0, 1000, 1480, 0, 0, 662, 642};
  EXPECT_EQ(ViewportAndScissor(), twice);
  SendMessageA(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(testWindow_->Drain());
  EXPECT_TRUE(IsIconic(window_));
  SendMessageA(window_, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(testWindow_->Drain());
  EXPECT_FALSE(IsIconic(window_));
  EXPECT_EQ(ViewportAndScissor(), twice);
}

TEST_F(Win32FittedWindowTest, AWindowResizedByTheUserIsFittedAgain) {
  // Half as wide (331 x 642): the width decides, scale 1, the panel in the middle of the height.
  RECT outer{}, client{};
  GetWindowRect(window_, &outer);
  GetClientRect(window_, &client);
  const int frameWidth = (outer.right - outer.left) - client.right;
  const int frameHeight = (outer.bottom - outer.top) - client.bottom;
  SetWindowPos(window_, nullptr, 0, 0, 331 + frameWidth, 642 + frameHeight, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_TRUE(testWindow_->Drain());
  GetClientRect(window_, &client);
  ASSERT_EQ(client.right, 331);
  ASSERT_EQ(client.bottom, 642);
  EXPECT_EQ(ViewportAndScissor(), (std::array<GLint, 8>{0, 160, 500, 740, 0, 160, 331, 321}));
}

}  // namespace
