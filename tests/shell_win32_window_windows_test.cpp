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
  EXPECT_TRUE(platform::KeyIsDown('A'));
  EXPECT_FALSE(platform::KeyIsDown('B'));
  EXPECT_TRUE(Drain()) << "no key ends the run";
  EXPECT_EQ(SendMessageA(window_, WM_KEYUP, 'A', 0), 0);
  EXPECT_FALSE(platform::KeyIsDown('A'));
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
