// Where the panel goes in a window of any size: scaled to fit, proportions kept, centred, black
// around it. Pure arithmetic; the GL calls that apply it are in frame_draw.h.
#pragma once

// The drawing surface the panel is drawn on at scale 1, in pixels.
constexpr int kSurfaceWidth = 500;
constexpr int kSurfaceHeight = 740;

struct PanelLayout {
  // The panel at scale 1: the lower-left part of the surface a standard window shows.
  int panelWidth = 0;
  int panelHeight = 0;
  // Window pixels per panel pixel.
  double scale = 1.0;
  // The surface's (and the panel's) lower-left corner in the window, from its lower-left corner.
  int originX = 0;
  int originY = 0;
  // The standard window: the surface at (0, 0) at scale 1 with nothing to clip or clear around.
  bool standard = true;

  int ScaledPanelWidth() const;
  int ScaledPanelHeight() const;
};

// The standard window of `panelWidth` x `panelHeight`.
PanelLayout StandardLayout(int panelWidth, int panelHeight);
// The panel as large as fits a `clientWidth` x `clientHeight` window, centred.
PanelLayout FitLayout(int panelWidth, int panelHeight, int clientWidth, int clientHeight);
