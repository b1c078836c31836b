// The request engine against tandrill: a download and an upload of 100 MB
// and the listing of a folder of 10,000 entries, each against a baseline
// measured in the same run.
//
// tandrill runs as a child process over a fresh tree (no login, POSIX
// personality); this program opens a session on it by hand and starts a
// request worker through a thread manager, as the application does once a
// connection is made. Each measurement posts one request and waits for its
// completion: receive-to-file (mode B) of a 100 MB host file, send-file of
// a 100 MB local file, list-directory of the folder followed by reading the
// listing into entries.
//
// The transfer baselines are the same packets between two threads of this
// program over plain TCP on the loopback address (packets of 65,535 bytes
// for the download, 32,767 for the upload, one send per packet, the reader
// taking the stream in large pieces and keeping nothing); the target is a
// share of their throughput. The listing baselines are "ls -la" of the same
// folder, run as a child process with its output discarded, and a readdir
// and lstat of every entry in this process.
//
// Further lines show where the time goes: the same exchanges with tandrill
// driven by a plain client on a second session (what the agent costs by
// itself), the same packets with the file work the two ends must do
// (reading the source; writing the copy – and for the upload fsync and
// rename, as the agent does), a download to memory rather than to a file,
// and the engine's own packet reader and writer against a plain peer,
// without the agent.
//
// Every run's bytes are checked, so a broken transfer cannot pass for a fast
// one: what the engine and tandrill write is compared in full afterwards,
// untimed; what a plain reader keeps nothing of is sampled as it comes (the
// first and last bytes of every part, at its offset). Runs are interleaved
// and the median counts.
//
//   bench_remote_engine            (arguments meant for other benchmarks are ignored)
// Environment: VANDREL_TANDRILL, the executable (default: the build's own);
// VANDREL_ENGINE_BENCH_MB, the transfer size in MB (default 100);
// VANDREL_ENGINE_BENCH_ENTRIES, the folder's entries (default 10,000).
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/transfer_support.h"
#include "core/progress.h"
#include "remote/data_listener.h"
#include "remote/listing.h"
#include "remote/request_block.h"
#include "remote/request_worker.h"
#include "remote/socket_transport.h"
#include "remote/thread_manager.h"

extern char** environ;

using namespace vandrel;

namespace {

using namespace vandrel::bench;

constexpr int kRuns = 7;
constexpr std::size_t kDownloadPacket = 65535;
constexpr std::size_t kUploadPacket = 32767;
constexpr int kTimeoutSeconds = 120;
constexpr double kTarget = 0.75;
constexpr std::int32_t kModeBinary = 0x4;  // transfer mode "B"

void WriteFile(const fs::path& path, const std::vector<char>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Die("create " + path.string());
  WriteAll(fd, bytes.data(), bytes.size());
  if (::fsync(fd) != 0 || ::close(fd) != 0) Die("write " + path.string());
}

// Compares the first and last eight bytes of a part that belongs at
// `offset` with the source's: cheap enough not to slow the stream, and as
// the pattern differs at every position, a lost, repeated or reordered
// packet shows.
bool SampleMatches(const std::vector<char>& source, std::size_t offset, const char* bytes,
                   std::size_t length) {
  if (offset + length > source.size()) return false;
  const std::size_t edge = std::min<std::size_t>(length, 8);
  return std::memcmp(bytes, source.data() + offset, edge) == 0 &&
         std::memcmp(bytes + length - edge, source.data() + offset + length - edge, edge) == 0;
}

// What the receiving end does with the bytes.
enum class Sink {
  kNone,        // nothing kept, samples compared as they come
  kFile,        // written to a new file as they come
  kFileSynced,  // written to a new file beside the target, fsync, rename
};

// One transfer between two threads of this program: the sending thread
// frames `source` (or the file `sourceFile`, read in packet-sized pieces as
// it goes) as packets of `packet`; with `download` framing the stream starts
// with the 4-byte size and ends with the empty packet, as the agent sends
// it, else it ends with the close, as the editor's upload does. A file
// written is compared in full afterwards, untimed.
double RawTransfer(const std::vector<char>& source, const fs::path* sourceFile, std::size_t packet,
                   bool download, Sink sink, const fs::path& target) {
  const remote::Socket listener = remote::Listen(1, "127.0.0.1");
  const std::uint16_t port = remote::LocalPort(listener);
  const auto start = Clock::now();
  std::thread sender([&] {
    const remote::Socket socket = remote::Connect("127.0.0.1", port);
    if (socket == remote::kNoSocket) Die("baseline connect");
    if (download) SendSizePacket(socket, source.size());
    if (sourceFile) {
      const int fd = ::open(sourceFile->c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) Die("open " + sourceFile->string());
      std::vector<char> buffer(packet);
      while (true) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Die("read " + sourceFile->string());
        if (got == 0) break;
        SendPackets(socket, buffer.data(), static_cast<std::size_t>(got), packet);
      }
      ::close(fd);
    } else {
      SendPackets(socket, source.data(), source.size(), packet);
    }
    if (download && remote::SendPacket(socket, "", 0) != 0) Die("baseline end packet");
    // No shutdown for the upload: the reader must see the end after the data.
    ::close(socket);
  });

  const remote::Socket socket = AcceptWithin(listener, "the baseline");
  const fs::path written = sink == Sink::kFileSynced ? fs::path(target.string() + ".new") : target;
  const int fd = sink == Sink::kNone
                     ? -1
                     : ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (sink != Sink::kNone && fd < 0) Die("create " + written.string());
  std::size_t received = 0;
  const StreamEnd end =
      ReadPackets(socket, [&](std::size_t number, const char* bytes, std::size_t length) {
        if (download && number == 0) return length <= 4;  // the size
        if (fd >= 0) {
          if (received + length > source.size()) return false;
          WriteAll(fd, bytes, length);
        } else if (!SampleMatches(source, received, bytes, length)) {
          return false;
        }
        received += length;
        return true;
      });
  if (end != (download ? StreamEnd::kEmptyPacket : StreamEnd::kClosed)) {
    Die("baseline stream broken off or wrong bytes");
  }
  if (fd >= 0) {
    if ((sink == Sink::kFileSynced && ::fsync(fd) != 0) || ::close(fd) != 0) Die("fsync");
    if (sink == Sink::kFileSynced && ::rename(written.c_str(), target.c_str()) != 0) Die("rename");
  }
  const auto finish = Clock::now();
  sender.join();
  remote::Close(socket);
  remote::Close(listener);

  if (received != source.size()) Die("baseline transfer short");
  if (sink != Sink::kNone) {
    if (!FileEquals(target, source)) Die("the baseline's file differs from what was sent");
    fs::remove(target);
  }
  return Seconds(start, finish);
}

// ---- The engine's own packet reader and writer against a plain peer ----------

// A thread object that is never started: what the data connection looks at
// for the stop flag.
class IdleThread : public remote::Thread {};

// The download's packets from a plain sending thread, read with the engine's
// data connection (a poll before every read, header and payload read
// separately).
double EngineReaderOnly(const std::vector<char>& source) {
  IdleThread idle;
  remote::DataListener data(remote::kNoSocket, idle);
  if (!data.Listen()) Die("listen for the reader");
  const std::uint16_t port = data.port();
  const auto start = Clock::now();
  std::thread sender([&] {
    const remote::Socket socket = remote::Connect("127.0.0.1", port);
    if (socket == remote::kNoSocket) Die("reader connect");
    SendSizePacket(socket, source.size());
    SendPackets(socket, source.data(), source.size(), kDownloadPacket);
    if (remote::SendPacket(socket, "", 0) != 0) Die("reader end packet");
    ::close(socket);
  });
  if (data.WaitForAgent() != remote::DataListener::Arrival::kConnected || !data.Accept()) {
    Die("accept for the reader");
  }
  std::string packet;
  if (data.ReceivePacket(packet, kDownloadPacket) != remote::DataListener::Read::kPacket) {
    Die("no size packet");
  }
  std::size_t received = 0;
  while (true) {
    const remote::DataListener::Read read = data.ReceivePacket(packet, kDownloadPacket);
    if (read == remote::DataListener::Read::kEnd) break;
    if (read != remote::DataListener::Read::kPacket ||
        !SampleMatches(source, received, packet.data(), packet.size())) {
      Die("the reader's stream broke or has wrong bytes");
    }
    received += packet.size();
  }
  const auto finish = Clock::now();
  sender.join();
  data.CloseAll();
  if (received != source.size()) Die("the reader's stream is short");
  return Seconds(start, finish);
}

// The upload's packets written with the engine's data connection (a poll
// before every send, each packet copied into one frame) to a plain reader.
double EngineWriterOnly(const std::vector<char>& source) {
  IdleThread idle;
  remote::DataListener data(remote::kNoSocket, idle);
  if (!data.Listen()) Die("listen for the writer");
  const std::uint16_t port = data.port();
  std::size_t received = 0;
  const auto start = Clock::now();
  std::thread reader([&] {
    const remote::Socket socket = remote::Connect("127.0.0.1", port);
    if (socket == remote::kNoSocket) Die("writer connect");
    const StreamEnd end = ReadPackets(socket, [&](std::size_t, const char* bytes, std::size_t n) {
      if (!SampleMatches(source, received, bytes, n)) return false;
      received += n;
      return true;
    });
    if (end != StreamEnd::kClosed) Die("the writer's stream broke or has wrong bytes");
    ::close(socket);
  });
  if (data.WaitForAgent() != remote::DataListener::Arrival::kConnected || !data.Accept()) {
    Die("accept for the writer");
  }
  for (std::size_t done = 0; done < source.size(); done += kUploadPacket) {
    const std::size_t length = std::min(kUploadPacket, source.size() - done);
    if (data.SendPacket(std::string_view(source.data() + done, length)) !=
        remote::DataListener::Io::kDone) {
      Die("the writer's send failed");
    }
  }
  data.CloseData();
  reader.join();
  const auto finish = Clock::now();
  if (received != source.size()) Die("the writer's stream is short");
  return Seconds(start, finish);
}

// ---- The agent and the engine -----------------------------------------------

// Opens a session by hand: the greeting, then the session-port reply "0 0"
// (no login). The host kind of the greeting goes to `hostKind`.
remote::Socket OpenSession(std::uint16_t port, std::int32_t* hostKind) {
  const remote::Socket socket = remote::Connect("127.0.0.1", port);
  if (socket == remote::kNoSocket) Die("connecting to tandrill");
  std::string greeting;
  std::string sessionPort;
  int status = -1, version = 0, kind = 0, order = 0, flags = 0;
  if (remote::ReceiveReply(socket, greeting, 1024, nullptr) == 0 ||
      std::sscanf(greeting.c_str(), "%d %d %d %d %d", &status, &version, &kind, &order, &flags) !=
          5 ||
      status != 0) {
    Die("no greeting (\"" + greeting + "\")");
  }
  if (remote::ReceiveReply(socket, sessionPort, 1024, nullptr) == 0 || sessionPort != "0 0") {
    Die("no session-port reply (\"" + sessionPort + "\")");
  }
  *hostKind = kind;
  return socket;
}

// ---- tandrill with a plain client ------------------------------------------------

// A second session, driven by hand: what the agent costs by itself, with a
// client that does nothing but move the bytes.
class PlainSession {
 public:
  explicit PlainSession(std::uint16_t port) {
    std::int32_t hostKind = 0;
    socket_ = OpenSession(port, &hostKind);
    SetTimeouts(socket_);
  }
  ~PlainSession() { remote::Close(socket_); }
  PlainSession(const PlainSession&) = delete;
  PlainSession& operator=(const PlainSession&) = delete;

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

double PlainDownload(PlainSession& session, const std::vector<char>& expected) {
  const remote::Socket listener = remote::Listen(1, "127.0.0.1");
  const auto start = Clock::now();
  session.Send("=SEND_FILE " + std::to_string(remote::LocalPort(listener)) +
               " 65535 B 1 /down.bin");
  const remote::Socket socket = AcceptWithin(listener, "the plain download");
  std::size_t received = 0;
  const StreamEnd end =
      ReadPackets(socket, [&](std::size_t number, const char* bytes, std::size_t length) {
        if (number == 0) return length <= 4;  // the size
        if (!SampleMatches(expected, received, bytes, length)) return false;
        received += length;
        return true;
      });
  const std::string reply = session.Reply();
  const auto finish = Clock::now();
  remote::Close(socket);
  remote::Close(listener);
  if (end != StreamEnd::kEmptyPacket || received != expected.size()) {
    Die("the plain download broke off or has wrong bytes");
  }
  if (reply != "0") Die("the plain download was answered \"" + reply + "\"");
  return Seconds(start, finish);
}

double PlainUpload(PlainSession& session, const std::vector<char>& source,
                   const fs::path& hostFile) {
  const remote::Socket listener = remote::Listen(1, "127.0.0.1");
  const auto start = Clock::now();
  session.Send("=RECV_FILE " + std::to_string(remote::LocalPort(listener)) + " 32767 B 0 /up.bin");
  const remote::Socket socket = AcceptWithin(listener, "the plain upload");
  SendPackets(socket, source.data(), source.size(), kUploadPacket);
  ::close(socket);  // the orderly close ends the file
  const std::string reply = session.Reply();
  const auto finish = Clock::now();
  remote::Close(listener);
  if (reply != "0") Die("the plain upload was answered \"" + reply + "\"");
  if (!FileEquals(hostFile, source)) Die("the plainly uploaded file differs from what was sent");
  fs::remove(hostFile);
  return Seconds(start, finish);
}

double PlainListing(PlainSession& session, std::size_t entries) {
  const remote::Socket listener = remote::Listen(1, "127.0.0.1");
  const auto start = Clock::now();
  session.Send("=LIST_DIR " + std::to_string(remote::LocalPort(listener)) + " 65535 0 /many");
  const remote::Socket socket = AcceptWithin(listener, "the plain listing");
  std::string listing;
  const StreamEnd end = ReadPackets(socket, [&](std::size_t, const char* bytes, std::size_t n) {
    listing.append(bytes, n);
    return true;
  });
  const std::string reply = session.Reply();
  const auto finish = Clock::now();
  remote::Close(socket);
  remote::Close(listener);
  if (end != StreamEnd::kEmptyPacket || reply != "0") Die("the plain listing failed");
  const std::optional<remote::HostListing> read = remote::ReadListing(listing, 0);
  if (!read || read->entries.size() != entries) Die("the plain listing has other entries");
  return Seconds(start, finish);
}

// The part of a completed request the measurements look at.
struct Result {
  std::int32_t status = -1;
  std::string errorText;
  std::string localPath;
  std::string buffer;
};

// A request worker run through a thread manager, as the application runs
// it for a session; Run posts one request and waits for its completion.
class Engine {
 public:
  Engine(const fs::path& temporaryFolder, remote::Socket command, std::int32_t hostKind) {
    remote::RequestServices services;
    services.temporaryFolder = temporaryFolder;
    auto worker = std::make_unique<remote::RequestWorker>(services);
    worker_ = worker.get();
    if (manager_.Start(std::move(worker)) == 0) Die("starting the request worker");
    worker_->SetConnection(command, hostKind);
  }
  ~Engine() {
    worker_->SetConnection(remote::kNoSocket, 0);
    manager_.StopAllAndWait();
  }

  // Posts the block; the seconds from the post to the completion.
  double Run(remote::RequestBlock block, Result* result) {
    {
      std::lock_guard lock(mutex_);
      done_ = false;
    }
    // The completion takes what it needs out of the block: copying a
    // download to memory would be timed too.
    block.completion = [this, result](remote::RequestBlock& request) {
      std::lock_guard lock(mutex_);
      result->status = request.status;
      result->errorText = request.errorText;
      result->localPath = request.localPath;
      result->buffer = std::move(request.buffer);
      done_ = true;
      changed_.notify_all();
    };
    const auto start = Clock::now();
    worker_->Post(block);
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(kTimeoutSeconds), [this] { return done_; })) {
      Die("the request did not complete in time");
    }
    return Seconds(start, Clock::now());
  }

 private:
  remote::ThreadManager manager_;
  remote::RequestWorker* worker_ = nullptr;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
};

void Expect(const Result& result, const char* what) {
  if (result.status != remote::kStatusSuccess) {
    Die(std::string(what) + " ended with status " + std::to_string(result.status) + " (" +
        result.errorText + ")");
  }
}

double EngineDownloadToFile(Engine& engine, const std::vector<char>& expected) {
  remote::RequestBlock block;
  block.kind = remote::kRequestReceiveToFile;
  block.options = kModeBinary;
  block.hostPath = "/down.bin";
  Result result;
  const double seconds = engine.Run(block, &result);
  Expect(result, "the download");
  if (!FileEquals(result.localPath, expected)) Die("the downloaded file differs from the host's");
  fs::remove(result.localPath);
  return seconds;
}

double EngineDownloadToMemory(Engine& engine, const std::vector<char>& expected) {
  remote::RequestBlock block;
  block.kind = remote::kRequestReceiveToMemory;
  block.options = kModeBinary;
  block.hostPath = "/down.bin";
  Result result;
  const double seconds = engine.Run(block, &result);
  Expect(result, "the download to memory");
  if (result.buffer.size() != expected.size() ||
      std::memcmp(result.buffer.data(), expected.data(), expected.size()) != 0) {
    Die("the downloaded bytes differ from the host's");
  }
  return seconds;
}

double EngineUpload(Engine& engine, const fs::path& localFile, const fs::path& hostFile,
                    const std::vector<char>& expected) {
  remote::RequestBlock block;
  block.kind = remote::kRequestSendFile;
  block.options = kModeBinary;
  block.localPath = localFile.string();
  block.hostPath = "/up.bin";
  Result result;
  const double seconds = engine.Run(block, &result);
  Expect(result, "the upload");
  if (!FileEquals(hostFile, expected)) Die("the uploaded file differs from what was sent");
  fs::remove(hostFile);
  return seconds;
}

struct ListingTimes {
  double request = 0;  // post to completion
  double total = 0;    // and the listing read into entries
};

ListingTimes EngineListing(Engine& engine, const std::vector<std::string>& names) {
  remote::RequestBlock block;
  block.kind = remote::kRequestListDirectory;
  block.hostPath = "/many";
  Result result;
  const auto start = Clock::now();
  const double request = engine.Run(block, &result);
  Expect(result, "the listing");
  const std::optional<remote::HostListing> listing = remote::ReadListing(result.buffer, 0);
  const double total = Seconds(start, Clock::now());
  if (!listing || listing->entries.size() != names.size()) {
    Die("the listing has " + std::to_string(listing ? listing->entries.size() : 0) +
        " entries instead of " + std::to_string(names.size()));
  }
  std::vector<std::string> listed;
  listed.reserve(names.size());
  for (const HostFileInfo& entry : listing->entries) listed.push_back(entry.name);
  std::sort(listed.begin(), listed.end());
  if (listed != names) Die("the listing names other entries");
  return {request, total};
}

// ---- Listing baselines ---------------------------------------------------------

double ListWithLs(const fs::path& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = "ls";
  std::string flags = "-la";
  std::string path = folder.string();
  char* argv[] = {program.data(), flags.data(), path.data(), nullptr};
  const auto start = Clock::now();
  pid_t child = -1;
  if (posix_spawnp(&child, "ls", &actions, nullptr, argv, environ) != 0) Die("running ls");
  int status = 0;
  if (::waitpid(child, &status, 0) != child) Die("waiting for ls");
  const auto finish = Clock::now();
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Die("ls failed");
  return Seconds(start, finish);
}

double ListWithReaddir(const fs::path& folder, std::size_t expected) {
  const auto start = Clock::now();
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) Die("opendir");
  std::size_t entries = 0;
  std::uint64_t bytes = 0;
  while (const dirent* entry = ::readdir(directory)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    struct stat status {};
    if (::fstatat(::dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      Die("lstat");
    }
    bytes += static_cast<std::uint64_t>(status.st_size);
    ++entries;
  }
  ::closedir(directory);
  const auto finish = Clock::now();
  if (entries != expected) Die("readdir found other entries");
  (void)bytes;
  return Seconds(start, finish);
}

// ---- Reporting ----------------------------------------------------------------

void PrintThroughput(const Series& series, std::size_t bytes) {
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("  %-52s %7.0f MB/s median %7.0f MB/s best %8.1f ms median\n", series.name,
              mb / series.Median(), mb / series.Best(), series.Median() * 1e3);
}

void PrintTime(const Series& series) {
  std::printf("  %-52s %8.2f ms median %8.2f ms best\n", series.name, series.Median() * 1e3,
              series.Best() * 1e3);
}

// The baseline's time over the measured one: the measured speed as a share
// of the baseline's.
double Ratio(const Series& measured, const Series& baseline) {
  return baseline.Median() / measured.Median();
}

void PrintTarget(const char* name, const Series& measured, const Series& baseline) {
  const double ratio = Ratio(measured, baseline);
  std::printf("  %-52s %5.2f  (target at least %.2f) %s\n", name, ratio, kTarget,
              ratio >= kTarget ? "PASS" : "BELOW");
}

void PrintComparison(const char* name, const Series& measured, const Series& reference) {
  std::printf("  %-52s %5.2f\n", name, Ratio(measured, reference));
}

std::size_t NumberFromEnvironment(const char* name, std::size_t fallback, std::size_t low,
                                  std::size_t high) {
  const char* text = std::getenv(name);
  if (!text) return fallback;
  const auto value = static_cast<std::size_t>(std::atoll(text));
  if (value < low || value > high) {
    std::fprintf(stderr, "bench_remote_engine: %s: %zu to %zu\n", name, low, high);
    std::exit(2);
  }
  return value;
}

}  // namespace

int main() {
  Bench.name = "bench_remote_engine";
  Bench.timeoutSeconds = kTimeoutSeconds;
  const std::size_t megabytes = NumberFromEnvironment("VANDREL_ENGINE_BENCH_MB", 100, 1, 4000);
  const std::size_t entryCount =
      NumberFromEnvironment("VANDREL_ENGINE_BENCH_ENTRIES", 10000, 1, 1000000);
  const std::size_t size = megabytes * 1'000'000;
  const fs::path program = TandrillPath();
  if (::access(program.c_str(), X_OK) != 0) {
    Die("no tandrill executable at " + program.string() +
        " (build the tandrill target, or set VANDREL_TANDRILL)");
  }
  ::signal(SIGPIPE, SIG_IGN);

  std::string pattern = (fs::temp_directory_path() / "zvd-ebench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Die("mkdtemp");
  const fs::path folder(pattern);
  Bench.folder = folder;
  std::atexit(CleanUp);
  const fs::path root = folder / "root";
  const fs::path local = folder / "local";
  const fs::path temporary = folder / "temporary";
  fs::create_directories(root / "many");
  fs::create_directories(local);
  fs::create_directories(temporary);

  const std::vector<char> download = Pattern(size, 1);
  const std::vector<char> upload = Pattern(size, 2);
  const fs::path downFile = root / "down.bin";
  const fs::path upSource = local / "up-source.bin";
  WriteFile(downFile, download);
  WriteFile(upSource, upload);

  std::vector<std::string> names;
  names.reserve(entryCount);
  for (std::size_t i = 0; i < entryCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "entry-%06zu.txt", i);
    names.emplace_back(name);
    const int fd =
        ::open((root / "many" / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) Die("create an entry");
    WriteAll(fd, name, i % 17);  // sizes that differ
    ::close(fd);
  }
  std::sort(names.begin(), names.end());
  ::sync();

  const std::uint16_t port = StartAgent(program, root);
  std::int32_t hostKind = 0;
  const remote::Socket command = OpenSession(port, &hostKind);
  SetTimeouts(command);

  std::printf(
      "request engine against tandrill: %zu MB transfers (mode B), a folder of %zu entries,\n"
      "tandrill %s, median of %d interleaved runs\n",
      megabytes, entryCount, program.c_str(), kRuns);
  std::printf("  load average before: %s\n", LoadAverage().c_str());

  Series rawDown{"plain TCP, packets of 65,535 (baseline)", {}};
  Series rawDownFiles{"  the same, read from a file, written to a file", {}};
  Series plainDown{"tandrill with a plain client (=SEND_FILE)", {}};
  Series engineDown{"download through the engine (receive-to-file)", {}};
  Series engineDownMemory{"  the same to memory (receive-to-memory)", {}};
  Series readerOnly{"  the engine's packet reader, plain sender", {}};
  Series rawUp{"plain TCP, packets of 32,767 (baseline)", {}};
  Series rawUpFiles{"  the same, read from a file, written, fsync, rename", {}};
  Series plainUp{"tandrill with a plain client (=RECV_FILE)", {}};
  Series engineUp{"upload through the engine (send-file)", {}};
  Series writerOnly{"  the engine's packet writer, plain reader", {}};
  Series ls{"ls -la, output discarded (baseline)", {}};
  Series readdirStat{"readdir and lstat in this process", {}};
  Series plainList{"tandrill with a plain client (=LIST_DIR)", {}};
  Series engineList{"listing through the engine (list-directory)", {}};
  Series engineListRead{"  and read into entries", {}};

  {
    Engine engine(temporary, command, hostKind);
    PlainSession plain(port);
    const fs::path rawTarget = local / "raw-target.bin";
    const fs::path upFile = root / "up.bin";
    for (int run = 0; run < kRuns; ++run) {
      rawDown.seconds.push_back(
          RawTransfer(download, nullptr, kDownloadPacket, true, Sink::kNone, {}));
      rawDownFiles.seconds.push_back(
          RawTransfer(download, &downFile, kDownloadPacket, true, Sink::kFile, rawTarget));
      plainDown.seconds.push_back(PlainDownload(plain, download));
      engineDown.seconds.push_back(EngineDownloadToFile(engine, download));
      engineDownMemory.seconds.push_back(EngineDownloadToMemory(engine, download));
      readerOnly.seconds.push_back(EngineReaderOnly(download));

      rawUp.seconds.push_back(RawTransfer(upload, nullptr, kUploadPacket, false, Sink::kNone, {}));
      rawUpFiles.seconds.push_back(
          RawTransfer(upload, &upSource, kUploadPacket, false, Sink::kFileSynced, rawTarget));
      plainUp.seconds.push_back(PlainUpload(plain, upload, upFile));
      engineUp.seconds.push_back(EngineUpload(engine, upSource, upFile, upload));
      writerOnly.seconds.push_back(EngineWriterOnly(upload));

      ls.seconds.push_back(ListWithLs(root / "many"));
      readdirStat.seconds.push_back(ListWithReaddir(root / "many", entryCount));
      plainList.seconds.push_back(PlainListing(plain, entryCount));
      const ListingTimes listing = EngineListing(engine, names);
      engineList.seconds.push_back(listing.request);
      engineListRead.seconds.push_back(listing.total);
    }
  }
  remote::Close(command);

  std::printf(" download, %zu MB:\n", megabytes);
  PrintThroughput(rawDown, size);
  PrintThroughput(rawDownFiles, size);
  PrintThroughput(plainDown, size);
  PrintThroughput(engineDown, size);
  PrintThroughput(engineDownMemory, size);
  PrintThroughput(readerOnly, size);
  std::printf(" upload, %zu MB:\n", megabytes);
  PrintThroughput(rawUp, size);
  PrintThroughput(rawUpFiles, size);
  PrintThroughput(plainUp, size);
  PrintThroughput(engineUp, size);
  PrintThroughput(writerOnly, size);
  std::printf(" listing, %zu entries:\n", entryCount);
  PrintTime(ls);
  PrintTime(readdirStat);
  PrintTime(plainList);
  PrintTime(engineList);
  PrintTime(engineListRead);

  std::printf(" ratios (baseline time / measured time; above 1 the measured is faster):\n");
  PrintTarget("download/raw TCP", engineDown, rawDown);
  PrintTarget("upload/raw TCP", engineUp, rawUp);
  PrintComparison("listing and reading it/ls -la", engineListRead, ls);
  PrintComparison("listing and reading it/readdir and lstat", engineListRead, readdirStat);
  std::printf(" where the time goes:\n");
  PrintComparison("download: tandrill, plain client/raw TCP", plainDown, rawDown);
  PrintComparison("download: engine/tandrill, plain client", engineDown, plainDown);
  PrintComparison("download/(raw + read + write)", engineDown, rawDownFiles);
  PrintComparison("download to memory/raw TCP", engineDownMemory, rawDown);
  PrintComparison("engine's reader alone/raw TCP", readerOnly, rawDown);
  PrintComparison("upload: tandrill, plain client/raw TCP", plainUp, rawUp);
  PrintComparison("upload: engine/tandrill, plain client", engineUp, plainUp);
  PrintComparison("upload/(raw + read + write + fsync + rename)", engineUp, rawUpFiles);
  PrintComparison("engine's writer alone/raw TCP", writerOnly, rawUp);
  PrintComparison("listing: tandrill, plain client/ls -la", plainList, ls);
  PrintComparison("listing: engine/tandrill, plain client", engineList, plainList);
  std::printf("  load average after: %s\n", LoadAverage().c_str());
  CleanUp();
  return 0;
}
