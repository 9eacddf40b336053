// The browser display's panel on WebGL (emscripten's HTML5 API).
#include "web_frame.h"

#include <emscripten/html5.h>

#include "pfd/full_layout.h"
#include "pfd/panel_layout.h"
#include "pfd/panel_quads.h"

namespace {

// Today's panel in the desktop's standard window: its lower-left 332 x 332 pixels of the surface.
constexpr int kClassicPanelWidth = 332;
constexpr int kClassicPanelHeight = 332;

}  // namespace

std::vector<std::string> WebArtworkFiles(PanelKind kind) {
  std::vector<std::string> files(TextureFileNames.begin(), TextureFileNames.end());
  files.push_back(FontFileName);
  if (kind == PanelKind::Full)
    for (const char* file : full_layout::kFullTextureFiles) files.push_back(file);
  return files;
}

WebPanel::WebPanel(PanelKind kind, BaroUnit baro)
    : kind_(kind), renderer_(kind, render::BackendKind::GLES2), rules_(kind, baro) {}

bool WebPanel::SetUp(int width, int height, std::string& error) {
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = EM_FALSE;
  attributes.depth = EM_FALSE;
  attributes.stencil = EM_FALSE;
  attributes.antialias = EM_FALSE;
  attributes.preserveDrawingBuffer = EM_TRUE;  // screenshots see the last frame
  attributes.majorVersion = 1;                  // WebGL 1 = OpenGL ES 2.0
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#panel", &attributes);
  if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
    error = "This browser gives the page no WebGL.";
    return false;
  }
  Fit(width, height);
  if (!renderer_.SetUp()) {
    error = std::string("The artwork is not on the server: \"") + TextureFileNames[SlotHorizon] +
            "\" is missing from its web folder (scripts/build.sh web puts it there).";
    return false;
  }
  if (kind_ == PanelKind::Full && !renderer_.FullArtworkComplete()) {
    error = std::string("The full layout's artwork is not all on the server (") + full_layout::kFullTextureFiles[0] +
            " and the others orvane-assetgen writes).";
    return false;
  }
  return true;
}

void WebPanel::Fit(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width, height_ = height;
  const int panelWidth = kind_ == PanelKind::Full ? full_layout::kPanelWidth : kClassicPanelWidth;
  const int panelHeight = kind_ == PanelKind::Full ? full_layout::kPanelHeight : kClassicPanelHeight;
  // As the desktop window of any other size: the surface is the window, the panel fitted into it.
  renderer_.SetSurface(width, height);
  renderer_.SetLayout(FitLayout(panelWidth, panelHeight, width, height));
}

PanelPicture WebPanel::Draw(int width, int height, const FlightFrame& frame, bool complete, double timeSeconds) {
  const PanelPicture picture = rules_.Decide(frame, complete, timeSeconds);
  if (width <= 0 || height <= 0) return picture;
  Fit(width, height);
  renderer_.BeginFrame();
  renderer_.Draw(picture);
  return picture;
}
