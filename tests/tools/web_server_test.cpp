// The data server's web side on every platform (also under Wine): WebSocket requests answered as over TCP, the web folder's walls, the message bound, --max-clients.
#include <gtest/gtest.h>

#include <algorithm>
#include <asio.hpp>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <websocketpp/client.hpp>
#include <websocketpp/config/asio_no_tls_client.hpp>

#include "model/network_reply.h"
#include "model/read_list.h"
#include "server/area_sources.h"
#include "server/server_core.h"
#include "server/server_log.h"

namespace {

namespace fs = std::filesystem;
using asio::ip::tcp;
using namespace std::chrono_literals;
using WsClient = websocketpp::client<websocketpp::config::asio_client>;

// A web folder with a page, a script in a sub-folder, and a link that leads out of it to a file
// beside it; removed with the test.
class WebFolder {
 public:
  WebFolder() {
    base_ = fs::temp_directory_path() /
            ("orvane-web-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(base_ / "web" / "sub");
    std::ofstream(base_ / "web" / "index.html") << "<!doctype html><title>page</title>";
    std::ofstream(base_ / "web" / "sub" / "glue.js") << "var x = 1;";
    std::ofstream(base_ / "secret.txt") << "outside";
    // Links need a privilege on Windows; where they cannot be made, the targets through them are left out.
    std::error_code ec;
    fs::create_symlink(base_ / "secret.txt", base_ / "web" / "link.txt", ec);
    if (!ec) fs::create_directory_symlink(base_, base_ / "web" / "up", ec);
    links_ = !ec;
  }
  ~WebFolder() {
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  std::string Root() const { return (base_ / "web").string(); }
  bool Links() const { return links_; }

 private:
  fs::path base_;
  bool links_ = false;
};

// The server with the demo flight frozen at 600 s, TCP and web on loopback, on its own thread.
class WebServer {
 public:
  WebServer(const std::string& root, int maxClients = 256, uint32_t idleSeconds = 30) : source_(600.0, true) {
    server::ServerOptions options;
    options.bindAddress = "127.0.0.1";
    options.port = 0;
    options.webPort = 0;
    options.webRoot = root;
    options.maxClients = maxClients;
    options.webIdleSeconds = idleSeconds;
    options.handleSignals = false;
    options.statsSeconds = 0;
    server_ = std::make_unique<server::Server>(options, source_);
    std::string error;
    ok_ = server_->Open(&error);
    EXPECT_TRUE(ok_) << error;
    if (ok_) thread_ = std::thread([this] { server_->Run(); });
  }
  ~WebServer() {
    server_->Stop();
    if (thread_.joinable()) thread_.join();
  }
  uint16_t Port() const { return server_->Port(); }
  uint16_t WebPort() const { return server_->WebPort(); }
  server::ServerStats Stats() const { return server_->Stats(); }

 private:
  server::DemoSource source_;
  std::unique_ptr<server::Server> server_;
  std::thread thread_;
  bool ok_ = false;
};

// Runs `io` until `done` holds or `bound` passes.
bool RunUntil(asio::io_context& io, const std::function<bool()>& done, std::chrono::milliseconds bound = 5000ms) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!done() && std::chrono::steady_clock::now() < end) {
    if (io.stopped()) io.restart();
    io.run_one_for(10ms);
  }
  return done();
}

// One browser-like WebSocket client (websocketpp's) on an io_context of its own.
class TestSocket {
 public:
  TestSocket(uint16_t port, const std::string& path = "/ws") {
    client_.clear_access_channels(websocketpp::log::alevel::all);
    client_.clear_error_channels(websocketpp::log::elevel::all);
    client_.init_asio(&io_);
    client_.set_open_handler([this](websocketpp::connection_hdl) { open_ = true; });
    client_.set_fail_handler([this](websocketpp::connection_hdl) { ended_ = true; });
    client_.set_close_handler([this](websocketpp::connection_hdl) { ended_ = true; });
    client_.set_message_handler([this](websocketpp::connection_hdl, WsClient::message_ptr m) {
      replies_.push_back(m->get_payload());
    });
    websocketpp::lib::error_code ec;
    con_ = client_.get_connection("ws://127.0.0.1:" + std::to_string(port) + path, ec);
    if (!ec) client_.connect(con_);
  }
  ~TestSocket() {
    if (open_ && !ended_) {
      websocketpp::lib::error_code ec;
      con_->close(websocketpp::close::status::normal, "", ec);
      RunUntil(io_, [this] { return ended_; }, 2000ms);
    }
  }
  // True once the handshake succeeded; false when it failed or did not end in time.
  bool WaitOpen() { return RunUntil(io_, [this] { return open_ || ended_; }) && open_ && !ended_; }
  bool WaitEnded() { return RunUntil(io_, [this] { return ended_; }); }
  void Send(const std::string& message) {
    websocketpp::lib::error_code ec = con_->send(message, websocketpp::frame::opcode::text);
    EXPECT_FALSE(ec) << ec.message();
  }
  bool WaitReplies(size_t n) { return RunUntil(io_, [&] { return replies_.size() >= n || ended_; }) && replies_.size() >= n; }
  const std::vector<std::string>& Replies() const { return replies_; }
  int HandshakeStatus() const { return int(con_->get_response_code()); }
  int CloseCodeSent() const { return int(con_->get_remote_close_code()); }

 private:
  asio::io_context io_;
  WsClient client_;
  WsClient::connection_ptr con_;
  bool open_ = false, ended_ = false;
  std::vector<std::string> replies_;
};

// The bytes `stream` brings back over TCP, up to `zeros` zero bytes; "<none>" when they do not come.
std::string TcpExchange(uint16_t port, const std::string& stream, size_t zeros) {
  asio::io_context io;
  tcp::socket socket(io);
  asio::error_code ec;
  socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port), ec);
  if (ec) return "<none>";
  std::string in;
  char chunk[4096];
  bool ended = false;
  std::function<void()> readMore = [&] {
    socket.async_read_some(asio::buffer(chunk), [&](const asio::error_code& e, size_t n) {
      in.append(chunk, n);
      if (e) ended = true;
      else readMore();
    });
  };
  asio::async_write(socket, asio::buffer(stream), [](const asio::error_code&, size_t) {});
  readMore();
  auto count = [&] { return size_t(std::count(in.begin(), in.end(), '\0')); };
  if (!RunUntil(io, [&] { return count() >= zeros || ended; }) || count() < zeros) return "<none>";
  return in;
}

// The status line's code and the body of one HTTP request sent as `raw` bytes.
// The whole answer (status line, headers, body) to a GET with `headers` ("Name: value\r\n" each).
std::string HttpGetAnswer(uint16_t port, const std::string& target, const std::string& headers = "") {
  const std::string raw = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "Connection: close\r\n\r\n";
  asio::io_context io;
  tcp::socket socket(io);
  asio::error_code ec;
  socket.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port), ec);
  if (ec) return "";
  std::string in;
  char chunk[4096];
  bool ended = false;
  std::function<void()> readMore = [&] {
    socket.async_read_some(asio::buffer(chunk), [&](const asio::error_code& e, size_t n) {
      in.append(chunk, n);
      if (e) ended = true;
      else readMore();
    });
  };
  asio::async_write(socket, asio::buffer(raw), [](const asio::error_code&, size_t) {});
  readMore();
  RunUntil(io, [&] { return ended; });
  return in;
}

// The value of header `name` in an answer ("" when it has none).
std::string HeaderOf(const std::string& answer, const std::string& name) {
  const size_t at = answer.find("\r\n" + name + ": ");
  if (at == std::string::npos || at > answer.find("\r\n\r\n")) return "";
  const size_t from = at + 4 + name.size();
  return answer.substr(from, answer.find("\r\n", from) - from);
}

std::pair<int, std::string> HttpGet(uint16_t port, const std::string& target) {
  const std::string in = HttpGetAnswer(port, target);
  if (in.compare(0, 9, "HTTP/1.1 ") != 0 || in.size() < 12) return {0, in};
  const size_t body = in.find("\r\n\r\n");
  return {std::atoi(in.substr(9, 3).c_str()), body == std::string::npos ? "" : in.substr(body + 4)};
}

class WebServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server::SetLogSink([](const std::string&) {});
  }
  void TearDown() override { server::SetLogSink(nullptr); }
  WebFolder folder_;
};

TEST_F(WebServerTest, PipelinedRequestsGetTheirRepliesInOrderAsOverTcp) {
  WebServer srv(folder_.Root());
  // A display frame's requests with refused ones among them: a size the type does not allow, a
  // text past the data area, a word; the trailing zero byte of the TCP stream is accepted too.
  std::vector<std::string> requests;
  for (const ReadListRow* row : NetworkRequestOrder()) requests.push_back(RequestTextOf(*row));
  requests.insert(requests.begin() + 3, "1,2,3");
  requests.insert(requests.begin() + 10, "65535,4,7");
  requests.push_back("altitude");
  requests.push_back(RequestTextOf(*NetworkRequestOrder()[0]) + std::string(1, '\0'));

  TestSocket ws(srv.WebPort());
  ASSERT_TRUE(ws.WaitOpen()) << "HTTP " << ws.HandshakeStatus();
  for (const std::string& r : requests) ws.Send(r);  // all at once, before any reply
  ASSERT_TRUE(ws.WaitReplies(requests.size()));
  ASSERT_EQ(ws.Replies().size(), requests.size());

  std::string stream, wsBytes;
  for (const std::string& r : requests) stream += r.back() == '\0' ? r : r + std::string(1, '\0');
  for (const std::string& reply : ws.Replies()) wsBytes += reply + std::string(1, '\0');
  EXPECT_EQ(wsBytes, TcpExchange(srv.Port(), stream, requests.size()));

  // Each in its place: the refused ones as the TCP clients get them, the frame's values usable.
  EXPECT_EQ(ws.Replies()[3], "0");
  EXPECT_EQ(ws.Replies()[10], "");
  EXPECT_EQ(ws.Replies()[requests.size() - 2], "0");
  EXPECT_EQ(ws.Replies().back(), ws.Replies()[0]);
  InterfaceValues state{};
  size_t reply = 0;
  for (size_t i = 0; i < requests.size() - 2; ++i) {
    if (i == 3 || i == 10) continue;
    const ReadListRow& row = *NetworkRequestOrder()[reply++];
    double value = 0;
    if (row.kind != RawKind::Text) {
      EXPECT_TRUE(ParseReplyNumber(ws.Replies()[i], '.', &value) && StoreNumberReply(state, row, value))
          << requests[i] << " -> \"" << ws.Replies()[i] << "\"";
    }
  }
  EXPECT_EQ(reply, size_t(kNetworkRequests));
  EXPECT_EQ(srv.Stats().malformed, 2u * 3u);  // three refused, over both ways
}

TEST_F(WebServerTest, AUrlLeavingTheWebFolderGets404) {
  WebServer srv(folder_.Root());
  EXPECT_EQ(HttpGet(srv.WebPort(), "/"), std::make_pair(200, std::string("<!doctype html><title>page</title>")));
  EXPECT_EQ(HttpGet(srv.WebPort(), "/sub/glue.js?layout=full&baro=inhg").first, 200);
  std::vector<std::string> targets = {"/../secret.txt", "/%2e%2e/secret.txt", "/sub/%2E%2E/%2e%2e/secret.txt",
                                      "/sub/..%2f..%2fsecret.txt", "/%2fetc%2fpasswd", "//etc/passwd",
                                      "/..\\secret.txt", "/..%5csecret.txt", "/C:/Windows/win.ini", "/%00index.html",
                                      "/sub/glue.js%", "http://127.0.0.1/../secret.txt", "/absent.html"};
  if (folder_.Links()) {
    targets.push_back("/link.txt");
    targets.push_back("/up/secret.txt");
  }
  for (const std::string& target : targets) {
    const auto answer = HttpGet(srv.WebPort(), target);
    EXPECT_EQ(answer.first, 404) << target;
    EXPECT_EQ(answer.second.find("outside"), std::string::npos) << target;
  }
  // The WebSocket is at /ws only.
  TestSocket elsewhere(srv.WebPort(), "/index.html");
  EXPECT_FALSE(elsewhere.WaitOpen());
  EXPECT_EQ(elsewhere.HandshakeStatus(), 404);
}

TEST_F(WebServerTest, AFileTheBrowserHoldsIsNotSentAgainUntilItChanges) {
  WebServer srv(folder_.Root());
  const std::string first = HttpGetAnswer(srv.WebPort(), "/sub/glue.js");
  ASSERT_EQ(first.compare(0, 12, "HTTP/1.1 200"), 0) << first;
  const std::string version = HeaderOf(first, "ETag");
  ASSERT_FALSE(version.empty()) << first;
  // The browser names the version it holds: 304, no body.
  const std::string again = HttpGetAnswer(srv.WebPort(), "/sub/glue.js", "If-None-Match: " + version + "\r\n");
  EXPECT_EQ(again.compare(0, 12, "HTTP/1.1 304"), 0) << again;
  EXPECT_EQ(again.find("var x"), std::string::npos) << again;
  EXPECT_EQ(HeaderOf(again, "ETag"), version);
  // Among others, weak, or any version.
  for (const std::string& names : {"\"1-2\", W/" + version, std::string("*")})
    EXPECT_EQ(HttpGetAnswer(srv.WebPort(), "/sub/glue.js", "If-None-Match: " + names + "\r\n").compare(0, 12, "HTTP/1.1 304"), 0)
        << names;
  // Another version, or another file's: the file.
  EXPECT_NE(HttpGetAnswer(srv.WebPort(), "/sub/glue.js", "If-None-Match: \"1-2\"\r\n").find("var x = 1;"),
            std::string::npos);
  EXPECT_EQ(HttpGetAnswer(srv.WebPort(), "/", "If-None-Match: " + version + "\r\n").compare(0, 12, "HTTP/1.1 200"), 0);
  // The file changed (its size with it): sent again, with its new version.
  std::ofstream(fs::path(folder_.Root()) / "sub" / "glue.js") << "var x = 12;";
  const std::string changed = HttpGetAnswer(srv.WebPort(), "/sub/glue.js", "If-None-Match: " + version + "\r\n");
  EXPECT_EQ(changed.compare(0, 12, "HTTP/1.1 200"), 0) << changed;
  EXPECT_NE(changed.find("var x = 12;"), std::string::npos);
  EXPECT_NE(HeaderOf(changed, "ETag"), version);
  // Outside the folder, a version named changes nothing: 404.
  EXPECT_EQ(HttpGetAnswer(srv.WebPort(), "/../secret.txt", "If-None-Match: *\r\n").compare(0, 12, "HTTP/1.1 404"), 0);
}

TEST_F(WebServerTest, AnOversizedMessageClosesThatClientOnly) {
  WebServer srv(folder_.Root());
  TestSocket good(srv.WebPort()), bad(srv.WebPort());
  ASSERT_TRUE(good.WaitOpen());
  ASSERT_TRUE(bad.WaitOpen());
  const std::string request = RequestTextOf(*NetworkRequestOrder()[0]);
  bad.Send(request);
  ASSERT_TRUE(bad.WaitReplies(1));
  bad.Send(std::string(66, '5'));
  EXPECT_TRUE(bad.WaitEnded());
  EXPECT_EQ(bad.CloseCodeSent(), 1009);  // message too big
  good.Send(request);
  ASSERT_TRUE(good.WaitReplies(1));
  EXPECT_EQ(good.Replies()[0], bad.Replies()[0]);
  EXPECT_EQ(srv.Stats().overlong, 1u);
}

TEST_F(WebServerTest, ASessionWithoutRequestsIsClosedAfterItsIdleTime) {
  WebServer srv(folder_.Root(), 256, 1);
  TestSocket idle(srv.WebPort()), busy(srv.WebPort());
  ASSERT_TRUE(idle.WaitOpen());
  ASSERT_TRUE(busy.WaitOpen());
  const auto start = std::chrono::steady_clock::now();
  size_t asked = 0;
  while (std::chrono::steady_clock::now() - start < 1800ms) {  // one request every 300 ms keeps it open
    busy.Send(RequestTextOf(*NetworkRequestOrder()[0]));
    ASSERT_TRUE(busy.WaitReplies(++asked));
    std::this_thread::sleep_for(300ms);
  }
  EXPECT_TRUE(idle.WaitEnded());
  EXPECT_EQ(idle.CloseCodeSent(), 1008);  // closed by the server's policy
  busy.Send(RequestTextOf(*NetworkRequestOrder()[0]));
  EXPECT_TRUE(busy.WaitReplies(asked + 1));
}

TEST_F(WebServerTest, ClientsBeyondMaxClientsAreRefused) {
  WebServer srv(folder_.Root(), 2);
  auto first = std::make_unique<TestSocket>(srv.WebPort());
  TestSocket second(srv.WebPort());
  ASSERT_TRUE(first->WaitOpen());
  ASSERT_TRUE(second.WaitOpen());
  TestSocket third(srv.WebPort());
  EXPECT_FALSE(third.WaitOpen());
  EXPECT_EQ(third.HandshakeStatus(), 503);
  EXPECT_EQ(HttpGet(srv.WebPort(), "/").first, 503);
  // A TCP client is one too many as well: closed without a reply.
  EXPECT_EQ(TcpExchange(srv.Port(), RequestTextOf(*NetworkRequestOrder()[0]) + std::string(1, '\0'), 1), "<none>");
  // A place freed is a place taken again (once the freed connection has ended its close handshake).
  first.reset();
  std::unique_ptr<TestSocket> again;
  for (int i = 0; i < 20 && again == nullptr; ++i) {
    auto attempt = std::make_unique<TestSocket>(srv.WebPort());
    if (attempt->WaitOpen()) {
      again = std::move(attempt);
    } else {
      std::this_thread::sleep_for(100ms);
    }
  }
  EXPECT_NE(again, nullptr);
  // The server counts a session once its side of the handshake is written, a moment after the client's.
  for (int i = 0; i < 100 && srv.Stats().clients != 2; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(srv.Stats().clients, 2);
}

}  // namespace
