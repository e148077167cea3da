// hostfmt.cpp: the host's display forms of datetimes and timespans: the three styles
// (10 month/day/year with a 12-hour clock, 11 day.month.year, 12 year-month-day) and
// percent formats. Nothing is validated and the current datetime is never read: a
// value prints the fields its range holds and leaves the others out.
#include "datetime/dt_internal.h"
#include "qdtype32/qddt.h"

using namespace qd;

namespace qd {

size_t format_int(char* out, int32_t v, int width) {
  // The common case, a field that fills its width exactly or with leading zeros (every
  // field of a valid datetime but a five-digit year), written straight in place.
  constexpr int32_t kWidthLimit[5] = {1, 10, 100, 1000, 10000};
  if (width >= 1 && width <= 4 && v >= 0 && v < kWidthLimit[width]) {
    const auto digit = [](int32_t d) { return static_cast<char>('0' + d); };
    const int32_t high = v / 100, low = v % 100;  // two digits at a time
    char* p = out;
    if (width == 4) *p++ = digit(high / 10);
    if (width >= 3) *p++ = digit(high % 10);
    if (width >= 2) *p++ = digit(low / 10);
    *p = digit(low % 10);
    return static_cast<size_t>(width);
  }
  char digits[10];
  int n = 0;
  // The magnitude as unsigned, so that the most negative value has one too.
  uint32_t m = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  do {
    digits[n++] = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m);
  size_t len = 0;
  if (v < 0) out[len++] = '-';
  for (int pad = width - n - (v < 0 ? 1 : 0); pad > 0; --pad) out[len++] = '0';
  while (n) out[len++] = digits[--n];
  return len;
}

}  // namespace qd

namespace {

constexpr int kStyleUs = 10;      // 11/28/2007, 01:05 PM
// Style 11 (between them): 28.11.2007, 13:05
constexpr int kStyleIso = 12;     // 2007-11-28, 13:05
constexpr size_t kPartBuffer = 80;

bool known_style(qd_long style) { return style >= kStyleUs && style <= kStyleIso; }

inline bool holds(const Unpacked& v, int c) {
  return c >= low_code(v) && c <= high_code(v) && c < kDtFieldCount;
}

// Appends at p; returns the new end (kept zero-terminated).
char* put_int(char* p, int32_t v, int width) {
  p += format_int(p, v, width);
  *p = '\0';
  return p;
}
char* put_str(char* p, const char* s) {
  while (*s) *p++ = *s++;
  *p = '\0';
  return p;
}

// The percent-format specifiers and the field each stands for.
int spec_field(char c) {
  switch (c) {
    case 'y': return kYy;
    case 'm': return kMo;
    case 'd': return kDd;
    case 'H': return kHh;
    case 'M': return kMi;
    case 'S': return kSs;
    case 'F': return kMs;
    default: return -1;
  }
}

// The twins' percent formats: a datetime's fields zero-padded to their width (the year
// 4 digits, milliseconds 3, the others 2), a timespan's as plain numbers, and "%-" a
// timespan's sign ("-" or a blank).
template <bool kSpan>
char* format_value(char* out, const char* format, const Unpacked& v) {
  char* p = out;
  *p = '\0';
  for (const char* f = format; *f; ++f) {
    if (*f != '%') {
      *p++ = *f;
      continue;
    }
    const char c = *++f;
    if (!c) break;  // a lone "%" at the end: nothing is read beyond the format
    const int field = spec_field(c);
    if (field >= 0) {
      if (holds(v, field)) {
        const int width = kSpan ? 0 : field == kYy ? 4 : field == kMs ? 3 : 2;
        p += format_int(p, v.field[field], width);
      }
    } else if (c == 'n') {
      *p++ = '\n';
    } else if (c == 't') {
      *p++ = '\t';
    } else if (kSpan && c == '-') {
      *p++ = is_negative(v) ? '-' : ' ';
    } else {
      *p++ = c;
    }
  }
  *p = '\0';
  return out;
}

// The date part of a style: the pattern by the date fields the value holds.
char* date_text(char* out, qd_long style, const Unpacked& v) {
  *out = '\0';
  if (!known_style(style)) return nullptr;
  const bool y = holds(v, kYy), m = holds(v, kMo), d = holds(v, kDd);
  const int s = static_cast<int>(style - kStyleUs);
  static constexpr const char* kYmd[3] = {"%m/%d/%y", "%d.%m.%y", "%y-%m-%d"};
  static constexpr const char* kYm[3] = {"%m/%y", "%m.%y", "%y-%m"};
  static constexpr const char* kMd[3] = {"%m/%d", "%d.%m.", "%m-%d"};
  const char* pattern = y && m && d ? kYmd[s]
                        : y && m    ? kYm[s]
                        : y         ? "%y"
                        : m && d    ? kMd[s]
                        : m         ? "%m"
                        : d         ? "%d"
                                    : "";
  return format_value<false>(out, pattern, v);
}

// The time part of a style: down to the value's lowest field.
char* time_text(char* out, qd_long style, const Unpacked& v) {
  *out = '\0';
  if (!known_style(style)) return nullptr;
  const int low = low_code(v);
  if (holds(v, kHh) && style == kStyleUs) {
    const int32_t h = v.field[kHh] % 12;
    char* p = put_int(out, h == 0 ? 12 : h, 2);
    for (int c = kMi; c >= low; --c) {
      p = put_str(p, c == kMs ? "." : ":");
      p = put_int(p, v.field[c], c == kMs ? 3 : 2);
    }
    put_str(p, v.field[kHh] < 12 ? " AM" : " PM");
    return out;
  }
  // From the highest clock field the value holds (the row) down to its lowest (the
  // column).
  static constexpr const char* kFrom[4][4] = {
      {"%F", nullptr, nullptr, nullptr},
      {"%S.%F", "%S", nullptr, nullptr},
      {"%M:%S.%F", "%M:%S", "%M", nullptr},
      {"%H:%M:%S.%F", "%H:%M:%S", "%H:%M", "%H"},
  };
  for (int top = kHh; top >= kMs; --top) {
    if (holds(v, top)) return format_value<false>(out, kFrom[top][low], v);
  }
  return out;
}

struct TsPart {
  const char* unit;   // remembered for the end; null: none
  bool unit_if_none;  // only when no unit is remembered yet
  const char* after;  // what follows the number
  int later_width;    // zero padding when a higher field was printed before
};

}  // namespace

QD_EXTERN_C QD_API char* qd_dt_format(char* buffer, const char* format, const void* dt) {
  Unpacked v;
  PackedDt::unpack(dt, v);
  return format_value<false>(buffer, format, v);
}

QD_EXTERN_C QD_API char* qd_ts_format(char* buffer, const char* format, const void* ts) {
  Unpacked v;
  PackedTs::unpack(ts, v);
  return format_value<true>(buffer, format, v);
}

QD_EXTERN_C QD_API char* qd_dt_date(char* buffer, qd_long style, const void* dt) {
  Unpacked v;
  PackedDt::unpack(dt, v);
  return date_text(buffer, style, v);
}

QD_EXTERN_C QD_API char* qd_dt_time(char* buffer, qd_long style, const void* dt) {
  Unpacked v;
  PackedDt::unpack(dt, v);
  return time_text(buffer, style, v);
}

QD_EXTERN_C QD_API char* qd_dt_dt(char* buffer, qd_long style, const void* dt) {
  Unpacked v;
  PackedDt::unpack(dt, v);
  *buffer = '\0';
  if (!known_style(style)) return buffer;  // no parts, so no blank between them either
  char date[kPartBuffer], time[kPartBuffer];
  date_text(date, style, v);
  time_text(time, style, v);
  char* p = put_str(buffer, date);
  if (holds(v, kDd) && holds(v, kHh)) p = put_str(p, " ");
  put_str(p, time);
  return buffer;
}

QD_EXTERN_C QD_API char* qd_ts_timespan(char* buffer, qd_long style, const void* ts) {
  (void)style;  // one form for every style
  Unpacked v;
  PackedTs::unpack(ts, v);
  // By field code: the unit a field leaves for the end of the text, whether only when
  // none is remembered yet, and its first and later forms.
  static constexpr TsPart kParts[kDtFieldCount] = {
      {"ms", true, " ", 3},      {"s", true, ".", 2},         {"mi", true, ":", 2},
      {"h", false, ":", 2},      {nullptr, false, "d ", 2},   {nullptr, false, "mo ", 2},
      {nullptr, false, "y ", 0},
  };
  char* p = buffer;
  *p = '\0';
  if (is_negative(v)) p = put_str(p, "-");
  const char* unit = nullptr;
  bool first = true;
  for (int c = kDtFieldCount - 1; c >= 0; --c) {
    if (!holds(v, c)) continue;
    const TsPart& part = kParts[c];
    p = put_int(p, v.field[c], first ? 0 : part.later_width);
    p = put_str(p, part.after);
    if (part.unit && (!part.unit_if_none || !unit)) unit = part.unit;
    first = false;
  }
  if (p != buffer) {
    *--p = '\0';
    if (unit) put_str(p, unit);
  }
  return buffer;
}
