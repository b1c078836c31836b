#include "shell/frame_host_connection.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "core/main_menu.h"
#include "project/output_panes.h"
#include "remote/error_report.h"
#include "shell/main_frame.h"
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
  UiThreadUserInterface(QObject* context, MainFrame& frame) : context_(context), frame_(frame) {}
  int ShowMessage(const std::string& caption, const std::string& text, unsigned style) override {
    int answer = kIdCancel;
    RunOnUiThread(context_, [&] { answer = frame_.userInterface().ShowMessage(caption, text, style); });
    return answer;
  }

 private:
  QObject* context_;
  MainFrame& frame_;
};

}  // namespace

FrameHostConnection::FrameHostConnection(MainFrame& frame, project::OutputPanes& output,
                                         ProgressReporter* progress)
    : QObject(&frame), frame_(frame) {
  ui_ = std::make_unique<UiThreadUserInterface>(this, frame);
  remote::RequestServices services;
  services.user = ui_.get();
  services.output = &output;
  services.progress = progress;
  auto worker = std::make_unique<remote::RequestWorker>(services);
  worker_ = worker.get();
  manager_.Start(std::move(worker));
  session_ = std::make_unique<remote::HostSession>(manager_, *worker_, *this);
}

FrameHostConnection::~FrameHostConnection() { Shutdown(); }

void FrameHostConnection::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  session_->SetClosing();
  if (session_->connecting()) session_->Stop();
  if (session_->connected()) session_->Disconnect();
  session_.reset();
  // Completions still on their way may wait for this thread; let them through.
  manager_.StopAllAndWait(
      [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20); });
}

void FrameHostConnection::Connect(const remote::ConnectParameters& parameters) {
  if (!shutDown_) session_->Connect(parameters);
}

void FrameHostConnection::Disconnect() {
  if (!shutDown_ && session_->connected()) session_->Disconnect();
}

void FrameHostConnection::Stop() {
  if (!shutDown_) session_->Stop();
}

void FrameHostConnection::Queue(std::function<void()> work) {
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void FrameHostConnection::SetBusy(bool busy) {
  Queue([this, busy] { frame_.SetBusy(busy); });
}

// The frame works the host commands out from the connected flag.
void FrameHostConnection::EnableCommand(int, bool) { RefreshStatusBar(); }

void FrameHostConnection::EnableHostCommands(bool) { RefreshStatusBar(); }

void FrameHostConnection::ShowConnectingBox(const std::string& text) {
  const QString shown = QString::fromStdString(text);
  Queue([this, shown] { frame_.frameStatusBar()->showMessage(shown); });
}

void FrameHostConnection::CloseConnectingBox() {
  Queue([this] { frame_.frameStatusBar()->clearMessage(); });
}

void FrameHostConnection::RefreshStatusBar() {
  Queue([this] {
    if (session_) frame_.SetConnected(session_->connected());
  });
}

void FrameHostConnection::SessionEnded() { RefreshStatusBar(); }

void FrameHostConnection::ConnectionFinished(bool open) {
  Queue([this, open] {
    frame_.SetConnected(open);
    if (open) frame_.RunCommand(cmd::kActivateWorkspace);
  });
}

void FrameHostConnection::ReportFailure(const remote::RequestBlock& request, const char* source,
                                        int line) {
  // The block lives only during this call: describe it here, show it there.
  const remote::ErrorReport report = remote::DescribeRequestFailure(request, source, line);
  Queue([this, report] { remote::ShowErrorReport(report, frame_.userInterface()); });
}

void FrameHostConnection::SessionIdle() {
  Queue([this] { frame_.UpdateCommandState(); });
}

}  // namespace vandrel::shell
