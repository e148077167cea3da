// fixtext_test.cpp: reading decimal text (string_fix, scan_fix) and printing fix values
// (fix_string, fix_text with separators and narrow buffers).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "decimal/fix_internal.h"
#include "fixtest.h"

using fixtest::Fix;
using fixtest::make;
using fixtest::show;

TEST(FixRead, WholeText) {
  struct Case {
    const char* text;
    int rc;
    const char* want;
  } cases[] = {
      {"12.50", 0, "+125/1"},
      {"100", 0, "+1/-2"},
      {"0.000", 0, "+/3"},
      {"-0", 0, "-/0"},
      {"1.5e3", 0, "+15/-2"},
      {"1.5N3", 0, "+15/-2"},
      {"1.5E+3", 0, "+15/-2"},
      {"1.5n 3", 0, "+15/-2"},
      {"1.5e-3", 0, "+15/4"},
      {"1e", 0, "+1/0"},
      {" 7", 0, "+7/0"},
      {"+7", 0, "+7/0"},
      {"  7", 19003, nullptr},
      {"7 ", 19003, nullptr},
      {"--1", 19003, nullptr},
      {"1\xb9", 19003, nullptr},
      {"12abc", 19003, nullptr},
      {"", 0, "+/0"},
      {".", 0, "+/0"},
      {".5", 0, "+5/1"},
      {"5.", 0, "+5/0"},
      {"-.5e1", 0, "-5/0"},
      {"00012.3400", 0, "+1234/2"},
      {"0.000001", 0, "+1/6"},
      // The 31st digit rounds the 30th; the result never ends in 0.
      {"1234567890123456789012345678905", 0, "+123456789012345678901234567891/-1"},
      {"1234567890123456789012345678904", 0, "+12345678901234567890123456789/-2"},
      {"9999999999999999999999999999995", 0, "+1/-31"},
      {"1099999999999999999999999999995", 0, "+11/-29"},
      {"0.12345678901234567890123456789012", 0, "+12345678901234567890123456789/29"},
      {"1234567890123456789012345678901234567890", 0, "+12345678901234567890123456789/-11"},
      {"99999999999999999999999999999.95", 0, "+1/-29"},
      // Scales of 128 and more lose digits down to scale 126 at most.
      {"1e-128", 0, "+/0"},
      {"-1e-200", 0, "-/0"},
      {"12345e-128", 0, "+123/126"},
      {"57e-128", 0, "+1/126"},
      {"1e-127", 0, "+1/127"},
      {"0e-300", 0, "+/0"},
      {"1e-99999999999999", 0, "+/0"},
      // Scales below -128 are too large a number.
      {"1e128", 0, "+1/-128"},
      {"1e129", 19004, nullptr},
      {"0e200", 19004, nullptr},
      {"1e99999999999999", 19004, nullptr},
      {"123456789012345678901234567890e99", 0, "+12345678901234567890123456789/-100"},
  };
  for (const Case& c : cases) {
    Fix d = make("42", 1);
    EXPECT_EQ(string_fix(c.text, d.p()), c.rc) << '"' << c.text << '"';
    if (c.want) {
      EXPECT_EQ(show(d), c.want) << c.text;
    }
    EXPECT_TRUE(d.guard_intact());
  }
}

TEST(FixRead, ScanPrefix) {
  struct Case {
    const char* text;
    int rc;
    const char* want;
    int consumed;
  } cases[] = {
      {"  12abc", 0, "+12/0", 4}, {"\t\n-3.5x", 0, "-35/1", 6},
      {"7 8", 0, "+7/0", 1},      {"abc", 0, "+/0", 0},
      {" -", 0, "-/0", 2},        {"1e+", 0, "+1/0", 3},
      {"2.5e3)", 0, "+25/-2", 5}, {"1e130 ", 19004, nullptr, -1},
  };
  for (const Case& c : cases) {
    Fix d;
    int consumed = -1;
    EXPECT_EQ(scan_fix(c.text, d.p(), &consumed), c.rc) << '"' << c.text << '"';
    if (c.want) {
      EXPECT_EQ(show(d), c.want) << c.text;
    }
    EXPECT_EQ(consumed, c.consumed) << '"' << c.text << '"';
  }
}

TEST(FixPrint, CanonicalText) {
  struct Case {
    const char* v;
    int s;
    const char* want;
  } cases[] = {
      {"-12345", 3, "-12.345"},
      {"5", 0, " 5"},
      {"", 2, " 0.00"},
      {"-", 2, " 0.00"},
      {"", -3, " 0"},
      {"5", 2, " 0.05"},
      {"15", -2, " 1500"},
      {"00123", 1, " 0012.3"},
      {"-00", 1, "-0.0"},
      {"1", -40, " 1.N+040"},
      {"00123", -40, " 1.23N+042"},
      {"15", 60, " 1.5N-059"},
      {"1", 127, " 1.N-127"},
      {"-1", -128, "-1.N+128"},
      {"123456789012345678901234567890", -127, " 1.23456789012345678901234567890N+156"},
      {"123456789012345678901234567890", 30, " 0.123456789012345678901234567890"},
      {"123456789012345678901234567890", -5, " 12345678901234567890123456789000000"},
      {"123456789012345678901234567890", -6, " 123456789012345678901234567890000000"},
      {"123456789012345678901234567890", -7, " 1.23456789012345678901234567890N+036"},
      {"-123456789012345678901234567890", 32, "-0.00123456789012345678901234567890"},
      {"-123456789012345678901234567890", 33, "-0.000123456789012345678901234567890"},
      {"-123456789012345678901234567890", 35, "-1.23456789012345678901234567890N-006"},
      {"1234567890123456789012345678901234", 2, " 12345678901234567890123456789012.34"},
  };
  for (const Case& c : cases) {
    Fix v = make(c.v, c.s);
    char buf[48];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(fix_string(v.p(), buf), buf);
    EXPECT_STREQ(buf, c.want) << c.v << "/" << c.s;
    for (int i = 38; i < 48; ++i) EXPECT_EQ(buf[i], 'x');
  }
}

TEST(FixPrint, SeparatorsAndNarrowBuffers) {
  struct Case {
    const char* v;
    int s;
    const char* sep;
    int width;
    int rc;
    const char* want;  // nullptr: buffer untouched
  } cases[] = {
      {"12345", 2, ",", 38, 0, " 123,45"},
      {"12345", 2, "::", 9, 0, " 123::45"},
      {"12345", 2, "::", 8, 19005, nullptr},
      {"1", -40, ",", 38, 0, " 1,e+040"},
      {"1", -40, nullptr, 9, 0, " 1.N+040"},
      {"1", -40, nullptr, 8, 19005, nullptr},
      {"123456", -3, nullptr, 11, 0, " 123456000"},
      {"123456", -3, nullptr, 10, 0, " 1.2N+008"},
      {"123456", -3, nullptr, 13, 0, " 123456000"},
      {"-987", 5, nullptr, 9, 0, "-0.00987"},
      {"-987", 5, nullptr, 8, 19005, nullptr},
      {"-987", 5, nullptr, 10, 0, "-0.00987"},
      {"-987", 7, nullptr, 10, 0, "-9.8N-005"},
      {"", 3, nullptr, 6, 0, " 0.00"},
      {"", 3, nullptr, 4, 0, " 0."},
      {"", 3, "", 4, 0, " 00"},
  };
  for (const Case& c : cases) {
    Fix v = make(c.v, c.s);
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(qd::fix_text(v.p(), c.sep, buf, c.width), c.rc) << c.v << " width " << c.width;
    if (c.want) {
      EXPECT_STREQ(buf, c.want) << c.v << " width " << c.width;
      EXPECT_LE(std::strlen(buf) + 1, static_cast<size_t>(c.width));
    } else {
      EXPECT_EQ(buf[0], 'x');
    }
    for (int i = c.width; i < 64; ++i) EXPECT_EQ(buf[i], 'x') << c.v << " width " << c.width;
  }
}

TEST(FixPrint, ReadBackIsTheSameValue) {
  // Printing and reading back keep the value (the reader drops trailing zeros).
  const char* texts[] = {"-12.345",  "0.000000000000000000000000000001", "1.N+040",
                         "9.9N-099", "123456789012345678901234567890",   "-5.5"};
  for (const char* t : texts) {
    Fix a, b;
    ASSERT_EQ(string_fix(t, a.p()), 0) << t;
    char buf[38];
    fix_string(a.p(), buf);
    ASSERT_EQ(string_fix(buf, b.p()), 0) << buf;
    EXPECT_EQ(fixcmp(a.p(), b.p()), 0) << t << " -> " << buf;
  }
}
