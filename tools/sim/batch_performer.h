// Performing one batch of request records against the simulator data area, and spoiling one on purpose.
#pragma once

#include <cstdint>
#include <string>

#include "simdata/sim_data_area.h"

namespace sim {

struct BatchOutcome {
  bool complete = false;   // the end marker was reached
  uint32_t reads = 0;
  uint32_t writes = 0;
  std::string problem;     // why the batch stopped early (complete == false)
};

// Walks the records from the start of `block` (`size` bytes) up to the end marker: a read fills its
// data bytes from the area (zeros where the range leaves the area), a write stores its data bytes.
// Headers stay as they are. A record that runs off the block or has an unknown identifier ends the
// batch there.
BatchOutcome PerformBatch(uint8_t* block, uint32_t size, SimDataArea& area);

// Overwrites the headers of a performed batch with garbage; `variant` picks the kind: wild
// identifiers, destination fields pointing elsewhere with sizes grown past the block, or a first
// record whose size no longer matches the queue and an end marker that is not one.
void ScribbleBatch(uint8_t* block, uint32_t size, uint64_t variant);

}  // namespace sim
