// The GL state a window's context starts from.
#include "render/gl_state.h"

#include "render/gl_api.h"

void ResizeGlScene(int32_t width, int32_t height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void SetInitialGlState() {
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void ApplyGlSurface(int32_t width, int32_t height) {
  glDisable(GL_SCISSOR_TEST);
  ResizeGlScene(width, height);
}

void ApplyGlPanelPlace(int x, int y, int width, int height, int clipX, int clipY, int clipWidth, int clipHeight) {
  glViewport(x, y, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScissor(clipX, clipY, clipWidth, clipHeight);
}

void EnableGlClip() { glEnable(GL_SCISSOR_TEST); }
