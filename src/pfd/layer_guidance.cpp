// The guidance layers: ILS scales and indices, the SPD plate and the two flight-director bars.
#include "pfd/layers.h"

#include "pfd/layer_quads.h"

using namespace layers;

namespace {

constexpr uint16_t kIlsNone = 0;
constexpr uint16_t kIlsShown = 4;

// Identity, translation, texture, quad: one row of a guidance layer.
void PlacedQuad(render::DrawList& list, const PanelResources& r, TextureSlot slot, float x, float y, float z,
                float half) {
  list.LoadIdentity();
  list.Translate(x, y, z);
  BindSlot(list, r, slot);
  StandardQuad(list, half);
}

// A flight-director bar: its mask multiplied, then its image added, both at one place.
void FdBar(render::DrawList& list, const PanelResources& r, TextureSlot mask, TextureSlot image, float x, float y) {
  MultiplyMode(list);
  list.LoadIdentity();
  White(list);
  list.Translate(x, y, -17.2f);
  BindSlot(list, r, mask);
  const size_t maskCommand = StandardQuad(list, 1.0f);
  list.LoadIdentity();
  AddMode(list);
  list.Translate(x, y, -17.2f);
  BindSlot(list, r, image);
  list.PairMask(maskCommand, StandardQuad(list, 1.0f), r.Combined[image]);
}

}  // namespace

void DrawIls(render::DrawList& list, const PanelResources& r, uint16_t ilsState, float glideSlopeOffset,
             float localizerOffset) {
  if (ilsState == kIlsNone) return;
  // Any state other than "ILS" shows the no-ILS plate: no glide-slope guidance is claimed.
  const bool ils = ilsState == kIlsShown;
  White(list);
  PlacedQuad(list, r, ils ? SlotIls : SlotNoIls, 1.57f, -3.44f, -13.0f, 1.0f);
  if (ils) PlacedQuad(list, r, SlotIlsInd, 2.65f, -7.38f + glideSlopeOffset, -33.0f, 0.65f);
  PlacedQuad(list, r, SlotIlsH, -1.24f, -5.59f, -13.0f, 1.0f);
  PlacedQuad(list, r, SlotIlsHInd, -3.67f + localizerOffset, -14.37f, -39.0f, 0.65f);
}

void DrawSpdPlate(render::DrawList& list, const PanelResources& r) {
  list.LoadIdentity();
  White(list);
  list.Translate(-2.4f, -3.11f, -13.0f);
  BindSlot(list, r, SlotSpd);
  StandardQuad(list, 1.0f);
}

void DrawFdHorizontalBar(render::DrawList& list, const PanelResources& r, float offset) {
  FdBar(list, r, SlotFdHMask, SlotFdH, -1.64f, -3.96f + offset);
}

void DrawFdVerticalBar(render::DrawList& list, const PanelResources& r, float offset) {
  FdBar(list, r, SlotFdVMask, SlotFdV, -1.64f + offset, -3.93f);
}
