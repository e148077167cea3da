// caltext.cpp: the calendar text reader behind value_adapt_type's datetime and timespan
// targets: the bracket literal that dt_str and ts_str print, and the quoted forms DATE,
// TIME, TIMESTAMP and INTERVAL with their qualifiers.
#include <cstdint>
#include <cstring>

#include "convert/convert_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdnumform.h"
#include "status/report.h"

namespace qd {
namespace {

// Blanks between tokens: space, tab, newline, carriage return.
inline bool is_gap(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
inline const char* skip_gaps(const char* p) {
  while (is_gap(*p)) ++p;
  return p;
}
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Whether p starts with word (lower-case letters only), letters compared without regard
// to case; *end gets the first character after it.
bool starts_with(const char* p, const char* word, const char** end) {
  for (; *word; ++p, ++word) {
    // Setting bit 5 makes a capital its small letter; only the letter itself or its
    // capital gives a small letter that way.
    if ((*p | 0x20) != *word) return false;
  }
  *end = p;
  return true;
}

// The text's leading keyword. The words are tried in the order datetime, date, timespan,
// timestamp, time, interval, each as a prefix of the text without regard to case, so a
// word that begins a longer one is taken only when the longer one does not follow.
enum class Form : uint8_t { kBracket, kDate, kTimestamp, kTime, kInterval };
Form read_keyword(const char** p) {
  const char* q = *p;
  Form form = Form::kBracket;
  if (starts_with(q, "date", &q)) {
    form = Form::kDate;
    if (starts_with(q, "time", &q)) form = Form::kBracket;  // "datetime"
  } else if (starts_with(q, "time", &q)) {
    form = Form::kTime;
    if (starts_with(q, "span", &q)) {
      form = Form::kBracket;
    } else if (starts_with(q, "stamp", &q)) {
      form = Form::kTimestamp;
    }
  } else if (starts_with(q, "interval", &q)) {
    form = Form::kInterval;
  } else {
    return form;  // no keyword: the bracket notation from here
  }
  *p = q;
  return form;
}

// Interval keywords with the field code they name, tried in this order.
struct IntervalWord {
  const char* word;
  int code;
};
constexpr IntervalWord kIntervalWords[] = {{"second", kSs}, {"minute", kMi}, {"hour", kHh},
                                           {"day", kDd},    {"month", kMo},  {"year", kYy}};

constexpr int kOpenLow = -1;  // the low code is the last field the text gives
constexpr int64_t kDtFieldMax = INT16_MAX;  // what a datetime's 16-bit field holds

// One reading: the text for the messages, the kind of value built, and its fields.
struct Reading {
  const attrtype* target;
  const char* whole;
  bool timespan;
  int mark = kMarkPositive;
  int high = kYy;
  int low = kOpenLow;
  Unpacked u{};
};

// A failure of the reader: its own report, then 19003 with the target.
int fail_with(const Reading& r, int err, int fid) {
  report(err, fid, r.whole);
  TargetText t(r.target);
  return report<QDE_TEXT_NOT_READABLE, QDF_CALENDAR_FROM_TEXT>(r.whole,
                                                               static_cast<const char*>(t.text));
}
// Malformed text: 21004 for a datetime, 21005 for a timespan.
int fail_text(const Reading& r) {
  return fail_with(r, r.timespan ? QDE_DT_OUT_OF_RANGE : QDE_DT_INVALID, QDF_CALENDAR_FROM_TEXT);
}
// A qualifier that names an impossible range.
int fail_range(const Reading& r) {
  return fail_with(r, r.timespan ? QDE_DT_OUT_OF_RANGE : QDE_DT_INVALID,
                   QDF_READ_RANGE_QUALIFIER);
}
int fail_name(const Reading& r) {
  return fail_with(r, QDE_UNKNOWN_RANGE_NAME, QDF_READ_RANGE_QUALIFIER);
}

// "[high:low]", "[high]" or nothing (high yy, low open). *p moves past it and the blanks
// after it.
int read_range_qualifier(Reading& r, const char** p) {
  const char* q = *p;
  if (*q != '[') return 0;
  q = skip_gaps(q + 1);
  const int high = scan_range_name(q, &q);
  if (high == kRangeNotName) return fail_range(r);
  int low = high;
  if (*q == ':') {
    low = scan_range_name(skip_gaps(q + 1), &q);
    if (low == kRangeNotName) return fail_name(r);
  }
  if (*q != ']') return fail_text(r);
  if (low > high || (r.timespan && !ts_range_ok(low, high))) return fail_range(r);
  r.high = high;
  r.low = low;
  *p = skip_gaps(q + 1);
  return 0;
}

// One interval keyword, or -1.
int interval_word(const char** p) {
  for (const IntervalWord& w : kIntervalWords) {
    if (starts_with(*p, w.word, p)) return w.code;
  }
  return -1;
}

// "HOUR", "MINUTE TO SECOND", ...: the high code, and the low code (the high one when no
// "to" follows).
int read_interval_qualifier(Reading& r, const char* p) {
  const int high = interval_word(&p);
  if (high < 0) return fail_name(r);
  int low = high;
  const char* q = skip_gaps(p);
  if (starts_with(q, "to", &q)) {
    q = skip_gaps(q);
    low = interval_word(&q);
    if (low < 0) return fail_name(r);
  }
  r.high = high;
  r.low = low;
  return 0;
}

// A field: an optional sign and at least one digit. False when there is no digit or the
// magnitude passes 31 bits.
bool read_integer(const char** p, int64_t* out) {
  const char* q = *p;
  const bool negative = *q == '-';
  if (*q == '-' || *q == '+') ++q;
  if (!is_digit(*q)) return false;
  int64_t v = 0;
  for (; is_digit(*q); ++q) {
    v = v * 10 + (*q - '0');
    if (v > kTsFieldMax) return false;
  }
  *p = q;
  *out = negative ? -v : v;
  return true;
}

// The fields from r.high down, up to the terminator: the closing parenthesis of a bracket
// literal, or the closing quote of a quoted text (no field or separator takes either, so
// the first one met ends the fields). fraction: the milliseconds are written as a
// fraction of a second (".5" is 500).
int read_calendar_fields(Reading& r, const char* p, char terminator, bool fraction) {
  int code = r.high + 1;
  for (;;) {
    p = skip_gaps(p);
    int64_t v;
    if (!read_integer(&p, &v)) return fail_text(r);
    --code;
    if (code < 0 || (r.low != kOpenLow && code < r.low)) return fail_text(r);  // too many
    if (!r.timespan && (v < 0 || v > kDtFieldMax)) return fail_text(r);
    if (fraction && code == kMs) {
      const qd_ulong magnitude = static_cast<qd_ulong>(v < 0 ? -v : v);
      const int64_t ms = mk_fractional(magnitude);
      v = v < 0 ? -ms : ms;
    }
    r.u.field[code] = static_cast<int32_t>(v);
    p = skip_gaps(p);
    if (*p == terminator) break;
    if (!scan_field_end(code, &p)) return fail_text(r);
  }
  if (r.low == kOpenLow) {
    r.low = code;
    if (r.timespan && !ts_range_ok(r.low, r.high)) return fail_text(r);
  } else if (code != r.low) {
    return fail_text(r);  // fewer fields than the range
  }
  return 0;
}

// Validates the fields read (a datetime gets its calendar mark there) and packs them.
// Validation takes the current datetime where a 24:00 carries into a day the value does
// not hold; a clock that cannot be read has reported 1854, and the text is then refused.
int pack_checked(Reading& r, void* dt_out, void* ts_out) {
  if (ensure_current() != 0) return fail_text(r);
  if (r.timespan) {
    r.u.header = range_header(r.low, r.high, r.mark);
    if (check_ts(r.u) != 0) return fail_text(r);
    PackedTs::pack(ts_out, r.u);
    return 0;
  }
  r.u.header = range_header(r.low, r.high, 0);
  if (check_dt(r.u) != 0) return fail_text(r);
  PackedDt::pack(dt_out, r.u);
  return 0;
}

// ---- Datetime texts in their plain form ------------------------------------------------

// The separator in front of the field below c in a plain text (none below the
// milliseconds).
constexpr char kPlainNext[kDtFieldCount] = {'\0', kDtFields[kMs].separator, kDtFields[kSs].separator,
                                            kDtFields[kMi].separator, kDtFields[kHh].separator,
                                            kDtFields[kDd].separator, kDtFields[kMo].separator};

inline uint32_t digit_value(char c) { return static_cast<uint8_t>(c) - uint32_t{'0'}; }

// The fields of a datetime text as printers and SQL write them: digits only (at most
// five to a field), each separator the one character the form puts there, the terminator
// straight after the last field. Each field is checked against its limits as its digits
// are read (an hour of 24 is left to the general reader, which carries it into the next
// day), so only the day against its month and the calendar switch remain to check. On
// success the value is packed into dt_out. False, with nothing written, for anything else;
// the general reader then reads the text and reports what it finds, so every error is
// the general reader's. low is the range's low code, or kOpenLow to end at the last field
// given. Needs the current datetime to be set, as the general reader sets it first.
// Inlined where it is called, so that the quoted forms, whose range is fixed, have their
// field loop unrolled with each field's limits and separator as constants.
[[gnu::always_inline]] inline bool read_plain_datetime(const char* p, char terminator,
                                                       bool fraction, int high, int low,
                                                       void* dt_out) {
  if (!current_is_set()) return false;
  constexpr int kPlainDigitsMax = 5;  // 32767, the largest field, has five
  const int last = low == kOpenLow ? kMs : low;  // no field may follow this one
  Unpacked u;
  int code = high;
#pragma GCC unroll 7
  for (; code >= last; --code) {  // left by the terminator, or false
    uint32_t v = digit_value(p[0]);
    if (v > 9) return false;
    int n = 1;
    for (uint32_t d; (d = digit_value(p[n])) <= 9;) {
      if (n == kPlainDigitsMax) return false;
      v = v * 10 + d;
      ++n;
    }
    p += n;
    if (fraction && code == kMs) {
      if (v > kDtFieldMax) return false;
      v = static_cast<uint32_t>(mk_fractional(v));
    }
    if (!dt_within_limits(code, static_cast<int32_t>(v))) return false;
    u.field[code] = static_cast<int32_t>(v);
    if (*p == terminator) break;
    if (code == last || *p != kPlainNext[code]) return false;
    ++p;
  }
  if (low == kOpenLow) {
    low = code;
  } else if (code != low) {
    return false;  // fewer fields than the range
  }
  u.header = range_header(low, high, 0);
  int mark;
  if (!calendar_of(u, &mark)) return false;
  u.header = range_header(low, high, mark);
  PackedDt::pack(dt_out, u);
  return true;
}

}  // namespace

int calendar_from_text(const attrtype* target, const char* text, void* dt_out, void* ts_out) {
  Reading r{target, text, target->code == kTimespan};
  const char* p = skip_gaps(text);
  if (r.timespan && *p == '-') {
    r.mark = kMarkNegative;
    p = skip_gaps(p + 1);
  }
  const Form form = read_keyword(&p);
  p = skip_gaps(p);

  if (form == Form::kBracket) {
    if (int rc = read_range_qualifier(r, &p); rc != 0) return rc;
    if (*p != '(') return fail_text(r);
    if (!r.timespan && read_plain_datetime(p + 1, ')', false, r.high, r.low, dt_out)) return 0;
    if (int rc = read_calendar_fields(r, p + 1, ')', false); rc != 0) return rc;
    return pack_checked(r, dt_out, ts_out);
  }

  if (form == Form::kInterval && *p == '-') {
    if (r.mark == kMarkNegative) return fail_text(r);  // one minus sign at most
    r.mark = kMarkNegative;
    ++p;
  }
  if (*p != '\'') return fail_text(r);
  // The quoted text is read where it stands, its closing quote ending it as the end of a
  // copy would; a text without one fails there, as it has no terminator. Only an
  // interval looks past the quote, for its qualifier.
  const char* first = p + 1;
  const bool plain = !r.timespan;  // a datetime: its plain form is tried first
  switch (form) {
    case Form::kDate:
      if (plain && read_plain_datetime(first, '\'', true, kYy, kDd, dt_out)) return 0;
      r.high = kYy;
      r.low = kDd;
      break;
    case Form::kTimestamp:
      if (plain && read_plain_datetime(first, '\'', true, kYy, kMs, dt_out)) return 0;
      r.high = kYy;
      r.low = kMs;
      break;
    case Form::kTime:
      if (plain && read_plain_datetime(first, '\'', true, kHh, kSs, dt_out)) return 0;
      r.high = kHh;
      r.low = kSs;
      break;
    default: {
      const char* close = std::strchr(first, '\'');
      if (!close) return fail_text(r);
      if (int rc = read_interval_qualifier(r, skip_gaps(close + 1)); rc != 0) return rc;
      break;
    }
  }
  // An interval down to seconds may end at seconds or at milliseconds.
  const bool seconds_low = form == Form::kInterval && r.low == kSs;
  if (seconds_low) r.low = kOpenLow;
  if (int rc = read_calendar_fields(r, first, '\'', true); rc != 0) return rc;
  if (seconds_low && r.low != kSs && r.low != kMs) return fail_text(r);
  return pack_checked(r, dt_out, ts_out);
}

}  // namespace qd
