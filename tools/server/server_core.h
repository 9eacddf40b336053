// The data server's network side: a TCP listener and its connections on one event loop, answering requests from a DataSource.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "server/data_source.h"

namespace server {

struct ServerOptions {
  std::string bindAddress = "0.0.0.0";  // all IPv4 interfaces
  uint16_t port = 2100;                  // 0: any free port (see Server::Port)
  bool reuseAddress = true;              // allow a restart while old connections linger in TIME_WAIT
  int maxClients = 256;                  // further connections are accepted and closed at once
  size_t maxPendingOutput = 256 * 1024;  // replies a client has not read yet; beyond: disconnected
  uint32_t parkLimitMs = 2000;           // longest wait for a source refresh before answering anyway
  uint32_t statsSeconds = 10;            // requests-per-second line every so often (0: never)
  double durationSeconds = 0;            // stop after this long (0: run until stopped)
  bool handleSignals = true;             // stop cleanly on SIGINT / SIGTERM (Ctrl+C)
  int webPort = -1;                      // the web side's port (-1: none; 0: any free port)
  std::string webRoot;                   // the folder the web side serves
  uint32_t webIdleSeconds = 30;          // a WebSocket without a request for this long is closed
};

// Counters since the server opened.
struct ServerStats {
  uint64_t requests = 0;    // requests answered (malformed ones included)
  uint64_t malformed = 0;   // requests answered "0" / "" because they were refused
  uint64_t connections = 0; // connections accepted and served
  uint64_t overlong = 0;    // connections closed for a request without terminator
  uint64_t slowReaders = 0; // connections closed for not reading their replies
  int clients = 0;          // connected now (TCP clients and WebSocket sessions)
};

class Server {
 public:
  // `source` must outlive the server; the server starts and stops it.
  Server(const ServerOptions& options, DataSource& source);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds and listens. False with a message naming the address and the system's reason.
  bool Open(std::string* error);
  // The port actually listened on (after Open).
  uint16_t Port() const;
  // The web side's port (after Open; 0 without one).
  uint16_t WebPort() const;
  // Serves until Stop, a signal or the duration; then closes every connection and the source.
  void Run();
  // Ends Run from any thread.
  void Stop();
  // Counters, readable from any thread.
  ServerStats Stats() const;

  class Impl;  // the event loop and its connections (server_core.cpp)

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace server
