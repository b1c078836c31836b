#include "shell/frame_host_connection.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <algorithm>

#include "core/app_settings.h"
#include "editor/ui/file_changed_dialog.h"
#include "project/output_panes.h"
#include "remote/error_report.h"
#include "remote/listing_cache.h"
#include "remote/ui/login_dialog.h"
#include "shell/frame_host_view.h"
#include "shell/frame_reconnect.h"
#include "shell/status_bar.h"

namespace vandrel::shell {

void RunOnUiThread(QObject* context, const std::function<void()>& work) {
  if (QThread::currentThread() == context->thread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(context, work, Qt::BlockingQueuedConnection);
}

namespace {

// The frame's message boxes for questions asked on the worker: the worker
// waits for the answer.
class UiThreadUserInterface final : public UserInterface {
 public:
  UiThreadUserInterface(QObject* context, UserInterface& target)
      : context_(context), target_(target) {}
  int ShowMessage(const std::string& caption, const std::string& text, unsigned style) override {
    int answer = kIdCancel;
    RunOnUiThread(context_, [&] { answer = target_.ShowMessage(caption, text, style); });
    return answer;
  }

 private:
  QObject* context_;
  UserInterface& target_;
};

}  // namespace

// The "File Has Been Changed" question: the dialog with its comparison, or,
// while the frame answers through a user interface of its own (start-up
// scripts, tests), a message box through that.
class FrameHostConnection::OverwriteChoice final : public remote::OverwriteQuestion {
 public:
  OverwriteChoice(std::unique_ptr<remote::OverwriteQuestion> dialog, UserInterface& messages)
      : dialog_(std::move(dialog)), messages_(messages) {}
  void SetAsMessage(bool on) { asMessage_ = on; }
  bool ConfirmOverwrite(const remote::OverwriteCase& question) override {
    if (asMessage_) return remote::ConfirmOverwriteAsText(&messages_, question);
    return dialog_->ConfirmOverwrite(question);
  }

 private:
  std::unique_ptr<remote::OverwriteQuestion> dialog_;
  UserInterface& messages_;
  std::atomic<bool> asMessage_{false};
};

FrameHostConnection::FrameHostConnection(FrameHostView& view, StatusBar& status, UserInterface& ui,
                                         project::OutputPanes& output, ProgressReporter* progress,
                                         QObject* parent, remote::OutputWriter* writer)
    : QObject(parent),
      view_(view),
      status_(status),
      userInterface_(ui),
      trace_(output, reconnect_) {
  ui_ = std::make_unique<UiThreadUserInterface>(this, ui);
  login_ = ui::MakeDialogLoginPrompt(this);
  overwrite_ = std::make_unique<OverwriteChoice>(
      ui::MakeDialogOverwriteQuestion(
          this, [&view](const remote::OverwriteCase& question,
                        QWidget* parent) { return view.MergeHostChanges(question, parent); }),
      *ui_);
  remote::RequestServices services;
  services.user = ui_.get();
  services.overwrite = overwrite_.get();
  services.output = writer != nullptr ? writer : static_cast<remote::OutputWriter*>(&output);
  services.progress = progress;
  services.trace = &trace_;
  auto worker = std::make_unique<remote::RequestWorker>(services);
  worker_ = worker.get();
  manager_.Start(std::move(worker));
  session_ =
      std::make_unique<remote::HostSession>(manager_, *worker_, *this, login_.get(), &trace_);
}

FrameHostConnection::~FrameHostConnection() { Shutdown(); }

void FrameHostConnection::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  ending_ = true;
  if (reconnect_) reconnect_->Stop();
  session_->SetClosing();
  if (session_->connecting()) session_->Stop();
  if (session_->connected()) session_->Disconnect();
  session_.reset();
  // Completions still on their way may wait for this thread; let them through.
  manager_.StopAllAndWait(
      [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20); });
  reconnect_ = nullptr;
}

void FrameHostConnection::TakeUpSettings() {
  if (!settings_) return;
  trace_.SetEnabled(settings_->Debugging != 0);
  // Listings are kept while they fit the folder cache's limit; 0 keeps none.
  remote::ListingCache::Instance().SetLimit(
      static_cast<std::size_t>(std::max(settings_->FolderCacheSize, 0)) * 1024);
}

void FrameHostConnection::Connect(const remote::ConnectParameters& parameters) {
  TakeUpSettings();
  if (!shutDown_) session_->Connect(parameters);
  view_.SetBusy(true);
}

bool FrameHostConnection::ConnectHeld(const remote::ConnectParameters& parameters,
                                      std::shared_ptr<remote::LoginPrompt> login,
                                      remote::HostSession::HeldOutcome outcome) {
  if (shutDown_) return false;
  TakeUpSettings();
  return session_->ConnectHeld(parameters, std::move(login), std::move(outcome));
}

void FrameHostConnection::ReleaseHeld() {
  if (!shutDown_) session_->ReleaseHeld();
}

bool FrameHostConnection::AdoptHeld(const remote::SessionPreferences& preferences) {
  if (shutDown_ || !session_->AdoptHeld(preferences)) return false;
  view_.SetBusy(true);
  return true;
}

void FrameHostConnection::Disconnect() {
  ending_ = true;
  if (!shutDown_ && session_->connected()) session_->Disconnect();
  ending_ = shutDown_;
  view_.SetConnected(connected());
}

void FrameHostConnection::Stop() {
  if (shutDown_) return;
  // A second Stop may give the session up.
  ending_ = true;
  session_->Stop();
  ending_ = false;
}

void FrameHostConnection::Queue(std::function<void()> work) {
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void FrameHostConnection::SetBusy(bool busy) {
  Queue([this, busy] { view_.SetBusy(busy); });
}

// The frame works the host commands out from the connected flag.
void FrameHostConnection::EnableCommand(int, bool) { RefreshStatusBar(); }

void FrameHostConnection::EnableHostCommands(bool) { RefreshStatusBar(); }

void FrameHostConnection::ShowConnectingBox(const std::string& text) {
  const QString shown = QString::fromStdString(text);
  Queue([this, shown] { status_.showMessage(shown); });
}

void FrameHostConnection::CloseConnectingBox() {
  Queue([this] { status_.clearMessage(); });
}

void FrameHostConnection::RefreshStatusBar() {
  Queue([this] {
    if (session_) view_.SetConnected(session_->connected());
  });
}

void FrameHostConnection::SessionEnded() {
  // At once when Disconnect ends it here: nothing may use a lock of the
  // session that is gone.
  if (QThread::currentThread() == thread()) {
    view_.SessionEnded();
  } else {
    Queue([this] { view_.SessionEnded(); });
  }
  RefreshStatusBar();
}

void FrameHostConnection::DebugTrace::WriteTraceLine(std::string_view line) {
  if (FrameReconnect* reconnect = reconnect_) reconnect->ObserveTrace(line);
  if (enabled_) panes_.Print(remote::kPaneDebug, line);
}

void FrameHostConnection::AskQuestionsAsMessages(bool on) { overwrite_->SetAsMessage(on); }

void FrameHostConnection::Report(const remote::RequestBlock& request, const char* source,
                                 int line) {
  if (reconnect_ && reconnect_->AbsorbFailure(request)) return;
  remote::ReportRequestFailure(request, source, line, userInterface_,
                               trace_.enabled() ? &trace_ : nullptr);
}

void FrameHostConnection::ConnectionFinished(bool open) {
  Queue([this, open] {
    view_.SetConnected(open);
    if (open) view_.ActivateWorkspace();
    if (reconnect_) reconnect_->ConnectionFinished(open);
  });
}

void FrameHostConnection::ReportFailure(const remote::RequestBlock& request, const char* source,
                                        int line) {
  if (reconnect_ && reconnect_->AbsorbFailure(request)) return;
  // The block lives only during this call: describe it here, show it there.
  const remote::ErrorReport report = remote::DescribeRequestFailure(request, source, line);
  if (trace_.enabled() && !report.debugLine.empty()) trace_.WriteTraceLine(report.debugLine);
  Queue([this, report] { remote::ShowErrorReport(report, userInterface_); });
}

void FrameHostConnection::SessionIdle() {
  Queue([this] {
    view_.CommandStateChanged();
    if (reconnect_) reconnect_->SessionIdle();
  });
}

}  // namespace vandrel::shell
