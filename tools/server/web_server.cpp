// The data server's web side on websocketpp: the web folder's files over HTTP, and a WebSocket at
// /ws whose messages are the display's requests, answered like the TCP clients' (server_session).
#include "server/web_server.h"

#include <asio.hpp>
#include <deque>
#include <filesystem>
#include <vector>
#include <websocketpp/config/asio_no_tls.hpp>
#include <websocketpp/server.hpp>

#include "platform/system.h"
#include "server/server_core.h"
#include "server/request_parser.h"
#include "server/server_log.h"
#include "server/server_session.h"
#include "server/web_files.h"

namespace server {

class WebSession;

// Every connection on the web port carries a token while it lives, so that page requests and
// handshakes count under --max-clients as well as the sessions; an open WebSocket also points to
// its session.
struct WebConnectionBase {
  std::shared_ptr<void> counted;
  std::weak_ptr<WebSession> session;
};

struct WebConfig : public websocketpp::config::asio {
  typedef WebConfig type;
  typedef WebConnectionBase connection_base;
  static const size_t max_message_size = kMaxWebSocketMessage;
  static const size_t max_http_body_size = 4096;  // nothing this server reads has a body
  static const long timeout_open_handshake = 5000;  // the request line and headers, ms
  static const long timeout_close_handshake = 2000;
};
using WsServer = websocketpp::server<WebConfig>;

// One browser: each message a request, each reply a binary message (the reply text without its
// zero byte), in request order.
class WebSession : public Session {
 public:
  WebSession(SessionHost& host, std::string peer, WsServer& ws, websocketpp::connection_hdl hdl)
      : Session(host, std::move(peer)), ws_(ws), hdl_(std::move(hdl)), lastActivity_(platform::MonotonicMicros()) {}

  uint64_t LastActivity() const { return lastActivity_; }
  bool IsClosed() const { return closed_; }

  void Message(const std::string& payload) {
    if (closed_) return;
    lastActivity_ = platform::MonotonicMicros();
    if (queue_.size() >= kMaxQueuedWebRequests) {
      host_.CountSlowReader();
      Close("more than " + std::to_string(kMaxQueuedWebRequests) + " requests waiting");
      return;
    }
    queue_.emplace_back(RequestOfMessage(payload));
    Process();
  }

  void Close(const std::string& why) override {
    if (closed_) return;
    Forget(why);
    websocketpp::lib::error_code ec;
    std::string reason = why.substr(0, 120);  // a close frame's reason has at most 123 bytes
    ws_.close(hdl_, websocketpp::close::status::policy_violation, reason, ec);
  }

  // The connection ended (closed by the client, failed or timed out).
  void Ended(const std::string& why) {
    if (!closed_) Forget(why);
  }

 protected:
  Next TakeRequest(std::string& request) override {
    if (queue_.empty()) return Next::NeedMore;
    request = std::move(queue_.front());
    queue_.pop_front();
    return Next::Request;
  }

  void Flush() override {
    if (closed_) return;
    size_t start = 0;
    while (start < pending_.size()) {
      size_t zero = pending_.find('\0', start);
      if (zero == std::string::npos) zero = pending_.size();
      websocketpp::lib::error_code ec;
      ws_.send(hdl_, pending_.data() + start, zero - start, websocketpp::frame::opcode::binary, ec);
      if (ec) {
        pending_.clear();
        Close("cannot send: " + ec.message());
        return;
      }
      start = zero + 1;
    }
    pending_.clear();
    if (!closeAfterFlush_.empty()) Close(closeAfterFlush_);
  }

  void ReadMore() override {}  // websocketpp reads on by itself; the queue is bounded instead

  size_t OutputWaiting() const override {
    websocketpp::lib::error_code ec;
    WsServer::connection_ptr con = ws_.get_con_from_hdl(hdl_, ec);
    return pending_.size() + (ec || !con ? 0 : con->get_buffered_amount());
  }

  std::string OverlongReason() const override { return "message too long"; }

 private:
  void Forget(const std::string& why) {
    closed_ = true;
    LogF("disconnect %s (%s) after %llu requests", peer_.c_str(), why.c_str(), (unsigned long long)Answered());
    queue_.clear();
    host_.Remove(shared_from_this());
  }

  WsServer& ws_;
  websocketpp::connection_hdl hdl_;
  std::deque<std::string> queue_;  // requests received and not yet answered
  uint64_t lastActivity_;
};

class WebListener::Impl {
 public:
  Impl(asio::io_context& io, SessionHost& host, const ServerOptions& options, std::function<int()> clients)
      : io_(io),
        host_(host),
        options_(options),
        clients_(std::move(clients)),
        files_(options.webRoot),
        refusedLog_(5, 10000000),
        notFoundLog_(10, 10000000) {}

  bool Open(std::string* error);
  uint16_t Port() const { return port_; }
  void Start() {
    websocketpp::lib::error_code ec;
    ws_.start_accept(ec);
    if (ec) LogF("web: cannot accept: %s", ec.message().c_str());
  }
  void Stop() {
    websocketpp::lib::error_code ec;
    if (ws_.is_listening()) ws_.stop_listening(ec);
  }
  int Connections() const { return int(counted_.use_count()) - 1; }
  void CloseIdle();

 private:
  bool Full() const { return clients_() + Connections() > options_.maxClients; }
  std::string PeerOf(const WsServer::connection_ptr& con) const { return con->get_remote_endpoint() + " (web)"; }
  void OnHttp(websocketpp::connection_hdl hdl);
  bool OnValidate(websocketpp::connection_hdl hdl);
  void OnOpen(websocketpp::connection_hdl hdl);
  void OnEnd(websocketpp::connection_hdl hdl);

  asio::io_context& io_;
  SessionHost& host_;
  const ServerOptions& options_;
  std::function<int()> clients_;
  WebFiles files_;
  WsServer ws_;
  uint16_t port_ = 0;
  std::shared_ptr<int> counted_ = std::make_shared<int>(0);  // one more owner per web connection
  std::vector<std::weak_ptr<WebSession>> sessions_;
  RateLimitedLog refusedLog_;
  RateLimitedLog notFoundLog_;
};

bool WebListener::Impl::Open(std::string* error) {
  if (!files_.Open(error)) {
    *error = "--web: " + *error + " (--web-root DIR names the folder; scripts/build.sh web builds it)";
    return false;
  }
  websocketpp::lib::error_code ec;
  ws_.clear_access_channels(websocketpp::log::alevel::all);
  ws_.clear_error_channels(websocketpp::log::elevel::all);
  ws_.init_asio(&io_, ec);
  if (ec) {
    *error = "web: " + ec.message();
    return false;
  }
  ws_.set_reuse_addr(options_.reuseAddress);
  ws_.set_listen_backlog(64);
  ws_.set_tcp_pre_init_handler([this](websocketpp::connection_hdl hdl) {
    websocketpp::lib::error_code e;
    if (WsServer::connection_ptr con = ws_.get_con_from_hdl(hdl, e)) {
      con->counted = counted_;
      asio::error_code ignored;
      con->get_socket().set_option(asio::ip::tcp::no_delay(true), ignored);  // every reply leaves at once, as on TCP
    }
  });
  ws_.set_http_handler([this](websocketpp::connection_hdl hdl) { OnHttp(hdl); });
  ws_.set_validate_handler([this](websocketpp::connection_hdl hdl) { return OnValidate(hdl); });
  ws_.set_open_handler([this](websocketpp::connection_hdl hdl) { OnOpen(hdl); });
  ws_.set_close_handler([this](websocketpp::connection_hdl hdl) { OnEnd(hdl); });
  ws_.set_fail_handler([this](websocketpp::connection_hdl hdl) { OnEnd(hdl); });
  ws_.set_message_handler([this](websocketpp::connection_hdl hdl, WsServer::message_ptr message) {
    websocketpp::lib::error_code e;
    WsServer::connection_ptr con = ws_.get_con_from_hdl(hdl, e);
    if (!con) return;
    if (auto session = con->session.lock()) session->Message(message->get_payload());
  });

  const std::string where = options_.bindAddress + " port " + std::to_string(options_.webPort);
  asio::error_code aec;
  asio::ip::address address = asio::ip::make_address(options_.bindAddress, aec);
  if (aec) {
    *error = "invalid bind address '" + options_.bindAddress + "': " + aec.message();
    return false;
  }
  ws_.listen(asio::ip::tcp::endpoint(address, uint16_t(options_.webPort)), ec);
  if (ec) {
    *error = "--web: cannot listen on " + where + ": " + ec.message();
    return false;
  }
  asio::ip::tcp::endpoint local = ws_.get_local_endpoint(ec);
  port_ = ec ? uint16_t(options_.webPort) : local.port();
  return true;
}

void WebListener::Impl::OnHttp(websocketpp::connection_hdl hdl) {
  websocketpp::lib::error_code ec;
  WsServer::connection_ptr con = ws_.get_con_from_hdl(hdl, ec);
  if (!con) return;
  if (Full()) {
    refusedLog_.Log("refused " + PeerOf(con) + ": already " + std::to_string(options_.maxClients) + " clients");
    con->set_status(websocketpp::http::status_code::service_unavailable);
    con->set_body("503 Service Unavailable: too many clients\n");
    con->replace_header("Content-Type", "text/plain; charset=utf-8");
    return;
  }
  const std::string& method = con->get_request().get_method();
  const std::string& target = con->get_request().get_uri();
  WebAnswer answer = files_.Answer(method, target, con->get_request().get_header("If-None-Match"));
  if (answer.status != 200 && answer.status != 304) {
    std::string shown;
    for (char c : target.substr(0, 200)) shown += (c >= 32 && c < 127) ? c : '?';
    notFoundLog_.Log("web: " + std::to_string(answer.status) + " for " + method.substr(0, 16) + " \"" + shown +
                     "\" from " + PeerOf(con));
  }
  con->set_status(websocketpp::http::status_code::value(answer.status));
  con->set_body(answer.body);
  con->replace_header("Content-Type", answer.contentType);
  // Asked again each time, and not sent again while the browser holds the version named.
  con->replace_header("Cache-Control", "no-cache");
  if (!answer.etag.empty()) con->replace_header("ETag", answer.etag);
  con->replace_header("X-Content-Type-Options", "nosniff");
  if (answer.status == 405) con->replace_header("Allow", "GET, HEAD");
  if (method == "HEAD") con->replace_header("Content-Length", std::to_string(answer.length));
}

bool WebListener::Impl::OnValidate(websocketpp::connection_hdl hdl) {
  websocketpp::lib::error_code ec;
  WsServer::connection_ptr con = ws_.get_con_from_hdl(hdl, ec);
  if (!con) return false;
  std::string target = con->get_request().get_uri();
  target = target.substr(0, target.find('?'));
  if (target != "/ws") {
    con->set_status(websocketpp::http::status_code::not_found);
    return false;
  }
  if (Full()) {
    refusedLog_.Log("refused " + PeerOf(con) + ": already " + std::to_string(options_.maxClients) + " clients");
    con->set_status(websocketpp::http::status_code::service_unavailable);
    return false;
  }
  return true;
}

void WebListener::Impl::OnOpen(websocketpp::connection_hdl hdl) {
  websocketpp::lib::error_code ec;
  WsServer::connection_ptr con = ws_.get_con_from_hdl(hdl, ec);
  if (!con) return;
  auto session = std::make_shared<WebSession>(host_, PeerOf(con), ws_, hdl);
  con->session = session;
  sessions_.push_back(session);
  host_.Adopt(session);
}

void WebListener::Impl::OnEnd(websocketpp::connection_hdl hdl) {
  websocketpp::lib::error_code ec;
  WsServer::connection_ptr con = ws_.get_con_from_hdl(hdl, ec);
  if (!con) return;
  std::shared_ptr<WebSession> session = con->session.lock();
  if (!session) return;
  if (con->get_local_close_code() == websocketpp::close::status::message_too_big) {
    host_.CountOverlong();
    session->Ended("message longer than " + std::to_string(kMaxWebSocketMessage) + " bytes");
  } else if (con->get_remote_close_code() != websocketpp::close::status::blank &&
             con->get_remote_close_code() != websocketpp::close::status::abnormal_close) {
    session->Ended("closed by the client");
  } else {
    session->Ended(con->get_ec() ? con->get_ec().message() : std::string("connection ended"));
  }
}

void WebListener::Impl::CloseIdle() {
  const uint64_t now = platform::MonotonicMicros();
  const uint64_t limit = uint64_t(options_.webIdleSeconds) * 1000000;
  std::vector<std::weak_ptr<WebSession>> alive;
  for (auto& weak : sessions_) {
    auto s = weak.lock();
    if (!s || s->IsClosed()) continue;
    if (now - s->LastActivity() > limit && !s->Parked()) {
      s->Close("no request for " + std::to_string(options_.webIdleSeconds) + " s");
      continue;
    }
    alive.push_back(weak);
  }
  sessions_.swap(alive);
}

std::string DefaultWebRoot(const char* argv0) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path program;
#ifndef _WIN32
  program = fs::read_symlink("/proc/self/exe", ec);
#endif
  if (program.empty() || ec) program = fs::absolute(fs::u8path(argv0 != nullptr ? argv0 : ""), ec);
  return (program.parent_path() / "web").u8string();
}

WebListener::WebListener(asio::io_context& io, SessionHost& host, const ServerOptions& options,
                         std::function<int()> clients)
    : impl_(std::make_unique<Impl>(io, host, options, std::move(clients))) {}
WebListener::~WebListener() = default;
bool WebListener::Open(std::string* error) { return impl_->Open(error); }
uint16_t WebListener::Port() const { return impl_->Port(); }
void WebListener::Start() { impl_->Start(); }
void WebListener::Stop() { impl_->Stop(); }
int WebListener::Connections() const { return impl_->Connections(); }
void WebListener::CloseIdle() { impl_->CloseIdle(); }

}  // namespace server
