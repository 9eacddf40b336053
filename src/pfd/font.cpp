// The bitmap font: 256 glyph display lists over the font texture, and PrintText.
#include "pfd/font.h"

#include <vector>

#include "platform/gl.h"

namespace {
constexpr int kGlyphCount = 256;
constexpr float kCell = 0.0625f;  // one of the 16 x 16 cells, in texture units
}  // namespace

void BuildFont(PanelResources& resources) {
  resources.FontListBase = glGenLists(kGlyphCount);
  glBindTexture(GL_TEXTURE_2D, resources.FontTexture);
  if (resources.FontListBase == 0) return;  // no lists to be had: PrintText then draws nothing
  for (int n = 0; n < kGlyphCount; ++n) {
    const float s0 = static_cast<float>(n % 16) / 16.0f;
    const float t1 = 1.0f - static_cast<float>(n / 16) / 16.0f;
    glNewList(resources.FontListBase + static_cast<GLuint>(n), GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t1 - kCell);
    glVertex2i(0, 0);
    glTexCoord2f(s0 + kCell, t1 - kCell);
    glVertex2i(16, 0);
    glTexCoord2f(s0 + kCell, t1);
    glVertex2i(16, 16);
    glTexCoord2f(s0, t1);
    glVertex2i(0, 16);
    glEnd();
    glTranslated(10.0, 0.0, 0.0);
    glEndList();
  }
}

// The bytes that name a glyph of the font in this set. Codes of 128 and above (negative as list
// offsets) and codes whose glyph would fall before the first list are left out: they would call
// display lists that are not the font's.
static std::vector<GLbyte> GlyphBytes(const std::string& text, int32_t set) {
  std::vector<GLbyte> bytes;
  bytes.reserve(text.size());
  for (const char ch : text) {
    const int code = static_cast<unsigned char>(ch);
    if (code >= 128) continue;
    const int glyph = code - 32 + 128 * set;
    if (glyph < 0 || glyph >= kGlyphCount) continue;
    bytes.push_back(static_cast<GLbyte>(code));
  }
  return bytes;
}

void PrintText(const PanelResources& resources, const std::string& text, int32_t set, float x, float y) {
  if (text.empty()) return;
  if (set > 1) set = 1;
  if (set < 0) set = 0;  // a negative set would reach the lists below the font
  glBindTexture(GL_TEXTURE_2D, resources.FontTexture);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, 640.0, 0.0, 740.0, -9.0, 9.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslated(x, y, 0.0);
  glListBase(resources.FontListBase - 32u + 128u * static_cast<GLuint>(set));
  const std::vector<GLbyte> bytes = GlyphBytes(text, set);
  if (resources.FontListBase != 0 && !bytes.empty()) {
    glCallLists(static_cast<GLsizei>(bytes.size()), GL_BYTE, bytes.data());
  }
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
}
