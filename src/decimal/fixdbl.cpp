// fixdbl.cpp: a double to a fix value of 30 significant digits (double_fix_digits): the
// exact decimal expansion of the double, rounded to 30 digits half to even, as the
// runtime's "%+.29le" prints it, computed in integers without formatting text.
#include <bit>
#include <cmath>
#include <cstring>

#include "decimal/fix_internal.h"
#include "qderror.h"

namespace qd {
namespace {

// A small unsigned integer in 32-bit words, least significant first. The largest value
// met is below 2^420 (a 53-bit mantissa times 5^156, or shifted left before dividing).
struct Big {
  static constexpr int kWords = 16;
  uint32_t w[kWords];
  int n;  // words in use; w[n - 1] may be 0 only when n == 1
};

constexpr uint32_t kPow5[14] = {1u,       5u,        25u,        125u,        625u,
                                3125u,    15625u,    78125u,     390625u,     1953125u,
                                9765625u, 48828125u, 244140625u, 1220703125u};
constexpr int kPow5Chunk = 13;

inline void big_set(Big& b, uint64_t v) {
  b.w[0] = static_cast<uint32_t>(v);
  b.w[1] = static_cast<uint32_t>(v >> 32);
  b.n = b.w[1] ? 2 : 1;
}

inline void big_mul(Big& b, uint32_t m) {
  uint64_t carry = 0;
  for (int i = 0; i < b.n; ++i) {
    const uint64_t t = static_cast<uint64_t>(b.w[i]) * m + carry;
    b.w[i] = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  if (carry && b.n < Big::kWords) b.w[b.n++] = static_cast<uint32_t>(carry);
}

inline void big_mul_pow5(Big& b, int t) {
  for (; t >= kPow5Chunk; t -= kPow5Chunk) big_mul(b, kPow5[kPow5Chunk]);
  if (t) big_mul(b, kPow5[t]);
}

inline void big_shl(Big& b, int bits) {
  const int words = bits / 32, r = bits % 32;
  int n = b.n + words + 1;
  if (n > Big::kWords) n = Big::kWords;
  for (int i = n - 1; i >= 0; --i) {
    const int j = i - words;
    uint32_t v = 0;
    if (j >= 0 && j < b.n) v = b.w[j] << r;
    if (r && j - 1 >= 0 && j - 1 < b.n) v |= b.w[j - 1] >> (32 - r);
    b.w[i] = v;
  }
  b.n = n;
  while (b.n > 1 && b.w[b.n - 1] == 0) --b.n;
}

// Shifts right by bits, rounding half to even on what falls away.
inline void big_shr_round_even(Big& b, int bits) {
  const int words = bits / 32, r = bits % 32;
  auto bit = [&](int k) -> bool {
    return k / 32 < b.n && ((b.w[k / 32] >> (k % 32)) & 1u);
  };
  const bool half = bit(bits - 1);
  bool sticky = false;
  for (int k = 0; k < (bits - 1) / 32 && k < b.n && !sticky; ++k) sticky = b.w[k] != 0;
  if (!sticky && bits - 1 >= 0) {
    const int k = (bits - 1) / 32, rem = (bits - 1) % 32;
    if (k < b.n && rem) sticky = (b.w[k] & ((1u << rem) - 1)) != 0;
  }
  const int n = b.n - words;
  if (n <= 0) {
    big_set(b, 0);
  } else {
    for (int i = 0; i < n; ++i) {
      uint32_t v = b.w[i + words] >> r;
      if (r && i + words + 1 < b.n) v |= b.w[i + words + 1] << (32 - r);
      b.w[i] = v;
    }
    b.n = n;
    while (b.n > 1 && b.w[b.n - 1] == 0) --b.n;
  }
  if (half && (sticky || (b.w[0] & 1u))) {
    for (int i = 0; i < b.n; ++i)
      if (++b.w[i] != 0) return;
    if (b.n < Big::kWords) b.w[b.n++] = 1;
  }
}

template <uint32_t D>
inline uint32_t big_div(Big& b) {
  uint64_t rem = 0;
  for (int i = b.n - 1; i >= 0; --i) {
    const uint64_t cur = (rem << 32) | b.w[i];
    b.w[i] = static_cast<uint32_t>(cur / D);
    rem = cur % D;
  }
  while (b.n > 1 && b.w[b.n - 1] == 0) --b.n;
  return static_cast<uint32_t>(rem);
}

// -1, 0, 1 as b compares with 10^30.
inline int cmp_1e30(const Big& b) {
  static constexpr uint32_t k1e30[4] = {0x40000000u, 0x4674edeau, 0x9f2c9cd0u, 0xcu};
  if (b.n > 4) return 1;
  for (int i = 3; i >= 0; --i) {
    const uint32_t v = i < b.n ? b.w[i] : 0;
    if (v != k1e30[i]) return v > k1e30[i] ? 1 : -1;
  }
  return 0;
}

// round(m * 2^e2 * 10^(29 - E)), half to even.
void scaled_digits(uint64_t m, int e2, int E, Big& d) {
  big_set(d, m);
  const int t = 29 - E;
  if (t >= 0) {
    big_mul_pow5(d, t);
    const int sh = e2 + t;
    if (sh >= 0) {
      big_shl(d, sh);
    } else {
      big_shr_round_even(d, -sh);
    }
    return;
  }
  // E >= 30: the value is at least 2^99, so e2 - u is positive; divide 2N by 5^u, then
  // halve rounding up (5^u is odd: no exact ties).
  int u = -t;
  big_shl(d, e2 - u + 1);
  for (; u >= kPow5Chunk; u -= kPow5Chunk) big_div<1220703125u>(d);
  switch (u) {
    case 1: big_div<5u>(d); break;
    case 2: big_div<25u>(d); break;
    case 3: big_div<125u>(d); break;
    case 4: big_div<625u>(d); break;
    case 5: big_div<3125u>(d); break;
    case 6: big_div<15625u>(d); break;
    case 7: big_div<78125u>(d); break;
    case 8: big_div<390625u>(d); break;
    case 9: big_div<1953125u>(d); break;
    case 10: big_div<9765625u>(d); break;
    case 11: big_div<48828125u>(d); break;
    case 12: big_div<244140625u>(d); break;
    default: break;
  }
  // Halve: (Q2 + 1) >> 1; Q2 is below 2^102, so the increment never leaves d.
  for (int i = 0; i < d.n; ++i)
    if (++d.w[i] != 0) break;
  for (int i = 0; i < d.n; ++i) {
    d.w[i] = (d.w[i] >> 1) | (i + 1 < d.n ? d.w[i + 1] << 31 : 0u);
  }
  while (d.n > 1 && d.w[d.n - 1] == 0) --d.n;
}

}  // namespace

int double_fix_digits(double x, uint8_t* dst) {
  std::memset(dst, 0, kFixMaxBytes);
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  const int sign = static_cast<int>(bits >> 63);
  const int ef = static_cast<int>((bits >> 52) & 0x7ff);
  uint64_t m = bits & ((uint64_t{1} << 52) - 1);
  if (ef == 0x7ff) {
    fix_report_double(x);
    return QDE_NUMERIC_OVERFLOW;
  }
  if (ef == 0 && m == 0) {
    // "+0.000...e+00": thirty zero digits at scale 29, all trailing: p 0, scale -1.
    fx_head(dst, sign, 0, 29 - kFixMaxDigits);
    return 0;
  }
  int e2;
  if (ef == 0) {
    e2 = -1074;
  } else {
    m |= uint64_t{1} << 52;
    e2 = ef - 1075;
  }
  const int k = 63 - __builtin_clzll(m) + e2;  // floor(log2 |x|)
  int E = static_cast<int>(std::floor(k * 0.301029995663981195));
  // Scales beyond what any trailing zeros could bring back into range fail early.
  if (E >= 157 || E < -128) {
    fix_report_double(x);
    return QDE_NUMERIC_OVERFLOW;
  }
  Big d;
  scaled_digits(m, e2, E, d);
  int c = cmp_1e30(d);
  if (c > 0) {
    ++E;
    scaled_digits(m, e2, E, d);
    c = cmp_1e30(d);
  }
  Vec v;
  if (c == 0) {
    v = Vec(1) << (4 * (kFixMaxDigits - 1));
    ++E;
  } else {
    const uint32_t l0 = big_div<100000000u>(d);
    const uint32_t l1 = big_div<100000000u>(d);
    const uint32_t l2 = big_div<100000000u>(d);
    const uint32_t l3 = d.w[0];
    v = Vec(bin_to_bcd8(l0)) | (Vec(bin_to_bcd8(l1)) << 32) | (Vec(bin_to_bcd8(l2)) << 64) |
        (Vec(bin_to_bcd8(l3)) << 96);
  }
  const int z = vec_trailing_zeros(v);
  v = v >> (4 * z);
  const int p = kFixMaxDigits - z;
  const int scale = 29 - E - z;
  vec_store(dst, v, kFixMaxDigits);
  if (scale < -kFixScaleMax || scale > kFixScaleMax) {
    fix_report_double(x);
    return QDE_NUMERIC_OVERFLOW;
  }
  fx_head(dst, sign, p, scale);
  return 0;
}

}  // namespace qd
