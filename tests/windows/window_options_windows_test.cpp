// The Win32 display window's options, checked through Win32: borderless and topmost styles, the
// client size, the rectangle on a monitor, the monitor list, the refusal of a missing monitor,
// the DPI change and multisampling.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"

namespace {

// GL_SAMPLE_BUFFERS and GL_SAMPLES (OpenGL 1.3, ARB_multisample): the Windows headers stop at 1.1.
constexpr GLenum kSampleBuffers = 0x80A8;
constexpr GLenum kSamples = 0x80A9;

RECT WindowRect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}
RECT ClientRect(HWND w) {
  RECT r{};
  GetClientRect(w, &r);
  return r;
}

// The text and the fate of the one message box shown while a window is refused.
struct Refusal {
  std::string caption;
  std::string text;
  int ticks = 0;
};
Refusal* g_refusal = nullptr;  // set while a refusal is awaited

// Runs inside the message box's own loop: reads the box, then presses its OK button. Gives up
// after 200 ticks (10 s) by closing whatever dialog the thread has.
void CALLBACK AnswerMessageBox(HWND, UINT, UINT_PTR, DWORD) {
  if (g_refusal == nullptr) return;
  ++g_refusal->ticks;
  HWND box = FindWindowA("#32770", nullptr);
  if (box == nullptr || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
  char caption[256] = {};
  char text[1024] = {};
  GetWindowTextA(box, caption, sizeof caption);
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the static text of a message box
  g_refusal->caption = caption;
  g_refusal->text = text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

double g_lastScale = 0.0;
void RecordScale(double scale) { g_lastScale = scale; }

class WindowOptionsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (open_) gl_.Close();
    gl_.SetDpiHandler(nullptr);
  }
  // Opens the window at (40, 30) on monitor 1 unless `p` says otherwise.
  void Open(platform::WindowParams p) {
    p.title = "window options";
    ASSERT_TRUE(gl_.Open(p));
    open_ = true;
    window_ = FindWindowA("OpenGl", "window options");
    ASSERT_NE(window_, nullptr);
    Drain();
  }
  // Handles every pending message; false if the quit message came.
  bool Drain() {
    for (int i = 0; i < 10000; ++i) {
      const platform::PumpResult r = gl_.PumpOneMessage();
      if (r == platform::PumpResult::Empty) return true;
      if (r == platform::PumpResult::Quit) return false;
    }
    ADD_FAILURE() << "the message queue never ran empty";
    return true;
  }
  static platform::WindowParams At40x30() {
    platform::WindowParams p;
    p.x = 40;
    p.y = 30;
    return p;
  }

  platform::GlWindow gl_;
  bool open_ = false;
  HWND window_ = nullptr;
};

TEST_F(WindowOptionsTest, TheOneMonitorIsNumberOneAndCoversTheScreen) {
  const std::vector<platform::MonitorRect> m = platform::ListMonitors();
  ASSERT_EQ(m.size(), 1u) << platform::DescribeMonitors(m);
  EXPECT_EQ(m[0].index, 1);
  EXPECT_EQ(m[0].left, 0);
  EXPECT_EQ(m[0].top, 0);
  EXPECT_EQ(m[0].right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(m[0].bottom, GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(WindowOptionsTest, BorderlessTopmostWindowIsAllClientAreaAndStillClosesOnAltF4) {
  platform::WindowParams p = At40x30();
  p.clientWidth = 400;
  p.clientHeight = 300;
  p.borderless = true;
  p.topmost = true;
  ASSERT_NO_FATAL_FAILURE(Open(p));
  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(window_, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & WS_CAPTION, 0) << "no caption";
  EXPECT_EQ(style & (WS_THICKFRAME | WS_BORDER | WS_DLGFRAME), 0) << "no frame";
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_FALSE(exStyle & WS_EX_WINDOWEDGE);
  const RECT w = WindowRect(window_);
  EXPECT_EQ(w.left, 40);
  EXPECT_EQ(w.top, 30);
  EXPECT_EQ(w.right, 440);
  EXPECT_EQ(w.bottom, 330);
  const RECT c = ClientRect(window_);
  EXPECT_EQ(c.right, 400);
  EXPECT_EQ(c.bottom, 300);

  // Alt+F4 reaches the window as the close system command.
  SendMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(Drain()) << "the close command ends the run";
}

TEST_F(WindowOptionsTest, FramedWindowGetsTheClientSizeAskedForAndStaysBelowOthers) {
  platform::WindowParams p = At40x30();
  p.clientWidth = 662;
  p.clientHeight = 642;
  ASSERT_NO_FATAL_FAILURE(Open(p));
  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_FALSE(style & WS_POPUP);
  EXPECT_FALSE(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  const RECT c = ClientRect(window_);
  EXPECT_EQ(c.right, 662);
  EXPECT_EQ(c.bottom, 642);
  const RECT w = WindowRect(window_);
  EXPECT_EQ(w.left, 40);
  EXPECT_EQ(w.top, 30);
}

TEST_F(WindowOptionsTest, FullScreenCoversMonitorOneExactly) {
  platform::WindowParams p = At40x30();
  p.clientWidth = 400;  // neither the size nor the position is used in full screen
  p.fullscreen = true;
  ASSERT_NO_FATAL_FAILURE(Open(p));
  const RECT w = WindowRect(window_);
  EXPECT_EQ(w.left, 0);
  EXPECT_EQ(w.top, 0);
  EXPECT_EQ(w.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(w.bottom, GetSystemMetrics(SM_CYSCREEN));
  const RECT c = ClientRect(window_);
  EXPECT_EQ(c.right, GetSystemMetrics(SM_CXSCREEN)) << "the client area is the whole monitor";
  EXPECT_EQ(GetWindowLongA(window_, GWL_STYLE) & WS_CAPTION, 0);
}

TEST_F(WindowOptionsTest, MissingMonitorIsRefusedNamingTheMonitorsFound) {
  platform::WindowParams p = At40x30();
  p.monitor = 2;
  p.title = "window options";
  Refusal refusal;
  g_refusal = &refusal;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &AnswerMessageBox);
  ASSERT_NE(timer, 0u);
  const bool opened = gl_.Open(p);
  KillTimer(nullptr, timer);
  g_refusal = nullptr;
  if (opened) gl_.Close();
  EXPECT_FALSE(opened);
  const std::string screen = "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "," +
                             std::to_string(GetSystemMetrics(SM_CYSCREEN)) + ")";
  EXPECT_EQ(refusal.text, "Monitor 2 does not exist; monitors found: 1 (0,0)-" + screen + ".");
  EXPECT_EQ(refusal.caption, "Error");
  EXPECT_EQ(FindWindowA("OpenGl", nullptr), nullptr) << "no window was made";
  WNDCLASSA wc{};
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "OpenGl", &wc)) << "no class was registered";
}

TEST_F(WindowOptionsTest, DpiChangeReachesTheShellAndTakesTheSuggestedRectangle) {
  platform::WindowParams p = At40x30();
  p.dpiAware = true;
  gl_.SetDpiHandler(&RecordScale);
  g_lastScale = 0.0;
  ASSERT_NO_FATAL_FAILURE(Open(p));
  EXPECT_EQ(gl_.Scale(), 1.0) << "Xvfb's monitor has 96 DPI";

  // Moved to a 150 % monitor: the system suggests a rectangle 1.5 times as large.
  RECT suggested{700, 100, 700 + 506, 100 + 525};
  EXPECT_EQ(SendMessageA(window_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested)), 0);
  EXPECT_EQ(g_lastScale, 1.5);
  EXPECT_EQ(gl_.Scale(), 1.5);
  const RECT w = WindowRect(window_);
  EXPECT_EQ(w.left, 700);
  EXPECT_EQ(w.top, 100);
  EXPECT_EQ(w.right - w.left, 506);
  EXPECT_EQ(w.bottom - w.top, 525);
}

TEST_F(WindowOptionsTest, WithoutDpiAwarenessTheScaleStaysOne) {
  gl_.SetDpiHandler(&RecordScale);
  g_lastScale = 0.0;
  ASSERT_NO_FATAL_FAILURE(Open(At40x30()));
  RECT suggested{700, 100, 700 + 506, 100 + 525};
  SendMessageA(window_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(g_lastScale, 0.0) << "the shell hears of no DPI change";
  EXPECT_EQ(gl_.Scale(), 1.0);
}

TEST_F(WindowOptionsTest, MultisamplingIsHadOrItsAbsenceLogged) {
  platform::WindowParams p = At40x30();
  p.msaaSamples = 4;
  ::testing::internal::CaptureStderr();
  ASSERT_NO_FATAL_FAILURE(Open(p));
  const std::string err = ::testing::internal::GetCapturedStderr();
  GLint buffers = -1, samples = -1;
  glGetIntegerv(kSampleBuffers, &buffers);
  glGetIntegerv(kSamples, &samples);
  if (err.find("Multisampling is off") == std::string::npos) {
    EXPECT_EQ(buffers, 1) << err;
    EXPECT_GE(samples, 4) << err;
  } else {
    EXPECT_EQ(buffers, 0) << "the fallback window has no multisampling: " << err;
  }
}

}  // namespace
