// dt_internal.h: what the date and time files share: the unpacked value, the calendar,
// the current datetime, casts and arithmetic on unpacked values, and the pieces of the
// literal reader that belong to the calendar types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/byteio.h"
#include "base/dtfields.h"
#include "base/outcheck.h"
#include "platform/platform.h"

namespace qd {

// ---- Marks and limits (field codes, widths and ranges: base/dtfields.h) --------------

constexpr int kRangeNotName = 8;  // what scan_range_name answers for text that is no name

constexpr int kMarkPositive = 1;
constexpr int kMarkNegative = 2;
constexpr int kMarkJulian = 3;
constexpr int kMarkGregorian = 4;

constexpr int kMinYear = kDtFields[kYy].min;
constexpr int kMaxYear = kDtFields[kYy].max;
constexpr int kGregorianStartYear = 1582;
constexpr int32_t kFirstGregorianDay = 577737;  // 1582-10-15

// Longest literal of a valid value, without the terminating zero.
constexpr int kLiteralMax = 41;

// A value with its fields in slots indexed by field code; slots outside the range are
// not meaningful. Datetime fields are 16-bit when packed, timespan fields 32-bit.
struct Unpacked {
  uint32_t header;
  int32_t field[kDtFieldCount];
};

inline int low_code(const Unpacked& u) { return range_low(u.header); }
inline int high_code(const Unpacked& u) { return range_high(u.header); }
inline int mark_of(const Unpacked& u) { return range_mark(u.header); }
inline uint32_t make_header(int low, int high, int mark) { return range_header(low, high, mark); }
inline void set_mark(Unpacked& u, int mark) {
  u.header = (u.header & ~0xF00u) | static_cast<uint32_t>(mark) << 8;
}
// True when 0 <= low <= high <= 6: the only ranges operations can work on.
inline bool range_ok(int low, int high) { return low >= 0 && low <= high && high <= kYy; }
inline bool range_ok(const Unpacked& u) { return range_ok(low_code(u), high_code(u)); }
// A timespan range must also lie inside one group: days and clock units, or years and
// months.
inline bool ts_range_ok(int low, int high) {
  return range_ok(low, high) && (low >= 5) == (high >= 5);
}
inline bool ts_range_ok(const Unpacked& u) { return ts_range_ok(low_code(u), high_code(u)); }
inline bool is_negative(const Unpacked& u) { return mark_of(u) == kMarkNegative; }
inline int flipped_sign(int mark) { return mark == kMarkPositive ? kMarkNegative : kMarkPositive; }
// Timespans are compatible when both count years and months or both days and clock units.
inline bool year_month(const Unpacked& u) { return low_code(u) >= kMo; }

// Packed layout, shared by the twins: Field is int16_t for a datetime, int32_t for a
// timespan. Sizes follow the header's codes as they stand.
template <class Field>
struct Packed {
  static int32_t size(const void* p) {
    const uint32_t h = load<uint32_t>(p);
    return dt_stored_size(range_low(h), range_high(h), static_cast<int>(sizeof(Field)));
  }
  // Fields beyond code 6 (a broken header) are not read.
  static void unpack(const void* p, Unpacked& u) {
    const auto* b = static_cast<const unsigned char*>(p);
    u.header = load<uint32_t>(b);
    for (int32_t& f : u.field) f = 0;
    const int low = low_code(u), high = high_code(u);
    for (int c = low; c <= high && c < kDtFieldCount; ++c) {
      u.field[c] = load<Field>(b + kDtHeaderBytes + sizeof(Field) * (c - low));
    }
  }
  static void pack(void* p, const Unpacked& u) {
    auto* b = static_cast<unsigned char*>(p);
    store<uint32_t>(b, u.header);
    const int low = low_code(u), high = high_code(u);
    for (int c = low; c <= high && c < kDtFieldCount; ++c) {
      store<Field>(b + kDtHeaderBytes + sizeof(Field) * (c - low), static_cast<Field>(u.field[c]));
    }
  }
};
using PackedDt = Packed<int16_t>;
using PackedTs = Packed<int32_t>;
static_assert(sizeof(int16_t) == kDtFieldBytes && sizeof(int32_t) == kTsFieldBytes);

// ---- Calendar (timeman.cpp) ------------------------------------------------------------

struct CivilDate {
  int year, month, day;
  int mark;  // kMarkJulian up to 1582-10-04, kMarkGregorian from 1582-10-15
};

// Leap year by the calendar of mark (Julian for kMarkJulian, Gregorian otherwise).
// Inline, as are month_length and calendar_of: every validation asks them.
inline bool leap_year(int year, int mark) {
  if (mark == kMarkJulian) return year % 4 == 0;
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}
// Days of month 1..12 (out-of-range months clamp to the nearest).
inline int month_length(int month, bool leap) {
  static constexpr int8_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int m = month < 1 ? 1 : (month > 12 ? 12 : month);
  return kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}
// day_number through the month table, for any arguments (timeman.cpp).
int32_t day_number_by_table(int year, int month, int day, int mark);
// date_from_day below kFirstGregorianDay, by four-year blocks (timeman.cpp).
bool date_from_julian_day(int32_t day, CivilDate* out);

// Days since 0001-01-01 (day 0), Julian for mark 3, Gregorian otherwise, by closed forms
// alone: false (and *out untouched) for the arguments they do not cover, which
// day_number_by_table counts. The date is taken as given: a date the calendar does not
// have gives a number, not an error.
//
// The closed forms count over years that begin on 1 March, where the leap day is the
// last of its year, so neither a leap-year test nor a month table is needed. They hold
// for the Julian years 1..1581 and the Gregorian years 1583..32767 and months 1..12, for
// any day (both roads add the day as the same linear term); every such year and month
// (its day 1) is counted against consecutive day numbers by the test
// Calendar.EveryDayRoundTripsAndWeekdaysAdvance (tests/datetime/timeman_test.cpp).
inline bool day_number_closed(int year, int month, int day, int mark, int32_t* out) {
  const auto march_days = [year, month, day](uint32_t* y) {
    *y = static_cast<uint32_t>(year - (month <= 2));  // the year of the last 1 March
    const auto m = static_cast<uint32_t>(month > 2 ? month - 3 : month + 9);  // months since
    // The constant puts 0001-01-01 at day 0 (Julian).
    constexpr int32_t kMarchShift = 306;
    return static_cast<int32_t>(365 * *y + *y / 4 + (153 * m + 2) / 5) - kMarchShift + day - 1;
  };
  const bool month_ok = static_cast<uint32_t>(month - 1) <= 11u;
  uint32_t y;
  if (mark != kMarkJulian) {
    constexpr int kFirst = kGregorianStartYear + 1;
    if (month_ok && static_cast<uint32_t>(year - kFirst) <= static_cast<uint32_t>(kMaxYear - kFirst)) {
      // The Gregorian leap days, and 2 more, put 2000-01-01 at day 730121.
      constexpr int32_t kGregorianShift = 2;
      const int32_t days = march_days(&y);
      *out = days + static_cast<int32_t>(y / 400 - y / 100) + kGregorianShift;
      return true;
    }
  } else if (month_ok && static_cast<uint32_t>(year - kMinYear) <
                             static_cast<uint32_t>(kGregorianStartYear - kMinYear)) {
    *out = march_days(&y);
    return true;
  }
  return false;
}

// Days since 0001-01-01 (day 0) for any arguments: the closed forms above where they
// hold, the month table elsewhere.
inline int32_t day_number(int year, int month, int day, int mark) {
  int32_t days;
  if (day_number_closed(year, month, day, mark, &days)) return days;
  return day_number_by_table(year, month, day, mark);
}

// The date of a day number; false below day 0 or beyond 32767-12-31.
//
// From 1582-10-15 by the inverse closed form: 400-year eras of 146097 days counted from
// 1 March of year 0, days of the era to years with the leap days taken out, the day of
// the March-based year to month and day by the 153-days-per-5-months rule. Holds for
// every day from kFirstGregorianDay (where the count is non-negative) and is shown for
// every day up to 32767-12-31, and false just beyond, by
// Calendar.EveryDayRoundTripsAndWeekdaysAdvance; 32-bit unsigned arithmetic covers every
// 32-bit day.
inline bool date_from_day(int32_t day, CivilDate* out) {
  if (day < kFirstGregorianDay) return date_from_julian_day(day, out);
  constexpr uint32_t kEra = 146097, kShift = 304;
  const uint32_t z = static_cast<uint32_t>(day) + kShift;  // days since 0000-03-01
  const uint32_t era = z / kEra, doe = z - era * kEra;
  const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / (kEra - 1)) / 365;
  const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const uint32_t mp = (5 * doy + 2) / 153;
  const uint32_t month = mp < 10 ? mp + 3 : mp - 9;
  const uint32_t year = yoe + era * 400 + (month <= 2);
  if (year > static_cast<uint32_t>(kMaxYear)) return false;
  out->year = static_cast<int>(year);
  out->month = static_cast<int>(month);
  out->day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out->mark = kMarkGregorian;
  return true;
}
// 0 Sunday .. 6 Saturday (day 0, 0001-01-01, was a Saturday). Holds for every 32-bit day:
// the first remainder lies in -6..6 and the + 7 makes it non-negative.
inline int weekday_of_day(int32_t day) { return static_cast<int>(((day % 7) + 7 + 6) % 7); }
// 0 Sunday .. 6 Saturday of a date by the calendar of mark (timmani.cpp).
int weekday_of_date(int year, int month, int day, int mark);

// ---- Current datetime (timeman.cpp) --------------------------------------------------

// The current datetime (year down to milliseconds, mark 4); unset until first need, when
// its milliseconds slot holds kCurrentUnset. Read it through current().
constexpr int32_t kCurrentUnset = 65535;
extern Unpacked g_current;
// Reads the clock into the current datetime; 0 or 1854 (reported; nothing changed).
int set_current_now();
inline bool current_is_set() { return g_current.field[kMs] != kCurrentUnset; }
// Makes sure the current datetime is set: 0, or 1854 (already reported) when the
// clock cannot be read.
inline int ensure_current() { return current_is_set() ? 0 : set_current_now(); }
inline const Unpacked& current() { return g_current; }
// Field c of v where v's range has it, the current datetime's above v's high code, the
// fill value below v's low code.
int32_t field_or_current(const Unpacked& v, int c);

// Tests only: swap the clock reader (returns the previous one), and save and restore
// the current datetime, unset state included.
using ClockReader = bool (*)(plat::LocalTime*);
ClockReader set_clock_for_test(ClockReader reader);
Unpacked save_current_for_test();
void restore_current_for_test(const Unpacked& saved);

// ---- Validation (timeman.cpp) ------------------------------------------------------------

// Validates and normalises v in place (mark, 24:00 carried into the next day). On failure
// v is unchanged and the error (21004, or one passed on from the carry) is returned.
int check_dt(Unpacked& v);
// 0, or 21005 (reported) for an invalid timespan.
int check_ts(const Unpacked& v);

// ---- Well-formed values (dtvalid.cpp) ------------------------------------------------------

// The calendar mark of the date in v (fields within their limits): Julian up to
// 1582-10-04, Gregorian from 1582-10-15 and for values without a year. False for the
// days the reform dropped and for a day beyond its month's length.
inline bool calendar_of(const Unpacked& u, int* mark) {
  const int low = low_code(u), high = high_code(u);
  *mark = kMarkGregorian;
  if (high == kYy) {
    const int y = u.field[kYy];
    if (y < kGregorianStartYear) {
      *mark = kMarkJulian;
    } else if (y == kGregorianStartYear && low <= kDd) {
      const int m = u.field[kMo], d = u.field[kDd];
      if (m < 10 || (m == 10 && d <= 4)) {
        *mark = kMarkJulian;
      } else if (m == 10 && d < 15) {
        return false;  // dropped by the reform
      }
    }
  }
  if (low <= kDd && high >= kMo) {
    const bool leap = high < kYy || leap_year(u.field[kYy], *mark);
    if (u.field[kDd] > month_length(u.field[kMo], leap)) return false;
  }
  return true;
}

// Whether bytes are a well-formed datetime or timespan: a range the operations work on,
// every field within its limits, a datetime's mark 0 (not yet validated) or the calendar
// of its date, a timespan's mark a sign. At most room bytes are read; *bytes gets the
// size the value claims (at most room).
bool valid_datetime(const void* v, size_t room, size_t* bytes = nullptr);
bool valid_timespan(const void* v, size_t room, size_t* bytes = nullptr);
// The largest well-formed values: a datetime from years down to milliseconds, a
// timespan from days down to milliseconds (no timespan spans both groups).
constexpr int kDtLargest = dt_stored_size(kMs, kYy, kDtFieldBytes);  // 20
constexpr int kTsLargest = dt_stored_size(kMs, kDd, kTsFieldBytes);  // 24

// At an export's return, in the checking build: the datetime or timespan result v is
// checked when the status is 0, provided the export's QD_INPUTS_OK held.
#define QD_DT_OUT(status, v)                                                           \
  ::qd::checked_status(__func__, "datetime", ::qd::valid_datetime, qd_inputs_ok_, (status), \
                       (v), ::qd::kDtLargest)
#define QD_TS_OUT(status, v)                                                           \
  ::qd::checked_status(__func__, "timespan", ::qd::valid_timespan, qd_inputs_ok_, (status), \
                       (v), ::qd::kTsLargest)

// ---- Casts and arithmetic (timmani.cpp) --------------------------------------------------

// Range change without validation: fill values below, the current datetime above.
void reshape_dt(const Unpacked& src, int low, int high, Unpacked& out);
// Range change with validation when a date field is at the top of either range.
int cast_dt(const Unpacked& src, int low, int high, Unpacked& out);
int cast_ts(const Unpacked& src, int low, int high, Unpacked& out);
// Field-order comparison, over the common range.
int32_t cmp_dt(const Unpacked& a, const Unpacked& b);
// *result -1, 0, 1; 21003 for incompatible values.
int cmp_ts(const Unpacked& a, const Unpacked& b, int* result);
// Signed sum in the common range; fid is the id that the caller's step reports with.
int add_ts(const Unpacked& a, const Unpacked& b, Unpacked& out, int fid);
int mul_ts(const Unpacked& v, int32_t factor, Unpacked& out);
int div_ts(const Unpacked& v, int32_t divisor, Unpacked& out);
// a - b; never fails.
void sub_dt(const Unpacked& a, const Unpacked& b, Unpacked& out);
// dt + ts, or dt - ts when subtract.
int add_dt_ts(const Unpacked& dt, const Unpacked& ts, bool subtract, Unpacked& out);
int weekday_dt(const Unpacked& v, int* weekday);

// ---- Literal text (timeuti.cpp) ------------------------------------------------------------

// The literal of a value into out[0..size), cut to fit; returns its length.
size_t dt_text(char* out, size_t size, const Unpacked& v);
size_t ts_text(char* out, size_t size, const Unpacked& v);
// The separator written in front of field c (c below the value's high code).
char field_separator(int c);

// Reading the literal back. A range name: two characters, any case, tried as yy, mo, dd,
// hh, mi, ss, ms; returns the code and sets *end past the name and any blanks, tabs,
// carriage returns and line feeds after it, or returns kRangeNotName with *end = text.
int scan_range_name(const char* text, const char** end);
// After the field of code c has been read: skips blanks, tabs, carriage returns and line
// feeds, then checks the character that must follow that field ("-" after yy and mo, a
// digit after dd, ":" after hh and mi, "." after ss, ")" or "'" after ms). The separators
// "-", ":" and "." are consumed; the digit and the closing character are not. False
// (and *p unchanged) on any other character or a code outside 0..6.
inline bool scan_field_end(int c, const char** p) {
  if (c < kMs || c > kYy) return false;
  const char* q = *p;
  while (*q == ' ' || *q == '\t' || *q == '\r' || *q == '\n') ++q;
  if (c == kMs) {  // the last field: the literal's closing character, left to the caller
    if (*q != ')' && *q != '\'') return false;
    *p = q;
    return true;
  }
  // What the literal writes in front of the next lower field.
  const char separator = kDtFields[c - 1].separator;
  if (separator == ' ') {  // blanks, already skipped: the next field's digit must follow
    if (*q < '0' || *q > '9') return false;
    *p = q;
    return true;
  }
  if (*q != separator) return false;
  *p = q + 1;
  return true;
}

// ---- Date templates (formuti.cpp) and host formats (hostfmt.cpp) ---------------------------

struct TemplateKeyword;
class TemplateScanner;

// The elements of a date template, by the codes its keywords give.
enum DateElement : int {
  kElYyyy = 1,
  kElYy = 2,
  kElMonthNumber = 3,  // "mm" and "mo"
  kElMon = 4,
  kElMonth = 5,
  kElRoman = 6,
  kElDay = 7,
  kElDy = 8,
  kElDayName = 9,
  kElHh12 = 10,  // "hh12" and "hh"
  kElHh24 = 11,
  kElMi = 12,
  kElSs = 13,
  kElFraction = 14,
  kElMeridian = 15,  // "am" and "a.m."
};
constexpr size_t kDateKeywordCount = 18;
extern const TemplateKeyword kDateKeywords[kDateKeywordCount];
// The field code an element stands for (the weekday names count as the day); -1 for the
// meridian indicator, literal text and the end.
int date_element_field(int code);
// What a template without field elements has for its range: the descriptors' "no range".
constexpr int kNoTemplateRange = 8;
// The range of the template's field elements, scanning it to its end (the scanner is
// left there); both kNoTemplateRange when it has none. 0, or 6 when the literal text
// cannot be held.
int date_template_range(TemplateScanner& scanner, int* low, int* high);

// v as "%0*d" writes it with width digits (the sign counting into the width), without a
// terminating zero; returns its length (at most 11 plus the zeros of the width).
size_t format_int(char* out, int32_t v, int width);

}  // namespace qd
