// timeman.cpp: the calendar (day numbers across the 1582 switch), field limits, the
// process-wide current datetime and the validation of datetime and timespan values.
#include "datetime/dt_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "status/report.h"

namespace qd {

namespace {

// Days before month m (index m - 1), common and leap years.
constexpr int16_t kDaysBefore[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

constexpr int kDaysPer4Years = 1461;
constexpr int kHour24 = 24;

inline int clamp_month(int m) { return m < 1 ? 1 : (m > 12 ? 12 : m); }

// Month and day of the zero-based day of the year, without a loop: January and February
// directly, March onwards by the 153-days-per-5-months rule. Holds for doy 0..364 (365
// in a leap year); the test Calendar.EveryDayRoundTripsAndWeekdaysAdvance
// (tests/datetime/timeman_test.cpp) walks every day of 0001-01-01..32767-12-31.
inline void month_day(int doy, bool leap, int* month, int* day) {
  const int march = 59 + (leap ? 1 : 0);
  if (doy < 31) {
    *month = 1;
    *day = doy + 1;
  } else if (doy < march) {
    *month = 2;
    *day = doy - 30;
  } else {
    const int x = doy - march;
    const int m = (5 * x + 2) / 153;
    *month = m + 3;
    *day = x - (153 * m + 2) / 5 + 1;
  }
}

ClockReader g_clock = plat::local_time_ms;

}  // namespace

Unpacked g_current = {make_header(kMs, kYy, kMarkGregorian), {kCurrentUnset, 0, 0, 0, 0, 0, 0}};

int32_t day_number_by_table(int year, int month, int day, int mark) {
  const int m = clamp_month(month);
  const int doy = day - 1 + kDaysBefore[leap_year(year, mark)][m - 1];
  // Julian: holds for years 1..32767 (year - 1 >= 0, so the division floors).
  if (mark == kMarkJulian) return 365 * (year - 1) + (year - 1) / 4 + doy;
  if (year == kGregorianStartYear) {
    // The Gregorian part of 1582 counts on from 15 October.
    const int after_october = m > 10 ? kDaysBefore[0][m - 1] - kDaysBefore[0][9] : 0;
    return kFirstGregorianDay + (day - 15) + after_october;
  }
  // Gregorian leap days counted from anchors after the switch: exact from 1581 on, where
  // every division floors; below, C++ division truncates toward zero and the count is
  // wrong. Valid values get here only from 1583 (1582 is counted above); an unchecked
  // Gregorian value of an earlier year gets a number, as the contract allows.
  return doy + (year - 1201) / 400 - (year - 1501) / 100 + (year - 1581) / 4 + 20 + 365 * year;
}

// Shown for every day below kFirstGregorianDay by
// Calendar.EveryDayRoundTripsAndWeekdaysAdvance.
bool date_from_julian_day(int32_t day, CivilDate* out) {
  if (day < 0) return false;
  int year, doy;
  const int q = day / kDaysPer4Years, r = day % kDaysPer4Years;
  if (r == kDaysPer4Years - 1) {
    year = 4 * q + 4;
    doy = 365;
  } else {
    year = 4 * q + r / 365 + 1;
    doy = r % 365;
  }
  out->year = year;
  out->mark = kMarkJulian;
  month_day(doy, leap_year(year, kMarkJulian), &out->month, &out->day);
  return true;
}

// ---- Current datetime ------------------------------------------------------------------

int set_current_now() {
  plat::LocalTime t{};
  if (!g_clock(&t) || t.year < kMinYear || t.year > kMaxYear) {
    return report<QDE_CLOCK, QDF_SET_CURRENT>();
  }
  Unpacked u;
  u.header = make_header(kMs, kYy, kMarkGregorian);
  u.field[kMs] = t.millisecond;
  u.field[kSs] = t.second;
  u.field[kMi] = t.minute;
  u.field[kHh] = t.hour;
  u.field[kDd] = t.day;
  u.field[kMo] = t.month;
  u.field[kYy] = t.year;
  g_current = u;
  return 0;
}

int32_t field_or_current(const Unpacked& v, int c) {
  if (c > high_code(v)) return g_current.field[c];
  if (c < low_code(v)) return kDtFields[c].min;
  return v.field[c];
}

ClockReader set_clock_for_test(ClockReader reader) {
  const ClockReader old = g_clock;
  g_clock = reader;
  return old;
}

Unpacked save_current_for_test() { return g_current; }

void restore_current_for_test(const Unpacked& saved) { g_current = saved; }

// ---- Validation ------------------------------------------------------------------------

namespace {

// Every field of v within its limits and a date its calendar has; v then gets the mark
// of that calendar.
inline bool fields_and_calendar_ok(Unpacked& v) {
  const int low = low_code(v), high = high_code(v);
  for (int c = low; c <= high; ++c) {
    // One unsigned comparison per field: below min wraps past the width of the limits.
    const DtFieldFacts& f = kDtFields[c];
    const uint32_t above_min = static_cast<uint32_t>(v.field[c]) - static_cast<uint32_t>(f.min);
    if (above_min > static_cast<uint32_t>(f.max - f.min)) return false;
  }
  int mark = kMarkGregorian;
  if (!calendar_of(v, &mark)) return false;
  set_mark(v, mark);
  return true;
}

}  // namespace

int check_dt(Unpacked& v) {
  const int low = low_code(v), high = high_code(v);
  if (!range_ok(low, high)) return report<QDE_DT_INVALID, QDF_DT_CHECK>();
  if (!(low <= kHh && kHh <= high && v.field[kHh] == kHour24)) {
    // Most values: nothing to carry, so v is checked where it stands (and is left
    // unchanged on failure, as no field changes before the mark).
    return fields_and_calendar_ok(v) ? 0 : report<QDE_DT_INVALID, QDF_DT_CHECK>();
  }
  // 24:00 is accepted as the end of a day when nothing below the hour is set.
  Unpacked u = v;
  for (int c = low; c < kHh; ++c) {
    if (u.field[c] != 0) return report<QDE_DT_INVALID, QDF_DT_CHECK>();
  }
  u.field[kHh] = 0;
  if (!fields_and_calendar_ok(u)) return report<QDE_DT_INVALID, QDF_DT_CHECK>();
  Unpacked one_day{};
  one_day.header = make_header(kDd, kDd, kMarkPositive);
  one_day.field[kDd] = 1;
  Unpacked next, back;
  int err = add_dt_ts(u, one_day, false, next);
  if (err == 0) err = cast_dt(next, low, high, back);
  if (err != 0) {
    report<0, QDF_DT_CHECK>();
    return err;
  }
  back.header = (back.header & 0xFFFu) | (v.header & ~0xFFFu);
  v = back;
  return 0;
}

int check_ts(const Unpacked& v) {
  const int low = low_code(v), high = high_code(v);
  bool ok = ts_range_ok(low, high);
  for (int c = low; ok && c < high; ++c) ok = v.field[c] >= 0 && v.field[c] <= ts_field_bound(c);
  if (ok) ok = v.field[high] >= 0;
  return ok ? 0 : report<QDE_DT_OUT_OF_RANGE, QDF_TS_CHECK>();
}

}  // namespace qd
