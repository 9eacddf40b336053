// Client of the simulator's IPC interface: queue reads and writes in the shared block, perform them
// with one message per batch.
#pragma once

#include <cstdint>

// Result codes reported by every operation except SimIpcClose.
enum SimIpcResult : uint32_t {
  SimIpcOk = 0,
  SimIpcAlreadyOpen = 1,
  SimIpcNoSimulator = 2,
  SimIpcNoMessage = 3,
  SimIpcNoAtom = 4,
  SimIpcNoBlock = 5,
  SimIpcNoView = 6,
  SimIpcVersionRefused = 7,
  SimIpcWrongVersion = 8,
  SimIpcNotOpen = 9,
  SimIpcNothingQueued = 10,
  SimIpcTimeout = 11,
  SimIpcSendFailed = 12,
  SimIpcBadReply = 13,
  SimIpcVersionRefusedFs98 = 14,
  SimIpcNoRoom = 15,
};

// Opens the link (version 0 = any simulator). True on success.
bool SimIpcOpen(uint32_t requestedVersion, uint32_t* resultCode);
// Queues a read of `size` bytes at `offset`; `destination` is filled by the next successful
// SimIpcProcess.
bool SimIpcRead(uint32_t offset, uint32_t size, void* destination, uint32_t* resultCode);
// Queues a write; the source bytes are copied at once.
bool SimIpcWrite(uint32_t offset, uint32_t size, const void* source, uint32_t* resultCode);
// Performs the queued batch with one message.
bool SimIpcProcess(uint32_t* resultCode);
// Closes the link; safe when nothing is open.
void SimIpcClose();
