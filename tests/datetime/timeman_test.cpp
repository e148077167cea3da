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

// Also the weekday of the date by its own closed formula (weekday_of_date), on each day.
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
            back.mark != mark || (previous_weekday >= 0 && weekday != (previous_weekday + 1) % 7) ||
            weekday_of_date(y, m, d, mark) != weekday) {
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
  for (const qdtest::Row& r : qdtest::read_cases("datetime/days.txt", 6)) {
    const std::string date = r[0] + "-" + r[1] + "-" + r[2];
    const int y = static_cast<int>(qdtest::num(r[0])), m = static_cast<int>(qdtest::num(r[1]));
    const int d = static_cast<int>(qdtest::num(r[2]));
    EXPECT_EQ(day_number(y, m, d, calendar(r[3])), qdtest::num(r[4])) << date;
    EXPECT_EQ(weekday_of_day(static_cast<int32_t>(qdtest::num(r[4]))), qdtest::num(r[5])) << date;
  }
}

class Check : public PinnedNow {};

// dt_check or ts_check by the value's kind; nothing changes on a failure or in a timespan.
TEST_F(Check, Validation) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/checks.txt", 4)) {
    SCOPED_TRACE(r[0]);
    const Value in = value(r[0]);
    Value v = in;
    EXPECT_EQ(is_span(v) ? ts_check(v.b) : dt_check(v.b), qdtest::num(r[1]));
    if (want(r[2])) {
      EXPECT_EQ(lit(v, false), r[2]);
      EXPECT_EQ(mark(v), calendar(r[3]));
    } else {
      EXPECT_EQ(std::memcmp(v.b, in.b, sizeof v.b), 0) << "changed";
    }
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
  EXPECT_EQ(lit(now, false), "datetime[yy:ms](2007-11-28 13:5:7.042)");
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
  EXPECT_EQ(lit(again, false), "datetime[yy:ms](2008-1-2 3:4:5.006)");

  // A clock that cannot be read: 1854, the current datetime stays.
  set_clock_for_test(broken_clock);
  EXPECT_EQ(set_current(), 1854);
  ASSERT_EQ(dt_current(again.b), 0);
  EXPECT_EQ(lit(again, false), "datetime[yy:ms](2008-1-2 3:4:5.006)");

  // Unset and unreadable: every operation that needs it fails with 1854, writing nothing.
  restore_current_for_test(unset);
  Value out;
  EXPECT_EQ(dt_current(out.b), 1854);
  const Value a = value("ts[hh:hh](1)");
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

// Sizes, copies that write exactly the value, and hash keys of the fields only (a
// timespan's sign stays out of its key).
TEST(Representation, SizesCopiesHashes) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/sizes.txt", 6)) {
    SCOPED_TRACE(r[0] + ":" + r[1]);
    const int high = code(r[0]), low = code(r[1]);
    const int dt_bytes = static_cast<int>(qdtest::num(r[2]));
    const int ts_bytes = static_cast<int>(qdtest::num(r[3]));
    const Value d = make<int16_t>(high, low, 0, {}),
                t = make<int32_t>(high, low, kMarkNegative, {});
    EXPECT_EQ(dt_size(d.b), dt_bytes);
    EXPECT_EQ(ts_size(t.b), ts_bytes);
    Value copy, tcopy;
    EXPECT_EQ(dt_copy(copy.b, d.b), dt_bytes);
    EXPECT_EQ(std::memcmp(copy.b, d.b, dt_bytes), 0);
    EXPECT_EQ(ts_copy(tcopy.b, t.b), ts_bytes);
    for (int i = dt_bytes; i < 32; ++i) ASSERT_EQ(copy.b[i], 0xA5);
    for (int i = ts_bytes; i < 32; ++i) ASSERT_EQ(tcopy.b[i], 0xA5);
    const void* key = nullptr;
    qd_long length = 0;
    dt_hash(d.b, &key, &length);
    EXPECT_EQ(key, d.b + 4);
    EXPECT_EQ(length, qdtest::num(r[4]));
    ts_hash(t.b, &key, &length);
    EXPECT_EQ(key, t.b + 4);
    EXPECT_EQ(length, qdtest::num(r[5]));
  }
}

}  // namespace
}  // namespace dtt
