// fixutil.cpp: fix values: accessors, comparison, sizes, the cast to a scale and the
// conversions between fix values, integers and doubles.
#include <cstdio>
#include <cstring>

#include "decimal/fix_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "status/report.h"

namespace qd {
// Correctly rounded powers of ten for the scaling of fix_double.
const double kPow10[129] = {
    1e0,   1e1,   1e2,   1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,
    1e13,  1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22,  1e23,  1e24,  1e25,
    1e26,  1e27,  1e28,  1e29,  1e30,  1e31,  1e32,  1e33,  1e34,  1e35,  1e36,  1e37,  1e38,
    1e39,  1e40,  1e41,  1e42,  1e43,  1e44,  1e45,  1e46,  1e47,  1e48,  1e49,  1e50,  1e51,
    1e52,  1e53,  1e54,  1e55,  1e56,  1e57,  1e58,  1e59,  1e60,  1e61,  1e62,  1e63,  1e64,
    1e65,  1e66,  1e67,  1e68,  1e69,  1e70,  1e71,  1e72,  1e73,  1e74,  1e75,  1e76,  1e77,
    1e78,  1e79,  1e80,  1e81,  1e82,  1e83,  1e84,  1e85,  1e86,  1e87,  1e88,  1e89,  1e90,
    1e91,  1e92,  1e93,  1e94,  1e95,  1e96,  1e97,  1e98,  1e99,  1e100, 1e101, 1e102, 1e103,
    1e104, 1e105, 1e106, 1e107, 1e108, 1e109, 1e110, 1e111, 1e112, 1e113, 1e114, 1e115, 1e116,
    1e117, 1e118, 1e119, 1e120, 1e121, 1e122, 1e123, 1e124, 1e125, 1e126, 1e127, 1e128};

namespace {

// A value with p > 30 never comes out of this library; such input is still served, by
// the digit-at-a-time forms below, so that nothing is read beyond fixsize(p) bytes.
inline bool fits_vec(int p) { return p <= kFixMaxDigits; }

// Magnitude comparison read digit by digit over the union of both exponent ranges.
int magnitude_cmp_slow(const uint8_t* a, const uint8_t* b) {
  const int pa = fx_prec(a), sa = fx_scale(a), pb = fx_prec(b), sb = fx_scale(b);
  const int hi = pa - sa - 1 > pb - sb - 1 ? pa - sa - 1 : pb - sb - 1;
  const int lo = -sa < -sb ? -sa : -sb;
  for (int e = hi; e >= lo; --e) {
    const int da = fx_digit_at(a, e), db = fx_digit_at(b, e);
    if (da != db) return da > db ? 1 : -1;
  }
  return 0;
}

// fix_fix for any precision: the digits are read from a private copy, so src and dst
// may be the same buffer.
uint8_t* fix_fix_slow(const uint8_t* src_in, int scale, uint8_t* dst) {
  uint8_t src[2 + 64];
  std::memcpy(src, src_in, static_cast<size_t>(fx_size(fx_prec(src_in))));
  const int s = fx_scale(src), q = fx_significant(src);
  const int64_t d = static_cast<int64_t>(scale) - s;
  if (q == 0) {
    fx_head(dst, fx_sign(src), 0, scale);
    return dst;
  }
  const int64_t n = q + d;
  if (n > kFixMaxDigits || scale > kFixScaleMax || scale < kFixScaleMin) {
    fix_report_overflow("cast/round", src_in, src_in);
    return nullptr;
  }
  const int sign = fx_sign(src);
  if (d >= 0) {
    fx_head(dst, sign, static_cast<int>(n), scale);
    for (int i = q; i >= 1; --i) fx_put_digit(dst, i + static_cast<int>(d), fx_digit(src, i));
    for (int i = 1; i <= d; ++i) fx_put_digit(dst, i, 0);
    return dst;
  }
  if (n < 0) {
    fx_head(dst, 0, 0, scale);
    return dst;
  }
  fx_head(dst, sign, static_cast<int>(n), scale);
  int flag = fx_digit(src, static_cast<int>(-d)) >= 5;
  for (int i = 1; i <= n; ++i) {
    int dg = fx_digit(src, i - static_cast<int>(d));
    if (flag) {
      if (dg == 9) {
        dg = 0;
      } else {
        ++dg;
        flag = 0;
      }
    }
    fx_put_digit(dst, i, dg);
  }
  if (flag) {
    if (n < kFixMaxDigits) {
      fx_head(dst, sign, static_cast<int>(n) + 1, scale);
      fx_put_digit(dst, static_cast<int>(n) + 1, 1);
      return dst;
    }
    fx_head(dst, sign, 1, scale - kFixMaxDigits);
    fx_put_digit(dst, 1, 1);
    fix_report_overflow("cast/round", src_in, src_in);
    return nullptr;
  }
  return dst;
}

}  // namespace

int fx_significant(const uint8_t* v) {
  const int p = fx_prec(v);
  if (fits_vec(p)) return vec_len(vec_load(v, p));
  for (int i = p; i >= 1; --i)
    if (fx_digit(v, i)) return i;
  return 0;
}

int fx_magnitude_cmp(const uint8_t* a, const uint8_t* b) {
  const int pa = fx_prec(a), pb = fx_prec(b);
  if (!fits_vec(pa) || !fits_vec(pb)) return magnitude_cmp_slow(a, b);
  const Vec xa = vec_load(a, pa), xb = vec_load(b, pb);
  const int qa = vec_len(xa), qb = vec_len(xb);
  if (qa == 0 || qb == 0) return (qa != 0) - (qb != 0);
  const int ta = qa - fx_scale(a), tb = qb - fx_scale(b);  // top exponent + 1
  if (ta != tb) return ta > tb ? 1 : -1;
  // Same top exponent: left-justified digit strings compare as integers.
  const Vec ja = xa << (4 * (kVecDigits - qa)), jb = xb << (4 * (kVecDigits - qb));
  return ja == jb ? 0 : (ja > jb ? 1 : -1);
}

int fix_report_overflow(const char* name, const uint8_t* a, const uint8_t* b) {
  char ta[kFixTextSize], tb[kFixTextSize];
  fix_text(a, nullptr, ta, kFixTextSize);
  fix_text(b, nullptr, tb, kFixTextSize);
  return report<QDE_NUMERIC_OVERFLOW, 0>(name, static_cast<const char*>(ta),
                                         static_cast<const char*>(tb), "numeric");
}

int fix_report_double(double x) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", x);
  return report<QDE_DOUBLE_OUT_OF_RANGE, 0>(static_cast<const char*>(text));
}

void fix_shift_round(uint8_t* v, int k) {
  if (k <= 0) return;
  const int p = fx_prec(v), s = fx_scale(v), sign = fx_sign_bit(v);
  if (p < k) {
    fx_head(v, 0, 0, s - k);
    return;
  }
  if (fits_vec(p)) {
    const Vec x = vec_load(v, p);
    Vec y = vec_shr(x, k);
    int n = p - k;
    if (vec_digit(x, k - 1) >= 5) {
      y = vec_add(y, Vec(0), 1);
      if (vec_len(y) > n) ++n;
    }
    fx_head(v, sign, n, s - k);
    vec_store(v, y, n);
    return;
  }
  int flag = fx_digit(v, k) >= 5;
  for (int i = 1; i <= p - k; ++i) {
    int d = fx_digit(v, i + k);
    if (flag) {
      if (d == 9) {
        d = 0;
      } else {
        ++d;
        flag = 0;
      }
    }
    fx_put_digit(v, i, d);
  }
  fx_head(v, sign, p - k, s - k);
  if (flag) {
    fx_head(v, sign, p - k + 1, s - k);
    fx_put_digit(v, p - k + 1, 1);
  }
}

}  // namespace qd

using namespace qd;

// ---- Accessors and constructors ---------------------------------------------------------

QD_EXTERN_C QD_API int getprec(const qd_fix* v) { return fx_prec(v); }
QD_EXTERN_C QD_API int getscale(const qd_fix* v) { return fx_scale(v); }
QD_EXTERN_C QD_API int getsign(const qd_fix* v) { return fx_sign(v); }
QD_EXTERN_C QD_API int getdigit(const qd_fix* v, int i) { return fx_digit(v, i); }
QD_EXTERN_C QD_API void putprec(qd_fix* v, int p) {
  v[0] = static_cast<uint8_t>((v[0] & kSignBit) | (p & kPrecMask));
}
QD_EXTERN_C QD_API void putscale(qd_fix* v, int s) { v[1] = static_cast<uint8_t>(s); }
QD_EXTERN_C QD_API void putsign(qd_fix* v, int sign) {
  v[0] = static_cast<uint8_t>((v[0] & kPrecMask) | (sign ? kSignBit : 0));
}
QD_EXTERN_C QD_API void putdigit(qd_fix* v, int i, int d) { fx_put_digit(v, i, d); }
QD_EXTERN_C QD_API int fixsize(const qd_fix* v) { return fx_size(fx_prec(v)); }
QD_EXTERN_C QD_API int fixattrsize(const attrtype* t) {
  return (4 * static_cast<int8_t>(t->param[0]) + 23) / 8;
}
QD_EXTERN_C QD_API void fixhash(qd_fix* v, qd_fix** start, int* length) {
  *start = v + 2;
  *length = (4 * fx_prec(v)) / 8;
}
QD_EXTERN_C QD_API qd_fix* fixmksczero(qd_fix* v, int scale) {
  QD_INPUTS_OK(true);
  fx_head(v, 0, 0, scale);
  return QD_FIX_PTR(v);
}
QD_EXTERN_C QD_API qd_fix* fixmkzero(qd_fix* v) { return fixmksczero(v, 0); }
QD_EXTERN_C QD_API int fixiszero(const qd_fix* v) { return fx_significant(v) == 0; }
QD_EXTERN_C QD_API int fixgetsign(const qd_fix* v) {
  if (fx_sign(v)) return -1;
  return fixiszero(v) ? 0 : 1;
}
QD_EXTERN_C QD_API void fixcopy(const qd_fix* src, qd_fix* dst) {
  if (src != dst) std::memmove(dst, src, static_cast<size_t>(fx_size(fx_prec(src))));
}
QD_EXTERN_C QD_API qd_fix* fixminus(const qd_fix* src, qd_fix* dst) {
  QD_INPUTS_OK(valid_fix(src, kFixMaxBytes));
  fixcopy(src, dst);
  if (fixiszero(dst)) return QD_FIX_PTR(dst);
  dst[0] ^= kSignBit;
  return QD_FIX_PTR(dst);
}
QD_EXTERN_C QD_API void fix_change_sign(qd_fix* v) {
  if (!fixiszero(v)) v[0] ^= kSignBit;
}

QD_EXTERN_C QD_API int fixcmp(const qd_fix* a, const qd_fix* b) {
  const int sa = fx_sign(a), sb = fx_sign(b);
  if (sa != sb) return sb - sa;
  const int m = fx_magnitude_cmp(a, b);
  return sa ? -m : m;
}

QD_EXTERN_C QD_API int size_compatible(const qd_fix* v, const attrtype* t) {
  const int P = static_cast<int8_t>(t->param[0]), S = static_cast<int8_t>(t->param[1]);
  if (P == 0) return 1;
  return fx_significant(v) + (S - fx_scale(v)) <= P;
}

// ---- Cast to a scale ------------------------------------------------------------------

QD_EXTERN_C QD_API qd_fix* fix_fix(const qd_fix* src, int scale, qd_fix* dst) {
  QD_INPUTS_OK(valid_fix(src, kFixMaxBytes));
  const int p = fx_prec(src);
  if (!fits_vec(p)) return QD_FIX_PTR(fix_fix_slow(src, scale, dst));
  const int s = fx_scale(src);
  const Vec x = vec_load(src, p);
  const int q = vec_len(x);
  const int sign = fx_sign(src);
  if (q == 0) {
    fx_head(dst, sign, 0, scale);
    return QD_FIX_PTR(dst);
  }
  const int64_t d = static_cast<int64_t>(scale) - s;
  const int64_t n = q + d;
  if (n > kFixMaxDigits || scale > kFixScaleMax || scale < kFixScaleMin) {
    fix_report_overflow("cast/round", src, src);
    return nullptr;
  }
  if (d >= 0) {
    // x has q digits, so the shifted vector has exactly n.
    fx_head(dst, sign, static_cast<int>(n), scale);
    vec_store_exact(dst, x << (4 * static_cast<int>(d)), static_cast<int>(n));
    return QD_FIX_PTR(dst);
  }
  if (n < 0) {
    fx_head(dst, 0, 0, scale);
    return QD_FIX_PTR(dst);
  }
  const int k = static_cast<int>(-d);
  int m = static_cast<int>(n);
  Vec y = vec_shr(x, k);
  if (vec_digit(x, k - 1) >= 5) {
    y = vec_add(y, Vec(0), 1);
    if (vec_len(y) > m) {
      if (m == kFixMaxDigits) {
        fx_head(dst, sign, 1, scale - kFixMaxDigits);
        dst[2] = 0x10;
        fix_report_overflow("cast/round", src, src);
        return nullptr;
      }
      ++m;
    }
  }
  // y has at most m digits: n after the cut, one more when the rounding carried.
  fx_head(dst, sign, m, scale);
  vec_store_exact(dst, y, m);
  return QD_FIX_PTR(dst);
}

// ---- Integers and doubles ---------------------------------------------------------------

QD_EXTERN_C QD_API qd_fix* ulong_fix(qd_ulong u, int scale, qd_fix* dst) {
  QD_INPUTS_OK(true);
  const Vec x = Vec(bin_to_bcd8(u % 100000000u)) | (Vec(bin_to_bcd8(u / 100000000u)) << 32);
  const int p = vec_len(x);
  fx_head(dst, 0, p, 0);
  vec_store(dst, x, p);
  if (scale != 0) fix_fix(dst, scale, dst);
  return QD_FIX_PTR(dst);
}

QD_EXTERN_C QD_API qd_fix* long_fix(qd_long v, int scale, qd_fix* dst) {
  QD_INPUTS_OK(true);
  if (v >= 0) return ulong_fix(static_cast<qd_ulong>(v), scale, dst);
  ulong_fix(0u - static_cast<qd_ulong>(v), scale, dst);
  dst[0] |= kSignBit;
  return QD_FIX_PTR(dst);
}

namespace {

// The integer value of a value cast to scale 0, or false when out of 0..limit_magnitude.
// Reports nothing itself; the cast may have recorded its overflow.
bool integer_magnitude(const uint8_t* v, uint64_t limit, uint64_t* mag, int* sign) {
  uint8_t buf[kFixMaxBytes];
  if (!fix_fix(v, 0, buf)) return false;
  const int p = fx_prec(buf);
  if (p >= 11) return false;
  const uint64_t m = bcd16_to_bin(lo64(vec_load(buf, p)));
  *sign = fx_sign_bit(buf);
  if (m > limit + static_cast<uint64_t>(*sign)) return false;
  *mag = m;
  return true;
}

int integer_out_of_range(const uint8_t* v, const char* type_name) {
  char text[kFixTextSize];
  fix_text(v, nullptr, text, kFixTextSize);
  return report<QDE_VALUE_OVERFLOW, QDF_FIX_INTEGER>(static_cast<const char*>(text), type_name);
}

}  // namespace

QD_EXTERN_C QD_API int fix_long(const qd_fix* v, qd_long* out) {
  uint64_t m;
  int sign;
  if (!integer_magnitude(v, 2147483647u, &m, &sign)) return integer_out_of_range(v, "integer");
  *out = static_cast<qd_long>(sign ? 0u - static_cast<uint32_t>(m) : static_cast<uint32_t>(m));
  return 0;
}

QD_EXTERN_C QD_API int fix_ulong(const qd_fix* v, qd_ulong* out) {
  uint64_t m;
  int sign = 0;
  if (fx_sign(v) || !integer_magnitude(v, 4294967295u, &m, &sign) || sign)
    return integer_out_of_range(v, "unsigned integer");
  *out = static_cast<qd_ulong>(m);
  return 0;
}

namespace qd {
// acc = acc * 10 + digit from the top digit down, in doubles, then the scale applied.
QD_DOUBLE_MATH double num_double(const Num& n) {
  const Vec x = n.d;
  const int q = vec_len(x);
  double acc;
  if (q <= 16) {
    // Up to 16 digits the digit-by-digit accumulation rounds at most once, at its last
    // step, exactly as this one conversion does.
    acc = static_cast<double>(bcd16_to_bin(lo64(x)));
  } else {
    acc = static_cast<double>(bcd16_to_bin(lo64(x >> (4 * (q - 16)))));
    // Once acc * 10 reaches 2^57, its spacing is 32 and adding a digit (at most 9, less
    // than half of it) rounds back to acc * 10: the digits below no longer count, and
    // the remaining steps are plain multiplications, each rounded as before.
    int i = q - 16;
    for (; i >= 1; --i) {
      const double t = acc * 10.0;
      if (t >= 0x1p57) break;
      acc = t + vec_digit(x, i - 1);
    }
    for (; i >= 1; --i) acc *= 10.0;
  }
  return apply_scale(acc, -n.lo, n.sign && n.p);
}
}  // namespace qd

QD_EXTERN_C QD_API QD_DOUBLE_MATH double fix_double(const qd_fix* v) {
  const int p = fx_prec(v), s = fx_scale(v);
  if (fits_vec(p)) return num_double(num_load(v));
  double acc = 0.0;
  for (int i = p; i >= 1; --i) acc = acc * 10.0 + fx_digit(v, i);
  return apply_scale(acc, s, fx_sign(v) != 0);
}

QD_EXTERN_C QD_API int double_fix(double x, int scale, qd_fix* dst) {
  QD_INPUTS_OK(true);
  const int rc = double_fix_digits(x, dst);
  if (rc) return rc;
  fix_fix(dst, scale, dst);
  return QD_FIX_OUT(0, dst);
}

// ---- Scale predicates and the restricted form ------------------------------------------

QD_EXTERN_C QD_API int truncatable_to_scale(const qd_fix* v, int scale) {
  const int64_t k = static_cast<int64_t>(fx_scale(v)) - scale;
  if (k < 1) return 1;
  const int p = fx_prec(v);
  const int top = k < p ? static_cast<int>(k) : p;
  if (fits_vec(p)) return (vec_load(v, p) & vec_mask(top)) == Vec(0);
  for (int i = 1; i <= top; ++i)
    if (fx_digit(v, i)) return 0;
  return 1;
}

QD_EXTERN_C QD_API int fix_is62(const qd_fix* v) {
  return fx_scale(v) <= kFixMaxDigits && fx_prec(v) >= fx_scale(v);
}

QD_EXTERN_C QD_API int fix_to62(const qd_fix* src, int scale, qd_fix* dst) {
  QD_INPUTS_OK(valid_fix(src, kFixMaxBytes));
  if (!fix_fix(src, scale, dst)) return QDE_NUMERIC_OVERFLOW;
  if (fx_scale(dst) > kFixMaxDigits) fix_shift_round(dst, fx_scale(dst) - kFixMaxDigits);
  const int p = fx_prec(dst), s = fx_scale(dst);
  if (p < s) {
    if (s > kFixMaxDigits) return fix_report_overflow("lengthen", dst, dst);
    for (int i = p + 1; i <= s; ++i) fx_put_digit(dst, i, 0);
    fx_head(dst, fx_sign_bit(dst), s, s);
  }
  return QD_FIX_OUT(0, dst);
}
