// Reply assembly for network mode: joins received pieces into zero-terminated replies, keeps the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

// Collects the bytes that arrive on the connection and hands them out one reply at a time: a reply
// ends at its zero byte, bytes after it wait for the next reply (of the same batch: the requests
// drop what is left over before they send). Also remembers the locale's
// decimal separator of the moment it was made.
class THxDataExchange {
 public:
  // A reply longer than this without its zero byte is a bad reply.
  static constexpr size_t kMaxReplyBytes = 4096;
  // More bytes than this held at once (replies nobody asked for) is a bad stream as well.
  static constexpr size_t kMaxPendingBytes = 256 * 1024;

  THxDataExchange();
  // For tests: a given decimal separator instead of the locale's.
  explicit THxDataExchange(char decimalSeparator);
  virtual ~THxDataExchange() = default;

  // Adds received bytes. False when the unfinished reply has grown beyond kMaxReplyBytes or more
  // than kMaxPendingBytes are held.
  bool Append(const uint8_t* bytes, size_t count);
  // Moves the next complete reply (without its zero byte) into *reply; false when none is complete.
  bool TakeReply(std::string* reply);
  // True when a reply has grown too long without its zero byte, or too much is held.
  bool Overflowed() const;
  // Forgets every byte held (the connection they came from is gone).
  void Reset();
  // Bytes held that belong to no complete reply yet, or to later replies.
  size_t PendingBytes() const { return pending_.size() - start_; }
  char DecimalSeparator() const { return decimalSeparator_; }

  // What the developer log has already been told about this stream, so each kind of trouble is
  // reported once rather than on every frame.
  struct Reported {
    bool overflow = false;              // a reply ran past kMaxReplyBytes
    bool strayBytes = false;            // bytes that answered no request
    std::set<std::string> badReplies;   // unusable reply texts, at most kMaxLoggedReplies
    bool badRepliesCapped = false;
  };
  static constexpr size_t kMaxLoggedReplies = 256;
  Reported& reported() { return reported_; }

 private:
  std::vector<uint8_t> pending_;
  size_t start_ = 0;        // first byte not yet handed out
  size_t scanned_ = 0;      // bytes from start_ already known to hold no zero byte
  char decimalSeparator_ = '.';
  Reported reported_;
};
