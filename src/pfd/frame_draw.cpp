// Records a frame description with the drawing layers and the bitmap font.
#include "pfd/frame_draw.h"

#include <cmath>

#include "pfd/font.h"
#include "pfd/layers.h"

namespace {

// Glyphs are 16 text units square and advance 10.
constexpr float kGlyphSize = 16.0f;
constexpr float kGlyphAdvance = 10.0f;
constexpr float kPlateMargin = 3.0f;

// A black plate with an outline in `colour` behind a text, in the 640 x 740 text space. The state
// it changes is put back, so the text and later layers see the state they expect.
void DrawTextPlate(render::DrawList& list, const FrameText& text, double pixelScale) {
  const float x0 = text.x - kPlateMargin;
  const float y0 = text.y - kPlateMargin;
  const float x1 = text.x + kGlyphAdvance * float(text.text.size() - 1) + kGlyphSize + kPlateMargin;
  const float y1 = text.y + kGlyphSize + kPlateMargin;
  const render::ListState saved = list.state;
  list.state.textured = false;
  list.state.blending = false;
  list.state.view.projection = render::Projection::OrthoOf(0, 640, 0, 740, -9, 9);
  list.LoadIdentity();
  list.SetColour(0, 0, 0);
  const render::Vertex plate[4] = {{x0, y0, 0, 0, 0}, {x1, y0, 0, 0, 0}, {x1, y1, 0, 0, 0}, {x0, y1, 0, 0, 0}};
  list.Quad(plate, true);
  SetTextColour(list, text.colour);
  // One panel pixel wide at any scale.
  const float lineWidth = std::round(float(pixelScale));
  const render::Vertex outline[4] = {{x0 + 0.5f, y0 + 0.5f, 0, 0, 0},
                                     {x1 - 0.5f, y0 + 0.5f, 0, 0, 0},
                                     {x1 - 0.5f, y1 - 0.5f, 0, 0, 0},
                                     {x0 + 0.5f, y1 - 0.5f, 0, 0, 0}};
  list.LineLoop(outline, 4, lineWidth < 1.0f ? 1.0f : lineWidth);
  list.state = saved;
}

}  // namespace

void SetTextColour(render::DrawList& list, TextColour colour) {
  const ColourSetting c = ColourOf(colour);
  if (c.call == ColourCall::Float3f)
    list.SetColourFloat(c.r, c.g, c.b);
  else
    list.SetColour(c.r, c.g, c.b);
}

render::View SurfaceView(int x, int y, int width, int height) {
  if (height == 0) height = 1;
  render::View view;
  view.viewport = {x, y, width, height};
  view.projection =
      render::Projection::PerspectiveOf(45.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 100.0);
  return view;
}

render::View PanelView(const PanelLayout& layout) {
  const int width = static_cast<int>(std::lround(kSurfaceWidth * layout.scale));
  const int height = static_cast<int>(std::lround(kSurfaceHeight * layout.scale));
  return SurfaceView(layout.originX, layout.originY, width, height);
}

render::PixelRect PanelClip(const PanelLayout& layout) {
  return {layout.originX, layout.originY, layout.ScaledPanelWidth(), layout.ScaledPanelHeight()};
}

void BeginPanelFrame(render::DrawList& list, const PanelLayout& layout) {
  if (layout.standard) return;
  list.NoClip();
  list.ClearTo({0, 0, 0, 128});
  list.Clip(PanelClip(layout));
}

void DrawFramePanel(render::DrawList& list, const PanelResources& resources, const FrameDescription& frame) {
  DrawAttitude(list, resources, float(frame.pitchOffset), float(frame.bank));
  DrawIls(list, resources, frame.ilsState, float(frame.glideSlopeOffset), float(frame.localizerOffset));
  DrawSpdPlate(list, resources);
}

void DrawFrameGuidance(render::DrawList& list, const PanelResources& resources, const FrameDescription& frame,
                       double pixelScale) {
  for (const FrameBar& bar : frame.bars) {
    if (bar.kind == BarKind::Horizontal)
      DrawFdHorizontalBar(list, resources, float(bar.offset));
    else
      DrawFdVerticalBar(list, resources, float(bar.offset));
  }
  for (const FrameText& text : frame.texts) {
    if (text.backed && !text.text.empty()) DrawTextPlate(list, text, pixelScale);
    SetTextColour(list, text.colour);
    PrintText(list, resources, text.text, text.glyphSet, text.x, text.y);
  }
}

void DrawFrameDescription(render::DrawList& list, const PanelResources& resources, const FrameDescription& frame,
                          double pixelScale) {
  DrawFramePanel(list, resources, frame);
  DrawFrameGuidance(list, resources, frame, pixelScale);
}
