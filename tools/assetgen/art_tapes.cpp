// The full layout's artwork: the heading card, the readout boxes, the bug and the trend arrow's
// head. Each is a white shape on black that the display tints, designed in the full panel's
// pixels and baked at kSharpestScale texels per pixel.
#include "art_tapes.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "pfd/full_layout.h"
#include "scene.h"
#include "text_mask.h"

namespace assetgen {

namespace fl = full_layout;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr Rgb kOn{255, 255, 255};
constexpr Rgb kOff{0, 0, 0};
// The heading card's texture.
constexpr int kCardWidth = 1024;
constexpr int kCardRowTexels = 128;
constexpr double kCardTickLong = 9;
constexpr double kCardTickShort = 5;
constexpr double kCardTickWidth = 1.4;
constexpr double kLubberWidth = 2.0;

// `p` turned clockwise by `deg` about `c`.
Vec2 TurnedClockwise(Vec2 p, Vec2 c, double deg) {
  const double a = deg * kPi / 180.0;
  const double x = p.x - c.x, y = p.y - c.y;
  return {c.x + x * std::cos(a) + y * std::sin(a), c.y - x * std::sin(a) + y * std::cos(a)};
}

// Bakes a w x h texture whose texel (i, j) shows the scene at `at(i + 0.5, j + 0.5)`; each tile
// of texels looks only at the paints near its corners (the mappings are smooth and nearly linear
// over a tile).
template <typename Map>
Image BakeMapped(const Scene& scene, int w, int h, Map at) {
  Image img(w, h);
  constexpr int kTile = 16;
  std::vector<const Paint*> candidates;
  for (int ty = 0; ty < h; ty += kTile) {
    for (int tx = 0; tx < w; tx += kTile) {
      const int ex = std::min(tx + kTile, w), ey = std::min(ty + kTile, h);
      Box tile{1e18, 1e18, -1e18, -1e18};
      for (const Vec2 corner : {at(tx, ty), at(ex, ty), at(tx, ey), at(ex, ey), at((tx + ex) / 2.0, (ty + ey) / 2.0)}) {
        tile.x0 = std::min(tile.x0, corner.x);
        tile.y0 = std::min(tile.y0, corner.y);
        tile.x1 = std::max(tile.x1, corner.x);
        tile.y1 = std::max(tile.y1, corner.y);
      }
      candidates.clear();
      for (const Paint& p : scene.Paints()) {
        if (p.bounds.Overlaps(tile, 1.0)) candidates.push_back(&p);
      }
      for (int j = ty; j < ey; ++j) {
        for (int i = tx; i < ex; ++i) img.Set(i, j, scene.ColourAt(at(i + 0.5, j + 0.5), candidates));
      }
    }
  }
  return img;
}

// A scene baked over a rectangle of the panel.
Image BakeOver(const Scene& scene, const fl::Box& r) {
  const int w = TexelsFor(r.Width()), h = TexelsFor(r.Height());
  return BakeMapped(scene, w, h, [&](double i, double j) {
    return Vec2{r.x0 + i / w * r.Width(), r.y0 + j / h * r.Height()};
  });
}

// The card at heading 000 about its centre: a tick every 5 degrees, a label every 10 (the
// heading's tens), upright when its heading is under the lubber line. The labels are as high as
// the tapes' figures every 30 degrees and a step smaller between, in the bold face: drawn turned
// and unhinted, they then read at 1 x as the tapes' hinted figures do.
Scene CardScene(const FontLibrary& fonts) {
  Scene s(kOff);
  const Vec2 c{fl::kRoseCentreX, fl::kRoseCentreY};
  const double r = fl::kRoseOuterRadius;
  for (int h = 0; h < 360; h += 5) {
    const double len = h % 10 == 0 ? kCardTickLong : kCardTickShort;
    s.Fill(Stroke(Polar(c, r, h), Polar(c, r - len, h), kCardTickWidth), kOn);
  }
  for (int h = 0; h < 360; h += 10) {
    const bool major = h % 30 == 0;
    const double cap = major ? fl::kGlyphCapHeight : fl::kGlyphCapHeight - 1.5;
    auto mask = std::make_shared<TextMask>(fonts.Bold(), std::to_string(h / 10), cap,
                                           Vec2{c.x, c.y + r - kCardTickLong - 2.5}, 0.5, 1.0);
    const Box b = mask->Bounds();
    Box turned{1e18, 1e18, -1e18, -1e18};
    for (const Vec2 corner : {Vec2{b.x0, b.y0}, Vec2{b.x1, b.y0}, Vec2{b.x0, b.y1}, Vec2{b.x1, b.y1}}) {
      const Vec2 t = TurnedClockwise(corner, c, h);
      turned = {std::min(turned.x0, t.x), std::min(turned.y0, t.y), std::max(turned.x1, t.x), std::max(turned.y1, t.y)};
    }
    s.Cover([mask, c, h](Vec2 p) { return mask->Coverage(TurnedClockwise(p, c, -h)); }, turned, kOn);
  }
  return s;
}

Image BakeCard(const Scene& card) {
  const Vec2 c{fl::kRoseCentreX, fl::kRoseCentreY};
  const double rowDeg = 360.0 / fl::kCardRows;
  return BakeMapped(card, kCardWidth, kCardRowTexels * fl::kCardRows, [&](double i, double j) {
    const int row = std::min(static_cast<int>(j) / kCardRowTexels, fl::kCardRows - 1);
    const double across = (j - row * kCardRowTexels) / kCardRowTexels;
    const double along = i / kCardWidth;
    const double radius = fl::kCardBandInner + across * (fl::kCardBandOuter - fl::kCardBandInner);
    const double deg = row * rowDeg - fl::kCardMarginDeg + along * (rowDeg + 2 * fl::kCardMarginDeg);
    return Polar(c, radius, deg);
  });
}

// A shape's mask: black where it is, with `margin` around it, white elsewhere.
Scene MaskScene(const Shape& shape, double margin) {
  Scene s(kOn);
  s.Fill(Grown(shape, margin), kOff);
  return s;
}

// A readout box's outline, kBoxLine wide outside its shape (the mask cuts the shape and the line).
Scene BoxLineScene(const Shape& shape) {
  Scene s(kOff);
  s.Fill(Grown(shape, fl::kBoxLine), kOn);
  s.Fill(shape, kOff);
  return s;
}

Shape SpeedBoxShape() {
  const double c = fl::kCentreY;
  const fl::Box& b = fl::kSpeedBox;
  const Shape main = Rect(b.x0, b.y0, b.x1, b.y1);
  const fl::Box& w = fl::kSpeedDrumWindow;
  const Shape drum = Rect(w.x0, w.y0, w.x1, w.y1);
  const Shape pointer = Polygon({{b.x1 - 1, c + 6}, {fl::kSpeedPointerTip, c}, {b.x1 - 1, c - 6}});
  return Union(main, Union(drum, pointer));
}

Shape AltitudeBoxShape() {
  const double c = fl::kCentreY;
  const fl::Box& b = fl::kAltitudeBox;
  const Shape main = Rect(b.x0, b.y0, b.x1, b.y1);
  const fl::Box& w = fl::kAltitudeDrumWindow;
  const Shape drum = Rect(w.x0, w.y0, w.x1, w.y1);
  const Shape pointer = Polygon({{b.x0 + 1, c + 6}, {fl::kAltitudePointerTip, c}, {b.x0 + 1, c - 6}});
  return Union(main, Union(drum, pointer));
}

// The heading box and the lubber line hanging from it into the card. The mask cuts a black margin
// around the line, so it stands clear of the ticks.
Shape HeadingBoxShape() {
  const fl::Box& b = fl::kHeadingBox;
  return Rect(b.x0, b.y0, b.x1, b.y1);
}
Shape LubberShape() {
  return Stroke({fl::kSymbolX, fl::kHeadingBox.y0}, {fl::kSymbolX, fl::kLubberBottom}, kLubberWidth);
}
Scene HeadingBoxMaskScene() {
  Scene s(kOn);
  s.Fill(Grown(HeadingBoxShape(), fl::kBoxLine), kOff);
  s.Fill(Grown(LubberShape(), 1.0), kOff);
  return s;
}
Scene HeadingBoxLineScene() {
  Scene s = BoxLineScene(HeadingBoxShape());
  s.Fill(LubberShape(), kOn);
  return s;
}

// A bug about its reference point: a block kBugDepth deep with a notch facing the scale (left).
Shape BugShape() {
  const double h = fl::kBugHalfHeight, d = fl::kBugDepth;
  return Polygon({{0, -h}, {d, -h}, {d, h}, {0, h}, {0, 3.0}, {3.5, 0}, {0, -3.0}});
}

Shape TrendHeadShape() {
  const double l = fl::kTrendHeadLength;
  return Polygon({{0, 0}, {4.5, -l}, {-4.5, -l}});
}

// The needle: a stroke along +x from its tip.
Shape NeedleShape() { return Stroke({0, 0}, {fl::kNeedleLength, 0}, fl::kNeedleWidth); }

Scene ImageScene(const Shape& shape) {
  Scene s(kOff);
  s.Fill(shape, kOn);
  return s;
}

}  // namespace

std::vector<FullLayoutTexture> FullLayoutArt(const FontLibrary& fonts) {
  std::vector<FullLayoutTexture> out;
  auto add = [&](int slot, Image image) { out.push_back({fl::kFullTextureFiles[slot], std::move(image)}); };
  add(fl::FullSlotCard, BakeCard(CardScene(fonts)));
  add(fl::FullSlotSpeedBoxMask, BakeOver(MaskScene(SpeedBoxShape(), fl::kBoxLine), fl::kSpeedBoxArt));
  add(fl::FullSlotSpeedBox, BakeOver(BoxLineScene(SpeedBoxShape()), fl::kSpeedBoxArt));
  add(fl::FullSlotAltitudeBoxMask, BakeOver(MaskScene(AltitudeBoxShape(), fl::kBoxLine), fl::kAltitudeBoxArt));
  add(fl::FullSlotAltitudeBox, BakeOver(BoxLineScene(AltitudeBoxShape()), fl::kAltitudeBoxArt));
  add(fl::FullSlotHeadingBoxMask, BakeOver(HeadingBoxMaskScene(), fl::kHeadingBoxArt));
  add(fl::FullSlotHeadingBox, BakeOver(HeadingBoxLineScene(), fl::kHeadingBoxArt));
  add(fl::FullSlotBugMask, BakeOver(MaskScene(BugShape(), 0), fl::kBugArt));
  add(fl::FullSlotBug, BakeOver(ImageScene(BugShape()), fl::kBugArt));
  add(fl::FullSlotTrendHeadMask, BakeOver(MaskScene(TrendHeadShape(), 0), fl::kTrendHeadArt));
  add(fl::FullSlotTrendHead, BakeOver(ImageScene(TrendHeadShape()), fl::kTrendHeadArt));
  add(fl::FullSlotNeedle, BakeOver(ImageScene(NeedleShape()), fl::kNeedleArt));
  return out;
}

}  // namespace assetgen
