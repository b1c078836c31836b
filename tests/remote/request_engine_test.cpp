// The engine without an agent: the thread manager's identities and stops,
// the worker's queue order, cancellation, busy tests and dropped kinds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "remote/request_worker.h"
#include "remote/thread_manager.h"

namespace vandrel::remote {
namespace {

using namespace std::chrono_literals;

// A thread that runs until it is stopped.
class WaitingThread : public Thread {
 public:
  explicit WaitingThread(std::atomic<int>* ended) : ended_(ended) {}
  ~WaitingThread() override { ++*ended_; }
  void Run() override {
    while (!stopping()) std::this_thread::sleep_for(1ms);
  }

 private:
  std::atomic<int>* ended_;
};

TEST(ThreadManager, IdentitiesFindStopAndWait) {
  ThreadManager manager;
  std::atomic<int> ended{0};
  const std::uint32_t first = manager.Start(std::make_unique<WaitingThread>(&ended));
  const std::uint32_t second = manager.Start(std::make_unique<WaitingThread>(&ended));
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_NE(first, second);
  EXPECT_NE(manager.Find(first), nullptr);
  EXPECT_EQ(manager.CountActive(), 2);

  EXPECT_TRUE(manager.StopThread(first));
  for (int i = 0; i < 1000 && manager.Find(first); ++i) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(manager.Find(first), nullptr);  // gone once its Run returned
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(manager.StopThread(first));
  EXPECT_EQ(manager.CountActive(), 1);

  int dispatched = 0;
  manager.StopAllAndWait([&] { ++dispatched; });
  EXPECT_EQ(ended, 2);
  EXPECT_EQ(manager.Find(second), nullptr);
  // With nothing running the wait returns at once and the lock stays free.
  manager.StopAllAndWait();
  EXPECT_EQ(manager.CountActive(), 0);
}

// Records completions: the block's kind, status and the thread it ran on.
struct Completions {
  struct Entry {
    std::int32_t kind;
    std::int32_t status;
    std::string text;
    std::thread::id thread;
  };
  std::mutex lock;
  std::condition_variable changed;
  std::vector<Entry> entries;

  CompletionRoutine Routine() {
    return [this](RequestBlock& request) {
      std::lock_guard guard(lock);
      entries.push_back(
          {request.kind, request.status, request.commandText, std::this_thread::get_id()});
      changed.notify_all();
    };
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock guard(lock);
    return changed.wait_for(guard, 10s, [&] { return entries.size() >= count; });
  }
};

TEST(RequestWorker, QueuedRequestsCancelInOrderOnTheCallingThread) {
  ThreadManager manager;
  auto owned = std::make_unique<RequestWorker>(RequestServices{});
  RequestWorker* worker = owned.get();
  // Not started: everything stays queued.
  Completions done;
  for (int i = 1; i <= 3; ++i) {
    RequestBlock request;
    request.kind = kRequestSendCommand;
    request.commandText = "=SET_ENV N=" + std::to_string(i);
    request.completion = done.Routine();
    worker->Post(request);
  }
  EXPECT_TRUE(worker->AnyQueued());
  EXPECT_TRUE(worker->AnyPending());
  worker->CancelAll();
  ASSERT_EQ(done.entries.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(done.entries[i].status, kStatusCancelled);
    EXPECT_EQ(done.entries[i].text, "=SET_ENV N=" + std::to_string(i + 1));
    EXPECT_EQ(done.entries[i].thread, std::this_thread::get_id());
  }
  EXPECT_FALSE(worker->AnyQueued());
  EXPECT_FALSE(worker->AnyPending());
}

TEST(RequestWorker, RunsInOrderAndDropsKindsItCannotCarryOut) {
  ThreadManager manager;
  auto owned = std::make_unique<RequestWorker>(RequestServices{});
  RequestWorker* worker = owned.get();
  const std::uint32_t identity = manager.Start(std::move(owned));
  ASSERT_NE(identity, 0u);

  Completions done;
  RequestBlock dropped;
  dropped.completion = done.Routine();
  dropped.kind = kRequestConnect;
  worker->Post(dropped);
  dropped.kind = 99;
  worker->Post(dropped);
  // Without a connection each command fails at once, in order.
  for (int i = 1; i <= 3; ++i) {
    RequestBlock request;
    request.kind = kRequestSendCommand;
    request.commandText = "=GET_CD " + std::to_string(i);
    request.completion = done.Routine();
    worker->Post(request);
  }
  ASSERT_TRUE(done.WaitFor(3));
  // Idle once the last completion has returned.
  ASSERT_TRUE(worker->WaitUntilIdle(10s));
  ASSERT_EQ(done.entries.size(), 3u);  // the connect and unknown kinds made none
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(done.entries[i].kind, kRequestSendCommand);
    EXPECT_EQ(done.entries[i].text, "=GET_CD " + std::to_string(i + 1));
    EXPECT_EQ(done.entries[i].status, kStatusSendFailed);
    EXPECT_NE(done.entries[i].thread, std::this_thread::get_id());
  }
  EXPECT_FALSE(worker->AnyPending());
  manager.StopAllAndWait();
  EXPECT_EQ(manager.Find(identity), nullptr);
}

TEST(RequestWorker, BusyFromTakingARequestToTheEndOfItsCompletion) {
  ThreadManager manager;
  auto owned = std::make_unique<RequestWorker>(RequestServices{});
  RequestWorker* worker = owned.get();
  ASSERT_NE(manager.Start(std::move(owned)), 0u);

  // Inside the completion of the only request the queue is empty, and the
  // worker still counts as busy: whoever waits for it to be idle waits until
  // the completion has returned.
  std::atomic<int> seenInCompletion{-1};
  RequestBlock request;
  request.kind = kRequestSendCommand;
  request.commandText = "=GET_CD";
  request.completion = [&](RequestBlock&) {
    seenInCompletion = (worker->AnyPending() ? 1 : 0) + (worker->AnyQueued() ? 2 : 0);
  };
  worker->Post(request);
  ASSERT_TRUE(worker->WaitUntilIdle(10s));
  EXPECT_EQ(seenInCompletion, 1);
  EXPECT_FALSE(worker->AnyPending());
  manager.StopAllAndWait();
}

TEST(RequestWorker, StripQuotesTakesOnePair) {
  auto strip = [](std::string text) {
    RequestWorker::StripQuotes(text);
    return text;
  };
  EXPECT_EQ(strip("\"a b\""), "a b");
  EXPECT_EQ(strip("\"a b"), "a b");
  EXPECT_EQ(strip("a b\""), "a b\"");
  EXPECT_EQ(strip("\"\"x\"\""), "\"x\"");
  EXPECT_EQ(strip("\""), "");
  EXPECT_EQ(strip(""), "");
}

}  // namespace
}  // namespace vandrel::remote
