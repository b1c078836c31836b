#include "shell/frame_build_application.h"

#include <QApplication>

#include "project/project.h"
#include "remote/error_report.h"
#include "shell/frame_host_connection.h"
#include "shell/main_frame.h"

namespace vandrel::shell {

FrameBuildApplication::FrameBuildApplication(MainFrame& frame)
    : QObject(&frame),
      frame_(frame),
      queue_(std::make_unique<project::WorkerQueue>(frame.hostConnection()->worker())) {}

project::RequestQueue* FrameBuildApplication::Queue() {
  return frame_.hostConnection()->connected() ? queue_.get() : nullptr;
}

void FrameBuildApplication::SetBusy(bool busy) {
  QMetaObject::invokeMethod(this, [this, busy] { frame_.SetBusy(busy); });
}

void FrameBuildApplication::RequestFailed(const remote::RequestBlock& request) {
  // The block lives only during this call: describe it here, show it there.
  const remote::ErrorReport report = remote::DescribeRequestFailure(request, __FILE__, __LINE__);
  QMetaObject::invokeMethod(this, [this, report] {
    remote::ShowErrorReport(report, frame_.userInterface());
  });
}

bool FrameBuildApplication::Connected() { return frame_.hostConnection()->connected(); }

std::int32_t FrameBuildApplication::HostKind() {
  return frame_.hostConnection()->hostKind();
}

void FrameBuildApplication::SaveAllDocuments() {
  RunOnUiThread(this, [this] { frame_.SaveAll(); });
}

void FrameBuildApplication::SelectFirstError() {
  QMetaObject::invokeMethod(this, [this] {
    if (navigator_) navigator_->SelectFirstError(true);
  });
}

void FrameBuildApplication::ErrorBeep() {
  QMetaObject::invokeMethod(this, [] { QApplication::beep(); });
}

void FrameBuildApplication::BuildFinished(std::optional<std::size_t>) {
  QMetaObject::invokeMethod(this, [this] { frame_.UpdateCommandState(); });
}

std::optional<std::string> FrameBuildApplication::FindItemPath(std::string_view name) {
  project::ProjectItem* item = frame_.project().FindItem(name, HostKind());
  if (!item) return std::nullopt;
  return item->FullPath();
}

bool FrameBuildApplication::OpenProjectItem(std::string_view name,
                                            const project::JumpPlace& place) {
  project::ProjectItem* item = frame_.project().FindItem(name, HostKind());
  if (!item || item->IsFolder()) return false;
  const std::optional<std::string> path = item->FullPath();
  if (!path) return false;
  frame_.OpenHostFile(*path, item->EffectiveTemplate().value_or(std::string()), place.line);
  return true;
}

void FrameBuildApplication::OpenFile(std::string_view name, const project::JumpPlace& place) {
  frame_.OpenHostFile(std::string(name), std::string(), place.line);
}

bool FrameBuildApplication::RequestsPending() { return frame_.hostConnection()->AnyPending(); }

}  // namespace vandrel::shell
