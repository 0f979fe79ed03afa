#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <stdexcept>

#include "common/Sync.h"
#include "support/Capture.h"

using namespace std::chrono_literals;

namespace {

// Counts wake-ups until asked to stop; can be told to ignore stop requests for a while.
class CCounter : public CThreadObject {
 public:
  ~CCounter() override { ThreadStop(); }

  std::atomic<int> wakes{0};
  std::atomic<bool> stubborn{false}, stopItself{false}, throwIt{false};

 protected:
  void Execute() override {
    if (throwIt) throw std::runtime_error("render failed");
    while (!ThreadShouldStop() || stubborn) {
      if (ThreadWait(stubborn ? 5 : CThreadObject::kInfinite) && !ThreadShouldStop()) ++wakes;
      if (stopItself) { EXPECT_FALSE(ThreadStop()); }  // from inside it only asks
    }
  }
};

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 2000 && !condition(); ++i) std::this_thread::sleep_for(1ms);
  return condition();
}

// Whether another thread can take the lock right now.
bool FreeForOthers(const CSafeObject& lock) {
  return std::async(std::launch::async, [&] {
           const bool got = lock.TryLock();
           if (got) lock.Unlock();
           return got;
         }).get();
}

}  // namespace

TEST(SafeObject, RecursiveAndStandardLockable) {
  CSafeObject lock;
  {
    std::lock_guard outer(lock);
    lock.Lock();  // the same thread again
    EXPECT_TRUE(lock.TryLock());
    lock.Unlock();
    lock.Unlock();
    EXPECT_FALSE(FreeForOthers(lock));
  }
  EXPECT_TRUE(FreeForOthers(lock));
  CSafeObject copy = lock;  // a lock of its own
  std::lock_guard held(lock);
  EXPECT_TRUE(FreeForOthers(copy));
}

TEST(ThreadObject, StartWakeStopAndRestart) {
  CCounter counter;
  EXPECT_FALSE(counter.Active());
  EXPECT_TRUE(counter.ThreadStop(0));  // not running
  ASSERT_TRUE(counter.ThreadStart());
  EXPECT_TRUE(counter.Active());
  EXPECT_FALSE(counter.ThreadStart());
  counter.ThreadWake();
  EXPECT_TRUE(WaitFor([&] { return counter.wakes == 1; }));
  counter.ThreadWake();
  EXPECT_TRUE(WaitFor([&] { return counter.wakes == 2; }));
  EXPECT_TRUE(counter.ThreadStop(1000));
  EXPECT_FALSE(counter.Active());
  EXPECT_EQ(counter.wakes, 2);

  ASSERT_TRUE(counter.ThreadStart());
  EXPECT_FALSE(counter.ThreadShouldStop());
  counter.ThreadWake();
  EXPECT_TRUE(WaitFor([&] { return counter.wakes == 3; }));
}  // the destructor stops it

TEST(ThreadObject, StopTimesOutWhileTheThreadHoldsOn) {
  CCounter counter;
  counter.stubborn = true;
  ASSERT_TRUE(counter.ThreadStart());
  EXPECT_FALSE(counter.ThreadStop(20));
  EXPECT_TRUE(counter.Active());
  EXPECT_TRUE(counter.ThreadShouldStop());
  EXPECT_FALSE(counter.ThreadStart());
  counter.stubborn = false;
  EXPECT_TRUE(counter.ThreadStop(2000));
  EXPECT_FALSE(counter.Active());
}

TEST(ThreadObject, EndsByItselfOrByAnException) {
  CCounter counter;
  counter.stopItself = true;
  ASSERT_TRUE(counter.ThreadStart());
  counter.ThreadWake();
  EXPECT_TRUE(WaitFor([&] { return !counter.Active(); }));
  counter.stopItself = false;
  ASSERT_TRUE(counter.ThreadStart());  // collects the ended thread and runs again
  EXPECT_TRUE(counter.ThreadStop());

  LogCapture log;
  counter.throwIt = true;
  ASSERT_TRUE(counter.ThreadStart());
  EXPECT_TRUE(WaitFor([&] { return !counter.Active(); }));
  EXPECT_TRUE(log.Saw(L"Thread", L"render failed"));
}
