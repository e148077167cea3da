// diff_test.cpp: double_fix_digits against the C runtime's printing of doubles, the
// limb-to-digit conversion of the products against its one-limb form, the products of
// limbs and the cut of a limb, the cut of the division's products by a reciprocal, the
// division in registers against the division step by step, operands that end at an
// unreadable memory page, and the bytes of the four operations on random operands, the
// same on every build.

#include <cmath>

#include "../tools/abcheck/abcheck.h"
#include "decimal/fix_internal.h"
#include "fixtest.h"
#include "report_support.h"
#include "test_support.h"

namespace {

// The digits double_fix_digits gives for x are the C runtime's 30 significant digits of
// the exact value of x (rounded half to even): compared as digit strings without
// trailing zeros, with the power of ten of their last digit.
void expect_printed_digits(double x) {
  uint8_t fix[qd::kFixMaxBytes + 8];
  std::memset(fix, 0x5a, sizeof fix);
  if (qd::double_fix_digits(x, fix) != 0 || x == 0) return;
  for (size_t i = qd::kFixMaxBytes; i < sizeof fix; ++i) ASSERT_EQ(fix[i], 0x5a) << x;
  const std::string shown = fixtest::show(fix);  // "<sign><digits>/<scale>"
  std::string got = shown.substr(1, shown.find('/') - 1);
  int got_exp = -static_cast<int8_t>(fix[1]);
  while (!got.empty() && got.back() == '0') got.pop_back(), ++got_exp;
  got.erase(0, got.find_first_not_of('0'));
  char text[64];
  std::snprintf(text, sizeof text, "%.29e", x);
  const char* t = text + (text[0] == '-');
  std::string want;
  want += t[0];
  want.append(t + 2, 29);
  int want_exp = std::atoi(std::strchr(t, 'e') + 1) - 29;
  while (!want.empty() && want.back() == '0') want.pop_back(), ++want_exp;
  ASSERT_EQ((fix[0] >> 7) != 0, x < 0) << x;
  ASSERT_EQ(got, want) << x << " " << text;
  ASSERT_EQ(got_exp, want_exp) << x << " " << text;
}

TEST(FixDiff, DoubleDigits) {
  std::mt19937_64 rng(15);
  for (int it = 0; it < 1000000; ++it) {
    // Full 53-bit mantissas across the magnitudes a decimal can hold, and a few beyond.
    const double m = static_cast<double>(rng() >> 11);
    const int e = static_cast<int>(rng() % 1000) - 500;
    const double x = std::ldexp(it & 1 ? -m : m, e);
    expect_printed_digits(x);
  }
}

// Doubles at and around every power of ten in range, where the decimal exponent changes.
TEST(FixDiff, DoubleDigitsAtPowersOfTen) {
  for (int k = -135; k <= 165; ++k) {
    double x = std::pow(10.0, k);
    for (int step = 0; step < 3; ++step) x = std::nextafter(x, 0.0);
    for (int step = 0; step < 7; ++step, x = std::nextafter(x, 1e300)) {
      expect_printed_digits(x);
      expect_printed_digits(-x);
    }
  }
}

// The four-limb conversion against the one-limb one: every limb value from the edges of
// each digit count, and random ones.
TEST(FixDiff, LimbsToDigits) {
  std::mt19937 rng(16);
  std::vector<uint32_t> edges = {0, 1, 9, 10, 99, 100};
  for (uint32_t p = 1000; p <= 100000000u; p *= 10) {
    for (uint32_t d = 0; d < 3; ++d) {
      edges.push_back(p - 1 - d);
      if (p + d < 100000000u) edges.push_back(p + d);  // 10^8 and above are no limbs
    }
  }
  for (int it = 0; it < 2000000; ++it) {
    uint32_t l[4];
    for (auto& x : l) {
      x = it % 3 == 0 ? edges[rng() % edges.size()] : static_cast<uint32_t>(rng() % 100000000u);
    }
    const qd::Vec got = qd::bin_to_bcd32(l[0], l[1], l[2], l[3]);
    for (int k = 0; k < 4; ++k) {
      ASSERT_EQ(static_cast<uint32_t>(qd::lo64(got >> (32 * k))), qd::bin_to_bcd8(l[k])) << l[k];
    }
  }
}

// The product of four limbs by four, its columns carried both ways (they differ on 32-bit
// targets), against the schoolbook product carried by plain divisions: limbs at the edges
// (10^8 - 1 gives the largest columns and carries) and random ones.
TEST(FixDiff, LimbProducts) {
  std::mt19937 rng(24);
  const uint32_t edges[] = {0, 1, 49999999, 50000000, 99999998, 99999999};
  for (int it = 0; it < 300000; ++it) {
    uint64_t x[4], y[4], col[8] = {};
    for (int k = 0; k < 4; ++k) {
      x[k] = it % 2 ? edges[rng() % 6] : rng() % 100000000u;
      y[k] = it % 3 ? edges[rng() % 6] : rng() % 100000000u;
    }
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) col[i + j] += x[i] * y[j];
    uint32_t overlap[8], serial[8];
    qd::product_limbs4<true>(x, y, overlap);
    qd::product_limbs4<false>(x, y, serial);
    uint64_t carry = 0;
    for (int i = 0; i < 8; ++i) {
      const uint64_t t = col[i] + carry;
      carry = t / 100000000u;
      ASSERT_EQ(overlap[i], t % 100000000u) << it << " limb " << i;
      ASSERT_EQ(serial[i], t % 100000000u) << it << " limb " << i;
    }
  }
}

// The cut of a limb by 10^j through a multiplication, against the division: every limb,
// every j.
TEST(FixDiff, LimbCutEveryLimb) {
  uint32_t p = 1;
  for (int j = 0; j < 8; ++j, p *= 10) {
    uint32_t wrong = 0, first = 0;
    for (uint32_t x = 0; x < 100000000u; ++x) {
      if (qd::limb_cut(x, j) != x / p && wrong++ == 0) first = x;
    }
    EXPECT_EQ(wrong, 0u) << "10^" << j << ", first at " << first;
  }
}

// A random operand of the shapes the arithmetic meets: any digit count, leading zeros,
// runs of nines and zeros, scales near zero and at the ends of the range, either sign
// bit (also on zeros), and a random free half-byte for odd precisions.
void random_operand(std::mt19937_64& rng, uint8_t* v) {
  const int p = static_cast<int>(rng() % 31);
  const int kind = static_cast<int>(rng() % 8);
  int scale = static_cast<int>(rng() % 40) - 5;
  if (kind == 6) scale = static_cast<int>(rng() % 256) - 128;
  v[0] = static_cast<uint8_t>(p | ((rng() & 1) ? 0x80 : 0));
  v[1] = static_cast<uint8_t>(static_cast<int8_t>(scale));
  for (int i = 2; i < qd::kFixMaxBytes; ++i) v[i] = static_cast<uint8_t>(rng());
  for (int i = 1; i <= p; ++i) {
    int d = static_cast<int>(rng() % 10);
    if (kind == 1) d = 9;
    if (kind == 2 && i < p) d = 0;
    if (kind == 3 && i > p - 3) d = 0;  // leading zeros
    qd::fx_put_digit(v, i, d);
  }
}

// The division tries its steps on binary coefficients before it takes them through
// bytes; both roads must give the same bytes, return code and sign of failure.
TEST(FixDiff, DivisionMatchesSteps) {
  std::mt19937_64 rng(17);
  for (int it = 0; it < 400000; ++it) {
    uint8_t a[qd::kFixMaxBytes], b[qd::kFixMaxBytes];
    random_operand(rng, a);
    random_operand(rng, b);
    if (it % 4 == 0) std::memcpy(b + 1, a + 1, 1);  // same scale
    uint8_t fast[qd::kFixMaxBytes], steps[qd::kFixMaxBytes];
    std::memset(fast, 0, sizeof fast);
    std::memset(steps, 0, sizeof steps);
    const int rc_fast = fixdiv(a, b, fast);
    const int rc_steps = qd::divide_by_steps(a, b, steps);
    ASSERT_EQ(rc_fast, rc_steps) << it;
    if (rc_fast) continue;
    const int n = qd::fx_size(qd::fx_prec(steps));
    ASSERT_EQ(std::memcmp(fast, steps, static_cast<size_t>(n > qd::kFixMaxBytes ? 2 : n)), 0) << it;
  }
}

#if defined(__SIZEOF_INT128__)
// The division's products cut 20 to 30 digits through a reciprocal of 5^k: for
// P = Q * 10^k + R with every quotient size below 10^30 and remainders at 0, around the
// half (where the rounding turns) and at the top, it gives Q, and rounds up exactly when
// R reaches 5 * 10^(k - 1).
TEST(FixDiff, ProductCutByReciprocal) {
  using qd::U128;
  std::mt19937_64 rng(23);
  auto below = [&rng](U128 n) { return qd::make128(rng(), rng()) % n; };
  auto ten_to = [](int n) {
    U128 x = 1;
    while (n-- > 0) x *= 10;
    return x;
  };
  for (int k = 20; k <= 30; ++k) {
    const U128 unit = ten_to(k), half = 5 * ten_to(k - 1);
    const U128 remainders[] = {0, 1, half - 1, half, half + 1, unit - 1};
    for (int it = 0; it < 20000; ++it) {
      const U128 q = below(ten_to(1 + static_cast<int>(rng() % 30)));
      const U128 r = it % 2 ? remainders[it / 2 % 6] : below(unit);
      // q * 10^k + r in 256 bits.
      const U128 p00 = static_cast<U128>(qd::lo64(q)) * qd::lo64(unit),
                 p01 = static_cast<U128>(qd::lo64(q)) * qd::hi64(unit),
                 p10 = static_cast<U128>(qd::hi64(q)) * qd::lo64(unit);
      const U128 mid = static_cast<U128>(qd::hi64(p00)) + qd::lo64(p01) + qd::lo64(p10);
      U128 low = qd::make128(qd::lo64(mid), qd::lo64(p00));
      U128 high = static_cast<U128>(qd::hi64(q)) * qd::hi64(unit) + qd::hi64(p01) +
                  qd::hi64(p10) + qd::hi64(mid);
      low += r;
      high += low < r;
      bool up = false;
      const U128 got = qd::product_cut(qd::lo64(low), qd::hi64(low), qd::lo64(high),
                                       qd::hi64(high), k, &up);
      ASSERT_TRUE(got == q && up == (r >= half)) << k << " " << it;
    }
  }
}
#endif

// Every operation reads its operands in place, also when a value ends at the last byte
// before an unreadable page: the results equal those on the same values elsewhere.
TEST(FixDiff, OperandsAtAPageEnd) {
  qdtest::GuardedPages pages(2);
  ASSERT_NE(pages.page(0), nullptr);
  const size_t page = pages.page_size();
  uint8_t* mem = pages.page(0);
  std::mt19937_64 rng(18);
  for (int it = 0; it < 20000; ++it) {
    uint8_t a[qd::kFixMaxBytes], b[qd::kFixMaxBytes];
    random_operand(rng, a);
    random_operand(rng, b);
    const size_t na = static_cast<size_t>(qd::fx_size(qd::fx_prec(a)));
    const size_t nb = static_cast<size_t>(qd::fx_size(qd::fx_prec(b)));
    // b ends at the page end, a just before it.
    uint8_t* eb = mem + page - nb;
    uint8_t* ea = eb - na;
    std::memcpy(ea, a, na);
    std::memcpy(eb, b, nb);
    uint8_t want[qd::kFixMaxBytes], got[qd::kFixMaxBytes];
    using Op = int (*)(const qd_fix*, const qd_fix*, qd_fix*);
    const Op ops[] = {fixadd, fixdiv, [](const qd_fix* x, const qd_fix* y, qd_fix* z) {
                        return fixmul(const_cast<qd_fix*>(x), const_cast<qd_fix*>(y), z);
                      }};
    for (Op op : ops) {
      std::memset(want, 0, sizeof want);
      std::memset(got, 0, sizeof got);
      ASSERT_EQ(op(a, b, want), op(ea, eb, got)) << it;
      ASSERT_EQ(std::memcmp(want, got, sizeof want), 0) << it;
    }
    ASSERT_EQ(fixsub(a, b, want), fixsub(ea, eb, got)) << it;
    ASSERT_EQ(std::memcmp(want, got, sizeof want), 0) << it;
    ASSERT_EQ(fixcmp(a, b), fixcmp(ea, eb)) << it;
    const double da = fix_double(a), dea = fix_double(ea);
    ASSERT_TRUE(da == dea || (da != da && dea != dea)) << it;
    char ta[qd::kFixTextSize], tea[qd::kFixTextSize];
    ASSERT_STREQ(fix_string(b, ta), fix_string(eb, tea)) << it;
  }
}

// The division on binary coefficients against the division step by step, on values as
// table columns hold them: up to 30 significant digits, stored with leading zeros up to
// the column's precision or without, runs of nines and zeros that carry and cancel, both
// signs, scales near zero and at the ends of the range. Where it takes a pair, the bytes
// must be the same; it must take nearly all pairs of ordinary columns.
TEST(FixDiff, DivisionOnBinaryCoefficientsMatchesSteps) {
  std::mt19937_64 rng(19);
  auto column_value = [&rng](uint8_t* v, int scale) {
    const int width = 1 + static_cast<int>(rng() % 30);
    const int len = 1 + static_cast<int>(rng() % static_cast<unsigned>(width));
    const int p = rng() & 1 ? width : len;
    const int kind = static_cast<int>(rng() % 6);
    std::memset(v, 0, qd::kFixMaxBytes);
    v[0] = static_cast<uint8_t>(p | ((rng() & 1) ? 0x80 : 0));
    v[1] = static_cast<uint8_t>(static_cast<int8_t>(scale));
    for (int i = 1; i <= len; ++i) {
      int d = static_cast<int>(rng() % 10);
      if (kind == 1 || (kind == 2 && i > len / 2)) d = 9;
      if (kind == 3 && i < len) d = rng() % 4 ? 0 : d;
      if (i == len && d == 0) d = 1 + static_cast<int>(rng() % 9);
      qd::fx_put_digit(v, i, d);
    }
  };
  int taken = 0, ordinary = 0;
  for (int it = 0; it < 300000; ++it) {
    const bool extreme = it % 8 == 0;
    auto scale = [&] {
      return static_cast<int>(rng() % (extreme ? 256 : 31)) - (extreme ? 128 : 0);
    };
    uint8_t a[qd::kFixMaxBytes], b[qd::kFixMaxBytes], bin[qd::kFixMaxBytes],
        steps[qd::kFixMaxBytes];
    column_value(a, scale());
    column_value(b, scale());
    std::memset(bin, 0x5a, sizeof bin);
    std::memset(steps, 0, sizeof steps);
    const bool took = qd::div_binary(a, b, bin);
    if (!extreme) ++ordinary, taken += took;
    if (!took) {
      ASSERT_EQ(bin[0], 0x5a) << it;  // nothing written
      continue;
    }
    ASSERT_EQ(qd::divide_by_steps(a, b, steps), 0) << it;
    ASSERT_EQ(std::memcmp(bin, steps, static_cast<size_t>(qd::fx_size(qd::fx_prec(steps)))), 0)
        << it;
  }
  EXPECT_GT(taken, ordinary - ordinary / 1000);
}

// The four operations on 20000 random operand pairs each, hashed as tools/abcheck hashes
// them: results, return codes, report texts and operands after the call are the same on
// every platform and width, and the same as when the hashes were taken. A change meant
// to alter results takes its new hashes from `abcheck 20000`.
class FixBytes : public qdtest::ReportTest {};

TEST_F(FixBytes, SameOnEveryBuild) {
  // fixadd, fixsub, fixmul, fixdiv
  const abcheck::Hashes want{0xfebaa1bb41b99e06ull, 0x69b0a62afcc590fcull,
                             0x571c677c6a7be2f1ull, 0x42029838da4b9a47ull};
  EXPECT_EQ(abcheck::run(20000, [](const abcheck::Call&) {}), want);
}

}  // namespace
