// Where the data server's values come from: the interface every source (demo, fixed values, simulator IPC) offers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace server {

// All calls except Start/Stop come from the server's event loop thread.
class DataSource {
 public:
  virtual ~DataSource() = default;

  // One line for the log: what the values come from.
  virtual std::string Describe() const = 0;
  // Starts background work, if any. `refreshed` may be called from any thread after each refresh
  // of the values; it must only hand the news over to the event loop.
  virtual bool Start(std::function<void()> refreshed) {
    (void)refreshed;
    return true;
  }
  // Ends background work; bounded in time.
  virtual void Stop() {}
  // Brings the values to read up to date; called before each group of requests is answered.
  virtual void Update() {}
  // Copies `size` bytes at `offset` (offset + size <= 64 KiB, checked by the caller).
  virtual void Read(uint32_t offset, uint32_t size, uint8_t* out) = 0;
  // True when these bytes are not among the refreshed values yet but will be after the next
  // refresh: the caller may hold the request until `refreshed` is called (or a bound passes).
  virtual bool WantsRefreshFor(uint32_t offset, uint32_t size) {
    (void)offset;
    (void)size;
    return false;
  }
  // False when the source has not received these bytes yet or not for too long: the request is
  // then answered with the empty text, which the display counts as not delivered (it shows its
  // failure flag) while the connection stays up.
  virtual bool IsFresh(uint32_t offset, uint32_t size) {
    (void)offset;
    (void)size;
    return true;
  }
  // The number of connected clients changed.
  virtual void SetClientCount(int count) { (void)count; }
};

}  // namespace server
