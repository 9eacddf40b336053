// A frame's drawing as data: the panel's drawing code records quads, glyph runs, outlines and
// clears with the state each is drawn in (texture, blend, colour, clip rectangle, viewport and
// projection, and the model transform as the steps that built it), and a backend executes the list.
// Nothing here calls or includes GL, so the drawing code builds for any backend and a test can ask
// where a shape lands without a GL context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

// A rectangle in window pixels, from the window's lower-left corner.
struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
};

// The projection of a view: a perspective (fovy degrees, aspect, near, far) or an orthographic
// box (left, right, bottom, top, near, far).
struct Projection {
  enum Kind : uint8_t { Perspective, Ortho } kind = Perspective;
  double p[6] = {45.0, 1.0, 0.1, 100.0, 0.0, 0.0};
  static Projection PerspectiveOf(double fovy, double aspect, double zNear, double zFar) {
    Projection r;
    r.kind = Perspective;
    r.p[0] = fovy, r.p[1] = aspect, r.p[2] = zNear, r.p[3] = zFar;
    return r;
  }
  static Projection OrthoOf(double l, double r_, double b, double t, double n, double f) {
    Projection r;
    r.kind = Ortho;
    r.p[0] = l, r.p[1] = r_, r.p[2] = b, r.p[3] = t, r.p[4] = n, r.p[5] = f;
    return r;
  }
  bool operator==(const Projection& o) const;
};

// Where drawing goes: the viewport and the projection onto it.
struct View {
  PixelRect viewport;
  Projection projection;
  bool operator==(const View& o) const;
};

// One step of a model transform, applied in order after the identity (a backend that keeps a
// matrix stack replays them; a backend that transforms on the processor multiplies them).
struct TransformStep {
  enum Kind : uint8_t { Translate, Rotate, Scale } kind = Translate;
  float x = 0, y = 0, z = 0;  // Rotate: x degrees about the z axis
};

// How a command's fragments meet what is already drawn.
enum class Blend : uint8_t {
  Replace,   // drawn over
  Multiply,  // a mask: frame buffer x texture colour
  Add,       // an image: texture colour + frame buffer, saturating
};

enum class Primitive : uint8_t {
  Quads,     // four vertices a quad, counter-clockwise
  LineLoop,  // an outline through its vertices, lineWidth pixels wide
  Clear,     // the clip rectangle (or the whole surface) set to the command's colour
};

struct Vertex {
  float x, y, z;  // in the command's model space
  float u, v;     // texture coordinates
};

struct Colour {
  uint8_t r = 255, g = 255, b = 255, a = 255;
  bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

struct Command {
  Primitive primitive = Primitive::Quads;
  Blend blend = Blend::Replace;
  bool textured = false;
  // The colour was given as floats (c / 255) rather than bytes: the same value, set the way the
  // drawing code has always set it.
  bool floatColour = false;
  bool clipped = false;
  uint32_t texture = 0;  // the backend's texture name (0: none bound)
  Colour colour;
  PixelRect clip;
  uint32_t view = 0;                // index into DrawList::views
  uint32_t stepsBegin = 0, stepsCount = 0;  // into DrawList::steps
  uint32_t vertexBegin = 0, vertexCount = 0;
  // Quads only: quad k is drawn moved k x advance along its model x (a run of glyphs).
  float advance = 0;
  // The vertices were given in the plane (x, y; z is 0): a backend that passes vertices on passes
  // two coordinates, as they were given.
  bool planar = false;
  float lineWidth = 1;
  // A mask followed later in the list by the image drawn over the same quad: the image's command
  // index and a texture holding both (image colour, 255 - mask as alpha); 0 when there is none.
  // A backend that draws masked pictures in one pass draws the combined texture here and skips
  // the image's command; one that does not draws both commands as they come.
  uint32_t partner = 0;
  uint32_t combinedTexture = 0;
  bool partOfPair = false;  // an image whose mask carries the combined texture
};

// The state the next command is recorded in, as the drawing code sets it.
struct ListState {
  bool textured = true;
  bool blending = false;
  Blend blendFunction = Blend::Replace;  // the function in force when blending is on
  uint32_t texture = 0;
  Colour colour;
  bool floatColour = false;
  bool clipped = false;
  PixelRect clip;
  View view;
  std::vector<TransformStep> transform;

  Blend EffectiveBlend() const { return blending ? blendFunction : Blend::Replace; }
};

class DrawList {
 public:
  // The surface the list is drawn on, in pixels (a clear without clip covers it).
  int surfaceWidth = 0;
  int surfaceHeight = 0;

  std::vector<Command> commands;
  std::vector<Vertex> vertices;
  std::vector<TransformStep> steps;
  std::vector<View> views;

  // The recording state: the drawing code sets it the way it would set a GL state machine's.
  ListState state;

  // Empties the list (the state stays).
  void Reset();

  // Model transform steps (the identity, then each step in order).
  void LoadIdentity() { state.transform.clear(); }
  void Translate(double x, double y, double z) {
    state.transform.push_back({TransformStep::Translate, float(x), float(y), float(z)});
  }
  void Rotate(double degrees) { state.transform.push_back({TransformStep::Rotate, float(degrees), 0, 0}); }
  void Scale(double x, double y, double z) {
    state.transform.push_back({TransformStep::Scale, float(x), float(y), float(z)});
  }

  void SetTexture(uint32_t texture) { state.texture = texture; }
  void SetColour(uint8_t r, uint8_t g, uint8_t b) {
    state.colour = {r, g, b, 255};
    state.floatColour = false;
  }
  void SetColourFloat(uint8_t r, uint8_t g, uint8_t b) {
    state.colour = {r, g, b, 255};
    state.floatColour = true;
  }
  void Clip(const PixelRect& rect) {
    state.clipped = true;
    state.clip = rect;
  }
  void NoClip() { state.clipped = false; }

  // Quads in the current state: 4 x `count` vertices, quad k moved by k x `advance` along x.
  // Returns the index of the command that holds them.
  // With `planar`, the vertices are points of the plane (z is 0).
  size_t Quads(const Vertex* v, size_t count, float advance = 0, bool planar = false);
  size_t Quad(const Vertex (&v)[4], bool planar = false) { return Quads(v, 1, 0, planar); }
  // A closed outline through `count` points of the plane, `width` pixels wide, untextured.
  void LineLoop(const Vertex* v, size_t count, float width);
  // The clip rectangle (the whole surface when there is none) set to `colour`.
  void ClearTo(Colour colour);

  // Marks the command `mask` (a Multiply quad) and the later command `image` (an Add quad over the
  // same place) as one masked picture, with `combined` the texture holding both (nothing when it
  // is 0 or either command holds more than the one quad).
  void PairMask(size_t mask, size_t image, uint32_t combined);

  // Where vertex `k` of command `c` lands in window pixels (x right, y up from the lower-left
  // corner), computed in double precision from the view and transform steps.
  struct Point {
    double x, y;
  };
  Point WindowPoint(const Command& c, size_t k) const;
  // The same for every vertex of a command, its matrices multiplied once.
  class Projector {
   public:
    Projector(const DrawList& list, const Command& c);
    Point operator()(size_t k) const;

   private:
    const DrawList& list_;
    const Command& c_;
    double m_[16];
  };
  // The box of window pixels a command's vertices span.
  struct Bounds {
    double x0, y0, x1, y1;
  };
  Bounds WindowBounds(const Command& c) const;

 private:
  Command& Begin(Primitive primitive);
};

// A 4 x 4 column-major matrix of the view's projection, and of a command's transform steps.
void ProjectionMatrix(const Projection& projection, double m[16]);
void TransformMatrix(const TransformStep* steps, size_t count, double m[16]);

}  // namespace render
