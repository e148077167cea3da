// types_internal.h: what the type-system core shares inside the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qdtype32/qdattr.h"
#include "runtime/byteio.h"
#include "types/qdformat.h"

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

constexpr size_t kCatalogNameMax = 298;
constexpr size_t kCatalogTextMax = 299;
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

// ---- Type descriptors ------------------------------------------------------------------

enum TypeCode : int16_t {
  kTypeNone = 0,
  kInteger = 1,
  kDouble = 2,
  kNumeric = 3,
  kChar = 4,
  kTinyint = 5,
  kSmallint = 6,
  kFloat = 7,
  kDatetime = 8,
  kTimespan = 9,
  kMoney = 10,
  kBool = 11,
  kBinchar = 12,
  kBlob = 13,
  kBits = 14,
  kNulltyp = 15,
  kCInt = 16,
  kCUChar = 17,
  kCUShort = 18,
  kCUInt = 19,
  kCULong = 20,
  kCChar = 21,
  kCShort = 22,
  kCLong = 23,
  kCFloat = 24,
  kCDouble = 25,
  kFileref = 28,
  kVarchar = 29,
  kBits2 = 30,
};
constexpr int kTypeCodeMax = 30;
constexpr int kBlobSize = 20;  // a stored blob reference: five 32-bit words
constexpr int kRangeUnset = 8;  // end code of a datetime/timespan descriptor without range

struct TypeInfo {
  const char* name;
  int32_t size;
  int32_t align;
  int16_t rank;
  int32_t text_space;
};
// Row of the per-code table; codes outside 0..30 read row 0.
const TypeInfo& type_info(int code);

// Parameter readings of a descriptor.
inline int at_precision(const attrtype* t) { return static_cast<int8_t>(t->param[0]); }
inline int at_scale(const attrtype* t) { return static_cast<int8_t>(t->param[1]); }
inline int at_length(const attrtype* t) { return load<int16_t>(t->param); }
inline int at_range_low(const attrtype* t) { return t->param[0]; }
inline int at_range_high(const attrtype* t) { return t->param[1]; }
inline void at_set_length(attrtype* t, int len) {
  store<int16_t>(t->param, static_cast<int16_t>(len));
}
inline void at_set_decimal(attrtype* t, int precision, int scale) {
  t->param[0] = static_cast<uint8_t>(precision);
  t->param[1] = static_cast<uint8_t>(scale);
}
inline void at_set_range(attrtype* t, int low, int high) {
  t->param[0] = static_cast<uint8_t>(low);
  t->param[1] = static_cast<uint8_t>(high);
}
// Codes whose parameters are one 16-bit length.
inline bool has_length_param(int code) {
  return code == kChar || code == kBinchar || code == kBits || code == kVarchar || code == kBits2;
}

// ---- Compatibility --------------------------------------------------------------------

enum class TypeFamily { kNone, kNumber, kString };
TypeFamily type_family(int code);
// The code two operands combine to: 0 when they do not go together.
int common_type_code(int a, int b);

constexpr int kRangeDay = 4;
constexpr int kRangeMonth = 5;
constexpr int kRangeYear = 6;
enum class TimespanClass { kDayTime, kYearMonth, kMixed };
// The class of a timespan range given by its end (low) and start (high) codes.
TimespanClass timespan_class(int low, int high);
// Whether two stored timespans (range codes in their first byte) lie in one class.
bool same_timespan_class(const void* a, const void* b);

// Datetime field ("range") names: codes 0 ms .. 6 yy, 7 weekday.
constexpr int kRangeNameCount = 8;
const char* range_name(int code);  // "??" outside 0..7
int range_code(const char* text);  // first two characters, exact case; -1 when none

}  // namespace qd
