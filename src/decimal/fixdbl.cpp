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

constexpr uint32_t kPow5[14] = {1u,       5u,        25u,        125u,       625u,
                                3125u,    15625u,    78125u,     390625u,    1953125u,
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
  auto bit = [&](int k) -> bool { return k / 32 < b.n && ((b.w[k / 32] >> (k % 32)) & 1u); };
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
    case 1:
      big_div<5u>(d);
      break;
    case 2:
      big_div<25u>(d);
      break;
    case 3:
      big_div<125u>(d);
      break;
    case 4:
      big_div<625u>(d);
      break;
    case 5:
      big_div<3125u>(d);
      break;
    case 6:
      big_div<15625u>(d);
      break;
    case 7:
      big_div<78125u>(d);
      break;
    case 8:
      big_div<390625u>(d);
      break;
    case 9:
      big_div<1953125u>(d);
      break;
    case 10:
      big_div<9765625u>(d);
      break;
    case 11:
      big_div<48828125u>(d);
      break;
    case 12:
      big_div<244140625u>(d);
      break;
    default:
      break;
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

#if defined(__SIZEOF_INT128__)
// 64-bit targets: the same rounding with 64-bit words for the usual scales (5^t below
// 2^192), so that a quotient estimate costs a few multiplications.
const uint64_t kPow5Words[kPow5WordsMax + 1][3] = {
    {0x0000000000000001ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0000000000000005ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0000000000000019ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000000000000007dull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0000000000000271ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0000000000000c35ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0000000000003d09ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000000000001312dull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000000000005f5e1ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x00000000001dcd65ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x00000000009502f9ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0000000002e90eddull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000000000e8d4a51ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0000000048c27395ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000000016bcc41e9ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000000071afd498dull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0000002386f26fc1ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000000b1a2bc2ec5ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000003782dace9d9ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x00001158e460913dull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000056bc75e2d631ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0001b1ae4d6e2ef5ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x000878678326eac9ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x002a5a058fc295edull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x00d3c21bcecceda1ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x0422ca8b0a00a425ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x14adf4b7320334b9ull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x6765c793fa10079dull, 0x0000000000000000ull, 0x0000000000000000ull},
    {0x04fce5e3e2502611ull, 0x0000000000000002ull, 0x0000000000000000ull},
    {0x18f07d736b90be55ull, 0x000000000000000aull, 0x0000000000000000ull},
    {0x7cb2734119d3b7a9ull, 0x0000000000000032ull, 0x0000000000000000ull},
    {0x6f7c40458122964dull, 0x00000000000000fcull, 0x0000000000000000ull},
    {0x2d6d415b85acef81ull, 0x00000000000004eeull, 0x0000000000000000ull},
    {0xe32246c99c60ad85ull, 0x00000000000018a6ull, 0x0000000000000000ull},
    {0x6fab61f00de36399ull, 0x0000000000007b42ull, 0x0000000000000000ull},
    {0x2e58e9b04570f1fdull, 0x000000000002684cull, 0x0000000000000000ull},
    {0xe7bc90715b34b9f1ull, 0x00000000000c097cull, 0x0000000000000000ull},
    {0x86aed236c807a1b5ull, 0x00000000003c2f70ull, 0x0000000000000000ull},
    {0xa16a1b11e8262889ull, 0x00000000012ced32ull, 0x0000000000000000ull},
    {0x2712875988becaadull, 0x0000000005e0a1fdull, 0x0000000000000000ull},
    {0xc35ca4bfabb9f561ull, 0x000000001d6329f1ull, 0x0000000000000000ull},
    {0xd0cf37be5aa1cae5ull, 0x0000000092efd1b8ull, 0x0000000000000000ull},
    {0x140c16b7c528f679ull, 0x00000002deaf189cull, 0x0000000000000000ull},
    {0x643c7196d9ccd05dull, 0x0000000e596b7b0cull, 0x0000000000000000ull},
    {0xf52e37f2410011d1ull, 0x00000047bf19673dull, 0x0000000000000000ull},
    {0xc9e717bb45005915ull, 0x00000166bb7f0435ull, 0x0000000000000000ull},
    {0xf18376a85901bd69ull, 0x00000701a97b150cull, 0x0000000000000000ull},
    {0xb7915149bd08b30dull, 0x000023084f676940ull, 0x0000000000000000ull},
    {0x95d69670b12b7f41ull, 0x0000af298d050e43ull, 0x0000000000000000ull},
    {0xed30f03375d97c45ull, 0x00036bcfc1194751ull, 0x0000000000000000ull},
    {0xa1f4b1014d3f6d59ull, 0x00111b0ec57e6499ull, 0x0000000000000000ull},
    {0x29c77506823d22bdull, 0x00558749db77f700ull, 0x0000000000000000ull},
    {0xd0e549208b31adb1ull, 0x01aba4714957d300ull, 0x0000000000000000ull},
    {0x147a6da2b7f86475ull, 0x085a36366eb71f04ull, 0x0000000000000000ull},
    {0x6664242d97d9f649ull, 0x29c30f1029939b14ull, 0x0000000000000000ull},
    {0xfff4b4e3f741cf6dull, 0xd0cf4b50cfe20765ull, 0x0000000000000000ull},
    {0xffc78873d4490d21ull, 0x140c78940f6a24fdull, 0x0000000000000004ull},
    {0xfee5aa43256d41a5ull, 0x643e5ae44d12b8f5ull, 0x0000000000000014ull},
    {0xfa7c534fbb224839ull, 0xf537c675815d9ccdull, 0x0000000000000065ull},
    {0xe46da08ea7ab691dull, 0xca16e04b86d41005ull, 0x00000000000001fdull},
    {0x762422c946590d91ull, 0xf2726179a224501dull, 0x00000000000009f4ull},
    {0x4eb4adee5fbd43d5ull, 0xbc3be7602ab59093ull, 0x00000000000031c8ull},
    {0x898765a7deb25329ull, 0xad2b84e0d58bd2e0ull, 0x000000000000f8ebull},
    {0xafa4fc47597b9fcdull, 0x61d998642bbb1e62ull, 0x000000000004dc9aull},
    {0x6e38ed64bf6a1f01ull, 0xe93ff9f4daa797edull, 0x0000000000184f03ull},
    {0x271ca2f7bd129b05ull, 0x8e3fe1c84545f7a3ull, 0x0000000000798b13ull},
    {0xc38f2ed6b15d0719ull, 0xc73f68e95a5dd62full, 0x00000000025fb761ull},
    {0xd1cbea3176d1237dull, 0xe43d0c8ec3d52eeeull, 0x000000000bde94e8ull},
    {0x18fb92f75215b171ull, 0x75313ec9d329eaaaull, 0x000000003b58e88cull},
    {0x7ce9ded49a6c7735ull, 0x49f639f11fd19552ull, 0x0000000128bc8abeull},
    {0x70915a27041e5409ull, 0x71cf21b59f17ea9cull, 0x00000005cbaeb5b7ull},
    {0x32d6c2c31497a42dull, 0x390ba88c1b77950eull, 0x0000001cfa698c95ull},
    {0xfe31cdcf66f634e1ull, 0x1d3a4abc8955e946ull, 0x00000090e40fbeeaull},
    {0xf6f9050d02cf0865ull, 0x922375aeaead8e62ull, 0x000002d4744eba92ull},
    {0xd2dd19410e0b29f9ull, 0xdab14c696963c7eeull, 0x00000e264589a4dcull},
    {0x1e517e454637d1ddull, 0x45767e0f0ef2e7aaull, 0x000046bf5bb03850ull},
    {0x9797775a5f171951ull, 0x5b50764b4abe8652ull, 0x000161bcca711991ull},
    {0xf5f554c3db737e95ull, 0xc8924f7875b89f9cull, 0x0006e8aff4357fd6ull},
    {0xcdcaa7d3494178e9ull, 0xeadb8d5a4c9b1e10ull, 0x00228b6fc50b7f31ull},
    {0x04f547206e475c8dull, 0x9649c2c37f079654ull, 0x00acb92ed9397bf9ull},
    {0x18ca63a22764cec1ull, 0xef70cdd17b25efa4ull, 0x035f9dea3e1f6bdfull},
    {0x7bf3f22ac4f809c5ull, 0xad34051767bdae34ull, 0x10de1593369d1b5full},
};
#endif

namespace {

#if defined(__SIZEOF_INT128__)
// The 30 digits of |x| as a vector and the exponent E of the first digit; false when
// the fast form does not apply.
bool digits_fast(uint64_t m, int e2, double value, int* E, Vec* v) {
  U128 d;
  if (!digits30_fast(m, e2, value, E, &d)) return false;
  // d < 10^30, split into two halves below 10^16.
  uint64_t q, r;
#if defined(__x86_64__)
  // d / 10^16 is (d / 2^16) / 5^16: one division of 128 by 64 bits, whose quotient fits
  // its word since d / 2^16 is below 2^84.
  const U128 x = d >> 16;
  uint64_t rem;
  asm("divq %4" : "=a"(q), "=d"(rem) : "a"(lo64(x)), "d"(hi64(x)), "r"(uint64_t{152587890625u}));
  r = (rem << 16) | (lo64(d) & 0xffff);
#else
  // An estimate in doubles is off by less than one, so one correction gives the split.
  const double approx =
      static_cast<double>(hi64(d)) * 18446744073709551616.0 + static_cast<double>(lo64(d));
  q = static_cast<uint64_t>(approx * 1e-16);
  constexpr uint64_t k1e16 = 10000000000000000ull;
  U128 prod = static_cast<U128>(q) * k1e16;
  if (prod > d) {
    --q;
    prod -= k1e16;
  }
  r = lo64(d - prod);
  if (r >= k1e16) {
    ++q;
    r -= k1e16;
  }
#endif
  const uint32_t l0 = static_cast<uint32_t>(r % 100000000u);
  const uint32_t l1 = static_cast<uint32_t>(r / 100000000u);
  const uint32_t l2 = static_cast<uint32_t>(q % 100000000u);
  const uint32_t l3 = static_cast<uint32_t>(q / 100000000u);
  *v = bin_to_bcd32(l0, l1, l2, l3);
  return true;
}
#endif

// The 30 digits of |x| as a vector and the exponent E of the first digit, word by word.
void digits_wordwise(uint64_t m, int e2, int* E, Vec* v) {
  Big d;
  scaled_digits(m, e2, *E, d);
  int c = cmp_1e30(d);
  if (c > 0) {
    ++*E;
    scaled_digits(m, e2, *E, d);
    c = cmp_1e30(d);
  }
  if (c == 0) {
    *v = Vec(1) << (4 * (kFixMaxDigits - 1));
    ++*E;
  } else {
    const uint32_t l0 = big_div<100000000u>(d);
    const uint32_t l1 = big_div<100000000u>(d);
    const uint32_t l2 = big_div<100000000u>(d);
    const uint32_t l3 = d.w[0];
    *v = bin_to_bcd32(l0, l1, l2, l3);
  }
}

}  // namespace

bool num_from_double(double x, Num* n) {
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  n->d = Vec(0);
  n->sign = static_cast<int>(bits >> 63);
  DoubleParts parts;
  if (!split_double(bits, &parts)) {
    if ((bits << 1) != 0) return false;  // infinity or NaN
    // "+0.000...e+00": thirty zero digits at scale 29, all trailing: p 0, scale -1.
    n->p = 0;
    n->lo = kFixMaxDigits - 29;
    return true;
  }
  const uint64_t m = parts.m;
  const int e2 = parts.e2;
  int E = parts.E;
  if (!exponent_in_reach(E)) return false;
  Vec v;
#if defined(__SIZEOF_INT128__)
  const int E0 = E;
  if (!digits_fast(m, e2, x, &E, &v)) {
    E = E0;
    digits_wordwise(m, e2, &E, &v);
  }
#else
  digits_wordwise(m, e2, &E, &v);
#endif
  const int z = vec_trailing_zeros(v);
  const int scale = 29 - E - z;
  n->d = v >> (4 * z);
  n->p = kFixMaxDigits - z;
  n->lo = -scale;
  return scale >= -kFixScaleMax && scale <= kFixScaleMax;
}

int double_fix_digits(double x, uint8_t* dst) {
  std::memset(dst, 0, kFixMaxBytes);
  Num n;
  if (!num_from_double(x, &n)) {
    vec_store(dst, n.d, kFixMaxDigits);
    fix_report_double(x);
    return QDE_NUMERIC_OVERFLOW;
  }
  fx_head(dst, n.sign, n.p, -n.lo);
  vec_store(dst, n.d, kFixMaxDigits);
  return 0;
}

}  // namespace qd
