// fixtest.h: helpers of the decimal tests: building fix values byte by byte and showing
// them as "<sign><digits>/<scale>", independent of the library's own conversions.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qdtype32/qdtype32.h"
#include "test_support.h"

namespace fixtest {

// A 17-byte buffer (plus guard bytes that must stay untouched).
struct Fix {
  unsigned char b[24];
  Fix() { std::memset(b, 0xAA, sizeof b); }
  unsigned char* p() { return b; }
  const unsigned char* p() const { return b; }
  bool guard_intact() const {
    for (int i = 17; i < 24; ++i)
      if (b[i] != 0xAA) return false;
    return true;
  }
};

// digits: most significant first; a leading '-' sets the sign bit. "" gives p = 0.
inline Fix make(const char* digits, int scale) {
  Fix f;
  bool neg = false;
  if (*digits == '-') neg = true, ++digits;
  const int p = static_cast<int>(std::strlen(digits));
  f.b[0] = static_cast<unsigned char>((neg ? 0x80 : 0) | p);
  f.b[1] = static_cast<unsigned char>(static_cast<signed char>(scale));
  for (int i = 1; i <= p; ++i) {
    const int d = digits[p - i] - '0';
    unsigned char& byte = f.b[2 + (i - 1) / 2];
    if (i & 1)
      byte = static_cast<unsigned char>((byte & 0x0f) | (d << 4));
    else
      byte = static_cast<unsigned char>((byte & 0xf0) | d);
  }
  return f;
}

inline std::string show(const unsigned char* v) {
  const int p = v[0] & 0x7f;
  std::string s(1, (v[0] & 0x80) ? '-' : '+');
  for (int i = p; i >= 1; --i) {
    const unsigned char byte = v[2 + (i - 1) / 2];
    s += static_cast<char>('0' + ((i & 1) ? (byte >> 4) : (byte & 15)));
  }
  s += '/';
  s += std::to_string(static_cast<signed char>(v[1]));
  return s;
}
inline std::string show(const Fix& f) { return show(f.b); }

// A value written as show writes it, the sign character optional: "[-]digits/scale".
inline Fix fix_of(const std::string& text) {
  const size_t slash = text.rfind('/');
  std::string digits = text.substr(0, slash);
  if (!digits.empty() && digits[0] == '+') digits.erase(0, 1);
  return make(digits.c_str(), std::atoi(text.c_str() + slash + 1));
}

}  // namespace fixtest
