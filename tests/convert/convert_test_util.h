// convert_test_util.h: what the conversion tests share: the real message catalogues for
// the thread's report, values built from case-file fields, and the report body.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "qdtype32/qdtype32.h"
#include "report_support.h"

namespace convtest {

// Reports read their texts from the installation's catalogues (share/); each test starts
// with a fresh report and gives the settings back.
using ReportTest = qdtest::ReportTest;

// A descriptor from its text ("numeric(5,2)", "C-unsigned short").
inline attrtype type_of(const std::string& text) {
  attrtype t{};
  std::string copy = text;
  txt_to_attr(copy.data(), &t);
  return t;
}

// Sources are built in buffers at least this long.
constexpr size_t kSourceBuf = 64;

// The source value of a case: its memory form from the field's text. Numbers are read as
// the host reads them; calendar values, byte and bit strings from their literals (a bits2
// value takes the bits of its literal). "x" stands for a recognisable pattern that no
// conversion reads.
inline std::vector<uint8_t> source_bytes(int code, const std::string& f) {
  std::vector<uint8_t> v(kSourceBuf + f.size() + 1, 0);
  auto put = [&](auto x) { std::memcpy(v.data(), &x, sizeof x); };
  switch (code) {
    case 5: case 11: case 21: put(static_cast<int8_t>(std::stoll(f))); break;
    case 17: put(static_cast<uint8_t>(std::stoll(f))); break;
    case 6: case 22: put(static_cast<int16_t>(std::stoll(f))); break;
    case 18: put(static_cast<uint16_t>(std::stoll(f))); break;
    case 1: case 16: case 23: put(static_cast<int32_t>(std::stoll(f))); break;
    case 19: case 20: put(static_cast<uint32_t>(std::stoll(f))); break;
    case 7: case 24: put(std::strtof(f.c_str(), nullptr)); break;
    case 2: case 25: put(std::strtod(f.c_str(), nullptr)); break;
    case 3: EXPECT_EQ(string_fix(f.c_str(), v.data()), 0) << f; break;
    case 4: case 28: case 29: std::memcpy(v.data(), f.c_str(), f.size() + 1); break;
    case 8: case 9: case 12: case 14: case 30: {
      if (f == "x") return source_bytes(0, f);
      std::vector<uint8_t> value(32768);
      attrtype t{};
      EXPECT_EQ(literal_to_binary(value.data(), &t, f.c_str()), 0) << f;
      if (code == 30) {  // 16-bit count, then the literal's data bytes
        int32_t bits;
        std::memcpy(&bits, value.data(), 4);
        const uint16_t count = static_cast<uint16_t>(bits);
        value.erase(value.begin(), value.begin() + 2);
        std::memcpy(value.data(), &count, 2);
      }
      value.resize(std::max(value.size(), v.size()));
      return value;
    }
    default:  // blob and the rest: a recognisable pattern
      for (size_t i = 0; i < kSourceBuf; ++i) v[i] = static_cast<uint8_t>(0xa0 + i);
  }
  return v;
}

}  // namespace convtest
