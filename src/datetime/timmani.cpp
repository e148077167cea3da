// timmani.cpp: casts, comparison and arithmetic of datetimes and timespans on unpacked
// values: range changes, the signed timespan operations, datetime differences and sums.
#include <algorithm>

#include "datetime/dt_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "status/report.h"

namespace qd {

namespace {

// Records the caller's trace line for a callee's failure and hands the number on.
inline int pass_on(int err, int fid) {
  report(0, fid);
  return err;
}

inline bool day_time_code(int c) { return c <= kDd; }

// Comparison of magnitudes of two timespans of the same range.
int mag_cmp(const Unpacked& a, const Unpacked& b) {
  for (int c = high_code(a); c >= low_code(a); --c) {
    if (a.field[c] != b.field[c]) return a.field[c] < b.field[c] ? -1 : 1;
  }
  return 0;
}

// a + b field by field with carries; the top field takes the rest and must stay within
// 32 bits (21001 otherwise, out untouched). a and b have the same range.
int mag_sum(const Unpacked& a, const Unpacked& b, Unpacked& out) {
  const int low = low_code(a), high = high_code(a);
  Unpacked s = a;
  int carry = 0;
  for (int c = low; c < high; ++c) {
    int64_t v = int64_t{a.field[c]} + b.field[c] + carry;
    carry = v > ts_field_bound(c) ? 1 : 0;
    if (carry) v -= kDtFields[c].per_next;
    s.field[c] = static_cast<int32_t>(v);
  }
  int64_t top = int64_t{a.field[high]} + b.field[high];
  if (top < 0 || top > kTsFieldMax) return report<QDE_TS_OVERFLOW, QDF_TS_MAG_SUM>();
  top += carry;
  if (top > kTsFieldMax) return report<QDE_TS_OVERFLOW, QDF_TS_MAG_SUM>();
  s.field[high] = static_cast<int32_t>(top);
  out = s;
  return 0;
}

// a - b for magnitudes a >= b of the same range.
void mag_diff(const Unpacked& a, const Unpacked& b, Unpacked& out) {
  const int low = low_code(a), high = high_code(a);
  Unpacked d = a;
  int borrow = 0;
  for (int c = low; c <= high; ++c) {
    int64_t v = int64_t{a.field[c]} - b.field[c] - borrow;
    borrow = v < 0 ? 1 : 0;
    if (borrow) v += kDtFields[c].per_next;
    d.field[c] = static_cast<int32_t>(v);
  }
  out = d;
}

void zero_ts(int low, int high, int mark, Unpacked& out) {
  out = Unpacked{};
  out.header = make_header(low, high, mark);
}

// A datetime as a day-time timespan [dd:low]: its day number and clock fields, with the
// current datetime standing in above the value's high code.
void as_day_time(const Unpacked& v, int low, Unpacked& out) {
  zero_ts(low, kDd, kMarkPositive, out);
  out.field[kDd] = day_number(field_or_current(v, kYy), field_or_current(v, kMo),
                              field_or_current(v, kDd), mark_of(v));
  for (int c = low; c < kDd; ++c) out.field[c] = field_or_current(v, c);
}

// The datetime of a day-time or year-month sum, covering [yy:low of the sum].
int from_span(const Unpacked& sum, Unpacked& out) {
  if (is_negative(sum)) return report<QDE_DT_OUT_OF_RANGE, QDF_DT_FROM_DAYS>();
  const int low = low_code(sum);
  Unpacked d{};
  if (day_time_code(low)) {
    CivilDate date;
    if (!date_from_day(sum.field[kDd], &date)) {
      return report<QDE_DT_OUT_OF_RANGE, QDF_DT_FROM_DAYS>();
    }
    d.header = make_header(low, kYy, date.mark);
    d.field[kYy] = date.year;
    d.field[kMo] = date.month;
    d.field[kDd] = date.day;
    for (int c = low; c < kDd; ++c) d.field[c] = sum.field[c];
  } else {
    const int64_t year = int64_t{sum.field[kYy]} + 1;
    if (year > kMaxYear) return report<QDE_DT_OUT_OF_RANGE, QDF_DT_FROM_DAYS>();
    const int y = static_cast<int>(year);
    d.header = make_header(low, kYy, y < kGregorianStartYear ? kMarkJulian : kMarkGregorian);
    d.field[kYy] = y;
    d.field[kMo] = low == kMo ? sum.field[kMo] + 1 : 1;
  }
  out = d;
  return 0;
}

}  // namespace

// ---- Casts -------------------------------------------------------------------------------

void reshape_dt(const Unpacked& src, int low, int high, Unpacked& out) {
  const int old_low = low_code(src), old_high = high_code(src);
  Unpacked r{};
  r.header = make_header(low, high, mark_of(src));
  for (int c = low; c <= high; ++c) {
    if (c < old_low) {
      r.field[c] = kDtFields[c].min;
    } else if (c > old_high) {
      r.field[c] = current().field[c];
    } else {
      r.field[c] = src.field[c];
    }
  }
  out = r;
}

int cast_dt(const Unpacked& src, int low, int high, Unpacked& out) {
  if (!range_ok(low, high)) return report<QDE_DT_RANGE, QDF_DT_CAST>(low, high);
  Unpacked r;
  reshape_dt(src, low, high, r);
  const int old_high = high_code(src);
  if (high != old_high && (old_high > kHh || high > kHh)) {
    if (const int err = check_dt(r)) return pass_on(err, QDF_DT_CAST);
  }
  out = r;
  return 0;
}

int cast_ts(const Unpacked& src, int low, int high, Unpacked& out) {
  if (!ts_range_ok(src)) {
    return report<QDE_DT_RANGE, QDF_TS_CAST>(low_code(src), high_code(src));
  }
  if (low < 0 || low > high || high > kYy) return report<QDE_DT_RANGE, QDF_TS_CAST>(low, high);
  if (day_time_code(low) && !day_time_code(high)) {
    return report<QDE_DT_RANGE, QDF_TS_CAST>(low, high);
  }
  if (day_time_code(low) == year_month(src)) return report<QDE_TS_INCOMPATIBLE, QDF_TS_CAST>();
  const int old_low = low_code(src), old_high = high_code(src);
  Unpacked r{};
  r.header = make_header(low, high, mark_of(src));
  int64_t total = src.field[old_high];
  if (high < old_high) {
    // Fold the top field down: each step multiplies by the units of the next code.
    for (int c = old_high - 1; c >= high; --c) {
      if (total > kTsFieldMax / kDtFields[c].per_next) return report<QDE_TS_OVERFLOW, QDF_TS_CAST>();
      total *= kDtFields[c].per_next;
      if (c >= old_low) total += src.field[c];
      if (total < 0 || total > kTsFieldMax) return report<QDE_TS_OVERFLOW, QDF_TS_CAST>();
    }
    r.field[high] = static_cast<int32_t>(total);
  } else if (high > old_high) {
    for (int c = old_high; c < high; ++c) {
      r.field[c] = static_cast<int32_t>(total % kDtFields[c].per_next);
      total /= kDtFields[c].per_next;
    }
    r.field[high] = static_cast<int32_t>(total);
  } else {
    r.field[high] = src.field[high];
  }
  for (int c = low; c < high; ++c) {
    if (high > old_high && c >= old_high) continue;  // spread above
    r.field[c] = c >= old_low && c <= old_high ? src.field[c] : 0;
  }
  out = r;
  return 0;
}

// ---- Comparison --------------------------------------------------------------------------

int32_t cmp_dt(const Unpacked& a, const Unpacked& b) {
  Unpacked x = a, y = b;
  if (low_code(a) != low_code(b) || high_code(a) != high_code(b)) {
    const int low = std::min(low_code(a), low_code(b));
    const int high = std::max(high_code(a), high_code(b));
    reshape_dt(a, low, high, x);
    reshape_dt(b, low, high, y);
  }
  for (int c = high_code(x); c >= low_code(x); --c) {
    if (x.field[c] != y.field[c]) return x.field[c] - y.field[c];
  }
  return 0;
}

int cmp_ts(const Unpacked& a, const Unpacked& b, int* result) {
  if (year_month(a) != year_month(b)) return report<QDE_TS_INCOMPATIBLE, QDF_TS_CMP>();
  const bool neg = is_negative(a);
  if (neg != is_negative(b)) {
    *result = neg ? -1 : 1;
    return 0;
  }
  const int low = std::min(low_code(a), low_code(b));
  const int high = std::max(high_code(a), high_code(b));
  Unpacked x, y;
  if (int err = cast_ts(a, low, high, x); err != 0) return pass_on(err, QDF_TS_CMP);
  if (int err = cast_ts(b, low, high, y); err != 0) return pass_on(err, QDF_TS_CMP);
  const int c = mag_cmp(x, y);
  *result = neg ? -c : c;
  return 0;
}

// ---- Timespan arithmetic -------------------------------------------------------------------

int add_ts(const Unpacked& a, const Unpacked& b, Unpacked& out, int fid) {
  if (year_month(a) != year_month(b)) return report(QDE_TS_INCOMPATIBLE, fid);
  const int low = std::min(low_code(a), low_code(b));
  const int high = std::max(high_code(a), high_code(b));
  Unpacked x, y, r;
  if (int err = cast_ts(a, low, high, x); err != 0) return pass_on(err, fid);
  if (int err = cast_ts(b, low, high, y); err != 0) return pass_on(err, fid);
  if (is_negative(x) == is_negative(y)) {
    if (int err = mag_sum(x, y, r); err != 0) return pass_on(err, fid);
    set_mark(r, is_negative(x) ? kMarkNegative : kMarkPositive);
  } else {
    const int c = mag_cmp(x, y);
    if (c == 0) {
      zero_ts(low, high, kMarkPositive, r);
    } else {
      const Unpacked& larger = c > 0 ? x : y;
      mag_diff(larger, c > 0 ? y : x, r);
      set_mark(r, is_negative(larger) ? kMarkNegative : kMarkPositive);
    }
  }
  r.header = make_header(low, high, mark_of(r));
  out = r;
  return 0;
}

int mul_ts(const Unpacked& v, int32_t factor, Unpacked& out) {
  const int low = low_code(v), high = high_code(v);
  if (factor == 0) {
    zero_ts(low, high, kMarkPositive, out);
    return 0;
  }
  if (factor == 1) {
    out = v;
    return 0;
  }
  // Double and add, from the low bits of the factor up.
  uint32_t k = factor < 0 ? 0u - static_cast<uint32_t>(factor) : static_cast<uint32_t>(factor);
  Unpacked result, work = v;
  zero_ts(low, high, kMarkPositive, result);
  set_mark(work, kMarkPositive);
  while (k > 1) {
    if (k & 1u) {
      if (int err = mag_sum(result, work, result); err != 0) return pass_on(err, QDF_TS_MUL);
    }
    if (int err = mag_sum(work, work, work); err != 0) {
      report<0, QDF_TS_DOUBLE>();
      return pass_on(err, QDF_TS_MUL);
    }
    k >>= 1;
  }
  if (int err = mag_sum(result, work, result); err != 0) return pass_on(err, QDF_TS_MUL);
  result.header = v.header;
  if (factor < 0) set_mark(result, flipped_sign(mark_of(v)));
  out = result;
  return 0;
}

int div_ts(const Unpacked& v, int32_t divisor, Unpacked& out) {
  if (divisor == 0) return report<QDE_TS_DIVIDE_BY_ZERO, QDF_TS_DIV>();
  if (divisor == 1) {
    out = v;
    return 0;
  }
  const int low = low_code(v), high = high_code(v);
  const int64_t k = divisor < 0 ? -int64_t{divisor} : int64_t{divisor};
  Unpacked r = v;
  int64_t rem = v.field[high] % k;
  r.field[high] = static_cast<int32_t>(v.field[high] / k);
  for (int c = high - 1; c >= low; --c) {
    if (rem > kTsFieldMax / kDtFields[c].per_next) return report<QDE_TS_OVERFLOW, QDF_TS_DIV>();
    const int64_t x = v.field[c] + kDtFields[c].per_next * rem;
    if (x < 0 || x > kTsFieldMax) return report<QDE_TS_OVERFLOW, QDF_TS_DIV>();
    r.field[c] = static_cast<int32_t>(x / k);
    rem = x % k;
  }
  if (divisor < 0) set_mark(r, flipped_sign(mark_of(v)));
  out = r;
  return 0;
}

// ---- Datetime arithmetic -------------------------------------------------------------------

void sub_dt(const Unpacked& a, const Unpacked& b, Unpacked& out) {
  Unpacked x = a, y = b;
  const int low = std::min(low_code(a), low_code(b));
  if (low_code(a) != low_code(b)) {
    reshape_dt(a, low, high_code(a), x);
    reshape_dt(b, low, high_code(b), y);
  }
  Unpacked r;
  if (day_time_code(low)) {
    // Days and clock units, counted through the day numbers.
    Unpacked sx, sy;
    as_day_time(x, low, sx);
    as_day_time(y, low, sy);
    const int c = mag_cmp(sx, sy);
    if (c == 0) {
      zero_ts(low, kDd, kMarkPositive, r);
    } else {
      mag_diff(c > 0 ? sx : sy, c > 0 ? sy : sx, r);
    }
    const int high = std::min(std::max(high_code(a), high_code(b)), int{kDd});
    if (high < kDd) {
      // Two values below the day share the current date: the days are 0 and fold away.
      Unpacked folded;
      if (cast_ts(r, low, high, folded) == 0) r = folded;
    }
    r.header = make_header(low, high, c < 0 ? kMarkNegative : kMarkPositive);
  } else {
    // Years and months, field by field.
    const int high = std::max(high_code(a), high_code(b));
    reshape_dt(x, low, high, x);
    reshape_dt(y, low, high, y);
    const int32_t order = cmp_dt(x, y);
    const Unpacked& later = order < 0 ? y : x;
    const Unpacked& earlier = order < 0 ? x : y;
    zero_ts(low, high, order < 0 ? kMarkNegative : kMarkPositive, r);
    int borrow = 0;
    if (low == kMo) {
      int32_t m = later.field[kMo] - earlier.field[kMo];
      borrow = m < 0 ? 1 : 0;
      r.field[kMo] = m + 12 * borrow;
    }
    if (high == kYy) r.field[kYy] = later.field[kYy] - earlier.field[kYy] - borrow;
  }
  out = r;
}

int add_dt_ts(const Unpacked& dt, const Unpacked& ts, bool subtract, Unpacked& out) {
  Unpacked a = dt, t = ts;
  if (subtract) set_mark(t, flipped_sign(mark_of(t)));
  Unpacked span{};
  if (!year_month(t)) {
    if (!day_time_code(low_code(a))) {
      // A year-month value meets days: it stands for the first day of its month.
      if (int err = cast_dt(dt, kDd, high_code(dt), a); err != 0) {
        return pass_on(err, QDF_DT_TS_ADD);
      }
    }
    as_day_time(a, low_code(a), span);
  } else {
    // Months are never added to a value with a day: there is no month-end rule.
    if (day_time_code(low_code(a)) || day_time_code(high_code(a))) {
      return report<QDE_TS_INCOMPATIBLE, QDF_DT_TS_ADD>();
    }
    zero_ts(low_code(a), kYy, kMarkPositive, span);
    span.field[kYy] = field_or_current(a, kYy) - 1;
    if (low_code(a) == kMo) span.field[kMo] = a.field[kMo] - 1;
  }
  Unpacked sum, moved;
  if (int err = add_ts(span, t, sum, QDF_TS_ADD); err != 0) return pass_on(err, QDF_DT_TS_ADD);
  if (int err = from_span(sum, moved); err != 0) return pass_on(err, QDF_DT_TS_ADD);
  const int low = std::min(low_code(a), low_code(t));
  const int high = std::max(high_code(a), high_code(t));
  if (int err = cast_dt(moved, low, high, out); err != 0) return pass_on(err, QDF_DT_TS_ADD);
  return 0;
}

// The weekday of a date by its own calendar: Julian for a value marked Julian, Gregorian
// (extended backwards before 1582-10-15) for every other mark, so an unchecked or
// Gregorian-marked date of an early year gets the weekday its calendar gives it. The day
// number is not used here: it switches calendars at 1582-10-15 whatever the mark says.
int weekday_of_date(int year, int month, int day, int mark) {
  int64_t y = year, m = month;
  if (m == 1 || m == 2) {
    y -= 1;
    m += 12;
  }
  if (y >= 0 && m >= 0 && day >= 0) {
    // Every term non-negative (y + y / 4 - y / 100 >= 0 too): 32-bit division, which
    // truncates, is the floor division below.
    const auto uy = static_cast<uint32_t>(y), um = static_cast<uint32_t>(m);
    const uint32_t k = mark == kMarkJulian ? 6 : uy / 400 - uy / 100 + 1;
    return static_cast<int>((static_cast<uint32_t>(day) + 2 * um + (3 * um + 3) / 5 + uy + uy / 4 + k) % 7);
  }
  // Floor division, so that an unchecked year 0 or below still gives a weekday in 0 .. 6.
  const auto fdiv = [](int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
  };
  const int64_t k = mark == kMarkJulian ? 6 : fdiv(y, 400) - fdiv(y, 100) + 1;
  const int64_t w = (day + 2 * m + fdiv(3 * m + 3, 5) + y + fdiv(y, 4) + k) % 7;
  return static_cast<int>(w < 0 ? w + 7 : w);
}

int weekday_dt(const Unpacked& v, int* weekday) {
  Unpacked d = v;
  if (high_code(v) != kYy || low_code(v) > kDd) {
    if (int err = cast_dt(v, kDd, kYy, d); err != 0) return pass_on(err, QDF_DT_WEEKDAY);
  }
  *weekday = weekday_of_date(d.field[kYy], d.field[kMo], d.field[kDd], mark_of(d));
  return 0;
}

}  // namespace qd
