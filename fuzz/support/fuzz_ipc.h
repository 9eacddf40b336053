// Fuzz-only simulator IPC transport: a fake peer window and shared block the harness scripts batch by batch.
#pragma once

#include <cstdint>
#include <functional>

namespace fuzzipc {

// Window handle and message id the fake hands out.
constexpr uintptr_t kWindow = 0x5150;
constexpr uint32_t kMessageId = 0xC0DE;

// Start-up failures the fake can be told to produce (all off: every call succeeds).
struct OpenFaults {
  bool noPrimaryWindow = false;    // no "UIPCMAIN" peer
  bool noSecondaryWindow = false;  // no "FS98MAIN" peer either
  bool noMessage = false;          // RegisterIpcMessage fails
  bool noAtom = false;             // AddGlobalAtom fails
  bool blockExists = false;        // CreateSharedBlock finds a block of that name already there
  bool noBlock = false;            // CreateSharedBlock fails
  bool noView = false;             // MapSharedBlock fails
};
void SetOpenFaults(const OpenFaults& faults);

// What the peer does with one message: it may change the `size` bytes of the block, then says
// whether the call was delivered (false: `lastError` is what the system reports) and, if so,
// the reply value.
struct BatchAnswer {
  bool delivered = true;
  uintptr_t reply = 1;
  uint32_t lastError = 0;
};
using BatchHook = std::function<BatchAnswer(uint8_t* block, uint32_t size)>;
// The hook for the following messages (empty: the honest peer with valid versions answers).
void SetBatchHook(BatchHook hook);

// The honest peer: performs the block's records against a 64 KiB data area holding valid
// interface and simulator versions (bounded walk; stops at the end marker or at anything odd).
void PerformHonestly(uint8_t* block, uint32_t size);
// Version values the honest peer's data area holds.
constexpr uint32_t kHonestInterfaceVersion = 0x19980005 + 0x100;
constexpr uint32_t kHonestSimulatorVersion = 0xFADE0000u | 9;

// Resources the client holds now (a closed link holds none).
int LiveAtoms();
int LiveMappings();
int LiveViews();
// Messages sent since the start.
uint64_t MessagesSent();

}  // namespace fuzzipc
