// libFuzzer harness for the IPC client's walk of the shared block after a hostile peer has written it.
//
// Each input scripts one round: optionally a start-up against a misbehaving peer, then a batch of
// reads and writes into the harness's own destinations (each fenced by canary bytes) and the
// peer's edits of the block, including its headers, and its reply. The harness predicts from its
// own copy of the queue what the client must do and checks that it did exactly that:
//  - a request is queued exactly when it fits the usable part of the block;
//  - the block holds the records as queued and the end marker when the message goes out;
//  - SimIpcProcess succeeds exactly when the call was delivered, the reply is 1 and every header
//    and the end marker came back unchanged; then each destination holds the data bytes the peer
//    left at its record, and otherwise no destination changed;
//  - no canary byte ever changes, and a failed start-up leaves no atom, block or view behind.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "sources/sim_ipc_client.h"
#include "support/fuzz_ipc.h"
#include "platform/byte_order.h"

namespace {

constexpr uint32_t kUsable = 0x7F00;
constexpr uint32_t kReadHeader = 16;
constexpr uint32_t kWriteHeader = 12;
constexpr uint32_t kEndMarker = 4;
constexpr uint32_t kMaxRecords = (kUsable - kEndMarker) / kWriteHeader;
constexpr size_t kCanary = 16;
constexpr uint8_t kCanaryByte = 0xC3;
constexpr uint8_t kUntouchedByte = 0x5A;

// One request the harness asked for, and what it expects of it.
struct Request {
  bool isRead = true;
  uint32_t offset = 0;
  uint32_t size = 0;
  bool hasBuffer = false;           // a destination (read) or source (write) was passed
  uint32_t destSize = 0;            // read: bytes between the canaries (0 when it must be refused)
  bool queued = false;
  uint32_t position = 0;            // of its header in the block, when queued
  uint32_t index = 0;               // record index, when queued
  std::vector<uint8_t> buffer;      // read: canary + destination + canary; write: the source
};

// The link under test lives across inputs, as the display's lives across frames.
SimIpcClient& Client() {
  static SimIpcClient client;
  return client;
}

bool CanariesIntact(const Request& r) {
  for (size_t i = 0; i < kCanary; ++i) {
    if (r.buffer[i] != kCanaryByte || r.buffer[kCanary + r.destSize + i] != kCanaryByte) return false;
  }
  return true;
}

// True when `n` bytes at `p` all hold `value` (n is at most a block).
bool AllBytes(const uint8_t* p, size_t n, uint8_t value) {
  static std::vector<uint8_t> same;
  same.assign(0x8000, value);
  return n <= same.size() && std::memcmp(p, same.data(), n) == 0;
}

bool DestinationUntouched(const Request& r) { return AllBytes(r.buffer.data() + kCanary, r.destSize, kUntouchedByte); }

// The size of the next request: mostly small, sometimes exactly at the edge of the free room.
uint32_t PickSize(FuzzedDataProvider& fdp, uint32_t used, uint32_t header) {
  const uint64_t room = uint64_t(kUsable) - used - kEndMarker;
  const uint64_t fitting = room >= header ? room - header : 0;
  switch (fdp.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: return uint32_t(fitting);
    case 1: return uint32_t(fitting + 1);
    case 2: return fdp.ConsumeIntegral<uint32_t>();
    case 3: return fdp.ConsumeIntegralInRange<uint32_t>(0, 2048);
    default: return fdp.ConsumeIntegralInRange<uint32_t>(0, 24);
  }
}

bool IsOpen() {
  uint32_t code = 0;
  Client().SimIpcProcess(&code);  // with nothing queued: NothingQueued when open, NotOpen when closed
  return code == SimIpcNothingQueued;
}

// A start-up against a peer that may refuse, fail or answer any versions.
void HostileStartUp(FuzzedDataProvider& fdp) {
  Client().SimIpcClose();
  FUZZ_CHECK(fuzzipc::LiveAtoms() == 0 && fuzzipc::LiveMappings() == 0 && fuzzipc::LiveViews() == 0);
  const uint8_t faultBits = fdp.ConsumeIntegral<uint8_t>();
  fuzzipc::OpenFaults faults;
  if (faultBits & 0x80) {  // one start-up failure in eight inputs or so
    faults.noPrimaryWindow = faultBits & 1;
    faults.noSecondaryWindow = faultBits & 2;
    faults.noMessage = faultBits & 4;
    faults.noAtom = faultBits & 8;
    faults.blockExists = faultBits & 16;
    faults.noBlock = faultBits & 32;
    faults.noView = faultBits & 64;
  }
  fuzzipc::SetOpenFaults(faults);
  fuzzipc::SetBatchHook([&fdp](uint8_t* block, uint32_t size) {
    fuzzipc::PerformHonestly(block, size);
    // The handshake reads the interface version first, then the simulator version.
    if (fdp.ConsumeBool()) le::Put32(block + kReadHeader, fdp.ConsumeIntegral<uint32_t>());
    if (fdp.ConsumeBool()) le::Put32(block + 2 * kReadHeader + 4, fdp.ConsumeIntegral<uint32_t>());
    if (fdp.ConsumeIntegralInRange<int>(0, 7) == 0) {
      const uint32_t at = fdp.ConsumeIntegralInRange<uint32_t>(0, size - 1);
      block[at] = fdp.ConsumeIntegral<uint8_t>();
    }
    fuzzipc::BatchAnswer answer;
    answer.delivered = fdp.ConsumeIntegralInRange<int>(0, 15) != 0;
    answer.lastError = fdp.ConsumeBool() ? 1460 : fdp.ConsumeIntegral<uint32_t>();
    answer.reply = fdp.ConsumeIntegralInRange<int>(0, 15) != 0 ? 1 : fdp.ConsumeIntegral<uintptr_t>();
    return answer;
  });
  const uint32_t requested = fdp.ConsumeBool() ? 0 : fdp.ConsumeIntegralInRange<uint32_t>(0, 12);
  uint32_t code = 99;
  const bool opened = Client().SimIpcOpen(requested, &code);
  FUZZ_CHECK(code <= 15);
  FUZZ_CHECK(opened == (code == SimIpcOk));
  if (!opened) {
    FUZZ_CHECK(!IsOpen());
    // Nothing can be queued on a closed link, and nothing is written for it.
    uint8_t bytes[4] = {kUntouchedByte, kUntouchedByte, kUntouchedByte, kUntouchedByte};
    FUZZ_CHECK(!Client().SimIpcRead(0x3304, 4, bytes, &code) && code == SimIpcNotOpen);
    FUZZ_CHECK(!Client().SimIpcWrite(0x330A, 2, bytes, &code) && code == SimIpcNotOpen);
    FUZZ_CHECK(AllBytes(bytes, sizeof bytes, kUntouchedByte));
    FUZZ_CHECK(fuzzipc::LiveAtoms() == 0 && fuzzipc::LiveMappings() == 0 && fuzzipc::LiveViews() == 0);
  } else {
    FUZZ_CHECK(fuzzipc::LiveAtoms() == 1 && fuzzipc::LiveMappings() == 1 && fuzzipc::LiveViews() == 1);
    // A second open while open is refused and leaves the link as it was.
    FUZZ_CHECK(!Client().SimIpcOpen(0, &code) && code == SimIpcAlreadyOpen);
    FUZZ_CHECK(IsOpen());
  }
  fuzzipc::SetOpenFaults(fuzzipc::OpenFaults());
  fuzzipc::SetBatchHook(nullptr);
}

void EnsureOpen() {
  if (IsOpen()) return;
  uint32_t code = 99;
  FUZZ_CHECK(Client().SimIpcOpen(0, &code) && code == SimIpcOk);
}

// The peer's edits of the block after it performed the batch.
void HostileEdits(FuzzedDataProvider& fdp, uint8_t* block, uint32_t size, const std::vector<Request>& requests,
                  uint32_t endPosition) {
  const int edits = fdp.ConsumeIntegralInRange<int>(0, 6);
  for (int e = 0; e < edits && fdp.remaining_bytes() > 0; ++e) {
    switch (fdp.ConsumeIntegralInRange<int>(0, 5)) {
      case 0: {  // any bytes anywhere
        const uint32_t at = fdp.ConsumeIntegralInRange<uint32_t>(0, size - 1);
        const size_t n = fdp.ConsumeIntegralInRange<size_t>(1, size - at);
        const std::vector<uint8_t> bytes = fdp.ConsumeBytes<uint8_t>(n);
        if (!bytes.empty()) std::memcpy(block + at, bytes.data(), bytes.size());
        break;
      }
      case 1: {  // one header field of one queued record
        std::vector<const Request*> queued;
        for (const Request& r : requests)
          if (r.queued) queued.push_back(&r);
        if (queued.empty()) break;
        const Request& r = *queued[fdp.ConsumeIntegralInRange<size_t>(0, queued.size() - 1)];
        const uint32_t field = fdp.ConsumeIntegralInRange<uint32_t>(0, r.isRead ? 3 : 2);
        uint32_t value = fdp.ConsumeIntegral<uint32_t>();
        if (fdp.ConsumeBool()) value = le::Get32(block + r.position + 4 * field) ^ (1u << (value % 32));
        le::Put32(block + r.position + 4 * field, value);
        break;
      }
      case 2:  // the end marker
        le::Put32(block + endPosition, fdp.ConsumeIntegral<uint32_t>());
        break;
      case 3: {  // the whole block, from the fuzz bytes over and over
        const std::vector<uint8_t> bytes = fdp.ConsumeBytes<uint8_t>(fdp.ConsumeIntegralInRange<size_t>(1, 64));
        if (bytes.empty()) break;
        for (uint32_t i = 0; i < size; ++i) block[i] = bytes[i % bytes.size()];
        break;
      }
      case 4: {  // a run of one value
        const uint32_t at = fdp.ConsumeIntegralInRange<uint32_t>(0, size - 1);
        const uint32_t n = fdp.ConsumeIntegralInRange<uint32_t>(1, size - at);
        std::memset(block + at, fdp.ConsumeIntegral<uint8_t>(), n);
        break;
      }
      default: {  // data bytes only, as an honest peer with other values would
        for (const Request& r : requests) {
          if (!r.queued || !r.isRead) continue;
          const std::vector<uint8_t> bytes = fdp.ConsumeBytes<uint8_t>(r.size);
          if (!bytes.empty()) std::memcpy(block + r.position + kReadHeader, bytes.data(), bytes.size());
        }
        break;
      }
    }
  }
}

// Checks the block as the client sent it: every queued record as asked for, then the end marker.
void CheckSentBlock(const uint8_t* block, const std::vector<Request>& requests, uint32_t endPosition) {
  for (const Request& r : requests) {
    if (!r.queued) continue;
    const uint8_t* h = block + r.position;
    FUZZ_CHECK(le::Get32(h) == (r.isRead ? 1u : 2u));
    FUZZ_CHECK(le::Get32(h + 4) == r.offset);
    FUZZ_CHECK(le::Get32(h + 8) == r.size);
    if (r.isRead) {
      const uint32_t dest = le::Get32(h + 12);
      FUZZ_CHECK(r.hasBuffer ? dest == r.index + 1 : dest == 0);
      FUZZ_CHECK(AllBytes(h + kReadHeader, r.size, 0));
    } else if (r.hasBuffer) {
      FUZZ_CHECK(r.size == 0 || std::memcmp(h + kWriteHeader, r.buffer.data(), r.size) == 0);
    } else {
      FUZZ_CHECK(AllBytes(h + kWriteHeader, r.size, 0));
    }
  }
  FUZZ_CHECK(le::Get32(block + endPosition) == 0);
}

// True when the block still holds every header as queued and the end marker.
bool HeadersIntact(const std::vector<uint8_t>& block, const std::vector<Request>& requests, uint32_t endPosition) {
  for (const Request& r : requests) {
    if (!r.queued) continue;
    const uint8_t* h = block.data() + r.position;
    if (le::Get32(h) != (r.isRead ? 1u : 2u) || le::Get32(h + 4) != r.offset || le::Get32(h + 8) != r.size) return false;
    if (r.isRead && le::Get32(h + 12) != (r.hasBuffer ? r.index + 1 : 0)) return false;
  }
  return le::Get32(block.data() + endPosition) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  if (fdp.ConsumeIntegralInRange<int>(0, 7) == 0) HostileStartUp(fdp);
  EnsureOpen();

  // Queue the requests, predicting from the free room whether each one is taken.
  std::vector<Request> requests(fdp.ConsumeIntegralInRange<size_t>(0, 40));
  uint32_t used = 0, count = 0;
  for (Request& r : requests) {
    r.isRead = fdp.ConsumeBool();
    r.hasBuffer = fdp.ConsumeIntegralInRange<int>(0, 7) != 0;
    r.offset = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<uint32_t>(0, 0xFFFF) : fdp.ConsumeIntegral<uint32_t>();
    const uint32_t header = r.isRead ? kReadHeader : kWriteHeader;
    r.size = PickSize(fdp, used, header);
    const bool fits = uint64_t(used) + header + r.size + kEndMarker <= kUsable && count < kMaxRecords;
    uint32_t code = 99;
    bool ok;
    if (r.isRead) {
      // A request that must be refused gets no room at all between its canaries.
      r.destSize = fits ? r.size : 0;
      r.buffer.assign(kCanary + r.destSize + kCanary, kCanaryByte);
      std::memset(r.buffer.data() + kCanary, kUntouchedByte, r.destSize);
      ok = Client().SimIpcRead(r.offset, r.size, r.hasBuffer ? r.buffer.data() + kCanary : nullptr, &code);
    } else {
      r.buffer = fdp.ConsumeBytes<uint8_t>(fits ? r.size : 0);
      r.buffer.resize(fits ? r.size : 1, 0);
      ok = Client().SimIpcWrite(r.offset, r.size, r.hasBuffer ? r.buffer.data() : nullptr, &code);
    }
    FUZZ_CHECK(ok == fits);
    FUZZ_CHECK(code == (fits ? uint32_t(SimIpcOk) : uint32_t(SimIpcNoRoom)));
    if (ok) {
      r.queued = true;
      r.position = used;
      r.index = count++;
      used += header + r.size;
    }
  }
  const uint32_t endPosition = used;

  // The peer: checks what was sent, performs it, then may rewrite anything and answer anything.
  std::vector<uint8_t> lastBlock;
  bool lastDelivered = false;
  uintptr_t lastReply = 0;
  uint32_t lastError = 0;
  int messages = 0;
  fuzzipc::SetBatchHook([&](uint8_t* block, uint32_t blockSize) {
    if (messages == 0) CheckSentBlock(block, requests, endPosition);
    ++messages;
    fuzzipc::PerformHonestly(block, blockSize);
    HostileEdits(fdp, block, blockSize, requests, endPosition);
    lastBlock.assign(block, block + blockSize);
    fuzzipc::BatchAnswer answer;
    answer.delivered = fdp.ConsumeIntegralInRange<int>(0, 7) != 0;
    answer.lastError = fdp.ConsumeBool() ? 1460 : fdp.ConsumeIntegral<uint32_t>();
    answer.reply = fdp.ConsumeIntegralInRange<int>(0, 7) != 0 ? 1 : fdp.ConsumeIntegral<uintptr_t>();
    lastDelivered = answer.delivered;
    lastReply = answer.reply;
    lastError = answer.lastError;
    return answer;
  });
  uint32_t code = 99;
  const bool processed = Client().SimIpcProcess(&code);
  fuzzipc::SetBatchHook(nullptr);

  if (count == 0) {
    FUZZ_CHECK(!processed && code == SimIpcNothingQueued && messages == 0);
  } else {
    FUZZ_CHECK(messages >= 1 && messages <= 10);
    FUZZ_CHECK(lastDelivered || messages == 10);
    bool expected = lastDelivered && lastReply == 1 && HeadersIntact(lastBlock, requests, endPosition);
    FUZZ_CHECK(processed == expected);
    if (!lastDelivered) {
      FUZZ_CHECK(code == (lastError == 0 || lastError == 1460 ? uint32_t(SimIpcTimeout) : uint32_t(SimIpcSendFailed)));
    } else if (!expected) {
      FUZZ_CHECK(code == SimIpcBadReply);
    } else {
      FUZZ_CHECK(code == SimIpcOk);
    }
  }
  for (const Request& r : requests) {
    if (!r.isRead) continue;
    FUZZ_CHECK(CanariesIntact(r));
    if (!r.queued) continue;
    if (processed && r.hasBuffer) {
      FUZZ_CHECK(std::memcmp(r.buffer.data() + kCanary, lastBlock.data() + r.position + kReadHeader, r.size) == 0);
    } else {
      FUZZ_CHECK(DestinationUntouched(r));
    }
  }
  // The queue is empty again: the next batch starts from the top of the block.
  FUZZ_CHECK(IsOpen());
  return 0;
}
