// Executes a frame description with the drawing layers and the bitmap font.
#include "pfd/frame_draw.h"

#include "pfd/layers.h"
#include "platform/gl.h"
#include "shell/font.h"

void SetTextColour(TextColour colour) {
  const ColourSpec c = ColourOf(colour);
  if (c.call == ColourCall::Float3f)
    glColor3f(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f);
  else
    glColor3ub(c.r, c.g, c.b);
}

void DrawFrameDescription(const FrameDescription& frame, void (*afterSpeedPlate)()) {
  DrawAttitude(float(frame.pitchOffset), float(frame.bank));
  DrawIls(frame.ilsState, float(frame.glideSlopeOffset), float(frame.localizerOffset));
  DrawSpdPlate();
  if (afterSpeedPlate) afterSpeedPlate();
  for (const FrameBar& bar : frame.bars) {
    if (bar.kind == BarKind::Horizontal)
      DrawFdHorizontalBar(float(bar.offset));
    else
      DrawFdVerticalBar(float(bar.offset));
  }
  for (const FrameText& text : frame.texts) {
    SetTextColour(text.colour);
    PrintText(text.text, text.glyphSet, text.x, text.y);
  }
}
