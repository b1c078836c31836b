// The agent's server: listens on one port, greets each connection, logs it
// in, optionally hands it over to a port of its own, and then serves its
// commands on a thread of its own until the client goes away. A session
// that fails (bad input, an exception, a vanished client) ends alone; the
// others go on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "agent/host_tree.h"
#include "agent/login.h"
#include "agent/server_options.h"
#include "remote/socket_transport.h"

namespace vandrel::agent {

// The longest command packet the agent takes; the editor's commands fit in
// 2,048 bytes. A longer packet is read, thrown away and answered with an
// error.
inline constexpr std::size_t kMaxCommandPacket = 4096;

// The greeting: "0 version hostKind byteOrder securityFlags".
std::string Greeting(const ServerOptions& options);

// Whether the address only reaches this machine.
bool IsLoopbackAddress(const std::string& address);

class Server {
 public:
  explicit Server(ServerOptions options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Opens the tree, checks the users file and starts listening. False with
  // a message when the server cannot run.
  bool Start(std::string* error);
  // The port listened on (the one the system picked for port 0).
  std::uint16_t port() const { return port_; }
  const ServerOptions& options() const { return options_; }

  // Serves connections until Stop is called.
  void Run();
  // Run on a thread of the server's own.
  void RunInBackground();
  // Stops listening, ends every session and waits for their threads. Safe
  // to call more than once and from any thread but a session's.
  void Stop();

  // Sessions whose threads are still running.
  int activeSessions() const;

 private:
  struct Connection {
    std::thread thread;
    std::atomic<bool> finished{false};
    // The sockets the session blocks on, so that Stop can wake it;
    // guarded by the server's mutex.
    remote::Socket socket = remote::kNoSocket;
    remote::Socket handOverListener = remote::kNoSocket;
    int id = 0;
  };

  void Serve(Connection& connection, std::string clientAddress);
  void ServeSession(Connection& connection, const std::string& clientAddress);
  // Runs the login exchange; the home directory, or nothing when the
  // connection is to be closed.
  std::optional<std::string> Login(int id, remote::Socket socket, const std::string& clientAddress);
  // Moves the session to a port of its own; the new socket, or kNoSocket.
  remote::Socket HandOver(Connection& connection, remote::Socket socket,
                          const std::string& clientAddress);
  bool Reply(remote::Socket socket, const std::string& text);
  // Waits until the socket is readable; false on time-out, error or stop.
  bool WaitReadable(remote::Socket socket, std::chrono::milliseconds timeout);
  // Sleeps unless the server stops first; false when it stopped.
  bool Pause(std::chrono::milliseconds delay);
  void SetSocket(Connection& connection, remote::Socket socket, bool listener);
  void ReapFinished();
  void Trace(int id, const std::string& text);
  // What an administrator needs to see whatever the verbosity: logins and
  // refusals.
  void Notice(int id, const std::string& text);

  ServerOptions options_;
  HostTree tree_;
  LoginThrottle throttle_;
  remote::Socket listener_ = remote::kNoSocket;
  std::uint16_t port_ = 0;
  int wakePipe_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
  std::thread runner_;
  mutable std::mutex mutex_;
  std::condition_variable stateChanged_;
  bool running_ = false;  // Run is in its loop
  std::list<std::unique_ptr<Connection>> connections_;
  int nextId_ = 1;
  std::mutex traceMutex_;
};

}  // namespace vandrel::agent
