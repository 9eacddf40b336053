// The quad and blend conventions every drawing layer shares.
#pragma once

#include "platform/gl.h"
#include "pfd/texture_set.h"

namespace layers {

// The square of half-size h in the local z = 0 plane, the whole texture stretched over it.
inline void StandardQuad(float h) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-h, -h, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(h, -h, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(h, h, 0.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-h, h, 0.0f);
  glEnd();
}

// Masks: texture colour x frame-buffer colour.
inline void MultiplyMode() { glBlendFunc(GL_DST_COLOR, GL_ZERO); }
// Images: texture colour + frame-buffer colour, saturating.
inline void AddMode() { glBlendFunc(GL_ONE, GL_ONE); }

inline void BindSlot(const PanelResources& r, TextureSlot slot) { glBindTexture(GL_TEXTURE_2D, r.TextureNames[slot]); }

}  // namespace layers
