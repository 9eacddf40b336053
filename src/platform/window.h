// The display window and its OpenGL context, the message pump, and the offscreen context for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct WindowParams {
  std::string title;
  int x = 0;            // screen position of the window's top-left corner
  int y = 0;
  int colourBits = 32;
  std::string iconFile;  // "plane2.ico": class icon on Windows, window icon on Linux
};

// Creates the class, the window, the device context, the pixel format and the current GL
// rendering context, shows the window and gives it the focus. On failure it has shown the
// message of the failing step (after releasing what it had built) and returns false.
bool OpenGlWindow(const WindowParams& params);

// Releases the context, the window and the class in order, reporting every failed step in its own
// message box and going on with the next. Safe to call when nothing is open.
void CloseGlWindow();

// Replaces the window's title.
void SetGlWindowTitle(const std::string& title);

enum class PumpResult { Empty, Handled, Quit };
// Takes one pending window message without waiting and handles it.
PumpResult PumpOneMessage();

void SwapGlBuffers();
// 1 waits for the vertical retrace at each swap, 0 does not. False when the driver refuses.
bool SetSwapInterval(int interval);

// False while the window is minimised.
bool WindowActive();
// True between a key's down and up messages (index: virtual-key code on Windows, SDL scancode
// folded into 0..255 on Linux).
bool KeyIsDown(int key);

// Called with the client size whenever the window reports a new size (WM_SIZE and its SDL twin).
using SizeHandler = std::function<void(int width, int height)>;
void SetSizeHandler(SizeHandler handler);

// A hidden GL context with a width x height drawing surface, for snapshots and render tests.
// False (with a reason in `error`) when no context can be had.
bool OpenOffscreenGl(int width, int height, std::string& error);
void CloseOffscreenGl();

}  // namespace platform
