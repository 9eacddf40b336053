// The block socket layer: socket life cycle, address and port set-up, bounded sends and receives, the client.
#include "sources/hx_tcp_ipc_udp.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/system.h"

namespace {

const char kUnsetPort[] = "<unset>";
const char kUnknownAddress[] = "<unknown>";

// The sockets library is started at module initialisation, before the main program runs. A
// failure cannot be raised from there (nothing could catch it and the program would abort), so it
// is kept and raised by the first client made, where the main program reports it in a message box.
const int kWinsockResult = platform::NetStartup();

void RaiseWinsockFailure() {
  if (kWinsockResult != 0) throw OrvaneError("WSAStartup error #" + std::to_string(kWinsockResult));
}

// Removes leading and trailing characters up to and including the space character.
std::string TrimText(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

uint64_t NowMs() { return platform::MonotonicMicros() / 1000; }

// Milliseconds left until `deadline` (0 when passed).
uint32_t MsLeft(uint64_t deadline) {
  uint64_t now = NowMs();
  return now >= deadline ? 0u : static_cast<uint32_t>(deadline - now);
}

}  // namespace

std::string WinSockErrorText(int code) {
  switch (code) {
    case 0: return "No Error";
    case 10004: return "Interrupted system call";
    case 10009: return "Bad file number";
    case 10013: return "Permission denied";
    case 10014: return "Bad address";
    case 10022: return "Invalid argument";
    case 10024: return "Too many open files";
    case 10035: return "Operation would block";
    case 10036: return "Operation now in progress";
    case 10037: return "Operation already in progress";
    case 10038: return "Socket operation on non-socket";
    case 10039: return "Destination address required";
    case 10040: return "Message too long";
    case 10041: return "Protocol wrong type for socket";
    case 10042: return "Protocol not available";
    case 10043: return "Protocol not supported";
    case 10044: return "Socket type not supported";
    case 10045: return "Operation not supported on socket";
    case 10046: return "Protocol family not supported";
    case 10047: return "Address family not supported by protocol family";
    case 10048: return "Address already in use";
    case 10049: return "Address not available";
    case 10050: return "Network is down";
    case 10051: return "Network is unreachable";
    case 10052: return "Network dropped connection on reset";
    case 10053: return "Connection aborted";
    case 10054: return "Connection reset by peer";
    case 10055: return "No buffer space available";
    case 10056: return "Socket is already connected";
    case 10057: return "Socket is not connected";
    case 10058: return "Can't send after socket shutdown";
    case 10059: return "Too many references: can't splice";
    case 10060: return "Connection timed out";
    case 10061: return "Connection refused";
    case 10062: return "Too many levels of symbolic links";
    case 10063: return "File name too long";
    case 10064: return "Host is down";
    case 10065: return "No route to host";
    case 10066: return "Directory not empty";
    case 10067: return "Too many processes";
    case 10068: return "Too many users";
    case 10069: return "Disc quota exceeded";
    case 10070: return "Stale NFS file handle";
    case 10071: return "Too many levels of remote in path";
    case 10091: return "Network sub-system is unusable";
    case 10092: return "WinSock DLL cannot support this application";
    case 10093: return "WinSock not initialized";
    case 11001: return "Host not found";
    case 11002: return "Non-authoritative host not found";
    case 11003: return "Non-recoverable error";
    case 11004: return "";
    default: return "Not a WinSock error";
  }
}

// ---- THxBlockSocket ----

namespace {
// The sockets alive now, so tests can see that none outlives its owner.
std::atomic<int> g_liveSockets{0};
}  // namespace

THxBlockSocket::THxBlockSocket(THxMessageSink* messageSink)
    : portText_(kUnsetPort), addressText_(kUnknownAddress), messageSink_(messageSink) {
  g_liveSockets.fetch_add(1);
}

THxBlockSocket::~THxBlockSocket() {
  Close();
  receiveBuf_.reset();
  g_liveSockets.fetch_sub(1);
}

int THxBlockSocket::LiveCount() { return g_liveSockets.load(); }

bool THxBlockSocket::QueryInterface(HxInterfaceId id, void** object) {
  if (object == nullptr) return false;
  if (id == HxInterfaceId::Unknown || id == HxInterfaceId::SocketInterface) {
    *object = static_cast<THxSocketInterface*>(this);
    AddRef();
    return true;
  }
  *object = nullptr;
  return false;
}

int32_t THxBlockSocket::AddRef() { return ++refCount_; }

int32_t THxBlockSocket::Release() {
  int32_t left = --refCount_;
  if (left == 0) delete this;
  return left;
}

bool THxBlockSocket::CanWrite() { return platform::NetWaitWritable(socketHandle_, 10) > 0; }

bool THxBlockSocket::CanWriteWithin(uint32_t timeoutMs) {
  return platform::NetWaitWritable(socketHandle_, int64_t(timeoutMs) * 1000) > 0;
}

bool THxBlockSocket::CanRead(int32_t timeoutSeconds) {
  if (socketHandle_ == platform::kInvalidSocket) return false;
  int64_t micros = timeoutSeconds < 0 ? 0 : int64_t(timeoutSeconds) * 1000000;
  return platform::NetWaitReadable(socketHandle_, micros) > 0;
}

bool THxBlockSocket::CanReadWithin(uint32_t timeoutMs) {
  if (socketHandle_ == platform::kInvalidSocket) return false;
  return platform::NetWaitReadable(socketHandle_, int64_t(timeoutMs) * 1000) > 0;
}

void THxBlockSocket::Disconnect() {
  if (!active_) return;
  Close();
  if (OnDisconnect) OnDisconnect(this);
}

int32_t THxBlockSocket::Connect() {
  return platform::NetConnect(socketHandle_, socketAddress_.address, socketAddress_.port);
}

int32_t THxBlockSocket::ConnectWithin(uint32_t timeoutMs) {
  return platform::NetConnectWithin(socketHandle_, socketAddress_.address, socketAddress_.port, timeoutMs);
}

bool THxBlockSocket::SendBuffer(const void* bytes, int32_t count) {
  return SendBufferWithin(bytes, count, kHxSendBoundMs);
}

bool THxBlockSocket::SendBufferWithin(const void* bytes, int32_t count, uint32_t timeoutMs) {
  if (!active_) throw OrvaneError("No connection established");
  if (count <= 0) return count == 0;
  const uint8_t* next = static_cast<const uint8_t*>(bytes);
  int32_t left = count;
  const uint64_t deadline = NowMs() + timeoutMs;
  // Out of time: with nothing sent the connection is still in step; with part of it sent it is not.
  auto giveUp = [&] {
    if (left != count) Disconnect();
    return false;
  };
  // The send itself never blocks (NetSend), so it goes first: the wait for room comes only when the
  // socket's buffer is full, which a request of a few bytes almost never meets.
  bool waited = false;  // the last wait said writable
  while (left > 0) {
    int s = platform::NetSend(socketHandle_, next, left);
    if (s < 0 && platform::NetLastError() == 10035) {
      if (waited) {
        // Writable by the wait, still full for the send: pause briefly rather than spin.
        if (MsLeft(deadline) == 0) return giveUp();
        platform::SleepMs(1);
        waited = false;
        continue;
      }
      if (!CanWriteWithin(MsLeft(deadline))) return giveUp();
      waited = true;
      continue;
    }
    waited = false;
    if (s <= 0) {
      Disconnect();
      return false;
    }
    next += s;
    left -= s;
  }
  return true;
}

uint8_t* THxBlockSocket::ReceiveBuffer(int32_t& count) {
  if (!active_) throw OrvaneError("No connection established");
  if (!CanRead(1)) return nullptr;
  uint32_t waiting = 0;
  if (!platform::NetBytesWaiting(socketHandle_, &waiting)) {
    ReportMessage("Ioctl went wrong, message: " + GetLastErrorText());
    return nullptr;
  }
  // Readable with nothing waiting means the peer closed or failed; one byte of room tells which.
  int32_t n = static_cast<int32_t>(std::min<uint32_t>(std::max<uint32_t>(waiting, 1u), uint32_t(kHxMaxReceiveBlock)));
  receiveBuf_.reset();
  receiveBuf_.reset(new uint8_t[size_t(n)]());
  int s = platform::NetRecv(socketHandle_, receiveBuf_.get(), n);
  count = s;
  if (s > 0) return receiveBuf_.get();
  Disconnect();
  return nullptr;
}

uint8_t* THxBlockSocket::ReceiveWithin(int32_t& count, uint32_t timeoutMs) {
  count = 0;
  if (socketHandle_ == platform::kInvalidSocket) return nullptr;
  // One block of the largest size, kept: one receive takes every byte waiting (at most that many).
  if (receiveBlock_ == nullptr) receiveBlock_.reset(new uint8_t[size_t(kHxMaxReceiveBlock)]);
  const int s =
      platform::NetRecvWithin(socketHandle_, receiveBlock_.get(), kHxMaxReceiveBlock, int64_t(timeoutMs) * 1000);
  if (s == platform::kNetNothingWithin) return nullptr;
  count = s;
  if (s > 0) return receiveBlock_.get();
  Disconnect();
  return nullptr;
}

std::string THxBlockSocket::GetPort() {
  if (socketHandle_ == platform::kInvalidSocket) return portText_;
  uint32_t address = 0;
  uint16_t port = 0;
  if (!platform::NetPeerName(socketHandle_, &address, &port)) throw OrvaneError(GetLastErrorText());
  socketAddress_.address = address;
  socketAddress_.port = port;
  return std::to_string(platform::NetNetToHost16(port));
}

std::string THxBlockSocket::GetAddress() {
  if (socketHandle_ == platform::kInvalidSocket) return addressText_;
  uint32_t address = 0;
  uint16_t port = 0;
  if (!platform::NetPeerName(socketHandle_, &address, &port)) throw OrvaneError(GetLastErrorText());
  socketAddress_.address = address;
  socketAddress_.port = port;
  return platform::NetDottedAddress(address);
}

void THxBlockSocket::Close() {
  if (socketHandle_ == platform::kInvalidSocket) return;
  // Closing is clean-up: the error that led here stays the last error.
  const int lastError = platform::NetLastError();
  platform::NetShutdownBoth(socketHandle_);
  platform::NetCloseHandle(socketHandle_);
  platform::NetSetLastError(lastError);
  active_ = false;
  socketHandle_ = platform::kInvalidSocket;
  portText_ = kUnsetPort;
  addressText_ = kUnknownAddress;
}

void THxBlockSocket::SetAddress(const std::string& text) {
  std::string trimmed = TrimText(text);
  if (trimmed.empty()) return;
  uint32_t a = platform::NetInetAddr(trimmed);
  if (a == platform::kNoAddress) {
    uint32_t resolved = 0;
    if (!platform::NetResolveHost(trimmed, &resolved)) throw OrvaneError("Invalid address: " + trimmed);
    socketAddress_.address = resolved;
    addressText_ = platform::NetDottedAddress(resolved);
  } else if (trimmed.find('.') == std::string::npos) {
    throw OrvaneError("Invalid address: " + trimmed);
  } else {
    addressText_ = trimmed;
    socketAddress_.address = a;
  }
  socketAddress_.family = 2;
}

void THxBlockSocket::SetPort(const std::string& text) {
  if (active_) Disconnect();
  std::string trimmed = TrimText(text);
  if (trimmed.empty()) return;
  bool allDigits = std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (allDigits) {
    // A port is 16 bits: a larger number is refused rather than cut to its low bits.
    uint32_t value = 0;
    for (char c : trimmed) {
      value = value * 10 + uint32_t(c - '0');
      if (value > 65535) throw OrvaneError("Invalid port: " + trimmed);
    }
    socketAddress_.port = platform::NetHostToNet16(static_cast<uint16_t>(value));
    portText_ = trimmed;
    return;
  }
  uint16_t portNet = 0;
  if (!platform::NetServicePort(trimmed, &portNet)) throw OrvaneError("Invalid port: " + trimmed);
  socketAddress_.port = portNet;
  portText_ = std::to_string(platform::NetNetToHost16(portNet));
}

std::string THxBlockSocket::GetLastErrorText() { return WinSockErrorText(platform::NetLastError()); }

platform::SocketHandle THxBlockSocket::GetSocketHandle() { return socketHandle_; }

void THxBlockSocket::SetSocketHandle(platform::SocketHandle handle) {
  if (socketHandle_ != platform::kInvalidSocket) Disconnect();
  if (handle != platform::kInvalidSocket) {
    socketHandle_ = handle;
    active_ = true;
  }
}

void THxBlockSocket::ReportMessage(const std::string& text) {
  if (messageSink_ != nullptr)
    messageSink_->Message(text);
  else if (OnMessage)
    OnMessage(text);
}

// ---- THxTcpBlockClient ----

THxTcpBlockClient::THxTcpBlockClient() {
  RaiseWinsockFailure();
  SocketObject = new THxBlockSocket(nullptr);
  SocketObject->OnDisconnect = [this](THxBlockSocket* sender) { SocketDisconnected(sender); };
  Socket = THxRef<THxSocketInterface>(SocketObject);
}

void THxTcpBlockClient::SetOnMessage(THxMessageHandler handler) { SocketObject->OnMessage = std::move(handler); }

THxMessageHandler THxTcpBlockClient::GetOnMessage() { return SocketObject->OnMessage; }

bool THxTcpBlockClient::Connect() { return ConnectSequence(0); }

bool THxTcpBlockClient::ConnectWithin(uint32_t timeoutMs) { return ConnectSequence(timeoutMs == 0 ? 1 : timeoutMs); }

bool THxTcpBlockClient::ConnectSequence(uint32_t timeoutMs) {
  if (Connected()) return true;
  if (GetAddress() == kUnknownAddress) throw OrvaneError("Server-address not set.");
  if (GetPort() == kUnsetPort) throw OrvaneError("Server-port not set");
  platform::SocketHandle h = platform::NetTcpSocket();
  if (h == platform::kInvalidSocket)
    throw OrvaneError("Invalid socket returned, message: " + Socket->GetLastErrorText());
  Socket->SetSocketHandle(h);
  int32_t r = timeoutMs == 0 ? Socket->Connect() : SocketObject->ConnectWithin(timeoutMs);
  if (r == 0) {
    // Requests are small and answered one by one: no reason to hold them back.
    platform::NetSetNoDelay(h);
    return true;
  }
  Socket->Close();
  return false;
}

bool THxTcpBlockClient::Connected() { return Socket->GetSocketHandle() != platform::kInvalidSocket; }

std::string THxTcpBlockClient::GetAddress() { return Socket->GetAddress(); }

void THxTcpBlockClient::SetAddress(const std::string& text) { Socket->SetAddress(text); }

std::string THxTcpBlockClient::GetPort() { return Socket->GetPort(); }

void THxTcpBlockClient::SetPort(const std::string& text) { Socket->SetPort(text); }

bool THxTcpBlockClient::SendBuffer(const void* bytes, int32_t count) { return Socket->SendBuffer(bytes, count); }

bool THxTcpBlockClient::SendText(const std::string& text) { return SendTextWithin(text, kHxSendBoundMs); }

bool THxTcpBlockClient::SendTextWithin(const std::string& text, uint32_t timeoutMs) {
  return SocketObject->SendBufferWithin(text.c_str(), static_cast<int32_t>(text.size() + 1), timeoutMs);
}

bool THxTcpBlockClient::ReceiveData(uint8_t*& p, int32_t& n, int32_t timeoutSeconds) {
  if (Socket->CanRead(timeoutSeconds)) {
    p = Socket->ReceiveBuffer(n);
    return p != nullptr;
  }
  p = nullptr;
  n = 0;
  return false;
}

bool THxTcpBlockClient::ReceiveDataWithin(uint8_t*& p, int32_t& n, uint32_t timeoutMs) {
  p = SocketObject->ReceiveWithin(n, timeoutMs);
  return p != nullptr;
}

void THxTcpBlockClient::Disconnect() { Socket->Disconnect(); }

void THxTcpBlockClient::SocketDisconnected(THxBlockSocket* sender) {
  if (OnDisconnect) OnDisconnect(sender);
}
