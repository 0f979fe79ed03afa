#pragma once
// Locks and worker threads.
//
// CSafeObject is a recursive lock, like the critical sections the data classes were
// designed around: a locked method may call another locked method of the same object on
// the same thread. It also offers lock/unlock/try_lock, so std::lock_guard and
// std::unique_lock work with it. A copy of a guarded object gets a lock of its own.
//
// CThreadObject runs Execute() on a thread of its own between ThreadStart() and the moment
// Execute() returns. Execute() is expected to loop until ThreadShouldStop(), sleeping in
// ThreadWait() until ThreadWake() or the stop request arrives. The object is its own lock
// (a CSafeObject) for data the thread hands over, e.g. a finished bitmap.
// The destructor stops the thread and waits for it; a derived class whose Execute() uses
// its own members must call ThreadStop() in its own destructor, before those members go.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CSafeObject {
 public:
  CSafeObject() = default;
  CSafeObject(const CSafeObject&) noexcept {}
  CSafeObject& operator=(const CSafeObject&) noexcept { return *this; }
  ~CSafeObject() = default;

  void Lock() const { mutex_.lock(); }
  bool TryLock() const { return mutex_.try_lock(); }
  void Unlock() const { mutex_.unlock(); }

  // Standard lockable names.
  void lock() const { Lock(); }
  bool try_lock() const { return TryLock(); }
  void unlock() const { Unlock(); }

 private:
  mutable std::recursive_mutex mutex_;
};

class CThreadObject : public CSafeObject {
 public:
  static constexpr unsigned kInfinite = 0xFFFFFFFFu;

  CThreadObject() = default;
  virtual ~CThreadObject();
  CThreadObject(const CThreadObject&) = delete;
  CThreadObject& operator=(const CThreadObject&) = delete;

  // Starts Execute() on a new thread; false while the thread is still running.
  bool ThreadStart();
  // Asks the thread to stop, wakes it and waits up to timeoutMs for Execute() to return.
  // True when the thread has ended (or was not running); false when it is still running
  // after the timeout (it keeps the stop request; a later ThreadStop can wait again).
  // Called from the thread itself it only asks, and returns false.
  bool ThreadStop(unsigned timeoutMs = kInfinite);
  // True once a stop was asked for; Execute() should then return soon.
  bool ThreadShouldStop() const { return stopRequested_.load(std::memory_order_acquire); }
  // True from ThreadStart() until Execute() has returned.
  bool Active() const { return running_.load(std::memory_order_acquire); }
  // Wakes the thread from ThreadWait() (a wake while it is not waiting is kept for its next
  // wait, once, like an auto-reset event).
  void ThreadWake();

 protected:
  // The thread's work. Exceptions it lets out are logged under "Thread" and end the thread.
  virtual void Execute() = 0;
  // Sleeps until ThreadWake(), a stop request or the timeout. True when woken or asked to
  // stop, false on timeout.
  bool ThreadWait(unsigned timeoutMs);

 private:
  void Run();

  std::mutex controlMutex_;  // serialises ThreadStart/ThreadStop callers
  std::thread thread_;
  std::mutex stateMutex_;
  std::condition_variable wakeCondition_;
  std::condition_variable endCondition_;
  std::atomic<bool> running_{false};
  std::atomic<bool> stopRequested_{false};
  bool woken_ = false;
};
