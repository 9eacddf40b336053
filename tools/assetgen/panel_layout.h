// The panel's design in screen space: where the symbols sit, and the palette.
#pragma once

#include "image.h"
#include "shapes.h"

namespace assetgen::layout {

// Palette.
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kSky{20, 125, 215};
constexpr Rgb kGround{135, 82, 32};
constexpr Rgb kSymbolYellow{255, 214, 0};
constexpr Rgb kMagenta{255, 40, 255};
constexpr Rgb kTape{58, 62, 72};
constexpr Rgb kBezel{34, 36, 42};
constexpr Rgb kBezelEdge{78, 82, 94};
constexpr Rgb kPlateGrey{150, 150, 158};

// The aircraft symbol's centre; the flight-director bars cross here at zero command and the
// horizon line passes through it at zero pitch.
Vec2 AircraftSymbol();
// The roll pointer turns about this point, so the roll scale is centred on it.
Vec2 RollCentre();

// Attitude area: straight sides, an arc on top (concentric with the roll scale), a flat bottom.
constexpr double kAttitudeHalfWidth = 84.0;
constexpr double kAttitudeTopRadius = 92.0;
constexpr double kAttitudeBottom = 68.0;
constexpr double kAttitudeCorner = 14.0;
Shape AttitudeArea();

// Roll scale and pointer radii from the roll centre.
constexpr double kRollScaleRadius = 106.0;  // inner end of the scale marks
constexpr double kRollPointerTip = 104.0;
constexpr double kRollPointerBase = 94.5;

// Deviation scales: reference points of the indices and their full travel in pixels.
Vec2 GlideSlopeCentre();
double GlideSlopeTravelPx();
Vec2 LocalizerCentre();
double LocalizerTravelPx();

// Horizon: screen height of the horizon line at zero pitch, and pixels per degree.
double HorizonLineY();
double PixelsPerDegree();

}  // namespace assetgen::layout
