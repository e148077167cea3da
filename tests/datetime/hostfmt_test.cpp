// hostfmt_test.cpp: the host's display forms: each style over each shape of datetime,
// timespans of each group and sign, percent formats, and what they never touch.
#include "dt_test_util.h"

namespace dtt {
namespace {

constexpr char kGuard = '\x5A';

TEST(HostFormat, Table) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/hostfmt.txt", 4)) {
    SCOPED_TRACE(r[0] + " | " + r[1] + " | " + r[2]);
    const Value v = value(r[2]);
    const Value before = v;
    char buf[128];
    std::memset(buf, kGuard, sizeof buf);
    const qd_long style = r[0] == "dtfmt" || r[0] == "tsfmt" ? 0 : static_cast<qd_long>(qdtest::num(r[1]));
    const char* got = nullptr;
    if (r[0] == "date") got = qd_dt_date(buf, style, v.b);
    if (r[0] == "time") got = qd_dt_time(buf, style, v.b);
    if (r[0] == "dt") got = qd_dt_dt(buf, style, v.b);
    if (r[0] == "span") got = qd_ts_timespan(buf, style, v.b);
    if (r[0] == "dtfmt") got = qd_dt_format(buf, r[1].c_str(), v.b);
    if (r[0] == "tsfmt") got = qd_ts_format(buf, r[1].c_str(), v.b);
    if (r[3] == "null") {
      EXPECT_EQ(got, nullptr);
      EXPECT_EQ(buf[0], '\0');
    } else {
      EXPECT_EQ(got, buf);
      EXPECT_EQ(std::string(buf), r[3]);
    }
    // The terminator may move back one place (a timespan's trailing separator), never on.
    EXPECT_EQ(buf[std::strlen(buf) + 2], kGuard) << "written past the text";
    EXPECT_EQ(std::memcmp(before.b, v.b, sizeof v.b), 0);
  }
}

// Nothing here reads the current datetime: with it unset and the clock broken, the
// forms still print and the current datetime stays unset.
TEST(HostFormat, NeverReadsTheClock) {
  const qd::Unpacked saved = qd::save_current_for_test();
  const qd::ClockReader old = qd::set_clock_for_test(broken_clock);
  qd::Unpacked unset{};
  unset.field[qd::kMs] = 65535;
  qd::restore_current_for_test(unset);
  char buf[80];
  const Value v = value("dt[hh:mi](25,61)");  // unchecked: printed as it is
  EXPECT_STREQ(qd_dt_dt(buf, 11, v.b), "25:61");
  EXPECT_STREQ(qd_dt_format(buf, "%y-%H", v.b), "-25");
  EXPECT_FALSE(qd::current_is_set());
  qd::set_clock_for_test(old);
  qd::restore_current_for_test(saved);
}

// A format ending in a lone "%" stops there: the bytes after the terminator are not
// read (a sanitizer or memcheck run would see them read from the heap block's end).
TEST(HostFormat, LonePercentAtTheEnd) {
  std::vector<char> format = {'a', '%'};
  format.push_back('\0');
  char* exact = new char[format.size()];
  std::memcpy(exact, format.data(), format.size());
  const Value d = value("dtv[yy:dd](2007,11,28)");
  const Value t = value("ts[dd:dd](3)");
  char buf[16];
  EXPECT_STREQ(qd_dt_format(buf, exact, d.b), "a");
  EXPECT_STREQ(qd_ts_format(buf, exact, t.b), "a");
  delete[] exact;
}

}  // namespace
}  // namespace dtt
