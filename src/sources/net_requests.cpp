// Network variable requests: the request text, the bounded wait for its zero-terminated reply, reply numbers.
#include "sources/net_requests.h"

#include <charconv>
#include <cmath>
#include <set>

#include "platform/system.h"
#include "sources/hx_data_exchange.h"
#include "sources/hx_tcp_ipc_udp.h"

namespace {

uint64_t NowMs() { return platform::MonotonicMicros() / 1000; }

uint32_t MsLeft(uint64_t deadline) {
  uint64_t now = NowMs();
  return now >= deadline ? 0u : static_cast<uint32_t>(deadline - now);
}

bool Usable(THxTcpBlockClient* client, THxDataExchange* exchange) {
  return client != nullptr && exchange != nullptr && client->Connected();
}

// Ends the connection after a failure that leaves the stream out of step; held bytes go too.
RequestOutcome GiveUp(THxTcpBlockClient* client, THxDataExchange* exchange, RequestOutcome why) {
  if (client != nullptr && client->Connected()) client->Disconnect();
  if (exchange != nullptr) exchange->Reset();
  return why;
}

// Waits until `deadline` for the next complete reply.
RequestOutcome ReadReply(THxTcpBlockClient* client, THxDataExchange* exchange, uint64_t deadline,
                         std::string* reply) {
  for (;;) {
    if (exchange->TakeReply(reply)) return RequestOutcome::Delivered;
    if (exchange->Overflowed()) {
      if (!exchange->reported().overflow)
        platform::DebugLog("Network: a reply ran past " + std::to_string(THxDataExchange::kMaxReplyBytes) +
                           " bytes without its zero byte; connection closed.");
      exchange->reported().overflow = true;
      return GiveUp(client, exchange, RequestOutcome::BadReply);
    }
    if (!client->Connected()) {
      exchange->Reset();
      return RequestOutcome::ConnectionLost;
    }
    uint32_t left = MsLeft(deadline);
    if (left == 0) return GiveUp(client, exchange, RequestOutcome::TimedOut);
    uint8_t* block = nullptr;
    int32_t count = 0;
    if (client->ReceiveDataWithin(block, count, left) && count > 0) exchange->Append(block, size_t(count));
  }
}

// Before a request goes out, nothing can be owed to it: bytes already held or waiting are replies
// nobody asked for (or garbage after a reply's zero byte), and are dropped so they cannot answer it.
void DropStaleBytes(THxTcpBlockClient* client, THxDataExchange* exchange) {
  size_t dropped = exchange->PendingBytes();
  exchange->Reset();
  for (int i = 0; i < 16 && client->Connected(); ++i) {
    uint8_t* block = nullptr;
    int32_t count = 0;
    if (!client->ReceiveDataWithin(block, count, 0)) break;
    dropped += size_t(count);
  }
  if (dropped > 0 && !exchange->reported().strayBytes) {
    platform::DebugLog("Network: " + std::to_string(dropped) +
                       " bytes arrived that answer no request; dropped (reported once).");
    exchange->reported().strayBytes = true;
  }
}

// Sends one request text plus its zero byte, or a prepared batch, within the bound.
RequestOutcome SendWithin(THxTcpBlockClient* client, THxDataExchange* exchange, const std::string& bytes,
                          uint32_t boundMs) {
  if (!client->SocketObject->SendBufferWithin(bytes.data(), static_cast<int32_t>(bytes.size()), boundMs))
    return GiveUp(client, exchange, RequestOutcome::SendFailed);
  return RequestOutcome::Delivered;
}

// A reply text made printable for the log, cut to a readable length.
std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (out.size() >= 80) {
      out += "...";
      break;
    }
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      static const char hex[] = "0123456789abcdef";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace

const char* RequestOutcomeName(RequestOutcome outcome) {
  switch (outcome) {
    case RequestOutcome::Delivered: return "delivered";
    case RequestOutcome::NotConnected: return "not connected";
    case RequestOutcome::SendFailed: return "send failed";
    case RequestOutcome::TimedOut: return "timed out";
    case RequestOutcome::ConnectionLost: return "connection lost";
    case RequestOutcome::BadReply: return "bad reply";
    case RequestOutcome::BadNumber: return "not a number";
  }
  return "?";
}


void LogBadReplyOnce(THxDataExchange* exchange, const std::string& reply, const std::string& why) {
  if (exchange == nullptr) return;
  THxDataExchange::Reported& reported = exchange->reported();
  if (reported.badReplies.count(reply) != 0) return;
  if (reported.badReplies.size() >= THxDataExchange::kMaxLoggedReplies) {
    if (!reported.badRepliesCapped) platform::DebugLog("Network: more unusable replies; no longer logged one by one.");
    reported.badRepliesCapped = true;
    return;
  }
  reported.badReplies.insert(reply);
  platform::DebugLog("Network: reply \"" + Printable(reply) + "\" not used (" + why + "); the value reads as 0.");
}

RequestOutcome RequestTextOn(THxTcpBlockClient* client, THxDataExchange* exchange, int32_t offset,
                             const std::string& size, const std::string& typeCode, std::string* text,
                             uint32_t boundMs) {
  text->clear();
  if (!Usable(client, exchange)) {
    if (exchange != nullptr) exchange->Reset();
    return RequestOutcome::NotConnected;
  }
  DropStaleBytes(client, exchange);
  if (!client->Connected()) return RequestOutcome::NotConnected;
  uint64_t deadline = NowMs() + boundMs;
  std::string request = BuildRequestText(offset, size, typeCode);
  request.push_back('\0');
  RequestOutcome sent = SendWithin(client, exchange, request, boundMs);
  if (sent != RequestOutcome::Delivered) return sent;
  std::string reply;
  RequestOutcome got = ReadReply(client, exchange, deadline, &reply);
  if (got == RequestOutcome::Delivered) *text = std::move(reply);
  return got;
}

RequestOutcome RequestNumberOn(THxTcpBlockClient* client, THxDataExchange* exchange, int32_t offset,
                               const std::string& size, const std::string& typeCode, double* value,
                               uint32_t boundMs) {
  *value = 0;
  std::string reply;
  RequestOutcome got = RequestTextOn(client, exchange, offset, size, typeCode, &reply, boundMs);
  if (got != RequestOutcome::Delivered) return got;
  if (!ParseReplyNumber(reply, exchange->DecimalSeparator(), value)) {
    *value = 0;
    LogBadReplyOnce(exchange, reply, "not a number, request " + BuildRequestText(offset, size, typeCode));
    return RequestOutcome::BadNumber;
  }
  return RequestOutcome::Delivered;
}

void RequestBatchOn(THxTcpBlockClient* client, THxDataExchange* exchange, const std::vector<std::string>& requests,
                    std::vector<std::string>* replies, std::vector<RequestOutcome>* outcomes, uint32_t boundMs) {
  std::string batch;
  size_t bytes = 0;
  for (const std::string& r : requests) bytes += r.size() + 1;
  batch.reserve(bytes);
  for (const std::string& r : requests) {
    batch += r;
    batch.push_back('\0');
  }
  RequestJoinedBatchOn(client, exchange, batch, requests.size(), replies, outcomes, boundMs);
}

void RequestJoinedBatchOn(THxTcpBlockClient* client, THxDataExchange* exchange, const std::string& batch, size_t count,
                          std::vector<std::string>* replies, std::vector<RequestOutcome>* outcomes, uint32_t boundMs) {
  replies->assign(count, std::string());
  outcomes->assign(count, RequestOutcome::NotConnected);
  if (!Usable(client, exchange)) {
    if (exchange != nullptr) exchange->Reset();
    return;
  }
  if (count == 0) return;
  DropStaleBytes(client, exchange);
  if (!client->Connected()) return;
  uint64_t deadline = NowMs() + boundMs;
  RequestOutcome sent = SendWithin(client, exchange, batch, boundMs);
  if (sent != RequestOutcome::Delivered) {
    outcomes->assign(count, sent);
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    RequestOutcome got = ReadReply(client, exchange, deadline, &(*replies)[i]);
    (*outcomes)[i] = got;
    if (got != RequestOutcome::Delivered) {
      // The connection is gone: the rest cannot arrive either.
      for (size_t j = i + 1; j < count; ++j) (*outcomes)[j] = got;
      return;
    }
  }
}
