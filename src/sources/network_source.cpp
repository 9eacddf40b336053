// Network mode's source: creates, connects, services and frees the client objects, and fetches a
// frame's values with one request per read-list row.
#include "sources/network_source.h"

#include <utility>
#include <vector>

#include "model/network_reply.h"
#include "model/read_list.h"
#include "platform/net.h"
#include "platform/system.h"
#include "sources/net_requests.h"

namespace {

// Stores reply `i` of the frame into its field; false when it was not usable.
bool StoreReply(InterfaceValues& state, const ReadListRow& row, RequestOutcome outcome, const std::string& reply,
                THxDataExchange* exchange, char separator) {
  if (outcome != RequestOutcome::Delivered) return false;
  if (row.kind == RawKind::Text) {
    StoreTextReply(state, row, reply);
    return true;
  }
  double value = 0;
  if (!ParseReplyNumber(reply, separator, &value)) {
    LogBadReplyOnce(exchange, reply, "not a number, request " + RequestTextOf(row));
    return false;
  }
  if (!StoreNumberReply(state, row, value)) {
    LogBadReplyOnce(exchange, reply, std::string("does not fit ") + FieldName(row.field));
    return false;
  }
  return true;
}

// A server given by name rather than by a dotted address.
bool IsName(const std::string& address) {
  size_t begin = 0, end = address.size();
  while (begin < end && static_cast<unsigned char>(address[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(address[end - 1]) <= ' ') --end;
  return end > begin && platform::NetInetAddr(address.substr(begin, end - begin)) == platform::kNoAddress;
}

}  // namespace

bool FetchNetworkState(THxTcpBlockClient* client, THxDataExchange* exchange, bool pipeline, InterfaceValues& state,
                       const ReadPlan& plan) {
  const std::vector<ReadListRow>& order = plan.network;
  const char separator = exchange != nullptr ? exchange->DecimalSeparator() : '.';
  std::vector<std::string> replies(order.size());
  std::vector<RequestOutcome> outcomes(order.size(), RequestOutcome::NotConnected);
  if (pipeline) {
    std::string batch;
    batch.reserve(order.size() * 16);
    for (const ReadListRow& row : order) {
      AppendRequestText(row, &batch);
      batch.push_back('\0');
    }
    RequestJoinedBatchOn(client, exchange, batch, order.size(), &replies, &outcomes);
  } else {
    for (size_t i = 0; i < order.size(); ++i)
      outcomes[i] = RequestTextOn(client, exchange, int32_t(order[i].offset), order[i].netSize, order[i].netType,
                                  &replies[i]);
  }
  bool listDelivered = true;
  for (size_t i = 0; i < order.size(); ++i) {
    if (StoreReply(state, order[i], outcomes[i], replies[i], exchange, separator))
      state.Valid.Add(order[i].field);
    else if (i < size_t(kNetworkRequests))
      listDelivered = false;
  }
  return listDelivered;
}

NetworkSource::NetworkSource(NetworkSettings settings, ReadPlan plan)
    : settings_(std::move(settings)), plan_(std::move(plan)) {}

// With RECONNECT a server name that does not resolve is not fatal: the server PC may still be
// starting. Everything else that SetAddress refuses still is.
bool NetworkSource::SetAddressOrNote(const std::string& address) {
  try {
    client_->SetAddress(address);
    return true;
  } catch (const OrvaneError& e) {
    if (!settings_.Reconnect || !IsName(address)) throw;
    platform::DebugLog(std::string("Network: ") + e.what() + "; trying again every 2 s.");
    return false;
  }
}

void NetworkSource::NetworkStartup() {
  // A second start-up replaces the objects of the first.
  exchange_.reset();
  client_.reset();
  startupFailedFatally_ = false;
  exchange_ = std::make_unique<THxDataExchange>();
  client_ = std::make_unique<THxTcpBlockClient>();
  client_->SetPort(settings_.ServerPort);
  // Kept before connecting: a failed connect writes the markers back.
  resolvedPort_ = client_->GetPort();
  if (resolvedPort_ == "<unset>") resolvedPort_.clear();
  const bool addressSet = SetAddressOrNote(settings_.ServerAddress);
  if (settings_.Reconnect) {
    if (addressSet) client_->ConnectWithin(kConnectBoundMs);
    lastAttemptMicros_ = platform::MonotonicMicros();
  } else {
    client_->Connect();
  }
  const bool connected = client_->Connected();
  startupFailedFatally_ = !connected && !settings_.Reconnect;
  reportedUp_ = connected;
}

SourceStart NetworkSource::Open() {
  NetworkStartup();
  if (NetworkConnected()) return {};
  if (settings_.Reconnect) return {SourceStart::Outcome::Waiting, ""};
  return {SourceStart::Outcome::FailOnceWindowIsUp, kConnectionFailedText};
}

std::string NetworkSource::TitleWord() const {
  // Before the start-up the title names the mode; from then on it follows the connection.
  return client_ == nullptr || NetworkConnected() ? kTitleWord : kTitleWordNotConnected;
}

bool NetworkSource::NetworkConnected() const { return client_ != nullptr && client_->Connected(); }

// One reconnect attempt, bounded in time. The markers are written back by every Close, so the
// port and the address are set again first; a name is looked up again, so a server whose address
// changed is found too.
bool NetworkSource::TryConnect(uint32_t boundMs) {
  if (resolvedPort_.empty() || settings_.ServerAddress.empty()) return false;
  client_->SetPort(resolvedPort_);
  if (!SetAddressOrNote(settings_.ServerAddress)) return false;
  if (!client_->ConnectWithin(boundMs)) return false;
  exchange_->Reset();
  platform::DebugLog("Network: connected again to " + client_->GetAddress() + ":" + resolvedPort_ + ".");
  return true;
}

void NetworkSource::NetworkService() {
  if (client_ == nullptr || exchange_ == nullptr) return;
  if (client_->Connected()) {
    reportedUp_ = true;
    return;
  }
  if (reportedUp_) platform::DebugLog("Network: the connection to the data server is lost.");
  reportedUp_ = false;
  if (!settings_.Reconnect) return;
  const uint64_t now = platform::MonotonicMicros();
  if (now - lastAttemptMicros_ < kRetryEveryMicros) return;
  try {
    if (TryConnect(kConnectBoundMs)) reportedUp_ = true;
  } catch (const OrvaneError& e) {
    platform::DebugLog(std::string("Network: reconnect failed: ") + e.what());
  }
  // A failed attempt counts from its end, so a slow refusal still leaves the window its 2 s.
  lastAttemptMicros_ = platform::MonotonicMicros();
}

void NetworkSource::NetworkShutdown() {
  if (client_ == nullptr || !client_->Connected()) return;
  exchange_.reset();
  client_.reset();
}

bool NetworkSource::Fetch(FlightFrame& frame) {
  const bool complete = FetchNetworkState(client_.get(), exchange_.get(), settings_.Pipeline, frame.classic, plan_);
  FrameFromInterface(frame, InclinationRule::Raw);
  return complete;
}

void NetworkSource::PauseAfterPanel() { platform::SleepMs(1); }

double NetworkSource::RequestNumber(int32_t offset, const std::string& size, const std::string& typeCode) {
  double value = 0;
  RequestNumberOn(client_.get(), exchange_.get(), offset, size, typeCode, &value);
  return value;
}

std::string NetworkSource::RequestText(int32_t offset, const std::string& size, const std::string& typeCode) {
  std::string text;
  RequestTextOn(client_.get(), exchange_.get(), offset, size, typeCode, &text);
  return text;
}
