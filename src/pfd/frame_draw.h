// Executes a frame description: the layers, the flight-director bars and the texts, in order.
#pragma once

#include "pfd/frame_rules.h"

// Draws the attitude, the ILS scales and the speed plate, calls `afterSpeedPlate` (when given),
// then draws the bars and prints the texts in their colours.
void DrawFrameDescription(const FrameDescription& frame, void (*afterSpeedPlate)() = nullptr);
// Sets the current GL colour the way the display sets it for that text colour.
void SetTextColour(TextColour colour);
