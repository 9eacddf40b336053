// The block socket layer: a reference-counted blocking TCP socket and the client that connects it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/net.h"

// The program's one error type: a message text. Nothing below main catches it; the shell shows it.
class OrvaneError : public std::runtime_error {
 public:
  explicit OrvaneError(const std::string& message) : std::runtime_error(message) {}
};

// The text of a Windows Sockets error code ("Connection refused" for 10061, ...).
std::string WinSockErrorText(int code);

// Bounds of the layer's waits.
constexpr uint32_t kHxSendBoundMs = 5000;        // a send waits at most this long for the socket
constexpr int32_t kHxMaxReceiveBlock = 65536;    // one receive takes at most this many bytes

// Interfaces a counted object can be asked for.
enum class HxInterfaceId { Unknown, SocketInterface };

// The reference-counting base interface: ask for an interface, add a reference, release one.
class THxUnknown {
 public:
  // On success stores the object as that interface in *object and adds a reference.
  virtual bool QueryInterface(HxInterfaceId id, void** object) = 0;
  virtual int32_t AddRef() = 0;
  // Drops a reference; the object destroys itself when the count reaches zero.
  virtual int32_t Release() = 0;

 protected:
  virtual ~THxUnknown() = default;
};

// The socket as the client sees it: the thirteen operations, in this order.
class THxSocketInterface : public THxUnknown {
 public:
  virtual void Disconnect() = 0;
  virtual int32_t Connect() = 0;
  virtual bool SendBuffer(const void* bytes, int32_t count) = 0;
  virtual uint8_t* ReceiveBuffer(int32_t& count) = 0;
  virtual bool CanRead(int32_t timeoutSeconds) = 0;
  virtual std::string GetPort() = 0;
  virtual void SetAddress(const std::string& text) = 0;
  virtual std::string GetAddress() = 0;
  virtual std::string GetLastErrorText() = 0;
  virtual platform::SocketHandle GetSocketHandle() = 0;
  virtual void SetSocketHandle(platform::SocketHandle handle) = 0;
  virtual void SetPort(const std::string& text) = 0;
  virtual void Close() = 0;
};

// A counted reference: adds a reference when it takes an object, releases it when it lets go.
template <class T>
class THxRef {
 public:
  THxRef() = default;
  explicit THxRef(T* object) : object_(object) {
    if (object_ != nullptr) object_->AddRef();
  }
  THxRef(const THxRef& other) : THxRef(other.object_) {}
  THxRef& operator=(const THxRef& other) {
    THxRef copy(other);
    std::swap(object_, copy.object_);
    return *this;
  }
  ~THxRef() { Reset(); }
  void Reset() {
    T* old = object_;
    object_ = nullptr;
    if (old != nullptr) old->Release();
  }
  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

// Something that accepts the socket's message texts.
class THxMessageSink {
 public:
  virtual void Message(const std::string& text) = 0;

 protected:
  virtual ~THxMessageSink() = default;
};

class THxBlockSocket;
using THxMessageHandler = std::function<void(const std::string& text)>;
using THxDisconnectHandler = std::function<void(THxBlockSocket* sender)>;

// The IPv4 address a socket connects to (port and address in network byte order).
struct THxSocketAddress {
  uint16_t family = 0;
  uint16_t port = 0;
  uint32_t address = 0;
};

// One blocking TCP socket holding at most one connection. Create with new and hold through THxRef.
class THxBlockSocket : public THxSocketInterface {
 public:
  explicit THxBlockSocket(THxMessageSink* messageSink = nullptr);

  bool QueryInterface(HxInterfaceId id, void** object) override;
  int32_t AddRef() override;
  int32_t Release() override;

  // Writable now or within 10 microseconds.
  virtual bool CanWrite();
  void Disconnect() override;
  int32_t Connect() override;
  // Sends every byte, waiting up to kHxSendBoundMs for the socket; false when it could not.
  bool SendBuffer(const void* bytes, int32_t count) override;
  // Every byte waiting now (at most kHxMaxReceiveBlock) as one block, or nullptr.
  uint8_t* ReceiveBuffer(int32_t& count) override;
  bool CanRead(int32_t timeoutSeconds) override;
  std::string GetPort() override;
  std::string GetAddress() override;
  void Close() override;

  void SetAddress(const std::string& text) final;
  void SetPort(const std::string& text) final;
  std::string GetLastErrorText() final;
  platform::SocketHandle GetSocketHandle() final;
  void SetSocketHandle(platform::SocketHandle handle) final;
  void ReportMessage(const std::string& text);

  // Bounded forms used by the requests and the reconnect.
  bool CanReadWithin(uint32_t timeoutMs);
  bool CanWriteWithin(uint32_t timeoutMs);
  // Sends every byte within timeoutMs. A send cut short after some bytes went out disconnects,
  // since the peer would read a broken request.
  bool SendBufferWithin(const void* bytes, int32_t count, uint32_t timeoutMs);
  // The bytes waiting, or arriving within timeoutMs (0: no wait), as one block of at most
  // kHxMaxReceiveBlock; nullptr with count 0 when none came. A closed or failed connection
  // disconnects and gives nullptr as well.
  virtual uint8_t* ReceiveWithin(int32_t& count, uint32_t timeoutMs);
  // Connect that gives up after timeoutMs; 0 on success.
  int32_t ConnectWithin(uint32_t timeoutMs);

  bool IsActive() const { return active_; }
  const THxSocketAddress& SocketAddress() const { return socketAddress_; }
  // Sockets alive in this process (for lifetime checks).
  static int LiveCount();

  THxMessageHandler OnMessage;
  THxDisconnectHandler OnDisconnect;

 protected:
  ~THxBlockSocket() override;

 private:
  int32_t refCount_ = 0;
  platform::SocketHandle socketHandle_ = platform::kInvalidSocket;
  bool active_ = false;
  THxSocketAddress socketAddress_;
  std::string portText_;
  std::string addressText_;
  std::unique_ptr<uint8_t[]> receiveBuf_;
  std::unique_ptr<uint8_t[]> receiveBlock_;  // ReceiveWithin's block, made once
  THxMessageSink* messageSink_ = nullptr;
};

// The TCP client: owns one socket and runs the connect sequence.
class THxTcpBlockClient {
 public:
  THxTcpBlockClient();
  virtual ~THxTcpBlockClient() = default;
  THxTcpBlockClient(const THxTcpBlockClient&) = delete;
  THxTcpBlockClient& operator=(const THxTcpBlockClient&) = delete;

  virtual void SetOnMessage(THxMessageHandler handler);
  virtual THxMessageHandler GetOnMessage();

  // Connects to the address and port set before; true when connected (also when it already was).
  bool Connect();
  // As Connect, but gives up after timeoutMs.
  bool ConnectWithin(uint32_t timeoutMs);
  bool Connected();
  std::string GetAddress();
  void SetAddress(const std::string& text);
  std::string GetPort();
  void SetPort(const std::string& text);
  bool SendBuffer(const void* bytes, int32_t count);
  // The text followed by one zero byte.
  bool SendText(const std::string& text);
  bool SendTextWithin(const std::string& text, uint32_t timeoutMs);
  // Waits up to timeoutSeconds for data, then takes one block; false with p = nullptr, n = 0 when none.
  bool ReceiveData(uint8_t*& p, int32_t& n, int32_t timeoutSeconds);
  bool ReceiveDataWithin(uint8_t*& p, int32_t& n, uint32_t timeoutMs);
  // Drops the connection (with the disconnect notification).
  void Disconnect();
  // The socket's disconnect handler: forwards to OnDisconnect.
  void SocketDisconnected(THxBlockSocket* sender);

  THxDisconnectHandler OnDisconnect;
  THxRef<THxSocketInterface> Socket;
  THxBlockSocket* SocketObject = nullptr;

 private:
  // The steps shared by both connects; timeoutMs 0 = the operating system's own bound.
  bool ConnectSequence(uint32_t timeoutMs);
};
