// Winsock behind the socket compatibility interface; Windows Sockets 1.1 is started at module initialisation.
#include "platform/net.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace platform {

namespace {

// WSAStartup(1.1); the system counts the starts, so a later one is as good as the first.
int Start() {
  WSADATA data;
  return WSAStartup(0x0101, &data);
}

// Runs before the main program, so the sockets library is up in both data-source modes.
__attribute__((constructor)) void StartAtLoad() { Start(); }

SOCKET Sock(SocketHandle s) { return static_cast<SOCKET>(s); }

void SetLast(int code) { WSASetLastError(code); }

// select on one handle for reading or writing, the wait bounded by timeoutMicros.
int WaitFor(SocketHandle s, bool forWrite, int64_t timeoutMicros) {
  if (s == kInvalidSocket) {
    SetLast(WSAENOTSOCK);
    return -1;
  }
  if (timeoutMicros < 0) timeoutMicros = 0;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(Sock(s), &set);
  timeval tv;
  tv.tv_sec = static_cast<long>(timeoutMicros / 1000000);
  tv.tv_usec = static_cast<long>(timeoutMicros % 1000000);
  int r = forWrite ? ::select(0, nullptr, &set, nullptr, &tv) : ::select(0, &set, nullptr, nullptr, &tv);
  return r == SOCKET_ERROR ? -1 : r;
}

sockaddr_in MakeAddress(uint32_t addressNet, uint16_t portNet) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = portNet;
  a.sin_addr.s_addr = addressNet;
  return a;
}

}  // namespace

int NetStartup() { return Start(); }

int NetLastError() { return WSAGetLastError(); }

void NetSetLastError(int code) { WSASetLastError(code); }

SocketHandle NetTcpSocket() {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kInvalidSocket;
  return static_cast<SocketHandle>(s);
}

int NetConnect(SocketHandle s, uint32_t addressNet, uint16_t portNet) {
  sockaddr_in a = MakeAddress(addressNet, portNet);
  return ::connect(Sock(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
}

int NetConnectWithin(SocketHandle s, uint32_t addressNet, uint16_t portNet, uint32_t timeoutMs) {
  u_long on = 1;
  if (::ioctlsocket(Sock(s), FIONBIO, &on) != 0) return -1;
  sockaddr_in a = MakeAddress(addressNet, portNet);
  int result = 0;
  if (::connect(Sock(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      result = -1;
    } else {
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(Sock(s), &writable);
      FD_SET(Sock(s), &failed);
      timeval tv;
      tv.tv_sec = static_cast<long>(timeoutMs / 1000);
      tv.tv_usec = static_cast<long>((timeoutMs % 1000) * 1000);
      int r = ::select(0, nullptr, &writable, &failed, &tv);
      if (r == 0) {
        SetLast(WSAETIMEDOUT);
        result = -1;
      } else if (r == SOCKET_ERROR) {
        result = -1;
      } else if (FD_ISSET(Sock(s), &failed)) {
        int soError = 0;
        int len = sizeof soError;
        ::getsockopt(Sock(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
        SetLast(soError != 0 ? soError : WSAECONNREFUSED);
        result = -1;
      }
    }
  }
  int keep = WSAGetLastError();
  u_long off = 0;
  ::ioctlsocket(Sock(s), FIONBIO, &off);
  SetLast(keep);
  return result;
}

bool NetSetNoDelay(SocketHandle s) {
  BOOL one = TRUE;
  return ::setsockopt(Sock(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one) == 0;
}

void NetShutdownBoth(SocketHandle s) { ::shutdown(Sock(s), SD_BOTH); }

void NetCloseHandle(SocketHandle s) {
  if (s != kInvalidSocket) ::closesocket(Sock(s));
}

int NetSend(SocketHandle s, const void* bytes, int count) {
  // Non-blocking for this one call, so a send never waits longer than its caller allows.
  u_long on = 1, off = 0;
  ::ioctlsocket(Sock(s), FIONBIO, &on);
  int r = ::send(Sock(s), static_cast<const char*>(bytes), count, 0);
  int keep = WSAGetLastError();
  ::ioctlsocket(Sock(s), FIONBIO, &off);
  WSASetLastError(keep);
  return r == SOCKET_ERROR ? -1 : r;
}

int NetRecv(SocketHandle s, void* bytes, int count) {
  int r = ::recv(Sock(s), static_cast<char*>(bytes), count, 0);
  return r == SOCKET_ERROR ? -1 : r;
}

int NetRecvWithin(SocketHandle s, void* bytes, int count, int64_t timeoutMicros) {
  // A receive without waiting would cost two switches of the blocking mode here: wait, then take.
  const int ready = WaitFor(s, false, timeoutMicros);
  if (ready < 0) return -1;
  if (ready == 0) return kNetNothingWithin;
  return NetRecv(s, bytes, count);
}

int NetWaitReadable(SocketHandle s, int64_t timeoutMicros) { return WaitFor(s, false, timeoutMicros); }

int NetWaitWritable(SocketHandle s, int64_t timeoutMicros) { return WaitFor(s, true, timeoutMicros); }

bool NetBytesWaiting(SocketHandle s, uint32_t* count) {
  u_long n = 0;
  if (::ioctlsocket(Sock(s), FIONREAD, &n) != 0) return false;
  *count = static_cast<uint32_t>(n);
  return true;
}

bool NetPeerName(SocketHandle s, uint32_t* addressNet, uint16_t* portNet) {
  sockaddr_in a{};
  int len = sizeof a;
  if (::getpeername(Sock(s), reinterpret_cast<sockaddr*>(&a), &len) != 0) return false;
  if (a.sin_family != AF_INET) {
    SetLast(WSAEAFNOSUPPORT);
    return false;
  }
  *addressNet = a.sin_addr.s_addr;
  *portNet = a.sin_port;
  return true;
}

uint32_t NetInetAddr(const std::string& text) {
  unsigned long a = ::inet_addr(text.c_str());
  return a == INADDR_NONE ? kNoAddress : static_cast<uint32_t>(a);
}

std::string NetDottedAddress(uint32_t addressNet) {
  in_addr a{};
  a.s_addr = addressNet;
  const char* text = ::inet_ntoa(a);
  return text != nullptr ? std::string(text) : std::string();
}

bool NetResolveHost(const std::string& name, uint32_t* addressNet) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
  if (r != 0) {
    SetLast(r == EAI_AGAIN ? WSATRY_AGAIN : r == EAI_FAIL ? WSANO_RECOVERY : r == EAI_NONAME ? WSAHOST_NOT_FOUND : r);
    return false;
  }
  bool found = false;
  for (addrinfo* i = list; i != nullptr; i = i->ai_next) {
    if (i->ai_family == AF_INET && i->ai_addrlen >= sizeof(sockaddr_in)) {
      *addressNet = reinterpret_cast<const sockaddr_in*>(i->ai_addr)->sin_addr.s_addr;
      found = true;
      break;
    }
  }
  ::freeaddrinfo(list);
  if (!found) SetLast(WSANO_DATA);
  return found;
}

bool NetServicePort(const std::string& name, uint16_t* portNet) {
  const servent* s = ::getservbyname(name.c_str(), nullptr);
  if (s == nullptr) return false;
  *portNet = static_cast<uint16_t>(s->s_port);
  return true;
}

uint16_t NetHostToNet16(uint16_t value) { return htons(value); }
uint16_t NetNetToHost16(uint16_t value) { return ntohs(value); }
uint32_t NetHostToNet32(uint32_t value) { return htonl(value); }

namespace {

// A TCP socket bound to 127.0.0.1:*port (0 = any free port), listening or not.
SocketHandle BindLoopback(uint16_t* port, bool listen) {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kInvalidSocket;
  sockaddr_in a = MakeAddress(htonl(INADDR_LOOPBACK), htons(*port));
  int len = sizeof a;
  if (::bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || (listen && ::listen(s, 8) != 0) ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    int keep = WSAGetLastError();
    ::closesocket(s);
    SetLast(keep);
    return kInvalidSocket;
  }
  *port = ntohs(a.sin_port);
  return static_cast<SocketHandle>(s);
}

}  // namespace

SocketHandle NetListenLoopback(uint16_t* port) { return BindLoopback(port, true); }

SocketHandle NetBindLoopback(uint16_t* port) { return BindLoopback(port, false); }

SocketHandle NetAcceptWithin(SocketHandle listener, uint32_t timeoutMs) {
  if (WaitFor(listener, false, int64_t(timeoutMs) * 1000) <= 0) return kInvalidSocket;
  SOCKET s = ::accept(Sock(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return kInvalidSocket;
  return static_cast<SocketHandle>(s);
}

}  // namespace platform
