#include "remote/request_worker.h"

#include <chrono>
#include <new>
#include <thread>

#include "remote/operation_support.h"

namespace vandrel::remote {

namespace {

std::uint32_t UpTimeMilliseconds() {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

// Completes the requests with status 3, in order. No lock is held: a
// completion may ask the worker again (AnyQueued, Post).
void CompleteCancelled(std::list<RequestBlock>& requests) {
  for (RequestBlock& request : requests) {
    request.status = kStatusCancelled;
    if (request.completion) request.completion(request);
  }
}

}  // namespace

RequestWorker::RequestWorker(RequestServices services) : services_(std::move(services)) {}

RequestWorker::~RequestWorker() {
  // Requests still queued when the worker goes are cancelled, not lost.
  CancelAll();
}

void RequestWorker::Stop() {
  std::list<RequestBlock> cancelled;
  {
    // The flag under the queue's lock, with the wake-up: the worker ends as
    // soon as it sees the flag, and its destructor takes this lock
    // (CancelAll) before the members go, so nothing here touches a member
    // that is already destroyed. The cancelled blocks are this call's own.
    std::lock_guard lock(queueLock_);
    stop_ = 1;
    cancelled.splice(cancelled.end(), queue_);
    wake_.notify_all();
  }
  CompleteCancelled(cancelled);
}

void RequestWorker::Post(const RequestBlock& request) {
  // The copy is made before the lock is taken and joins the queue without
  // allocating, so Post holds the lock only for a moment.
  std::list<RequestBlock> copy;
  try {
    copy.push_back(request);
  } catch (const std::bad_alloc&) {
    return;  // dropped without completion, as a request without memory is
  }
  std::lock_guard lock(queueLock_);
  copy.front().queuedAt = UpTimeMilliseconds();
  queue_.splice(queue_.end(), copy);
  // Under the lock, as in Stop.
  wake_.notify_all();
}

void RequestWorker::CancelAll() {
  std::list<RequestBlock> cancelled;
  {
    std::lock_guard lock(queueLock_);
    cancelled.splice(cancelled.end(), queue_);
  }
  CompleteCancelled(cancelled);
}

bool RequestWorker::AnyPending() const {
  std::lock_guard lock(queueLock_);
  return inProgress_ || !queue_.empty();
}

bool RequestWorker::AnyQueued() const {
  std::lock_guard lock(queueLock_);
  return !queue_.empty();
}

bool RequestWorker::WaitUntilIdle(std::chrono::milliseconds limit) const {
  std::unique_lock lock(queueLock_);
  return idle_.wait_for(lock, limit, [this] { return !inProgress_ && queue_.empty(); });
}

void RequestWorker::SetConnection(Socket socket, std::int32_t hostKind) {
  socket_ = socket;
  hostKind_ = hostKind;
}

CommandLink RequestWorker::Link() {
  return CommandLink(*this, socket_, sendLock_, services_.trace);
}

bool RequestWorker::SendAbort() { return Link().Send("=!") == 2; }

void RequestWorker::Run() {
  while (true) {
    std::list<RequestBlock> taken;
    {
      std::unique_lock lock(queueLock_);
      wake_.wait(lock, [this] { return stopping() || !queue_.empty(); });
      if (stopping()) return;
      // In progress in the same step that takes it from the queue, so the busy
      // test never sees a gap between the two.
      taken.splice(taken.end(), queue_, queue_.begin());
      inProgress_ = true;
      ++taken_;
    }
    Dispatch(taken.front());
    {
      std::lock_guard lock(queueLock_);
      inProgress_ = false;
      if (queue_.empty()) idle_.notify_all();
    }
    std::this_thread::yield();
  }
}

RequestWorker::Operation RequestWorker::OperationOf(std::int32_t kind) {
  switch (kind) {
    case kRequestGetDirectory:
      return &RequestWorker::GetDirectory;
    case kRequestListDirectory:
      return &RequestWorker::ListDirectory;
    case kRequestReceiveToFile:
    case kRequestReceiveToMemory:
      return &RequestWorker::ReceiveFile;
    case kRequestSendFile:
      return &RequestWorker::SendFile;
    case kRequestFindInFiles:
      return &RequestWorker::FindInFiles;
    case kRequestRunCommand:
      return &RequestWorker::RunCommand;
    case kRequestFileInformation:
      return &RequestWorker::FileInformation;
    case kRequestOpenFile:
      return &RequestWorker::OpenHostFile;
    case kRequestSaveFile:
      return &RequestWorker::SaveHostFile;
    case kRequestResolveFile:
      return &RequestWorker::ResolveFile;
    case kRequestSendCommand:
      return &RequestWorker::SendCommand;
    default:
      return nullptr;  // connect requests and unknown kinds
  }
}

std::int32_t RequestWorker::Settled(std::int32_t status) const {
  return stopping() ? kStatusCancelled : status;
}

std::int32_t RequestWorker::RunStep(Operation operation, RequestBlock& step) {
  step.status = Settled((this->*operation)(step));
  return step.status;
}

void RequestWorker::Dispatch(RequestBlock& request) {
  const Operation operation = OperationOf(request.kind);
  if (operation == nullptr) return;  // dropped without completion
  request.status = Settled((this->*operation)(request));
  if (request.completion) request.completion(request);
}

void RequestWorker::StripQuotes(std::string& text) {
  if (text.empty() || text.front() != '"') return;
  text.erase(0, 1);
  if (!text.empty() && text.back() == '"') text.pop_back();
}

}  // namespace vandrel::remote
