// status_internal.h: what the error road shares with the layers above it: the report
// table's limits, the trace core, the catalogue lookups, and the services it borrows
// from the runtime.
//
// The error road is the bottom of the library (only the platform layer and the pure
// helpers of base/ lie below it), so that every other folder can report. What it needs
// from higher up reaches it through StatusServices, which the runtime registers when the
// library is loaded (runtime/status_services.cpp):
//   - lock 4, which guards the report table, the catalogue lookups and the trace channel;
//   - the installation directory (the "QUARENDEL" setting), where the catalogues live;
//   - the accounting log's error line.
// Everything else it takes from below: thread and process ids, the clock, file access
// (platform), path joining (base), low-level writes (oslowio.cpp, in this folder).
#pragma once

#include <cstddef>
#include <cstdint>

#include "status/catalog_reader.h"
#include "status/qdformat.h"

namespace qd {

// ---- Error status -------------------------------------------------------------------

constexpr size_t kReportSize = 4096;  // bytes of one thread's error report
constexpr size_t kReportStop = 3000;  // a longer report takes no further lines
constexpr int kReportSlots = 256;
constexpr int kHandOver = 16811;  // trace command: hand report a1 over to thread a2
constexpr int kHardErrorLast = 4999;

inline bool is_hard_error(int e) { return e >= 1 && e <= kHardErrorLast; }

// The full trace algorithm over any value source; lock 4 is taken inside.
int trace_core(int errnum, int fid, ArgSource& args);
// Sends a formatted line to the trace output: the thread's report when trace-into-
// error-text is on, else the trace channel. Called with lock 4 held.
void trace_output(char* report, const char* format, ArgSource& args);
// Writes a formatted line to the trace channel (the body of the export `type`).
void channel_write(const char* format, ArgSource& args);
// Tests only: the report table sees the calling thread as `tid` (0 ends the override).
void report_tid_override_for_test(uint32_t tid);
// Tests only: the slot holding tid's report, -1 when it has none.
int report_slot_for_test(uint32_t tid);
// Forgets the trace channel's state (tests only): it is opened afresh on next use.
void channel_reset_for_test();
// Tests only: returns the waiting report blocks to the system, so that the next report
// allocates again. Only while no thread holds a report it was given before.
void report_spares_free_for_test();

// The first error number recorded in the calling thread's report since the report was
// last started (0 when none): lets a tool name the error that a report describes.
int first_error_number();

// The version line of every report header, built once.
const char* version_line();
// Product name in the default report header.
inline constexpr char kProductName[] = "Quarendel";

// Keeps errno as it was across the error status's own file work, so that a lookup or a
// trace line never shows up as the cause of a later error.
class ErrnoKeeper {
 public:
  ErrnoKeeper();
  ~ErrnoKeeper();
  ErrnoKeeper(const ErrnoKeeper&) = delete;
  ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

 private:
  int saved_;
};

// ---- Catalogue lookups ----------------------------------------------------------------

// Lines and names as catalog_reader.h reads them; an entry's text keeps at most as many
// characters as one line.
constexpr size_t kCatalogTextMax = kCatalogLineMax;
struct CatalogEntry {
  char name[kCatalogNameMax + 1];
  char text[kCatalogTextMax + 1];
};
// Message of errnum from the message file; on a missing file or entry the failure line
// is appended to report (and, for a missing file, sent to the trace output).
bool lookup_message(int errnum, char* report, CatalogEntry* out);
// Text of function id fid from the function-id file.
bool lookup_function(int fid, char* report, CatalogEntry* out);
// Turns a catalogue comment block into plain text, in place.
void clean_comment(char* text);

// ---- Services borrowed from above -----------------------------------------------------

struct StatusServices {
  int (*lock_enter)(int n);  // 0, or the lock's failure (already reported)
  int (*lock_leave)(int n);
  // The installation directory joined with sub and file, as the configuration finds it.
  char* (*install_path)(char* out, size_t size, const char* sub, const char* file);
  bool (*acct_errors_on)();
  void (*acct_error_record)(const char* word, const char* name, const char* report);
};
// Registered once, when the library is loaded. Until then (and in a program that links
// the error road without the runtime) the road runs unlocked, looks for its catalogues
// in the current directory and writes no accounting lines.
void register_status_services(const StatusServices* services);

// The services, or their stand-ins while none are registered.
char* status_install_path(char* out, size_t size, const char* sub, const char* file);
bool status_acct_errors_on();
void status_acct_error_record(const char* word, const char* name, const char* report);

constexpr int kLockErrorStatus = 4;  // the error reports, catalogue lookups, trace channel

// Scoped hold of lock 4 through the registered services.
class StatusLock {
 public:
  StatusLock();
  ~StatusLock();
  StatusLock(const StatusLock&) = delete;
  StatusLock& operator=(const StatusLock&) = delete;

 private:
  bool held_;
};

}  // namespace qd
