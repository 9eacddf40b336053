// Where the browser display draws a frame: the seam between the exchange and the drawing.
#pragma once

#include "model/interface_values.h"

struct WebView {
  int canvasWidth = 0;   // the canvas's drawing buffer, in device pixels
  int canvasHeight = 0;
  bool fullLayout = false;
  bool baroInHg = false;
};

// Sets up WebGL on the page's canvas. False when the browser gives no WebGL context.
bool OpenWebCanvas();

// Draws one frame. Today it clears the window and marks where the panel sits by the desktop's fit
// rules; the panel's draw list (recorded by the drawing code from `frame`) is executed here by the
// WebGL backend once the drawing builds for the browser.
void DrawWebFrame(const WebView& view, const InterfaceValues& frame, bool linkUp);
