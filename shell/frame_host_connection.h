// The main frame's host connection: the request worker, the session
// (connect, Stop, Disconnect) and what the session and its requests ask of
// the window – its busy and connected state, its commands and the status
// bar (FrameHostView), and the user's answers. The worker and the connect
// threads call in from their own threads; everything that touches widgets
// is carried over to the user-interface thread – status changes queued,
// questions and completions that must be answered before the worker goes
// on with a blocking call.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

#include "core/progress.h"
#include "core/user_interface.h"
#include "remote/host_session.h"
#include "remote/request_worker.h"
#include "remote/thread_manager.h"

namespace vandrel {
struct AppSettings;
}

namespace vandrel::project {
class OutputPanes;
}

namespace vandrel::shell {

class FrameHostView;
class FrameReconnect;
class StatusBar;

// Runs `work` on the user-interface thread and waits for it (at once when
// already there).
void RunOnUiThread(QObject* context, const std::function<void()>& work);

class FrameHostConnection final : public QObject, public remote::SessionFrame {
  Q_OBJECT

 public:
  // Questions and failures go to `ui` on the user-interface thread. Requests
  // write to `output` and report transfers to `progress`, which must take
  // reports from any thread. All of them must outlive the connection.
  // With `writer`, requests write their output there instead (the panes
  // still take the Debug lines).
  FrameHostConnection(FrameHostView& view, StatusBar& status, UserInterface& ui,
                      project::OutputPanes& output, ProgressReporter* progress,
                      QObject* parent = nullptr, remote::OutputWriter* writer = nullptr);
  ~FrameHostConnection() override;

  // The session; only while the connection has not been shut down.
  remote::HostSession& session() { return *session_; }
  // Connect (the window is busy until it has finished), Disconnect (the
  // window follows the session's state) and Stop; the session does nothing
  // once shut down (the frame is closing and no thread may start).
  void Connect(const remote::ConnectParameters& parameters);
  void Disconnect();
  void Stop();
  // The new project wizard's connection, held by the session until it is
  // released or adopted (remote::HostSession's held connection); the
  // attempt takes up the settings as Connect does. Adopting it sets the
  // session up with `preferences` and leaves the window busy until the
  // set-up has run, exactly as after Connect.
  bool ConnectHeld(const remote::ConnectParameters& parameters,
                   std::shared_ptr<remote::LoginPrompt> login,
                   remote::HostSession::HeldOutcome outcome);
  void ReleaseHeld();
  bool AdoptHeld(const remote::SessionPreferences& preferences);
  std::int32_t hostKind() const { return connected() ? session_->hostKind() : 0; }
  remote::RequestWorker& worker() { return *worker_; }
  // The user as the connection asks and tells them (user-interface thread).
  UserInterface& userInterface() { return userInterface_; }
  bool connected() const { return !shutDown_ && session_->connected(); }
  bool shutDown() const { return shutDown_; }
  // The session is being ended on purpose (Disconnect, Stop, Shutdown).
  bool ending() const { return ending_; }
  // What restores a lost session: told of failures (before they are
  // reported), of every command and reply, of connection outcomes and of
  // the session going idle. Null: none.
  void SetReconnect(FrameReconnect* reconnect) { reconnect_ = reconnect; }
  bool connecting() const { return !shutDown_ && session_->connecting(); }
  // Host requests are queued or running.
  bool AnyPending() const { return !shutDown_ && worker_->AnyPending(); }

  // Ends the session and the threads; called once when the frame closes.
  void Shutdown();

  // Reports a failed request on the user-interface thread: the Debug pane
  // line while debugging, then the connection error box.
  void Report(const remote::RequestBlock& request, const char* source, int line);
  // Questions of requests ("File Has Been Changed") go to the user
  // interface as message boxes instead of their dialogs: the frame answers
  // through a user interface of its own.
  void AskQuestionsAsMessages(bool on);
  // The settings each connection attempt takes up: Debugging and the
  // folder cache's limit (FolderCacheSize). Null: neither changes.
  void SetSettings(const AppSettings* settings) { settings_ = settings; }
  // The Debugging setting: while on, every command and reply and every
  // failed request is written to the Debug pane.
  void SetDebugging(bool on) { trace_.SetEnabled(on); }

  // ---- SessionFrame (any thread) ------------------------------------------------
  void SetBusy(bool busy) override;
  void EnableCommand(int command, bool enabled) override;
  void EnableHostCommands(bool enabled) override;
  void ShowConnectingBox(const std::string& text) override;
  void CloseConnectingBox() override;
  void RefreshStatusBar() override;
  void SessionEnded() override;
  void ConnectionFinished(bool open) override;
  void ReportFailure(const remote::RequestBlock& request, const char* source, int line) override;
  void SessionIdle() override;

 private:
  // Posts `work` to the user-interface thread without waiting.
  void Queue(std::function<void()> work);
  // Takes up the settings a connection attempt follows.
  void TakeUpSettings();

  // The Debug pane as the engine's trace; written from any thread.
  class DebugTrace final : public remote::TraceWriter {
   public:
    explicit DebugTrace(project::OutputPanes& panes, FrameReconnect*& reconnect)
        : panes_(panes), reconnect_(reconnect) {}
    void SetEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }
    void WriteTraceLine(std::string_view line) override;

   private:
    project::OutputPanes& panes_;
    FrameReconnect*& reconnect_;
    std::atomic<bool> enabled_{false};
  };

  FrameHostView& view_;
  StatusBar& status_;
  UserInterface& userInterface_;  // on the user-interface thread
  FrameReconnect* reconnect_ = nullptr;
  DebugTrace trace_;
  std::unique_ptr<UserInterface> ui_;  // for the worker: carried over and waited for
  // The login and the "File Has Been Changed" question, asked here for the
  // connecting thread and the worker.
  std::unique_ptr<remote::LoginPrompt> login_;
  class OverwriteChoice;
  std::unique_ptr<OverwriteChoice> overwrite_;
  remote::ThreadManager manager_;
  remote::RequestWorker* worker_ = nullptr;
  std::unique_ptr<remote::HostSession> session_;
  const AppSettings* settings_ = nullptr;
  bool shutDown_ = false;
  std::atomic<bool> ending_{false};
};

}  // namespace vandrel::shell
