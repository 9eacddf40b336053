// A scripted TCP peer for tests: listens on 127.0.0.1 and plays a script against each connection.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/net.h"

class ScriptServer;

// One accepted connection as the script sees it. Every wait is bounded and ends early on Stop().
class ScriptConnection {
 public:
  // The next zero-terminated request, without its zero byte; false on close, time-out or stop.
  bool ReadRequest(std::string* request, uint32_t timeoutMs = 5000);
  // Sends every byte; false when the connection failed.
  bool Send(const std::string& bytes);
  // Waits, returning early when the server stops.
  void Pause(uint32_t ms);
  // True when the peer closed the connection within timeoutMs (bytes arriving meanwhile are kept).
  bool WaitPeerClosed(uint32_t timeoutMs);
  // Ends the connection from this side.
  void Close();
  bool Stopping() const;

 private:
  friend class ScriptServer;
  ScriptConnection(ScriptServer* server, platform::SocketHandle socket) : server_(server), socket_(socket) {}
  // Reads what is waiting into the server's record and into pending_; false on close/failure.
  bool Fill(uint32_t timeoutMs, bool* closed);

  ScriptServer* server_;
  platform::SocketHandle socket_;
  std::string pending_;  // received bytes not yet taken as requests
};

class ScriptServer {
 public:
  using Script = std::function<void(ScriptConnection&)>;

  // Listens at once (on `port`, or any free port when 0) and plays `script` on up to `connections`
  // connections, one after another.
  explicit ScriptServer(Script script, int connections = 1, uint16_t port = 0);
  ~ScriptServer();
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  // A script that answers every request with answer(request) (the bytes as given: add the zero).
  static Script Answering(std::function<std::string(const std::string& request)> answer);

  bool Listening() const { return listener_ != platform::kInvalidSocket; }
  uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }
  // Every byte received on every connection so far.
  std::string Received();
  int Accepted() const { return accepted_.load(); }
  // True once the script of every connection has ended.
  bool WaitScriptsDone(uint32_t timeoutMs);
  // Stops accepting, ends the scripts' waits and joins the thread.
  void Stop();

 private:
  friend class ScriptConnection;
  void Run();
  void Record(const char* bytes, size_t count);

  Script script_;
  int connections_;
  platform::SocketHandle listener_ = platform::kInvalidSocket;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::atomic<int> accepted_{0};
  std::mutex mutex_;
  std::string received_;
  std::thread thread_;
};
