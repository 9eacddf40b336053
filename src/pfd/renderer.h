// The panel renderer: owns the panel's textures, knows the panel's place and scale in its surface
// (given, never read back from the graphics context), records each drawing step as a draw list and
// has its backend execute it. The display window, orvane-snapshot, the draw benchmark and the
// render tests all draw through it.
#pragma once

#include <cstdint>
#include <memory>

#include "pfd/frame_rules.h"
#include "pfd/full_frame_draw.h"
#include "pfd/panel_layout.h"
#include "pfd/panel_picture.h"
#include "pfd/texture_set.h"
#include "render/backend.h"
#include "render/draw_list.h"
#include "render/gl_state.h"

class PanelRenderer {
 public:
  explicit PanelRenderer(PanelKind kind = PanelKind::Classic, render::BackendKind backend = render::BackendKind::GL1);
  ~PanelRenderer();
  PanelRenderer(const PanelRenderer&) = delete;
  PanelRenderer& operator=(const PanelRenderer&) = delete;

  // The two halves of the set-up, with the data source's link opened between them when the source
  // wants its artwork first: the backend and the texture set (true when the background picture was
  // there; the full panel's own pictures too, each one missing only leaving its shape out), then
  // the initial GL state. Both need a current GL context. A backend that cannot run on the context
  // gives way to GL1, with a line in the log.
  bool LoadTextures();
  void FinishSetUp();
  // Both halves at once.
  bool SetUp();

  // The drawing surface at start-up, width x height pixels from the window's lower-left corner,
  // nothing clipped.
  void SetSurface(int32_t width, int32_t height);
  // The panel at `layout`'s place and scale (and the pictures' finer levels when the panel has
  // grown since they were loaded). Before LoadTextures, it also sets the detail the pictures are
  // loaded with.
  void SetLayout(const PanelLayout& layout);
  const PanelLayout& Layout() const { return layout_; }
  PanelKind Kind() const { return kind_; }
  // The backend that executes the lists (GL1 when the one asked for could not run).
  render::BackendKind Backend() const { return backend_->Kind(); }
  // False when one of the full panel's own pictures was missing or unusable at set-up.
  bool FullArtworkComplete() const { return fullArtworkComplete_; }
  // The panel's size at scale 1 in a window of today's client size (`standardWidth` x
  // `standardHeight`): that size for today's panel, the full panel's own for the full one.
  void PanelSize(int standardWidth, int standardHeight, int* width, int* height) const;

  // Before a frame in a layout other than the standard one: the whole window black, then drawing
  // clipped to the panel.
  void BeginFrame() const;
  // The two steps of a frame's picture: the panel (attitude, ILS scales, speed plate), then the
  // guidance (flight-director bars, the texts in their colours). The network frame pauses between.
  // Each step is drawn when it returns.
  void DrawPanel(const FrameDescription& frame) const;
  void DrawGuidance(const FrameDescription& frame) const;
  // Both steps.
  void Draw(const FrameDescription& frame) const;
  // The same for a picture of the renderer's panel (the full panel draws today's picture in its
  // middle).
  void DrawPanel(const PanelPicture& picture) const;
  void DrawGuidance(const PanelPicture& picture) const;
  void Draw(const PanelPicture& picture) const;

  // Records a whole picture without drawing it: the list a backend would execute (for tests that
  // ask where a shape lands).
  render::DrawList Record(const PanelPicture& picture) const;

  const PanelResources& Resources() const { return resources_; }
  // For the render tests, which put pictures of their own into the slots.
  PanelResources& MutableResources() { return resources_; }
  FullLayoutTextures& MutableFullTextures() { return fullTextures_; }

 private:
  void RecordPanel(render::DrawList& list, const PanelPicture& picture) const;
  void RecordGuidance(render::DrawList& list, const PanelPicture& picture) const;
  void Flush() const;

  PanelKind kind_;
  std::unique_ptr<render::Backend> backend_;
  PanelResources resources_;
  FullLayoutTextures fullTextures_;
  bool fullArtworkComplete_ = false;
  bool texturesLoaded_ = false;
  PanelLayout layout_;
  // The list being recorded, and the state it carries from one step to the next.
  mutable render::DrawList list_;
};
