// fixutil_test.cpp: representation, comparison, the cast to a scale and the integer and
// double conversions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

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
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "cmp")) {
    Fix a = fixtest::fix_of(c[0]), b = fixtest::fix_of(c[1]);
    EXPECT_EQ(fixcmp(a.p(), b.p()), qdtest::num(c[2])) << c[0] << " vs " << c[1];
    EXPECT_EQ(fixcmp(b.p(), a.p()), -qdtest::num(c[2])) << c[0] << " vs " << c[1];
  }
}

TEST(FixCompare, SizeCompatible) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "fits")) {
    Fix v = fixtest::fix_of(c[0]);
    attrtype t{3,
               {static_cast<uint8_t>(qdtest::num(c[1])), static_cast<uint8_t>(qdtest::num(c[2]))},
               0,
               0};
    EXPECT_EQ(size_compatible(v.p(), &t), qdtest::num(c[3]))
        << c[0] << " in " << c[1] << "," << c[2];
  }
}

// Half-up rounding, nines that carry, zeros of any scale, the ends of the scale range.
TEST(FixCast, RoundingAndScales) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "cast")) {
    SCOPED_TRACE(c[0] + " to " + c[1]);
    Fix src = fixtest::fix_of(c[0]), dst;
    qd_fix* r = fix_fix(src.p(), qdtest::num(c[1]), dst.p());
    if (c[2].empty()) {
      EXPECT_EQ(r, nullptr);
      continue;
    }
    ASSERT_EQ(r, dst.p());
    EXPECT_EQ(show(dst), c[2]);
    EXPECT_TRUE(dst.guard_intact());
    // In place gives the same.
    Fix in = fixtest::fix_of(c[0]);
    ASSERT_EQ(fix_fix(in.p(), qdtest::num(c[1]), in.p()), in.p());
    EXPECT_EQ(show(in), c[2]);
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
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "shift")) {
    Fix v = fixtest::fix_of(c[0]);
    qd::fix_shift_round(v.p(), qdtest::num(c[1]));
    EXPECT_EQ(show(v), c[2]) << c[0];
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
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "trunc")) {
    Fix v = fixtest::fix_of(c[0]);
    EXPECT_EQ(truncatable_to_scale(v.p(), qdtest::num(c[1])), qdtest::num(c[2]))
        << c[0] << " to " << c[1];
  }
}

// Integer boundaries after half-up rounding; out parameters written only on success.
TEST(FixInteger, ToInteger) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "long")) {
    Fix v = fixtest::fix_of(c[0]);
    qd_long out = 12345;
    EXPECT_EQ(fix_long(v.p(), &out), qdtest::num(c[1])) << c[0];
    EXPECT_EQ(out, qdtest::num(c[1]) ? 12345 : std::stol(c[2])) << c[0];
  }
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "ulong")) {
    Fix v = fixtest::fix_of(c[0]);
    qd_ulong out = 777;
    EXPECT_EQ(fix_ulong(v.p(), &out), qdtest::num(c[1])) << c[0];
    EXPECT_EQ(out, qdtest::num(c[1]) ? 777u : std::stoul(c[2])) << c[0];
  }
  for (const char* op : {"from_long", "from_ulong"}) {
    for (const auto& c : qdtest::cases("decimal/conversions.txt", op)) {
      Fix d;
      const int scale = qdtest::num(c[1]);
      qd_fix* r = op[5] == 'l' ? long_fix(static_cast<qd_long>(std::stol(c[0])), scale, d.p())
                               : ulong_fix(static_cast<qd_ulong>(std::stoul(c[0])), scale, d.p());
      EXPECT_EQ(r, d.p());
      EXPECT_EQ(show(d), c[2]) << op << " " << c[0] << " at " << scale;
    }
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
