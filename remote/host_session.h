// The host session as the application keeps it: connecting (a connect
// thread), the session set-up once connected (the state taken from the
// handshake and the session requests queued on the worker), Stop and
// Disconnect, and the session's completions with their effects on the
// frame – the busy state, the commands that need a host, the connecting
// box and the error report. The GUI's main frame and the command-line tool
// both drive the session through this class; what they show is theirs,
// through the SessionFrame interface.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "remote/connect_thread.h"
#include "remote/listing_cache.h"
#include "remote/request_worker.h"
#include "remote/session_setup.h"
#include "remote/thread_manager.h"

namespace vandrel::remote {

// Command identities whose state follows the session.
enum SessionCommand : int {
  kCommandOpen = 1002,
  kCommandFindInFiles = 3045,
  kCommandConnect = 3080,
  kCommandDisconnect = 3081,
  kCommandCommandLine = 3089,
  kCommandConnectionInfo = 3109,
  kCommandActivateWorkspace = 3163,
};

// What the session asks of the application. Every call may come from the
// connecting thread or the worker; a GUI forwards them to its own thread.
class SessionFrame {
 public:
  virtual ~SessionFrame() = default;
  virtual void SetBusy(bool busy) = 0;
  virtual void EnableCommand(int command, bool enabled) = 0;
  // The Tools menu and the other host-only commands follow one switch.
  virtual void EnableHostCommands(bool enabled) = 0;
  virtual void ShowConnectingBox(const std::string& text) = 0;
  virtual void CloseConnectingBox() = 0;
  virtual void RefreshStatusBar() = 0;
  // Every document window is told that the session has ended.
  virtual void SessionEnded() = 0;
  // The outcome of a connection attempt, for whoever asked for it; the
  // workspace window is then activated (command 3163).
  virtual void ConnectionFinished(bool open) = 0;
  // A failed request, to be reported (the error report).
  virtual void ReportFailure(const RequestBlock& request, const char* source, int line) = 0;
  // Selects the first item of the workspace tree once the session is idle.
  virtual void SessionIdle() = 0;
};

struct ConnectParameters {
  std::string hostName;
  std::int32_t port = 11000;
  std::string userName;
  std::string password;
  SessionPreferences preferences;
  bool showConnectingBox = true;  // the ShowConnectionDlg setting
  // False: a login that would have to be asked for ends the attempt with
  // status 4 instead (an attempt nobody is watching).
  bool loginPrompt = true;
};

// How the latest connection attempt of a session ended.
struct ConnectOutcome {
  std::int32_t status = 0;
  bool loginRefused = false;  // the agent refused the login sent
};

class HostSession {
 public:
  // `worker` is the request worker, already running; `manager` starts the
  // connect threads. `login` asks for logins (may be null: a login that
  // is needed then ends the attempt with status 4).
  HostSession(ThreadManager& manager, RequestWorker& worker, SessionFrame& frame,
              LoginPrompt* login = nullptr, TraceWriter* trace = nullptr,
              ListingCache* cache = &ListingCache::Instance());
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Starts a connection attempt; the outcome arrives through the frame.
  void Connect(const ConnectParameters& parameters);
  // The user's Stop: cancels what is queued and aborts the request in
  // progress, or stops a connection attempt. A second Stop while the
  // aborted request still runs gives the session up (Disconnect): an agent
  // that does not answer the abort cannot hold the product. Requests on a
  // held connection are cancelled and aborted the same way (closing it is
  // its holder's).
  void Stop();
  // Ends the session: pending requests are cancelled and aborted, the
  // command connection closed (and a held one released).
  void Disconnect();
  // Marks the application as closing: completions of connect attempts then
  // set nothing up.
  void SetClosing() { closing_ = true; }

  // ---- A held connection ------------------------------------------------------
  // The new project wizard connects before there is a project to set a
  // session up for. Its attempt runs on a connect thread like Connect's, with
  // the wizard as the attempt's login prompt, but the outcome is handed to
  // the caller and the session's state is left alone. The connection it
  // opens is held here and lent to the worker, so the caller's requests (and
  // the host file dialogs) run on the session's own worker; ReleaseHeld
  // closes it, AdoptHeld makes it the session exactly as if Connect had just
  // opened it.

  // The outcome of a held attempt: status 0 with the connection held and
  // lent, or a failure with nothing held. Called on the connecting thread
  // (or on the thread that released the attempt) while the session's lock is
  // held: it must hand the block over to its own thread and not call back
  // into the session. Never called for an attempt that has been released.
  using HeldOutcome = std::function<void(const RequestBlock& connect)>;
  // Starts a held attempt for the host and port (the user and password, if
  // any, as Connect takes them); `login` is kept alive by the attempt. False,
  // with nothing started, while a session is open, an attempt runs, a
  // connection is held or the application is closing.
  bool ConnectHeld(const ConnectParameters& parameters, std::shared_ptr<LoginPrompt> login,
                   HeldOutcome outcome);
  // A held attempt runs or a held connection is open.
  bool holding() const;
  // The held connection is open (lent to the worker).
  bool heldOpen() const;
  // Ends the held attempt (its outcome is not delivered) or closes the held
  // connection: requests on it are cancelled and the one in progress
  // aborted first. Nothing when nothing is held.
  void ReleaseHeld();
  // Makes the held connection the session with `preferences`: the set-up of
  // a completed connect runs (state, session requests, the frame's commands
  // and its busy state), as after Connect. False when no connection is held.
  bool AdoptHeld(const SessionPreferences& preferences);

  bool connected() const { return connected_; }
  bool connecting() const { return connectThread_ != 0; }
  std::int32_t hostKind() const;
  std::int32_t securityFlags() const;
  bool mpeNames() const;
  bool qeditAvailable() const;
  std::string connectionInformation() const;
  std::string hostName() const;
  // The session last opened: its host, port and preferences, and the user
  // and password its login was accepted with (typed ones included).
  ConnectParameters openedParameters() const;
  ConnectOutcome lastOutcome() const;

  RequestWorker& worker() { return worker_; }

 private:
  void OnConnectCompleted(RequestBlock& request);
  void OnHeldCompleted(std::uint64_t attempt, RequestBlock& request, const HeldOutcome& outcome);
  void OnSessionRequestCompleted(RequestBlock& request);
  // Closes the command connection `socket` the worker is using: pending
  // requests are cancelled and the one in progress aborted first when
  // `abortPending`, and the worker lets go of the socket before it closes.
  void CloseWorkerConnection(Socket socket, bool abortPending);
  void EnterIdleIfDrained();
  // A login the agent refused is remembered (as a hash) for the session, so
  // that a connect request with it asks instead of sending it again.
  void PrepareLogin(RequestBlock& request);
  void NoteLoginOutcome(const RequestBlock& request);
  // Waits until the worker has nothing pending; false when time ran out.
  bool WaitIdle(std::chrono::milliseconds limit);

  ThreadManager& manager_;
  RequestWorker& worker_;
  SessionFrame& frame_;
  LoginPrompt* login_;
  TraceWriter* trace_;
  ListingCache* cache_;

  mutable std::mutex lock_;  // guards the session values and the attempt below
  OpenedSession session_;
  std::string hostName_;
  SessionPreferences preferences_;
  ConnectParameters opened_;    // guarded by lock_
  ConnectOutcome lastOutcome_;  // guarded by lock_
  std::atomic<bool> connected_{false};
  std::atomic<std::uint32_t> connectThread_{0};
  std::uint64_t attempt_ = 0;          // the number of the latest attempt
  std::uint64_t finishedAttempt_ = 0;  // the latest attempt whose completion ran
  std::atomic<bool> closing_{false};
  // The request (by the worker's count) that Stop sent "=!" for; 0: none.
  std::atomic<std::uint64_t> abortedRequest_{0};

  // The held attempt and the connection it opened (guarded by lock_).
  struct Held {
    std::uint64_t attempt = 0;  // 0: nothing held
    std::uint32_t thread = 0;   // its connect thread while it runs
    bool open = false;          // the connection is held and lent to the worker
    RequestBlock connect;       // the completed connect request (no completion)
  };
  Held held_;
  // Logins refused in this session: their count and their hashes (lock_).
  std::int32_t failedLogins_ = 0;
  std::set<std::size_t> refusedLogins_;
};

}  // namespace vandrel::remote
