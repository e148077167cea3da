// timeuti.cpp: the literal text of datetimes and timespans, and the range-name and
// separator rules by which the calendar text reader reads it back.
#include <cctype>
#include <cstring>

#include "base/digits.h"
#include "datetime/dt_internal.h"
#include "types/types_internal.h"

namespace qd {

namespace {

inline bool is_blank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

inline const char* skip_blanks(const char* p) {
  while (is_blank(*p)) ++p;
  return p;
}

// The text of a literal in out[0..size): what fits is kept, always zero-terminated. It is
// on the road of every calendar value converted to a character type, so it writes its
// numbers directly rather than through the formatter.
class LiteralWriter {
 public:
  LiteralWriter(char* out, size_t size) : out_(out), room_(size - 1) { out_[0] = '\0'; }
  void put(const char* s, size_t n) {
    if (n > room_ - len_) n = room_ - len_;
    std::memcpy(out_ + len_, s, n);
    len_ += n;
    out_[len_] = '\0';
  }
  void put(const char* s) { put(s, std::strlen(s)); }
  void put(char c) { put(&c, 1); }
  // As "%0*d" writes it: at least `width` characters, zeros after the sign.
  void number(int32_t v, int width) {
    char digits[kDecimalDigitsMax + 4];
    const int min_digits = v < 0 ? width - 1 : width;
    put(digits, write_decimal(digits, v, min_digits > 1 ? min_digits : 1));
  }
  size_t length() const { return len_; }

 private:
  char* out_;
  size_t room_;
  size_t len_ = 0;
};

// "name[high:low](fields)", the highest field first, each lower one after its separator.
size_t literal_text(char* out, size_t size, const Unpacked& v, const char* type_name,
                    bool negative) {
  if (size == 0) return 0;
  const int low = low_code(v), high = high_code(v);
  LiteralWriter w(out, size);
  if (negative) w.put('-');
  w.put(type_name);
  w.put('[');
  w.put(range_name(high));
  w.put(':');
  w.put(range_name(low));
  w.put("](", 2);
  // A broken header prints its codes' names ("??") and only the slots that exist.
  const int top = high < kDtFieldCount ? high : kDtFieldCount - 1;
  w.number(top >= 0 ? v.field[top] : 0, 0);
  for (int c = top - 1; c >= low; --c) {
    w.put(field_separator(c));
    w.number(v.field[c], kDtFields[c].digits);
  }
  w.put(')');
  return w.length();
}

}  // namespace

char field_separator(int c) { return c >= 0 && c < kDtFieldCount ? kDtFields[c].separator : ' '; }

size_t dt_text(char* out, size_t size, const Unpacked& v) {
  return literal_text(out, size, v, "datetime", false);
}

size_t ts_text(char* out, size_t size, const Unpacked& v) {
  return literal_text(out, size, v, "timespan", is_negative(v));
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

}  // namespace qd
