// The data server's event loop on every platform (also under Wine): whole frames, pipelining, a bad client, 64 clients.
#include <gtest/gtest.h>

#include <asio.hpp>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "model/network_reply.h"
#include "model/read_list.h"
#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"
#include "simdata/sim_data_area.h"
#include "sources/net_requests.h"

namespace {

using asio::ip::tcp;
using namespace std::chrono_literals;

std::string Terminated(const std::string& text) { return text + std::string(1, '\0'); }

std::string RowRequest(const ReadListRow& row) {
  return BuildRequestText(int32_t(row.offset), row.netSize, row.netType);
}

// A state with values at the edges of the fields' widths.
InterfaceValues EdgeState() {
  InterfaceValues s{};
  s.Pitch = 12.125;
  s.Bank = -0.1;
  s.ApMaster = 1;
  s.ApHeadingHold = 0xFFFFFFFFu;
  s.ApApproachHold = 0x80000000u;
  s.GsNeedle = -128;
  s.LocNeedle = -1;
  s.RadioAltitudeRaw = 2147483647;
  s.MiddleMarker = 0xFFFF;
  s.RadioStatus = 0x8342;
  s.FdActive = 1;
  s.FdPitch = -3.0e-9;
  s.FdBank = 25.0;
  s.Altimeter = -1000;
  s.ApAltitudeRaw = -2147483647 - 1;
  s.Nav1BcFlags = 0xFF;
  s.Nav1CodeFlags = 0x80;
  s.GsInclinationRaw = -32768;
  s.DmeText = "999.9";
  s.Nav1Ident = "ABCDEF";  // six characters: no zero byte in the field
  return s;
}

// The display's conversion of a reply into its field.
bool StoreLikeTheDisplay(InterfaceValues& state, const ReadListRow& row, const std::string& reply) {
  if (row.kind == RawKind::Text) {
    StoreTextReply(state, row, reply);
    return true;
  }
  double value = 0;
  return ParseReplyNumber(reply, '.', &value) && StoreNumberReply(state, row, value);
}

bool SameFields(const InterfaceValues& a, const InterfaceValues& b, std::string* which) {
  for (const ReadListRow* row : NetworkRequestOrder()) {
    if (row->field == FlightVar::None) continue;
    std::vector<uint8_t> x(row->size), y(row->size);
    LoadRawBytes(a, *row, x.data());
    LoadRawBytes(b, *row, y.data());
    if (x != y) {
      *which = FieldName(row->field);
      return false;
    }
  }
  return true;
}

// The server core with fixed values on a loopback port, on its own thread.
class LoopServer {
 public:
  LoopServer() {
    SimDataArea area;
    area.StoreInterfaceValues(EdgeState());
    source_ = std::make_unique<server::FixedSource>(area, "test values");
    server::ServerOptions options;
    options.bindAddress = "127.0.0.1";
    options.port = 0;
    options.handleSignals = false;
    options.statsSeconds = 0;
    server_ = std::make_unique<server::Server>(options, *source_);
    std::string error;
    ok_ = server_->Open(&error);
    EXPECT_TRUE(ok_) << error;
    if (ok_) thread_ = std::thread([this] { server_->Run(); });
  }
  ~LoopServer() {
    server_->Stop();
    if (thread_.joinable()) thread_.join();
  }
  uint16_t Port() const { return server_->Port(); }
  server::ServerStats Stats() const { return server_->Stats(); }

 private:
  std::unique_ptr<server::FixedSource> source_;
  std::unique_ptr<server::Server> server_;
  std::thread thread_;
  bool ok_ = false;
};

// One client on an io_context of its own; every operation is bounded in time.
class BoundedClient {
 public:
  explicit BoundedClient(uint16_t port) : socket_(io_) {
    asio::error_code ec;
    socket_.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port), ec);
    connected_ = !ec;
    if (connected_) socket_.set_option(tcp::no_delay(true), ec);
  }
  bool Connected() const { return connected_; }

  bool Send(const std::string& bytes) {
    return Bounded([&](auto done) { asio::async_write(socket_, asio::buffer(bytes), done); });
  }
  bool NextReply(std::string* reply) {
    size_t length = 0;
    bool ok = Bounded([&](auto done) {
      asio::async_read_until(socket_, in_, '\0', [&length, done](const asio::error_code& ec, size_t n) {
        length = n;
        done(ec, n);
      });
    });
    if (!ok) return false;
    std::string all(asio::buffers_begin(in_.data()), asio::buffers_begin(in_.data()) + std::ptrdiff_t(length));
    in_.consume(length);
    *reply = all.substr(0, length - 1);
    return true;
  }
  std::string Ask(const std::string& request) {
    std::string reply = "<no reply>";
    if (!Send(Terminated(request)) || !NextReply(&reply)) return "<no reply>";
    return reply;
  }
  // True when the server ends the connection within the bound.
  bool WaitClosed() {
    asio::error_code result;
    bool finished = false;
    std::string sink;
    std::function<void()> readMore;
    char chunk[256];
    readMore = [&] {
      socket_.async_read_some(asio::buffer(chunk), [&](const asio::error_code& ec, size_t) {
        if (ec) {
          result = ec;
          finished = true;
          return;
        }
        readMore();
      });
    };
    readMore();
    io_.restart();
    io_.run_for(5s);
    if (!finished) {
      socket_.close();
      io_.restart();
      io_.run_for(1s);
      return false;
    }
    return result == asio::error::eof || result == asio::error::connection_reset;
  }

 private:
  template <typename Start>
  bool Bounded(Start start) {
    bool finished = false;
    asio::error_code result;
    start([&finished, &result](const asio::error_code& ec, size_t) {
      finished = true;
      result = ec;
    });
    io_.restart();
    io_.run_for(5s);
    if (!finished) {
      asio::error_code ignored;
      socket_.cancel(ignored);
      io_.restart();
      io_.run_for(1s);
      return false;
    }
    return !result;
  }

  asio::io_context io_;
  tcp::socket socket_;
  asio::streambuf in_;
  bool connected_ = false;
};

}  // namespace

TEST(ServerLoop, AlternatingAndPipelinedFramesReachTheDisplayUnchanged) {
  server::SetLogSink([](const std::string&) {});
  {
    LoopServer srv;
    BoundedClient client(srv.Port());
    ASSERT_TRUE(client.Connected());
    InterfaceValues alternating{};
    for (const ReadListRow* row : NetworkRequestOrder()) {
      std::string reply = client.Ask(RowRequest(*row));
      EXPECT_TRUE(StoreLikeTheDisplay(alternating, *row, reply)) << RowRequest(*row) << " -> " << reply;
    }
    std::string which;
    EXPECT_TRUE(SameFields(alternating, EdgeState(), &which)) << which;
    EXPECT_EQ(alternating.Nav1Ident, "ABCDEF");

    std::string stream;
    for (const ReadListRow* row : NetworkRequestOrder()) stream += Terminated(RowRequest(*row));
    ASSERT_TRUE(client.Send(stream));
    InterfaceValues pipelined{};
    for (const ReadListRow* row : NetworkRequestOrder()) {
      std::string reply;
      ASSERT_TRUE(client.NextReply(&reply));
      EXPECT_TRUE(StoreLikeTheDisplay(pipelined, *row, reply)) << RowRequest(*row) << " -> " << reply;
    }
    EXPECT_TRUE(SameFields(pipelined, EdgeState(), &which)) << which;
  }
  server::SetLogSink(nullptr);
}

TEST(ServerLoop, AnOverlongRequestEndsOnlyThatConnection) {
  server::SetLogSink([](const std::string&) {});
  {
    LoopServer srv;
    BoundedClient good(srv.Port()), bad(srv.Port());
    ASSERT_TRUE(good.Connected());
    ASSERT_TRUE(bad.Connected());
    EXPECT_EQ(bad.Ask("12288,6,7"), "ABCDEF");
    ASSERT_TRUE(bad.Send(std::string(100, '5')));
    EXPECT_TRUE(bad.WaitClosed());
    EXPECT_EQ(good.Ask("3145,1,3"), "-128");
    EXPECT_EQ(good.Ask("1,2,3"), "0");  // malformed: answered, connection kept
    EXPECT_EQ(good.Ask("3145,1,3"), "-128");
    EXPECT_EQ(srv.Stats().overlong, 1u);
  }
  server::SetLogSink(nullptr);
}

// 64 clients driven asynchronously from one thread: all connected at once, each pipelining frames
// with malformed requests mixed in for every other client.
TEST(ServerLoop, SixtyFourClientsAtOnceAllGetTheirRepliesInOrder) {
  server::SetLogSink([](const std::string&) {});
  {
    LoopServer srv;
    constexpr int kClients = 64;
    constexpr int kFrames = 5;
    asio::io_context io;
    struct Peer {
      explicit Peer(asio::io_context& io) : socket(io) {}
      tcp::socket socket;
      asio::streambuf in;
      std::string stream;
      std::vector<std::string> replies;
      std::string error;
    };
    std::vector<std::unique_ptr<Peer>> peers;
    std::vector<std::string> oneFrame;
    for (const ReadListRow* row : NetworkRequestOrder()) oneFrame.push_back(RowRequest(*row));
    for (int i = 0; i < kClients; ++i) {
      auto p = std::make_unique<Peer>(io);
      asio::error_code ec;
      p->socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), srv.Port()), ec);
      ASSERT_FALSE(ec) << "client " << i << ": " << ec.message();
      for (int f = 0; f < kFrames; ++f)
        for (const std::string& r : oneFrame) {
          if (i % 2 == 1) p->stream += Terminated("9,9,9");
          p->stream += Terminated(r);
        }
      peers.push_back(std::move(p));
    }
    const size_t expectedReplies = size_t(kFrames) * oneFrame.size() * 1;
    std::function<void(Peer&, size_t)> readReplies = [&](Peer& p, size_t left) {
      if (left == 0) return;
      asio::async_read_until(p.socket, p.in, '\0', [&, left](const asio::error_code& ec, size_t n) {
        if (ec) {
          p.error = ec.message();
          return;
        }
        std::string all(asio::buffers_begin(p.in.data()), asio::buffers_begin(p.in.data()) + std::ptrdiff_t(n));
        p.in.consume(n);
        p.replies.push_back(all.substr(0, n - 1));
        readReplies(p, left - 1);
      });
    };
    for (int i = 0; i < kClients; ++i) {
      Peer& p = *peers[size_t(i)];
      asio::async_write(p.socket, asio::buffer(p.stream), [&p](const asio::error_code& ec, size_t) {
        if (ec) p.error = ec.message();
      });
      readReplies(p, expectedReplies * (i % 2 == 1 ? 2 : 1));
    }
    io.run_for(30s);
    EXPECT_EQ(srv.Stats().connections, uint64_t(kClients));
    for (int i = 0; i < kClients; ++i) {
      Peer& p = *peers[size_t(i)];
      EXPECT_EQ(p.error, "") << "client " << i;
      size_t at = 0;
      for (int f = 0; f < kFrames; ++f) {
        InterfaceValues got{};
        for (const ReadListRow* row : NetworkRequestOrder()) {
          if (i % 2 == 1) {
            ASSERT_LT(at, p.replies.size()) << "client " << i;
            EXPECT_EQ(p.replies[at++], "0") << "client " << i;
          }
          ASSERT_LT(at, p.replies.size()) << "client " << i;
          EXPECT_TRUE(StoreLikeTheDisplay(got, *row, p.replies[at++])) << "client " << i;
        }
        std::string which;
        EXPECT_TRUE(SameFields(got, EdgeState(), &which)) << "client " << i << " frame " << f << ": " << which;
      }
    }
  }
  server::SetLogSink(nullptr);
}
