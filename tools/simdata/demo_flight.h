// The built-in demo flight: a deterministic, looping flight that exercises every element of the display.
#pragma once

#include "pfd/flight_state.h"

namespace demo {

// Length of one loop of the demo, in seconds.
double LoopSeconds();
// The flight state (raw units of the read list) at demo time t seconds (taken modulo the loop).
FlightState StateAt(double t);

}  // namespace demo
