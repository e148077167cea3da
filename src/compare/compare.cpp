// compare.cpp: value comparison: compare with its null codes and mixed types, the
// per-type routines of comp_func, blob and tuple ordering, and case-free text order.
#include <bit>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bits/bits_internal.h"
#include "qdtype32/qdbits.h"
#include "qdtype32/qdcompare.h"
#include "qdtype32/qdconfig.h"
#include "qdtype32/qddt.h"
#include "qdtype32/qdfix.h"
#include "qdtype32/qdglob.h"
#include "runtime/coding.h"
#include "types/types_internal.h"

// Byte weights for ordered text comparison; the host fills them. Until it does, every
// byte weighs its own value.
QD_API unsigned char qd_sort_order[256] = {
#define QD_ROW(r) r, r + 1, r + 2, r + 3, r + 4, r + 5, r + 6, r + 7
    QD_ROW(0),   QD_ROW(8),   QD_ROW(16),  QD_ROW(24),  QD_ROW(32),  QD_ROW(40),  QD_ROW(48),
    QD_ROW(56),  QD_ROW(64),  QD_ROW(72),  QD_ROW(80),  QD_ROW(88),  QD_ROW(96),  QD_ROW(104),
    QD_ROW(112), QD_ROW(120), QD_ROW(128), QD_ROW(136), QD_ROW(144), QD_ROW(152), QD_ROW(160),
    QD_ROW(168), QD_ROW(176), QD_ROW(184), QD_ROW(192), QD_ROW(200), QD_ROW(208), QD_ROW(216),
    QD_ROW(224), QD_ROW(232), QD_ROW(240), QD_ROW(248),
#undef QD_ROW
};

namespace qd {
namespace {

constexpr int kNoLimit = 0x7fffffff;
constexpr unsigned char kBlank = 0x20;
// A float and a decimal of at most this scale meet as 32-bit floats.
constexpr int kFloatExactScale = 6;

int sign_of(long long d) { return (d > 0) - (d < 0); }
int cmp_double(double a, double b) { return a < b ? -1 : (a == b ? 0 : 1); }

// The index of the lowest set byte of d (not 0). On 32-bit targets a 64-bit count would
// be a library call, so the two halves are counted apart there.
[[gnu::always_inline]] inline size_t lowest_set_byte(uint64_t d) {
  if constexpr (sizeof(size_t) < sizeof(uint64_t)) {
    const auto lo = static_cast<uint32_t>(d);
    return lo ? static_cast<size_t>(std::countr_zero(lo) / 8)
              : 4 + static_cast<size_t>(std::countr_zero(static_cast<uint32_t>(d >> 32)) / 8);
  }
  return static_cast<size_t>(std::countr_zero(d) / 8);
}

// Index of the first differing byte of a and b over n bytes, n when none differs. Both
// must hold n readable bytes; nothing beyond them is read. Works 16 (or 8, or 4) bytes at
// a time; the last block is read overlapping the one before it (its first bytes are
// known equal), so no length ends in a loop over single bytes but the shortest ones.
[[gnu::always_inline]] inline size_t first_difference(const unsigned char* a,
                                                      const unsigned char* b, size_t n) {
#if defined(__SSE2__)
  if (n >= 16) {
    auto differ_at = [a, b](size_t i) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
      return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) ^ 0xffffu;
    };
    size_t i = 0;
    if (n <= 32) {  // keys of up to 32 bytes: two blocks, no loop
      const unsigned d0 = differ_at(0), d1 = differ_at(n - 16);
      if (d0) return static_cast<size_t>(std::countr_zero(d0));
      return d1 ? n - 16 + static_cast<size_t>(std::countr_zero(d1)) : n;
    }
    for (; i + 16 <= n; i += 16) {
      if (const unsigned d = differ_at(i)) return i + static_cast<size_t>(std::countr_zero(d));
    }
    if (i < n) {
      if (const unsigned d = differ_at(n - 16)) return n - 16 + static_cast<size_t>(std::countr_zero(d));
    }
    return n;
  }
#endif
  if (n >= 8) {
    auto differ_at = [a, b](size_t i) { return load<uint64_t>(a + i) ^ load<uint64_t>(b + i); };
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      if (const uint64_t d = differ_at(i)) return i + lowest_set_byte(d);
    }
    if (i < n) {
      if (const uint64_t d = differ_at(n - 8)) return n - 8 + lowest_set_byte(d);
    }
    return n;
  }
  if (n >= 4) {
    auto differ_at = [a, b](size_t i) { return load<uint32_t>(a + i) ^ load<uint32_t>(b + i); };
    if (const uint32_t d = differ_at(0)) return static_cast<size_t>(std::countr_zero(d) / 8);
    if (const uint32_t d = differ_at(n - 4)) return n - 4 + static_cast<size_t>(std::countr_zero(d) / 8);
    return n;
  }
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return i;
  }
  return n;
}

// Unsigned bytes a[0..la) against b[0..lb), the shorter extended with blanks.
// Returns the difference of the first differing bytes (weighted when w is given).
int blank_extended_diff(const unsigned char* a, size_t la, const unsigned char* b, size_t lb,
                        const unsigned char* w) {
  const size_t common = la < lb ? la : lb;
  if (!w) {
    const size_t i = first_difference(a, b, common);
    if (i < common) return a[i] - b[i];
  } else {
    for (size_t i = 0; i < common; ++i) {
      if (w[a[i]] != w[b[i]]) return w[a[i]] - w[b[i]];
    }
  }
  const unsigned char blank = w ? w[kBlank] : kBlank;
  for (size_t i = common; i < la; ++i) {
    const unsigned char c = w ? w[a[i]] : a[i];
    if (c != blank) return c - blank;
  }
  for (size_t i = common; i < lb; ++i) {
    const unsigned char c = w ? w[b[i]] : b[i];
    if (c != blank) return blank - c;
  }
  return 0;
}

size_t limit_of(int limit) { return limit < 0 ? 0 : static_cast<size_t>(limit); }

// What is left of a text (to its terminator or limit) against blanks.
int rest_against_blanks(const unsigned char* p, size_t from, size_t limit) {
  for (size_t i = from; i < limit && p[i]; ++i) {
    if (p[i] != kBlank) return p[i] - kBlank;
  }
  return 0;
}

// Where two texts equal up to i differ at i, or one or both end there.
int text_step_diff(const unsigned char* a, size_t la, const unsigned char* b, size_t lb, size_t i) {
  if (a[i] == b[i]) return 0;  // both end here
  if (a[i] == 0) return -rest_against_blanks(b, i, lb);
  if (b[i] == 0) return rest_against_blanks(a, i, la);
  return a[i] - b[i];
}

const unsigned char* bytes(const void* p) { return static_cast<const unsigned char*>(p); }

// -1, 0, 1 of two texts at a byte where they differ and one of them ends (its byte is
// the terminator), a and b pointing there with la and lb bytes left to their limits: the
// other's rest against blanks. Out of the way of the usual road, where both texts go on.
[[gnu::noinline, gnu::cold]] int text_ended_sign(const unsigned char* a, size_t la,
                                                const unsigned char* b, size_t lb) {
  return sign_of(text_step_diff(a, la, b, lb, 0));
}

// -1, 0, 1 of two texts equal up to a and b, where the shorter limit ends, with la and lb
// bytes left to their limits (one of them none): the longer one's rest against blanks.
[[gnu::noinline, gnu::cold]] int text_rest_sign(const unsigned char* a, size_t la,
                                               const unsigned char* b, size_t lb) {
  return sign_of(la > 0 ? rest_against_blanks(a, 0, la) : -rest_against_blanks(b, 0, lb));
}

// p itself, but a pointer the compiler cannot see through: bytes read through it at a
// rare stop are read again there rather than kept in registers all along a walk.
[[gnu::always_inline]] inline const unsigned char* reread(const unsigned char* p) {
  asm("" : "+r"(p));
  return p;
}

// Whether two bytes of texts agree and go on (equal and not zero), told by one test:
// x - 1 in 32 bits, which a zero x takes to 2^32 - 1, against y - 1 in 64 bits, which
// a zero y takes to 2^64 - 1; every other pair meets where x equals y. One test of a
// byte costs two more instructions than the two tests; the walk gives every other byte
// the one test, which evens out the branches and the instructions a byte costs (on a
// core that runs two branches a cycle it walks 20 to 200 bytes 8-14% faster than with
// the one test on every fourth byte, which the one test on every byte does not beat).
// 32-bit targets, where a 64-bit comparison is two, keep the two tests.
[[gnu::always_inline]] inline bool goes_on(unsigned char x, unsigned char y) {
  if constexpr (sizeof(void*) < sizeof(uint64_t)) return x == y && x != 0;
  return uint64_t{static_cast<uint32_t>(x - 1u)} == uint64_t{y} - 1;
}

// What the walk below hands its stops to is inlined into it, at every byte's stop.
#define QD_INLINE __attribute__((always_inline))

// The walk of two texts over their first n bytes (none when n is 0 or less) to where they
// stop agreeing: the first byte at which they differ or both end (a zero byte in each)
// gives stop(pa, pb, k, left), the texts' bytes there being pa[k] and pb[k], with
// left - k of the n bytes left from there on; n bytes that agree and go on give
// rest(pa, pb), pa and pb at the end of them (at a and b when n is 0 or less). No byte past either text's
// terminator, nor at or past n, is read: byte i of either is read only once byte i - 1 of
// both was found equal and not zero. Sixteen bytes to a step, one load of each byte and
// two tests (every other byte one, goes_on), each expected to fail, so that the walk
// runs straight on through equal bytes; two moving pointers and a count of what is left keep it to few registers, so
// that compare, where it is inlined, needs no frame.
template <class Stop, class Rest>
[[gnu::always_inline]] inline int text_walk(const unsigned char* a, const unsigned char* b,
                                            ptrdiff_t n, Stop stop, Rest rest) {
  const unsigned char* pa = a;
  const unsigned char* pb = b;
  ptrdiff_t left = n;
  constexpr ptrdiff_t kStep = 16;
  for (; left >= kStep; left -= kStep, pa += kStep, pb += kStep) {
#define QD_TEXT_BYTE(k)                                                               \
  if (const unsigned x = pa[k]; __builtin_expect(x != pb[k], 0) || __builtin_expect(x == 0, 0)) { \
    return stop(pa, pb, k, left);                                                     \
  }
#define QD_TEXT_BYTE1(k)                                                              \
  if (__builtin_expect(!goes_on(pa[k], pb[k]), 0)) return stop(pa, pb, k, left);
    QD_TEXT_BYTE(0);
    QD_TEXT_BYTE1(1);
    QD_TEXT_BYTE(2);
    QD_TEXT_BYTE1(3);
    QD_TEXT_BYTE(4);
    QD_TEXT_BYTE1(5);
    QD_TEXT_BYTE(6);
    QD_TEXT_BYTE1(7);
    QD_TEXT_BYTE(8);
    QD_TEXT_BYTE1(9);
    QD_TEXT_BYTE(10);
    QD_TEXT_BYTE1(11);
    QD_TEXT_BYTE(12);
    QD_TEXT_BYTE1(13);
    QD_TEXT_BYTE(14);
    QD_TEXT_BYTE1(15);
  }
  for (; left > 0; --left, ++pa, ++pb) QD_TEXT_BYTE(0);
#undef QD_TEXT_BYTE
#undef QD_TEXT_BYTE1
  return rest(pa, pb);
}

// -1, 0, 1 of compare's text order (a negative limit is 0), made to be inlined where
// compare meets two texts: no frame, no call while both texts go on.
[[gnu::always_inline]] inline int text_sign(const unsigned char* a, int len_a,
                                            const unsigned char* b, int len_b) {
  // The limits stay signed: a negative one makes no step and leaves the rest, which is
  // nothing, to text_rest_sign.
  const ptrdiff_t n = len_a < len_b ? len_a : len_b;
  // Only the moving pointers and what is left are kept along the walk; a stop finds the
  // limits left to each text from them (a stop means n, and so both limits, is above 0).
  using P = const unsigned char*;
  return text_walk(
      a, b, n,
      [=](P pa, P pb, ptrdiff_t k, ptrdiff_t left) QD_INLINE {
        const unsigned x = pa[k], y = reread(pb)[k];
        if (__builtin_expect(x * y != 0, 1)) return x > y ? 1 : -1;  // neither ends here
        if (x == y) return 0;                                          // both end here
        const ptrdiff_t at = n - left + k;
        return text_ended_sign(pa + k, static_cast<size_t>(len_a - at), pb + k,
                               static_cast<size_t>(len_b - at));
      },
      [=](P pa, P pb) QD_INLINE {
        const size_t m = n < 0 ? 0 : static_cast<size_t>(n);
        return text_rest_sign(pa, limit_of(len_a) - m, pb, limit_of(len_b) - m);
      });
}

// text_sign apart, for the rarer pairs of text codes that reach compare_same.
[[gnu::noinline]] int text_order(const void* a, int len_a, const void* b, int len_b) {
  return text_sign(bytes(a), len_a, bytes(b), len_b);
}

int compare_binchar(const void* a, const void* b) {
  const int32_t la = load<int32_t>(a), lb = load<int32_t>(b);
  return sign_of(
      blank_extended_diff(bytes(a) + kByteStringHeader, la < 0 ? 0 : la, bytes(b) + kByteStringHeader,
                          lb < 0 ? 0 : lb, nullptr));
}

int compare_timespans(const void* a, const void* b) {
  qd_long r = 0;
  return ts_cmp(a, b, &r) == 0 ? static_cast<int>(r) : -1;
}

// The form an operand of a mixed comparison is read into.
enum class Form { kInteger, kReal, kDecimal, kText, kBits, kNone };

struct Operand {
  Form form = Form::kNone;
  int code = 0;
  int32_t integer = 0;
  double real = 0;
  const unsigned char* data = nullptr;
  size_t length = 0;  // bytes of text or bit data
  int32_t bit_count = 0;
};

Operand read_operand(const void* v, int code, int limit) {
  Operand o;
  o.code = code;
  switch (code) {
    case kTinyint:
    case kBool:
      o.form = Form::kInteger;
      o.integer = load<int8_t>(v);
      break;
    case kSmallint:
      o.form = Form::kInteger;
      o.integer = load<int16_t>(v);
      break;
    case kInteger:
      o.form = Form::kInteger;
      o.integer = load<int32_t>(v);
      break;
    case kFloat:
      o.form = Form::kReal;
      o.real = load<float>(v);
      break;
    case kDouble:
      o.form = Form::kReal;
      o.real = load<double>(v);
      break;
    case kNumeric:
      o.form = Form::kDecimal;
      break;
    case kChar:
    case kVarchar:
    case kFileref:
      o.form = Form::kText;
      o.data = bytes(v);
      o.length = limit == kNoLimit ? std::strlen(static_cast<const char*>(v))
                                   : static_cast<size_t>(limit < 0 ? 0 : limit);
      break;
    case kBinchar: {
      o.form = Form::kText;
      const int32_t n = load<int32_t>(v);
      o.data = bytes(v) + kByteStringHeader;
      o.length = n < 0 ? 0 : static_cast<size_t>(n);
      break;
    }
    case kBits:
    case kBits2:
      o.form = Form::kBits;
      o.bit_count = code == kBits ? bits_length(v) : bits2_length(v);
      o.data = bytes(v) + (code == kBits ? kBitsHeader : kBits2Header);
      o.length = bits_data_bytes(static_cast<uint32_t>(o.bit_count));
      break;
    default:
      break;
  }
  return o;
}

bool is_exact_integer(int code) {
  return code == kInteger || code == kSmallint || code == kTinyint;
}

[[gnu::noinline]] int compare_mixed(const void* a, int ca, const void* b, int cb, int len_a,
                                    int len_b) {
  const Operand x = read_operand(a, ca, len_a), y = read_operand(b, cb, len_b);
  if (x.form == Form::kBits && y.form == Form::kBits) {
    return sub_bit_compare(x.bit_count, const_cast<unsigned char*>(x.data), y.bit_count,
                           const_cast<unsigned char*>(y.data));
  }
  const bool xs = x.form == Form::kText || x.form == Form::kBits;
  const bool ys = y.form == Form::kText || y.form == Form::kBits;
  if (xs && ys) return sign_of(blank_extended_diff(x.data, x.length, y.data, y.length, nullptr));
  if (x.form == Form::kInteger && y.form == Form::kInteger) {
    return sign_of(static_cast<long long>(x.integer) - y.integer);
  }
  if (x.form == Form::kDecimal && is_exact_integer(cb)) {
    qd_fix fix[QD_FIX_MAX_BYTES];
    return sign_of(fixcmp(static_cast<const qd_fix*>(a), long_fix(y.integer, 0, fix)));
  }
  if (y.form == Form::kDecimal && is_exact_integer(ca)) {
    qd_fix fix[QD_FIX_MAX_BYTES];
    return sign_of(fixcmp(long_fix(x.integer, 0, fix), static_cast<const qd_fix*>(b)));
  }
  if (x.form == Form::kReal || y.form == Form::kReal) {
    auto as_double = [](const Operand& o, const void* v, double* out) {
      if (o.form == Form::kReal) {
        *out = o.real;
      } else if (o.form == Form::kDecimal) {
        *out = fix_double(static_cast<const qd_fix*>(v));
      } else if (is_exact_integer(o.code)) {
        *out = o.integer;
      } else {
        return false;
      }
      return true;
    };
    double dx, dy;
    if (!as_double(x, a, &dx) || !as_double(y, b, &dy)) return 0;
    const bool float_involved = ca == kFloat || cb == kFloat;
    const bool narrow_numeric =
        (ca == kNumeric && getscale(static_cast<const qd_fix*>(a)) <= kFloatExactScale) ||
        (cb == kNumeric && getscale(static_cast<const qd_fix*>(b)) <= kFloatExactScale);
    if (float_involved && narrow_numeric) {
      return cmp_double(static_cast<float>(dx), static_cast<float>(dy));
    }
    return cmp_double(dx, dy);
  }
  return 0;  // types that do not go together: no value is read
}

bool is_text_code(int code) { return code == kChar || code == kVarchar || code == kFileref; }

// ---- comp_func routines ------------------------------------------------------------------

int cmp_integer(void* a, void* b) {
  return sign_of(static_cast<long long>(load<int32_t>(a)) - load<int32_t>(b));
}
int cmp_smallint(void* a, void* b) { return sign_of(load<int16_t>(a) - load<int16_t>(b)); }
int cmp_byte(void* a, void* b) { return sign_of(load<int8_t>(a) - load<int8_t>(b)); }
int cmp_double_fn(void* a, void* b) { return cmp_double(load<double>(a), load<double>(b)); }
int cmp_float_fn(void* a, void* b) { return cmp_double(load<float>(a), load<float>(b)); }
int cmp_numeric(void* a, void* b) {
  return fixcmp(static_cast<const qd_fix*>(a), static_cast<const qd_fix*>(b));
}
int cmp_text(void* a, void* b) {
  // No limit: the walk stops at the latest where the shorter text ends.
  using P = const unsigned char*;
  return text_walk(
      bytes(a), bytes(b), PTRDIFF_MAX,
      [](P pa, P pb, ptrdiff_t k, ptrdiff_t) QD_INLINE {
        return text_step_diff(pa + k, SIZE_MAX, pb + k, SIZE_MAX, 0);
      },
      [](P, P) QD_INLINE { return 0; });
}
int cmp_text_ordered(void* a, void* b) {
  return blank_extended_diff(bytes(a), std::strlen(static_cast<char*>(a)), bytes(b),
                             std::strlen(static_cast<char*>(b)), qd_sort_order);
}
int cmp_datetime(void* a, void* b) { return static_cast<int>(dt_cmp(a, b)); }
int cmp_timespan(void* a, void* b) { return compare_timespans(a, b); }
int cmp_binchar(void* a, void* b) { return compare_binchar(a, b); }
int cmp_blob(void* a, void* b) { return blob_cmp(a, b); }
int cmp_bits(void* a, void* b) { return bits_compare(a, b); }
int cmp_bits2(void* a, void* b) { return bits2_compare(a, b); }

// ---- Blob content comparison setting --------------------------------------------------------

int g_blob_setting = -1;  // not yet read
qd_blob_content_cmp g_blob_content = nullptr;

}  // namespace

// The operands in the order compare takes them, so that a jump here moves no pointer.
[[gnu::noinline]] int compare_same(const void* a, int code, const void* b, int len_a, int len_b) {
  switch (code) {
    case kInteger:
      return cmp_integer(const_cast<void*>(a), const_cast<void*>(b));
    case kSmallint:
      return cmp_smallint(const_cast<void*>(a), const_cast<void*>(b));
    case kTinyint:
    case kBool:
      return cmp_byte(const_cast<void*>(a), const_cast<void*>(b));
    case kDouble:
      return cmp_double(load<double>(a), load<double>(b));
    case kFloat:
      return cmp_double(load<float>(a), load<float>(b));
    case kNumeric:
    case kMoney:  // a decimal too: ordered like numeric
      return sign_of(fixcmp(static_cast<const qd_fix*>(a), static_cast<const qd_fix*>(b)));
    case kChar:
    case kVarchar:
    case kFileref:
      return text_order(a, len_a, b, len_b);
    case kBinchar:
      return compare_binchar(a, b);
    case kDatetime:
      return sign_of(dt_cmp(a, b));
    case kTimespan:
      return compare_timespans(a, b);
    case kBlob:
      return blob_cmp(const_cast<void*>(a), const_cast<void*>(b));
    case kBits:
      return bits_compare(a, b);
    case kBits2:
      return bits2_compare(const_cast<void*>(a), const_cast<void*>(b));
    default:
      return 0;  // no ordering of its own: no value is read
  }
}

[[gnu::noinline]] int compare_nulls(const void* a, int code_a, const void* b, int code_b) {
  if (!a && b) return code_a == kNulltyp ? -3 : -2;
  if (a && !b) return code_b == kNulltyp ? 3 : 2;
  return code_a == kNulltyp || code_b == kNulltyp ? 0 : -4;
}

}  // namespace qd

using namespace qd;

// compare starts a cache line: its integer and text roads are a few dozen bytes, and where
// the code before it ends would otherwise decide whether they cross a line.
QD_EXTERN_C QD_API __attribute__((aligned(64))) int compare(void* a, int code_a, void* b, int code_b,
                                                            int len_a, int len_b) {
  if (__builtin_expect(!a || !b, 0)) return compare_nulls(a, code_a, b, code_b);
  // The hottest pairs first, each told by two tests: two integers, then two texts of
  // type char (or varchar), walked here without a further call.
  if (__builtin_expect(code_a == code_b, 1)) {
    // Laid out straight after the tests above, so that the integer road is one line.
    if (__builtin_expect(code_a == kInteger, 1)) {
      const int32_t x = load<int32_t>(a), y = load<int32_t>(b);
      return (x > y) - (x < y);
    }
    if (code_a == kChar || code_a == kVarchar) return text_sign(bytes(a), len_a, bytes(b), len_b);
    return compare_same(a, code_a, b, len_a, len_b);
  }
  if (is_text_code(code_a) && is_text_code(code_b)) return compare_same(a, code_a, b, len_a, len_b);
  return compare_mixed(a, code_a, b, code_b, len_a, len_b);
}

QD_EXTERN_C QD_API qd_cmp_fn comp_func(int code, int use_sort_order) {
  switch (code) {
    case kInteger:
      return cmp_integer;
    case kDouble:
      return cmp_double_fn;
    case kNumeric:
      return cmp_numeric;
    case kChar:
    case kFileref:
    case kVarchar:
      return use_sort_order ? cmp_text_ordered : cmp_text;
    case kTinyint:
      return cmp_byte;
    case kSmallint:
      return cmp_smallint;
    case kFloat:
      return cmp_float_fn;
    case kDatetime:
      return cmp_datetime;
    case kTimespan:
      return cmp_timespan;
    case kBool:
      return cmp_byte;
    case kBinchar:
      return cmp_binchar;
    case kBlob:
      return cmp_blob;
    case kBits:
      return cmp_bits;
    case kBits2:
      return cmp_bits2;
    default:
      return nullptr;
  }
}

namespace {

// A segment id: a signed 32-bit number, a flag byte (bit 0 counts), a signed byte.
constexpr size_t kSegidFlag = 4, kSegidLast = 5;
constexpr unsigned kSegidFlagBit = 1;
// A blob reference (kBlobSize bytes): a 32-bit number compared first, the segment id, a
// 32-bit and a 16-bit number, and the byte that must agree for the segment ids to count.
constexpr size_t kBlobSegid = 4, kBlobThird = 12, kBlobFourth = 16, kBlobSegidGate = 18;
static_assert(kBlobSegidGate < static_cast<size_t>(kBlobSize));

}  // namespace

QD_EXTERN_C QD_API int segid_cmp(void* a, void* b) {
  const int32_t na = load<int32_t>(a), nb = load<int32_t>(b);
  if (na != nb) return na > nb ? 1 : -1;
  const int fa = bytes(a)[kSegidFlag] & kSegidFlagBit, fb = bytes(b)[kSegidFlag] & kSegidFlagBit;
  if (fa != fb) return fa > fb ? 1 : -1;
  return load<int8_t>(bytes(a) + kSegidLast) - load<int8_t>(bytes(b) + kSegidLast);
}

QD_EXTERN_C QD_API int blob_cmp(void* a, void* b) {
  const uint32_t first_a = load<uint32_t>(a), first_b = load<uint32_t>(b);
  if (first_a != first_b) return first_a > first_b ? 1 : -1;
  int r = bytes(a)[kBlobSegidGate] == bytes(b)[kBlobSegidGate]
              ? segid_cmp(static_cast<char*>(a) + kBlobSegid, static_cast<char*>(b) + kBlobSegid)
              : 1;
  const uint32_t third_a = load<uint32_t>(bytes(a) + kBlobThird);
  const uint32_t third_b = load<uint32_t>(bytes(b) + kBlobThird);
  const uint16_t fourth_a = load<uint16_t>(bytes(a) + kBlobFourth);
  const uint16_t fourth_b = load<uint16_t>(bytes(b) + kBlobFourth);
  if (g_blob_content) {
    if (r == 0 && third_a == third_b && fourth_a == fourth_b) return 0;
    g_blob_content(a, b, &r);
    return r;
  }
  if (r != 0) return r;
  if (third_a != third_b) return third_a > third_b ? 1 : -1;
  if (fourth_a != fourth_b) return fourth_a > fourth_b ? 1 : -1;
  return 0;
}

QD_EXTERN_C QD_API qd_blob_content_cmp set_blob_content_cmp(qd_blob_content_cmp routine) {
  if (g_blob_setting < 0) {
    const char* v = win_os_getenv("BLOBCOMPARE");
    g_blob_setting = v ? std::atoi(v) : 0;
    if (g_blob_setting == -1) g_blob_setting = 1;
  }
  if (g_blob_setting == 0) return nullptr;
  g_blob_content = routine;
  return routine;
}

QD_EXTERN_C QD_API int ipr_tuplecmp(void* tuple_a, void* tuple_b, short* keys_a, short* keys_b,
                                    char* flag) {
  if (flag) *flag = 1;
  const int n = load<int16_t>(keys_a);
  int r = 0;
  // A tuple starts with 16-bit offsets, field i from offset i to offset i + 1; a key
  // list is a 16-bit count and pairs (field index, type code) of 16-bit numbers.
  constexpr int kOffsetBytes = 2;
  auto field = [](const void* tuple, int index, bool* null) {
    const uint16_t start = load<uint16_t>(bytes(tuple) + kOffsetBytes * index);
    const uint16_t end = load<uint16_t>(bytes(tuple) + kOffsetBytes * (index + 1));
    *null = start == end;
    return const_cast<unsigned char*>(bytes(tuple) + start);
  };
  auto key = [](const short* keys, int k, int part) { return load<int16_t>(keys + 1 + 2 * k + part); };
  for (int k = 0; k < n; ++k) {
    const int fa = key(keys_a, k, 0), ta = key(keys_a, k, 1);
    const int fb = key(keys_b, k, 0), tb = key(keys_b, k, 1);
    bool null_a, null_b;
    unsigned char* va = field(tuple_a, fa, &null_a);
    unsigned char* vb = field(tuple_b, fb, &null_b);
    if (!null_a && !null_b) {
      const int c = compare(va, ta, vb, tb, kNoLimit, kNoLimit);
      if (c != 0) {
        if (r == 0) r = c < 0 ? -(k + 1) : k + 1;
        if (flag) *flag = 1;
        break;
      }
    } else if (null_a && !null_b) {
      if (r == 0) r = -(k + 1);
      if (ta == kNulltyp) {
        if (flag) *flag = 1;
        break;
      }
      if (flag) *flag = 0;
    } else if (!null_a && null_b) {
      if (r == 0) r = k + 1;
      if (tb == kNulltyp) {
        if (flag) *flag = 1;
        break;
      }
      if (flag) *flag = 0;
    } else if (ta != kNulltyp && tb != kNulltyp) {
      if (flag) *flag = 0;
    }
  }
  return r;
}

QD_EXTERN_C QD_API int addrcmp(void* a, void* b) {
  constexpr size_t kAddressBytes = 4 + 8 + 2;  // the address record's three parts
  return std::memcmp(a, b, kAddressBytes) != 0;
}

QD_EXTERN_C QD_API int mtacmp(void* a, void* b) {
  constexpr size_t kExtraOffset = 16, kExtraBytes = 12;
  if (std::memcmp(bytes(a) + kExtraOffset, bytes(b) + kExtraOffset, kExtraBytes) != 0) return 1;
  return addrcmp(a, b);
}

namespace {

// Case folding of the case-free comparisons: only ASCII lower-case letters change;
// bytes of 128 and above keep their signed (negative) value.
int fold_upper(signed char c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

}  // namespace

QD_EXTERN_C QD_API int ic_strncmp(char* a, char* b, int n) {
  for (int i = 0; i < n; ++i) {
    const signed char x = static_cast<signed char>(a[i]), y = static_cast<signed char>(b[i]);
    if (x == 0 || y == 0) return x - y;
    const int fx = fold_upper(x), fy = fold_upper(y);
    if (fx != fy) return fx - fy;
  }
  return 0;
}

QD_EXTERN_C QD_API int ic_strcmp(char* a, char* b) { return ic_strncmp(a, b, kNoLimit); }

QD_EXTERN_C QD_API int uplowstrcmp(char* a, char* b) {
  const signed char* x = reinterpret_cast<const signed char*>(a);
  const signed char* y = reinterpret_cast<const signed char*>(b);
  for (; *x && *y; ++x, ++y) {
    if (*x == *y) continue;
    if (*y >= 'a' && *y <= 'z' && *y - ('a' - 'A') == *x) continue;
    break;
  }
  if (*x == *y) return 0;
  if (static_cast<unsigned char>(*x) >= 128) return *x - *y;
  if (*x >= 'A' && *x <= 'Z') return (*x + ('a' - 'A')) - *y;
  return *x - *y;
}

QD_EXTERN_C QD_API unsigned char* give_sortorder(void) { return qd_sort_order; }

QD_EXTERN_C QD_API int qdmb_strlen(char* text) {
  const int32_t code = qdxglob_val.db_encoding;
  int count = 0;
  for (const char* p = text; *p;) {
    int width;
    switch (code) {
      case kEncUcs4le:
      case kEncUcs4be:
        width = 4;
        break;
      case kEncUcs2le:
      case kEncUcs2be:
        width = 2;
        break;
      case kEncPropriet:
      case kEncAscii:
      case kEncSinglebyte:
        width = 1;
        break;
      case kEncTest:
        width = encoding_char_len(code, p);
        break;
      default:
        width = static_cast<unsigned char>(*p) < 0x80 ? 1 : encoding_char_len(code, p);
        break;
    }
    ++count;
    if (width < 1) width = 1;
    if (code < kEncUcs2le || code > kEncUcs4be) {
      // A multi-byte character cut by the terminator ends the text there.
      int i = 1;
      while (i < width && p[i]) ++i;
      if (i < width) break;
    }
    p += width;
  }
  return count;
}
