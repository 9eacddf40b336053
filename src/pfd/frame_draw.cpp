// Executes a frame description with the drawing layers and the bitmap font.
#include "pfd/frame_draw.h"

#include <cmath>

#include "pfd/layers.h"
#include "platform/gl.h"
#include "pfd/font.h"

namespace {

// Glyphs are 16 text units square and advance 10.
constexpr float kGlyphSize = 16.0f;
constexpr float kGlyphAdvance = 10.0f;
constexpr float kPlateMargin = 3.0f;

// A black plate with an outline in `colour` behind a text, in the 640 x 740 text space. Every GL
// state it changes is restored, so the text and later layers see the state they expect.
void DrawTextPlate(const FrameText& text, double pixelScale) {
  const float x0 = text.x - kPlateMargin;
  const float y0 = text.y - kPlateMargin;
  const float x1 = text.x + kGlyphAdvance * float(text.text.size() - 1) + kGlyphSize + kPlateMargin;
  const float y1 = text.y + kGlyphSize + kPlateMargin;
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, 640, 0, 740, -9, 9);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glColor3ub(0, 0, 0);
  glBegin(GL_QUADS);
  glVertex2f(x0, y0);
  glVertex2f(x1, y0);
  glVertex2f(x1, y1);
  glVertex2f(x0, y1);
  glEnd();
  SetTextColour(text.colour);
  // One panel pixel wide at any scale.
  const float lineWidth = std::round(float(pixelScale));
  glLineWidth(lineWidth < 1.0f ? 1.0f : lineWidth);
  glBegin(GL_LINE_LOOP);
  glVertex2f(x0 + 0.5f, y0 + 0.5f);
  glVertex2f(x1 - 0.5f, y0 + 0.5f);
  glVertex2f(x1 - 0.5f, y1 - 0.5f);
  glVertex2f(x0 + 0.5f, y1 - 0.5f);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopAttrib();
}

}  // namespace

void SetTextColour(TextColour colour) {
  const ColourSetting c = ColourOf(colour);
  if (c.call == ColourCall::Float3f)
    glColor3f(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f);
  else
    glColor3ub(c.r, c.g, c.b);
}

void ApplyPanelLayout(const PanelLayout& layout) {
  const int width = static_cast<int>(std::lround(kSurfaceWidth * layout.scale));
  const int height = static_cast<int>(std::lround(kSurfaceHeight * layout.scale));
  glViewport(layout.originX, layout.originY, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScissor(layout.originX, layout.originY, layout.ScaledPanelWidth(), layout.ScaledPanelHeight());
}

void BeginPanelFrame(const PanelLayout& layout) {
  if (layout.standard) return;
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
}

void DrawFramePanel(const PanelResources& resources, const FrameDescription& frame) {
  DrawAttitude(resources, float(frame.pitchOffset), float(frame.bank));
  DrawIls(resources, frame.ilsState, float(frame.glideSlopeOffset), float(frame.localizerOffset));
  DrawSpdPlate(resources);
}

void DrawFrameGuidance(const PanelResources& resources, const FrameDescription& frame, double pixelScale) {
  for (const FrameBar& bar : frame.bars) {
    if (bar.kind == BarKind::Horizontal)
      DrawFdHorizontalBar(resources, float(bar.offset));
    else
      DrawFdVerticalBar(resources, float(bar.offset));
  }
  for (const FrameText& text : frame.texts) {
    if (text.backed && !text.text.empty()) DrawTextPlate(text, pixelScale);
    SetTextColour(text.colour);
    PrintText(resources, text.text, text.glyphSet, text.x, text.y);
  }
}

void DrawFrameDescription(const PanelResources& resources, const FrameDescription& frame, double pixelScale) {
  DrawFramePanel(resources, frame);
  DrawFrameGuidance(resources, frame, pixelScale);
}
