// Test helpers for the simulator sources of the data server: the server on its own thread, a
// bounded client, and what the display would make of the data area.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "model/interface_codec.h"
#include "pfd/frame_rules.h"
#include "server/data_source.h"
#include "server/server_core.h"
#include "sources/feed_rows.h"
#include "simdata/sim_data_area.h"

namespace orvane_test {

// The server core on 127.0.0.1, any free port, answering from `source`, on a thread of its own.
class ThreadedServer {
 public:
  explicit ThreadedServer(server::DataSource& source);
  ~ThreadedServer();
  ThreadedServer(const ThreadedServer&) = delete;
  ThreadedServer& operator=(const ThreadedServer&) = delete;
  bool Listening() const { return listening_; }
  uint16_t Port() const { return server_->Port(); }
  // Stops the server (and with it the source).
  void Stop();

 private:
  std::unique_ptr<server::Server> server_;
  std::thread thread_;
  bool listening_ = false;
};

// Sends one request ("offset,size,type") on a fresh connection and returns the reply without its
// zero byte; "<no reply>" when nothing came within 5 s.
std::string AskServer(uint16_t port, const std::string& request);

// Polls `check` every 10 ms until it holds or `timeoutMs` passes; true when it held.
bool WaitUntil(const std::function<bool()>& check, uint32_t timeoutMs);

// The display's converted frame state for the data area (network rules).
InterfaceValues DisplayedState(const SimDataArea& area);
// Checks that docs/server.md has, for every row of a feed's table, a line naming its path and the
// interface offset and size of its reading (or "not on the interface" for a reading it does not carry).
void ExpectDocumentedRows(const FeedRow* rows, size_t count);
// The readings in converted interface values (their values; validity as marked).
FlightState ReadingsOf(const InterfaceValues& converted);
// True when the frame decided from `state` prints `text` in `colour`.
bool ShowsText(const InterfaceValues& state, const std::string& text, TextColour colour);

}  // namespace orvane_test
