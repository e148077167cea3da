// timmani_test.cpp: casts, comparisons and arithmetic of datetimes and timespans, at the
// fixed instant 2007-11-28 13:05:07.042, and their bytes on random operands on every build.
#include "../tools/abcheck/abcheck.h"
#include "dt_test_util.h"

namespace dtt {
namespace {

class Arith : public PinnedNow {};

TEST_F(Arith, Casts) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/casts.txt", 5)) {
    const Value in = value(r[0]);
    SCOPED_TRACE(r[0]);
    Value out;
    const auto cast = is_span(in) ? ts_cast : dt_cast;
    expect_result(cast(in.b, out.b, code(r[1]), code(r[2])), out, qdtest::num(r[3]), want(r[4]));
  }
}

// The sign of dt_cmp's result, or what ts_cmp stores (left alone when it fails).
TEST_F(Arith, Compare) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/compare.txt", 4)) {
    SCOPED_TRACE(r[0] + " vs " + r[1]);
    const Value a = value(r[0]), b = value(r[1]);
    qd_long result = 99;
    if (is_span(a)) {
      EXPECT_EQ(ts_cmp(a.b, b.b, &result), qdtest::num(r[2]));
    } else {
      result = dt_cmp(a.b, b.b);
      result = (result > 0) - (result < 0);
    }
    EXPECT_EQ(result, qdtest::num(r[2]) ? 99 : qdtest::num(r[3]));
  }
}

TEST_F(Arith, SignOperations) {
  EXPECT_EQ(ts_getsign(value("ts[dd:ms](0,0,0,0,0)").b), 0);
  EXPECT_EQ(ts_getsign(value("-ts[dd:ms](0,0,0,0,0)").b), -1);
  EXPECT_EQ(ts_getsign(value("ts[dd:ms](0,0,0,0,1)").b), 1);
  EXPECT_EQ(ts_getsign(value("-ts[hh:hh](5)").b), -1);

  Value v = value("ts[hh:mi](30,15)");
  qd::store<uint32_t>(v.b, qd::load<uint32_t>(v.b) | 0xABC000u);  // bits no one reads
  const Value before = v;
  ts_change_sign(v.b);
  EXPECT_EQ(lit(v, true), "-timespan[hh:mi](30:15)");
  EXPECT_EQ(qd::load<uint32_t>(v.b) & 0xFFFFF000u, 0xABC000u);
  ts_change_sign(v.b);
  EXPECT_EQ(std::memcmp(v.b, before.b, sizeof v.b), 0);
}

// Sums, differences, products and quotients; the operands stay as they were.
TEST_F(Arith, Arithmetic) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/arithmetic.txt", 5)) {
    SCOPED_TRACE(r[0] + " " + r[1] + " " + r[2]);
    const Value a0 = value(r[0]), b0 = r[1] == "*" || r[1] == "/" ? Value() : value(r[2]);
    const Value a = a0, b = b0;
    const qd_long k = static_cast<qd_long>(qdtest::num(r[2]));
    const bool add = r[1] == "+";
    Value out;
    const int err = r[1] == "*"   ? ts_mul(a.b, k, out.b)
                    : r[1] == "/" ? ts_div(a.b, k, out.b)
                    : is_span(a)  ? (add ? ts_add : ts_sub)(a.b, b.b, out.b)
                    : is_span(b)  ? (add ? dt_ts_add : dt_ts_sub)(a.b, b.b, out.b)
                                  : dt_sub(a.b, b.b, out.b);
    expect_result(err, out, qdtest::num(r[3]), want(r[4]));
    EXPECT_EQ(std::memcmp(a.b, a0.b, sizeof a.b), 0);
    EXPECT_EQ(std::memcmp(b.b, b0.b, sizeof b.b), 0);
  }
}

TEST_F(Arith, Weekday) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/weekdays.txt", 3)) {
    const Value d = value(r[0]);
    qd_long w = -7;
    EXPECT_EQ(dt_weekday(d.b, &w), qdtest::num(r[1])) << r[0];
    EXPECT_EQ(w, qdtest::num(r[2])) << r[0];
  }
}

// Headers whose codes no value can have: refused with 21002 (or taken as invalid by the
// checks), never read or written beyond the seven fields.
TEST_F(Arith, BrokenHeadersAreRefused) {
  Value swapped, beyond, mixed;
  qd::store<uint32_t>(swapped.b, make_header(kDd, kHh, kMarkPositive));  // low above high
  qd::store<uint32_t>(beyond.b, make_header(kMs, 15, kMarkPositive));
  mixed = value("ts[mo:dd](1,1)");
  const Value good_dt = value("dtv[yy:dd](2000,1,1)"), good_ts = value("ts[dd:dd](1)");
  for (const Value* bad : {&swapped, &beyond}) {
    Value out;
    EXPECT_EQ(dt_cast(bad->b, out.b, kMs, kYy), 21002);
    EXPECT_EQ(dt_ts_add(bad->b, good_ts.b, out.b), 21002);
    EXPECT_EQ(dt_sub(good_dt.b, bad->b, out.b), 21002);
    qd_long w = 0;
    EXPECT_EQ(dt_weekday(bad->b, &w), 21002);
    EXPECT_EQ(dt_cmp(bad->b, good_dt.b), 0);
    Value copy = *bad;
    EXPECT_EQ(dt_check(copy.b), 21004);
    EXPECT_EQ(ts_check(bad->b), 21005);
    EXPECT_TRUE(out.untouched());
  }
  for (const Value* bad : {&swapped, &beyond, &mixed}) {
    Value out;
    qd_long r = 0;
    EXPECT_EQ(ts_cast(bad->b, out.b, kDd, kDd), 21002);
    EXPECT_EQ(ts_add(good_ts.b, bad->b, out.b), 21002);
    EXPECT_EQ(ts_sub(bad->b, good_ts.b, out.b), 21002);
    EXPECT_EQ(ts_mul(bad->b, 3, out.b), 21002);
    EXPECT_EQ(ts_div(bad->b, 3, out.b), 21002);
    EXPECT_EQ(ts_cmp(bad->b, good_ts.b, &r), 21002);
    EXPECT_EQ(dt_ts_add(good_dt.b, bad->b, out.b), 21002);
    EXPECT_TRUE(out.untouched());
  }
}

// The exports read the usual shapes straight from the stored form. Against the general
// road on unpacked values (the same steps the exports take for every other shape), over
// random operands: whole dates and partial ones, clocks in and out of their limits, all
// marks, spans of every day-time range and year-month ones, day counts up to the 32-bit
// edge. The same error, and on success the same bytes.
class Direct : public PinnedNow {};

int32_t pick(std::mt19937& rng, std::initializer_list<int32_t> edges, int32_t lo, int32_t hi) {
  if (rng() % 4 == 0) return *(edges.begin() + rng() % edges.size());
  return lo + static_cast<int32_t>(rng() % static_cast<uint32_t>(hi - lo + 1));
}

Value random_dt(std::mt19937& rng) {
  const int high = rng() % 8 == 0 ? static_cast<int>(rng() % 7) : kYy;
  const int low = static_cast<int>(rng() % (high + 1));
  qd::Unpacked u{};
  u.header = make_header(low, high, static_cast<int>(rng() % 5));
  u.field[kYy] = pick(rng, {1, 1582, 1583, 32767, 0, -3}, 1, 32767);
  u.field[kMo] = pick(rng, {1, 2, 10, 12, 0, 13}, 1, 12);
  u.field[kDd] = pick(rng, {1, 4, 15, 28, 29, 31, 0}, 1, 28);
  u.field[kHh] = pick(rng, {0, 23, 24, -1}, 0, 23);
  u.field[kMi] = pick(rng, {0, 59, 60}, 0, 59);
  u.field[kSs] = pick(rng, {0, 59, 60}, 0, 59);
  u.field[kMs] = pick(rng, {0, 999, 1000}, 0, 999);
  Value v;
  qd::PackedDt::pack(v.b, u);
  return v;
}

Value random_ts(std::mt19937& rng) {
  const bool ym = rng() % 8 == 0;
  const int high = ym ? kYy - static_cast<int>(rng() % 2) : (rng() % 6 == 0 ? kHh : kDd);
  const int low = ym ? kMo + static_cast<int>(rng() % (high - kMo + 1)) : static_cast<int>(rng() % (high + 1));
  qd::Unpacked u{};
  u.header = make_header(low, high, static_cast<int>(rng() % 4));
  for (int c = low; c <= high; ++c) {
    u.field[c] = c == high ? pick(rng, {0, 1, 11967900, 2146753526, 2147483647, -1}, 0, 20000000)
                           : pick(rng, {0, qd::ts_field_bound(c), qd::ts_field_bound(c) + 1, -1}, 0,
                                  qd::ts_field_bound(c));
  }
  Value v;
  qd::PackedTs::pack(v.b, u);
  return v;
}

TEST_F(Direct, SameAsTheGeneralRoad) {
  std::mt19937 rng(20261206);
  for (int i = 0; i < 200000; ++i) {
    const Value a = random_dt(rng), b = random_dt(rng), t = random_ts(rng);
    qd::Unpacked ua, ub, ut, r;
    qd::PackedDt::unpack(a.b, ua);
    qd::PackedDt::unpack(b.b, ub);
    qd::PackedTs::unpack(t.b, ut);
    SCOPED_TRACE(lit(a, false) + " / " + lit(b, false) + " / " + lit(t, true));
    for (bool subtract : {false, true}) {
      Value got, want;
      const int err = (subtract ? dt_ts_sub : dt_ts_add)(a.b, t.b, got.b);
      const int want_err = qd::ts_range_ok(ut) ? qd::add_dt_ts(ua, ut, subtract, r) : err;
      ASSERT_EQ(err, want_err) << subtract;
      if (err == 0) {
        qd::PackedDt::pack(want.b, r);
        ASSERT_EQ(std::memcmp(got.b, want.b, sizeof got.b), 0) << lit(got, false) << " " << subtract;
      }
    }
    Value got, want;
    ASSERT_EQ(dt_sub(a.b, b.b, got.b), 0);
    qd::sub_dt(ua, ub, r);
    qd::PackedTs::pack(want.b, r);
    ASSERT_EQ(std::memcmp(got.b, want.b, sizeof got.b), 0) << lit(got, true);
    qd_long w = -1;
    int want_w = -2;
    ASSERT_EQ(dt_weekday(a.b, &w), qd::weekday_dt(ua, &want_w));
    if (w != -1) {
      ASSERT_EQ(w, want_w);
    }
  }
}

// Each clock field of each lowest code at its edges (its bound, one past it, the 16-bit
// extremes and -1), less a value of the same shape whose field is 0 and plus a span of
// the same lowest code whose field is 1: the direct road takes exactly the clean ones,
// and both roads give the same bytes.
TEST_F(Direct, ClockFieldsAtTheirEdges) {
  const int32_t edges[] = {0, 1, -1, 32767, -32768};
  for (int low = kMs; low <= kHh; ++low) {
    for (int c = low; c <= kHh; ++c) {
      for (int32_t e : edges) {
        for (int32_t v : {e, qd::ts_field_bound(c) + e}) {
          qd::Unpacked ua{}, ub{}, ut{}, r;
          ua.header = make_header(low, kYy, 4);
          ua.field[kYy] = 2007, ua.field[kMo] = 11, ua.field[kDd] = 28, ua.field[c] = v;
          ub = ua;
          ub.field[kDd] = 27, ub.field[c] = 0;
          ut.header = make_header(low, kDd, 1);
          ut.field[kDd] = 3, ut.field[c] = 1;
          Value a, b, t, got, want;
          qd::PackedDt::pack(a.b, ua);
          qd::PackedDt::pack(b.b, ub);
          qd::PackedTs::pack(t.b, ut);
          qd::PackedDt::unpack(a.b, ua);  // as 16-bit fields hold them
          SCOPED_TRACE(lit(a, false) + " / " + lit(t, true));
          ASSERT_EQ(dt_sub(a.b, b.b, got.b), 0);
          qd::sub_dt(ua, ub, r);
          qd::PackedTs::pack(want.b, r);
          EXPECT_EQ(std::memcmp(got.b, want.b, sizeof got.b), 0) << lit(got, true);
          const int err = dt_ts_add(a.b, t.b, got.b);
          ASSERT_EQ(err, qd::add_dt_ts(ua, ut, false, r));
          if (err == 0) {
            qd::PackedDt::pack(want.b, r);
            EXPECT_EQ(std::memcmp(got.b, want.b, sizeof got.b), 0) << lit(got, false);
          }
        }
      }
    }
  }
}

// dt_sub with the current datetime not yet read: it reads the clock first and then gives
// the bytes it gives with the datetime set, on the usual shape, on mixed lowest codes,
// across the calendar reform and on values that take the current date.
TEST_F(Arith, DifferenceReadsTheClockFirst) {
  const char* const pairs[][2] = {
      {"dt[yy:ms](2007,11,28,13,5,7,42)", "dt[yy:ms](2000,2,29,23,59,59,999)"},
      {"dtv[yy:dd](1582,10,15)", "dtv[yy:dd](1582,10,4)"},
      {"dtv[yy:ss](1582,12,31,0,0,1)", "dtv[yy:ss](1581,1,1,0,0,0)"},
      {"dt[yy:mi](2007,11,28,13,5)", "dt[yy:dd](2007,11,27)"},
      {"dt[hh:mi](23,0)", "dt[yy:mi](2007,11,27,1,0)"},
  };
  for (const auto& p : pairs) {
    SCOPED_TRACE(std::string(p[0]) + " - " + p[1]);
    const Value a = value(p[0]), b = value(p[1]);
    Value want, got;
    ASSERT_EQ(dt_sub(a.b, b.b, want.b), 0);
    qd::Unpacked unset{};
    unset.field[kMs] = qd::kCurrentUnset;
    qd::restore_current_for_test(unset);
    ASSERT_EQ(dt_sub(a.b, b.b, got.b), 0);
    EXPECT_TRUE(qd::current_is_set());
    EXPECT_EQ(std::memcmp(got.b, want.b, sizeof got.b), 0) << lit(got, true);
  }
}

// dt_sub, dt_ts_add, dt_weekday and dt_cmp on 20000 random operand pairs each, hashed as
// tools/abcheck hashes them (the whole result buffer, codes, report texts, operands after
// the call): the same on every platform and width, and the same as when the hashes were
// taken. A change meant to alter results takes its new hashes from `abcheck 20000`.
class CalendarBytes : public qdtest::ReportTest {};

TEST_F(CalendarBytes, SameOnEveryBuild) {
  // dt_sub, dt_ts_add, dt_weekday, dt_cmp
  const abcheck::Hashes want{0x7faa4d5728f1a027ull, 0xbf0959e39f748bbdull,
                             0x5c5189cc2e5a84fbull, 0x6de76dc69c0d5f13ull};
  EXPECT_EQ(abcheck::run_calendar(20000, [](const abcheck::Call&) {}), want);
}

}  // namespace
}  // namespace dtt
