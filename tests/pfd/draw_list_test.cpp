// Where the panel's shapes land, asked of the draw list alone (no GL context): the renderer records
// a picture and the list's geometry says where each command's quad falls in window pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <tuple>
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

// --- The full layout's drawing, room for each shape ---

constexpr uint32_t kFont = 3000, kFullBase = 2000;
const render::Colour kDrawnMagenta{255, 40, 255, 255}, kDrawnAmber{255, 195, 0, 255}, kDrawnBlack{0, 0, 0, 255};

// A full-layout renderer with texture names of our own, the panel at `scale`.
struct FullPanel {
  PanelRenderer renderer{PanelKind::Full};
  double scale;
  explicit FullPanel(double s) : scale(s) {
    using namespace full_layout;
    for (int slot = 0; slot < FullSlotCount; ++slot) renderer.MutableFullTextures().names[slot] = kFullBase + slot;
    renderer.MutableResources().FontTexture = kFont;
    renderer.SetSurface(int(kPanelWidth * s), int(kPanelHeight * s));
    PanelLayout layout = FullStandardLayout();
    layout.scale = s;
    renderer.SetLayout(layout);
  }
  render::DrawList Record(const PrimaryFlightValues& v, const Reading& speedTrend10s = {}) {
    PanelPicture picture;
    picture.kind = PanelKind::Full;
    picture.full = DecideFullFrame(FrameDescription{}, v, speedTrend10s, BaroUnit::Hpa);
    return renderer.Record(picture);
  }
  // A box of the panel in window pixels.
  full_layout::Box Window(const full_layout::Box& b) const {
    return {b.x0 * scale, b.y0 * scale, b.x1 * scale, b.y1 * scale};
  }
};

bool Overlap(const full_layout::Box& a, const full_layout::Box& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}
full_layout::Box BoxOf(const render::DrawList::Bounds& b) { return {b.x0, b.y0, b.x1, b.y1}; }
full_layout::Box Grown(const full_layout::Box& b, double by) { return {b.x0 - by, b.y0 - by, b.x1 + by, b.y1 + by}; }

// The ink of a text drawn by a glyph run: from the first glyph's ink to the last's, a digit's height
// (the glyph cells less their empty columns and rows), in window pixels.
full_layout::Box InkOfRun(const render::DrawList::Bounds& cells, double scale) {
  using namespace full_layout;
  return {cells.x0 + kGlyphInkLeft * scale, cells.y0 + kGlyphBaseline * scale,
          cells.x1 - (kGlyphWidth - kGlyphInkRight) * scale, cells.y0 + (kGlyphBaseline + kGlyphCapHeight) * scale};
}

// Every value valid around 250 kt and 10,000 ft, heading 090.
PrimaryFlightValues Cruise() {
  PrimaryFlightValues v;
  v.indicatedAirspeedKt = {250, true};
  v.mach = {0.78, true};
  v.headingMagneticDeg = {90, true};
  v.verticalSpeedFpm = {0, true};
  v.altitudeFt = {10000, true};
  v.selectedAirspeedKt = {250, true};
  v.selectedAltitudeFt = {10000, true};
  v.selectedHeadingDeg = {90, true};
  v.selectedVerticalSpeedFpm = {0, true};
  v.altimeterSettingHpa = {1013, true};
  return v;
}

// No figure of either tape is ever drawn on or against the readout box and its drum window: a
// label that would touch them is left out, at any speed and altitude and at 1 x and 2 x.
TEST(DrawListGeometry, TapeLabelsNeverTouchTheReadoutBoxes) {
  using namespace full_layout;
  for (const double scale : {1.0, 2.0}) {
    FullPanel panel(scale);
    int labels = 0;
    for (int step = 0; step < 160; ++step) {
      PrimaryFlightValues v = Cruise();
      v.indicatedAirspeedKt.value = 200 + step * 0.63;
      v.altitudeFt.value = 9000 + step * 13.7;
      const render::DrawList list = panel.Record(v);
      for (const auto& [tape, box, window] : {std::tuple{kSpeedTape, kSpeedBox, kSpeedDrumWindow},
                                              std::tuple{kAltitudeTape, kAltitudeBox, kAltitudeDrumWindow}}) {
        const render::PixelRect tapeClip{int(std::lround(tape.x0 * scale)), int(std::lround(tape.y0 * scale)),
                                         int(std::lround(tape.x1 * scale)) - int(std::lround(tape.x0 * scale)),
                                         int(std::lround(tape.y1 * scale)) - int(std::lround(tape.y0 * scale))};
        for (const render::Command& c : list.commands) {
          if (c.texture != kFont || c.clip.x != tapeClip.x || c.clip.y != tapeClip.y || c.clip.w != tapeClip.w ||
              c.clip.h != tapeClip.h)
            continue;
          ++labels;
          const Box ink = InkOfRun(list.WindowBounds(c), scale);
          EXPECT_FALSE(Overlap(ink, panel.Window(Grown(box, kBoxLine))))
              << "a label on the readout box at " << v.indicatedAirspeedKt.value << " kt, " << v.altitudeFt.value
              << " ft, scale " << scale << ", ink from y " << ink.y0 << " to " << ink.y1;
          EXPECT_FALSE(Overlap(ink, panel.Window(Grown(window, kBoxLine))))
              << "a label on the drum window at " << v.indicatedAirspeedKt.value << " kt, " << v.altitudeFt.value
              << " ft, scale " << scale << ", ink from y " << ink.y0 << " to " << ink.y1;
        }
      }
    }
    EXPECT_GT(labels, 160 * 4) << "the tapes' labels drawn";
  }
}

// A selected heading beyond what the card shows parks its bug at the card's edge, the whole bug
// above the panel's lower edge and inside its sides; one the card shows sits where it is.
TEST(DrawListGeometry, AParkedHeadingBugStandsWholeInsideThePanel) {
  using namespace full_layout;
  for (const double scale : {1.0, 2.0}) {
    FullPanel panel(scale);
    for (const double selected : {90.0 + 90, 90.0 - 90, 90.0 + 58, 90.0 - 175, 90.0 + 30}) {
      PrimaryFlightValues v = Cruise();
      v.selectedHeadingDeg.value = selected;
      const render::DrawList list = panel.Record(v);
      int bugs = 0;
      for (const render::Command& c : list.commands) {
        if (c.texture != kFullBase + FullSlotBug) continue;
        const Box b = BoxOf(list.WindowBounds(c));
        if (b.y1 > kClassicCrop.y0 * scale) continue;  // the tapes' bugs
        ++bugs;
        // The bug's shape: its quad less the artwork's margin of 2 pixels.
        const Box shape = Grown(b, -2 * scale);
        EXPECT_GE(shape.y0, 0) << "cut by the panel's lower edge: selected " << selected << ", scale " << scale;
        EXPECT_GE(shape.x0, 0);
        EXPECT_LE(shape.x1, kPanelWidth * scale);
      }
      EXPECT_EQ(bugs, 1) << selected;
    }
  }
}

// The selected vertical speed's bug and the needle's tip stand clear of the 1, 2 and 6 labels,
// wherever the bug and the needle are.
TEST(DrawListGeometry, VerticalSpeedBugAndNeedleClearOfTheLabels) {
  using namespace full_layout;
  for (const double scale : {1.0, 2.0}) {
    FullPanel panel(scale);
    for (const double fpm : {1000.0, -1000.0, 2000.0, -2000.0, 6000.0, -6000.0, 1500.0}) {
      PrimaryFlightValues v = Cruise();
      v.verticalSpeedMode = true;
      v.selectedVerticalSpeedFpm.value = fpm;
      v.verticalSpeedFpm.value = fpm;
      const render::DrawList list = panel.Record(v);
      const Box scaleBox = panel.Window(kVerticalSpeedScale);
      std::vector<Box> labels, shapes;
      for (const render::Command& c : list.commands) {
        const Box b = BoxOf(list.WindowBounds(c));
        const double x = (b.x0 + b.x1) / 2, y = (b.y0 + b.y1) / 2;
        const bool onScale = x > scaleBox.x0 && x < scaleBox.x1 && y > scaleBox.y0 && y < scaleBox.y1;
        if (!onScale) continue;
        if (c.texture == kFont) labels.push_back(InkOfRun(list.WindowBounds(c), scale));
        if (c.texture == kFullBase + FullSlotBug) shapes.push_back(Grown(b, -2 * scale));
        if (c.texture == kFullBase + FullSlotNeedle) shapes.push_back(b);
      }
      ASSERT_EQ(labels.size(), 6u) << fpm;
      ASSERT_EQ(shapes.size(), 2u) << "the bug and the needle at " << fpm;
      for (const Box& label : labels)
        for (const Box& shape : shapes)
          EXPECT_FALSE(Overlap(label, shape)) << "on a label at " << fpm << " ft/min, scale " << scale << ": shape x "
                                              << shape.x0 << " to " << shape.x1 << ", label x " << label.x0 << " to "
                                              << label.x1;
    }
  }
}

// A flagged instrument is removed behind its flag: nothing of the vertical speed, the speed tape
// (Mach included) or the altitude tape is drawn but the amber flag on its black plate; the heading
// keeps no card, bug or box.
TEST(DrawListGeometry, AFlaggedInstrumentIsRemovedBehindItsFlag) {
  using namespace full_layout;
  FullPanel panel(1.0);
  struct Case {
    const char* name;
    Reading PrimaryFlightValues::*value;
    Box area;
  };
  const Box speedArea{kSpeedTape.x0 - 6, kBelowTapeTextY, kSpeedTape.x1, kSpeedTape.y1};
  const Box altitudeArea{kAltitudeTape.x0, kAltitudeTape.y0, kAltitudeTape.x1, kAltitudeTape.y1};
  for (const Case& k : {Case{"V/S", &PrimaryFlightValues::verticalSpeedFpm, kVerticalSpeedScale},
                        Case{"SPD", &PrimaryFlightValues::indicatedAirspeedKt, speedArea},
                        Case{"ALT", &PrimaryFlightValues::altitudeFt, altitudeArea}}) {
    PrimaryFlightValues v = Cruise();
    v.verticalSpeedMode = true;
    v.verticalSpeedFpm.value = 1500;
    v.selectedVerticalSpeedFpm.value = 1000;
    v.selectedAirspeedKt.value = 260;
    v.selectedAltitudeFt.value = 10500;
    (v.*k.value).valid = false;
    const render::DrawList list = panel.Record(v);
    int flagged = 0;
    for (const render::Command& c : list.commands) {
      const render::DrawList::Bounds b = list.WindowBounds(c);
      const double x = (b.x0 + b.x1) / 2, y = (b.y0 + b.y1) / 2;
      if (c.primitive == render::Primitive::Clear || x < k.area.x0 || x > k.area.x1 || y < k.area.y0 || y > k.area.y1)
        continue;
      const bool flag = c.colour == kDrawnAmber || (c.colour == kDrawnBlack && !c.textured);
      EXPECT_TRUE(flag) << k.name << ": a command of colour " << int(c.colour.r) << "," << int(c.colour.g) << ","
                        << int(c.colour.b) << (c.textured ? " textured" : "") << " at " << x << ", " << y;
      flagged += flag;
    }
    EXPECT_GE(flagged, 2) << k.name << ": the flag's plate and text";
  }
  PrimaryFlightValues v = Cruise();
  v.headingMagneticDeg.valid = false;
  v.selectedHeadingDeg.value = 120;
  const render::DrawList list = panel.Record(v);
  for (const render::Command& c : list.commands) {
    if (c.primitive == render::Primitive::Clear) continue;
    const render::DrawList::Bounds b = list.WindowBounds(c);
    if (b.y1 > kClassicCrop.y0) continue;  // the heading is below the attitude
    EXPECT_TRUE(c.texture != kFullBase + FullSlotCard && c.texture != kFullBase + FullSlotBug &&
                c.texture != kFullBase + FullSlotHeadingBox)
        << "HDG: the card, its bug or its box drawn under the flag";
  }
}

// The characters a glyph run prints, read back from its quads' places in the font (16 x 16 cells,
// the first row of the texture's top holding code 32).
std::string TextOf(const render::DrawList& list, const render::Command& c) {
  std::string text;
  for (uint32_t k = 0; k + 4 <= c.vertexCount; k += 4) {
    const render::Vertex& v = list.vertices[c.vertexBegin + k];
    const int column = int(std::lround(v.u * 16)), row = int(std::lround((1 - v.v) * 16)) - 1;
    text.push_back(char((row * 16 + column) % 128 + 32));
  }
  return text;
}

// The readouts' digits left of the drums turn with them: at 149.5 kt the tens digit shows its 5
// half a row above the centre line and its 4 half a row below while the 1 stands still; at -190 ft
// the hundreds turn from 1 to 2 with the minus standing still on the centre line.
TEST(DrawListGeometry, TheDigitsLeftOfTheDrumTurnWithIt) {
  using namespace full_layout;
  FullPanel panel(1.0);
  // Each glyph run left of the drum, by what it prints: its height from the centre line.
  auto digits = [&](const Box& box, const PrimaryFlightValues& v) {
    const render::DrawList list = panel.Record(v);
    std::map<std::string, double> out;
    for (const render::Command& c : list.commands) {
      if (c.texture != kFont) continue;
      const render::DrawList::Bounds b = list.WindowBounds(c);
      const double x = (b.x0 + b.x1) / 2, y = b.y0 + kGlyphBaseline + kGlyphCapHeight / 2;
      // Heights to half a pixel.
      if (x > box.x0 && x < box.x1 && std::fabs(y - kCentreY) < kDrumPitch)
        out[TextOf(list, c)] = std::round((y - kCentreY) * 2) / 2;
    }
    return out;
  };
  using Rows = std::map<std::string, double>;
  PrimaryFlightValues v = Cruise();
  v.indicatedAirspeedKt.value = 149.5;
  v.altitudeFt.value = -190;
  const Box speedFixed{kSpeedBox.x0, kSpeedBox.y0, kSpeedDrum.x0, kSpeedBox.y1};
  EXPECT_EQ(digits(speedFixed, v), (Rows{{"1", 0.0}, {"4", -kDrumPitch / 2}, {"5", kDrumPitch / 2}}));
  // Below zero the figures grow downwards: -180 above, -200 below.
  EXPECT_EQ(digits({kAltitudeBox.x0, kAltitudeBox.y0, kAltitudeDrum.x0, kAltitudeBox.y1}, v),
            (Rows{{"-", 0.0}, {"1", kDrumPitch / 2}, {"2", -kDrumPitch / 2}}));
  // Off the turn, the digits stand whole on the centre line.
  v.indicatedAirspeedKt.value = 147.5;
  EXPECT_EQ(digits(speedFixed, v), (Rows{{"14", 0.0}}));
}

// However small the speed trend, its arrow has a shaft behind its head.
TEST(DrawListGeometry, ASmallTrendArrowStillHasAShaft) {
  using namespace full_layout;
  for (const double scale : {1.0, 2.0}) {
    FullPanel panel(scale);
    for (const double trend : {2.0, -2.0, 20.0}) {
      const render::DrawList list = panel.Record(Cruise(), {trend, true});
      double shaft = 0;
      int heads = 0;
      for (const render::Command& c : list.commands) {
        if (c.texture == kFullBase + FullSlotTrendHead) ++heads;
        if (c.textured || !(c.colour == render::Colour{0, 255, 0, 255})) continue;
        const render::DrawList::Bounds b = list.WindowBounds(c);
        shaft = std::max(shaft, b.y1 - b.y0);
      }
      EXPECT_EQ(heads, 1) << trend;
      EXPECT_GE(shaft, kTrendMinShaft * scale) << trend << " kt at scale " << scale;
    }
  }
}

}  // namespace
