// Where each panel quad of the display lands on the window's client area, in pixels.
#pragma once

#include <string>
#include <vector>

#include "pfd/frame_rules.h"  // the horizon's texture units per degree of pitch
#include "pfd/panel_quads.h"

namespace assetgen {

// A point on the client area: pixels, origin at the bottom-left corner, y up.
struct Vec2 {
  double x = 0.0;
  double y = 0.0;
};

// One textured square as the display draws it: centre and edge length on the screen.
struct QuadPlacement {
  std::string file;   // texture file the quad shows
  double modelX = 0;  // translation in model units, as the layers draw it
  double modelY = 0;
  double depth = 0;   // distance in front of the eye (z = -depth)
  double halfSize = 0;
  int texels = 0;     // edge length of the baked texture (a power of two, see kSharpestScale)

  double Scale() const;        // pixels per model unit at this depth
  Vec2 Centre() const;         // quad centre on the screen
  double SizePx() const;       // quad edge length on the screen
  // Screen position of the centre of texel (i, j); row j = 0 is the quad's bottom edge.
  Vec2 TexelToScreen(int i, int j) const;
  // Texture coordinates (s, t) of a screen point for the unmoved quad (0..1 inside it).
  Vec2 ScreenToTexture(Vec2 screen) const;
};

// The largest panel scale the artwork is drawn for: every texture has at least one texel per
// screen pixel when the panel is shown this many times its 500 x 740 size, and the display's
// mipmaps bring it down to the smaller scales.
constexpr int kSharpestScale = 3;
// Edge length of the texture of a quad `sizePx` pixels wide at scale 1: the smallest power of two
// that gives kSharpestScale texels per pixel.
int TexelsFor(double sizePx);

// Pixels per model unit at depth d under the 45-degree, 500 x 740 projection.
double PixelsPerUnit(double depth);
// Model units to screen pixels for a point at the given depth.
Vec2 ModelToScreen(double x, double y, double depth);

// Vertical scroll of the horizon picture, in pixels per degree of pitch.
double HorizonPixelsPerDegree();

// Deflection ranges of the moving symbols, in model units at their own depth.
constexpr double kGlideSlopeTravelUnits = 127.0 * 0.0094488;    // index, depth 33
constexpr double kLocalizerTravelUnits = 127.0 * 0.0108661417;  // index, depth 39
constexpr double kFdPitchTravelUnits = 1.0;                     // horizontal bar, depth 17.2
constexpr double kFdBankTravelUnits = 0.84375;                  // vertical bar, depth 17.2

// The sixteen slot textures with their placements, in slot order (the horizon first).
const std::vector<QuadPlacement>& PanelQuads();
// The placement that draws the named texture file; throws std::out_of_range for an unknown name.
const QuadPlacement& QuadFor(const std::string& file);
// The placement of a slot's quad.
const QuadPlacement& QuadFor(TextureSlot slot);

}  // namespace assetgen
