// Socket compatibility for the block socket layer: POSIX or Winsock calls with Windows Sockets codes.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// An operating-system socket handle; kInvalidSocket (all bits set) when there is none.
using SocketHandle = intptr_t;
constexpr SocketHandle kInvalidSocket = -1;

// The "no address" value of NetInetAddr (all bits set).
constexpr uint32_t kNoAddress = 0xFFFFFFFFu;

// Starts the sockets library (Windows Sockets 1.1 on Windows, which counts the starts, and which the
// platform layer also starts as the program loads; nothing elsewhere). Returns 0 or the library's
// start-up error number.
int NetStartup();

// The calling thread's last socket error, as a Windows Sockets code (10061 = connection refused,
// 11001 = host not found, ...). POSIX errno values and resolver failures are mapped onto them.
int NetLastError();
// Sets the calling thread's last socket error (Windows Sockets numbering).
void NetSetLastError(int code);

// socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); kInvalidSocket on failure.
SocketHandle NetTcpSocket();
// Blocking connect to an IPv4 address and port (both in network byte order). 0 or -1.
int NetConnect(SocketHandle s, uint32_t addressNet, uint16_t portNet);
// Connect that gives up after timeoutMs (non-blocking connect, then a wait for writability).
// 0 on success; -1 with the last error set (10060 on time-out). The socket is blocking again after.
int NetConnectWithin(SocketHandle s, uint32_t addressNet, uint16_t portNet, uint32_t timeoutMs);
// Switches Nagle's delay off (small requests go out at once). False when refused.
bool NetSetNoDelay(SocketHandle s);
// shutdown in both directions.
void NetShutdownBoth(SocketHandle s);
// Releases the handle.
void NetCloseHandle(SocketHandle s);

// send without waiting: the bytes that fit now (never raises SIGPIPE); -1 with the last error set,
// which is 10035 (would block) when nothing fits at the moment.
int NetSend(SocketHandle s, const void* bytes, int count);
// recv: bytes moved, 0 on orderly close, -1 on error.
int NetRecv(SocketHandle s, void* bytes, int count);
// NetRecvWithin's answer when nothing arrived within its time (the last error is left as it was).
constexpr int kNetNothingWithin = -2;
// One recv of what is waiting, or of what arrives within timeoutMicros: bytes moved, 0 on orderly
// close, -1 on error, kNetNothingWithin when nothing came. With timeoutMicros 0 it never waits.
int NetRecvWithin(SocketHandle s, void* bytes, int count, int64_t timeoutMicros);

// select on one handle: > 0 ready, 0 time-out, < 0 error. The wait is timeoutMicros at most.
int NetWaitReadable(SocketHandle s, int64_t timeoutMicros);
int NetWaitWritable(SocketHandle s, int64_t timeoutMicros);
// FIONREAD: the number of bytes waiting. False with the last error set when the call fails.
bool NetBytesWaiting(SocketHandle s, uint32_t* count);
// getpeername for an IPv4 peer. False with the last error set when it fails.
bool NetPeerName(SocketHandle s, uint32_t* addressNet, uint16_t* portNet);

// inet_addr: dotted text to an address in network byte order; kNoAddress when not an address.
uint32_t NetInetAddr(const std::string& text);
// inet_ntoa: an address in network byte order as dotted text.
std::string NetDottedAddress(uint32_t addressNet);
// Host-name lookup: the first IPv4 address of the host. False with the last error set (11001..).
bool NetResolveHost(const std::string& name, uint32_t* addressNet);
// Service-name lookup with no protocol: the service's port in network byte order. False if unknown.
bool NetServicePort(const std::string& name, uint16_t* portNet);

uint16_t NetHostToNet16(uint16_t value);
uint16_t NetNetToHost16(uint16_t value);
uint32_t NetHostToNet32(uint32_t value);

// For peers and tests: a listening TCP socket on 127.0.0.1 with an ephemeral port (or `port` when
// non-zero), the chosen port in host byte order in *port. kInvalidSocket on failure.
SocketHandle NetListenLoopback(uint16_t* port);
// The same without listening: a port of this machine that refuses connections for as long as the
// socket stays open (tests use it as "no server there" that no other program can take meanwhile).
SocketHandle NetBindLoopback(uint16_t* port);
// Waits up to timeoutMs for a connection on a listening socket; kInvalidSocket on time-out/failure.
SocketHandle NetAcceptWithin(SocketHandle listener, uint32_t timeoutMs);

}  // namespace platform
