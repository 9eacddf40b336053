// The panel renderer: set-up, surface and layout, and the frame's drawing steps.
#include "pfd/renderer.h"

#include "pfd/font.h"
#include "pfd/frame_draw.h"
#include "pfd/full_layout.h"
#include "platform/system.h"

PanelRenderer::PanelRenderer(PanelKind kind, render::BackendKind backend)
    : kind_(kind), backend_(render::MakeBackend(backend)) {}

PanelRenderer::~PanelRenderer() = default;

bool PanelRenderer::LoadTextures() {
  std::string error;
  if (!backend_->SetUp(error)) {
    platform::DebugLog(std::string("renderer ") + render::BackendName(backend_->Kind()) + ": " + error +
                       "; drawn with GL1");
    backend_ = render::MakeBackend(render::BackendKind::GL1);
    backend_->SetUp(error);
  }
  const bool combined = backend_->DrawsMaskedPicturesInOnePass();
  // The detail the panel's scale samples (finer levels follow if the panel grows, in SetLayout).
  const bool ready = LoadTextureSet(resources_, layout_.scale, backend_->Textures(), combined);
  texturesLoaded_ = ready;
  if (ready && kind_ == PanelKind::Full)
    fullArtworkComplete_ = LoadFullLayoutTextures(fullTextures_, backend_->Textures(), combined);
  return ready;
}

void PanelRenderer::PanelSize(int standardWidth, int standardHeight, int* width, int* height) const {
  *width = kind_ == PanelKind::Full ? full_layout::kPanelWidth : standardWidth;
  *height = kind_ == PanelKind::Full ? full_layout::kPanelHeight : standardHeight;
}

void PanelRenderer::FinishSetUp() { SetInitialGlState(); }

bool PanelRenderer::SetUp() {
  if (!LoadTextures()) return false;
  FinishSetUp();
  return true;
}

void PanelRenderer::SetSurface(int32_t width, int32_t height) {
  list_.surfaceWidth = width;
  list_.surfaceHeight = height;
  list_.state.view = SurfaceView(0, 0, width, height);
  list_.NoClip();
  layout_ = PanelLayout{};
  layout_.scale = double(width) / kSurfaceWidth;
}

void PanelRenderer::SetLayout(const PanelLayout& layout) {
  layout_ = layout;
  // A larger panel samples finer levels.
  if (texturesLoaded_) RaiseTextureDetail(resources_, layout_.scale, backend_->Textures());
  // The full panel places today's picture and its own drawing at every step.
  if (!layout_.standard && kind_ == PanelKind::Classic) list_.state.view = PanelView(layout_);
}

void PanelRenderer::BeginFrame() const { BeginPanelFrame(list_, layout_); }

void PanelRenderer::Flush() const {
  backend_->Execute(list_);
  list_.Reset();
}

void PanelRenderer::DrawPanel(const FrameDescription& frame) const {
  DrawFramePanel(list_, resources_, frame);
  Flush();
}

void PanelRenderer::DrawGuidance(const FrameDescription& frame) const {
  DrawFrameGuidance(list_, resources_, frame, layout_.scale);
  Flush();
}

void PanelRenderer::Draw(const FrameDescription& frame) const {
  DrawPanel(frame);
  DrawGuidance(frame);
}

void PanelRenderer::RecordPanel(render::DrawList& list, const PanelPicture& picture) const {
  if (picture.kind == PanelKind::Full)
    DrawFullFramePanel(list, resources_, fullTextures_, picture.full, layout_);
  else
    DrawFramePanel(list, resources_, picture.classic);
}

void PanelRenderer::RecordGuidance(render::DrawList& list, const PanelPicture& picture) const {
  if (picture.kind == PanelKind::Full)
    DrawFullFrameGuidance(list, resources_, fullTextures_, picture.full, layout_);
  else
    DrawFrameGuidance(list, resources_, picture.classic, layout_.scale);
}

void PanelRenderer::DrawPanel(const PanelPicture& picture) const {
  RecordPanel(list_, picture);
  Flush();
}

void PanelRenderer::DrawGuidance(const PanelPicture& picture) const {
  RecordGuidance(list_, picture);
  Flush();
}

void PanelRenderer::Draw(const PanelPicture& picture) const {
  DrawPanel(picture);
  DrawGuidance(picture);
}

render::DrawList PanelRenderer::Record(const PanelPicture& picture) const {
  render::DrawList list;
  list.surfaceWidth = list_.surfaceWidth;
  list.surfaceHeight = list_.surfaceHeight;
  list.state = list_.state;
  BeginPanelFrame(list, layout_);
  RecordPanel(list, picture);
  RecordGuidance(list, picture);
  return list;
}
