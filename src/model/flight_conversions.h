// Turns a frame's raw simulator values into display units (pitch offset, feet, deviations, inclination).
#pragma once

#include "model/interface_values.h"

// The horizon texture's shift per degree of pitch: the frames pass Pitch x this to the horizon.
constexpr double kPitchOffsetPerDegree = 0.0058;

// The IPC frame converts the glide-slope inclination to whole degrees; the network frame keeps the raw value.
enum class InclinationRule { Degrees, Raw };

// Applies the conversions in place (needles limited to -127..+127 and written back).
void ApplyConversions(InterfaceValues& state, InclinationRule rule);
