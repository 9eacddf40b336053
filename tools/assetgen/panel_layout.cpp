// Positions of the panel symbols, derived from the quad placements where a symbol moves with one.
#include "panel_layout.h"

namespace assetgen::layout {

Vec2 AircraftSymbol() { return {165.0, 165.0}; }

Vec2 RollCentre() { return QuadFor(SlotRollNeedle).Centre(); }

Shape AttitudeArea() {
  const Vec2 c = RollCentre();
  const Shape body = RoundRect(c.x - kAttitudeHalfWidth, kAttitudeBottom, c.x + kAttitudeHalfWidth,
                               c.y + 2 * kAttitudeTopRadius, kAttitudeCorner);
  // Above the roll centre the area ends at the arc; below it only the rounded body counts.
  const Shape arc = Circle(c, kAttitudeTopRadius);
  const double cy = c.y;
  auto arcOrOpen = [arc, cy](Vec2 p) { return p.y < cy ? -1e9 : arc.sdf(p); };
  return Intersection(body, Shape{arcOrOpen, body.bounds});
}

Vec2 GlideSlopeCentre() { return QuadFor(SlotIlsInd).Centre(); }
double GlideSlopeTravelPx() { return kGlideSlopeTravelUnits * PixelsPerUnit(33.0); }
Vec2 LocalizerCentre() { return QuadFor(SlotIlsHInd).Centre(); }
double LocalizerTravelPx() { return kLocalizerTravelUnits * PixelsPerUnit(39.0); }

double HorizonLineY() { return AircraftSymbol().y; }
double PixelsPerDegree() { return HorizonPixelsPerDegree(); }

}  // namespace assetgen::layout
