// acctlog.cpp: the accounting log: configuration, identity fields, event lines, the
// generation files, and the event-mask texts.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "platform/platform.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdacct.h"
#include "runtime/acct_internal.h"
#include "base/byteio.h"
#include "base/limits.h"
#include "base/dtfields.h"
#include "base/memory.h"
#include "runtime/coding.h"
#include "runtime/os_internal.h"
#include "runtime/runtime_internal.h"
#include "status/qdformat.h"
#include "status/report.h"

QD_API qd_ulong acct_act_events = 0;
QD_API qd_long acct_act_logon = 0;

namespace qd {
namespace {

struct EventName {
  qd_ulong mask;
  const char* name;
};
// The writable events first, by index; the two mask words after them.
constexpr EventName kEventNames[] = {
    {0x1, "ERROR"},    {0x2, "CONN"},     {0x4, "LOGIN"}, {0x8, "TA"},
    {0x10, "APPLIC"},  {0x20, "DDL"},     {0x40, "DML"},  {0x4000, "STATQ"},
    {0x8000, "STATS"}, {0x10000, "CTXT"}, {0x0, "NONE"},  {0xFFFFFFFF, "ALL"},
};
constexpr int kEventNameCount = sizeof kEventNames / sizeof kEventNames[0];
static_assert(kEventNameCount == kAcctEventCount + 2);
constexpr qd_ulong kErrorEventBit = 0x1;

// Line budget: the size given to acct_init is capped and part of it kept back for the
// separators, quotes and line end; a line keeps back more, and every text leaves room
// for the fields still to come.
constexpr int32_t kRecordKeptBack = 72;
constexpr int32_t kLineKeptBack = 20;
constexpr int32_t kFieldKeptBack = 10;
constexpr int32_t kIntegerCost = 4;
// An escaped text can double: the buffer holds two full budgets and the frame.
constexpr size_t kRecordBufferSize = 2 * kRecordMax + 3;  // 65347
constexpr int kFieldCount = 9;

// The date field: year down to milliseconds, Gregorian, as the clock reads it, written
// as the datetime literal of that value ("datetime[yy:ms](2026-12-6 9:5:3.042)").
constexpr int32_t kDateSize = dt_stored_size(kMs, kYy, kDtFieldBytes);  // its budget, 20
constexpr size_t kDateTextSize = 48;                        // the longest literal is 41

constexpr int kLogFileMode = 0666;  // 438
// The open error on which the log passes over a file to the next generation name (the
// number the system's C runtime gives a file it refuses as taken).
constexpr int kOpenFileTaken = 79;
// Bounds on moving on to further generations within one call, so that a system that
// refuses every name cannot keep the caller forever.
constexpr int kGenerationStepsMax = 1000;

constexpr char kNoFile[] = "---";
constexpr size_t kFileNameMax = kPathMax + 16;  // the base name and ".<generation>"
constexpr size_t kText1Max = 127;
constexpr size_t kText2Max = 128;
constexpr size_t kPairMax = 24;

std::atomic<int> g_fd{-1};
std::atomic<int> g_generation{-1};
std::atomic<int32_t> g_budget{0};
char g_base[kPathMax + 1] = "---";
// The line buffer. A writer takes it out of the slot while it formats, so that lines
// written at the same time from several threads never share it; a writer that finds
// the slot empty while a buffer exists formats into one of its own.
std::atomic<char*> g_record{nullptr};
std::atomic<bool> g_record_live{false};
// Set while a failure of the log is being reported.
std::atomic<bool> g_reporting{false};
std::atomic<AcctOpenFn> g_open{nullptr};

struct Identity {
  bool has_number = false;
  int32_t number = 0;
  bool has_pair = false;
  int32_t pair_first = 0;
  int32_t pair_second = 0;
  char pair[kPairMax] = {};
  bool has_text1 = false;
  char text1[kText1Max + 1] = {};
  bool has_text2 = false;
  char text2[kText2Max + 1] = {};
};
Identity g_id;

template <class T>
T load_relaxed(T& v) {
  return std::atomic_ref<T>(v).load(std::memory_order_relaxed);
}
template <class T>
void store_relaxed(T& v, T x) {
  std::atomic_ref<T>(v).store(x, std::memory_order_relaxed);
}

void copy_bounded(char* out, size_t max, const char* text) {
  size_t n = strnlen(text, max);
  std::memcpy(out, text, n);
  out[n] = 0;
}

// Reports a failure of the log unless one is being reported already; returns E.
template <long E, long F, class... A>
int report_once(A... values) {
  bool idle = false;
  if (!g_reporting.compare_exchange_strong(idle, true)) return static_cast<int>(E);
  report<E, F>(values...);
  g_reporting.store(false);
  return static_cast<int>(E);
}

// Opens the next file of the configuration: the base name first, then "<base>.1",
// "<base>.2", ... A file refused as taken is passed over. The name tried last is left
// in tried.
int open_next(char* tried, size_t size) {
  AcctOpenFn open = g_open.load();
  if (!open) open = os_open;
  for (int step = 1;; ++step) {
    int generation = g_generation.load();
    if (generation < 0) {
      generation = 0;
      format_values(tried, size, "%s", +g_base);
    } else {
      ++generation;
      format_values(tried, size, "%s.%d", +g_base, generation);
    }
    g_generation.store(generation);
    const int fd = open(tried, kOsWrite | kOsAppend | kOsCreate, kLogFileMode);
    if (fd >= 0 || errno != kOpenFileTaken || step >= kGenerationStepsMax) return fd;
    errno = 0;
  }
}

int exit_log() {
  store_relaxed<qd_ulong>(acct_act_events, 0);
  store_relaxed<qd_long>(acct_act_logon, 0);
  g_record_live.store(false);
  mem_free(g_record.exchange(nullptr));
  const int fd = g_fd.exchange(-1);
  // The descriptor is given up even when closing fails: it cannot be closed again.
  if (fd >= 0 && os_close(fd) != 0) return report<QDE_ACCT_CLOSE_FAILED, QDF_ACCT_EXIT>(fd);
  return 0;
}

// Formats one line into a caller's buffer, charging every field against the budget.
class LineWriter {
 public:
  LineWriter(char* out, size_t size, int32_t budget) : out_(out), size_(size), budget_(budget) {}

  size_t length() const { return n_; }
  void put(char c) {
    if (n_ < size_) out_[n_++] = c;
  }
  void put_text(const char* s) {
    while (*s) put(*s++);
  }
  void absent() { put('?'); }

  void integer(bool present, int32_t v) {
    if (!present || budget_ < kIntegerCost) return absent();
    budget_ -= kIntegerCost;
    char digits[16];
    format_values(digits, sizeof digits, "%ld", v);
    put_text(digits);
  }

  void date(const char* text) {
    if (!text || budget_ < kDateSize) return absent();
    budget_ -= kDateSize;
    put_text(text);
  }

  // A text between single quotes. Each byte copied costs one; copying stops before a
  // character that would leave no more than kFieldKeptBack for each field to come.
  // Characters of the process encoding are copied whole, never split or escaped.
  void text(const char* s, int fields_to_come, int32_t encoding) {
    if (!s || budget_ <= 0) return absent();
    const int32_t floor = kFieldKeptBack * fields_to_come;
    const size_t len = std::strlen(s);
    put('\'');
    for (size_t i = 0; i < len;) {
      const size_t width =
          std::min<size_t>(std::max(encoding_char_len(encoding, s + i), 1), len - i);
      if (budget_ - static_cast<int32_t>(width) <= floor) break;
      budget_ -= static_cast<int32_t>(width);
      if (width > 1) {
        for (size_t k = 0; k < width; ++k) put(s[i + k]);
      } else {
        escaped(s[i]);
      }
      i += width;
    }
    put('\'');
  }

 private:
  void escaped(char c) {
    switch (c) {
      case '\t':
        put('\\');
        put('t');
        return;
      case '\n':
        put('\\');
        put('n');
        return;
      case '\r':
        put('\\');
        put('r');
        return;
      case '\'':
      case '\\':
        put('\\');
        put(c);
        return;
      default:
        put(c);
    }
  }

  char* out_;
  size_t size_;
  size_t n_ = 0;
  int32_t budget_;
};

// The local date and time as a datetime literal; false when the clock cannot be read.
bool now_text(char* out) {
  plat::LocalTime t;
  if (!plat::local_time_ms(&t)) return false;
  const int fields[] = {t.millisecond, t.second, t.minute, t.hour, t.day, t.month, t.year};
  static_assert(std::size(fields) == kDtFieldCount);
  format_values(out, kDateTextSize, "datetime[%s:%s](%d", kDtFields[kYy].name,
                kDtFields[kMs].name, fields[kYy]);
  for (int c = kYy - 1; c >= kMs; --c) {
    append_values(out, kDateTextSize, kDtFields[c].digits != 0 ? "%c%03d" : "%c%d",
                  kDtFields[c].separator, fields[c]);
  }
  append_values(out, kDateTextSize, ")");
  return true;
}

size_t format_line(char* out, size_t size, int event, const char* const* texts) {
  char date[kDateTextSize];
  const bool have_date = now_text(date);
  const int32_t encoding = encoding_resolve(0);
  LineWriter w(out, size, g_budget.load() - kLineKeptBack);
  int to_come = kFieldCount - 1;
  w.date(have_date ? date : nullptr);
  w.put('\t');
  w.text(kEventNames[event].name, --to_come, encoding);
  w.put('\t');
  w.text(texts[0], --to_come, encoding);
  w.put('\t');
  --to_come;
  w.integer(g_id.has_number, g_id.number);
  w.put('\t');
  w.text(g_id.has_pair ? g_id.pair : nullptr, --to_come, encoding);
  w.put('\t');
  w.text(g_id.has_text1 ? g_id.text1 : nullptr, --to_come, encoding);
  w.put('\t');
  w.text(g_id.has_text2 ? g_id.text2 : nullptr, --to_come, encoding);
  w.put('\t');
  w.text(texts[1], --to_come, encoding);
  w.put('\t');
  w.text(texts[2], --to_come, encoding);
  w.put('\n');
  return w.length();
}

// Writes the line, moving on to the next generation file while the file is full.
// True when the whole line was written; *fd_out is the descriptor last used.
bool write_line(const char* line, unsigned size, int* fd_out) {
  int fd = g_fd.load();
  int n = os_write(fd, line, size);
  if (n != static_cast<int>(size)) {
    if (n > 0) {
      line += n;
      size -= static_cast<unsigned>(n);
    }
    n = os_write(fd, line, size);
    for (int step = 0; n < 0 && errno == EFBIG && step < kGenerationStepsMax; ++step) {
      os_close(fd);
      char tried[kFileNameMax];
      fd = open_next(tried, sizeof tried);
      g_fd.store(fd);
      n = os_write(fd, line, size);
    }
  }
  *fd_out = fd;
  return n == static_cast<int>(size);
}

}  // namespace

bool acct_errors_on() {
  return load_relaxed(acct_act_logon) != 0 && (load_relaxed(acct_act_events) & kErrorEventBit);
}

void acct_error_record(const char* word, const char* name, const char* report) {
  const char* texts[] = {word, name, report};
  acct_write_texts(ACCT_EV_ERROR, kAcctMaxTexts, texts);
}

int acct_write_texts(int event, int count, const char* const* texts) {
  if (event < 0 || event >= kAcctEventCount) {
    return report_once<QDE_ACCT_BAD_EVENT, QDF_ACCT_WRITE>(event);
  }
  const char* given[kAcctMaxTexts] = {};
  for (int i = 0; i < std::min(count, kAcctMaxTexts) && texts; ++i) given[i] = texts[i];
  if (g_fd.load() < 0) return 0;  // no file: the line goes nowhere

  char* buffer = g_record.exchange(nullptr);
  bool own = false;
  if (!buffer) {
    if (!g_record_live.load()) return 0;  // not configured, or closed meanwhile
    buffer = static_cast<char*>(mem_alloc(kRecordBufferSize));
    if (!buffer) return report_once<QDE_NO_MEMORY, QDF_ACCT_WRITE>();
    own = true;
  }
  const size_t length = format_line(buffer, kRecordBufferSize, event, given);
  int fd = -1;
  const bool complete = write_line(buffer, static_cast<unsigned>(length), &fd);
  char* empty = nullptr;
  if (own || !g_record.compare_exchange_strong(empty, buffer)) mem_free(buffer);
  if (!complete) return report_once<QDE_ACCT_WRITE_INCOMPLETE, QDF_ACCT_WRITE>(fd);
  return 0;
}

void acct_set_open_for_test(AcctOpenFn fn) { g_open.store(fn); }

void acct_reset_for_test() {
  exit_log();
  g_generation.store(-1);
  g_budget.store(0);
  copy_bounded(g_base, kPathMax, kNoFile);
  g_id = Identity{};
}

int acct_generation() { return g_generation.load(); }
int acct_descriptor() { return g_fd.load(); }

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int acct_init(const acct_config* config, qd_long size) {
  // Below zero every budget is alike; the floor keeps the line's arithmetic in range.
  const int32_t budget = std::min(size, kRecordMax);
  g_budget.store(std::max(budget, -kRecordMax) - kRecordKeptBack);
  if (g_fd.load() >= 0) {
    if (int err = exit_log(); err != 0) {
      report<0, QDF_ACCT_INIT>();
      return err;
    }
  }
  const qd_long logon = config ? config->logon : 0;
  store_relaxed<qd_long>(acct_act_logon, logon);
  copy_bounded(g_base, kPathMax, config && config->file ? config->file : kNoFile);
  g_generation.store(-1);
  if (std::strcmp(g_base, kNoFile) != 0 && logon != 0) {
    char tried[kFileNameMax];
    const int fd = open_next(tried, sizeof tried);
    if (fd < 0) return report<QDE_ACCT_OPEN_FAILED, QDF_ACCT_INIT>(+tried, kLogFileMode);
    g_fd.store(fd);
  }
  if (!g_record.load()) {
    char* buffer = static_cast<char*>(mem_alloc(kRecordBufferSize));
    if (!buffer) return report<QDE_NO_MEMORY, QDF_ACCT_INIT>();
    char* empty = nullptr;
    if (!g_record.compare_exchange_strong(empty, buffer)) mem_free(buffer);
  }
  g_record_live.store(true);
  store_relaxed<qd_ulong>(acct_act_events, config ? config->events : 0);
  return 0;
}

QD_EXTERN_C QD_API int acct_set(qd_long number, qd_long pair_first, const char* text1,
                                const char* text2, qd_long pair_second) {
  if (number != 0) {
    g_id.number = number;
    g_id.has_number = true;
  }
  if (pair_first != -1) g_id.pair_first = pair_first;
  if (pair_second != -1) g_id.pair_second = pair_second;
  if (pair_first != -1 || pair_second != -1) {
    format_values(g_id.pair, sizeof g_id.pair, "%ld:%ld", g_id.pair_first, g_id.pair_second);
    g_id.has_pair = true;
  }
  if (text1) {
    copy_bounded(g_id.text1, kText1Max, text1);
    g_id.has_text1 = true;
  }
  if (text2) {
    copy_bounded(g_id.text2, kText2Max, text2);
    g_id.has_text2 = true;
  }
  return 0;
}

QD_EXTERN_C QD_API int acct_write(int event, int count, ...) {
  const char* texts[kAcctMaxTexts] = {};
  va_list ap;
  va_start(ap, count);
  for (int i = 0; i < std::min(count, kAcctMaxTexts); ++i) texts[i] = va_arg(ap, const char*);
  va_end(ap);
  return acct_write_texts(event, count, texts);
}

QD_EXTERN_C QD_API int acct_exit(void) { return exit_log(); }

QD_EXTERN_C QD_API int acct_evprint(acct_print_proc print, char* buffer, qd_ulong mask,
                                    const char* separator) {
  if (buffer) buffer[0] = 0;
  const char* sep = separator ? separator : "";
  auto emit = [&](const char* before, const char* name) {
    if (print) print("%s%s", before, name);
    if (buffer) {
      std::strcat(buffer, before);
      std::strcat(buffer, name);
    }
  };
  bool any = false;
  for (int i = 0; i < kAcctEventCount; ++i) {
    if (mask & kEventNames[i].mask) {
      emit(any ? sep : "", kEventNames[i].name);
      any = true;
    }
  }
  if (!any) emit("", kEventNames[kAcctEventCount].name);
  return 0;
}

namespace {

// The mask of the event name text[0..n), compared without case; false when unknown.
bool event_mask_of(const char* text, size_t n, qd_ulong* mask) {
  for (const EventName& e : kEventNames) {
    if (std::strlen(e.name) != n) continue;
    size_t i = 0;
    while (i < n && (text[i] | 0x20) == (e.name[i] | 0x20)) ++i;
    if (i == n) {
      *mask = e.mask;
      return true;
    }
  }
  return false;
}

bool is_sign(char c) { return c == '+' || c == '-'; }

}  // namespace

QD_EXTERN_C QD_API int acct_evkeyscan(const char* text, const char* delimiters, qd_ulong* mask,
                                      const char** bad_token) {
  auto fail = [&](const char* at) {
    if (bad_token) *bad_token = at;
    return -1;
  };
  if (!mask) return fail(text);
  const char* delims = delimiters ? delimiters : "";
  auto is_delim = [&](char c) { return c != 0 && std::strchr(delims, c) != nullptr; };
  qd_ulong m = *mask;
  bool named = false;        // a name has been read
  bool signed_seen = false;  // a signed name has been read
  char pending = 0;          // a lone sign waiting for its name
  const char* pending_at = nullptr;
  const char* p = text ? text : "";
  for (;;) {
    while (is_delim(*p)) ++p;
    if (!*p) break;
    const char* token = p;
    while (*p && !is_delim(*p)) ++p;
    const char* end = p;
    if (end - token == 1 && is_sign(*token)) {
      if (pending) return fail(token);  // two lone signs in a row
      pending = *token;
      pending_at = token;
      continue;
    }
    const char* q = token;
    char sign = pending;
    pending = 0;
    if (is_sign(*q)) {
      if (sign) return fail(pending_at);  // a lone sign before a signed name
      sign = *q++;
    }
    for (;;) {
      const char* name = q;
      while (q < end && !is_sign(*q)) ++q;
      qd_ulong bits = 0;
      if (!event_mask_of(name, static_cast<size_t>(q - name), &bits)) {
        return fail(q == name && sign && name > token ? name - 1 : name);
      }
      if (!sign) {
        if (signed_seen) return fail(name);
        if (!named) m = 0;
        m |= bits;
      } else {
        m = sign == '+' ? (m | bits) : (m & ~bits);
        signed_seen = true;
      }
      named = true;
      if (q >= end) break;
      sign = *q++;
    }
  }
  if (pending) return fail(pending_at);
  *mask = m;
  return 0;
}
