// Simulator IPC transport: the client calls of the IPC client and the peer side used by orvane-sim.
//
// On Windows these are the Win32 calls themselves (window lookup, registered message, global atom,
// paging-file mapping, SendMessageTimeoutA). On Linux the project's own transport gives the same
// observable behaviour; it is described at the top of posix/ipc_posix.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// ---- Client side -------------------------------------------------------------------------------

using IpcWindow = uintptr_t;   // 0 = none
using IpcMapping = uintptr_t;  // 0 = none

// One client's view of the system's IPC: the tables behind the handles the calls below give out
// (peer windows found, atoms added, shared blocks created). On Linux the transport keeps them
// itself, here; on Windows they are the system's and this object holds nothing. Every call that
// needs them is handed the client, so two clients in one process keep their handles apart.
// Destroying the client closes the connections and blocks it still holds.
class IpcClient {
 public:
  IpcClient();
  ~IpcClient();
  IpcClient(const IpcClient&) = delete;
  IpcClient& operator=(const IpcClient&) = delete;

  struct Tables;  // the transport's own
  Tables* tables() { return tables_; }

 private:
  Tables* tables_ = nullptr;
};

// A top-level peer registered under that class name (FindWindowExA(NULL, NULL, cls, NULL)).
IpcWindow FindIpcWindow(IpcClient& client, const char* className);
// The id of the registered message of that name (RegisterWindowMessageA); 0 on failure. The same
// name gives the same id in every process.
uint32_t RegisterIpcMessage(const char* name);
// GlobalAddAtomA / GlobalDeleteAtom; 0 = failure.
uint16_t AddGlobalAtom(IpcClient& client, const char* name);
void DeleteGlobalAtom(IpcClient& client, uint16_t atom);
// GlobalFindAtomA: the atom of that name, 0 when there is none.
uint16_t FindGlobalAtom(IpcClient& client, const char* name);
// A new read/write shared block of `size` bytes under `name`, backed by the paging file. Returns 0
// on failure; `alreadyExisted` tells that a block of that name was there before (the handle is
// then returned all the same, as CreateFileMappingA does). Block names are system-wide.
IpcMapping CreateSharedBlock(IpcClient& client, const char* name, uint32_t size, bool* alreadyExisted);
// Maps the whole block read/write; nullptr on failure.
void* MapSharedBlock(IpcClient& client, IpcMapping mapping, uint32_t size);
void UnmapSharedBlock(void* view, uint32_t size);
void CloseSharedBlock(IpcClient& client, IpcMapping mapping);
// SendMessageTimeoutA(window, message, wparam, lparam, SMTO_BLOCK, timeoutMs, &reply). True when the
// call succeeded; then `reply` holds the peer's result.
bool SendIpcMessage(IpcClient& client, IpcWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam,
                    uint32_t timeoutMs, uintptr_t* reply);
// The calling thread's last error: GetLastError (on Linux the transport's and the sockets' own, the
// same numbers); 0 = none.
uint32_t LastSystemError();
void ClearLastSystemError();
// True when `error` (a LastSystemError value after a failed SendIpcMessage) means the peer did not
// answer in time: 0, or the system's own time-out code (ERROR_TIMEOUT on Windows).
bool IsIpcTimeoutError(uint32_t error);

// ---- Peer side (the simulator stand-in) ----------------------------------------------------------
// Declared in platform/ipc_peer.h.

}  // namespace platform

#include "platform/ipc_peer.h"
