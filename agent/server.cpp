#include "agent/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "agent/agent_errors.h"
#include "agent/session.h"
#include "agent/users_file.h"
#include "platform/ascii_text.h"

namespace vandrel::agent {

namespace {

std::string PeerAddress(remote::Socket socket) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
      address.sin_family != AF_INET) {
    return "?";
  }
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return text;
}

}  // namespace

std::string Greeting(const ServerOptions& options) {
  const bool mpe = options.personality == Personality::kMpe;
  int flags = options.loginRequired ? kSecurityLoginRequired : 0;
  if (mpe) flags |= kSecurityQeditAvailable | kSecurityMpeLogon;
  const int byteOrder =
      std::endian::native == std::endian::little ? kByteOrderLittleEndian : kByteOrderBigEndian;
  return fmt::format("0 {} {} {} {}", options.agentVersion, mpe ? kHostKindMpe : kHostKindPosix,
                     byteOrder, flags);
}

bool IsLoopbackAddress(const std::string& address) {
  return address == "localhost" || address.starts_with("127.");
}

Server::Server(ServerOptions options) : options_(std::move(options)), throttle_(options_) {}

Server::~Server() { Stop(); }

bool Server::Start(std::string* error) {
  // A client that goes away while a reply is being sent must not end the
  // process; the transport sends without the signal as well.
  std::signal(SIGPIPE, SIG_IGN);

  if (!tree_.Open(options_.root, options_.personality, error)) return false;
  if (options_.loginRequired) {
    struct stat info {};
    if (::stat(options_.usersFile.c_str(), &info) != 0) {
      *error = "the users file " + options_.usersFile.string() +
               " does not exist (make it with: tandrill passwd --users FILE USER)";
      return false;
    }
    if (info.st_mode & (S_IROTH | S_IWOTH)) {
      *error = "the users file " + options_.usersFile.string() +
               " is accessible to every user; make it private (chmod 600)";
      return false;
    }
    UsersFile users;
    if (!users.Load(options_.usersFile, false, error)) return false;
  }
  listener_ = remote::Listen(16, options_.bindAddress, options_.port);
  if (listener_ == remote::kNoSocket) {
    *error = fmt::format("cannot listen on {}:{}: {}", options_.bindAddress, options_.port,
                         std::strerror(errno));
    return false;
  }
  port_ = remote::LocalPort(listener_);
  if (::pipe2(wakePipe_, O_CLOEXEC) != 0) {
    *error = std::string("cannot make a pipe: ") + std::strerror(errno);
    remote::Close(listener_);
    listener_ = remote::kNoSocket;
    return false;
  }
  return true;
}

void Server::RunInBackground() {
  runner_ = std::thread([this] { Run(); });
}

void Server::Run() {
  {
    std::lock_guard lock(mutex_);
    running_ = true;
  }
  while (!stopping_) {
    pollfd waits[2] = {{listener_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (::poll(waits, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (stopping_) break;
    if (!(waits[0].revents & POLLIN)) continue;
    const remote::Socket socket = remote::Accept(listener_);
    if (socket == remote::kNoSocket) {
      // Out of descriptors, or the client gave up: wait a moment rather
      // than spin on the same failure.
      Pause(std::chrono::milliseconds(50));
      continue;
    }
    const std::string address = PeerAddress(socket);
    ReapFinished();
    std::lock_guard lock(mutex_);
    if (stopping_) {
      remote::Close(socket);
      break;
    }
    int active = 0;
    for (const auto& connection : connections_) active += connection->finished ? 0 : 1;
    if (active >= options_.maxSessions) {
      Reply(socket, ErrorReply(kCommandSession,
                               {kErrorTooManySessions, "Too many sessions; try again later"}));
      remote::Close(socket);
      continue;
    }
    auto connection = std::make_unique<Connection>();
    connection->socket = socket;
    connection->id = nextId_++;
    Connection& started = *connection;
    connections_.push_back(std::move(connection));
    started.thread = std::thread([this, &started, address] { Serve(started, address); });
  }
  std::lock_guard lock(mutex_);
  running_ = false;
  stateChanged_.notify_all();
}

void Server::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (wakePipe_[1] >= 0) {
      const char byte = 1;
      (void)!::write(wakePipe_[1], &byte, 1);
    }
    stateChanged_.notify_all();
  }
  if (runner_.joinable()) runner_.join();
  std::list<std::unique_ptr<Connection>> connections;
  {
    std::unique_lock lock(mutex_);
    stateChanged_.wait(lock, [this] { return !running_; });
    for (auto& connection : connections_) {
      if (connection->socket != remote::kNoSocket) ::shutdown(connection->socket, SHUT_RDWR);
      if (connection->handOverListener != remote::kNoSocket) {
        ::shutdown(connection->handOverListener, SHUT_RDWR);
      }
    }
    connections.swap(connections_);
  }
  for (auto& connection : connections) {
    if (connection->thread.joinable()) connection->thread.join();
  }
  std::lock_guard lock(mutex_);
  remote::Close(listener_);
  listener_ = remote::kNoSocket;
  for (int& fd : wakePipe_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

int Server::activeSessions() const {
  std::lock_guard lock(mutex_);
  int active = 0;
  for (const auto& connection : connections_) active += connection->finished ? 0 : 1;
  return active;
}

void Server::ReapFinished() {
  std::lock_guard lock(mutex_);
  for (auto it = connections_.begin(); it != connections_.end();) {
    if ((*it)->finished) {
      if ((*it)->thread.joinable()) (*it)->thread.join();
      it = connections_.erase(it);
    } else {
      ++it;
    }
  }
}

void Server::SetSocket(Connection& connection, remote::Socket socket, bool listener) {
  std::lock_guard lock(mutex_);
  remote::Socket& slot = listener ? connection.handOverListener : connection.socket;
  if (slot != remote::kNoSocket && slot != socket) remote::Close(slot);
  slot = socket;
  // A stop that came while the session was between sockets still ends it.
  if (stopping_ && socket != remote::kNoSocket) ::shutdown(socket, SHUT_RDWR);
}

void Server::Trace(int id, const std::string& text) {
  if (!options_.verbose) return;
  Notice(id, text);
}

void Server::Notice(int id, const std::string& text) {
  std::lock_guard lock(traceMutex_);
  std::fprintf(stderr, "tandrill[%d]: %s\n", id, text.c_str());
}

bool Server::Reply(remote::Socket socket, const std::string& text) {
  return remote::SendPacket(socket, text.data(), text.size()) == text.size();
}

bool Server::WaitReadable(remote::Socket socket, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (stopping_) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd waits[2] = {{socket, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    const int ready = ::poll(waits, 2, static_cast<int>(std::min<long long>(left.count(), 60000)));
    if (ready < 0 && errno != EINTR) return false;
    if (stopping_) return false;
    if (ready > 0 && waits[0].revents != 0) return true;
  }
}

bool Server::Pause(std::chrono::milliseconds delay) {
  std::unique_lock lock(mutex_);
  stateChanged_.wait_for(lock, delay, [this] { return stopping_.load(); });
  return !stopping_;
}

void Server::Serve(Connection& connection, std::string clientAddress) {
  Trace(connection.id, "connection from " + clientAddress);
  try {
    ServeSession(connection, clientAddress);
  } catch (const std::exception& failure) {
    Trace(connection.id, std::string("session ended by an error: ") + failure.what());
  } catch (...) {
    Trace(connection.id, "session ended by an error");
  }
  SetSocket(connection, remote::kNoSocket, true);
  SetSocket(connection, remote::kNoSocket, false);
  Trace(connection.id, "session closed");
  connection.finished = true;
}

void Server::ServeSession(Connection& connection, const std::string& clientAddress) {
  remote::Socket socket;
  {
    std::lock_guard lock(mutex_);
    socket = connection.socket;
  }
  if (!Reply(socket, Greeting(options_))) return;

  std::string home = "/";
  if (options_.loginRequired) {
    auto loggedIn = Login(connection.id, socket, clientAddress);
    if (!loggedIn) return;
    home = *loggedIn;
    Trace(connection.id, "logged in, starting in " + home);
  }
  if (options_.sessionPorts) {
    socket = HandOver(connection, socket, clientAddress);
    if (socket == remote::kNoSocket) return;
  } else if (!Reply(socket, "0 0")) {
    return;
  }

  Session session(options_, tree_, home);
  session.setClientAddress(clientAddress);
  session.setCommandSocket(socket);
  std::vector<char> buffer(kMaxCommandPacket);
  while (!stopping_) {
    const remote::PacketResult packet = remote::ReceivePacket(socket, buffer.data(), buffer.size());
    if (!packet.headerComplete) return;  // the client closed the connection
    if (packet.tooLong) {
      Trace(connection.id, fmt::format("refused a command packet of {} bytes", packet.announced));
      if (!Reply(socket,
                 ErrorReply(kCommandSession, {kErrorCommandTooLong,
                                              fmt::format("Command too long ({} bytes; at most {})",
                                                          packet.announced, kMaxCommandPacket)}))) {
        return;
      }
      continue;
    }
    if (packet.received != packet.announced) return;  // closed inside a packet
    std::string line(buffer.data(), packet.received);
    // Lines that arrive while a request runs are carried out after it.
    do {
      Trace(connection.id, "> " + line);
      const std::optional<std::string> reply = session.Execute(line);
      if (session.clientGone()) return;
      if (!reply) continue;
      Trace(connection.id, "< " + *reply);
      if (!Reply(socket, *reply)) return;
    } while (!stopping_ && session.TakeDeferredLine(&line));
  }
}

std::optional<std::string> Server::Login(int id, remote::Socket socket,
                                         const std::string& clientAddress) {
  std::vector<char> buffer(kMaxCommandPacket);
  for (int attempt = 1; attempt <= options_.maxLoginAttempts; ++attempt) {
    if (!WaitReadable(socket, options_.loginTimeout)) return std::nullopt;
    const remote::PacketResult packet = remote::ReceivePacket(socket, buffer.data(), buffer.size());
    if (!packet.headerComplete || (!packet.tooLong && packet.received != packet.announced)) {
      return std::nullopt;
    }
    LoginResult result;
    if (packet.tooLong) {
      result.error = {kErrorLoginFailed, "Login failed: login line too long"};
    } else {
      result =
          CheckLogin(options_, tree_,
                     platform::WithoutLineEnd(std::string_view(buffer.data(), packet.received)));
    }
    // Never the password: the user as given, or that the line was unreadable.
    const std::string who = result.user.empty() ? std::string("an unreadable login") : result.user;
    if (result.ok) {
      Notice(id, "login of " + who + " from " + clientAddress);
      throttle_.RecordSuccess(clientAddress);
      if (!Reply(socket, "0")) return std::nullopt;
      return result.homeDirectory;
    }
    if (result.error.code != kErrorInternal) {
      const std::chrono::milliseconds delay = throttle_.RecordFailure(clientAddress);
      Notice(id, fmt::format("login refused for {} from {} ({}); answered after {} ms", who,
                             clientAddress, result.error.message, delay.count()));
      if (!Pause(delay)) return std::nullopt;
    } else {
      Notice(id, "login of " + who + " from " + clientAddress + " failed: " + result.error.message);
    }
    if (!Reply(socket, ErrorReply(kCommandSession, result.error))) return std::nullopt;
  }
  return std::nullopt;
}

remote::Socket Server::HandOver(Connection& connection, remote::Socket socket,
                                const std::string& clientAddress) {
  const remote::Socket listener = remote::Listen(1, options_.bindAddress);
  if (listener == remote::kNoSocket) {
    Reply(socket, ErrorReply(kCommandSession, SystemError(errno, "no session port")));
    return remote::kNoSocket;
  }
  SetSocket(connection, listener, true);
  if (!Reply(socket, fmt::format("0 {}", remote::LocalPort(listener)))) return remote::kNoSocket;

  const auto deadline = std::chrono::steady_clock::now() + options_.handOverTimeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (!WaitReadable(listener, left)) {
      Trace(connection.id, "the client did not come to its session port");
      return remote::kNoSocket;
    }
    const remote::Socket accepted = remote::Accept(listener);
    if (accepted == remote::kNoSocket) continue;
    const std::string address = PeerAddress(accepted);
    if (address == clientAddress) {
      SetSocket(connection, remote::kNoSocket, true);
      SetSocket(connection, accepted, false);  // closes the first connection
      Trace(connection.id, "session moved to its own port");
      return accepted;
    }
    Trace(connection.id, "refused a connection from " + address + " on the session port");
    remote::Close(accepted);
  }
}

}  // namespace vandrel::agent
