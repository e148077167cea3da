// timmani_test.cpp: casts, comparisons and arithmetic of datetimes and timespans, at the
// fixed instant 2007-11-28 13:05:07.042.
#include <atomic>
#include <thread>
#include <vector>

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

// Operations keep all their work in the caller's frame: threads working on their own
// values at the same time get the same answers as one thread alone.
TEST_F(Arith, ThreadsShareNothingButTheCurrentDatetime) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      const Value start = make<int16_t>(kYy, kDd, kMarkGregorian, {2000, 1, 1});
      for (int i = 0; i < 5000; ++i) {
        const Value days = make<int32_t>(kDd, kDd, kMarkPositive, {i * 4 + t});
        Value moved, back, diff;
        if (dt_ts_add(start.b, days.b, moved.b) != 0 || dt_sub(moved.b, start.b, diff.b) != 0 ||
            dt_ts_sub(moved.b, days.b, back.b) != 0 || qd::load<int32_t>(diff.b + 4) != i * 4 + t ||
            dt_cmp(back.b, start.b) != 0) {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace dtt
