// One client of the data server, whatever carries its requests (a TCP stream or WebSocket messages):
// its requests answered in order, held while the source refreshes, with bounded output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "server/data_source.h"
#include "server/request_parser.h"
#include "server/server_core.h"
#include "server/server_log.h"

namespace server {

class Session;

// What a session needs of its server.
class SessionHost {
 public:
  virtual ~SessionHost() = default;
  virtual DataSource& Source() = 0;
  virtual const ServerOptions& Options() const = 0;
  // Takes a new session in (counted and logged); it then starts with its first request.
  virtual void Adopt(const std::shared_ptr<Session>& s) = 0;
  // Keeps `s` until the source's next refresh (or the wait bound) resumes it.
  virtual void Park(const std::shared_ptr<Session>& s) = 0;
  // Forgets a closed session.
  virtual void Remove(const std::shared_ptr<Session>& s) = 0;
  virtual void CountRequest(bool malformed) = 0;
  virtual void CountOverlong() = 0;
  virtual void CountSlowReader() = 0;
  virtual RateLimitedLog& MalformedLog() = 0;
};

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(SessionHost& host, std::string peer) : host_(host), peer_(std::move(peer)) {}
  virtual ~Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::string& Peer() const { return peer_; }
  uint64_t ParkedSince() const { return parkedSince_; }
  bool Parked() const { return parked_; }
  uint64_t Answered() const { return answered_; }

  // Continues after a refresh of the source; with `force` (the wait bound passed) the held request
  // is answered from whatever the source has.
  void Resume(bool force);
  // Ends the session with `why` in the log; the host forgets it.
  virtual void Close(const std::string& why) = 0;

 protected:
  enum class Next { Request, NeedMore, Overlong };

  // The transport: the next whole request (without any terminator) or why there is none; hands
  // the replies in pending_ (each ending in its zero byte) on; reads on; the bytes given to the
  // transport and not yet sent.
  virtual Next TakeRequest(std::string& request) = 0;
  virtual void Flush() = 0;
  virtual void ReadMore() = 0;
  virtual size_t OutputWaiting() const = 0;
  // Why the transport's request was cut off (Next::Overlong).
  virtual std::string OverlongReason() const = 0;

  // Answers every complete request, in order, until one must wait for the source or none is left;
  // then flushes and reads on.
  void Process();

  SessionHost& host_;
  std::string peer_;
  std::string pending_;          // replies not yet handed to the transport, each with its zero byte
  std::string closeAfterFlush_;  // when set: close with this reason once the replies are written
  bool closed_ = false;

 private:
  void Answer(const ParseResult& parsed);

  std::string request_;       // the request being answered
  bool holding_ = false;      // request_ is taken from the transport and not answered yet
  bool parked_ = false;
  bool skipRefreshWait_ = false;
  bool waiting_ = false;      // the held request has waited for a refresh since parkedSince_
  uint64_t parkedSince_ = 0;
  uint64_t answered_ = 0;
};

}  // namespace server
