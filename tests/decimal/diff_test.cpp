// diff_test.cpp: double_fix_digits against the C runtime's printing of doubles, and the
// limb-to-digit conversion of the products against its one-limb form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decimal/fix_internal.h"

namespace {

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

}  // namespace
