// Two IPC clients and two peers in one process: each client's handles, atoms and blocks are its own,
// and each pair exchanges batches without seeing the other's.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "platform/byte_order.h"
#include "platform/ipc.h"
#include "platform/system.h"

namespace {

constexpr uint32_t kBlockSize = platform::kIpcBlockSize;
constexpr const char* kMessage = "OrvaneTwoClients:IPC";

// A peer served on its own thread (its window belongs to that thread on Windows). It answers each
// batch with the block's first word plus its own step, and counts what it saw.
class ServedPeer {
 public:
  ServedPeer(const std::string& className, uint32_t step) : className_(className), step_(step) {
    thread_ = std::thread([this] { Run(); });
    const uint64_t deadline = platform::MonotonicMicros() + 5000000u;
    while (state_.load() == 0 && platform::MonotonicMicros() < deadline) platform::SleepMs(5);
  }
  ~ServedPeer() {
    stop_.store(true);
    thread_.join();
  }
  bool Ready() const { return state_.load() == 1; }
  const std::string& Error() const { return error_; }
  int Batches() const { return batches_.load(); }

 private:
  void Run() {
    platform::IpcPeer* peer = platform::StartIpcPeer(
        className_, kMessage,
        [this](uint8_t* block, uint32_t size) {
          batches_.fetch_add(1);
          platform::IpcPeerReply reply;
          reply.value = size >= 4 ? le::Get32(block) + step_ : 0;
          le::Put32(block + 4, step_);  // the peer leaves its mark in the block it was given
          return reply;
        },
        nullptr, error_);
    state_.store(peer != nullptr ? 1 : 2);
    if (peer == nullptr) return;
    while (!stop_.load()) platform::ServeIpcPeer(peer, 20);
    platform::StopIpcPeer(peer);
  }

  std::string className_;
  uint32_t step_;
  std::string error_;
  std::atomic<int> state_{0};  // 0 starting, 1 serving, 2 failed
  std::atomic<bool> stop_{false};
  std::atomic<int> batches_{0};
  std::thread thread_;
};

// One client's link to one peer: found window, atom and mapped block under its own name.
struct Link {
  platform::IpcClient ipc;
  std::string name;
  platform::IpcWindow window = 0;
  uint32_t message = 0;
  uint16_t atom = 0;
  platform::IpcMapping mapping = 0;
  uint8_t* block = nullptr;

  Link(const std::string& peerClass, const std::string& blockName) : name(blockName) {
    window = platform::FindIpcWindow(ipc, peerClass.c_str());
    message = platform::RegisterIpcMessage(kMessage);
    atom = platform::AddGlobalAtom(ipc, name.c_str());
    bool existed = true;
    mapping = platform::CreateSharedBlock(ipc, name.c_str(), kBlockSize, &existed);
    if (mapping != 0 && !existed) block = static_cast<uint8_t*>(platform::MapSharedBlock(ipc, mapping, kBlockSize));
  }
  ~Link() {
    if (block != nullptr) platform::UnmapSharedBlock(block, kBlockSize);
    if (mapping != 0) platform::CloseSharedBlock(ipc, mapping);
    if (atom != 0) platform::DeleteGlobalAtom(ipc, atom);
  }
  bool Ready() const { return window != 0 && message != 0 && atom != 0 && block != nullptr; }
  // Puts `value` in the block's first word and sends the batch; the reply, or -1 when none came.
  long long Exchange(uint32_t value) {
    le::Put32(block, value);
    uintptr_t reply = 0;
    if (!platform::SendIpcMessage(ipc, window, message, atom, 0, 2000, &reply)) return -1;
    return static_cast<long long>(reply);
  }
};

TEST(IpcTwoClients, EachClientExchangesWithItsOwnPeerThroughItsOwnTables) {
  const std::string tag = std::to_string(platform::CurrentProcessId());
  ServedPeer peerA("OrvaneTwoA" + tag, 100);
  ServedPeer peerB("OrvaneTwoB" + tag, 200);
  ASSERT_TRUE(peerA.Ready()) << peerA.Error();
  ASSERT_TRUE(peerB.Ready()) << peerB.Error();

  auto first = std::make_unique<Link>("OrvaneTwoA" + tag, "OrvaneTwoBlockA:" + tag);
  Link second("OrvaneTwoB" + tag, "OrvaneTwoBlockB:" + tag);
  ASSERT_TRUE(first->Ready());
  ASSERT_TRUE(second.Ready());

  // Interleaved batches: each reply is its own block's word plus its own peer's step.
  EXPECT_EQ(first->Exchange(1), 101);
  EXPECT_EQ(second.Exchange(2), 202);
  EXPECT_EQ(first->Exchange(3), 103);
  EXPECT_EQ(le::Get32(first->block + 4), 100u) << "the first client's block went to the other peer";
  EXPECT_EQ(le::Get32(second.block + 4), 200u) << "the second client's block went to the other peer";
  EXPECT_EQ(peerA.Batches(), 2);
  EXPECT_EQ(peerB.Batches(), 1);

#ifndef _WIN32
  // Atoms are the client's own here (on Windows they are the system's).
  EXPECT_NE(platform::FindGlobalAtom(first->ipc, first->name.c_str()), 0u);
  EXPECT_EQ(platform::FindGlobalAtom(second.ipc, first->name.c_str()), 0u) << "an atom leaked into the other client";
  EXPECT_EQ(platform::FindGlobalAtom(first->ipc, second.name.c_str()), 0u) << "an atom leaked into the other client";
#endif

  // The first client ends: its block name is free again and the second goes on undisturbed.
  const std::string firstName = first->name;
  first.reset();
  EXPECT_EQ(second.Exchange(5), 205);
  platform::IpcClient third;
  bool existed = true;
  const platform::IpcMapping again = platform::CreateSharedBlock(third, firstName.c_str(), kBlockSize, &existed);
  ASSERT_NE(again, 0u);
  EXPECT_FALSE(existed) << firstName << " outlived its client";
  platform::CloseSharedBlock(third, again);
  EXPECT_EQ(peerA.Batches(), 2);
  EXPECT_EQ(peerB.Batches(), 2);
}

}  // namespace
