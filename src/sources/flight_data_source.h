// Where a frame's flight values come from: the simulator on this PC or the data server. The display
// owns one source for its whole run; each frame asks it for the values once.
#pragma once

#include "model/flight_conversions.h"
#include "model/flight_state.h"

class FlightDataSource {
 public:
  virtual ~FlightDataSource() = default;

  // Fills the raw fields of `state` (zero-filled by the caller) for one frame, values that do not
  // arrive staying zero. True when every value arrived; false puts the failure flag on the frame.
  virtual bool Fetch(FlightState& state) = 0;
  // How this source's glide-slope inclination reads (the conversions differ by source).
  virtual InclinationRule Inclination() const = 0;
  // The frame's pause between the panel and the guidance, when the source has one.
  virtual void PauseAfterPanel() {}
  // Called once per main-loop pass: a source that reconnects does it from here, bounded in time.
  virtual void Service() {}
  // True while the link to the values is up (the window title says so).
  virtual bool LinkUp() const = 0;
};
