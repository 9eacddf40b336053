// The browser's texture device: the picture loader's levels and rows as WebGL 1 calls. WebGL 1 is
// OpenGL ES 2.0: a texture's stored format is the format its texels arrive in, blue-first rows do
// not exist, and there are no controls of the finest and coarsest levels sampled (the loader then
// gives every level down to 1 x 1, as it does for OpenGL 1.1).
#include <GLES2/gl2.h>

#include <utility>
#include <vector>

#include "render/backend.h"
#include "render/gles2_backend.h"

namespace render {

namespace {

GLenum FormatOf(PixelFormat format) {
  switch (format) {
    case PixelFormat::Grey: return GL_LUMINANCE;
    case PixelFormat::Rgba: return GL_RGBA;
    case PixelFormat::Rgb:
    case PixelFormat::Bgr: break;
  }
  return GL_RGB;
}

class WebGlTextures final : public TextureDevice {
 public:
  int MaxTextureSize() override {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    return maxSize;
  }
  bool HasLevelControl() override { return false; }
  void CreateTextures(int count, uint32_t* names) override { glGenTextures(count, reinterpret_cast<GLuint*>(names)); }
  void DeleteTexture(uint32_t name) override {
    GLuint n = name;
    glDeleteTextures(1, &n);
  }
  void Bind(uint32_t name) override { glBindTexture(GL_TEXTURE_2D, name); }
  void SetFilters(bool mipmapped) override {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    // WebGL samples a picture whose sides are not powers of two only when it is not repeated.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  void SetLevelCount(int) override {}
  void SetCoarsestLevel(float) override {}
  unsigned AllocateLevel(int level, int width, int height, PixelFormat format) override {
    const GLenum f = FormatOf(format);
    glTexImage2D(GL_TEXTURE_2D, level, GLint(f), width, height, 0, f, GL_UNSIGNED_BYTE, nullptr);
    return glGetError();
  }
  void BeginRows() override {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows are tightly packed
  }
  void Rows(int level, int y, int width, int rows, PixelFormat format, const uint8_t* texels) override {
    if (format == PixelFormat::Bgr) {
      // Not asked for without level control; turned into red-first rows should it come.
      swapped_.assign(texels, texels + size_t(width) * size_t(rows) * 3);
      for (size_t i = 0; i + 2 < swapped_.size(); i += 3) std::swap(swapped_[i], swapped_[i + 2]);
      texels = swapped_.data();
    }
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, y, width, rows, FormatOf(format), GL_UNSIGNED_BYTE, texels);
  }
  void EndRows() override { glPixelStorei(GL_UNPACK_ALIGNMENT, alignment_); }
  unsigned TakeError() override { return glGetError(); }
  void Empty(PixelFormat format) override {
    const GLenum f = FormatOf(format);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(f), 0, 0, 0, f, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  }

 private:
  GLint alignment_ = 4;
  std::vector<uint8_t> swapped_;
};

}  // namespace

// The device the GLES2 backend fills its textures through.
TextureDevice& GlTextureDevice() {
  static WebGlTextures device;
  return device;
}

// The browser has one backend: WebGL runs the GLES2 backend's shaders, and nothing of GL1.
std::unique_ptr<Backend> MakeBackend(BackendKind) { return MakeGles2Backend(); }

}  // namespace render
