// Restoring the host session after its connection dropped (the agent was
// killed, the network went). The frame watches the command connection: a
// connection the agent has closed, or a request that failed because of
// it, ends the session quietly – the failures of what was queued are not
// reported one by one – and the status bar says so. The open host
// documents stay open with their edits and their host information; the
// ones that held a lock are remembered.
//
// Connect (by hand, or automatically after 2, 4, 8, 16 and then every 30
// seconds while the AutoReconnect setting is on) opens a session to the
// same host and port with the same login, whose set-up sends the same
// preferences and environment; the folders the session changed to are
// changed to again, and every remembered document takes its lock again.
// A lock that cannot be taken (another session holds the file, or the
// file changed on the host meanwhile) is reported once and the document's
// caption marks it. Retrying stops when the host refuses the login, when
// the user connects or disconnects by hand, and when the frame closes.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/document_format.h"
#include "remote/host_session.h"
#include "remote/reconnect_schedule.h"

namespace vandrel {
struct AppSettings;
class UserInterface;
}  // namespace vandrel

namespace vandrel::ui {
class EditorWindow;
}

namespace vandrel::shell {

class FrameDocuments;
class FrameHostConnection;
class StatusBar;

// The folders a session changed to ("=SET_CD" commands the agent
// accepted), as the trace of the command connection shows them: replayed
// in order they bring a new session to the same folder, relative names
// included. Fed from any thread.
class SessionFolders {
 public:
  void Observe(std::string_view line);
  std::vector<std::string> folders() const;
  void Clear();

 private:
  mutable std::mutex lock_;
  std::optional<std::string> pending_;  // sent, its reply not seen yet
  std::vector<std::string> folders_;
};

class FrameReconnect final : public QObject {
  Q_OBJECT

 public:
  FrameReconnect(FrameHostConnection& connection, StatusBar& status, FrameDocuments& documents,
                 UserInterface& ui, const AppSettings& settings, QObject* parent = nullptr);
  ~FrameReconnect() override;

  // ---- Called by the connection -----------------------------------------------
  // Any thread: a failed request. True when it failed because the agent's
  // end of the connection has gone: the drop is taken up and the failure
  // is not reported. Failures of automatic attempts are shown in the
  // status bar, except a refused login.
  bool AbsorbFailure(const remote::RequestBlock& request);
  // Any thread: a command or reply of the command connection.
  void ObserveTrace(std::string_view line) { folders_.Observe(line); }
  // User-interface thread: a connection attempt ended; the session set-up
  // of an open one has been queued.
  void ConnectionFinished(bool open);
  // User-interface thread: the session set-up has run.
  void SessionIdle();
  // The frame closes: nothing is retried any more.
  void Stop();

  // ---- Called by the frame ----------------------------------------------------
  // Connect by hand: restores the lost session (a login the host refused
  // is asked for). False when no session was lost; the frame connects as
  // usual then.
  bool ConnectByHand();
  // The user disconnected: the lost session is not restored any more.
  void Forget();

  // A session was lost and is not restored yet.
  bool lost() const { return lost_.has_value(); }
  // Seconds until the next automatic attempt; 0 when none is due.
  int secondsToRetry() const { return countdown_.isActive() ? remaining_ : 0; }
  // A restoring attempt runs, or the session is open again and its folders
  // and locks are being restored.
  bool restoring() const { return attempting_ || restoring_.has_value() || waitingForIdle_; }

 private:
  // A document that held a lock when the session was lost.
  struct LockedDocument {
    QPointer<ui::EditorWindow> window;
    std::string hostPath;
    HostFileInfo fileInfo;
  };
  struct LostSession {
    remote::ConnectParameters parameters;
    std::vector<std::string> folders;
    std::vector<LockedDocument> locked;
  };

  // The agent's end of the command connection has gone.
  bool ConnectionGone() const;
  // Ends the session that dropped (once nothing runs on it any more).
  void TakeUpDrop();
  void ShowLost();
  void ScheduleNextAttempt();
  void CountDown();
  void Attempt(bool byHand);
  // The session is open again: folders, then the locks one at a time.
  void StartRestore();
  void RestoreNextLock();
  void LockTaken(LockedDocument document, std::int32_t status, std::int32_t lock);
  void LockChecked(LockedDocument document, std::int32_t lock, bool unchanged);
  void LockNotRetaken(const LockedDocument& document);
  void FinishRestore();

  FrameHostConnection& connection_;
  StatusBar& status_;
  FrameDocuments& documents_;
  UserInterface& ui_;
  const AppSettings& settings_;
  SessionFolders folders_;
  remote::ReconnectSchedule schedule_;
  QTimer watch_;      // looks at the command connection
  QTimer countdown_;  // one tick a second until the next attempt
  int remaining_ = 0;
  // Set from the worker's thread as soon as a failure shows the drop.
  std::atomic<bool> dropped_{false};
  std::atomic<bool> automatic_{false};  // the attempt running is an automatic one
  std::atomic<bool> stopped_{false};
  // Counts restores: completions of an abandoned one change nothing.
  std::uint64_t generation_ = 0;
  std::optional<LostSession> lost_;
  // The restore under way: what is left of it.
  bool attempting_ = false;
  bool waitingForIdle_ = false;
  std::optional<LostSession> restoring_;
  std::deque<LockedDocument> toLock_;
  std::vector<std::string> notLocked_;
};

}  // namespace vandrel::shell
