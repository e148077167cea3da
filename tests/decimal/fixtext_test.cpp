// fixtext_test.cpp: reading decimal text (string_fix, scan_fix) and printing fix values
// (fix_string, fix_text with separators and narrow buffers).

#include "decimal/fix_internal.h"
#include "fixtest.h"
#include "test_support.h"

using fixtest::Fix;
using fixtest::make;
using fixtest::show;

// Signs, leading and trailing zeros, the 31st-digit rounding, exponents at the ends of
// the scale range, and text after the number.
TEST(FixRead, WholeText) {
  for (const auto& c : qdtest::cases("decimal/text.txt", "read")) {
    SCOPED_TRACE('"' + c[0] + '"');
    Fix d = make("42", 1);
    EXPECT_EQ(string_fix(c[0].c_str(), d.p()), qdtest::num(c[1]));
    if (!c[2].empty()) {
      EXPECT_EQ(show(d), c[2]);
    }
    EXPECT_TRUE(d.guard_intact());
  }
}

TEST(FixRead, ScanPrefix) {
  for (const auto& c : qdtest::cases("decimal/text.txt", "scan")) {
    SCOPED_TRACE('"' + c[0] + '"');
    Fix d;
    int consumed = -1;
    EXPECT_EQ(scan_fix(c[0].c_str(), d.p(), &consumed), qdtest::num(c[1]));
    if (!c[2].empty()) {
      EXPECT_EQ(show(d), c[2]);
    }
    EXPECT_EQ(consumed, qdtest::num(c[3]));
  }
}

// Fixed notation while it fits 38 bytes, the exponent form "N" beyond; zeros and signs.
TEST(FixPrint, CanonicalText) {
  for (const auto& c : qdtest::cases("decimal/text.txt", "print")) {
    Fix v = fixtest::fix_of(c[0]);
    char buf[48];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(fix_string(v.p(), buf), buf);
    EXPECT_STREQ(buf, c[1].c_str()) << c[0];
    for (int i = 38; i < 48; ++i) EXPECT_EQ(buf[i], 'x');
  }
}

TEST(FixPrint, SeparatorsAndNarrowBuffers) {
  for (const auto& c : qdtest::cases("decimal/text.txt", "text")) {
    SCOPED_TRACE(c[0] + " width " + c[2]);
    Fix v = fixtest::fix_of(c[0]);
    const int width = qdtest::num(c[2]);
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(qd::fix_text(v.p(), c[1] == "none" ? nullptr : c[1].c_str(), buf, width),
              qdtest::num(c[3]));
    if (!c[4].empty()) {
      EXPECT_STREQ(buf, c[4].c_str());
      EXPECT_LE(std::strlen(buf) + 1, static_cast<size_t>(width));
    } else {
      EXPECT_EQ(buf[0], 'x');
    }
    for (int i = width; i < 64; ++i) EXPECT_EQ(buf[i], 'x');
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
