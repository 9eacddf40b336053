// Renders a frame description into the offscreen context and reads the pixels back.
#include "snapshot_render.h"

#include <cmath>
#include <cstring>

#include "platform/gl.h"
#include "platform/window.h"
#include "pfd/full_frame_draw.h"

namespace {

// The whole surface after glFinish, RGB, top row first.
std::vector<uint8_t> ReadBack(const SnapshotSurface& surface) {
  glFinish();
  const size_t row = size_t(surface.width) * 3;
  std::vector<uint8_t> bottomFirst(row * surface.height);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, surface.width, surface.height, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst.data());
  std::vector<uint8_t> topFirst(bottomFirst.size());
  for (int y = 0; y < surface.height; ++y)
    std::memcpy(&topFirst[size_t(y) * row], &bottomFirst[size_t(surface.height - 1 - y) * row], row);
  return topFirst;
}

}  // namespace

SnapshotSurface SurfaceAtScale(double scale) {
  SnapshotSurface s;
  s.scale = scale;
  s.width = static_cast<int>(std::lround(kSurfaceWidth * scale));
  s.height = static_cast<int>(std::lround(kSurfaceHeight * scale));
  s.panel = static_cast<int>(std::lround(kPanelSize * scale));
  return s;
}

SnapshotSurface FullSurfaceAtScale(double scale) {
  SnapshotSurface s;
  s.scale = scale;
  s.width = static_cast<int>(std::lround(full_layout::kPanelWidth * scale));
  s.height = static_cast<int>(std::lround(full_layout::kPanelHeight * scale));
  s.panel = 0;
  return s;
}

bool OpenSnapshotRenderer(platform::OffscreenGl& gl, PanelRenderer& renderer, const SnapshotSurface& surface,
                          std::string& error) {
  if (!gl.Open(surface.width, surface.height, error)) return false;
  renderer.SetSurface(surface.width, surface.height);
  if (renderer.Kind() == PanelKind::Full) {
    // The full panel fills the surface, at the surface's scale.
    PanelLayout layout = FullStandardLayout();
    layout.scale = surface.scale;
    layout.standard = surface.scale == 1.0;
    renderer.SetLayout(layout);
  }
  if (!renderer.SetUp()) {
    error = std::string("the texture set is not there: \"") + TextureFileNames[SlotHorizon] +
            "\" is missing or unreadable in the assets folder";
    gl.Close();
    return false;
  }
  if (renderer.Kind() == PanelKind::Full && !renderer.FullArtworkComplete()) {
    error = std::string("the full layout's textures are not all there (") + full_layout::kFullTextureFiles[0] +
            " and the others orvane-assetgen writes)";
    gl.Close();
    return false;
  }
  return true;
}

void CloseSnapshotRenderer(platform::OffscreenGl& gl) { gl.Close(); }

std::vector<uint8_t> RenderSurface(const PanelRenderer& renderer, const SnapshotSurface& surface,
                                   const PanelPicture& picture) {
  renderer.Draw(picture);
  return ReadBack(surface);
}

std::vector<uint8_t> CropLowerLeft(const std::vector<uint8_t>& pixels, const SnapshotSurface& surface, int width,
                                   int height) {
  const size_t srcRow = size_t(surface.width) * 3;
  const size_t dstRow = size_t(width) * 3;
  std::vector<uint8_t> out(dstRow * size_t(height));
  for (int y = 0; y < height; ++y) {
    const size_t srcY = size_t(surface.height - height + y);
    std::memcpy(&out[size_t(y) * dstRow], &pixels[srcY * srcRow], dstRow);
  }
  return out;
}
