// The hidden GL context for snapshots and render tests on Windows: a WGL window that is never shown.
#include "platform/gl.h"
#include "platform/window.h"

#include <string>

namespace platform {

struct OffscreenGl::State {
  HWND window = nullptr;
  HDC dc = nullptr;
  HGLRC context = nullptr;
};

namespace {

// One class for every offscreen window, registered by the first to open and unregistered by the
// last to close (the system refuses while a window of the class is left).
const char kOffscreenClass[] = "OrvaneOffscreenGl";

// "Win32: <what>: <system text>" for the calling thread's last error.
std::string Win32Error(const char* what) {
  const DWORD code = GetLastError();
  char text[512] = {};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     0, text, sizeof text, nullptr);
  std::string message = std::string("Win32: ") + what;
  if (length > 0) {
    std::string body(text, length);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r' || body.back() == ' ')) {
      body.pop_back();
    }
    message += ": " + body;
  } else {
    message += ": error " + std::to_string(code);
  }
  return message;
}

void Release(OffscreenGl::State& s) {
  if (s.context != nullptr) {
    if (wglGetCurrentContext() == s.context) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(s.context);
    s.context = nullptr;
  }
  if (s.dc != nullptr) {
    ReleaseDC(s.window, s.dc);
    s.dc = nullptr;
  }
  if (s.window != nullptr) {
    DestroyWindow(s.window);
    s.window = nullptr;
    // Fails, leaving the class, while another offscreen window still uses it.
    UnregisterClassA(kOffscreenClass, GetModuleHandleA(nullptr));
  }
}

}  // namespace

OffscreenGl::OffscreenGl() : state_(new State) {}

OffscreenGl::~OffscreenGl() {
  Close();
  delete state_;
}

bool OffscreenGl::IsOpen() const { return state_->context != nullptr; }

bool OffscreenGl::MakeCurrent() {
  return state_->context != nullptr && wglMakeCurrent(state_->dc, state_->context) != FALSE;
}

void OffscreenGl::Close() { Release(*state_); }

bool OffscreenGl::Open(int width, int height, std::string& error) {
  State& s = *state_;
  if (s.context != nullptr) {
    error = "Win32: the offscreen GL context is already open";
    return false;
  }
  if (width <= 0 || height <= 0) {
    error = "Win32: bad offscreen size " + std::to_string(width) + " x " + std::to_string(height);
    return false;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kOffscreenClass;
  if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    error = Win32Error("Failed to register the offscreen window class");
    return false;
  }
  // A popup window has no frame, so its client area is the whole width x height; it stays hidden.
  s.window = CreateWindowExA(0, kOffscreenClass, "Orvane offscreen", WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                             0, 0, width, height, nullptr, nullptr, instance, nullptr);
  if (s.window == nullptr) {
    error = Win32Error("Failed to create the offscreen window");
    Release(s);
    return false;
  }
  s.dc = GetDC(s.window);
  if (s.dc == nullptr) {
    error = Win32Error("Failed to get the offscreen device context");
    Release(s);
    return false;
  }
  PIXELFORMATDESCRIPTOR descriptor = {};
  descriptor.nSize = sizeof descriptor;
  descriptor.nVersion = 1;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor.iPixelType = PFD_TYPE_RGBA;
  descriptor.cColorBits = 32;
  descriptor.cDepthBits = 24;
  descriptor.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(s.dc, &descriptor);
  if (format == 0) {
    error = Win32Error("Failed to find a pixel format for the offscreen context");
    Release(s);
    return false;
  }
  if (!SetPixelFormat(s.dc, format, &descriptor)) {
    error = Win32Error("Failed to set the offscreen pixel format");
    Release(s);
    return false;
  }
  s.context = wglCreateContext(s.dc);
  if (s.context == nullptr) {
    error = Win32Error("Failed to create the offscreen GL context");
    Release(s);
    return false;
  }
  if (!wglMakeCurrent(s.dc, s.context)) {
    error = Win32Error("Failed to make the offscreen GL context current");
    Release(s);
    return false;
  }
  glDrawBuffer(GL_BACK);
  glReadBuffer(GL_BACK);
  return true;
}

}  // namespace platform
