// Test support for the request worker's exchanges: the tandrill executable
// run over a fresh tree, a session opened on it by hand, a worker started
// through a thread manager with recording services, and a scripted peer that
// plays the agent's end of a command connection for what a good agent never
// does. Every wait gives up after a time, so a test that goes wrong fails
// rather than hangs.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/progress.h"
#include "remote/output_writer.h"
#include "remote/request_block.h"
#include "remote/request_worker.h"
#include "remote/socket_transport.h"
#include "remote/thread_manager.h"
#include "support/agent_process.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::testing {

using namespace std::chrono_literals;

// A tandrill over a fresh tree, without login, host commands allowed.
class LiveAgent {
 public:
  explicit LiveAgent(const std::string& personality) : root_(dir_.path() / "root") {
    std::filesystem::create_directories(root_);
    process_ = std::make_unique<AgentProcess>(
        std::vector<std::string>{"--root", root_.string(), "--port", "0", "--no-login",
                                 "--allow-commands", "--personality", personality});
    port_ = process_->ReadPort();
  }

  const std::filesystem::path& root() const { return root_; }
  std::uint16_t port() const { return port_; }

  // A file of the tree (folders made as needed).
  void Write(const std::string& hostPath, const std::string& bytes) const {
    const std::filesystem::path path = root_ / hostPath.substr(1);
    std::filesystem::create_directories(path.parent_path());
    WriteBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
  std::string Read(const std::string& hostPath) const {
    const std::vector<std::uint8_t> bytes = ReadBytes(root_ / hostPath.substr(1));
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  TempDir dir_;
  std::filesystem::path root_;
  std::unique_ptr<AgentProcess> process_;
  std::uint16_t port_ = 0;
};

// Opens a session by hand: connects, reads the greeting and the session-port
// reply ("0 0" without login). The host kind of the greeting goes to
// `hostKind`. kNoSocket when a step failed.
inline remote::Socket OpenSession(std::uint16_t port, std::int32_t* hostKind) {
  remote::Socket socket = remote::Connect("127.0.0.1", port);
  if (socket == remote::kNoSocket) return socket;
  std::string greeting;
  std::string sessionPort;
  int status = -1, version = 0, kind = 0, order = 0, flags = 0;
  if (remote::ReceiveReply(socket, greeting, 1024, nullptr) == 0 ||
      std::sscanf(greeting.c_str(), "%d %d %d %d %d", &status, &version, &kind, &order, &flags) !=
          5 ||
      status != 0 || remote::ReceiveReply(socket, sessionPort, 1024, nullptr) == 0 ||
      sessionPort != "0 0") {
    remote::Close(socket);
    return remote::kNoSocket;
  }
  *hostKind = kind;
  return socket;
}

// ---- Recording services -----------------------------------------------------

class RecordingOutput : public remote::OutputWriter {
 public:
  struct Entry {
    int pane;
    bool line;  // WriteLine rather than WriteOutput
    std::string text;
  };
  void WriteOutput(int pane, std::string_view bytes) override {
    std::lock_guard lock(mutex_);
    entries_.push_back({pane, false, std::string(bytes)});
  }
  void WriteLine(int pane, std::string_view line) override {
    std::lock_guard lock(mutex_);
    entries_.push_back({pane, true, std::string(line)});
  }
  std::vector<Entry> entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  // The raw output written to a pane, blocks joined.
  std::string OutputOf(int pane) const {
    std::string all;
    for (const Entry& entry : entries()) {
      if (entry.pane == pane && !entry.line) all += entry.text;
    }
    return all;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

// Records the display as "text:...", "percent:N" and "clear"; a test may
// hold the worker at the first percentage above 0.
class RecordingProgress : public ProgressReporter {
 public:
  void ShowStatus(std::string_view text) override { Record("text:" + std::string(text)); }
  void SetProgress(int percent) override {
    Record("percent:" + std::to_string(percent));
    if (percent == 0 || !holdAtData_) return;
    std::unique_lock lock(mutex_);
    held_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, 20s, [this] { return released_; });
    holdAtData_ = false;
  }
  void ClearProgress() override { Record("clear"); }

  std::vector<std::string> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }
  // The next transfer stops at its first block until Release.
  void HoldAtFirstBlock() { holdAtData_ = true; }
  bool WaitHeld() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 20s, [this] { return held_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  void Record(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
  std::atomic<bool> holdAtData_{false};
  bool held_ = false;
  bool released_ = false;
};

// ---- The worker -------------------------------------------------------------

// A request worker started through a thread manager, with recording
// services and a temporary folder of its own.
class WorkerHarness {
 public:
  struct Done {
    remote::RequestBlock block;
    std::thread::id thread;
  };

  // Temporary files go to `temporaryFolder`, or to the harness's own;
  // `overwrite` asks the question of a save whose host file changed.
  explicit WorkerHarness(const std::filesystem::path& temporaryFolder = {},
                         remote::OverwriteQuestion* overwrite = nullptr) {
    remote::RequestServices services;
    services.user = &user;
    services.overwrite = overwrite;
    services.output = &output;
    services.progress = &progress;
    services.temporaryFolder = temporaryFolder.empty() ? temp.path() : temporaryFolder;
    auto worker = std::make_unique<remote::RequestWorker>(services);
    worker_ = worker.get();
    identity_ = manager_.Start(std::move(worker));
  }
  ~WorkerHarness() { manager_.StopAllAndWait(); }

  remote::RequestWorker& worker() { return *worker_; }
  bool running() { return manager_.Find(identity_) != nullptr; }

  // Posts the block with a completion that records it; its ticket.
  std::size_t Post(remote::RequestBlock block) {
    std::size_t ticket;
    {
      std::lock_guard lock(mutex_);
      ticket = tickets_++;
    }
    block.completion = [this, ticket](remote::RequestBlock& done) {
      std::lock_guard lock(mutex_);
      done_.resize(std::max(done_.size(), ticket + 1));
      done_[ticket] = std::make_unique<Done>(Done{done, std::this_thread::get_id()});
      done_[ticket]->block.completion = nullptr;
      changed_.notify_all();
    };
    worker_->Post(block);
    return ticket;
  }
  // The completed block of the ticket; a block with status -1 when it did
  // not complete in time.
  Done Wait(std::size_t ticket, std::chrono::milliseconds limit = 60s) {
    std::unique_lock lock(mutex_);
    const bool done = changed_.wait_for(
        lock, limit, [&] { return ticket < done_.size() && done_[ticket] != nullptr; });
    if (!done) {
      Done missing;
      missing.block.status = -1;
      return missing;
    }
    return *done_[ticket];
  }
  bool Completed(std::size_t ticket) {
    std::lock_guard lock(mutex_);
    return ticket < done_.size() && done_[ticket] != nullptr;
  }
  // Posts and waits.
  remote::RequestBlock Run(remote::RequestBlock block) {
    return Wait(Post(std::move(block))).block;
  }

  // Whether the temporary folder is empty (no transfer left a file behind).
  bool TemporaryFolderEmpty() const { return std::filesystem::is_empty(temp.path()); }

  ScriptedUserInterface user;
  RecordingOutput output;
  RecordingProgress progress;
  TempDir temp;

 private:
  remote::ThreadManager manager_;
  remote::RequestWorker* worker_ = nullptr;
  std::uint32_t identity_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t tickets_ = 0;
  std::vector<std::unique_ptr<Done>> done_;
};

inline remote::RequestBlock Block(std::int32_t kind) {
  remote::RequestBlock block;
  block.kind = kind;
  return block;
}

// ---- A scripted agent -------------------------------------------------------

// Both ends of a loopback command connection: the editor's end for the
// worker, the agent's end played by a script on a thread of its own.
class ScriptedPeer {
 public:
  ScriptedPeer() {
    remote::Socket listener = remote::Listen(1, "127.0.0.1");
    client_ = remote::Connect("127.0.0.1", remote::LocalPort(listener));
    agent_ = remote::Accept(listener);
    remote::Close(listener);
  }
  ~ScriptedPeer() {
    // The script reads until the editor's end goes away.
    ::shutdown(client_, SHUT_RDWR);
    Join();
    remote::Close(client_);
    remote::Close(agent_);
  }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  remote::Socket clientSocket() const { return client_; }
  void Play(std::function<void(ScriptedPeer&)> script) {
    thread_ = std::thread([this, script = std::move(script)] { script(*this); });
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::vector<std::string> commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
  }

  // -- For the script.
  // The next command, recorded; "<none>" when none came in time.
  std::string Command(int timeoutMs = 10000) {
    std::string packet;
    if (!ReadPacket(agent_, &packet, timeoutMs)) return "<none>";
    std::lock_guard lock(mutex_);
    commands_.push_back(packet);
    return packet;
  }
  void Reply(std::string_view text) { remote::SendPacket(agent_, text.data(), text.size()); }
  // Drops the command connection.
  void Hang() {
    remote::Close(agent_);
    agent_ = remote::kNoSocket;
  }
  // Connects to the port a data command names (its first argument).
  static remote::Socket ConnectBack(const std::string& command) {
    const std::size_t blank = command.find(' ');
    if (blank == std::string::npos) return remote::kNoSocket;
    return remote::Connect("127.0.0.1",
                           static_cast<std::uint16_t>(std::stoi(command.substr(blank + 1))));
  }
  static bool SendPacket(remote::Socket socket, std::string_view bytes) {
    return remote::SendPacket(socket, bytes.data(), bytes.size()) == bytes.size();
  }
  static bool SendRaw(remote::Socket socket, std::string_view bytes) {
    return remote::SendAll(socket, bytes.data(), bytes.size()) == bytes.size();
  }
  static std::string SizePacket(std::uint32_t size) {
    return {static_cast<char>(size >> 24), static_cast<char>(size >> 16),
            static_cast<char>(size >> 8), static_cast<char>(size)};
  }
  // An upload's packets until the editor closes the connection; `clean` is
  // false when the stream stopped inside a packet or was reset.
  static std::string ReadUpload(remote::Socket socket, bool* clean) {
    std::string all;
    *clean = false;
    while (true) {
      std::string packet;
      const int got = ReadPacketOrEnd(socket, &packet);
      if (got == 0) {
        *clean = true;
        return all;
      }
      if (got < 0) return all;
      all += packet;
    }
  }
  // One packet: 1 read, 0 clean end before a header, -1 broken or no data
  // in time.
  static int ReadPacketOrEnd(remote::Socket socket, std::string* packet, int timeoutMs = 10000) {
    unsigned char header[2];
    const int got = ReadExactly(socket, header, 2, timeoutMs);
    if (got == 0) return 0;
    if (got != 2) return -1;
    packet->assign((static_cast<std::size_t>(header[0]) << 8) | header[1], '\0');
    if (packet->empty()) return 0;
    return ReadExactly(socket, packet->data(), packet->size(), timeoutMs) ==
                   static_cast<int>(packet->size())
               ? 1
               : -1;
  }

 private:
  static bool ReadPacket(remote::Socket socket, std::string* packet, int timeoutMs) {
    unsigned char header[2];
    if (ReadExactly(socket, header, 2, timeoutMs) != 2) return false;
    packet->assign((static_cast<std::size_t>(header[0]) << 8) | header[1], '\0');
    return ReadExactly(socket, packet->data(), packet->size(), timeoutMs) ==
           static_cast<int>(packet->size());
  }
  // The bytes read before the end; -1 on a reset, a failure or no data in time.
  static int ReadExactly(remote::Socket socket, void* buffer, std::size_t count, int timeoutMs) {
    char* next = static_cast<char*>(buffer);
    std::size_t total = 0;
    while (total < count) {
      pollfd wait{socket, POLLIN, 0};
      if (::poll(&wait, 1, timeoutMs) <= 0) return -1;
      const ssize_t got = ::recv(socket, next + total, count - total, 0);
      if (got < 0) return -1;
      if (got == 0) break;
      total += static_cast<std::size_t>(got);
    }
    return static_cast<int>(total);
  }

  remote::Socket client_ = remote::kNoSocket;
  remote::Socket agent_ = remote::kNoSocket;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
};

}  // namespace vandrel::testing
