#include "remote/request_worker.h"

#include <chrono>
#include <memory>
#include <thread>

namespace vandrel::remote {

namespace {

// The reply buffer of the product holds 1,024 bytes with the terminator.
constexpr std::size_t kReplyBufferSize = 1024;

std::uint32_t UpTimeMilliseconds() {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace

RequestWorker::RequestWorker(RequestServices services) : services_(std::move(services)) {}

RequestWorker::~RequestWorker() {
  // Requests still queued when the worker goes are cancelled, not lost.
  CancelAll();
}

void RequestWorker::Stop() {
  stop_ = 1;
  CancelAll();
  {
    std::lock_guard lock(queueLock_);
    wakeSignalled_ = true;
  }
  wake_.notify_all();
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
  }
  wake_.notify_all();
}

void RequestWorker::CancelAll() {
  std::lock_guard lock(queueLock_);
  for (auto* position = queue_.Head(); position != nullptr;) {
    coList::Node* node = position;
    std::unique_ptr<RequestBlock> request(static_cast<RequestBlock*>(queue_.GetNext(position)));
    queue_.Remove(node);
    request->status = kStatusCancelled;
    if (request->completion) request->completion(*request);
  }
  queue_.RemoveAll();
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
