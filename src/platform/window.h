// The display window and its OpenGL context, the message pump, and the offscreen context for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct WindowParams {
  std::string title;
  int x = 0;            // position of the window's top-left corner, from the monitor's top-left corner
  int y = 0;
  int colourBits = 32;
  std::string iconFile;  // "plane2.ico": class icon on Windows, window icon on Linux

  // The client area in pixels, 1..MaxClientSize; 0 keeps the standard size for that side. The
  // standard window is the fixed outer 337 x 350 on Windows (a client area of 331 x 321 with the
  // usual frame) and a 332 x 332 client area on Linux; a borderless Windows window of standard
  // size is 331 x 321.
  int clientWidth = 0;
  int clientHeight = 0;
  bool borderless = false;  // no caption and no frame: the client area is the whole window
  bool topmost = false;     // stays above the other windows
  int monitor = 1;          // 1 = the primary monitor, then as ListMonitors numbers them
  // Borderless and covering the whole monitor (x, y and the client size are not used); the
  // display mode is left alone.
  bool fullscreen = false;
  int msaaSamples = 0;  // 0 (none), 2, 4 or 8; without driver support the window has none
  // Windows: declare the process per-monitor DPI aware, scale a standard-size window by the
  // monitor's DPI and follow WM_DPICHANGED. Linux: SDL's high-DPI drawable.
  bool dpiAware = false;
};

constexpr int MaxClientSize = 16384;

// One monitor: its number (1 = the primary) and its rectangle in virtual-screen pixels, right and
// bottom exclusive.
struct MonitorRect {
  int index = 0;
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The monitors attached now, the primary first and numbered from 1. Empty when the system gives
// none (no display).
std::vector<MonitorRect> ListMonitors();

// "1 (0,0)-(1920,1080), 2 (1920,0)-(3200,1024)"; "none" for an empty list.
std::string DescribeMonitors(const std::vector<MonitorRect>& monitors);

// Checks the window parameters against each other and the monitors: the client sizes, the
// multisample count and the monitor number. Empty when they are usable, otherwise one sentence for
// the user, such as "Monitor 3 does not exist; monitors found: 1 (0,0)-(1920,1080)."
std::string CheckWindowParams(const WindowParams& params, const std::vector<MonitorRect>& monitors);

// Where a window goes: the top-left corner of the window in virtual-screen pixels and its client
// size.
struct WindowPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
// The monitor's corner plus x and y, and the requested client size (`standardWidth` or
// `standardHeight` for a side left at 0); in full screen the monitor's own rectangle.
WindowPlacement PlaceWindow(const WindowParams& params, const MonitorRect& monitor, int standardWidth,
                            int standardHeight);

// Windows: declares the process per-monitor DPI aware (the V2 context where the system has it,
// the system-wide awareness otherwise); once is enough, later calls do nothing. Elsewhere nothing.
void DeclareDpiAware();

enum class PumpResult { Empty, Handled, Quit };

// Called with the client size whenever the window reports a new size (WM_SIZE and its SDL twin).
using SizeHandler = std::function<void(int width, int height)>;

// Called with the new scale when the window reaches a monitor of another DPI (WM_DPICHANGED, before
// the window takes the size the system suggests for it; SDL: when the drawable's scale changes).
using DpiHandler = std::function<void(double scale)>;

// The display window with its current OpenGL context. The object owns all of the window's state
// (the system's handles, its keys, its handlers); on Windows the window procedure finds it from the
// window handle.
class GlWindow {
 public:
  GlWindow();
  ~GlWindow();  // closes
  GlWindow(const GlWindow&) = delete;
  GlWindow& operator=(const GlWindow&) = delete;

  // Creates the class, the window, the device context, the pixel format and the current GL
  // rendering context, shows the window and gives it the focus. On failure it has shown the
  // message of the failing step (after releasing what it had built) and returns false; parameters
  // CheckWindowParams refuses are shown with its sentence before anything is built.
  bool Open(const WindowParams& params);
  // Releases the context, the window and the class in order, reporting every failed step in its
  // own message box and going on with the next. Safe to call when nothing is open.
  void Close();

  // Replaces the window's title.
  void SetTitle(const std::string& title);
  // Takes one pending window message of the thread without waiting and handles it.
  PumpResult PumpOneMessage();

  void SwapBuffers();
  // 1 waits for the vertical retrace at each swap, 0 does not. False when the driver refuses.
  bool SetSwapInterval(int interval);
  // The refresh rate of the monitor the window is on, in hertz (SDL's current display mode; on
  // Windows the monitor's current display settings, else the device context's VREFRESH). 0 without
  // a window or when the system does not say.
  int RefreshRateHz() const;

  // False while the window is minimised.
  bool Active() const;
  // True between a key's down and up messages (index: virtual-key code on Windows, SDL scancode
  // folded into 0..255 on Linux).
  bool KeyIsDown(int key) const;

  void SetSizeHandler(SizeHandler handler);
  void SetDpiHandler(DpiHandler handler);
  // The window's pixels per layout pixel: on Windows its monitor's DPI / 96 for a window opened
  // with dpiAware (as the last WM_DPICHANGED told it), with SDL the drawable's width over the
  // window's. 1.0 when unaware, unknown or without a window.
  double Scale() const;
  // The open window's client area in drawing pixels (0 x 0 without a window).
  void ClientSize(int* width, int* height) const;

  struct State;  // the system's handles and the window's own state

 private:
  State* state_;
};

// The standard client area: 331 x 321 on Windows, 332 x 332 on Linux (the part of the drawing
// surface today's window shows).
void StandardClientSize(int* width, int* height);

// A hidden GL context with a width x height drawing surface, for snapshots and render tests. It owns
// its hidden window and context; several may be open at once, each made current by its own call.
class OffscreenGl {
 public:
  OffscreenGl();
  ~OffscreenGl();  // closes
  OffscreenGl(const OffscreenGl&) = delete;
  OffscreenGl& operator=(const OffscreenGl&) = delete;

  // Opens the context and makes it current on the calling thread. False (with a reason in
  // `error`) when no context can be had, or this one is open already.
  bool Open(int width, int height, std::string& error);
  // Releases the context and its window; safe when nothing is open.
  void Close();
  bool IsOpen() const;
  // Makes this context current on the calling thread again (after another was); false when it is
  // not open or the system refuses.
  bool MakeCurrent();

  struct State;  // the system's handles

 private:
  State* state_;
};

}  // namespace platform
