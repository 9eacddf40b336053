// A data server client's requests and replies, whatever carries them: in order, held for the source's refresh, bounded.
#include "server/server_session.h"

#include "platform/system.h"
#include "server/reply_format.h"

namespace server {

void Session::Resume(bool force) {
  if (!parked_ || closed_) return;
  parked_ = false;
  skipRefreshWait_ = force;
  Process();
}

void Session::Process() {
  if (closed_ || parked_) return;
  DataSource& source = host_.Source();
  source.Update();
  while (true) {
    if (!holding_) {
      Next next = TakeRequest(request_);
      if (next == Next::NeedMore) break;
      if (next == Next::Overlong) {
        // The replies to the requests before it still go out; then the connection ends.
        host_.CountOverlong();
        closeAfterFlush_ = OverlongReason();
        Flush();
        return;
      }
      holding_ = true;
    }
    ParseResult parsed = ParseRequest(request_);
    if (parsed.ok && !skipRefreshWait_ && source.WantsRefreshFor(parsed.request.offset, parsed.request.size)) {
      // The source fetches these bytes with its next refresh: hold this request (and the ones
      // behind it, to keep the order) until then.
      // A refresh that was already under way may not have brought them: then wait on, with the
      // bound counted from the first wait.
      if (!waiting_) parkedSince_ = platform::MonotonicMicros();
      waiting_ = true;
      parked_ = true;
      host_.Park(shared_from_this());
      Flush();
      return;
    }
    skipRefreshWait_ = false;
    waiting_ = false;
    holding_ = false;
    Answer(parsed);
    if (OutputWaiting() > host_.Options().maxPendingOutput) {
      host_.CountSlowReader();
      Close("does not read its replies: more than " + std::to_string(host_.Options().maxPendingOutput) +
            " bytes waiting");
      return;
    }
  }
  Flush();
  ReadMore();
}

void Session::Answer(const ParseResult& parsed) {
  ++answered_;
  if (!parsed.ok) {
    host_.CountRequest(true);
    std::string shown;
    for (char c : request_) shown += (c >= 32 && c < 127) ? c : '?';
    host_.MalformedLog().Log("malformed request from " + peer_ + ": \"" + shown + "\" (" + parsed.error +
                             "), answered \"" + MalformedReply(parsed) + "\"");
    pending_ += MalformedReply(parsed);
    pending_.push_back('\0');
    return;
  }
  host_.CountRequest(false);
  if (parsed.request.type != TypeCode::Text &&
      !host_.Source().IsFresh(parsed.request.offset, parsed.request.size)) {
    // Stale or never received: the empty reply, which no client takes for a number.
    pending_.push_back('\0');
    return;
  }
  uint8_t bytes[kMaxTextSize];
  host_.Source().Read(parsed.request.offset, parsed.request.size, bytes);
  if (!AppendReplyText(parsed.request, bytes, pending_))
    host_.MalformedLog().Log("offset " + std::to_string(parsed.request.offset) +
                             " holds no finite number; answered \"0\"");
  pending_.push_back('\0');
}

}  // namespace server
