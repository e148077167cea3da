// qddt.cpp: the exported datetime and timespan functions: unpacking the caller's
// values, making sure the current datetime is set, and packing results on success.
#include "qdtype32/qddt.h"

#include <algorithm>
#include <type_traits>

#include "datetime/dt_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "status/report.h"

using namespace qd;

namespace {

inline int pass_on(int err, int fid) {
  report(0, fid);
  return err;
}

// The size, copy and hash of the twins, over their field width.
template <class Field>
struct Twin {
  static qd_long copy(void* destination, const void* source) {
    const int32_t n = Packed<Field>::size(source);
    if (n > 0) std::memmove(destination, source, static_cast<size_t>(n));
    return n;
  }
  static void hash(const void* v, const void** bytes, qd_long* length) {
    const uint32_t h = load<uint32_t>(v);
    const int low = range_low(h), high = range_high(h);
    *bytes = static_cast<const unsigned char*>(v) + kDtHeaderBytes;
    *length = static_cast<qd_long>(sizeof(Field)) * (high >= low ? high - low + 1 : 0);
  }
};

// Unpacks a datetime operand, refusing a header whose codes no operation can work on.
int unpack_dt(const void* p, Unpacked& u, int fid) {
  PackedDt::unpack(p, u);
  return range_ok(u) ? 0 : report(QDE_DT_RANGE, fid, low_code(u), high_code(u));
}

int unpack_ts(const void* p, Unpacked& u, int fid) {
  PackedTs::unpack(p, u);
  return ts_range_ok(u) ? 0 : report(QDE_DT_RANGE, fid, low_code(u), high_code(u));
}

constexpr size_t kLiteralBuffer = kLiteralMax + 1;

}  // namespace

// ---- Representation ------------------------------------------------------------------------

QD_EXTERN_C QD_API int set_current(void) { return set_current_now(); }

QD_EXTERN_C QD_API int dt_current(void* result) {
  QD_INPUTS_OK(true);
  if (int err = ensure_current(); err != 0) return err;
  const Unpacked& now = current();
  auto* b = static_cast<unsigned char*>(result);
  store<uint32_t>(b, now.header);
  for (int c = kMs; c <= kYy; ++c) {
    store<int16_t>(b + kDtHeaderBytes + kDtFieldBytes * c, static_cast<int16_t>(now.field[c]));
  }
  return QD_DT_OUT(0, result);
}

QD_EXTERN_C QD_API qd_long dt_size(const void* dt) { return PackedDt::size(dt); }
QD_EXTERN_C QD_API qd_long ts_size(const void* ts) { return PackedTs::size(ts); }
QD_EXTERN_C QD_API qd_long dt_copy(void* destination, const void* source) {
  QD_INPUTS_OK(valid_datetime(source, kDtLargest));
  const qd_long size = Twin<int16_t>::copy(destination, source);
  QD_DT_OUT(0, destination);
  return size;
}
QD_EXTERN_C QD_API qd_long ts_copy(void* destination, const void* source) {
  QD_INPUTS_OK(valid_timespan(source, kTsLargest));
  const qd_long size = Twin<int32_t>::copy(destination, source);
  QD_TS_OUT(0, destination);
  return size;
}
QD_EXTERN_C QD_API void dt_hash(const void* dt, const void** bytes, qd_long* length) {
  Twin<int16_t>::hash(dt, bytes, length);
}
QD_EXTERN_C QD_API void ts_hash(const void* ts, const void** bytes, qd_long* length) {
  Twin<int32_t>::hash(ts, bytes, length);
}

QD_EXTERN_C QD_API int dt_check(void* dt) {
  QD_INPUTS_OK(true);
  if (int err = ensure_current(); err != 0) return pass_on(err, QDF_DT_CHECK);
  Unpacked u;
  PackedDt::unpack(dt, u);
  if (int err = check_dt(u); err != 0) return err;
  PackedDt::pack(dt, u);
  return QD_DT_OUT(0, dt);
}

QD_EXTERN_C QD_API int ts_check(const void* ts) {
  if (int err = ensure_current(); err != 0) return pass_on(err, QDF_TS_CHECK);
  Unpacked u;
  PackedTs::unpack(ts, u);
  return check_ts(u);
}

// ---- Casts and comparison ------------------------------------------------------------------

QD_EXTERN_C QD_API int dt_cast(const void* source, void* result, qd_long low, qd_long high) {
  QD_INPUTS_OK(valid_datetime(source, kDtLargest));
  if (int err = ensure_current(); err != 0) return pass_on(err, QDF_DT_CAST);
  Unpacked s, r;
  if (int err = unpack_dt(source, s, QDF_DT_CAST); err != 0) return err;
  if (int err = cast_dt(s, low, high, r); err != 0) return err;
  PackedDt::pack(result, r);
  return QD_DT_OUT(0, result);
}

QD_EXTERN_C QD_API int ts_cast(const void* source, void* result, qd_long low, qd_long high) {
  QD_INPUTS_OK(valid_timespan(source, kTsLargest));
  if (int err = ensure_current(); err != 0) return pass_on(err, QDF_TS_CAST);
  Unpacked s, r;
  if (int err = unpack_ts(source, s, QDF_TS_CAST); err != 0) return err;
  if (int err = cast_ts(s, low, high, r); err != 0) return err;
  PackedTs::pack(result, r);
  return QD_TS_OUT(0, result);
}

QD_EXTERN_C QD_API qd_long dt_cmp(const void* a, const void* b) {
  ensure_current();  // a failure is recorded; the comparison goes on
  Unpacked x, y;
  PackedDt::unpack(a, x);
  PackedDt::unpack(b, y);
  if (!range_ok(x) || !range_ok(y)) return 0;
  return cmp_dt(x, y);
}

QD_EXTERN_C QD_API int ts_cmp(const void* a, const void* b, qd_long* result) {
  ensure_current();  // a failure is recorded; the comparison goes on
  Unpacked x, y;
  if (int err = unpack_ts(a, x, QDF_TS_CMP); err != 0) return err;
  if (int err = unpack_ts(b, y, QDF_TS_CMP); err != 0) return err;
  int r = 0;
  if (int err = cmp_ts(x, y, &r); err != 0) return err;
  *result = r;
  return 0;
}

QD_EXTERN_C QD_API int ts_getsign(const void* ts) {
  Unpacked u;
  PackedTs::unpack(ts, u);
  if (is_negative(u)) return -1;
  for (int c = low_code(u); c <= high_code(u) && c < kDtFieldCount; ++c) {
    if (u.field[c] != 0) return 1;
  }
  return 0;
}

QD_EXTERN_C QD_API void ts_change_sign(void* ts) {
  QD_INPUTS_OK(valid_timespan(ts, kTsLargest));
  Unpacked u;
  u.header = load<uint32_t>(ts);
  set_mark(u, flipped_sign(mark_of(u)));
  store<uint32_t>(ts, u.header);
  QD_TS_OUT(0, ts);
}

// ---- Timespan arithmetic -------------------------------------------------------------------

namespace {

int ts_add_sub(const char* fn, const void* a, const void* b, void* result, bool subtract) {
  QD_INPUTS_OK(valid_timespan(a, kTsLargest) && valid_timespan(b, kTsLargest));
  const int fid = subtract ? QDF_TS_SUB : QDF_TS_ADD;
  if (int err = ensure_current(); err != 0) return pass_on(err, fid);
  Unpacked x, y, r;
  if (int err = unpack_ts(a, x, fid); err != 0) return err;
  if (int err = unpack_ts(b, y, fid); err != 0) return err;
  if (subtract) set_mark(y, flipped_sign(mark_of(y)));
  if (int err = add_ts(x, y, r, QDF_TS_ADD); err != 0) {
    return subtract ? pass_on(err, QDF_TS_SUB) : err;
  }
  PackedTs::pack(result, r);
  return checked_status(fn, "timespan", valid_timespan, qd_inputs_ok_, 0, result, kTsLargest);
}

}  // namespace

QD_EXTERN_C QD_API int ts_add(const void* a, const void* b, void* result) {
  return ts_add_sub(__func__, a, b, result, false);
}

QD_EXTERN_C QD_API int ts_sub(const void* a, const void* b, void* result) {
  return ts_add_sub(__func__, a, b, result, true);
}

QD_EXTERN_C QD_API int ts_mul(const void* ts, qd_long factor, void* result) {
  QD_INPUTS_OK(valid_timespan(ts, kTsLargest));
  if (int err = ensure_current(); err != 0) return pass_on(err, QDF_TS_MUL);
  Unpacked x, r;
  if (int err = unpack_ts(ts, x, QDF_TS_MUL); err != 0) return err;
  if (int err = mul_ts(x, factor, r); err != 0) return err;
  PackedTs::pack(result, r);
  return QD_TS_OUT(0, result);
}

QD_EXTERN_C QD_API int ts_div(const void* ts, qd_long divisor, void* result) {
  QD_INPUTS_OK(valid_timespan(ts, kTsLargest));
  if (int err = ensure_current(); err != 0) return pass_on(err, QDF_TS_DIV);
  Unpacked x, r;
  if (int err = unpack_ts(ts, x, QDF_TS_DIV); err != 0) return err;
  if (int err = div_ts(x, divisor, r); err != 0) return err;
  PackedTs::pack(result, r);
  return QD_TS_OUT(0, result);
}

// ---- Datetime arithmetic -------------------------------------------------------------------

namespace {

// The usual shapes read straight from the stored form: a datetime holding its whole date
// (year down to at least the day) with every clock field within its limits, and a
// day-time span from the day down. Their clock fields are then digits of one number of
// milliseconds, so the field-wise sums and differences with carries and borrows are the
// sums and differences of those numbers; the day numbers and dates are the calendar's
// own (day_number, date_from_day). Any other shape, and every result that fails, takes
// the general road, which reports.
constexpr int64_t kMsPerDay = 86400000;

// Each step below is inlined where it is used and takes the lowest codes as arguments; the
// exports call them once per lowest code (by_low), so that in each copy the codes are
// constants and every field is read and written at a fixed place.
template <class Field>
[[gnu::always_inline]] inline int32_t stored_field(const void* v, int low, int c) {
  return load<Field>(static_cast<const unsigned char*>(v) + kDtHeaderBytes +
                     sizeof(Field) * static_cast<size_t>(c - low));
}

// f(low) with low made a constant for each lowest code a direct shape has (0 .. kDd);
// other codes give the general road's answer, other().
template <class F, class G>
[[gnu::always_inline]] inline auto by_low(int low, F f, G other) {
  switch (low) {
    case kMs:
      return f(std::integral_constant<int, kMs>{});
    case kSs:
      return f(std::integral_constant<int, kSs>{});
    case kMi:
      return f(std::integral_constant<int, kMi>{});
    case kHh:
      return f(std::integral_constant<int, kHh>{});
    case kDd:
      return f(std::integral_constant<int, kDd>{});
    default:
      return other();
  }
}

// The milliseconds of the clock fields ms .. hh, in unsigned arithmetic: exact for fields
// within their bounds, and defined (though unused) for any other 16- or 32-bit field.
inline int32_t clock_ms(const int32_t* f) {
  const auto u = [f](int c) { return static_cast<uint32_t>(f[c]); };
  return static_cast<int32_t>(u(kMs) + 1000u * (u(kSs) + 60u * (u(kMi) + 60u * u(kHh))));
}

// The clock part of a value's fields from low up to below the day (0 below low), false
// when a field lies outside 0 .. its bound. Straight-line: every step has a constant code.
template <class Field>
[[gnu::always_inline]] inline bool clock_part(const void* v, int low, int32_t* ms) {
  int32_t f[kDd] = {};
  bool clean = true;
#pragma GCC unroll 4
  for (int c = kMs; c < kDd; ++c) {
    if (c >= low) f[c] = stored_field<Field>(v, low, c);
    clean &= static_cast<uint32_t>(f[c]) <= static_cast<uint32_t>(ts_field_bound(c));
  }
  *ms = clock_ms(f);
  return clean;
}

// The clock part of a datetime [yy:low] (low at most kDd) as clock_part gives it, read as
// one 64-bit word of four 16-bit lanes from the lowest field up (the value holds at least
// 12 bytes). A clock lane holds 0 .. 0x7fff when its field is not negative, so adding
// 0x7fff - bound sets the lane's top bit exactly when the field exceeds its bound, with
// no carry into the next lane; a negative field has its top bit set already.
[[gnu::always_inline]] inline bool dt_clock_part(const void* dt, int low, int32_t* ms) {
  const uint64_t x = load<uint64_t>(static_cast<const unsigned char*>(dt) + kDtHeaderBytes);
  uint64_t add = 0, top = 0;
  int32_t f[kDd] = {};
#pragma GCC unroll 4
  for (int c = kMs; c < kDd; ++c) {
    if (c < low) continue;
    const int lane = 16 * (c - low);
    add |= static_cast<uint64_t>(0x7fff - ts_field_bound(c)) << lane;
    top |= uint64_t{0x8000} << lane;
    f[c] = static_cast<int16_t>(static_cast<uint16_t>(x >> lane));
  }
  *ms = clock_ms(f);
  return (((x + add) | x) & top) == 0;
}

// The fields from low to top of a day number (or a date) and the milliseconds of that
// day, written into the stored value.
template <class Field>
[[gnu::always_inline]] inline void put_fields(void* v, int low, int top, int64_t day,
                                              int32_t clock, const CivilDate* date) {
  const auto ms = static_cast<uint32_t>(clock);  // 0 .. kMsPerDay - 1
  const uint32_t seconds = ms / 1000, minutes = seconds / 60, hours = minutes / 60;
  const int32_t f[kDtFieldCount] = {static_cast<int32_t>(ms - 1000 * seconds),
                                    static_cast<int32_t>(seconds - 60 * minutes),
                                    static_cast<int32_t>(minutes - 60 * hours),
                                    static_cast<int32_t>(hours),
                                    date ? date->day : static_cast<int32_t>(day),
                                    date ? date->month : 0,
                                    date ? date->year : 0};
  auto* b = static_cast<unsigned char*>(v) + kDtHeaderBytes;
#pragma GCC unroll 7
  for (int c = kMs; c <= top; ++c) {
    if (c >= low) store<Field>(b + sizeof(Field) * static_cast<size_t>(c - low), static_cast<Field>(f[c]));
  }
}

// A point of time: a day number and the milliseconds of that day (0 .. kMsPerDay - 1).
struct Instant {
  int64_t day;
  int32_t clock;
};

// A datetime [yy:low] (low at most kDd) with a clean clock and a date the closed day
// counts cover (the rest, the reform year among them, take the general road, which
// counts them by the month table); the caller has checked the range. Nothing here calls
// out, so the direct roads need no frame.
[[gnu::always_inline]] inline bool dt_instant(const void* dt, uint32_t h, int low, Instant* t) {
  if (!dt_clock_part(dt, low, &t->clock)) return false;
  int32_t day;
  if (!day_number_closed(stored_field<int16_t>(dt, low, kYy), stored_field<int16_t>(dt, low, kMo),
                         stored_field<int16_t>(dt, low, kDd), range_mark(h), &day)) {
    return false;
  }
  t->day = day;
  return true;
}

// Whether a header is a datetime's with its whole date, or a day-time span's from the day.
inline bool whole_date(uint32_t h) { return range_high(h) == kYy && range_low(h) <= kDd; }
inline bool from_day(uint32_t h) { return range_high(h) == kDd && range_low(h) <= kDd; }

// dt + ts (or - ts) for the usual shapes, with the lowest codes low_d of dt and low_t of
// ts; false leaves the operation to the general road.
[[gnu::always_inline]] inline bool add_dt_ts_direct(const void* dt, uint32_t hd, int low_d,
                                                    const void* ts, uint32_t ht, int low_t,
                                                    bool subtract, void* result) {
  Instant a;
  int32_t clock;
  if (!dt_instant(dt, hd, low_d, &a) || a.day < 0 || !clock_part<int32_t>(ts, low_t, &clock)) {
    return false;
  }
  const int32_t days = stored_field<int32_t>(ts, low_t, kDd);
  if (days < 0) return false;
  const int mark = range_mark(ht);
  // The span counts negative with mark 2, or, subtracted, with mark 1 (flipped to 2).
  const bool negative = subtract ? mark == kMarkPositive : mark == kMarkNegative;
  constexpr auto kDay = static_cast<int32_t>(kMsPerDay);
  int64_t day;
  int32_t clk;
  if (negative) {
    clk = a.clock - clock;
    const int borrow = clk < 0;
    clk += borrow * kDay;
    day = a.day - days - borrow;
    if (day < 0) return false;  // before day 0: 21005
  } else {
    // The day fields are summed before the carry and must stay 32-bit at both steps.
    if (a.day + days > kTsFieldMax) return false;
    clk = a.clock + clock;
    const int carry = clk >= kDay;
    clk -= carry * kDay;
    day = a.day + days + carry;
    if (day > kTsFieldMax) return false;
  }
  CivilDate date;
  if (!date_from_day(static_cast<int32_t>(day), &date)) return false;
  const int low = std::min(low_d, low_t);
  store<uint32_t>(result, make_header(low, kYy, date.mark));
  put_fields<int16_t>(result, low, kYy, day, clk, &date);
  return true;
}

// a - b for the usual shapes (lowest codes low_a and low_b): days and clock units, never
// failing once both are read.
[[gnu::always_inline]] inline bool sub_dt_direct(const void* a, uint32_t ha, int low_a,
                                                 const void* b, uint32_t hb, int low_b,
                                                 void* result) {
  Instant x, y;
  if (!dt_instant(a, ha, low_a, &x) || !dt_instant(b, hb, low_b, &y)) return false;
  const int low = std::min(low_a, low_b);
  const bool earlier = x.day < y.day || (x.day == y.day && x.clock < y.clock);
  const Instant& later = earlier ? y : x;
  const Instant& first = earlier ? x : y;
  int32_t clk = later.clock - first.clock;
  const int borrow = clk < 0;
  clk += borrow * static_cast<int32_t>(kMsPerDay);
  store<uint32_t>(result, make_header(low, kDd, earlier ? kMarkNegative : kMarkPositive));
  put_fields<int32_t>(result, low, kDd, later.day - first.day - borrow, clk, nullptr);
  return true;
}

[[gnu::noinline]] bool add_dt_ts_direct_mixed(const void* dt, uint32_t hd, const void* ts,
                                              uint32_t ht, bool subtract, void* result) {
  return add_dt_ts_direct(dt, hd, range_low(hd), ts, ht, range_low(ht), subtract, result);
}

[[gnu::noinline]] int sub_general(const void* a, const void* b, void* result) {
  Unpacked x, y, r;
  PackedDt::unpack(a, x);
  PackedDt::unpack(b, y);
  if (!range_ok(x) || !range_ok(y)) {
    const Unpacked& bad = range_ok(x) ? y : x;
    return report<QDE_DT_RANGE, 0>(low_code(bad), high_code(bad));
  }
  sub_dt(x, y, r);
  PackedTs::pack(result, r);
  return 0;
}

// dt_sub apart from the usual case: the current datetime made sure of first, then the
// direct road for two whole dates of any lowest codes, else the general road.
[[gnu::noinline]] int sub_other(const void* a, const void* b, void* result) {
  // No step of its own reports here: once the current datetime is set, nothing fails.
  if (int err = ensure_current(); err != 0) return err;
  const uint32_t ha = load<uint32_t>(a), hb = load<uint32_t>(b);
  if (whole_date(ha) && whole_date(hb) &&
      sub_dt_direct(a, ha, range_low(ha), b, hb, range_low(hb), result)) {
    return 0;
  }
  return sub_general(a, b, result);
}

}  // namespace

// The usual case, two values of one shape with the current datetime set, is handled here
// with constant codes and no call, so the export keeps no frame; everything else is
// handed on whole.
QD_EXTERN_C QD_API __attribute__((hot)) int dt_sub(const void* a, const void* b, void* result) {
  QD_INPUTS_OK(valid_datetime(a, kDtLargest) && valid_datetime(b, kDtLargest));
  const uint32_t ha = load<uint32_t>(a), hb = load<uint32_t>(b);
  constexpr uint32_t kRangeByte = 0xFF;
  if (current_is_set() && ((ha ^ hb) & kRangeByte) == 0 && range_high(ha) == kYy &&
      by_low(
          range_low(ha), [&](auto low) { return sub_dt_direct(a, ha, low, b, hb, low, result); },
          [] { return false; })) {
    return QD_TS_OUT(0, result);
  }
  return QD_TS_OUT(sub_other(a, b, result), result);
}

namespace {

[[gnu::noinline]] int add_general(const void* dt, const void* ts, void* result, bool subtract) {
  Unpacked x, y, r;
  if (int err = unpack_dt(dt, x, QDF_DT_TS_ADD); err != 0) return err;
  if (int err = unpack_ts(ts, y, QDF_DT_TS_ADD); err != 0) return err;
  if (int err = add_dt_ts(x, y, subtract, r); err != 0) return err;
  PackedDt::pack(result, r);
  return 0;
}

[[gnu::hot]] int dt_ts_add_sub(const char* fn, const void* dt, const void* ts, void* result, bool subtract) {
  QD_INPUTS_OK(valid_datetime(dt, kDtLargest) && valid_timespan(ts, kTsLargest));
  if (int err = ensure_current(); err != 0) return pass_on(err, QDF_DT_TS_ADD);
  const uint32_t hd = load<uint32_t>(dt), ht = load<uint32_t>(ts);
  int status = -1;  // not yet known: the general road decides
  if (whole_date(hd) && from_day(ht)) {
    const int low_d = range_low(hd), low_t = range_low(ht);
    // A value and a span of one lowest code, the usual case, with constant codes.
    const bool direct =
        low_d == low_t
            ? by_low(
                  low_d,
                  [&](auto low) {
                    return add_dt_ts_direct(dt, hd, low, ts, ht, low, subtract, result);
                  },
                  [] { return false; })
            : add_dt_ts_direct_mixed(dt, hd, ts, ht, subtract, result);
    if (direct) status = 0;
  }
  if (status != 0) status = add_general(dt, ts, result, subtract);
  return checked_status(fn, "datetime", valid_datetime, qd_inputs_ok_, status, result, kDtLargest);
}

}  // namespace

QD_EXTERN_C QD_API int dt_ts_add(const void* dt, const void* ts, void* result) {
  return dt_ts_add_sub(__func__, dt, ts, result, false);
}

QD_EXTERN_C QD_API int dt_ts_sub(const void* dt, const void* ts, void* result) {
  return dt_ts_add_sub(__func__, dt, ts, result, true);
}

QD_EXTERN_C QD_API int dt_weekday(const void* dt, qd_long* weekday) {
  if (int err = ensure_current(); err != 0) return pass_on(err, QDF_DT_WEEKDAY);
  const uint32_t h = load<uint32_t>(dt);
  if (const int low = range_low(h); range_high(h) == kYy && low <= kDd) {
    // The whole date is there: no cast, the fields as stored.
    *weekday = weekday_of_date(stored_field<int16_t>(dt, low, kYy),
                               stored_field<int16_t>(dt, low, kMo),
                               stored_field<int16_t>(dt, low, kDd), range_mark(h));
    return 0;
  }
  Unpacked x;
  if (int err = unpack_dt(dt, x, QDF_DT_WEEKDAY); err != 0) return err;
  int w = 0;
  if (int err = weekday_dt(x, &w); err != 0) return err;
  *weekday = w;
  return 0;
}

// ---- Literal text ------------------------------------------------------------------------------

QD_EXTERN_C QD_API char* dt_str(char* buffer, const void* dt) {
  Unpacked u;
  PackedDt::unpack(dt, u);
  dt_text(buffer, kLiteralBuffer, u);
  return buffer;
}

QD_EXTERN_C QD_API char* ts_str(char* buffer, const void* ts) {
  Unpacked u;
  PackedTs::unpack(ts, u);
  ts_text(buffer, kLiteralBuffer, u);
  return buffer;
}
