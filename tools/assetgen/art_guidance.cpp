// Guidance artwork: ILS deviation scales and indices, the no-ILS plate, the speed plate and the
// flight-director bars with their masks.
#include <algorithm>
#include <memory>

#include "panel_art.h"
#include "panel_layout.h"

namespace assetgen {

namespace {

constexpr double kDotRadius = 2.3;
constexpr double kFdHalfLength = 44.0;
constexpr double kFdWidth = 3.0;
constexpr double kFdOutline = 1.2;

}  // namespace

Scene GlideSlopeScaleScene() {
  using namespace layout;
  Scene s(kBlack);
  const Vec2 c = GlideSlopeCentre();
  const double step = GlideSlopeTravelPx() / 2.0;
  // The scale quad ends a little below the highest index position: the upper outer dot is moved
  // down just enough to stay whole.
  const QuadPlacement& q = QuadFor(SlotIls);
  const double highest = q.Centre().y + q.SizePx() / 2.0 - kDotRadius - kEdgeFilterPx / 2.0;
  for (int i : {-2, -1, 1, 2}) {
    s.Fill(Circle({c.x, std::min(c.y + i * step, highest)}, kDotRadius), kWhite);
  }
  s.Fill(Rect(c.x - 8.0, c.y - 1.0, c.x + 8.0, c.y + 1.0), kWhite);
  return s;
}

Scene GlideSlopeIndexScene() {
  using namespace layout;
  Scene s(kBlack);
  const Vec2 c = GlideSlopeCentre();
  s.Fill(Polygon({{c.x, c.y + 7.0}, {c.x + 5.0, c.y}, {c.x, c.y - 7.0}, {c.x - 5.0, c.y}}), kMagenta);
  return s;
}

Scene LocalizerScaleScene() {
  using namespace layout;
  Scene s(kBlack);
  const Vec2 c = LocalizerCentre();
  const double step = LocalizerTravelPx() / 2.0;
  for (int i : {-2, -1, 1, 2}) s.Fill(Circle({c.x + i * step, c.y}, kDotRadius), kWhite);
  s.Fill(Rect(c.x - 1.0, c.y - 8.0, c.x + 1.0, c.y + 8.0), kWhite);
  return s;
}

Scene LocalizerIndexScene() {
  using namespace layout;
  Scene s(kBlack);
  const Vec2 c = LocalizerCentre();
  s.Fill(Polygon({{c.x - 7.0, c.y}, {c.x, c.y + 5.0}, {c.x + 7.0, c.y}, {c.x, c.y - 5.0}}), kMagenta);
  return s;
}

Scene NoIlsPlateScene(const FontLibrary& fonts) {
  using namespace layout;
  Scene s(kBlack);
  const Vec2 c = GlideSlopeCentre();
  const double x = c.x - 7.0;  // clear of the bezel: the client area ends at x = 331
  s.Text(std::make_shared<TextMask>(fonts.Bold(), "NO", 8.0, Vec2{x, c.y + 2.5}, 0.5, 0.0), kWhite);
  s.Text(std::make_shared<TextMask>(fonts.Bold(), "ILS", 8.0, Vec2{x, c.y - 2.5}, 0.5, 1.0), kWhite);
  return s;
}

Scene SpeedPlateScene() {
  using namespace layout;
  Scene s(kBlack);
  // A blank tape: no speed is read, so it carries ticks but no numbers.
  const double x0 = 24.0, x1 = 60.0, y0 = 92.0, y1 = 222.0;
  s.Fill(RoundRect(x0, y0, x1, y1, 2.0), kTape);
  const double refY = AircraftSymbol().y;
  for (int i = -6; i <= 6; ++i) {
    const double y = refY + i * 10.5;
    const double len = (i % 2 == 0) ? 9.0 : 5.0;
    s.Fill(Stroke({x1 - len, y}, {x1, y}, 1.4), kWhite);
  }
  s.Fill(Stroke({x0 + 16.0, refY}, {x1 + 7.0, refY}, 2.0), kSymbolYellow);
  return s;
}

Scene FdHorizontalBarScene(bool mask) {
  using namespace layout;
  const Vec2 a = AircraftSymbol();
  const Shape bar = Stroke({a.x - kFdHalfLength, a.y}, {a.x + kFdHalfLength, a.y}, kFdWidth);
  Scene s(mask ? kWhite : kBlack);
  if (mask) {
    s.Fill(Grown(bar, kFdOutline), kBlack);
  } else {
    s.FillOutlined(bar, kMagenta, kFdOutline);
  }
  return s;
}

Scene FdVerticalBarScene(bool mask) {
  using namespace layout;
  const Vec2 a = AircraftSymbol();
  const Shape bar = Stroke({a.x, a.y - kFdHalfLength}, {a.x, a.y + kFdHalfLength}, kFdWidth);
  Scene s(mask ? kWhite : kBlack);
  if (mask) {
    s.Fill(Grown(bar, kFdOutline), kBlack);
  } else {
    s.FillOutlined(bar, kMagenta, kFdOutline);
  }
  return s;
}

}  // namespace assetgen
