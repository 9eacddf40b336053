// orvane-sim's peer side driven with raw transport calls: malformed batches, foreign messages, unknown blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "support/sim_peer.h"
#include "platform/byte_order.h"

namespace {

constexpr uint32_t kBlockSize = 0x8000;

// A running orvane-sim and a block of our own, sent to it without the client's checks.
class SimPeerBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim_.Start({"--freeze"}, error)) << error;
    window_ = platform::FindIpcWindow(ipc_, "UIPCMAIN");
    message_ = platform::RegisterIpcMessage("FsasmLib:IPC");
    name_ = "OrvanePeerTest:" + std::to_string(platform::CurrentProcessId());
    atom_ = platform::AddGlobalAtom(ipc_, name_.c_str());
    bool existed = false;
    mapping_ = platform::CreateSharedBlock(ipc_, name_.c_str(), kBlockSize, &existed);
    ASSERT_NE(mapping_, 0u);
    ASSERT_FALSE(existed);
    block_ = static_cast<uint8_t*>(platform::MapSharedBlock(ipc_, mapping_, kBlockSize));
    ASSERT_NE(block_, nullptr);
    ASSERT_NE(window_, 0u);
    ASSERT_NE(atom_, 0u);
    std::memset(block_, 0, kBlockSize);
  }

  void TearDown() override {
    if (block_) platform::UnmapSharedBlock(block_, kBlockSize);
    if (mapping_) platform::CloseSharedBlock(ipc_, mapping_);
    if (atom_) platform::DeleteGlobalAtom(ipc_, atom_);
    EXPECT_EQ(sim_.Stop(), 0) << sim_.Log();
  }

  // The peer's answer to one message, or -1 when none came.
  long long Send(uint32_t message, uintptr_t atom) {
    uintptr_t reply = 0;
    if (!platform::SendIpcMessage(ipc_, window_, message, atom, 0, 2000, &reply)) return -1;
    return static_cast<long long>(reply);
  }
  long long SendBatch() { return Send(message_, atom_); }

  // Puts a read record at `pos`; returns the position after it.
  uint32_t PutRead(uint32_t pos, uint32_t offset, uint32_t size) {
    le::Put32(block_ + pos, 1);
    le::Put32(block_ + pos + 4, offset);
    le::Put32(block_ + pos + 8, size);
    le::Put32(block_ + pos + 12, 0x12345678);
    return pos + 16 + size;
  }

  // A well-formed batch still works: the peer survived whatever came before.
  void ExpectHealthy() {
    std::memset(block_, 0, kBlockSize);
    const uint32_t end = PutRead(0, 0x3304, 4);
    le::Put32(block_ + end, 0);
    EXPECT_EQ(SendBatch(), 1);
    EXPECT_GE(le::Get32(block_ + 16), 0x19980005u);
    EXPECT_EQ(le::Get32(block_ + 12), 0x12345678u) << "the peer must leave the destination field alone";
  }

  orvane_test::SimPeer sim_;
  platform::IpcClient ipc_;
  platform::IpcWindow window_ = 0;
  uint32_t message_ = 0;
  std::string name_;
  uint16_t atom_ = 0;
  platform::IpcMapping mapping_ = 0;
  uint8_t* block_ = nullptr;
};

TEST_F(SimPeerBatchTest, RecordsRunningOffTheBlockEndTheBatchWithoutAnAnswerOfOne) {
  // A read whose size reaches far past the block.
  PutRead(0, 0x3304, 0x7FFFFFFF);
  EXPECT_EQ(SendBatch(), 0);
  ExpectHealthy();

  // A header cut off by the end of the block.
  std::memset(block_, 0, kBlockSize);
  const uint32_t pos = kBlockSize - 8;
  le::Put32(block_, 2);  // a write whose data fills the block up to `pos`
  le::Put32(block_ + 4, 0x6000);
  le::Put32(block_ + 8, pos - 12);
  le::Put32(block_ + pos, 1);
  le::Put32(block_ + pos + 4, 0x3304);
  EXPECT_EQ(SendBatch(), 0);
  ExpectHealthy();

  // No end marker at all: records up to the last byte.
  std::memset(block_, 0, kBlockSize);
  le::Put32(block_, 2);
  le::Put32(block_ + 4, 0x6000);
  le::Put32(block_ + 8, kBlockSize - 12);
  EXPECT_EQ(SendBatch(), 0);
  ExpectHealthy();
}

TEST_F(SimPeerBatchTest, UnknownIdentifierEndsTheBatch) {
  uint32_t pos = PutRead(0, 0x3304, 4);
  le::Put32(block_ + pos, 7);
  EXPECT_EQ(SendBatch(), 0);
  EXPECT_GE(le::Get32(block_ + 16), 0x19980005u) << "records before the bad one are performed";
  ExpectHealthy();
}

TEST_F(SimPeerBatchTest, RangesOutsideTheDataAreaReadZerosAndWriteNothing) {
  // A write straddling the end of the area is dropped, a read there gives zeros.
  le::Put32(block_, 2);
  le::Put32(block_ + 4, 0xFFFE);
  le::Put32(block_ + 8, 4);
  le::Put32(block_ + 12, 0xFFFFFFFF);
  uint32_t pos = 16;
  pos = PutRead(pos, 0xFFFE, 2);
  std::memset(block_ + pos - 2, 0xAB, 2);
  const uint32_t farPos = pos;
  pos = PutRead(pos, 0xFFFFFFF0u, 0x20);
  std::memset(block_ + farPos + 16, 0xCD, 0x20);
  le::Put32(block_ + pos, 0);
  EXPECT_EQ(SendBatch(), 1);
  EXPECT_EQ(block_[16 + 16], 0);
  EXPECT_EQ(block_[16 + 17], 0);
  for (uint32_t i = 0; i < 0x20; ++i) ASSERT_EQ(block_[farPos + 16 + i], 0) << i;
}

TEST_F(SimPeerBatchTest, ForeignMessagesAndUnknownBlocksAreNotPerformed) {
  PutRead(0, 0x3304, 4);
  EXPECT_EQ(Send(platform::RegisterIpcMessage("SomeOtherMessage"), atom_), 0);
  EXPECT_EQ(le::Get32(block_ + 16), 0u) << "a foreign message must not perform the batch";

  const std::string orphan = name_ + ":orphan";
  const uint16_t orphanAtom = platform::AddGlobalAtom(ipc_, orphan.c_str());
  ASSERT_NE(orphanAtom, 0u);
  EXPECT_EQ(Send(message_, orphanAtom), 0) << "an atom naming no block";
  platform::DeleteGlobalAtom(ipc_, orphanAtom);
  ExpectHealthy();
}

}  // namespace
