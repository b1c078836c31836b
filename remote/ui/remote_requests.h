// What the remote file dialogs are given by the frame (the worker, the
// cache, the user, the settings, Stop and the busy state), and the requests
// a dialog posts: each completion runs on the worker (or on the cancelling
// thread), does the work that must not wait for the dialog there – reading
// a listing into the cache, moving a downloaded file into place – and is
// then carried to the user-interface thread, where the dialog hears of it
// only while it still exists. A request that ends after its dialog has
// gone is dropped there; the frame's busy state is still cleared.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "remote/listing.h"
#include "remote/request_block.h"

namespace vandrel {
struct AppSettings;
class TemplateCatalogue;
class UserInterface;
}  // namespace vandrel

namespace vandrel::remote {
class ListingCache;
class RequestWorker;
}  // namespace vandrel::remote

namespace vandrel::ui {

struct RemoteDialogServices {
  remote::RequestWorker* worker = nullptr;  // required; must outlive the requests posted
  std::int32_t hostKind = 0;                // 1: MPE/iX
  // Null: ListingCache::Instance(). A cache given must outlive the requests
  // the dialogs post (their completions store listings into it).
  remote::ListingCache* cache = nullptr;
  const TemplateCatalogue* catalogue = nullptr;  // "Open as:"; null: "(auto-detect)" only
  UserInterface* ui = nullptr;        // failures and questions; null: plain message boxes
  AppSettings* settings = nullptr;    // DetailedFileLists (the view is kept there), InitialDirList
  std::function<void()> stop;         // the frame's Stop (CancelAll and "=!")
  std::function<void(bool)> setBusy;  // may be empty; called on the user-interface thread
  std::function<void()> help;         // "&Help"; the button is disabled when empty
};

// The end of one request as the dialog hears of it.
struct RequestOutcome {
  remote::RequestBlock block;                  // its status and results (no completion, no buffer)
  std::optional<remote::HostListing> listing;  // a list-directory request read
  std::string failure;                         // what went wrong locally after the transfer
};

class RemoteRequests {
 public:
  // Runs on the worker (or the cancelling thread) with the finished block
  // before it is carried over; may fill the outcome.
  using WorkerStep = std::function<void(remote::RequestBlock&, RequestOutcome&)>;
  // Runs on the user-interface thread while the owner still exists.
  using UiStep = std::function<void(RequestOutcome&)>;

  explicit RemoteRequests(const RemoteDialogServices& services);
  ~RemoteRequests();
  RemoteRequests(const RemoteRequests&) = delete;
  RemoteRequests& operator=(const RemoteRequests&) = delete;

  const RemoteDialogServices& services() const { return services_; }
  remote::ListingCache& cache() const;
  UserInterface& user() const;

  // Posts the block (the frame turns busy). `onUi` runs after `onWorker`,
  // on the user-interface thread, unless this object is gone by then.
  void Post(remote::RequestBlock block, WorkerStep onWorker, UiStep onUi);
  // Requests posted and not yet heard of.
  int outstanding() const { return outstanding_; }

  // The dialog's Stop: the frame's Stop, and the dialog is stopping.
  void Stop();
  bool stopping() const { return stopping_; }

  // Whether the dialog may close now: not while one of its requests is
  // carried out, unless it is stopping; the user is then asked to wait
  // (or to press Stop).
  bool MayClose();

  // Reports a failed request the way every host request is reported.
  void Report(const remote::RequestBlock& request, const char* source, int line);

  // Called on the user-interface thread whenever outstanding() changes.
  std::function<void()> changed;

 private:
  struct Link {
    RemoteRequests* owner = nullptr;
  };

  void Arrived();

  RemoteDialogServices services_;
  std::shared_ptr<Link> link_;
  std::unique_ptr<UserInterface> fallbackUser_;
  int outstanding_ = 0;
  bool stopping_ = false;
};

// The options of a transfer between the list and a local file: bytes with
// progress, on MPE/iX hosts in record form.
std::int32_t TransferOptions(std::int32_t hostKind);

// Worker steps of the dialogs' requests.
// A listing's bytes read (a listing without even its folder fails as a bad
// reply) and, when `store`, kept in `cache`.
RemoteRequests::WorkerStep ReadListingStep(remote::ListingCache* cache, bool store);
// The progress display ended.
RemoteRequests::WorkerStep EndProgressStep(remote::RequestWorker* worker);
// The progress display ended and a received temporary file moved to
// `target`, replacing what is there; the temporary file never stays behind.
RemoteRequests::WorkerStep MoveDownloadStep(remote::RequestWorker* worker, std::string target);

// Moves `temporary` to `target` (copying across file systems); the
// temporary file is gone afterwards whatever happened. Empty on success,
// else what went wrong.
std::string MoveIntoPlace(const std::string& temporary, const std::string& target);

}  // namespace vandrel::ui
