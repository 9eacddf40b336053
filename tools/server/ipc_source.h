// The simulator on this PC as the data server's source: the read list refreshed with one IPC exchange per period.
#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "server/data_source.h"
#include "server/request_parser.h"
#include "sources/sim_ipc_client.h"

namespace server {

// A background thread owns the IPC link (the client allows one user). While at least one client is
// connected it performs one exchange at most every `refreshMs`: the read list plus the extra ranges
// clients asked for, whatever the number of clients. The event loop answers from the latest good
// values. A failed exchange closes the link; opening is retried every `retryMs`, and the last good
// values (zero before the first) are served meanwhile.
class IpcSource : public DataSource {
 public:
  struct Options {
    uint32_t refreshMs = 20;
    uint32_t retryMs = 2000;
    size_t maxExtraRanges = 64;       // ranges outside the read list kept in the batch
    uint32_t extraExpiryMs = 30000;   // an extra range nobody asked for this long leaves the batch
  };

  explicit IpcSource(const Options& options);
  ~IpcSource() override;

  std::string Describe() const override;
  bool Start(std::function<void()> refreshed) override;
  void Stop() override;
  void Update() override;
  void Read(uint32_t offset, uint32_t size, uint8_t* out) override;
  bool WantsRefreshFor(uint32_t offset, uint32_t size) override;
  void SetClientCount(int count) override;

  // Successful exchanges so far (each one a single batch for all clients).
  uint64_t Exchanges() const { return exchanges_.load(); }
  // True from a successful open until an exchange fails.
  bool LinkUp() const { return linkUp_.load(); }

 private:
  struct Snapshot {
    std::array<uint8_t, kAreaSize> bytes{};
    std::bitset<kAreaSize> covered;  // bytes delivered by the simulator at least once
  };
  struct Range {
    uint32_t offset = 0;
    uint32_t size = 0;
    uint64_t lastAskedMicros = 0;
    bool refused = false;  // did not fit the exchange; never waited for again
  };

  void Run();
  // One exchange; returns true when it succeeded. Called without the lock held.
  bool Exchange(std::vector<Range>& extras, uint32_t* code);

  Options options_;
  std::unique_ptr<SimIpcClient> client_ = std::make_unique<SimIpcClient>();  // used by the thread only
  std::function<void()> refreshed_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;                      // guarded by mutex_
  std::shared_ptr<const Snapshot> latest_;  // guarded by mutex_
  std::vector<Range> extras_;               // guarded by mutex_
  std::shared_ptr<const Snapshot> current_;  // event loop only
  std::atomic<int> clients_{0};
  std::atomic<bool> linkUp_{false};
  std::atomic<uint64_t> exchanges_{0};
};

}  // namespace server
