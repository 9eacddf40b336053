// The guidance layers: ILS scales and indices, the SPD plate and the two flight-director bars.
#include "pfd/layers.h"

#include "pfd/layer_quads.h"

using namespace layers;

namespace {

constexpr uint16_t kIlsNone = 0;
constexpr uint16_t kIlsShown = 4;

// Identity, translation, texture, quad: one row of a guidance layer.
void PlacedQuad(const PanelResources& r, TextureSlot slot, float x, float y, float z, float half) {
  glLoadIdentity();
  glTranslatef(x, y, z);
  BindSlot(r, slot);
  StandardQuad(half);
}

// A flight-director bar: its mask multiplied, then its image added, both at one place.
void FdBar(const PanelResources& r, TextureSlot mask, TextureSlot image, float x, float y) {
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  MultiplyMode();
  glLoadIdentity();
  glColor3f(1.0f, 1.0f, 1.0f);
  glTranslatef(x, y, -17.2f);
  BindSlot(r, mask);
  StandardQuad(1.0f);
  glLoadIdentity();
  AddMode();
  glTranslatef(x, y, -17.2f);
  BindSlot(r, image);
  StandardQuad(1.0f);
}

}  // namespace

void DrawIls(const PanelResources& r, uint16_t ilsState, float glideSlopeOffset, float localizerOffset) {
  if (ilsState == kIlsNone) return;
  // Any state other than "ILS" shows the no-ILS plate: no glide-slope guidance is claimed.
  const bool ils = ilsState == kIlsShown;
  glColor3f(1.0f, 1.0f, 1.0f);
  PlacedQuad(r, ils ? SlotIls : SlotNoIls, 1.57f, -3.44f, -13.0f, 1.0f);
  if (ils) PlacedQuad(r, SlotIlsInd, 2.65f, -7.38f + glideSlopeOffset, -33.0f, 0.65f);
  glColor3f(1.0f, 1.0f, 1.0f);
  PlacedQuad(r, SlotIlsH, -1.24f, -5.59f, -13.0f, 1.0f);
  PlacedQuad(r, SlotIlsHInd, -3.67f + localizerOffset, -14.37f, -39.0f, 0.65f);
}

void DrawSpdPlate(const PanelResources& r) {
  glLoadIdentity();
  glColor3f(1.0f, 1.0f, 1.0f);
  glTranslatef(-2.4f, -3.11f, -13.0f);
  BindSlot(r, SlotSpd);
  StandardQuad(1.0f);
}

void DrawFdHorizontalBar(const PanelResources& r, float offset) { FdBar(r, SlotFdHMask, SlotFdH, -1.64f, -3.96f + offset); }

void DrawFdVerticalBar(const PanelResources& r, float offset) { FdBar(r, SlotFdVMask, SlotFdV, -1.64f + offset, -3.93f); }
