// The state the page's WebGL context starts from (the desktop's fixed-function state has no place
// in WebGL; the GLES2 backend sets what it draws with).
#include <GLES2/gl2.h>

#include "render/gl_state.h"

void SetInitialGlState() {
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glDisable(GL_DEPTH_TEST);
}
