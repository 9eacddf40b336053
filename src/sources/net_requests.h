// Network variable requests: the request text, the bounded wait for its zero-terminated reply, reply numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/network_reply.h"

class THxTcpBlockClient;
class THxDataExchange;

// A request, or a batch of them, gets its replies within this time or is given up.
constexpr uint32_t kRequestBoundMs = 5000;

// How a request ended. Anything but Delivered leaves the value at 0 or the empty text.
enum class RequestOutcome {
  Delivered,       // the reply arrived (and, for a number, was a number)
  NotConnected,    // no connection: nothing was sent
  SendFailed,      // the request could not be sent within the bound; the connection is closed
  TimedOut,        // no complete reply within the bound; the connection is closed
  ConnectionLost,  // the connection ended while the reply was awaited
  BadReply,        // a reply longer than the limit without its zero byte; the connection is closed
  BadNumber,       // the reply is not a number (or does not fit its field); the connection stays
};
const char* RequestOutcomeName(RequestOutcome outcome);


// Writes one line to the developer log about a reply that could not be used, once per distinct
// reply text for the life of `exchange` (the first 256 texts, then one line that says so).
void LogBadReplyOnce(THxDataExchange* exchange, const std::string& reply, const std::string& why);

// One request and its reply over `client`, with `exchange` assembling the reply. nullptr objects
// count as not connected.
RequestOutcome RequestNumberOn(THxTcpBlockClient* client, THxDataExchange* exchange, int32_t offset,
                               const std::string& size, const std::string& typeCode, double* value,
                               uint32_t boundMs = kRequestBoundMs);
RequestOutcome RequestTextOn(THxTcpBlockClient* client, THxDataExchange* exchange, int32_t offset,
                             const std::string& size, const std::string& typeCode, std::string* text,
                             uint32_t boundMs = kRequestBoundMs);

// Sends all requests at once and reads their replies in order, within one bound for the batch.
// outcomes[i] is Delivered or the reason reply i is missing; replies[i] is empty when missing.
void RequestBatchOn(THxTcpBlockClient* client, THxDataExchange* exchange, const std::vector<std::string>& requests,
                    std::vector<std::string>* replies, std::vector<RequestOutcome>* outcomes,
                    uint32_t boundMs = kRequestBoundMs);
// The same with the batch already joined: `batch` holds `count` request texts, each followed by its
// zero byte.
void RequestJoinedBatchOn(THxTcpBlockClient* client, THxDataExchange* exchange, const std::string& batch, size_t count,
                          std::vector<std::string>* replies, std::vector<RequestOutcome>* outcomes,
                          uint32_t boundMs = kRequestBoundMs);
