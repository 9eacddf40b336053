// The desktop GL texture device: the calls the picture loader's levels and rows become.
#include "render/backend.h"
#include "render/gl_api.h"

namespace render {

namespace {

GLenum FormatOf(PixelFormat format) {
  switch (format) {
    case PixelFormat::Grey: return GL_LUMINANCE;
    case PixelFormat::Bgr: return GL_BGR;
    case PixelFormat::Rgba: return GL_RGBA;
    case PixelFormat::Rgb: break;
  }
  return GL_RGB;
}

GLint ComponentsOf(PixelFormat format) {
  return format == PixelFormat::Grey ? 1 : format == PixelFormat::Rgba ? 4 : 3;
}

class GlTextures final : public TextureDevice {
 public:
  int MaxTextureSize() override {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    return maxSize;
  }
  bool HasLevelControl() override {
    while (glGetError() != GL_NO_ERROR) {
    }
    GLint maxLevel = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
    return glGetError() == GL_NO_ERROR;
  }
  void CreateTextures(int count, uint32_t* names) override {
    glGenTextures(count, reinterpret_cast<GLuint*>(names));
  }
  void DeleteTexture(uint32_t name) override {
    GLuint n = name;
    glDeleteTextures(1, &n);
  }
  void Bind(uint32_t name) override { glBindTexture(GL_TEXTURE_2D, name); }
  void SetFilters(bool mipmapped) override {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  }
  void SetLevelCount(int levels) override { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels - 1); }
  void SetCoarsestLevel(float level) override {
    // Without the controls (OpenGL 1.1) GL refuses it and blends in the coarser levels.
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_LOD, static_cast<GLfloat>(level));
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  unsigned AllocateLevel(int level, int width, int height, PixelFormat format) override {
    glTexImage2D(GL_TEXTURE_2D, level, ComponentsOf(format), width, height, 0, FormatOf(format), GL_UNSIGNED_BYTE,
                 nullptr);
    return glGetError();
  }
  void BeginRows() override {
    // Rows are tightly packed; GL's default row alignment of 4 would read past the end of rows
    // whose length is not a multiple of 4.
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  void Rows(int level, int y, int width, int rows, PixelFormat format, const uint8_t* texels) override {
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, y, width, rows, FormatOf(format), GL_UNSIGNED_BYTE, texels);
  }
  void EndRows() override { glPixelStorei(GL_UNPACK_ALIGNMENT, alignment_); }
  unsigned TakeError() override { return glGetError(); }
  void Empty(PixelFormat format) override {
    glTexImage2D(GL_TEXTURE_2D, 0, ComponentsOf(format), 0, 0, 0, FormatOf(format), GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  }

 private:
  GLint alignment_ = 4;
};

}  // namespace

TextureDevice& GlTextureDevice() {
  static GlTextures device;
  return device;
}

}  // namespace render
