// fixtest.h: helpers of the decimal tests: building fix values byte by byte and showing
// them as "<sign><digits>/<scale>", independent of the library's own conversions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "qdtype32/qdtype32.h"

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

// One field of a case line: trimmed; in double quotes it keeps its blanks and reads the
// escapes \xNN, \t, \n, \\ and \".
inline std::string field_of(std::string f) {
  const size_t b = f.find_first_not_of(" \t"), e = f.find_last_not_of(" \t");
  f = b == std::string::npos ? std::string() : f.substr(b, e - b + 1);
  if (f.size() < 2 || f.front() != '"' || f.back() != '"') return f;
  std::string out;
  for (size_t i = 1; i + 1 < f.size(); ++i) {
    if (f[i] != '\\') {
      out += f[i];
      continue;
    }
    const char c = f[++i];
    if (c == 'x') {
      out += static_cast<char>(std::strtol(f.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    }
  }
  return out;
}

// The cases of one operation from tests/data/decimal/<file>: lines "op | field | ...",
// '#' comment lines and blank lines skipped; each case without its op field. A file that
// cannot be read, or holds no case of op, fails the calling test.
inline std::vector<std::vector<std::string>> cases(const char* file, const char* op) {
  std::vector<std::vector<std::string>> out;
  std::ifstream in(std::string(QD_TEST_DATA_DIR) + "/decimal/" + file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
      if (i < line.size() && line[i] == '"' && (i == 0 || line[i - 1] != '\\')) quoted = !quoted;
      if (i == line.size() || (line[i] == '|' && !quoted)) {
        fields.push_back(field_of(line.substr(start, i - start)));
        start = i + 1;
      }
    }
    if (fields[0] == op) out.emplace_back(fields.begin() + 1, fields.end());
  }
  EXPECT_FALSE(out.empty()) << "no " << op << " cases in " << file;
  return out;
}
inline int num(const std::string& s) { return std::atoi(s.c_str()); }

}  // namespace fixtest
