// convert_test_util.h: what the conversion tests share: the real message catalogues for
// the thread's report, values built from case-file fields, and the report body.
#pragma once

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

// n bytes as two hexadecimal digits each.
inline std::string hex(const uint8_t* p, size_t n) {
  std::string out;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02x", p[i]);
    out += b;
  }
  return out;
}

// A value of a number or calendar type as the case files write it: integers and truth
// values in decimal, singles and doubles with "%.9g" and "%.17g", calendar values as
// their literals; the first 20 bytes in hexadecimal for any other code.
inline std::string render_value(int code, const uint8_t* p) {
  char out[64];
  auto get = [p](auto x) { std::memcpy(&x, p, sizeof x); return x; };
  switch (code) {
    case 5: case 21: return std::to_string(get(int8_t{}));
    case 11: case 17: return std::to_string(get(uint8_t{}));
    case 6: case 22: return std::to_string(get(int16_t{}));
    case 18: return std::to_string(get(uint16_t{}));
    case 1: case 16: case 23: return std::to_string(get(int32_t{}));
    case 19: case 20: return std::to_string(get(uint32_t{}));
    case 7: case 24: std::snprintf(out, sizeof out, "%.9g", get(float{})); return out;
    case 2: case 25: std::snprintf(out, sizeof out, "%.17g", get(double{})); return out;
    case 8: return dt_str(out, p);
    case 9: return ts_str(out, p);
    default: return hex(p, 20);
  }
}

}  // namespace convtest
