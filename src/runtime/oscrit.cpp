// oscrit.cpp: numbered recursive locks (compare-and-swap, spin, yield, then an event).
#include <atomic>
#include <cstdlib>

#include "platform/platform.h"
#include "base/memory.h"
#include "qderror.h"
#include "qdfid.h"
#include "runtime/runtime_internal.h"
#include "status/report.h"

namespace qd {
namespace {

struct LockEntry {
  std::atomic<uint32_t> word{0};  // 0 free, else the acquiring thread
  std::atomic<plat::Event*> event{nullptr};
  std::atomic<uint16_t> waiters{0};
  std::atomic<uint8_t> yield_flag{0};
  std::atomic<uint32_t> owner{0};  // written only by the holder
  uint32_t recursion = 0;          // touched only by the holder
  std::atomic<uint32_t> stat_swaps{0}, stat_yields{0}, stat_waits{0};
};

LockEntry g_locks[kLockCount];

constexpr int kSpinCount = 10;
constexpr int kYieldCount = 10;

// The wake-up event, made on first contention and kept for the life of the process.
plat::Event* entry_event(LockEntry& e) {
  plat::Event* ev = e.event.load(std::memory_order_acquire);
  if (ev) return ev;
  plat::Event* made = plat::event_create();
  if (!made) return nullptr;
  if (!e.event.compare_exchange_strong(ev, made)) {
    plat::event_destroy(made);
    return ev;
  }
  return made;
}

bool try_swap(LockEntry& e, uint32_t tid) {
  e.stat_swaps.fetch_add(1, std::memory_order_relaxed);
  uint32_t expected = 0;
  return e.word.compare_exchange_strong(expected, tid);
}

void lock_yield(int how) {
  if (how == 0) {
    plat::yield_slice();
  } else {
    plat::sleep_ms(1);
  }
}

// Acquire with policy: 0 when acquired. spin -2 tries once, -1 spins without limit;
// yield -1 yields without limit.
int acquire(LockEntry& e, uint32_t tid, int spin, int yields) {
  if (e.word.load() == 0 && try_swap(e, tid)) return 0;
  if (spin == -2) {
    uint32_t old = e.word.load();
    return old ? static_cast<int>(old) : 1;
  }
  if (spin == -1) {
    for (;;) {
      if (e.word.load() == 0 && try_swap(e, tid)) return 0;
    }
  }
  for (int i = 0; i <= spin; ++i) {
    if (e.word.load() == 0 && try_swap(e, tid)) return 0;
  }
  if (yields == -1) {
    for (;;) {
      if (try_swap(e, tid)) return 0;
      e.yield_flag.store(1);
      e.stat_yields.fetch_add(1, std::memory_order_relaxed);
      lock_yield(0);
    }
  }
  for (int i = 0; i <= yields; ++i) {
    if (try_swap(e, tid)) return 0;
    if (i < yields) {
      e.stat_yields.fetch_add(1, std::memory_order_relaxed);
      lock_yield(0);
    }
  }
  plat::Event* ev = entry_event(e);
  e.waiters.fetch_add(1);
  lock_yield(0);
  for (;;) {
    if (try_swap(e, tid)) {
      e.waiters.fetch_sub(1);
      return 0;
    }
    e.stat_waits.fetch_add(1, std::memory_order_relaxed);
    if (!plat::event_wait(ev)) {
      e.waiters.fetch_sub(1);
      return -1;
    }
  }
}

int release(LockEntry& e) {
  e.word.store(0);
  if (e.waiters.load() != 0) {
    if (!plat::event_signal(entry_event(e))) return -1;
  } else if (e.yield_flag.load()) {
    e.yield_flag.store(0);
    lock_yield(0);
  }
  return 0;
}

// Set while a lock failure is being reported, so that a failing lock 4 cannot
// recurse through the error status without end.
thread_local bool t_reporting_failure = false;

int report_lock_failure() {
  if (t_reporting_failure) return QDE_LOCK_FAILED;
  t_reporting_failure = true;
  char* text = plat::last_error_text();
  int r = report<QDE_LOCK_FAILED, QDF_LOCK>(text ? text : "out of memory");
  mem_free(text);
  t_reporting_failure = false;
  return r;
}

}  // namespace

int lock_enter(int n) {
  if (n < 0 || n >= kLockCount) return report<QDE_LOCK_FAILED, QDF_LOCK>("no such lock");
  LockEntry& e = g_locks[n];
  uint32_t tid = plat::thread_id();
  if (e.owner.load(std::memory_order_relaxed) == tid) {
    ++e.recursion;
    return 0;
  }
  if (acquire(e, tid, kSpinCount, kYieldCount) != 0) return report_lock_failure();
  e.owner.store(tid, std::memory_order_relaxed);
  e.recursion = 1;
  return 0;
}

int lock_leave(int n) {
  if (n < 0 || n >= kLockCount) return report<QDE_LOCK_FAILED, QDF_LOCK>("no such lock");
  LockEntry& e = g_locks[n];
  if (e.owner.load(std::memory_order_relaxed) != plat::thread_id()) {
    return 0;  // not ours to leave: nothing to give back
  }
  if (--e.recursion > 0) return 0;
  e.owner.store(0, std::memory_order_relaxed);
  if (release(e) != 0) return report_lock_failure();
  return 0;
}

LockStats lock_stats(int n) {
  LockEntry& e = g_locks[n];
  return {e.stat_swaps.load(), e.stat_yields.load(), e.stat_waits.load()};
}

void lock_stats_reset(int n) {
  LockEntry& e = g_locks[n];
  e.stat_swaps = 0;
  e.stat_yields = 0;
  e.stat_waits = 0;
}

}  // namespace qd
