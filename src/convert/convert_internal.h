// convert_internal.h: what the conversion files share: the target-family table behind
// value_adapt_type, the number reader, the text-to-double step, and the literal scanner.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/limits.h"
#include "base/outcheck.h"
#include "bits/bits_internal.h"
#include "datetime/dt_internal.h"
#include "decimal/fix_internal.h"
#include "qdtype32/qdattr.h"
#include "qdtype32/qdfix.h"
#include "types/bytes_internal.h"
#include "types/types_internal.h"

namespace qd {

// ---- value_adapt_type -------------------------------------------------------------------

// One call of value_adapt_type as the family handlers see it. src is never null here (the
// null source has been answered before dispatch).
struct AdaptCall {
  int srccode;
  const void* src;
  const attrtype* dsttype;
  void* dst;
  int32_t* dstlen;  // may be null; written only on success
};

// A target family: converts every source it accepts, reports through the error road with
// the function id of value_adapt_type, returns 0 or the error number.
using AdaptFn = int (*)(const AdaptCall& call);

// The handler for a target code (the one table of target families); codes without a
// family answer with a handler that refuses with 4200.
AdaptFn adapt_family(int target_code);

// Every failure of value_adapt_type and the calendar reader names the target in full form.
constexpr int kTypeTextSize = 40;  // attr_to_txt's longest form and then some
struct TargetText {
  explicit TargetText(const attrtype* t) { attr_to_txt(const_cast<attrtype*>(t), 1, text); }
  char text[kTypeTextSize];
};

// A callee failed and has recorded its error: adds value_adapt_type's trace record and
// returns the callee's number.
int adapt_pass_on(int err);

// The families of the byte-sequence targets (char, varchar, fileref, binchar, bits, bits2)
// and of the calendar targets (adatext.cpp).
int adapt_byte_sequence(const AdaptCall& call);
int adapt_datetime(const AdaptCall& call);
int adapt_timespan(const AdaptCall& call);

// ---- The calendar text reader (caltext.cpp) ----------------------------------------------

// Reads text as a datetime (target code 8, into dt_out, room for 20 bytes) or a timespan
// (code 9, into ts_out, room for 24 bytes) of the range the text itself gives: the bracket
// literal as dt_str and ts_str print it, or DATE, TIME, TIMESTAMP and INTERVAL with a
// quoted text. Only the target's code is read. 0, or 19003 after the reader's own report
// (21004 or 21005, or 9097 for a bad second range name or interval keyword), with the
// whole text and the target's text in it. Allocates nothing.
int calendar_from_text(const attrtype* target, const char* text, void* dt_out, void* ts_out);

// The message argument for a text that does not fit: the text between single quotes, cut
// at 399 characters. out must hold kQuotedTextSize bytes.
constexpr int kQuotedTextMax = 399;
constexpr size_t kQuotedTextSize = kQuotedTextMax + 3;
const char* quoted_text(const char* text, char* out);

// ---- The number reader ------------------------------------------------------------------

enum class NumberKind : uint8_t { kInteger, kDouble, kFix };
struct NumberRead {
  NumberKind kind;
  int32_t integer;
  double real;
  uint8_t fix[QD_FIX_MAX_BYTES];
};

// Reads a whole text as a number: blanks, a sign, blanks, digits with an optional point and
// exponent, blanks. 0, or the error already recorded: 19007 (no number), 19011 (the double
// overflows or underflows), or scan_fix's error after a trace record of value_adapt_type.
int read_number(const char* text, NumberRead* out);

// The runtime's decimal-to-double conversion of [first, last) (digits, optional point,
// optional exponent; no sign, no blanks). False on a range error: an overflow, or an
// underflow to zero or below the smallest normal double. *end gets the first character not
// used.
bool text_to_double(const char* first, const char* last, double* out, const char** end);

// ---- The literal scanner ----------------------------------------------------------------

// The value of the last literal token: a tuple field's largest size.
constexpr size_t kValueArea = kRecordMax;
constexpr int kStringMax = kRecordTextMax;  // bytes of a character string literal
constexpr int kWordMax = kRecordTextMax;    // bytes of a word
constexpr int kHexWorkSize = 65339;    // the hexadecimal work buffer: "0x" and the digits
constexpr int kDecimalLiteralMax = 37; // characters of a decimal literal
constexpr int kIntegerDigitsMax = 30;  // significant digits of an integer literal
// Bit literals longer than a descriptor can state are refused.
constexpr int kBitLiteralMax = 32767;

enum Token : int {
  kTokError = -1,  // an error was recorded; the scan ends with it
  kTokInteger = 1,
  kTokDouble = 2,
  kTokNumeric = 3,
  kTokChar = 4,
  kTokTinyint = 5,
  kTokSmallint = 6,
  kTokFloat = 7,
  kTokBinchar = 12,
  kTokBits = 14,
  kTokInvalid = 100,
  kTokEnd = 101,
  kTokPoint = 102,
  kTokPlus = 103,
  kTokMinus = 104,
  kTokOpen = 105,
  kTokClose = 106,
  kTokColon = 107,
  kTokBracketOpen = 108,
  kTokBracketClose = 109,
  kTokDatetime = 110,
  kTokTimespan = 111,
  kTokRangeYy = 112,
  kTokRangeMo = 113,
  kTokRangeDd = 114,
  kTokRangeHh = 115,
  kTokRangeMi = 116,
  kTokRangeSs = 117,
  kTokRangeMs = 118,
  kTokTrue = 119,
  kTokFalse = 120,
};

// The keyword token of a word (any case), or kTokInvalid.
int keyword_token(const char* word, size_t length);

// One literal read from the start of text. On success: its descriptor, a pointer to its
// value (inside a per-thread area, valid until the thread's next scan) and the first
// character after it. must_end: only the end of the text may follow. 0 or the error
// (recorded with the function id of literal scanning).
struct ScannedLiteral {
  attrtype type;
  const void* value;
  const char* end;
};
int scan_literal(const char* text, bool must_end, ScannedLiteral* out);

// ---- Checked outputs ----------------------------------------------------------------

// The checker of a stored value of a type code (null for codes without one), the bytes
// it may read, and the kind's name.
struct ValueKind {
  ValueValidator valid;
  size_t room;
  const char* name;
};
inline ValueKind value_kind(int code) {
  switch (code) {
    case kNumeric:
    case kMoney:
      return {valid_fix, kFixMaxBytes, "fix"};
    case kDatetime:
      return {valid_datetime, kDtLargest, "datetime"};
    case kTimespan:
      return {valid_timespan, kTsLargest, "timespan"};
    case kBinchar:
      return {valid_binchar, static_cast<size_t>(kRecordMax), "binchar"};
    case kBits:
      return {valid_bits, kBitsAnyRoom, "bits"};
    case kBits2:
      return {valid_bits2, kBitsAnyRoom, "bits2"};
    default:
      return {nullptr, 0, ""};
  }
}
// Whether v is a well-formed value of code (always, for codes without a checker).
inline bool value_well_formed(int code, const void* v) {
  const ValueKind k = value_kind(code);
  return !k.valid || !v || k.valid(v, k.room, nullptr);
}
inline int checked_value(const char* fn, bool inputs_ok, int status, int code, const void* v) {
  const ValueKind k = value_kind(code);
  if (!k.valid) return status;
  return checked_status(fn, k.name, k.valid, inputs_ok, status, v, k.room);
}
// At an export's return, in the checking build: the value v of type code is checked when
// the status is 0, provided the export's QD_INPUTS_OK held.
#define QD_VALUE_OUT(status, code, v) \
  ::qd::checked_value(__func__, qd_inputs_ok_, (status), (code), (v))

}  // namespace qd
