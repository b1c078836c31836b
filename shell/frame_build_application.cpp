#include "shell/frame_build_application.h"

#include <QApplication>

#include "core/user_interface.h"
#include "project/project.h"
#include "remote/error_report.h"
#include "shell/document_opener.h"
#include "shell/frame_documents.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_host_view.h"

namespace vandrel::shell {

FrameBuildApplication::FrameBuildApplication(FrameHostConnection& host, FrameHostView& view,
                                             DocumentOpener& opener, FrameDocuments& documents,
                                             project::Project& project, UserInterface& ui,
                                             QObject* parent)
    : QObject(parent),
      host_(host),
      view_(view),
      opener_(opener),
      documents_(documents),
      project_(project),
      ui_(ui),
      queue_(std::make_unique<project::WorkerQueue>(host.worker())) {}

project::RequestQueue* FrameBuildApplication::Queue() {
  return host_.connected() ? queue_.get() : nullptr;
}

void FrameBuildApplication::SetBusy(bool busy) {
  QMetaObject::invokeMethod(this, [this, busy] { view_.SetBusy(busy); });
}

void FrameBuildApplication::RequestFailed(const remote::RequestBlock& request) {
  // The block lives only during this call: describe it here, show it there.
  const remote::ErrorReport report = remote::DescribeRequestFailure(request, __FILE__, __LINE__);
  QMetaObject::invokeMethod(this, [this, report] { remote::ShowErrorReport(report, ui_); });
}

bool FrameBuildApplication::Connected() { return host_.connected(); }

std::int32_t FrameBuildApplication::HostKind() { return host_.hostKind(); }

void FrameBuildApplication::SaveAllDocuments() {
  RunOnUiThread(this, [this] { documents_.SaveAll(); });
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
  QMetaObject::invokeMethod(this, [this] { view_.CommandStateChanged(); });
}

std::optional<std::string> FrameBuildApplication::FindItemPath(std::string_view name) {
  project::ProjectItem* item = project_.FindItem(name, HostKind());
  if (!item) return std::nullopt;
  return item->FullPath();
}

bool FrameBuildApplication::OpenProjectItem(std::string_view name,
                                            const project::JumpPlace& place) {
  project::ProjectItem* item = project_.FindItem(name, HostKind());
  if (!item || item->IsFolder()) return false;
  const std::optional<std::string> path = item->FullPath();
  if (!path) return false;
  opener_.OpenHostFile(*path, item->EffectiveTemplate().value_or(std::string()), place.line, false,
                       static_cast<std::uint32_t>(place.mark));
  return true;
}

void FrameBuildApplication::OpenFile(std::string_view name, const project::JumpPlace& place) {
  opener_.OpenHostFile(std::string(name), std::string(), place.line, false,
                       static_cast<std::uint32_t>(place.mark));
}

bool FrameBuildApplication::RequestsPending() { return host_.AnyPending(); }

}  // namespace vandrel::shell
