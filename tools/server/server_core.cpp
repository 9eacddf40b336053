// The data server's event loop: accepting clients, framing and answering their requests in order, bounding every buffer.
#include "server/server_core.h"

#include <asio.hpp>
#include <atomic>
#include <csignal>
#include <set>
#include <vector>

#include "platform/system.h"
#include "server/reply_format.h"
#include "server/request_parser.h"
#include "server/server_log.h"
#include "server/server_session.h"
#include "server/web_server.h"

namespace server {

using asio::ip::tcp;

class Server::Impl : public SessionHost {
 public:
  Impl(const ServerOptions& options, DataSource& source)
      : options_(options),
        source_(source),
        acceptor_(io_),
        housekeeping_(io_),
        signals_(io_),
        malformedLog_(10, 10000000),
        refusedLog_(5, 10000000) {}

  bool Open(std::string* error);
  void Run();
  void Stop() {
    asio::post(io_, [this] { Shutdown("stop requested"); });
  }
  uint16_t Port() const { return port_; }
  ServerStats Stats() const;

  uint16_t WebPort() const { return web_ ? web_->Port() : 0; }

  // Used by the sessions.
  DataSource& Source() override { return source_; }
  const ServerOptions& Options() const override { return options_; }
  void Adopt(const std::shared_ptr<Session>& s) override;
  void Park(const std::shared_ptr<Session>& s) override { parked_.push_back(s); }
  void Remove(const std::shared_ptr<Session>& s) override;
  void CountRequest(bool malformed) override {
    requests_.fetch_add(1, std::memory_order_relaxed);
    ++requestsSinceStats_;
    if (malformed) malformed_.fetch_add(1, std::memory_order_relaxed);
  }
  void CountOverlong() override { overlong_.fetch_add(1); }
  void CountSlowReader() override { slowReaders_.fetch_add(1); }
  RateLimitedLog& MalformedLog() override { return malformedLog_; }

 private:
  void Accept();
  void ScheduleHousekeeping();
  void Housekeeping();
  void ResumeParked(bool onlyOverdue);
  void Shutdown(const char* why);

  ServerOptions options_;
  DataSource& source_;
  asio::io_context io_;
  tcp::acceptor acceptor_;
  asio::steady_timer housekeeping_;
  asio::signal_set signals_;
  uint16_t port_ = 0;
  bool stopping_ = false;
  bool sourceStarted_ = false;
  std::set<std::shared_ptr<Session>> connections_;  // TCP clients and WebSocket sessions
  int tcpClients_ = 0;
  std::unique_ptr<WebListener> web_;  // with --web
  std::vector<std::weak_ptr<Session>> parked_;
  RateLimitedLog malformedLog_;
  RateLimitedLog refusedLog_;
  uint64_t startMicros_ = 0;
  uint64_t statsMicros_ = 0;
  uint64_t requestsSinceStats_ = 0;
  std::atomic<uint64_t> requests_{0}, malformed_{0}, connectionsTotal_{0}, overlong_{0}, slowReaders_{0};
  std::atomic<int> clients_{0};
};

// One TCP client: its requests cut from the byte stream, its replies written in order, its bounded buffers.
class TcpConnection : public Session {
 public:
  TcpConnection(tcp::socket socket, SessionHost& host, std::string peer)
      : Session(host, std::move(peer)), socket_(std::move(socket)) {}

  void Start() {
    asio::error_code ec;
    socket_.set_option(tcp::no_delay(true), ec);  // every reply leaves at once, in one segment
    socket_.non_blocking(true, ec);                // Flush's direct write must never wait
    Read();
  }

  void Close(const std::string& why) override {
    if (closed_) return;
    closed_ = true;
    LogF("disconnect %s (%s) after %llu requests", peer_.c_str(), why.c_str(), (unsigned long long)Answered());
    asio::error_code ec;
    socket_.shutdown(tcp::socket::shutdown_both, ec);
    socket_.close(ec);
    host_.Remove(shared_from_this());
  }

 protected:
  Next TakeRequest(std::string& request) override {
    switch (framer_.Take(request)) {
      case RequestFramer::Next::Request: return Next::Request;
      case RequestFramer::Next::Overlong: return Next::Overlong;
      case RequestFramer::Next::NeedMore: break;
    }
    return Next::NeedMore;
  }

  std::string OverlongReason() const override {
    return "request longer than " + std::to_string(kMaxRequestLength) + " bytes without a zero terminator";
  }

  size_t OutputWaiting() const override { return pending_.size() + inFlight_.size(); }

  void ReadMore() override { Read(); }

  // Starts writing the replies gathered so far, unless a write is under way.
  void Flush() override {
    if (closed_ || writing_) return;
    if (pending_.empty()) {
      if (!closeAfterFlush_.empty()) Close(closeAfterFlush_);
      return;
    }
    inFlight_.swap(pending_);
    pending_.clear();
    // The replies usually fit the socket's buffer: hand them over at once, without a trip through
    // the event loop, and leave only what did not fit to the asynchronous write.
    size_t sent = 0;
    {
      asio::error_code ec;
      sent = socket_.write_some(asio::buffer(inFlight_), ec);
      if (ec == asio::error::would_block || ec == asio::error::try_again) {
        sent = 0;
      } else if (ec) {
        Close(ec.message());
        return;
      }
    }
    if (sent == inFlight_.size()) {
      inFlight_.clear();
      if (!closeAfterFlush_.empty() && pending_.empty()) Close(closeAfterFlush_);
      return;
    }
    inFlight_.erase(0, sent);
    writing_ = true;
    auto self = shared_from_this();
    asio::async_write(socket_, asio::buffer(inFlight_), [this, self](const asio::error_code& ec, size_t) {
      writing_ = false;
      inFlight_.clear();
      if (closed_) return;
      if (ec) {
        Close(ec.message());
        return;
      }
      Flush();
    });
  }

 private:
  void Read() {
    if (closed_ || reading_ || !closeAfterFlush_.empty()) return;
    reading_ = true;
    auto self = shared_from_this();
    socket_.async_read_some(asio::buffer(readBuffer_), [this, self](const asio::error_code& ec, size_t n) {
      reading_ = false;
      if (closed_) return;
      if (ec) {
        Close(ec == asio::error::eof ? "closed by the client" : ec.message());
        return;
      }
      framer_.Append(readBuffer_.data(), n);
      Process();
    });
  }

  tcp::socket socket_;
  std::array<char, 4096> readBuffer_{};
  RequestFramer framer_;
  std::string inFlight_;  // replies being written
  bool reading_ = false;
  bool writing_ = false;
};

bool Server::Impl::Open(std::string* error) {
  asio::error_code ec;
  asio::ip::address address = asio::ip::make_address(options_.bindAddress, ec);
  if (ec) {
    *error = "invalid bind address '" + options_.bindAddress + "': " + ec.message();
    return false;
  }
  tcp::endpoint endpoint(address, options_.port);
  std::string where = options_.bindAddress + " port " + std::to_string(options_.port);
  acceptor_.open(endpoint.protocol(), ec);
  if (!ec && options_.reuseAddress) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor_.bind(endpoint, ec);
  if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    *error = "cannot listen on " + where + ": " + ec.message();
    asio::error_code ignored;
    acceptor_.close(ignored);
    return false;
  }
  port_ = acceptor_.local_endpoint(ec).port();
  if (options_.webPort >= 0) {
    web_ = std::make_unique<WebListener>(io_, *this, options_, [this] { return tcpClients_; });
    if (!web_->Open(error)) {
      web_.reset();
      asio::error_code ignored;
      acceptor_.close(ignored);
      return false;
    }
  }
  return true;
}

void Server::Impl::Run() {
  if (!acceptor_.is_open()) {
    LogLine("not listening: call Open first");
    return;
  }
  startMicros_ = statsMicros_ = platform::MonotonicMicros();
  LogF("listening on %s port %u; source: %s", options_.bindAddress.c_str(), unsigned(port_),
       source_.Describe().c_str());
  sourceStarted_ = source_.Start([this] { asio::post(io_, [this] { ResumeParked(false); }); });
  if (options_.handleSignals) {
    asio::error_code ec;
    signals_.add(SIGINT, ec);
    signals_.add(SIGTERM, ec);
    signals_.async_wait([this](const asio::error_code& e, int signal) {
      if (!e) Shutdown(signal == SIGINT ? "interrupted (SIGINT)" : "terminated (SIGTERM)");
    });
  }
  if (web_) {
    LogF("web: serving %s on %s port %u (page at /, requests at /ws)", options_.webRoot.c_str(),
         options_.bindAddress.c_str(), unsigned(web_->Port()));
    web_->Start();
  }
  Accept();
  ScheduleHousekeeping();
  io_.run();
  source_.Stop();
  sourceStarted_ = false;
  LogF("stopped after %llu requests from %llu connections", (unsigned long long)requests_.load(),
       (unsigned long long)connectionsTotal_.load());
}

void Server::Impl::Accept() {
  acceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
    if (stopping_) return;
    if (ec) {
      refusedLog_.Log("accept failed: " + ec.message());
      // Out of descriptors and the like: try again a little later instead of spinning.
      auto timer = std::make_shared<asio::steady_timer>(io_, std::chrono::milliseconds(100));
      timer->async_wait([this, timer](const asio::error_code&) {
        if (!stopping_) Accept();
      });
      return;
    }
    asio::error_code peerError;
    tcp::endpoint remote = socket.remote_endpoint(peerError);
    std::string peer = peerError ? std::string("unknown peer")
                                 : remote.address().to_string() + ":" + std::to_string(remote.port());
    const int clients = tcpClients_ + (web_ ? web_->Connections() : 0);
    if (clients >= options_.maxClients) {
      refusedLog_.Log("refused " + peer + ": already " + std::to_string(clients) + " clients");
      asio::error_code ignored;
      socket.close(ignored);
    } else {
      auto connection = std::make_shared<TcpConnection>(std::move(socket), *this, peer);
      ++tcpClients_;
      Adopt(connection);
      connection->Start();
    }
    Accept();
  });
}

void Server::Impl::Adopt(const std::shared_ptr<Session>& s) {
  connections_.insert(s);
  connectionsTotal_.fetch_add(1);
  clients_.store(int(connections_.size()));
  source_.SetClientCount(int(connections_.size()));
  LogF("connect %s (%d clients)", s->Peer().c_str(), int(connections_.size()));
}

void Server::Impl::Remove(const std::shared_ptr<Session>& s) {
  if (connections_.erase(s) == 0) return;
  if (dynamic_cast<TcpConnection*>(s.get()) != nullptr) --tcpClients_;
  clients_.store(int(connections_.size()));
  source_.SetClientCount(int(connections_.size()));
}

void Server::Impl::ResumeParked(bool onlyOverdue) {
  if (parked_.empty()) return;
  uint64_t now = platform::MonotonicMicros();
  uint64_t limit = uint64_t(options_.parkLimitMs) * 1000;
  std::vector<std::weak_ptr<Session>> waiting;
  waiting.swap(parked_);
  for (auto& weak : waiting) {
    auto c = weak.lock();
    if (!c || !c->Parked()) continue;
    if (onlyOverdue && now - c->ParkedSince() < limit) {
      parked_.push_back(c);
      continue;
    }
    c->Resume(onlyOverdue);  // may park again; it then lands in parked_ anew
  }
}

void Server::Impl::ScheduleHousekeeping() {
  housekeeping_.expires_after(std::chrono::milliseconds(100));
  housekeeping_.async_wait([this](const asio::error_code& ec) {
    if (ec || stopping_) return;
    Housekeeping();
    if (!stopping_) ScheduleHousekeeping();
  });
}

void Server::Impl::Housekeeping() {
  uint64_t now = platform::MonotonicMicros();
  ResumeParked(true);
  if (web_) web_->CloseIdle();
  if (options_.statsSeconds > 0 && now - statsMicros_ >= uint64_t(options_.statsSeconds) * 1000000) {
    double seconds = double(now - statsMicros_) / 1e6;
    if (requestsSinceStats_ > 0 || !connections_.empty())  // an idle server stays quiet
      LogF("%.0f requests/s over the last %.0f s, %d clients", double(requestsSinceStats_) / seconds, seconds,
           int(connections_.size()));
    requestsSinceStats_ = 0;
    statsMicros_ = now;
  }
  if (options_.durationSeconds > 0 && double(now - startMicros_) / 1e6 >= options_.durationSeconds)
    Shutdown("duration reached");
}

void Server::Impl::Shutdown(const char* why) {
  if (stopping_) return;
  stopping_ = true;
  LogF("shutting down: %s", why);
  asio::error_code ec;
  acceptor_.close(ec);
  if (web_) web_->Stop();
  housekeeping_.cancel();
  signals_.cancel(ec);
  std::vector<std::shared_ptr<Session>> all(connections_.begin(), connections_.end());
  for (auto& c : all) c->Close("server shutting down");
  parked_.clear();
  io_.stop();
}

ServerStats Server::Impl::Stats() const {
  ServerStats s;
  s.requests = requests_.load();
  s.malformed = malformed_.load();
  s.connections = connectionsTotal_.load();
  s.overlong = overlong_.load();
  s.slowReaders = slowReaders_.load();
  s.clients = clients_.load();
  return s;
}

Server::Server(const ServerOptions& options, DataSource& source)
    : impl_(std::make_unique<Impl>(options, source)) {}
Server::~Server() = default;
bool Server::Open(std::string* error) { return impl_->Open(error); }
uint16_t Server::Port() const { return impl_->Port(); }
uint16_t Server::WebPort() const { return impl_->WebPort(); }
void Server::Run() { impl_->Run(); }
void Server::Stop() { impl_->Stop(); }
ServerStats Server::Stats() const { return impl_->Stats(); }

}  // namespace server
