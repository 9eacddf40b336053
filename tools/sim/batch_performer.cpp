// Performs and (for fault tests) spoils request batches in a client's shared block, with bounds checks.
#include "sim/batch_performer.h"

#include <cstring>
#include <vector>

namespace sim {

namespace {

constexpr uint32_t kReadHeader = 16;
constexpr uint32_t kWriteHeader = 12;

uint32_t GetU32(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

void PutU32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = uint8_t(v >> (8 * i));
}

}  // namespace

BatchOutcome PerformBatch(uint8_t* block, uint32_t size, SimDataArea& area) {
  BatchOutcome out;
  uint32_t pos = 0;
  for (;;) {
    if (size - pos < 4) {
      out.problem = "no end marker before the end of the block";
      return out;
    }
    const uint32_t id = GetU32(block + pos);
    if (id == 0) {
      out.complete = true;
      return out;
    }
    const uint32_t header = id == 1 ? kReadHeader : id == 2 ? kWriteHeader : 0;
    if (header == 0) {
      out.problem = "unknown record identifier " + std::to_string(id) + " at byte " + std::to_string(pos);
      return out;
    }
    if (size - pos < header) {
      out.problem = "record header at byte " + std::to_string(pos) + " runs off the block";
      return out;
    }
    const uint32_t offset = GetU32(block + pos + 4);
    const uint32_t n = GetU32(block + pos + 8);
    if (n > size - pos - header) {
      out.problem = "record at byte " + std::to_string(pos) + " with " + std::to_string(n) +
                    " data bytes runs off the block";
      return out;
    }
    uint8_t* data = block + pos + header;
    if (id == 1) {
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
    const uint32_t id = GetU32(block + pos);
    const uint32_t header = id == 1 ? kReadHeader : id == 2 ? kWriteHeader : 0;
    if (header == 0 || size - pos < header) break;
    const uint32_t n = GetU32(block + pos + 8);
    if (n > size - pos - header) break;
    records.push_back({pos, header, n});
    pos += header + n;
  }
  const uint32_t end = pos;
  switch (variant % 3) {
    case 0:  // wild identifiers
      for (const Found& r : records) PutU32(block + r.position, 0xDEADBEEF);
      break;
    case 1:  // destinations elsewhere, sizes that would reach far past the block
      for (const Found& r : records) {
        uint8_t* h = block + r.position;
        if (r.header == kReadHeader) PutU32(h + 12, GetU32(h + 12) ^ 0x5A5A5A5Au);
        PutU32(h + 8, 0x7FFFFFF0u);
      }
      break;
    default:  // first record grown, end marker turned into a record identifier
      if (!records.empty()) PutU32(block + records[0].position + 8, records[0].size + 64);
      if (size - end >= 4) PutU32(block + end, 1);
      break;
  }
  // Data bytes become garbage as well.
  for (const Found& r : records)
    for (uint32_t i = 0; i < r.size; ++i) block[r.position + r.header + i] ^= 0xA5;
}

}  // namespace sim
