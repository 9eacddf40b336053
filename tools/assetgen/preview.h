// A software stand-in for the display's layers, to look at the artwork without the display program.
#pragma once

#include <map>
#include <string>

#include "image.h"

namespace assetgen {

// The flight state the preview draws, in the units the simulator data area uses.
struct PreviewState {
  double pitchDeg = 0.0;   // positive nose down
  double bankDeg = 0.0;    // positive left wing down (the horizon turns clockwise)
  int ilsState = 4;        // 0 nothing, 1 no-ILS plate, 4 ILS scales
  double gsNeedle = 0.0;   // -127..127, positive = index down
  double locNeedle = 0.0;  // -127..127, positive = index right
  bool flightDirector = true;
  double fdPitchDeg = 0.0;  // command minus attitude, as the frames limit it (+-27)
  double fdBankDeg = 0.0;
  bool sampleTexts = true;  // print the annunciations at their places
  int scale = 2;            // enlargement of the written PNG
};

// Composes the textures at their placements as the layers do (horizon, masks multiplied, images
// added, text added) over the 332 x 332 client canvas and writes a PNG. Throws on write failure.
void WritePreview(const std::string& path, const std::map<std::string, Image>& textures,
                  const Image& font, const PreviewState& state);

}  // namespace assetgen
