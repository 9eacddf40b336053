// Recording a draw list, and the geometry of its commands on the processor.
#include "render/draw_list.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace render {

namespace {

constexpr double kPi = 3.14159265358979323846;

void Identity(double m[16]) {
  std::memset(m, 0, 16 * sizeof(double));
  m[0] = m[5] = m[10] = m[15] = 1.0;
}

// m = m x n (column-major).
void MultiplyInto(double m[16], const double n[16]) {
  double r[16];
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += m[k * 4 + row] * n[c * 4 + k];
      r[c * 4 + row] = s;
    }
  std::memcpy(m, r, sizeof r);
}

bool SameSteps(const std::vector<TransformStep>& a, const TransformStep* b, uint32_t count) {
  if (a.size() != count) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (a[i].kind != b[i].kind || a[i].x != b[i].x || a[i].y != b[i].y || a[i].z != b[i].z) return false;
  }
  return true;
}

bool SameRect(const PixelRect& a, const PixelRect& b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }

}  // namespace

bool Projection::operator==(const Projection& o) const {
  if (kind != o.kind) return false;
  for (int i = 0; i < 6; ++i)
    if (p[i] != o.p[i]) return false;
  return true;
}

bool View::operator==(const View& o) const { return SameRect(viewport, o.viewport) && projection == o.projection; }

void DrawList::Reset() {
  commands.clear();
  vertices.clear();
  steps.clear();
  views.clear();
}

Command& DrawList::Begin(Primitive primitive) {
  if (views.empty() || !(views.back() == state.view)) views.push_back(state.view);
  const uint32_t view = static_cast<uint32_t>(views.size() - 1);
  Command c;
  c.primitive = primitive;
  c.blend = state.EffectiveBlend();
  c.textured = state.textured && primitive == Primitive::Quads;
  c.texture = c.textured ? state.texture : 0;
  c.colour = state.colour;
  c.floatColour = state.floatColour;
  c.clipped = state.clipped;
  c.clip = state.clip;
  c.view = view;
  // The steps are shared with the command before when they are the same.
  if (!commands.empty() &&
      SameSteps(state.transform, steps.data() + commands.back().stepsBegin, commands.back().stepsCount)) {
    c.stepsBegin = commands.back().stepsBegin;
    c.stepsCount = commands.back().stepsCount;
  } else {
    c.stepsBegin = static_cast<uint32_t>(steps.size());
    c.stepsCount = static_cast<uint32_t>(state.transform.size());
    steps.insert(steps.end(), state.transform.begin(), state.transform.end());
  }
  c.vertexBegin = static_cast<uint32_t>(vertices.size());
  commands.push_back(c);
  return commands.back();
}

size_t DrawList::Quads(const Vertex* v, size_t count, float advance, bool planar) {
  if (count == 0) return commands.size();
  Command& c = Begin(Primitive::Quads);
  c.advance = advance;
  c.planar = planar;
  // Quads without an advance continue the command before when everything else is the same.
  if (advance == 0 && commands.size() >= 2) {
    const Command& p = commands[commands.size() - 2];
    if (p.primitive == Primitive::Quads && p.advance == 0 && p.planar == c.planar && p.blend == c.blend && p.textured == c.textured &&
        p.texture == c.texture && p.colour == c.colour && p.floatColour == c.floatColour && p.clipped == c.clipped &&
        (!c.clipped || SameRect(p.clip, c.clip)) && p.view == c.view && p.stepsBegin == c.stepsBegin &&
        p.stepsCount == c.stepsCount && p.combinedTexture == 0 && !p.partOfPair &&
        p.vertexBegin + p.vertexCount == c.vertexBegin) {
      commands.pop_back();
      commands.back().vertexCount += static_cast<uint32_t>(4 * count);
      vertices.insert(vertices.end(), v, v + 4 * count);
      return commands.size() - 1;
    }
  }
  c.vertexCount = static_cast<uint32_t>(4 * count);
  vertices.insert(vertices.end(), v, v + 4 * count);
  return commands.size() - 1;
}

void DrawList::LineLoop(const Vertex* v, size_t count, float width) {
  if (count < 2) return;
  Command& c = Begin(Primitive::LineLoop);
  c.lineWidth = width;
  c.planar = true;
  c.vertexCount = static_cast<uint32_t>(count);
  vertices.insert(vertices.end(), v, v + count);
}

void DrawList::ClearTo(Colour colour) {
  const Colour kept = state.colour;
  state.colour = colour;
  Begin(Primitive::Clear);
  state.colour = kept;
}

void DrawList::PairMask(size_t mask, size_t image, uint32_t combined) {
  if (combined == 0 || mask >= commands.size() || image >= commands.size() || image <= mask) return;
  if (commands[mask].vertexCount != 4 || commands[image].vertexCount != 4) return;
  commands[mask].partner = static_cast<uint32_t>(image);
  commands[mask].combinedTexture = combined;
  commands[image].partOfPair = true;
}

void ProjectionMatrix(const Projection& projection, double m[16]) {
  Identity(m);
  const double* p = projection.p;
  if (projection.kind == Projection::Perspective) {
    const double f = 1.0 / std::tan(p[0] * kPi / 360.0);
    const double aspect = p[1] != 0 ? p[1] : 1.0;
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (p[3] + p[2]) / (p[2] - p[3]);
    m[11] = -1.0;
    m[14] = 2.0 * p[3] * p[2] / (p[2] - p[3]);
    m[15] = 0.0;
  } else {
    m[0] = 2.0 / (p[1] - p[0]);
    m[5] = 2.0 / (p[3] - p[2]);
    m[10] = -2.0 / (p[5] - p[4]);
    m[12] = -(p[1] + p[0]) / (p[1] - p[0]);
    m[13] = -(p[3] + p[2]) / (p[3] - p[2]);
    m[14] = -(p[5] + p[4]) / (p[5] - p[4]);
  }
}

void TransformMatrix(const TransformStep* steps, size_t count, double m[16]) {
  Identity(m);
  for (size_t i = 0; i < count; ++i) {
    const TransformStep& s = steps[i];
    double n[16];
    Identity(n);
    if (s.kind == TransformStep::Translate) {
      n[12] = s.x, n[13] = s.y, n[14] = s.z;
    } else if (s.kind == TransformStep::Scale) {
      n[0] = s.x, n[5] = s.y, n[10] = s.z;
    } else {
      const double a = double(s.x) * kPi / 180.0;
      n[0] = std::cos(a), n[1] = std::sin(a), n[4] = -std::sin(a), n[5] = std::cos(a);
    }
    MultiplyInto(m, n);
  }
}

DrawList::Projector::Projector(const DrawList& list, const Command& c) : list_(list), c_(c) {
  double t[16];
  ProjectionMatrix(list.views[c.view].projection, m_);
  TransformMatrix(list.steps.data() + c.stepsBegin, c.stepsCount, t);
  MultiplyInto(m_, t);
}

DrawList::Point DrawList::Projector::operator()(size_t k) const {
  const Vertex& v = list_.vertices[c_.vertexBegin + k];
  const double x = v.x + (c_.primitive == Primitive::Quads ? double(c_.advance) * double(k / 4) : 0.0);
  double clip[4];
  for (int row = 0; row < 4; ++row) clip[row] = m_[row] * x + m_[4 + row] * v.y + m_[8 + row] * v.z + m_[12 + row];
  const double w = clip[3] != 0 ? clip[3] : 1.0;
  const PixelRect& vp = list_.views[c_.view].viewport;
  return {vp.x + (clip[0] / w + 1.0) * 0.5 * vp.w, vp.y + (clip[1] / w + 1.0) * 0.5 * vp.h};
}

DrawList::Point DrawList::WindowPoint(const Command& c, size_t k) const { return Projector(*this, c)(k); }

DrawList::Bounds DrawList::WindowBounds(const Command& c) const {
  const Projector project(*this, c);
  Bounds b{1e300, 1e300, -1e300, -1e300};
  for (size_t k = 0; k < c.vertexCount; ++k) {
    const Point p = project(k);
    b.x0 = std::min(b.x0, p.x), b.y0 = std::min(b.y0, p.y);
    b.x1 = std::max(b.x1, p.x), b.y1 = std::max(b.y1, p.y);
  }
  return b;
}

}  // namespace render
