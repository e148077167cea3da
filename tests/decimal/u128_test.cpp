// u128_test.cpp: the two-word 128-bit integer of 32-bit targets. Where the compiler has a
// 128-bit type it is the reference for every operation; everywhere the division must
// give q * d + r == x with r < d, and products of known values their known halves.

#define QD_TEST_U128_PAIR 1
#include "decimal/u128.h"

#include "test_support.h"

namespace {

using qd::U128Pair;

// Values at the edges of the words and of the division's steps.
constexpr uint64_t kEdges[] = {0,
                               1,
                               5,
                               0xffffffffull,
                               0x100000000ull,
                               0x100000001ull,
                               100000000ull,
                               10000000000000000ull,
                               10000000000000000000ull,
                               152587890625ull,
                               0x7fffffffffffffffull,
                               0x8000000000000000ull,
                               0x80000000ffffffffull,
                               0xfffffffe00000001ull,
                               0xffffffff00000000ull,
                               0xffffffffffffffffull};

std::vector<U128Pair> operands() {
  std::vector<U128Pair> v;
  for (uint64_t h : kEdges)
    for (uint64_t l : kEdges) v.push_back(U128Pair(h, l, 0));
  std::mt19937_64 rng(128);
  for (int i = 0; i < 400; ++i) {
    const int bits = 1 + static_cast<int>(rng() % 128);
    v.push_back(U128Pair(rng(), rng(), 0) >> (128 - bits));
  }
  return v;
}

std::vector<uint64_t> divisors() {
  std::vector<uint64_t> v;
  for (uint64_t d : kEdges)
    if (d) v.push_back(d);
  uint64_t p = 1;
  for (int k = 0; k <= 19; ++k, p *= 10) v.push_back(p);
  std::mt19937_64 rng(64);
  for (int i = 0; i < 60; ++i) v.push_back((rng() >> (rng() % 64)) | 1);
  return v;
}

TEST(U128Pair, DivisionRebuildsTheDividend) {
  const auto xs = operands();
  for (uint64_t d : divisors()) {
    for (const U128Pair& x : xs) {
      uint64_t r = ~uint64_t{0};
      const U128Pair q = qd::div_rem(x, d, &r);
      ASSERT_LT(r, d) << x.hi << ":" << x.lo << " / " << d;
      ASSERT_TRUE(q * d + U128Pair(r) == x) << x.hi << ":" << x.lo << " / " << d;
      // And q * d stays below 2^128 (a wrapped product could match as well).
      const U128Pair low = qd::mul_wide(q.lo, d), high = qd::mul_wide(q.hi, d);
      ASSERT_EQ(high.hi, 0u) << d;
      ASSERT_GE(low.hi + high.lo, low.hi) << d;
    }
  }
}

TEST(U128Pair, ProductsOfKnownValues) {
  struct Row {
    uint64_t a, b, hi, lo;
  };
  const Row rows[] = {
      {0xffffffffffffffffull, 0xffffffffffffffffull, 0xfffffffffffffffeull, 1},
      {0xffffffffull, 0xffffffffull, 0, 0xfffffffe00000001ull},
      {0x100000000ull, 0x100000000ull, 1, 0},
      {10000000000000000000ull, 10000000000000000000ull, 0x4b3b4ca85a86c47aull, 0x098a224000000000ull},
      {0x8000000000000000ull, 2, 1, 0},
      {0xffffffffffffffffull, 0, 0, 0},
  };
  for (const Row& r : rows) {
    const U128Pair p = qd::mul_wide(r.a, r.b);
    EXPECT_EQ(p.hi, r.hi) << r.a << " * " << r.b;
    EXPECT_EQ(p.lo, r.lo) << r.a << " * " << r.b;
  }
  // 10^16 as a constant takes its own road: against the same division by a variable.
  std::mt19937_64 rng(16);
  for (int i = 0; i < 2000; ++i) {
    const U128Pair x = U128Pair(rng(), rng(), 0) >> static_cast<int>(rng() % 128);
    volatile uint64_t d = 10000000000000000ull;
    uint64_t r1, r2;
    const U128Pair q1 = qd::div_rem(x, 10000000000000000ull, &r1), q2 = qd::div_rem(x, d, &r2);
    ASSERT_TRUE(q1 == q2 && r1 == r2) << x.hi << ":" << x.lo;
  }
  // 10^38 from ten multiplied up, and back down to 1 by the division.
  U128Pair t(1);
  for (int i = 0; i < 38; ++i) t *= 10;
  EXPECT_EQ(t.hi, 0x4b3b4ca85a86c47aull);
  EXPECT_EQ(t.lo, 0x098a224000000000ull);
  for (int i = 0; i < 38; ++i) {
    uint64_t r;
    t = qd::div_rem(t, 10, &r);
    ASSERT_EQ(r, 0u);
  }
  EXPECT_TRUE(t == U128Pair(1));
}

// 32-bit x86 computes orders and full products word by word with carry chains; here they
// and the difference are checked against the same operations on the two halves, with
// operands whose borrows and carries cross every word boundary.
TEST(U128Pair, WordChainsMatchTheHalves) {
  const auto xs = operands();
  for (size_t i = 0; i < xs.size(); ++i) {
    for (size_t k : {i, (i * 7919 + 13) % xs.size(), (i + 1) % xs.size()}) {
      const U128Pair a = xs[i], b = xs[k];
      const U128Pair d = a - b;
      ASSERT_EQ(d.lo, a.lo - b.lo) << i << " " << k;
      ASSERT_EQ(d.hi, a.hi - b.hi - (a.lo < b.lo ? 1 : 0)) << i << " " << k;
      ASSERT_EQ(a < b, a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo) << i << " " << k;
      ASSERT_EQ(a >= b, !(a < b)) << i << " " << k;
      // The full product from its four partial products of 32-bit halves.
      const uint64_t x0 = a.lo & 0xffffffffu, x1 = a.lo >> 32, y0 = b.hi & 0xffffffffu,
                     y1 = b.hi >> 32;
      const uint64_t p00 = x0 * y0, p01 = x0 * y1, p10 = x1 * y0, p11 = x1 * y1;
      const uint64_t mid = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
      const U128Pair p = qd::mul_wide(a.lo, b.hi);
      ASSERT_EQ(p.lo, (mid << 32) | (p00 & 0xffffffffu)) << i << " " << k;
      ASSERT_EQ(p.hi, p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32)) << i << " " << k;
    }
  }
}

#if defined(__SIZEOF_INT128__)
using W = unsigned __int128;
W wide(U128Pair x) { return (static_cast<W>(x.hi) << 64) | x.lo; }

TEST(U128Pair, MatchesTheCompilersType) {
  const auto xs = operands();
  for (size_t i = 0; i < xs.size(); ++i) {
    const U128Pair a = xs[i], b = xs[(i * 7919 + 13) % xs.size()];
    const W wa = wide(a), wb = wide(b);
    ASSERT_EQ(wide(a + b), wa + wb);
    ASSERT_EQ(wide(a - b), wa - wb);
    ASSERT_EQ(wide(a * b), wa * wb);
    ASSERT_EQ(wide(a * b.lo), wa * b.lo);
    ASSERT_EQ(wide(qd::mul_wide(a.lo, b.hi)), static_cast<W>(a.lo) * b.hi);
    ASSERT_EQ(wide(a & b), wa & wb);
    ASSERT_EQ(wide(a | b), wa | wb);
    ASSERT_EQ(wide(a ^ b), wa ^ wb);
    ASSERT_EQ(a < b, wa < wb);
    ASSERT_EQ(a <= b, wa <= wb);
    ASSERT_EQ(a == b, wa == wb);
    for (int n = 0; n < 128; ++n) {
      ASSERT_EQ(wide(a << n), wa << n) << n;
      ASSERT_EQ(wide(a >> n), wa >> n) << n;
    }
  }
  for (uint64_t d : divisors()) {
    for (const U128Pair& x : xs) {
      uint64_t r;
      ASSERT_EQ(wide(qd::div_rem(x, d, &r)), wide(x) / d);
      ASSERT_EQ(r, static_cast<uint64_t>(wide(x) % d));
    }
  }
}
#endif

}  // namespace
