// timeuti.cpp: the literal text of datetimes and timespans, and the range-name and
// separator rules by which the calendar text reader reads it back.
#include <cctype>

#include "datetime/dt_internal.h"
#include "status/qdformat.h"
#include "types/types_internal.h"

namespace qd {

namespace {

inline bool is_blank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

inline const char* skip_blanks(const char* p) {
  while (is_blank(*p)) ++p;
  return p;
}

// Type name and formats of one of the twins.
struct LiteralForm {
  const char* type_name;
  const char* first;   // type text and the highest field
  const char* padded;  // separator and a field of three fixed digits
  const char* other;   // separator and any other field
};
static_assert(kDtFields[kMs].digits == 3, "the padded forms write three digits");
constexpr LiteralForm kDtForm = {"datetime", "%s[%s:%s](%d", "%c%03d", "%c%d"};
constexpr LiteralForm kTsForm = {"timespan", "%s[%s:%s](%ld", "%c%03ld", "%c%ld"};

size_t literal_text(char* out, size_t size, const Unpacked& v, const LiteralForm& form,
                    bool negative) {
  if (size == 0) return 0;
  const int low = low_code(v), high = high_code(v);
  out[0] = '\0';
  if (negative) append_values(out, size, "-");
  // A broken header prints its codes' names ("??") and only the slots that exist.
  const int top = high < kDtFieldCount ? high : kDtFieldCount - 1;
  append_values(out, size, form.first, form.type_name, range_name(high), range_name(low),
                top >= 0 ? v.field[top] : 0);
  for (int c = top - 1; c >= low; --c) {
    append_values(out, size, kDtFields[c].digits != 0 ? form.padded : form.other, field_separator(c),
                  v.field[c]);
  }
  return append_values(out, size, ")");
}

}  // namespace

char field_separator(int c) { return c >= 0 && c < kDtFieldCount ? kDtFields[c].separator : ' '; }

size_t dt_text(char* out, size_t size, const Unpacked& v) {
  return literal_text(out, size, v, kDtForm, false);
}

size_t ts_text(char* out, size_t size, const Unpacked& v) {
  return literal_text(out, size, v, kTsForm, is_negative(v));
}

int scan_range_name(const char* text, const char** end) {
  *end = text;
  if (!text || !text[0] || !text[1]) return kRangeNotName;
  const char a = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  const char b = static_cast<char>(std::tolower(static_cast<unsigned char>(text[1])));
  for (int c = kYy; c >= kMs; --c) {
    const char* name = range_name(c);
    if (a == name[0] && b == name[1]) {
      *end = skip_blanks(text + 2);
      return c;
    }
  }
  return kRangeNotName;
}

bool scan_field_end(int c, const char** p) {
  if (c < kMs || c > kYy) return false;
  const char* q = skip_blanks(*p);
  if (c == kMs) {  // the last field: the literal's closing character, left to the caller
    if (*q != ')' && *q != '\'') return false;
    *p = q;
    return true;
  }
  // What the literal writes in front of the next lower field.
  const char separator = kDtFields[c - 1].separator;
  if (separator == ' ') {  // blanks, already skipped: the next field's digit must follow
    if (!std::isdigit(static_cast<unsigned char>(*q))) return false;
    *p = q;
    return true;
  }
  if (*q != separator) return false;
  *p = q + 1;
  return true;
}

}  // namespace qd
