// The attitude layer: clears the frame, draws the horizon and composes the fixed panel artwork.
#include "pfd/layers.h"

#include "pfd/layer_quads.h"

using namespace layers;

namespace {

// One fixed panel quad in the current blend mode: identity, texture, translation, quad.
void FixedQuad(const PanelResources& r, TextureSlot slot) {
  const PanelQuad& q = QuadOf(slot);
  glLoadIdentity();
  BindSlot(r, slot);
  glTranslatef(q.x, q.y, -q.depth);
  StandardQuad(q.half);
}

}  // namespace

void DrawAttitude(const PanelResources& r, float pitchOffset, float bank) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glColor3f(1.0f, 1.0f, 1.0f);

  // The horizon: the window into the texture slides by -pitchOffset in t (it wraps).
  BindSlot(r, SlotHorizon);
  const PanelQuad& horizon = QuadOf(SlotHorizon);
  const float h = horizon.half;
  glTranslatef(horizon.x, horizon.y, -horizon.depth);
  glRotatef(-bank, 0.0f, 0.0f, 1.0f);
  const float bottom = 0.0f - pitchOffset;
  const float top = 1.0f - pitchOffset;
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, bottom);
  glVertex3f(-h, -h, 0.0f);
  glTexCoord2f(1.0f, bottom);
  glVertex3f(h, -h, 0.0f);
  glTexCoord2f(1.0f, top);
  glVertex3f(h, h, 0.0f);
  glTexCoord2f(0.0f, top);
  glVertex3f(-h, h, 0.0f);
  glEnd();

  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  MultiplyMode();
  // Both masks first, then the images added over them.
  FixedQuad(r, SlotStaticMask);
  FixedQuad(r, SlotWindowMask);
  AddMode();
  FixedQuad(r, SlotStaticInd);
  // The roll pointer turns with bank about its own centre, like the horizon.
  glLoadIdentity();
  AddMode();
  BindSlot(r, SlotRollNeedle);
  const PanelQuad& needle = QuadOf(SlotRollNeedle);
  glTranslatef(needle.x, needle.y, -needle.depth);
  glRotatef(-bank, 0.0f, 0.0f, 1.0f);
  StandardQuad(needle.half);
  FixedQuad(r, SlotWindow);
}
