// Filled shapes as signed distance functions in screen pixels (negative inside).
#pragma once

#include <functional>
#include <limits>
#include <vector>

#include "screen_geometry.h"

namespace assetgen {

// An axis-aligned bounding box; shapes never reach outside theirs.
struct Box {
  double x0 = -std::numeric_limits<double>::infinity();
  double y0 = -std::numeric_limits<double>::infinity();
  double x1 = std::numeric_limits<double>::infinity();
  double y1 = std::numeric_limits<double>::infinity();

  bool Overlaps(const Box& o, double margin) const;
  Box Grown(double d) const { return {x0 - d, y0 - d, x1 + d, y1 + d}; }
};

struct Shape {
  std::function<double(Vec2)> sdf;
  Box bounds;
};

Shape Rect(double x0, double y0, double x1, double y1);
Shape RoundRect(double x0, double y0, double x1, double y1, double radius);
Shape Circle(Vec2 c, double r);
// A circle's outline: radius r, stroke width w.
Shape Ring(Vec2 c, double r, double w);
// A straight stroke from a to b with square ends flush at a and b.
Shape Stroke(Vec2 a, Vec2 b, double width);
// A circular arc stroke between two angles measured clockwise from straight up, in degrees.
Shape ArcStroke(Vec2 c, double r, double width, double fromDeg, double toDeg);
// Any simple polygon (either winding).
Shape Polygon(std::vector<Vec2> points);
// The shape grown outwards by d pixels (an outline of width d around it).
Shape Grown(const Shape& s, double d);
Shape Union(const Shape& a, const Shape& b);
Shape Intersection(const Shape& a, const Shape& b);
// The whole plane above (or below) a horizontal line.
Shape HalfPlaneAbove(double y);
Shape HalfPlaneBelow(double y);

// A point at distance r from c in the direction clockwise deg from straight up.
Vec2 Polar(Vec2 c, double r, double deg);

}  // namespace assetgen
