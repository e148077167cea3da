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
  struct Case {
    Value in;
    int low, high;
    int err;
    const char* out;
  } const cases[] = {
      // the current datetime fills above the range, fill values below it
      {dt(kHh, kMi, {9, 30}), kMi, kYy, 0, "datetime[yy:mi](2007-11-28 9:30)"},
      {dt(kSs, kMs, {5, 500}), kMs, kYy, 0, "datetime[yy:ms](2007-11-28 13:5:5.500)"},
      {dt(kYy, kDd, {2008, 2, 29}), kMs, kYy, 0, "datetime[yy:ms](2008-2-29 0:0:0.000)"},
      {dt(kMo, kMo, {7}), kDd, kYy, 0, "datetime[yy:dd](2007-7-1)"},
      {dt(kYy, kYy, {1999}), kMs, kMo, 0, "datetime[mo:ms](1-1 0:0:0.000)"},
      // a range wholly above or below the old one
      {dt(kMi, kMs, {1, 2, 3}), kDd, kYy, 0, "datetime[yy:dd](2007-11-28)"},
      {dt(kYy, kMo, {1999, 5}), kMs, kSs, 0, "datetime[ss:ms](0.000)"},
      // dropped fields are cut, not rounded
      {dt(kYy, kMs, {2007, 12, 31, 23, 59, 59, 999}), kHh, kYy, 0,
       "datetime[yy:hh](2007-12-31 23)"},
      // a date at the top: validated against the current month and year
      {dt(kDd, kHh, {31, 10}), kHh, kYy, 21004, nullptr},
      {dt(kDd, kHh, {30, 10}), kHh, kYy, 0, "datetime[yy:hh](2007-11-30 10)"},
      {dt(kMo, kDd, {2, 29}), kDd, kYy, 21004, nullptr},
      {dt(kHh, kHh, {24}), kHh, kYy, 0, "datetime[yy:hh](2007-11-29 0)"},
      // clock fields only: no validation, the fields are taken as they are
      {dt(kMi, kMi, {75}), kSs, kHh, 0, "datetime[hh:ss](13:75:0)"},
      {dt(kYy, kMs, {2007, 1, 2, 3, 4, 5, 6}), kMs, kYy, 0, "datetime[yy:ms](2007-1-2 3:4:5.006)"},
      // ranges no value can have
      {dt(kYy, kDd, {2007, 1, 1}), kMo, kDd, 21002, nullptr},
      {dt(kYy, kDd, {2007, 1, 1}), kMs, 7, 21002, nullptr},
      {dt(kYy, kDd, {2007, 1, 1}), -1, kYy, 21002, nullptr},
      // timespans
      {ts(kHh, kHh, {30}), kHh, kDd, 0, "timespan[dd:hh](1 6)"},
      {ts(kDd, kHh, {1, 6}), kHh, kHh, 0, "timespan[hh:hh](30)"},
      {ts(kMs, kMs, {1500}), kSs, kSs, 0, "timespan[ss:ss](1)"},
      {ts(kYy, kMo, {2, 3}), kMo, kMo, 0, "timespan[mo:mo](27)"},
      {ts(kMo, kMo, {27}), kMo, kYy, 0, "timespan[yy:mo](2-3)"},
      {ts(kMs, kMs, {90061001}), kMs, kDd, 0, "timespan[dd:ms](1 1:1:1.001)"},
      {ts(kMs, kMs, {90061001}), kDd, kDd, 0, "timespan[dd:dd](1)"},
      {ts(kHh, kMi, {1, 30}), kSs, kHh, 0, "timespan[hh:ss](1:30:0)"},
      {ts(kHh, kMi, {1, 59}), kHh, kHh, 0, "timespan[hh:hh](1)"},
      {ts(kDd, kMs, {2, 3, 4, 5, 6}), kMi, kMi, 0, "timespan[mi:mi](3064)"},
      // a negative value stays negative when every field becomes 0
      {nts(kHh, kMi, {0, 30}), kHh, kHh, 0, "-timespan[hh:hh](0)"},
      // folding up to 2147483647
      {ts(kDd, kDd, {24}), kMs, kMs, 0, "timespan[ms:ms](2073600000)"},
      {ts(kSs, kMs, {2147483, 647}), kMs, kMs, 0, "timespan[ms:ms](2147483647)"},
      {ts(kSs, kMs, {2147483, 648}), kMs, kMs, 21001, nullptr},
      {ts(kSs, kSs, {2147484}), kMs, kMs, 21001, nullptr},
      {ts(kDd, kDd, {24856}), kMs, kMs, 21001, nullptr},
      {ts(kYy, kMo, {178956970, 7}), kMo, kMo, 0, "timespan[mo:mo](2147483647)"},
      {ts(kYy, kMo, {178956971, 0}), kMo, kMo, 21001, nullptr},
      // groups and ranges
      {ts(kDd, kHh, {1, 0}), kMo, kMo, 21003, nullptr},
      {ts(kYy, kMo, {1, 0}), kDd, kDd, 21003, nullptr},
      {ts(kDd, kHh, {1, 0}), kHh, kMo, 21002, nullptr},
      {ts(kDd, kHh, {1, 0}), kDd, kHh, 21002, nullptr},
      {ts(kMo, kDd, {1, 0}), kDd, kDd, 21002, nullptr},  // source mixes the groups
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(lit(c.in));
    Value out;
    expect_result((is_span(c.in) ? ts_cast : dt_cast)(c.in.b, out.b, c.low, c.high), out, c.err,
                  c.out);
  }
  // The cast recomputes the calendar when the top changes.
  Value out;
  ASSERT_EQ(dt_cast(dt(kYy, kDd, {1582, 10, 4}).b, out.b, kDd, kYy), 0);
  EXPECT_EQ(mark(out), 0);  // same top: taken as it is
  ASSERT_EQ(dt_cast(dtv(kYy, kDd, {1582, 10, 4}).b, out.b, kHh, kYy), 0);
  EXPECT_EQ(mark(out), kMarkJulian);
  ASSERT_EQ(dt_cast(dtv(kYy, kDd, {1582, 10, 4}).b, out.b, kDd, kMo), 0);
  EXPECT_EQ(mark(out), kMarkGregorian);
}

// The sign of dt_cmp's result, or what ts_cmp stores (left alone when it fails).
TEST_F(Arith, Compare) {
  struct Case {
    Value a, b;
    int err, result;
  } const cases[] = {
      {dt(kYy, kDd, {2007, 11, 28}), dt(kHh, kMi, {13, 5}), 0, -1},
      {dt(kYy, kDd, {2007, 11, 28}), dt(kYy, kDd, {2007, 11, 28}), 0, 0},
      {dtv(kYy, kDd, {1582, 10, 4}), dtv(kYy, kDd, {1582, 10, 15}), 0, -1},
      {dt(kYy, kMo, {2007, 11}), dt(kYy, kDd, {2007, 11, 1}), 0, 0},
      {dt(kHh, kHh, {14}), dt(kYy, kMs, {2007, 11, 28, 13, 59, 59, 999}), 0, 1},
      {dt(kYy, kYy, {1}), dt(kYy, kYy, {32767}), 0, -1},
      {ts(kDd, kDd, {0}), nts(kDd, kDd, {0}), 0, 1},
      {nts(kDd, kDd, {0}), ts(kDd, kDd, {0}), 0, -1},
      {nts(kHh, kHh, {1}), nts(kHh, kHh, {2}), 0, 1},
      {ts(kHh, kHh, {1}), ts(kHh, kHh, {2}), 0, -1},
      {ts(kDd, kDd, {1}), ts(kHh, kHh, {24}), 0, 0},
      {ts(kHh, kMs, {0, 0, 0, 1}), ts(kDd, kDd, {0}), 0, 1},
      {ts(kYy, kYy, {1}), ts(kMo, kMo, {11}), 0, 1},
      {ts(kYy, kMo, {1, 0}), ts(kDd, kDd, {1}), 21003, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(lit(c.a) + " vs " + lit(c.b));
    qd_long r = 99;
    if (is_span(c.a)) {
      EXPECT_EQ(ts_cmp(c.a.b, c.b.b, &r), c.err);
    } else {
      r = dt_cmp(c.a.b, c.b.b);
      r = (r > 0) - (r < 0);
    }
    EXPECT_EQ(r, c.err ? 99 : c.result);
  }
}

TEST_F(Arith, SignOperations) {
  EXPECT_EQ(ts_getsign(ts(kDd, kMs, {0, 0, 0, 0, 0}).b), 0);
  EXPECT_EQ(ts_getsign(nts(kDd, kMs, {0, 0, 0, 0, 0}).b), -1);
  EXPECT_EQ(ts_getsign(ts(kDd, kMs, {0, 0, 0, 0, 1}).b), 1);
  EXPECT_EQ(ts_getsign(nts(kHh, kHh, {5}).b), -1);

  Value v = ts(kHh, kMi, {30, 15});
  qd::store<uint32_t>(v.b, qd::load<uint32_t>(v.b) | 0xABC000u);  // bits no one reads
  const Value before = v;
  ts_change_sign(v.b);
  EXPECT_EQ(ts_lit(v), "-timespan[hh:mi](30:15)");
  EXPECT_EQ(qd::load<uint32_t>(v.b) & 0xFFFFF000u, 0xABC000u);
  ts_change_sign(v.b);
  EXPECT_EQ(std::memcmp(v.b, before.b, sizeof v.b), 0);
}

// Sums and differences: of timespans, of a datetime and a timespan, of two datetimes.
// The operands stay as they were.
TEST_F(Arith, AddAndSubtract) {
  struct Case {
    Value a;
    char op;
    Value b;
    int err;
    const char* out;
  } const cases[] = {
      {ts(kDd, kDd, {1}), '+', nts(kDd, kDd, {1}), 0, "timespan[dd:dd](0)"},
      {ts(kHh, kMi, {2, 0}), '+', nts(kHh, kMi, {3, 0}), 0, "-timespan[hh:mi](1:0)"},
      {nts(kHh, kMi, {2, 0}), '+', nts(kHh, kMi, {3, 0}), 0, "-timespan[hh:mi](5:0)"},
      {ts(kHh, kMs, {23, 59, 59, 999}), '+', ts(kMs, kMs, {1}), 0, "timespan[hh:ms](24:0:0.000)"},
      {ts(kDd, kHh, {1, 0}), '-', ts(kMi, kMi, {1}), 0, "timespan[dd:mi](0 23:59)"},
      {ts(kHh, kHh, {30}), '+', ts(kDd, kDd, {1}), 0, "timespan[dd:hh](2 6)"},
      {ts(kYy, kMo, {1, 6}), '-', ts(kMo, kMo, {7}), 0, "timespan[yy:mo](0-11)"},
      {ts(kYy, kMo, {1, 6}), '+', ts(kMo, kMo, {7}), 0, "timespan[yy:mo](2-1)"},
      {ts(kHh, kHh, {5}), '-', ts(kHh, kHh, {5}), 0, "timespan[hh:hh](0)"},
      {nts(kHh, kHh, {5}), '-', nts(kHh, kHh, {5}), 0, "timespan[hh:hh](0)"},
      {ts(kMi, kMi, {1}), '-', ts(kHh, kHh, {1}), 0, "-timespan[hh:mi](0:59)"},
      // overflow of the top field, with and without the carry into it
      {ts(kDd, kDd, {2147483647}), '+', ts(kDd, kDd, {1}), 21001, nullptr},
      {ts(kDd, kDd, {2147483647}), '-', nts(kDd, kDd, {1}), 21001, nullptr},
      {ts(kHh, kMs, {2147483647, 59, 59, 999}), '+', ts(kMs, kMs, {1}), 21001, nullptr},
      {ts(kHh, kMs, {2147483646, 59, 59, 999}), '+', ts(kMs, kMs, {1}), 0,
       "timespan[hh:ms](2147483647:0:0.000)"},
      {ts(kYy, kMo, {1, 0}), '+', ts(kDd, kDd, {1}), 21003, nullptr},
      {ts(kYy, kMo, {1, 0}), '-', ts(kDd, kDd, {1}), 21003, nullptr},
      // a datetime and a timespan
      {dtv(kYy, kDd, {1582, 10, 4}), '+', ts(kDd, kDd, {1}), 0, "datetime[yy:dd](1582-10-15)"},
      {dtv(kYy, kDd, {1582, 10, 15}), '-', ts(kDd, kDd, {1}), 0, "datetime[yy:dd](1582-10-4)"},
      {dtv(kYy, kMi, {2000, 12, 31, 23, 30}), '+', ts(kHh, kHh, {1}), 0,
       "datetime[yy:mi](2001-1-1 0:30)"},
      {dtv(kHh, kMi, {23, 30}), '+', ts(kHh, kHh, {1}), 0, "datetime[hh:mi](0:30)"},
      {dtv(kHh, kMi, {0, 30}), '-', ts(kHh, kHh, {1}), 0, "datetime[hh:mi](23:30)"},
      {dtv(kYy, kDd, {2000, 1, 31}), '+', ts(kDd, kDd, {30}), 0, "datetime[yy:dd](2000-3-1)"},
      {dtv(kYy, kDd, {1900, 2, 28}), '+', ts(kDd, kDd, {1}), 0, "datetime[yy:dd](1900-3-1)"},
      {dtv(kYy, kDd, {2000, 1, 1}), '+', nts(kHh, kHh, {25}), 0, "datetime[yy:hh](1999-12-30 23)"},
      {dtv(kYy, kDd, {2000, 1, 1}), '-', ts(kHh, kMs, {0, 0, 0, 1}), 0,
       "datetime[yy:ms](1999-12-31 23:59:59.999)"},
      {dtv(kYy, kMo, {2007, 11}), '+', ts(kMo, kMo, {3}), 0, "datetime[yy:mo](2008-2)"},
      {dtv(kYy, kMo, {2007, 11}), '-', ts(kYy, kMo, {1, 11}), 0, "datetime[yy:mo](2005-12)"},
      {dtv(kMo, kMo, {11}), '+', ts(kMo, kMo, {3}), 0, "datetime[mo:mo](2)"},
      {dtv(kYy, kMo, {2007, 11}), '+', ts(kDd, kDd, {5}), 0, "datetime[yy:dd](2007-11-6)"},
      {dtv(kYy, kDd, {2000, 1, 31}), '+', ts(kMo, kMo, {1}), 21003, nullptr},
      {dtv(kHh, kMi, {1, 0}), '+', ts(kYy, kYy, {1}), 21003, nullptr},
      {dtv(kYy, kDd, {1, 1, 1}), '-', ts(kDd, kDd, {1}), 21005, nullptr},
      {dtv(kYy, kDd, {32767, 12, 31}), '+', ts(kDd, kDd, {1}), 21005, nullptr},
      {dtv(kYy, kMo, {32767, 12}), '+', ts(kMo, kMo, {1}), 21005, nullptr},
      {dtv(kYy, kMo, {1, 1}), '-', ts(kMo, kMo, {1}), 21005, nullptr},
      {dtv(kYy, kDd, {2000, 1, 1}), '+', ts(kDd, kDd, {2147483647}), 21001, nullptr},
      // two datetimes
      {dtv(kYy, kDd, {1582, 10, 15}), '-', dtv(kYy, kDd, {1582, 10, 4}), 0, "timespan[dd:dd](1)"},
      {dtv(kYy, kDd, {1582, 10, 4}), '-', dtv(kYy, kDd, {1582, 10, 15}), 0, "-timespan[dd:dd](1)"},
      {dtv(kYy, kDd, {1583, 1, 1}), '-', dtv(kYy, kDd, {1582, 1, 1}), 0, "timespan[dd:dd](355)"},
      {dtv(kYy, kDd, {2000, 3, 1}), '-', dtv(kYy, kDd, {2000, 2, 28}), 0, "timespan[dd:dd](2)"},
      {dtv(kYy, kDd, {1900, 3, 1}), '-', dtv(kYy, kDd, {1900, 2, 28}), 0, "timespan[dd:dd](1)"},
      {dtv(kYy, kDd, {1500, 3, 1}), '-', dtv(kYy, kDd, {1500, 2, 28}), 0, "timespan[dd:dd](2)"},
      {dtv(kYy, kDd, {32767, 12, 31}), '-', dtv(kYy, kDd, {1, 1, 1}), 0,
       "timespan[dd:dd](11967901)"},
      {dtv(kYy, kMo, {2007, 5}), '-', dtv(kYy, kMo, {2008, 2}), 0, "-timespan[yy:mo](0-9)"},
      {dtv(kYy, kMo, {2008, 2}), '-', dtv(kMo, kMo, {5}), 0, "timespan[yy:mo](0-9)"},
      {dtv(kMo, kMo, {3}), '-', dtv(kMo, kMo, {11}), 0, "-timespan[mo:mo](8)"},
      {dtv(kYy, kYy, {2008}), '-', dtv(kYy, kYy, {2007}), 0, "timespan[yy:yy](1)"},
      {dtv(kYy, kMo, {2007, 5}), '-', dtv(kYy, kMo, {2007, 5}), 0, "timespan[yy:mo](0-0)"},
      {dtv(kHh, kHh, {23}), '-', dtv(kHh, kHh, {1}), 0, "timespan[hh:hh](22)"},
      {dtv(kHh, kHh, {1}), '-', dtv(kHh, kHh, {23}), 0, "-timespan[hh:hh](22)"},
      {dtv(kHh, kMi, {13, 5}), '-', dtv(kYy, kDd, {2007, 11, 28}), 0, "timespan[dd:mi](0 13:5)"},
      {dtv(kYy, kMs, {2000, 1, 2, 12, 0, 0, 0}), '-', dtv(kYy, kDd, {2000, 1, 1}), 0,
       "timespan[dd:ms](1 12:0:0.000)"},
      {dtv(kYy, kMi, {2001, 1, 1, 0, 30}), '-', dtv(kYy, kMi, {2000, 12, 31, 23, 45}), 0,
       "timespan[dd:mi](0 0:45)"},
      {dtv(kMi, kSs, {0, 0}), '-', dtv(kMi, kSs, {59, 59}), 0, "-timespan[mi:ss](59:59)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(lit(c.a) + " " + c.op + " " + lit(c.b));
    Value out;
    const Value a = c.a, b = c.b;
    const bool add = c.op == '+';
    const int err = is_span(a)   ? (add ? ts_add : ts_sub)(a.b, b.b, out.b)
                    : is_span(b) ? (add ? dt_ts_add : dt_ts_sub)(a.b, b.b, out.b)
                                 : dt_sub(a.b, b.b, out.b);
    expect_result(err, out, c.err, c.out);
    EXPECT_EQ(std::memcmp(a.b, c.a.b, sizeof a.b), 0);
    EXPECT_EQ(std::memcmp(b.b, c.b.b, sizeof b.b), 0);
  }
  // Crossing the calendar switch either way gives the calendar mark of the result's side.
  Value out;
  ASSERT_EQ(dt_ts_add(dtv(kYy, kDd, {1582, 10, 4}).b, ts(kDd, kDd, {1}).b, out.b), 0);
  EXPECT_EQ(mark(out), kMarkGregorian);
  ASSERT_EQ(dt_ts_sub(dtv(kYy, kDd, {1582, 10, 15}).b, ts(kDd, kDd, {1}).b, out.b), 0);
  EXPECT_EQ(mark(out), kMarkJulian);
}

TEST_F(Arith, MultiplyAndDivide) {
  struct Case {
    Value in;
    qd_long k;
    bool divide;
    int err;
    const char* out;
  } const cases[] = {
      {nts(kHh, kMi, {1, 30}), -2, false, 0, "timespan[hh:mi](3:0)"},
      {nts(kHh, kMi, {1, 30}), 0, false, 0, "timespan[hh:mi](0:0)"},
      {nts(kHh, kMi, {1, 30}), 1, false, 0, "-timespan[hh:mi](1:30)"},
      {ts(kHh, kMi, {1, 30}), -1, false, 0, "-timespan[hh:mi](1:30)"},
      {ts(kMi, kSs, {0, 59}), 3, false, 0, "timespan[mi:ss](2:57)"},
      {ts(kHh, kMs, {0, 0, 0, 1}), 86400000, false, 0, "timespan[hh:ms](24:0:0.000)"},
      {ts(kSs, kMs, {0, 1}), 2147483647, false, 0, "timespan[ss:ms](2147483.647)"},
      {ts(kYy, kMo, {0, 5}), 7, false, 0, "timespan[yy:mo](2-11)"},
      {ts(kDd, kDd, {1073741823}), 2, false, 0, "timespan[dd:dd](2147483646)"},
      {ts(kDd, kDd, {1073741824}), 2, false, 21001, nullptr},
      {ts(kDd, kDd, {1}), -2147483647 - 1, false, 21001, nullptr},
      {ts(kDd, kDd, {0}), -2147483647 - 1, false, 0, "-timespan[dd:dd](0)"},
      {ts(kHh, kMi, {1, 0}), 7, true, 0, "timespan[hh:mi](0:8)"},
      {nts(kHh, kMi, {1, 0}), 7, true, 0, "-timespan[hh:mi](0:8)"},
      {ts(kHh, kMi, {1, 0}), -7, true, 0, "-timespan[hh:mi](0:8)"},
      {nts(kHh, kMi, {1, 0}), -7, true, 0, "timespan[hh:mi](0:8)"},
      {ts(kHh, kMi, {0, 5}), -7, true, 0, "-timespan[hh:mi](0:0)"},
      {ts(kDd, kMs, {1, 0, 0, 0, 0}), 2, true, 0, "timespan[dd:ms](0 12:0:0.000)"},
      {ts(kDd, kMs, {1, 0, 0, 0, 0}), 7, true, 0, "timespan[dd:ms](0 3:25:42.857)"},
      {ts(kYy, kMo, {1, 0}), 12, true, 0, "timespan[yy:mo](0-1)"},
      {nts(kHh, kMi, {3, 0}), 1, true, 0, "-timespan[hh:mi](3:0)"},
      {ts(kDd, kDd, {5}), -2147483647 - 1, true, 0, "-timespan[dd:dd](0)"},
      // a remainder too large to scale into the next field
      {ts(kSs, kMs, {2147483646, 0}), 2147483647, true, 21001, nullptr},
      {ts(kHh, kMi, {1, 0}), 0, true, 21006, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ts_lit(c.in) + (c.divide ? " / " : " * ") + std::to_string(c.k));
    Value out;
    expect_result(c.divide ? ts_div(c.in.b, c.k, out.b) : ts_mul(c.in.b, c.k, out.b), out, c.err,
                  c.out);
  }
}

TEST_F(Arith, Weekday) {
  struct Case {
    Value d;
    int err;
    qd_long weekday;
  } const cases[] = {
      {dtv(kYy, kDd, {1582, 10, 4}), 0, 4}, {dtv(kYy, kMs, {1900, 3, 1, 23, 59, 59, 999}), 0, 4},
      {dtv(kHh, kMi, {9, 30}), 0, 3},     // today
      {dtv(kMo, kDd, {12, 25}), 0, 2},    // this year's
      {dtv(kYy, kMo, {2007, 11}), 0, 4},  // the first of the month
      {dt(kDd, kDd, {31}), 21004, -7},    // no 31 November
  };
  for (const Case& c : cases) {
    qd_long w = -7;
    EXPECT_EQ(dt_weekday(c.d.b, &w), c.err) << dt_lit(c.d);
    EXPECT_EQ(w, c.weekday) << dt_lit(c.d);
  }
}

// Headers whose codes no value can have: refused with 21002 (or taken as invalid by the
// checks), never read or written beyond the seven fields.
TEST_F(Arith, BrokenHeadersAreRefused) {
  Value swapped, beyond, mixed;
  qd::store<uint32_t>(swapped.b, make_header(kDd, kHh, kMarkPositive));  // low above high
  qd::store<uint32_t>(beyond.b, make_header(kMs, 15, kMarkPositive));
  mixed = ts(kMo, kDd, {1, 1});
  const Value good_dt = dtv(kYy, kDd, {2000, 1, 1}), good_ts = ts(kDd, kDd, {1});
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
        const Value days = ts(kDd, kDd, {i * 4 + t});
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
