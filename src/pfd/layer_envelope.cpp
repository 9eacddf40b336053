// The full layout's flight envelope drawn in panel pixels: untextured shapes (filled rectangles and
// lines as quads, opaque) and texts in the display's font.
#include "pfd/layer_envelope.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "pfd/font.h"
#include "pfd/full_layout.h"
#include "pfd/layer_quads.h"
#include "pfd/panel_layout.h"
#include "pfd/panel_quads.h"

using namespace full_layout;

namespace {

struct Colour {
  uint8_t r, g, b;
};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kRed{235, 30, 30};
constexpr Colour kAmber{255, 195, 0};
constexpr Colour kGreen{0, 255, 0};
constexpr double kPi = 3.14159265358979323846;
constexpr double kInkLeft = kGlyphWidth / 16;
constexpr double kInkRight = kGlyphWidth * 10 / 16;

// The slip bar turns about the roll pointer's own centre: its quad's centre seen on the surface.
constexpr double kSurfacePxPerUnitAtDepth1 = (kSurfaceHeight / 2.0) / 0.41421356237;
constexpr double kNeedleX = kClassicOriginX + kSurfaceWidth / 2.0 +
                            double(QuadOf(SlotRollNeedle).x) / double(QuadOf(SlotRollNeedle).depth) * kSurfacePxPerUnitAtDepth1;
constexpr double kNeedleY = kClassicOriginY + kSurfaceHeight / 2.0 +
                            double(QuadOf(SlotRollNeedle).y) / double(QuadOf(SlotRollNeedle).depth) * kSurfacePxPerUnitAtDepth1;
static_assert(kNeedleX - kRollPivotX < 0.1 && kRollPivotX - kNeedleX < 0.1 && kNeedleY - kRollPivotY < 0.1 &&
                  kRollPivotY - kNeedleY < 0.1,
              "the slip bar turns with the roll pointer");

// The panel in the window, as the full layout places it.
class Pen {
 public:
  Pen(render::DrawList& list, const PanelLayout& layout) : l_(list) {
    ox_ = layout.originX;
    oy_ = layout.originY;
    w_ = static_cast<int>(std::lround(kPanelWidth * layout.scale));
    h_ = static_cast<int>(std::lround(kPanelHeight * layout.scale));
    sx_ = double(w_) / kPanelWidth;
    sy_ = double(h_) / kPanelHeight;
  }

  double SnapX(double x) const { return std::round(x * sx_) / sx_; }
  double SnapY(double y) const { return std::round(y * sy_) / sy_; }

  void Clip(const Box& b) const {
    const int x0 = std::max(ox_ + int(std::lround(b.x0 * sx_)), ox_);
    const int y0 = std::max(oy_ + int(std::lround(b.y0 * sy_)), oy_);
    const int x1 = std::min(ox_ + int(std::lround(b.x1 * sx_)), ox_ + w_);
    const int y1 = std::min(oy_ + int(std::lround(b.y1 * sy_)), oy_ + h_);
    l_.Clip({x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)});
  }
  void ClipPanel() const { Clip({0, 0, double(kPanelWidth), double(kPanelHeight)}); }

  // A rectangle, its edges on the window's pixels.
  void Fill(double x0, double y0, double x1, double y1, Colour c) const {
    Shape(c);
    const float fx0 = float(SnapX(x0)), fy0 = float(SnapY(y0)), fx1 = float(SnapX(x1)), fy1 = float(SnapY(y1));
    const render::Vertex v[4] = {{fx0, fy0, 0, 0, 0}, {fx1, fy0, 0, 0, 0}, {fx1, fy1, 0, 0, 0}, {fx0, fy1, 0, 0, 0}};
    l_.Quad(v, true);
    l_.state.textured = true;
  }
  // The outline of a box, `width` thick inside it (at least one window pixel).
  void Outline(double x0, double y0, double x1, double y1, double width, Colour c) const {
    const double wx = std::max(width, 1 / sx_), wy = std::max(width, 1 / sy_);
    Fill(x0, y0, x1, y0 + wy, c);
    Fill(x0, y1 - wy, x1, y1, c);
    Fill(x0, y0, x0 + wx, y1, c);
    Fill(x1 - wx, y0, x1, y1, c);
  }
  // Straight segments between points, `width` thick (at least one window pixel), one command.
  void Lines(const std::vector<std::pair<double, double>>& ends, double width, Colour c) const {
    std::vector<render::Vertex> quads;
    const double half = std::max(width, 1 / std::min(sx_, sy_)) / 2;
    for (size_t i = 0; i + 1 < ends.size(); i += 2) {
      const double x0 = ends[i].first, y0 = ends[i].second, x1 = ends[i + 1].first, y1 = ends[i + 1].second;
      const double len = std::hypot(x1 - x0, y1 - y0);
      if (len <= 0) continue;
      // Across the segment, and along it by half the width so that joined segments meet.
      const double nx = -(y1 - y0) / len * half, ny = (x1 - x0) / len * half;
      const double ex = (x1 - x0) / len * half, ey = (y1 - y0) / len * half;
      const float ax = float(x0 - ex), ay = float(y0 - ey), bx = float(x1 + ex), by = float(y1 + ey);
      quads.push_back({float(ax + nx), float(ay + ny), 0, 0, 0});
      quads.push_back({float(ax - nx), float(ay - ny), 0, 0, 0});
      quads.push_back({float(bx - nx), float(by - ny), 0, 0, 0});
      quads.push_back({float(bx + nx), float(by + ny), 0, 0, 0});
    }
    if (quads.empty()) return;
    Shape(c);
    l_.Quads(quads.data(), quads.size() / 4, 0, true);
    l_.state.textured = true;
  }
  // A closed outline through the points.
  void Loop(std::vector<std::pair<double, double>> points, double width, Colour c) const {
    std::vector<std::pair<double, double>> ends;
    for (size_t i = 0; i < points.size(); ++i) {
      ends.push_back(points[i]);
      ends.push_back(points[(i + 1) % points.size()]);
    }
    Lines(ends, width, c);
  }

  // Text in the display's font, the lower-left corner of its first glyph cell at (x, y).
  void Text(const PanelResources& r, const std::string& text, double x, double y, Colour c) const {
    std::vector<render::Vertex> quads;
    for (const char ch : text) {
      const int glyph = static_cast<unsigned char>(ch) - 32 + 128;
      if (glyph < 128 || glyph >= 256) continue;
      render::Vertex quad[4];
      GlyphQuad(glyph, quad);
      quads.insert(quads.end(), quad, quad + 4);
    }
    if (quads.empty()) return;
    l_.state.textured = true;
    layers::AddMode(l_);
    l_.SetTexture(r.FontTexture);
    l_.SetColour(c.r, c.g, c.b);
    const std::vector<render::TransformStep> saved = l_.state.transform;
    l_.LoadIdentity();
    l_.Translate(SnapX(x), SnapY(y), 0);
    l_.Scale(kGlyphWidth / 16, kGlyphHeight / 16, 1);
    l_.Quads(quads.data(), quads.size() / 4, 10.0f, true);
    l_.state.transform = saved;
  }
  // Text centred on (cx, cy) (its capitals' middle), on a black plate when `plate`.
  void CentredText(const PanelResources& r, const std::string& text, double cx, double cy, Colour c,
                   bool plate) const {
    const double ink = (double(text.size()) - 1) * kGlyphAdvance + kInkLeft + kInkRight;
    const double x = cx - ink / 2;
    if (plate) Fill(x + kInkLeft - 2, cy - kGlyphCapHeight / 2 - 2, x + ink + 2 - kInkLeft, cy + kGlyphCapHeight / 2 + 2, kBlack);
    Text(r, text, x, cy - kGlyphBaseline - kGlyphCapHeight / 2, c);
  }

 private:
  void Shape(Colour c) const {
    l_.state.textured = false;
    l_.state.blending = false;
    l_.SetColour(c.r, c.g, c.b);
  }

  render::DrawList& l_;
  int ox_ = 0, oy_ = 0, w_ = 0, h_ = 0;
  double sx_ = 1, sy_ = 1;
};

// Red and black blocks along the tape's right edge from `fromY` to `toY` (either way), starting red.
void BarberPole(const Pen& pen, double fromY, double toY) {
  const double x0 = kSpeedTape.x1 - kBandWidth, x1 = kSpeedTape.x1;
  const double dir = toY > fromY ? 1 : -1;
  int k = 0;
  for (double y = fromY; dir * (toY - y) > 0 && k < 200; y += dir * kBandBlock, ++k) {
    const double end = dir > 0 ? std::min(y + kBandBlock, toY) : std::max(y - kBandBlock, toY);
    pen.Fill(x0, std::min(y, end), x1, std::max(y, end), k % 2 == 0 ? kRed : kBlack);
  }
}

}  // namespace

void DrawSpeedBands(render::DrawList& list, const EnvelopeDescription& e, const PanelLayout& layout) {
  const Pen pen(list, layout);
  // Beyond the tape's ends the clip cuts them; drawn no further than a block past them.
  const double top = kSpeedTape.y1 + kBandBlock, bottom = kSpeedTape.y0 - kBandBlock;
  if (e.maximum.shown) BarberPole(pen, std::clamp(kCentreY + e.maximum.fromPx, bottom, top), top);
  if (e.stall.shown) BarberPole(pen, std::clamp(kCentreY + e.stall.fromPx, bottom, top), bottom);
  if (e.manoeuvreBarShown) {
    const double y1 = std::clamp(kCentreY + e.manoeuvreFromPx, bottom, top);
    const double y0 = std::clamp(kCentreY + e.stall.fromPx, bottom, top);
    if (y1 > y0) pen.Outline(kManoeuvreBarX0, y0, kManoeuvreBarX1, y1, 1.0, kAmber);
  }
}

void DrawMinimumsMarker(render::DrawList& list, const EnvelopeDescription& e, const PanelLayout& layout) {
  if (!e.baroMarkerShown) return;
  const Pen pen(list, layout);
  const double y = kCentreY + e.baroMarkerPx;
  if (y < kAltitudeTape.y0 - 4 || y > kAltitudeTape.y1 + 4) return;
  // A green line across the tape with a pointer on its edge.
  pen.Lines({{kAltitudeTape.x0, y}, {kAltitudeTape.x1, y}}, 2.0, kGreen);
  pen.Loop({{kAltitudeTape.x0, y}, {kAltitudeTape.x0 + 8, y + 5}, {kAltitudeTape.x0 + 8, y - 5}}, 1.4, kGreen);
}

void DrawEnvelopePanel(render::DrawList& list, const PanelResources& r, const EnvelopeDescription& e,
                       const PanelLayout& layout) {
  const Pen pen(list, layout);
  pen.ClipPanel();
  if (!e.minimumsText.empty())
    pen.CentredText(r, e.minimumsText, kAltitudeTape.CentreX(), kMinimumsTextY + kGlyphBaseline + kGlyphCapHeight / 2,
                    kGreen, false);
  if (e.magShown)
    pen.Text(r, "MAG", kMagTextX - kInkLeft, kHeadingBox.CentreY() - kGlyphBaseline - kGlyphCapHeight / 2, kGreen);
  if (e.trackShown) {
    // Below the attitude's crop and the heading box's lubber line, from inside the card to its ticks.
    pen.Clip({0, 0, double(kPanelWidth), std::min(kClassicCrop.y0, kHeadingBoxArt.y0)});
    const double a = e.trackOffsetDeg * kPi / 180, s = std::sin(a), c = std::cos(a);
    auto at = [&](double radius, double across) {
      return std::pair<double, double>{kRoseCentreX + radius * s + across * c, kRoseCentreY + radius * c - across * s};
    };
    pen.Lines({at(kTrackLineInner, 0), at(kRoseOuterRadius, 0), at(kTrackBarRadius, -kTrackBarHalf),
               at(kTrackBarRadius, kTrackBarHalf)},
              1.6, kWhite);
    pen.ClipPanel();
  }
}

void DrawEnvelopeAttitude(render::DrawList& list, const PanelResources& r, const EnvelopeDescription& e, double bankDeg,
                          const PanelLayout& layout) {
  const Pen pen(list, layout);
  pen.Clip(kClassicCrop);
  if (e.runwayShown) {
    // A trapezoid rising to the aircraft symbol, its stem down to the attitude area's foot.
    const double cx = kSymbolX + e.runwayRightPx, top = kCentreY - e.runwayTopPx;
    const double bottom = top - kRunwayHeight;
    pen.Loop({{cx - kRunwayHalfTop, top}, {cx + kRunwayHalfTop, top}, {cx + kRunwayHalfBottom, bottom},
              {cx - kRunwayHalfBottom, bottom}},
             1.5, kGreen);
    pen.Lines({{cx, bottom}, {cx, kCentreY - kRunwayLowestPx - kRunwayHeight - 6}}, 1.5, kGreen);
  }
  if (e.slipShown) {
    // Turned with the roll pointer (the bank of today's picture: a right bank turns it anticlockwise).
    const double a = -bankDeg * kPi / 180, s = std::sin(a), c = std::cos(a);
    auto at = [&](double across, double radius) {
      return std::pair<double, double>{kRollPivotX + across * c - radius * s, kRollPivotY + across * s + radius * c};
    };
    const double x = e.slipOffsetPx, r0 = kSlipBarRadius - kSlipBarHalfHeight, r1 = kSlipBarRadius + kSlipBarHalfHeight;
    const std::vector<std::pair<double, double>> bar = {at(x - kSlipBarHalfWidth, r0), at(x + kSlipBarHalfWidth, r0),
                                                        at(x + kSlipBarHalfWidth, r1), at(x - kSlipBarHalfWidth, r1)};
    if (e.slipFull) {
      std::vector<render::Vertex> v;
      for (const auto& p : bar) v.push_back({float(p.first), float(p.second), 0, 0, 0});
      list.state.textured = false;
      list.state.blending = false;
      list.SetColour(kAmber.r, kAmber.g, kAmber.b);
      list.Quads(v.data(), 1, 0, true);
      list.state.textured = true;
    }
    pen.Loop(bar, 1.2, e.slipFull ? kAmber : kWhite);
  }
  if (e.fpvShown) {
    // In the pitch scale's frame, which turns with the bank as the horizon does.
    const double a = -bankDeg * kPi / 180, s = std::sin(a), c = std::cos(a);
    const double cx = kSymbolX + e.fpvRightPx * c - e.fpvUpPx * s, cy = kCentreY + e.fpvRightPx * s + e.fpvUpPx * c;
    std::vector<std::pair<double, double>> circle;
    for (int k = 0; k < 16; ++k)
      circle.push_back({cx + kFpvRadius * std::cos(k * kPi / 8), cy + kFpvRadius * std::sin(k * kPi / 8)});
    pen.Loop(circle, 1.6, kWhite);
    pen.Lines({{cx - kFpvRadius - kFpvWing, cy}, {cx - kFpvRadius, cy}, {cx + kFpvRadius, cy},
               {cx + kFpvRadius + kFpvWing, cy}, {cx, cy + kFpvRadius}, {cx, cy + kFpvRadius + kFpvFin}},
              1.6, kWhite);
  }
  if (e.minimumsAlert)
    pen.CentredText(r, "MINIMUMS", e.minimumsAbove ? kSymbolX : kMinimumsAlertX,
                    e.minimumsAbove ? kMinimumsAboveY : kMinimumsAlertY, kAmber, true);
  pen.ClipPanel();
}
