// Where the panel's shapes land, asked of the draw list alone (no GL context): the renderer records
// a picture and the list's geometry says where each command's quad falls in window pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/interface_codec.h"
#include "pfd/full_layout.h"
#include "pfd/panel_layout.h"
#include "pfd/panel_picture.h"
#include "pfd/renderer.h"
#include "render/draw_list.h"

namespace {

// Texture names of our own, so that a command tells which picture it draws.
constexpr uint32_t kFdHorizontal = 1011, kFdVertical = 1013, kHorizon = 1000;

// A classic renderer with those names in its slots, on the 500 x 740 surface at `scale`.
struct ClassicPanel {
  PanelRenderer renderer{PanelKind::Classic};
  explicit ClassicPanel(double scale = 1.0) {
    PanelResources& r = renderer.MutableResources();
    for (int slot = 0; slot < SlotCount; ++slot) r.TextureNames[slot] = 1000 + slot;
    renderer.SetSurface(int(kSurfaceWidth * scale), int(kSurfaceHeight * scale));
  }
};

// The centre of the first quad drawn with `texture`.
bool CentreOf(const render::DrawList& list, uint32_t texture, double& x, double& y) {
  for (const render::Command& c : list.commands) {
    if (c.texture != texture || c.primitive != render::Primitive::Quads) continue;
    const render::DrawList::Bounds b = list.WindowBounds(c);
    x = (b.x0 + b.x1) / 2, y = (b.y0 + b.y1) / 2;
    return true;
  }
  return false;
}

// The picture of the autopilot holding heading and altitude with the flight director on: both bars
// shown, each at the command given in degrees.
PanelPicture DirectorPicture(double pitchCommandDeg, double bankCommandDeg) {
  InterfaceValues s{};
  s.FdActive = 1;
  s.ApHeadingHold = 1;
  s.ApAltitudeHold = 1;
  s.FdPitch = pitchCommandDeg;
  s.FdBank = bankCommandDeg;
  PanelPicture p;
  p.classic = DecideFrame(s, true);
  return p;
}

// With nothing to correct, the two flight-director bars cross on the aircraft symbol: 165, 165
// pixels from the surface's lower-left corner (the middle of the attitude window).
TEST(DrawListGeometry, CentredFlightDirectorBarsCrossOnTheAircraftSymbol) {
  for (const double scale : {1.0, 2.0}) {
    ClassicPanel panel(scale);
    const render::DrawList list = panel.renderer.Record(DirectorPicture(0, 0));
    double hx = 0, hy = 0, vx = 0, vy = 0;
    ASSERT_TRUE(CentreOf(list, kFdHorizontal, hx, hy));
    ASSERT_TRUE(CentreOf(list, kFdVertical, vx, vy));
    EXPECT_NEAR(hy, 165 * scale, 1.0 * scale) << scale;
    EXPECT_NEAR(vx, 165 * scale, 1.0 * scale) << scale;
    // The horizon is drawn first and the bars over it.
    ASSERT_FALSE(list.commands.empty());
    size_t horizon = 0, bar = 0;
    for (size_t k = 0; k < list.commands.size(); ++k) {
      if (list.commands[k].texture == kHorizon && horizon == 0) horizon = k + 1;
      if (list.commands[k].texture == kFdHorizontal && bar == 0) bar = k + 1;
    }
    EXPECT_LT(horizon, bar);
  }
}

// The simulator counts pitch positive nose down and bank positive left wing down. A bar's full
// travel is 52 pixels at 1 x (a third of the attitude window's half height). A pitch command of
// 13.5 degrees, half the bar's range of 27, moves the horizontal bar down by half its travel and
// the vertical bar nowhere; a bank command of 16 degrees, half the range of 32, moves the vertical
// bar half its travel left.
TEST(DrawListGeometry, FlightDirectorBarsMoveTowardsTheCommand) {
  ClassicPanel panel;
  double h0x = 0, h0y = 0, v0x = 0, v0y = 0;
  const render::DrawList centred = panel.renderer.Record(DirectorPicture(0, 0));
  ASSERT_TRUE(CentreOf(centred, kFdHorizontal, h0x, h0y));
  ASSERT_TRUE(CentreOf(centred, kFdVertical, v0x, v0y));

  double hx = 0, hy = 0, vx = 0, vy = 0;
  const render::DrawList down = panel.renderer.Record(DirectorPicture(13.5, 0));
  ASSERT_TRUE(CentreOf(down, kFdHorizontal, hx, hy));
  ASSERT_TRUE(CentreOf(down, kFdVertical, vx, vy));
  EXPECT_NEAR(h0y - hy, 52.0 / 2, 0.5);
  EXPECT_NEAR(vx, v0x, 0.01);

  const render::DrawList left = panel.renderer.Record(DirectorPicture(0, 16));
  ASSERT_TRUE(CentreOf(left, kFdVertical, vx, vy));
  ASSERT_TRUE(CentreOf(left, kFdHorizontal, hx, hy));
  EXPECT_NEAR(v0x - vx, 52.0 / 2, 0.5);
  EXPECT_NEAR(hy, h0y, 0.01);
}

// The full layout's speed bug set 10 kt above the speed sits on the tape's tick for that speed,
// the tick ten knots above the readout's middle, at every scale.
TEST(DrawListGeometry, SpeedBugSitsOnItsSpeedsTick) {
  using namespace full_layout;
  for (const double scale : {1.0, 2.0, 3.0}) {
    PanelRenderer renderer(PanelKind::Full);
    for (int slot = 0; slot < FullSlotCount; ++slot) renderer.MutableFullTextures().names[slot] = 2000 + slot;
    renderer.SetSurface(int(kPanelWidth * scale), int(kPanelHeight * scale));
    PanelLayout layout = FullStandardLayout();
    layout.scale = scale;
    renderer.SetLayout(layout);
    PrimaryFlightValues v;
    v.indicatedAirspeedKt = {140, true};
    v.selectedAirspeedKt = {150, true};
    PanelPicture picture;
    picture.kind = PanelKind::Full;
    FullFrameRules rules;
    picture.full = rules.Decide(FrameDescription{}, v, 0.0, BaroUnit::Hpa);
    const render::DrawList list = renderer.Record(picture);

    // The bug: the magenta quad on the speed tape's right edge (its image; the mask before it is
    // drawn in white).
    double bugY = -1;
    for (const render::Command& c : list.commands) {
      if (c.primitive != render::Primitive::Quads || !(c.colour == render::Colour{255, 40, 255, 255})) continue;
      const render::DrawList::Bounds b = list.WindowBounds(c);
      if (b.x0 < kSpeedTape.x1 * scale && b.x1 > kSpeedTape.x1 * scale) bugY = (b.y0 + b.y1) / 2;
    }
    // The ticks: white untextured quads ending on the tape's right edge.
    std::vector<double> ticks;
    for (const render::Command& c : list.commands) {
      if (c.primitive != render::Primitive::Quads || c.textured || !(c.colour == render::Colour{255, 255, 255, 255}))
        continue;
      const render::DrawList::Projector at(list, c);
      for (uint32_t k = 0; k + 4 <= c.vertexCount; k += 4) {
        const render::DrawList::Point a = at(k), b = at(k + 2);
        if (std::fabs(std::max(a.x, b.x) - kSpeedTape.x1 * scale) < 1.0 && std::fabs(b.x - a.x) < 12 * scale)
          ticks.push_back((a.y + b.y) / 2);
      }
    }
    ASSERT_GE(bugY, 0) << scale;
    ASSERT_FALSE(ticks.empty()) << scale;
    double nearest = ticks[0];
    for (const double t : ticks)
      if (std::fabs(t - bugY) < std::fabs(nearest - bugY)) nearest = t;
    EXPECT_NEAR(bugY, nearest, 1.0) << scale;
    // Ten knots above the readout's middle line (2.5 pixels a knot at 1 x: the tape labels every
    // 20 kt, 50 pixels apart).
    EXPECT_NEAR(bugY - kCentreY * scale, 25 * scale, 1.0) << scale;
  }
}

}  // namespace
