// The request worker: the one long-lived thread that owns the queue of host
// requests and carries them out strictly one at a time, in the order they
// were posted, over the session's command connection. Post returns at once;
// each request ends with its status set and its completion routine called –
// on the worker for requests carried out, on the cancelling thread for
// requests cancelled while queued.
//
// The exchange of each request kind with the agent (the command texts, the
// data connection, the final reply) is one operation of the worker: one
// class, its operations kept in a file per family of requests:
//   command_requests.cpp    one command and its reply (get-directory,
//                           file-information, resolve-file, send-command);
//   data_requests.cpp       a data connection the agent makes back
//                           (list-directory, receive-file, send-file,
//                           find-in-files, run-command);
//   composite_requests.cpp  steps of the other operations (open-file,
//                           save-file).
// Each operation returns its status and leaves the completion to the worker,
// so composite requests (and a search through a project's file list) run
// other operations as steps on blocks of their own, and nothing else runs on
// the command connection between the steps.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <list>
#include <mutex>
#include <optional>
#include <string>

#include "core/progress.h"
#include "core/user_interface.h"
#include "remote/output_writer.h"
#include "remote/overwrite_question.h"
#include "remote/request_block.h"
#include "remote/socket_transport.h"
#include "remote/thread_manager.h"

namespace vandrel::remote {

// What the operations need besides the agent: the user (the "File Has Been
// Changed" question), the output panes, the progress display, the trace and
// the folder for temporary files. Any of the pointers may be null.
struct RequestServices {
  UserInterface* user = nullptr;
  // Asks the "File Has Been Changed" question with both versions of the file;
  // without it the question is a message box through `user`.
  OverwriteQuestion* overwrite = nullptr;
  OutputWriter* output = nullptr;
  ProgressReporter* progress = nullptr;
  TraceWriter* trace = nullptr;
  std::filesystem::path temporaryFolder;  // empty: the system's
};

class CommandLink;

class RequestWorker : public Thread {
 public:
  explicit RequestWorker(RequestServices services);
  ~RequestWorker() override;

  // Sets the stop flag, cancels the queue and wakes the worker; the request
  // in progress ends with status 3.
  void Stop() override;
  void Run() override;

  // Queues a copy of the block (its queuedAt set now) and wakes the worker.
  void Post(const RequestBlock& request);
  // Completes every queued request with status 3, in order, on this thread.
  // The request in progress is not affected.
  void CancelAll();
  // The queue is not empty or a request is being carried out: from the
  // moment it is taken from the queue to the end of its completion routine.
  // Never false in between, even when the queue is emptied at that moment.
  bool AnyPending() const;
  // The queue is not empty.
  bool AnyQueued() const;
  // Waits until AnyPending turns false, at most `limit`; whether it did.
  // The worker announces the end of each request's completion routine, so
  // the wait ends as soon as the last one returns. Never call it from a
  // completion routine, nor on a thread a completion routine waits for.
  bool WaitUntilIdle(std::chrono::milliseconds limit) const;
  // How many requests have been taken from the queue so far: tells one
  // request in progress from the next.
  std::uint64_t requestsTaken() const { return taken_; }

  // The session's command connection and host kind, set when a session
  // opens (kNoSocket when it closes). The worker does not own the socket.
  void SetConnection(Socket socket, std::int32_t hostKind);
  Socket commandSocket() const { return socket_; }
  std::int32_t hostKind() const { return hostKind_; }
  // Sends the abort line "=!" on the command connection; called by the
  // user-interface thread while a request runs. No reply is read for it.
  bool SendAbort();

  const RequestServices& services() const { return services_; }

  // Strips one pair of surrounding double quotes: a text that starts with a
  // quote loses it, and its last character too when that is a quote.
  static void StripQuotes(std::string& text);

 private:
  using Operation = std::int32_t (RequestWorker::*)(RequestBlock&);

  // The operation that carries out `kind`; null for kinds the worker does
  // not carry out (connect requests, unknown kinds).
  static Operation OperationOf(std::int32_t kind);
  // A status as the request ends with it: kStatusCancelled once the worker
  // is stopping, whatever the operation found.
  std::int32_t Settled(std::int32_t status) const;
  // Runs `operation` on `step`, a block of a composite request's own, and
  // sets its status (Settled); no completion is called. The step's status.
  std::int32_t RunStep(Operation operation, RequestBlock& step);
  // Carries out one request taken from the queue: its operation, its status
  // (Settled) and its completion routine. Kinds without an operation are
  // dropped without completion.
  void Dispatch(RequestBlock& request);
  // The command connection as the operations use it.
  CommandLink Link();

  // -- The operations, one per request kind. Each carries out its exchange
  // and returns the status, with the failure recorded in the block.
  std::int32_t GetDirectory(RequestBlock& request);
  std::int32_t ReceiveFile(RequestBlock& request);  // kinds 3 and 4
  std::int32_t SendFile(RequestBlock& request);
  std::int32_t ListDirectory(RequestBlock& request);
  std::int32_t FindInFiles(RequestBlock& request);
  std::int32_t RunCommand(RequestBlock& request);
  std::int32_t FileInformation(RequestBlock& request);
  std::int32_t OpenHostFile(RequestBlock& request);
  std::int32_t SaveHostFile(RequestBlock& request);
  // A step of save-file: the host file as it is now, received to memory in
  // the upload's mode; nothing when it cannot be received.
  std::optional<std::string> ReceiveCurrentFile(const RequestBlock& request);
  std::int32_t SendCommand(RequestBlock& request);
  std::int32_t ResolveFile(RequestBlock& request);

  RequestServices services_;
  // The queue and the request in progress, guarded by queueLock_: a request
  // is marked in progress in the same step that takes it from the queue,
  // and both are read together, so the busy test never sees a gap.
  mutable std::mutex queueLock_;
  std::list<RequestBlock> queue_;
  bool inProgress_ = false;
  std::condition_variable wake_;          // the queue has a request, or the worker stops
  mutable std::condition_variable idle_;  // a request has ended with nothing queued
  std::atomic<std::uint64_t> taken_{0};
  std::atomic<Socket> socket_{kNoSocket};
  std::atomic<std::int32_t> hostKind_{0};
  std::mutex sendLock_;  // one packet at a time on the command connection
};

}  // namespace vandrel::remote
