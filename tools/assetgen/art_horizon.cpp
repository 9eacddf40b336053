// The horizon picture: sky, ground, horizon line and the pitch ladder, in the quad's unscrolled position.
#include <cmath>
#include <memory>
#include <string>

#include "panel_art.h"
#include "panel_layout.h"

namespace assetgen {

namespace {

constexpr double kMarkWidth = 1.6;
constexpr double kLongHalf = 30.0;    // every 10 degrees, labelled
constexpr double kMediumHalf = 14.0;  // every 5 degrees
constexpr double kShortHalf = 6.5;    // every 2.5 degrees
constexpr double kLabelCap = 7.0;
constexpr double kLabelGap = 4.0;
constexpr int kLadderLimitDeg = 80;  // the picture repeats after about 172 degrees

}  // namespace

Scene HorizonScene(const FontLibrary& fonts) {
  using namespace layout;
  Scene s(kSky);
  const Vec2 a = AircraftSymbol();
  const double y0 = HorizonLineY();
  const double ppd = PixelsPerDegree();
  // Ground from the horizon line down to the texture's lower edge; above it, sky up to the upper
  // edge. The picture repeats vertically, so the two edges meet ground to sky as well.
  s.Fill(HalfPlaneBelow(y0), kGround);
  s.Fill(Rect(-1e4, y0 - 1.0, 1e4, y0 + 1.0), kWhite);
  // Rungs: positive degrees above the line (nose up), negative below (nose down).
  for (int tenth = -kLadderLimitDeg * 10; tenth <= kLadderLimitDeg * 10; tenth += 25) {
    if (tenth == 0) continue;
    const double deg = tenth / 10.0;
    const double y = y0 + deg * ppd;
    const double half = tenth % 100 == 0 ? kLongHalf : (tenth % 50 == 0 ? kMediumHalf : kShortHalf);
    s.Fill(Stroke({a.x - half, y}, {a.x + half, y}, kMarkWidth), kWhite);
    if (tenth % 100 == 0) {
      const std::string label = std::to_string(std::abs(tenth / 10));
      s.Text(std::make_shared<TextMask>(fonts.Bold(), label, kLabelCap,
                                        Vec2{a.x - half - kLabelGap, y}, 1.0, 0.5),
             kWhite);
      s.Text(std::make_shared<TextMask>(fonts.Bold(), label, kLabelCap,
                                        Vec2{a.x + half + kLabelGap, y}, 0.0, 0.5),
             kWhite);
    }
  }
  return s;
}

}  // namespace assetgen
