// Render tests' GL surface: the offscreen 500 x 740 context in the display's GL state, textures, read-back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pfd/renderer.h"
#include "pfd/bmp_decoder.h"
#include "pfd/texture_set.h"
#include "platform/window.h"
#include "render/backend.h"
#include "render/draw_list.h"

namespace orvane_test {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
};

// A width x height image of one colour, in the decoder's layout (bottom row first).
DecodedImage SolidImage(int width, int height, Rgb colour);
void SetTexel(DecodedImage& image, int x, int yFromBottom, Rgb colour);
// Colours the rectangle [x0, x1) x [y0, y1) of an image (texel rows counted from the bottom).
void FillRect(DecodedImage& image, int x0, int y0, int x1, int y1, Rgb colour);

class RenderHarness {
 public:
  static constexpr int kWidth = 500;
  static constexpr int kHeight = 740;
  static constexpr int kPanel = 332;  // the part of the surface the display window shows

  RenderHarness() = default;
  RenderHarness(const RenderHarness&) = delete;
  RenderHarness& operator=(const RenderHarness&) = delete;
  ~RenderHarness();

  // Opens the hidden context and sets the display's GL state. False with a reason otherwise.
  bool Open(std::string& error);
  void Close();
  bool IsOpen() const { return open_; }
  // The harness's offscreen context.
  platform::OffscreenGl& Gl() { return gl_; }
  // GL_RENDERER and GL_VERSION of the context.
  std::string RendererDescription() const;

  // The state the display window's initialisation leaves: texturing, smooth shading, clear colour
  // black with alpha 0.5, clear depth 1, depth test on (LEQUAL), blending off, viewport 500 x 740,
  // 45-degree perspective (near 0.1, far 100), identity model-view current, colour white.
  static void ResetGlState();

  // The renderer the drawing under test goes through, and its textures and font.
  PanelRenderer& Renderer() { return renderer_; }
  // The list the drawing layers under test record into: the whole surface in the display's
  // 45-degree perspective. Capture and Flush draw it with the GL1 backend.
  render::DrawList& List() { return list_; }
  void Flush();
  // Empties the list and puts its state back to the display's initial one.
  void ResetList();
  PanelResources& Resources() { return renderer_.MutableResources(); }

  // Uploads an image into a slot's texture as the texture set does (the slot's name is created when
  // it has none yet). An empty image leaves the slot with a name but no picture.
  void UploadSlot(int slot, const DecodedImage& image);
  void UploadFont(const DecodedImage& image);
  // Deletes every slot texture and the font texture; the names go back to 0.
  void DeleteTextures();
  // Loads the 16 slot files and the font from a folder. Returns how many of the 17 were decoded;
  // `missing` lists the others.
  int LoadTexturesFrom(const std::string& folder, std::string& missing);

  // Reads the whole surface (after glFinish): RGB, row 0 is the bottom row, as GL counts.
  void Capture();
  Rgb At(int x, int yFromBottom) const;
  const std::vector<uint8_t>& Pixels() const { return pixels_; }
  // The 332 x 332 lower-left panel of the last capture, first row at the top.
  std::vector<uint8_t> PanelTopDown() const;
  // The whole surface of the last capture, first row at the top.
  std::vector<uint8_t> SurfaceTopDown() const;
  bool SavePanelPng(const std::string& path, std::string& error) const;
  bool SaveSurfacePng(const std::string& path, std::string& error) const;

 private:
  bool open_ = false;
  platform::OffscreenGl gl_;
  PanelRenderer renderer_;
  render::DrawList list_;
  std::unique_ptr<render::Backend> backend_;
  std::vector<uint8_t> pixels_;
};

}  // namespace orvane_test
