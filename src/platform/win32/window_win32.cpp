// The display window on Windows: class "OpenGl", the window, its WGL context and WindowProc.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "platform/system.h"
#include "platform/window.h"

namespace platform {

namespace {

constexpr const char* ClassName = "OpenGl";
// The outer size of the window, frame and caption included.
constexpr int OuterWidth = 337;
constexpr int OuterHeight = 350;

struct WindowState {
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
};
WindowState g_state;

void StartupError(const char* text) { ShowMessageBox(text, "Error", MessageIcon::Exclamation); }
void ShutdownError(const char* text) { ShowMessageBox(text, " Shutdown Error", MessageIcon::Error); }

LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      // Screen saver and monitor power-down are refused while the display runs.
      if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
      break;
    case WM_ACTIVATE:
      g_state.active = HIWORD(wParam) == 0;  // false only while minimised
      return 0;
    case WM_CLOSE:
      PostQuitMessage(0);  // the window itself goes at CloseGlWindow
      return 0;
    case WM_KEYDOWN:
      if (wParam < 256) g_state.keys[wParam] = true;
      return 0;
    case WM_KEYUP:
      if (wParam < 256) g_state.keys[wParam] = false;
      return 0;
    case WM_SIZE:
      // A size that arrives before the context is current leaves the GL state alone.
      if (g_state.contextCurrent && g_state.sizeHandler != nullptr) {
        g_state.sizeHandler(LOWORD(lParam), HIWORD(lParam));
      }
      return 0;
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

}  // namespace

bool OpenGlWindow(const WindowParams& params) {
  g_state.instance = GetModuleHandleA(nullptr);
  g_state.icon = static_cast<HICON>(
      LoadImageA(nullptr, params.iconFile.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  g_state.active = true;
  for (bool& k : g_state.keys) k = false;

  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  wc.lpfnWndProc = &WindowProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = g_state.instance;
  wc.hIcon = g_state.icon;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = nullptr;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = ClassName;
  if (RegisterClassA(&wc) == 0) {
    ShowMessageBox("Failed To Register The Window Class.", "Error", MessageIcon::Error);
    if (g_state.icon != nullptr) DestroyIcon(g_state.icon);
    g_state.icon = nullptr;
    return false;
  }
  g_state.classRegistered = true;

  // An overlapped window with a system menu: caption and close box, no sizing border.
  const DWORD exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
  const DWORD style = WS_OVERLAPPED | WS_SYSMENU;
  g_state.window = CreateWindowExA(exStyle, ClassName, params.title.c_str(), style, params.x, params.y,
                                   OuterWidth, OuterHeight, nullptr, nullptr, g_state.instance, nullptr);
  if (g_state.window == nullptr) {
    CloseGlWindow();
    StartupError("Window creation error.");
    return false;
  }
  g_state.deviceContext = GetDC(g_state.window);
  if (g_state.deviceContext == nullptr) {
    CloseGlWindow();
    StartupError("Cant't create a GL device context.");
    return false;
  }
  const PIXELFORMATDESCRIPTOR pfd = PixelFormatFor(params.colourBits);
  const int pixelFormat = ChoosePixelFormat(g_state.deviceContext, &pfd);
  if (pixelFormat == 0) {
    CloseGlWindow();
    StartupError("Cant't Find A Suitable PixelFormat.");
    return false;
  }
  if (!SetPixelFormat(g_state.deviceContext, pixelFormat, &pfd)) {
    CloseGlWindow();
    StartupError("Cant't set PixelFormat.");
    return false;
  }
  g_state.renderContext = wglCreateContext(g_state.deviceContext);
  if (g_state.renderContext == nullptr) {
    CloseGlWindow();
    StartupError("Cant't create a GL rendering context.");
    return false;
  }
  if (!wglMakeCurrent(g_state.deviceContext, g_state.renderContext)) {
    CloseGlWindow();
    StartupError("Cant't activate the GL rendering context.");
    return false;
  }
  g_state.contextCurrent = true;

  const LONG current = GetWindowLongA(g_state.window, GWL_STYLE);
  SetWindowLongA(g_state.window, GWL_STYLE, current & ~static_cast<LONG>(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  ShowWindow(g_state.window, SW_SHOW);
  SetForegroundWindow(g_state.window);
  SetFocus(g_state.window);
  return true;
}

void CloseGlWindow() {
  if (g_state.renderContext != nullptr) {
    if (!wglMakeCurrent(nullptr, nullptr)) ShutdownError("Release of DC and RC failed.");
    g_state.contextCurrent = false;
    if (!wglDeleteContext(g_state.renderContext)) ShutdownError("Release of Rendering Context failed.");
    g_state.renderContext = nullptr;
  }
  g_state.contextCurrent = false;
  if (g_state.deviceContext != nullptr) {
    if (!ReleaseDC(g_state.window, g_state.deviceContext)) ShutdownError("Release of Device Context failed.");
    g_state.deviceContext = nullptr;
  }
  if (g_state.window != nullptr) {
    if (!DestroyWindow(g_state.window)) ShutdownError("Could not release hWnd.");
    g_state.window = nullptr;
  }
  if (g_state.classRegistered) {
    if (!UnregisterClassA(ClassName, g_state.instance)) {
      ShowMessageBox("Could Not Unregister Class.", "SHUTDOWN ERROR", MessageIcon::Information);
    }
    g_state.classRegistered = false;
  }
  if (g_state.icon != nullptr) {
    DestroyIcon(g_state.icon);
    g_state.icon = nullptr;
  }
}

void SetGlWindowTitle(const std::string& title) {
  if (g_state.window != nullptr) SetWindowTextA(g_state.window, title.c_str());
}

PumpResult PumpOneMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return PumpResult::Empty;
  if (msg.message == WM_QUIT) return PumpResult::Quit;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return PumpResult::Handled;
}

void SwapGlBuffers() {
  if (g_state.deviceContext != nullptr) SwapBuffers(g_state.deviceContext);
}

bool SetSwapInterval(int interval) {
  using SwapIntervalFn = BOOL(WINAPI*)(int);
  if (!g_state.contextCurrent) return false;
  PROC proc = wglGetProcAddress("wglSwapIntervalEXT");
  if (proc == nullptr) return false;
  // Through the generic function pointer type, the one cast between function types GCC accepts.
  auto fn = reinterpret_cast<SwapIntervalFn>(reinterpret_cast<void (*)()>(proc));
  return fn(interval) != FALSE;
}

bool WindowActive() { return g_state.active; }

bool KeyIsDown(int key) { return key >= 0 && key < 256 && g_state.keys[key]; }

void SetSizeHandler(SizeHandler handler) { g_state.sizeHandler = handler; }

}  // namespace platform
