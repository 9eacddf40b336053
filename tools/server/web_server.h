// The data server's web side: the web folder over HTTP and the display's requests over a WebSocket
// at /ws (one request per message, the replies in order, one per message), on the server's event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace asio {
class io_context;
}

namespace server {

class SessionHost;
struct ServerOptions;

// The WebSocket's bounds.
constexpr size_t kMaxWebSocketMessage = 65;     // a request and its optional zero byte
constexpr size_t kMaxQueuedWebRequests = 1024;  // requests received and not answered yet

// The folder "web" beside the program (`argv0` where the system cannot say where the program is).
std::string DefaultWebRoot(const char* argv0);

class WebListener {
 public:
  // `clients` counts the server's other clients (TCP) for --max-clients.
  WebListener(asio::io_context& io, SessionHost& host, const ServerOptions& options, std::function<int()> clients);
  ~WebListener();
  WebListener(const WebListener&) = delete;
  WebListener& operator=(const WebListener&) = delete;

  // Checks the web folder and listens on the web port. False with a message naming what failed.
  bool Open(std::string* error);
  uint16_t Port() const;
  // Starts accepting (after Open).
  void Start();
  // Stops accepting; the sessions are closed by the server, other connections end with the loop.
  void Stop();
  // Connections on the web port now: WebSocket sessions, page requests and handshakes under way.
  int Connections() const;
  // Closes the WebSocket sessions idle for longer than the options allow (called every 100 ms).
  void CloseIdle();

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace server
