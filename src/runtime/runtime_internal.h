// runtime_internal.h: runtime services the rest of the library uses and hosts never see.
#pragma once

#include <cstddef>
#include <cstdint>

#include "status/paths.h"
#include "status/status_internal.h"

namespace qd {

// Numbered locks 0..5. Recursive for their owner; the library never holds two at once.
constexpr int kLockCount = 6;
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
  uint32_t swaps;   // compare-and-swap attempts
  uint32_t yields;  // time slices given up
  uint32_t waits;   // waits on the event
};
LockStats lock_stats(int n);
void lock_stats_reset(int n);

// Compares without regard to ASCII case, like strcmp otherwise.
int ascii_casecmp(const char* a, const char* b);

// ---- Configuration ---------------------------------------------------------------------
// The installation directory (setting "QUARENDEL") joined with sub and file.
char* install_path(char* out, size_t size, const char* sub, const char* file);
// The data directory of an installed library: module_dir (the directory of the file
// holding the library, links resolved) joined with rel, each leading ".." of rel taking
// one part off module_dir. True, with the directory in out, when it holds the message
// catalogue; false, out unchanged, otherwise or when it does not fit.
bool installed_data_dir(const char* module_dir, const char* rel, char* out, size_t size);
// Tests only: back to the state at load (no file chosen, empty cache, QDWIN, qdwin.ini).
void config_reset_for_test();
const char* config_path_in_use();
int config_search_state();
const char* config_install_dir();

}  // namespace qd

namespace qd {

// Accounting of errors: whether error records are logged, and the record itself.
bool acct_errors_on();
void acct_error_record(const char* word, const char* name, const char* report);

}  // namespace qd
