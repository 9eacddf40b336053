// The attitude layer: clears the frame, draws the horizon and composes the fixed panel artwork.
#include "pfd/layers.h"

#include "pfd/layer_quads.h"

using namespace layers;

namespace {

// One fixed panel quad in the current blend mode: identity, texture, translation, quad.
size_t FixedQuad(render::DrawList& list, const PanelResources& r, TextureSlot slot) {
  const PanelQuad& q = QuadOf(slot);
  list.LoadIdentity();
  BindSlot(list, r, slot);
  list.Translate(q.x, q.y, -q.depth);
  return StandardQuad(list, q.half);
}

}  // namespace

void DrawAttitude(render::DrawList& list, const PanelResources& r, float pitchOffset, float bank,
                  const AttitudeLook& look) {
  list.ClearTo({0, 0, 0, 128});
  list.LoadIdentity();
  White(list);

  // The horizon: the window into the texture slides by -pitchOffset in t (it wraps).
  if (look.horizon) {
    BindSlot(list, r, SlotHorizon);
    const PanelQuad& horizonQuad = QuadOf(SlotHorizon);
    const float h = horizonQuad.half;
    list.Translate(horizonQuad.x, horizonQuad.y, -horizonQuad.depth);
    list.Rotate(-bank);
    const float bottom = 0.0f - pitchOffset;
    const float top = 1.0f - pitchOffset;
    const render::Vertex horizon[4] = {{-h, -h, 0.0f, 0.0f, bottom},
                                       {h, -h, 0.0f, 1.0f, bottom},
                                       {h, h, 0.0f, 1.0f, top},
                                       {-h, h, 0.0f, 0.0f, top}};
    list.Quad(horizon);
  }

  MultiplyMode(list);
  // Both masks first, then the images added over them.
  const size_t staticMask = FixedQuad(list, r, SlotStaticMask);
  const size_t windowMask = FixedQuad(list, r, SlotWindowMask);
  AddMode(list);
  list.PairMask(staticMask, FixedQuad(list, r, SlotStaticInd), r.Combined[SlotStaticInd]);
  // The roll pointer turns with bank about its own centre, like the horizon.
  if (look.rollPointer) {
    list.LoadIdentity();
    BindSlot(list, r, SlotRollNeedle);
    const PanelQuad& needle = QuadOf(SlotRollNeedle);
    list.Translate(needle.x, needle.y, -needle.depth);
    list.Rotate(-bank);
    if (look.rollPointerAmber) list.SetColour(255, 195, 0);  // the annunciations' amber
    StandardQuad(list, needle.half);
    if (look.rollPointerAmber) White(list);
  }
  list.PairMask(windowMask, FixedQuad(list, r, SlotWindow), r.Combined[SlotWindow]);
}
