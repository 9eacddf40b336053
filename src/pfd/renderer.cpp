// The panel renderer: set-up, surface and layout, and the frame's drawing steps.
#include "pfd/renderer.h"

#include "pfd/font.h"
#include "pfd/frame_draw.h"
#include "pfd/full_layout.h"
#include "platform/gl.h"

void ResizeGlScene(int32_t width, int32_t height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void SetInitialGlState() {
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

bool PanelRenderer::LoadTextures() {
  // The detail the panel's scale samples (finer levels follow if the panel grows, in SetLayout).
  const bool ready = LoadTextureSet(resources_, layout_.scale);
  texturesLoaded_ = ready;
  if (ready && kind_ == PanelKind::Full) fullArtworkComplete_ = LoadFullLayoutTextures(fullTextures_);
  return ready;
}

void PanelRenderer::PanelSize(int standardWidth, int standardHeight, int* width, int* height) const {
  *width = kind_ == PanelKind::Full ? full_layout::kPanelWidth : standardWidth;
  *height = kind_ == PanelKind::Full ? full_layout::kPanelHeight : standardHeight;
}

void PanelRenderer::FinishSetUp() {
  BuildFont(resources_);
  SetInitialGlState();
}

bool PanelRenderer::SetUp() {
  if (!LoadTextures()) return false;
  FinishSetUp();
  return true;
}

void PanelRenderer::SetSurface(int32_t width, int32_t height) {
  glDisable(GL_SCISSOR_TEST);
  ResizeGlScene(width, height);
  layout_ = PanelLayout{};
  layout_.scale = double(width) / kSurfaceWidth;
}

void PanelRenderer::SetLayout(const PanelLayout& layout) {
  layout_ = layout;
  if (texturesLoaded_) RaiseTextureDetail(resources_, layout_.scale);  // a larger panel samples finer levels
  // The full panel places today's picture and its own drawing at every step.
  if (!layout_.standard && kind_ == PanelKind::Classic) ApplyPanelLayout(layout_);
}

void PanelRenderer::BeginFrame() const { BeginPanelFrame(layout_); }

void PanelRenderer::DrawPanel(const FrameDescription& frame) const { DrawFramePanel(resources_, frame); }

void PanelRenderer::DrawGuidance(const FrameDescription& frame) const {
  DrawFrameGuidance(resources_, frame, layout_.scale);
}

void PanelRenderer::Draw(const FrameDescription& frame) const {
  DrawPanel(frame);
  DrawGuidance(frame);
}

void PanelRenderer::DrawPanel(const PanelPicture& picture) const {
  if (picture.kind == PanelKind::Full)
    DrawFullFramePanel(resources_, fullTextures_, picture.full, layout_);
  else
    DrawPanel(picture.classic);
}

void PanelRenderer::DrawGuidance(const PanelPicture& picture) const {
  if (picture.kind == PanelKind::Full)
    DrawFullFrameGuidance(resources_, fullTextures_, picture.full, layout_);
  else
    DrawGuidance(picture.classic);
}

void PanelRenderer::Draw(const PanelPicture& picture) const {
  DrawPanel(picture);
  DrawGuidance(picture);
}
