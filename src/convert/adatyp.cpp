// adatyp.cpp: value_adapt_type, the one conversion entry: its frame, the table of target
// families, the number and truth-value families, and the number reader behind them.
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "convert/convert_internal.h"
#include "decimal/fix_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdcompare.h"
#include "qdtype32/qdconv.h"
#include "status/report.h"
#include "types/types_internal.h"

namespace qd {
namespace {

constexpr double kInt32Max = 2147483647.0;
constexpr double kUint32Max = 4294967295.0;
constexpr int64_t kInt32MaxI = 2147483647;

inline bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
// The runtime's white space: blank, tab, newline, vertical tab, form feed, return.
inline bool is_blank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// ---- Reporting ----------------------------------------------------------------------------

int refuse() { return report<QDE_CONVERSION_NOT_SUPPORTED, QDF_VALUE_ADAPT_TYPE>(); }

int fail_double(const AdaptCall& c, double d) {
  TargetText t(c.dsttype);
  return report<QDE_FLOAT_OUT_OF_RANGE, QDF_VALUE_ADAPT_TYPE>(d, static_cast<const char*>(t.text));
}

int fail_integer(const AdaptCall& c, int64_t v) {
  TargetText t(c.dsttype);
  return report<QDE_INTEGER_OUT_OF_RANGE, QDF_VALUE_ADAPT_TYPE>(v,
                                                                 static_cast<const char*>(t.text));
}

int fail_unsigned(const AdaptCall& c, int64_t v) {
  TargetText t(c.dsttype);
  return report<QDE_UNSIGNED_TOO_LARGE, QDF_VALUE_ADAPT_TYPE>(v, static_cast<const char*>(t.text));
}

int fail_fit(const AdaptCall& c, const char* value_text) {
  TargetText t(c.dsttype);
  return report<QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE>(value_text,
                                                          static_cast<const char*>(t.text));
}

int pass_on(int err) { return adapt_pass_on(err); }

inline void set_len(const AdaptCall& c, int32_t n) {
  if (c.dstlen) *c.dstlen = n;
}

// ---- Sources ------------------------------------------------------------------------------

enum class Src : uint8_t { kSigned, kUnsigned, kSingle, kDouble, kFix, kText, kOther };

// A source value read from its memory form: integers widened to 64 bits (unsigned ones
// zero-extended), a single widened to double.
struct Value {
  Src kind;
  int64_t i;
  double d;
  const uint8_t* fix;
  const char* text;
};

Value load_source(int code, const void* p) {
  Value v{Src::kOther, 0, 0.0, nullptr, nullptr};
  switch (code) {
    case kTinyint:
    case kBool:
    case kCChar:
      v.kind = Src::kSigned;
      v.i = load<int8_t>(p);
      break;
    case kSmallint:
    case kCShort:
      v.kind = Src::kSigned;
      v.i = load<int16_t>(p);
      break;
    case kInteger:
    case kCInt:
    case kCLong:
      v.kind = Src::kSigned;
      v.i = load<int32_t>(p);
      break;
    case kCUChar:
      v.kind = Src::kUnsigned;
      v.i = load<uint8_t>(p);
      break;
    case kCUShort:
      v.kind = Src::kUnsigned;
      v.i = load<uint16_t>(p);
      break;
    case kCUInt:
    case kCULong:
      v.kind = Src::kUnsigned;
      v.i = load<uint32_t>(p);
      break;
    case kFloat:
    case kCFloat:
      v.kind = Src::kSingle;
      v.d = static_cast<double>(load<float>(p));
      break;
    case kDouble:
    case kCDouble:
      v.kind = Src::kDouble;
      v.d = load<double>(p);
      break;
    case kNumeric:
      v.kind = Src::kFix;
      v.fix = static_cast<const uint8_t*>(p);
      break;
    case kChar:
    case kFileref:
    case kVarchar:
      v.kind = Src::kText;
      v.text = static_cast<const char*>(p);
      break;
    default:
      break;
  }
  return v;
}

// A text source read by the number reader, turned into the value it stands for: an
// integer, a double (then counting as a double source) or a fix value in `fix`.
int read_text_source(Value& v, uint8_t* fix) {
  NumberRead n;
  const int rc = read_number(v.text, &n);
  if (rc != 0) return rc;
  switch (n.kind) {
    case NumberKind::kInteger:
      v.kind = Src::kSigned;
      v.i = n.integer;
      break;
    case NumberKind::kDouble:
      v.kind = Src::kDouble;
      v.d = n.real;
      break;
    case NumberKind::kFix:
      std::memcpy(fix, n.fix, sizeof n.fix);
      v.kind = Src::kFix;
      v.fix = fix;
      break;
  }
  return 0;
}

// ---- Integer targets ----------------------------------------------------------------------

// How a 32-bit unsigned source above 2147483647 is refused.
enum class UnsignedRule { kIntegerTarget, kSmallTarget };

// The source as a 32-bit signed value: the integer, C-int and C-long targets and the first
// step of the small integer targets.
int to_int32(const AdaptCall& c, UnsignedRule rule, int32_t* out) {
  uint8_t fix[kFixMaxBytes];
  Value v = load_source(c.srccode, c.src);
  if (v.kind == Src::kText) {
    const int rc = read_text_source(v, fix);
    if (rc != 0) return rc;
  }
  switch (v.kind) {
    case Src::kSigned:
      *out = static_cast<int32_t>(v.i);
      return 0;
    case Src::kUnsigned:
      if (v.i > kInt32MaxI) {
        // A C-unsigned int into a C-int is an ordinary range error; every other unsigned
        // 32-bit source has its own error for integer targets.
        if (rule == UnsignedRule::kSmallTarget ||
            (c.dsttype->code == kCInt && c.srccode == kCUInt)) {
          return fail_integer(c, v.i);
        }
        return fail_unsigned(c, v.i);
      }
      *out = static_cast<int32_t>(v.i);
      return 0;
    case Src::kSingle:
    case Src::kDouble:
      if (!(std::fabs(v.d) <= kInt32Max)) return fail_double(c, v.d);  // NaN too
      *out = static_cast<int32_t>(v.d);
      return 0;
    case Src::kFix: {
      qd_long l;
      const int rc = fix_long(v.fix, &l);
      if (rc != 0) return pass_on(rc);
      *out = l;
      return 0;
    }
    default:
      return refuse();
  }
}

int adapt_integer(const AdaptCall& c) {
  int32_t v;
  const int rc = to_int32(c, UnsignedRule::kIntegerTarget, &v);
  if (rc != 0) return rc;
  store<int32_t>(c.dst, v);
  set_len(c, 4);
  return 0;
}

int adapt_unsigned(const AdaptCall& c) {
  uint8_t fix[kFixMaxBytes];
  Value v = load_source(c.srccode, c.src);
  if (v.kind == Src::kText) {
    const int rc = read_text_source(v, fix);
    if (rc != 0) return rc;
  }
  uint32_t r;
  switch (v.kind) {
    case Src::kSigned:
      if (v.i < 0) return fail_integer(c, v.i);
      r = static_cast<uint32_t>(v.i);
      break;
    case Src::kUnsigned:
      r = static_cast<uint32_t>(v.i);
      break;
    case Src::kSingle:
    case Src::kDouble:
      if (!(v.d >= 0.0 && v.d <= kUint32Max)) return fail_double(c, v.d);
      r = static_cast<uint32_t>(v.d);
      break;
    case Src::kFix: {
      qd_ulong u;
      const int rc = fix_ulong(v.fix, &u);
      if (rc != 0) return pass_on(rc);
      r = u;
      break;
    }
    default:
      return refuse();
  }
  store<uint32_t>(c.dst, r);
  set_len(c, 4);
  return 0;
}

// The small integers: the value must lie in [low, high]; the signed ranges are symmetric.
template <class T, int32_t kLow, int32_t kHigh>
int adapt_small(const AdaptCall& c) {
  int32_t v;
  const int rc = to_int32(c, UnsignedRule::kSmallTarget, &v);
  if (rc != 0) return rc;
  if (v < kLow || v > kHigh) return fail_integer(c, v);
  store<T>(c.dst, static_cast<T>(v));
  set_len(c, static_cast<int32_t>(sizeof(T)));
  return 0;
}

// ---- Floating targets ---------------------------------------------------------------------

template <bool kSingleTarget>
int adapt_floating(const AdaptCall& c) {
  uint8_t fix[kFixMaxBytes];
  Value v = load_source(c.srccode, c.src);
  if (v.kind == Src::kText) {
    const int rc = read_text_source(v, fix);
    if (rc != 0) return rc;
  }
  double d;
  switch (v.kind) {
    case Src::kSigned:
    case Src::kUnsigned:
      d = static_cast<double>(v.i);
      break;
    case Src::kSingle:
      d = v.d;
      break;
    case Src::kDouble:
      d = v.d;
      // Only a double is checked against the single-precision range; narrower sources
      // are rounded to single precision as they come.
      if (kSingleTarget && float_control(d) == kDouble) return fail_double(c, d);
      break;
    case Src::kFix:
      d = fix_double(v.fix);
      break;
    default:
      return refuse();
  }
  if constexpr (kSingleTarget) {
    store<float>(c.dst, static_cast<float>(d));
    set_len(c, 4);
  } else {
    store<double>(c.dst, d);
    set_len(c, 8);
  }
  return 0;
}

// ---- numeric ------------------------------------------------------------------------------

// The result is built in a 17-byte scratch value and copied out only once it fits: the
// caller's buffer is sized for the declared precision, which a value that does not fit
// would overrun.
int adapt_numeric(const AdaptCall& c) {
  const attrtype* t = c.dsttype;
  const int P = at_precision(t), S = at_scale(t);
  if (P < 0) return refuse();  // not a numeric descriptor anyone builds
  uint8_t r[kFixMaxBytes];
  const Value v = load_source(c.srccode, c.src);
  switch (v.kind) {
    case Src::kSigned:
    case Src::kUnsigned: {
      if (v.kind == Src::kSigned) {
        long_fix(static_cast<qd_long>(v.i), 0, r);
      } else {
        ulong_fix(static_cast<qd_ulong>(v.i), 0, r);
      }
      // At scale 0 the value is exact; one that does not fit there cannot fit rescaled
      // (rounding only ever adds a digit), so it is refused before the rescale could fail.
      if (!size_compatible(r, t)) return fail_integer(c, v.i);
      if (P != 0 && S != 0) {
        if (!fix_fix(r, S, r)) return pass_on(QDE_NUMERIC_OVERFLOW);
        if (!size_compatible(r, t)) return fail_integer(c, v.i);
      }
      break;
    }
    case Src::kSingle:
    case Src::kDouble: {
      const int rc = double_fix_digits(v.d, r);
      if (rc != 0) return pass_on(rc);
      if (P != 0) {
        if (!fix_fix(r, S, r)) return pass_on(QDE_NUMERIC_OVERFLOW);
        if (!size_compatible(r, t)) return fail_double(c, v.d);
      }
      break;
    }
    case Src::kFix:
      if (P == 0) {
        // A source with more stored digits than any value has is brought to its
        // significant digits (and refused beyond 30) instead of copied whole.
        if (fx_prec(v.fix) <= kFixMaxDigits) {
          fixcopy(v.fix, r);
        } else if (!fix_fix(v.fix, fx_scale(v.fix), r)) {
          return pass_on(QDE_NUMERIC_OVERFLOW);
        }
      } else {
        if (!fix_fix(v.fix, S, r)) return pass_on(QDE_NUMERIC_OVERFLOW);
        if (!size_compatible(r, t)) {
          char text[kFixTextSize];
          return fail_fit(c, fix_string(v.fix, text));
        }
      }
      break;
    case Src::kText: {
      uint8_t scratch[kFixMaxBytes];
      int used = 0;
      const int rc = scan_fix(v.text, scratch, &used);
      if (rc != 0) return pass_on(rc);
      // scan_fix reads a number at the start and stops; a text with no digit in that
      // number, or with more than blanks after it, is not a number.
      bool digit = false;
      for (int k = 0; k < used && !digit; ++k) digit = is_digit(static_cast<uint8_t>(v.text[k]));
      const char* rest = v.text + used;
      while (is_blank(static_cast<uint8_t>(*rest))) ++rest;
      if (!digit || *rest) {
        return report<QDE_NOT_A_NUMBER, QDF_VALUE_ADAPT_TYPE>(v.text);
      }
      if (P == 0) {
        fixcopy(scratch, r);
      } else {
        if (!fix_fix(scratch, S, r)) return pass_on(QDE_NUMERIC_OVERFLOW);
        if (!size_compatible(r, t)) {
          char quoted[kQuotedTextSize];
          return fail_fit(c, quoted_text(v.text, quoted));
        }
      }
      break;
    }
    default:
      return refuse();
  }
  const int n = fixsize(r);
  std::memcpy(c.dst, r, static_cast<size_t>(n));
  set_len(c, n);
  return 0;
}

// ---- bool and blob ------------------------------------------------------------------------

int adapt_bool(const AdaptCall& c) {
  uint8_t b;
  switch (c.srccode) {
    case kTinyint:
    case kCUChar:
    case kCChar:
      b = load<uint8_t>(c.src) != 0;
      break;
    case kSmallint:
    case kCUShort:
    case kCShort:
      b = load<uint16_t>(c.src) != 0;
      break;
    case kInteger:
    case kCInt:
    case kCUInt:
    case kCULong:
    case kCLong:
      b = load<uint32_t>(c.src) != 0;
      break;
    case kFloat:
    case kCFloat:
      b = load<float>(c.src) != 0.0f;
      break;
    case kDouble:
    case kCDouble:
      b = load<double>(c.src) != 0.0;
      break;
    case kNumeric:
      b = !fixiszero(static_cast<const qd_fix*>(c.src));
      break;
    case kBool:
      b = load<uint8_t>(c.src);
      break;
    case kChar:
    case kFileref:
    case kVarchar: {
      char* text = const_cast<char*>(static_cast<const char*>(c.src));
      if (uplowstrcmp(text, const_cast<char*>("true")) == 0) {
        b = 1;
      } else if (uplowstrcmp(text, const_cast<char*>("false")) == 0) {
        b = 0;
      } else {
        return report<QDE_NOT_A_TRUTH_VALUE, QDF_VALUE_ADAPT_TYPE>(static_cast<const char*>(text));
      }
      break;
    }
    default:
      return refuse();
  }
  store<uint8_t>(c.dst, b);
  set_len(c, 1);
  return 0;
}

int adapt_blob(const AdaptCall& c) {
  if (c.srccode != kBlob) return refuse();
  std::memcpy(c.dst, c.src, kBlobSize);
  return 0;  // the descriptor's length is the caller's business: dstlen stays as it is
}

int adapt_refused(const AdaptCall&) { return refuse(); }

// The one table of target families, by target code.
constexpr AdaptFn kFamilies[kTypeCodeMax + 1] = {
    adapt_refused,                             // 0
    adapt_integer,                             // 1 integer
    adapt_floating<false>,                     // 2 double
    adapt_numeric,                             // 3 numeric
    adapt_byte_sequence,                       // 4 char
    adapt_small<int8_t, -127, 127>,            // 5 tinyint
    adapt_small<int16_t, -32767, 32767>,       // 6 smallint
    adapt_floating<true>,                      // 7 float
    adapt_datetime,                            // 8 datetime
    adapt_timespan,                            // 9 timespan
    adapt_refused,                             // 10 money
    adapt_bool,                                // 11 bool
    adapt_byte_sequence,                       // 12 binchar
    adapt_blob,                                // 13 blob
    adapt_byte_sequence,                       // 14 bits
    adapt_refused,                             // 15 nulltyp
    adapt_integer,                             // 16 C-int
    adapt_small<uint8_t, 0, 255>,              // 17 C-unsigned char
    adapt_small<uint16_t, 0, 65535>,           // 18 C-unsigned short
    adapt_unsigned,                            // 19 C-unsigned int
    adapt_unsigned,                            // 20 C-unsigned long
    adapt_small<int8_t, -127, 127>,            // 21 C-char
    adapt_small<int16_t, -32767, 32767>,       // 22 C-short
    adapt_integer,                             // 23 C-long
    adapt_floating<true>,                      // 24 C-float
    adapt_floating<false>,                     // 25 C-double
    adapt_refused,                             // 26
    adapt_refused,                             // 27
    adapt_byte_sequence,                       // 28 fileref
    adapt_byte_sequence,                       // 29 varchar
    adapt_byte_sequence,                       // 30 bits2
};

// ---- The direct road ----------------------------------------------------------------------
// The commonest pairs are answered before the family table: a 32-bit integer or a double
// into a 32-bit integer or a double target, a text holding a plain integer into a 32-bit
// integer target, and a 32-bit integer into a numeric that it fits at a scale of 0 or
// more. The results are those of the families; every value the direct road would have
// to refuse, and every other pair, is left to the families, so each error keeps its one
// place.

inline bool int32_source(int code) { return code == kInteger || code == kCInt || code == kCLong; }
inline bool double_source(int code) { return code == kDouble || code == kCDouble; }
inline bool text_source(int code) { return code == kChar || code == kVarchar || code == kFileref; }

// A whole text that is blanks, an optional sign, blanks, at most 18 digits worth at most
// 2147483647 and blanks: the number reader's integer, without its other steps.
// The opening every number text shares: blanks, an optional sign and blanks, then the
// integer digits from start to end, their value exact up to 18 of them.
struct LeadingDigits {
  const char* start;
  const char* end;
  uint64_t value;
  bool negative;
};
inline LeadingDigits leading_digits(const char* text) {
  const char* p = text;
  while (is_blank(static_cast<uint8_t>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p++ == '-';
    while (is_blank(static_cast<uint8_t>(*p))) ++p;
  }
  const char* start = p;
  uint64_t value = 0;
  while (is_digit(static_cast<uint8_t>(*p))) value = value * 10 + static_cast<uint8_t>(*p++ - '0');
  return {start, p, value, negative};
}

inline bool plain_integer_text(const char* text, int32_t* out) {
  const LeadingDigits lead = leading_digits(text);
  const char* p = lead.end;
  const uint64_t value = lead.value;  // longer runs than 18 digits are left to the families
  const bool negative = lead.negative;
  if (p == lead.start || p - lead.start > 18 || value > static_cast<uint64_t>(kInt32MaxI)) return false;
  while (is_blank(static_cast<uint8_t>(*p))) ++p;
  if (*p) return false;  // more digits, a point, an exponent or anything else
  const int32_t v = static_cast<int32_t>(value);
  *out = negative ? -v : v;
  return true;
}

// A 32-bit integer into a numeric of precision P (0: any) and scale S, when it fits at
// S >= 0: the digits shifted up by S, exact, as long_fix and the rescale give them.
inline bool int32_to_numeric(int32_t v, const attrtype* t, uint8_t* dst, qd_long* dstlen) {
  const int P = at_precision(t), S = at_scale(t);
  const int scale = P == 0 ? 0 : S;
  if (P < 0 || scale < 0) return false;
  const uint32_t m = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  const Vec x = Vec(bin_to_bcd8(m % 100000000u)) | (Vec(bin_to_bcd8(m / 100000000u)) << 32);
  const int q = vec_len(x);
  if (P != 0 && q + scale > P) return false;  // the family reports it
  if (q == 0) {
    fx_head(dst, 0, 0, scale);  // a zero keeps no digits, only its scale
  } else {
    const int n = q + scale;
    if (n > kFixMaxDigits) return false;
    fx_head(dst, v < 0, n, scale);
    vec_store(dst, x << (4 * scale), n);
  }
  if (dstlen) *dstlen = fx_size(fx_prec(dst));
  return true;
}

// A 32-bit integer or a double into a 32-bit integer or a double target: true when
// converted (the result is then 0); false leaves dst and dstlen as they were. Kept free of
// calls, so the commonest conversions need no stack frame.
inline bool adapt_number_pair(int srccode, const void* src, int target, void* dst,
                              qd_long* dstlen) {
  switch (target) {
    case kInteger:
    case kCInt:
    case kCLong: {
      int32_t i;
      if (int32_source(srccode)) {
        i = load<int32_t>(src);
      } else if (double_source(srccode)) {
        const double d = load<double>(src);
        if (!(std::fabs(d) <= kInt32Max)) return false;
        i = static_cast<int32_t>(d);
      } else {
        return false;
      }
      store<int32_t>(dst, i);
      if (dstlen) *dstlen = 4;
      return true;
    }
    case kDouble:
    case kCDouble: {
      double d;
      if (int32_source(srccode)) {
        d = static_cast<double>(load<int32_t>(src));
      } else if (double_source(srccode)) {
        d = load<double>(src);
      } else {
        return false;
      }
      store<double>(dst, d);
      if (dstlen) *dstlen = 8;
      return true;
    }
    default:
      return false;
  }
}

// Every other pair: a text holding a plain integer into a 32-bit integer target and a
// 32-bit integer into a numeric still directly, the rest through the family of the
// target.
[[gnu::noinline]] int adapt_other(int srccode, const void* src, const attrtype* t, void* dst,
                                  qd_long* dstlen) {
  const int target = t->code;
  int32_t i;
  if (int32_source(target) && text_source(srccode) &&
      plain_integer_text(static_cast<const char*>(src), &i)) {
    store<int32_t>(dst, i);
    if (dstlen) *dstlen = 4;
    return 0;
  }
  if (target == kNumeric && int32_source(srccode) &&
      int32_to_numeric(load<int32_t>(src), t, static_cast<uint8_t*>(dst), dstlen)) {
    return 0;
  }
  const AdaptCall call{srccode, src, t, dst, dstlen};
  return adapt_family(target)(call);
}

}  // namespace

int adapt_pass_on(int err) {
  report<0, QDF_VALUE_ADAPT_TYPE>();
  return err;
}

AdaptFn adapt_family(int target_code) {
  return target_code >= 0 && target_code <= kTypeCodeMax ? kFamilies[target_code] : adapt_refused;
}

const char* quoted_text(const char* text, char* out) {
  std::snprintf(out, kQuotedTextSize, "'%.*s'", kQuotedTextMax, text);
  return out;
}

// ---- The number reader ----------------------------------------------------------------

bool text_to_double(const char* first, const char* last, double* out, const char** end) {
  double d = 0.0;
  const std::from_chars_result r = std::from_chars(first, last, d, std::chars_format::general);
  if (end) *end = r.ptr;
  // An underflow is a range error as the runtime reports it: a result that lost all its
  // digits, or one below the smallest normal double.
  if (r.ec == std::errc::result_out_of_range || (d != 0.0 && std::fabs(d) < DBL_MIN)) return false;
  *out = d;
  return true;
}

int read_number(const char* text, NumberRead* out) {
  const LeadingDigits lead = leading_digits(text);
  const char* p = lead.end;
  const char* start = lead.start;
  const uint64_t value = lead.value;
  const bool negative = lead.negative;
  const size_t int_digits = static_cast<size_t>(p - start);
  bool point = false, exponent = false;
  size_t frac_digits = 0;
  if (*p == '.') {
    point = true;
    const char* f = ++p;
    while (is_digit(static_cast<uint8_t>(*p))) ++p;
    frac_digits = static_cast<size_t>(p - f);
  }
  if (int_digits + frac_digits == 0) return report<QDE_NOT_A_NUMBER, QDF_VALUE_ADAPT_TYPE>(text);
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (!is_digit(static_cast<uint8_t>(*q))) {
      return report<QDE_NOT_A_NUMBER, QDF_VALUE_ADAPT_TYPE>(text);
    }
    while (is_digit(static_cast<uint8_t>(*q))) ++q;
    p = q;
    exponent = true;
  }
  const char* number_end = p;
  while (is_blank(static_cast<uint8_t>(*p))) ++p;
  if (*p) return report<QDE_NOT_A_NUMBER, QDF_VALUE_ADAPT_TYPE>(text);

  if (!exponent && !point) {
    // Up to 18 digits the value is exact: at most 2147483647 it is an integer, whatever
    // its leading zeros; above, the classification below decides.
    if (int_digits <= 18 && value <= static_cast<uint64_t>(kInt32MaxI)) {
      const int32_t v = static_cast<int32_t>(value);
      out->kind = NumberKind::kInteger;
      out->integer = negative ? -v : v;
      return 0;
    }
    qd_long v = 0;
    const int cls = atonumber(const_cast<char*>(start), &v, nullptr);
    if (cls == kTinyint || cls == kSmallint || cls == kInteger) {
      out->kind = NumberKind::kInteger;
      out->integer = negative ? -v : v;
      return 0;
    }
    exponent = cls == kFloat;  // beyond 30 significant digits: read as a double
  }
  if (exponent) {
    double d = 0.0;
    if (!text_to_double(start, number_end, &d, nullptr)) {
      return report<QDE_NUMBER_TEXT_OUT_OF_RANGE, QDF_VALUE_ADAPT_TYPE>();
    }
    out->kind = NumberKind::kDouble;
    out->real = negative ? -d : d;
    return 0;
  }
  const int rc = scan_fix(start, out->fix, nullptr);
  if (rc != 0) return pass_on(rc);
  if (negative) putsign(out->fix, 1);
  out->kind = NumberKind::kFix;
  return 0;
}

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int value_adapt_type(int srccode, const void* src, const attrtype* dsttype,
                                        void* dst, qd_long* dstlen) {
  if (!src) return 0;  // the SQL null: nothing to write
  QD_INPUTS_OK(value_well_formed(srccode, src));
  const int rc = adapt_number_pair(srccode, src, dsttype->code, dst, dstlen)
                     ? 0
                     : adapt_other(srccode, src, dsttype, dst, dstlen);
  return QD_VALUE_OUT(rc, dsttype->code, dst);
}
