// fixari.cpp: the four operations on fix values (fixadd, fixsub, fixmul, fixdiv) and the
// division of a digit string by a small integer (fixdivmod).
//
// Operands of up to 30 digits (all that this library produces) are loaded once into
// 128-bit digit vectors, combined with whole-word decimal arithmetic and stored once;
// the cutting, rounding and scale rules are applied on those vectors and give the same
// digits as the position-by-position rules. Longer operands from outside are served by
// the position-by-position forms, which never write more than 17 bytes.
#include <cstring>

#include "decimal/fix_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "status/report.h"

namespace qd {
namespace {

constexpr int kMaxLimbs = 15;    // base-100 limbs of a 30-digit product
constexpr int kWordDigits = 15;  // digits a 64-bit word holds with room for a carry

inline bool small(const uint8_t* v) { return fx_prec(v) <= kFixMaxDigits; }

// Copy of a whole value, at most the 17 bytes a result buffer holds.
inline void copy_value(const uint8_t* src, uint8_t* dst) {
  int n = fx_size(fx_prec(src));
  if (n > kFixMaxBytes) n = kFixMaxBytes;
  std::memmove(dst, src, static_cast<size_t>(n));
}

struct Span {
  int hi, lo;
};
inline Span span_of(const uint8_t* x, const uint8_t* y) {
  const int hx = fx_prec(x) - fx_scale(x) - 1, hy = fx_prec(y) - fx_scale(y) - 1;
  const int lx = -fx_scale(x), ly = -fx_scale(y);
  return {hx > hy ? hx : hy, lx < ly ? lx : ly};
}

// ---- Position-by-position forms (operands longer than 30 digits) ------------------------

int mag_sum_slow(const uint8_t* x, const uint8_t* y, uint8_t* c) {
  Span sp = span_of(x, y);
  int flag = 0;
  for (; sp.lo < sp.hi - (kFixMaxDigits - 1); ++sp.lo)
    flag = fx_digit_at(x, sp.lo) + fx_digit_at(y, sp.lo) + flag >= 5;
  int p = sp.hi - sp.lo + 1, scale = -sp.lo;
  uint8_t d[kFixMaxDigits + 1];
  int carry = flag;
  for (int e = sp.lo; e <= sp.hi; ++e) {
    const int t = fx_digit_at(x, e) + fx_digit_at(y, e) + carry;
    d[e - sp.lo] = static_cast<uint8_t>(t % 10);
    carry = t / 10;
  }
  if (carry) {
    if (p < kFixMaxDigits) {
      d[p++] = 1;
    } else {
      int up = d[0] >= 5;
      for (int i = 1; i < p; ++i) {
        int v = d[i] + up;
        up = v == 10;
        d[i - 1] = static_cast<uint8_t>(up ? 0 : v);
      }
      d[p - 1] = static_cast<uint8_t>(1 + up);
      --scale;
    }
  }
  if (above_limit(p, scale)) return fix_report_overflow("+/-", x, y);
  fx_head(c, 0, p, scale);
  for (int i = 0; i < p; ++i) fx_put_digit(c, i + 1, d[i]);
  return 0;
}

int mag_diff_slow(const uint8_t* x, const uint8_t* y, int neg, uint8_t* c);

// |x| - |y| for operands of any precision, larger magnitude first.
int mag_diff_slow_ordered(const uint8_t* x, const uint8_t* y, uint8_t* c) {
  if (fx_magnitude_cmp(x, y) < 0) return mag_diff_slow(y, x, 1, c);
  return mag_diff_slow(x, y, 0, c);
}

int mag_diff_slow(const uint8_t* x, const uint8_t* y, int neg, uint8_t* c) {
  Span sp = span_of(x, y);
  int borrow = 0;
  for (; sp.lo < sp.hi - (kFixMaxDigits - 1); ++sp.lo)
    borrow = fx_digit_at(x, sp.lo) - fx_digit_at(y, sp.lo) + borrow < 0 ? -1 : 0;
  const int scale = -sp.lo;
  uint8_t d[kFixMaxDigits];
  int top = 0;
  for (int e = sp.lo; e <= sp.hi; ++e) {
    int t = fx_digit_at(x, e) - fx_digit_at(y, e) + borrow;
    borrow = t < 0 ? -1 : 0;
    if (t < 0) t += 10;
    d[e - sp.lo] = static_cast<uint8_t>(t);
    if (t) top = e - sp.lo + 1;
  }
  if (top && above_limit(top, scale)) return fix_report_overflow("+/-", x, y);
  fx_head(c, neg, top, scale);
  for (int i = 0; i < top; ++i) fx_put_digit(c, i + 1, d[i]);
  return 0;
}

// add_core for operands longer than 30 digits, position by position.
__attribute__((noinline)) int add_long(const uint8_t* a, const uint8_t* b, uint8_t* c,
                                       bool negate_b) {
  uint8_t nb[2 + 64];
  if (negate_b && fx_significant(b)) {
    std::memcpy(nb, b, static_cast<size_t>(fx_size(fx_prec(b))));
    nb[0] ^= kSignBit;
    b = nb;
  }
  const int sa = fx_sign(a), sb = fx_sign(b);
  int rc;
  if (sa == sb) {
    rc = fx_significant(a) == 0   ? (copy_value(b, c), 0)
         : fx_significant(b) == 0 ? (copy_value(a, c), 0)
                                  : mag_sum_slow(a, b, c);
    if (!rc && sa) c[0] |= kSignBit;
  } else {
    rc = sa ? mag_diff_slow_ordered(b, a, c) : mag_diff_slow_ordered(a, b, c);
  }
  return rc;
}

// ---- Two-word decimal arithmetic ----------------------------------------------------------
// Up to 32 digits in two 64-bit words, digit 1 in the lowest half-byte of lo, digit 17 in
// the lowest half-byte of hi. Plain words rather than one 128-bit integer: the compiler
// keeps every step of the addition in registers.
struct Dig2 {
  uint64_t lo, hi;
};

constexpr uint64_t kNibbleOnes = 0x1111111111111111ull;
constexpr uint64_t kSixes = 0x6666666666666666ull;
constexpr uint64_t kFours = 0x4444444444444444ull;

#if defined(__SIZEOF_INT128__)
inline unsigned __int128 dig_wide(Dig2 x) { return (static_cast<unsigned __int128>(x.hi) << 64) | x.lo; }
inline Dig2 dig_narrow(unsigned __int128 x) {
  return {static_cast<uint64_t>(x), static_cast<uint64_t>(x >> 64)};
}
// x shifted up by n digits (0 <= n < 32); what passes the 32nd digit is lost.
inline Dig2 dig_shl(Dig2 x, int n) { return dig_narrow(dig_wide(x) << (4 * n)); }
// x shifted down by n digits (0 <= n < 32).
inline Dig2 dig_shr(Dig2 x, int n) { return dig_narrow(dig_wide(x) >> (4 * n)); }
// The lowest n digits (0 <= n < 32) as a mask.
inline Dig2 dig_mask(int n) {
  return dig_narrow((static_cast<unsigned __int128>(1) << (4 * n)) - 1);
}
#else
inline Dig2 dig_shl(Dig2 x, int n) {
  const unsigned b = 4u * static_cast<unsigned>(n);
  if (b >= 64) return {0, x.lo << (b - 64)};
  return {x.lo << b, (x.hi << b) | ((x.lo >> 1) >> (63 - b))};
}
inline Dig2 dig_shr(Dig2 x, int n) {
  const unsigned b = 4u * static_cast<unsigned>(n);
  if (b >= 64) return {x.hi >> (b - 64), 0};
  return {(x.lo >> b) | ((x.hi << 1) << (63 - b)), x.hi >> b};
}
inline Dig2 dig_mask(int n) {
  const unsigned b = 4u * static_cast<unsigned>(n);
  if (b >= 64) return {~uint64_t{0}, (uint64_t{1} << (b - 64)) - 1};
  return {(uint64_t{1} << b) - 1, 0};
}
#endif
inline bool dig_less(Dig2 x, Dig2 y) { return x.hi != y.hi ? x.hi < y.hi : x.lo < y.lo; }

// Decimal x + y + cin (cin 0 or 1); the 32nd digit must stay free in the sum. Each
// digit of x is biased by 6, so that a digit sum of 10 or more carries in binary; the
// bias is taken back where no carry left the digit.
inline Dig2 dig_add(Dig2 x, Dig2 y, unsigned cin) {
  const uint64_t a0 = x.lo + kSixes, a1 = x.hi + kSixes, b0 = y.lo + cin;
  uint64_t s0;
  const bool c0 = __builtin_add_overflow(a0, b0, &s0);
  const uint64_t s1 = a1 + y.hi + c0;
  // Bit 4k + 4 of s ^ a ^ b: a carry left digit k; the top digit of lo carries into hi.
  const uint64_t kept0 = ~(((s0 ^ a0 ^ b0) >> 4) | (static_cast<uint64_t>(c0) << 60)) & kNibbleOnes;
  const uint64_t kept1 = ~((s1 ^ a1 ^ y.hi) >> 4) & kNibbleOnes;
  return {s0 - kept0 * 6, s1 - kept1 * 6};
}
// Decimal x - y - bin for x >= y + bin: a digit that borrowed holds 16 too many, that is
// 6 too many once its 10 is counted.
inline Dig2 dig_sub(Dig2 x, Dig2 y, unsigned bin) {
  const uint64_t b0 = y.lo + bin;
  uint64_t d0;
  const bool w0 = __builtin_sub_overflow(x.lo, b0, &d0);
  const uint64_t d1 = x.hi - y.hi - w0;
  const uint64_t bw0 = (((d0 ^ x.lo ^ b0) >> 4) | (static_cast<uint64_t>(w0) << 60)) & kNibbleOnes;
  const uint64_t bw1 = ((d1 ^ x.hi ^ y.hi) >> 4) & kNibbleOnes;
  return {d0 - bw0 * 6, d1 - bw1 * 6};
}
inline int dig_len(Dig2 x) { return x.hi ? 16 + len64(x.hi) : len64(x.lo); }

// swap_nibbles with its one mask kept in a register: left to itself the compiler derives a
// second mask for the other half and loads both again at every use.
__attribute__((always_inline)) inline uint64_t nibble_swap(uint64_t x) {
  uint64_t m = 0x0f0f0f0f0f0f0f0full;
  __asm__("" : "+r"(m));
  return ((x >> 4) & m) | ((x & m) << 4);
}

// The free half-byte of an odd precision p (the low half of the last digit byte) as it
// stands when that byte is the top byte of a word.
inline uint64_t odd_half(int p) { return (0 - static_cast<uint64_t>(p & 1)) & 0x0f00000000000000ull; }

// The n (<= 8) digit bytes of a value with the free half-byte of odd precision p cleared,
// as one little-endian word. Exactly the value's bytes are read, its two header bytes
// among them: every load ends at or before the value's last byte.
__attribute__((always_inline)) inline uint64_t low_bytes(const uint8_t* v, int n, uint64_t odd) {
  if (n >= 6) return (load<uint64_t>(v + n - 6) & ~odd) >> (8 * (8 - n));
  // The four bytes that end the value, and digit byte 0 (never the last one here).
  if (n >= 2)
    return v[2] | (((static_cast<uint64_t>(load<uint32_t>(v + n - 2)) << 32) & ~odd) >> (8 * (8 - n)));
  return n ? v[2] & ~(odd >> 56) : 0;
}

// The p (<= 30) digits of a value; the free half-byte of an odd precision reads as 0.
__attribute__((always_inline)) inline Dig2 dig_load(const uint8_t* v, int p) {
  const int n = (p + 1) >> 1;  // digit bytes
  const uint64_t odd = odd_half(p);
  if (n <= 8) return {nibble_swap(low_bytes(v, n, odd)), 0};
  // The eight bytes that end the value hold digit bytes n - 8 .. n - 1.
  const uint64_t tail = load<uint64_t>(v + n - 6) & ~odd;
  return {nibble_swap(load<uint64_t>(v + 2)), nibble_swap(tail >> (8 * (16 - n)))};
}

// The p (<= 16) digits of a value as one word, as dig_load reads them.
__attribute__((always_inline)) inline uint64_t word_load(const uint8_t* v, int p) {
  return nibble_swap(low_bytes(v, (p + 1) >> 1, odd_half(p)));
}

// The sum (same signs) or difference of two operands of at most 30 digits, as the
// addition gives it: xl and xh are the digits of L and H, a and b ordered by their bottom
// exponents ll <= lh (L reaches lower), top the highest position of either + 1, sl and sh
// the signs as they count (b's flipped when it is subtracted). The result covers at most
// the 30 positions below the higher top digit, and only L can have digits below them (H
// reaches the top, or both lie within 30 positions). Those lost digits decide the sum's
// rounding flag (greater than 44...4, which is how the flag runs through them) or the
// difference's borrow (when L is the smaller magnitude and lost anything).
// kAnyShape: operands as add_general meets them, a zero among them (only in a
// difference: a zero term of a sum leaves the other's bytes), L reaching 32 or more
// positions below the result, and results beyond the magnitude limit, which return false
// with c as it was. Without it, add_wide has ruled all of those out.
template <bool kAnyShape>
__attribute__((always_inline)) inline bool add_digits(Dig2 xl, Dig2 xh, int ll, int lh, int top,
                                                      int sl, int sh, uint8_t* c) {
  const int over = top - kFixMaxDigits - ll;  // positions of L below the result
  const int k = over > 0 ? over : 0;
  int cut = ll + k;  // bottom exponent of the result
  const Dig2 wh = dig_shl(xh, lh - cut);
  Dig2 wl = xl, lost = {0, 0}, fours = {0, 0};
  if (kAnyShape && k >= kVecDigits) {
    // All of L lies below the result: at most 30 digits against 44...4 of k >= 32.
    wl = {0, 0};
    lost = xl;
    fours = {kFours, kFours};
  } else if (k) {
    const Dig2 m = dig_mask(k);
    wl = dig_shr(xl, k);
    lost = {xl.lo & m.lo, xl.hi & m.hi};
    fours = {kFours & m.lo, kFours & m.hi};
  }
  Dig2 r;
  int p, sign;
  if (sl == sh) {
    r = dig_add(wl, wh, dig_less(fours, lost));
    p = top - cut;
    if ((p < 16 ? r.lo : r.hi) >> ((4 * p) & 63)) {  // a carry into the position above
      if (p < kFixMaxDigits) {
        ++p;
      } else {  // 31 digits: the lowest goes, rounded half up
        r = dig_add(dig_shr(r, 1), {0, 0}, (r.lo & 15) >= 5);
        ++cut;
      }
    }
    sign = sl;
  } else {
    const bool h_big = dig_less(wl, wh);
    const bool some_lost = (lost.lo | lost.hi) != 0;
    const Dig2 big = h_big ? wh : wl, little = h_big ? wl : wh;
    r = dig_sub(big, little, h_big && some_lost);
    p = dig_len(r);
    // L is the larger magnitude when its kept digits are, or equal ones and it lost some.
    sign = h_big ? sh : (p || some_lost ? sl : 0);
  }
  if (kAnyShape && p && above_limit(p, -cut)) return false;
  fx_head(c, sign, p, -cut);
  const uint64_t lo = nibble_swap(r.lo), hb = nibble_swap(r.hi);
  store<uint64_t>(c + 2, lo);
  store<uint64_t>(c + 9, (lo >> 56) | (hb << 8));
  return true;
}

// add_core for every shape its straight roads leave: operands longer than 30 digits, a
// zero term, L reaching far below the result, and results beyond the magnitude limit
// (reported here, with b shown as it was added).
__attribute__((noinline)) int add_general(const uint8_t* a, const uint8_t* b, uint8_t* c,
                                          bool negate_b) {
  if (!small(a) || !small(b)) return add_long(a, b, c, negate_b);
  const int pa = fx_prec(a), pb = fx_prec(b);
  const Dig2 da = dig_load(a, pa), db = dig_load(b, pb);
  const bool a_zero = (da.lo | da.hi) == 0, b_zero = (db.lo | db.hi) == 0;
  // The sign of a zero with digits is its sign bit, which decides between sum and
  // difference below.
  const int sa = pa ? fx_sign_bit(a) : 0;
  int sb = pb ? fx_sign_bit(b) : 0;
  const uint8_t* shown = b;
  uint8_t flipped[kFixMaxBytes];
  if (negate_b && !b_zero) {
    std::memcpy(flipped, b, static_cast<size_t>(fx_size(pb)));
    flipped[0] ^= kSignBit;
    shown = flipped;
    sb ^= 1;
  }
  // A zero term of a sum leaves the other term's bytes as they are (a zero's scale does
  // not widen the sum); in a difference it widens the result to both scales.
  if (sa == sb && (a_zero || b_zero)) {
    copy_value(a_zero ? shown : a, c);
    if (sa) c[0] |= kSignBit;
    return 0;
  }
  const int la = -fx_scale(a), lb = -fx_scale(b);
  const int top = pa + la > pb + lb ? pa + la : pb + lb;
  const bool ok = lb < la ? add_digits<true>(db, da, lb, la, top, sb, sa, c)
                          : add_digits<true>(da, db, la, lb, top, sa, sb, c);
  if (ok) return 0;
  // A difference shows the larger magnitude first (the two are never equal here).
  if (sa != sb && fx_magnitude_cmp(a, b) < 0) return fix_report_overflow("+/-", shown, a);
  return fix_report_overflow("+/-", a, shown);
}

// add_core for the operands that one word does not hold: up to 30 digits each, neither
// of them zero, L not reaching 32 positions below the result, and a result below the
// magnitude limit; add_general takes every other shape, and reports. L and H are a and
// b ordered by their bottom exponents (b_low: L is b).
__attribute__((always_inline)) inline int add_wide(const uint8_t* L, const uint8_t* H, uint8_t* c,
                                       bool negate_b, bool b_low) {
  const uint8_t* const a = b_low ? H : L;
  const uint8_t* const b = b_low ? L : H;
  const int pl = fx_prec(L), ph = fx_prec(H);
  const int ll = -fx_scale(L), lh = -fx_scale(H);
  const int top = pl + ll > ph + lh ? pl + ll : ph + lh;  // highest position + 1
  const int over = top - kFixMaxDigits - ll;  // positions of L below the result
  if (pl > kFixMaxDigits || ph > kFixMaxDigits || top > kMagnitudeTop || over >= kVecDigits)
    return add_general(a, b, c, negate_b);
  const Dig2 xl = dig_load(L, pl), xh = dig_load(H, ph);
  if ((xl.lo | xl.hi) == 0 || (xh.lo | xh.hi) == 0) return add_general(a, b, c, negate_b);
  // The signs as they count: b's flipped when it is subtracted.
  const int sl = fx_sign_bit(L) ^ static_cast<int>(negate_b && b_low);
  const int sh = fx_sign_bit(H) ^ static_cast<int>(negate_b && !b_low);
  add_digits<false>(xl, xh, ll, lh, top, sl, sh, c);
  return 0;
}

// c = a + b, or a - b when negate_b: b counts with its sign flipped unless it is zero, as
// if fixsub had flipped it; b itself is never written. 0 or 19005 (reported).
//
// Two non-zero operands whose positions all lie within 15 (the usual case for columns
// of up to 15 digits) are added in one 64-bit word, with room for the carry; add_wide
// takes the longer ones.
__attribute__((always_inline)) inline int add_core(const uint8_t* a, const uint8_t* b, uint8_t* c,
                                                   bool negate_b) {
  // The operand with the greater scale reaches lower: L, the other H.
  const bool b_low = static_cast<int8_t>(b[1]) > static_cast<int8_t>(a[1]);
  const uint8_t* const L = b_low ? b : a;
  const uint8_t* const H = b_low ? a : b;
  const int pl = fx_prec(L), ph = fx_prec(H);
  const int ll = -fx_scale(L), lh = -fx_scale(H);
  const int top = pl + ll > ph + lh ? pl + ll : ph + lh;  // highest position + 1
  // Within 15 positions (which bounds both precisions by 15 as well).
  if (top - ll > kWordDigits || top > kMagnitudeTop) return add_wide(L, H, c, negate_b, b_low);
  const uint64_t x = word_load(L, pl), y = word_load(H, ph);
  if (x == 0 || y == 0) return add_general(a, b, c, negate_b);
  const uint64_t ys = y << (4 * (lh - ll));
  const int sl = fx_sign_bit(L) ^ static_cast<int>(negate_b && b_low);
  const int sh = fx_sign_bit(H) ^ static_cast<int>(negate_b && !b_low);
  uint64_t r;
  int p, sign;
  if (sl == sh) {
    r = add64(x, ys);
    p = top - ll;
    p += (r >> (4 * p)) != 0;  // a carry into the position above
    sign = sl;
  } else {
    const bool h_big = x < ys;
    r = h_big ? sub64(ys, x) : sub64(x, ys);
    p = len64(r);
    sign = p == 0 ? 0 : (h_big ? sh : sl);
  }
  fx_head(c, sign, p, -ll);
  store<uint64_t>(c + 2, nibble_swap(r));
  return 0;
}

// ---- Multiplication ----------------------------------------------------------------------

// Number of base-100 limbs (digit bytes) up to the highest non-zero one.
inline int limb_count(int digits) { return (digits + 1) / 2; }

// The product of the limb-cutting rules: low and high hold the exact product as digit
// vectors (low: digits 1..32, high: 33..64), nd its digit count, S the scale sum. False
// when the scale leaves the range (the caller reports).
inline __attribute__((always_inline)) bool finish_product(int sign, Vec low, Vec high, int nd,
                                                          int S, Num* out) {
  if (nd <= kFixMaxDigits && S >= kMulScaleMin && S <= kMulScaleMax) {
    // Nothing to drop: the product's digits as they are (no leading zero digit).
    *out = {low, nd, -S, sign};
    return true;
  }
  int N = limb_count(nd);
  int drop = 0;
  if (N > kMaxLimbs) {
    drop = N - kMaxLimbs;
    N = kMaxLimbs;
    S -= 2 * drop;
  }
  if (S > kMulScaleMax) {
    int extra = (S - (kMulScaleMax - 1)) / 2;
    if (extra > N) extra = N;
    drop += extra;
    N -= extra;
    S -= 2 * extra;
  }
  unsigned flag = 0;
  if (drop > 0) {
    const int hd = 2 * drop - 1;  // high digit of the highest dropped limb
    flag = (hd < kVecDigits ? vec_digit(low, hd) : vec_digit(high, hd - kVecDigits)) >= 5;
  }
  if (S < kMulScaleMin) return false;
  if (S > kMulScaleMax) S = kMulScaleMax;
  const int bits = 8 * drop;
  Vec kept;
  if (bits == 0) {
    kept = low;
  } else if (bits >= 128) {
    kept = high >> (bits - 128);
  } else {
    kept = (low >> bits) | (high << (128 - bits));
  }
  kept = kept & vec_mask(2 * N);
  if (flag) {
    kept = vec_add(kept, Vec(0), 1);
    if (vec_len(kept) > 2 * N) {
      const int scale = S - 2 * N;
      if (scale < kMulScaleMin) return false;
      *out = {Vec(1), 1, -scale, sign};
      return true;
    }
  }
  int p = 0;
  if (N > 0) p = vec_digit(kept, 2 * N - 1) ? 2 * N : 2 * N - 1;
  *out = {kept & vec_mask(p), p, -S, sign};
  return true;
}

// finish_product into bytes; the failure is reported with the operands.
inline int store_product(const uint8_t* a, const uint8_t* b, int sign, Vec low, Vec high, int nd,
                         int S, uint8_t* c) {
  Num r;
  if (!finish_product(sign, low, high, nd, S, &r)) return fix_report_overflow("*", a, b);
  num_store(r, c);
  return 0;
}

// Product for operands of any precision, limb by limb as the digit bytes hold them. Kept
// apart (it is rare), so that its arrays do not enlarge the frame of the usual roads.
__attribute__((noinline)) int mul_slow(const uint8_t* a, const uint8_t* b, int sign, int S,
                                       uint8_t* c) {
  uint32_t la[64] = {}, lb[64] = {};
  auto limbs = [](const uint8_t* v, uint32_t* out) {
    const int p = fx_prec(v);
    int n = 0;
    for (int j = 0; j < (p + 1) / 2; ++j) {
      const int d1 = fx_digit(v, 2 * j + 1), d2 = 2 * j + 2 <= p ? fx_digit(v, 2 * j + 2) : 0;
      out[j] = static_cast<uint32_t>(d2 * 10 + d1);
      if (out[j]) n = j + 1;
    }
    return n;
  };
  const int na = limbs(a, la), nb = limbs(b, lb);
  uint32_t prod[130] = {};
  for (int i = 0; i < na; ++i)
    for (int j = 0; j < nb; ++j) prod[i + j] += la[i] * lb[j];
  uint32_t carry = 0;
  for (int k = 0; k < na + nb + 1; ++k) {
    const uint32_t t = prod[k] + carry;
    prod[k] = t % 100;
    carry = t / 100;
  }
  int N = na + nb + 1;
  while (N > 0 && prod[N - 1] == 0) --N;
  // Only the top 16 limbs can be kept or decide the rounding: move them into vectors.
  const int base = N > 16 ? N - 16 : 0;
  Vec low(0), high(0);
  for (int k = N - 1; k >= base; --k) {
    const Vec pair = Vec((prod[k] % 10) | ((prod[k] / 10) << 4));
    const int at = 2 * (k - base);
    if (at < kVecDigits)
      low = low | (pair << (4 * at));
    else
      high = high | (pair << (4 * (at - kVecDigits)));
  }
  const int nd = prod[N - 1] >= 10 ? 2 * (N - base) : 2 * (N - base) - 1;
  return store_product(a, b, sign, low, high, nd, S - 2 * base, c);
}

// An operand of at most 30 digits as base-10^8 limbs: lo holds digits 1..16 (limb of
// digits 1..8 in bits 0..31), hi digits 17..32; wide when hi is not zero.
struct Limbs {
  uint64_t lo, hi;
};

// The digit bytes of a value (p <= 30) as limbs, read as they are stored: byte j holds
// digit 2j + 1 in its high half and digit 2j + 2 in its low half, so it is the base-100
// limb (low half) * 10 + (high half). The free half-byte of an odd precision is cleared
// first. The limbs of the digits vec_load(v, p) gives, without reordering the half-bytes.
__attribute__((always_inline)) inline Limbs limbs_load(const uint8_t* v, int p) {
  const int n = (p + 1) >> 1;
  uint64_t lo, hi;
  load_bytes(v + 2, n, &lo, &hi);
  // An odd p leaves the low half of byte n - 1 without a digit.
  const uint64_t odd = static_cast<uint64_t>(p & 1) * 15u;
  auto to_limbs = [](uint64_t x) {
    constexpr uint64_t m = 0x0f0f0f0f0f0f0f0full;
    x = (x & m) * 10u + ((x >> 4) & m);
    x -= ((x >> 8) & 0x00ff00ff00ff00ffull) * 156u;
    return x - ((x >> 16) & 0x0000ffff0000ffffull) * 55536u;
  };
  if (n > 8) return {to_limbs(lo), to_limbs(hi & ~(odd << (8 * (n - 9))))};
  return {to_limbs(lo & ~(odd << (8 * (n - 1) & 63))), 0};
}

// The exact product x * y in base 10^8, r[0] the lowest limb: r[0..3] when both operands'
// digits lie within the low 16 (false), else r[0..7] (true).
__attribute__((always_inline)) inline bool product_columns(Limbs a, Limbs b, uint32_t* r) {
  const uint64_t x0 = a.lo & 0xffffffffu, x1 = a.lo >> 32, y0 = b.lo & 0xffffffffu, y1 = b.lo >> 32;
  if ((a.hi | b.hi) == 0) {
    // At most 32 digits.
    carry_columns<false>({x0 * y0, x0 * y1 + x1 * y0, x1 * y1}, r);
    return false;
  }
  product_limbs4<false>({x0, x1, a.hi & 0xffffffffu, a.hi >> 32},
                        {y0, y1, b.hi & 0xffffffffu, b.hi >> 32}, r);
  return true;
}

// x * y on limbs, with sign and scale sum S; false when the product's scale leaves the
// range (the caller reports). Neither operand is zero.
__attribute__((always_inline)) inline bool product_limbs(Limbs a, Limbs b, int sign, int S,
                                                         Num* out) {
  uint32_t r[8];
  Vec low, high(0);
  int nd;
  if (!product_columns(a, b, r)) {
    low = bin_to_bcd32(r[0], r[1], r[2], r[3]);
    nd = vec_len(low);
  } else {
    // Both halves of the product through the four-limb conversion: two of them cost
    // less than converting the limbs one at a time, even where the lowest limbs are
    // below the digits that are kept or decide the rounding.
    low = bin_to_bcd32(r[0], r[1], r[2], r[3]);
    if (r[4] | r[5] | r[6] | r[7]) {
      high = bin_to_bcd32(r[4], r[5], r[6], r[7]);
      nd = kVecDigits + vec_len(high);
    } else {
      nd = vec_len(low);
    }
  }
  return finish_product(sign, low, high, nd, S, out);
}

// Number of digits up to the highest non-zero one of stored digit bytes (byte j: digit
// 2j + 1 in the high half, 2j + 2 in the low half).
inline int stored_len(uint64_t x) {
  if (x == 0) return 0;
  const int j = (63 - std::countl_zero(x)) >> 3;  // highest non-zero byte
  return 2 * j + 1 + (((x >> (8 * j)) & 15) != 0);
}

// mul_core for every operand the short road leaves: longer than 16 digits (then through
// digit vectors, whose cut is cheaper for the products over 30 digits that they mostly
// give), zeros, and products that are cut or leave the scale range.
__attribute__((noinline)) int mul_general(const uint8_t* a, const uint8_t* b, uint8_t* c) {
  const int pa = fx_prec(a), pb = fx_prec(b);
  if (pa > kFixMaxDigits || pb > kFixMaxDigits) {
    const int sign = fx_sign(a) != fx_sign(b);
    const int S = fx_scale(a) + fx_scale(b);
    if (fx_significant(a) == 0 || fx_significant(b) == 0) {
      fx_head(c, sign, 0, S);
      return 0;
    }
    return mul_slow(a, b, sign, S, c);
  }
  const int sign = (pa ? fx_sign_bit(a) : 0) != (pb ? fx_sign_bit(b) : 0);
  const int S = fx_scale(a) + fx_scale(b);
  const Limbs la = limbs_load(a, pa), lb = limbs_load(b, pb);
  Num r;
  if ((la.lo | la.hi) == 0 || (lb.lo | lb.hi) == 0) {
    r = {Vec(0), 0, -S, sign};
  } else if (!product_limbs(la, lb, sign, S, &r)) {
    return fix_report_overflow("*", a, b);
  }
  num_store(r, c);
  return 0;
}

// The usual product: two non-zero operands of at most 16 digits whose product keeps all
// its digits (at most 30) at a scale in range, from limbs straight to the digit bytes as
// they are stored. Every other case goes to mul_general.
int mul_core(const uint8_t* a, const uint8_t* b, uint8_t* c) {
  constexpr int kShort = 16;
  const int pa = fx_prec(a), pb = fx_prec(b);
  if (pa > kShort || pb > kShort) {
    if (pa > kFixMaxDigits || pb > kFixMaxDigits) return mul_general(a, b, c);
    const Limbs la = limbs_load(a, pa), lb = limbs_load(b, pb);
    if ((la.lo | la.hi) == 0 || (lb.lo | lb.hi) == 0) return mul_general(a, b, c);
    Num r;
    if (!product_limbs(la, lb, (a[0] ^ b[0]) >> 7, fx_scale(a) + fx_scale(b), &r))
      return fix_report_overflow("*", a, b);
    num_store(r, c);
    return 0;
  }
  const uint64_t la = limbs_load(a, pa).lo, lb = limbs_load(b, pb).lo;
  const int S = fx_scale(a) + fx_scale(b);
  if (la == 0 || lb == 0 || S < kMulScaleMin || S > kMulScaleMax) return mul_general(a, b, c);
  uint32_t r[8];
  product_columns({la, 0}, {lb, 0}, r);
  const WordPair d = bin_to_stored32(r[0], r[1], r[2], r[3]);
  const int nd = d.hi ? 16 + stored_len(d.hi) : stored_len(d.lo);
  if (nd > kFixMaxDigits) return mul_general(a, b, c);
  // Neither is zero, so both precisions are above 0 and the signs are the sign bits. All
  // 15 digit bytes are written: those above the product's digits are 0.
  fx_head(c, (a[0] ^ b[0]) >> 7, nd, S);
  stored_store_all(c, d);
  return 0;
}

}  // namespace
}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int fixadd(const qd_fix* a, const qd_fix* b, qd_fix* c) {
  QD_INPUTS_OK(valid_fix(a, kFixMaxBytes) && valid_fix(b, kFixMaxBytes));
  const int rc = add_core(a, b, c, false);
  if (rc) report<0, QDF_FIXADD>();
  return QD_FIX_OUT(rc, c);
}

QD_EXTERN_C QD_API int fixsub(const qd_fix* a, qd_fix* b, qd_fix* c) {
  QD_INPUTS_OK(valid_fix(a, kFixMaxBytes) && valid_fix(b, kFixMaxBytes));
  if (a == b) {
    fx_head(c, 0, 0, fx_scale(a));
    return QD_FIX_OUT(0, c);
  }
  // a + (-b): b counts with its sign flipped (a zero b as it is); b is left as it was,
  // and a failure report shows it flipped, as it was added.
  const int rc = add_core(a, b, c, true);
  if (rc) {
    report<0, QDF_FIXADD>();
    report<0, QDF_FIXSUB>();
  }
  return QD_FIX_OUT(rc, c);
}

QD_EXTERN_C QD_API int fixmul(qd_fix* a, qd_fix* b, qd_fix* c) {
  QD_INPUTS_OK(valid_fix(a, kFixMaxBytes) && valid_fix(b, kFixMaxBytes));
  return QD_FIX_OUT(mul_core(a, b, c), c);
}

namespace qd {
// One estimate of x / xb as a fix value; a failure leaves its records and a trace record
// of the division.
// Kept out of the anonymous namespace: a local function would get a register calling
// convention that differs between its math target and its callers.
QD_DOUBLE_MATH int fix_estimate(double x, double xb, uint8_t* out) {
  const int rc = double_fix_digits(x / xb, out);
  if (rc) report<0, QDF_FIXDIV>();
  return rc;
}

namespace {

// r = a - p as fixsub computes it.
void subtract_product(const uint8_t* a, const uint8_t* p, uint8_t* r) {
  if (add_core(a, p, r, true)) {
    report<0, QDF_FIXADD>();
    report<0, QDF_FIXSUB>();
  }
}

// c = q + t as fixadd computes it; false when it fails (c is then as it was).
bool add_estimate(const uint8_t* q, const uint8_t* t, uint8_t* c) {
  if (add_core(q, t, c, false) == 0) return true;
  report<0, QDF_FIXADD>();
  return false;
}

// fixiszero, deciding at once on the usual values: no digits, or a non-zero top digit.
inline bool is_zero(const uint8_t* v) {
  const int p = fx_prec(v);
  if (p == 0) return true;
  if (p <= kFixMaxDigits && fx_digit(v, p) != 0) return false;
  return fx_significant(v) == 0;
}

}  // namespace

int divide_by_steps(const uint8_t* a, const uint8_t* b, uint8_t* c, bool* wrote_c) {
  if (is_zero(b)) return report<QDE_DIVISION_BY_ZERO, QDF_FIXDIV>("division");
  // Zeroed, so that a product or difference that fails (and writes nothing) counts as 0.
  // q and r may be given a header of more than 30 digits with only 17 bytes behind it: q
  // takes over c after the first correction (and c holds whatever the caller left there
  // when that addition failed), r is a copy of a when the product is zero. Both have
  // room for every precision a header can state, so they are never read beyond their end.
  uint8_t q[2 + 64] = {}, p[kFixMaxBytes] = {}, r[2 + 64] = {}, t[kFixMaxBytes] = {};
  const double xa = fix_double(a), xb = fix_double(b);
  // A first quotient from the floating-point unit, then up to two corrections by the
  // estimated quotient of the exact remainder.
  int rc = fix_estimate(xa, xb, q);
  if (rc) return rc;
  mul_core(q, b, p);
  subtract_product(a, p, r);
  if (is_zero(r)) {
    copy_value(q, c);
    if (wrote_c) *wrote_c = true;
    return 0;
  }
  if ((rc = fix_estimate(fix_double(r), xb, t)) != 0) return rc;
  bool wrote = add_estimate(q, t, c);
  copy_value(c, q);
  mul_core(q, b, p);
  subtract_product(a, p, r);
  if (!is_zero(r)) {
    if ((rc = fix_estimate(fix_double(r), xb, t)) != 0) return rc;
    wrote = add_estimate(q, t, c) || wrote;
  }
  if (wrote_c) *wrote_c = wrote;
  return 0;
}

}  // namespace qd

QD_EXTERN_C QD_API int __fixdiv(const qd_fix* a, const qd_fix* b, qd_fix* c, int precision) {
  (void)precision;  // the refinement always works to the full 30 digits
  QD_INPUTS_OK(valid_fix(a, kFixMaxBytes) && valid_fix(b, kFixMaxBytes));
  if (div_binary(a, b, c)) return QD_FIX_OUT(0, c);
  // When every addition of the steps fails, the division still returns 0 and c is as the
  // caller left it: only a c the division wrote is checked.
  bool wrote = false;
  const int rc = divide_by_steps(a, b, c, &wrote);
  return wrote ? QD_FIX_OUT(rc, c) : rc;
}

QD_EXTERN_C QD_API int fixdiv(const qd_fix* a, const qd_fix* b, qd_fix* c) {
  return __fixdiv(a, b, c, kFixMaxDigits);
}

QD_EXTERN_C QD_API unsigned int fixdivmod(qd_fix* q, char* quotient_is_zero, const qd_fix* a,
                                          unsigned int divisor) {
  QD_INPUTS_OK(valid_fix(a, kFixMaxBytes));
  if (divisor == 0) {
    return static_cast<unsigned>(report<QDE_DIVISION_BY_ZERO, QDF_FIXDIV>("divmod"));
  }
  const int p = fx_prec(a), s = fx_scale(a), sign_bit = fx_sign_bit(a);
  uint64_t r = 0;
  int top;
  Vec qv(0);
  if (p <= kFixMaxDigits) {
    // Eight digits a step: the running remainder times 10^8 stays below 2^63.
    const Vec x = vec_load(a, p);
    for (int k = 3; k >= 0; --k) {
      const uint64_t t = r * 100000000u + bcd8_to_bin(static_cast<uint32_t>(lo64(x >> (32 * k))));
      qv = qv | (Vec(bin_to_bcd8(static_cast<uint32_t>(t / divisor))) << (32 * k));
      r = t % divisor;
    }
    top = vec_len(qv);
  } else {
    uint8_t d[128];
    top = 0;
    for (int i = p; i >= 1; --i) {
      const uint64_t t = r * 10 + static_cast<uint64_t>(fx_digit(a, i));
      d[i - 1] = static_cast<uint8_t>(t / divisor);
      r = t % divisor;
      if (!top && d[i - 1]) top = i;
    }
    // Only the 30 digits a result buffer holds can be kept.
    for (int i = 1; i <= top && i <= kFixMaxDigits; ++i) qv = qv | (Vec(d[i - 1]) << (4 * (i - 1)));
    if (top > kFixMaxDigits) top = kFixMaxDigits;
  }
  if (quotient_is_zero) *quotient_is_zero = top == 0 ? 1 : 0;
  int np = top > s ? top : s;
  if (np > kFixMaxDigits) np = kFixMaxDigits;
  fx_head(q, sign_bit, np, s);
  vec_store(q, qv, np);
  QD_FIX_CHECK(q);
  return static_cast<unsigned>(r);
}
