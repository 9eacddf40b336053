// Performs and (for fault tests) spoils request batches in a client's shared block, with bounds checks.
#include "sim/batch_performer.h"

#include <cstring>
#include <vector>
#include "platform/byte_order.h"
#include "model/sim_ipc_protocol.h"

namespace sim {

using simipc::kReadHeader;
using simipc::kWriteHeader;

BatchOutcome PerformBatch(uint8_t* block, uint32_t size, SimDataArea& area) {
  BatchOutcome out;
  uint32_t pos = 0;
  for (;;) {
    if (size - pos < 4) {
      out.problem = "no end marker before the end of the block";
      return out;
    }
    const uint32_t id = le::Get32(block + pos);
    if (id == 0) {
      out.complete = true;
      return out;
    }
    const uint32_t header = id == simipc::kReadId ? kReadHeader : id == simipc::kWriteId ? kWriteHeader : 0;
    if (header == 0) {
      out.problem = "unknown record identifier " + std::to_string(id) + " at byte " + std::to_string(pos);
      return out;
    }
    if (size - pos < header) {
      out.problem = "record header at byte " + std::to_string(pos) + " runs off the block";
      return out;
    }
    const uint32_t offset = le::Get32(block + pos + 4);
    const uint32_t n = le::Get32(block + pos + 8);
    if (n > size - pos - header) {
      out.problem = "record at byte " + std::to_string(pos) + " with " + std::to_string(n) +
                    " data bytes runs off the block";
      return out;
    }
    uint8_t* data = block + pos + header;
    if (id == simipc::kReadId) {
      if (!area.Read(offset, n, data)) std::memset(data, 0, n);
      ++out.reads;
    } else {
      area.Write(offset, n, data);  // a range outside the area is dropped
      ++out.writes;
    }
    pos += header + n;
  }
}

void ScribbleBatch(uint8_t* block, uint32_t size, uint64_t variant) {
  // Find the record positions first, while the headers are still intact.
  struct Found {
    uint32_t position, header, size;
  };
  std::vector<Found> records;
  uint32_t pos = 0;
  while (size - pos >= 4) {
    const uint32_t id = le::Get32(block + pos);
    const uint32_t header = id == simipc::kReadId ? kReadHeader : id == simipc::kWriteId ? kWriteHeader : 0;
    if (header == 0 || size - pos < header) break;
    const uint32_t n = le::Get32(block + pos + 8);
    if (n > size - pos - header) break;
    records.push_back({pos, header, n});
    pos += header + n;
  }
  const uint32_t end = pos;
  switch (variant % 3) {
    case 0:  // wild identifiers
      for (const Found& r : records) le::Put32(block + r.position, 0xDEADBEEF);
      break;
    case 1:  // destinations elsewhere, sizes that would reach far past the block
      for (const Found& r : records) {
        uint8_t* h = block + r.position;
        if (r.header == kReadHeader) le::Put32(h + 12, le::Get32(h + 12) ^ 0x5A5A5A5Au);
        le::Put32(h + 8, 0x7FFFFFF0u);
      }
      break;
    default:  // first record grown, end marker turned into a record identifier
      if (!records.empty()) le::Put32(block + records[0].position + 8, records[0].size + 64);
      if (size - end >= 4) le::Put32(block + end, 1);
      break;
  }
  // Data bytes become garbage as well.
  for (const Found& r : records)
    for (uint32_t i = 0; i < r.size; ++i) block[r.position + r.header + i] ^= 0xA5;
}

}  // namespace sim
