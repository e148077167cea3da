// qdtrace.cpp: the error status: per-thread error reports, trace, hand-over, trace channel.
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "base/byteio.h"
#include "platform/platform.h"
#include "qderror.h"
#include "qdtype32/qderr.h"
#include "status/lowio.h"
#include "status/paths.h"
#include "base/memory.h"
#include "status/status_internal.h"

QD_API qdxglob_record qdxglob_val = {};
QD_API int32_t qd_harderror = 0;
QD_API int32_t qd_sigflag = 0;

namespace qd {
namespace {

// ---- Process-wide error state ---------------------------------------------------------

int32_t g_qderrno = 0;              // the library's own error number
const char* g_errstring = nullptr;  // cause text set by the host, never freed here
int32_t g_merror_switch = 1;        // _merror records while this is on

// Returned when no report buffer can be allocated; trace never writes into it.
char g_no_memory_report[] = "Quarendel error report unavailable: out of memory\n";

// ---- Report table ----------------------------------------------------------------------
// 256 slots; a thread's home slot is the low eight bits of its id. Collisions chain
// forward through free slots. `next` is the index of the next slot plus one (0 = end),
// so the zero-initialised table is empty and consistent.

struct Slot {
  uint32_t tid;
  int32_t next;
  char* buf;
};
Slot g_slots[kReportSlots];

// Counts, under lock 4, the times a report changed hands (a hand-over, a takeover): while
// it stays the same, a report a thread found as its own still is, and no other thread
// writes into it.
std::atomic<uint32_t> g_report_moves{0};

// Tests stand in for other threads by overriding the calling thread's id here.
thread_local uint32_t t_tid_override = 0;

uint32_t current_tid() { return t_tid_override ? t_tid_override : plat::thread_id(); }

int home_of(uint32_t tid) { return static_cast<int>(tid & (kReportSlots - 1)); }

// The next free slot stepping forward from `from` (wrapping); -1 when all are taken.
int free_after(int from) {
  for (int i = (from + 1) % kReportSlots; i != from; i = (i + 1) % kReportSlots) {
    if (g_slots[i].tid == 0) return i;
  }
  return -1;
}

// The slot linking to `s`, -1 when `s` heads its chain.
int pred_of(int s) {
  for (int i = 0; i < kReportSlots; ++i) {
    if (g_slots[i].tid != 0 && g_slots[i].next == s + 1) return i;
  }
  return -1;
}

// The entry of `tid`: along the chain from its home slot, else anywhere (a takeover
// may have left an entry off its chain).
int find_slot(uint32_t tid) {
  int i = home_of(tid);
  for (int steps = 0; steps < kReportSlots && g_slots[i].tid != 0; ++steps) {
    if (g_slots[i].tid == tid) return i;
    if (g_slots[i].next == 0) break;
    i = g_slots[i].next - 1;
  }
  for (i = 0; i < kReportSlots; ++i) {
    if (g_slots[i].tid == tid) return i;
  }
  return -1;
}

// Finds the slot a new entry of `tid` goes into and links it in. A foreign entry in
// the home slot moves out first. With every slot taken, returns the slot where the
// search began with *takeover set: its entry is then overwritten.
int claim_slot(uint32_t tid, bool* takeover) {
  *takeover = false;
  int h = home_of(tid);
  if (g_slots[h].tid == 0) {
    g_slots[h].next = 0;
    return h;
  }
  if (home_of(g_slots[h].tid) != h) {
    int f = free_after(h);
    if (f < 0) {
      *takeover = true;
      return h;
    }
    int p = pred_of(h);
    g_slots[f] = g_slots[h];
    if (p >= 0) g_slots[p].next = f + 1;
    g_slots[h] = Slot{};
    return h;
  }
  int last = h;
  for (int steps = 0; steps < kReportSlots && g_slots[last].next != 0; ++steps) {
    last = g_slots[last].next - 1;
  }
  int f = free_after(last);
  if (f < 0) {
    *takeover = true;
    return last;
  }
  g_slots[last].next = f + 1;
  g_slots[f].next = 0;
  return f;
}

// Removes slot `s` from its chain and clears it. A chain head with a successor takes
// the successor's entry (and buffer); the successor's old slot is the one freed.
void unlink_slot(int s) {
  int p = pred_of(s);
  if (p >= 0) {
    g_slots[p].next = g_slots[s].next;
    g_slots[s] = Slot{};
  } else if (g_slots[s].next != 0) {
    int n = g_slots[s].next - 1;
    g_slots[s] = g_slots[n];
    g_slots[n] = Slot{};
  } else {
    g_slots[s] = Slot{};
  }
}

// ---- Report blocks -----------------------------------------------------------------------
// A report's buffer may still be held by a thread whose slot was taken over, or that
// handed its report over: a block therefore never goes back to the system. A released
// block waits here and is only ever used again as a report block. A block is allocated
// only while none waits, when at most kReportSlots are in the slots, so there are never
// more than kReportSlots + 1 of them in all (the extra one when a thread that found
// every slot taken takes one over and puts its new block aside). The last
// byte of a block is 0 from its allocation on and every write is bounded before it, so
// a stale holder reading its old pointer always meets a terminator inside the block.

char* g_spare_blocks[kReportSlots + 1];
int g_spare_count = 0;

char* take_block() {
  if (g_spare_count > 0) return g_spare_blocks[--g_spare_count];
  char* b = static_cast<char*>(mem_alloc(kReportSize));
  if (b) {
    b[0] = 0;
    b[kReportSize - 1] = 0;
  }
  return b;
}

void release_block(char* b) {
  if (!b || b == g_no_memory_report) return;
  if (g_spare_count <= kReportSlots) g_spare_blocks[g_spare_count++] = b;
}

// ---- Report header ---------------------------------------------------------------------

void write_header(char* report, const char* format, ArgSource& args) {
  errno = 0;
  format_into(report, kReportSize, format, args);
  append_values(report, kReportSize, " error report:\n");
  append_values(report, kReportSize, "%s\n", version_line());
}

// The header write_header makes of the format "%s" and name, the same bytes (the name,
// " error report:\n", the version line and "\n"), put together once per thread and name
// (a name is text that stays as it is), with the report it was last copied into.
struct NamedHeader {
  const char* name = nullptr;
  size_t size = 0;  // the text and its zero byte
  char text[160];   // a longer header takes the formatter's road
  char* report = nullptr;
  uint32_t tid = 0;
  uint32_t moves = 0;  // g_report_moves when it was copied there
};
thread_local NamedHeader t_named;

// Puts the header of name together in t_named; false when it is too long for it.
bool make_named_header(const char* name) {
  static constexpr char kTitle[] = " error report:\n";
  NamedHeader& h = t_named;
  const size_t n = std::strlen(name), v = std::strlen(version_line());
  if (n + (sizeof kTitle - 1) + v + 2 > sizeof h.text) return false;
  char* o = h.text;
  std::memcpy(o, name, n);
  o += n;
  std::memcpy(o, kTitle, sizeof kTitle - 1);
  o += sizeof kTitle - 1;
  std::memcpy(o, version_line(), v);
  o += v;
  o[0] = '\n';
  o[1] = 0;
  h.name = name;
  h.size = static_cast<size_t>(o + 2 - h.text);
  h.report = nullptr;
  return true;
}

// Copies a fixed-size name field of the settings record, terminated whatever it holds.
void copy_field(char* out, const char* field, size_t size) {
  size_t n = strnlen(field, size - 1);
  std::memcpy(out, field, n);
  out[n] = 0;
}

void write_default_header(char* report) {
  char name1[sizeof qdxglob_val.header_name1 + 1];
  char name2[sizeof qdxglob_val.header_name2 + 1];
  copy_field(name1, qdxglob_val.header_name1, sizeof name1);
  copy_field(name2, qdxglob_val.header_name2, sizeof name2);
  const Arg args[] = {make_arg(kProductName), make_arg("Kernel"), make_arg(+name1),
                      make_arg(+name2)};
  PackSource src(args, 4);
  write_header(report, "%s %s <%s@%s> ", src);
}

// The calling thread's report; lock 4 is held.
char* errtxt_locked() {
  uint32_t tid = current_tid();
  int s = find_slot(tid);
  if (s >= 0) return g_slots[s].buf;
  char* buf = take_block();
  if (!buf) return g_no_memory_report;
  bool takeover = false;
  s = claim_slot(tid, &takeover);
  if (takeover) {
    // The slot's block stays the slot's: its old owner may still be reading it, and
    // meets a report again (this thread's) rather than freed memory.
    g_report_moves.fetch_add(1, std::memory_order_release);
    release_block(buf);
    buf = g_slots[s].buf;
  } else {
    g_slots[s].buf = buf;
  }
  g_slots[s].tid = tid;
  write_default_header(buf);
  return buf;
}

// Hand-over of the giver's report to the receiver; trace_pop is giver == receiver.
void hand_over(uint32_t giver, uint32_t receiver) {
  int g = find_slot(giver);
  if (g < 0) return;
  g_report_moves.fetch_add(1, std::memory_order_release);
  char* buf = g_slots[g].buf;
  unlink_slot(g);
  if (giver == receiver) {
    release_block(buf);
    return;
  }
  int r = find_slot(receiver);
  if (r >= 0) {
    release_block(g_slots[r].buf);
    g_slots[r].buf = buf;
    return;
  }
  bool takeover = false;
  r = claim_slot(receiver, &takeover);  // a slot was just freed: never a takeover
  if (takeover) release_block(g_slots[r].buf);
  g_slots[r].tid = receiver;
  g_slots[r].buf = buf;
}

// ---- Trace channel ---------------------------------------------------------------------

constexpr int kChannelUnopened = -2;
constexpr int kChannelClosed = -1;
int g_channel = kChannelUnopened;

int open_channel(int mode) {
  const int flags = kOsWrite | kOsAppend | kOsCreate;
  if (mode == 3) return plat::kStderr;
  if (mode == 2) return os_open(plat::console_device(), flags, 0666);
  // mode 1: a file per process in the trace directory
  char dir[sizeof qdxglob_val.trace_dir + 1];
  copy_field(dir, qdxglob_val.trace_dir, sizeof dir);
  char name[32];
  format_values(name, sizeof name, "qdk.%ld", static_cast<int32_t>(plat::process_id()));
  char path[sizeof dir + sizeof name + 2];
  path_join(path, sizeof path, dir, nullptr, name);
  return os_open(path, flags, 0666);
}

}  // namespace

void channel_write(const char* format, ArgSource& args) {
  StatusLock guard;
  ErrnoKeeper keep;
  const int32_t mode = qdxglob_val.trace_mode;
  if (g_channel >= 0 && mode == 0) {
    if (g_channel != plat::kStderr) os_close(g_channel);
    g_channel = kChannelClosed;
    return;
  }
  if (g_channel == kChannelClosed) return;
  if (g_channel == kChannelUnopened) {
    // Modes other than 1..3 leave the channel unopened, as mode 0 does.
    if (mode < 1 || mode > 3) return;
    int fd = open_channel(mode);
    g_channel = fd >= 0 ? fd : kChannelClosed;
    if (fd < 0) return;
  }
  char line[kReportSize];
  size_t n = format_into(line, sizeof line, format, args);
  os_write(g_channel, line, static_cast<unsigned>(n));
}

void report_tid_override_for_test(uint32_t tid) { t_tid_override = tid; }

int report_slot_for_test(uint32_t tid) {
  StatusLock guard;
  for (int i = 0; i < kReportSlots; ++i) {
    if (g_slots[i].tid == tid) return i;
  }
  return -1;
}

void report_spares_free_for_test() {
  StatusLock guard;
  while (g_spare_count > 0) mem_free(g_spare_blocks[--g_spare_count]);
}

void channel_reset_for_test() {
  StatusLock guard;
  if (g_channel >= 0 && g_channel != plat::kStderr) os_close(g_channel);
  g_channel = kChannelUnopened;
}

void trace_output(char* report, const char* format, ArgSource& args) {
  if (qdxglob_val.trace_to_errtext) {
    if (report && report != g_no_memory_report) append_format(report, kReportSize, format, args);
  } else {
    channel_write(format, args);
  }
}

namespace {
thread_local int t_first_error = 0;  // see first_error_number
}  // namespace

int first_error_number() { return t_first_error; }

int trace_core(int errnum, int fid, ArgSource& args) {
  StatusLock guard;
  if (errnum != 0 && errnum != kHandOver && t_first_error == 0) t_first_error = errnum;
  if (errnum == kHandOver) {
    int32_t giver = 0, receiver = 0;
    args.reset();
    if (args.take_int32(&giver) && args.take_int32(&receiver)) {
      hand_over(static_cast<uint32_t>(giver), static_cast<uint32_t>(receiver));
    }
    return 0;
  }
  char* report = errtxt_locked();
  if (strnlen(report, kReportSize) > kReportStop) return errnum;
  const bool can_append = report != g_no_memory_report;
  char* lines = can_append ? report : nullptr;  // where lookup failures add their lines

  // The function's catalogue entry, looked up at most once per call.
  CatalogEntry function;
  int function_state = fid == 0 ? 0 : -1;  // -1 not looked up, 0 absent, 1 found
  auto function_found = [&] {
    if (function_state < 0) {
      function_state = lookup_function(fid, lines, &function) ? 1 : 0;
      if (function_state) clean_comment(function.text);
    }
    return function_state == 1;
  };

  if (errnum != 0) {
    const bool hard = is_hard_error(errnum);
    if (hard && qd_harderror == 0) qd_harderror = 1;
    if (hard && fid != 0 && function_found() && can_append) {
      append_format(report, kReportSize, function.text, args);
    }
    if (errno != 0 || g_qderrno != 0) {
      if (errno == 0 && !g_errstring && g_qderrno != 0) errno = g_qderrno;
      char cause[256];
      const char* text = cause;
      if (errno != 0) {
        if (!plat::errno_text(errno, cause, sizeof cause)) {
          format_values(cause, sizeof cause, "errno = %d", errno);
        }
      } else {
        text = g_errstring;
      }
      if (can_append) append_values(report, kReportSize, "%s(%ld):\n", text, errno);
      errno = 0;
      g_qderrno = 0;
    }
    CatalogEntry message;
    if (lookup_message(errnum, lines, &message)) {
      clean_comment(message.text);
      if (can_append) append_format(report, kReportSize, message.text, args);
      const Arg name[] = {make_arg(+message.name)};
      PackSource src(name, 1);
      trace_output(lines, "\n%s\n", src);
    }
    if (status_acct_errors_on()) {
      char record[kCatalogNameMax + kCatalogNameMax + 2];
      format_values(record, sizeof record, "%s", message.name);
      if (fid != 0 && function_found()) append_values(record, sizeof record, "/%s", function.name);
      status_acct_error_record(hard ? "Hard" : "Soft", record, report);
    }
  }
  if (fid != 0 && (qdxglob_val.trace_to_errtext != 0 || qdxglob_val.trace_mode != 0) &&
      function_found()) {
    trace_output(lines, function.text, args);
  }
  return errnum;
}

int trace_args(int errnum, int fid, const Arg* args, int count) {
  PackSource src(args, count);
  return trace_core(errnum, fid, src);
}

int start_report_args(const char* format, const Arg* args, int count) {
  StatusLock guard;
  char* report = errtxt_locked();
  if (report != g_no_memory_report) {
    PackSource src(args, count);
    write_header(report, format, src);
  }
  return 0;
}

int start_report_named(const char* name) {
  NamedHeader& h = t_named;
  // The report this thread last started under this name still holds exactly that header:
  // writing it again would change nothing but errno, so the lock is not needed. No other
  // thread writes into a report that has not changed hands since.
  if (h.name == name && h.report && h.moves == g_report_moves.load(std::memory_order_acquire) &&
      h.tid == current_tid() && std::memcmp(h.report, h.text, h.size) == 0) {
    errno = 0;
    return 0;
  }
  StatusLock guard;
  char* report = errtxt_locked();
  if (report == g_no_memory_report) return 0;
  if (h.name != name && !make_named_header(name)) {
    const Arg arg[] = {make_arg(name)};
    PackSource src(arg, 1);
    write_header(report, "%s", src);  // cut where the formatter cuts
    return 0;
  }
  errno = 0;
  std::memcpy(report, h.text, h.size);
  h.report = report;
  h.tid = current_tid();
  h.moves = g_report_moves.load(std::memory_order_relaxed);
  return 0;
}

int merror_args(int errnum, const Arg* args, int count) {
  if (!g_merror_switch) return errnum;
  PackSource src(args, count);
  trace_core(errnum, 0, src);
  return errnum;
}

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int trace(int errnum, int fid, ...) {
  va_list ap;
  va_start(ap, fid);
  int r;
  {
    VaSource src(ap);
    r = trace_core(errnum, fid, src);
  }
  va_end(ap);
  return r;
}

QD_EXTERN_C QD_API char* qd_errtxt_adr(void) {
  StatusLock guard;
  return errtxt_locked();
}

QD_EXTERN_C QD_API int* get_qderrno_adr(void) { return &g_qderrno; }

QD_EXTERN_C QD_API void set_qderrstring(char* text) { g_errstring = text; }

QD_EXTERN_C QD_API qdxglob_record* get_qdxglob_adr(void) { return &qdxglob_val; }

QD_EXTERN_C QD_API int init_qderr(void) {
  StatusLock guard;
  char* report = errtxt_locked();
  if (report != g_no_memory_report) write_default_header(report);
  return 0;
}

QD_EXTERN_C QD_API int init_trace(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  t_first_error = 0;
  {
    StatusLock guard;
    char* report = errtxt_locked();
    if (report != g_no_memory_report) {
      VaSource src(ap);
      write_header(report, format, src);
    }
  }
  va_end(ap);
  return 0;
}

QD_EXTERN_C QD_API int trace_pop(void) {
  StatusLock guard;
  t_first_error = 0;
  uint32_t self = current_tid();
  hand_over(self, self);
  return 0;
}

QD_EXTERN_C QD_API int _merror(int errnum, ...) {
  if (!g_merror_switch) return errnum;
  va_list ap;
  va_start(ap, errnum);
  {
    VaSource src(ap);
    trace_core(errnum, 0, src);
  }
  va_end(ap);
  return errnum;
}

QD_EXTERN_C QD_API int no_merror(void) {
  g_merror_switch = 0;
  return 0;
}

QD_EXTERN_C QD_API int yes_merror(void) {
  g_merror_switch = 1;
  return 0;
}

QD_EXTERN_C QD_API int trace_hard_error(int errnum, int fid, char convert) {
  if (is_hard_error(errnum) || convert == 0) return errnum;
  report(QDE_SOFT_TO_HARD, fid);
  // Soft errors with a hard counterpart of their own; every other one becomes the
  // general unrecoverable error.
  static constexpr struct {
    int soft;
    int hard;
  } kHardOf[] = {
      {QDE_RECOVERABLE_5019, QDE_UNRECOVERABLE_5019},
      {QDE_RECOVERABLE_9094, QDE_UNRECOVERABLE_9094},
      {QDE_RECOVERABLE_9146, QDE_UNRECOVERABLE_9146},
      {QDE_RECOVERABLE_9151, QDE_UNRECOVERABLE_9151},
      {QDE_RECOVERABLE_16002, QDE_UNRECOVERABLE_16002},
      {QDE_RECOVERABLE_16003, QDE_UNRECOVERABLE_16003},
  };
  for (const auto& m : kHardOf) {
    if (m.soft == errnum) return m.hard;
  }
  return QDE_UNRECOVERABLE;
}

QD_EXTERN_C QD_API int type(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  {
    VaSource src(ap);
    channel_write(format, src);
  }
  va_end(ap);
  return 0;
}
