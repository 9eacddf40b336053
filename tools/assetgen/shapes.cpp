// Signed distance functions of the shapes the panel artwork is built from.
#include "shapes.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace assetgen {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Distance to an axis-aligned box given by its centre and half extents.
double BoxSdf(Vec2 p, Vec2 centre, Vec2 half) {
  const double qx = std::fabs(p.x - centre.x) - half.x;
  const double qy = std::fabs(p.y - centre.y) - half.y;
  const double ox = std::max(qx, 0.0);
  const double oy = std::max(qy, 0.0);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0);
}

double Length(double x, double y) { return std::sqrt(x * x + y * y); }

}  // namespace

bool Box::Overlaps(const Box& o, double margin) const {
  return x0 - margin <= o.x1 && o.x0 <= x1 + margin && y0 - margin <= o.y1 && o.y0 <= y1 + margin;
}

Shape Rect(double x0, double y0, double x1, double y1) {
  const Vec2 c{(x0 + x1) / 2, (y0 + y1) / 2};
  const Vec2 h{(x1 - x0) / 2, (y1 - y0) / 2};
  return {[c, h](Vec2 p) { return BoxSdf(p, c, h); }, {x0, y0, x1, y1}};
}

Shape RoundRect(double x0, double y0, double x1, double y1, double radius) {
  const Vec2 c{(x0 + x1) / 2, (y0 + y1) / 2};
  const Vec2 h{(x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius};
  return {[c, h, radius](Vec2 p) { return BoxSdf(p, c, h) - radius; }, {x0, y0, x1, y1}};
}

Shape Circle(Vec2 c, double r) {
  return {[c, r](Vec2 p) { return Length(p.x - c.x, p.y - c.y) - r; },
          {c.x - r, c.y - r, c.x + r, c.y + r}};
}

Shape Ring(Vec2 c, double r, double w) {
  const double outer = r + w / 2;
  return {[c, r, w](Vec2 p) { return std::fabs(Length(p.x - c.x, p.y - c.y) - r) - w / 2; },
          {c.x - outer, c.y - outer, c.x + outer, c.y + outer}};
}

Shape Stroke(Vec2 a, Vec2 b, double width) {
  const double len = Length(b.x - a.x, b.y - a.y);
  const Vec2 u{(b.x - a.x) / len, (b.y - a.y) / len};
  const Vec2 m{(a.x + b.x) / 2, (a.y + b.y) / 2};
  const Vec2 half{len / 2, width / 2};
  const double reach = width / 2;
  Box box{std::min(a.x, b.x) - reach, std::min(a.y, b.y) - reach, std::max(a.x, b.x) + reach,
          std::max(a.y, b.y) + reach};
  return {[u, m, half](Vec2 p) {
            const double dx = p.x - m.x;
            const double dy = p.y - m.y;
            const Vec2 local{dx * u.x + dy * u.y, -dx * u.y + dy * u.x};
            return BoxSdf(local, {0, 0}, half);
          },
          box};
}

Shape ArcStroke(Vec2 c, double r, double width, double fromDeg, double toDeg) {
  const Vec2 a = Polar(c, r, fromDeg);
  const Vec2 b = Polar(c, r, toDeg);
  const double outer = r + width / 2;
  return {[c, r, width, fromDeg, toDeg, a, b](Vec2 p) {
            const double deg = std::atan2(p.x - c.x, p.y - c.y) * 180.0 / kPi;
            if (deg >= fromDeg && deg <= toDeg) {
              return std::fabs(Length(p.x - c.x, p.y - c.y) - r) - width / 2;
            }
            return std::min(Length(p.x - a.x, p.y - a.y), Length(p.x - b.x, p.y - b.y)) - width / 2;
          },
          {c.x - outer, c.y - outer, c.x + outer, c.y + outer}};
}

Shape Polygon(std::vector<Vec2> v) {
  Box box{v[0].x, v[0].y, v[0].x, v[0].y};
  for (const Vec2& p : v) {
    box.x0 = std::min(box.x0, p.x);
    box.y0 = std::min(box.y0, p.y);
    box.x1 = std::max(box.x1, p.x);
    box.y1 = std::max(box.y1, p.y);
  }
  return {[v = std::move(v)](Vec2 p) {
            double d2 = (p.x - v[0].x) * (p.x - v[0].x) + (p.y - v[0].y) * (p.y - v[0].y);
            double sign = 1.0;
            const std::size_t n = v.size();
            for (std::size_t i = 0, j = n - 1; i < n; j = i, ++i) {
              const double ex = v[j].x - v[i].x;
              const double ey = v[j].y - v[i].y;
              const double wx = p.x - v[i].x;
              const double wy = p.y - v[i].y;
              const double t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
              const double bx = wx - ex * t;
              const double by = wy - ey * t;
              d2 = std::min(d2, bx * bx + by * by);
              const bool c1 = p.y >= v[i].y;
              const bool c2 = p.y < v[j].y;
              const bool c3 = ex * wy > ey * wx;
              if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) sign = -sign;
            }
            return sign * std::sqrt(d2);
          },
          box};
}

Shape Grown(const Shape& s, double d) {
  auto inner = s.sdf;
  return {[inner, d](Vec2 p) { return inner(p) - d; }, s.bounds.Grown(d)};
}

Shape Union(const Shape& a, const Shape& b) {
  auto fa = a.sdf;
  auto fb = b.sdf;
  Box box{std::min(a.bounds.x0, b.bounds.x0), std::min(a.bounds.y0, b.bounds.y0),
          std::max(a.bounds.x1, b.bounds.x1), std::max(a.bounds.y1, b.bounds.y1)};
  return {[fa, fb](Vec2 p) { return std::min(fa(p), fb(p)); }, box};
}

Shape Intersection(const Shape& a, const Shape& b) {
  auto fa = a.sdf;
  auto fb = b.sdf;
  Box box{std::max(a.bounds.x0, b.bounds.x0), std::max(a.bounds.y0, b.bounds.y0),
          std::min(a.bounds.x1, b.bounds.x1), std::min(a.bounds.y1, b.bounds.y1)};
  return {[fa, fb](Vec2 p) { return std::max(fa(p), fb(p)); }, box};
}

Shape HalfPlaneAbove(double y) {
  Box box;
  box.y0 = y;
  return {[y](Vec2 p) { return y - p.y; }, box};
}

Shape HalfPlaneBelow(double y) {
  Box box;
  box.y1 = y;
  return {[y](Vec2 p) { return p.y - y; }, box};
}

Vec2 Polar(Vec2 c, double r, double deg) {
  const double a = deg * kPi / 180.0;
  return {c.x + r * std::sin(a), c.y + r * std::cos(a)};
}

}  // namespace assetgen
