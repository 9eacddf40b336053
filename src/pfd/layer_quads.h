// The quad and blend conventions every drawing layer shares.
#pragma once

#include "pfd/texture_set.h"
#include "render/draw_list.h"

namespace layers {

// The square of half-size h in the local z = 0 plane, the whole texture stretched over it.
inline size_t StandardQuad(render::DrawList& list, float h) {
  const render::Vertex v[4] = {
      {-h, -h, 0.0f, 0.0f, 0.0f}, {h, -h, 0.0f, 1.0f, 0.0f}, {h, h, 0.0f, 1.0f, 1.0f}, {-h, h, 0.0f, 0.0f, 1.0f}};
  return list.Quad(v);
}

// Masks: texture colour x frame-buffer colour.
inline void MultiplyMode(render::DrawList& list) {
  list.state.blending = true;
  list.state.blendFunction = render::Blend::Multiply;
}
// Images: texture colour + frame-buffer colour, saturating.
inline void AddMode(render::DrawList& list) {
  list.state.blending = true;
  list.state.blendFunction = render::Blend::Add;
}
inline void White(render::DrawList& list) { list.SetColourFloat(255, 255, 255); }

inline void BindSlot(render::DrawList& list, const PanelResources& r, TextureSlot slot) {
  list.SetTexture(r.TextureNames[slot]);
}

}  // namespace layers
