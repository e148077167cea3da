// fixari_test.cpp: the four operations and fixdivmod: cutting, carries, scale limits,
// signs of zeros, and operands left as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fixtest.h"

using fixtest::Fix;
using fixtest::make;
using fixtest::show;

namespace {

constexpr const char* k30nines = "999999999999999999999999999999";

struct Operands {
  const char* a;
  int sa;
  const char* b;
  int sb;
  int rc;
  const char* want;  // checked when rc is 0
};

void expect_unchanged(const Fix& before, const Fix& after, const char* what) {
  const int n = 2 + ((before.b[0] & 0x7f) + 1) / 2;
  EXPECT_EQ(std::memcmp(before.b, after.b, static_cast<size_t>(n)), 0) << what;
}

// Runs a table through one of the four operations: its return code, its result when it
// succeeds, the result buffer's guard, and the operands as they were (fixsub restores b;
// fixmul may clear the free half-byte of an odd precision, so its operands are compared
// by value).
template <class Op, size_t N>
void run_table(const Operands (&cases)[N], Op op, const char* sign, bool by_value = false) {
  for (const Operands& c : cases) {
    SCOPED_TRACE(std::string(c.a) + "/" + std::to_string(c.sa) + " " + sign + " " + c.b + "/" +
                 std::to_string(c.sb));
    Fix a = make(c.a, c.sa), b = make(c.b, c.sb), a0 = a, b0 = b, r;
    EXPECT_EQ(op(a.p(), b.p(), r.p()), c.rc);
    if (c.rc == 0) {
      EXPECT_EQ(show(r), c.want);
    }
    EXPECT_TRUE(r.guard_intact());
    if (by_value) {
      EXPECT_EQ(show(a), show(a0));
      EXPECT_EQ(show(b), show(b0));
    } else {
      expect_unchanged(a0, a, "a");
      expect_unchanged(b0, b, "b");
    }
  }
}

}  // namespace

TEST(FixAdd, Table) {
  const Operands cases[] = {
      {"15", 1, "225", 2, 0, "+375/2"},
      {"", 2, "7", 0, 0, "+7/0"},  // copy of the non-zero operand
      {"7", 0, "000", 5, 0, "+7/0"},
      {"5", 0, "-5", 0, 0, "+/0"},
      {"-15", 1, "-225", 2, 0, "-375/2"},
      {"-15", 1, "225", 2, 0, "+75/2"},
      {"15", 1, "-225", 2, 0, "-75/2"},
      {"-", 0, "-3", 0, 0, "-3/0"},       // p 0 with its sign bit set counts as not negative
      {"-0", 3, "-3", 0, 0, "-3/0"},      // a negative zero is copied over, then signed
      {"-00", 1, "2", 0, 0, "+20/1"},     // a negative digit zero takes part in the difference
      {"005", 0, "004", 0, 0, "+009/0"},  // leading zeros stay in a sum
      // A carry into a 31st position rounds the lowest digit away.
      {k30nines, 0, "1", 0, 0, "+100000000000000000000000000000/-1"},
      {k30nines, 0, k30nines, 0, 0, "+200000000000000000000000000000/-1"},
      {"99999999999999999999999999999", 0, "1", 0, 0, "+100000000000000000000000000000/0"},
      {"999999999999999999999999999995", 0, "5", 0, 0, "+100000000000000000000000000000/-1"},
      {"999999999999999999999999999994", 0, "1", 0, 0, "+999999999999999999999999999995/0"},
      // More than 30 positions: the dropped positions decide a flag, position by position.
      {"1", -29, "5", 1, 0, "+100000000000000000000000000001/0"},
      {"1", -29, "45", 2, 0, "+100000000000000000000000000001/0"},
      {"1", -29, "44", 2, 0, "+100000000000000000000000000000/0"},
      {"1", -29, "4449", 4, 0, "+100000000000000000000000000001/0"},
      {"1", -29, "4349", 4, 0, "+100000000000000000000000000000/0"},
      {"1", -29, "1", 30, 0, "+100000000000000000000000000000/0"},
      {"1", -29, "9", 40, 0, "+100000000000000000000000000000/0"},
      {"9", 1, "1", -29, 0, "+100000000000000000000000000001/0"},
      {k30nines, -1, "5", 0, 0, "+100000000000000000000000000000/-2"},
      // Magnitude limit: no digit above 10^128.
      {"5", -128, "5", -128, 19005, nullptr},
      {"4", -128, "5", -128, 0, "+9/-128"},
      {"9", -127, "1", -127, 0, "+10/-127"},
      {"99", -127, "1", -127, 19005, nullptr},
      {"-5", -128, "-5", -128, 19005, nullptr},
  };
  run_table(cases, fixadd, "+");
}

TEST(FixSub, Table) {
  const Operands cases[] = {
      {"10", 0, "1", 3, 0, "+9999/3"},
      {"1", 3, "10", 0, 0, "-9999/3"},
      {"5", 0, "5", 0, 0, "+/0"},
      {"-5", 0, "-5", 0, 0, "+/0"},
      {"15", 1, "150", 2, 0, "+/2"},
      {"5", 0, "", -40, 0, "+5/0"},      // zero b: a plain copy of a
      {"5", 0, "-00", -40, 0, "+/-12"},  // digit zero with its sign: a cut difference
      {"-2", 0, "3", 0, 0, "-5/0"},
      {"2", 0, "-3", 0, 0, "+5/0"},
      // Positions below the 30-digit window are cut off, not rounded.
      {"1", -29, "5", 1, 0, "+99999999999999999999999999999/0"},
      {"1", -29, "1", 30, 0, "+99999999999999999999999999999/0"},
      {"1", -29, "", 30, 0, "+1/-29"},  // zero b: a copy of a
      {"5", 1, "1", -29, 0, "-99999999999999999999999999999/0"},
      {"1", 30, "1", -29, 0, "-99999999999999999999999999999/0"},
      {k30nines, 0, "9", 1, 0, "+999999999999999999999999999998/0"},
      {"1", -100, "1", 30, 0, "+99999999999999999999999999999/-71"},
      {"5", -128, "-5", -128, 19005, nullptr},
  };
  run_table(cases, fixsub, "-");
  Fix a = make("-12345", 3), r;
  EXPECT_EQ(fixsub(a.p(), a.p(), r.p()), 0);
  EXPECT_EQ(show(r), "+/3");
}

TEST(FixMul, Table) {
  const Operands cases[] = {
      {"125", 1, "4", 2, 0, "+500/3"},
      {"", 0, "37", 1, 0, "+/1"},
      {"-2", 0, "", 5, 0, "-/5"},  // zero keeps the product's sign bit and scale
      {"-2", 0, "3", 0, 0, "-6/0"},
      {"-2", 0, "-3", 0, 0, "+6/0"},
      {"250", 2, "4", 0, 0, "+1000/2"},  // trailing zeros stay
      {"0025", 0, "004", 0, 0, "+100/0"},
      {"123456789012345", 0, "123456789012345", 0, 0, "+15241578753238669120562399025/0"},
      // Products over 30 digits lose whole base-100 limbs, rounding on the highest one.
      {"1234567890123456", 0, "10000000000000001", 0, 0, "+123456789012345612345678901235/-2"},
      {"99999999999999999999", 0, "100000000000000000001", 0, 0, "+1/-40"},
      {k30nines, 0, k30nines, 0, 0, "+999999999999999999999999999998/-30"},
      // Scale limits: above 127 limbs are dropped, below -127 the product fails.
      {"1", 100, "1", 100, 0, "+/127"},
      {"5", 64, "1", 64, 0, "+/126"},
      {"50", 64, "1", 64, 0, "+1/126"},
      {"123", 64, "1", 64, 0, "+1/126"},
      {"173", 64, "1", 64, 0, "+2/126"},
      {"1", -64, "1", -64, 19005, nullptr},
      {"1", -64, "1", -63, 0, "+1/-127"},
      {"99", -64, "1", -63, 0, "+99/-127"},
      {"5", 127, "1", 0, 0, "+5/127"},
      {"11", 127, "1", 1, 0, "+/126"},
      {"51", 127, "1", 1, 0, "+1/126"},
  };
  run_table(
      cases, [](qd_fix* a, qd_fix* b, qd_fix* c) { return fixmul(a, b, c); }, "*", true);
  // The digit-free half of an odd precision is never read as a digit; the result may
  // be written over the first operand.
  Fix a = make("123", 0), b = make("2", 0);
  a.b[3] |= 0x0f;
  b.b[2] |= 0x0f;
  EXPECT_EQ(fixmul(a.p(), b.p(), a.p()), 0);
  EXPECT_EQ(show(a), "+246/0");
  // A 31-digit product of a rounding carry through all kept limbs.
  Fix x = make("999999999999999", 0), y = make("1000000000000001", 0), z;
  // 999999999999999 * 1000000000000001 = 999999999999999999999999999999 (30 digits).
  EXPECT_EQ(fixmul(x.p(), y.p(), z.p()), 0);
  EXPECT_EQ(show(z), "+999999999999999999999999999999/0");
}

TEST(FixDiv, Table) {
  const Operands cases[] = {
      {"1", 0, "4", 0, 0, "+25/2"},
      {"10", 0, "4", 0, 0, "+25/1"},
      {"100", 0, "1", 0, 0, "+1/-2"},
      {"-1", 0, "4", 0, 0, "-25/2"},
      {"-1", 0, "-4", 0, 0, "+25/2"},
      {"1", 0, "3", 0, 0, "+333333333333333333333333333333/30"},
      {"1", 0, "", 0, 19000, nullptr},
      {"1", 0, "000", 2, 19000, nullptr},
      {"1", -100, "1", 60, 19005, nullptr},  // the first estimate is out of range
      {"2", 0, "3", 0, 0, "+666666666666666666666666666662/30"},
      {"12192592592745", 0, "987654321", 0, 0, "+12345/0"},
  };
  run_table(cases, fixdiv, "/");
  Fix zero = make("", 0), five = make("5", 0), r;
  EXPECT_EQ(__fixdiv(zero.p(), five.p(), r.p(), 7), 0);
  EXPECT_EQ(fixiszero(r.p()), 1);
  // Quotients whose first estimate is not exact come out to about 30 digits, not to a
  // fixed place.
  struct Near {
    const char* a;
    int sa;
    const char* b;
    int sb;
    const char* lo;
    const char* hi;
    int s;
  } near[] = {
      {"15", 1, "5", -2, "299999999999999999999999999990", "300000000000000000000000000010", 32},
      {"121932631112635269", 0, "987654321", 0, "123456788999999999999999999990",
       "123456789000000000000000000010", 21},
  };
  for (const Near& n : near) {
    Fix a = make(n.a, n.sa), b = make(n.b, n.sb), lo = make(n.lo, n.s), hi = make(n.hi, n.s);
    ASSERT_EQ(fixdiv(a.p(), b.p(), r.p()), 0);
    EXPECT_EQ(fixcmp(r.p(), lo.p()), 1) << show(r);
    EXPECT_EQ(fixcmp(r.p(), hi.p()), -1) << show(r);
  }
}

TEST(FixDivmod, Table) {
  struct Case {
    const char* a;
    int sa;
    unsigned divisor;
    unsigned rem;
    int zero_flag;
    const char* want;
  } cases[] = {
      {"12345", 0, 100, 45, 0, "+123/0"},
      {"5", 2, 10, 5, 1, "+00/2"},
      {"-98765", 1, 7, 2, 0, "-14109/1"},
      {"15", -2, 4, 3, 0, "+3/-2"},
      {"3", 0, 4, 3, 1, "+/0"},
      {"", 3, 9, 0, 1, "+000/3"},
      {k30nines, 0, 4294967295u, 631343814u, 0, "+232830643708079737543/0"},
      {k30nines, 0, 1, 0, 0, "+999999999999999999999999999999/0"},
  };
  for (const Case& c : cases) {
    Fix a = make(c.a, c.sa), a0 = a, q;
    char flag = 7;
    EXPECT_EQ(fixdivmod(q.p(), &flag, a.p(), c.divisor), c.rem) << c.a << " / " << c.divisor;
    EXPECT_EQ(flag, c.zero_flag) << c.a << " / " << c.divisor;
    EXPECT_EQ(show(q), c.want) << c.a << " / " << c.divisor;
    expect_unchanged(a0, a, "a");
    EXPECT_TRUE(q.guard_intact());
    // In place, without the flag.
    EXPECT_EQ(fixdivmod(a.p(), nullptr, a.p(), c.divisor), c.rem);
    EXPECT_EQ(show(a), c.want);
  }
  Fix a = make("12", 0), q = make("77", 0);
  EXPECT_EQ(fixdivmod(q.p(), nullptr, a.p(), 0), 19000u);
  EXPECT_EQ(show(q), "+77/0");
}
