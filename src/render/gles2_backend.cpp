// The GLES2 backend. Every command becomes triangles in window pixels (its projection and
// transform applied on the processor), and the triangles of consecutive commands with the same
// texture and clip are drawn together. One blend function serves every command: the source is
// premultiplied, so
//   a picture drawn over        rgb = texel x colour, alpha 1
//   an image added              rgb = texel x colour, alpha 0
//   a mask multiplied           rgb = 0,              alpha = 1 - texel
//   a mask and its image        rgb = image x colour, alpha = 1 - mask (the combined texture)
// with the frame buffer x (1 - alpha) + source, saturating as the fixed-function add does.
#include "render/gles2_backend.h"

#include <cmath>
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "render/gl_api.h"
#include "render/gl_proc.h"
#include "render/texel_span.h"

#ifndef APIENTRY
#define APIENTRY
#endif

namespace render {

namespace {

// OpenGL 2.0's enumerants the 1.1 headers lack.
constexpr GLenum kFragmentShader = 0x8B30;
constexpr GLenum kVertexShader = 0x8B31;
constexpr GLenum kCompileStatus = 0x8B81;
constexpr GLenum kLinkStatus = 0x8B82;
constexpr GLenum kArrayBuffer = 0x8892;
constexpr GLenum kElementArrayBuffer = 0x8893;
constexpr GLenum kStreamDraw = 0x88E0;
constexpr GLenum kCurrentProgram = 0x8B8D;
constexpr GLenum kArrayBufferBinding = 0x8894;
constexpr GLenum kElementArrayBufferBinding = 0x8895;
constexpr GLenum kTexture0 = 0x84C0;
constexpr GLenum kActiveTexture = 0x84E0;

struct Gl2 {
  GLuint(APIENTRY* CreateShader)(GLenum);
  void(APIENTRY* ShaderSource)(GLuint, GLsizei, const char* const*, const GLint*);
  void(APIENTRY* CompileShader)(GLuint);
  void(APIENTRY* GetShaderiv)(GLuint, GLenum, GLint*);
  void(APIENTRY* GetShaderInfoLog)(GLuint, GLsizei, GLsizei*, char*);
  void(APIENTRY* DeleteShader)(GLuint);
  GLuint(APIENTRY* CreateProgram)();
  void(APIENTRY* AttachShader)(GLuint, GLuint);
  void(APIENTRY* BindAttribLocation)(GLuint, GLuint, const char*);
  void(APIENTRY* LinkProgram)(GLuint);
  void(APIENTRY* GetProgramiv)(GLuint, GLenum, GLint*);
  void(APIENTRY* GetProgramInfoLog)(GLuint, GLsizei, GLsizei*, char*);
  void(APIENTRY* DeleteProgram)(GLuint);
  void(APIENTRY* UseProgram)(GLuint);
  GLint(APIENTRY* GetUniformLocation)(GLuint, const char*);
  void(APIENTRY* Uniform1i)(GLint, GLint);
  void(APIENTRY* Uniform2f)(GLint, GLfloat, GLfloat);
  void(APIENTRY* EnableVertexAttribArray)(GLuint);
  void(APIENTRY* DisableVertexAttribArray)(GLuint);
  void(APIENTRY* VertexAttribPointer)(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*);
  void(APIENTRY* GenBuffers)(GLsizei, GLuint*);
  void(APIENTRY* DeleteBuffers)(GLsizei, const GLuint*);
  void(APIENTRY* BindBuffer)(GLenum, GLuint);
  void(APIENTRY* BufferData)(GLenum, std::ptrdiff_t, const void*, GLenum);
  void(APIENTRY* ActiveTexture)(GLenum);

  // False, naming the first one missing, when the context lacks an entry point.
  bool Load(std::string& missing) {
    bool all = true;
    auto load = [&](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(GlProcAddress(name));
      if (fn == nullptr && all) {
        all = false;
        missing = name;
      }
    };
    load(CreateShader, "glCreateShader");
    load(ShaderSource, "glShaderSource");
    load(CompileShader, "glCompileShader");
    load(GetShaderiv, "glGetShaderiv");
    load(GetShaderInfoLog, "glGetShaderInfoLog");
    load(DeleteShader, "glDeleteShader");
    load(CreateProgram, "glCreateProgram");
    load(AttachShader, "glAttachShader");
    load(BindAttribLocation, "glBindAttribLocation");
    load(LinkProgram, "glLinkProgram");
    load(GetProgramiv, "glGetProgramiv");
    load(GetProgramInfoLog, "glGetProgramInfoLog");
    load(DeleteProgram, "glDeleteProgram");
    load(UseProgram, "glUseProgram");
    load(GetUniformLocation, "glGetUniformLocation");
    load(Uniform1i, "glUniform1i");
    load(Uniform2f, "glUniform2f");
    load(EnableVertexAttribArray, "glEnableVertexAttribArray");
    load(DisableVertexAttribArray, "glDisableVertexAttribArray");
    load(VertexAttribPointer, "glVertexAttribPointer");
    load(GenBuffers, "glGenBuffers");
    load(DeleteBuffers, "glDeleteBuffers");
    load(BindBuffer, "glBindBuffer");
    load(BufferData, "glBufferData");
    load(ActiveTexture, "glActiveTexture");
    return all;
  }
};

// GLSL ES 1.00, which desktop GLSL 1.10 compiles too once the precision line is left to ES.
constexpr const char* kVertexSource = R"(
attribute vec2 aPosition;
attribute vec2 aTexCoord;
attribute vec4 aColour;
attribute vec4 aMode;
uniform vec2 uSurface;
varying vec2 vTexCoord;
varying vec4 vColour;
varying vec4 vMode;
void main() {
  vTexCoord = aTexCoord;
  vColour = aColour;
  vMode = aMode;
  gl_Position = vec4(aPosition / uSurface * 2.0 - 1.0, 0.0, 1.0);
}
)";
constexpr const char* kFragmentSource = R"(
#ifdef GL_ES
precision mediump float;
#endif
uniform sampler2D uTexture;
varying vec2 vTexCoord;
varying vec4 vColour;
varying vec4 vMode;
void main() {
  vec4 t = texture2D(uTexture, vTexCoord);
  // vMode: x scales the colour, y is a constant alpha, z takes alpha from 1 - texel, w from the
  // texel's alpha.
  gl_FragColor = vec4(t.rgb * vColour.rgb * vMode.x, vMode.y + vMode.z * (1.0 - t.r) + vMode.w * t.a);
}
)";

enum Attribute : GLuint { kPosition = 0, kTexCoord = 1, kColour = 2, kMode = 3 };

struct GpuVertex {
  float x, y;
  float u, v;
  uint8_t colour[4];
  uint8_t mode[4];
};

struct Mode {
  uint8_t m[4];
};
constexpr Mode kReplace{{255, 255, 0, 0}};
constexpr Mode kAdd{{255, 0, 0, 0}};
constexpr Mode kMultiply{{0, 0, 255, 0}};
constexpr Mode kMasked{{255, 0, 0, 255}};

Mode ModeOf(Blend blend) {
  return blend == Blend::Add ? kAdd : blend == Blend::Multiply ? kMultiply : kReplace;
}

// Which parts of each texture do nothing when drawn: the tiles of a 16 x 16 grid over its finest
// level that are all black (an image added, or a combined picture whose mask keeps everything) or
// all white (a mask multiplied). Learnt from the rows as they are uploaded; the pictures are mostly
// empty, and a quad drawn only over the tiles that do something (and their neighbours, for the
// filters' reach) draws the same pixels for a fraction of the work.
class Coverage final : public TextureDevice {
 public:
  static constexpr int kTiles = 16;
  struct Map {
    int width = 0, height = 0;
    int channels = 0;
    bool black[kTiles * kTiles];
    bool white[kTiles * kTiles];
  };

  const Map* Find(uint32_t name) const {
    const auto it = maps_.find(name);
    return it == maps_.end() || it->second.width == 0 ? nullptr : &it->second;
  }

  int MaxTextureSize() override { return gl_.MaxTextureSize(); }
  bool HasLevelControl() override { return gl_.HasLevelControl(); }
  void CreateTextures(int count, uint32_t* names) override { gl_.CreateTextures(count, names); }
  void DeleteTexture(uint32_t name) override {
    maps_.erase(name);
    gl_.DeleteTexture(name);
  }
  void Bind(uint32_t name) override {
    bound_ = name;
    gl_.Bind(name);
  }
  void SetFilters(bool mipmapped) override { gl_.SetFilters(mipmapped); }
  void SetLevelCount(int levels) override { gl_.SetLevelCount(levels); }
  void SetCoarsestLevel(float level) override { gl_.SetCoarsestLevel(level); }
  unsigned AllocateLevel(int level, int width, int height, PixelFormat format) override {
    if (level == 0) maps_.erase(bound_);
    if (level == 0 && width >= kTiles && height >= kTiles) {  // a smaller picture is drawn whole
      Map& m = maps_[bound_];
      m.width = width, m.height = height;
      m.channels = format == PixelFormat::Grey ? 1 : format == PixelFormat::Rgba ? 4 : 3;
      for (int k = 0; k < kTiles * kTiles; ++k) m.black[k] = m.white[k] = true;
    }
    return gl_.AllocateLevel(level, width, height, format);
  }
  void BeginRows() override { gl_.BeginRows(); }
  void Rows(int level, int y, int width, int rows, PixelFormat format, const uint8_t* texels) override {
    gl_.Rows(level, y, width, rows, format, texels);
    if (level != 0) return;
    const auto it = maps_.find(bound_);
    if (it == maps_.end() || it->second.width != width) return;
    Map& m = it->second;
    const size_t c = size_t(m.channels);
    for (int r = 0; r < rows; ++r) {
      const int ty = std::min((y + r) * kTiles / m.height, kTiles - 1);
      const uint8_t* row = texels + size_t(r) * size_t(width) * c;
      for (int tx = 0; tx < kTiles; ++tx) {
        bool& black = m.black[ty * kTiles + tx];
        bool& white = m.white[ty * kTiles + tx];
        if (!black && !white) continue;  // a tile that does something stays so
        const size_t from = size_t(tx * width / kTiles) * c;
        NarrowBlackWhite(row + from, size_t((tx + 1) * width / kTiles) * c - from, black, white);
      }
    }
  }
  void EndRows() override { gl_.EndRows(); }
  unsigned TakeError() override { return gl_.TakeError(); }
  void Empty(PixelFormat format) override {
    maps_.erase(bound_);
    gl_.Empty(format);
  }

 private:
  TextureDevice& gl_ = GlTextureDevice();
  uint32_t bound_ = 0;
  std::map<uint32_t, Map> maps_;
};

// Whether the context's state is read before a list is drawn and put back after it. In the browser
// every query of WebGL's state waits for the GPU process to catch up (measured in headless Chromium:
// nearly all of a frame's time went there); the page's context draws nothing but the lists, so
// there they start from, and leave, the state WebGL starts with, and nothing is read.
#if defined(__EMSCRIPTEN__)
constexpr bool kReadState = false;
#else
constexpr bool kReadState = true;
#endif

// The switches, blend function, clip box and clear colour a list's drawing changes, put back when it
// goes out of scope: from the attribute stack on desktop GL; in WebGL, which has none, as WebGL
// starts (`width` x `height` the clip box it starts with).
class SavedState {
 public:
#if defined(__EMSCRIPTEN__)
  SavedState(int width, int height) : width_(width), height_(height) {}
  ~SavedState() {
    glDisable(GL_BLEND), glDisable(GL_SCISSOR_TEST), glDisable(GL_DEPTH_TEST), glDisable(GL_CULL_FACE);
    glBlendFunc(GL_ONE, GL_ZERO);
    glScissor(0, 0, width_, height_);
    glClearColor(0, 0, 0, 0);
  }

 private:
  int width_, height_;
#else
  SavedState(int, int) { glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT | GL_DEPTH_BUFFER_BIT); }
  ~SavedState() { glPopAttrib(); }
#endif

 public:
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;
};

class Gles2Backend final : public Backend {
 public:
  ~Gles2Backend() override {
    // The context may be gone by now; the names die with it.
  }
  BackendKind Kind() const override { return BackendKind::GLES2; }
  TextureDevice& Textures() override { return coverage_; }
  bool DrawsMaskedPicturesInOnePass() const override { return true; }

  bool SetUp(std::string& error) override {
    if (ready_) return true;
    std::string missing;
    if (!gl_.Load(missing)) {
      error = "this OpenGL has no " + missing + " (GLES2 needs OpenGL 2.0)";
      return false;
    }
    const GLuint vs = Compile(kVertexShader, kVertexSource, error);
    const GLuint fs = vs ? Compile(kFragmentShader, kFragmentSource, error) : 0;
    if (!vs || !fs) return false;
    program_ = gl_.CreateProgram();
    gl_.AttachShader(program_, vs);
    gl_.AttachShader(program_, fs);
    gl_.BindAttribLocation(program_, kPosition, "aPosition");
    gl_.BindAttribLocation(program_, kTexCoord, "aTexCoord");
    gl_.BindAttribLocation(program_, kColour, "aColour");
    gl_.BindAttribLocation(program_, kMode, "aMode");
    gl_.LinkProgram(program_);
    gl_.DeleteShader(vs);
    gl_.DeleteShader(fs);
    GLint linked = 0;
    gl_.GetProgramiv(program_, kLinkStatus, &linked);
    if (!linked) {
      char log[512] = {};
      gl_.GetProgramInfoLog(program_, sizeof log - 1, nullptr, log);
      error = std::string("the shaders did not link: ") + log;
      gl_.DeleteProgram(program_);
      program_ = 0;
      return false;
    }
    surfaceUniform_ = gl_.GetUniformLocation(program_, "uSurface");
    textureUniform_ = gl_.GetUniformLocation(program_, "uTexture");
    gl_.GenBuffers(1, &vertexBuffer_);
    gl_.GenBuffers(1, &indexBuffer_);
    // Untextured shapes sample one white texel.
    glGenTextures(1, &white_);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, white_);
    const uint8_t texel[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    ready_ = true;
    return true;
  }

  void Execute(const DrawList& list) override {
    if (!ready_ || list.commands.empty()) return;
    Build(list);
    if (batches_.empty()) return;

    // The state the drawing changes, put back at the end.
    GLint program = 0, arrayBuffer = 0, elementBuffer = 0, texture = 0, activeTexture = GLint(kTexture0);
    GLint viewport[4] = {0, 0, list.surfaceWidth, list.surfaceHeight};
    if (kReadState) {
      glGetIntegerv(kCurrentProgram, &program);
      glGetIntegerv(kArrayBufferBinding, &arrayBuffer);
      glGetIntegerv(kElementArrayBufferBinding, &elementBuffer);
      glGetIntegerv(kActiveTexture, &activeTexture);
    }
    gl_.ActiveTexture(kTexture0);
    if (kReadState) {
      glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
      glGetIntegerv(GL_VIEWPORT, viewport);
    }
    const SavedState saved(list.surfaceWidth, list.surfaceHeight);

    int width = list.surfaceWidth, height = list.surfaceHeight;
    if (width <= 0 || height <= 0) width = viewport[0] + viewport[2], height = viewport[1] + viewport[3];
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    gl_.UseProgram(program_);
    gl_.Uniform2f(surfaceUniform_, float(width), float(height));
    gl_.Uniform1i(textureUniform_, 0);
    gl_.BindBuffer(kArrayBuffer, vertexBuffer_);
    gl_.BufferData(kArrayBuffer, std::ptrdiff_t(vertices_.size() * sizeof(GpuVertex)), vertices_.data(), kStreamDraw);
    gl_.BindBuffer(kElementArrayBuffer, indexBuffer_);
    gl_.BufferData(kElementArrayBuffer, std::ptrdiff_t(indices_.size() * sizeof(uint16_t)), indices_.data(),
                   kStreamDraw);
    gl_.EnableVertexAttribArray(kPosition);
    gl_.EnableVertexAttribArray(kTexCoord);
    gl_.EnableVertexAttribArray(kColour);
    gl_.EnableVertexAttribArray(kMode);

    uint32_t base = UINT32_MAX;
    for (const Batch& b : batches_) {
      if (b.vertexBase != base) {
        // 16-bit indices (all OpenGL ES 2.0 has) count from the batch's first vertex.
        base = b.vertexBase;
        const GLsizei stride = sizeof(GpuVertex);
        const size_t at = size_t(base) * sizeof(GpuVertex);
        gl_.VertexAttribPointer(kPosition, 2, GL_FLOAT, GL_FALSE, stride,
                                reinterpret_cast<void*>(at + offsetof(GpuVertex, x)));
        gl_.VertexAttribPointer(kTexCoord, 2, GL_FLOAT, GL_FALSE, stride,
                                reinterpret_cast<void*>(at + offsetof(GpuVertex, u)));
        gl_.VertexAttribPointer(kColour, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                                reinterpret_cast<void*>(at + offsetof(GpuVertex, colour)));
        gl_.VertexAttribPointer(kMode, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                                reinterpret_cast<void*>(at + offsetof(GpuVertex, mode)));
      }
      if (b.clipped) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(b.clip.x, b.clip.y, b.clip.w, b.clip.h);
      } else {
        glDisable(GL_SCISSOR_TEST);
      }
      if (b.clear) {
        glClearColor(b.colour.r / 255.0f, b.colour.g / 255.0f, b.colour.b / 255.0f, 0.5f);
        glClear(GL_COLOR_BUFFER_BIT);
        continue;
      }
      glBindTexture(GL_TEXTURE_2D, b.texture);
      glDrawElements(GL_TRIANGLES, GLsizei(b.count), GL_UNSIGNED_SHORT,
                     reinterpret_cast<void*>(size_t(b.first) * sizeof(uint16_t)));
    }

    gl_.DisableVertexAttribArray(kPosition);
    gl_.DisableVertexAttribArray(kTexCoord);
    gl_.DisableVertexAttribArray(kColour);
    gl_.DisableVertexAttribArray(kMode);
    gl_.BindBuffer(kArrayBuffer, static_cast<GLuint>(arrayBuffer));
    gl_.BindBuffer(kElementArrayBuffer, static_cast<GLuint>(elementBuffer));
    gl_.UseProgram(static_cast<GLuint>(program));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    gl_.ActiveTexture(static_cast<GLenum>(activeTexture));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  }

 private:
  struct Batch {
    GLuint texture;
    bool clipped;
    PixelRect clip;
    uint32_t first, count;  // indices
    uint32_t vertexBase;    // the vertex the indices count from
    bool clear = false;     // a clear to `colour` instead of triangles
    Colour colour;
  };
  static constexpr uint32_t kBatchVertices = 65532;

  GLuint Compile(GLenum kind, const char* source, std::string& error) {
    const GLuint shader = gl_.CreateShader(kind);
    gl_.ShaderSource(shader, 1, &source, nullptr);
    gl_.CompileShader(shader);
    GLint compiled = 0;
    gl_.GetShaderiv(shader, kCompileStatus, &compiled);
    if (!compiled) {
      char log[512] = {};
      gl_.GetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
      error = std::string("a shader did not compile: ") + log;
      gl_.DeleteShader(shader);
      return 0;
    }
    return shader;
  }

  // Opens a batch for `c` drawn with `texture`, or continues the last one.
  void Use(const Command& c, GLuint texture) {
    if (!batches_.empty()) {
      Batch& last = batches_.back();
      if (!last.clear && last.texture == texture && last.clipped == c.clipped &&
          vertices_.size() - last.vertexBase < kBatchVertices &&
          (!c.clipped || (last.clip.x == c.clip.x && last.clip.y == c.clip.y && last.clip.w == c.clip.w &&
                          last.clip.h == c.clip.h)))
        return;
    }
    batches_.push_back({texture, c.clipped, c.clip, static_cast<uint32_t>(indices_.size()), 0,
                        static_cast<uint32_t>(vertices_.size()), false, Colour{}});
  }

  void AddQuad(const GpuVertex (&q)[4]) {
    Batch& b = batches_.back();
    if (vertices_.size() - b.vertexBase + 4 > 65536) {
      batches_.push_back({b.texture, b.clipped, b.clip, static_cast<uint32_t>(indices_.size()), 0,
                          static_cast<uint32_t>(vertices_.size()), false, Colour{}});
    }
    const uint32_t base = static_cast<uint32_t>(vertices_.size()) - batches_.back().vertexBase;
    vertices_.insert(vertices_.end(), q, q + 4);
    for (const uint32_t k : {0u, 1u, 3u, 1u, 2u, 3u}) indices_.push_back(static_cast<uint16_t>(base + k));
    batches_.back().count += 6;
  }

  static GpuVertex Gpu(double x, double y, float u, float v, const Colour& colour, const Mode& mode) {
    return GpuVertex{float(x), float(y), u, v, {colour.r, colour.g, colour.b, 255}, {mode.m[0], mode.m[1], mode.m[2], mode.m[3]}};
  }

  void Build(const DrawList& list) {
    vertices_.clear();
    indices_.clear();
    batches_.clear();
    PlanPairs(list);
    for (size_t i = 0; i < list.commands.size(); ++i) {
      const Command& c = list.commands[i];
      if (combinedAt_[i] == kSkip) continue;  // drawn with its pair
      if (c.primitive == Primitive::Clear) {
        // A batch of its own: GL's clear of the clip (or the surface), far cheaper than a quad.
        batches_.push_back({0, c.clipped, c.clip, static_cast<uint32_t>(indices_.size()), 0,
                            static_cast<uint32_t>(vertices_.size()), true, c.colour});
        continue;
      }
      if (c.primitive == Primitive::LineLoop) {
        Use(c, white_);
        const Mode mode = ModeOf(c.blend);
        const double h = c.lineWidth / 2;
        const DrawList::Projector project(list, c);
        for (uint32_t k = 0; k < c.vertexCount; ++k) {
          const DrawList::Point a = project(k), b = project((k + 1) % c.vertexCount);
          // A line covers the pixels whose centres it passes within half its width of, across its
          // major axis.
          double x0, y0, x1, y1;
          if (std::fabs(b.x - a.x) >= std::fabs(b.y - a.y)) {
            x0 = std::fmin(a.x, b.x), x1 = std::fmax(a.x, b.x), y0 = a.y - h, y1 = a.y + h;
          } else {
            y0 = std::fmin(a.y, b.y), y1 = std::fmax(a.y, b.y), x0 = a.x - h, x1 = a.x + h;
          }
          const GpuVertex q[4] = {Gpu(x0, y0, 0, 0, c.colour, mode), Gpu(x1, y0, 0, 0, c.colour, mode),
                                  Gpu(x1, y1, 0, 0, c.colour, mode), Gpu(x0, y1, 0, 0, c.colour, mode)};
          AddQuad(q);
        }
        continue;
      }
      GLuint texture = c.textured ? c.texture : white_;
      Mode mode = ModeOf(c.blend);
      Colour colour = c.colour;
      if (combinedAt_[i] != kSeparate) {
        // The pair's mask and image in one: the mask's quad with the image's colour.
        const Command& mask = list.commands[combinedAt_[i]];
        texture = mask.combinedTexture;
        mode = kMasked;
        colour = list.commands[mask.partner].colour;
      }
      const Command& shape = combinedAt_[i] != kSeparate ? list.commands[combinedAt_[i]] : c;
      Use(shape, texture);
      const Vertex* v = list.vertices.data() + shape.vertexBegin;
      const DrawList::Projector project(list, shape);
      if (shape.vertexCount == 4 && shape.advance == 0 && DrawTiles(shape, project, v, texture, colour, mode)) continue;
      for (uint32_t k = 0; k + 4 <= shape.vertexCount; k += 4) {
        GpuVertex q[4];
        for (uint32_t j = 0; j < 4; ++j) {
          const DrawList::Point p = project(k + j);
          q[j] = Gpu(p.x, p.y, v[k + j].u, v[k + j].v, colour, mode);
        }
        AddQuad(q);
      }
    }
  }

  // A quad of a picture over only the tiles of its texture that change what is below (with their
  // neighbours); false when the quad is not one the tiles apply to (no map, drawn over, texture
  // coordinates not the whole picture along the quad's sides, not a parallelogram on the screen).
  bool DrawTiles(const Command& c, const DrawList::Projector& project, const Vertex* v, GLuint texture,
                 const Colour& colour, const Mode& mode) {
    const bool masked = mode.m[3] != 0, multiply = mode.m[2] != 0;
    if (c.blend == Blend::Replace && !masked) return false;
    const Coverage::Map* map = coverage_.Find(texture);
    if (map == nullptr) return false;
    if (v[1].v != v[0].v || v[3].u != v[0].u || v[2].u != v[1].u || v[2].v != v[3].v || v[1].u == v[0].u ||
        v[3].v == v[0].v)
      return false;
    for (int k = 0; k < 4; ++k)
      if (v[k].u < 0 || v[k].u > 1 || v[k].v < 0 || v[k].v > 1) return false;
    const DrawList::Point p0 = project(0), p1 = project(1), p2 = project(2), p3 = project(3);
    if (std::fabs(p1.x + p3.x - p0.x - p2.x) > 0.01 || std::fabs(p1.y + p3.y - p0.y - p2.y) > 0.01) return false;
    constexpr int n = Coverage::kTiles;
    const bool* idle = multiply ? map->white : map->black;
    bool needed[n * n];
    for (int ty = 0; ty < n; ++ty)
      for (int tx = 0; tx < n; ++tx) {
        bool any = false;
        for (int dy = -1; dy <= 1 && !any; ++dy)
          for (int dx = -1; dx <= 1 && !any; ++dx) {
            const int x = tx + dx, y = ty + dy;
            any = x >= 0 && y >= 0 && x < n && y < n && !idle[y * n + x];
          }
        needed[ty * n + tx] = any;
      }
    Use(c, texture);
    const auto at = [&](double u, double t) {
      const double s = (u - v[0].u) / (v[1].u - v[0].u), r = (t - v[0].v) / (v[3].v - v[0].v);
      return DrawList::Point{p0.x + s * (p1.x - p0.x) + r * (p3.x - p0.x), p0.y + s * (p1.y - p0.y) + r * (p3.y - p0.y)};
    };
    // Each row's runs of needed tiles, cut to the quad's part of the texture.
    const float uLow = std::min(v[0].u, v[1].u), uHigh = std::max(v[0].u, v[1].u);
    const float tLow = std::min(v[0].v, v[3].v), tHigh = std::max(v[0].v, v[3].v);
    for (int ty = 0; ty < n; ++ty) {
      const float t0 = std::max(float(ty) / n, tLow), t1 = std::min(float(ty + 1) / n, tHigh);
      if (!(t0 < t1)) continue;
      for (int tx = 0; tx < n;) {
        if (!needed[ty * n + tx]) {
          ++tx;
          continue;
        }
        int end = tx;
        while (end < n && needed[ty * n + end]) ++end;
        const float u0 = std::max(float(tx) / n, uLow), u1 = std::min(float(end) / n, uHigh);
        tx = end;
        if (!(u0 < u1)) continue;
        // Counter-clockwise as the quad's own corners go.
        const float us[4] = {v[0].u < v[1].u ? u0 : u1, v[0].u < v[1].u ? u1 : u0, 0, 0};
        const float ts[2] = {v[0].v < v[3].v ? t0 : t1, v[0].v < v[3].v ? t1 : t0};
        const float cu[4] = {us[0], us[1], us[1], us[0]}, ct[4] = {ts[0], ts[0], ts[1], ts[1]};
        GpuVertex q[4];
        for (int k = 0; k < 4; ++k) {
          const DrawList::Point p = at(cu[k], ct[k]);
          q[k] = Gpu(p.x, p.y, cu[k], ct[k], colour, mode);
        }
        AddQuad(q);
      }
    }
    return true;
  }

  // Where each masked picture is drawn in one pass. Multiplications commute, and so do additions
  // (short of saturation): a pair whose commands have only additions between them is drawn at the
  // mask's place, one with only multiplications between them at the image's place; otherwise
  // (the pictures interleave) both are drawn as they come.
  void PlanPairs(const DrawList& list) {
    const size_t n = list.commands.size();
    combinedAt_.assign(n, kSeparate);
    for (size_t i = 0; i < n; ++i) {
      const Command& c = list.commands[i];
      if (c.combinedTexture == 0 || c.partner <= i || c.partner >= n || combinedAt_[i] != kSeparate) continue;
      const size_t p = c.partner;
      bool adds = true, multiplies = true;
      for (size_t j = i + 1; j < p; ++j) {
        if (combinedAt_[j] == kSkip) continue;
        const Command& b = list.commands[j];
        const bool multiply = b.primitive == Primitive::Quads && b.blend == Blend::Multiply;
        const bool add = b.primitive == Primitive::Quads && b.blend == Blend::Add && combinedAt_[j] == kSeparate;
        adds = adds && add;
        multiplies = multiplies && multiply && combinedAt_[j] == kSeparate;
      }
      if (adds) {
        combinedAt_[i] = uint32_t(i);
        combinedAt_[p] = kSkip;
      } else if (multiplies) {
        combinedAt_[i] = kSkip;
        combinedAt_[p] = uint32_t(i);
      }
    }
  }
  static constexpr uint32_t kSeparate = UINT32_MAX;
  static constexpr uint32_t kSkip = UINT32_MAX - 1;
  std::vector<uint32_t> combinedAt_;

  Coverage coverage_;
  Gl2 gl_{};
  bool ready_ = false;
  GLuint program_ = 0;
  GLint surfaceUniform_ = -1, textureUniform_ = -1;
  GLuint vertexBuffer_ = 0, indexBuffer_ = 0;
  GLuint white_ = 0;
  std::vector<GpuVertex> vertices_;
  std::vector<uint16_t> indices_;
  std::vector<Batch> batches_;
};

}  // namespace

std::unique_ptr<Backend> MakeGles2Backend() { return std::make_unique<Gles2Backend>(); }

}  // namespace render
