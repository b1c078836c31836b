#include "remote/request_worker.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace vandrel::remote {

namespace {

// The reply buffer of the product holds 1,024 bytes with the terminator.
constexpr std::size_t kReplyBufferSize = 1024;

std::uint32_t UpTimeMilliseconds() {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

// Takes every queued request out of the queue, in order; the caller holds
// the queue's lock.
std::vector<std::unique_ptr<RequestBlock>> TakeQueued(coList& queue) {
  std::vector<std::unique_ptr<RequestBlock>> taken;
  for (auto* position = queue.Head(); position != nullptr;) {
    taken.emplace_back(static_cast<RequestBlock*>(queue.GetNext(position)));
  }
  queue.RemoveAll();
  return taken;
}

// Completes the requests with status 3, in order. No lock is held: a
// completion may ask the worker again (AnyQueued, Post).
void CompleteCancelled(std::vector<std::unique_ptr<RequestBlock>>& requests) {
  for (const auto& request : requests) {
    request->status = kStatusCancelled;
    if (request->completion) request->completion(*request);
  }
}

}  // namespace

RequestWorker::RequestWorker(RequestServices services) : services_(std::move(services)) {}

RequestWorker::~RequestWorker() {
  // Requests still queued when the worker goes are cancelled, not lost.
  CancelAll();
}

void RequestWorker::Stop() {
  std::vector<std::unique_ptr<RequestBlock>> cancelled;
  {
    // The flag under the queue's lock, with the wake-up: the worker ends as
    // soon as it sees the flag, and its destructor takes this lock
    // (CancelAll) before the members go, so nothing here touches a member
    // that is already destroyed. The cancelled blocks are this call's own.
    std::lock_guard lock(queueLock_);
    stop_ = 1;
    cancelled = TakeQueued(queue_);
    wakeSignalled_ = true;
    wake_.notify_all();
  }
  CompleteCancelled(cancelled);
}

void RequestWorker::Post(const RequestBlock& request) {
  std::unique_ptr<RequestBlock> copy;
  try {
    copy = std::make_unique<RequestBlock>(request);
  } catch (const std::bad_alloc&) {
    return;  // dropped without completion, as a request without memory is
  }
  {
    std::lock_guard lock(queueLock_);
    copy->queuedAt = UpTimeMilliseconds();
    if (!queue_.Append(copy.get())) return;
    copy.release();
    wakeSignalled_ = true;
    // Under the lock, as in Stop.
    wake_.notify_all();
  }
}

void RequestWorker::CancelAll() {
  std::vector<std::unique_ptr<RequestBlock>> cancelled;
  {
    std::lock_guard lock(queueLock_);
    cancelled = TakeQueued(queue_);
  }
  CompleteCancelled(cancelled);
}

bool RequestWorker::AnyPending() const {
  if (inProgress_ != 0) return true;
  std::lock_guard lock(queueLock_);
  return queue_.Count() > 0;
}

bool RequestWorker::AnyQueued() const {
  std::lock_guard lock(queueLock_);
  return queue_.Count() > 0;
}

void RequestWorker::SetConnection(Socket socket, std::int32_t hostKind) {
  socket_ = socket;
  hostKind_ = hostKind;
}

bool RequestWorker::SendAbort() { return SendCommandLine("=!") == 2; }

std::size_t RequestWorker::SendCommandLine(std::string_view text) {
  std::lock_guard lock(sendLock_);
  return SendCommandText(socket_, text, services_.trace);
}

bool RequestWorker::ReadReply(std::string& reply) {
  return ReceiveReply(socket_, reply, kReplyBufferSize, services_.trace) > 0;
}

void RequestWorker::Run() {
  while (!stopping()) {
    {
      std::unique_lock lock(queueLock_);
      wake_.wait(lock, [this] { return wakeSignalled_; });
      wakeSignalled_ = false;
    }
    while (!stopping()) {
      std::unique_ptr<RequestBlock> taken;
      {
        std::lock_guard lock(queueLock_);
        coList::Node* head = queue_.Head();
        if (!head) break;
        // In progress before the queue empties, so the busy test never sees
        // a gap between the two.
        inProgress_ = 1;
        ++taken_;
        taken.reset(static_cast<RequestBlock*>(queue_.ItemOf(head)));
        queue_.Remove(head);
      }
      RequestBlock request = std::move(*taken);
      taken.reset();
      Dispatch(request);
      inProgress_ = 0;
      std::this_thread::yield();
    }
  }
}

void RequestWorker::Dispatch(RequestBlock& request) {
  switch (request.kind) {
    case kRequestGetDirectory:
      return GetDirectory(request);
    case kRequestListDirectory:
      return ListDirectory(request);
    case kRequestReceiveToFile:
    case kRequestReceiveToMemory:
      return ReceiveFile(request);
    case kRequestSendFile:
      return SendFile(request);
    case kRequestFindInFiles:
      return FindInFiles(request);
    case kRequestRunCommand:
      return RunCommand(request);
    case kRequestFileInformation:
      return FileInformation(request);
    case kRequestOpenFile:
      return OpenHostFile(request);
    case kRequestSaveFile:
      return SaveHostFile(request);
    case kRequestResolveFile:
      return ResolveFile(request);
    case kRequestSendCommand:
      return SendCommand(request);
    default:
      return;  // connect requests and unknown kinds are dropped without completion
  }
}

void RequestWorker::Complete(RequestBlock& request, std::int32_t status) {
  request.status = stopping() ? kStatusCancelled : status;
  if (request.completion) request.completion(request);
}

void RequestWorker::StripQuotes(std::string& text) {
  if (text.empty() || text.front() != '"') return;
  text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
}

}  // namespace vandrel::remote
