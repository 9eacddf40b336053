// The full layout's attitude area: today's attitude and ILS layers drawn as the full layout's
// rules call for, and the area's flags and texts in the display's font over them.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "pfd/font.h"
#include "pfd/frame_rules.h"
#include "pfd/full_attitude.h"
#include "pfd/layer_quads.h"
#include "pfd/layers.h"

using namespace full_layout;

namespace {

struct Colour {
  uint8_t r, g, b;
};
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kWhite{255, 255, 255};

Colour ColourOfText(TextColour c) {
  const ColourSetting s = ColourOf(c);
  return {s.r, s.g, s.b};
}
const Colour kAmber = ColourOfText(TextColour::Amber);

// Drawing in panel pixels (the full panel's projection current), lines and edges on the window's
// pixels.
class AreaPen {
 public:
  AreaPen(render::DrawList& list, const PanelResources& resources, const PanelLayout& layout)
      : l_(list), r_(resources) {
    sx_ = std::lround(kPanelWidth * layout.scale) / double(kPanelWidth);
    sy_ = std::lround(kPanelHeight * layout.scale) / double(kPanelHeight);
  }

  double SnapX(double x) const { return std::round(x * sx_) / sx_; }
  double SnapY(double y) const { return std::round(y * sy_) / sy_; }

  void Fill(const Box& b, Colour c) const {
    l_.state.textured = false;
    l_.state.blending = false;
    l_.SetColour(c.r, c.g, c.b);
    const float x0 = float(SnapX(b.x0)), y0 = float(SnapY(b.y0)), x1 = float(SnapX(b.x1)), y1 = float(SnapY(b.y1));
    const render::Vertex v[4] = {{x0, y0, 0, 0, 0}, {x1, y0, 0, 0, 0}, {x1, y1, 0, 0, 0}, {x0, y1, 0, 0, 0}};
    l_.Quad(v, true);
    l_.state.textured = true;
  }
  // The outline of a box, one panel pixel (at least one window pixel) inside it.
  void Outline(const Box& b, Colour c) const {
    const double w = std::max(1.0, std::round(sx_)) / sx_, h = std::max(1.0, std::round(sy_)) / sy_;
    const Box s{SnapX(b.x0), SnapY(b.y0), SnapX(b.x1), SnapY(b.y1)};
    Fill({s.x0, s.y0, s.x1, s.y0 + h}, c);
    Fill({s.x0, s.y1 - h, s.x1, s.y1}, c);
    Fill({s.x0, s.y0, s.x0 + w, s.y1}, c);
    Fill({s.x1 - w, s.y0, s.x1, s.y1}, c);
  }

  // The ink of a text in glyph set 1 at `size` times the font's size: its width, and the left
  // edge of its first cell for ink starting at `left` or centred on `centre`.
  static double InkWidth(const std::string& text, double size) {
    return ((double(text.size()) - 1) * kGlyphAdvance + kGlyphWidth * 9 / 16) * size;
  }
  static double CellLeftOfInk(double inkLeft, double size) { return inkLeft - kGlyphWidth / 16 * size; }
  static double CellLeftCentred(const std::string& text, double centre, double size) {
    return CellLeftOfInk(centre - InkWidth(text, size) / 2, size);
  }
  // The cell's lower edge for figures standing on `inkBottom`.
  static double CellBottom(double inkBottom, double size) { return inkBottom - kGlyphBaseline * size; }

  // Text in glyph set 1, its first cell's lower-left corner at (x, y), `size` times the font's size.
  void Text(const std::string& text, double x, double y, Colour c, double size = 1) const {
    std::vector<render::Vertex> quads;
    for (const char ch : text) {
      const int code = static_cast<unsigned char>(ch);
      if (code < 32 || code >= 128) continue;
      render::Vertex quad[4];
      GlyphQuad(code - 32 + 128, quad);
      quads.insert(quads.end(), quad, quad + 4);
    }
    if (quads.empty()) return;
    l_.state.textured = true;
    layers::AddMode(l_);
    l_.SetTexture(r_.FontTexture);
    l_.SetColour(c.r, c.g, c.b);
    const std::vector<render::TransformStep> saved = l_.state.transform;
    l_.LoadIdentity();
    l_.Translate(SnapX(x), SnapY(y), 0);
    l_.Scale(kGlyphWidth / 16 * size, kGlyphHeight / 16 * size, 1);
    l_.Quads(quads.data(), quads.size() / 4, 10.0f, true);
    l_.state.transform = saved;
  }

  // A text on a black plate outlined in its colour, centred on (cx, cy).
  void Plated(const std::string& text, double cx, double cy, Colour c) const {
    const double half = InkWidth(text, 1) / 2;
    const Box plate{cx - half - kFlagMarginX, cy - kFlagHalfHeight, cx + half + kFlagMarginX, cy + kFlagHalfHeight};
    Fill(plate, kBlack);
    Outline(plate, c);
    Text(text, CellLeftCentred(text, cx, 1), cy - kGlyphBaseline - kGlyphCapHeight / 2, c);
  }

 private:
  render::DrawList& l_;
  const PanelResources& r_;
  double sx_ = 1, sy_ = 1;
};

Colour MarkerColour(const std::string& marker) {
  if (marker == "OM") return ColourOfText(TextColour::Blue);
  if (marker == "MM") return kAmber;
  return kWhite;
}

}  // namespace

void DrawFullAttitudePicture(render::DrawList& list, const PanelResources& resources,
                             const FullFrameDescription& frame) {
  const FrameDescription& a = frame.attitude;
  const AttitudeAreaDescription& area = frame.attitudeArea;
  AttitudeLook look;
  look.horizon = look.rollPointer = !a.dataFailed;
  look.rollPointerAmber = area.bankAmber;
  DrawAttitude(list, resources, float(a.pitchOffset), float(a.bank), look);
  DrawIls(list, resources, a.ilsState, float(a.glideSlopeOffset), float(a.localizerOffset), area.glideSlopePointer,
          area.localiserPointer);
}

void DrawFullAttitudeTexts(render::DrawList& list, const PanelResources& resources, const FullFrameDescription& frame,
                           const PanelLayout& layout) {
  const render::ListState saved = list.state;
  const AreaPen pen(list, resources, layout);
  if (frame.attitude.dataFailed) pen.Plated(kFailureFlagText, kAttitudeFlagX, kAttitudeFlagY, kAmber);

  const RadioAltitudeDescription& ra = frame.radioAltitude;
  const double raCentreY = kRadioAltitudeInkBottom + kGlyphCapHeight * kRadioAltitudeSize / 2;
  if (ra.failed) {
    pen.Plated("RA", kRadioAltitudeX, raCentreY, kAmber);
  } else if (!ra.text.empty()) {
    const double half = AreaPen::InkWidth(ra.text, kRadioAltitudeSize) / 2;
    const double m = kRadioAltitudePlateMargin;
    pen.Fill({kRadioAltitudeX - half - m, kRadioAltitudeInkBottom - m, kRadioAltitudeX + half + m,
              kRadioAltitudeInkBottom + kGlyphCapHeight * kRadioAltitudeSize + m},
             kBlack);
    pen.Text(ra.text, AreaPen::CellLeftCentred(ra.text, kRadioAltitudeX, kRadioAltitudeSize),
             AreaPen::CellBottom(kRadioAltitudeInkBottom, kRadioAltitudeSize), kWhite, kRadioAltitudeSize);
  }

  const NavigationDescription& nav = frame.navigation;
  if (!nav.marker.empty()) pen.Plated(nav.marker, kMarkerX, kMarkerY, MarkerColour(nav.marker));
  if (!nav.ilsIdent.empty())
    pen.Text(nav.ilsIdent, AreaPen::CellLeftOfInk(kIlsTextLeft, 1), AreaPen::CellBottom(kIlsIdentInkBottom, 1), kWhite);
  if (!nav.dme.empty()) {
    const std::string dme = "DME " + nav.dme;
    pen.Text(dme, AreaPen::CellLeftOfInk(kIlsTextLeft, 1), AreaPen::CellBottom(kDmeInkBottom, 1), kWhite);
  }
  list.state = saved;
}
