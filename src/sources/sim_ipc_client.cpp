// Client of the simulator's IPC interface: request records in a shared block, one message per batch.
//
// The shared block can be written by any process, so after a reply the client trusts nothing in it
// but the data bytes: it keeps its own copy of every queued record (identifier, offset, size,
// position, destination), checks the block's headers against that copy, and only then copies data
// bytes, from the positions it chose itself, to destinations from its own table. The 4-byte
// destination field carries an index into that table (0 = no destination), never an address.
#include "sources/sim_ipc_client.h"

#include <cstdio>
#include <cstring>

#include "platform/ipc.h"
#include "platform/system.h"
#include "platform/byte_order.h"
#include "model/sim_ipc_protocol.h"

namespace {

using namespace simipc;


constexpr int kHandshakePasses = 5;
constexpr uint32_t kHandshakeWaitMs = 100;
constexpr int kSendAttempts = 10;
constexpr uint32_t kSendTimeoutMs = 2000;
constexpr uint32_t kRetryWaitMs = 100;

void Report(uint32_t* resultCode, uint32_t code) {
  if (resultCode) *resultCode = code;
}

}  // namespace

// True when a record of `header` + `size` bytes still leaves room for the end marker within the
// usable part of the block (64-bit sum: no 32-bit input can overflow it).
bool SimIpcClient::Fits(uint32_t header, uint32_t size) const {
  const uint64_t need = uint64_t(link_.used) + header + uint64_t(size) + kEndMarker;
  return need <= kUsableBytes && link_.recordCount < kMaxRecords;
}

// Checks every header in the block against the client's copy, and the end marker after the last
// one. False as soon as anything differs: the peer did not leave the block as it was written.
bool SimIpcClient::BlockMatchesQueue(const uint8_t* block, uint32_t count, uint32_t endPosition) const {
  for (uint32_t i = 0; i < count; ++i) {
    const QueuedRecord& r = link_.records[i];
    const uint8_t* h = block + r.position;
    const uint32_t id = le::Get32(h);
    if (id != kReadId && id != kWriteId) return false;  // unknown or premature end marker
    if (id != r.id || le::Get32(h + 4) != r.offset || le::Get32(h + 8) != r.size) return false;
    if (id == kReadId && le::Get32(h + 12) != r.destField) return false;
  }
  return le::Get32(block + endPosition) == 0;
}

// Reads the two handshake values and, in the first pass, writes the library version; one batch.
bool SimIpcClient::HandshakePass(bool firstPass, uint32_t* resultCode) {
  if (!SimIpcRead(kInterfaceVersionOffset, 4, interfaceBytes_, resultCode)) return false;
  if (!SimIpcRead(kSimulatorVersionOffset, 4, simulatorBytes_, resultCode)) return false;
  if (firstPass) {
    const uint8_t library[2] = {uint8_t(kLibraryVersion), uint8_t(kLibraryVersion >> 8)};
    if (!SimIpcWrite(kLibraryVersionOffset, 2, library, resultCode)) return false;
  }
  if (!SimIpcProcess(resultCode)) return false;
  link_.interfaceVersion = le::Get32(interfaceBytes_);
  link_.simulatorVersion = le::Get32(simulatorBytes_);
  return true;
}

bool SimIpcClient::SimIpcOpen(uint32_t requestedVersion, uint32_t* resultCode) {
  if (link_.view) {
    Report(resultCode, SimIpcAlreadyOpen);
    return false;
  }
  link_.interfaceVersion = 0;
  link_.simulatorVersion = 0;
  std::memset(interfaceBytes_, 0, sizeof interfaceBytes_);
  std::memset(simulatorBytes_, 0, sizeof simulatorBytes_);

  bool foundBySecondClass = false;
  link_.window = platform::FindIpcWindow(ipc_, kPrimaryClass);
  if (!link_.window) {
    link_.window = platform::FindIpcWindow(ipc_, kSecondaryClass);
    foundBySecondClass = true;
  }
  if (!link_.window) {
    Report(resultCode, SimIpcNoSimulator);
    return false;
  }

  link_.messageId = platform::RegisterIpcMessage(kMessageName);
  if (link_.messageId == 0) {
    Report(resultCode, SimIpcNoMessage);
    return false;
  }

  char name[64];
  std::snprintf(name, sizeof name, "%s:%X:%X", kMessageName, unsigned(platform::CurrentProcessId()), 1u);
  link_.atom = platform::AddGlobalAtom(ipc_, name);
  if (link_.atom == 0) {
    Report(resultCode, SimIpcNoAtom);
    SimIpcClose();
    return false;
  }

  bool alreadyExisted = false;
  link_.mapping = platform::CreateSharedBlock(ipc_, name, kBlockSize, &alreadyExisted);
  if (link_.mapping == 0 || alreadyExisted) {
    Report(resultCode, SimIpcNoBlock);
    SimIpcClose();
    return false;
  }

  link_.view = static_cast<uint8_t*>(platform::MapSharedBlock(ipc_, link_.mapping, kBlockSize));
  if (!link_.view) {
    Report(resultCode, SimIpcNoView);
    SimIpcClose();
    return false;
  }
  link_.used = 0;
  link_.recordCount = 0;

  for (int pass = 0; pass < kHandshakePasses &&
                     (link_.interfaceVersion == 0 || link_.simulatorVersion == 0);
       ++pass) {
    if (!HandshakePass(pass == 0, resultCode)) {
      SimIpcClose();
      return false;
    }
    platform::SleepMs(kHandshakeWaitMs);
  }

  if (link_.interfaceVersion < kInterfaceVersionFloor ||
      (link_.simulatorVersion >> 16) != kSimulatorMarker) {
    Report(resultCode, foundBySecondClass ? SimIpcVersionRefusedFs98 : SimIpcVersionRefused);
    SimIpcClose();
    return false;
  }
  link_.simulatorVersion &= 0xFFFF;
  if (requestedVersion != 0 && requestedVersion != link_.simulatorVersion) {
    Report(resultCode, SimIpcWrongVersion);
    SimIpcClose();
    return false;
  }

  Report(resultCode, SimIpcOk);
  return true;
}

bool SimIpcClient::SimIpcRead(uint32_t offset, uint32_t size, void* destination, uint32_t* resultCode) {
  if (!link_.view) {
    Report(resultCode, SimIpcNotOpen);
    return false;
  }
  if (!Fits(kReadHeader, size)) {
    Report(resultCode, SimIpcNoRoom);
    return false;
  }
  const uint32_t index = link_.recordCount++;
  QueuedRecord& r = link_.records[index];
  r = {kReadId, offset, size, link_.used, destination ? index + 1 : 0};
  link_.destinations[index] = destination;

  uint8_t* at = link_.view + link_.used;
  le::Put32(at, kReadId);
  le::Put32(at + 4, offset);
  le::Put32(at + 8, size);
  le::Put32(at + 12, r.destField);
  std::memset(at + kReadHeader, 0, size);
  link_.used += kReadHeader + size;
  Report(resultCode, SimIpcOk);
  return true;
}

bool SimIpcClient::SimIpcWrite(uint32_t offset, uint32_t size, const void* source, uint32_t* resultCode) {
  if (!link_.view) {
    Report(resultCode, SimIpcNotOpen);
    return false;
  }
  if (!Fits(kWriteHeader, size)) {
    Report(resultCode, SimIpcNoRoom);
    return false;
  }
  const uint32_t index = link_.recordCount++;
  link_.records[index] = {kWriteId, offset, size, link_.used, 0};
  link_.destinations[index] = nullptr;

  uint8_t* at = link_.view + link_.used;
  le::Put32(at, kWriteId);
  le::Put32(at + 4, offset);
  le::Put32(at + 8, size);
  if (size > 0) {
    if (source) {
      std::memcpy(at + kWriteHeader, source, size);
    } else {
      std::memset(at + kWriteHeader, 0, size);
    }
  }
  link_.used += kWriteHeader + size;
  Report(resultCode, SimIpcOk);
  return true;
}

bool SimIpcClient::SimIpcProcess(uint32_t* resultCode) {
  if (!link_.view) {
    Report(resultCode, SimIpcNotOpen);
    return false;
  }
  if (link_.used == 0) {
    Report(resultCode, SimIpcNothingQueued);
    return false;
  }
  // The queue counts as empty from here on, whatever the outcome; the record copies stay readable
  // until the next request is queued, which cannot happen before this call returns.
  const uint32_t count = link_.recordCount;
  const uint32_t endPosition = link_.used;
  le::Put32(link_.view + endPosition, 0);
  link_.used = 0;
  link_.recordCount = 0;

  uintptr_t reply = 0;
  bool delivered = false;
  uint32_t lastError = 0;
  for (int attempt = 0; attempt < kSendAttempts && !delivered; ++attempt) {
    platform::ClearLastSystemError();
    delivered = platform::SendIpcMessage(ipc_, link_.window, link_.messageId, uintptr_t(link_.atom), 0,
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

  const uint8_t* block = link_.view;
  if (!BlockMatchesQueue(block, count, endPosition)) {
    Report(resultCode, SimIpcBadReply);
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const QueuedRecord& r = link_.records[i];
    if (r.id != kReadId || r.destField == 0 || r.size == 0) continue;
    std::memcpy(link_.destinations[r.destField - 1], block + r.position + kReadHeader, r.size);
  }
  Report(resultCode, SimIpcOk);
  return true;
}

void SimIpcClient::SimIpcClose() {
  link_.window = 0;
  link_.messageId = 0;
  link_.used = 0;
  link_.recordCount = 0;
  if (link_.atom != 0) {
    platform::DeleteGlobalAtom(ipc_, link_.atom);
    link_.atom = 0;
  }
  if (link_.view) {
    platform::UnmapSharedBlock(link_.view, kBlockSize);
    link_.view = nullptr;
  }
  if (link_.mapping != 0) {
    platform::CloseSharedBlock(ipc_, link_.mapping);
    link_.mapping = 0;
  }
}
