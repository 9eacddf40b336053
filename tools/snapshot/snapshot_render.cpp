// Renders a frame description into the offscreen context and reads the pixels back.
#include "snapshot_render.h"

#include <cstring>

#include "pfd/frame_draw.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "pfd/font.h"
#include "shell/display.h"
#include "pfd/texture_set.h"

bool OpenSnapshotRenderer(PanelResources& resources, std::string& error) {
  if (!platform::OpenOffscreenGl(kSurfaceWidth, kSurfaceHeight, error)) return false;
  ResizeGlScene(kSurfaceWidth, kSurfaceHeight);
  if (!LoadTextureSet(resources)) {
    error = "the texture set is not there: \"pfd_2.txr\" is missing or unreadable in the assets folder";
    platform::CloseOffscreenGl();
    return false;
  }
  BuildFont(resources);
  SetInitialGlState();
  return true;
}

void CloseSnapshotRenderer() { platform::CloseOffscreenGl(); }

std::vector<uint8_t> RenderSurface(const PanelResources& resources, const FrameDescription& frame) {
  DrawFrameDescription(resources, frame);
  glFinish();
  const size_t row = size_t(kSurfaceWidth) * 3;
  std::vector<uint8_t> bottomFirst(row * kSurfaceHeight);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kSurfaceWidth, kSurfaceHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst.data());
  std::vector<uint8_t> topFirst(bottomFirst.size());
  for (int y = 0; y < kSurfaceHeight; ++y)
    std::memcpy(&topFirst[size_t(y) * row], &bottomFirst[size_t(kSurfaceHeight - 1 - y) * row], row);
  return topFirst;
}

std::vector<uint8_t> CropLowerLeft(const std::vector<uint8_t>& surface, int width, int height) {
  const size_t srcRow = size_t(kSurfaceWidth) * 3;
  const size_t dstRow = size_t(width) * 3;
  std::vector<uint8_t> out(dstRow * size_t(height));
  for (int y = 0; y < height; ++y) {
    const size_t srcY = size_t(kSurfaceHeight - height + y);
    std::memcpy(&out[size_t(y) * dstRow], &surface[srcY * srcRow], dstRow);
  }
  return out;
}
