// fixtext.cpp: fix values as text: the literal reader behind string_fix and scan_fix, and
// the printer behind fix_string (fixed notation, or the exponent form with "N").
#include <cstring>

#include "decimal/fix_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "status/report.h"

namespace qd {
namespace {

constexpr int kKeptDigits = 31;                  // the reader keeps 31 digits to round the 30th
constexpr int64_t kExponentClamp = 10000000000;  // beyond any scale that can be stored

inline bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// Drops trailing digits of v: zeros, or with the rounding flag nines, the digit before
// them then raised by one (all nines become the single digit 1). Each dropped digit
// lowers the scale, so the value is unchanged (or rounded up); it never ends in 0.
inline void trim_trailing(Vec* v, int64_t* scale, bool flag) {
  if (flag) *v = vec_add(*v, Vec(0), 1);
  if (*v == Vec(0)) return;
  const int z = vec_trailing_zeros(*v);
  *v = *v >> (4 * z);
  *scale -= z;
}

int read_fix(const char* text, uint8_t* dst, int* consumed, bool scan) {
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  if (scan)
    while (t[i] == ' ' || t[i] == '\t' || t[i] == '\n') ++i;
  int neg = 0;
  if (t[i] == '+' || t[i] == ' ') {
    ++i;
  } else if (t[i] == '-') {
    neg = 1;
    ++i;
  }
  while (t[i] == '0') ++i;
  PlainDigits kept;  // at most kKeptDigits of them
  int64_t scale = 0;
  for (; is_digit(t[i]); ++i) {
    if (kept.count < kKeptDigits) {
      kept.add(t[i] - '0');
    } else {
      --scale;
    }
  }
  if (t[i] == '.') ++i;
  if (kept.count == 0)
    for (; t[i] == '0'; ++i) ++scale;
  for (; is_digit(t[i]); ++i) {
    if (kept.count < kKeptDigits) {
      kept.add(t[i] - '0');
      ++scale;
    }
  }
  Vec v = kept.value();
  const int nd = kept.count;
  if (t[i] == 'n' || t[i] == 'N' || t[i] == 'e' || t[i] == 'E') {
    ++i;
    bool exp_neg = false;
    if (t[i] == '+' || t[i] == ' ') {
      ++i;
    } else if (t[i] == '-') {
      exp_neg = true;
      ++i;
    }
    int64_t exponent = 0;
    for (; is_digit(t[i]); ++i)
      if (exponent < kExponentClamp) exponent = exponent * 10 + (t[i] - '0');
    scale -= exp_neg ? -exponent : exponent;
  }
  bool flag = false;
  if (nd == kKeptDigits) {
    flag = vec_digit(v, 0) >= 5;
    v = v >> 4;
    --scale;
  }
  trim_trailing(&v, &scale, flag);
  if (scale > kFixScaleMax) {
    int len = vec_len(v);
    const int64_t drop = scale - kFixScaleMax;
    if (drop >= len) {
      v = Vec(0);
      scale = 0;
    } else {
      v = vec_shr(v, static_cast<int>(drop));
      len -= static_cast<int>(drop);
      flag = vec_digit(v, 0) >= 5;
      v = v >> 4;
      scale = kFixScaleMax - 1;
      trim_trailing(&v, &scale, flag);
    }
  }
  if (scale < kFixScaleMin) return report<QDE_VALUE_OVERFLOW, QDF_FIX_READ>(text, "numeric");
  const int p = vec_len(v);
  fx_head(dst, neg, p, static_cast<int>(scale));
  vec_store(dst, v, p);
  if (consumed) *consumed = static_cast<int>(i);
  if (!scan && t[i] != 0) return report<QDE_TEXT_NOT_READABLE, QDF_FIX_READ>(text, "numeric");
  return 0;
}

inline char* put_exponent(char* o, char letter, int e) {
  *o++ = letter;
  *o++ = e < 0 ? '-' : '+';
  const unsigned a = static_cast<unsigned>(e < 0 ? -e : e);
  if (a >= 1000) *o++ = static_cast<char>('0' + a / 1000 % 10);
  *o++ = static_cast<char>('0' + a / 100 % 10);
  *o++ = static_cast<char>('0' + a / 10 % 10);
  *o++ = static_cast<char>('0' + a % 10);
  return o;
}

}  // namespace

int fix_text(const uint8_t* v, const char* separator, char* buf, int width) {
  const char* sep = separator ? separator : ".";
  const int64_t L = static_cast<int64_t>(std::strlen(sep));
  const int p = fx_prec(v), s = fx_scale(v);
  const int64_t w = width;
  const bool small = p <= kFixMaxDigits;
  const Vec x = small ? vec_load(v, p) : Vec(0);
  // Digit with 0-based index k; positions outside the stored digits read as 0.
  auto digit = [&](int k) -> char {
    if (k < 0 || k >= p) return '0';
    return static_cast<char>('0' + (small ? vec_digit(x, k) : fx_digit(v, k + 1)));
  };
  if (p == 0) {
    if (w <= 0) return 0;
    char* o = buf;
    const char* z = " 0";
    for (int j = 0; j < 2 && o - buf < w - 1; ++j) *o++ = z[j];
    if (s >= 1 && (o - buf) + L < w) {
      std::memcpy(o, sep, static_cast<size_t>(L));
      o += L;
      for (int j = 0; j < s && o - buf < w - 1; ++j) *o++ = '0';
    }
    *o = 0;
    return 0;
  }
  const int hi = p - s - 1;
  const char sign = fx_sign(v) ? '-' : ' ';
  char* o = buf;
  if (s <= 0) {
    if (hi + 3 <= w) {
      *o++ = sign;
      for (int e = hi; e >= 0; --e) *o++ = digit(e + s);
      *o = 0;
      return 0;
    }
  } else if (hi < 0) {
    if (L + s + 3 <= w) {
      *o++ = sign;
      *o++ = '0';
      std::memcpy(o, sep, static_cast<size_t>(L));
      o += L;
      for (int e = -1; e >= -s; --e) *o++ = digit(e + s);
      *o = 0;
      return 0;
    }
  } else if (L + s + hi + 3 <= w) {
    *o++ = sign;
    for (int e = hi; e >= 0; --e) *o++ = digit(e + s);
    std::memcpy(o, sep, static_cast<size_t>(L));
    o += L;
    for (int e = -1; e >= -s; --e) *o++ = digit(e + s);
    *o = 0;
    return 0;
  }
  // Exponent form over the significant digits only.
  const int64_t room = w - L - 7;
  if (room < 1) return QDE_NUMERIC_OVERFLOW;
  const int q = small ? vec_len(x) : fx_significant(v);
  const int top = q - s - 1;
  *o++ = sign;
  *o++ = digit(q - 1 < 0 ? -1 : q - 1);
  std::memcpy(o, sep, static_cast<size_t>(L));
  o += L;
  int64_t n = 1;
  for (int e = top - 1; e >= -s && n < room; --e, ++n) *o++ = digit(e + s);
  o = put_exponent(o, separator ? 'e' : 'N', top);
  *o = 0;
  return 0;
}

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API char* fix_string(const qd_fix* v, char* buf) {
  fix_text(v, nullptr, buf, kFixTextSize);
  return buf;
}

QD_EXTERN_C QD_API int string_fix(const char* text, qd_fix* dst) {
  QD_INPUTS_OK(true);
  return QD_FIX_OUT(read_fix(text, dst, nullptr, false), dst);
}

QD_EXTERN_C QD_API int scan_fix(const char* text, qd_fix* dst, int* consumed) {
  QD_INPUTS_OK(true);
  return QD_FIX_OUT(read_fix(text, dst, consumed, true), dst);
}
