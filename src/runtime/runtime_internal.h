// runtime_internal.h: runtime services the rest of the library uses and hosts never see.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qd {

// Numbered locks 0..5. Recursive for their owner; the library never holds two at once.
constexpr int kLockCount = 6;
constexpr int kLockErrorStatus = 4;  // the error reports, catalogue lookups, trace channel
int lock_enter(int n);               // 0, or the lock failure (reported) when waiting failed
int lock_leave(int n);

// Scoped hold of a numbered lock.
class LockGuard {
 public:
  explicit LockGuard(int n) : n_(n), held_(lock_enter(n) == 0) {}
  ~LockGuard() {
    if (held_) lock_leave(n_);
  }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  int n_;
  bool held_;
};

// Counters for tests: how a lock was acquired (observed only, never relied on).
struct LockStats {
  uint32_t swaps;     // compare-and-swap attempts
  uint32_t yields;    // time slices given up
  uint32_t waits;     // waits on the event
};
LockStats lock_stats(int n);
void lock_stats_reset(int n);

// Joins directory, subdirectory and file name with the platform's separator into out
// (cut at size - 1). Any part may be null or empty.
char* path_join(char* out, size_t size, const char* dir, const char* sub, const char* file);

}  // namespace qd

namespace qd {

// Accounting of errors: whether error records are logged, and the record itself.
bool acct_errors_on();
void acct_error_record(const char* word, const char* name, const char* report);

}  // namespace qd
