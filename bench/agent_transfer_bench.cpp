// File transfers through tandrill, against the same packets moved over plain
// TCP on the loopback address in the same run.
//
// The tandrill executable runs as a child process over a fresh tree (no
// login, POSIX personality) and this program is its client: it downloads a
// file of 100 MB in mode B ("=SEND_FILE", packets of up to 65,535 bytes) and
// uploads 100 MB ("=RECV_FILE", packets of up to 32,767 bytes, as the editor
// sends them). The baselines are the same packets between two threads of
// this program: the sending side frames them as the agent and the editor do
// (one sendmsg per packet), the receiving side reads the stream in large
// pieces so that it is not what limits the speed. The ratios against them
// show what the agent costs. Further lines, for comparison, give one thread
// doing the file work the agent must do (reading the file; writing it,
// fsync and rename), and the download read packet by packet as the editor's
// transport reads it.
//
// Every run's bytes are checked, so a broken transfer cannot pass for a fast
// one. Runs are interleaved and the median counts.
//
//   bench_agent_transfer            (arguments meant for other benchmarks are ignored)
// Environment: VANDREL_TANDRILL, the executable (default: the build's own);
// VANDREL_AGENT_BENCH_MB, the size in MB (default 100).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/transfer_support.h"
#include "remote/socket_transport.h"

using namespace vandrel;

namespace {

using namespace vandrel::bench;

constexpr int kRuns = 7;
constexpr std::size_t kDownloadPacket = 65535;
constexpr std::size_t kUploadPacket = 32767;
constexpr int kTimeoutSeconds = 60;
constexpr double kTarget = 0.80;

// ---- The two ends of a stream -------------------------------------------------

// A download as a fast client reads it: the 4-byte size, then packets
// compared with `expected` as they come, then the empty packet.
void ReceiveDownload(remote::Socket socket, const std::vector<char>& expected) {
  std::size_t sizeBytes = 0;
  std::uint64_t announced = 0;
  std::size_t done = 0;
  const StreamEnd end =
      ReadPackets(socket, [&](std::size_t packet, const char* bytes, std::size_t length) {
        if (packet == 0) {
          for (std::size_t i = 0; i < length; ++i) {
            announced = (announced << 8) | static_cast<unsigned char>(bytes[i]);
          }
          return (sizeBytes += length) <= 4;
        }
        if (done + length > expected.size() ||
            std::memcmp(bytes, expected.data() + done, length) != 0) {
          return false;
        }
        done += length;
        return true;
      });
  if (end != StreamEnd::kEmptyPacket) Die("download stream broken off or wrong bytes");
  if (sizeBytes != 4 || announced != expected.size()) Die("wrong size packet");
  if (done != expected.size()) Die("download short");
}

// The same as the editor's transport reads it: each packet's header, then
// its payload.
void ReceiveDownloadPacketwise(remote::Socket socket, const std::vector<char>& expected) {
  unsigned char size[4];
  if (!remote::ReceivePacket(socket, size, sizeof size).Complete()) Die("no size packet");
  std::vector<char> buffer(kDownloadPacket);
  std::size_t done = 0;
  while (true) {
    const remote::PacketResult packet = remote::ReceivePacket(socket, buffer.data(), buffer.size());
    if (!packet.Complete()) Die("download stream broken off");
    if (packet.received == 0) break;
    if (done + packet.received > expected.size() ||
        std::memcmp(buffer.data(), expected.data() + done, packet.received) != 0) {
      Die("wrong bytes in the download");
    }
    done += packet.received;
  }
  if (done != expected.size()) Die("download short");
}

// ---- The agent --------------------------------------------------------------

class AgentSession {
 public:
  explicit AgentSession(std::uint16_t port) {
    socket_ = remote::Connect("127.0.0.1", port);
    if (socket_ == remote::kNoSocket) Die("connecting to tandrill");
    SetTimeouts(socket_);
    if (Reply().rfind("0 ", 0) != 0) Die("no greeting");
    if (Reply() != "0 0") Die("no session-port reply");
  }
  ~AgentSession() { remote::Close(socket_); }

  void Send(const std::string& command) {
    if (remote::SendPacket(socket_, command.data(), command.size()) != command.size()) {
      Die("sending " + command);
    }
  }
  std::string Reply() {
    std::string reply;
    remote::ReceiveReply(socket_, reply, 1024, nullptr);
    return reply;
  }

 private:
  remote::Socket socket_ = remote::kNoSocket;
};

// ---- Measurements -------------------------------------------------------------

// The download's packets between two threads of this program. With `file`,
// the sending thread reads it in packet-sized pieces as it goes, as any
// server of the file must; without, it sends from memory.
double RawDownload(const std::vector<char>& source, const fs::path* file) {
  const remote::Socket listener = remote::Listen(1, "127.0.0.1");
  const std::uint16_t port = remote::LocalPort(listener);
  const auto start = Clock::now();
  std::thread server([&] {
    const remote::Socket socket = remote::Connect("127.0.0.1", port);
    if (socket == remote::kNoSocket) Die("baseline connect");
    SendSizePacket(socket, source.size());
    if (file) {
      const int fd = ::open(file->c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) Die("open " + file->string());
      std::vector<char> buffer(kDownloadPacket);
      while (true) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Die("read " + file->string());
        if (got == 0) break;
        SendPackets(socket, buffer.data(), static_cast<std::size_t>(got), kDownloadPacket);
      }
      ::close(fd);
    } else {
      SendPackets(socket, source.data(), source.size(), kDownloadPacket);
    }
    if (remote::SendPacket(socket, "", 0) != 0) Die("baseline end packet");
    remote::Close(socket);
  });
  const remote::Socket socket = AcceptWithin(listener, "the baseline download");
  ReceiveDownload(socket, source);
  const auto end = Clock::now();
  server.join();
  remote::Close(socket);
  remote::Close(listener);
  return Seconds(start, end);
}

// The upload's packets between two threads of this program. With `target`,
// the receiving thread writes each payload part to a new file beside the
// target as it comes (and makes it durable when `sync`) and renames it into
// place, as the agent does; without, it keeps nothing.
double RawUpload(const std::vector<char>& source, const fs::path* target, bool sync) {
  const remote::Socket listener = remote::Listen(1, "127.0.0.1");
  const std::uint16_t port = remote::LocalPort(listener);
  const auto start = Clock::now();
  std::size_t received = 0;
  std::thread server([&] {
    const remote::Socket socket = remote::Connect("127.0.0.1", port);
    if (socket == remote::kNoSocket) Die("baseline connect");
    const fs::path temporary = target ? fs::path(target->string() + ".new") : fs::path();
    const int fd =
        target ? ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    if (target && fd < 0) Die("create " + temporary.string());
    const StreamEnd end =
        ReadPackets(socket, [&](std::size_t, const char* bytes, std::size_t length) {
          if (fd >= 0) WriteAll(fd, bytes, length);
          received += length;
          return true;
        });
    if (end == StreamEnd::kBroken) Die("baseline upload broken off");
    remote::Close(socket);
    if (target) {
      if ((sync && ::fsync(fd) != 0) || ::close(fd) != 0) Die("fsync " + temporary.string());
      if (::rename(temporary.c_str(), target->c_str()) != 0) Die("rename");
    }
  });
  const remote::Socket socket = AcceptWithin(listener, "the baseline upload");
  SendPackets(socket, source.data(), source.size(), kUploadPacket);
  ::close(socket);  // no shutdown: the reader must see the end after the data
  server.join();
  const auto end = Clock::now();
  remote::Close(listener);
  if (received != source.size()) Die("baseline upload short");
  if (target && !sync) {
    // Left durable, untimed, so the next run does not pay for this one.
    const int fd = ::open(target->c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
      ::fsync(fd);
      ::close(fd);
    }
  }
  return Seconds(start, end);
}

double AgentDownload(AgentSession& session, const std::string& hostPath,
                     const std::vector<char>& expected, bool packetwise) {
  const remote::Socket listener = remote::Listen(1, "127.0.0.1");
  const auto start = Clock::now();
  session.Send("=SEND_FILE " + std::to_string(remote::LocalPort(listener)) + " 65535 B 1 " +
               hostPath);
  const remote::Socket socket = AcceptWithin(listener, "the download");
  if (packetwise) {
    ReceiveDownloadPacketwise(socket, expected);
  } else {
    ReceiveDownload(socket, expected);
  }
  const std::string reply = session.Reply();
  const auto end = Clock::now();
  remote::Close(socket);
  remote::Close(listener);
  if (reply != "0") Die("download answered \"" + reply + "\"");
  return Seconds(start, end);
}

struct UploadTimes {
  double total = 0;   // command to reply
  double stream = 0;  // command to the data connection's close
};

UploadTimes AgentUpload(AgentSession& session, const std::string& hostPath,
                        const std::vector<char>& source) {
  const remote::Socket listener = remote::Listen(1, "127.0.0.1");
  const auto start = Clock::now();
  session.Send("=RECV_FILE " + std::to_string(remote::LocalPort(listener)) + " 32767 B 0 " +
               hostPath);
  const remote::Socket socket = AcceptWithin(listener, "the upload");
  SendPackets(socket, source.data(), source.size(), kUploadPacket);
  ::close(socket);
  const auto streamed = Clock::now();
  const std::string reply = session.Reply();
  const auto end = Clock::now();
  remote::Close(listener);
  if (reply != "0") Die("upload answered \"" + reply + "\"");
  return {Seconds(start, end), Seconds(start, streamed)};
}

void Print(const Series& series, std::size_t bytes) {
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("  %-46s %7.0f MB/s median %7.0f MB/s best %7.1f ms median\n", series.name,
              mb / series.Median(), mb / series.Best(), series.Median() * 1e3);
}

void PrintRatio(const char* name, const Series& measured, const Series& baseline) {
  const double ratio = baseline.Median() / measured.Median();
  std::printf("  %-46s %5.2f  (target at least %.2f) %s\n", name, ratio, kTarget,
              ratio >= kTarget ? "PASS" : "BELOW");
}

void PrintComparison(const char* name, const Series& measured, const Series& reference) {
  std::printf("  %-46s %5.2f\n", name, reference.Median() / measured.Median());
}

}  // namespace

int main() {
  Bench.name = "bench_agent_transfer";
  Bench.timeoutSeconds = kTimeoutSeconds;
  std::size_t megabytes = 100;
  if (const char* text = std::getenv("VANDREL_AGENT_BENCH_MB")) {
    megabytes = static_cast<std::size_t>(std::atoll(text));
    if (megabytes < 1 || megabytes > 4000) {
      std::fprintf(stderr, "bench_agent_transfer: VANDREL_AGENT_BENCH_MB: 1 to 4000\n");
      return 2;
    }
  }
  const std::size_t size = megabytes * 1'000'000;
  const fs::path program = TandrillPath();
  if (::access(program.c_str(), X_OK) != 0) {
    Die("no tandrill executable at " + program.string() +
        " (build the tandrill target, or set VANDREL_TANDRILL)");
  }

  std::string pattern = (fs::temp_directory_path() / "zvd-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Die("mkdtemp");
  const fs::path folder(pattern);
  Bench.folder = folder;
  std::atexit(CleanUp);
  const fs::path root = folder / "root";
  fs::create_directories(root);

  const std::vector<char> download = Pattern(size, 1);
  const std::vector<char> upload = Pattern(size, 2);
  const fs::path downFile = root / "down.bin";
  {
    const int fd = ::open(downFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) Die("create down.bin");
    WriteAll(fd, download.data(), download.size());
    if (::fsync(fd) != 0 || ::close(fd) != 0) Die("write down.bin");
  }

  const std::uint16_t port = StartAgent(program, root);
  AgentSession session(port);

  std::printf("agent transfers: %zu MB, mode B, tandrill %s, median of %d interleaved runs\n",
              megabytes, program.c_str(), kRuns);
  std::printf("  load average before: %s\n", LoadAverage().c_str());

  Series rawDown{"plain TCP, packets of 65,535 (baseline)", {}};
  Series rawDownFile{"  the same, read from the file as it goes", {}};
  Series agentDown{"download through tandrill (=SEND_FILE)", {}};
  Series agentDownPacketwise{"  the same, read packet by packet", {}};
  Series rawUp{"plain TCP, packets of 32,767 (baseline)", {}};
  Series rawUpFile{"  the same, written to a file as it comes", {}};
  Series rawUpSync{"  the same, written, fsync, rename", {}};
  Series agentUp{"upload through tandrill (=RECV_FILE)", {}};
  Series agentUpStream{"  of which streaming, until the close", {}};
  std::vector<double> finish;
  const fs::path rawTarget = folder / "raw-up.bin";
  for (int run = 0; run < kRuns; ++run) {
    rawDown.seconds.push_back(RawDownload(download, nullptr));
    rawDownFile.seconds.push_back(RawDownload(download, &downFile));
    agentDown.seconds.push_back(AgentDownload(session, "/down.bin", download, false));
    agentDownPacketwise.seconds.push_back(AgentDownload(session, "/down.bin", download, true));

    rawUp.seconds.push_back(RawUpload(upload, nullptr, false));
    rawUpFile.seconds.push_back(RawUpload(upload, &rawTarget, false));
    rawUpSync.seconds.push_back(RawUpload(upload, &rawTarget, true));
    if (!FileEquals(rawTarget, upload)) Die("the baseline upload's file differs");
    const UploadTimes times = AgentUpload(session, "/up.bin", upload);
    if (!FileEquals(root / "up.bin", upload)) Die("the uploaded file differs from what was sent");
    agentUp.seconds.push_back(times.total);
    agentUpStream.seconds.push_back(times.stream);
    finish.push_back(times.total - times.stream);
  }
  std::sort(finish.begin(), finish.end());

  Print(rawDown, size);
  Print(rawDownFile, size);
  Print(agentDown, size);
  Print(agentDownPacketwise, size);
  Print(rawUp, size);
  Print(rawUpFile, size);
  Print(rawUpSync, size);
  Print(agentUp, size);
  Print(agentUpStream, size);
  std::printf("  %-46s %7.1f ms median\n", "  and from the close to the reply",
              finish[finish.size() / 2] * 1e3);
  PrintRatio("download/raw", agentDown, rawDown);
  PrintRatio("upload/raw", agentUp, rawUp);
  std::printf("  for comparison, against one thread doing the same file work:\n");
  PrintComparison("download/(raw + read)", agentDown, rawDownFile);
  PrintComparison("upload/(raw + write + fsync + rename)", agentUp, rawUpSync);
  std::printf("  load average after: %s\n", LoadAverage().c_str());
  CleanUp();
  return 0;
}
