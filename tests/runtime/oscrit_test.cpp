// Tests of the numbered locks: recursion, the phases a contended enter goes through, and
// that a waiter wakes only at the holder's last leave (mutual exclusion: stress_test.cpp).
#include "qderror.h"
#include "qdtype32/qderr.h"
#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;

constexpr int kTestLock = 3;  // a lock no library code uses

TEST(Lock, RecursiveAndAWaiterWakesAtTheLastLeave) {
  qd::lock_stats_reset(kTestLock);
  ASSERT_EQ(qd::lock_enter(kTestLock), 0);
  EXPECT_EQ(qd::lock_stats(kTestLock).swaps, 1u);  // uncontended: exactly one swap
  ASSERT_EQ(qd::lock_enter(kTestLock), 0);
  EXPECT_EQ(qd::lock_stats(kTestLock).swaps, 1u);  // re-entry takes no swap
  qd::lock_stats_reset(kTestLock);
  std::atomic<bool> acquired{false};
  std::thread waiter([&] {
    EXPECT_EQ(qd::lock_enter(kTestLock), 0);
    acquired = true;
    qd::lock_leave(kTestLock);
  });
  // The waiter spins, yields ten times, then blocks on the event.
  while (qd::lock_stats(kTestLock).waits == 0) std::this_thread::sleep_for(1ms);
  qd::LockStats s = qd::lock_stats(kTestLock);
  EXPECT_GE(s.yields, 10u);
  EXPECT_GE(s.swaps, 12u);
  ASSERT_EQ(qd::lock_leave(kTestLock), 0);
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(acquired.load()) << "woke before the last leave";
  ASSERT_EQ(qd::lock_leave(kTestLock), 0);
  waiter.join();
  EXPECT_TRUE(acquired.load());
}

TEST(Lock, BadNumbersFailWithTheLockError) {
  EXPECT_EQ(qd::lock_enter(qd::kLockCount), QDE_LOCK_FAILED);
  EXPECT_EQ(qd::lock_enter(-1), QDE_LOCK_FAILED);
  EXPECT_EQ(qd::lock_leave(qd::kLockCount), QDE_LOCK_FAILED);
  EXPECT_EQ(qd::lock_leave(kTestLock), 0);  // not held by the caller: nothing to give back
  trace_pop();
}

}  // namespace
