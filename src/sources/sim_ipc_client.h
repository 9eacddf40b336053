// Client of the simulator's IPC interface: queue reads and writes in the shared block, perform them
// with one message per batch.
#pragma once

#include <cstdint>

#include "platform/ipc.h"
#include "model/sim_ipc_protocol.h"

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

// One link to the simulator: the window found, the registered message, the atom naming the shared
// block, the block itself and the client's own copy of every request queued in it. The link is
// closed by SimIpcClose or, at the latest, when the client is destroyed. The block's name holds the
// process id, so a process has one open link at a time.
class SimIpcClient {
 public:
  SimIpcClient() = default;
  SimIpcClient(const SimIpcClient&) = delete;
  SimIpcClient& operator=(const SimIpcClient&) = delete;
  ~SimIpcClient() { SimIpcClose(); }

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
  bool IsOpen() const { return link_.view != nullptr; }
  // The simulator window the open link talks to (0 when closed).
  platform::IpcWindow Window() const { return link_.view != nullptr ? link_.window : 0; }
  // The IPC tables the link's handles belong to.
  platform::IpcClient& Ipc() { return ipc_; }

 private:
  // The smallest record is a 12-byte write of 0 bytes, so no batch holds more records than this.
  static constexpr uint32_t kMaxRecords = (simipc::kUsableBytes - simipc::kEndMarker) / simipc::kWriteHeader;

  // The client's own record of one queued request.
  struct QueuedRecord {
    uint32_t id;
    uint32_t offset;
    uint32_t size;
    uint32_t position;   // where its header starts in the block
    uint32_t destField;  // what was written in the destination field: table index + 1, or 0
  };

  struct Link {
    platform::IpcWindow window = 0;
    uint32_t messageId = 0;
    uint16_t atom = 0;
    platform::IpcMapping mapping = 0;
    uint8_t* view = nullptr;  // null = not open
    uint32_t used = 0;        // bytes queued; "next" is view + used
    uint32_t interfaceVersion = 0;
    uint32_t simulatorVersion = 0;
    uint32_t recordCount = 0;
    QueuedRecord records[kMaxRecords];
    void* destinations[kMaxRecords];  // by record index
  };

  bool Fits(uint32_t header, uint32_t size) const;
  bool BlockMatchesQueue(const uint8_t* block, uint32_t count, uint32_t endPosition) const;
  bool HandshakePass(bool firstPass, uint32_t* resultCode);

  platform::IpcClient ipc_;  // first in, last out: the link's handles belong to it
  Link link_;
  uint8_t interfaceBytes_[4] = {};
  uint8_t simulatorBytes_[4] = {};
};
