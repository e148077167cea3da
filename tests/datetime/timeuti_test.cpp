// timeuti_test.cpp: literal text of datetimes and timespans, and the reading rules for
// range names and field separators.
#include <string>

#include "dt_test_util.h"

namespace dtt {
namespace {

// A text buffer beyond the 42 bytes a literal may use, with a guard pattern.
struct Text {
  char b[64];
  Text() { std::memset(b, 0x5A, sizeof b); }
  bool guard_intact(size_t from) const {
    for (size_t i = from; i < sizeof b; ++i) {
      if (b[i] != 0x5A) return false;
    }
    return true;
  }
};

// Range shapes, padding, signs and the longest literals; other tables print many more.
TEST(Literal, Printing) {
  struct Case {
    Value v;
    const char* text;
  } const cases[] = {
      {dt(kHh, kMi, {9, 30}), "datetime[hh:mi](9:30)"},
      {dt(kMo, kMo, {7}), "datetime[mo:mo](7)"},
      {dt(kYy, kYy, {2008}), "datetime[yy:yy](2008)"},
      {dt(kSs, kMs, {5, 0}), "datetime[ss:ms](5.000)"},
      // the highest field is written plainly, milliseconds too
      {dt(kMs, kMs, {7}), "datetime[ms:ms](7)"},
      {dt(kSs, kMs, {0, 7}), "datetime[ss:ms](0.007)"},
      {ts(kDd, kMs, {3, 4, 5, 6, 7}), "timespan[dd:ms](3 4:5:6.007)"},
      {ts(kDd, kDd, {0}), "timespan[dd:dd](0)"},
      {nts(kDd, kDd, {0}), "-timespan[dd:dd](0)"},
      {ts(kSs, kMs, {0, 0}), "timespan[ss:ms](0.000)"},
      // the longest literals of valid values: 41 characters
      {dt(kYy, kMs, {32767, 12, 31, 23, 59, 59, 999}), "datetime[yy:ms](32767-12-31 23:59:59.999)"},
      {nts(kDd, kMs, {2147483647, 23, 59, 59, 999}), "-timespan[dd:ms](2147483647 23:59:59.999)"},
  };
  for (const Case& c : cases) {
    Text out;
    char* back = is_span(c.v) ? ts_str(out.b, c.v.b) : dt_str(out.b, c.v.b);
    EXPECT_EQ(back, out.b);
    EXPECT_STREQ(out.b, c.text);
    const size_t n = std::strlen(c.text);
    ASSERT_LE(n, 41u);
    EXPECT_TRUE(out.guard_intact(n + 1)) << c.text;
  }
}

TEST(Literal, InvalidValuesStayInFortyTwoBytes) {
  const Value values[] = {
      ts(kDd, kMs,
         {-2147483647 - 1, -2147483647 - 1, -2147483647 - 1, -2147483647 - 1, -2147483647 - 1}),
      nts(kYy, kMs, {-100000, -100000, -100000, -100000, -100000, -100000, -100000}),
  };
  for (const Value& v : values) {
    Text out;
    ts_str(out.b, v.b);
    EXPECT_EQ(std::strlen(out.b), 41u) << out.b;
    EXPECT_TRUE(out.guard_intact(42));
  }
  Value broken;
  qd::store<uint32_t>(broken.b, 0x0000F0F0u);  // codes no value can have
  Text out;
  dt_str(out.b, broken.b);
  EXPECT_LE(std::strlen(out.b), 41u);
  EXPECT_TRUE(out.guard_intact(42));
}

TEST(Literal, RangeNames) {
  struct Case {
    const char* text;
    int code;
    int consumed;
  } const cases[] = {
      {"yy", 6, 2}, {"YY:", 6, 2},     {"Mo", 5, 2},  {"dD \t\r\n]", 4, 6}, {"hh", 3, 2},
      {"mi", 2, 2}, {"SS", 1, 2},      {"ms)", 0, 2}, {"xx", 8, 0},         {"y", 8, 0},
      {"", 8, 0},   {"weekday", 8, 0}, {" yy", 8, 0}, {"m", 8, 0},
  };
  for (const Case& c : cases) {
    const char* end = nullptr;
    EXPECT_EQ(scan_range_name(c.text, &end), c.code) << c.text;
    EXPECT_EQ(end - c.text, c.consumed) << c.text;
  }
}

TEST(Literal, FieldEnds) {
  struct Case {
    int code;
    const char* text;
    bool ok;
    int consumed;
  } const cases[] = {
      {kYy, "-11", true, 1}, {kYy, " - 11", true, 2}, {kYy, ":", false, 0}, {kMo, "-28", true, 1},
      {kDd, " 13", true, 1}, {kDd, "\t\n7", true, 2}, {kDd, "-", false, 0}, {kDd, ")", false, 0},
      {kHh, ":5", true, 1},  {kHh, ".", false, 0},    {kMi, ":7", true, 1}, {kSs, ".042", true, 1},
      {kSs, ":", false, 0},  {kMs, ")", true, 0},     {kMs, " '", true, 1}, {kMs, ".", false, 0},
      {kMs, "", false, 0},   {7, "-", false, 0},      {-1, ")", false, 0},
  };
  for (const Case& c : cases) {
    const char* p = c.text;
    EXPECT_EQ(scan_field_end(c.code, &p), c.ok) << c.code << " '" << c.text << "'";
    EXPECT_EQ(p - c.text, c.consumed) << c.code << " '" << c.text << "'";
  }
  // The separators the printer writes are the ones the reader expects.
  const char expected[] = {'.', ':', ':', ' ', '-', '-'};
  for (int c = kMs; c <= kMo; ++c) EXPECT_EQ(field_separator(c), expected[c]);
}

}  // namespace
}  // namespace dtt
