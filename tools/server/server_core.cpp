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

namespace server {

using asio::ip::tcp;

class Connection;

class Server::Impl {
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

  // Used by connections.
  DataSource& Source() { return source_; }
  const ServerOptions& Options() const { return options_; }
  void Park(const std::shared_ptr<Connection>& c) { parked_.push_back(c); }
  void Remove(const std::shared_ptr<Connection>& c);
  void CountRequest(bool malformed) {
    requests_.fetch_add(1, std::memory_order_relaxed);
    ++requestsSinceStats_;
    if (malformed) malformed_.fetch_add(1, std::memory_order_relaxed);
  }
  void CountOverlong() { overlong_.fetch_add(1); }
  void CountSlowReader() { slowReaders_.fetch_add(1); }
  RateLimitedLog& MalformedLog() { return malformedLog_; }

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
  std::set<std::shared_ptr<Connection>> connections_;
  std::vector<std::weak_ptr<Connection>> parked_;
  RateLimitedLog malformedLog_;
  RateLimitedLog refusedLog_;
  uint64_t startMicros_ = 0;
  uint64_t statsMicros_ = 0;
  uint64_t requestsSinceStats_ = 0;
  std::atomic<uint64_t> requests_{0}, malformed_{0}, connectionsTotal_{0}, overlong_{0}, slowReaders_{0};
  std::atomic<int> clients_{0};
};

// One client: its request framing, its ordered replies and its bounded buffers.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(tcp::socket socket, Server::Impl& server, std::string peer)
      : socket_(std::move(socket)), server_(server), peer_(std::move(peer)) {}

  const std::string& Peer() const { return peer_; }
  uint64_t ParkedSince() const { return parkedSince_; }
  bool Parked() const { return parked_; }

  void Start() {
    asio::error_code ec;
    socket_.set_option(tcp::no_delay(true), ec);  // every reply leaves at once, in one segment
    socket_.non_blocking(true, ec);                // Flush's direct write must never wait
    Read();
  }

  // Continues after a refresh of the source; with `force` (the wait bound passed) the held request
  // is answered from whatever the source has.
  void Resume(bool force) {
    if (!parked_ || closed_) return;
    parked_ = false;
    skipRefreshWait_ = force;
    Process();
  }

  void Close(const std::string& why) {
    if (closed_) return;
    closed_ = true;
    LogF("disconnect %s (%s) after %llu requests", peer_.c_str(), why.c_str(), (unsigned long long)answered_);
    asio::error_code ec;
    socket_.shutdown(tcp::socket::shutdown_both, ec);
    socket_.close(ec);
    server_.Remove(shared_from_this());
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

  // Answers every complete request buffered, in order; then writes and reads on.
  void Process() {
    if (closed_ || parked_) return;
    DataSource& source = server_.Source();
    source.Update();
    while (true) {
      if (!holding_) {
        RequestFramer::Next next = framer_.Take(request_);
        if (next == RequestFramer::Next::NeedMore) break;
        if (next == RequestFramer::Next::Overlong) {
          // The replies to the requests before it still go out; then the connection ends.
          server_.CountOverlong();
          closeAfterFlush_ = "request longer than " + std::to_string(kMaxRequestLength) +
                             " bytes without a zero terminator";
          Flush();
          return;
        }
        holding_ = true;
      }
      ParseResult parsed = ParseRequest(request_);
      if (parsed.ok && !skipRefreshWait_ &&
          source.WantsRefreshFor(parsed.request.offset, parsed.request.size)) {
        // The source fetches these bytes with its next refresh: hold this request (and the ones
        // behind it, to keep the order) until then.
        // A refresh that was already under way may not have brought them: then wait on, with the
        // bound counted from the first wait.
        if (!waiting_) parkedSince_ = platform::MonotonicMicros();
        waiting_ = true;
        parked_ = true;
        server_.Park(shared_from_this());
        Flush();
        return;
      }
      skipRefreshWait_ = false;
      waiting_ = false;
      holding_ = false;
      Answer(parsed);
      if (pending_.size() + inFlight_.size() > server_.Options().maxPendingOutput) {
        server_.CountSlowReader();
        Close("does not read its replies: more than " + std::to_string(server_.Options().maxPendingOutput) +
              " bytes waiting");
        return;
      }
    }
    Flush();
    Read();
  }

  void Answer(const ParseResult& parsed) {
    ++answered_;
    if (!parsed.ok) {
      server_.CountRequest(true);
      std::string shown;
      for (char c : request_) shown += (c >= 32 && c < 127) ? c : '?';
      server_.MalformedLog().Log("malformed request from " + peer_ + ": \"" + shown + "\" (" + parsed.error +
                                 "), answered \"" + MalformedReply(parsed) + "\"");
      pending_ += MalformedReply(parsed);
      pending_.push_back('\0');
      return;
    }
    server_.CountRequest(false);
    if (parsed.request.type != TypeCode::Text &&
        !server_.Source().IsFresh(parsed.request.offset, parsed.request.size)) {
      // Stale or never received: the empty reply, which no client takes for a number.
      pending_.push_back('\0');
      return;
    }
    uint8_t bytes[kMaxTextSize];
    server_.Source().Read(parsed.request.offset, parsed.request.size, bytes);
    if (!AppendReplyText(parsed.request, bytes, pending_))
      server_.MalformedLog().Log("offset " + std::to_string(parsed.request.offset) +
                                 " holds no finite number; answered \"0\"");
    pending_.push_back('\0');
  }

  // Starts writing the replies gathered so far, unless a write is under way.
  void Flush() {
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

  tcp::socket socket_;
  Server::Impl& server_;
  std::string peer_;
  std::array<char, 4096> readBuffer_{};
  RequestFramer framer_;
  std::string request_;       // the request being answered
  bool holding_ = false;      // request_ is taken from the framer and not answered yet
  std::string pending_;       // replies not yet handed to the socket
  std::string inFlight_;      // replies being written
  bool reading_ = false;
  bool writing_ = false;
  bool parked_ = false;
  bool skipRefreshWait_ = false;
  bool waiting_ = false;  // the held request has waited for a refresh since parkedSince_
  bool closed_ = false;
  std::string closeAfterFlush_;  // when set: close with this reason once the replies are written
  uint64_t parkedSince_ = 0;
  uint64_t answered_ = 0;
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
    if (int(connections_.size()) >= options_.maxClients) {
      refusedLog_.Log("refused " + peer + ": already " + std::to_string(connections_.size()) + " clients");
      asio::error_code ignored;
      socket.close(ignored);
    } else {
      auto connection = std::make_shared<Connection>(std::move(socket), *this, peer);
      connections_.insert(connection);
      connectionsTotal_.fetch_add(1);
      clients_.store(int(connections_.size()));
      source_.SetClientCount(int(connections_.size()));
      LogF("connect %s (%d clients)", peer.c_str(), int(connections_.size()));
      connection->Start();
    }
    Accept();
  });
}

void Server::Impl::Remove(const std::shared_ptr<Connection>& c) {
  connections_.erase(c);
  clients_.store(int(connections_.size()));
  source_.SetClientCount(int(connections_.size()));
}

void Server::Impl::ResumeParked(bool onlyOverdue) {
  if (parked_.empty()) return;
  uint64_t now = platform::MonotonicMicros();
  uint64_t limit = uint64_t(options_.parkLimitMs) * 1000;
  std::vector<std::weak_ptr<Connection>> waiting;
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
  housekeeping_.cancel();
  signals_.cancel(ec);
  std::vector<std::shared_ptr<Connection>> all(connections_.begin(), connections_.end());
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
void Server::Run() { impl_->Run(); }
void Server::Stop() { impl_->Stop(); }
ServerStats Server::Stats() const { return impl_->Stats(); }

}  // namespace server
