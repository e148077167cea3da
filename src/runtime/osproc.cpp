// osproc.cpp: password reading, command running, the paced abort check, the stop box.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "qdtype32/qdconfig.h"
#include "qdtype32/qdos.h"
#include "runtime/os_internal.h"

namespace qd {
namespace {

constexpr int kKeyEnter = 13;
constexpr int kKeyCtrlC = 3;
constexpr int kKeyBackspace = 8;
constexpr size_t kCommandMax = 1023;
constexpr uint32_t kWaitPollMs = 200;
constexpr int32_t kDefaultPeekGap = 30;
// Interpreter statuses for a command it could not find (127) or not run (126).
constexpr int kShellCannotFind = 127;
constexpr int kShellCannotRun = 126;

bool printable(int c) { return c >= ' ' && c <= '~'; }

// ---- Abort check -------------------------------------------------------------------------
// Process-wide and unguarded by design; atomics keep a race to the value being raced.

std::atomic<qd_abort_proc> g_abort_proc{nullptr};
std::atomic<int32_t> g_gap{-1};  // -1: not read yet
std::atomic<bool> g_called{false};
std::atomic<uint32_t> g_last_tick{0};
std::atomic<TickFn> g_tick{nullptr};

uint32_t now_ms() {
  TickFn t = g_tick.load(std::memory_order_relaxed);
  return t ? t() : plat::tick_ms();
}

int32_t read_gap() {
  const char* v = win_os_getenv("PEEKTIMEGAP");
  if (!v) return kDefaultPeekGap;
  long long n = std::strtoll(v, nullptr, 10);
  if (n < 0) n = 0;
  if (n > INT32_MAX) n = INT32_MAX;
  return static_cast<int32_t>(n);
}

}  // namespace

void peek_set_tick_for_test(TickFn fn) { g_tick.store(fn); }

void peek_reset_for_test() {
  g_abort_proc.store(nullptr);
  g_gap.store(-1);
  g_called.store(false);
  g_last_tick.store(0);
}

int32_t peek_gap() { return g_gap.load(); }

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API char* win_os_getpass(const char* prompt, char* buffer, int size) {
  if (!buffer || size < 1) return buffer;
  plat::Console* con = plat::console_open();
  if (prompt) plat::console_write(con, prompt, std::strlen(prompt));
  int held = 0;
  for (;;) {
    const int c = plat::console_read_char(con);
    if (c < 0) break;  // the input ended: what is held is the answer
    if (c == kKeyEnter) {
      plat::console_write(con, "\n\r", 2);
      break;
    }
    if (c == kKeyCtrlC) {
      held = 0;
      break;
    }
    if (c == kKeyBackspace) {
      if (held > 0) {
        plat::console_write(con, "\b \b", 3);
        --held;
      }
      continue;
    }
    if (held >= size - 1 || !printable(c)) continue;
    buffer[held++] = static_cast<char>(c);
    plat::console_write(con, "*", 1);
  }
  buffer[held] = 0;
  plat::console_close(con);
  return buffer;
}

QD_EXTERN_C QD_API int win_os_system(const char* command) {
  if (!command) return -1;
  char line[kCommandMax + 1];
  size_t n = strnlen(command, kCommandMax);
  std::memcpy(line, command, n);
  line[n] = 0;
  const bool wait = !(n > 0 && line[n - 1] == '&');
  if (!wait) line[n - 1] = 0;
  plat::Process* p = plat::process_start(line, !wait);
  if (!p) return -1;
  int exit_code = 0;
  // The caller's windows stay responsive meanwhile, but cannot be interrupted or closed.
  while (wait && plat::process_running(p, &exit_code)) {
    plat::sleep_ms(kWaitPollMs);
    plat::dispatch_messages();
  }
  plat::process_close(p);
  if (wait && (exit_code == kShellCannotFind || exit_code == kShellCannotRun)) return -1;
  return 0;
}

QD_EXTERN_C QD_API int win_set_abortproc(qd_abort_proc proc) {
  g_abort_proc.store(proc);
  return 0;
}

QD_EXTERN_C QD_API int win_test_peekmessage(int force) {
  qd_abort_proc proc = g_abort_proc.load();
  if (!proc) return 0;
  int32_t gap = g_gap.load();
  if (gap < 0) {
    gap = read_gap();
    g_gap.store(gap);
  }
  const uint32_t now = now_ms();
  if (!force && g_called.load() && now - g_last_tick.load() <= static_cast<uint32_t>(gap)) {
    return 0;
  }
  proc();
  g_last_tick.store(now_ms());
  g_called.store(true);
  return 0;
}

QD_EXTERN_C QD_API void QdMessageBoxStop(const char* text, const char* caption) {
  plat::message_box_stop(text, caption);
}
