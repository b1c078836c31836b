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
    std::thread([running] {
      std::unique_ptr<Thread> owned(running);
      owned->Run();
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
    if (!static_cast<Thread*>(threads_.GetNext(position))->stopping()) ++active;
  }
  return active;
}

Thread* ThreadManager::Find(std::uint32_t identity) {
  std::lock_guard lock(lock_);
  coList::Node* node = threads_.FindById(identity);
  return node ? static_cast<Thread*>(threads_.ItemOf(node)) : nullptr;
}

bool ThreadManager::StopThread(std::uint32_t identity) {
  std::lock_guard lock(lock_);
  coList::Node* node = threads_.FindById(identity);
  if (!node) return false;
  static_cast<Thread*>(threads_.ItemOf(node))->Stop();
  return true;
}

void ThreadManager::StopAll() {
  std::lock_guard lock(lock_);
  for (auto* position = threads_.Head(); position != nullptr;) {
    static_cast<Thread*>(threads_.GetNext(position))->Stop();
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
