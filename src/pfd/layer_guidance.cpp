// The guidance layers: ILS scales and indices, the SPD plate and the two flight-director bars.
#include "pfd/layers.h"

#include "pfd/layer_quads.h"

using namespace layers;

namespace {

constexpr uint16_t kIlsNone = 0;
constexpr uint16_t kIlsShown = 4;

// Identity, translation, texture, quad: one row of a guidance layer, the quad moved by (dx, dy).
void PlacedQuad(render::DrawList& list, const PanelResources& r, TextureSlot slot, float dx = 0.0f,
                float dy = 0.0f) {
  const PanelQuad& q = QuadOf(slot);
  list.LoadIdentity();
  list.Translate(q.x + dx, q.y + dy, -q.depth);
  BindSlot(list, r, slot);
  StandardQuad(list, q.half);
}

// A flight-director bar moved by (dx, dy): its mask multiplied, then its image added, both at one place.
void FdBar(render::DrawList& list, const PanelResources& r, TextureSlot mask, TextureSlot image, float dx, float dy) {
  const PanelQuad& m = QuadOf(mask);
  const PanelQuad& i = QuadOf(image);
  MultiplyMode(list);
  list.LoadIdentity();
  White(list);
  list.Translate(m.x + dx, m.y + dy, -m.depth);
  BindSlot(list, r, mask);
  const size_t maskCommand = StandardQuad(list, m.half);
  list.LoadIdentity();
  AddMode(list);
  list.Translate(i.x + dx, i.y + dy, -i.depth);
  BindSlot(list, r, image);
  list.PairMask(maskCommand, StandardQuad(list, i.half), r.Combined[image]);
}

}  // namespace

void DrawIls(render::DrawList& list, const PanelResources& r, uint16_t ilsState, float glideSlopeOffset,
             float localizerOffset, bool glideSlopePointer, bool localizerPointer) {
  if (ilsState == kIlsNone) return;
  // Any state other than "ILS" shows the no-ILS plate: no glide-slope guidance is claimed.
  const bool ils = ilsState == kIlsShown;
  White(list);
  PlacedQuad(list, r, ils ? SlotIls : SlotNoIls);
  if (ils && glideSlopePointer) PlacedQuad(list, r, SlotIlsInd, 0.0f, glideSlopeOffset);
  PlacedQuad(list, r, SlotIlsH);
  if (localizerPointer) PlacedQuad(list, r, SlotIlsHInd, localizerOffset, 0.0f);
}

void DrawSpdPlate(render::DrawList& list, const PanelResources& r) {
  const PanelQuad& q = QuadOf(SlotSpd);
  list.LoadIdentity();
  White(list);
  list.Translate(q.x, q.y, -q.depth);
  BindSlot(list, r, SlotSpd);
  StandardQuad(list, q.half);
}

void DrawFdHorizontalBar(render::DrawList& list, const PanelResources& r, float offset) {
  FdBar(list, r, SlotFdHMask, SlotFdH, 0.0f, offset);
}

void DrawFdVerticalBar(render::DrawList& list, const PanelResources& r, float offset) {
  FdBar(list, r, SlotFdVMask, SlotFdV, offset, 0.0f);
}
