// types_test_util.h: what several type tests share: descriptors built byte by byte, their
// full text form, a guard that switches forced heap failures off again, and the fields of
// the case files under tests/data/types.
#pragma once

#include <cctype>

#include "test_support.h"
#include "base/memory.h"
#include "types/bytes_internal.h"

namespace typetest {

// The flag byte is the host's: operations that build a descriptor clear it.
inline attrtype make(int code, int p0 = 0, int p1 = 0) {
  attrtype t = {};
  t.code = static_cast<int16_t>(code);
  t.param[0] = static_cast<uint8_t>(p0);
  t.param[1] = static_cast<uint8_t>(p1);
  t.flag = 0x5a;
  return t;
}
// A descriptor with a 16-bit length parameter.
inline attrtype len(int code, int n) { return make(code, n & 0xff, (n >> 8) & 0xff); }

inline std::string text_of(attrtype t, int full = 1) {
  char buf[64];
  return attr_to_txt(&t, full, buf);
}

struct FailGuard {
  ~FailGuard() { qd::mem_fail_from_for_test(0); }
};

using qdtest::num;

// Bytes written in hex, blank-separated ("04 02 43 21"); other words are skipped.
inline std::vector<uint8_t> hex_bytes(const std::string& s) {
  std::vector<uint8_t> out;
  std::istringstream in(s);
  for (std::string b; in >> b;) {
    if (b.size() == 2 && std::isxdigit(static_cast<unsigned char>(b[0]))) {
      out.push_back(static_cast<uint8_t>(std::stoi(b, nullptr, 16)));
    }
  }
  return out;
}

// A descriptor field: "code", "code,p0,p1" (the two parameter bytes) or "code/n" (a
// 16-bit length).
inline attrtype attr(const std::string& s) {
  size_t slash = s.find('/'), c1 = s.find(','), c2 = s.find(',', c1 + 1);
  if (slash != std::string::npos)
    return len(int(num(s.substr(0, slash))), int(num(s.substr(slash + 1))));
  if (c1 == std::string::npos) return make(int(num(s)));
  return make(int(num(s.substr(0, c1))), int(num(s.substr(c1 + 1, c2 - c1 - 1))),
              int(num(s.substr(c2 + 1))));
}

// The cases of tests/data/types/<name> (see qdtest::read_cases).
using Row = qdtest::Row;

// Fields from..from+n of a case against the values got, a "-" field standing for any value.
inline void expect_fields(const Row& c, size_t from, std::vector<long long> got) {
  for (size_t k = 0; k < got.size(); ++k) {
    EXPECT_TRUE(c[from + k] == "-" || got[k] == num(c[from + k])) << c[0] << " field " << from + k
                                                                  << ": " << got[k];
  }
}

inline std::vector<Row> read_cases(const std::string& name) {
  return qdtest::read_cases("types/" + name);
}

}  // namespace typetest
