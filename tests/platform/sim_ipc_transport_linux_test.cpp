// The Linux IPC transport's socket protocol as orvane-sim serves it: hello, replies, and malformed requests.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "sources/sim_ipc_client.h"
#include "support/sim_peer.h"
#include "platform/byte_order.h"

namespace {

// A raw connection to the peer of class UIPCMAIN in this test program's namespace.
class RawConnection {
 public:
  RawConnection() {
    std::string path = "orvane-ipc:";
    const char* ns = std::getenv("ORVANE_IPC_NAMESPACE");
    if (ns && *ns) path += std::string(ns) + ":";
    path += "UIPCMAIN";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, path.data(), path.size());
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + path.size());
    if (fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&addr), length) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~RawConnection() {
    if (fd_ >= 0) close(fd_);
  }
  bool Connected() const { return fd_ >= 0; }
  bool Send(const std::vector<uint8_t>& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
  }
  // Up to `size` bytes within 3 s; fewer when the peer closed the connection.
  std::vector<uint8_t> Receive(size_t size) {
    std::vector<uint8_t> out;
    while (out.size() < size) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 3000) <= 0) break;
      uint8_t buf[64];
      const ssize_t n = recv(fd_, buf, std::min(sizeof buf, size - out.size()), 0);
      if (n <= 0) break;
      out.insert(out.end(), buf, buf + n);
    }
    return out;
  }
  // True when the peer closes the connection within 3 s.
  bool ClosedByPeer() {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 3000) <= 0) return false;
    uint8_t b;
    return recv(fd_, &b, 1, 0) <= 0;  // end of stream, or reset when our bytes were left unread
  }

 private:
  int fd_ = -1;
};

std::vector<uint8_t> Request(uint32_t magic, uint32_t sequence, uint32_t message, const std::string& name,
                             uint16_t nameLength) {
  std::vector<uint8_t> r(30 + name.size(), 0);
  le::Put32(r.data(), magic);
  le::Put32(r.data() + 4, sequence);
  le::Put32(r.data() + 8, message);
  r[28] = uint8_t(nameLength);
  r[29] = uint8_t(nameLength >> 8);
  if (!name.empty()) std::memcpy(r.data() + 30, name.data(), name.size());
  return r;
}

constexpr uint32_t kRequestMagic = 0x5150494F;
constexpr uint32_t kReplyMagic = 0x5250494F;
constexpr uint32_t kHelloMagic = 0x4850494F;

class SimIpcTransportTest : public ::testing::Test, public SimIpcClient {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim_.Start({}, error)) << error;
  }
  void TearDown() override {
    SimIpcClose();
    EXPECT_EQ(sim_.Stop(), 0) << sim_.Log();
  }
  orvane_test::SimPeer sim_;
};

TEST_F(SimIpcTransportTest, HelloAndReplyCarryMagicAndSequence) {
  RawConnection c;
  ASSERT_TRUE(c.Connected());
  const std::vector<uint8_t> hello = c.Receive(12);
  ASSERT_EQ(hello.size(), 12u);
  EXPECT_EQ(le::Get32(hello.data()), kHelloMagic);

  // A block name that does not exist: performed nowhere, answered 0 with our sequence number.
  const std::string name = "NoSuchBlock:" + std::to_string(getpid());
  ASSERT_TRUE(c.Send(Request(kRequestMagic, 77, platform::RegisterIpcMessage("FsasmLib:IPC"), name,
                             uint16_t(name.size()))));
  const std::vector<uint8_t> reply = c.Receive(12);
  ASSERT_EQ(reply.size(), 12u);
  EXPECT_EQ(le::Get32(reply.data()), kReplyMagic);
  EXPECT_EQ(le::Get32(reply.data() + 4), 77u);
  EXPECT_EQ(le::Get32(reply.data() + 8), 0u);
}

TEST_F(SimIpcTransportTest, MalformedRequestsDropOnlyTheirConnection) {
  {
    RawConnection c;
    ASSERT_EQ(c.Receive(12).size(), 12u);
    ASSERT_TRUE(c.Send(std::vector<uint8_t>(64, 0xEE)));
    EXPECT_TRUE(c.ClosedByPeer()) << "garbage must end the connection";
  }
  {
    RawConnection c;
    ASSERT_EQ(c.Receive(12).size(), 12u);
    ASSERT_TRUE(c.Send(Request(kRequestMagic, 1, 0xC000, "x", 0xFFFF)));
    EXPECT_TRUE(c.ClosedByPeer()) << "an oversized name length must end the connection";
  }
  {
    RawConnection c;
    ASSERT_EQ(c.Receive(12).size(), 12u);
    std::vector<uint8_t> half = Request(kRequestMagic, 1, 0xC000, "abc", 3);
    half.resize(17);
    ASSERT_TRUE(c.Send(half));
  }  // closed half-way through a request
  {
    // A name with a slash is no block name: answered 0, connection kept.
    RawConnection c;
    ASSERT_EQ(c.Receive(12).size(), 12u);
    ASSERT_TRUE(c.Send(Request(kRequestMagic, 5, platform::RegisterIpcMessage("FsasmLib:IPC"), "../x", 4)));
    const std::vector<uint8_t> reply = c.Receive(12);
    ASSERT_EQ(reply.size(), 12u);
    EXPECT_EQ(le::Get32(reply.data() + 8), 0u);
  }
  // The peer still serves a real client.
  uint32_t code = 99;
  ASSERT_TRUE(SimIpcOpen(0, &code)) << code;
  uint8_t value[4] = {};
  ASSERT_TRUE(SimIpcRead(0x3304, 4, value, &code));
  ASSERT_TRUE(SimIpcProcess(&code)) << code;
  EXPECT_GE(le::Get32(value), 0x19980005u);
}

TEST_F(SimIpcTransportTest, SharedBlockNamesAreExclusiveAndFreedByTheirCreator) {
  const std::string name = "OrvaneTransportTest:" + std::to_string(getpid());
  platform::IpcClient ipc;
  bool existed = true;
  const platform::IpcMapping first = platform::CreateSharedBlock(ipc, name.c_str(), 0x8000, &existed);
  ASSERT_NE(first, 0u);
  EXPECT_FALSE(existed);
  const platform::IpcMapping second = platform::CreateSharedBlock(ipc, name.c_str(), 0x8000, &existed);
  ASSERT_NE(second, 0u) << "an existing name is opened all the same";
  EXPECT_TRUE(existed);
  // Both see the same bytes.
  uint8_t* a = static_cast<uint8_t*>(platform::MapSharedBlock(ipc, first, 0x8000));
  uint8_t* b = static_cast<uint8_t*>(platform::MapSharedBlock(ipc, second, 0x8000));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  a[100] = 0x42;
  EXPECT_EQ(b[100], 0x42);
  platform::UnmapSharedBlock(a, 0x8000);
  platform::UnmapSharedBlock(b, 0x8000);
  platform::CloseSharedBlock(ipc, second);  // not the creator: the name stays
  const platform::IpcMapping third = platform::CreateSharedBlock(ipc, name.c_str(), 0x8000, &existed);
  EXPECT_NE(third, 0u);
  EXPECT_TRUE(existed);
  platform::CloseSharedBlock(ipc, third);
  platform::CloseSharedBlock(ipc, first);  // the creator frees the name
  const platform::IpcMapping again = platform::CreateSharedBlock(ipc, name.c_str(), 0x8000, &existed);
  ASSERT_NE(again, 0u);
  EXPECT_FALSE(existed);
  platform::CloseSharedBlock(ipc, again);
}

}  // namespace
