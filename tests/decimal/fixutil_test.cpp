// fixutil_test.cpp: representation, comparison, the cast to a scale and the integer and
// double conversions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "decimal/fix_internal.h"
#include "fixtest.h"

using fixtest::Fix;
using fixtest::make;
using fixtest::show;

TEST(FixRepresentation, LayoutAndAccessors) {
  // -12.345: 0x85 0x03 0x54 0x32 0x1?
  Fix v = make("-12345", 3);
  EXPECT_EQ(v.b[0], 0x85);
  EXPECT_EQ(v.b[1], 0x03);
  EXPECT_EQ(v.b[2], 0x54);
  EXPECT_EQ(v.b[3], 0x32);
  EXPECT_EQ(v.b[4] >> 4, 0x1);
  EXPECT_EQ(getprec(v.p()), 5);
  EXPECT_EQ(getscale(v.p()), 3);
  EXPECT_EQ(getsign(v.p()), 1);
  EXPECT_EQ(getdigit(v.p(), 1), 5);
  EXPECT_EQ(getdigit(v.p(), 5), 1);
  putdigit(v.p(), 2, 9);
  EXPECT_EQ(v.b[2], 0x59);
  putprec(v.p(), 200);  // 200 & 127
  EXPECT_EQ(v.b[0], 0x80 | (200 & 127));
  putsign(v.p(), 0);
  EXPECT_EQ(v.b[0], 200 & 127);
  putscale(v.p(), -128);
  EXPECT_EQ(getscale(v.p()), -128);
  putscale(v.p(), 383);  // low 8 bits: 127
  EXPECT_EQ(getscale(v.p()), 127);
}

TEST(FixRepresentation, SizesAndHash) {
  struct Case {
    int p, size, hash;
  } cases[] = {{0, 2, 0}, {1, 3, 0}, {2, 3, 1}, {3, 4, 1}, {5, 5, 2}, {6, 5, 3}, {30, 17, 15}};
  for (const Case& c : cases) {
    Fix v = make("", 0);
    v.b[0] = static_cast<unsigned char>(c.p);
    EXPECT_EQ(fixsize(v.p()), c.size) << c.p;
    qd_fix* start = nullptr;
    int len = -1;
    fixhash(v.p(), &start, &len);
    EXPECT_EQ(start, v.p() + 2);
    EXPECT_EQ(len, c.hash) << c.p;
    attrtype t{3, {static_cast<uint8_t>(c.p), 0}, 0, 0};
    EXPECT_EQ(fixattrsize(&t), c.size);
  }
}

TEST(FixRepresentation, ZerosAndSigns) {
  Fix negzero0 = make("-", 4);     // p 0, sign bit set
  Fix negzero3 = make("-000", 1);  // p 3, all zeros, sign bit set
  Fix zero = make("", 0);
  Fix five = make("5", 0);
  EXPECT_EQ(getsign(negzero0.p()), 0);
  EXPECT_EQ(fixgetsign(negzero0.p()), 0);
  EXPECT_EQ(fixcmp(negzero0.p(), zero.p()), 0);
  EXPECT_EQ(getsign(negzero3.p()), 1);
  EXPECT_EQ(fixgetsign(negzero3.p()), -1);
  EXPECT_EQ(fixiszero(negzero3.p()), 1);
  EXPECT_EQ(fixcmp(negzero3.p(), zero.p()), -1);
  EXPECT_EQ(fixgetsign(five.p()), 1);
  Fix d;
  fixminus(negzero3.p(), d.p());
  EXPECT_EQ(show(d), "-000/1");
  fix_change_sign(negzero3.p());
  EXPECT_EQ(show(negzero3), "-000/1");
  fixminus(five.p(), d.p());
  EXPECT_EQ(show(d), "-5/0");
  fix_change_sign(d.p());
  EXPECT_EQ(show(d), "+5/0");
  fixmksczero(d.p(), -7);
  EXPECT_EQ(show(d), "+/-7");
  fixmkzero(d.p());
  EXPECT_EQ(show(d), "+/0");
  Fix same = make("123", 2);
  fixcopy(same.p(), same.p());
  EXPECT_EQ(show(same), "+123/2");
  fixcopy(five.p(), d.p());
  EXPECT_EQ(show(d), "+5/0");
  EXPECT_TRUE(d.guard_intact());
}

TEST(FixCompare, ByValue) {
  struct Case {
    const char* a;
    int sa;
    const char* b;
    int sb;
    int want;
  } cases[] = {
      {"15", 1, "150", 2, 0},
      {"15", -2, "1500", 0, 0},
      {"-2", 0, "-10", 0, 1},
      {"015", 1, "15", 1, 0},
      {"1", 0, "999", 3, 1},
      {"1", -127, "9", 127, 1},
      {"", 5, "-", -3, 0},
      {"-1", 0, "", 0, -1},
      {"0", 3, "", 0, 0},
      {"999999999999999999999999999999", 0, "1", -30, -1},
      {"100000000000000000000000000001", 29, "1", 0, 1},
      {"-100000000000000000000000000001", 29, "-1", 0, -1},
      {"100000000000000000000000000001", 30, "1", 0, -1},
      {"12345", 2, "12346", 2, -1},
      {"5", 200 - 256, "5", 127, 1},
  };
  for (const Case& c : cases) {
    Fix a = make(c.a, c.sa), b = make(c.b, c.sb);
    EXPECT_EQ(fixcmp(a.p(), b.p()), c.want) << c.a << "/" << c.sa << " vs " << c.b;
    EXPECT_EQ(fixcmp(b.p(), a.p()), -c.want) << c.a << "/" << c.sa << " vs " << c.b;
  }
}

TEST(FixCompare, SizeCompatible) {
  struct Case {
    const char* v;
    int s, P, S, want;
  } cases[] = {
      {"1234", 1, 4, 2, 0},    {"1234", 1, 5, 2, 1},  {"5", 1, 1, 0, 1}, {"99", 0, 0, 0, 1},
      {"0001234", 1, 5, 2, 1}, {"12345", 3, 2, 0, 1}, {"", 3, 1, 5, 0},  {"", 3, 2, 5, 1},
      {"1", -2, 3, 0, 1},      {"1", -3, 3, 0, 0},
  };
  for (const Case& c : cases) {
    Fix v = make(c.v, c.s);
    attrtype t{3, {static_cast<uint8_t>(c.P), static_cast<uint8_t>(c.S)}, 0, 0};
    EXPECT_EQ(size_compatible(v.p(), &t), c.want)
        << c.v << "/" << c.s << " in " << c.P << "," << c.S;
  }
}

TEST(FixCast, RoundingAndScales) {
  struct Case {
    const char* v;
    int s, to;
    const char* want;  // nullptr: fails
  } cases[] = {
      {"2345", 3, 2, "+235/2"},
      {"2344", 3, 2, "+234/2"},
      {"-2345", 3, 2, "-235/2"},
      {"4", 1, 0, "+/0"},
      {"5", 1, 0, "+1/0"},
      {"999", 2, 1, "+100/1"},
      {"12", 0, 2, "+1200/2"},
      {"-0012", 0, 1, "-120/1"},
      {"-", 9, 2, "+/2"},       // zero keeps the requested scale, no range check
      {"-00", 9, 300, "-/44"},  // getsign of a digit zero is 1; scale stored as a byte
      {"49", 2, 0, "+/0"},      // n = 0, digit 2 is 4: rounds to zero
      {"51", 2, 0, "+1/0"},
      {"5", 3, 0, "+/0"},  // n < 0: even a 5 falls away
      // Thirty 9s rounded to one place less: a 30-digit power of ten, still in range.
      {"999999999999999999999999999999", 1, 0, "+100000000000000000000000000000/0"},
      {"99999999999999999999999999999", 1, 0, "+10000000000000000000000000000/0"},
      {"999999999999999999999999999999", -98, -99, "+100000000000000000000000000000/-99"},
      {"123456789012345678901234567890", 0, 1, nullptr},
      {"1", 0, 127, nullptr},
      {"1", 0, 128, nullptr},
      {"1", 0, -128, "+/-128"},
      {"5", -127, -128, "+1/-128"},
      {"12345", -3, -127, "+/-127"},
      {"1", 0, 29, "+100000000000000000000000000000/29"},
      {"1", 127, 126, "+/126"},
  };
  for (const Case& c : cases) {
    Fix src = make(c.v, c.s), dst;
    qd_fix* r = fix_fix(src.p(), c.to, dst.p());
    if (!c.want) {
      EXPECT_EQ(r, nullptr) << c.v << " to " << c.to;
      continue;
    }
    ASSERT_EQ(r, dst.p()) << c.v << " to " << c.to;
    EXPECT_EQ(show(dst), c.want) << c.v << " to " << c.to;
    EXPECT_TRUE(dst.guard_intact());
    // In place gives the same.
    Fix in = make(c.v, c.s);
    ASSERT_EQ(fix_fix(in.p(), c.to, in.p()), in.p());
    EXPECT_EQ(show(in), c.want);
  }
}

TEST(FixCast, FailureLeavesOrMarksDestination) {
  Fix src = make("123", 0), dst = make("77", 1);
  EXPECT_EQ(fix_fix(src.p(), 40, dst.p()), nullptr);
  EXPECT_EQ(show(dst), "+77/1");  // out of range: untouched
  // Rounding into a 31st digit (only an outside value of 31 digits gets there): the
  // destination becomes the single digit 1 at the place above, and the cast fails.
  Fix nines = make("9999999999999999999999999999999", 1);
  EXPECT_EQ(fix_fix(nines.p(), 0, dst.p()), nullptr);
  EXPECT_EQ(show(dst), "+1/-30");
}

TEST(FixCast, ShiftRoundAndRestrictedForm) {
  struct Shift {
    const char* v;
    int s, k;
    const char* want;
  } shifts[] = {
      {"12345", 5, 2, "+123/3"}, {"12355", 5, 2, "+124/3"}, {"9950", 4, 2, "+100/2"},
      {"12", 3, 3, "+/0"},       {"5", 3, 1, "+1/2"},       {"-4", 3, 1, "-/2"},
  };
  for (const Shift& c : shifts) {
    Fix v = make(c.v, c.s);
    qd::fix_shift_round(v.p(), c.k);
    EXPECT_EQ(show(v), c.want) << c.v;
  }
  Fix v = make("5", 2), d;
  EXPECT_EQ(fix_is62(v.p()), 0);
  EXPECT_EQ(fix_to62(v.p(), 2, d.p()), 0);
  EXPECT_EQ(show(d), "+05/2");
  EXPECT_EQ(fix_is62(d.p()), 1);
  Fix big = make("1234567890123456789012345678901", 0);  // 31 digits
  EXPECT_EQ(fix_to62(big.p(), 40, d.p()), 19005);
  Fix tiny = make("123456", 35);
  EXPECT_EQ(fix_to62(tiny.p(), 36, d.p()), 0);
  EXPECT_EQ(show(d), "+000000000000000000000000000001/30");
  Fix neg = make("-7", -2);
  EXPECT_EQ(fix_to62(neg.p(), 0, d.p()), 0);
  EXPECT_EQ(show(d), "-700/0");
  Fix s31 = make("1", 31);
  EXPECT_EQ(fix_is62(s31.p()), 0);
}

TEST(FixCast, Truncatable) {
  struct Case {
    const char* v;
    int s, to, want;
  } cases[] = {
      {"1500", 3, 1, 1}, {"1500", 3, 0, 0}, {"1500", 3, 5, 1}, {"15", 1, -3, 0},
      {"", 9, 0, 1},     {"00", 4, 0, 1},   {"1", 0, 0, 1},    {"10", 40, 0, 0},
  };
  for (const Case& c : cases) {
    Fix v = make(c.v, c.s);
    EXPECT_EQ(truncatable_to_scale(v.p(), c.to), c.want) << c.v << "/" << c.s << " to " << c.to;
  }
}

TEST(FixInteger, ToInteger) {
  struct Case {
    const char* v;
    int s;
    int rc;
    qd_long want;
  } cases[] = {
      {"2147483647", 0, 0, 2147483647},
      {"21474836474", 1, 0, 2147483647},
      {"21474836475", 1, 19004, 0},
      {"2147483648", 0, 19004, 0},
      {"-2147483648", 0, 0, INT32_MIN},
      {"-21474836484", 1, 0, INT32_MIN},
      {"-21474836485", 1, 19004, 0},
      {"-2147483649", 0, 19004, 0},
      {"25", 1, 0, 3},
      {"-25", 1, 0, -3},
      {"-4", 1, 0, 0},
      {"00000000000000000000012", 0, 0, 12},
      {"99999999999", 0, 19004, 0},
      {"1", -9, 0, 1000000000},
      {"3", -9, 19004, 0},
      {"1", -40, 19004, 0},
      {"", 5, 0, 0},
  };
  for (const Case& c : cases) {
    Fix v = make(c.v, c.s);
    qd_long out = 12345;
    EXPECT_EQ(fix_long(v.p(), &out), c.rc) << c.v << "/" << c.s;
    EXPECT_EQ(out, c.rc ? 12345 : c.want) << c.v << "/" << c.s;
  }
}

TEST(FixInteger, ToUnsigned) {
  struct Case {
    const char* v;
    int s;
    int rc;
    qd_ulong want;
  } cases[] = {
      {"4294967295", 0, 0, 4294967295u},
      {"42949672954", 1, 0, 4294967295u},
      {"42949672955", 1, 19004, 0},
      {"4294967296", 0, 19004, 0},
      {"-4", 1, 19004, 0},
      {"-", 0, 0, 0},
      {"-0", 0, 19004, 0},
      {"5", 1, 0, 1},
  };
  for (const Case& c : cases) {
    Fix v = make(c.v, c.s);
    qd_ulong out = 777;
    EXPECT_EQ(fix_ulong(v.p(), &out), c.rc) << c.v << "/" << c.s;
    EXPECT_EQ(out, c.rc ? 777u : c.want) << c.v << "/" << c.s;
  }
}

TEST(FixInteger, FromInteger) {
  struct Case {
    int64_t v;
    bool is_signed;
    int scale;
    const char* want;
  } cases[] = {
      {INT32_MIN, true, 0, "-2147483648/0"},
      {INT32_MAX, true, 0, "+2147483647/0"},
      {0, true, 0, "+/0"},
      {0, true, 3, "+/3"},
      {-7, true, 2, "-700/2"},
      {4294967295ll, false, 0, "+4294967295/0"},
      {4294967295ll, false, 20, "+429496729500000000000000000000/20"},
      {15, true, -1, "+2/-1"},
      {-14, true, -1, "-1/-1"},
      {-4, true, -1, "-/-1"},
      {100000000, false, 0, "+100000000/0"},
      {99999999, false, -8, "+1/-8"},
      {1, false, 30, "+1/0"},  // cast fails: scale 0 stays
  };
  for (const Case& c : cases) {
    Fix d;
    qd_fix* r = c.is_signed ? long_fix(static_cast<qd_long>(c.v), c.scale, d.p())
                            : ulong_fix(static_cast<qd_ulong>(c.v), c.scale, d.p());
    EXPECT_EQ(r, d.p());
    EXPECT_EQ(show(d), c.want) << c.v << " at " << c.scale;
  }
}

TEST(FixDouble, ToDouble) {
  // Expected values follow the digit-by-digit accumulation in doubles, then one
  // division (or multiplication) by a power of ten.
  struct Case {
    const char* v;
    int s;
    double want;
  } cases[] = {
      {"12345", 3, 12.345},
      {"-5", 1, -0.5},
      {"15", -2, 1500.0},
      {"", 0, 0.0},
      {"1", 22, 1e-22},
      {"1", -128, 1e128},
      {"123456789012345678901234567890", 0, 1.2345678901234566e+29},
      {"999999999999999999999999999999", 5, 1e25},
      {"9007199254740993", 0, 9007199254740992.0},
  };
  for (const Case& c : cases) {
    Fix v = make(c.v, c.s);
    EXPECT_EQ(fix_double(v.p()), c.want) << c.v << "/" << c.s;
  }
}

TEST(FixDouble, FromDouble) {
  // 30 significant digits of the exact binary value, rounded half to even, trailing
  // zeros dropped.
  struct Case {
    double x;
    const char* want;
  } cases[] = {
      {0.1, "+100000000000000005551115123126/30"},
      {0.5, "+5/1"},
      {-2.0, "-2/0"},
      {1e22, "+1/-22"},
      {1.0 / 3.0, "+333333333333333314829616256247/30"},
      {123456789.0, "+123456789/0"},
      {0.0, "+/-1"},
      {-0.0, "-/-1"},
      {1e-97, "+100000000000000003623472756142/126"},
      {1e100, "+100000000000000001590289110976/-71"},
      {1e157, "+999999999999999983359180223192/-127"},
      {9007199254740993.0, "+9007199254740992/0"},
      {2.5e-6, "+250000000000000020450763478508/35"},
      {1e29, "+99999999999999991433150857216/0"},
      {9.999999999999999e29, "+999999999999999879147136483328/0"},
  };
  for (const Case& c : cases) {
    Fix d;
    ASSERT_EQ(qd::double_fix_digits(c.x, d.p()), 0) << c.x;
    EXPECT_EQ(show(d), c.want) << c.x;
    EXPECT_TRUE(d.guard_intact());
  }
  const double fails[] = {1e200, 1e-98, 1e158, 5e-324, -1e300, INFINITY, NAN};
  for (double x : fails) {
    Fix d;
    EXPECT_EQ(qd::double_fix_digits(x, d.p()), 19005) << x;
    EXPECT_EQ(double_fix(x, 0, d.p()), 19005) << x;
  }
  Fix d;
  EXPECT_EQ(double_fix(0.1, 2, d.p()), 0);
  EXPECT_EQ(show(d), "+10/2");
  EXPECT_EQ(double_fix(2.675, 2, d.p()), 0);  // the double lies below 2.675
  EXPECT_EQ(show(d), "+267/2");
  EXPECT_EQ(double_fix(-1.5, 0, d.p()), 0);
  EXPECT_EQ(show(d), "-2/0");
}
