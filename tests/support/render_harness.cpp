// Render tests' GL surface: offscreen context, display GL state, texture uploads, pixel read-back.
#include "support/render_harness.h"

#include <cstring>

#include "platform/gl.h"
#include "platform/window.h"
#include "pfd/frame_draw.h"
#include "pfd/png_writer.h"

namespace orvane_test {

DecodedImage SolidImage(int width, int height, Rgb colour) {
  DecodedImage image;
  image.width = width;
  image.height = height;
  image.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
    image.rgb[i] = colour.r;
    image.rgb[i + 1] = colour.g;
    image.rgb[i + 2] = colour.b;
  }
  return image;
}

void SetTexel(DecodedImage& image, int x, int yFromBottom, Rgb colour) {
  if (x < 0 || yFromBottom < 0 || x >= image.width || yFromBottom >= image.height) return;
  const size_t at = (static_cast<size_t>(yFromBottom) * image.width + x) * 3;
  image.rgb[at] = colour.r;
  image.rgb[at + 1] = colour.g;
  image.rgb[at + 2] = colour.b;
}

void FillRect(DecodedImage& image, int x0, int y0, int x1, int y1, Rgb colour) {
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) SetTexel(image, x, y, colour);
  }
}

RenderHarness::~RenderHarness() { Close(); }

bool RenderHarness::Open(std::string& error) {
  if (open_) return true;
  if (!gl_.Open(kWidth, kHeight, error)) return false;
  open_ = true;
  ResetGlState();
  backend_ = render::MakeBackend(render::BackendKind::GL1);
  renderer_.SetSurface(kWidth, kHeight);
  ResetList();
  return true;
}

void RenderHarness::ResetList() {
  list_.Reset();
  list_.surfaceWidth = kWidth;
  list_.surfaceHeight = kHeight;
  list_.state = render::ListState{};
  list_.state.view = SurfaceView(0, 0, kWidth, kHeight);
}

void RenderHarness::Flush() {
  if (backend_) backend_->Execute(list_);
  list_.Reset();
}

void RenderHarness::Close() {
  if (!open_) return;
  DeleteTextures();
  gl_.Close();
  open_ = false;
}

std::string RenderHarness::RendererDescription() const {
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return std::string(renderer ? renderer : "?") + " / " + (version ? version : "?");
}

void RenderHarness::ResetGlState() {
  SetInitialGlState();
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glColor3f(1.0f, 1.0f, 1.0f);
  glBindTexture(GL_TEXTURE_2D, 0);
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(kWidth) / static_cast<double>(kHeight), 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

namespace {

void UploadInto(uint32_t& name, const DecodedImage& image) {
  if (name == 0) glGenTextures(1, reinterpret_cast<GLuint*>(&name));
  glBindTexture(GL_TEXTURE_2D, name);
  if (image.width > 0 && image.height > 0) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.rgb.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace

void RenderHarness::UploadSlot(int slot, const DecodedImage& image) {
  if (slot < 0 || slot >= SlotCount) return;
  UploadInto(Resources().TextureNames[slot], image);
}

void RenderHarness::UploadFont(const DecodedImage& image) { UploadInto(Resources().FontTexture, image); }

void RenderHarness::DeleteTextures() {
  for (uint32_t& name : Resources().TextureNames) {
    if (name != 0) glDeleteTextures(1, reinterpret_cast<GLuint*>(&name));
    name = 0;
  }
  if (Resources().FontTexture != 0) glDeleteTextures(1, reinterpret_cast<GLuint*>(&Resources().FontTexture));
  Resources().FontTexture = 0;
}

int RenderHarness::LoadTexturesFrom(const std::string& folder, std::string& missing) {
  int loaded = 0;
  missing.clear();
  auto loadOne = [&](const char* name, uint32_t& target) {
    DecodedImage image;
    if (LoadTextureBitmap(folder + "/" + name, image)) {
      UploadInto(target, image);
      ++loaded;
    } else {
      missing += std::string(missing.empty() ? "" : ", ") + name;
    }
  };
  for (int slot = 0; slot < SlotCount; ++slot) loadOne(TextureFileNames[slot], Resources().TextureNames[slot]);
  loadOne(FontFileName, Resources().FontTexture);
  return loaded;
}

void RenderHarness::Capture() {
  Flush();
  glFinish();
  pixels_.assign(static_cast<size_t>(kWidth) * kHeight * 3, 0);
  GLint previousAlignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &previousAlignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels_.data());
  glPixelStorei(GL_PACK_ALIGNMENT, previousAlignment);
}

Rgb RenderHarness::At(int x, int yFromBottom) const {
  if (x < 0 || yFromBottom < 0 || x >= kWidth || yFromBottom >= kHeight || pixels_.empty()) {
    return Rgb{};
  }
  const size_t at = (static_cast<size_t>(yFromBottom) * kWidth + x) * 3;
  return Rgb{pixels_[at], pixels_[at + 1], pixels_[at + 2]};
}

std::vector<uint8_t> RenderHarness::PanelTopDown() const {
  std::vector<uint8_t> panel(static_cast<size_t>(kPanel) * kPanel * 3, 0);
  if (pixels_.empty()) return panel;
  for (int row = 0; row < kPanel; ++row) {
    const int sourceRow = kPanel - 1 - row;
    std::memcpy(panel.data() + static_cast<size_t>(row) * kPanel * 3,
                pixels_.data() + static_cast<size_t>(sourceRow) * kWidth * 3,
                static_cast<size_t>(kPanel) * 3);
  }
  return panel;
}

std::vector<uint8_t> RenderHarness::SurfaceTopDown() const {
  std::vector<uint8_t> surface(static_cast<size_t>(kWidth) * kHeight * 3, 0);
  if (pixels_.empty()) return surface;
  for (int row = 0; row < kHeight; ++row) {
    std::memcpy(surface.data() + static_cast<size_t>(row) * kWidth * 3,
                pixels_.data() + static_cast<size_t>(kHeight - 1 - row) * kWidth * 3,
                static_cast<size_t>(kWidth) * 3);
  }
  return surface;
}

bool RenderHarness::SavePanelPng(const std::string& path, std::string& error) const {
  return WritePng(path, kPanel, kPanel, PanelTopDown(), error);
}

bool RenderHarness::SaveSurfacePng(const std::string& path, std::string& error) const {
  return WritePng(path, kWidth, kHeight, SurfaceTopDown(), error);
}

}  // namespace orvane_test
