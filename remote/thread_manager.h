// The engine's threads: `Thread` is a unit of work with a stop flag that runs
// on an operating-system thread of its own; `ThreadManager` starts threads,
// keeps the running ones in a list under identities, and stops them. Callers
// keep identities, never pointers, across time: a thread object is
// destroyed by its own thread when Run returns.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "core/co_list.h"
#include "core/root_object.h"

namespace vandrel::remote {

class ThreadManager;

class Thread : public coObject {
 public:
  Thread() = default;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Removes the thread from its manager.
  ~Thread() override;

  virtual void SetManager(ThreadManager* manager) { manager_ = manager; }
  // Asks the thread to stop; subclasses wake whatever it waits on.
  virtual void Stop() { stop_ = 1; }
  virtual void Run() {}

  bool stopping() const { return stop_ != 0; }

 protected:
  ThreadManager* manager_ = nullptr;
  std::atomic<int> stop_{0};

 private:
  friend class ThreadManager;
  // Run has returned and the object is about to be destroyed; guarded by
  // the manager's lock.
  bool ended_ = false;
};

class ThreadManager : public coObject {
 public:
  ThreadManager() = default;
  ThreadManager(const ThreadManager&) = delete;
  ThreadManager& operator=(const ThreadManager&) = delete;
  // Stops the threads still running and waits for them.
  ~ThreadManager() override;

  // The process's manager.
  static ThreadManager& Instance();

  // Lists the thread, hands it its manager and runs it on a new thread, which
  // destroys it when Run returns. The thread's identity; 0 when no thread
  // could be started (the object is then destroyed at once).
  virtual std::uint32_t Start(std::unique_ptr<Thread> thread);
  // Unlists the thread; whether it was listed.
  virtual bool Remove(Thread* thread);
  // Threads whose stop flag is clear.
  virtual int CountActive();
  // The running thread with that identity, or null. The pointer is good only
  // while the thread runs; the request worker runs for the whole session.
  virtual Thread* Find(std::uint32_t identity);
  // Stops the thread with that identity; whether found. The list stays
  // locked while Stop runs, so the thread cannot end and be destroyed under
  // the caller's hands (its destructor unlists it, which waits for the
  // lock); the lock is recursive, so Stop and the completion it may call
  // can use the manager.
  virtual bool StopThread(std::uint32_t identity);
  virtual void StopAll();
  // StopAll, then waits until every thread has ended, calling `dispatch`
  // (the user-interface thread's pending work) while it waits.
  virtual void StopAllAndWait(const std::function<void()>& dispatch = {});

 private:
  coList threads_;
  std::recursive_mutex lock_;
};

}  // namespace vandrel::remote
