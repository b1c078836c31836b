// A stand-in host agent for tests: a thread with a loopback listening port
// (and a second one to hand a session over to) that plays a script – the
// packets to send, the packets to read and record, connections to hold
// open or drop – so tests can make it do what a good agent never does.
// Every step gives up after a time, so a test that goes wrong fails rather
// than hangs.
#pragma once

#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "remote/socket_transport.h"

namespace vandrel::testing {

class ScriptedAgent {
 public:
  ScriptedAgent() {
    listener_ = remote::Listen(4, "127.0.0.1");
    sessionListener_ = remote::Listen(4, "127.0.0.1");
  }
  ~ScriptedAgent() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    remote::Close(connection_);
    remote::Close(listener_);
    remote::Close(sessionListener_);
  }
  ScriptedAgent(const ScriptedAgent&) = delete;
  ScriptedAgent& operator=(const ScriptedAgent&) = delete;

  std::uint16_t port() const { return remote::LocalPort(listener_); }
  std::uint16_t sessionPort() const { return remote::LocalPort(sessionListener_); }

  // -- The script; it starts by accepting a connection on port().
  // Sends one packet.
  ScriptedAgent& Send(std::string packet) { return Add({Step::kSend, std::move(packet)}); }
  // Reads one packet and records it.
  ScriptedAgent& Receive() { return Add({Step::kReceive, {}}); }
  // Keeps the connection open, saying nothing, until the client closes it.
  ScriptedAgent& Hold() { return Add({Step::kHold, {}}); }
  // Drops the connection.
  ScriptedAgent& Drop() { return Add({Step::kDrop, {}}); }
  // Waits for the client's connection on sessionPort().
  ScriptedAgent& AcceptOnSessionPort() { return Add({Step::kAcceptSession, {}}); }

  void Start() {
    thread_ = std::thread([this] { Play(); });
  }
  // Waits for the script to end; whether every step was played.
  bool Finish() {
    if (thread_.joinable()) thread_.join();
    return failure_.empty();
  }

  std::vector<std::string> received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }
  bool accepted() const { return accepted_; }
  bool acceptedOnSessionPort() const { return acceptedOnSessionPort_; }
  // Why the script stopped short; empty when it did not.
  const std::string& failure() const { return failure_; }

 private:
  struct Step {
    enum Kind { kSend, kReceive, kHold, kDrop, kAcceptSession } kind;
    std::string text;
  };
  static constexpr auto kStepTime = std::chrono::seconds(10);

  ScriptedAgent& Add(Step step) {
    script_.push_back(std::move(step));
    return *this;
  }

  // Waits until `socket` is readable; false when stopped or out of time.
  bool WaitReadable(remote::Socket socket) {
    const auto deadline = std::chrono::steady_clock::now() + kStepTime;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
      pollfd waiting{socket, POLLIN, 0};
      if (::poll(&waiting, 1, 20) > 0) return true;
    }
    return false;
  }

  bool AcceptOn(remote::Socket listener) {
    if (!WaitReadable(listener)) return false;
    remote::Close(connection_);
    connection_ = remote::Accept(listener);
    return connection_ != remote::kNoSocket;
  }

  void Play() {
    if (!AcceptOn(listener_)) {
      failure_ = "no connection";
      return;
    }
    accepted_ = true;
    for (const Step& step : script_) {
      switch (step.kind) {
        case Step::kSend:
          if (remote::SendPacket(connection_, step.text.data(), step.text.size()) !=
              step.text.size()) {
            failure_ = "could not send " + step.text;
            return;
          }
          break;
        case Step::kReceive: {
          std::string packet(remote::kMaxPacketPayload, '\0');
          if (!WaitReadable(connection_)) {
            failure_ = "nothing received";
            return;
          }
          const remote::PacketResult result =
              remote::ReceivePacket(connection_, packet.data(), packet.size());
          if (!result.Complete()) {
            failure_ = "connection closed instead of a packet";
            return;
          }
          packet.resize(result.received);
          std::lock_guard lock(mutex_);
          received_.push_back(packet);
          break;
        }
        case Step::kHold: {
          char byte;
          if (!WaitReadable(connection_) || ::recv(connection_, &byte, 1, 0) != 0) {
            failure_ = "the client did not close the connection";
            return;
          }
          break;
        }
        case Step::kDrop:
          remote::Close(connection_);
          connection_ = remote::kNoSocket;
          break;
        case Step::kAcceptSession:
          if (!AcceptOn(sessionListener_)) {
            failure_ = "no connection on the session port";
            return;
          }
          acceptedOnSessionPort_ = true;
          break;
      }
    }
  }

  remote::Socket listener_ = remote::kNoSocket;
  remote::Socket sessionListener_ = remote::kNoSocket;
  remote::Socket connection_ = remote::kNoSocket;
  std::vector<Step> script_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> accepted_{false};
  std::atomic<bool> acceptedOnSessionPort_{false};
  std::string failure_;  // written by the script's thread, read after Finish
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
};

}  // namespace vandrel::testing
