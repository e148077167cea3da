// formuti.cpp: date format templates: date2str prints a datetime through a template such
// as "YYYY-MO-DD HH24:MI:SS.FFF", str2date reads a datetime back through one. Month and
// weekday names come from the host's tables in qdxglob_val.
#include <bit>
#include <optional>

#include "datetime/dt_internal.h"
#include "datetime/tmplscan.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qddt.h"
#include "qdtype32/qdglob.h"
#include "status/report.h"

using namespace qd;

namespace qd {

// The keywords of a date template. They are tried in this order and the first that the
// template continues with wins, so a keyword that begins with another must stand before
// it: "yyyy" before "yy", "month" before "mon" before "mo", "hh12" and "hh24" before
// "hh". A run of letters f is one fraction element.
const TemplateKeyword kDateKeywords[kDateKeywordCount] = {
    {"yyyy", kElYyyy, nullptr},      {"yy", kElYy, nullptr},     {"mm", kElMonthNumber, nullptr},
    {"month", kElMonth, nullptr},    {"mon", kElMon, nullptr},   {"mo", kElMonthNumber, nullptr},
    {"rm", kElRoman, nullptr},       {"dd", kElDay, nullptr},    {"dy", kElDy, nullptr},
    {"day", kElDayName, nullptr},    {"hh12", kElHh12, nullptr}, {"hh24", kElHh24, nullptr},
    {"hh", kElHh12, nullptr},        {"mi", kElMi, nullptr},     {"ss", kElSs, nullptr},
    {"f", kElFraction, "f"},         {"am", kElMeridian, nullptr}, {"a.m.", kElMeridian, nullptr},
};

int date_element_field(int code) {
  switch (code) {
    case kElYyyy: case kElYy: return kYy;
    case kElMonthNumber: case kElMon: case kElMonth: case kElRoman: return kMo;
    case kElDay: case kElDy: case kElDayName: return kDd;
    case kElHh12: case kElHh24: return kHh;
    case kElMi: return kMi;
    case kElSs: return kSs;
    case kElFraction: return kMs;
    default: return -1;  // the meridian indicator, literal text, the end
  }
}

int date_template_range(TemplateScanner& scanner, int* low, int* high) {
  *low = kNoTemplateRange;
  *high = kNoTemplateRange;
  for (;;) {
    TemplateElement e;
    if (int err = scanner.next(&e)) return err;
    if (e.code == kTemplateEnd) return 0;
    const int f = date_element_field(e.code);
    if (f < 0) continue;
    if (*low == kNoTemplateRange || f < *low) *low = f;
    if (*high == kNoTemplateRange || f > *high) *high = f;
  }
}

}  // namespace qd

namespace {

constexpr const char* kRomanMonths[12] = {"i",   "ii", "iii", "iv", "v",  "vi",
                                          "vii", "viii", "ix", "x", "xi", "xii"};
// Reading tries the longer numerals first where one begins with another.
constexpr int kRomanReadOrder[12] = {12, 11, 10, 8, 7, 6, 5, 9, 4, 3, 2, 1};

// The word of a field in the report of a field given twice.
constexpr const char* kFieldWords[kDtFieldCount] = {"millisec", "second", "minute", "hour",
                                                    "day",      "month",  "year"};

inline int pass_on(int err, int fid) {
  report(0, fid);
  return err;
}

inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
inline char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Case styles of an element as written: 0 ALL UPPER, 1 all lower, 2 Capitalised, 3 the
// first letter lower and the rest upper. Only ASCII letters change: names in other
// scripts print as the host wrote them.
inline char styled(char c, int style, bool first) {
  switch (style) {
    case 0: return ascii_upper(c);
    case 1: return ascii_lower(c);
    case 2: return first ? ascii_upper(c) : ascii_lower(c);
    default: return first ? ascii_lower(c) : ascii_upper(c);
  }
}

// ---- The elements of a template ------------------------------------------------------------

// One element as printing and reading use it; literal points at its text (quotes taken
// out), valid until the next element is asked for.
struct DateElem {
  int code;
  int style;
  size_t length;
  const char* literal;
};

// A template compiled once per thread: its elements with their literal texts and its
// range. Hosts print and read many values through one template, so a call whose
// template text equals the last one compiled on its thread skips the scanning. A
// template too long for it is scanned on every call, as is every template on a thread
// that alternates between several.
constexpr size_t kCompiledText = 96;       // template characters, with the zero
constexpr size_t kCompiledElements = 40;
constexpr size_t kCompiledLiterals = 160;  // literal texts, each with its zero

struct CompiledElem {
  int8_t code;
  int8_t style;
  uint8_t length;   // keyword letters or literal characters
  uint8_t literal;  // offset of a literal's text
  int8_t field;     // the field code a number element gives, else -1
  uint8_t digits;   // the digits a number element reads at most; 0 for other elements
};

// The digits str2date reads for an element that is a plain number, else 0 (names,
// numerals, the fraction and the meridian indicator are read by read_element).
constexpr uint8_t number_digits(int code) {
  switch (code) {
    case kElYyyy: return 4;
    case kElYy: case kElMonthNumber: case kElDay: case kElHh12: case kElHh24: case kElMi:
    case kElSs: return 2;
    default: return 0;
  }
}

// A template of numbers only, each field once, with at most one literal character
// between two of them and none before the first or after the last (as
// "YYYY-MO-DD HH24:MI:SS.FFF"): a text that follows it to its end is read in one pass.
struct PlainStep {
  int8_t code;
  int8_t field;
  uint8_t digits;  // at most, or the letters of a fraction element
  char next;       // the literal character after the number, '\0' for none
};

struct CompiledTemplate {
  bool valid;
  char text[kCompiledText];
  uint8_t count;
  int8_t low, high;
  CompiledElem element[kCompiledElements];
  char literals[kCompiledLiterals];
  uint8_t plain_count;  // 0 when the template is not of that kind
  PlainStep plain[kDtFieldCount];
};
thread_local CompiledTemplate t_compiled;

// The plain steps of c's elements, when it has that form (12-hour hours, which pair
// with a meridian indicator, and names are not plain).
void compile_plain(CompiledTemplate& c) {
  c.plain_count = 0;
  unsigned fields = 0;
  size_t n = 0;
  for (size_t i = 0; i < c.count; ++i) {
    const CompiledElem& ce = c.element[i];
    if ((ce.digits != 0 && ce.code != kElHh12) || ce.code == kElFraction) {
      if (fields & (1u << ce.field)) return;
      fields |= 1u << ce.field;
      const uint8_t digits = ce.code == kElFraction ? ce.length : ce.digits;
      c.plain[n++] = {ce.code, ce.field, digits, '\0'};
    } else if (ce.code == kTemplateLiteral && ce.length == 1 && n > 0 &&
               c.plain[n - 1].next == '\0' && i + 1 < c.count) {
      c.plain[n - 1].next = c.literals[ce.literal];
    } else {
      return;
    }
  }
  c.plain_count = static_cast<uint8_t>(n);
}

// Compiles templ into the thread's cache; *fits false when it does not fit (the cache is
// then left empty). 0, or 6 when literal text cannot be held.
int compile(const char* templ, bool* fits) {
  CompiledTemplate& c = t_compiled;
  c.valid = false;
  *fits = false;
  const size_t len = strnlen(templ, kCompiledText);
  if (len >= kCompiledText) return 0;
  TemplateScanner scanner(templ, kDateKeywords, kDateKeywordCount);
  int low = 0, high = 0;
  if (int err = date_template_range(scanner, &low, &high)) return err;
  scanner.seek(0);
  size_t count = 0, used = 0;
  for (;;) {
    TemplateElement e;
    if (int err = scanner.next(&e)) return err;
    if (e.code == kTemplateEnd) break;
    if (count == kCompiledElements || e.length > UINT8_MAX) return 0;
    CompiledElem& ce = c.element[count++];
    ce = {static_cast<int8_t>(e.code), static_cast<int8_t>(e.style),
          static_cast<uint8_t>(e.length), 0,
          static_cast<int8_t>(date_element_field(e.code)), number_digits(e.code)};
    if (e.code == kTemplateLiteral) {
      if (used + e.length + 1 > kCompiledLiterals) return 0;
      ce.literal = static_cast<uint8_t>(used);
      std::memcpy(c.literals + used, scanner.literal(), e.length + 1);
      used += e.length + 1;
    }
  }
  std::memcpy(c.text, templ, len + 1);
  c.count = static_cast<uint8_t>(count);
  c.low = static_cast<int8_t>(low);
  c.high = static_cast<int8_t>(high);
  compile_plain(c);
  c.valid = true;
  *fits = true;
  return 0;
}

// The elements of a template in order, from the thread's compiled copy or, for a
// template that does not fit there, from a scanner. A position is an element's number
// or a scanner offset; only what position() gave is handed to seek().
class DateTemplate {
 public:
  explicit DateTemplate(const char* templ) : templ_(templ) {}
  // 0, or 6 when the template's literal text cannot be held.
  int open() {
    const CompiledTemplate& c = t_compiled;
    const size_t len = strnlen(templ_, kCompiledText);
    if (len < kCompiledText && c.valid && std::memcmp(c.text, templ_, len + 1) == 0) {
      compiled_ = &c;
      return 0;
    }
    bool fits = false;
    if (int err = compile(templ_, &fits)) return err;
    if (fits) {
      compiled_ = &c;
    } else {
      scanner_.emplace(templ_, kDateKeywords, kDateKeywordCount);
    }
    return 0;
  }
  // The range of the template's field elements (kNoTemplateRange when it has none).
  int range(int* low, int* high) {
    if (compiled_) {
      *low = compiled_->low;
      *high = compiled_->high;
      return 0;
    }
    const int err = date_template_range(*scanner_, low, high);
    scanner_->seek(0);
    return err;
  }
  int next(DateElem* e) {
    if (compiled_) {
      if (index_ >= compiled_->count) {
        *e = {kTemplateEnd, 0, 0, nullptr};
        return 0;
      }
      const CompiledElem& ce = compiled_->element[index_++];
      *e = {ce.code, ce.style, ce.length, compiled_->literals + ce.literal};
      return 0;
    }
    TemplateElement te;
    if (int err = scanner_->next(&te)) return err;
    *e = {te.code, te.style, te.length, scanner_->literal()};
    return 0;
  }
  size_t position() const { return compiled_ ? index_ : scanner_->position(); }
  // The thread's compiled copy, or null when the template is scanned.
  const CompiledTemplate* compiled() const { return compiled_; }
  void seek(size_t at) {
    if (compiled_) {
      index_ = at;
    } else {
      scanner_->seek(at);
    }
  }

 private:
  const char* templ_;
  const CompiledTemplate* compiled_ = nullptr;
  size_t index_ = 0;
  std::optional<TemplateScanner> scanner_;
};

// ---- Printing ---------------------------------------------------------------------------

// The caller's buffer: room counts the characters that may still be written, the
// terminating zero's place excluded.
struct Out {
  char* p;
  int32_t room;
  bool fits(size_t n) const { return n <= static_cast<size_t>(room); }
  void put(const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) p[i] = s[i];  // mostly one or two characters
    p += n;
    room -= static_cast<int32_t>(n);
  }
};

int no_room() { return report<QDE_TEXT_DOES_NOT_FIT, QDF_DATE2STR>(); }

int put_text(Out& out, const char* s, size_t n) {
  if (!out.fits(n)) return no_room();
  out.put(s, n);
  return 0;
}

// A name or numeral in the element's case style; a name the host left out prints empty.
int put_styled(Out& out, const char* name, int style) {
  if (!name) return 0;
  const size_t n = std::strlen(name);
  if (!out.fits(n)) return no_room();
  for (size_t i = 0; i < n; ++i) out.p[i] = styled(name[i], style, i == 0);
  out.p += n;
  out.room -= static_cast<int32_t>(n);
  return 0;
}

// A number with at least `digits` characters, as "%0Nd" writes it; a year above 9999
// takes its fifth digit, and the room check counts it.
int put_number(Out& out, int32_t v, int digits) {
  if (digits == 2 && v >= 0 && v <= 99) {  // every field of a valid value but the year
    if (!out.fits(2)) return no_room();
    const char two[2] = {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
    out.put(two, 2);
    return 0;
  }
  char tmp[16];
  const size_t n = format_int(tmp, v, digits);
  return put_text(out, tmp, n);
}

// n fraction digits of the milliseconds (0..999). Fewer than three digits are rounded
// half up from the next digit; the rounding carries within the printed digits and stops
// at all nines (995 milliseconds print as "99" for "ff" and "9" for "f"), so the
// fraction never spills into the seconds printed beside it. More than three digits add
// zeros.
int put_fraction(Out& out, int32_t ms, size_t n) {
  if (!out.fits(n)) return no_room();
  char d[3] = {static_cast<char>('0' + ms / 100), static_cast<char>('0' + ms / 10 % 10),
               static_cast<char>('0' + ms % 10)};
  if (n < 3 && d[n] >= '5') {
    size_t i = n;
    while (i > 0 && d[i - 1] == '9') d[--i] = '0';
    if (i > 0) {
      ++d[i - 1];
    } else {
      for (size_t k = 0; k < n; ++k) d[k] = '9';
    }
  }
  const size_t head = n < 3 ? n : 3;
  out.put(d, head);
  for (size_t k = head; k < n; ++k) *out.p++ = '0';
  out.room -= static_cast<int32_t>(n - head);
  return 0;
}

int invalid_value() { return report<QDE_DT_INVALID, QDF_DATE2STR>(); }

// One element of the template, for the value v (its range covers the template's).
int print_element(Out& out, const DateElem& e, const Unpacked& v) {
  const qdxglob_record& g = qdxglob_val;
  const int32_t month = v.field[kMo];
  switch (e.code) {
    case kTemplateLiteral: return put_text(out, e.literal, e.length);
    case kElYyyy: return put_number(out, v.field[kYy], 4);
    case kElYy: return put_number(out, v.field[kYy] % 100, 2);
    case kElMonthNumber: return put_number(out, month, 2);
    case kElDay: return put_number(out, v.field[kDd], 2);
    case kElHh24: return put_number(out, v.field[kHh], 2);
    case kElMi: return put_number(out, v.field[kMi], 2);
    case kElSs: return put_number(out, v.field[kSs], 2);
    case kElHh12: {
      const int32_t h = v.field[kHh];
      return put_number(out, h == 0 ? 12 : (h >= 13 && h <= 23) ? h - 12 : h, 2);
    }
    case kElMon: case kElMonth: case kElRoman:
      // Names are looked up by the month, so an unchecked month outside 1..12 is refused.
      if (month < 1 || month > 12) return invalid_value();
      if (e.code == kElRoman) return put_styled(out, kRomanMonths[month - 1], e.style);
      return put_styled(out, e.code == kElMon ? g.month_abbr[month - 1] : g.month_full[month - 1],
                        e.style);
    case kElDy: case kElDayName: {
      int w = 0;
      if (int err = weekday_dt(v, &w)) return pass_on(err, QDF_DATE2STR);
      return put_styled(out, e.code == kElDy ? g.wday_abbr[w] : g.wday_full[w], e.style);
    }
    case kElFraction:
      if (v.field[kMs] < 0 || v.field[kMs] > kDtFields[kMs].max) return invalid_value();
      return put_fraction(out, v.field[kMs], e.length);
    case kElMeridian: {
      // The hour of a value without one: 0 below its range, the current hour above it.
      const bool pm = field_or_current(v, kHh) >= 12;
      const char a = pm ? 'P' : 'A';
      const char first = (e.style == 0 || e.style == 2) ? a : ascii_lower(a);
      const char m = (e.style == 0 || e.style == 3) ? 'M' : 'm';
      const char text[4] = {first, e.length == 4 ? '.' : m, m, '.'};
      return put_text(out, text, e.length == 4 ? 4 : 2);
    }
    default: return 0;
  }
}

// ---- Reading ----------------------------------------------------------------------------

constexpr int kMismatch = -1;

struct Reading {
  Unpacked u{};            // the fields read, by code; the header is set at the end
  unsigned given = 0;      // bit c: field c was read
  bool hour12 = false;     // a "hh12"/"hh" hour was read
  bool meridian = false;   // an indicator was read
  bool pm = false;
  bool adjusted = false;   // the pair has set the hour
  bool beyond = false;     // a field was given outside its datetime limits
};

// Up to max digits; kMismatch without a digit at the start.
int read_digits(const char*& in, int max, int32_t* value, int* count = nullptr) {
  if (!is_digit(*in)) return kMismatch;
  int32_t v = 0;
  int n = 0;
  while (n < max && is_digit(*in)) {
    v = v * 10 + (*in++ - '0');
    ++n;
  }
  *value = v;
  if (count) *count = n;
  return 0;
}

// The milliseconds of a fraction element of `length` letters: up to three digits, a
// fourth rounding, the rest up to the length skipped. 0.9995 reads as 1000
// milliseconds, which the validation refuses. kMismatch without a digit at the start.
inline int read_fraction(const char*& in, size_t length, int32_t* ms) {
  int n = 0;
  int32_t v = 0;
  const int take = length < 3 ? static_cast<int>(length) : 3;
  if (read_digits(in, take, &v, &n)) return kMismatch;
  for (int k = n; k < 3; ++k) v *= 10;
  for (size_t k = 3; k < length && is_digit(*in); ++k, ++in)
    if (k == 3 && *in >= '5') ++v;
  *ms = v;
  return 0;
}

// The first entry whose name begins the input, without regard to case; its length.
// Entries the host left null or empty are passed over.
const qd_name_entry* match_name(const qd_name_entry* table, int count, const char* in,
                                size_t* length) {
  for (int i = 0; i < count; ++i) {
    const char* name = table[i].name;
    if (!name || !*name) continue;
    size_t n = 0;
    while (name[n] && ascii_lower(name[n]) == ascii_lower(in[n])) ++n;
    if (!name[n]) {
      *length = n;
      return &table[i];
    }
  }
  return nullptr;
}

inline int give(Reading& r, int c, int32_t value) {
  if (r.given & (1u << c)) return report<QDE_FIELD_GIVEN_TWICE, QDF_STR2DATE>(kFieldWords[c]);
  r.given |= 1u << c;
  r.u.field[c] = value;
  // An hour of 24 counts as beyond, and a 12-hour hour within 0..23 stays within it
  // when the pair sets it.
  r.beyond |= !dt_within_limits(c, value);
  return 0;
}

// Once both halves of the 12-hour pair are read, the hour takes its 24-hour value.
void pair_meridian(Reading& r) {
  if (!r.hour12 || !r.meridian || r.adjusted) return;
  r.adjusted = true;
  int32_t& h = r.u.field[kHh];
  if (r.pm && h < 12) h += 12;
  if (!r.pm && h == 12) h = 0;
}

// One element against the input at in: 0 (in moved past what it took), kMismatch, or an
// error already reported.
int read_element(const DateElem& e, const char*& in, Reading& r, int32_t century) {
  const qdxglob_record& g = qdxglob_val;
  int32_t v = 0;
  switch (e.code) {
    case kTemplateLiteral: {
      const char* lit = e.literal;
      for (size_t i = 0; i < e.length; ++i)
        if (in[i] != lit[i]) return kMismatch;  // stops at the input's end too
      in += e.length;
      return 0;
    }
    case kElYyyy:
      if (read_digits(in, 4, &v)) return kMismatch;
      return give(r, kYy, v);
    case kElYy:
      if (read_digits(in, 2, &v)) return kMismatch;
      return give(r, kYy, v + (v < 50 ? century : century - 100));
    case kElMonthNumber: case kElDay: case kElHh12: case kElHh24: case kElMi: case kElSs: {
      if (read_digits(in, 2, &v)) return kMismatch;
      if (int err = give(r, date_element_field(e.code), v)) return err;
      if (e.code == kElHh12) {
        r.hour12 = true;
        pair_meridian(r);
      }
      return 0;
    }
    case kElFraction:
      if (read_fraction(in, e.length, &v)) return kMismatch;
      return give(r, kMs, v);
    case kElMon: case kElMonth: {
      size_t n = 0;
      const qd_name_entry* hit =
          match_name(e.code == kElMon ? g.month_abbr_in : g.month_full_in, 12, in, &n);
      if (!hit) return kMismatch;
      in += n;
      return give(r, kMo, static_cast<int32_t>(hit->value & 0xFFFF));
    }
    case kElDy: case kElDayName: {
      size_t n = 0;
      if (!match_name(e.code == kElDy ? g.wday_abbr_in : g.wday_full_in, 7, in, &n))
        return kMismatch;
      in += n;  // the weekday is read over, never checked against the date
      return 0;
    }
    case kElRoman:
      for (int month : kRomanReadOrder) {
        const char* numeral = kRomanMonths[month - 1];
        size_t n = 0;
        while (numeral[n] && ascii_lower(in[n]) == numeral[n]) ++n;
        if (numeral[n]) continue;
        in += n;
        return give(r, kMo, month);
      }
      return kMismatch;
    case kElMeridian: {
      const char c = ascii_lower(in[0]);
      if (c != 'a' && c != 'p') return kMismatch;
      if (ascii_lower(in[1]) != 'm' &&
          !(in[1] == '.' && ascii_lower(in[2]) == 'm' && in[3] == '.'))
        return kMismatch;
      // The input moves on by the element's own length (2 or 4) whatever form it used,
      // but never past the input's end.
      for (size_t k = 0; k < e.length && *in; ++k) ++in;
      r.meridian = true;
      r.pm = c == 'p';
      pair_meridian(r);
      return 0;
    }
    default: return kMismatch;
  }
}

// One element of a compiled template: plain numbers and literal text read here, every
// other element by read_element. The same results as read_element.
inline int read_compiled(const CompiledTemplate& c, const CompiledElem& ce, const char*& in,
                         Reading& r, int32_t century) {
  if (ce.digits != 0) {
    int32_t v = static_cast<uint8_t>(*in) - '0';
    if (static_cast<uint32_t>(v) > 9) return kMismatch;
    ++in;
    for (int n = 1; n < ce.digits; ++n, ++in) {
      const uint32_t d = static_cast<uint8_t>(*in) - uint32_t{'0'};
      if (d > 9) break;
      v = v * 10 + static_cast<int32_t>(d);
    }
    if (ce.code == kElYy) v += v < 50 ? century : century - 100;
    if (int err = give(r, ce.field, v)) return err;
    if (ce.code == kElHh12) {
      r.hour12 = true;
      pair_meridian(r);
    }
    return 0;
  }
  if (ce.code == kElFraction) {
    int32_t v = 0;
    if (read_fraction(in, ce.length, &v)) return kMismatch;
    return give(r, kMs, v);
  }
  if (ce.code == kTemplateLiteral) {
    const char* lit = c.literals + ce.literal;
    for (size_t i = 0; i < ce.length; ++i)
      if (in[i] != lit[i]) return kMismatch;  // stops at the input's end too
    in += ce.length;
    return 0;
  }
  const DateElem e{ce.code, ce.style, ce.length, c.literals + ce.literal};
  return read_element(e, in, r, century);
}

// A text that follows a plain template from its first element to its end, or ends
// after one of its elements: the fields it gives, as the first attempt of the general
// loop finds them. False for anything else (r is then reset by the attempts).
bool read_plain(const CompiledTemplate& c, const char* in, int32_t century, Reading& r) {
  r = Reading{};
  for (size_t i = 0; i < c.plain_count; ++i) {
    const PlainStep& s = c.plain[i];
    int32_t v = 0;
    if (s.code == kElFraction) {
      if (read_fraction(in, s.digits, &v)) return false;
    } else {
      v = static_cast<uint8_t>(*in) - '0';
      if (static_cast<uint32_t>(v) > 9) return false;
      ++in;
      for (int n = 1; n < s.digits; ++n, ++in) {
        const uint32_t d = static_cast<uint8_t>(*in) - uint32_t{'0'};
        if (d > 9) break;
        v = v * 10 + static_cast<int32_t>(d);
      }
      if (s.code == kElYy) v += v < 50 ? century : century - 100;
    }
    r.u.field[s.field] = v;
    r.given |= 1u << s.field;
    r.beyond |= !dt_within_limits(s.field, v);
    if (!*in) return true;
    if (s.next != '\0') {
      if (*in != s.next) return false;
      if (!*++in) return true;
    } else if (i + 1 == c.plain_count) {
      return false;  // text left over: the attempts report it
    }
  }
  return false;
}

// The fields of text through a compiled template, attempt by attempt as str2date's
// general loop makes them: 0, or the error already reported.
int match_compiled(const CompiledTemplate& c, const char* text, const char* templ,
                   int32_t century, Reading& r) {
  if (c.plain_count != 0 && read_plain(c, text, century, r)) return 0;
  for (size_t start = 0;; ++start) {
    r = Reading{};
    const char* in = text;
    size_t i = start;
    int rc = 0;
    while (*in) {
      if (i >= c.count) return report<QDE_TEXT_LEFT_OVER, QDF_STR2DATE>(text, templ);
      rc = read_compiled(c, c.element[i++], in, r, century);
      if (rc != 0) break;
    }
    // A mismatch starts again from the beginning of the input, one element further into
    // the template: leading elements of the template may be left out.
    if (rc != kMismatch) return rc;
  }
}

}  // namespace

// ---- Exports ------------------------------------------------------------------------------

QD_EXTERN_C QD_API int date2str(const void* dt, char* buffer, qd_long size, const char* templ) {
  if (!buffer || size <= 0) return no_room();
  if (!templ) templ = "";
  if (!dt) return invalid_value();
  if (int err = ensure_current()) return pass_on(err, QDF_DATE2STR);
  Unpacked v;
  PackedDt::unpack(dt, v);
  if (!range_ok(v)) {
    return report<QDE_DT_RANGE, QDF_DATE2STR>(low_code(v), high_code(v));
  }
  DateTemplate elements(templ);
  int low = 0, high = 0;
  if (int err = elements.open()) return pass_on(err, QDF_DATE2STR);
  if (int err = elements.range(&low, &high)) return pass_on(err, QDF_DATE2STR);
  if (low == kNoTemplateRange || low < low_code(v) || high > high_code(v)) {
    Unpacked cast;
    if (int err = cast_dt(v, low, high, cast)) return pass_on(err, QDF_DATE2STR);
    v = cast;
  }
  Out out{buffer, size - 1};
  for (;;) {
    DateElem e;
    if (int err = elements.next(&e)) return pass_on(err, QDF_DATE2STR);
    if (e.code == kTemplateEnd) break;
    if (int err = print_element(out, e, v)) return err;
  }
  // The zero byte takes a place of the text's own room: a text holds at most size - 2
  // characters.
  if (out.room < 1) return no_room();
  *out.p = '\0';
  return 0;
}

QD_EXTERN_C QD_API int str2date(const char* text, void* result, const char* templ) {
  QD_INPUTS_OK(true);
  if (!text) text = "";
  if (!templ) templ = "";
  if (int err = set_current_now()) return pass_on(err, QDF_STR2DATE);
  const int32_t century = current().field[kYy] / 100 * 100;

  DateTemplate elements(templ);
  if (int err = elements.open()) return pass_on(err, QDF_STR2DATE);
  size_t start = 0;  // where the current attempt starts in the template
  Reading r;
  if (const CompiledTemplate* c = elements.compiled()) {
    if (int err = match_compiled(*c, text, templ, century, r)) return err;
  }
  for (bool matched = elements.compiled() != nullptr; !matched;) {
    r = Reading{};
    elements.seek(start);
    const char* in = text;
    size_t restart = 0;
    matched = true;
    for (bool first = true; *in; first = false) {
      DateElem e;
      if (int err = elements.next(&e)) return pass_on(err, QDF_STR2DATE);
      if (first) restart = elements.position();
      if (e.code == kTemplateEnd) return report<QDE_TEXT_LEFT_OVER, QDF_STR2DATE>(text, templ);
      const int rc = read_element(e, in, r, century);
      if (rc == kMismatch) {
        // Start again from the beginning of the input, one element further into the
        // template: leading elements of the template may be left out.
        matched = false;
        start = restart;
        break;
      }
      if (rc) return rc;
    }
  }
  if (r.hour12 != r.meridian) return report<QDE_MERIDIAN_MISMATCH, QDF_STR2DATE>(text, templ);
  // The fields read must run without a gap from the lowest to the highest; an input
  // that gives no field at all is refused like one that leaves a gap.
  const unsigned given = r.given;
  const int low = std::countr_zero(given), high = std::bit_width(given) - 1;
  if (given == 0 || given != (2u << high) - (1u << low)) {
    return report<QDE_DATE_FIELD_MISSING, QDF_STR2DATE>(text, templ);
  }

  Unpacked& u = r.u;
  u.header = make_header(low, high, 0);
  // Fields within their limits (no hour of 24 to carry) leave only the day against its
  // month and the calendar switch to check; anything else takes the full validation,
  // which reports it.
  int mark = 0;
  if (!r.beyond && calendar_of(u, &mark)) {
    set_mark(u, mark);
  } else if (int err = check_dt(u)) {
    return pass_on(err, QDF_STR2DATE);
  }
  PackedDt::pack(result, u);
  return QD_DT_OUT(0, result);
}
