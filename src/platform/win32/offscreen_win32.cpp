// The hidden GL context for snapshots and render tests on Windows: a WGL window that is never shown.
#include "platform/gl.h"
#include "platform/window.h"

#include <string>

namespace platform {
namespace {

const char kOffscreenClass[] = "OrvaneOffscreenGl";
HWND gOffscreenWindow = nullptr;
HDC gOffscreenDc = nullptr;
HGLRC gOffscreenContext = nullptr;
bool gClassRegistered = false;

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

void ReleaseOffscreen() {
  if (gOffscreenContext != nullptr) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(gOffscreenContext);
    gOffscreenContext = nullptr;
  }
  if (gOffscreenDc != nullptr) {
    ReleaseDC(gOffscreenWindow, gOffscreenDc);
    gOffscreenDc = nullptr;
  }
  if (gOffscreenWindow != nullptr) {
    DestroyWindow(gOffscreenWindow);
    gOffscreenWindow = nullptr;
  }
  if (gClassRegistered) {
    UnregisterClassA(kOffscreenClass, GetModuleHandleA(nullptr));
    gClassRegistered = false;
  }
}

}  // namespace

bool OpenOffscreenGl(int width, int height, std::string& error) {
  if (gOffscreenContext != nullptr) {
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
  if (RegisterClassA(&windowClass) == 0) {
    error = Win32Error("Failed to register the offscreen window class");
    return false;
  }
  gClassRegistered = true;
  // A popup window has no frame, so its client area is the whole width x height; it stays hidden.
  gOffscreenWindow = CreateWindowExA(0, kOffscreenClass, "Orvane offscreen",
                                     WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, width,
                                     height, nullptr, nullptr, instance, nullptr);
  if (gOffscreenWindow == nullptr) {
    error = Win32Error("Failed to create the offscreen window");
    ReleaseOffscreen();
    return false;
  }
  gOffscreenDc = GetDC(gOffscreenWindow);
  if (gOffscreenDc == nullptr) {
    error = Win32Error("Failed to get the offscreen device context");
    ReleaseOffscreen();
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
  const int format = ChoosePixelFormat(gOffscreenDc, &descriptor);
  if (format == 0) {
    error = Win32Error("Failed to find a pixel format for the offscreen context");
    ReleaseOffscreen();
    return false;
  }
  if (!SetPixelFormat(gOffscreenDc, format, &descriptor)) {
    error = Win32Error("Failed to set the offscreen pixel format");
    ReleaseOffscreen();
    return false;
  }
  gOffscreenContext = wglCreateContext(gOffscreenDc);
  if (gOffscreenContext == nullptr) {
    error = Win32Error("Failed to create the offscreen GL context");
    ReleaseOffscreen();
    return false;
  }
  if (!wglMakeCurrent(gOffscreenDc, gOffscreenContext)) {
    error = Win32Error("Failed to make the offscreen GL context current");
    ReleaseOffscreen();
    return false;
  }
  glDrawBuffer(GL_BACK);
  glReadBuffer(GL_BACK);
  return true;
}

void CloseOffscreenGl() { ReleaseOffscreen(); }

}  // namespace platform
