#include "remote/ui/remote_requests.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/message_box.h"
#include "core/progress.h"
#include "core/string_ids.h"
#include "core/user_interface.h"
#include "remote/error_report.h"
#include "remote/listing_cache.h"
#include "remote/listing_view.h"
#include "remote/request_worker.h"

namespace vandrel::ui {

namespace {

// Messages the dialogs show when the frame gave no user interface: the
// reports and the request to wait only ever need OK.
class PlainMessages final : public UserInterface {
 public:
  int ShowMessage(const std::string& caption, const std::string& text, unsigned style) override {
    QMessageBox::Icon icon = QMessageBox::Information;
    if ((style & kMbIconMask) == kMbIconError) icon = QMessageBox::Critical;
    if ((style & kMbIconMask) == kMbIconWarning) icon = QMessageBox::Warning;
    QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.exec();
    return kIdOk;
  }
};

}  // namespace

RemoteRequests::RemoteRequests(const RemoteDialogServices& services)
    : services_(services), link_(std::make_shared<Link>()) {
  link_->owner = this;
  if (services_.ui == nullptr) fallbackUser_ = std::make_unique<PlainMessages>();
}

RemoteRequests::~RemoteRequests() { link_->owner = nullptr; }

remote::ListingCache& RemoteRequests::cache() const {
  return services_.cache != nullptr ? *services_.cache : remote::ListingCache::Instance();
}

UserInterface& RemoteRequests::user() const {
  return services_.ui != nullptr ? *services_.ui : *fallbackUser_;
}

void RemoteRequests::Post(remote::RequestBlock block, WorkerStep onWorker, UiStep onUi) {
  remote::RequestWorker* worker = services_.worker;
  if (worker == nullptr) return;
  // The completion holds only what outlives the dialog: the link (read on
  // the user-interface thread alone), the worker and the frame's busy state.
  block.completion = [link = link_, worker, setBusy = services_.setBusy,
                      onWorker = std::move(onWorker),
                      onUi = std::move(onUi)](remote::RequestBlock& done) {
    auto outcome = std::make_shared<RequestOutcome>();
    if (onWorker) onWorker(done, *outcome);
    done.buffer.clear();
    outcome->block = done;
    outcome->block.completion = nullptr;
    // Still inside this request's completion, the worker counts it as in
    // progress: what is queued behind it is what keeps the frame busy.
    const bool queued = worker->AnyQueued();
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return;
    QMetaObject::invokeMethod(
        application,
        [link, setBusy, onUi, outcome, queued] {
          if (!queued && setBusy) setBusy(false);
          if (link->owner == nullptr) return;
          link->owner->Arrived();
          if (onUi) onUi(*outcome);
        },
        Qt::QueuedConnection);
  };
  ++outstanding_;
  if (services_.setBusy) services_.setBusy(true);
  if (changed) changed();
  worker->Post(block);
}

void RemoteRequests::Arrived() {
  if (outstanding_ > 0) --outstanding_;
  if (outstanding_ == 0) stopping_ = false;
  if (changed) changed();
}

void RemoteRequests::Stop() {
  if (outstanding_ > 0) stopping_ = true;
  if (services_.stop) services_.stop();
  if (changed) changed();
}

bool RemoteRequests::MayClose() {
  if (outstanding_ == 0 || stopping_) return true;
  MessageBox(user(), kMbOk | kMbIconInformation, kStrWaitForCurrentTask);
  return false;
}

void RemoteRequests::Report(const remote::RequestBlock& request, const char* source, int line) {
  remote::ReportRequestFailure(request, source, line, user());
}

std::int32_t TransferOptions(std::int32_t hostKind) {
  const std::int32_t options = remote::kOptionProgress | remote::kOptionModeBytes;
  return hostKind == remote::kHostKindMpe ? options | remote::kOptionModeRecord : options;
}

RemoteRequests::WorkerStep ReadListingStep(remote::ListingCache* cache, bool store) {
  return [cache, store](remote::RequestBlock& done, RequestOutcome& outcome) {
    if (done.status != remote::kStatusSuccess) return;
    outcome.listing = remote::ReadListing(done.buffer, std::time(nullptr));
    if (!outcome.listing) {
      done.status = remote::kStatusBadReply;
      return;
    }
    if (store) cache->Store(*outcome.listing);
  };
}

namespace {

void EndProgress(remote::RequestWorker* worker) {
  if (ProgressReporter* progress = worker->services().progress) progress->ClearProgress();
}

}  // namespace

RemoteRequests::WorkerStep EndProgressStep(remote::RequestWorker* worker) {
  return [worker](remote::RequestBlock&, RequestOutcome&) { EndProgress(worker); };
}

RemoteRequests::WorkerStep MoveDownloadStep(remote::RequestWorker* worker, std::string target) {
  return [worker, target](remote::RequestBlock& done, RequestOutcome& outcome) {
    EndProgress(worker);
    if (done.status != remote::kStatusSuccess || done.localPath.empty()) return;
    outcome.failure = MoveIntoPlace(done.localPath, target);
  };
}

std::string MoveIntoPlace(const std::string& temporary, const std::string& target) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::rename(temporary, target, error);
  if (!error) return std::string();
  // Another file system: copy over the target, then drop the temporary.
  std::error_code copyError;
  fs::copy_file(temporary, target, fs::copy_options::overwrite_existing, copyError);
  std::error_code ignored;
  fs::remove(temporary, ignored);
  if (!copyError) return std::string();
  return "The file '" + target + "' could not be written: " + copyError.message() + ".";
}

}  // namespace vandrel::ui
