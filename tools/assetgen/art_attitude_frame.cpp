// The fixed attitude frame (aircraft symbol, roll scale, its mask) and the roll pointer.
#include "panel_art.h"
#include "panel_layout.h"

namespace assetgen {

namespace {

constexpr double kSymbolOutline = 1.5;

// The aircraft symbol: two L-shaped wings and a centre square.
Shape AircraftSymbolShape() {
  const Vec2 a = layout::AircraftSymbol();
  const double half = 2.5;  // half thickness of the wing bars
  Shape left = Union(Rect(a.x - 62, a.y - half, a.x - 20, a.y + half),
                     Rect(a.x - 20 - 2 * half, a.y - 12, a.x - 20, a.y + half));
  Shape right = Union(Rect(a.x + 20, a.y - half, a.x + 62, a.y + half),
                      Rect(a.x + 20, a.y - 12, a.x + 20 + 2 * half, a.y + half));
  return Union(Union(left, right), Rect(a.x - 3, a.y - 3, a.x + 3, a.y + 3));
}

}  // namespace

Scene StaticMaskScene() {
  Scene s(layout::kBlack);
  s.Fill(layout::AttitudeArea(), layout::kWhite);
  s.Fill(Grown(AircraftSymbolShape(), kSymbolOutline), layout::kBlack);
  return s;
}

Scene StaticImageScene() {
  using namespace layout;
  Scene s(kBlack);
  s.FillOutlined(AircraftSymbolShape(), kSymbolYellow, kSymbolOutline);
  // Roll scale: an arc with marks at 10, 20, 30, 45 and 60 degrees each side, a fixed zero index.
  const Vec2 c = RollCentre();
  const double r = kRollScaleRadius;
  s.Fill(ArcStroke(c, r, 1.3, -60.0, 60.0), kWhite);
  for (int side : {-1, 1}) {
    for (int deg : {10, 20, 30, 45, 60}) {
      const double len = (deg == 30 || deg == 60) ? 13.0 : 7.0;
      s.Fill(Stroke(Polar(c, r - 0.6, side * deg), Polar(c, r + len, side * deg), 1.8), kWhite);
    }
  }
  s.Fill(Polygon({Polar(c, r + 0.4, 0.0), Polar(c, r + 11.5, -3.6), Polar(c, r + 11.5, 3.6)}),
         kWhite);
  return s;
}

Scene RollPointerScene() {
  using namespace layout;
  Scene s(kBlack);
  const Vec2 c = RollCentre();
  // Drawn at zero bank; the quad turns it about the roll centre with the horizon.
  s.Fill(Polygon({{c.x, c.y + kRollPointerTip},
                  {c.x + 6.5, c.y + kRollPointerBase},
                  {c.x - 6.5, c.y + kRollPointerBase}}),
         kWhite);
  return s;
}

Scene WindowMaskScene() {
  using namespace layout;
  Scene s(kBlack);
  // Slightly larger than the attitude area: the static mask draws the exact edge.
  s.Fill(Grown(AttitudeArea(), 2.0), kWhite);
  return s;
}

Scene WindowImageScene() {
  using namespace layout;
  Scene s(kBlack);
  // A dark bezel around the client area (331 x 321 pixels), with a lighter inner edge.
  const Shape screen = RoundRect(3.0, 3.0, 328.0, 318.0, 9.0);
  s.Fill(Shape{[screen](Vec2 p) { return -screen.sdf(p); }, Box{}}, kBezelEdge);
  s.Fill(Shape{[screen](Vec2 p) { return 1.3 - screen.sdf(p); }, Box{}}, kBezel);
  return s;
}

}  // namespace assetgen
