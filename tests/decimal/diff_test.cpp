// diff_test.cpp: the operations against their first, position-by-position-checked forms
// (ref.h), byte for byte, over millions of random operands of every shape: 0 to 30 digits
// (a few longer ones from outside), scales across the whole range, both signs, zeros with
// and without a sign bit, leading zeros, digit runs that carry and round, and garbage in
// the free half-byte of an odd precision.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decimal/fix_internal.h"
#include "fixtest.h"
#include "ref.h"

namespace {

// An operand buffer large enough for 40 digits, padded so that a stray write shows.
struct Buf {
  uint8_t b[40];
};

struct Shapes {
  std::mt19937_64 rng;
  explicit Shapes(uint64_t seed) : rng(seed) {}
  int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

  int precision() {
    const int k = uniform(0, 99);
    if (k < 3) return 0;
    if (k < 5) return uniform(31, 40);  // longer than this library ever produces
    if (k < 35) return uniform(25, 30);
    return uniform(1, 30);
  }
  int scale() {
    const int k = uniform(0, 9);
    if (k < 6) return uniform(-5, 35);
    if (k < 8) return uniform(-128, 127);
    return uniform(0, 1) ? uniform(-128, -95) : uniform(95, 127);
  }
  Buf value() { return value(precision(), scale()); }
  Buf value(int p, int scale) {
    Buf v;
    for (auto& x : v.b) x = static_cast<uint8_t>(rng());
    const int kind = uniform(0, 7);
    const int zeros_on_top = uniform(0, 3) == 0 ? uniform(0, p) : 0;
    for (int i = 1; i <= p; ++i) {
      int d = uniform(0, 9);
      if (kind == 0) d = 9;
      if (kind == 1 && uniform(0, 2)) d = 0;
      if (kind == 2) d = uniform(4, 5);
      if (kind == 3) d = uniform(0, 1) ? 9 : 0;
      if (kind == 4 && i <= 2) d = 5;
      if (i > p - zeros_on_top) d = 0;
      uint8_t& byte = v.b[2 + (i - 1) / 2];
      byte = (i & 1) ? static_cast<uint8_t>((byte & 0x0f) | (d << 4))
                     : static_cast<uint8_t>((byte & 0xf0) | d);
    }
    v.b[0] = static_cast<uint8_t>((uniform(0, 1) ? 0x80 : 0) | p);
    v.b[1] = static_cast<uint8_t>(static_cast<int8_t>(scale));
    return v;
  }
  // A pair whose spans meet often: b's scale near a's, so carries and cuts happen.
  void pair(Buf* a, Buf* b) {
    *a = value();
    if (uniform(0, 2)) {
      const int sa = static_cast<int8_t>(a->b[1]);
      int sb = sa + uniform(-32, 32);
      if (sb < -128) sb = -128;
      if (sb > 127) sb = 127;
      *b = value(precision(), sb);
    } else {
      *b = value();
    }
    if (uniform(0, 15) == 0) *b = *a;  // equal magnitudes (and sometimes values)
  }
};

std::string shown(const Buf& v) {
  const int p = v.b[0] & 0x7f;
  std::string s = p <= 30 ? fixtest::show(v.b) : "(" + std::to_string(p) + " digits)";
  char hex[4];
  s += " [";
  for (int i = 0; i < (4 * p + 23) / 8; ++i) {
    std::snprintf(hex, sizeof hex, "%02x", v.b[i]);
    s += hex;
  }
  return s + "]";
}

// The result buffer: 17 bytes and a guard, the same noise in both.
struct Out {
  uint8_t b[24];
};

constexpr int kRuns = 1500000;

TEST(FixDiff, SumsAndDifferences) {
  Shapes g(11);
  for (int it = 0; it < kRuns; ++it) {
    Buf a, b;
    g.pair(&a, &b);
    Out c1, c2;
    for (auto& x : c1.b) x = static_cast<uint8_t>(g.rng());
    c2 = c1;
    Buf a1 = a, b1 = b, a2 = a, b2 = b;
    const bool sub = it & 1;
    const int r1 = sub ? fixsub(a1.b, b1.b, c1.b) : fixadd(a1.b, b1.b, c1.b);
    const int r2 = sub ? qd::ref::fixsub(a2.b, b2.b, c2.b) : qd::ref::fixadd(a2.b, b2.b, c2.b);
    SCOPED_TRACE(shown(a) + (sub ? " - " : " + ") + shown(b));
    ASSERT_EQ(r1, r2);
    ASSERT_EQ(0, std::memcmp(c1.b, c2.b, sizeof c1.b))
        << fixtest::show(c1.b) << " expected " << fixtest::show(c2.b);
    ASSERT_EQ(0, std::memcmp(a1.b, a.b, sizeof a.b));
    ASSERT_EQ(0, std::memcmp(b1.b, b.b, sizeof b.b));
  }
}

TEST(FixDiff, SubtractionFromItself) {
  Shapes g(12);
  for (int it = 0; it < 10000; ++it) {
    Buf a = g.value(), a2 = a;
    Out c1, c2;
    for (auto& x : c1.b) x = static_cast<uint8_t>(g.rng());
    c2 = c1;
    ASSERT_EQ(fixsub(a.b, a.b, c1.b), qd::ref::fixsub(a2.b, a2.b, c2.b));
    ASSERT_EQ(0, std::memcmp(c1.b, c2.b, sizeof c1.b));
  }
}

TEST(FixDiff, Products) {
  Shapes g(13);
  for (int it = 0; it < kRuns; ++it) {
    Buf a, b;
    g.pair(&a, &b);
    if (it % 4 == 0) b = g.value(g.uniform(0, 16), g.scale());  // short factors
    Out c1, c2;
    for (auto& x : c1.b) x = static_cast<uint8_t>(g.rng());
    c2 = c1;
    Buf a1 = a, b1 = b, a2 = a, b2 = b;
    SCOPED_TRACE(shown(a) + " * " + shown(b));
    if (it % 8 == 1 && (a.b[0] & 0x7f) <= 30) {
      // The product may replace its first factor.
      const int r1 = fixmul(a1.b, b1.b, a1.b);
      const int r2 = qd::ref::fixmul(a2.b, b2.b, a2.b);
      ASSERT_EQ(r1, r2);
      ASSERT_EQ(0, std::memcmp(a1.b, a2.b, sizeof a1.b));
    } else {
      const int r1 = fixmul(a1.b, b1.b, c1.b);
      const int r2 = qd::ref::fixmul(a2.b, b2.b, c2.b);
      ASSERT_EQ(r1, r2);
      ASSERT_EQ(0, std::memcmp(c1.b, c2.b, sizeof c1.b))
          << fixtest::show(c1.b) << " expected " << fixtest::show(c2.b);
      ASSERT_EQ(0, std::memcmp(a1.b, a2.b, sizeof a1.b));  // the free half-byte cleared alike
    }
    ASSERT_EQ(0, std::memcmp(b1.b, b2.b, sizeof b1.b));
  }
}

TEST(FixDiff, Quotients) {
  Shapes g(14);
  for (int it = 0; it < kRuns / 5; ++it) {
    Buf a, b;
    g.pair(&a, &b);
    if (it % 3 == 0) {
      // Quotients that end early: a = b * small.
      b = g.value(g.uniform(1, 15), g.uniform(-10, 20));
      Buf k = g.value(g.uniform(1, 12), g.uniform(-5, 10));
      if (qd::ref::fixmul(b.b, k.b, a.b)) continue;
    }
    Out c1, c2;
    for (auto& x : c1.b) x = static_cast<uint8_t>(g.rng());
    c2 = c1;
    SCOPED_TRACE(shown(a) + " / " + shown(b));
    const int r1 = fixdiv(a.b, b.b, c1.b);
    const int r2 = qd::ref::fixdiv(a.b, b.b, c2.b);
    ASSERT_EQ(r1, r2);
    if (r1 == 0) {
      ASSERT_EQ(0, std::memcmp(c1.b, c2.b, sizeof c1.b))
          << fixtest::show(c1.b) << " expected " << fixtest::show(c2.b);
    }
  }
}

// The digits double_fix_digits gives for x are the C runtime's 30 significant digits of
// the exact value of x (rounded half to even): compared as digit strings without
// trailing zeros, with the power of ten of their last digit.
void expect_printed_digits(double x) {
  uint8_t fix[qd::kFixMaxBytes + 8];
  std::memset(fix, 0x5a, sizeof fix);
  if (qd::double_fix_digits(x, fix) != 0 || x == 0) return;
  for (size_t i = qd::kFixMaxBytes; i < sizeof fix; ++i) ASSERT_EQ(fix[i], 0x5a) << x;
  const int p = fix[0] & 0x7f, s = static_cast<int8_t>(fix[1]);
  std::string got;
  for (int i = p; i >= 1; --i) {
    const uint8_t byte = fix[2 + (i - 1) / 2];
    got += static_cast<char>('0' + ((i % 2) ? byte >> 4 : byte & 0x0f));
  }
  int got_exp = -s;
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
  Shapes g(15);
  for (int it = 0; it < kRuns; ++it) {
    double x;
    if (it & 1) {
      uint64_t bits = g.rng();
      std::memcpy(&x, &bits, sizeof x);
      if (x != x || x - x != 0) continue;  // NaN and infinities have no defined result
    } else {
      const Buf v = g.value(g.uniform(0, 30), g.uniform(-40, 60));
      x = qd::ref::fix_double(v.b);
      const double y = fix_double(v.b);
      ASSERT_EQ(0, std::memcmp(&x, &y, sizeof x)) << shown(v);
    }
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

}  // namespace

namespace {

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

}  // namespace
