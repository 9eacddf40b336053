// The simulator IPC protocol as both ends see it: the registered message, the peer window classes,
// the shared block's record layout and the handshake words in the simulator's data area. The client
// (sim_ipc_client.cpp) and the stand-in simulator (orvane-sim) both take them from here.
#pragma once

#include <cstdint>

namespace simipc {

// The message the client sends to the simulator's window, by its registered name.
constexpr const char* kMessageName = "FsasmLib:IPC";
// The simulator's window classes: the interface module's first, the older simulator's second.
constexpr const char* kPrimaryClass = "UIPCMAIN";
constexpr const char* kSecondaryClass = "FS98MAIN";

// The shared block: 32 KiB, of which the last 256 bytes are never used.
constexpr uint32_t kBlockSize = 0x8000;
constexpr uint32_t kUsableBytes = 0x7F00;

// Records, little-endian 32-bit words: a read is (1, offset, size, destination) followed by room
// for the data; a write is (2, offset, size) followed by the data; a 0 word ends the batch.
constexpr uint32_t kReadId = 1;
constexpr uint32_t kWriteId = 2;
constexpr uint32_t kReadHeader = 16;
constexpr uint32_t kWriteHeader = 12;
constexpr uint32_t kEndMarker = 4;

// Handshake words in the data area: the interface version, the simulator version (the marker
// 0xFADE in its high half) and the client library's version, which the client writes.
constexpr uint32_t kInterfaceVersionOffset = 0x3304;
constexpr uint32_t kSimulatorVersionOffset = 0x3308;
constexpr uint32_t kLibraryVersionOffset = 0x330A;
constexpr uint32_t kSimulatorMarker = 0xFADE;
// Interface versions below this are refused by the client.
constexpr uint32_t kInterfaceVersionFloor = 0x19980005;
constexpr uint32_t kLibraryVersion = 1004;

}  // namespace simipc
