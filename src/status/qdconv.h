// qdconv.h: how a conversion of a format text is read, once for the formatter and for the
// compile-time check of the catalogue texts, so the two can never read a text apart.
#pragma once

#include <cstdint>

namespace qd {

// Widths and precisions beyond this are clamped; no report line can use more.
constexpr int kMaxFieldWidth = 65536;

enum class ConvLen : uint8_t { kInt, kShort, kChar, kWide };
// What a conversion consumes: an integer (%d %i %u %x %X %o, and %c), a double, a
// pointer (%s %p %n), nothing (text that is no conversion), or the format ended inside.
enum class ConvKind : uint8_t {
  kInteger,
  kCharacter,
  kDouble,
  kString,
  kPointer,
  kCount,
  kLiteral,
  kEnd
};

struct ConvSpec {
  char flags[8] = {};
  int nflags = 0;
  bool width_star = false;
  int width = -1;  // -1: none given
  bool precision_star = false;
  int precision = -1;  // -1: none given
  ConvLen len = ConvLen::kInt;
  char conv = 0;
  ConvKind kind = ConvKind::kLiteral;
};

constexpr int read_digits(const char*& f) {
  int v = 0;
  while (*f >= '0' && *f <= '9') {
    if (v <= kMaxFieldWidth) v = v * 10 + (*f - '0');
    ++f;
  }
  return v > kMaxFieldWidth ? kMaxFieldWidth : v;
}

// Reads the conversion that starts just after a '%' (not a "%%"); returns the position
// after it. Sizes are the 32-bit platform's: l, L, z, t, j, w and I32 change nothing,
// h and hh narrow, ll and I64 make a 64-bit integer.
constexpr const char* parse_conversion(const char* f, ConvSpec& s) {
  while (*f == '-' || *f == '+' || *f == ' ' || *f == '#' || *f == '0') {
    if (s.nflags < 7) s.flags[s.nflags++] = *f;
    ++f;
  }
  if (*f == '*') {
    s.width_star = true;
    ++f;
  } else if (*f >= '0' && *f <= '9') {
    s.width = read_digits(f);
  }
  if (*f == '.') {
    ++f;
    if (*f == '*') {
      s.precision_star = true;
      ++f;
    } else {
      s.precision = read_digits(f);
    }
  }
  if (*f == 'h') {
    ++f;
    s.len = ConvLen::kShort;
    if (*f == 'h') {
      ++f;
      s.len = ConvLen::kChar;
    }
  } else if (*f == 'l') {
    ++f;
    if (*f == 'l') {
      ++f;
      s.len = ConvLen::kWide;
    }
  } else if (f[0] == 'I' && f[1] == '6' && f[2] == '4') {
    f += 3;
    s.len = ConvLen::kWide;
  } else if (f[0] == 'I' && f[1] == '3' && f[2] == '2') {
    f += 3;
  } else if (*f == 'L' || *f == 'z' || *f == 't' || *f == 'j' || *f == 'w') {
    ++f;
  }
  s.conv = *f;
  switch (s.conv) {
    case 0:
      s.kind = ConvKind::kEnd;
      return f;
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
      s.kind = ConvKind::kInteger;
      break;
    case 'c':
      s.kind = ConvKind::kCharacter;
      break;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      s.kind = ConvKind::kDouble;
      break;
    case 's':
      s.kind = ConvKind::kString;
      break;
    case 'p':
      s.kind = ConvKind::kPointer;
      break;
    case 'n':
      s.kind = ConvKind::kCount;
      break;
    default:
      s.kind = ConvKind::kLiteral;
      break;
  }
  return f + 1;
}

}  // namespace qd
