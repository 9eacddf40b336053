// The threaded server, the bounded one-request client and the display's view of a data area.
#include "support/server_feeds.h"

#include <asio.hpp>
#include <gtest/gtest.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "model/interface_codec.h"
#include "platform/system.h"

namespace orvane_test {

ThreadedServer::ThreadedServer(server::DataSource& source) {
  server::ServerOptions options;
  options.bindAddress = "127.0.0.1";
  options.port = 0;
  options.handleSignals = false;
  options.statsSeconds = 0;
  server_ = std::make_unique<server::Server>(options, source);
  std::string error;
  listening_ = server_->Open(&error);
  if (listening_) thread_ = std::thread([this] { server_->Run(); });
}

ThreadedServer::~ThreadedServer() { Stop(); }

void ThreadedServer::Stop() {
  if (!thread_.joinable()) return;
  server_->Stop();
  thread_.join();
}

std::string AskServer(uint16_t port, const std::string& request) {
  using asio::ip::tcp;
  asio::io_context io;
  tcp::socket socket(io);
  asio::streambuf in;
  std::string reply = "<no reply>";
  std::string bytes = request + std::string(1, '\0');
  socket.async_connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port), [&](const asio::error_code& ec) {
    if (ec) return;
    asio::async_write(socket, asio::buffer(bytes), [&](const asio::error_code& wec, size_t) {
      if (wec) return;
      asio::async_read_until(socket, in, '\0', [&](const asio::error_code& rec, size_t n) {
        if (rec) return;
        std::string all(asio::buffers_begin(in.data()), asio::buffers_begin(in.data()) + std::ptrdiff_t(n));
        reply = all.substr(0, n - 1);
      });
    });
  });
  io.run_for(std::chrono::seconds(5));
  return reply;
}

bool WaitUntil(const std::function<bool()>& check, uint32_t timeoutMs) {
  const uint64_t end = platform::MonotonicMicros() + uint64_t(timeoutMs) * 1000;
  for (;;) {
    if (check()) return true;
    if (platform::MonotonicMicros() >= end) return false;
    platform::SleepMs(10);
  }
}

InterfaceValues DisplayedState(const SimDataArea& area) {
  InterfaceValues s = area.LoadInterfaceValues();
  ApplyConversions(s, InclinationRule::Raw);
  return s;
}

void ExpectDocumentedRows(const FeedRow* rows, size_t count) {
  std::ifstream file(std::string(ORVANE_SOURCE_DIR) + "/docs/server.md");
  ASSERT_TRUE(file) << "docs/server.md";
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  for (size_t r = 0; r < count; ++r) {
    const FeedRow& row = rows[r];
    char where[32];
    const InterfaceCodecRow* carried = CodecRowOf(row.reading);
    if (carried == nullptr || carried->rule == CodecRule::Track) {
      std::snprintf(where, sizeof where, "not on the interface");
    } else {
      const FlightVarInfo& var = VarInfo(carried->var);
      std::snprintf(where, sizeof where, "0x%04X (%u)", unsigned(var.offset), unsigned(var.size));
    }
    int found = 0;
    for (const std::string& l : lines)
      found += l.find(std::string("`") + row.path + "`") != std::string::npos && l.find(where) != std::string::npos;
    EXPECT_GE(found, 1) << row.path << " " << where;
  }
}

FlightState ReadingsOf(const InterfaceValues& converted) {
  FlightState readings{};
  DecodeInterface(converted, readings);
  return readings;
}

bool ShowsText(const InterfaceValues& state, const std::string& text, TextColour colour) {
  for (const FrameText& t : DecideFrame(state, false).texts)
    if (t.text == text && t.colour == colour) return true;
  return false;
}

}  // namespace orvane_test
