#include "remote/thread_manager.h"

#include <chrono>
#include <thread>

namespace vandrel::remote {

Thread::~Thread() {
  if (manager_) manager_->Remove(this);
}

ThreadManager::~ThreadManager() { StopAllAndWait(); }

ThreadManager& ThreadManager::Instance() {
  static ThreadManager manager;
  return manager;
}

std::uint32_t ThreadManager::Start(std::unique_ptr<Thread> thread) {
  std::uint32_t identity = 0;
  {
    std::lock_guard lock(lock_);
    coList::Node* node = threads_.Append(thread.get());
    if (!node) return 0;
    identity = threads_.IdOf(node);
  }
  thread->SetManager(this);
  Thread* running = thread.get();
  try {
    std::thread([this, running] {
      std::unique_ptr<Thread> owned(running);
      owned->Run();
      // Marked under the list's lock before anything of it is destroyed:
      // Stop, Find and the count pass an ended thread by, so none of them
      // reaches an object whose subclass part is already gone. The entry
      // itself goes when the destructor unlists it.
      std::lock_guard lock(lock_);
      owned->ended_ = true;
    }).detach();
  } catch (const std::system_error&) {
    return 0;  // `thread` still owns the object; its destructor unlists it
  }
  thread.release();
  return identity;
}

bool ThreadManager::Remove(Thread* thread) {
  std::lock_guard lock(lock_);
  coList::Node* node = threads_.Find(thread);
  if (!node) return false;
  threads_.Remove(node);
  return true;
}

int ThreadManager::CountActive() {
  std::lock_guard lock(lock_);
  int active = 0;
  for (auto* position = threads_.Head(); position != nullptr;) {
    const auto* thread = static_cast<Thread*>(threads_.GetNext(position));
    if (!thread->ended_ && !thread->stopping()) ++active;
  }
  return active;
}

Thread* ThreadManager::Find(std::uint32_t identity) {
  std::lock_guard lock(lock_);
  coList::Node* node = threads_.FindById(identity);
  if (!node) return nullptr;
  auto* thread = static_cast<Thread*>(threads_.ItemOf(node));
  return thread->ended_ ? nullptr : thread;
}

bool ThreadManager::StopThread(std::uint32_t identity) {
  std::lock_guard lock(lock_);
  coList::Node* node = threads_.FindById(identity);
  if (!node) return false;
  auto* thread = static_cast<Thread*>(threads_.ItemOf(node));
  if (thread->ended_) return false;
  thread->Stop();
  return true;
}

void ThreadManager::StopAll() {
  std::lock_guard lock(lock_);
  for (auto* position = threads_.Head(); position != nullptr;) {
    auto* thread = static_cast<Thread*>(threads_.GetNext(position));
    if (!thread->ended_) thread->Stop();
  }
}

void ThreadManager::StopAllAndWait(const std::function<void()>& dispatch) {
  StopAll();
  while (true) {
    {
      std::lock_guard lock(lock_);
      if (threads_.Count() == 0) return;
    }
    if (dispatch) dispatch();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace vandrel::remote
