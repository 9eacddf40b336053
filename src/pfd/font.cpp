// The bitmap font: glyph quads over the font texture, and PrintText.
#include "pfd/font.h"

#include <vector>

namespace {
constexpr int kGlyphCount = 256;
constexpr float kCell = 0.0625f;  // one of the 16 x 16 cells, in texture units
constexpr float kAdvance = 10.0f;
}  // namespace

void GlyphQuad(int n, render::Vertex (&quad)[4]) {
  const float s0 = static_cast<float>(n % 16) / 16.0f;
  const float t1 = 1.0f - static_cast<float>(n / 16) / 16.0f;
  quad[0] = {0.0f, 0.0f, 0.0f, s0, t1 - kCell};
  quad[1] = {16.0f, 0.0f, 0.0f, s0 + kCell, t1 - kCell};
  quad[2] = {16.0f, 16.0f, 0.0f, s0 + kCell, t1};
  quad[3] = {0.0f, 16.0f, 0.0f, s0, t1};
}

void PrintText(render::DrawList& list, const PanelResources& resources, const std::string& text, int32_t set,
               float x, float y) {
  if (text.empty()) return;
  if (set > 1) set = 1;
  if (set < 0) set = 0;
  // Codes of 128 and above and codes whose glyph would fall outside the font are left out.
  std::vector<render::Vertex> quads;
  quads.reserve(4 * text.size());
  for (const char ch : text) {
    const int code = static_cast<unsigned char>(ch);
    if (code >= 128) continue;
    const int glyph = code - 32 + 128 * set;
    if (glyph < 0 || glyph >= kGlyphCount) continue;
    render::Vertex quad[4];
    GlyphQuad(glyph, quad);
    quads.insert(quads.end(), quad, quad + 4);
  }
  list.SetTexture(resources.FontTexture);
  const render::ListState saved = list.state;
  list.state.view.projection = render::Projection::OrthoOf(0.0, 640.0, 0.0, 740.0, -9.0, 9.0);
  list.LoadIdentity();
  list.Translate(x, y, 0.0);
  if (!quads.empty()) list.Quads(quads.data(), quads.size() / 4, kAdvance, true);
  list.state.view = saved.view;
  list.state.transform = saved.transform;
}
