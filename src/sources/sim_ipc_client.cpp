// Client of the simulator's IPC interface: request records in a shared block, one message per batch.
//
// The shared block can be written by any process, so after a reply the client trusts nothing in it
// but the data bytes: it keeps its own copy of every queued record (identifier, offset, size,
// position, destination), checks the block's headers against that copy, and only then copies data
// bytes, from the positions it chose itself, to destinations from its own table. The 4-byte
// destination field carries an index into that table (0 = no destination), never an address.
#include "sources/sim_ipc_client.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ipc.h"
#include "platform/system.h"

namespace {

constexpr uint32_t kBlockSize = 0x8000;       // the shared block
constexpr uint32_t kUsableBytes = 0x7F00;     // the last 256 bytes are never used
constexpr uint32_t kReadHeader = 16;
constexpr uint32_t kWriteHeader = 12;
constexpr uint32_t kEndMarker = 4;
constexpr uint32_t kReadId = 1;
constexpr uint32_t kWriteId = 2;
// The smallest record is a 12-byte write of 0 bytes, so no batch holds more records than this.
constexpr uint32_t kMaxRecords = (kUsableBytes - kEndMarker) / kWriteHeader;

constexpr const char* kMessageName = "FsasmLib:IPC";
constexpr const char* kPrimaryClass = "UIPCMAIN";
constexpr const char* kSecondaryClass = "FS98MAIN";
constexpr uint32_t kLibraryVersion = 1004;
constexpr uint32_t kInterfaceVersionOffset = 0x3304;
constexpr uint32_t kSimulatorVersionOffset = 0x3308;
constexpr uint32_t kLibraryVersionOffset = 0x330A;
constexpr uint32_t kInterfaceVersionFloor = 0x19980005;
constexpr uint32_t kSimulatorMarker = 0xFADE;
constexpr int kHandshakePasses = 5;
constexpr uint32_t kHandshakeWaitMs = 100;
constexpr int kSendAttempts = 10;
constexpr uint32_t kSendTimeoutMs = 2000;
constexpr uint32_t kRetryWaitMs = 100;

// The client's own record of one queued request.
struct QueuedRecord {
  uint32_t id;
  uint32_t offset;
  uint32_t size;
  uint32_t position;   // where its header starts in the block
  uint32_t destField;  // what was written in the destination field: table index + 1, or 0
};

// The process-wide link. Plain data only, so nothing of it is destroyed before the close at exit.
struct Link {
  platform::IpcWindow window;
  uint32_t messageId;
  uint16_t atom;
  platform::IpcMapping mapping;
  uint8_t* view;  // null = not open
  uint32_t used;  // bytes queued; "next" is view + used
  uint32_t interfaceVersion;
  uint32_t simulatorVersion;
  uint32_t recordCount;
  QueuedRecord records[kMaxRecords];
  void* destinations[kMaxRecords];  // by record index
};

Link g_link;
uint8_t g_interfaceBytes[4];
uint8_t g_simulatorBytes[4];
bool g_closeAtExitRegistered = false;

void PutU32(uint8_t* at, uint32_t v) {
  at[0] = uint8_t(v);
  at[1] = uint8_t(v >> 8);
  at[2] = uint8_t(v >> 16);
  at[3] = uint8_t(v >> 24);
}

uint32_t GetU32(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

void Report(uint32_t* resultCode, uint32_t code) {
  if (resultCode) *resultCode = code;
}

// True when a record of `header` + `size` bytes still leaves room for the end marker within the
// usable part of the block (64-bit sum: no 32-bit input can overflow it).
bool Fits(uint32_t header, uint32_t size) {
  const uint64_t need = uint64_t(g_link.used) + header + uint64_t(size) + kEndMarker;
  return need <= kUsableBytes && g_link.recordCount < kMaxRecords;
}

// Checks every header in the block against the client's copy, and the end marker after the last
// one. False as soon as anything differs: the peer did not leave the block as it was written.
bool BlockMatchesQueue(const uint8_t* block, uint32_t count, uint32_t endPosition) {
  for (uint32_t i = 0; i < count; ++i) {
    const QueuedRecord& r = g_link.records[i];
    const uint8_t* h = block + r.position;
    const uint32_t id = GetU32(h);
    if (id != kReadId && id != kWriteId) return false;  // unknown or premature end marker
    if (id != r.id || GetU32(h + 4) != r.offset || GetU32(h + 8) != r.size) return false;
    if (id == kReadId && GetU32(h + 12) != r.destField) return false;
  }
  return GetU32(block + endPosition) == 0;
}

void CloseAtExit() { SimIpcClose(); }

// Reads the two handshake values and, in the first pass, writes the library version; one batch.
bool HandshakePass(bool firstPass, uint32_t* resultCode) {
  if (!SimIpcRead(kInterfaceVersionOffset, 4, g_interfaceBytes, resultCode)) return false;
  if (!SimIpcRead(kSimulatorVersionOffset, 4, g_simulatorBytes, resultCode)) return false;
  if (firstPass) {
    const uint8_t library[2] = {uint8_t(kLibraryVersion), uint8_t(kLibraryVersion >> 8)};
    if (!SimIpcWrite(kLibraryVersionOffset, 2, library, resultCode)) return false;
  }
  if (!SimIpcProcess(resultCode)) return false;
  g_link.interfaceVersion = GetU32(g_interfaceBytes);
  g_link.simulatorVersion = GetU32(g_simulatorBytes);
  return true;
}

}  // namespace

bool SimIpcOpen(uint32_t requestedVersion, uint32_t* resultCode) {
  if (g_link.view) {
    Report(resultCode, SimIpcAlreadyOpen);
    return false;
  }
  g_link.interfaceVersion = 0;
  g_link.simulatorVersion = 0;
  std::memset(g_interfaceBytes, 0, sizeof g_interfaceBytes);
  std::memset(g_simulatorBytes, 0, sizeof g_simulatorBytes);

  bool foundBySecondClass = false;
  g_link.window = platform::FindIpcWindow(kPrimaryClass);
  if (!g_link.window) {
    g_link.window = platform::FindIpcWindow(kSecondaryClass);
    foundBySecondClass = true;
  }
  if (!g_link.window) {
    Report(resultCode, SimIpcNoSimulator);
    return false;
  }

  g_link.messageId = platform::RegisterIpcMessage(kMessageName);
  if (g_link.messageId == 0) {
    Report(resultCode, SimIpcNoMessage);
    return false;
  }

  char name[64];
  std::snprintf(name, sizeof name, "%s:%X:%X", kMessageName, unsigned(platform::CurrentProcessId()), 1u);
  g_link.atom = platform::AddGlobalAtom(name);
  if (g_link.atom == 0) {
    Report(resultCode, SimIpcNoAtom);
    SimIpcClose();
    return false;
  }

  bool alreadyExisted = false;
  g_link.mapping = platform::CreateSharedBlock(name, kBlockSize, &alreadyExisted);
  if (g_link.mapping == 0 || alreadyExisted) {
    Report(resultCode, SimIpcNoBlock);
    SimIpcClose();
    return false;
  }

  g_link.view = static_cast<uint8_t*>(platform::MapSharedBlock(g_link.mapping, kBlockSize));
  if (!g_link.view) {
    Report(resultCode, SimIpcNoView);
    SimIpcClose();
    return false;
  }
  g_link.used = 0;
  g_link.recordCount = 0;

  for (int pass = 0; pass < kHandshakePasses &&
                     (g_link.interfaceVersion == 0 || g_link.simulatorVersion == 0);
       ++pass) {
    if (!HandshakePass(pass == 0, resultCode)) {
      SimIpcClose();
      return false;
    }
    platform::SleepMs(kHandshakeWaitMs);
  }

  if (g_link.interfaceVersion < kInterfaceVersionFloor ||
      (g_link.simulatorVersion >> 16) != kSimulatorMarker) {
    Report(resultCode, foundBySecondClass ? SimIpcVersionRefusedFs98 : SimIpcVersionRefused);
    SimIpcClose();
    return false;
  }
  g_link.simulatorVersion &= 0xFFFF;
  if (requestedVersion != 0 && requestedVersion != g_link.simulatorVersion) {
    Report(resultCode, SimIpcWrongVersion);
    SimIpcClose();
    return false;
  }

  if (!g_closeAtExitRegistered) {
    g_closeAtExitRegistered = std::atexit(CloseAtExit) == 0;
  }
  Report(resultCode, SimIpcOk);
  return true;
}

bool SimIpcRead(uint32_t offset, uint32_t size, void* destination, uint32_t* resultCode) {
  if (!g_link.view) {
    Report(resultCode, SimIpcNotOpen);
    return false;
  }
  if (!Fits(kReadHeader, size)) {
    Report(resultCode, SimIpcNoRoom);
    return false;
  }
  const uint32_t index = g_link.recordCount++;
  QueuedRecord& r = g_link.records[index];
  r = {kReadId, offset, size, g_link.used, destination ? index + 1 : 0};
  g_link.destinations[index] = destination;

  uint8_t* at = g_link.view + g_link.used;
  PutU32(at, kReadId);
  PutU32(at + 4, offset);
  PutU32(at + 8, size);
  PutU32(at + 12, r.destField);
  std::memset(at + kReadHeader, 0, size);
  g_link.used += kReadHeader + size;
  Report(resultCode, SimIpcOk);
  return true;
}

bool SimIpcWrite(uint32_t offset, uint32_t size, const void* source, uint32_t* resultCode) {
  if (!g_link.view) {
    Report(resultCode, SimIpcNotOpen);
    return false;
  }
  if (!Fits(kWriteHeader, size)) {
    Report(resultCode, SimIpcNoRoom);
    return false;
  }
  const uint32_t index = g_link.recordCount++;
  g_link.records[index] = {kWriteId, offset, size, g_link.used, 0};
  g_link.destinations[index] = nullptr;

  uint8_t* at = g_link.view + g_link.used;
  PutU32(at, kWriteId);
  PutU32(at + 4, offset);
  PutU32(at + 8, size);
  if (size > 0) {
    if (source) {
      std::memcpy(at + kWriteHeader, source, size);
    } else {
      std::memset(at + kWriteHeader, 0, size);
    }
  }
  g_link.used += kWriteHeader + size;
  Report(resultCode, SimIpcOk);
  return true;
}

bool SimIpcProcess(uint32_t* resultCode) {
  if (!g_link.view) {
    Report(resultCode, SimIpcNotOpen);
    return false;
  }
  if (g_link.used == 0) {
    Report(resultCode, SimIpcNothingQueued);
    return false;
  }
  // The queue counts as empty from here on, whatever the outcome; the record copies stay readable
  // until the next request is queued, which cannot happen before this call returns.
  const uint32_t count = g_link.recordCount;
  const uint32_t endPosition = g_link.used;
  PutU32(g_link.view + endPosition, 0);
  g_link.used = 0;
  g_link.recordCount = 0;

  uintptr_t reply = 0;
  bool delivered = false;
  uint32_t lastError = 0;
  for (int attempt = 0; attempt < kSendAttempts && !delivered; ++attempt) {
    platform::ClearLastSystemError();
    delivered = platform::SendIpcMessage(g_link.window, g_link.messageId, uintptr_t(g_link.atom), 0,
                                         kSendTimeoutMs, &reply);
    if (!delivered) {
      lastError = platform::LastSystemError();
      platform::SleepMs(kRetryWaitMs);
    }
  }
  if (!delivered) {
    Report(resultCode, platform::IsIpcTimeoutError(lastError) ? SimIpcTimeout : SimIpcSendFailed);
    return false;
  }
  if (reply != 1) {
    Report(resultCode, SimIpcBadReply);
    return false;
  }

  const uint8_t* block = g_link.view;
  if (!BlockMatchesQueue(block, count, endPosition)) {
    Report(resultCode, SimIpcBadReply);
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const QueuedRecord& r = g_link.records[i];
    if (r.id != kReadId || r.destField == 0 || r.size == 0) continue;
    std::memcpy(g_link.destinations[r.destField - 1], block + r.position + kReadHeader, r.size);
  }
  Report(resultCode, SimIpcOk);
  return true;
}

void SimIpcClose() {
  g_link.window = 0;
  g_link.messageId = 0;
  g_link.used = 0;
  g_link.recordCount = 0;
  if (g_link.atom != 0) {
    platform::DeleteGlobalAtom(g_link.atom);
    g_link.atom = 0;
  }
  if (g_link.view) {
    platform::UnmapSharedBlock(g_link.view, kBlockSize);
    g_link.view = nullptr;
  }
  if (g_link.mapping != 0) {
    platform::CloseSharedBlock(g_link.mapping);
    g_link.mapping = 0;
  }
}
