// The full layout's geometry: where each instrument sits on the full panel, in panel pixels at
// scale 1 (origin at the panel's lower-left corner, y up), and the scales of the tapes. Pure
// constants shared by the frame rules, the drawing and the artwork generator.
#pragma once

namespace full_layout {

// The panel: the speed tape left, today's attitude picture in the middle, the altitude tape and
// the vertical speed right, the heading below and the mode annunciator along the top.
constexpr int kPanelWidth = 460;
constexpr int kPanelHeight = 424;

// Today's picture is drawn on its own 500 x 740 surface whose lower-left corner sits here on the
// panel, and is shown only inside the crop below (in the surface's own pixels): the attitude
// area, the roll scale, the ILS scales, the marker letter and the radio altitude, without the
// speed plate on its left and the window's bezel around it.
constexpr int kClassicOriginX = 14;
constexpr int kClassicOriginY = 82;
constexpr int kClassicCropX0 = 58;
constexpr int kClassicCropY0 = 10;
constexpr int kClassicCropX1 = 327;
constexpr int kClassicCropY1 = 298;

// A rectangle in panel pixels.
struct Box {
  double x0, y0, x1, y1;
  constexpr double Width() const { return x1 - x0; }
  constexpr double Height() const { return y1 - y0; }
  constexpr double CentreX() const { return (x0 + x1) / 2; }
  constexpr double CentreY() const { return (y0 + y1) / 2; }
};

constexpr Box kClassicCrop{kClassicOriginX + kClassicCropX0, kClassicOriginY + kClassicCropY0,
                           kClassicOriginX + kClassicCropX1, kClassicOriginY + kClassicCropY1};

// The aircraft symbol of today's picture (165, 165 on its surface): the tapes' readouts are
// centred on its height and the heading scale on its x.
constexpr double kSymbolX = kClassicOriginX + 165.0;
constexpr double kCentreY = kClassicOriginY + 165.0;

// The text font: glyph cells 16 text units square, 12.5 x 16 pixels, advancing 7.8125 pixels.
constexpr double kGlyphWidth = 12.5;
constexpr double kGlyphHeight = 16.0;
constexpr double kGlyphAdvance = 7.8125;
// The ink of a digit or capital stands from 4 to 14 pixels above its cell's lower edge.
constexpr double kGlyphBaseline = 4.0;
constexpr double kGlyphCapHeight = 10.0;
// A text's ink runs from kGlyphInkLeft into its first cell to kGlyphInkRight into its last.
constexpr double kGlyphInkLeft = kGlyphWidth / 16;
constexpr double kGlyphInkRight = kGlyphWidth * 10 / 16;

// --- Speed tape (left) ---
constexpr Box kSpeedTape{18, kCentreY - 112, 64, kCentreY + 112};
constexpr double kSpeedPxPerKt = 2.5;
constexpr int kSpeedTickKt = 10;
constexpr int kSpeedLabelKt = 20;
constexpr double kSpeedTickLong = 9;   // at the labels
constexpr double kSpeedTickShort = 6;
constexpr double kTickWidth = 1.4;
// Labels end this far left of the tape's right edge (they are right-aligned).
constexpr double kSpeedLabelRight = kSpeedTape.x1 - 12;
// The readout box (its drum window reaches higher and lower), its pointer touching the ticks.
constexpr Box kSpeedBox{14, kCentreY - 13, 51, kCentreY + 13};
constexpr double kSpeedPointerTip = 59;
// The readout boxes' drum windows reach this far above and below the centre line: the digits
// rolling in them are cut there, at the windows' inner edges.
constexpr double kDrumHalfHeight = 20;
// The rolling ones digit's window, and the distance between two rolled digits.
constexpr Box kSpeedDrum{kSpeedBox.x1 - 10, kCentreY - kDrumHalfHeight, kSpeedBox.x1 - 1.5, kCentreY + kDrumHalfHeight};
constexpr double kDrumPitch = 14;
// The trend arrow runs along the ticks, right of the box's pointer (from the centre line).
constexpr double kSpeedTrendX = kSpeedTape.x1 - 3;
// The trend arrow's head is this long; however small the trend, the arrow shows at least
// kTrendMinShaft of shaft behind it.
constexpr double kTrendHeadLength = 8;
constexpr double kTrendMinShaft = 4;
// The bugs ride on a scale's edge.
constexpr double kBugHalfHeight = 7;
constexpr double kBugDepth = 7;
// Texts above and below a tape: the lower-left corners' heights of their glyph cells.
constexpr double kAboveTapeTextY = kSpeedTape.y1 + 4;
constexpr double kBelowTapeTextY = kSpeedTape.y0 - 20;
// The altitude alert's outline stands this far outside the selected altitude's ink.
constexpr double kAltitudeAlertPad = 3;

// --- Altitude tape (right of the attitude) ---
constexpr Box kAltitudeTape{350, kCentreY - 112, 412, kCentreY + 112};
constexpr double kAltitudePxPerFt = 0.2;
constexpr int kAltitudeTickFt = 100;
constexpr int kAltitudeLabelFt = 500;
constexpr double kAltitudeTickLong = 9;
constexpr double kAltitudeTickShort = 6;
constexpr double kAltitudeLabelLeft = kAltitudeTape.x0 + 12;
constexpr Box kAltitudeBox{kAltitudeTape.x0 + 8, kCentreY - 13, kAltitudeTape.x1 + 4, kCentreY + 13};
constexpr double kAltitudePointerTip = kAltitudeTape.x0 + 0.5;
// The last two digits roll in steps of 20 feet.
constexpr Box kAltitudeDrum{kAltitudeBox.x1 - 18, kCentreY - kDrumHalfHeight, kAltitudeBox.x1 - 1.5,
                            kCentreY + kDrumHalfHeight};

// --- Vertical speed (right of the altitude tape) ---
constexpr Box kVerticalSpeedScale{418, kCentreY - 104, 458, kCentreY + 104};
// From left to right: the labels (right-aligned), the selected rate's bug (its notch on the marks'
// left ends, clear of the labels), the marks, and the needle from the marks to the scale's right
// edge, turned towards its hidden pivot far to the right at the centre's height.
constexpr double kVerticalSpeedLabelRight = kVerticalSpeedScale.x0 + 9.5;
constexpr double kVerticalSpeedMarkX = kVerticalSpeedScale.x0 + 20;
constexpr double kVerticalSpeedPivotX = kVerticalSpeedScale.x0 + 90;
constexpr double kVerticalSpeedHalfTravel = 96;
// The scale is linear in pieces: up to 1,000 ft/min, from 1,000 to 2,000 and from 2,000 to 6,000,
// each piece these pixels from the centre at its end.
constexpr double kVsPx1000 = 44;
constexpr double kVsPx2000 = 68;
constexpr double kVsPx6000 = kVerticalSpeedHalfTravel;
constexpr double kVerticalSpeedMaxFpm = 6000;

// Pixels from the centre line for a vertical speed in ft/min (clamped to +-6,000).
constexpr double VerticalSpeedOffsetPx(double fpm) {
  const double a = fpm < 0 ? -fpm : fpm;
  double px = 0;
  if (a <= 1000)
    px = a * kVsPx1000 / 1000;
  else if (a <= 2000)
    px = kVsPx1000 + (a - 1000) * (kVsPx2000 - kVsPx1000) / 1000;
  else if (a <= kVerticalSpeedMaxFpm)
    px = kVsPx2000 + (a - 2000) * (kVsPx6000 - kVsPx2000) / 4000;
  else
    px = kVsPx6000;
  return fpm < 0 ? -px : px;
}

// --- Heading (below the attitude) ---
// A compass card turning about a centre below the panel; its top arc shows between the readout
// box and the panel's lower edge.
constexpr double kRoseCentreX = kSymbolX;
constexpr double kRoseCentreY = -66;
constexpr double kRoseOuterRadius = 132;
constexpr double kRoseInnerRadius = 100;
// Half the angle of the card the panel shows (the card reaches the panel's lower edge there).
constexpr double kRoseShownHalfAngleDeg = 60;
// The selected heading's bug parks this far from the lubber line: there the whole bug still stands
// above the panel's lower edge.
constexpr double kHeadingBugParkDeg = 51;
constexpr Box kHeadingBox{kSymbolX - 19, 70, kSymbolX + 19, 90};
// The lubber line: from the box's lower edge into the card.
constexpr double kLubberBottom = kRoseCentreY + kRoseOuterRadius - 10;
// The selected heading, left of the box.
constexpr double kSelectedHeadingX = kHeadingBox.x0 - 62;

// --- Artwork (generated textures, each drawn over a rectangle of the panel) ---
enum FullSlot : int {
  FullSlotCard = 0,        // the heading card (an image), see below
  FullSlotSpeedBoxMask,    // readout boxes: a mask that cuts the box out of what is below...
  FullSlotSpeedBox,        // ...and its outline, added
  FullSlotAltitudeBoxMask,
  FullSlotAltitudeBox,
  FullSlotHeadingBoxMask,  // the heading readout box with the lubber line
  FullSlotHeadingBox,
  FullSlotBugMask,         // a selected-value bug, notch on its left
  FullSlotBug,
  FullSlotTrendHeadMask,   // the speed-trend arrow's head, pointing up, tip at (0, 0)
  FullSlotTrendHead,
  FullSlotNeedle,          // the vertical speed's needle along x, see kNeedleArt
  FullSlotCount,
};
// Images are white shapes on black, added in a colour; masks are black shapes on white, multiplied
// (as today's panel composes its artwork).
constexpr const char* kFullTextureFiles[FullSlotCount] = {
    "hdg_card.txr",   "spd_box_mask.txr", "spd_box.txr",    "alt_box_mask.txr",
    "alt_box.txr",    "hdg_box_mask.txr", "hdg_box.txr",    "bug_mask.txr",
    "bug.txr",        "trend_head_mask.txr", "trend_head.txr", "vs_needle.txr",
};

constexpr double kBoxLine = 1.5;
// The drum windows' shapes: the readout boxes reach this high around their drums (their outlines
// stand kBoxLine outside them).
constexpr Box kSpeedDrumWindow{kSpeedDrum.x0 - 1.5, kCentreY - kDrumHalfHeight, kSpeedBox.x1,
                               kCentreY + kDrumHalfHeight};
constexpr Box kAltitudeDrumWindow{kAltitudeDrum.x0 - 1.5, kCentreY - kDrumHalfHeight, kAltitudeBox.x1,
                                  kCentreY + kDrumHalfHeight};
constexpr Box kSpeedBoxArt{kSpeedBox.x0 - 3, kCentreY - kDrumHalfHeight - 3, kSpeedPointerTip + 3,
                           kCentreY + kDrumHalfHeight + 3};
constexpr Box kAltitudeBoxArt{kAltitudePointerTip - 3, kCentreY - kDrumHalfHeight - 3, kAltitudeBox.x1 + 3,
                              kCentreY + kDrumHalfHeight + 3};
constexpr Box kHeadingBoxArt{kHeadingBox.x0 - 3, kLubberBottom - 3, kHeadingBox.x1 + 3, kHeadingBox.y1 + 3};
// The bug about its reference point: the middle of its notched edge, which rides on the scale.
constexpr Box kBugArt{-2, -kBugHalfHeight - 2, kBugDepth + 2, kBugHalfHeight + 2};
constexpr Box kTrendHeadArt{-6, -10, 6, 2};
// The needle about its tip (at the marks), pointing along +x; drawn turned towards the pivot.
constexpr double kNeedleLength = kVerticalSpeedScale.x1 - 1 - kVerticalSpeedMarkX;
constexpr double kNeedleWidth = 2.2;
constexpr Box kNeedleArt{-1, -3, kNeedleLength + 1, 3};

// The heading card's texture: four rows, one for each quarter of the card (north to east at the
// bottom), each holding its quarter and kCardMarginDeg either side, angle along the row and radius
// from kCardBandInner to kCardBandOuter across it.
constexpr int kCardRows = 4;
constexpr double kCardMarginDeg = 4;
constexpr double kCardBandInner = kRoseInnerRadius - 5;
constexpr double kCardBandOuter = kRoseOuterRadius + 5;

// --- Flight mode annunciator (along the top, over the attitude) ---
// Three columns (autothrottle, roll, pitch) parted by lines, the active modes on the upper line,
// the armed ones below, the autopilot's status centred under them. The heights are the lower edges
// of each line's glyph cells; a changed mode's box stands kModeBoxPad outside its ink.
constexpr Box kModeStrip{kClassicCrop.x0, 374, kClassicCrop.x1, 424};
constexpr double kModeActiveY = 405;
constexpr double kModeArmedY = 389;
constexpr double kModeStatusY = 373;
constexpr double kModeBoxPad = 2;

// --- The flight envelope (speed bands, minimums, slip, flight path, track, runway) ---
// The speed bands run along the speed tape's right edge, in red and black blocks.
constexpr double kBandWidth = 5;
constexpr double kBandBlock = 6;
// The minimum manoeuvre bar: an amber outline beside the bands.
constexpr double kManoeuvreBarX0 = kSpeedTape.x1 - kBandWidth - 4;
constexpr double kManoeuvreBarX1 = kSpeedTape.x1 - kBandWidth - 1;
// The minimums' text under the altimeter setting; the alert in the attitude area's lower left, left
// of the radio altitude and level with it, clear of the rising runway's path (its ink's middle here).
constexpr double kMinimumsTextY = kBelowTapeTextY - 18;
constexpr double kMinimumsAlertX = kSymbolX - 52;
constexpr double kMinimumsAlertY = kCentreY - 80.5;
// Above a radio altitude of four figures (no runway is shown then), centred over it.
constexpr double kMinimumsAboveY = kCentreY - 60;
// Today's picture's pitch scale: the horizon texture moves 0.0058 of its 2-unit quad per degree, at
// 3 units from the eye under the 45-degree view of the 740-pixel-high surface.
constexpr double kPitchPxPerDeg = 0.0058 * 2.0 * 370.0 / 0.41421356237 / 3.0;
// The roll pointer turns about this point (its quad's centre seen on the surface); its base is
// kRollPointerBase from it. The slip bar sits just below, moving along its travel either side.
constexpr double kRollPivotX = kClassicOriginX + 162.9;
constexpr double kRollPivotY = kClassicOriginY + 171.0;
constexpr double kRollPointerBase = 96;
constexpr double kSlipBarRadius = kRollPointerBase - 2.5;  // its centre
constexpr double kSlipBarHalfWidth = 6;
constexpr double kSlipBarHalfHeight = 1.8;
constexpr double kSlipTravel = 9;   // the ball at full scale
// The flight path vector: a circle with wings and a fin.
constexpr double kFpvRadius = 5;
constexpr double kFpvWing = 9;
constexpr double kFpvFin = 6;
// The track line on the heading card: from inside the card's band to its outer edge, with a bar
// across it; hidden beyond the shown half angle.
constexpr double kTrackLineInner = kRoseInnerRadius - 14;
constexpr double kTrackBarRadius = kRoseInnerRadius - 6;
constexpr double kTrackBarHalf = 5;
constexpr double kMagTextX = kHeadingBox.x1 + 6;
// The rising runway: below 200 ft of radio altitude, from the attitude area's foot at 200 ft up
// to the aircraft symbol at 0 ft, across with the localiser deviation (the ILS scale's dots).
constexpr double kRunwayShownBelowFt = 200;
constexpr double kRunwayLowestPx = 88;    // its top edge below the symbol at 200 ft
constexpr double kRunwayHighestPx = 12;   // and at 0 ft
constexpr double kRunwayPxPerDot = 15.5;
constexpr double kRunwayMaxDots = 2.5;
constexpr double kRunwayHalfTop = 9, kRunwayHalfBottom = 15, kRunwayHeight = 8;

}  // namespace full_layout
