// timeman_test.cpp: the calendar over every day of the range, validation, the current
// datetime, sizes, copies and hashes.
#include "dt_test_util.h"

namespace dtt {
namespace {

// The calendar as the tests know it, written without the library: Julian up to
// 1582-10-04, Gregorian from 1582-10-15.
bool test_julian(int y, int m, int d) {
  return y < 1582 || (y == 1582 && (m < 10 || (m == 10 && d <= 4)));
}
bool test_leap(int y, bool julian) {
  if (julian) return y % 4 == 0;
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int test_month_days(int y, int m, bool julian) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && test_leap(y, julian) ? 29 : kDays[m - 1];
}

TEST(Calendar, EveryDayRoundTripsAndWeekdaysAdvance) {
  int32_t expected = 0;
  int previous_weekday = -1;
  long failures = 0;
  for (int y = 1; y <= 32767; ++y) {
    for (int m = 1; m <= 12; ++m) {
      const int last = test_month_days(y, m, test_julian(y, m, 1));
      for (int d = 1; d <= last; ++d) {
        if (y == 1582 && m == 10 && d > 4 && d < 15) continue;  // never existed
        const int mark = test_julian(y, m, d) ? kMarkJulian : kMarkGregorian;
        const int32_t day = day_number(y, m, d, mark);
        CivilDate back{};
        const bool ok = date_from_day(expected, &back);
        const int weekday = weekday_of_day(expected);
        if (day != expected || !ok || back.year != y || back.month != m || back.day != d ||
            back.mark != mark || (previous_weekday >= 0 && weekday != (previous_weekday + 1) % 7)) {
          if (++failures < 10) {
            ADD_FAILURE() << y << "-" << m << "-" << d << ": day " << day << " expected "
                          << expected << ", back " << back.year << "-" << back.month << "-"
                          << back.day << " mark " << back.mark << ", weekday " << weekday;
          }
        }
        previous_weekday = weekday;
        ++expected;
      }
    }
  }
  EXPECT_EQ(failures, 0);
  CivilDate out{};
  EXPECT_FALSE(date_from_day(expected, &out));  // 32768-01-01
  EXPECT_FALSE(date_from_day(-1, &out));
  EXPECT_FALSE(date_from_day(INT32_MAX, &out));
}

TEST(Calendar, KnownDayNumbersAndWeekdays) {
  struct Case {
    int y, m, d, mark;
    int32_t day;
    int weekday;
  } const cases[] = {
      {1, 1, 1, kMarkJulian, 0, 6},               // a Saturday
      {1582, 10, 4, kMarkJulian, 577736, 4},      // Thursday
      {1582, 10, 15, kMarkGregorian, 577737, 5},  // Friday
      {2000, 1, 1, kMarkGregorian, 730121, 6},    // Saturday
      {2007, 11, 28, kMarkGregorian, 733009, 3},  // Wednesday
  };
  for (const Case& c : cases) {
    EXPECT_EQ(day_number(c.y, c.m, c.d, c.mark), c.day) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(weekday_of_day(c.day), c.weekday) << c.y << "-" << c.m << "-" << c.d;
  }
}

class Check : public PinnedNow {};

TEST_F(Check, DatetimeValidation) {
  struct Case {
    Value in;
    int err;
    const char* literal;  // after the check; on failure the value stays as it was
    int mark;
  } const cases[] = {
      {dt(kYy, kDd, {1582, 10, 4}), 0, "datetime[yy:dd](1582-10-4)", kMarkJulian},
      {dt(kYy, kDd, {1582, 10, 15}), 0, "datetime[yy:dd](1582-10-15)", kMarkGregorian},
      {dt(kYy, kDd, {1582, 10, 5}), 21004, nullptr, 0},
      {dt(kYy, kDd, {1582, 10, 14}), 21004, nullptr, 0},
      {dt(kYy, kDd, {1582, 9, 30}), 0, "datetime[yy:dd](1582-9-30)", kMarkJulian},
      {dt(kYy, kMo, {1582, 10}), 0, "datetime[yy:mo](1582-10)", kMarkGregorian},
      {dt(kYy, kMo, {1581, 12}), 0, "datetime[yy:mo](1581-12)", kMarkJulian},
      {dt(kMo, kDd, {2, 29}), 0, "datetime[mo:dd](2-29)", kMarkGregorian},
      {dt(kMo, kDd, {2, 30}), 21004, nullptr, 0},
      {dt(kYy, kDd, {1900, 2, 29}), 21004, nullptr, 0},
      {dt(kYy, kDd, {2000, 2, 29}), 0, "datetime[yy:dd](2000-2-29)", kMarkGregorian},
      {dt(kYy, kDd, {1500, 2, 29}), 0, "datetime[yy:dd](1500-2-29)", kMarkJulian},
      {dt(kYy, kDd, {2001, 4, 31}), 21004, nullptr, 0},
      {dt(kYy, kDd, {2001, 12, 31}), 0, "datetime[yy:dd](2001-12-31)", kMarkGregorian},
      {dt(kDd, kDd, {31}), 0, "datetime[dd:dd](31)", kMarkGregorian},
      {dt(kYy, kYy, {0}), 21004, nullptr, 0},
      {dt(kYy, kYy, {32767}), 0, "datetime[yy:yy](32767)", kMarkGregorian},
      {dt(kMo, kMo, {13}), 21004, nullptr, 0},
      {dt(kMo, kMo, {0}), 21004, nullptr, 0},
      {dt(kSs, kMs, {59, 1000}), 21004, nullptr, 0},
      {dt(kMi, kMi, {-1}), 21004, nullptr, 0},
      // 24:00 ends a day and becomes 00:00 of the next
      {dt(kYy, kMs, {1999, 12, 31, 24, 0, 0, 0}), 0, "datetime[yy:ms](2000-1-1 0:0:0.000)",
       kMarkGregorian},
      {dt(kYy, kMi, {2000, 2, 28, 24, 0}), 0, "datetime[yy:mi](2000-2-29 0:0)", kMarkGregorian},
      {dt(kYy, kHh, {1582, 10, 4, 24}), 0, "datetime[yy:hh](1582-10-15 0)", kMarkGregorian},
      {dt(kYy, kMs, {1999, 12, 31, 24, 0, 1, 0}), 21004, nullptr, 0},
      {dt(kHh, kMs, {24, 0, 0, 1}), 21004, nullptr, 0},
      {dt(kHh, kMi, {24, 0}), 0, "datetime[hh:mi](0:0)", kMarkGregorian},
      {dt(kHh, kHh, {25}), 21004, nullptr, 0},
      {dt(kMo, kHh, {11, 30, 24}), 0, "datetime[mo:hh](12-1 0)", kMarkGregorian},
      {dt(kYy, kHh, {32767, 12, 31, 24}), 21005, nullptr, 0},
  };
  for (const Case& c : cases) {
    Value v = c.in;
    SCOPED_TRACE(dt_lit(v));
    EXPECT_EQ(dt_check(v.b), c.err);
    if (c.err == 0) {
      EXPECT_EQ(dt_lit(v), c.literal);
      EXPECT_EQ(mark(v), c.mark);
    } else {
      EXPECT_EQ(std::memcmp(v.b, c.in.b, sizeof v.b), 0) << "changed on failure";
    }
  }
}

TEST_F(Check, TimespanValidation) {
  struct Case {
    Value in;
    int err;
  } const cases[] = {
      {ts(kHh, kHh, {30}), 0},
      {ts(kDd, kHh, {1, 30}), 21005},
      {ts(kDd, kHh, {1, 23}), 0},
      {ts(kDd, kMs, {2147483647, 23, 59, 59, 999}), 0},
      {ts(kDd, kMs, {0, 0, 0, 0, 1000}), 21005},
      {ts(kDd, kMs, {0, 0, 0, -1, 0}), 21005},
      {ts(kDd, kDd, {-1}), 21005},
      {nts(kHh, kMi, {30, 15}), 0},
      {ts(kMo, kDd, {1, 1}), 21005},  // mixes the groups
      {ts(kYy, kMo, {1, 11}), 0},
      {ts(kYy, kMo, {1, 12}), 21005},
      {ts(kMo, kMo, {27}), 0},
  };
  for (const Case& c : cases) {
    Value v = c.in;
    EXPECT_EQ(ts_check(v.b), c.err) << ts_lit(c.in);
    EXPECT_EQ(std::memcmp(v.b, c.in.b, sizeof v.b), 0);
  }
}

TEST(CurrentDatetime, SetOnFirstNeedAndOnlyBySetCurrent) {
  const Unpacked saved = save_current_for_test();
  const int32_t saved_hard = qd_harderror;  // 1854 is a hard error and sets it
  const ClockReader old = set_clock_for_test(fixed_clock);
  Unpacked unset = saved;
  unset.field[kMs] = 65535;  // the unset state
  restore_current_for_test(unset);
  ASSERT_FALSE(current_is_set());

  Value now;
  ASSERT_EQ(dt_current(now.b), 0);
  EXPECT_EQ(dt_lit(now), "datetime[yy:ms](2007-11-28 13:5:7.042)");
  EXPECT_EQ(mark(now), kMarkGregorian);
  for (int i = 18; i < 32; ++i) EXPECT_EQ(now.b[i], 0xA5) << "byte " << i << " written";

  // The clock moving on changes nothing until set_current.
  set_clock_for_test([](plat::LocalTime* t) {
    *t = {2008, 1, 2, 3, 4, 5, 6};
    return true;
  });
  Value again;
  ASSERT_EQ(dt_current(again.b), 0);
  EXPECT_EQ(std::memcmp(now.b, again.b, 18), 0);
  ASSERT_EQ(set_current(), 0);
  ASSERT_EQ(dt_current(again.b), 0);
  EXPECT_EQ(dt_lit(again), "datetime[yy:ms](2008-1-2 3:4:5.006)");

  // A clock that cannot be read: 1854, the current datetime stays.
  set_clock_for_test(broken_clock);
  EXPECT_EQ(set_current(), 1854);
  ASSERT_EQ(dt_current(again.b), 0);
  EXPECT_EQ(dt_lit(again), "datetime[yy:ms](2008-1-2 3:4:5.006)");

  // Unset and unreadable: every operation that needs it fails with 1854, writing nothing.
  restore_current_for_test(unset);
  Value out;
  EXPECT_EQ(dt_current(out.b), 1854);
  const Value a = ts(kHh, kHh, {1});
  EXPECT_EQ(ts_add(a.b, a.b, out.b), 1854);
  EXPECT_EQ(dt_sub(now.b, now.b, out.b), 1854);
  qd_long w = -7;
  EXPECT_EQ(dt_weekday(now.b, &w), 1854);
  EXPECT_EQ(w, -7);
  EXPECT_TRUE(out.untouched());
  // Comparisons go on regardless.
  EXPECT_EQ(dt_cmp(now.b, now.b), 0);

  EXPECT_EQ(qd_harderror, 1);
  set_clock_for_test(old);
  restore_current_for_test(saved);
  qd_harderror = saved_hard;
  init_qderr();
}

TEST(Representation, SizesCopiesHashes) {
  struct Case {
    int high, low;
    int dt_size, ts_size;
  } const cases[] = {
      {kYy, kYy, 8, 8},   {kMs, kMs, 8, 8},   {kYy, kMs, 20, 32},
      {kDd, kMs, 16, 24}, {kYy, kDd, 12, 16},
  };
  for (const Case& c : cases) {
    const Value d = dt(c.high, c.low, {}), t = ts(c.high, c.low, {});
    EXPECT_EQ(dt_size(d.b), c.dt_size);
    EXPECT_EQ(ts_size(t.b), c.ts_size);
    Value copy;
    EXPECT_EQ(dt_copy(copy.b, d.b), c.dt_size);
    EXPECT_EQ(std::memcmp(copy.b, d.b, c.dt_size), 0);
    for (int i = c.dt_size; i < 32; ++i) ASSERT_EQ(copy.b[i], 0xA5);
    Value tcopy;
    EXPECT_EQ(ts_copy(tcopy.b, t.b), c.ts_size);
    for (int i = c.ts_size; i < 32; ++i) ASSERT_EQ(tcopy.b[i], 0xA5);
  }

  const Value date = dt(kYy, kDd, {2007, 11, 28});
  const void* bytes = nullptr;
  qd_long length = 0;
  dt_hash(date.b, &bytes, &length);
  EXPECT_EQ(bytes, date.b + 4);
  EXPECT_EQ(length, 6);

  // A timespan's key leaves the sign out: the fields only.
  const Value minus = nts(kDd, kMi, {3, 4, 5});
  ts_hash(minus.b, &bytes, &length);
  EXPECT_EQ(bytes, minus.b + 4);
  EXPECT_EQ(length, 12);
}

}  // namespace
}  // namespace dtt
