// typeuti.cpp: type descriptors: the per-code table, text forms, sizes and classifiers.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "qdtype32/qdattr.h"
#include "qdtype32/qdglob.h"
#include "base/limits.h"
#include "types/types_internal.h"

namespace qd {
namespace {

// One row per type code: name, value size (largest when parameters decide), tuple
// alignment, rank within its family, text space when cast to an unspecified char.
constexpr TypeInfo kTypes[kTypeCodeMax + 1] = {
    {"???", 0, 1, 0, 0},                // 0
    {"integer", 4, 4, 3, 52},           // 1
    {"double", 8, 8, 6, 52},            // 2
    {"numeric", kFixMaxBytes, 4, 4, 52},// 3
    {"char", kCharSizeMax, 1, 1, 32676},// 4
    {"tinyint", 1, 1, 1, 52},           // 5
    {"smallint", 2, 2, 2, 52},          // 6
    {"float", 4, 4, 5, 52},             // 7
    {"datetime", 18, 4, 0, 100},        // 8
    {"timespan", 32, 4, 0, 100},        // 9
    {"money", 17, 4, 0, 16},            // 10
    {"bool", 1, 1, 0, 8},               // 11
    {"binchar", kRecordMax, 4, 4, 65340},// 12
    {"blob", 20, 4, 0, 50},             // 13
    {"bits", 4096, 4, 6, 65340},        // 14
    {"nulltyp", 0, 1, 0, 0},            // 15
    {"C-int", 4, 0, 0, 52},             // 16
    {"C-unsigned char", 1, 0, 0, 52},   // 17
    {"C-unsigned short", 2, 0, 0, 52},  // 18
    {"C-unsigned int", 4, 0, 0, 52},    // 19
    {"C-unsigned long", 4, 0, 0, 52},   // 20
    {"C-char", 1, 0, 0, 52},            // 21
    {"C-short", 2, 0, 0, 52},           // 22
    {"C-long", 4, 0, 0, 52},            // 23
    {"C-float", 4, 0, 0, 52},           // 24
    {"C-double", 8, 0, 0, 52},          // 25
    {"???", 0, 0, 0, 0},                // 26
    {"???", 0, 0, 0, 0},                // 27
    {"fileref", kCharSizeMax, 1, 3, 32676},// 28
    {"varchar", kCharSizeMax, 1, 2, 32676},// 29
    {"bits2", 4094, 2, 5, 65340},       // 30
};

constexpr bool same(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}
static_assert(sizeof kTypes / sizeof kTypes[0] == 31, "one row per code 0..30");
static_assert(same(kTypes[kNumeric].name, "numeric") && same(kTypes[kBits2].name, "bits2") &&
                  same(kTypes[kVarchar].name, "varchar") && same(kTypes[kCDouble].name, "C-double"),
              "rows are in code order");
static_assert(kTypes[kBits2].size == 4094 && kTypes[kBits].size == 4096, "bit string limits");

constexpr int kMaxFixLiteral = 100;

// Float narrowing bounds: the smallest normal and the largest finite 32-bit float.
constexpr double kFloatMin = 1.1754943508222875e-38;
constexpr double kFloatMax = 3.4028234663852886e38;


int round_up4(int n) { return (n + 3) & ~3; }

bool is_space_char(unsigned char c) { return c < 128 && std::isspace(c); }

// Base-10 reading that stops at the first non-digit (blanks and a sign before it).
int read_decimal(const char* s, const char** end) {
  while (is_space_char(static_cast<unsigned char>(*s))) ++s;
  bool neg = false;
  if (*s == '-' || *s == '+') neg = *s++ == '-';
  long long v = 0;
  while (*s >= '0' && *s <= '9') {
    if (v < 100000000) v = v * 10 + (*s - '0');
    ++s;
  }
  if (end) *end = s;
  return static_cast<int>(neg ? -v : v);
}

// A name of the table starts `text`: lower-case name letters also match upper case.
bool name_starts(const char* name, const char* text) {
  for (; *name; ++name, ++text) {
    unsigned char n = static_cast<unsigned char>(*name);
    unsigned char t = static_cast<unsigned char>(*text);
    if (n == t) continue;
    if (n >= 'a' && n <= 'z' && t == n - 'a' + 'A') continue;
    return false;
  }
  return true;
}

}  // namespace

const TypeInfo& type_info(int code) { return kTypes[code >= 0 && code <= kTypeCodeMax ? code : 0]; }

const char* range_name(int code) {
  return code >= 0 && code < kDtRangeNameCount ? kDtFields[code].name : "??";
}

int range_code(const char* text) {
  if (!text || !text[0] || !text[1]) return -1;
  for (int i = 0; i < kDtRangeNameCount; ++i) {
    if (text[0] == kDtFields[i].name[0] && text[1] == kDtFields[i].name[1]) return i;
  }
  return -1;
}

}  // namespace qd

using namespace qd;

#define QD_ALIGN(i) kTypes[i].align
QD_API int32_t req_align[31] = {
    QD_ALIGN(0),  QD_ALIGN(1),  QD_ALIGN(2),  QD_ALIGN(3),  QD_ALIGN(4),  QD_ALIGN(5),
    QD_ALIGN(6),  QD_ALIGN(7),  QD_ALIGN(8),  QD_ALIGN(9),  QD_ALIGN(10), QD_ALIGN(11),
    QD_ALIGN(12), QD_ALIGN(13), QD_ALIGN(14), QD_ALIGN(15), QD_ALIGN(16), QD_ALIGN(17),
    QD_ALIGN(18), QD_ALIGN(19), QD_ALIGN(20), QD_ALIGN(21), QD_ALIGN(22), QD_ALIGN(23),
    QD_ALIGN(24), QD_ALIGN(25), QD_ALIGN(26), QD_ALIGN(27), QD_ALIGN(28), QD_ALIGN(29),
    QD_ALIGN(30)};
#undef QD_ALIGN

QD_EXTERN_C QD_API int hierarch(int code) { return type_info(code).rank; }

QD_EXTERN_C QD_API int is_valid_type(int code) {
  return (code >= kInteger && code <= kNulltyp) || (code >= kFileref && code <= kBits2);
}

QD_EXTERN_C QD_API int is_fine_type(attrtype* t) {
  if (t->code == kNumeric || t->code == kDatetime || t->code == kTimespan) return 1;
  if (has_length_param(t->code)) return at_length(t) > 0;
  return 0;
}

QD_EXTERN_C QD_API int fix_size_attrtype(attrtype* t) {
  switch (t->code) {
    case kVarchar:
    case kNumeric:
      return 0;
    case kChar:
    case kBinchar:
    case kBits:
    case kBits2:
    case kFileref:
      return is_fine_type(t);
    default:
      return 1;
  }
}

QD_EXTERN_C QD_API int at_equal(attrtype* a, attrtype* b) {
  if (a->code != b->code) return 0;
  if (a->code == kNumeric || a->code == kDatetime || a->code == kTimespan) {
    return a->param[0] == b->param[0] && a->param[1] == b->param[1];
  }
  if (has_length_param(a->code)) return at_length(a) == at_length(b);
  return 1;
}

QD_EXTERN_C QD_API void mk_rough_attrtype(short code, attrtype* t) {
  QD_INPUTS_OK(is_valid_type(code));
  t->code = code;
  t->flag = 0;
  if (has_length_param(code) || code == kFileref) {
    at_set_length(t, 0);
  } else if (code == kNumeric) {
    t->param[0] = 0;
  } else if (code == kDatetime || code == kTimespan) {
    t->param[0] = kRangeUnset;
  }
  QD_ATTR_PTR(t);
}

QD_EXTERN_C QD_API char* attr_to_txt(attrtype* t, int full, char* buf) {
  const int code = t->code;
  const char* name = type_info(code).name;
  int n = std::sprintf(buf, (full == 0 && code != kBits2) ? "%.3s" : "%s", name);
  char* p = buf + n;
  if (code == kNumeric) {
    if (at_precision(t) == 0) {
      std::strcpy(p, "(*,*)");
    } else {
      std::sprintf(p, "(%d,%d)", at_precision(t), at_scale(t));
    }
  } else if (has_length_param(code)) {
    if (at_length(t) == 0) {
      std::strcpy(p, "(*)");
    } else {
      std::sprintf(p, "(%d)", at_length(t));
    }
  } else if ((code == kDatetime || code == kTimespan) && at_range_low(t) != kRangeUnset) {
    std::sprintf(p, "[%s:%s]", range_name(at_range_high(t)), range_name(at_range_low(t)));
  }
  return buf;
}

QD_EXTERN_C QD_API char* name_rough_type(int code, char* buf) {
  attrtype t = {};
  mk_rough_attrtype(static_cast<short>(code), &t);
  return attr_to_txt(&t, 1, buf);
}

QD_EXTERN_C QD_API attrtype* txt_to_attr(char* text, attrtype* t) {
  t->flag = 0;
  if (std::strcmp(text, "string") == 0) {
    mk_rough_attrtype(kChar, t);
    return t;
  }
  int code = -1;
  size_t name_len = 0;
  for (int c = kTypeCodeMax; c >= 0; --c) {
    if (name_starts(kTypes[c].name, text)) {
      code = c;
      name_len = std::strlen(kTypes[c].name);
      break;
    }
  }
  t->code = static_cast<int16_t>(code);
  const char* rest = text + name_len;
  if (code == kNumeric) {
    if (*rest != '(') {
      mk_rough_attrtype(kNumeric, t);
      return t;
    }
    const char* end = nullptr;
    int precision = read_decimal(rest + 1, &end);
    int scale = *end ? read_decimal(end + 1, nullptr) : 0;
    at_set_decimal(t, precision, scale);
  } else if (has_length_param(code)) {
    // A bare name (nothing after it) reads as the rough descriptor.
    if (*rest == 0 || rest[1] == '*' || rest[1] == 0) {
      at_set_length(t, 0);
    } else {
      at_set_length(t, read_decimal(rest + 1, nullptr));
    }
  } else if (code == kDatetime || code == kTimespan) {
    // "[hi:lo]": an absent or unreadable range reads as no range.
    int high = -1, low = -1;
    if (*rest != 0 && std::strlen(rest + 1) >= 5) {
      high = range_code(rest + 1);
      low = range_code(rest + 4);
    }
    if (high < 0 || low < 0) {
      at_set_range(t, kRangeUnset, 0);
    } else {
      at_set_range(t, low, high);
    }
  } else if (code == kFileref) {
    at_set_length(t, 0);
  }
  return t;
}

QD_EXTERN_C QD_API attrtype* get_attrtype(void* value, int code, attrtype* t) {
  const unsigned char* v = static_cast<const unsigned char*>(value);
  t->code = static_cast<int16_t>(code);
  t->flag = 0;
  switch (code) {
    case kNumeric:
      at_set_decimal(t, v[0] & 0x7f, static_cast<int8_t>(v[1]));
      break;
    case kChar:
    case kVarchar:
      at_set_length(t, static_cast<int>(std::strlen(reinterpret_cast<const char*>(v))));
      break;
    case kDatetime:
    case kTimespan:
      at_set_range(t, range_low(v[0]), range_high(v[0]));
      break;
    case kBinchar:
    case kBits:
    case kBits2:
      at_set_length(t, load<int16_t>(v));
      break;
    case kFileref:
      at_set_length(t, 0);
      break;
    default:
      break;
  }
  return t;
}

QD_EXTERN_C QD_API int size_attrtype(attrtype* t) {
  const int code = t->code;
  const int len = has_length_param(code) ? at_length(t) : 0;
  switch (code) {
    case kNumeric:
      return at_precision(t) > 0 ? fix_stored_size(at_precision(t)) : type_info(code).size;
    case kChar:
    case kVarchar:
      return len > 0 ? len + 1 : type_info(code).size;
    case kBinchar:
      return len > 0 ? len + kByteStringHeader : type_info(code).size;
    case kBits:
      return len > 0 ? (len + 7) / 8 + kByteStringHeader : type_info(code).size;
    case kBits2:
      return len > 0 ? (len + 7) / 8 + kBits2Header : type_info(code).size;
    case kDatetime:
      return at_range_low(t) != kRangeUnset
                 ? dt_stored_size(at_range_low(t), at_range_high(t), kDtFieldBytes)
                 : type_info(code).size;
    case kTimespan:
      return at_range_low(t) != kRangeUnset
                 ? dt_stored_size(at_range_low(t), at_range_high(t), kTsFieldBytes)
                 : type_info(code).size;
    default:
      return type_info(code).size;
  }
}

QD_EXTERN_C QD_API int value_fine_space(int source_code, attrtype* t) {
  const int code = t->code;
  if (has_length_param(code) && at_length(t) > 0) {
    int len = at_length(t);
    switch (code) {
      case kVarchar:
        if (qdxglob_val.charlen_switch) len *= kCharBytesMax;
        return round_up4(len + 1);
      case kChar:
        return round_up4(len + 1);
      case kBinchar:
        return round_up4(len + kByteStringHeader);
      case kBits:
        return round_up4((len + 7) / 8 + kByteStringHeader);
      default:
        return round_up4((len + 7) / 8 + kBits2Header);
    }
  }
  if (source_code != 0 && code == kChar) return type_info(source_code).text_space;
  return round_up4(type_info(code).size);
}

QD_EXTERN_C QD_API int value_rough_space(attrtype* t) { return value_fine_space(0, t); }

QD_EXTERN_C QD_API int maxsize_fix_literal(void) { return kMaxFixLiteral; }

QD_EXTERN_C QD_API int atonumber(char* text, qd_long* value, char** end) {
  const char* s = text;
  while (is_space_char(static_cast<unsigned char>(*s))) ++s;
  const bool negative = *s == '-';
  if (negative) ++s;
  bool zeros = false;
  while (*s == '0') {
    zeros = true;
    ++s;
  }
  const char* digits = s;
  int n = 0;
  while (s[n] >= '0' && s[n] <= '9') ++n;
  if (end) {
    const char* e = s + n;
    while (is_space_char(static_cast<unsigned char>(*e))) ++e;
    *end = const_cast<char*>(e);
  }
  if (n == 0) {
    *value = 0;
    return zeros ? kTinyint : kTypeNone;
  }
  if (n > 30) return kFloat;
  if (n > 10) return kNumeric;
  if (n == 10) {
    const char* limit = negative ? "2147483648" : "2147483647";
    for (int i = 0; i < 10; ++i) {
      if (digits[i] > limit[i]) return kNumeric;
      if (digits[i] < limit[i]) break;
    }
  }
  int64_t m = 0;
  for (int i = 0; i < n; ++i) m = m * 10 + (digits[i] - '0');
  *value = static_cast<qd_long>(negative ? -m : m);
  if (m <= 127) return kTinyint;
  if (m <= 32767) return kSmallint;
  return kInteger;
}

QD_EXTERN_C QD_API int float_control(double x) {
  const double m = x < 0 ? -x : x;
  if (x == 0 || (m >= kFloatMin && m <= kFloatMax)) return kFloat;
  return kDouble;
}

// ---- Compatibility and result types ------------------------------------------------------

namespace qd {

TypeFamily type_family(int code) {
  switch (code) {
    case kInteger:
    case kDouble:
    case kNumeric:
    case kTinyint:
    case kSmallint:
    case kFloat:
    case kBool:
      return TypeFamily::kNumber;
    case kChar:
    case kBinchar:
    case kBits:
    case kFileref:
    case kVarchar:
    case kBits2:
      return TypeFamily::kString;
    default:
      return code >= kCInt && code <= kCDouble ? TypeFamily::kNumber : TypeFamily::kNone;
  }
}

int common_type_code(int a, int b) {
  if (a == b) return a;
  const TypeFamily fa = type_family(a);
  if (fa != TypeFamily::kNone && fa == type_family(b)) {
    return hierarch(a) > hierarch(b) ? a : b;  // equal ranks: the second operand wins
  }
  if (a == kNulltyp) return b;
  if (b == kNulltyp) return a;
  return kTypeNone;
}

TimespanClass timespan_class(int low, int high) {
  if (low >= kMo && low <= kYy && high >= kMo && high <= kYy) {
    return TimespanClass::kYearMonth;
  }
  if (low >= kMs && low <= kDd && high >= kMs && high <= kDd) {
    return TimespanClass::kDayTime;
  }
  return TimespanClass::kMixed;
}

}  // namespace qd

QD_EXTERN_C QD_API int types_compatible(attrtype* a, attrtype* b) {
  return common_type_code(a->code, b->code) != kTypeNone;
}

QD_EXTERN_C QD_API int castable_from_to(attrtype* from, attrtype* to) {
  const int f = from->code, t = to->code;
  if (f == t || f == kNulltyp) return 1;
  if ((t == kChar || t == kVarchar) && f != kBlob) return 1;
  if ((f == kChar || f == kVarchar) && t != kBlob) return 1;
  const TypeFamily ff = type_family(f);
  return ff != TypeFamily::kNone && ff == type_family(t);
}

QD_EXTERN_C QD_API int prec_nat(int code) {
  switch (code) {
    case kInteger:
      return 10;
    case kTinyint:
      return 3;
    case kSmallint:
      return 5;
    default:
      return 0;
  }
}

QD_EXTERN_C QD_API attrtype* fine_result_typ(attrtype* a, attrtype* b, attrtype* result) {
  QD_INPUTS_OK(valid_descriptor(a, sizeof *a) && valid_descriptor(b, sizeof *b));
  if (at_equal(a, b) || b->code == kNulltyp) {
    *result = *a;
    result->flag = 0;
    return QD_ATTR_PTR(result);
  }
  if (a->code == kNulltyp) {
    *result = *b;
    result->flag = 0;
    return QD_ATTR_PTR(result);
  }
  attrtype r = {};
  r.code = static_cast<int16_t>(common_type_code(a->code, b->code));
  switch (r.code) {
    case kNumeric: {
      const int sa = a->code == kNumeric ? at_scale(a) : 0;
      const int sb = b->code == kNumeric ? at_scale(b) : 0;
      const int pa = a->code == kNumeric ? at_precision(a) : prec_nat(a->code);
      const int pb = b->code == kNumeric ? at_precision(b) : prec_nat(b->code);
      if (pa != 0 && pb != 0) {
        const int scale = sa > sb ? sa : sb;
        const int digits = (pa - sa) > (pb - sb) ? (pa - sa) : (pb - sb);
        at_set_decimal(&r, digits + scale, scale);
      }
      break;
    }
    case kChar:
    case kBinchar:
    case kBits:
    case kVarchar:
    case kBits2: {
      // Codes of the string family carry a length; an unspecified one wins.
      const int la = at_length(a), lb = at_length(b);
      if (la == 0 || lb == 0) {
        if (r.code == kVarchar) r.code = kChar;
        at_set_length(&r, 0);
      } else {
        at_set_length(&r, la > lb ? la : lb);
      }
      break;
    }
    case kTimespan:
      if (at_range_low(a) != kRangeUnset && at_range_low(b) != kRangeUnset &&
          timespan_class(at_range_low(a), at_range_high(a)) !=
              timespan_class(at_range_low(b), at_range_high(b))) {
        r.code = kTypeNone;
        break;
      }
      [[fallthrough]];
    case kDatetime: {
      const int high = at_range_high(a) > at_range_high(b) ? at_range_high(a) : at_range_high(b);
      const int low = at_range_low(a) < at_range_low(b) ? at_range_low(a) : at_range_low(b);
      at_set_range(&r, low, high);
      break;
    }
    default:
      break;
  }
  *result = r;
  // Operands that do not combine give the code 0, which names no type.
  return r.code == kTypeNone ? result : QD_ATTR_PTR(result);
}
