// The attitude layer: clears the frame, draws the horizon and composes the fixed panel artwork.
#include "pfd/layers.h"

#include "pfd/layer_quads.h"

using namespace layers;

namespace {

// One fixed panel quad in the current blend mode: identity, texture, translation, quad.
void PanelQuad(const PanelResources& r, TextureSlot slot, float x, float y, float z) {
  glLoadIdentity();
  BindSlot(r, slot);
  glTranslatef(x, y, z);
  StandardQuad(0.65f);
}

}  // namespace

void DrawAttitude(const PanelResources& r, float pitchOffset, float bank) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glColor3f(1.0f, 1.0f, 1.0f);

  // The horizon: the window into the texture slides by -pitchOffset in t (it wraps).
  BindSlot(r, SlotHorizon);
  glTranslatef(-0.274f, -0.695f, -3.0f);
  glRotatef(-bank, 0.0f, 0.0f, 1.0f);
  const float bottom = 0.0f - pitchOffset;
  const float top = 1.0f - pitchOffset;
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, bottom);
  glVertex3f(-1.0f, -1.0f, 0.0f);
  glTexCoord2f(1.0f, bottom);
  glVertex3f(1.0f, -1.0f, 0.0f);
  glTexCoord2f(1.0f, top);
  glVertex3f(1.0f, 1.0f, 0.0f);
  glTexCoord2f(0.0f, top);
  glVertex3f(-1.0f, 1.0f, 0.0f);
  glEnd();

  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  MultiplyMode();
  // Both masks first, then the images added over them.
  PanelQuad(r, SlotStaticMask, -0.375f, -0.95f, -4.0f);
  PanelQuad(r, SlotWindowMask, -0.33f, -0.8f, -3.5f);
  AddMode();
  PanelQuad(r, SlotStaticInd, -0.375f, -0.95f, -4.0f);
  // The roll pointer turns with bank about its own centre, like the horizon.
  glLoadIdentity();
  AddMode();
  BindSlot(r, SlotRollNeedle);
  glTranslatef(-0.39f, -0.891f, -4.0f);
  glRotatef(-bank, 0.0f, 0.0f, 1.0f);
  StandardQuad(0.65f);
  PanelQuad(r, SlotWindow, -0.33f, -0.8f, -3.5f);
}
