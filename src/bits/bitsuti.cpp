// bitsuti.cpp: the bit string types bits and bits2: construction, the digit literal and
// digit text, comparison, the logical operations, copies, hash keys, subranges,
// counting, searching and single-bit access. Both variants share one template over the
// width of the length header.
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <type_traits>

#include "bits/bits_internal.h"
#include "qdtype32/qdbits.h"
#include "base/byteio.h"

namespace qd {
namespace {

// Bit positions and counts: wide enough for the sum of two 32-bit values.
using Pos = int64_t;

// The first k bits (0..8) of a byte, most significant first.
constexpr uint8_t head_mask(Pos k) { return static_cast<uint8_t>(0xFF00u >> k); }
// The bit of position i inside its byte.
constexpr uint8_t bit_mask(Pos i) { return static_cast<uint8_t>(0x80u >> (i & 7)); }

constexpr size_t byte_count(Pos n) { return static_cast<size_t>((n + 7) / 8); }

// The header of one variant: H is the stored bit count.
template <class H>
struct Layout {
  static constexpr size_t kHeader = sizeof(H);
  static constexpr Pos kMax = std::numeric_limits<H>::max();

  static Pos length(const void* v) {
    const H n = load<H>(v);
    if constexpr (std::is_signed_v<H>) {
      if (n < 0) return 0;  // outside the value model: read as the empty string
    }
    return static_cast<Pos>(n);
  }
  static void set_length(void* v, Pos n) { store<H>(v, static_cast<H>(n)); }
  static uint8_t* data(void* v) { return static_cast<uint8_t*>(v) + kHeader; }
  static const uint8_t* data(const void* v) { return static_cast<const uint8_t*>(v) + kHeader; }
};

using Bits = Layout<int32_t>;
using Bits2 = Layout<uint16_t>;
static_assert(Bits::kHeader == kBitsHeader && Bits2::kHeader == kBits2Header);
static_assert(Bits2::kMax == kBits2MaxLength);

// Byte k of a string of n bits with its fill bits masked off; 0 beyond the string.
inline uint8_t byte_of(const uint8_t* d, Pos n, size_t k) {
  const Pos first = static_cast<Pos>(k) * 8;
  if (first >= n) return 0;
  if (n - first >= 8) return d[k];
  return d[k] & head_mask(n - first);
}

// The eight bits starting at bit position pos of data holding `bytes` bytes, first bit
// in the most significant place; bits outside the bytes read as 0. pos may be as low
// as -7 (the window then starts before the first byte).
inline uint8_t window_at(const uint8_t* d, size_t bytes, Pos pos) {
  if (pos < 0) return bytes ? static_cast<uint8_t>(d[0] >> -pos) : 0;
  const size_t q = static_cast<size_t>(pos / 8);
  const unsigned r = static_cast<unsigned>(pos % 8);
  const unsigned hi = q < bytes ? d[q] : 0;
  if (r == 0) return static_cast<uint8_t>(hi);
  const unsigned lo = q + 1 < bytes ? d[q + 1] : 0;
  return static_cast<uint8_t>((hi << r) | (lo >> (8 - r)));
}

// Writes bits [from, to) as 0 or 1, keeping the bits before `from` in its byte and
// clearing the bits after `to` up to the end of its byte. Bytes entirely inside the run
// are written whole. Used to build strings front to back, so the fill bits stay zero.
void put_run(uint8_t* d, Pos from, Pos to, bool one) {
  if (from >= to) return;
  const size_t b = static_cast<size_t>(from / 8);
  const size_t e = static_cast<size_t>((to - 1) / 8);
  const Pos r = from % 8;
  const uint8_t fill = one ? 0xFF : 0x00;
  if (b == e) {
    const uint8_t run =
        head_mask(to - static_cast<Pos>(b) * 8) & static_cast<uint8_t>(~head_mask(r));
    d[b] = static_cast<uint8_t>((d[b] & head_mask(r)) | (fill & run));
    return;
  }
  d[b] = static_cast<uint8_t>((d[b] & head_mask(r)) | (fill & ~head_mask(r)));
  std::memset(d + b + 1, fill, e - b - 1);
  d[e] = fill & head_mask(to - static_cast<Pos>(e) * 8);
}

// Clears the fill bits of the last data byte of a string of n bits.
inline void clear_fill(uint8_t* d, Pos n) {
  if (n % 8) d[n / 8] &= head_mask(n % 8);
}

// Whether any bit in [from, to) is set (from < to).
bool any_set(const uint8_t* d, Pos from, Pos to) {
  const size_t b = static_cast<size_t>(from / 8);
  const size_t e = static_cast<size_t>((to - 1) / 8);
  const uint8_t first = static_cast<uint8_t>(~head_mask(from % 8));
  const uint8_t last = head_mask(to - static_cast<Pos>(e) * 8);
  if (b == e) return (d[b] & first & last) != 0;
  if (d[b] & first) return true;
  for (size_t k = b + 1; k < e; ++k) {
    if (d[k]) return true;
  }
  return (d[e] & last) != 0;
}

int popcount_bytes(const uint8_t* d, size_t bytes) {
  int total = 0;
  size_t k = 0;
  for (; k + 8 <= bytes; k += 8) total += std::popcount(load<uint64_t>(d + k));
  for (; k < bytes; ++k) total += std::popcount(static_cast<unsigned>(d[k]));
  return total;
}

// ---- Operations over either variant ------------------------------------------------------

template <class L>
void* make(void* dst, Pos zeros, Pos ones) {
  zeros = std::max<Pos>(zeros, 0);
  ones = std::max<Pos>(ones, 0);
  if (zeros == 0 && ones == 0) zeros = 1;
  // A longer string cannot be stored in the header; it is cut at the largest length.
  zeros = std::min(zeros, L::kMax);
  ones = std::min(ones, L::kMax - zeros);
  const Pos n = zeros + ones;
  uint8_t* d = L::data(dst);
  put_run(d, 0, zeros, false);
  put_run(d, zeros, n, true);
  L::set_length(dst, n);
  return dst;
}

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// max bounds the bits stored (at most L::kMax); *cut, when given, tells whether the
// literal describes more bits than were stored. The whole literal is read either way.
template <class L>
char* lit_to(void* dst, char* lit, Pos max = L::kMax, bool* cut = nullptr) {
  max = std::clamp<Pos>(max, 0, L::kMax);
  uint8_t* d = L::data(dst);
  Pos n = 0;
  bool dropped = false;
  enum class Prev { kStart, kDigit, kGroup } prev = Prev::kStart;
  bool last = false;
  char* p = lit;
  for (;;) {
    if (*p == '0' || *p == '1') {
      last = *p == '1';
      // Bits beyond the bound are read but not stored.
      if (n < max) {
        put_run(d, n, n + 1, last);
        ++n;
      } else {
        dropped = true;
      }
      prev = Prev::kDigit;
      ++p;
      continue;
    }
    // A group stands only right after a digit and needs digits and a closing ")";
    // anything else stops the scan at its "(" with the bits read before it.
    if (*p != '(' || prev != Prev::kDigit || !is_digit(p[1])) break;
    char* q = p + 1;
    Pos times = 0;
    for (; is_digit(*q); ++q) times = std::min(times * 10 + (*q - '0'), L::kMax);
    if (*q != ')') break;
    const Pos want = times > 1 ? times - 1 : 0;
    const Pos extra = std::min(want, max - n);
    if (extra < want) dropped = true;
    put_run(d, n, n + extra, last);
    n += extra;
    prev = Prev::kGroup;
    p = q + 1;
  }
  if (n == 0) d[0] = 0;
  L::set_length(dst, n);
  if (cut) *cut = dropped;
  return p;
}

int compare_data(Pos n1, const uint8_t* a, Pos n2, const uint8_t* b) {
  const Pos m = std::min(n1, n2);
  const size_t whole = static_cast<size_t>(m / 8);
  if (whole) {
    const int c = std::memcmp(a, b, whole);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  if (m % 8) {
    // The first differing bit is the highest bit of the difference, so the masked
    // bytes order as unsigned numbers.
    const uint8_t x = a[whole] & head_mask(m % 8);
    const uint8_t y = b[whole] & head_mask(m % 8);
    if (x != y) return x < y ? -1 : 1;
  }
  if (n1 == n2) return 0;
  if (n1 > n2) return any_set(a, m, n1) ? 1 : 0;
  return any_set(b, m, n2) ? -1 : 0;
}

template <class L>
int compare(const void* a, const void* b) {
  return compare_data(L::length(a), L::data(a), L::length(b), L::data(b));
}

enum class Logic { kAnd, kOr };

template <class L, Logic op>
void* logic(void* a, void* b, void* res) {
  const Pos na = L::length(a);
  const Pos nb = L::length(b);
  const uint8_t* da = L::data(a);
  const uint8_t* db = L::data(b);
  uint8_t* dr = L::data(res);
  const Pos n = std::max(na, nb);
  const Pos m = std::min(na, nb);
  const size_t whole = static_cast<size_t>(m / 8);  // whole bytes of both operands
  const size_t common = byte_count(m);              // bytes of the shorter operand
  const size_t bytes = byte_count(n);
  for (size_t k = 0; k < whole; ++k) {
    dr[k] = op == Logic::kAnd ? (da[k] & db[k]) : (da[k] | db[k]);
  }
  if (common > whole) {
    const uint8_t x = byte_of(da, na, whole);
    const uint8_t y = byte_of(db, nb, whole);
    dr[whole] = op == Logic::kAnd ? (x & y) : (x | y);
  }
  if (bytes > common) {
    if (op == Logic::kAnd) {
      std::memset(dr + common, 0, bytes - common);
    } else {
      const uint8_t* longer = na > nb ? da : db;
      std::memmove(dr + common, longer + common, bytes - common);
      clear_fill(dr, n);
    }
  }
  if (n == 0) dr[0] = 0;
  L::set_length(res, n);
  return res;
}

template <class L>
void* complement(void* src, void* dst) {
  const Pos n = L::length(src);
  const uint8_t* ds = L::data(src);
  uint8_t* dd = L::data(dst);
  const size_t bytes = byte_count(n);
  for (size_t k = 0; k < bytes; ++k) dd[k] = static_cast<uint8_t>(~ds[k]);
  if (n == 0) dd[0] = 0;  // the empty string still gets its one data byte
  clear_fill(dd, n);
  L::set_length(dst, n);
  return dst;
}

template <class L>
void copy(void* dst, void* src) {
  const Pos n = L::length(src);
  std::memmove(dst, src, L::kHeader + byte_count(n));
  clear_fill(L::data(dst), n);
}

template <class L>
void hash_key(void* v, void** key, int* len) {
  if (key) *key = L::data(v);
  if (len) *len = static_cast<int>(byte_count(L::length(v)));
}

template <class L>
void* range(void* src, int start, int count, void* dst) {
  const Pos ns = L::length(src);
  const Pos s = std::max(start, 0);
  const Pos c = std::clamp<Pos>(count, 0, L::kMax);
  const Pos avail = std::clamp<Pos>(ns - s, 0, c);  // bits taken from the source
  const uint8_t* ds = L::data(src);
  uint8_t* dd = L::data(dst);
  const size_t src_bytes = byte_count(ns);
  const size_t copy_bytes = byte_count(avail);
  // Reads run at or ahead of writes, so dst may be src itself.
  if (copy_bytes) {
    if (s % 8 == 0) {
      std::memmove(dd, ds + s / 8, copy_bytes);
    } else {
      for (size_t k = 0; k < copy_bytes; ++k) {
        dd[k] = window_at(ds, src_bytes, s + static_cast<Pos>(k) * 8);
      }
    }
    clear_fill(dd, avail);
  }
  const size_t out_bytes = byte_count(c);
  if (out_bytes > copy_bytes) std::memset(dd + copy_bytes, 0, out_bytes - copy_bytes);
  L::set_length(dst, c);
  return dst;
}

template <class L>
int find(void* v, int k) {
  const Pos n = L::length(v);
  const uint8_t* d = L::data(v);
  const size_t bytes = byte_count(n);
  if (k >= 1) {
    Pos left = k;
    for (size_t b = 0; b < bytes; ++b) {
      const uint8_t x = byte_of(d, n, b);
      const int c = std::popcount(static_cast<unsigned>(x));
      if (c < left) {
        left -= c;
        continue;
      }
      for (int bit = 0; bit < 8; ++bit) {
        if ((x & (0x80u >> bit)) && --left == 0) return static_cast<int>(b * 8 + bit);
      }
    }
    return -1;
  }
  for (size_t b = bytes; b-- > 0;) {
    const uint8_t x = byte_of(d, n, b);
    if (x) return static_cast<int>(b * 8 + 7 - std::countr_zero(static_cast<unsigned>(x)));
  }
  return -1;
}

template <class L>
int test_bit(void* v, int i) {
  if (i < 0 || i >= L::length(v)) return 0;
  return (L::data(v)[i / 8] & bit_mask(i)) ? 1 : 0;
}

}  // namespace

int32_t bits_length(const void* v) { return static_cast<int32_t>(Bits::length(v)); }
int32_t bits2_length(const void* v) { return static_cast<int32_t>(Bits2::length(v)); }
size_t bits_value_size(const void* v) { return kBitsHeader + byte_count(Bits::length(v)); }
size_t bits2_value_size(const void* v) { return kBits2Header + byte_count(Bits2::length(v)); }

int bits_compare(const void* a, const void* b) { return compare<Bits>(a, b); }

}  // namespace qd

using qd::Bits;
using qd::Bits2;

QD_EXTERN_C QD_API void* make_bits(void* dst, int zeros, int ones) {
  QD_INPUTS_OK(true);
  return QD_BITS_PTR(qd::make<Bits>(dst, zeros, ones));
}
QD_EXTERN_C QD_API void* make_bits2(void* dst, uint16_t zeros, uint16_t ones) {
  QD_INPUTS_OK(true);
  return QD_BITS2_PTR(qd::make<Bits2>(dst, zeros, ones));
}

namespace qd {
char* lit_to_bits_bounded(void* dst, char* lit, int32_t max_bits, bool* cut) {
  return lit_to<Bits>(dst, lit, max_bits, cut);
}
}  // namespace qd

QD_EXTERN_C QD_API char* lit_to_bits(void* dst, char* lit) {
  QD_INPUTS_OK(true);
  char* end = qd::lit_to<Bits>(dst, lit);
  QD_BITS_PTR(dst);
  return end;
}
QD_EXTERN_C QD_API char* lit_to_bits2(void* dst, char* lit) {
  QD_INPUTS_OK(true);
  char* end = qd::lit_to<Bits2>(dst, lit);
  QD_BITS2_PTR(dst);
  return end;
}

QD_EXTERN_C QD_API char* bits_to_asci(int n, void* data, char* out, int limit) {
  qd::Pos count = std::max(n, 0);
  if (limit > 0) count = std::min<qd::Pos>(count, limit - 1);
  const uint8_t* d = static_cast<const uint8_t*>(data);
  for (qd::Pos i = 0; i < count; ++i) out[i] = (d[i / 8] & qd::bit_mask(i)) ? '1' : '0';
  out[count] = '\0';
  return out;
}

QD_EXTERN_C QD_API int sub_bit_compare(int len1, void* data1, int len2, void* data2) {
  return qd::compare_data(std::max(len1, 0), static_cast<const uint8_t*>(data1), std::max(len2, 0),
                          static_cast<const uint8_t*>(data2));
}
QD_EXTERN_C QD_API int bits2_compare(void* a, void* b) { return qd::compare<Bits2>(a, b); }

QD_EXTERN_C QD_API void* bit_and(void* a, void* b, void* res) {
  QD_INPUTS_OK(qd::valid_bits(a, qd::kBitsAnyRoom) && qd::valid_bits(b, qd::kBitsAnyRoom));
  return QD_BITS_PTR((qd::logic<Bits, qd::Logic::kAnd>(a, b, res)));
}
QD_EXTERN_C QD_API void* bits2_and(void* a, void* b, void* res) {
  QD_INPUTS_OK(qd::valid_bits2(a, qd::kBitsAnyRoom) && qd::valid_bits2(b, qd::kBitsAnyRoom));
  return QD_BITS2_PTR((qd::logic<Bits2, qd::Logic::kAnd>(a, b, res)));
}
QD_EXTERN_C QD_API void* bit_or(void* a, void* b, void* res) {
  QD_INPUTS_OK(qd::valid_bits(a, qd::kBitsAnyRoom) && qd::valid_bits(b, qd::kBitsAnyRoom));
  return QD_BITS_PTR((qd::logic<Bits, qd::Logic::kOr>(a, b, res)));
}
QD_EXTERN_C QD_API void* bits2_or(void* a, void* b, void* res) {
  QD_INPUTS_OK(qd::valid_bits2(a, qd::kBitsAnyRoom) && qd::valid_bits2(b, qd::kBitsAnyRoom));
  return QD_BITS2_PTR((qd::logic<Bits2, qd::Logic::kOr>(a, b, res)));
}
QD_EXTERN_C QD_API void* bit_not(void* src, void* dst) {
  QD_INPUTS_OK(qd::valid_bits(src, qd::kBitsAnyRoom));
  return QD_BITS_PTR(qd::complement<Bits>(src, dst));
}
QD_EXTERN_C QD_API void* bits2_not(void* src, void* dst) {
  QD_INPUTS_OK(qd::valid_bits2(src, qd::kBitsAnyRoom));
  return QD_BITS2_PTR(qd::complement<Bits2>(src, dst));
}

QD_EXTERN_C QD_API void bit_copy(void* dst, void* src) {
  QD_INPUTS_OK(qd::valid_bits(src, qd::kBitsAnyRoom));
  qd::copy<Bits>(dst, src);
  QD_BITS_PTR(dst);
}
QD_EXTERN_C QD_API void bits2_copy(void* dst, void* src) {
  QD_INPUTS_OK(qd::valid_bits2(src, qd::kBitsAnyRoom));
  qd::copy<Bits2>(dst, src);
  QD_BITS2_PTR(dst);
}

QD_EXTERN_C QD_API void bits_hash(void* v, void** key, int* len) {
  qd::hash_key<Bits>(v, key, len);
}
QD_EXTERN_C QD_API void bits2_hash(void* v, void** key, int* len) {
  qd::hash_key<Bits2>(v, key, len);
}

QD_EXTERN_C QD_API void* bits_range(void* src, int start, int count, void* dst) {
  QD_INPUTS_OK(qd::valid_bits(src, qd::kBitsAnyRoom));
  return QD_BITS_PTR(qd::range<Bits>(src, start, count, dst));
}
QD_EXTERN_C QD_API void* bits2_range(void* src, int start, int count, void* dst) {
  QD_INPUTS_OK(qd::valid_bits2(src, qd::kBitsAnyRoom));
  return QD_BITS2_PTR(qd::range<Bits2>(src, start, count, dst));
}

QD_EXTERN_C QD_API void* bits2_replace(void* dst, void* src, uint16_t pos) {
  QD_INPUTS_OK(qd::valid_bits2(dst, qd::kBitsAnyRoom) && qd::valid_bits2(src, qd::kBitsAnyRoom));
  const qd::Pos nd = Bits2::length(dst);
  const qd::Pos ns = Bits2::length(src);
  const qd::Pos p = pos;
  if (p > nd || ns == 0) return QD_BITS2_PTR(dst);
  const qd::Pos k = std::min(ns, nd - p);  // bits that land inside dst
  if (k == 0) return QD_BITS2_PTR(dst);
  uint8_t* dd = Bits2::data(dst);
  const uint8_t* ds = Bits2::data(src);
  const size_t src_bytes = qd::byte_count(ns);
  const size_t first = static_cast<size_t>(p / 8);
  const size_t last = static_cast<size_t>((p + k - 1) / 8);
  // Back to front: each step reads source bytes at or before the byte it writes, so
  // dst may be src itself.
  for (size_t j = last + 1; j-- > first;) {
    const qd::Pos base = static_cast<qd::Pos>(j) * 8;
    const qd::Pos lo = std::max(p, base) - base;
    const qd::Pos hi = std::min(p + k, base + 8) - base;
    const uint8_t mask = qd::head_mask(hi) & static_cast<uint8_t>(~qd::head_mask(lo));
    const uint8_t w = qd::window_at(ds, src_bytes, base - p);
    dd[j] = static_cast<uint8_t>((dd[j] & ~mask) | (w & mask));
  }
  return QD_BITS2_PTR(dst);
}

QD_EXTERN_C QD_API int count_bit(void* v) {
  const qd::Pos n = Bits::length(v);
  const uint8_t* d = Bits::data(v);
  const size_t whole = static_cast<size_t>(n / 8);
  int total = qd::popcount_bytes(d, whole);
  if (n % 8) total += std::popcount(static_cast<unsigned>(qd::byte_of(d, n, whole)));
  return total;
}

QD_EXTERN_C QD_API int find_nbit(void* v, int k) { return qd::find<Bits>(v, k); }
QD_EXTERN_C QD_API int find_nbit_2(void* v, int k) { return qd::find<Bits2>(v, k); }

QD_EXTERN_C QD_API int bits_test_bit(void* v, int i) { return qd::test_bit<Bits>(v, i); }
QD_EXTERN_C QD_API int bits2_test_bit(void* v, int i) { return qd::test_bit<Bits2>(v, i); }

QD_EXTERN_C QD_API void* add_single_bit(void* v, int i) {
  QD_INPUTS_OK(qd::valid_bits(v, qd::kBitsAnyRoom));
  // A position whose string length would not fit the header is outside the value model.
  if (i < 0 || i == std::numeric_limits<int32_t>::max()) return QD_BITS_PTR(v);
  const qd::Pos n = Bits::length(v);
  uint8_t* d = Bits::data(v);
  if (i >= n) {
    qd::put_run(d, n, static_cast<qd::Pos>(i) + 1, false);
    Bits::set_length(v, static_cast<qd::Pos>(i) + 1);
  }
  d[i / 8] |= qd::bit_mask(i);
  return QD_BITS_PTR(v);
}

QD_EXTERN_C QD_API void* del_single_bit(void* v, int i) {
  QD_INPUTS_OK(qd::valid_bits(v, qd::kBitsAnyRoom));
  if (i >= 0 && i < Bits::length(v)) Bits::data(v)[i / 8] &= static_cast<uint8_t>(~qd::bit_mask(i));
  return QD_BITS_PTR(v);
}
