// Transfers far larger than any buffer the agent should keep: a file of
// 200 MiB goes down and a file of 200 MiB comes back up through the tandrill
// executable, and the agent's peak resident memory must stay far below the
// file's size, so neither direction may hold the file whole. The test's own
// side streams too: it makes, sends and checks the bytes piece by piece.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

#include "data_port.h"
#include "raw_client.h"
#include "support/agent_process.h"

namespace vandrel::testing {
namespace {

constexpr std::uint64_t kFileSize = 200ull << 20;
// Well below the file, well above what the agent needs with sanitizers on
// (about 30 MB when this was written): a copy of the file in memory fails it.
constexpr long kPeakMemoryLimitKb = 100 * 1024;
constexpr int kTimeoutMs = 60000;

// Content that differs at every position yet costs only block copies to make
// and to check: a random block of an odd length repeated, each copy starting
// with its own number, so a lost, repeated or misplaced packet shows.
class Pattern {
 public:
  explicit Pattern(std::uint64_t seed) : block_(kBlock, '\0') {
    std::mt19937_64 random(seed);
    for (char& byte : block_) byte = static_cast<char>(random());
  }

  void Fill(std::uint64_t offset, char* out, std::size_t count) const {
    ForEachPiece(offset, count, [&](const char* expected, std::size_t length, std::size_t at) {
      std::memcpy(out + at, expected, length);
      return true;
    });
  }
  bool Matches(std::uint64_t offset, const char* bytes, std::size_t count) const {
    return ForEachPiece(offset, count,
                        [&](const char* expected, std::size_t length, std::size_t at) {
                          return std::memcmp(bytes + at, expected, length) == 0;
                        });
  }

 private:
  static constexpr std::size_t kBlock = 1'000'003;
  static constexpr std::size_t kStamp = sizeof(std::uint64_t);

  // Calls visit(expected bytes, length, position in the range) for each
  // piece of [offset, offset + count) in turn, while it returns true.
  template <typename Visit>
  bool ForEachPiece(std::uint64_t offset, std::size_t count, Visit visit) const {
    std::size_t at = 0;
    while (at < count) {
      const std::uint64_t number = offset / kBlock;
      const std::size_t within = static_cast<std::size_t>(offset % kBlock);
      char stamp[kStamp];
      std::memcpy(stamp, &number, kStamp);
      const char* expected = within < kStamp ? stamp + within : block_.data() + within;
      const std::size_t end = within < kStamp ? kStamp : kBlock;
      const std::size_t length = std::min(end - within, count - at);
      if (!visit(expected, length, at)) return false;
      at += length;
      offset += length;
    }
    return true;
  }

  std::string block_;
};

// The tandrill executable, whose peak memory this test watches.
class AgentChild {
 public:
  explicit AgentChild(const std::filesystem::path& root)
      : process_({"--root", root.string(), "--port", "0", "--no-login", "--personality", "posix"}),
        port_(process_.ReadPort(kTimeoutMs)) {}

  std::uint16_t port() const { return port_; }
  long PeakMemoryKb() const { return process_.PeakMemoryKb(); }
  int Terminate() { return process_.Terminate(); }

 private:
  AgentProcess process_;
  std::uint16_t port_ = 0;
};

void WritePatternFile(const std::filesystem::path& path, const Pattern& pattern,
                      std::uint64_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<char> chunk(1 << 20);
  for (std::uint64_t done = 0; done < size;) {
    const std::size_t length =
        static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - done));
    pattern.Fill(done, chunk.data(), length);
    out.write(chunk.data(), static_cast<std::streamsize>(length));
    done += length;
  }
}

// Whether the file holds exactly `size` bytes of the pattern.
bool FileMatches(const std::filesystem::path& path, const Pattern& pattern, std::uint64_t size) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  std::uint64_t done = 0;
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (done + got > size || !pattern.Matches(done, chunk.data(), got)) return false;
    done += got;
  }
  return done == size;
}

TEST(AgentLargeTransfers, StreamBothWaysWithoutHoldingTheFile) {
  TempDir dir;
  const auto root = dir / "root";
  std::filesystem::create_directories(root);
  const Pattern down(1);
  const Pattern up(2);
  WritePatternFile(root / "big.bin", down, kFileSize);

  AgentChild agent(root);
  ASSERT_NE(agent.port(), 0) << "tandrill did not start";
  RawClient client(agent.port());
  ASSERT_EQ(client.Receive().value_or("<none>").substr(0, 2), "0 ");
  ASSERT_EQ(client.Receive().value_or("<none>"), "0 0");
  const long startKb = agent.PeakMemoryKb();

  {
    DataPort data(kTimeoutMs);
    ASSERT_TRUE(client.Send("=SEND_FILE " + std::to_string(data.port()) + " 65535 B 1 /big.bin"));
    ASSERT_TRUE(data.Accept());
    std::vector<char> buffer;
    std::size_t length = 0;
    ASSERT_TRUE(data.ReceivePacket(buffer, &length));
    ASSERT_EQ(length, 4u);
    const auto* size = reinterpret_cast<const unsigned char*>(buffer.data());
    EXPECT_EQ((std::uint64_t{size[0]} << 24) | (size[1] << 16) | (size[2] << 8) | size[3],
              kFileSize);
    std::uint64_t received = 0;
    bool same = true;
    while (true) {
      ASSERT_TRUE(data.ReceivePacket(buffer, &length)) << "broken off after " << received;
      if (length == 0) break;
      ASSERT_LE(length, 65535u);
      same =
          same && received + length <= kFileSize && down.Matches(received, buffer.data(), length);
      received += length;
    }
    EXPECT_EQ(received, kFileSize);
    EXPECT_TRUE(same) << "the downloaded bytes differ from the file";
    EXPECT_EQ(client.Receive(kTimeoutMs).value_or("<none>"), "0");
  }
  const long afterDownloadKb = agent.PeakMemoryKb();

  {
    DataPort data(kTimeoutMs);
    ASSERT_TRUE(client.Send("=RECV_FILE " + std::to_string(data.port()) + " 32767 B 0 /copy.bin"));
    ASSERT_TRUE(data.Accept());
    std::vector<char> packet(2 + 32767);
    for (std::uint64_t sent = 0; sent < kFileSize;) {
      const std::size_t length =
          static_cast<std::size_t>(std::min<std::uint64_t>(32767, kFileSize - sent));
      up.Fill(sent, packet.data() + 2, length);
      ASSERT_TRUE(data.SendPacket(packet, length)) << "stopped after " << sent;
      sent += length;
    }
    data.CloseData();  // the end of an upload
    EXPECT_EQ(client.Receive(kTimeoutMs).value_or("<none>"), "0");
  }
  const long peakKb = agent.PeakMemoryKb();
  EXPECT_TRUE(FileMatches(root / "copy.bin", up, kFileSize))
      << "the uploaded file differs from what was sent";

  RecordProperty("agent_peak_kb_start", std::to_string(startKb));
  RecordProperty("agent_peak_kb_after_download", std::to_string(afterDownloadKb));
  RecordProperty("agent_peak_kb_after_upload", std::to_string(peakKb));
  ASSERT_GT(peakKb, 0);
  EXPECT_LT(peakKb, kPeakMemoryLimitKb)
      << "peak resident memory " << peakKb << " kB at the start " << startKb
      << " kB, after the download " << afterDownloadKb << " kB";
  EXPECT_EQ(agent.Terminate(), 0);
}

}  // namespace
}  // namespace vandrel::testing
