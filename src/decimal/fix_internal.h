// fix_internal.h: what the decimal files share inside the library: layout constants,
// in-place digit access, the 128-bit digit vectors the fast paths work on, and the
// internal conversions other subsystems call (fix_text, double_fix_digits, ...).
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "qdtype32/qdfix.h"
#include "base/byteio.h"
#include "base/limits.h"
#include "base/outcheck.h"
#include "decimal/u128.h"

namespace qd {

// Floating-point steps that must round to double at every operation, as on every other
// target: 32-bit x86 would otherwise keep extended precision in the x87 registers.
#if defined(__i386__) && !defined(__SSE2_MATH__)
#define QD_DOUBLE_MATH __attribute__((target("sse2,fpmath=sse")))
#else
#define QD_DOUBLE_MATH
#endif

// ---- Layout -------------------------------------------------------------------------
constexpr int kFixTextSize = 38;   // fix_string's buffer
constexpr int kFixScaleMin = -128;
constexpr int kFixScaleMax = 127;
constexpr uint8_t kSignBit = 0x80;
constexpr uint8_t kPrecMask = 0x7f;

// The arithmetic's limits: no result digit of a sum or difference stands above 10^128,
// and a product's scale lies within -127 .. 127.
constexpr int kMagnitudeTop = 128;
constexpr int kMulScaleMin = -127;
constexpr int kMulScaleMax = 127;
// Whether p digits at this scale reach above the magnitude limit.
inline bool above_limit(int p, int scale) { return scale < p - (kMagnitudeTop + 1); }

// The header byte's fields. The 32-bit build reads the byte into a full register that
// the compiler cannot see through: left to itself it keeps the byte as a byte, spills it
// with a byte store and reloads it as a word for the next field, and a narrower store
// does not forward to a wider load, so that load waits for the store to leave the core
// (about a quarter of a short addition's time).
inline unsigned fx_header(const uint8_t* v) {
  unsigned h = v[0];
#if defined(__i386__) && defined(__GNUC__)
  __asm__("" : "+r"(h));
#endif
  return h;
}
inline int fx_prec(const uint8_t* v) { return fx_header(v) & kPrecMask; }
inline int fx_scale(const uint8_t* v) { return static_cast<int8_t>(v[1]); }
inline int fx_sign_bit(const uint8_t* v) { return fx_header(v) >> 7; }
inline int fx_sign(const uint8_t* v) { return fx_prec(v) == 0 ? 0 : fx_sign_bit(v); }
inline int fx_size(int p) { return fix_stored_size(p); }
inline void fx_head(uint8_t* v, int sign, int p, int s) {
  v[0] = static_cast<uint8_t>((sign ? kSignBit : 0) | (p & kPrecMask));
  v[1] = static_cast<uint8_t>(s);
}
// Digit i (1-based): odd i in the high half of its byte, even i in the low half.
inline int fx_digit(const uint8_t* v, int i) {
  const uint8_t b = v[2 + (i - 1) / 2];
  return (i & 1) ? (b >> 4) : (b & 15);
}
inline void fx_put_digit(uint8_t* v, int i, int d) {
  uint8_t& b = v[2 + (i - 1) / 2];
  b = (i & 1) ? static_cast<uint8_t>((b & 0x0f) | ((d & 15) << 4))
              : static_cast<uint8_t>((b & 0xf0) | (d & 15));
}
// Digit at exponent e: 0 outside -s .. p - s - 1.
inline int fx_digit_at(const uint8_t* v, int e) {
  const int k = e + fx_scale(v);
  if (k < 0 || k >= fx_prec(v)) return 0;
  return fx_digit(v, k + 1);
}
// Whether bytes are a well-formed fix value: precision at most 30, the value within
// room bytes, every stored digit 0..9. At most room bytes are read; *bytes gets the size
// the value claims (at most room).
bool valid_fix(const void* v, size_t room, size_t* bytes = nullptr);

// At an export's return, in the checking build: the fix result v is checked when the
// status is 0 (QD_FIX_OUT), when it is not null (QD_FIX_PTR) or always (QD_FIX_CHECK),
// provided the export's QD_INPUTS_OK held.
#define QD_FIX_OUT(status, v) \
  ::qd::checked_status(__func__, "fix", ::qd::valid_fix, qd_inputs_ok_, (status), (v), \
                       ::qd::kFixMaxBytes)
#define QD_FIX_PTR(v) \
  ::qd::checked_pointer(__func__, "fix", ::qd::valid_fix, qd_inputs_ok_, (v), ::qd::kFixMaxBytes)
#define QD_FIX_CHECK(v) \
  ::qd::check_output(__func__, "fix", ::qd::valid_fix, qd_inputs_ok_, (v), ::qd::kFixMaxBytes)

// Index of the highest non-zero digit (0 for a zero), read in place.
int fx_significant(const uint8_t* v);
// -1, 0, 1 as |a| compares with |b|.
int fx_magnitude_cmp(const uint8_t* a, const uint8_t* b);

// ---- 128-bit digit vectors ------------------------------------------------------------
// A Vec holds up to 32 decimal digits, nibble k (from the least significant bits) being
// digit k + 1. Decimal addition and comparison work on whole words; the products' cut
// and the texts load their digits once, work here and store once (the sums and
// differences have two-word forms of their own, in fixari.cpp).
using Vec = U128;
constexpr int kVecDigits = 32;

// Mask of the lowest n digits (n from 0 to 32).
inline Vec vec_mask(int n) {
  if (n <= 0) return Vec(0);
  if (n >= kVecDigits) return ~Vec(0);
  return (Vec(1) << (4 * n)) - Vec(1);
}
inline Vec vec_shr(Vec x, int n) { return n >= kVecDigits ? Vec(0) : (x >> (4 * n)); }
// Digit k + 1 (k from 0 to 31), read from the one word that holds it: a shift of one word
// rather than of the whole vector, which a 32-bit target does in four words.
inline int vec_digit(Vec x, int k) {
  const uint64_t w = k < 16 ? lo64(x) : hi64(x);
  return static_cast<int>((w >> ((4 * k) & 63)) & 15);
}
// Number of digits up to the highest non-zero one.
inline int vec_len(Vec x) {
  const uint64_t h = hi64(x), l = lo64(x);
  if (h) return 16 + (64 - std::countl_zero(h) + 3) / 4;
  if (l) return (64 - std::countl_zero(l) + 3) / 4;
  return 0;
}
// Number of trailing zero digits (32 for zero).
inline int vec_trailing_zeros(Vec x) {
  const uint64_t h = hi64(x), l = lo64(x);
  if (l) return std::countr_zero(l) / 4;
  if (h) return 16 + std::countr_zero(h) / 4;
  return kVecDigits;
}

// Decimal a + b + carry_in over 31 digits; the 32nd digit must be free in a and b.
inline Vec vec_add(Vec a, Vec b, unsigned carry_in = 0) {
  const Vec six = make128(0x0666666666666666ull, 0x6666666666666666ull);
  const Vec t1 = a + six;
  const Vec t2 = t1 + b + Vec(carry_in);
  const Vec carries = (t2 ^ t1 ^ b) & make128(0x1111111111111111ull, 0x1111111111111110ull);
  const Vec fix = (~carries & make128(0x1111111111111111ull, 0x1111111111111110ull));
  // Nibbles that produced no carry still hold their +6.
  return t2 - ((fix >> 2) | (fix >> 3));
}

// Reads the n (<= 15) digit bytes at d as a little-endian 128-bit integer without
// touching a byte beyond them: two overlapping loads for 8 bytes and more.
inline void load_bytes(const uint8_t* d, int n, uint64_t* lo, uint64_t* hi) {
  if (n >= 8) {
    *lo = load<uint64_t>(d);
    *hi = n > 8 ? load<uint64_t>(d + n - 8) >> (8 * (16 - n)) : 0;
  } else if (n >= 4) {
    *lo = load<uint32_t>(d) | (static_cast<uint64_t>(load<uint32_t>(d + n - 4)) << (8 * (n - 4)));
    *hi = 0;
  } else {
    uint64_t v = 0;
    if (n >= 2) v = load<uint16_t>(d);
    if (n & 1) v |= static_cast<uint64_t>(d[n - 1]) << (8 * (n - 1));
    *lo = v;
    *hi = 0;
  }
}

// Writes the low n (<= 15) bytes of lo:hi at d, nothing beyond them.
inline void store_bytes(uint8_t* d, int n, uint64_t lo, uint64_t hi) {
  if (n >= 8) {
    if (n > 8) store<uint64_t>(d + n - 8, (lo >> (8 * (n - 8))) | (hi << (8 * (16 - n))));
    store<uint64_t>(d, lo);
  } else if (n >= 4) {
    store<uint32_t>(d + n - 4, static_cast<uint32_t>(lo >> (8 * (n - 4))));
    store<uint32_t>(d, static_cast<uint32_t>(lo));
  } else {
    if (n & 1) d[n - 1] = static_cast<uint8_t>(lo >> (8 * (n - 1)));
    if (n >= 2) store<uint16_t>(d, static_cast<uint16_t>(lo));
  }
}

inline uint64_t swap_nibbles(uint64_t x) {
  const uint64_t m = 0x0f0f0f0f0f0f0f0full;
  return ((x >> 4) & m) | ((x & m) << 4);
}

// The same over 15 digits in one 64-bit word (the 16th digit must be free).
inline uint64_t add64(uint64_t a, uint64_t b) {
  constexpr uint64_t kBounds = 0x1111111111111110ull;
  const uint64_t t1 = a + 0x0666666666666666ull;
  const uint64_t t2 = t1 + b;
  const uint64_t fix = ~(t2 ^ t1 ^ b) & kBounds;
  return t2 - ((fix >> 2) | (fix >> 3));
}
inline uint64_t sub64(uint64_t a, uint64_t b) {  // a >= b
  const uint64_t t = a - b;
  const uint64_t borrows = (t ^ a ^ b) & 0x1111111111111110ull;
  return t - ((borrows >> 2) | (borrows >> 3));
}
inline int len64(uint64_t x) { return x ? (64 - std::countl_zero(x) + 3) / 4 : 0; }

// Loads the p (<= 30) digits of a value into a vector; the free half-byte of an odd
// precision is masked off, so it is never read as a digit. Exactly the value's bytes are
// read (memory checkers see no read past a value, however tightly it is allocated).
__attribute__((always_inline)) inline Vec vec_load(const uint8_t* v, int p) {
  uint64_t lo, hi;
  load_bytes(v + 2, (p + 1) >> 1, &lo, &hi);
  const Vec x = make128(swap_nibbles(hi), swap_nibbles(lo));
  return (p & 1) ? x & ~(Vec(15) << (4 * p)) : x;
}

// Two 64-bit words, the low one first.
struct WordPair {
  uint64_t lo, hi;
};
// Writes 16 digit bytes already in the stored order (lo: bytes 0 to 7) as all 15 digit
// bytes of a 17-byte result buffer; the top byte, above the 30th digit, must be 0.
inline void stored_store_all(uint8_t* v, WordPair d) {
  store<uint64_t>(v + 2, d.lo);
  store<uint64_t>(v + 9, (d.lo >> 56) | (d.hi << 8));
}
// Writes x (no digit above the 30th) as all 15 digit bytes of a 17-byte result buffer;
// the digit bytes above the value's precision become 0.
inline void vec_store_all(uint8_t* v, Vec x) {
  stored_store_all(v, {swap_nibbles(lo64(x)), swap_nibbles(hi64(x))});
}
// Stores the lowest p (<= 30) digits of x as the digit bytes of v; the free half-byte
// of an odd precision becomes 0.
inline void vec_store(uint8_t* v, Vec x, int p) {
  x = x & vec_mask(p);
  store_bytes(v + 2, (p + 1) >> 1, swap_nibbles(lo64(x)), swap_nibbles(hi64(x)));
}

// vec_store for a vector known to have no digit above p.
inline void vec_store_exact(uint8_t* v, Vec x, int p) {
  store_bytes(v + 2, (p + 1) >> 1, swap_nibbles(lo64(x)), swap_nibbles(hi64(x)));
}

// 8 digits (32 bits of nibbles) to their binary value, and back. Each step folds pairs
// of lanes: a lane pair (high h, low l) of width w holds l + h * 2^w and must become
// l + h * 10^k, so h * (2^w - 10^k) is taken off (or, the other way, added).
inline uint32_t bcd8_to_bin(uint32_t x) {
  x -= ((x >> 4) & 0x0f0f0f0fu) * 6u;
  x -= ((x >> 8) & 0x00ff00ffu) * 156u;
  return x - (x >> 16) * 55536u;
}
// 16 digits to two base-10^8 limbs: the low limb in bits 0..31, the high one above. No
// lane crosses the middle, so 32-bit targets fold each half in its own word.
inline uint64_t bcd16_to_limbs(uint64_t x) {
#if defined(__SIZEOF_INT128__)
  x -= ((x >> 4) & 0x0f0f0f0f0f0f0f0full) * 6u;
  x -= ((x >> 8) & 0x00ff00ff00ff00ffull) * 156u;
  return x - ((x >> 16) & 0x0000ffff0000ffffull) * 55536u;
#else
  return bcd8_to_bin(static_cast<uint32_t>(x)) |
         (static_cast<uint64_t>(bcd8_to_bin(static_cast<uint32_t>(x >> 32))) << 32);
#endif
}
inline uint64_t bcd16_to_bin(uint64_t x) {
  x = bcd16_to_limbs(x);
  return (x & 0xffffffffull) + (x >> 32) * 100000000ull;
}
// The columns of a product of base-10^8 limbs (col[0] the lowest; each a sum of at most
// four products of two limbs, so below 4 * 10^16) carried into limbs: r[i] = limb i of
// the product for i < N, and r[N] the carry out of the top column.
//
// A 32-bit target divides a column by one instruction whose result comes a dozen cycles
// later. Passing the carry through those divisions makes them wait for each other; that
// costs the least instructions, which suits products that overlap one another (the
// multiplication's, kOverlap false). A product on a chain of dependent steps (the
// division's, kOverlap true) divides every column on its own instead, so that the
// divisions overlap, and what runs from column to column is the sum s of a column's limb,
// the quotient below and the small carry c below. s is below 5 * 10^8 + 5 < 2^29, and its
// quotient by 10^8 (0 to 5) is one multiplication: with M = ceil(2^57 / 10^8) =
// (2^57 + e) / 10^8 (e < 10^8), s * M / 2^57 exceeds s / 10^8 by s * e / (10^8 * 2^57)
// < 2^55.6 / (10^8 * 2^57) < 10^-8, too little to reach the next whole number.
// A 64-bit target divides by the constant with a multiplication, in a few cycles.
template <bool kOverlap, int N>
[[gnu::always_inline]] inline void carry_columns(const uint64_t (&col)[N], uint32_t* r) {
  constexpr uint32_t kLimb = 100000000u;
#if !defined(__SIZEOF_INT128__)
  if constexpr (kOverlap) {
    constexpr uint64_t kM = ((uint64_t{1} << 57) + kLimb - 1) / kLimb;
    uint32_t below = 0, c = 0;
#pragma GCC unroll 8
    for (int i = 0; i < N; ++i) {
      // A column known to be 0 (a short divisor's) takes no division.
      uint32_t limb = 0, q = 0;
      if (!__builtin_constant_p(col[i]) || col[i] != 0) q = div_step(col[i], kLimb, &limb);
      const uint32_t s = limb + below + c;
      c = static_cast<uint32_t>((s * kM) >> 57);
      r[i] = s - c * kLimb;
      below = q;
    }
    r[N] = below + c;
    return;
  }
#endif
  uint64_t carry = 0;
#pragma GCC unroll 8
  for (int i = 0; i < N; ++i) {
    const uint64_t t = col[i] + carry;
    carry = div_u32(t, kLimb);
    r[i] = static_cast<uint32_t>(t - carry * kLimb);
  }
  r[N] = static_cast<uint32_t>(carry);
}

// The product of two numbers of four base-10^8 limbs (x[0] and y[0] the lowest) as eight
// limbs, its columns carried as carry_columns<kOverlap> carries them.
template <bool kOverlap>
[[gnu::always_inline]] inline void product_limbs4(const uint64_t (&x)[4], const uint64_t (&y)[4],
                                                  uint32_t* r) {
  carry_columns<kOverlap>({x[0] * y[0], x[0] * y[1] + x[1] * y[0],
                           x[0] * y[2] + x[1] * y[1] + x[2] * y[0],
                           x[0] * y[3] + x[1] * y[2] + x[2] * y[1] + x[3] * y[0],
                           x[1] * y[3] + x[2] * y[2] + x[3] * y[1], x[2] * y[3] + x[3] * y[2],
                           x[3] * y[3]},
                          r);
}

// A limb x (below 10^8) divided by 10^j (0 <= j <= 7) with a multiplication where the
// division instruction would take a dozen cycles:
//   x / 10^j = floor(32x * m / 2^(32 + sh)), m = ceil(2^S / 10^j), sh = S - 27,
// with S the least exponent for which 2^S >= 10^(8 + j) (so sh >= 0 and m < 2^32; 32x is
// below 2^32, and the product is the high word of one 32-by-32-bit multiplication).
// With m = (2^S + e) / 10^j (e < 10^j), 32x * m / 2^(32 + sh) = x * m / 2^S exceeds
// x / 10^j by x * e / (10^j * 2^S) < 10^(8 + j) / (10^j * 2^S) <= 10^-j, too little
// to reach the next whole number. The test divides every limb by every power both ways.
struct LimbCuts {
  uint32_t m[8];
  int sh[8];
  constexpr LimbCuts() : m(), sh() {
    uint64_t p = 1;  // 10^j
    for (int j = 0; j < 8; ++j) {
      int S = 0;
      while ((uint64_t{1} << S) < p * 100000000u) ++S;
      m[j] = static_cast<uint32_t>(((uint64_t{1} << S) + p - 1) / p);
      sh[j] = S - 27;
      p *= 10;
    }
  }
};
inline constexpr LimbCuts kLimbCuts;
inline uint32_t limb_cut(uint32_t x, int j) {
  return static_cast<uint32_t>((uint64_t{x << 5} * kLimbCuts.m[j]) >> 32) >> kLimbCuts.sh[j];
}

inline uint32_t bin_to_bcd8(uint32_t v) {  // v < 10^8
  uint64_t x = v + static_cast<uint64_t>(v / 10000u) * (0x100000000ull - 10000u);
  const uint64_t q = ((x * 5243u) >> 19) & 0x0000007f0000007full;  // lane / 100
  x += q * (0x10000u - 100u);
  const uint64_t t = ((x * 103u) >> 10) & 0x000f000f000f000full;  // lane / 10
  x += t * 6u;
  x = (x | (x >> 8)) & 0x0000ffff0000ffffull;
  return static_cast<uint32_t>(x | (x >> 16));
}

// Four limbs below 10^8 to their 32 digits (l0 the lowest), the same as four bin_to_bcd8;
// with SSE2 the four run side by side in the lanes of two registers.
#if defined(__SSE2__)
// The two limbs as eight 16-bit lanes below 100, the lowest pair of digits first.
inline __m128i base100_lanes(uint32_t lo, uint32_t hi) {
  const __m128i v = _mm_set_epi32(0, static_cast<int>(hi), 0, static_cast<int>(lo));
  // Each limb split at 10^4: its 64-bit lane holds (limb mod 10^4) | (limb div 10^4) << 32.
  const __m128i q =
      _mm_srli_epi64(_mm_mul_epu32(v, _mm_set1_epi32(static_cast<int>(0xD1B71759u))), 45);
  __m128i x = _mm_add_epi64(_mm_sub_epi64(v, _mm_mul_epu32(q, _mm_set1_epi32(10000))),
                            _mm_slli_epi64(q, 32));
  // Each 32-bit lane split at 100 into two 16-bit lanes.
  const __m128i h = _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(5243)), 3);
  return _mm_add_epi32(_mm_sub_epi32(x, _mm_mullo_epi16(h, _mm_set1_epi16(100))),
                       _mm_slli_epi32(h, 16));
}
inline __m128i bcd8_lanes(uint32_t lo, uint32_t hi) {
  const __m128i x = base100_lanes(lo, hi);
  // Each lane into tens and ones.
  const __m128i t = _mm_srli_epi16(_mm_mullo_epi16(x, _mm_set1_epi16(103)), 10);
  return _mm_add_epi16(x, _mm_mullo_epi16(t, _mm_set1_epi16(6)));
}
// The two 64-bit halves of a register, the low one first.
inline WordPair register_words(__m128i x) {
#if defined(__x86_64__)
  return {static_cast<uint64_t>(_mm_cvtsi128_si64(x)),
          static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(x, x)))};
#else
  // No move of a 64-bit lane to a register pair: through memory.
  uint64_t w[2];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(w), x);
  return {w[0], w[1]};
#endif
}
inline Vec bin_to_bcd32(uint32_t l0, uint32_t l1, uint32_t l2, uint32_t l3) {
  const WordPair w = register_words(_mm_packus_epi16(bcd8_lanes(l0, l1), bcd8_lanes(l2, l3)));
  return make128(w.hi, w.lo);
}
#else
inline Vec bin_to_bcd32(uint32_t l0, uint32_t l1, uint32_t l2, uint32_t l3) {
  return make128(bin_to_bcd8(l2) | (static_cast<uint64_t>(bin_to_bcd8(l3)) << 32),
                 bin_to_bcd8(l0) | (static_cast<uint64_t>(bin_to_bcd8(l1)) << 32));
}
#endif

// Four limbs below 10^8 (l0 the lowest) as the 16 digit bytes of their 32 digits in the
// order a value stores them (lo: bytes 0 to 7): bin_to_bcd32 with the halves of every
// byte exchanged.
inline WordPair bin_to_stored32(uint32_t l0, uint32_t l1, uint32_t l2, uint32_t l3) {
#if defined(__SSE2__)
  // A lane x below 100 with tens t becomes 16 * (x - 10t) + t: the ones digit in the
  // high half, the tens in the low half.
  auto stored = [](__m128i x) {
    const __m128i t = _mm_srli_epi16(_mm_mullo_epi16(x, _mm_set1_epi16(103)), 10);
    return _mm_sub_epi16(_mm_slli_epi16(x, 4), _mm_mullo_epi16(t, _mm_set1_epi16(159)));
  };
  return register_words(
      _mm_packus_epi16(stored(base100_lanes(l0, l1)), stored(base100_lanes(l2, l3))));
#else
  const Vec v = bin_to_bcd32(l0, l1, l2, l3);
  return {swap_nibbles(lo64(v)), swap_nibbles(hi64(v))};
#endif
}

// What scan_fix reads from a plain number text of at most kPlainDigitsMax digits (leading
// zeros included) and an optional point: the digits as PlainDigits gathered them, `frac`
// of them after the point, the sign bit set for a "-" (a zero keeps it, as it keeps its
// scale). Readers that have walked the digits already build the value here instead of
// handing the text to scan_fix again.
constexpr int kPlainDigitsMax = kFixMaxDigits;
struct PlainDigits {
  uint64_t head = 0;  // the first 16 digits, one per half-byte, the last one lowest
  Vec all{0};         // every digit, once there are more than 16
  int count = 0;
  void add(unsigned d) {
    if (count < 16) {
      head = (head << 4) | d;
    } else {
      if (count == 16) all = Vec(head);
      all = (all << 4) | Vec(d);  // beyond 32 digits it wraps; such texts are not plain
    }
    ++count;
  }
  bool plain() const { return count <= kPlainDigitsMax; }
  Vec value() const { return count <= 16 ? Vec(head) : all; }
};
inline void fix_from_plain(const PlainDigits& digits, int frac, bool negative, uint8_t* dst) {
  int scale = frac;
  if (digits.count <= 16) {  // the usual case, in one machine word
    uint64_t v = digits.head;
    if (v != 0) {
      const int z = std::countr_zero(v) / 4;  // trailing zeros carry no digit
      v >>= 4 * z;
      scale -= z;
    }
    const int p = len64(v);
    fx_head(dst, negative, p, scale);
    store_bytes(dst + 2, (p + 1) >> 1, swap_nibbles(v), 0);
    return;
  }
  Vec v = digits.all;
  if (v != Vec(0)) {
    const int z = vec_trailing_zeros(v);
    v = v >> (4 * z);
    scale -= z;
  }
  const int p = vec_len(v);
  fx_head(dst, negative, p, scale);
  vec_store_exact(dst, v, p);
}

// ---- Values taken apart ----------------------------------------------------------------
// A fix value of at most 30 digits held in registers: the fast paths of the arithmetic
// and the division's chain of steps work on these and write bytes only at the end.
struct Num {
  Vec d;     // the digits, digit 1 in the lowest nibble; nothing above digit p
  int p;     // precision as stored (leading zero digits count)
  int lo;    // bottom exponent, that is -scale
  int sign;  // the sign bit as stored
};
__attribute__((always_inline)) inline Num num_load(const uint8_t* v) {  // p <= 30
  const int p = fx_prec(v);
  return {vec_load(v, p), p, -fx_scale(v), fx_sign_bit(v)};
}
// Writes n into a 17-byte result buffer (all of it).
__attribute__((always_inline)) inline void num_store(const Num& n, uint8_t* v) {
  fx_head(v, n.sign, n.p, -n.lo);
  vec_store_all(v, n.d);
}
// fix_double of n.
double num_double(const Num& n);
// double_fix_digits of x without storing or reporting: false where it fails (then n.d holds
// the digits it had found, if any).
bool num_from_double(double x, Num* n);
// Correctly rounded powers of ten 10^0 .. 10^128 for the scaling of fix_double.
extern const double kPow10[129];
// acc divided by 10^s (multiplied for a negative s), then signed: one rounding a step.
QD_DOUBLE_MATH inline double apply_scale(double acc, int s, bool negative) {
  if (s > 0) acc /= kPow10[s];
  if (s < 0) acc *= kPow10[-s];
  return negative ? -acc : acc;
}
// num_double of a value of at most 16 significant digits, given as the integer v of its
// digits with its scale and sign: below 10^16 the digit-by-digit accumulation is this one
// conversion.
QD_DOUBLE_MATH inline double small_double(uint64_t v, int scale, bool negative) {
  return apply_scale(static_cast<double>(v), scale, negative);
}
// A finite non-zero double as m * 2^e2 with the exponent E of its first decimal digit, or
// false for zeros, infinities and NaNs.
struct DoubleParts {
  uint64_t m;
  int e2, E;
};
inline bool split_double(uint64_t bits, DoubleParts* d) {
  const int ef = static_cast<int>((bits >> 52) & 0x7ff);
  uint64_t m = bits & ((uint64_t{1} << 52) - 1);
  if (ef == 0x7ff || (ef == 0 && m == 0)) return false;
  int e2;
  if (ef == 0) {
    e2 = -1074;
  } else {
    m |= uint64_t{1} << 52;
    e2 = ef - 1075;
  }
  const int k = 63 - std::countl_zero(m) + e2;  // floor(log2 |x|)
  *d = {m, e2, (k * 78913) >> 18};              // floor(k * log10(2)) for |k| < 1200
  return true;
}

// Scales beyond what any trailing zeros could bring back into range fail early.
inline bool exponent_in_reach(int E) { return E < 157 && E >= -128; }

// 5^0 .. 5^81, each in three 64-bit words, the lowest first.
constexpr int kPow5WordsMax = 81;
extern const uint64_t kPow5Words[kPow5WordsMax + 1][3];
// m * 5^t (0 <= t <= kPow5WordsMax) as two halves of 128 bits. Always inlined: as a call,
// its result passed through memory costs a 32-bit target more than the products it skips.
struct Pow5Product {
  U128 low, high;
};
__attribute__((always_inline)) inline Pow5Product pow5_product(uint64_t m, int t) {
  const uint64_t* p5 = kPow5Words[t];
  const U128 a0 = static_cast<U128>(m) * p5[0];
#if defined(__SIZEOF_INT128__)
  const U128 a1 = static_cast<U128>(m) * p5[1] + hi64(a0);
  const U128 high = static_cast<U128>(m) * p5[2] + hi64(a1);
#else
  // 5^t has no second word up to t = 27 and no third up to t = 55: a 32-bit target, where
  // a product of two words is four multiplications, skips the products of zero words.
  const U128 a1 = t > 27 ? static_cast<U128>(m) * p5[1] + hi64(a0) : U128(hi64(a0));
  const U128 high = t > 55 ? static_cast<U128>(m) * p5[2] + hi64(a1) : U128(hi64(a1));
#endif
  return {make128(lo64(a1), lo64(a0)), high};
}

#if defined(__SIZEOF_INT128__)
// The cut of k = 20 .. 30 digits from a product below 10^60 without division
// instructions: P / 10^k rounded down is X / 5^k rounded down, X = P / 2^k rounded down
// (floors of floors), and X < 5^k * 10^30 < 2^(e + 101) for e = floor(log2 5^k). With
// m = floor(2^(128 + e) / 5^k) (2^127 < m < 2^128), X * m / 2^(128 + e) falls short of
// X / 5^k by less than X / 2^(128 + e) < 1, so its floor is the quotient or one less,
// which the remainder X - q * 5^k (below 2 * 5^k) corrects.
struct Pow5Reciprocals {
  U128 d[31], m[31];
  int e[31];
  constexpr Pow5Reciprocals() : d(), m(), e() {
    U128 p = 1;
    for (int k = 1; k <= 30; ++k) {
      p *= 5;
      if (k < 20) continue;
      int b = 0;
      while ((p >> (b + 1)) != 0) ++b;
      // 2^(128 + b) / p bit by bit; the quotient's bits above the 128th are 0.
      U128 r = 1, q = 0;
      for (int i = 0; i < 128 + b; ++i) {
        r <<= 1;
        const bool bit = r >= p;
        if (bit) r -= p;
        q = (q << 1) | static_cast<unsigned>(bit);
      }
      d[k] = p;
      m[k] = q;
      e[k] = b;
    }
  }
};
inline constexpr Pow5Reciprocals kP5r;

// P / 10^k for P = w3:w2:w1:w0 below 10^(k + 30) and 20 <= k <= 30, and whether the
// remainder reaches 5 * 10^(k - 1): the remainder is R * 2^k + (P mod 2^k) with R the
// remainder by 5^k, and it reaches 5^k * 2^(k - 1) exactly when 2R plus bit k - 1 of P
// reaches 5^k.
inline U128 product_cut(uint64_t w0, uint64_t w1, uint64_t w2, uint64_t w3, int k, bool* up) {
  const uint64_t x0 = (w0 >> k) | (w1 << (64 - k)), x1 = (w1 >> k) | (w2 << (64 - k)),
                 x2 = (w2 >> k) | (w3 << (64 - k));  // w3 < 2^k
  const uint64_t m0 = lo64(kP5r.m[k]), m1 = hi64(kP5r.m[k]);
  const U128 p00 = static_cast<U128>(x0) * m0, p01 = static_cast<U128>(x0) * m1,
             p10 = static_cast<U128>(x1) * m0, p11 = static_cast<U128>(x1) * m1,
             p20 = static_cast<U128>(x2) * m0, p21 = static_cast<U128>(x2) * m1;
  // X * m by columns of 64 bits; words 2 .. 4 are the ones the quotient is read from.
  const U128 c1 = static_cast<U128>(hi64(p00)) + lo64(p01) + lo64(p10);
  const U128 c2 = static_cast<U128>(hi64(p01)) + hi64(p10) + lo64(p11) + lo64(p20) + hi64(c1);
  const U128 c3 = static_cast<U128>(hi64(p11)) + hi64(p20) + lo64(p21) + hi64(c2);
  const U128 top = make128(hi64(p21) + hi64(c3), lo64(c3));
  const int e = kP5r.e[k];
  U128 q = e < 64 ? (top << (64 - e)) | (lo64(c2) >> e) : top >> (e - 64);
  const U128 d = kP5r.d[k];
  U128 r = make128(x1, x0) - q * d;  // below 2 * 5^k: exact in 128 bits
  if (r >= d) {
    ++q;
    r -= d;
  }
  *up = 2 * r + ((w0 >> (k - 1)) & 1) >= d;
  return q;
}
#endif

// round(m * 2^e2 * 10^(29 - E)) half to even into *d; false when the fast form does not
// apply (then the word-by-word form is used).
inline bool scaled_digits_fast(uint64_t m, int e2, int E, U128* d) {
  const int t = 29 - E;
  if (t < 0 || t > kPow5WordsMax) return false;
  const auto [low, high] = pow5_product(m, t);
  const int sh = e2 + t;
  if (sh >= 0) {
    if (high != 0 || sh >= 64) return false;
    if (sh && (low >> (128 - sh)) != 0) return false;
    *d = low << sh;
    return true;
  }
  // n >> r, rounded half to even on the bits that fall away: half is bit r - 1, sticky
  // any bit below it. The kept part must fit 128 bits (it does for any result below
  // 10^31).
  const int r = -sh;
  if (r >= 192) return false;
  U128 v, dropped;  // the bits that fall away, moved to the top of a 128-bit word
  bool below = false;  // and whether any falls away below those
  if (r < 128) {
    if ((high >> r) != 0) return false;
    v = (low >> r) | (high << (128 - r));
    dropped = low << (128 - r);
  } else if (r == 128) {
    v = high;
    dropped = low;
  } else {
    v = high >> (r - 128);
    dropped = high << (256 - r);
    below = low != 0;
  }
  // Up exactly when the dropped bits exceed half, or are half with anything below them
  // or an odd v: added as 0 or 1, since which of them holds follows no pattern.
  const uint64_t dh = hi64(dropped), dl = lo64(dropped) | static_cast<uint64_t>(below);
  const uint64_t kHalf = uint64_t{1} << 63;
  const int up = static_cast<int>(dh > kHalf) |
                 (static_cast<int>(dh == kHalf) & static_cast<int>((dl | (lo64(v) & 1)) != 0));
  *d = v + U128(static_cast<unsigned>(up));
  return true;
}

inline const U128 k1e30 = make128(0xc9f2c9cd0ull, 0x4674edea40000000ull);

// Powers of ten 10^-127 .. 10^157 as doubles, near enough to guess on which side of a
// power of ten a value lies; every guess is checked on exact digits.
struct TenPowers {
  static constexpr int kMin = -127, kMax = 157;
  double v[kMax - kMin + 1];
  constexpr TenPowers() : v() {
    double up = 1.0, down = 1.0;
    for (int e = 0; e <= kMax; ++e, up *= 10.0) v[e - kMin] = up;
    for (int e = 0; e >= kMin; --e, down /= 10.0) v[e - kMin] = down;
  }
  double at(int e) const { return v[e - kMin]; }
};
inline constexpr TenPowers kTen;
inline const U128 k1e29 = make128(0x1431e0faeull, 0x6d7217caa0000000ull);

// The 30 digits of |x| = m * 2^e2 as one integer d (10^29 <= d < 10^30) and the exponent
// E of the first digit, given E as floor(log2 |x|) * log10(2) rounded down, which is the
// exponent or one less; false when the fast form does not apply. A value that rounds up
// to 10^30 is 10^29 one place higher.
inline bool digits30_fast(uint64_t m, int e2, double x, int* E, U128* d) {
  const int E0 = *E;
  if (E0 + 1 <= TenPowers::kMax && std::fabs(x) >= kTen.at(E0 + 1)) {
    // Most likely one place higher. If the digits there exceed 10^29, those at E0 exceed
    // 10^30 + 4 (they are the same value ten times larger, rounded), and the steps below
    // would come here too; otherwise they decide.
    if (!scaled_digits_fast(m, e2, E0 + 1, d)) return false;
    if (*d > k1e29) {
      *E = E0 + 1;
      return true;
    }
  }
  if (!scaled_digits_fast(m, e2, *E, d)) return false;
  if (*d > k1e30) {
    ++*E;
    if (!scaled_digits_fast(m, e2, *E, d)) return false;
  }
  if (*d == k1e30) {
    *d = k1e29;
    ++*E;
  }
  return true;
}

// The 30 significant digits double_fix_digits finds for a finite non-zero x as one
// integer d (10^29 <= d < 10^30), with the exponent E of the first digit and the sign
// bit; false where its fast form does not apply or E is beyond every scale.
inline bool double_digits30(double x, U128* d, int* E, int* sign) {
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  DoubleParts parts;
  if (!split_double(bits, &parts) || !exponent_in_reach(parts.E)) return false;
  *E = parts.E;
  *sign = static_cast<int>(bits >> 63);
  return digits30_fast(parts.m, parts.e2, x, E, d);
}

// ---- Internal operations for the other subsystems ------------------------------------

// Prints v; separator null means "." with the exponent letter "N". width is the buffer
// size including the terminating zero. 0, or 19005 when even the exponent form does not
// fit (buffer untouched, nothing recorded).
int fix_text(const uint8_t* v, const char* separator, char* buf, int width);
// A double to a fix value of up to 30 significant digits at the scale it needs; dst must
// hold 17 bytes. 0, or 19005 after a 19012 record when the scale leaves -127..127.
int double_fix_digits(double x, uint8_t* dst);
// Drops the k lowest digits of v, rounding half up on the highest dropped one.
void fix_shift_round(uint8_t* v, int k);
// trace(19005, 0, name, text of a, text of b, "numeric"); returns 19005.
int fix_report_overflow(const char* name, const uint8_t* a, const uint8_t* b);
// trace(19012, 0, "%g" text of x); returns 19012.
int fix_report_double(double x);
// The division step by step through fix values in bytes, reporting as it goes: the road
// for every operand (__fixdiv first tries div_binary).
// *wrote_c (when given) tells, after a return of 0, whether c was written: not when
// every addition failed.
int divide_by_steps(const uint8_t* a, const uint8_t* b, uint8_t* c, bool* wrote_c = nullptr);
// The division's chain on binary coefficients for the usual operands:
// the same quotient to the byte as divide_by_steps, or false, with nothing written or
// reported, for every case it leaves to divide_by_steps.
bool div_binary(const uint8_t* a, const uint8_t* b, uint8_t* c);
// double_fix_digits of x / xb in double arithmetic; a failure adds trace(0, fixdiv).
int fix_estimate(double x, double xb, uint8_t* out);

}  // namespace qd
