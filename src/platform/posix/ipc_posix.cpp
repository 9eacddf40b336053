// Simulator IPC transport on Linux: the client calls and the peer side, over Unix sockets and POSIX shared memory.
//
// How it stands in for the Windows mechanism, with the same observable behaviour:
// - "Window": a peer registers a class name by listening on the abstract-namespace Unix socket
//   "\0orvane-ipc:<class>" ("\0orvane-ipc:<ns>:<class>" when ORVANE_IPC_NAMESPACE is set, which keeps
//   concurrent test runs apart). FindIpcWindow connects to it: success means the peer exists. The
//   peer greets every connection with a hello naming its instance (u32 magic "OIPH", u64 instance),
//   and the handle FindIpcWindow returns stays bound to that instance, as a window handle is bound to
//   one window: a peer that ends and is replaced by a new one does not answer to the old handle.
//   The connection is kept for the batches that follow and re-made transparently when it was lost
//   (after a time-out, for one) while the peer instance is still there.
// - Registered message: the id is derived from the name (0xC000 + a 14-bit hash), so the client and
//   the peer arrive at the same id without talking, as with the system-wide table on Windows.
// - Global atoms: a table name <-> atom (0xC000 upwards) with reference counts, one per IpcClient.
//   The atom's name travels with each request, so the peer needs no shared atom table.
// - Shared block: a POSIX shared-memory object "/<name>" created with O_EXCL (an existing name is
//   reported as "already existed", and then opened all the same, as CreateFileMappingA does), sized
//   with ftruncate, unlinked again by its creator when it closes the block.
// - One batch = one request and one reply on the connection:
//     request: u32 magic "OIPQ", u32 sequence, u32 message id, u64 wparam, i64 lparam,
//              u16 name length (1..255), the atom's name
//     reply:   u32 magic "OIPR", u32 sequence, u32 result
//   all little-endian. The sender waits for the reply with poll() for at most the time-out (2,000 ms
//   for the IPC client). After a time-out the connection is dropped, so a late reply can never be
//   taken for the answer to a later request.
// - Errors (LastSystemError, the calling thread's): 1460 when the peer did not answer in time, 1400
//   when there is no peer to send to (the numbers Windows gives for a time-out and for a window that
//   is gone).
// - The client's tables (peer handles, atoms, blocks) live in its IpcClient, handed to every call;
//   the only process-wide state is the stop flag set by SIGINT/SIGTERM.
#include <cerrno>
#include <cstddef>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/ipc.h"
#include "platform/system.h"
#include "platform/byte_order.h"
#include "platform/posix/last_error.h"

namespace platform {

namespace {

constexpr uint32_t kRequestMagic = 0x5150494F;  // "OIPQ"
constexpr uint32_t kReplyMagic = 0x5250494F;    // "OIPR"
constexpr size_t kRequestFixed = 30;            // request bytes before the name
constexpr size_t kReplySize = 12;
constexpr uint32_t kHelloMagic = 0x4850494F;    // "OIPH"
constexpr size_t kHelloSize = 12;               // magic, u64 peer instance
constexpr uint64_t kHelloWaitMicros = 2000000;
constexpr size_t kMaxName = 255;
constexpr uint32_t kErrorTimeout = 1460;
constexpr uint32_t kErrorNoPeer = 1400;
constexpr const char* kNamespaceVariable = "ORVANE_IPC_NAMESPACE";

using le::Get16;
using le::Get32;
using le::Get64;
using le::Put16;
using le::Put32;
using le::Put64;

// The abstract socket address of a peer class; false when the name does not fit.
bool PeerAddress(const char* className, sockaddr_un& addr, socklen_t& length) {
  std::string path = "orvane-ipc:";
  const char* ns = std::getenv(kNamespaceVariable);
  if (ns && *ns) path += std::string(ns) + ":";
  path += className;
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() + 1 > sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path + 1, path.data(), path.size());  // sun_path[0] = 0: abstract namespace
  length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size());
  return true;
}

// A block name is usable as a shared-memory name: 1..255 bytes, no '/' and no zero byte.
bool ValidBlockName(const char* name, size_t length) {
  if (length == 0 || length > kMaxName) return false;
  for (size_t i = 0; i < length; ++i)
    if (name[i] == '/' || name[i] == 0) return false;
  return true;
}

std::string ShmName(const char* name) { return std::string("/") + name; }

// Remaining milliseconds until `deadline` (MonotonicMicros), never negative.
int RemainingMs(uint64_t deadline) {
  const uint64_t now = MonotonicMicros();
  if (now >= deadline) return 0;
  return int((deadline - now + 999) / 1000);
}

// Writes all of `data` within the deadline.
bool SendAll(int fd, const uint8_t* data, size_t size, uint64_t deadline) {
  size_t sent = 0;
  while (sent < size) {
    const ssize_t n = send(fd, data + sent, size - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      const int wait = RemainingMs(deadline);
      if (wait == 0 || poll(&p, 1, wait) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

enum class ReadOutcome { Done, TimedOut, Closed };

// Reads exactly `size` bytes within the deadline.
ReadOutcome ReceiveAll(int fd, uint8_t* data, size_t size, uint64_t deadline) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = recv(fd, data + got, size - got, 0);
    if (n > 0) {
      got += size_t(n);
      continue;
    }
    if (n == 0) return ReadOutcome::Closed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return ReadOutcome::Closed;
    pollfd p{fd, POLLIN, 0};
    const int wait = RemainingMs(deadline);
    if (wait == 0) return ReadOutcome::TimedOut;
    const int r = poll(&p, 1, wait);
    if (r < 0 && errno != EINTR) return ReadOutcome::Closed;
    if (r == 0 && RemainingMs(deadline) == 0) return ReadOutcome::TimedOut;
  }
  return ReadOutcome::Done;
}

// ---- Client: peers ("windows") ----------------------------------------------------------------

// One peer instance the client has found. Its handle stays bound to that instance, as a window
// handle is bound to one window: when the peer is replaced by a new one, the old handle fails.
struct PeerLink {
  char className[64] = {};
  uint64_t instance = 0;    // from the peer's hello
  uint32_t generation = 0;  // part of the handle, so a reused slot never answers to an old handle
  int fd = -1;              // -1 = not connected
  uint32_t sequence = 0;
  uint64_t lastUse = 0;
  bool inUse = false;
};
constexpr int kMaxPeerLinks = 32;

struct AtomEntry {
  char name[kMaxName + 1] = {};
  uint32_t references = 0;  // 0 = free slot
};
constexpr int kMaxAtoms = 256;
constexpr uint16_t kFirstAtom = 0xC000;

struct BlockEntry {
  int fd = -1;  // -1 = free slot
  bool created = false;
  char name[kMaxName + 1] = {};
};
constexpr int kMaxBlocks = 16;

}  // namespace

// The tables of one IpcClient.
struct IpcClient::Tables {
  PeerLink peers[kMaxPeerLinks];
  uint32_t peerGeneration = 0;
  AtomEntry atoms[kMaxAtoms];
  BlockEntry blocks[kMaxBlocks];
};

namespace {

using Tables = IpcClient::Tables;

IpcWindow HandleOf(const Tables& t, int index) {
  return IpcWindow(uint64_t(t.peers[index].generation) << 8 | uint64_t(index + 1));
}

PeerLink* LinkFor(Tables& t, IpcWindow window) {
  const uint64_t index = uint64_t(window & 0xFF);
  if (index == 0 || index > kMaxPeerLinks) return nullptr;
  PeerLink& p = t.peers[index - 1];
  if (!p.inUse || p.generation != uint32_t(uint64_t(window) >> 8)) return nullptr;
  return &p;
}

void Disconnect(PeerLink& p) {
  if (p.fd >= 0) close(p.fd);
  p.fd = -1;
}

// Connects to the peer of that class and reads its hello; -1 when nobody (working) listens there.
int ConnectToPeer(const char* className, uint64_t* instance) {
  sockaddr_un addr;
  socklen_t length;
  if (!PeerAddress(className, addr, length)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  uint8_t hello[kHelloSize];
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), length) != 0 ||
      ReceiveAll(fd, hello, sizeof hello, MonotonicMicros() + kHelloWaitMicros) != ReadOutcome::Done ||
      Get32(hello) != kHelloMagic) {
    close(fd);
    return -1;
  }
  *instance = Get64(hello + 4);
  return fd;
}

// True when the kept connection is still usable: nothing to read (no end of stream, no stray bytes).
bool ConnectionHealthy(int fd) {
  pollfd p{fd, POLLIN, 0};
  const int n = poll(&p, 1, 0);
  return n == 0;
}

// Makes sure the link has a connection to its own peer instance; false when that peer is gone.
bool EnsureConnected(PeerLink& p) {
  if (p.fd >= 0 && ConnectionHealthy(p.fd)) return true;
  Disconnect(p);
  uint64_t instance = 0;
  const int fd = ConnectToPeer(p.className, &instance);
  if (fd < 0) return false;
  if (instance != p.instance) {  // another peer took the class name: this one is gone
    close(fd);
    return false;
  }
  p.fd = fd;
  return true;
}

// ---- Client: atoms -------------------------------------------------------------------------------

const char* AtomName(const Tables& t, uint16_t atom) {
  if (atom < kFirstAtom || atom >= kFirstAtom + kMaxAtoms) return nullptr;
  const AtomEntry& e = t.atoms[atom - kFirstAtom];
  return e.references ? e.name : nullptr;
}

// ---- Client: shared blocks -----------------------------------------------------------------------

BlockEntry* BlockFor(Tables& t, IpcMapping mapping) {
  if (mapping == 0 || mapping > kMaxBlocks) return nullptr;
  BlockEntry& b = t.blocks[mapping - 1];
  return b.fd >= 0 ? &b : nullptr;
}

void CloseBlock(BlockEntry& b) {
  close(b.fd);
  if (b.created) shm_unlink(ShmName(b.name).c_str());
  b.fd = -1;
  b.created = false;
}

// ---- Stop requests -------------------------------------------------------------------------------

volatile sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) { g_stopRequested = 1; }

}  // namespace

// ---- Client side ---------------------------------------------------------------------------------

IpcClient::IpcClient() : tables_(new Tables) {}

IpcClient::~IpcClient() {
  for (PeerLink& p : tables_->peers) Disconnect(p);
  for (BlockEntry& b : tables_->blocks)
    if (b.fd >= 0) CloseBlock(b);
  delete tables_;
}

IpcWindow FindIpcWindow(IpcClient& client, const char* className) {
  Tables& t = *client.tables();
  PeerLink* const peers = t.peers;
  if (!className || !*className || std::strlen(className) >= sizeof peers[0].className) return 0;
  for (int i = 0; i < kMaxPeerLinks; ++i) {
    PeerLink& p = peers[i];
    if (p.inUse && p.fd >= 0 && std::strcmp(p.className, className) == 0 && ConnectionHealthy(p.fd)) {
      p.lastUse = MonotonicMicros();
      return HandleOf(t, i);
    }
  }
  uint64_t instance = 0;
  const int fd = ConnectToPeer(className, &instance);
  if (fd < 0) return 0;
  // The same instance found again (its connection had been dropped), else a slot for a new one:
  // a free slot, or the least recently used one without a connection.
  int slot = -1;
  for (int i = 0; i < kMaxPeerLinks && slot < 0; ++i)
    if (peers[i].inUse && peers[i].instance == instance && std::strcmp(peers[i].className, className) == 0)
      slot = i;
  if (slot >= 0) {
    Disconnect(peers[slot]);
  } else {
    for (int i = 0; i < kMaxPeerLinks && slot < 0; ++i)
      if (!peers[i].inUse) slot = i;
    if (slot < 0) {  // all taken: reuse the least recently used one without a connection
      for (int i = 0; i < kMaxPeerLinks; ++i)
        if (peers[i].fd < 0 && (slot < 0 || peers[i].lastUse < peers[slot].lastUse)) slot = i;
    }
    if (slot < 0) {
      close(fd);
      return 0;
    }
    PeerLink& p = peers[slot];
    std::snprintf(p.className, sizeof p.className, "%s", className);
    p.instance = instance;
    p.generation = ++t.peerGeneration;
    p.sequence = 0;
    p.inUse = true;
  }
  peers[slot].fd = fd;
  peers[slot].lastUse = MonotonicMicros();
  return HandleOf(t, slot);
}

uint32_t RegisterIpcMessage(const char* name) {
  if (!name || !*name) return 0;
  uint32_t hash = 2166136261u;  // FNV-1a
  for (const char* c = name; *c; ++c) {
    hash ^= uint8_t(*c);
    hash *= 16777619u;
  }
  return 0xC000u + (hash & 0x3FFFu);
}

uint16_t AddGlobalAtom(IpcClient& client, const char* name) {
  AtomEntry* const atoms = client.tables()->atoms;
  if (!name || !*name || std::strlen(name) > kMaxName) return 0;
  int freeSlot = -1;
  for (int i = 0; i < kMaxAtoms; ++i) {
    AtomEntry& e = atoms[i];
    if (e.references == 0) {
      if (freeSlot < 0) freeSlot = i;
      continue;
    }
    if (strcasecmp(e.name, name) == 0) {
      ++e.references;
      return uint16_t(kFirstAtom + i);
    }
  }
  if (freeSlot < 0) return 0;
  std::snprintf(atoms[freeSlot].name, sizeof atoms[freeSlot].name, "%s", name);
  atoms[freeSlot].references = 1;
  return uint16_t(kFirstAtom + freeSlot);
}

void DeleteGlobalAtom(IpcClient& client, uint16_t atom) {
  if (atom < kFirstAtom || atom >= kFirstAtom + kMaxAtoms) return;
  AtomEntry& e = client.tables()->atoms[atom - kFirstAtom];
  if (e.references > 0) --e.references;
}

uint16_t FindGlobalAtom(IpcClient& client, const char* name) {
  const AtomEntry* const atoms = client.tables()->atoms;
  if (!name || !*name) return 0;
  for (int i = 0; i < kMaxAtoms; ++i)
    if (atoms[i].references && strcasecmp(atoms[i].name, name) == 0) return uint16_t(kFirstAtom + i);
  return 0;
}

IpcMapping CreateSharedBlock(IpcClient& client, const char* name, uint32_t size, bool* alreadyExisted) {
  BlockEntry* const blocks = client.tables()->blocks;
  if (alreadyExisted) *alreadyExisted = false;
  if (!name || !ValidBlockName(name, std::strlen(name)) || size == 0) return 0;
  int slot = -1;
  for (int i = 0; i < kMaxBlocks && slot < 0; ++i)
    if (blocks[i].fd < 0) slot = i;
  if (slot < 0) return 0;

  const std::string shm = ShmName(name);
  bool created = true;
  int fd = shm_open(shm.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = shm_open(shm.c_str(), O_RDWR | O_CLOEXEC, 0600);
  }
  if (fd < 0) return 0;
  if (created && ftruncate(fd, off_t(size)) != 0) {
    close(fd);
    shm_unlink(shm.c_str());
    return 0;
  }
  BlockEntry& b = blocks[slot];
  b.fd = fd;
  b.created = created;
  std::snprintf(b.name, sizeof b.name, "%s", name);
  if (alreadyExisted) *alreadyExisted = !created;
  return IpcMapping(slot + 1);
}

void* MapSharedBlock(IpcClient& client, IpcMapping mapping, uint32_t size) {
  BlockEntry* b = BlockFor(*client.tables(), mapping);
  if (!b || size == 0) return nullptr;
  struct stat st {};
  // An object smaller than asked (someone else's) would fault on access past its end.
  if (fstat(b->fd, &st) != 0 || st.st_size < off_t(size)) return nullptr;
  void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, b->fd, 0);
  return view == MAP_FAILED ? nullptr : view;
}

void UnmapSharedBlock(void* view, uint32_t size) {
  if (view && size) munmap(view, size);
}

void CloseSharedBlock(IpcClient& client, IpcMapping mapping) {
  BlockEntry* b = BlockFor(*client.tables(), mapping);
  if (b) CloseBlock(*b);
}

bool SendIpcMessage(IpcClient& client, IpcWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam,
                    uint32_t timeoutMs, uintptr_t* reply) {
  Tables& t = *client.tables();
  PeerLink* link = LinkFor(t, window);
  if (!link) {
    ThreadLastError() = kErrorNoPeer;
    return false;
  }
  PeerLink& p = *link;
  p.lastUse = MonotonicMicros();
  const uint64_t deadline = MonotonicMicros() + uint64_t(timeoutMs) * 1000u;

  const char* name = wparam <= 0xFFFF ? AtomName(t, uint16_t(wparam)) : nullptr;
  const size_t nameLength = name ? std::strlen(name) : 0;
  uint8_t request[kRequestFixed + kMaxName];
  const uint32_t sequence = ++p.sequence;
  Put32(request, kRequestMagic);
  Put32(request + 4, sequence);
  Put32(request + 8, message);
  Put64(request + 12, uint64_t(wparam));
  Put64(request + 20, uint64_t(lparam));
  Put16(request + 28, uint16_t(nameLength));
  if (nameLength) std::memcpy(request + kRequestFixed, name, nameLength);
  const size_t requestSize = kRequestFixed + nameLength;

  // A kept connection may have died with an earlier peer: one fresh connection is tried then.
  bool sent = false;
  for (int tries = 0; tries < 2 && !sent; ++tries) {
    if (!EnsureConnected(p)) break;
    sent = SendAll(p.fd, request, requestSize, deadline);
    if (!sent) Disconnect(p);
  }
  if (!sent) {
    ThreadLastError() = RemainingMs(deadline) == 0 ? kErrorTimeout : kErrorNoPeer;
    return false;
  }

  uint8_t answer[kReplySize];
  const ReadOutcome outcome = ReceiveAll(p.fd, answer, sizeof answer, deadline);
  if (outcome != ReadOutcome::Done || Get32(answer) != kReplyMagic || Get32(answer + 4) != sequence) {
    Disconnect(p);
    ThreadLastError() = outcome == ReadOutcome::TimedOut ? kErrorTimeout : kErrorNoPeer;
    return false;
  }
  if (reply) *reply = uintptr_t(Get32(answer + 8));
  return true;
}

uint32_t LastSystemError() { return ThreadLastError(); }

void ClearLastSystemError() { ThreadLastError() = 0; }

bool IsIpcTimeoutError(uint32_t error) { return error == 0 || error == kErrorTimeout; }

// ---- Peer side -----------------------------------------------------------------------------------

namespace {

// One client connection of the peer, with its partly read request and the block it last used.
struct PeerConnection {
  int fd = -1;
  long clientPid = 0;
  uint8_t buffer[kRequestFixed + kMaxName] = {};
  size_t have = 0;
  std::string blockName;
  int blockFd = -1;
  uint8_t* view = nullptr;
};

void ReleaseBlock(PeerConnection& c) {
  if (c.view) munmap(c.view, kIpcBlockSize);
  if (c.blockFd >= 0) close(c.blockFd);
  c.view = nullptr;
  c.blockFd = -1;
  c.blockName.clear();
}

}  // namespace

struct IpcPeer {
  std::string className;
  uint32_t messageId = 0;
  uint64_t instance = 0;  // tells this peer from any later one of the same class
  int listenFd = -1;
  IpcBatchHandler handler;
  IpcPeerLog log;
  std::vector<PeerConnection> connections;

  void Log(const std::string& line) const {
    if (log) log(line);
  }

  // The client's block by name. A kept mapping is reused while the name still refers to it: the
  // creator unlinks the name when it closes, which drops the object's link count to 0.
  uint8_t* BlockFor(PeerConnection& c, const std::string& name) {
    if (c.view && c.blockName == name) {
      struct stat st {};
      if (fstat(c.blockFd, &st) == 0 && st.st_nlink > 0) return c.view;
    }
    ReleaseBlock(c);
    const int fd = shm_open(ShmName(name.c_str()).c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size < off_t(kIpcBlockSize)) {
      close(fd);
      return nullptr;
    }
    void* view = mmap(nullptr, kIpcBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
      close(fd);
      return nullptr;
    }
    c.blockFd = fd;
    c.view = static_cast<uint8_t*>(view);
    c.blockName = name;
    return c.view;
  }

  // Performs one complete request; false when the connection is to be dropped.
  bool Answer(PeerConnection& c) {
    const uint32_t sequence = Get32(c.buffer + 4);
    const uint32_t message = Get32(c.buffer + 8);
    const uint64_t wparam = Get64(c.buffer + 12);
    const size_t nameLength = Get16(c.buffer + 28);
    const std::string name(reinterpret_cast<const char*>(c.buffer + kRequestFixed), nameLength);
    (void)wparam;

    IpcPeerReply reply{true, 0};  // what an unhandled message gets, as from DefWindowProc
    if (message == messageId) {
      uint8_t* block = ValidBlockName(name.data(), name.size()) ? BlockFor(c, name) : nullptr;
      if (block) {
        reply = handler(block, kIpcBlockSize);
      } else {
        Log("request for a block that cannot be opened: \"" + name + "\"");
      }
    }
    if (!reply.answer) return true;  // withheld: the client runs into its time-out
    uint8_t answer[kReplySize];
    Put32(answer, kReplyMagic);
    Put32(answer + 4, sequence);
    Put32(answer + 8, reply.value);
    const uint64_t deadline = MonotonicMicros() + 2000000u;
    return SendAll(c.fd, answer, sizeof answer, deadline);
  }

  // Reads what the connection has; false when it is to be closed (end of stream, bad request).
  bool Receive(PeerConnection& c) {
    for (;;) {
      size_t need = kRequestFixed;
      if (c.have >= kRequestFixed) {
        if (Get32(c.buffer) != kRequestMagic) {
          Log("client " + std::to_string(c.clientPid) + ": malformed request, connection dropped");
          return false;
        }
        const size_t nameLength = Get16(c.buffer + 28);
        if (nameLength > kMaxName) {
          Log("client " + std::to_string(c.clientPid) + ": block name too long, connection dropped");
          return false;
        }
        need = kRequestFixed + nameLength;
      }
      if (c.have == need) {
        if (!Answer(c)) return false;
        c.have = 0;
        continue;
      }
      const ssize_t n = recv(c.fd, c.buffer + c.have, need - c.have, 0);
      if (n > 0) {
        c.have += size_t(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
      return false;
    }
  }

  void Accept() {
    for (;;) {
      const int fd = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;
      PeerConnection c;
      c.fd = fd;
      ucred cred{};
      socklen_t length = sizeof cred;
      if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0) c.clientPid = long(cred.pid);
      uint8_t hello[kHelloSize];
      Put32(hello, kHelloMagic);
      Put64(hello + 4, instance);
      if (!SendAll(fd, hello, sizeof hello, MonotonicMicros() + 1000000u)) {
        close(fd);
        continue;
      }
      Log("client connected (process " + std::to_string(c.clientPid) + ")");
      connections.push_back(std::move(c));
    }
  }

  void Drop(size_t index) {
    PeerConnection& c = connections[index];
    Log("client disconnected (process " + std::to_string(c.clientPid) + ")");
    ReleaseBlock(c);
    close(c.fd);
    connections.erase(connections.begin() + long(index));
  }
};

IpcPeer* StartIpcPeer(const std::string& className, const std::string& messageName,
                      IpcBatchHandler handler, IpcPeerLog log, std::string& error) {
  sockaddr_un addr;
  socklen_t length;
  if (className.empty() || !PeerAddress(className.c_str(), addr, length)) {
    error = "invalid peer class name \"" + className + "\"";
    return nullptr;
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    error = std::string("cannot create the peer socket: ") + std::strerror(errno);
    return nullptr;
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), length) != 0) {
    const int e = errno;
    close(fd);
    error = e == EADDRINUSE ? "a peer of class \"" + className + "\" is already running"
                            : "cannot register peer class \"" + className + "\": " + std::strerror(e);
    return nullptr;
  }
  if (listen(fd, 16) != 0) {
    error = std::string("cannot listen for clients: ") + std::strerror(errno);
    close(fd);
    return nullptr;
  }
  IpcPeer* peer = new IpcPeer;
  peer->className = className;
  peer->messageId = RegisterIpcMessage(messageName.c_str());
  peer->listenFd = fd;
  peer->instance = uint64_t(getpid()) << 40 ^ MonotonicMicros();
  peer->handler = std::move(handler);
  peer->log = std::move(log);
  return peer;
}

bool ServeIpcPeer(IpcPeer* peer, uint32_t waitMs) {
  if (!peer) return false;
  const uint64_t deadline = MonotonicMicros() + uint64_t(waitMs) * 1000u;
  std::vector<pollfd> fds;
  for (;;) {
    if (g_stopRequested) return false;
    const int wait = RemainingMs(deadline);
    fds.clear();
    fds.push_back({peer->listenFd, POLLIN, 0});
    for (const PeerConnection& c : peer->connections) fds.push_back({c.fd, POLLIN, 0});
    const int n = poll(fds.data(), nfds_t(fds.size()), wait);
    if (n < 0 && errno != EINTR) return !g_stopRequested;
    if (n > 0) {
      // Connections first, by index from the back, so dropping one does not shift the others.
      for (size_t i = fds.size() - 1; i >= 1; --i) {
        if (fds[i].revents == 0) continue;
        if (!peer->Receive(peer->connections[i - 1])) peer->Drop(i - 1);
      }
      if (fds[0].revents & POLLIN) peer->Accept();
    }
    if (wait == 0) return !g_stopRequested;
  }
}

void StopIpcPeer(IpcPeer* peer) {
  if (!peer) return;
  while (!peer->connections.empty()) peer->Drop(peer->connections.size() - 1);
  if (peer->listenFd >= 0) close(peer->listenFd);
  delete peer;
}

void InstallIpcStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a pending poll() returns at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool IpcStopRequested() { return g_stopRequested != 0; }

void SetIpcNamespace(const std::string& name) {
  if (name.empty()) {
    unsetenv(kNamespaceVariable);
  } else {
    setenv(kNamespaceVariable, name.c_str(), 1);
  }
}

}  // namespace platform
