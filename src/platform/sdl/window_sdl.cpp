// The display window on Linux: an SDL2 window with a current OpenGL context, its events and icon.
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/window.h"

#include "platform/byte_order.h"

namespace platform {

namespace {

// The whole panel: the lower-left 332 x 332 pixels of the 500 x 740 drawing surface.
constexpr int ClientWidth = 332;
constexpr int ClientHeight = 332;
// Window positions are kept well inside the range SDL reserves for its own placement codes.
constexpr int MaxPosition = 1 << 20;
constexpr size_t MaxIconBytes = 4 * 1024 * 1024;
constexpr int MaxMonitors = 64;

}  // namespace

struct GlWindow::State {
  bool videoUp = false;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool contextCurrent = false;
  bool active = true;
  bool quitPosted = false;
  bool keys[256] = {};
  SizeHandler sizeHandler = nullptr;
  DpiHandler dpiHandler = nullptr;
  double scale = 1.0;  // the drawable's scale last reported
};

namespace {

using WindowState = GlWindow::State;

// Shows a start-up failure after logging SDL's own reason for it.
void Fail(const char* text, MessageIcon icon = MessageIcon::Exclamation) {
  const char* why = SDL_GetError();
  if (why != nullptr && why[0] != '\0') DebugLog(std::string("SDL: ") + text + " " + why);
  ShowMessageBox(text, "Error", icon);
}

int ClampPosition(int v) { return v < -MaxPosition ? -MaxPosition : (v > MaxPosition ? MaxPosition : v); }

// Drawable pixels per window pixel, 1.0 when SDL cannot say.
double DrawableScale(const WindowState& w) {
  if (w.window == nullptr) return 1.0;
  int width = 0, height = 0, drawableWidth = 0, drawableHeight = 0;
  SDL_GetWindowSize(w.window, &width, &height);
  SDL_GL_GetDrawableSize(w.window, &drawableWidth, &drawableHeight);
  if (width <= 0 || drawableWidth <= 0) return 1.0;
  return static_cast<double>(drawableWidth) / width;
}

// Tells the shell when the window reached a monitor of another scale.
void FollowScale(WindowState& w) {
  const double scale = DrawableScale(w);
  if (scale == w.scale) return;
  w.scale = scale;
  if (w.contextCurrent && w.dpiHandler != nullptr) w.dpiHandler(scale);
}

uint32_t Le16(const std::string& b, size_t at) { return le::Get16(reinterpret_cast<const uint8_t*>(b.data()) + at); }
uint32_t Le32(const std::string& b, size_t at) { return le::Get32(reinterpret_cast<const uint8_t*>(b.data()) + at); }

// Decodes the largest 24- or 32-bit image of an icon file into an ARGB surface; nullptr when the
// file holds none it understands (the window then keeps the default icon).
SDL_Surface* DecodeIcon(const std::string& b) {
  if (b.size() < 6 || Le16(b, 0) != 0 || Le16(b, 2) != 1) return nullptr;
  const size_t count = Le16(b, 4);
  if (6 + count * 16 > b.size()) return nullptr;

  size_t bestOffset = 0, bestSize = 0;
  int bestWidth = 0;
  for (size_t i = 0; i < count; ++i) {
    const size_t e = 6 + i * 16;
    const size_t size = Le32(b, e + 8);
    const size_t offset = Le32(b, e + 12);
    if (offset > b.size() || size > b.size() - offset || size < 40) continue;
    if (Le32(b, offset) != 40) continue;  // PNG images and other headers are passed over
    const int w = int(int32_t(Le32(b, offset + 4)));
    const uint32_t bits = Le16(b, offset + 14);
    if (w <= 0 || w > 256 || (bits != 24 && bits != 32) || Le32(b, offset + 16) != 0) continue;
    if (w > bestWidth) {
      bestWidth = w;
      bestOffset = offset;
      bestSize = size;
    }
  }
  if (bestWidth == 0) return nullptr;

  const size_t o = bestOffset;
  const int w = bestWidth;
  const int32_t doubledHeight = int32_t(Le32(b, o + 8));
  const int h = doubledHeight / 2;
  const uint32_t bits = Le16(b, o + 14);
  if (h <= 0 || h > 256) return nullptr;
  const size_t colourStride = ((size_t(w) * bits + 31) / 32) * 4;
  const size_t maskStride = ((size_t(w) + 31) / 32) * 4;
  const size_t colourBytes = colourStride * size_t(h);
  if (40 + colourBytes > bestSize) return nullptr;
  const bool haveMask = 40 + colourBytes + maskStride * size_t(h) <= bestSize;
  if (bits == 24 && !haveMask) return nullptr;

  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  if (s == nullptr) return nullptr;
  const size_t px = o + 40;
  const size_t mask = px + colourBytes;
  for (int y = 0; y < h; ++y) {
    const size_t row = px + size_t(h - 1 - y) * colourStride;  // bottom-up rows
    const size_t maskRow = mask + size_t(h - 1 - y) * maskStride;
    auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
    for (int x = 0; x < w; ++x) {
      const size_t p = row + size_t(x) * (bits / 8);
      uint32_t alpha = bits == 32 ? uint8_t(b[p + 3]) : 255u;
      if (bits == 24 && ((uint8_t(b[maskRow + size_t(x) / 8]) >> (7 - x % 8)) & 1) != 0) alpha = 0;
      out[x] = (alpha << 24) | (uint32_t(uint8_t(b[p + 2])) << 16) | (uint32_t(uint8_t(b[p + 1])) << 8) |
               uint32_t(uint8_t(b[p]));
    }
  }
  return s;
}

void SetIcon(WindowState& w, const std::string& iconFile) {
  if (iconFile.empty()) return;
  std::string bytes;
  if (!ReadWholeFile(iconFile, bytes, MaxIconBytes)) return;
  SDL_Surface* icon = DecodeIcon(bytes);
  if (icon == nullptr) {
    DebugLog("The icon in " + iconFile + " has no 24- or 32-bit image; the default icon is used.");
    return;
  }
  SDL_SetWindowIcon(w.window, icon);
  SDL_FreeSurface(icon);
}

void RefreshActive(WindowState& w) {
  if (w.window != nullptr) {
    w.active = (SDL_GetWindowFlags(w.window) & SDL_WINDOW_MINIMIZED) == 0;
  }
}

void HandleWindowEvent(WindowState& w, const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      w.quitPosted = true;  // the window itself goes at Close
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      w.active = false;
      break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
      w.active = true;
      break;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
      RefreshActive(w);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      FollowScale(w);
      // A size that arrives before the context is current leaves the GL state alone.
      if (w.contextCurrent && w.sizeHandler != nullptr) w.sizeHandler(e.data1, e.data2);
      break;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED:
      FollowScale(w);
      break;
    default:
      break;
  }
}

// RGB 8/8/8, a depth buffer and double buffering; a 24-bit depth buffer is what drivers offer
// for the 32 bits asked. `samples` above 0 asks for multisampling.
void RequestAttributes(int samples) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  if (samples > 0) {
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
  }
}

// The window and its context with `samples` samples per pixel; false (nothing kept) when SDL
// refuses either, with the failing step in `step`.
bool CreateWindowAndContext(WindowState& w, const WindowParams& params, const MonitorRect& monitor, int samples,
                            const char*& step) {
  RequestAttributes(samples);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (params.borderless || params.fullscreen) flags |= SDL_WINDOW_BORDERLESS;
  if (params.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  if (params.dpiAware) flags |= SDL_WINDOW_ALLOW_HIGHDPI;
  const WindowPlacement place = PlaceWindow(params, monitor, ClientWidth, ClientHeight);
  w.window = SDL_CreateWindow(params.title.c_str(), ClampPosition(place.x), ClampPosition(place.y),
                              place.width, place.height, flags);
  if (w.window == nullptr) {
    step = "Window creation error.";
    return false;
  }
  w.context = SDL_GL_CreateContext(w.window);
  if (w.context == nullptr) {
    step = "Cant't create a GL rendering context.";
    SDL_DestroyWindow(w.window);
    w.window = nullptr;
    return false;
  }
  return true;
}

}  // namespace

std::vector<MonitorRect> ListMonitors() {
  std::vector<MonitorRect> list;
  const bool started = SDL_WasInit(SDL_INIT_VIDEO) == 0;
  if (started && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return list;
  const int count = SDL_GetNumVideoDisplays();
  for (int i = 0; i < count && i < MaxMonitors; ++i) {
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
    MonitorRect m;
    m.index = static_cast<int>(list.size()) + 1;
    m.left = bounds.x;
    m.top = bounds.y;
    m.right = bounds.x + bounds.w;
    m.bottom = bounds.y + bounds.h;
    list.push_back(m);
  }
  if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return list;
}

void DeclareDpiAware() {}

GlWindow::GlWindow() : state_(new State) {}

GlWindow::~GlWindow() {
  Close();
  delete state_;
}

bool GlWindow::Open(const WindowParams& params) {
  WindowState& w = *state_;
  if (w.videoUp) {
    DebugLog("The window is open already; it is not opened a second time.");
    return false;
  }
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    Fail("Failed To Register The Window Class.", MessageIcon::Error);
    return false;
  }
  w.videoUp = true;
  w.active = true;
  w.quitPosted = false;
  w.scale = 1.0;
  for (bool& k : w.keys) k = false;

  // Display 0 is the primary monitor; X and Y count from the chosen monitor's top-left corner.
  const std::vector<MonitorRect> monitors = ListMonitors();
  const std::string refusal = CheckWindowParams(params, monitors);
  if (!refusal.empty()) {
    Close();
    ShowMessageBox(refusal, "Error", MessageIcon::Exclamation);
    return false;
  }
  const MonitorRect monitor = monitors.empty() ? MonitorRect{} : monitors[size_t(params.monitor) - 1];

  const char* step = nullptr;
  bool created = CreateWindowAndContext(w, params, monitor, params.msaaSamples, step);
  if (!created && params.msaaSamples > 0) {
    const char* why = SDL_GetError();
    DebugLog("Multisampling is off: no window with " + std::to_string(params.msaaSamples) +
             " samples (SDL: " + (why != nullptr ? why : "") + ").");
    created = CreateWindowAndContext(w, params, monitor, 0, step);
  }
  if (!created) {
    Close();
    Fail(step);
    return false;
  }
  if (SDL_GL_MakeCurrent(w.window, w.context) != 0) {
    Close();
    Fail("Cant't activate the GL rendering context.");
    return false;
  }
  w.contextCurrent = true;
  w.scale = DrawableScale(w);

  SetIcon(w, params.iconFile);
  SDL_DisableScreenSaver();
  SDL_ShowWindow(w.window);
  SDL_RaiseWindow(w.window);
  return true;
}

void GlWindow::Close() {
  WindowState& w = *state_;
  if (w.context != nullptr) {
    if (w.contextCurrent && SDL_GL_MakeCurrent(w.window, nullptr) != 0) {
      ShowMessageBox("Release of DC and RC failed.", " Shutdown Error", MessageIcon::Error);
    }
    SDL_GL_DeleteContext(w.context);
    w.context = nullptr;
  }
  w.contextCurrent = false;
  if (w.window != nullptr) {
    SDL_DestroyWindow(w.window);
    w.window = nullptr;
  }
  if (w.videoUp) {
    SDL_EnableScreenSaver();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    w.videoUp = false;
  }
}

void GlWindow::SetTitle(const std::string& title) {
  const WindowState& w = *state_;
  if (w.window != nullptr) SDL_SetWindowTitle(w.window, title.c_str());
}

PumpResult GlWindow::PumpOneMessage() {
  WindowState& w = *state_;
  if (w.quitPosted) {
    w.quitPosted = false;
    return PumpResult::Quit;
  }
  SDL_Event e;
  if (!w.videoUp || SDL_PollEvent(&e) == 0) return PumpResult::Empty;
  switch (e.type) {
    case SDL_QUIT:
      return PumpResult::Quit;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(w, e.window);
      break;
    case SDL_KEYDOWN:
      w.keys[e.key.keysym.scancode & 0xFF] = true;
      break;
    case SDL_KEYUP:
      w.keys[e.key.keysym.scancode & 0xFF] = false;
      break;
    default:
      break;
  }
  return PumpResult::Handled;
}

void GlWindow::SwapBuffers() {
  const WindowState& w = *state_;
  if (w.window != nullptr) SDL_GL_SwapWindow(w.window);
}

bool GlWindow::SetSwapInterval(int interval) {
  const WindowState& w = *state_;
  return w.context != nullptr && SDL_GL_SetSwapInterval(interval) == 0;
}

int GlWindow::RefreshRateHz() const {
  const WindowState& w = *state_;
  if (w.window == nullptr) return 0;
  const int display = SDL_GetWindowDisplayIndex(w.window);
  SDL_DisplayMode mode{};
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
  return mode.refresh_rate > 0 ? mode.refresh_rate : 0;
}

bool GlWindow::Active() const { return state_->active; }

bool GlWindow::KeyIsDown(int key) const { return key >= 0 && key < 256 && state_->keys[key]; }

void GlWindow::SetSizeHandler(SizeHandler handler) { state_->sizeHandler = handler; }

double GlWindow::Scale() const { return DrawableScale(*state_); }

void StandardClientSize(int* width, int* height) {
  *width = ClientWidth;
  *height = ClientHeight;
}

void GlWindow::ClientSize(int* width, int* height) const {
  const WindowState& w = *state_;
  *width = 0;
  *height = 0;
  if (w.window != nullptr) SDL_GL_GetDrawableSize(w.window, width, height);
}

void GlWindow::SetDpiHandler(DpiHandler handler) { state_->dpiHandler = handler; }

}  // namespace platform
