// The guidance layers: ILS scales and indices, the SPD plate and the two flight-director bars.
#include "pfd/layers.h"

#include "pfd/layer_quads.h"

using namespace layers;

namespace {

constexpr uint16_t kIlsNone = 0;
constexpr uint16_t kIlsShown = 4;

// Identity, translation, texture, quad: one row of a guidance layer, the quad moved by (dx, dy).
void PlacedQuad(const PanelResources& r, TextureSlot slot, float dx = 0.0f, float dy = 0.0f) {
  const PanelQuad& q = QuadOf(slot);
  glLoadIdentity();
  glTranslatef(q.x + dx, q.y + dy, -q.depth);
  BindSlot(r, slot);
  StandardQuad(q.half);
}

// A flight-director bar moved by (dx, dy): its mask multiplied, then its image added, both at one place.
void FdBar(const PanelResources& r, TextureSlot mask, TextureSlot image, float dx, float dy) {
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  MultiplyMode();
  glColor3f(1.0f, 1.0f, 1.0f);
  PlacedQuad(r, mask, dx, dy);
  AddMode();
  PlacedQuad(r, image, dx, dy);
}

}  // namespace

void DrawIls(const PanelResources& r, uint16_t ilsState, float glideSlopeOffset, float localizerOffset) {
  if (ilsState == kIlsNone) return;
  // Any state other than "ILS" shows the no-ILS plate: no glide-slope guidance is claimed.
  const bool ils = ilsState == kIlsShown;
  glColor3f(1.0f, 1.0f, 1.0f);
  PlacedQuad(r, ils ? SlotIls : SlotNoIls);
  if (ils) PlacedQuad(r, SlotIlsInd, 0.0f, glideSlopeOffset);
  glColor3f(1.0f, 1.0f, 1.0f);
  PlacedQuad(r, SlotIlsH);
  PlacedQuad(r, SlotIlsHInd, localizerOffset, 0.0f);
}

void DrawSpdPlate(const PanelResources& r) {
  glColor3f(1.0f, 1.0f, 1.0f);
  PlacedQuad(r, SlotSpd);
}

void DrawFdHorizontalBar(const PanelResources& r, float offset) { FdBar(r, SlotFdHMask, SlotFdH, 0.0f, offset); }

void DrawFdVerticalBar(const PanelResources& r, float offset) { FdBar(r, SlotFdVMask, SlotFdV, offset, 0.0f); }
