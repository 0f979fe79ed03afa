#include "common/Sync.h"

#include <chrono>
#include <exception>
#include <string>

#include "common/Log.h"
#include "common/Text.h"

namespace {
// The thread object whose Execute() runs on this thread, so ThreadStop can tell a call from
// inside (which must not wait for itself).
thread_local const CThreadObject* t_currentThreadObject = nullptr;
}  // namespace

CThreadObject::~CThreadObject() { ThreadStop(kInfinite); }

bool CThreadObject::ThreadStart() {
  std::lock_guard control(controlMutex_);
  if (running_.load()) return false;
  if (thread_.joinable()) thread_.join();  // ended by itself; collect it
  {
    std::lock_guard state(stateMutex_);
    stopRequested_.store(false);
    woken_ = false;
    running_.store(true);
  }
  thread_ = std::thread(&CThreadObject::Run, this);
  return true;
}

bool CThreadObject::ThreadStop(unsigned timeoutMs) {
  if (t_currentThreadObject == this) {
    std::lock_guard state(stateMutex_);
    stopRequested_.store(true);
    return false;
  }
  std::lock_guard control(controlMutex_);
  {
    std::unique_lock state(stateMutex_);
    stopRequested_.store(true);
    wakeCondition_.notify_all();
    const auto ended = [this] { return !running_.load(); };
    if (timeoutMs == kInfinite)
      endCondition_.wait(state, ended);
    else if (!endCondition_.wait_for(state, std::chrono::milliseconds(timeoutMs), ended))
      return false;
  }
  if (thread_.joinable()) thread_.join();
  return true;
}

void CThreadObject::ThreadWake() {
  std::lock_guard state(stateMutex_);
  woken_ = true;
  wakeCondition_.notify_all();
}

bool CThreadObject::ThreadWait(unsigned timeoutMs) {
  std::unique_lock state(stateMutex_);
  const auto signalled = [this] { return woken_ || stopRequested_.load(); };
  bool result = true;
  if (timeoutMs == kInfinite)
    wakeCondition_.wait(state, signalled);
  else
    result = wakeCondition_.wait_for(state, std::chrono::milliseconds(timeoutMs), signalled);
  woken_ = false;
  return result;
}

void CThreadObject::Run() {
  t_currentThreadObject = this;
  try {
    Execute();
  } catch (const std::exception& e) {
    LogMessage(L"Thread", L"Worker thread ended by an exception: " + Utf8ToWide(e.what()), true);
  } catch (...) {
    LogMessage(L"Thread", L"Worker thread ended by an unknown exception", true);
  }
  t_currentThreadObject = nullptr;
  // Under the lock, so a stopper that sees the end cannot destroy the condition before the
  // notification is done.
  std::lock_guard state(stateMutex_);
  running_.store(false);
  endCondition_.notify_all();
}
