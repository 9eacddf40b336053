// The envelope as drawn, measured on the draw list (no GL): where the slip bar and the track line
// land on the panel for values a pilot can check.
#include <gtest/gtest.h>

#include <cmath>

#include "pfd/envelope_rules.h"
#include "pfd/full_frame_draw.h"
#include "pfd/full_layout.h"
#include "pfd/layer_envelope.h"
#include "pfd/tape_rules.h"

namespace {

using namespace full_layout;
constexpr double kPi = 3.14159265358979323846;

// A list in the full panel's projection at scale 1 (as the full layout's drawing sets it).
render::DrawList PanelList() {
  render::DrawList list;
  list.state.view.viewport = {0, 0, kPanelWidth, kPanelHeight};
  list.state.view.projection = render::Projection::OrthoOf(0, kPanelWidth, 0, kPanelHeight, -1, 1);
  list.LoadIdentity();
  return list;
}

// Every vertex the list's commands put on the panel.
std::vector<render::DrawList::Point> Points(const render::DrawList& list) {
  std::vector<render::DrawList::Point> points;
  for (const render::Command& c : list.commands) {
    if (c.primitive == render::Primitive::Clear) continue;
    const render::DrawList::Projector at(list, c);
    for (size_t k = 0; k < c.vertexCount; ++k) points.push_back(at(k));
  }
  return points;
}

// Wings level, heading 270, 250 kt at 5,000 ft.
PrimaryFlightValues Level() {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = {250, true};
  v.altitudeFt = {5000, true};
  v.headingMagneticDeg = {270, true};
  return v;
}

// The slip bar's middle as drawn for a ball at `ball`.
render::DrawList::Point SlipBarMiddle(double ball) {
  PrimaryFlightValues v = Level();
  v.envelope.slipBall = {ball, true};
  const EnvelopeDescription e = DecideEnvelope(v, {});
  render::DrawList list = PanelList();
  DrawEnvelopeAttitude(list, PanelResources{}, e, 0, FullStandardLayout());
  const auto points = Points(list);
  render::DrawList::Point mid{0, 0};
  for (const auto& p : points) {
    mid.x += p.x / double(points.size());
    mid.y += p.y / double(points.size());
  }
  return mid;
}

TEST(EnvelopeDrawn, ABallAtHalfScaleMovesTheSlipBarHalfItsTravelUnderTheRollPointer) {
  const auto centred = SlipBarMiddle(0), half = SlipBarMiddle(0.5), full = SlipBarMiddle(1), left = SlipBarMiddle(-1);
  EXPECT_NEAR(centred.x, kRollPivotX, 0.01) << "under the roll pointer";
  EXPECT_GT(centred.y, kRollPivotY + kRollPointerBase - 8);
  EXPECT_LT(centred.y, kRollPivotY + kRollPointerBase);
  EXPECT_GT(full.x - centred.x, 5) << "ball right, bar right, by pixels one can see";
  EXPECT_NEAR(half.x - centred.x, (full.x - centred.x) / 2, 0.01);
  EXPECT_NEAR(left.x - centred.x, -(full.x - centred.x), 0.01);
  EXPECT_NEAR(half.y, centred.y, 0.01) << "sideways only, wings level";
}

// The angle clockwise from straight up of the track line's end on the card, about the card's centre.
double TrackLineAngle(const EnvelopeDescription& e) {
  render::DrawList list = PanelList();
  DrawEnvelopePanel(list, PanelResources{}, e, FullStandardLayout());
  // The corners of its end on the card, either side of it.
  double sum = 0;
  int n = 0;
  for (const auto& p : Points(list)) {
    const double dx = p.x - kRoseCentreX, dy = p.y - kRoseCentreY;
    if (std::hypot(dx, dy) < kRoseInnerRadius) continue;
    sum += std::atan2(dx, dy) * 180 / kPi;
    ++n;
  }
  EXPECT_EQ(n, 2) << "the line reaches the card";
  return n > 0 ? sum / n : 0;
}

TEST(EnvelopeDrawn, TenDegreesOfDriftPutTheTrackLineTenDegreesFromTheHeading) {
  PrimaryFlightValues v = Level();
  // Heading 270 magnetic; track 283 true with 3 degrees of east variation: 280 magnetic.
  v.envelope.trackTrueDeg = {283, true};
  v.envelope.magneticVariationDeg = {3, true};
  EnvelopeDescription e = DecideEnvelope(v, {});
  e.magShown = false;  // the line alone
  EXPECT_NEAR(TrackLineAngle(e), 10, 0.3) << "right of the lubber line";
  v.envelope.trackTrueDeg = {263, true};
  e = DecideEnvelope(v, {});
  e.magShown = false;
  EXPECT_NEAR(TrackLineAngle(e), -10, 0.3) << "left of it";
}

}  // namespace
