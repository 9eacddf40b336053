// The full layout's attitude area: where its flags and texts sit (panel pixels at scale 1, origin
// at the panel's lower-left corner, y up), and its drawing. Today's picture gives the area its
// sphere, roll scale, aircraft symbol and ILS scales; over and around them the full layout puts the
// attitude flag, the radio altitude, the marker beacon and the tuned ILS.
#pragma once

#include "pfd/full_layout.h"
#include "pfd/panel_layout.h"
#include "pfd/tape_rules.h"
#include "pfd/texture_set.h"
#include "render/draw_list.h"

namespace full_layout {

// Where today's picture shows its sky and ground (the window in its artwork).
constexpr Box kAttitudeSphere{93, 150, 261, 345};

// The attitude flag ("ATT"), centred over the aircraft symbol's centre: the plate fills the gap
// between the symbol's wings.
constexpr double kAttitudeFlagX = kSymbolX;
constexpr double kAttitudeFlagY = kCentreY;
// The flags' plates reach this far beyond their letters' ink, and this far above and below the centre.
constexpr double kFlagMarginX = 4;
constexpr double kFlagHalfHeight = 9;

// The radio altitude: large figures (kRadioAltitudeSize times the text font) centred under the
// aircraft symbol, their ink standing on kRadioAltitudeInkBottom, inside the sphere's lower edge,
// on a black plate reaching kRadioAltitudePlateMargin beyond their ink (the pitch scale passes
// behind it).
constexpr double kRadioAltitudeSize = 1.5;
constexpr double kRadioAltitudeX = kSymbolX;
constexpr double kRadioAltitudeInkBottom = kAttitudeSphere.y0 + 9;
constexpr double kRadioAltitudePlateMargin = 3;

// The marker beacon ("OM", "MM", "IM"): a plate outlined in the marker's colour at the area's
// upper right, right of the roll scale's end; the tuned ILS's identifier over its DME at the upper
// left, left of the roll scale's end (the left ends of their ink, the lower ends of their figures).
constexpr double kMarkerX = 262;
constexpr double kMarkerY = 369;
constexpr double kIlsTextLeft = 68;
constexpr double kIlsIdentInkBottom = 373;
constexpr double kDmeInkBottom = 360;

// The box of the attitude flag's glyph cells (where a picture shows its letters on their plate).
constexpr Box AttitudeFlagCells() {
  // "ATT": three cells, two advances apart, their ink centred on the flag's centre.
  const double inkWidth = 2 * kGlyphAdvance + kGlyphWidth * 9 / 16;
  const double x = kAttitudeFlagX - inkWidth / 2 - kGlyphWidth / 16;
  const double y = kAttitudeFlagY - kGlyphBaseline - kGlyphCapHeight / 2;
  return {x, y, x + 2 * kGlyphAdvance + kGlyphWidth, y + kGlyphHeight};
}

}  // namespace full_layout

// The attitude area's picture in today's picture's viewport (as DrawFullFramePanel sets it): the
// sphere with its pitch scale and the roll pointer (neither when the attitude is lost; the
// pointer amber from 35 degrees of bank), the roll scale and aircraft symbol, and the ILS scales
// with the pointers whose deviations are known.
void DrawFullAttitudePicture(render::DrawList& list, const PanelResources& resources,
                             const FullFrameDescription& frame);
// The attitude area's texts in the full panel's orthographic projection (as DrawFullFrameGuidance
// sets it; `layout` places the panel): the "ATT" flag, the radio altitude or its "RA" flag, the
// marker beacon, and the ILS identifier and DME.
void DrawFullAttitudeTexts(render::DrawList& list, const PanelResources& resources, const FullFrameDescription& frame,
                           const PanelLayout& layout);
