// What the panel's drawing needs from a graphics backend: textures to fill (the picture loader
// streams rows into them) and the execution of a draw list. No GL here: the backends
// (gl1_backend.h, gles2_backend.h) implement it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "render/draw_list.h"

namespace render {

// The texel layouts a picture's rows arrive in.
enum class PixelFormat : uint8_t { Grey, Rgb, Bgr, Rgba };

// Fills textures level by level, rows in bands, on the texture last bound.
class TextureDevice {
 public:
  virtual ~TextureDevice() = default;
  // The largest side a texture may have (0: unknown).
  virtual int MaxTextureSize() = 0;
  // True when the finest and coarsest levels a texture samples can be set (GL 1.2's controls).
  virtual bool HasLevelControl() = 0;
  virtual void CreateTextures(int count, uint32_t* names) = 0;
  virtual void DeleteTexture(uint32_t name) = 0;
  virtual void Bind(uint32_t name) = 0;
  // Linear filters, between the two nearest levels when `mipmapped`.
  virtual void SetFilters(bool mipmapped) = 0;
  virtual void SetLevelCount(int levels) = 0;  // with level control only
  virtual void SetCoarsestLevel(float level) = 0;  // with level control only; ignored when refused
  // Reserves level `level` of `width` x `height` for texels stored as `format`; 0 or the
  // backend's error code.
  virtual unsigned AllocateLevel(int level, int width, int height, PixelFormat format) = 0;
  // Between BeginRows and EndRows, rows of tightly packed texels go into the levels.
  virtual void BeginRows() = 0;
  virtual void Rows(int level, int y, int width, int rows, PixelFormat format, const uint8_t* texels) = 0;
  virtual void EndRows() = 0;
  // The error code of the uploads since the last call (0: none).
  virtual unsigned TakeError() = 0;
  // Leaves the bound texture without a picture.
  virtual void Empty(PixelFormat format) = 0;
};

enum class BackendKind : uint8_t { GL1, GLES2 };
// "GL1", "GLES2".
const char* BackendName(BackendKind kind);
// Parses a backend's name (upper case as written in the settings); false when it names none.
bool ParseBackendName(const std::string& text, BackendKind& kind);

class Backend {
 public:
  virtual ~Backend() = default;
  virtual BackendKind Kind() const = 0;
  // Needs the current GL context; false with a sentence in `error` when the backend cannot run on it.
  virtual bool SetUp(std::string& error) = 0;
  virtual TextureDevice& Textures() = 0;
  // True when the backend draws a masked picture in one pass and wants its combined texture.
  virtual bool DrawsMaskedPicturesInOnePass() const { return false; }
  // Draws the list, setting all the state it needs and leaving the context's state as it found it.
  virtual void Execute(const DrawList& list) = 0;
};

std::unique_ptr<Backend> MakeBackend(BackendKind kind);

// The desktop GL texture device both backends fill their textures with (needs a current context).
TextureDevice& GlTextureDevice();

}  // namespace render
