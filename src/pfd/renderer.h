// The panel renderer: owns the panel's textures and font, sets up the GL state the drawing relies
// on, knows the panel's place and scale in its surface (given, never read back from GL), and draws
// frame descriptions. The display window, orvane-snapshot, the draw benchmark and the render tests
// all draw through it.
#pragma once

#include <cstdint>

#include "pfd/frame_rules.h"
#include "pfd/full_frame_draw.h"
#include "pfd/panel_layout.h"
#include "pfd/panel_picture.h"
#include "pfd/texture_set.h"

// The state every frame starts from: texturing, smooth shading, the clear colour and depth, the
// depth test with GL_LEQUAL and the nicest perspective correction.
void SetInitialGlState();
// Viewport (0, 0, width, height) and a 45 degree perspective for it; a height of 0 counts as 1.
void ResizeGlScene(int32_t width, int32_t height);

class PanelRenderer {
 public:
  explicit PanelRenderer(PanelKind kind = PanelKind::Classic) : kind_(kind) {}
  PanelRenderer(const PanelRenderer&) = delete;
  PanelRenderer& operator=(const PanelRenderer&) = delete;

  // The two halves of the set-up, with the data source's link opened between them when the source
  // wants its artwork first: the texture set (true when the background picture was there; the full
  // panel's own pictures too, each one missing only leaving its shape out), then the font and the
  // initial GL state. Both need a current GL context.
  bool LoadTextures();
  void FinishSetUp();
  // Both halves at once.
  bool SetUp();

  // The drawing surface at start-up, width x height pixels from the window's lower-left corner,
  // nothing clipped.
  void SetSurface(int32_t width, int32_t height);
  // The panel at `layout`'s place and scale: viewport, projection and scissor (and the pictures'
  // finer levels when the panel has grown since they were loaded). Before LoadTextures, it also
  // sets the detail the pictures are loaded with.
  void SetLayout(const PanelLayout& layout);
  const PanelLayout& Layout() const { return layout_; }
  PanelKind Kind() const { return kind_; }
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
  void DrawPanel(const FrameDescription& frame) const;
  void DrawGuidance(const FrameDescription& frame) const;
  // Both steps.
  void Draw(const FrameDescription& frame) const;
  // The same for a picture of the renderer's panel (the full panel draws today's picture in its
  // middle; its steps leave the viewport, scissor and projection as they found them).
  void DrawPanel(const PanelPicture& picture) const;
  void DrawGuidance(const PanelPicture& picture) const;
  void Draw(const PanelPicture& picture) const;

  const PanelResources& Resources() const { return resources_; }
  // For the render tests, which put pictures of their own into the slots.
  PanelResources& MutableResources() { return resources_; }

 private:
  PanelKind kind_;
  PanelResources resources_;
  FullLayoutTextures fullTextures_;
  bool fullArtworkComplete_ = false;
  bool texturesLoaded_ = false;
  PanelLayout layout_;
};
