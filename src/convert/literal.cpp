// literal.cpp: the literal scanner behind literal_to_binary, literal_to_heapbinary and
// literal_scan: tokens, keywords, numbers, strings, hexadecimal and bit literals, truth
// values and the bracket notation of datetime and timespan literals.
#include <cstring>

#include "bits/bits_internal.h"
#include "convert/convert_internal.h"
#include "datetime/dt_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdbytes.h"
#include "qdtype32/qdcompare.h"
#include "qdtype32/qdconv.h"
#include "qdtype32/qddt.h"
#include "qdtype32/qderr.h"
#include "qdtype32/qdfix.h"
#include "qdtype32/qdglob.h"
#include "runtime/coding.h"
#include "status/report.h"
#include "types/bytes_internal.h"
#include "types/types_internal.h"

namespace qd {
namespace {

static_assert(kValueArea == kByteStringHeader + kBincharMax, "a byte-string literal fills the value area");
static_assert(kHexWorkSize - 1 == 2 + 2 * static_cast<int>(kBincharMax),
              "the longest hexadecimal word is \"0x\" and the digits of a full value area");
static_assert(kStringMax + 1 == static_cast<int>(kValueArea), "a string and its zero byte");
static_assert((kBitLiteralMax + 7) / 8 + kBitsHeader <= kValueArea, "bits fit the area");

// The value of the literal being read. One area per thread rather than one per call: a
// 32 KB frame on every call would crowd the small stacks hosts give their worker threads,
// and a heap block per call would cost an allocation and a failure mode on a value path.
// A value lives here only from its token to the copy out; no scan runs inside another.
alignas(8) thread_local uint8_t t_value_area[kValueArea];

// ---- Keywords -------------------------------------------------------------------------------

struct Keyword {
  const char* word;
  int token;
};
// Sorted by word, lower case, byte order: keyword_token halves the table comparing with
// uplowstrcmp (any case in the word), so the order is checked below.
constexpr Keyword kKeywords[] = {
    {"datetime", kTokDatetime}, {"dd", kTokRangeDd}, {"false", kTokFalse}, {"hh", kTokRangeHh},
    {"mi", kTokRangeMi},        {"mo", kTokRangeMo}, {"ms", kTokRangeMs},  {"ss", kTokRangeSs},
    {"timespan", kTokTimespan}, {"true", kTokTrue},  {"yy", kTokRangeYy},
};
constexpr int kKeywordCount = static_cast<int>(sizeof kKeywords / sizeof kKeywords[0]);
constexpr size_t kKeywordMax = 8;  // the longest keyword

constexpr bool keywords_sorted() {
  for (int i = 1; i < kKeywordCount; ++i) {
    const char* a = kKeywords[i - 1].word;
    const char* b = kKeywords[i].word;
    while (*a && *a == *b) ++a, ++b;
    if (static_cast<unsigned char>(*a) >= static_cast<unsigned char>(*b)) return false;
  }
  return true;
}
static_assert(keywords_sorted(), "keywords must stay sorted for the halving search");
// A range name token stands for the field code 118 - token.
static_assert(kTokRangeMs - kTokRangeYy == kYy && kTokRangeMs - kTokRangeMs == kMs);

// ---- Characters -----------------------------------------------------------------------------

inline bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool is_letter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
inline bool is_hex(unsigned char c) {
  return is_digit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}
// A byte that may start a character of more than one byte in the database encoding.
inline bool is_wide(unsigned char c) { return c > 127; }

// Bytes readable from p, up to the most a character of any encoding takes.
inline int32_t available(const char* p) {
  constexpr int32_t kCharMax = 6;
  int32_t n = 0;
  while (n < kCharMax && p[n]) ++n;
  return n;
}

// ---- The scanner ------------------------------------------------------------------------------

struct Scanner {
  const char* pos;    // the next character
  const char* start;  // the whole text, for error reports
  bool point;         // a "." may belong to a number
  int32_t encoding;   // the database encoding, resolved
  uint8_t* area;      // the value of the last literal token
  int error;          // what a kTokError token recorded
};

int invalid_literal(const Scanner& s) {
  return report<QDE_INVALID_LITERAL, QDF_LITERAL_SCAN>(s.start);
}

// The end of a word that starts at p: letters, digits, "_" and characters above 127 that
// are valid in the database encoding. *bad gets the first invalid character (else null).
const char* word_end(const Scanner& s, const char* p, const char** bad) {
  *bad = nullptr;
  for (;;) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (is_letter(c) || is_digit(c) || c == '_') {
      ++p;
    } else if (is_wide(c)) {
      const int n = encoding_valid_char_len(s.encoding, p, available(p));
      if (n <= 0) {
        *bad = p;
        return p;
      }
      p += n;
    } else {
      return p;
    }
  }
}

int read_word(Scanner& s, const char* p) {
  const char* bad;
  const char* end = word_end(s, p, &bad);
  if (bad) {
    s.pos = bad;  // the scan stops at the offending character
    return kTokInvalid;
  }
  s.pos = end;
  const size_t n = static_cast<size_t>(end - p);
  return n > static_cast<size_t>(kWordMax) ? kTokInvalid : keyword_token(p, n);
}

// "0x" and hexadecimal digits, read as one word; its bytes fill at most the value area.
int read_hex(Scanner& s, const char* p) {
  const char* bad;
  const char* end = word_end(s, p, &bad);
  if (bad) {
    s.pos = bad;
    return kTokInvalid;
  }
  s.pos = end;
  if (end - p > kHexWorkSize - 1) return kTokInvalid;
  for (const char* q = p + 2; q < end; ++q) {
    if (!is_hex(static_cast<unsigned char>(*q))) return kTokInvalid;
  }
  if ((end - p - 2 + 1) / 2 > static_cast<long>(kBincharMax)) return kTokInvalid;
  // Every digit is known good and the word ends at a byte that is no digit, so the
  // conversion stops exactly at the word's end.
  hex_to_binchar(s.area, const_cast<char*>(p + 2));
  return kTokBinchar;
}

int read_bits(Scanner& s, const char* p) {
  bool cut = false;
  s.pos = lit_to_bits_bounded(s.area, const_cast<char*>(p + 2), kBitLiteralMax, &cut);
  return cut ? kTokInvalid : kTokBits;
}

// A number from its first digit or its leading ".".
int read_number_token(Scanner& s, const char* p) {
  // The digits are gathered on the way, for the literals short enough to be built
  // without reading them again.
  PlainDigits digits;
  const char* q = p;
  while (is_digit(static_cast<unsigned char>(*q))) digits.add(static_cast<unsigned>(*q++ - '0'));
  long frac_digits = 0;
  bool decimal = false;
  if (s.point && *q == '.') {
    decimal = true;
    const char* f = ++q;
    while (is_digit(static_cast<unsigned char>(*q))) digits.add(static_cast<unsigned>(*q++ - '0'));
    frac_digits = q - f;
  }
  bool exponent = false;
  if (*q == 'e' || *q == 'E') {
    const char* r = q + 1;
    if (*r == '+' || *r == '-') ++r;
    if (!is_digit(static_cast<unsigned char>(*r))) {
      s.pos = r;
      return kTokInvalid;
    }
    while (is_digit(static_cast<unsigned char>(*r))) ++r;
    q = r;
    exponent = true;
  }
  s.pos = q;
  const unsigned char next = static_cast<unsigned char>(*q);
  if (is_letter(next) || next == '_' || is_wide(next)) return kTokInvalid;
  const long length = q - p;

  if (exponent) {
    double d;
    if (!text_to_double(p, q, &d, nullptr)) return kTokInvalid;
    if (float_control(d) == kFloat) {
      store<float>(s.area, static_cast<float>(d));
      return kTokFloat;
    }
    store<double>(s.area, d);
    return kTokDouble;
  }
  if (!decimal && digits.count <= 16) {
    // Up to 16 digits the value is exact: atonumber's classes by value, and a decimal
    // above 2147483647.
    const uint64_t v = bcd16_to_bin(digits.head);
    if (v <= 127) {
      store<int8_t>(s.area, static_cast<int8_t>(v));
      return kTokTinyint;
    }
    if (v <= 32767) {
      store<int16_t>(s.area, static_cast<int16_t>(v));
      return kTokSmallint;
    }
    if (v <= 2147483647) {
      store<int32_t>(s.area, static_cast<int32_t>(v));
      return kTokInteger;
    }
  } else if (!decimal) {
    qd_long v = 0;
    switch (atonumber(const_cast<char*>(p), &v, nullptr)) {
      case kTinyint:
        store<int8_t>(s.area, static_cast<int8_t>(v));
        return kTokTinyint;
      case kSmallint:
        store<int16_t>(s.area, static_cast<int16_t>(v));
        return kTokSmallint;
      case kInteger:
        store<int32_t>(s.area, v);
        return kTokInteger;
      case kNumeric:
        break;  // read as a decimal
      default:
        return kTokInvalid;  // more significant digits than a numeric holds
    }
  }
  if (length > kDecimalLiteralMax) return kTokInvalid;
  if (digits.plain()) {
    fix_from_plain(digits, static_cast<int>(frac_digits), false, s.area);
    return kTokNumeric;
  }
  const int rc = scan_fix(p, s.area, nullptr);
  if (rc != 0) {
    report<0, QDF_LITERAL_SCAN>();
    s.error = rc;
    return kTokError;
  }
  return kTokNumeric;
}

// A character string; "''" stands for one quote.
int read_string(Scanner& s, const char* p) {
  const char* q = p + 1;
  const bool check = s.encoding == kEncTest;
  size_t n = 0;
  for (;;) {
    const unsigned char c = static_cast<unsigned char>(*q);
    if (c == 0) {
      s.pos = q;  // the text ends inside the string
      return kTokInvalid;
    }
    int len = 1;
    if (c == '\'') {
      if (q[1] != '\'') {
        ++q;
        break;
      }
      ++q;  // the first of the two quotes is dropped
    } else if (check || is_wide(c)) {
      len = encoding_valid_char_len(s.encoding, q, available(q));
      if (len <= 0) {
        s.pos = q;
        s.error =
            report<QDE_INVALID_CHARACTER, QDF_LITERAL_SCAN>(encoding_name(s.encoding), s.encoding);
        return kTokError;
      }
    }
    if (n + static_cast<size_t>(len) > static_cast<size_t>(kStringMax)) {
      s.pos = q;
      return kTokInvalid;
    }
    std::memcpy(s.area + n, q, static_cast<size_t>(len));
    n += static_cast<size_t>(len);
    q += len;
  }
  s.area[n] = 0;
  s.pos = q;
  return kTokChar;
}

int next_token(Scanner& s) {
  const char* p = s.pos;
  while (*p == ' ' || *p == '\t' || *p == '\n') ++p;
  const unsigned char c = static_cast<unsigned char>(*p);
  if (c == 0) {
    s.pos = p;
    return kTokEnd;
  }
  if (is_letter(c) || c == '_' || is_wide(c)) return read_word(s, p);
  if (is_digit(c)) {
    if (c == '0' && (p[1] == 'x' || p[1] == 'X')) return read_hex(s, p);
    if (c == '0' && (p[1] == 'b' || p[1] == 'B')) return read_bits(s, p);
    return read_number_token(s, p);
  }
  if (c == '.' && s.point && is_digit(static_cast<unsigned char>(p[1]))) {
    return read_number_token(s, p);
  }
  if (c == '\'') return read_string(s, p);
  s.pos = p + 1;
  switch (c) {
    case '.':
      return kTokPoint;
    case '+':
      return kTokPlus;
    case '-':
      return kTokMinus;
    case '(':
      return kTokOpen;
    case ')':
      return kTokClose;
    case ':':
      return kTokColon;
    case '[':
      return kTokBracketOpen;
    case ']':
      return kTokBracketClose;
    default:
      return kTokInvalid;
  }
}

// ---- Calendar literals ------------------------------------------------------------------------

constexpr int32_t kDtFieldMax = 32767;  // a datetime field is 16 bits

inline bool is_integer_token(int t) {
  return t == kTokTinyint || t == kTokSmallint || t == kTokInteger;
}
inline bool is_range_token(int t) { return t >= kTokRangeYy && t <= kTokRangeMs; }
inline int range_of(int t) { return kTokRangeMs - t; }

int32_t integer_value(const Scanner& s, int token) {
  if (token == kTokTinyint) return load<int8_t>(s.area);
  if (token == kTokSmallint) return load<int16_t>(s.area);
  return load<int32_t>(s.area);
}

#define QD_NEXT(s, tok)                       \
  do {                                        \
    (tok) = next_token(s);                    \
    if ((tok) == kTokError) return (s).error; \
  } while (0)

// The range and fields after the keyword datetime or timespan, packed into the value
// area and validated; the descriptor gets the range.
int calendar_body(Scanner& s, bool timespan, bool negative, attrtype* type) {
  int tok;
  int high = kYy, low = kYy;
  bool fixed = false;
  QD_NEXT(s, tok);
  if (tok == kTokBracketOpen) {
    QD_NEXT(s, tok);
    if (!is_range_token(tok)) return report<QDE_UNKNOWN_RANGE_NAME, QDF_LITERAL_SCAN>(s.start);
    high = low = range_of(tok);
    fixed = true;
    QD_NEXT(s, tok);
    if (tok == kTokColon) {
      QD_NEXT(s, tok);
      if (!is_range_token(tok)) return report<QDE_UNKNOWN_RANGE_NAME, QDF_LITERAL_SCAN>(s.start);
      low = range_of(tok);
      QD_NEXT(s, tok);
    }
    if (tok != kTokBracketClose) {
      return report<QDE_MISSING_CLOSE_BRACKET, QDF_LITERAL_SCAN>(s.start);
    }
    QD_NEXT(s, tok);
  }
  if (tok != kTokOpen) return report<QDE_MISSING_OPEN_PARENTHESIS, QDF_LITERAL_SCAN>(s.start);

  Unpacked u{};
  int c = high;
  QD_NEXT(s, tok);
  for (;;) {
    if (c < kMs || (fixed && c < low)) {
      return report<QDE_FIELD_COUNT_MISMATCH, QDF_LITERAL_SCAN>(s.start);
    }
    if (!is_integer_token(tok)) return report<QDE_FIELD_NOT_INTEGER, QDF_LITERAL_SCAN>(s.start);
    const int32_t v = integer_value(s, tok);
    if (!timespan && v > kDtFieldMax) return invalid_literal(s);
    u.field[c] = v;
    QD_NEXT(s, tok);
    if (tok == kTokClose) break;
    bool ok;
    switch (c) {
      case kYy:
      case kMo:
        ok = tok == kTokMinus;
        break;
      case kDd:
        ok = is_integer_token(tok);  // the hour follows the day directly
        break;
      case kHh:
      case kMi:
        ok = tok == kTokColon;
        break;
      case kSs:
        ok = tok == kTokPoint;
        break;
      default:
        ok = false;  // nothing follows the milliseconds but ")"
        break;
    }
    if (!ok) return report<QDE_BAD_FIELD_SEPARATOR, QDF_LITERAL_SCAN>(s.start);
    if (c != kDd) QD_NEXT(s, tok);
    --c;
  }
  if (!fixed) {
    low = c;
    if (timespan && low <= kDd && high >= kMo) {
      return report<QDE_TIMESPAN_MIXED_RANGE, QDF_LITERAL_SCAN>(s.start);
    }
  } else if (c != low) {
    return report<QDE_FIELD_COUNT_MISMATCH, QDF_LITERAL_SCAN>(s.start);
  }
  u.header = make_header(low, high, timespan ? (negative ? kMarkNegative : kMarkPositive) : 0);
  if (timespan) {
    PackedTs::pack(s.area, u);
    if (const int rc = ts_check(s.area); rc != 0) return rc;
  } else {
    PackedDt::pack(s.area, u);
    if (const int rc = dt_check(s.area); rc != 0) return rc;
  }
  at_set_range(type, low, high);
  return 0;
}

int calendar(Scanner& s, bool timespan, bool negative, attrtype* type) {
  s.point = false;  // 45.5 is a field, a separator and a field
  const int rc = calendar_body(s, timespan, negative, type);
  s.point = true;
  return rc;
}

int sign_not_allowed() { return report<QDE_SIGN_NOT_ALLOWED, QDF_LITERAL_SCAN>(0, "unary '-'"); }

int scan(Scanner& s, bool must_end, attrtype* type) {
  int tok;
  QD_NEXT(s, tok);
  int sign = 0;
  if (tok == kTokMinus || tok == kTokPlus) {
    sign = tok == kTokMinus ? -1 : 1;
    QD_NEXT(s, tok);
  }
  const bool negative = sign < 0;
  *type = attrtype{};
  type->code = static_cast<int16_t>(tok);
  switch (tok) {
    case kTokInteger:
      if (negative) store<int32_t>(s.area, -load<int32_t>(s.area));
      break;
    case kTokTinyint:
      if (negative) store<int8_t>(s.area, static_cast<int8_t>(-load<int8_t>(s.area)));
      break;
    case kTokSmallint:
      if (negative) store<int16_t>(s.area, static_cast<int16_t>(-load<int16_t>(s.area)));
      break;
    case kTokFloat:
      if (negative) store<float>(s.area, -load<float>(s.area));
      break;
    case kTokDouble:
      if (negative) store<double>(s.area, -load<double>(s.area));
      break;
    case kTokNumeric:
      get_attrtype(s.area, kNumeric, type);
      if (negative) fix_change_sign(s.area);
      break;
    case kTokChar:
    case kTokBinchar:
    case kTokBits:
      if (sign) return sign_not_allowed();
      get_attrtype(s.area, tok, type);
      break;
    case kTokDatetime:
    case kTokTimespan: {
      const bool timespan = tok == kTokTimespan;
      if (sign && !timespan) return sign_not_allowed();
      type->code = timespan ? kTimespan : kDatetime;
      if (const int rc = calendar(s, timespan, negative, type); rc != 0) return rc;
      break;
    }
    case kTokTrue:
    case kTokFalse:
      if (sign) return sign_not_allowed();
      type->code = kBool;
      s.area[0] = tok == kTokTrue ? 1 : 0;
      break;
    default:
      return invalid_literal(s);
  }
  if (must_end) {
    const char* end = s.pos;
    QD_NEXT(s, tok);
    if (tok != kTokEnd) return invalid_literal(s);
    s.pos = end;
  }
  return 0;
}

#undef QD_NEXT

}  // namespace

int keyword_token(const char* word, size_t length) {
  if (length == 0 || length > kKeywordMax) return kTokInvalid;
  char w[kKeywordMax + 1];
  std::memcpy(w, word, length);
  w[length] = 0;
  int lo = 0, hi = kKeywordCount - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const int cmp = uplowstrcmp(w, const_cast<char*>(kKeywords[mid].word));
    if (cmp == 0) return kKeywords[mid].token;
    if (cmp < 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return kTokInvalid;
}

int scan_literal(const char* text, bool must_end, ScannedLiteral* out) {
  if (!text) text = "";
  Scanner s{text, text, true, encoding_resolve(kEncDefault), t_value_area, 0};
  const int rc = scan(s, must_end, &out->type);
  if (rc != 0) return rc;
  out->value = s.area;
  out->end = s.pos;
  return 0;
}

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int literal_to_binary(void* value, attrtype* type, const char* text) {
  start_report_named("literal_to_binary");
  ScannedLiteral lit;
  if (const int rc = scan_literal(text, true, &lit); rc != 0) return rc;
  copy_value(value, const_cast<void*>(lit.value), lit.type.code);
  if (type) *type = lit.type;
  QD_INPUTS_OK(true);
  return QD_VALUE_OUT(0, lit.type.code, value);
}

QD_EXTERN_C QD_API int literal_to_heapbinary(void** value, attrtype* type, const char* text) {
  start_report_named("literal_to_heapbinary");
  *value = nullptr;
  ScannedLiteral lit;
  if (const int rc = scan_literal(text, true, &lit); rc != 0) return rc;
  void* block = heap_alloc(static_cast<size_t>(value_rough_space(&lit.type)));
  if (!block) return report<QDE_NO_MEMORY, QDF_LITERAL_SCAN>();
  copy_value(block, const_cast<void*>(lit.value), lit.type.code);
  *value = block;
  if (type) *type = lit.type;
  QD_INPUTS_OK(true);
  return QD_VALUE_OUT(0, lit.type.code, block);
}

QD_EXTERN_C QD_API int literal_scan(attrtype* type, char** end, const char* text) {
  start_report_named("literal_scan");
  ScannedLiteral lit;
  if (const int rc = scan_literal(text, false, &lit); rc != 0) return rc;
  if (type) *type = lit.type;
  if (end) *end = const_cast<char*>(lit.end);
  return 0;
}
