// The browser display's panel: the desktop's renderer and frame rules on the page's WebGL canvas.
// The panel is fitted into the canvas by the desktop's fit rules and drawn by the GLES2 backend.
#pragma once

#include <string>
#include <vector>

#include "model/interface_codec.h"
#include "pfd/panel_picture.h"
#include "pfd/renderer.h"

// The artwork files the panel of `kind` loads (the page fetches them into the program's folder).
std::vector<std::string> WebArtworkFiles(PanelKind kind);

class WebPanel {
 public:
  WebPanel(PanelKind kind, BaroUnit baro);

  // Opens WebGL on the page's canvas "#panel" and loads the artwork from the program's folder,
  // with the detail a canvas of `width` x `height` samples. False with a sentence for the page when
  // there is no WebGL or the artwork is not all there.
  bool SetUp(int width, int height, std::string& error);

  // Decides and draws one frame for a canvas of `width` x `height` device pixels: `frame` as the
  // exchange delivered it (`complete`: every read-list value arrived), at `timeSeconds`.
  PanelPicture Draw(int width, int height, const FlightFrame& frame, bool complete, double timeSeconds);

  const PanelLayout& Layout() const { return renderer_.Layout(); }

 private:
  void Fit(int width, int height);

  PanelKind kind_;
  PanelRenderer renderer_;
  PanelFrameRules rules_;
  int width_ = 0, height_ = 0;
};
