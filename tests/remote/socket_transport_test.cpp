#include "remote/socket_transport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace vandrel::remote {
namespace {

// Both ends of a local stream; closed on destruction unless already closed.
struct SocketPair {
  Socket a = kNoSocket;
  Socket b = kNoSocket;
  SocketPair() {
    int ends[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    a = ends[0];
    b = ends[1];
  }
  ~SocketPair() {
    CloseA();
    CloseB();
  }
  void CloseA() {
    if (a != kNoSocket) ::close(a);
    a = kNoSocket;
  }
  void CloseB() {
    if (b != kNoSocket) ::close(b);
    b = kNoSocket;
  }
};

// A connected loopback TCP connection made through Listen, Connect and Accept.
struct TcpPair {
  Socket client = kNoSocket;
  Socket server = kNoSocket;
  TcpPair() {
    Socket listener = Listen(10, "127.0.0.1");
    EXPECT_NE(listener, kNoSocket);
    client = Connect("127.0.0.1", LocalPort(listener));
    EXPECT_NE(client, kNoSocket);
    server = Accept(listener);
    EXPECT_NE(server, kNoSocket);
    Close(listener);
  }
  ~TcpPair() {
    Close(client);
    Close(server);
  }
};

// Everything waiting on the socket without blocking.
std::string Pending(Socket socket) {
  std::string all;
  char chunk[4096];
  ssize_t got;
  while ((got = ::recv(socket, chunk, sizeof chunk, MSG_DONTWAIT)) > 0) all.append(chunk, got);
  return all;
}

void Write(Socket socket, std::string_view bytes) {
  ASSERT_EQ(::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(bytes.size()));
}

std::string Framed(std::string_view payload) {
  std::string packet;
  packet += static_cast<char>(payload.size() >> 8);
  packet += static_cast<char>(payload.size() & 0xff);
  packet += payload;
  return packet;
}

// The lowest descriptor number open() would hand out next: unchanged when a
// failed call left nothing open.
int NextFreeDescriptor() {
  int probe = ::dup(0);
  ::close(probe);
  return probe;
}

struct RecordingTrace : TraceWriter {
  std::vector<std::string> lines;
  void WriteTraceLine(std::string_view line) override { lines.emplace_back(line); }
};

TEST(SocketTransportPackets, EmptyPacketIsTwoZeroBytesAndReadsAsZero) {
  SocketPair pair;
  EXPECT_EQ(SendPacket(pair.a, nullptr, 0), 0u);
  EXPECT_EQ(Pending(pair.b), std::string("\0\0", 2));

  Write(pair.a, std::string("\0\0", 2));
  char buffer[8];
  PacketResult result = ReceivePacket(pair.b, buffer, sizeof buffer);
  EXPECT_EQ(result.received, 0u);
  EXPECT_TRUE(result.headerComplete);
  EXPECT_TRUE(result.Complete());
}

TEST(SocketTransportPackets, HeaderIsBigEndianAndPayloadFollows) {
  SocketPair pair;
  std::string payload(300, 'x');
  EXPECT_EQ(SendPacket(pair.a, payload.data(), payload.size()), 300u);
  EXPECT_EQ(Pending(pair.b), "\x01\x2c" + payload);

  std::string biggest(kMaxPacketPayload, 'y');
  std::thread writer(
      [&] { EXPECT_EQ(SendPacket(pair.a, biggest.data(), biggest.size()), 65535u); });
  std::string received(kMaxPacketPayload, '\0');
  PacketResult result = ReceivePacket(pair.b, received.data(), received.size());
  writer.join();
  EXPECT_TRUE(result.Complete());
  EXPECT_EQ(result.announced, 65535u);
  EXPECT_EQ(received, biggest);

  std::string tooBig(kMaxPacketPayload + 1, 'z');
  EXPECT_EQ(SendPacket(pair.a, tooBig.data(), tooBig.size()), 0u);
  EXPECT_EQ(Pending(pair.b), "");
}

TEST(SocketTransportPackets, ClosedOrCutStreamsGiveShortCounts) {
  char buffer[16];
  {
    SocketPair pair;
    pair.CloseA();
    PacketResult result = ReceivePacket(pair.b, buffer, sizeof buffer);
    EXPECT_EQ(result.received, 0u);
    EXPECT_FALSE(result.headerComplete);
  }
  {
    SocketPair pair;
    Write(pair.a, std::string_view("\0", 1));
    pair.CloseA();
    PacketResult result = ReceivePacket(pair.b, buffer, sizeof buffer);
    EXPECT_EQ(result.received, 1u);
    EXPECT_FALSE(result.headerComplete);
  }
  {
    SocketPair pair;
    Write(pair.a, std::string("\0\x0a"
                              "abc",
                              5));
    pair.CloseA();
    PacketResult result = ReceivePacket(pair.b, buffer, sizeof buffer);
    EXPECT_EQ(result.received, 3u);
    EXPECT_EQ(result.announced, 10u);
    EXPECT_FALSE(result.Complete());
  }
}

TEST(SocketTransportPackets, PayloadArrivingByteByByteIsReassembled) {
  TcpPair tcp;
  const std::string packet = Framed("=GET_FILEINFO PUB.SYS");
  std::thread writer([&] {
    for (char byte : packet) {
      ASSERT_EQ(::send(tcp.client, &byte, 1, MSG_NOSIGNAL), 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  char buffer[64];
  PacketResult result = ReceivePacket(tcp.server, buffer, sizeof buffer);
  writer.join();
  ASSERT_TRUE(result.Complete());
  EXPECT_EQ(std::string(buffer, result.received), "=GET_FILEINFO PUB.SYS");
}

TEST(SocketTransportPackets, TooLongPacketNeverOverrunsAndStreamStaysInStep) {
  SocketPair pair;
  struct {
    char buffer[8];
    std::array<unsigned char, 32> guard;
  } target;
  std::memset(&target, 0xAA, sizeof target);

  std::string longPayload(kMaxPacketPayload, 'L');
  std::thread writer([&] {
    SendPacket(pair.a, "0123456789", 10);
    SendPacket(pair.a, longPayload.data(), longPayload.size());
    SendPacket(pair.a, "next", 4);
  });

  for (std::size_t announced : {10u, 65535u}) {
    PacketResult result = ReceivePacket(pair.b, target.buffer, sizeof target.buffer);
    EXPECT_TRUE(result.headerComplete);
    EXPECT_TRUE(result.tooLong);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.announced, announced);
    EXPECT_EQ(result.received, 0u);
    for (unsigned char byte : target.guard) ASSERT_EQ(byte, 0xAA);
  }
  PacketResult next = ReceivePacket(pair.b, target.buffer, sizeof target.buffer);
  writer.join();
  ASSERT_TRUE(next.Complete());
  EXPECT_EQ(std::string(target.buffer, next.received), "next");
  for (unsigned char byte : target.guard) ASSERT_EQ(byte, 0xAA);
}

// SIGPIPE is caught for the test's length (its default action would end the
// test program) and counted: sending to a closed peer must not raise it.
class SigPipeCounter {
 public:
  SigPipeCounter() {
    count_ = 0;
    struct sigaction action {};
    action.sa_handler = [](int) { count_ = count_ + 1; };
    sigaction(SIGPIPE, &action, &previous_);
  }
  ~SigPipeCounter() { sigaction(SIGPIPE, &previous_, nullptr); }
  int Count() const { return count_; }

 private:
  static inline volatile sig_atomic_t count_ = 0;
  struct sigaction previous_ {};
};

TEST(SocketTransportSending, ClosedPeerFailsTheSendWithoutSigPipe) {
  SigPipeCounter sigpipe;
  {
    SocketPair pair;
    pair.CloseB();
    EXPECT_EQ(SendAll(pair.a, "abc", 3), 0u);
    EXPECT_EQ(SendPacket(pair.a, "abc", 3), 0u);
    EXPECT_EQ(SendCommandText(pair.a, "=ABORT", nullptr), 0u);
  }
  {
    TcpPair tcp;
    Close(tcp.server);
    tcp.server = kNoSocket;
    // The first sends may still be accepted locally; the peer's reset then
    // fails the next ones.
    std::vector<char> block(64 * 1024, 'b');
    bool failed = false;
    for (int attempt = 0; attempt < 100 && !failed; ++attempt) {
      failed = SendAll(tcp.client, block.data(), block.size()) < block.size();
    }
    EXPECT_TRUE(failed);
  }
  EXPECT_EQ(sigpipe.Count(), 0);
}

TEST(SocketTransportCommands, CommandIsTracedAndSentWithoutTerminator) {
  SocketPair pair;
  RecordingTrace trace;
  EXPECT_EQ(SendCommand(pair.a, &trace, "=GET_FILEINFO %s %d", "FILE.PUB", 42), 25u);
  EXPECT_EQ(Pending(pair.b), Framed("=GET_FILEINFO FILE.PUB 42"));
  ASSERT_EQ(trace.lines.size(), 1u);
  EXPECT_EQ(trace.lines[0], "=GET_FILEINFO FILE.PUB 42");

  // The buffer holds 2,047 characters and the terminator.
  std::string longest(kCommandBufferSize - 1, 'c');
  EXPECT_EQ(SendCommand(pair.a, &trace, "%s", longest), longest.size());
  EXPECT_EQ(Pending(pair.b), Framed(longest));
  EXPECT_EQ(SendCommand(pair.a, &trace, "%s!", longest), 0u);
  EXPECT_EQ(SendCommand(pair.a, &trace, "%d", "not a number"), 0u);
  EXPECT_EQ(Pending(pair.b), "");
  EXPECT_EQ(trace.lines.size(), 2u);

  EXPECT_EQ(SendCommand(pair.a, nullptr, "=BYE"), 4u);
  EXPECT_EQ(Pending(pair.b), Framed("=BYE"));
}

TEST(SocketTransportCommands, ReplyUpToSizeMinusOneIsReturnedWholeAndTraced) {
  SocketPair pair;
  RecordingTrace trace;
  std::string reply;
  const std::string exact(15, 'r');
  Write(pair.a, Framed(exact) + Framed("OK") + Framed(exact + "!") + Framed("after"));

  EXPECT_EQ(ReceiveReply(pair.b, reply, 16, &trace), 15u);
  EXPECT_EQ(reply, exact);
  EXPECT_EQ(ReceiveReply(pair.b, reply, 16, &trace), 2u);
  EXPECT_EQ(reply, "OK");
  // One byte over: refused, and the following reply still reads in step.
  EXPECT_EQ(ReceiveReply(pair.b, reply, 16, &trace), 0u);
  EXPECT_EQ(reply, "");
  EXPECT_EQ(ReceiveReply(pair.b, reply, 16, &trace), 5u);
  EXPECT_EQ(reply, "after");
  EXPECT_EQ(trace.lines, (std::vector<std::string>{exact, "OK", "after"}));

  // A reply cut short by the peer closing is not taken for a good one.
  Write(pair.a, std::string("\0\x08"
                            "part",
                            6));
  pair.CloseA();
  EXPECT_EQ(ReceiveReply(pair.b, reply, 16, &trace), 0u);
  EXPECT_EQ(reply, "");
  EXPECT_EQ(ReceiveReply(pair.b, reply, 16, &trace), 0u);
  EXPECT_EQ(trace.lines.size(), 3u);
}

TEST(SocketTransportConnections, ConnectsByAddress) {
  Socket listener = Listen(10, "127.0.0.1");
  ASSERT_NE(listener, kNoSocket);
  std::uint16_t port = LocalPort(listener);
  ASSERT_NE(port, 0);

  Socket client = Connect("127.0.0.1", port);
  ASSERT_NE(client, kNoSocket);
  Socket server = Accept(listener);
  ASSERT_NE(server, kNoSocket);
  EXPECT_EQ(SendPacket(client, "hi", 2), 2u);
  char buffer[4];
  PacketResult result = ReceivePacket(server, buffer, sizeof buffer);
  EXPECT_TRUE(result.Complete());
  EXPECT_EQ(std::string(buffer, result.received), "hi");
  Close(client);
  Close(server);
  Close(listener);
  Close(kNoSocket);
}

TEST(SocketTransportConnections, FailedConnectLeavesNothingOpen) {
  // A port nobody listens on any more: refused.
  Socket listener = Listen(10, "127.0.0.1");
  ASSERT_NE(listener, kNoSocket);
  std::uint16_t port = LocalPort(listener);
  Close(listener);
  const int free = NextFreeDescriptor();
  EXPECT_EQ(Connect("127.0.0.1", port), kNoSocket);
  EXPECT_EQ(errno, ECONNREFUSED);
  EXPECT_EQ(NextFreeDescriptor(), free);
}

TEST(SocketTransportConnections, ListenPicksDistinctPortsAndHonoursTheBindAddress) {
  Socket first = Listen(10, "127.0.0.1");
  Socket second = Listen(10, "127.0.0.1");
  ASSERT_NE(first, kNoSocket);
  ASSERT_NE(second, kNoSocket);
  EXPECT_NE(LocalPort(first), 0);
  EXPECT_NE(LocalPort(first), LocalPort(second));

  Socket loopback = Listen(10, "127.0.0.1");
  ASSERT_NE(loopback, kNoSocket);
  sockaddr_in bound{};
  socklen_t size = sizeof bound;
  ASSERT_EQ(::getsockname(loopback, reinterpret_cast<sockaddr*>(&bound), &size), 0);
  EXPECT_EQ(ntohl(bound.sin_addr.s_addr), INADDR_LOOPBACK);

  // A chosen port can be asked for again as soon as it is free.
  std::uint16_t port = LocalPort(loopback);
  Close(loopback);
  Socket again = Listen(10, "127.0.0.1", port);
  ASSERT_NE(again, kNoSocket);
  EXPECT_EQ(LocalPort(again), port);
  // ... and not while it is taken.
  EXPECT_EQ(Listen(10, "127.0.0.1", port), kNoSocket);

  Close(first);
  Close(second);
  Close(again);
  EXPECT_EQ(LocalPort(kNoSocket), 0);
}

}  // namespace
}  // namespace vandrel::remote
