// Fuzz-only simulator IPC transport: client calls of platform/ipc.h backed by heap blocks and a scripted peer.
//
// Anything the client does that a real transport would not accept (an unknown window, message,
// atom, mapping or view, a view unmapped with the wrong size) stops the fuzzer: that is a client bug.
#include "support/fuzz_ipc.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ipc.h"
#include "platform/byte_order.h"

namespace {

struct Mapping {
  std::string name;
  uint32_t size = 0;
  std::unique_ptr<uint8_t[]> bytes;  // exactly `size` bytes, so ASan sees every overrun
  int views = 0;
  bool closed = false;
};

// Plain pointers to heap state, never destroyed: the client closes its link from an exit handler.
std::map<uint16_t, std::string>* g_atoms = new std::map<uint16_t, std::string>();
std::map<platform::IpcMapping, Mapping>* g_mappings = new std::map<platform::IpcMapping, Mapping>();
fuzzipc::OpenFaults g_faults;
fuzzipc::BatchHook* g_hook = new fuzzipc::BatchHook();
platform::IpcMapping g_nextMapping = 0x100;
uint32_t g_lastError = 0;
uint64_t g_messages = 0;

[[noreturn]] void Violation(const char* what) {
  std::fprintf(stderr, "IPC client misuse: %s\n", what);
  __builtin_trap();
}

Mapping* FindLiveMapping(platform::IpcMapping handle) {
  auto it = g_mappings->find(handle);
  return it == g_mappings->end() || it->second.closed ? nullptr : &it->second;
}

// Drops a mapping once its handle is closed and its last view unmapped.
void ForgetIfUnused(platform::IpcMapping handle) {
  auto it = g_mappings->find(handle);
  if (it != g_mappings->end() && it->second.closed && it->second.views == 0) g_mappings->erase(it);
}

// Copies `n` bytes between the block and the 64 KiB area starting at `offset` (wrapping round).
void CopyArea(uint8_t* blockBytes, uint8_t* area, uint32_t offset, uint32_t n, bool toBlock) {
  uint32_t done = 0;
  while (done < n) {
    const uint32_t at = (offset + done) & 0xFFFF;
    const uint32_t chunk = std::min(n - done, 0x10000 - at);
    if (toBlock) {
      std::memcpy(blockBytes + done, area + at, chunk);
    } else {
      std::memcpy(area + at, blockBytes + done, chunk);
    }
    done += chunk;
  }
}

}  // namespace

namespace fuzzipc {

void SetOpenFaults(const OpenFaults& faults) { g_faults = faults; }

void SetBatchHook(BatchHook hook) { *g_hook = std::move(hook); }

void PerformHonestly(uint8_t* block, uint32_t size) {
  static uint8_t area[0x10000];
  le::Put32(area + 0x3304, kHonestInterfaceVersion);
  le::Put32(area + 0x3308, kHonestSimulatorVersion);
  uint32_t pos = 0;
  while (pos + 4 <= size) {
    const uint32_t id = le::Get32(block + pos);
    if (id == 1 && pos + 16 <= size) {
      const uint32_t offset = le::Get32(block + pos + 4), n = le::Get32(block + pos + 8);
      if (n > size - pos - 16) return;
      CopyArea(block + pos + 16, area, offset, n, true);
      pos += 16 + n;
    } else if (id == 2 && pos + 12 <= size) {
      const uint32_t offset = le::Get32(block + pos + 4), n = le::Get32(block + pos + 8);
      if (n > size - pos - 12) return;
      CopyArea(block + pos + 12, area, offset, n, false);
      pos += 12 + n;
    } else {
      return;
    }
  }
}

int LiveAtoms() { return int(g_atoms->size()); }

int LiveMappings() {
  int n = 0;
  for (const auto& m : *g_mappings) n += m.second.closed ? 0 : 1;
  return n;
}

int LiveViews() {
  int n = 0;
  for (const auto& m : *g_mappings) n += m.second.views;
  return n;
}

uint64_t MessagesSent() { return g_messages; }

}  // namespace fuzzipc

namespace platform {

IpcClient::IpcClient() {}

IpcClient::~IpcClient() {}

IpcWindow FindIpcWindow(IpcClient&, const char* className) {
  const std::string cls = className != nullptr ? className : "";
  if (cls == "UIPCMAIN") return g_faults.noPrimaryWindow ? 0 : fuzzipc::kWindow;
  if (cls == "FS98MAIN") return g_faults.noSecondaryWindow ? 0 : fuzzipc::kWindow;
  return 0;
}

uint32_t RegisterIpcMessage(const char* name) {
  if (name == nullptr || std::string(name) != "FsasmLib:IPC") Violation("unexpected message name");
  return g_faults.noMessage ? 0 : fuzzipc::kMessageId;
}

uint16_t AddGlobalAtom(IpcClient&, const char* name) {
  if (name == nullptr) Violation("atom without a name");
  if (g_faults.noAtom) return 0;
  for (const auto& a : *g_atoms) {
    if (a.second == name) return a.first;  // as GlobalAddAtomA: the same atom again
  }
  // String atoms live in 0xC000..0xFFFF; a deleted one's number is given out again.
  for (uint32_t atom = 0xC000; atom <= 0xFFFF; ++atom) {
    if (g_atoms->count(uint16_t(atom)) == 0) {
      (*g_atoms)[uint16_t(atom)] = name;
      return uint16_t(atom);
    }
  }
  return 0;
}

void DeleteGlobalAtom(IpcClient&, uint16_t atom) {
  if (g_atoms->erase(atom) == 0) Violation("deleting an atom that is not there");
}

uint16_t FindGlobalAtom(IpcClient&, const char* name) {
  for (const auto& a : *g_atoms) {
    if (name != nullptr && a.second == name) return a.first;
  }
  return 0;
}

IpcMapping CreateSharedBlock(IpcClient&, const char* name, uint32_t size, bool* alreadyExisted) {
  if (name == nullptr || size == 0 || alreadyExisted == nullptr) Violation("bad CreateSharedBlock call");
  *alreadyExisted = false;
  if (g_faults.noBlock) return 0;
  for (auto& m : *g_mappings) {
    if (!m.second.closed && m.second.name == name) Violation("second block of one name while the first is open");
  }
  Mapping m;
  m.name = name;
  m.size = size;
  m.bytes.reset(new uint8_t[size]);
  // Paging-file blocks start zeroed, except when they were there before.
  std::memset(m.bytes.get(), g_faults.blockExists ? 0xEE : 0, size);
  const IpcMapping handle = g_nextMapping++;
  (*g_mappings)[handle] = std::move(m);
  *alreadyExisted = g_faults.blockExists;
  return handle;
}

void* MapSharedBlock(IpcClient&, IpcMapping mapping, uint32_t size) {
  Mapping* m = FindLiveMapping(mapping);
  if (m == nullptr) Violation("mapping a block that is not open");
  if (g_faults.noView || size > m->size) return nullptr;
  ++m->views;
  return m->bytes.get();
}

void UnmapSharedBlock(void* view, uint32_t size) {
  for (auto& m : *g_mappings) {
    if (m.second.bytes.get() == view && m.second.views > 0) {
      if (size != m.second.size) Violation("unmapping with another size than was mapped");
      --m.second.views;
      ForgetIfUnused(m.first);
      return;
    }
  }
  Violation("unmapping a view that is not mapped");
}

void CloseSharedBlock(IpcClient&, IpcMapping mapping) {
  Mapping* m = FindLiveMapping(mapping);
  if (m == nullptr) Violation("closing a block that is not open");
  m->closed = true;
  ForgetIfUnused(mapping);
}

bool SendIpcMessage(IpcClient&, IpcWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam,
                    uint32_t timeoutMs, uintptr_t* reply) {
  ++g_messages;
  if (window != fuzzipc::kWindow) Violation("message to an unknown window");
  if (message != fuzzipc::kMessageId) Violation("unregistered message");
  if (lparam != 0 || timeoutMs == 0 || reply == nullptr) Violation("bad SendIpcMessage arguments");
  // The peer finds the block through the atom's name, as the simulator side does.
  auto atom = g_atoms->find(uint16_t(wparam));
  if (wparam > 0xFFFF || atom == g_atoms->end()) Violation("message names no atom");
  Mapping* block = nullptr;
  for (auto& m : *g_mappings) {
    if (!m.second.closed && m.second.name == atom->second && m.second.views > 0) block = &m.second;
  }
  if (block == nullptr) Violation("the atom names no mapped block");

  fuzzipc::BatchAnswer answer;
  if (*g_hook) {
    answer = (*g_hook)(block->bytes.get(), block->size);
  } else {
    fuzzipc::PerformHonestly(block->bytes.get(), block->size);
  }
  if (!answer.delivered) {
    g_lastError = answer.lastError;
    return false;
  }
  *reply = answer.reply;
  return true;
}

uint32_t LastSystemError() { return g_lastError; }

void ClearLastSystemError() { g_lastError = 0; }

bool IsIpcTimeoutError(uint32_t error) { return error == 0 || error == 1460; }

}  // namespace platform
