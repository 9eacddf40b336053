// The attitude layer: clears the frame, draws the horizon and composes the fixed panel artwork.
#include "pfd/layers.h"

#include "pfd/layer_quads.h"

using namespace layers;

namespace {

// One fixed panel quad in the current blend mode: identity, texture, translation, quad.
size_t PanelQuad(render::DrawList& list, const PanelResources& r, TextureSlot slot, float x, float y, float z) {
  list.LoadIdentity();
  BindSlot(list, r, slot);
  list.Translate(x, y, z);
  return StandardQuad(list, 0.65f);
}

}  // namespace

void DrawAttitude(render::DrawList& list, const PanelResources& r, float pitchOffset, float bank) {
  list.ClearTo({0, 0, 0, 128});
  list.LoadIdentity();
  White(list);

  // The horizon: the window into the texture slides by -pitchOffset in t (it wraps).
  BindSlot(list, r, SlotHorizon);
  list.Translate(-0.274f, -0.695f, -3.0f);
  list.Rotate(-bank);
  const float bottom = 0.0f - pitchOffset;
  const float top = 1.0f - pitchOffset;
  const render::Vertex horizon[4] = {{-1.0f, -1.0f, 0.0f, 0.0f, bottom},
                                     {1.0f, -1.0f, 0.0f, 1.0f, bottom},
                                     {1.0f, 1.0f, 0.0f, 1.0f, top},
                                     {-1.0f, 1.0f, 0.0f, 0.0f, top}};
  list.Quad(horizon);

  MultiplyMode(list);
  // Both masks first, then the images added over them.
  const size_t staticMask = PanelQuad(list, r, SlotStaticMask, -0.375f, -0.95f, -4.0f);
  const size_t windowMask = PanelQuad(list, r, SlotWindowMask, -0.33f, -0.8f, -3.5f);
  AddMode(list);
  list.PairMask(staticMask, PanelQuad(list, r, SlotStaticInd, -0.375f, -0.95f, -4.0f), r.Combined[SlotStaticInd]);
  // The roll pointer turns with bank about its own centre, like the horizon.
  list.LoadIdentity();
  BindSlot(list, r, SlotRollNeedle);
  list.Translate(-0.39f, -0.891f, -4.0f);
  list.Rotate(-bank);
  StandardQuad(list, 0.65f);
  list.PairMask(windowMask, PanelQuad(list, r, SlotWindow, -0.33f, -0.8f, -3.5f), r.Combined[SlotWindow]);
}
