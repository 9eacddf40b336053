// The display window on Windows: class "OpenGl", the window, its WGL context and WindowProc.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/window.h"

namespace platform {

namespace {

constexpr const char* ClassName = "OpenGl";
// The outer size of the window, frame and caption included.
constexpr int OuterWidth = 337;
constexpr int OuterHeight = 350;
// The client area of that window with the usual frame; a borderless window of standard size.
constexpr int StandardClientWidth = 331;
constexpr int StandardClientHeight = 321;
constexpr int MaxMonitors = 64;
constexpr UINT DefaultDpi = 96;

// WGL_ARB_pixel_format and WGL_ARB_multisample attribute names.
constexpr int WglDrawToWindow = 0x2001;
constexpr int WglSupportOpenGl = 0x2010;
constexpr int WglDoubleBuffer = 0x2011;
constexpr int WglPixelType = 0x2013;
constexpr int WglColourBits = 0x2014;
constexpr int WglDepthBits = 0x2022;
constexpr int WglTypeRgba = 0x202B;
constexpr int WglSampleBuffers = 0x2041;
constexpr int WglSamples = 0x2042;

// The property of the window that holds its GlWindow::State, as the window procedure finds it.
constexpr const wchar_t* StateProperty = L"OrvaneGlWindow";

}  // namespace

struct GlWindow::State {
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  bool classRegistered = false;
  HWND window = nullptr;
  HDC deviceContext = nullptr;
  HGLRC renderContext = nullptr;
  bool contextCurrent = false;
  bool active = true;
  bool keys[256] = {};
  SizeHandler sizeHandler = nullptr;
  DpiHandler dpiHandler = nullptr;
  bool dpiAware = false;  // this window follows its monitor's DPI
  double scale = 1.0;
};

namespace {

using WindowState = GlWindow::State;

// A function of user32 that older systems lack, or nullptr.
template <typename Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  FARPROC proc = GetProcAddress(user32, name);
  if (proc == nullptr) return nullptr;
  // Through the generic function pointer type, the one cast between function types GCC accepts.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// The DPI of the window, DefaultDpi when the system cannot say.
UINT WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto getDpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = getDpi != nullptr ? getDpi(window) : 0;
  return dpi >= 24 && dpi <= 96 * 16 ? dpi : DefaultDpi;
}

// The outer size of a window with that style whose client area is width x height at `dpi`.
SIZE OuterSizeFor(DWORD style, DWORD exStyle, int width, int height, UINT dpi) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT r{0, 0, width, height};
  // An overlapped window gets its caption whether or not the style names it.
  if ((style & WS_POPUP) == 0) style |= WS_CAPTION;
  const BOOL adjusted = adjustForDpi != nullptr ? adjustForDpi(&r, style, FALSE, exStyle, dpi)
                                                : AdjustWindowRectEx(&r, style, FALSE, exStyle);
  if (!adjusted) return SIZE{width, height};
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int ScaledSide(int requested, int standard, double scale) {
  if (requested > 0) return requested;
  return static_cast<int>(std::lround(standard * scale));
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* list = reinterpret_cast<std::vector<MonitorRect>*>(data);
  if (list->size() >= static_cast<size_t>(MaxMonitors)) return FALSE;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(monitor, &info)) return TRUE;
  MonitorRect r;
  r.left = info.rcMonitor.left;
  r.top = info.rcMonitor.top;
  r.right = info.rcMonitor.right;
  r.bottom = info.rcMonitor.bottom;
  if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
    list->insert(list->begin(), r);
  } else {
    list->push_back(r);
  }
  return TRUE;
}

void StartupError(const char* text) { ShowMessageBox(text, "Error", MessageIcon::Exclamation); }
void ShutdownError(const char* text) { ShowMessageBox(text, " Shutdown Error", MessageIcon::Error); }

// The window procedure of class "OpenGl": the window's state is the property set when it was created
// (WM_NCCREATE carries it from CreateWindowExA); messages before that, and those of the throw-away
// probe window, go to DefWindowProcA.
LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    if (create != nullptr && create->lpCreateParams != nullptr) SetPropW(hWnd, StateProperty, create->lpCreateParams);
  } else if (message == WM_NCDESTROY) {
    RemovePropW(hWnd, StateProperty);
  }
  WindowState* state = static_cast<WindowState*>(GetPropW(hWnd, StateProperty));
  if (state == nullptr) return DefWindowProcA(hWnd, message, wParam, lParam);
  WindowState& w = *state;
  switch (message) {
    case WM_SYSCOMMAND:
      // Screen saver and monitor power-down are refused while the display runs.
      if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
      break;
    case WM_ACTIVATE:
      w.active = HIWORD(wParam) == 0;  // false only while minimised
      return 0;
    case WM_CLOSE:
      PostQuitMessage(0);  // the window itself goes at Close
      return 0;
    case WM_KEYDOWN:
      if (wParam < 256) w.keys[wParam] = true;
      return 0;
    case WM_KEYUP:
      if (wParam < 256) w.keys[wParam] = false;
      return 0;
    case WM_SIZE:
      // A size that arrives before the context is current leaves the GL state alone.
      if (w.contextCurrent && w.sizeHandler != nullptr) {
        w.sizeHandler(LOWORD(lParam), HIWORD(lParam));
      }
      return 0;
    case WM_DPICHANGED: {
      if (!w.dpiAware) break;
      // The new DPI first, then the rectangle the system suggests: the panel keeps its apparent size.
      const UINT dpi = LOWORD(wParam);
      if (dpi >= 24 && dpi <= 96 * 16) w.scale = dpi / static_cast<double>(DefaultDpi);
      if (w.contextCurrent && w.dpiHandler != nullptr) w.dpiHandler(w.scale);
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      if (suggested != nullptr) {
        SetWindowPos(hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hWnd, message, wParam, lParam);
}

// The pixel format asked for: RGBA, double-buffered, window drawing with OpenGL, depth 32.
PIXELFORMATDESCRIPTOR PixelFormatFor(int colourBits) {
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = static_cast<BYTE>(colourBits);
  pfd.cDepthBits = 32;
  pfd.iLayerType = PFD_MAIN_PLANE;
  return pfd;
}

// A pixel format with `samples` samples per pixel through WGL_ARB_multisample, found with a
// throw-away window and context of the same class; 0 with the reason in `why` when there is none.
int MultisampleFormat(const WindowState& w, int colourBits, int samples, std::string& why) {
  HWND probe = CreateWindowExA(0, ClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, w.instance, nullptr);
  if (probe == nullptr) {
    why = "no probe window";
    return 0;
  }
  HDC dc = GetDC(probe);
  HGLRC context = nullptr;
  int format = 0;
  const PIXELFORMATDESCRIPTOR pfd = PixelFormatFor(colourBits);
  const int basic = dc != nullptr ? ChoosePixelFormat(dc, &pfd) : 0;
  if (basic != 0 && SetPixelFormat(dc, basic, &pfd)) context = wglCreateContext(dc);
  if (context != nullptr && wglMakeCurrent(dc, context)) {
    using ChooseFormatFn = BOOL(WINAPI*)(HDC, const int*, const FLOAT*, UINT, int*, UINT*);
    PROC proc = wglGetProcAddress("wglChoosePixelFormatARB");
    if (proc == nullptr) {
      why = "the driver lacks wglChoosePixelFormatARB";
    } else {
      auto choose = reinterpret_cast<ChooseFormatFn>(reinterpret_cast<void (*)()>(proc));
      // The ARB colour bits leave alpha out.
      const int attributes[] = {WglDrawToWindow, 1, WglSupportOpenGl, 1, WglDoubleBuffer, 1,
                                WglPixelType, WglTypeRgba, WglColourBits, colourBits > 24 ? 24 : colourBits,
                                WglDepthBits, 24, WglSampleBuffers, 1, WglSamples, samples, 0};
      UINT count = 0;
      if (!choose(dc, attributes, nullptr, 1, &format, &count) || count == 0) {
        format = 0;
        why = "the driver offers no pixel format with " + std::to_string(samples) + " samples";
      }
    }
    wglMakeCurrent(nullptr, nullptr);
  } else {
    why = "no probe context";
  }
  if (context != nullptr) wglDeleteContext(context);
  if (dc != nullptr) ReleaseDC(probe, dc);
  DestroyWindow(probe);
  return format;
}

// Styles, position and outer size of the window for `params` on `monitor`.
struct Placement {
  DWORD exStyle;
  DWORD style;
  int x, y, width, height;
};
Placement PlacementFor(const WindowParams& params, const MonitorRect& monitor) {
  Placement p{};
  const bool frameless = params.borderless || params.fullscreen;
  if (frameless) {
    p.exStyle = WS_EX_APPWINDOW;
    // The system menu stays: Alt+F4 closes the window as before.
    p.style = WS_POPUP | WS_SYSMENU;
  } else {
    // An overlapped window with a system menu: caption and close box, no sizing border.
    p.exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    p.style = WS_OVERLAPPED | WS_SYSMENU;
  }
  if (params.topmost) p.exStyle |= WS_EX_TOPMOST;
  const WindowPlacement place = PlaceWindow(params, monitor, StandardClientWidth, StandardClientHeight);
  p.x = place.x;
  p.y = place.y;
  p.width = place.width;
  p.height = place.height;
  if (frameless) return p;
  if (params.clientWidth == 0 && params.clientHeight == 0) {
    p.width = OuterWidth;
    p.height = OuterHeight;
  } else {
    const SIZE outer = OuterSizeFor(p.style, p.exStyle, place.width, place.height, DefaultDpi);
    p.width = outer.cx;
    p.height = outer.cy;
  }
  return p;
}

// On a monitor of another DPI than 96: a standard side grows by the monitor's scale, and the frame
// around the client area takes the monitor's own size.
void FitToMonitorDpi(WindowState& w, const WindowParams& params, const Placement& placement) {
  const UINT dpi = WindowDpi(w.window);
  w.scale = dpi / static_cast<double>(DefaultDpi);
  if (dpi == DefaultDpi || params.fullscreen) return;
  const int width = ScaledSide(params.clientWidth, StandardClientWidth, w.scale);
  const int height = ScaledSide(params.clientHeight, StandardClientHeight, w.scale);
  const bool frameless = params.borderless;
  const SIZE outer = frameless ? SIZE{width, height}
                               : OuterSizeFor(placement.style, placement.exStyle, width, height, dpi);
  SetWindowPos(w.window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

std::vector<MonitorRect> ListMonitors() {
  std::vector<MonitorRect> list;
  EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&list));
  for (size_t i = 0; i < list.size(); ++i) list[i].index = static_cast<int>(i) + 1;
  return list;
}

void DeclareDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  using SetAwareFn = BOOL(WINAPI*)();
  using IsAwareFn = BOOL(WINAPI*)();
  // Declared before (by an earlier call or the manifest): the system says so, and once is enough.
  if (const auto isAware = User32Function<IsAwareFn>("IsProcessDPIAware")) {
    if (isAware()) return;
  }
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  const HANDLE perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
  if (const auto setContext = User32Function<SetContextFn>("SetProcessDpiAwarenessContext")) {
    if (setContext(perMonitorV2)) return;
  }
  if (const auto setAware = User32Function<SetAwareFn>("SetProcessDPIAware")) {
    if (!setAware()) DebugLog("The system refused to make this program DPI aware.");
    return;
  }
  DebugLog("This system has no DPI awareness to declare.");
}

GlWindow::GlWindow() : state_(new State) {}

GlWindow::~GlWindow() {
  Close();
  delete state_;
}

bool GlWindow::Open(const WindowParams& params) {
  WindowState& w = *state_;
  if (w.window != nullptr || w.classRegistered) {
    DebugLog("The window is open already; it is not opened a second time.");
    return false;
  }
  // The primary monitor starts at (0, 0): a window there needs no monitor list.
  const bool needMonitors = params.monitor != 1 || params.fullscreen;
  const std::vector<MonitorRect> monitors = needMonitors ? ListMonitors() : std::vector<MonitorRect>();
  const std::string refusal = CheckWindowParams(params, monitors);
  if (!refusal.empty()) {
    StartupError(refusal.c_str());
    return false;
  }
  const MonitorRect monitor = needMonitors ? monitors[size_t(params.monitor) - 1] : MonitorRect{};
  w.dpiAware = params.dpiAware;
  w.scale = 1.0;
  if (params.dpiAware) DeclareDpiAware();

  w.instance = GetModuleHandleA(nullptr);
  w.icon = static_cast<HICON>(
      LoadImageA(nullptr, params.iconFile.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  w.active = true;
  for (bool& k : w.keys) k = false;

  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  wc.lpfnWndProc = &WindowProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = w.instance;
  wc.hIcon = w.icon;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = nullptr;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = ClassName;
  if (RegisterClassA(&wc) == 0) {
    ShowMessageBox("Failed To Register The Window Class.", "Error", MessageIcon::Error);
    if (w.icon != nullptr) DestroyIcon(w.icon);
    w.icon = nullptr;
    return false;
  }
  w.classRegistered = true;

  int multisampleFormat = 0;
  if (params.msaaSamples > 0) {
    std::string why;
    multisampleFormat = MultisampleFormat(w, params.colourBits, params.msaaSamples, why);
    if (multisampleFormat == 0) DebugLog("Multisampling is off: " + why + ".");
  }

  const Placement placement = PlacementFor(params, monitor);
  w.window = CreateWindowExA(placement.exStyle, ClassName, params.title.c_str(), placement.style, placement.x,
                                   placement.y, placement.width, placement.height, nullptr, nullptr,
                                   w.instance, &w);
  if (w.window == nullptr) {
    Close();
    StartupError("Window creation error.");
    return false;
  }
  if (params.dpiAware) FitToMonitorDpi(w, params, placement);
  w.deviceContext = GetDC(w.window);
  if (w.deviceContext == nullptr) {
    Close();
    StartupError("Cant't create a GL device context.");
    return false;
  }
  PIXELFORMATDESCRIPTOR pfd = PixelFormatFor(params.colourBits);
  int pixelFormat = 0;
  if (multisampleFormat != 0 &&
      DescribePixelFormat(w.deviceContext, multisampleFormat, sizeof pfd, &pfd) != 0) {
    pixelFormat = multisampleFormat;
  } else {
    pfd = PixelFormatFor(params.colourBits);
    pixelFormat = ChoosePixelFormat(w.deviceContext, &pfd);
  }
  if (pixelFormat == 0) {
    Close();
    StartupError("Cant't Find A Suitable PixelFormat.");
    return false;
  }
  if (!SetPixelFormat(w.deviceContext, pixelFormat, &pfd)) {
    Close();
    StartupError("Cant't set PixelFormat.");
    return false;
  }
  w.renderContext = wglCreateContext(w.deviceContext);
  if (w.renderContext == nullptr) {
    Close();
    StartupError("Cant't create a GL rendering context.");
    return false;
  }
  if (!wglMakeCurrent(w.deviceContext, w.renderContext)) {
    Close();
    StartupError("Cant't activate the GL rendering context.");
    return false;
  }
  w.contextCurrent = true;

  const LONG current = GetWindowLongA(w.window, GWL_STYLE);
  SetWindowLongA(w.window, GWL_STYLE, current & ~static_cast<LONG>(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  ShowWindow(w.window, SW_SHOW);
  SetForegroundWindow(w.window);
  SetFocus(w.window);
  return true;
}

void GlWindow::Close() {
  WindowState& w = *state_;
  if (w.renderContext != nullptr) {
    if (!wglMakeCurrent(nullptr, nullptr)) ShutdownError("Release of DC and RC failed.");
    w.contextCurrent = false;
    if (!wglDeleteContext(w.renderContext)) ShutdownError("Release of Rendering Context failed.");
    w.renderContext = nullptr;
  }
  w.contextCurrent = false;
  if (w.deviceContext != nullptr) {
    if (!ReleaseDC(w.window, w.deviceContext)) ShutdownError("Release of Device Context failed.");
    w.deviceContext = nullptr;
  }
  if (w.window != nullptr) {
    if (!DestroyWindow(w.window)) ShutdownError("Could not release hWnd.");
    w.window = nullptr;
  }
  if (w.classRegistered) {
    if (!UnregisterClassA(ClassName, w.instance)) {
      ShowMessageBox("Could Not Unregister Class.", "SHUTDOWN ERROR", MessageIcon::Information);
    }
    w.classRegistered = false;
  }
  w.dpiAware = false;
  w.scale = 1.0;
  if (w.icon != nullptr) {
    DestroyIcon(w.icon);
    w.icon = nullptr;
  }
}

void GlWindow::SetTitle(const std::string& title) {
  const WindowState& w = *state_;
  if (w.window != nullptr) SetWindowTextA(w.window, title.c_str());
}

PumpResult GlWindow::PumpOneMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return PumpResult::Empty;
  if (msg.message == WM_QUIT) return PumpResult::Quit;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return PumpResult::Handled;
}

void GlWindow::SwapBuffers() {
  const WindowState& w = *state_;
  if (w.deviceContext != nullptr) ::SwapBuffers(w.deviceContext);
}

bool GlWindow::SetSwapInterval(int interval) {
  using SwapIntervalFn = BOOL(WINAPI*)(int);
  const WindowState& w = *state_;
  if (!w.contextCurrent) return false;
  PROC proc = wglGetProcAddress("wglSwapIntervalEXT");
  if (proc == nullptr) return false;
  // Through the generic function pointer type, the one cast between function types GCC accepts.
  auto fn = reinterpret_cast<SwapIntervalFn>(reinterpret_cast<void (*)()>(proc));
  return fn(interval) != FALSE;
}

int GlWindow::RefreshRateHz() const {
  const WindowState& w = *state_;
  if (w.window == nullptr) return 0;
  // 0 and 1 stand for the hardware's default rate: the system does not know it.
  MONITORINFOEXA info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromWindow(w.window, MONITOR_DEFAULTTONEAREST);
  if (monitor != nullptr && GetMonitorInfoA(monitor, &info)) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsA(info.szDevice, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1) {
      return static_cast<int>(mode.dmDisplayFrequency);
    }
  }
  if (w.deviceContext != nullptr) {
    const int hz = GetDeviceCaps(w.deviceContext, VREFRESH);
    if (hz > 1) return hz;
  }
  return 0;
}

bool GlWindow::Active() const { return state_->active; }

bool GlWindow::KeyIsDown(int key) const { return key >= 0 && key < 256 && state_->keys[key]; }

void GlWindow::SetSizeHandler(SizeHandler handler) { state_->sizeHandler = handler; }

double GlWindow::Scale() const { return state_->window != nullptr && state_->dpiAware ? state_->scale : 1.0; }

void GlWindow::SetDpiHandler(DpiHandler handler) { state_->dpiHandler = handler; }

void StandardClientSize(int* width, int* height) {
  *width = StandardClientWidth;
  *height = StandardClientHeight;
}

void GlWindow::ClientSize(int* width, int* height) const {
  const WindowState& w = *state_;
  *width = 0;
  *height = 0;
  RECT r{};
  if (w.window != nullptr && GetClientRect(w.window, &r)) {
    *width = r.right - r.left;
    *height = r.bottom - r.top;
  }
}

}  // namespace platform
