// fixbin.cpp: the division's chain of steps with every value between the steps held as a
// binary coefficient.
//
// The division is a fixed chain: a first quotient from the floating-point unit, its
// product with the divisor, the difference to the dividend, and up to two corrections.
// Each product, sum and difference is cut to 30 digits by its own rule, and each
// estimate is fix_double of the value before, divided by the divisor's double. Those
// rules look at a value's digit count, the exponents of its top and bottom stored digits
// and, at a cut, the digits that fall away; the sign is a bit. Here a value is its digits
// read as one integer below 10^30, its stored precision, its bottom exponent and its sign
// bit, so each rule is integer arithmetic on the coefficient:
//  - a shift of the window by j positions is a multiplication or a division by 10^j;
//  - the digit count is a comparison with powers of ten;
//  - the digits that fall away are the remainder of that division, and every rule that
//    reads them (half up on the highest dropped digit, the flag that compares them with
//    44...4, "any non-zero digit") is a comparison of that remainder.
// Digits are written once, for the quotient. Whatever this road does not take (operands
// of more than 30 digits, zeros, scales at the ends of the range, estimates that its
// fast form does not give, a product rounding up to a new digit) it leaves to the
// division step by step in bytes, with nothing written.
#include <bit>

#include "decimal/fix_internal.h"

namespace qd {
namespace {

constexpr int kDigits = kFixMaxDigits;
constexpr uint64_t kLimb = 100000000u;  // 10^8
constexpr uint64_t k1e16 = 10000000000000000ull;
constexpr uint64_t k1e19 = 10000000000000000000ull;

// A fix value of at most 30 digits as the division's steps read it.
struct Bin {
  U128 m;    // the stored digits read as an integer (below 10^p)
  int p;     // precision as stored (leading zero digits count)
  int lo;    // exponent of the lowest stored digit, -scale
  int sign;  // the sign bit as stored
};

struct Pow10 {
  U128 v[39];               // 10^0 .. 10^38, all below 2^128
  U128 fours[kDigits + 1];  // 0, 4, 44, ... thirty 4s
  constexpr Pow10() : v(), fours() {
    U128 r = 1;
    for (int i = 0; i < 39; ++i) {
      v[i] = r;
      if (i < 38) r *= 10;
    }
    for (int i = 1; i <= kDigits; ++i) fours[i] = fours[i - 1] * 10 + 4;
  }
};
constexpr Pow10 kP10;

// Number of decimal digits of x (0 for 0): with L bits, x has t or t + 1 digits where
// t = floor(L * log10(2)) (1233 / 4096 is log10(2) closely enough below 2^128).
inline int digits_of(U128 x) {
  const uint64_t h = hi64(x);
  const int bits = h ? 128 - std::countl_zero(h) : 64 - std::countl_zero(lo64(x));
  const int t = (bits * 1233) >> 12;
  return t + (x >= kP10.v[t]);
}

#if defined(__x86_64__)
// (hi:lo) / d and its remainder, for hi < d: one division instruction.
inline uint64_t div_words(uint64_t hi, uint64_t lo, uint64_t d, uint64_t* rem) {
  uint64_t q;
  asm("divq %4" : "=a"(q), "=d"(*rem) : "a"(lo), "d"(hi), "r"(d));
  return q;
}
#endif

// x / d and x mod d for a one-word divisor.
inline U128 div_word(U128 x, uint64_t d, uint64_t* rem) {
#if defined(__x86_64__)
  const uint64_t h = hi64(x), l = lo64(x);
  if (h == 0) {
    *rem = l % d;
    return l / d;
  }
  const uint64_t qh = h / d;
  // h % d < d, so the quotient of (h % d):l by d fits its word.
  return make128(qh, div_words(h % d, l, d, rem));
#else
  return div_rem(x, d, rem);
#endif
}

#if defined(__SIZEOF_INT128__)
// Division by 10^k (k = 1 .. 19) without a division instruction, for dividends below
// 2^117. Per power: d = 10^k; s = floor(log2 d) and m = ceil(2^(64 + s) / d), below 2^64
// (d is no power of two); l = 63 - s, the shift that puts d's top bit at bit 63; and the
// reciprocal v = floor((2^128 - 1) / (d << l)) - 2^64 of the normalised divisor.
struct Pow10Reciprocals {
  uint64_t d[20], m[20], v[20];
  int s[20];
  constexpr Pow10Reciprocals() : d(), m(), v(), s() {
    U128 p = 1;
    for (int k = 1; k < 20; ++k) {
      p *= 10;
      int e = 0;
      while ((p >> (e + 1)) != 0) ++e;
      d[k] = static_cast<uint64_t>(p);
      s[k] = e;
      m[k] = static_cast<uint64_t>(((static_cast<U128>(1) << (64 + e)) + p - 1) / p);
      v[k] = static_cast<uint64_t>(~U128(0) / (p << (63 - e)) - (U128(1) << 64));
    }
  }
};
constexpr Pow10Reciprocals kP10r;

// x / 10^k and x mod 10^k for 1 <= k <= 19 and x below 2^117.
// The high word xh (below 2^53) first: xh * m / 2^(64 + s) exceeds xh / d by less than
// xh / 2^(64 + s) < 2^(-10 - s) < 10^-k, and the fraction of xh / d is at most 1 - 10^-k,
// so rounding down gives xh / d rounded down. The rest, rh:xl with rh < d, is one
// division of two words by the normalised divisor with its reciprocal (Moeller and
// Granlund's two-by-one step): the estimate q1 is the quotient or one more, which the
// remainder's comparison with q0 corrects, and the last comparison catches the rare
// estimate one short.
inline U128 div_small_pow10(U128 x, int k, uint64_t* rem) {
  const uint64_t d = kP10r.d[k], xh = hi64(x), xl = lo64(x);
  const int sh = kP10r.s[k], l = 63 - sh;
  const uint64_t qh = hi64(static_cast<U128>(xh) * kP10r.m[k]) >> sh;
  const uint64_t rh = xh - qh * d;
  const uint64_t dn = d << l;
  const uint64_t u1 = (rh << l) | ((xl >> 1) >> (63 - l)), u0 = xl << l;
  const U128 p = static_cast<U128>(kP10r.v[k]) * u1 + make128(u1 + 1, u0);
  uint64_t q1 = hi64(p), r = u0 - q1 * dn;
  const uint64_t back = uint64_t{0} - static_cast<uint64_t>(r > lo64(p));  // all ones or 0
  q1 += back;
  r += dn & back;
  if (r >= dn) [[unlikely]] {
    ++q1;
    r -= dn;
  }
  *rem = r >> l;
  return make128(qh, q1);
}
#endif

// x / 10^k and x mod 10^k.
inline U128 div_pow10(U128 x, int k, U128* rem) {
  if (k <= 0) {
    *rem = 0;
    return x;
  }
  if (k > 38 || x < kP10.v[k]) {
    *rem = x;
    return 0;
  }
  uint64_t r1;
#if defined(__SIZEOF_INT128__)
  if (hi64(x) < (uint64_t{1} << 53)) {  // every dividend here is below 10^31 < 2^103
    if (k <= 19) {
      const U128 q = div_small_pow10(x, k, &r1);
      *rem = r1;
      return q;
    }
    uint64_t r2;
    const U128 q = div_small_pow10(div_small_pow10(x, 19, &r1), k - 19, &r2);
    *rem = static_cast<U128>(r2) * k1e19 + r1;
    return q;
  }
#endif
  if (k <= 19) {
    const U128 q = div_word(x, lo64(kP10.v[k]), &r1);
    *rem = r1;
    return q;
  }
  uint64_t r2;
  const U128 q = div_word(div_word(x, k1e19, &r1), lo64(kP10.v[k - 19]), &r2);
  *rem = static_cast<U128>(r2) * k1e19 + r1;
  return q;
}

#if defined(__SIZEOF_INT128__)
// x / 10^16 (below 2^64) and x mod 10^16 for x below 10^32, for targets with a 128-bit
// integer (32-bit ones split into limbs by word divisions): a multiplication by a
// reciprocal instead of a division instruction, which takes several times as long and
// lies on the division's critical path (each product and the quotient's digits start
// with this split).
inline uint64_t div_1e16(U128 x, uint64_t* rem) {
  // x / 10^16 = y / 5^16 with y = x / 2^16 (below 2^91), rounded down both times.
  // kInv = floor(2^101 / 5^16) falls short of 2^101 / 5^16 by less than 1, so y * kInv /
  // 2^101 falls short of y / 5^16 by less than y / 2^101 < 2^-10: q below is the
  // quotient or one less, and one comparison of the remainder (below 2 * 5^16, so exact
  // in a word) settles it. t is y * kInv / 2^64 rounded down (the low word of yl * kInv
  // only ever adds a fraction), and its shift by 37 rounds down the rest of the way.
  constexpr uint64_t k5p16 = 152587890625ull;
  constexpr uint64_t kInv = static_cast<uint64_t>((static_cast<U128>(1) << 101) / k5p16);
  const U128 y = x >> 16;
  const uint64_t yl = lo64(y), yh = hi64(y);
  const U128 t = static_cast<U128>(yh) * kInv + hi64(static_cast<U128>(yl) * kInv);
  uint64_t q = lo64(t >> 37);
  uint64_t r = yl - q * k5p16;
  const bool over = r >= k5p16;
  q += over;
  r -= over ? k5p16 : 0;
  *rem = (r << 16) | (lo64(x) & 0xffff);
  return q;
}
#endif

// A base-10^8 limb in a machine word (a 32-bit target multiplies two in one instruction).
#if defined(__SIZEOF_INT128__)
using Limb = uint64_t;
#else
using Limb = uint32_t;
#endif

// x (below 10^32) as four base-10^8 limbs, the lowest first.
inline void to_limbs(U128 x, Limb l[4]) {
#if !defined(__SIZEOF_INT128__)
  // Three divisions by 10^8 from the highest word that can hold a quotient digit: x's top
  // word, x / 10^8's (below 10^24) and x / 10^16's (below 10^16) are all below 10^8, so
  // each starts as the remainder, and the six steps are one division instruction each.
  uint32_t r = static_cast<uint32_t>(x.hi >> 32);
  const uint32_t a2 = div_step((static_cast<uint64_t>(r) << 32) | static_cast<uint32_t>(x.hi), kLimb, &r);
  const uint32_t a1 = div_step((static_cast<uint64_t>(r) << 32) | (x.lo >> 32), kLimb, &r);
  const uint32_t a0 = div_step((static_cast<uint64_t>(r) << 32) | static_cast<uint32_t>(x.lo), kLimb, &r);
  l[0] = r;
  r = a2;
  const uint32_t b1 = div_step((static_cast<uint64_t>(r) << 32) | a1, kLimb, &r);
  const uint32_t b0 = div_step((static_cast<uint64_t>(r) << 32) | a0, kLimb, &r);
  l[1] = r;
  r = b1;
  l[3] = div_step((static_cast<uint64_t>(r) << 32) | b0, kLimb, &r);
  l[2] = r;
#else
  uint64_t low;
  const uint64_t high = div_1e16(x, &low);
  l[1] = div_u32(low, kLimb);
  l[0] = low - l[1] * kLimb;
  l[3] = div_u32(high, kLimb);
  l[2] = high - l[3] * kLimb;
#endif
}

inline Vec to_digits(U128 x) {
  Limb l[4];
  to_limbs(x, l);
  return bin_to_bcd32(static_cast<uint32_t>(l[0]), static_cast<uint32_t>(l[1]),
                      static_cast<uint32_t>(l[2]), static_cast<uint32_t>(l[3]));
}

inline U128 from_digits(Vec d) {
  return static_cast<U128>(bcd16_to_bin(hi64(d))) * k1e16 + bcd16_to_bin(lo64(d));
}

// x (not negative) with the sign bit set for sign 1: the same double as -x, without a
// branch on a sign that follows no pattern. It stays in the floating-point registers: the
// 32-bit build would set the bit in a pair of integer registers, store them as two words
// and load the double from them, a load that waits for both stores (no forwarding), on
// the chain of estimates.
inline double with_sign(double x, int sign) {
  static constexpr double kSigns[2] = {1.0, -1.0};
  return std::copysign(x, kSigns[sign]);
}

// fix_double of v (not zero). Up to 16 digits the digit-by-digit accumulation is one
// conversion of the integer; longer values take the digit road.
QD_DOUBLE_MATH double to_double(const Bin& v) {
  const double x = v.m < k1e16 ? small_double(lo64(v.m), -v.lo, false)
                               : num_double(Num{to_digits(v.m), v.p, v.lo, 0});
  return with_sign(x, v.sign);
}

// fix_double of an operand (not zero) whose digits are n.d and, as an integer, m.
QD_DOUBLE_MATH double operand_double(const Num& n, U128 m) {
  const double x =
      m < k1e16 ? small_double(lo64(m), -n.lo, false) : num_double(Num{n.d, n.p, n.lo, 0});
  return with_sign(x, n.sign);
}
// The same for the divisor, whose significant digits (db of them) are known as limbs.
QD_DOUBLE_MATH double divisor_double(const Num& n, int db, uint64_t low_limbs) {
  const uint64_t low = (low_limbs & 0xffffffffu) + (low_limbs >> 32) * kLimb;
  const double x = db <= 16 ? small_double(low, -n.lo, false) : num_double(Num{n.d, n.p, n.lo, 0});
  return with_sign(x, n.sign);
}

// Whether d is a multiple of 10: even, and a multiple of 5, which it is exactly when the
// sum of its 32-bit words is (2^32 = 1 mod 5), found as a product with the inverse of 5
// modulo 2^64 of at most (2^64 - 1) / 5. Both tests are taken without a branch between
// them: the parity is anybody's guess.
inline bool multiple_of_ten(U128 d) {
  const uint64_t l = lo64(d), h = hi64(d);
  const uint64_t sum = (l & 0xffffffffu) + (l >> 32) + (h & 0xffffffffu) + (h >> 32);
  return static_cast<int>((l & 1) == 0) &
         static_cast<int>(sum * 0xcccccccccccccccdull <= 0x3333333333333333ull);
}

// d / 10 for a multiple of 10, without a division: half of d times the inverse of 5
// modulo 2^128 (the product is exact, as the half is a multiple of 5).
inline U128 exact_tenth(U128 d) {
  constexpr U128 kInverse5 = (U128{0xccccccccccccccccull} << 64) | 0xcccccccccccccccdull;
  return (d >> 1) * kInverse5;
}

// double_fix_digits of x: its 30 significant digits less their trailing zeros, which
// double_fix_digits drops. False where the division step by step would fail or stop
// (a zero, a scale out of range). Estimates beyond the fast form of the digits (first
// digits above 10^29 or far below 1) take the word-by-word form, whose digits and scale
// are double_fix_digits' own.
bool estimate(double x, Bin* out) {
  // A double is m * 2^e with m odd; for e < 0 that is m * 5^-e / 10^-e. Where that
  // expansion, m * 5^-e or m * 2^e, has at most 30 digits, the 30 digits are it followed
  // by zeros, with nothing rounded: the estimate is the expansion itself (m * 5^-e is odd,
  // so it ends in no zero; m * 2^e may, where m is a multiple of 5). Quotients of ten or
  // more integer digits and exact ones come here, with many trailing zeros to drop.
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  const int ef = static_cast<int>((bits >> 52) & 0x7ff);
  if (ef != 0 && ef != 0x7ff) {
    const uint64_t m2 = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    const int tz = std::countr_zero(m2);
    const uint64_t m = m2 >> tz;
    const int e = ef - 1075 + tz;
    if (e >= -42 && e <= 46) {  // beyond, the expansion has more than 30 digits
      U128 c;
      bool fits;
      if (e < 0) {
        const auto [low, high] = pow5_product(m, -e);
        c = low;
        fits = high == 0 && c < kP10.v[kDigits];
      } else {
        c = U128(m) << e;
        fits = c < kP10.v[kDigits];
      }
      if (fits) {
        int lo = e < 0 ? e : 0;
        while (multiple_of_ten(c)) {
          c = exact_tenth(c);
          ++lo;
        }
        *out = {c, digits_of(c), lo, static_cast<int>(bits >> 63)};
        return true;
      }
    }
  }
  U128 d;
  int E, sign;
  if (!double_digits30(x, &d, &E, &sign)) {
    Num n;
    if (!num_from_double(x, &n) || n.d == Vec(0)) return false;
    *out = {from_digits(n.d), n.p, n.lo, n.sign};
    return true;
  }
  // A double's exact digits end early where it is an integer or has few binary places,
  // so runs of trailing zeros are common.
  int z = 0;
  while (multiple_of_ten(d)) {
    d = exact_tenth(d);
    ++z;
  }
  const int scale = kDigits - 1 - E - z;
  if (scale < -kFixScaleMax || scale > kFixScaleMax) return false;
  *out = {d, kDigits - z, -scale, sign};
  return true;
}

// The divisor as both products read it: its base-10^8 limbs (the lowest first; the limb
// product's) or its digits as one integer (the 256-bit product's), the count of its
// significant digits, its bottom exponent and its sign bit.
struct Divisor {
  Limb y[4];
  U128 m;
  int digits, lo, sign;
};
// Divisor::m from the limbs in two words (as bcd16_to_limbs gives them, the lower first).
inline U128 divisor_coefficient(uint64_t low, uint64_t high) {
#if defined(__x86_64__)
  return static_cast<U128>((high & 0xffffffffu) + (high >> 32) * kLimb) * k1e16 +
         ((low & 0xffffffffu) + (low >> 32) * kLimb);
#else
  (void)low;
  (void)high;
  return 0;
#endif
}

#if defined(__x86_64__)
// 10^0 .. 10^60 in 256 bits, as a high and a low half.
struct Pow10Wide {
  U128 hi[61], lo[61];
  constexpr Pow10Wide() : hi(), lo() {
    U128 h = 0, l = 1;
    for (int i = 0; i <= 60; ++i) {
      hi[i] = h;
      lo[i] = l;
      // (h, l) * 10, the low half in two words so that its carry into h is exact.
      const U128 l0 = static_cast<U128>(static_cast<uint64_t>(l)) * 10;
      const U128 l1 = static_cast<U128>(static_cast<uint64_t>(l >> 64)) * 10 + (l0 >> 64);
      l = (l1 << 64) | static_cast<uint64_t>(l0);
      h = h * 10 + (l1 >> 64);
    }
  }
};
constexpr Pow10Wide kP10Wide;
#endif

// q * b by the product's rules: the exact product in base-10^8 limbs; when it has more
// than 30 digits the lowest whole base-100 limbs are dropped, 2N - 30 digits for a
// product of N such limbs, and the kept digits rounded half up on the highest dropped
// digit (the highest dropped base-100 limb is 50 or more exactly when its upper digit
// is 5 or more). The scale stays in range and the kept digits stay within 30, or this
// road stops (false). q and b are not zero; b has at most NB limbs.
#if defined(__x86_64__)
// On x86-64 the product is formed exactly in 256 bits (q is below 2^100, and so is b,
// below 2^64 for NB <= 2), with no split into limbs:
//  - its digit count, the limb form's, is q's and b's together or one less: one
//    comparison with a power of ten tells which;
//  - the cut of k digits is a division by 10^k. Its quotient is below 10^30 < 2^100.
//    Up to 19 digits, at each of its two steps the high word is below the divisor and
//    one division instruction takes the step; 20 to 30 digits take product_cut, a few
//    multiplications where the division instructions would be five in a chain;
//  - the highest dropped digit is 5 or more exactly when the remainder reaches
//    5 * 10^(k - 1).
template <int NB>
__attribute__((always_inline)) inline bool product(const Bin& q, const Divisor& b, Bin* out) {
  const uint64_t ql = lo64(q.m), qh = hi64(q.m), bl = lo64(b.m), bh = NB > 2 ? hi64(b.m) : 0;
  const U128 low = static_cast<U128>(ql) * bl;
  const U128 mid = static_cast<U128>(qh) * bl + static_cast<U128>(ql) * bh;  // below 2^101
  const U128 plo = low + (mid << 64);
  const U128 phi = static_cast<U128>(qh) * bh + (mid >> 64) + (plo < low);
  int nd = q.p + b.digits;
  const U128 th = kP10Wide.hi[nd - 1], tl = kP10Wide.lo[nd - 1];
  nd -= static_cast<int>(phi < th) | (static_cast<int>(phi == th) & static_cast<int>(plo < tl));
  int S = -(q.lo + b.lo);
  const int sign = q.sign != b.sign;
  if (nd <= kDigits) {
    if (S < kMulScaleMin || S > kMulScaleMax) return false;
    *out = {plo, nd, -S, sign};
    return true;
  }
  const int k = 2 * ((nd + 1) / 2) - kDigits;  // digits dropped, 2 .. 30
  S -= k;
  if (S < kMulScaleMin || S > kMulScaleMax) return false;
  const uint64_t w0 = lo64(plo), w1 = hi64(plo), w2 = lo64(phi), w3 = hi64(phi);
  uint64_t q1, q0, r;
  bool up;
  if (k <= 19) {
    const uint64_t d = lo64(kP10.v[k]);
    q1 = div_words(w2, w1, d, &r);  // w3 is 0: the product is below 10^49
    q0 = div_words(r, w0, d, &r);
    up = r >= 5 * lo64(kP10.v[k - 1]);
  } else {
    const U128 cut = product_cut(w0, w1, w2, w3, k, &up);
    q1 = hi64(cut);
    q0 = lo64(cut);
  }
  const U128 m = make128(q1, q0) + static_cast<unsigned>(up);
  if (m == kP10.v[kDigits]) return false;  // a new digit: the product is 1
  // 30 digits, or 29 (an odd count) unless rounded up to 30.
  *out = {m, nd - k + (m >= kP10.v[nd - k]), -S, sign};
  return true;
}
#else
// Elsewhere it is formed in the limbs themselves.
constexpr uint32_t kP10w[9] = {1u,      10u,      100u,      1000u,     10000u,
                               100000u, 1000000u, 10000000u, 100000000u};
template <int NB>
__attribute__((always_inline)) inline bool product(const Bin& q, const Divisor& b, Bin* out) {
  Limb x[4];
  to_limbs(q.m, x);
  uint32_t r[8];
  product_limbs4<true>({x[0], x[1], x[2], x[3]},
                       {b.y[0], NB > 1 ? b.y[1] : 0u, NB > 2 ? b.y[2] : 0u, NB > 3 ? b.y[3] : 0u},
                       r);
  // The product has dq + db digits, or one less; q's top stored digit is not zero (an
  // estimate has none, a sum's top position holds a digit of a non-zero top or a carry,
  // a difference strips them).
  int nd = q.p + b.digits;
  nd -= static_cast<int>(r[(nd - 1) >> 3] < kP10w[(nd - 1) & 7]);
  const int top = (nd - 1) >> 3;
  int S = -(q.lo + b.lo);
  const int sign = q.sign != b.sign;
  if (nd <= kDigits) {
    if (S < kMulScaleMin || S > kMulScaleMax) return false;
    U128 m = 0;
    for (int i = top; i >= 0; --i) m = m * kLimb + r[i];
    *out = {m, nd, -S, sign};
    return true;
  }
  const int k = 2 * ((nd + 1) / 2) - kDigits;  // digits dropped, at least 2
  S -= k;
  if (S < kMulScaleMin || S > kMulScaleMax) return false;
  const int i0 = k / 8, j = k % 8;  // i0 <= 3
  // The four limbs above r[i0] hold every kept digit outside r[i0] (those above the
  // product's top are 0), so the kept value is read in the same few steps whatever its
  // length. Each limb from r[i0] up is moved down j places, taking the j lowest digits of
  // the limb above (r[i0 + 4] is below 10^j: it holds no kept digit of its own once the
  // value has at most 30), so the value is two pairs of limbs below 10^16 and one
  // multiplication by 10^16 (a 32-bit target cuts a limb with one multiplication,
  // limb_cut, and takes four for a product of two words).
  // From the top down, each limb's j lowest digits carried to the one below: one pass
  // (two would be vectorised, and their vector loads of four word stores wait for them).
  const uint32_t unit = kP10w[j], rest = kP10w[8 - j];
  uint32_t s[4];
  uint32_t below = r[i0 + 4];  // the limb above's lowest j digits
  for (int i = 3; i >= 0; --i) {
    const uint32_t x = r[i0 + i];
    const uint32_t q = limb_cut(x, j);
    s[i] = q + below * rest;
    below = x - q * unit;
  }
  const uint32_t low0 = below;  // r[i0]'s dropped digits
  // Half up on the highest dropped digit: in r[i0] below the cut, or at the top of the limb
  // below when the cut falls between limbs (j = 0 only with i0 >= 1). Both are read and
  // one is chosen, rather than branching on where the cut falls. The rounding goes into
  // the lower half (at most 10^16 with it) rather than into the sum: a separate 128-bit
  // addition was stored in words and copied through a vector register, whose load waits.
  const bool up_within = low0 >= unit / 2;
  const bool up_below = r[i0 - (i0 > 0)] >= kLimb / 2;
  const unsigned up =
      static_cast<unsigned>((static_cast<int>(up_within) & static_cast<int>(j != 0)) |
                            (static_cast<int>(up_below) & static_cast<int>(j == 0)));
  const U128 m = static_cast<U128>(uint64_t{s[3]} * kLimb + s[2]) * k1e16 +
                 (uint64_t{s[1]} * kLimb + s[0] + up);
  if (m == kP10.v[kDigits]) return false;  // a new digit: the product is 1
  // 30 digits, or 29 (N limbs of which the top one is below 10) unless rounded up to 30.
  *out = {m, nd - k + (m >= kP10.v[nd - k]), -S, sign};
  return true;
}
#endif

// x placed on the window whose lowest position is cut: shifted up, or cut with the
// digits that fall below the window in *lost.
inline U128 on_window(const Bin& x, int cut, U128* lost) {
  const int d = x.lo - cut;
  if (d >= 0) {
    *lost = 0;
#if !defined(__SIZEOF_INT128__)
    // Where a product already ends at the window, as it mostly does, a 32-bit target skips
    // the multiply by 1 (ten word products there).
    if (d == 0) return x.m;
#endif
    return x.m * kP10.v[d];  // d < 30: within the table, one product whatever its size
  }
  return div_pow10(x.m, -d, lost);
}

// x + y, or x - y when negate_y, by the rules of the addition for two non-zero values:
// the window of at most 30 positions ends at the higher top digit; below it only one
// operand can have digits (each has at most 30 and one of them reaches the top). A sum
// takes a rounding flag from them: the flag runs through them from the lowest and is
// set at the end exactly when they, read as one number, exceed 44...4 of their length.
// A difference is truncated: it borrows one when the smaller operand lost a non-zero
// digit. False for a result beyond the magnitude limit (the addition reports that).
__attribute__((always_inline)) inline bool add_bin(const Bin& x, const Bin& y, bool negate_y,
                                                   Bin* out) {
  const int ha = x.p + x.lo - 1, hb = y.p + y.lo - 1;
  const int hi = ha > hb ? ha : hb;
  const int lo = x.lo < y.lo ? x.lo : y.lo;
  const int cut = lo > hi - (kDigits - 1) ? lo : hi - (kDigits - 1);
  const int sa = x.sign, sb = y.sign ^ static_cast<int>(negate_y);
  U128 lost_x, lost_y;
  const U128 xs = on_window(x, cut, &lost_x), ys = on_window(y, cut, &lost_y);
  int p, scale = -cut, sign;
  U128 r;
  if (sa == sb) {
    const int k = cut - (x.lo < y.lo ? x.lo : y.lo);  // positions dropped
    // More than 30 dropped positions hold at most 30 digits: below 44...4.
    const bool flag = k > 0 && k <= kDigits && (lost_x | lost_y) > kP10.fours[k];
    r = xs + ys + static_cast<unsigned>(flag);
    p = hi - cut + 1;
    if (r >= kP10.v[p]) {  // a carry into the position above
      if (p < kDigits) {
        ++p;
      } else {
        U128 low;
        r = div_pow10(r, 1, &low);
        r += static_cast<unsigned>(low >= 5);
        --scale;
      }
    }
    if (above_limit(p, scale)) return false;
    sign = sa;
  } else {
    // Which side is larger depends on the operands alone: compared without branches.
    const int eq = static_cast<int>(ys == xs);
    const bool b_larger = static_cast<int>(ys > xs) | (eq & static_cast<int>(lost_y != 0));
    const bool a_larger = static_cast<int>(xs > ys) | (eq & static_cast<int>(lost_x != 0));
    const U128 big = b_larger ? ys : xs, little = b_larger ? xs : ys;
    r = big - little - static_cast<unsigned>((b_larger ? lost_x : lost_y) != 0);
    p = digits_of(r);
    if (p && above_limit(p, scale)) return false;
    sign = b_larger ? sb : (a_larger ? sa : 0);
  }
  *out = {r, p, -scale, sign};
  return true;
}

// a - p by add_bin's rules, for a remainder: the dividend less a product of the quotient,
// which nearly cancel. Where the product reaches at least as far down as the dividend
// (d = a.lo - p.lo >= 0), the window of the difference runs from the higher top down to
// cut = max(p.lo, ha - 29): the product's top lies at most 29 places above its bottom, and
// the dividend keeps all its digits (a.lo >= cut). Only the product can lose digits. Then
// add_bin's difference is the exact difference truncated toward zero at cut: with the
// dividend larger on the window it is xs - ys less one for a non-zero lost part of ys,
// with the product larger ys - xs, and both are |a - p| / 10^cut rounded down. Its sign
// is that of the exact difference (add_bin gives the larger side's sign, and a product
// equal on the window but with lost digits counts as the larger), 0 only for equal
// values. So the exact difference is formed at the product's bottom (both sides below
// 10^31 < 2^127, so bit 127 is its sign), its magnitude cut, and no comparison made.
// Other cases (and same signs, a sum) take add_bin.
__attribute__((always_inline)) inline bool remainder_bin(const Bin& a, const Bin& p, Bin* out) {
  const int d = a.lo - p.lo;
  if (d < 0 || d > kDigits || a.sign == (p.sign ^ 1) || a.m >= kP10.v[kDigits + 1 - d])
    return add_bin(a, p, true, out);
  const int ha = a.p + a.lo - 1;
  const int cut = p.lo > ha - (kDigits - 1) ? p.lo : ha - (kDigits - 1);
  const U128 diff = a.m * kP10.v[d] - p.m;
  const U128 neg = U128(0) - (diff >> 127);
  U128 r = (diff ^ neg) - neg;
  if (cut > p.lo) {
    U128 lost;
    r = div_pow10(r, cut - p.lo, &lost);
  }
  const int digits = digits_of(r);
  if (digits && above_limit(digits, -cut)) return false;
  const int sign = diff == 0 ? 0 : (neg != 0 ? p.sign ^ 1 : a.sign);
  *out = {r, digits, cut, sign};
  return true;
}

// ceil(2^64 / 10^j) for j = 1 .. 19 (index 0 unused): 10^-j in units of 2^-64, rounded up.
struct TenthUlps {
  uint64_t v[20];
  constexpr TenthUlps() : v() {
    uint64_t p = 1;
    for (int j = 1; j < 20; ++j) {
      p *= 10;
      v[j] = ~uint64_t{0} / p + 1;  // 10^j never divides 2^64
    }
  }
};
constexpr TenthUlps kTenthUlps;
constexpr uint64_t kFourNinths = 0x71c71c71c71c71c7ull;  // floor(2^64 * 4 / 9)

// A correction estimate T of x (double_fix_digits of x) as the addition to a quotient of
// 30 digits whose lowest position is cut reads it, found from x without forming T: whole
// = |T| / 10^cut rounded down, any = whether T has a non-zero digit below cut, flag =
// whether those digits, read as a fraction of the unit at cut, are 4/9 or more (the
// addition's flag: they exceed 44...4 of their length exactly then). False where this
// form does not decide, with the estimate and the addition left to do.
//
// Why it gives the same: |x| / 10^cut = m * 5^s * 2^(e2 + s) (s = -cut) is formed exactly;
// its integer part I' and fraction F' are those of the exact value. T is x rounded to 30
// significant digits, j of them below cut, so T / 10^cut differs from |x| / 10^cut by at
// most 10^-j / 2. The first digit of T stands at most two places above E0 (one for the
// rounding of log10, one for a rounding up to a new digit), so j >= jm = cut - E0 + 27
// and the difference is below eps = 10^-jm, which is kept in units of 2^-64 rounded up.
// Wherever F' is more than eps from 0, from 1 and from 4/9, T's integer part is I' and
// its fraction lies on the same side of 0 and 4/9 as F'; where F' is 0 (x is a whole
// multiple of 10^cut) T is x. Elsewhere this gives up.
// The estimate's first digit at or below top - 1 keeps it below the quotient's top
// position (the window of the sum stays the quotient's) and |T| below the quotient; E0 >=
// -98 and cut <= 0 keep its scale within -127 .. 127, so the estimate does not fail.
struct Seen {
  U128 whole;
  bool any, flag;
  int sign;
};
inline bool seen_at(double x, int cut, int top, Seen* out) {
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  const int ef = static_cast<int>((bits >> 52) & 0x7ff);
  if (ef == 0 || ef == 0x7ff) return false;  // zero, subnormal, infinite or not a number
  const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int e2 = ef - 1075;
  const int E0 = ((52 + e2) * 78913) >> 18;  // floor(floor(log2 |x|) * log10(2))
  const int s = -cut, sh = e2 + s;
  if (E0 < -98 || E0 + 3 > top || s < 0 || s > kPow5WordsMax || sh < -255) return false;
  // n = m * 5^s, placed 128 bits up in w: |x| / 10^cut = w * 2^(sh - 128), whose integer
  // part (below 10^28, as |x| < 10^(E0 + 2) <= 10^(top - 1 - cut)) starts at bit k.
  const auto [low, high] = pow5_product(m, s);
#if defined(QD_U128_I386)
  // 32-bit x86 reads w in 32-bit words, each half of a result one double shift of two of
  // them (a shift by 0 leaves the lower one), where 64-bit shifts by a variable count
  // take a test and moves for counts of 32 and more.
  const uint32_t w[18] = {0, 0, 0, 0,
                          static_cast<uint32_t>(lo64(low)), static_cast<uint32_t>(lo64(low) >> 32),
                          static_cast<uint32_t>(hi64(low)), static_cast<uint32_t>(hi64(low) >> 32),
                          static_cast<uint32_t>(lo64(high)), static_cast<uint32_t>(lo64(high) >> 32),
                          static_cast<uint32_t>(hi64(high)), static_cast<uint32_t>(hi64(high) >> 32),
                          0, 0, 0, 0, 0, 0};
  auto bits_at = [&w](int b) {  // bits b .. b + 63 of w
    const int i = b >> 5;
    uint32_t lo = w[i], mid = w[i + 1];
    __asm__("shrdl %%cl, %2, %0\n\tshrdl %%cl, %3, %1"
            : "+&r"(lo), "+&r"(mid)
            : "r"(w[i + 1]), "r"(w[i + 2]), "c"(b & 31)
            : "cc");
    return (static_cast<uint64_t>(mid) << 32) | lo;
  };
#else
  const uint64_t w[9] = {0, 0, lo64(low), hi64(low), lo64(high), hi64(high), 0, 0, 0};
  auto bits_at = [&w](int b) {  // bits b .. b + 63 of w
    const int i = b >> 6, o = b & 63;
    return (w[i] >> o) | ((w[i + 1] << 1) << (63 - o));
  };
#endif
  const int k = 128 - sh;
  const uint64_t fh = bits_at(k - 64);  // F' * 2^64, rounded down
  const int jm = cut - E0 + 27;         // at least 1
  const uint64_t eps = jm < 20 ? kTenthUlps.v[jm] : 1;
  const bool whole_only = sh >= 0;  // then fh is 0 and so is F'
  const bool clear = fh >= eps, up = fh - eps > kFourNinths, down = fh + eps < kFourNinths;
  if ((static_cast<int>(whole_only) | (static_cast<int>(clear) & (up | down))) == 0 ||
      fh >= ~uint64_t{0} - eps)
    return false;
  *out = {make128(bits_at(k + 64), bits_at(k)), !whole_only, clear && up,
          static_cast<int>(bits >> 63)};
  return true;
}

// q + double_fix_digits(x) by the addition's rules; out may be q.
// In the usual correction q's top digit is not zero, the estimate T lies below it and has
// digits below the 30th position under it: the window of the sum is then the 30 positions
// from q's top down, and T counts through what seen_at finds. Any other case forms the
// estimate and adds it.
inline bool correct(const Bin& q, double x, Bin* out) {
  const int hi = q.lo + q.p - 1, cut = hi - (kDigits - 1);
  Seen t;
  // A q of fewer than 30 digits keeps its window only when T has a non-zero digit below
  // it (otherwise the window would end at T's or q's lowest digit).
  if (q.p > 0 && q.m >= kP10.v[q.p - 1] && seen_at(x, cut, hi, &t) &&
      (t.any || q.p == kDigits)) {
    // As add_bin: a sum rounds on the flag, a difference is truncated (it borrows one for a
    // non-zero digit below the window); |T| below q keeps q's sign. Which of them it is
    // follows the data, so both are one expression.
    const bool same = t.sign == q.sign;
    const U128 adj = t.whole + static_cast<unsigned>(same ? t.flag : t.any);
    const U128 neg = U128(0) - U128(static_cast<unsigned>(!same));
#if defined(__SIZEOF_INT128__)
    U128 r = q.m * kP10.v[kDigits - q.p] + ((adj ^ neg) - neg);
#else
    // A full q (the usual case after a first correction) skips the multiply by 1.
    U128 r = (q.p == kDigits ? q.m : q.m * kP10.v[kDigits - q.p]) + ((adj ^ neg) - neg);
#endif
    int scale = -cut;
    if (r >= kP10.v[kDigits]) {  // a sum carried into the position above a full window
      U128 low;
      r = div_pow10(r, 1, &low);
      r += static_cast<unsigned>(low >= 5);
      --scale;
    }
    const int p = digits_of(r);  // 30 for a sum
    if (p && above_limit(p, scale)) return false;
    *out = {r, p, -scale, q.sign};
    return true;
  }
  Bin e;
  return estimate(x, &e) && add_bin(q, e, false, out);
}

// The steps after the operands' doubles, for a divisor of at most 8 * NB digits: its zero
// limbs above them are left out of both products, which are written into the chain
// (one dispatch on the divisor's length per division, not one call per product).
template <int NB>
QD_DOUBLE_MATH bool chain(const Bin& A, const Divisor& B, double xa, double xb, uint8_t* c) {
  auto remainder = [&A, &B](const Bin& q, Bin* r) {  // a - q * b
    Bin p;
    return product<NB>(q, B, &p) && remainder_bin(A, p, r);
  };
  // Each correction replaces q in place (correct reads all of q before it writes its
  // result). A copy of the result, which correct has just stored field by field, would be
  // loaded in 16-byte pieces, and such a load waits for the stores it spans.
  Bin q, r;
  if (!estimate(xa / xb, &q) || !remainder(q, &r)) return false;
  if (r.m != 0) {
    if (!correct(q, to_double(r) / xb, &q) || !remainder(q, &r)) return false;
    if (r.m != 0 && !correct(q, to_double(r) / xb, &q)) return false;
  }
  Limb l[4];
  to_limbs(q.m, l);
  fx_head(c, q.sign, q.p, -q.lo);
  stored_store_all(c, bin_to_stored32(static_cast<uint32_t>(l[0]), static_cast<uint32_t>(l[1]),
                                      static_cast<uint32_t>(l[2]), static_cast<uint32_t>(l[3])));
  return true;
}

}  // namespace

// The steps of divide_by_steps, each by the rule above that gives its bytes.
QD_DOUBLE_MATH bool div_binary(const uint8_t* a, const uint8_t* b, uint8_t* c) {
  if (fx_prec(a) > kDigits || fx_prec(b) > kDigits) return false;
  const Num na = num_load(a), nb = num_load(b);
  if (na.d == Vec(0) || nb.d == Vec(0)) return false;
  const Bin A{from_digits(na.d), na.p, na.lo, na.sign};
  // b's limbs serve both products; b is not zero, so its sign is its sign bit.
  const uint64_t lb = bcd16_to_limbs(lo64(nb.d)), hb = bcd16_to_limbs(hi64(nb.d));
  const int db = vec_len(nb.d);
  const Divisor B{{static_cast<Limb>(lb & 0xffffffffu), static_cast<Limb>(lb >> 32),
                   static_cast<Limb>(hb & 0xffffffffu), static_cast<Limb>(hb >> 32)},
                  divisor_coefficient(lb, hb), db, nb.lo, nb.sign};
  const double xa = operand_double(na, A.m), xb = divisor_double(nb, db, lb);
  switch ((db - 1) >> 3) {
    case 0:
      return chain<1>(A, B, xa, xb, c);
    case 1:
      return chain<2>(A, B, xa, xb, c);
    case 2:
      return chain<3>(A, B, xa, xb, c);
    default:
      return chain<4>(A, B, xa, xb, c);
  }
}

}  // namespace qd
