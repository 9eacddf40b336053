// The browser display's frame on WebGL (emscripten's HTML5 API): the window and the panel's place.
#include "web_frame.h"

#include <GLES2/gl2.h>
#include <emscripten/html5.h>

#include "pfd/full_layout.h"
#include "pfd/panel_layout.h"

namespace {

// The classic panel's window on the desktop (Linux), in pixels at scale 1.
constexpr int kClassicPanelWidth = 332;
constexpr int kClassicPanelHeight = 332;

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE g_context = 0;

}  // namespace

bool OpenWebCanvas() {
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = EM_FALSE;
  attributes.depth = EM_FALSE;
  attributes.stencil = EM_FALSE;
  attributes.antialias = EM_FALSE;
  attributes.preserveDrawingBuffer = EM_TRUE;  // screenshots see the last frame
  attributes.majorVersion = 1;                  // WebGL 1 = OpenGL ES 2.0
  g_context = emscripten_webgl_create_context("#panel", &attributes);
  if (g_context <= 0) return false;
  return emscripten_webgl_make_context_current(g_context) == EMSCRIPTEN_RESULT_SUCCESS;
}

void DrawWebFrame(const WebView& view, const InterfaceValues& frame, bool linkUp) {
  (void)frame;
  (void)linkUp;
  if (g_context <= 0 || view.canvasWidth <= 0 || view.canvasHeight <= 0) return;
  const int panelWidth = view.fullLayout ? full_layout::kPanelWidth : kClassicPanelWidth;
  const int panelHeight = view.fullLayout ? full_layout::kPanelHeight : kClassicPanelHeight;
  const PanelLayout layout = FitLayout(panelWidth, panelHeight, view.canvasWidth, view.canvasHeight);
  glViewport(0, 0, view.canvasWidth, view.canvasHeight);
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  // The panel's place. The drawing's list for `frame` is executed here, inside this rectangle.
  glEnable(GL_SCISSOR_TEST);
  glScissor(layout.originX, layout.originY, layout.ScaledPanelWidth(), layout.ScaledPanelHeight());
  glClearColor(0.08f, 0.08f, 0.10f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}
