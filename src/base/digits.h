// digits.h: integers as decimal digits, for the texts on value paths (calendar literals,
// numbers converted to character types) that must not go through the formatter.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qd {

// Most characters write_decimal writes: a sign and twenty digits.
constexpr size_t kDecimalDigitsMax = 21;

// Writes v in decimal at out ("-" first when negative, no leading zeros), at least
// min_digits digits (zeros in front of them, after the sign); returns the characters
// written (at most kDecimalDigitsMax, or min_digits and a sign). No terminator.
inline size_t write_decimal(char* out, int64_t v, int min_digits = 1) {
  char digits[kDecimalDigitsMax];
  uint64_t m = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  size_t k = 0;
  if (v < 0) out[k++] = '-';
  for (int pad = min_digits - n; pad > 0; --pad) out[k++] = '0';
  while (n > 0) out[k++] = digits[--n];
  return k;
}

}  // namespace qd
