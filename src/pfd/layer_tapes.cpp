// The full layout's drawing: today's picture in an offset viewport cut to its crop, then the
// speed and altitude tapes, the vertical speed, the heading card and the mode annunciator in an
// orthographic projection in panel pixels. Lines and ticks are snapped to the window's pixels and
// sized in panel pixels times the scale, so the picture is sharp at any scale; the shapes that are
// not upright rectangles come from the full layout's textures.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pfd/frame_draw.h"
#include "pfd/full_attitude.h"
#include "pfd/full_frame_draw.h"
#include "pfd/layer_quads.h"
#include "pfd/font.h"
#include "pfd/layer_envelope.h"
#include "pfd/layers.h"
#include "platform/system.h"

using namespace full_layout;

namespace {

struct Colour {
  uint8_t r, g, b;
};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kMagenta{255, 40, 255};
constexpr Colour kGreen{0, 255, 0};
constexpr Colour kAmber{255, 195, 0};
constexpr Colour kScaleGrey{60, 64, 74};
constexpr Colour kBoxGrey{110, 116, 128};

// Pixels of a glyph cell: ink from 0.78 to 7.8 pixels of its 12.5 (columns 1-9 of 16), a digit's
// or capital's from kGlyphBaseline to kGlyphBaseline + kGlyphCapHeight.
constexpr double kInkLeft = kGlyphInkLeft;
constexpr double kInkRight = kGlyphInkRight;

// The full panel in the window.
struct Placement {
  int ox = 0, oy = 0;  // the panel's lower-left corner in window pixels
  int w = 0, h = 0;    // its size in window pixels
  double sx = 1, sy = 1;  // window pixels per panel pixel
};

Placement PlaceOf(const PanelLayout& layout) {
  Placement p;
  p.ox = layout.originX;
  p.oy = layout.originY;
  p.w = static_cast<int>(std::lround(kPanelWidth * layout.scale));
  p.h = static_cast<int>(std::lround(kPanelHeight * layout.scale));
  p.sx = double(p.w) / kPanelWidth;
  p.sy = double(p.h) / kPanelHeight;
  return p;
}

// Drawing in panel pixels with the panel's textures and font.
class Painter {
 public:
  Painter(render::DrawList& l, const PanelResources& r, const FullLayoutTextures& t, const Placement& p)
      : l_(&l), r_(r), t_(t), p_(p) {}

  const Placement& place() const { return p_; }
  render::DrawList& list() const { return *l_; }

  double SnapX(double x) const { return std::round(x * p_.sx) / p_.sx; }
  double SnapY(double y) const { return std::round(y * p_.sy) / p_.sy; }

  // The orthographic projection over the whole panel.
  void PanelProjection() const {
    l_->state.view.viewport = {p_.ox, p_.oy, p_.w, p_.h};
    l_->state.view.projection = render::Projection::OrthoOf(0, kPanelWidth, 0, kPanelHeight, -1, 1);
    l_->LoadIdentity();
    Clip({0, 0, double(kPanelWidth), double(kPanelHeight)});
  }

  // Drawing is cut to this box of the panel (and to the panel).
  void Clip(const Box& b) const {
    const int x0 = std::max(p_.ox + int(std::lround(b.x0 * p_.sx)), p_.ox);
    const int y0 = std::max(p_.oy + int(std::lround(b.y0 * p_.sy)), p_.oy);
    const int x1 = std::min(p_.ox + int(std::lround(b.x1 * p_.sx)), p_.ox + p_.w);
    const int y1 = std::min(p_.oy + int(std::lround(b.y1 * p_.sy)), p_.oy + p_.h);
    l_->Clip({x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)});
  }

  // An untextured rectangle, its edges on the window's pixels.
  void Fill(double x0, double y0, double x1, double y1, Colour c) const {
    FillExact(SnapX(x0), SnapY(y0), SnapX(x1), SnapY(y1), c);
  }

  // A horizontal line `width` panel pixels thick (at least one window pixel) centred on y.
  void HLine(double x0, double x1, double y, double width, Colour c) const {
    const double n = std::max(1.0, std::round(width * p_.sy));
    const double bottom = std::round(y * p_.sy - n / 2);
    FillExact(SnapX(x0), bottom / p_.sy, SnapX(x1), (bottom + n) / p_.sy, c);
  }
  void VLine(double x, double y0, double y1, double width, Colour c) const {
    const double n = std::max(1.0, std::round(width * p_.sx));
    const double left = std::round(x * p_.sx - n / 2);
    FillExact(left / p_.sx, SnapY(y0), (left + n) / p_.sx, SnapY(y1), c);
  }
  // The outline of a box, `width` thick inside it.
  void Outline(const Box& b, double width, Colour c) const {
    HLine(b.x0, b.x1, b.y0 + width / 2, width, c);
    HLine(b.x0, b.x1, b.y1 - width / 2, width, c);
    VLine(b.x0 + width / 2, b.y0, b.y1, width, c);
    VLine(b.x1 - width / 2, b.y0, b.y1, width, c);
  }

  // Text in the display's font, the lower-left corner of its first glyph cell at (x, y).
  void Text(const std::string& text, int set, double x, double y, Colour c) const {
    std::vector<render::Vertex> quads;
    for (const char ch : text) {
      const int code = static_cast<unsigned char>(ch);
      if (code < 32 || code >= 128) continue;
      render::Vertex quad[4];
      const int glyph = code - 32 + 128 * set;
      if (glyph < 0 || glyph >= 256) continue;
      GlyphQuad(glyph, quad);
      quads.insert(quads.end(), quad, quad + 4);
    }
    if (quads.empty()) return;
    render::DrawList& l = *l_;
    l.state.textured = true;
    layers::AddMode(l);
    l.SetTexture(r_.FontTexture);
    l.SetColour(c.r, c.g, c.b);
    const std::vector<render::TransformStep> saved = l.state.transform;
    l.LoadIdentity();
    l.Translate(SnapX(x), SnapY(y), 0);
    l.Scale(kGlyphWidth / 16, kGlyphHeight / 16, 1);
    l.Quads(quads.data(), quads.size() / 4, 10.0f, true);
    l.state.transform = saved;
  }
  // The x of a text's cell whose ink ends at `right`, starts at `left` or is centred on `centre`.
  static double RightAligned(const std::string& text, double right) {
    return right - (double(text.size()) - 1) * kGlyphAdvance - kInkRight;
  }
  static double LeftAligned(double left) { return left - kInkLeft; }
  static double Centred(const std::string& text, double centre) {
    return centre - ((double(text.size()) - 1) * kGlyphAdvance + kInkLeft + kInkRight) / 2;
  }
  // The y of a cell whose digits are centred on `centre`.
  static double Middle(double centre) { return centre - kGlyphBaseline - kGlyphCapHeight / 2; }

  // A texture over a box: a mask multiplied (cutting its black shape out of what is below), an
  // image added in a colour, or a mask and its image at one place.
  void Cut(int mask, const Box& b, bool flipX = false, bool flipY = false) const {
    Textured(mask, b, flipX, flipY, kWhite, true);
  }
  void Add(int image, const Box& b, Colour c, bool flipX = false, bool flipY = false) const {
    Textured(image, b, flipX, flipY, c, false);
  }
  void CutAndAdd(int mask, int image, const Box& b, Colour c, bool flipX = false, bool flipY = false) const {
    const size_t maskCommand = Textured(mask, b, flipX, flipY, kWhite, true);
    const size_t imageCommand = Textured(image, b, flipX, flipY, c, false);
    if (maskCommand != kNone && imageCommand != kNone) l_->PairMask(maskCommand, imageCommand, t_.combined[image]);
  }
  bool Has(int slot) const { return t_.names[slot] != 0; }
  void Bind(int slot) const { l_->SetTexture(t_.names[slot]); }

  // An amber failure flag on a black plate with an amber outline, centred on (cx, cy).
  void Flag(const std::string& text, double cx, double cy) const {
    const double x = Centred(text, cx);
    const Box plate{x + kInkLeft - 4, cy - 9, x + (double(text.size()) - 1) * kGlyphAdvance + kInkRight + 4, cy + 9};
    Fill(plate.x0, plate.y0, plate.x1, plate.y1, Colour{0, 0, 0});
    Outline(plate, 1.0, kAmber);
    Text(text, 1, x, Middle(cy), kAmber);
  }

 private:
  static constexpr size_t kNone = ~size_t{0};

  void FillExact(double x0, double y0, double x1, double y1, Colour c) const {
    render::DrawList& l = *l_;
    l.state.textured = false;
    l.state.blending = false;
    l.SetColour(c.r, c.g, c.b);
    const float fx0 = float(x0), fy0 = float(y0), fx1 = float(x1), fy1 = float(y1);
    const render::Vertex v[4] = {{fx0, fy0, 0, 0, 0}, {fx1, fy0, 0, 0, 0}, {fx1, fy1, 0, 0, 0}, {fx0, fy1, 0, 0, 0}};
    l.Quad(v, true);
    l.state.textured = true;
  }

  size_t Textured(int slot, const Box& b, bool flipX, bool flipY, Colour c, bool mask) const {
    if (!Has(slot)) return kNone;
    render::DrawList& l = *l_;
    l.state.textured = true;
    if (mask)
      layers::MultiplyMode(l);
    else
      layers::AddMode(l);
    Bind(slot);
    l.SetColour(c.r, c.g, c.b);
    const float s0 = flipX ? 1 : 0, s1 = flipX ? 0 : 1, t0 = flipY ? 1 : 0, t1 = flipY ? 0 : 1;
    const float x0 = float(b.x0), y0 = float(b.y0), x1 = float(b.x1), y1 = float(b.y1);
    const render::Vertex v[4] = {{x0, y0, 0, s0, t0}, {x1, y0, 0, s1, t0}, {x1, y1, 0, s1, t1}, {x0, y1, 0, s0, t1}};
    return l.Quad(v, true);
  }

  render::DrawList* l_;
  const PanelResources& r_;
  const FullLayoutTextures& t_;
  Placement p_;
};

Box Shifted(const Box& b, double dx, double dy) { return {b.x0 + dx, b.y0 + dy, b.x1 + dx, b.y1 + dy}; }
Box MirroredX(const Box& b) { return {-b.x1, b.y0, -b.x0, b.y1}; }
Box Grown(const Box& b, double by) { return {b.x0 - by, b.y0 - by, b.x1 + by, b.y1 + by}; }
bool Overlap(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

// The ink of a text whose first glyph cell's lower-left corner is at (x, y): its digits' and
// capitals' height, from the first glyph's ink to the last's.
Box InkOf(const std::string& text, double x, double y) {
  return {x + kInkLeft, y + kGlyphBaseline, x + (double(text.size()) - 1) * kGlyphAdvance + kInkRight,
          y + kGlyphBaseline + kGlyphCapHeight};
}

// A bug whose notch rides on a vertical scale edge at x, `offsetPx` from the centre line; it
// reaches right of x (or left when `leftOfEdge`).
void DrawBug(const Painter& p, double x, double offsetPx, bool leftOfEdge) {
  const double y = p.SnapY(kCentreY + offsetPx);
  const Box art = leftOfEdge ? MirroredX(kBugArt) : kBugArt;
  p.CutAndAdd(FullSlotBugMask, FullSlotBug, Shifted(art, p.SnapX(x), y), kMagenta, leftOfEdge);
}

// The drum digits of a readout, right-aligned in its window, cut to it.
void DrawDrum(const Painter& p, const RollingReadout& readout, const Box& window) {
  p.Clip(window);
  const int nearest = static_cast<int>(std::floor(readout.drum));
  for (int row = nearest - 2; row <= nearest + 3; ++row) {
    const double y = kCentreY + readout.RowOffset(row) * kDrumPitch;
    if (y < window.y0 - kGlyphHeight || y > window.y1 + kGlyphHeight) continue;
    const std::string label = readout.DrumLabel(row);
    p.Text(label, 1, Painter::RightAligned(label, window.x1 - 0.5), Painter::Middle(y), kWhite);
  }
  p.Clip({0, 0, double(kPanelWidth), double(kPanelHeight)});
}

// What sets the two tapes apart: their place, flag, ticks' side and length, readout box and drum.
struct TapeArt {
  Box tape;
  const char* flag;
  bool ticksOnLeft;  // the altitude tape's ticks and bug stand on its left edge, the speed tape's on its right
  double tickShort, tickLong;
  int boxMask, box;
  Box boxArt, drum;
  Box readoutBox, drumWindow;  // the readout box's shape: no label's ink comes within its outline
};

// The digits left of the drum, right-aligned against it in the readout box. While the drum turns
// from its last row to the next turn's row 0 they turn with it, each digit that changes rolling
// from the one value to the next (149.4 kt: the 4 leaving upwards, the 5 coming in from below),
// cut to the box.
void DrawFixedDigits(const Painter& p, const RollingReadout& r, const Box& box, const Box& drum) {
  const double right = drum.x0 - 0.5;
  if (r.carry <= 0) {
    if (!r.fixed.empty()) p.Text(r.fixed, 1, Painter::RightAligned(r.fixed, right), Painter::Middle(kCentreY), kWhite);
    return;
  }
  const int last = static_cast<int>(std::floor(r.drum));
  const auto fixedOf = [&r](int row) {
    const std::string reads = r.RowReads(row);
    return reads.substr(0, reads.size() - std::min(reads.size(), size_t(r.drumDigits)));
  };
  const std::string leaving = fixedOf(last), coming = fixedOf(last + 1);
  const double leavingY = kCentreY + r.RowOffset(last) * kDrumPitch;
  const double comingY = kCentreY + r.RowOffset(last + 1) * kDrumPitch;
  p.Clip({box.x0, box.y0, drum.x0, box.y1});
  const size_t n = std::max(leaving.size(), coming.size());
  for (size_t i = 0; i < n; ++i) {  // from the right
    const char a = i < leaving.size() ? leaving[leaving.size() - 1 - i] : ' ';
    const char b = i < coming.size() ? coming[coming.size() - 1 - i] : ' ';
    const double x = Painter::RightAligned("0", right - double(i) * kGlyphAdvance);
    if (a == b) {
      p.Text(std::string(1, a), 1, x, Painter::Middle(kCentreY), kWhite);
      continue;
    }
    p.Text(std::string(1, a), 1, x, Painter::Middle(leavingY), kWhite);
    p.Text(std::string(1, b), 1, x, Painter::Middle(comingY), kWhite);
  }
  p.Clip({0, 0, double(kPanelWidth), double(kPanelHeight)});
}

// A tape: the selected value above it and `belowText` under it, the flag in place of the rest when
// failed, else its background, the marks (labels placed by `labelX`), `insideTape` drawn within the
// tape's clip, the selected-value bug, the readout box and its rolling digits.
template <class Description, class LabelX, class InsideTape>
void DrawTape(const Painter& p, const TapeArt& a, const Description& d, const std::string& belowText, LabelX labelX,
              InsideTape insideTape, Colour boxColour = kWhite) {
  const Box& tape = a.tape;
  if (!d.selectedText.empty())
    p.Text(d.selectedText, 1, Painter::Centred(d.selectedText, tape.CentreX()), kAboveTapeTextY, kMagenta);
  if (!belowText.empty()) p.Text(belowText, 1, Painter::Centred(belowText, tape.CentreX()), kBelowTapeTextY, kWhite);
  // Failed, the whole instrument gives way to its flag (the selected value is a value of its own).
  if (d.failed) {
    p.Flag(a.flag, tape.CentreX(), kCentreY);
    return;
  }
  p.Fill(tape.x0, tape.y0, tape.x1, tape.y1, kScaleGrey);
  const double edge = a.ticksOnLeft ? tape.x0 : tape.x1;
  // A label whose ink would come within a pixel of the readout box's outline is left out.
  const Box clearOf[2] = {Grown(a.readoutBox, kBoxLine + 1), Grown(a.drumWindow, kBoxLine + 1)};
  p.Clip(tape);
  for (const TapeMark& m : d.marks) {
    const double y = kCentreY + m.offsetPx;
    const double len = m.label.empty() ? a.tickShort : a.tickLong;
    p.HLine(a.ticksOnLeft ? edge : edge - len, a.ticksOnLeft ? edge + len : edge, y, kTickWidth, kWhite);
    if (m.label.empty()) continue;
    const double x = labelX(m.label);
    const Box ink = InkOf(m.label, x, Painter::Middle(y));
    if (Overlap(ink, clearOf[0]) || Overlap(ink, clearOf[1])) continue;
    p.Text(m.label, 0, x, Painter::Middle(y), kWhite);
  }
  insideTape();
  p.Clip({0, 0, double(kPanelWidth), double(kPanelHeight)});
  if (d.selectedBug.shown) DrawBug(p, edge, d.selectedBug.offsetPx, a.ticksOnLeft);
  p.CutAndAdd(a.boxMask, a.box, a.boxArt, boxColour);
  DrawFixedDigits(p, d.readout, a.readoutBox, a.drum);
  DrawDrum(p, d.readout, a.drum);
}

void DrawSpeedTape(const Painter& p, const SpeedTapeDescription& d, const EnvelopeDescription& envelope,
                   const PanelLayout& layout) {
  static const TapeArt kArt{kSpeedTape,       "SPD",        false,      kSpeedTickShort, kSpeedTickLong,
                            FullSlotSpeedBoxMask, FullSlotSpeedBox, kSpeedBoxArt, kSpeedDrum, kSpeedBox,
                            kSpeedDrumWindow};
  const auto labelX = [](const std::string& label) { return Painter::RightAligned(label, kSpeedLabelRight); };
  DrawTape(p, kArt, d, d.machText, labelX, [&] {
    DrawSpeedBands(p.list(), envelope, layout);
    if (!d.trendShown) return;
    // However small the trend, the arrow keeps a shaft behind its head.
    const double up = d.trendOffsetPx > 0 ? 1 : -1;
    const double length = std::max(std::fabs(d.trendOffsetPx), kTrendHeadLength + kTrendMinShaft);
    const double tip = kCentreY + up * length;
    // Along the tape's edge, the head whole across it (cut only at the tape's ends).
    p.Clip({kSpeedTape.x0, kSpeedTape.y0, kSpeedTrendX - kTrendHeadArt.x0, kSpeedTape.y1});
    p.VLine(kSpeedTrendX, std::min(kCentreY, tip - 6 * up), std::max(kCentreY, tip - 6 * up), 1.6, kGreen);
    const Box head = up > 0 ? kTrendHeadArt : Box{kTrendHeadArt.x0, -kTrendHeadArt.y1, kTrendHeadArt.x1, -kTrendHeadArt.y0};
    p.CutAndAdd(FullSlotTrendHeadMask, FullSlotTrendHead, Shifted(head, p.SnapX(kSpeedTrendX), p.SnapY(tip)), kGreen,
                false, up < 0);
  }, envelope.readoutWarning ? Colour{235, 30, 30} : kWhite);
}

void DrawAltitudeTape(const Painter& p, const AltitudeTapeDescription& d, const EnvelopeDescription& envelope,
                      const PanelLayout& layout) {
  static const TapeArt kArt{kAltitudeTape,   "ALT",      true,        kAltitudeTickShort, kAltitudeTickLong,
                            FullSlotAltitudeBoxMask, FullSlotAltitudeBox, kAltitudeBoxArt, kAltitudeDrum,
                            kAltitudeBox,    kAltitudeDrumWindow};
  const auto labelX = [](const std::string&) { return Painter::LeftAligned(kAltitudeLabelLeft); };
  DrawTape(p, kArt, d, d.altimeterText, labelX, [&] { DrawMinimumsMarker(p.list(), envelope, layout); });
  // The altitude alert: the selected altitude outlined, white approaching it, amber having left it.
  if (d.alert != AltitudeAlert::None && !d.selectedText.empty()) {
    const double x = Painter::Centred(d.selectedText, kAltitudeTape.CentreX());
    p.Outline(Grown(InkOf(d.selectedText, x, kAboveTapeTextY), kAltitudeAlertPad), kBoxLine,
              d.alert == AltitudeAlert::Deviation ? kAmber : kWhite);
  }
}

void DrawVerticalSpeed(const Painter& p, const VerticalSpeedDescription& d) {
  const Box& s = kVerticalSpeedScale;
  // Failed, the whole instrument gives way to its flag.
  if (d.failed) {
    p.Flag("V/S", s.CentreX(), kCentreY);
    return;
  }
  p.Fill(s.x0, s.y0, s.x1, s.y1, kScaleGrey);
  struct Mark {
    double fpm;
    bool major;
    const char* label;
  };
  static const Mark kMarks[] = {{500, false, ""},  {1000, true, "1"},  {1500, false, ""},
                                {2000, true, "2"}, {4000, false, ""}, {6000, true, "6"}};
  p.HLine(kVerticalSpeedMarkX - 3, kVerticalSpeedMarkX + 12, kCentreY, 2.0, kWhite);
  for (const Mark& m : kMarks) {
    for (const double sign : {1.0, -1.0}) {
      const double y = kCentreY + VerticalSpeedOffsetPx(sign * m.fpm);
      p.HLine(kVerticalSpeedMarkX, kVerticalSpeedMarkX + (m.major ? 8 : 5), y, kTickWidth, kWhite);
      if (m.major) p.Text(m.label, 0, Painter::RightAligned(m.label, kVerticalSpeedLabelRight), Painter::Middle(y), kWhite);
    }
  }
  // The bug's notch on the marks' left ends, its body between them and the labels.
  if (d.selectedBug.shown) DrawBug(p, kVerticalSpeedMarkX - 1, d.selectedBug.offsetPx, true);
  // The needle: from the scale's mark towards the pivot far right, to the scale's right edge.
  const double tipY = kCentreY + d.pointerOffsetPx;
  constexpr double kPi = 3.14159265358979323846;
  render::DrawList& l = p.list();
  const std::vector<render::TransformStep> saved = l.state.transform;
  l.Translate(kVerticalSpeedMarkX, tipY, 0);
  const double angle = std::atan2(kCentreY - tipY, kVerticalSpeedPivotX - kVerticalSpeedMarkX);
  l.Rotate(angle * 180 / kPi);
  l.Scale(1 / std::cos(angle), 1, 1);  // slanted, it still reaches the scale's right edge
  p.Add(FullSlotNeedle, kNeedleArt, kWhite);
  l.state.transform = saved;
  if (!d.readout.empty()) {
    // Its figures 4 pixels above the scale when climbing, 4 below when descending.
    const double y = d.readoutAbove ? s.y1 + 4 - kGlyphBaseline : s.y0 - 4 - kGlyphCapHeight - kGlyphBaseline;
    p.Text(d.readout, 1, Painter::Centred(d.readout, s.CentreX()), y, kWhite);
  }
}

// The heading card between angles on the screen: quads of one degree from the band's inner to
// its outer radius, each taking its degree of the card from the row that holds it.
void DrawCard(const Painter& p, double cardDeg) {
  if (!p.Has(FullSlotCard)) return;
  render::DrawList& l = p.list();
  l.state.textured = true;
  layers::AddMode(l);
  p.Bind(FullSlotCard);
  l.SetColour(255, 255, 255);
  const double rowDeg = 360.0 / kCardRows, span = rowDeg + 2 * kCardMarginDeg;
  constexpr double kPi = 3.14159265358979323846;
  auto at = [](double radius, double deg) {
    return std::pair<double, double>{kRoseCentreX + radius * std::sin(deg * kPi / 180),
                                     kRoseCentreY + radius * std::cos(deg * kPi / 180)};
  };
  const int reach = static_cast<int>(kRoseShownHalfAngleDeg) + 4;
  std::vector<render::Vertex> quads;
  quads.reserve(static_cast<size_t>(8 * reach));
  const auto vertex = [](std::pair<double, double> at, double s, double t) {
    return render::Vertex{float(at.first), float(at.second), 0, float(s), float(t)};
  };
  for (int a = -reach; a < reach; ++a) {
    double mid = std::fmod(cardDeg + a + 0.5, 360.0);
    if (mid < 0) mid += 360.0;
    const int row = std::min(static_cast<int>(mid / rowDeg), kCardRows - 1);
    const double base = row * rowDeg - kCardMarginDeg;
    const double s0 = (mid - 0.5 - base) / span, s1 = (mid + 0.5 - base) / span;
    const double t0 = double(row) / kCardRows, t1 = double(row + 1) / kCardRows;
    const auto in0 = at(kCardBandInner, a), out0 = at(kCardBandOuter, a);
    const auto in1 = at(kCardBandInner, a + 1), out1 = at(kCardBandOuter, a + 1);
    quads.push_back(vertex(in0, s0, t0));
    quads.push_back(vertex(in1, s1, t0));
    quads.push_back(vertex(out1, s1, t1));
    quads.push_back(vertex(out0, s0, t1));
  }
  l.Quads(quads.data(), quads.size() / 4, 0, true);
}

void DrawHeading(const Painter& p, const HeadingDescription& d) {
  if (!d.selectedText.empty())
    p.Text(d.selectedText, 1, Painter::LeftAligned(kSelectedHeadingX), Painter::Middle(kHeadingBox.CentreY()), kMagenta);
  // The card shows below the attitude's crop only.
  p.Clip({0, 0, double(kPanelWidth), kClassicCrop.y0});
  if (!d.failed) {
    DrawCard(p, d.cardDeg);
    if (d.selectedBug.shown) {
      // The bug's notch on the card's ticks, turned to face the card's centre.
      constexpr double kPi = 3.14159265358979323846;
      const double a = d.selectedBug.offsetPx;
      const double r = kRoseOuterRadius - kBugDepth;
      render::DrawList& l = p.list();
      const std::vector<render::TransformStep> saved = l.state.transform;
      l.Translate(kRoseCentreX + r * std::sin(a * kPi / 180), kRoseCentreY + r * std::cos(a * kPi / 180), 0);
      l.Rotate(90 - a);
      p.CutAndAdd(FullSlotBugMask, FullSlotBug, kBugArt, kMagenta);
      l.state.transform = saved;
    }
  }
  p.Clip({0, 0, double(kPanelWidth), double(kPanelHeight)});
  if (d.failed) {
    p.Flag("HDG", kHeadingBox.CentreX(), kHeadingBox.CentreY());
    return;
  }
  p.CutAndAdd(FullSlotHeadingBoxMask, FullSlotHeadingBox, kHeadingBoxArt, kWhite);
  p.Text(d.readout, 1, Painter::Centred(d.readout, kHeadingBox.CentreX()), Painter::Middle(kHeadingBox.CentreY()),
         kWhite);
}

// The flight mode annunciator: the columns parted by grey lines, each mode in its colour, a mode
// that changed within the last 10 s in a white box.
void DrawModes(const Painter& p, const std::vector<ModeAnnunciation>& modes) {
  const double w = kModeStrip.Width() / kModeColumns;
  for (int i = 1; i < kModeColumns; ++i)
    p.VLine(kModeStrip.x0 + w * i, kModeArmedY + kGlyphBaseline - kModeBoxPad, kModeStrip.y1 - 1, 1.0, kBoxGrey);
  for (const ModeAnnunciation& m : modes) {
    const ColourSetting c = ColourOf(m.colour);
    p.Text(m.text, 1, m.x, m.y, Colour{c.r, c.g, c.b});
    if (m.boxed) p.Outline(Grown(InkOf(m.text, m.x, m.y), kModeBoxPad + 1), 1.0, kWhite);
  }
}

// Today's picture's viewport: its 500 x 740 surface at its place on the panel, cut to its crop.
void ClassicViewport(const Painter& p, const PanelLayout& layout) {
  const Placement& pl = p.place();
  const int width = static_cast<int>(std::lround(kSurfaceWidth * layout.scale));
  const int height = static_cast<int>(std::lround(kSurfaceHeight * layout.scale));
  p.list().state.view = SurfaceView(pl.ox + int(std::lround(kClassicOriginX * pl.sx)),
                                    pl.oy + int(std::lround(kClassicOriginY * pl.sy)), width, height);
  p.list().LoadIdentity();
  p.Clip(kClassicCrop);
}

// Saves what a step changes, and puts it back.
struct SavedState {
  explicit SavedState(render::DrawList& list) : list_(list), saved_(list.state) { list.state.clipped = true; }
  ~SavedState() { list_.state = saved_; }
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;

 private:
  render::DrawList& list_;
  render::ListState saved_;
};

}  // namespace

PanelLayout FullStandardLayout() { return StandardLayout(kPanelWidth, kPanelHeight); }

bool LoadFullLayoutTextures(FullLayoutTextures& textures, render::TextureDevice& device, bool combined) {
  // Each mask with the image drawn over it, for a backend that draws the two in one pass: then the
  // mask and the image alone are never drawn, and only named (the drawing asks for both).
  static constexpr int kPairs[][2] = {{FullSlotSpeedBoxMask, FullSlotSpeedBox},
                                      {FullSlotAltitudeBoxMask, FullSlotAltitudeBox},
                                      {FullSlotHeadingBoxMask, FullSlotHeadingBox},
                                      {FullSlotBugMask, FullSlotBug},
                                      {FullSlotTrendHeadMask, FullSlotTrendHead}};
  bool inPair[FullSlotCount] = {};
  if (combined) {
    for (const auto& pair : kPairs) {
      textures.combined[pair[1]] = LoadMaskedPicture(kFullTextureFiles[pair[0]], kFullTextureFiles[pair[1]], device);
      inPair[pair[0]] = inPair[pair[1]] = textures.combined[pair[1]] != 0;
    }
  }
  bool all = true;
  for (int slot = 0; slot < FullSlotCount; ++slot) {
    const char* file = kFullTextureFiles[slot];
    uint32_t name = 0;
    device.CreateTextures(1, &name);
    if (inPair[slot]) {
      textures.names[slot] = name;
      continue;
    }
    if (LoadPanelPicture(name, file, device)) {
      textures.names[slot] = name;
    } else {
      device.DeleteTexture(name);  // drawn without it, as where there is no texture
      platform::DebugLog(std::string("texture file \"") + file + "\" " +
                         (platform::FileExists(file) ? "is not a decodable BMP" : "is missing") +
                         ": the full layout draws without it");
      all = false;
    }
  }
  return all;
}

void DrawFullFramePanel(render::DrawList& list, const PanelResources& resources, const FullLayoutTextures& textures,
                        const FullFrameDescription& frame, const PanelLayout& layout) {
  const SavedState saved(list);
  const Painter p(list, resources, textures, PlaceOf(layout));
  p.Clip({0, 0, double(kPanelWidth), double(kPanelHeight)});
  list.ClearTo({0, 0, 0, 128});
  // Today's attitude and ILS scales; its speed plate gives way to the speed tape.
  ClassicViewport(p, layout);
  DrawFullAttitudePicture(list, resources, frame);
  p.PanelProjection();
  DrawSpeedTape(p, frame.speed, frame.envelope, layout);
  DrawAltitudeTape(p, frame.altitude, frame.envelope, layout);
  DrawVerticalSpeed(p, frame.verticalSpeed);
  DrawHeading(p, frame.heading);
  DrawEnvelopePanel(list, resources, frame.envelope, layout);
}

void DrawFullFrameGuidance(render::DrawList& list, const PanelResources& resources,
                           const FullLayoutTextures& textures, const FullFrameDescription& frame,
                           const PanelLayout& layout) {
  const SavedState saved(list);
  const Painter p(list, resources, textures, PlaceOf(layout));
  ClassicViewport(p, layout);
  DrawFrameGuidance(list, resources, frame.attitude, layout.scale);
  p.PanelProjection();
  DrawModes(p, frame.modes);
  // The runway passes behind the radio altitude's plate.
  DrawEnvelopeAttitude(list, resources, frame.envelope, frame.attitude.bank, layout);
  DrawFullAttitudeTexts(list, resources, frame, layout);
}

void DrawFullFrame(render::DrawList& list, const PanelResources& resources, const FullLayoutTextures& textures,
                   const FullFrameDescription& frame, const PanelLayout& layout) {
  DrawFullFramePanel(list, resources, textures, frame, layout);
  DrawFullFrameGuidance(list, resources, textures, frame, layout);
}
