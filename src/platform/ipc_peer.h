// Simulator-side IPC transport (orvane-sim): registers a peer and answers batches.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Size of the shared request block a client creates for its batches.
constexpr uint32_t kIpcBlockSize = 0x8000;

// What the peer answers to one batch: `answer` false withholds the reply, so the sender's wait
// runs into its time-out (used to test a simulator that hangs).
struct IpcPeerReply {
  bool answer = true;
  uint32_t value = 0;
};

// Performs the records of one batch in the client's block (`size` bytes, bounds are the
// handler's job) and says what to answer.
using IpcBatchHandler = std::function<IpcPeerReply(uint8_t* block, uint32_t size)>;
// One line for the peer's log (connections, refused requests).
using IpcPeerLog = std::function<void(const std::string& line)>;

struct IpcPeer;  // opaque, one per registered class

// Registers a peer under `className` ("UIPCMAIN" or "FS98MAIN") that handles the registered message
// `messageName`. On Windows this is a hidden top-level window of that class. Refuses (nullptr,
// `error` set) when a peer of that class is already there.
IpcPeer* StartIpcPeer(const std::string& className, const std::string& messageName,
                      IpcBatchHandler handler, IpcPeerLog log, std::string& error);
// Serves batches for at most `waitMs` milliseconds. False once a stop has been requested (signal,
// Ctrl+C, WM_CLOSE), true otherwise.
bool ServeIpcPeer(IpcPeer* peer, uint32_t waitMs);
// Unregisters the peer and frees it; safe with nullptr.
void StopIpcPeer(IpcPeer* peer);

// Makes SIGINT/SIGTERM (Linux) or Ctrl+C/close events (Windows) request a stop instead of killing.
void InstallIpcStopHandlers();
// True once a stop has been requested.
bool IpcStopRequested();

// Linux only: a name that separates the peers of concurrent test runs (kept in the environment so
// child processes share it). Windows window classes are global to the desktop; there it does
// nothing.
void SetIpcNamespace(const std::string& name);

}  // namespace platform
