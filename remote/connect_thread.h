// The connection attempt: a short-lived thread that opens a session with
// the host agent – the greeting and its version and security checks, the
// login, the hand-over to a session port and the system information – and
// hands the outcome to the connect request's completion routine.
//
// A host that stops answering never holds the product: Stop completes the
// attempt at once (status 3) and shuts down the connection the attempt is
// blocked on, and the command connection it returns sends TCP keep-alive
// probes, so a peer that has vanished is noticed by the requests that
// follow.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "remote/request_block.h"
#include "remote/socket_transport.h"
#include "remote/thread_manager.h"

namespace vandrel::remote {

// The lowest and highest agent versions this product speaks with
// (1.02.00 to 1.03.99).
inline constexpr std::int32_t kLowestAgentVersion = 10200;
inline constexpr std::int32_t kHighestAgentVersion = 10399;

// Security flags of the greeting.
enum SecurityFlag : std::int32_t {
  kSecurityUnsupportedScheme = 0x1,  // a password scheme this product does not speak
  kSecurityLoginRequired = 0x2,
  kSecurityQeditAvailable = 0x8,
  kSecurityMpeLogon = 0x10,  // the login is one MPE/iX logon string
};

// Host kinds of the greeting that the session treats specially.
inline constexpr std::int32_t kHostKindMpe = 1;
inline constexpr std::int32_t kHostKindNoCase = 9;  // compares names without regard to case

// The error number of a refused password scheme.
inline constexpr std::int64_t kErrorUnsupportedSecurity = 10000;

// The labels of the "Network Security" dialog's fields.
inline constexpr std::string_view kLoginUserNameLabel = "&User name:";
inline constexpr std::string_view kLoginPasswordLabel = "&Password:";
inline constexpr std::string_view kLoginLogonLabel = "&Login:";
// The longest user name or password the dialog takes.
inline constexpr std::size_t kMaxLoginField = kMaxUserField;

// The "Network Security" dialog as data: which form, its texts, and the
// values it starts with.
struct LoginForm {
  bool mpeLogon = false;  // one "&Login:" field for an MPE/iX logon string
  std::string caption;
  std::string text;
  std::string userLabel;
  std::string passwordLabel;        // empty on the MPE/iX form: it has no password field
  std::string formatExplanation;    // MPE/iX form only
  std::string passwordExplanation;  // MPE/iX form only
  std::string userName;
  std::string password;
  bool focusPassword = false;  // a user name is already there
  std::int32_t hostKind = 0;   // of the greeting: a prompt may explain MPE/iX logons (kind 1)
};

// The plain form ("&User name:", "&Password:") or, for a host that wants an
// MPE/iX logon string, the MPE/iX form; both start with the given values.
LoginForm MakeLoginForm(bool mpeLogon, const std::string& userName, const std::string& password);

struct LoginAnswer {
  std::string userName;
  std::string password;
  // The password was asked on the MPE/iX form too (the new project wizard
  // asks for both on every host): the attempt then sends it after the logon
  // string instead of the one it was given.
  bool passwordAsked = false;
};

// Asks the user for a login. Called on the connecting thread; a GUI forwards
// it to its own thread and waits for the answer.
class LoginPrompt {
 public:
  virtual ~LoginPrompt() = default;
  // The edited values, or nothing when the user cancelled.
  virtual std::optional<LoginAnswer> AskLogin(const LoginForm& form) = 0;
};

// The version as the user reads it, "d.dd.dd" from its first five digits
// (10200 is "1.02.00"); a version that is not five digits long is shown
// padded with leading zeros, or cut to its first five characters.
std::string VersionText(std::int64_t version);

class ConnectThread : public Thread {
 public:
  // `request` is a connect request (kind 8) with the host, port, user and
  // password filled in and, usually, a completion routine. `login` asks for
  // a login when the stored one is incomplete (null: the attempt ends with
  // status 4 instead); `trace` sees the commands and replies (the password
  // is masked).
  ConnectThread(RequestBlock request, LoginPrompt* login = nullptr, TraceWriter* trace = nullptr);
  // The same, with a prompt the attempt keeps alive for as long as it runs:
  // a prompt that waits for a window which may close before the attempt
  // has ended.
  ConnectThread(RequestBlock request, std::shared_ptr<LoginPrompt> login,
                TraceWriter* trace = nullptr);
  ~ConnectThread() override;

  // Ends the attempt at once: status 3, the completion routine called here,
  // on the calling thread, with a copy of the request; the connection the
  // attempt is waiting on is shut down, so Run ends promptly and calls
  // nothing more.
  void Stop() override;
  // The handshake. Unless stopped, ends by calling the completion routine
  // on this thread with the outcome: status 0 with the open command
  // connection in `socket` (which the completion then owns), or a failure
  // status with the connection closed.
  void Run() override;

 private:
  // Each step returns the status it ends with (0: go on).
  std::int32_t OpenConnection(RequestBlock& block, std::uint16_t port, Socket& socket);
  std::int32_t ReadGreeting(RequestBlock& block, Socket socket);
  std::int32_t Login(RequestBlock& block, Socket socket);
  std::int32_t TakeSessionPort(RequestBlock& block, Socket& socket);
  std::int32_t ReadSystemInformation(RequestBlock& block, Socket socket);
  std::int32_t Handshake(RequestBlock& block, Socket& socket);

  bool ReadReply(Socket socket, std::string& reply, std::int64_t& error);
  // Makes the socket the one Stop shuts down; false (the socket closed)
  // when the attempt has been stopped already.
  bool Adopt(Socket socket);
  // Closes a socket the attempt no longer needs.
  void Release(Socket& socket);

  const RequestBlock request_;               // as given; Run works on a copy
  std::shared_ptr<LoginPrompt> ownedLogin_;  // may be empty
  LoginPrompt* login_;
  TraceWriter* trace_;

  std::mutex lock_;                  // guards the two below
  Socket activeSocket_ = kNoSocket;  // the connection Run is using
  bool completed_ = false;           // the completion has been claimed (by Run or Stop)
};

}  // namespace vandrel::remote
