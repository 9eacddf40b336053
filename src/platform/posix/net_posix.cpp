// POSIX sockets behind the socket compatibility interface, with errno mapped onto Windows Sockets codes.
#include "platform/net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include "platform/posix/last_error.h"

namespace platform {

namespace {

// The thread's last error, shared with the IPC transport as Winsock shares the thread's last error.
void SetLast(int code) { ThreadLastError() = uint32_t(code); }

// errno -> the Windows Sockets code of the same meaning; unknown values land outside the table.
int MapErrno(int e) {
  switch (e) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case ENFILE: return 10024;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN: return 10035;
#endif
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case EPIPE: return 10058;
    case ENOBUFS: return 10055;
    case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return 20000 + e;  // not a Windows Sockets code: "Not a WinSock error"
  }
}

void SetFromErrno() { SetLast(MapErrno(errno)); }

// getaddrinfo's failures -> the resolver rows of the Windows Sockets table.
int MapResolverError(int r) {
  switch (r) {
    case EAI_NONAME: return 11001;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return 11004;
#endif
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
    case EAI_SYSTEM: return MapErrno(errno);
    default: return 11003;
  }
}

int Fd(SocketHandle s) { return static_cast<int>(s); }

// poll on one descriptor for `events`, the wait bounded by timeoutMicros (rounded up to whole ms).
int WaitFor(SocketHandle s, short events, int64_t timeoutMicros) {
  if (s == kInvalidSocket) {
    SetLast(10038);
    return -1;
  }
  if (timeoutMicros < 0) timeoutMicros = 0;
  // select's semantics with poll, which has no FD_SETSIZE limit on the descriptor number.
  pollfd p{};
  p.fd = Fd(s);
  p.events = events;
  int64_t ms = (timeoutMicros + 999) / 1000;
  if (ms > 0x7FFFFFFF) ms = 0x7FFFFFFF;
  timespec start{};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  const int64_t bound = ms;
  int r;
  for (;;) {
    r = ::poll(&p, 1, static_cast<int>(ms));
    if (r >= 0 || errno != EINTR) break;
    // A signal cut the wait short: go on waiting only for what is left of the bound.
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t spent = int64_t(now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
    ms = spent >= bound ? 0 : bound - spent;
  }
  if (r < 0) {
    SetFromErrno();
    return -1;
  }
  if (r > 0 && (p.revents & POLLNVAL)) {
    SetLast(10038);
    return -1;
  }
  return r;
}

sockaddr_in MakeAddress(uint32_t addressNet, uint16_t portNet) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = portNet;
  a.sin_addr.s_addr = addressNet;
  return a;
}

}  // namespace

int NetStartup() { return 0; }

int NetLastError() { return int(ThreadLastError()); }

void NetSetLastError(int code) { SetLast(code); }

SocketHandle NetTcpSocket() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    SetFromErrno();
    return kInvalidSocket;
  }
  return fd;
}

int NetConnect(SocketHandle s, uint32_t addressNet, uint16_t portNet) {
  sockaddr_in a = MakeAddress(addressNet, portNet);
  int r;
  do {
    r = ::connect(Fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a);
  } while (r < 0 && errno == EINTR);
  if (r < 0) {
    SetFromErrno();
    return -1;
  }
  return 0;
}

int NetConnectWithin(SocketHandle s, uint32_t addressNet, uint16_t portNet, uint32_t timeoutMs) {
  int fd = Fd(s);
  int flags = ::fcntl(fd, F_GETFL, 0);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
    SetFromErrno();
    return -1;
  }
  sockaddr_in a = MakeAddress(addressNet, portNet);
  int result = 0;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) < 0) {
    if (errno != EINPROGRESS && errno != EINTR) {
      SetFromErrno();
      result = -1;
    } else {
      int w = WaitFor(s, POLLOUT, int64_t(timeoutMs) * 1000);
      if (w == 0) {
        SetLast(10060);
        result = -1;
      } else if (w < 0) {
        result = -1;
      } else {
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) < 0) {
          SetFromErrno();
          result = -1;
        } else if (soError != 0) {
          SetLast(MapErrno(soError));
          result = -1;
        }
      }
    }
  }
  ::fcntl(fd, F_SETFL, flags);
  return result;
}

bool NetSetNoDelay(SocketHandle s) {
  int one = 1;
  if (::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) < 0) {
    SetFromErrno();
    return false;
  }
  return true;
}

void NetShutdownBoth(SocketHandle s) {
  if (::shutdown(Fd(s), SHUT_RDWR) < 0) SetFromErrno();
}

void NetCloseHandle(SocketHandle s) {
  if (s != kInvalidSocket) ::close(Fd(s));
}

int NetSend(SocketHandle s, const void* bytes, int count) {
  if (count < 0) {
    SetLast(10022);
    return -1;
  }
  ssize_t r;
  do {
    r = ::send(Fd(s), bytes, size_t(count), MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (r < 0 && errno == EINTR);
  if (r < 0) {
    SetFromErrno();
    return -1;
  }
  return static_cast<int>(r);
}

int NetRecv(SocketHandle s, void* bytes, int count) {
  if (count < 0) {
    SetLast(10022);
    return -1;
  }
  ssize_t r;
  do {
    r = ::recv(Fd(s), bytes, size_t(count), 0);
  } while (r < 0 && errno == EINTR);
  if (r < 0) {
    SetFromErrno();
    return -1;
  }
  return static_cast<int>(r);
}

int NetRecvWithin(SocketHandle s, void* bytes, int count, int64_t timeoutMicros) {
  if (count < 0) {
    SetLast(10022);
    return -1;
  }
  // A reply is often there by the time it is asked for: then this one call is all it takes.
  ssize_t r;
  do {
    r = ::recv(Fd(s), bytes, size_t(count), MSG_DONTWAIT);
  } while (r < 0 && errno == EINTR);
  if (r >= 0) return static_cast<int>(r);
  if (errno != EAGAIN && errno != EWOULDBLOCK) {
    SetFromErrno();
    return -1;
  }
  if (timeoutMicros <= 0) return kNetNothingWithin;
  const int ready = WaitFor(s, POLLIN, timeoutMicros);
  if (ready < 0) return -1;
  if (ready == 0) return kNetNothingWithin;
  return NetRecv(s, bytes, count);
}

int NetWaitReadable(SocketHandle s, int64_t timeoutMicros) { return WaitFor(s, POLLIN, timeoutMicros); }

int NetWaitWritable(SocketHandle s, int64_t timeoutMicros) { return WaitFor(s, POLLOUT, timeoutMicros); }

bool NetBytesWaiting(SocketHandle s, uint32_t* count) {
  int n = 0;
  if (::ioctl(Fd(s), FIONREAD, &n) < 0) {
    SetFromErrno();
    return false;
  }
  *count = n < 0 ? 0u : uint32_t(n);
  return true;
}

bool NetPeerName(SocketHandle s, uint32_t* addressNet, uint16_t* portNet) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (::getpeername(Fd(s), reinterpret_cast<sockaddr*>(&a), &len) < 0) {
    SetFromErrno();
    return false;
  }
  if (a.sin_family != AF_INET) {
    SetLast(10047);
    return false;
  }
  *addressNet = a.sin_addr.s_addr;
  *portNet = a.sin_port;
  return true;
}

uint32_t NetInetAddr(const std::string& text) {
  // inet_addr's rules (also "1.2", "0x7f.1", one plain number), through inet_aton.
  in_addr a{};
  if (::inet_aton(text.c_str(), &a) == 0) return kNoAddress;
  return a.s_addr;
}

std::string NetDottedAddress(uint32_t addressNet) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr a{};
  a.s_addr = addressNet;
  if (::inet_ntop(AF_INET, &a, text, sizeof text) == nullptr) return std::string();
  return text;
}

bool NetResolveHost(const std::string& name, uint32_t* addressNet) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
  if (r != 0) {
    SetLast(MapResolverError(r));
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
  if (!found) SetLast(11004);
  return found;
}

bool NetServicePort(const std::string& name, uint16_t* portNet) {
  // getservbyname uses a static buffer; the program looks services up from one thread only.
  const servent* s = ::getservbyname(name.c_str(), nullptr);
  if (s == nullptr) {
    SetLast(11001);
    return false;
  }
  *portNet = static_cast<uint16_t>(s->s_port);
  return true;
}

uint16_t NetHostToNet16(uint16_t value) { return htons(value); }
uint16_t NetNetToHost16(uint16_t value) { return ntohs(value); }
uint32_t NetHostToNet32(uint32_t value) { return htonl(value); }

namespace {

// A TCP socket bound to 127.0.0.1:*port (0 = any free port), listening or not.
SocketHandle BindLoopback(uint16_t* port, bool listen) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    SetFromErrno();
    return kInvalidSocket;
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a = MakeAddress(htonl(INADDR_LOOPBACK), htons(*port));
  socklen_t len = sizeof a;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) < 0 || (listen && ::listen(fd, 8) < 0) ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) < 0) {
    SetFromErrno();
    ::close(fd);
    return kInvalidSocket;
  }
  *port = ntohs(a.sin_port);
  return fd;
}

}  // namespace

SocketHandle NetListenLoopback(uint16_t* port) { return BindLoopback(port, true); }

SocketHandle NetBindLoopback(uint16_t* port) { return BindLoopback(port, false); }

SocketHandle NetAcceptWithin(SocketHandle listener, uint32_t timeoutMs) {
  if (WaitFor(listener, POLLIN, int64_t(timeoutMs) * 1000) <= 0) return kInvalidSocket;
  int fd;
  do {
    fd = ::accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetFromErrno();
    return kInvalidSocket;
  }
  return fd;
}

}  // namespace platform
