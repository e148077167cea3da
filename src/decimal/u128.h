// u128.h: the 128-bit unsigned integer the decimal code computes with. Where the compiler
// has one (64-bit targets) U128 is that type; elsewhere (32-bit targets) it is U128Pair,
// two 64-bit halves with the same arithmetic: + - * (products cut to 128 bits), shifts by
// 0 to 127 places, comparisons, bitwise operations and the division by one 64-bit word.
// Both give the same values, so every result is the same on every target.
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>
#if defined(__i386__) && defined(__GNUC__)
#include <x86intrin.h>
#define QD_U128_I386 1  // carry chains and products on 32-bit words, outside constant evaluation
#endif

namespace qd {

// Compiled only where it serves as U128, and in the tests that check it against the
// compiler's type.
#if !defined(__SIZEOF_INT128__) || defined(QD_TEST_U128_PAIR)
struct U128Pair {
  uint64_t lo = 0, hi = 0;
  constexpr U128Pair() = default;
  constexpr U128Pair(uint64_t v) : lo(v), hi(0) {}  // NOLINT: behaves like an integer
  constexpr U128Pair(uint64_t h, uint64_t l, int) : lo(l), hi(h) {}
  constexpr explicit operator bool() const { return (lo | hi) != 0; }
  constexpr explicit operator uint64_t() const { return lo; }
};

// The full product of two words, from four products of 32-bit halves (what a 32-bit
// target multiplies in one instruction each).
constexpr uint64_t mul32(uint32_t a, uint32_t b) { return static_cast<uint64_t>(a) * b; }
constexpr U128Pair mul_wide(uint64_t a, uint64_t b) {
  const uint32_t a0 = static_cast<uint32_t>(a), a1 = static_cast<uint32_t>(a >> 32);
  const uint32_t b0 = static_cast<uint32_t>(b), b1 = static_cast<uint32_t>(b >> 32);
#if defined(QD_U128_I386)
  // The compiler carries the columns through 64-bit sums of zero-extended words, twice the
  // instructions of one carry chain of 32-bit adds. Every operand but the product's low
  // word may live in memory, so that the allocator can place them in any function.
  if (!std::is_constant_evaluated()) {
    uint32_t r0, r1, r2, r3;
    __asm__(
        "movl %[a0], %%eax\n\tmull %[b1]\n\tmovl %%eax, %[r1]\n\tmovl %%edx, %[r2]\n\t"
        "movl %[a1], %%eax\n\tmull %[b0]\n\taddl %%eax, %[r1]\n\tadcl %%edx, %[r2]\n\t"
        "movl $0, %[r3]\n\tadcl $0, %[r3]\n\t"
        "movl %[a1], %%eax\n\tmull %[b1]\n\taddl %%eax, %[r2]\n\tadcl %%edx, %[r3]\n\t"
        "movl %[a0], %%eax\n\tmull %[b0]\n\taddl %%edx, %[r1]\n\tadcl $0, %[r2]\n\tadcl $0, %[r3]"
        : [r0] "=&a"(r0), [r1] "=&rm"(r1), [r2] "=&rm"(r2), [r3] "=&rm"(r3)
        : [a0] "rm"(a0), [a1] "rm"(a1), [b0] "rm"(b0), [b1] "rm"(b1)
        : "edx", "cc");
    return U128Pair((static_cast<uint64_t>(r3) << 32) | r2, (static_cast<uint64_t>(r1) << 32) | r0, 0);
  }
#endif
  const uint64_t p00 = mul32(a0, b0), p01 = mul32(a0, b1), p10 = mul32(a1, b0), p11 = mul32(a1, b1);
  // Below 3 * 2^32: the middle column cannot overflow.
  const uint64_t mid = (p00 >> 32) + static_cast<uint32_t>(p01) + static_cast<uint32_t>(p10);
  return U128Pair(p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32), (mid << 32) | static_cast<uint32_t>(p00),
                  0);
}

constexpr U128Pair operator+(U128Pair a, U128Pair b) {
  const uint64_t lo = a.lo + b.lo;
  return U128Pair(a.hi + b.hi + (lo < a.lo), lo, 0);
}
constexpr U128Pair operator-(U128Pair a, U128Pair b) {
  return U128Pair(a.hi - b.hi - (a.lo < b.lo), a.lo - b.lo, 0);
}
// a * d for a factor of one word: one product of each word.
constexpr U128Pair mul_word(U128Pair a, uint32_t d) {
  const uint64_t p0 = mul32(static_cast<uint32_t>(a.lo), d);
  const uint64_t p1 = mul32(static_cast<uint32_t>(a.lo >> 32), d) + (p0 >> 32);
  const uint64_t p2 = mul32(static_cast<uint32_t>(a.hi), d) + (p1 >> 32);
  const uint32_t top = static_cast<uint32_t>(a.hi >> 32) * d;
  return U128Pair(p2 + (static_cast<uint64_t>(top) << 32), (p1 << 32) | static_cast<uint32_t>(p0), 0);
}
// A constant factor below 2^32 (10, 10^8) is one word, where the general product takes
// two of the lower half's.
constexpr U128Pair operator*(U128Pair a, uint64_t b) {
#if defined(__GNUC__)
  if (__builtin_constant_p(b) && (b >> 32) == 0) return mul_word(a, static_cast<uint32_t>(b));
#endif
  U128Pair r = mul_wide(a.lo, b);
  r.hi += a.hi * b;
  return r;
}
constexpr U128Pair operator*(U128Pair a, U128Pair b) {
  U128Pair r = mul_wide(a.lo, b.lo);
  r.hi += a.lo * b.hi + a.hi * b.lo;
  return r;
}
constexpr U128Pair operator^(U128Pair a, U128Pair b) { return U128Pair(a.hi ^ b.hi, a.lo ^ b.lo, 0); }
constexpr U128Pair operator&(U128Pair a, U128Pair b) { return U128Pair(a.hi & b.hi, a.lo & b.lo, 0); }
constexpr U128Pair operator|(U128Pair a, U128Pair b) { return U128Pair(a.hi | b.hi, a.lo | b.lo, 0); }
constexpr U128Pair operator~(U128Pair a) { return U128Pair(~a.hi, ~a.lo, 0); }
// Shifts by 0 to 127 places. Below 64 the bits that cross between the halves move in two
// steps, so that a shift by 0 needs no branch of its own.
constexpr U128Pair operator<<(U128Pair a, int n) {
  if (n >= 64) return U128Pair(a.lo << (n - 64), 0, 0);
  return U128Pair((a.hi << n) | ((a.lo >> 1) >> (63 - n)), a.lo << n, 0);
}
constexpr U128Pair operator>>(U128Pair a, int n) {
  if (n >= 64) return U128Pair(0, a.hi >> (n - 64), 0);
  return U128Pair(a.hi >> n, (a.lo >> n) | ((a.hi << 1) << (63 - n)), 0);
}
constexpr bool operator==(U128Pair a, U128Pair b) { return a.lo == b.lo && a.hi == b.hi; }
constexpr bool operator!=(U128Pair a, U128Pair b) { return !(a == b); }
// An order is one borrow chain through the words, where the compiler would branch on the
// upper halves.
constexpr bool operator<(U128Pair a, U128Pair b) {
#if defined(QD_U128_I386)
  if (!std::is_constant_evaluated()) {
    uint32_t t;
    unsigned char c = _subborrow_u32(0, static_cast<uint32_t>(a.lo), static_cast<uint32_t>(b.lo), &t);
    c = _subborrow_u32(c, static_cast<uint32_t>(a.lo >> 32), static_cast<uint32_t>(b.lo >> 32), &t);
    c = _subborrow_u32(c, static_cast<uint32_t>(a.hi), static_cast<uint32_t>(b.hi), &t);
    return _subborrow_u32(c, static_cast<uint32_t>(a.hi >> 32), static_cast<uint32_t>(b.hi >> 32), &t);
  }
#endif
  return a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo;
}
constexpr bool operator>(U128Pair a, U128Pair b) { return b < a; }
constexpr bool operator<=(U128Pair a, U128Pair b) { return !(b < a); }
constexpr bool operator>=(U128Pair a, U128Pair b) { return !(a < b); }
constexpr U128Pair& operator|=(U128Pair& a, U128Pair b) { return a = a | b; }
constexpr U128Pair& operator+=(U128Pair& a, U128Pair b) { return a = a + b; }
constexpr U128Pair& operator-=(U128Pair& a, U128Pair b) { return a = a - b; }
constexpr U128Pair& operator*=(U128Pair& a, uint64_t b) { return a = a * b; }

// n / d and n % d for d below 2^32 and n below d * 2^32, so that the quotient fits 32
// bits: one division instruction on 32-bit x86, which the compiler does not emit for a
// 64-bit dividend by itself (it calls a library routine for every 64-bit division).
inline uint32_t div_step(uint64_t n, uint32_t d, uint32_t* rem) {
#if defined(__i386__) && defined(__GNUC__)
  uint32_t q, r;
  __asm__("divl %4" : "=a"(q), "=d"(r) : "a"(static_cast<uint32_t>(n)),
          "d"(static_cast<uint32_t>(n >> 32)), "rm"(d));
  *rem = r;
  return q;
#else
  *rem = static_cast<uint32_t>(n % d);
  return static_cast<uint32_t>(n / d);
#endif
}

// (r * 2^32 + w) / v for v of at least 2^63 and r below v: the quotient fits 32 bits and
// r becomes the remainder. The first estimate, from r's upper half over v's, is at most
// two too large (v's top bit is set), and is corrected on the exact 96-bit product.
inline uint32_t div_step_wide(uint64_t* r, uint32_t w, uint64_t v) {
  const uint32_t v1 = static_cast<uint32_t>(v >> 32), v0 = static_cast<uint32_t>(v);
  uint32_t q = 0xffffffffu, unused;
  if ((*r >> 32) < v1) q = div_step(*r, v1, &unused);
  // q * v as ph * 2^32 + pl, against the dividend as *r * 2^32 + w.
  const uint64_t p0 = static_cast<uint64_t>(q) * v0;
  uint64_t ph = static_cast<uint64_t>(q) * v1 + (p0 >> 32);
  uint32_t pl = static_cast<uint32_t>(p0);
  while (ph > *r || (ph == *r && pl > w)) {
    --q;
    ph -= static_cast<uint64_t>(v1) + (pl < v0);
    pl -= v0;
  }
  *r = ((*r << 32) | w) - ((ph << 32) | pl);  // below v: exact modulo 2^64
  return q;
}

// x / d and x % d for a one-word divisor: one step a word, from the highest that is not
// zero, written out so that the words stay in registers.
inline U128Pair div_rem_word(U128Pair x, uint32_t d, uint32_t* rem) {
  uint32_t r = 0, q3 = 0, q2 = 0;
  if (x.hi) {
    q3 = div_step(x.hi >> 32, d, &r);
    q2 = div_step((static_cast<uint64_t>(r) << 32) | static_cast<uint32_t>(x.hi), d, &r);
  }
  const uint32_t q1 = div_step((static_cast<uint64_t>(r) << 32) | (x.lo >> 32), d, &r);
  const uint32_t q0 = div_step((static_cast<uint64_t>(r) << 32) | static_cast<uint32_t>(x.lo), d, &r);
  *rem = r;
  return U128Pair((static_cast<uint64_t>(q3) << 32) | q2, (static_cast<uint64_t>(q1) << 32) | q0, 0);
}

// x / d and x % d for a divisor of two words: shifted until its top bit is set, and x with
// it (into five words, of which the top two are below the shifted divisor).
inline U128Pair div_rem_long(U128Pair x, uint64_t d, uint64_t* rem) {
  const int s = std::countl_zero(d);
  const uint64_t v = d << s;
  const U128Pair u = x << s;
  uint64_t r = s ? x.hi >> (64 - s) : 0;
  r = (r << 32) | (u.hi >> 32);
  const uint32_t q2 = div_step_wide(&r, static_cast<uint32_t>(u.hi), v);
  const uint32_t q1 = div_step_wide(&r, static_cast<uint32_t>(u.lo >> 32), v);
  const uint32_t q0 = div_step_wide(&r, static_cast<uint32_t>(u.lo), v);
  *rem = r >> s;
  return U128Pair(q2, (static_cast<uint64_t>(q1) << 32) | q0, 0);
}

// x / d and x % d (d not zero). A divisor whose odd part fits a word (the powers of ten up
// to 10^13) is that part after a shift of both; a constant multiple of 10^8 by a word
// (10^16) is two divisions by one word; only the others take the two-word steps.
__attribute__((always_inline)) inline U128Pair div_rem(U128Pair x, uint64_t d, uint64_t* rem) {
  uint32_t r;
  if ((d >> 32) == 0) {
    const U128Pair q = div_rem_word(x, static_cast<uint32_t>(d), &r);
    *rem = r;
    return q;
  }
#if defined(__GNUC__)
  constexpr uint32_t k1e8 = 100000000u;
  if (__builtin_constant_p(d) && d % k1e8 == 0 && ((d / k1e8) >> 32) == 0) {
    uint32_t r1;
    const U128Pair q = div_rem_word(div_rem_word(x, k1e8, &r1), static_cast<uint32_t>(d / k1e8), &r);
    *rem = static_cast<uint64_t>(r) * k1e8 + r1;
    return q;
  }
#endif
  const int z = std::countr_zero(d);
  if (((d >> z) >> 32) == 0) {
    const U128Pair q = div_rem_word(x >> z, static_cast<uint32_t>(d >> z), &r);
    *rem = (static_cast<uint64_t>(r) << z) | (x.lo & ((uint64_t{1} << z) - 1));
    return q;
  }
  return div_rem_long(x, d, rem);
}

#endif

// n / d for d below 2^32 and n below d * 2^32. A 64-bit target divides by a constant d
// with a multiplication; a 32-bit one would call a library routine for the 64-bit
// dividend, where one division instruction does.
inline uint64_t div_u32(uint64_t n, uint32_t d) {
#if defined(__SIZEOF_INT128__)
  return n / d;
#else
  uint32_t r;
  return div_step(n, d, &r);
#endif
}

#if defined(__SIZEOF_INT128__)
using U128 = unsigned __int128;
inline uint64_t lo64(U128 x) { return static_cast<uint64_t>(x); }
inline uint64_t hi64(U128 x) { return static_cast<uint64_t>(x >> 64); }
inline U128 make128(uint64_t hi, uint64_t lo) { return (static_cast<U128>(hi) << 64) | lo; }
inline U128 div_rem(U128 x, uint64_t d, uint64_t* rem) {
  if ((x >> 64) == 0) {
    *rem = static_cast<uint64_t>(x) % d;
    return static_cast<uint64_t>(x) / d;
  }
  *rem = static_cast<uint64_t>(x % d);
  return x / d;
}
#else
using U128 = U128Pair;
constexpr uint64_t lo64(U128 x) { return x.lo; }
constexpr uint64_t hi64(U128 x) { return x.hi; }
constexpr U128 make128(uint64_t hi, uint64_t lo) { return U128(hi, lo, 0); }
#endif

}  // namespace qd
