// The browser display's request and reply exchange with the data server, without the socket: one
// frame's requests go out together, their replies come back one per message in the same order,
// and a whole frame's replies become its InterfaceValues as the network display's would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/interface_values.h"
#include "model/read_list.h"

// A frame's replies must all be back this long after its requests went out, or the link is
// taken for lost (the page then shows "not connected" and connects again): the line is up within
// 2.5 s of a server that stops answering, with room for a busy browser's late animation frames.
constexpr double kWebReplyBoundMs = 1500;

class WebExchange {
 public:
  explicit WebExchange(ReadPlan plan) : plan_(std::move(plan)) {}

  // The frame's requests, in order ("offset,size,type", one message each); starts the frame.
  std::vector<std::string> StartFrame(double nowMs);
  // One reply (the message's bytes). True when it completed the frame.
  bool Reply(const std::string& bytes);
  // A frame is out and its replies are not all back.
  bool InFlight() const { return inFlight_; }
  // The frame out has waited longer than kWebReplyBoundMs.
  bool Overdue(double nowMs) const { return inFlight_ && nowMs - sentMs_ > kWebReplyBoundMs; }
  // Forgets the frame out (the link is gone).
  void Abandon() { inFlight_ = false; }
  // Starts the frame out's wait anew (the page was not running: the wait was not the server's).
  void Restart(double nowMs) { sentMs_ = nowMs; }

  // The last whole frame's values, and whether every read-list row of it was usable.
  const InterfaceValues& Frame() const { return frame_; }
  bool ListDelivered() const { return listDelivered_; }
  uint64_t Frames() const { return frames_; }
  size_t RequestsPerFrame() const { return plan_.network.size(); }

 private:
  ReadPlan plan_;
  std::vector<std::string> replies_;
  bool inFlight_ = false;
  double sentMs_ = 0;
  InterfaceValues frame_{};
  bool listDelivered_ = false;
  uint64_t frames_ = 0;
};
