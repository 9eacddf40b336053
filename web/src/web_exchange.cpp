// The browser display's exchange: a frame's requests, their replies in order, the frame's values.
#include "web_exchange.h"

#include "model/network_reply.h"

std::vector<std::string> WebExchange::StartFrame(double nowMs) {
  std::vector<std::string> requests;
  requests.reserve(plan_.network.size());
  for (const ReadListRow& row : plan_.network) requests.push_back(RequestTextOf(row));
  replies_.clear();
  inFlight_ = true;
  sentMs_ = nowMs;
  return requests;
}

bool WebExchange::Reply(const std::string& bytes) {
  if (!inFlight_) return false;  // a reply to an abandoned frame
  // The reply's text is the message; a zero byte that ends it, as on the TCP stream, is no part of it.
  std::string text = bytes.substr(0, bytes.find('\0'));
  replies_.push_back(std::move(text));
  if (replies_.size() < plan_.network.size()) return false;
  InterfaceValues state{};
  bool listDelivered = true;
  for (size_t i = 0; i < plan_.network.size(); ++i) {
    const ReadListRow& row = plan_.network[i];
    bool usable = true;
    if (row.kind == RawKind::Text) {
      StoreTextReply(state, row, replies_[i]);
    } else {
      double value = 0;
      usable = ParseReplyNumber(replies_[i], '.', &value) && StoreNumberReply(state, row, value);
    }
    if (usable)
      state.Valid.Add(row.field);
    else if (i < size_t(kNetworkRequests))
      listDelivered = false;
  }
  frame_ = state;
  listDelivered_ = listDelivered;
  ++frames_;
  inFlight_ = false;
  return true;
}
