// Tests of value_adapt_type into the byte-sequence and calendar targets: every source
// family at the declared-length boundaries, padding and cutting, multi-byte characters,
// the encodings, bit counts, calendar casts, guard bytes behind every result, and round
// trips of random values through char.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "convert/convert_internal.h"
#include "convert_test_util.h"

namespace {

using convtest::source_bytes;
using convtest::type_of;

constexpr uint8_t kGuard = 0x5a;

// A target from its text; "char@-3" gives the descriptor of char with the raw 16-bit
// length -3, which no descriptor text states.
attrtype target_of(const std::string& text) {
  const size_t at = text.find('@');
  if (at == std::string::npos) return type_of(text);
  attrtype t = type_of(text.substr(0, at) + "(1)");
  const int16_t length = static_cast<int16_t>(std::stoi(text.substr(at + 1)));
  std::memcpy(t.param, &length, 2);
  return t;
}

// The bytes the descriptor tells a caller to provide.
size_t room_of(attrtype t) {
  return static_cast<size_t>(t.code == 29 ? value_fine_space(0, &t) : size_attrtype(&t));
}

// "enc=5,charlen": the settings of a case.
void apply_settings(const std::string& s) {
  qdxglob_val.charlen_switch = s.find("charlen") != std::string::npos;
  const size_t e = s.find("enc=");
  qdxglob_val.db_encoding = e == std::string::npos ? 0 : std::stoi(s.substr(e + 4));
}

std::string hex(const uint8_t* p, size_t n) {
  std::string out;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02x", p[i]);
    out += b;
  }
  return out;
}

// A result as the case files write it: a text between quotes, a count and the data bytes of a byte or bit string, a calendar literal.
std::string render(int code, const uint8_t* p, int32_t len) {
  char text[64];
  switch (code) {
    case 4: case 28: case 29: {
      EXPECT_EQ(p[len - 1], 0) << "a text ends in a zero byte";
      return "'" + std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(len - 1)) + "'";
    }
    case 12: case 14: {
      int32_t n;
      std::memcpy(&n, p, 4);
      return std::to_string(n) + ":" + hex(p + 4, static_cast<size_t>(len - 4));
    }
    case 30: {
      uint16_t n;
      std::memcpy(&n, p, 2);
      return std::to_string(n) + ":" + hex(p + 2, static_cast<size_t>(len - 2));
    }
    case 8: return dt_str(text, p);
    case 9: return ts_str(text, p);
    default: return "?";
  }
}

class AdaptTextTest : public convtest::ReportTest {};

// source type | source value | target type | settings | result | dstlen | report
TEST_F(AdaptTextTest, ConversionTable) {
  for (const char* file : {"convert/adapt_bytes.txt", "convert/adapt_calendar.txt"}) {
    for (const qdtest::Row& c : qdtest::read_cases(file, 7)) {
      SCOPED_TRACE(std::string(file) + ": " + c[0] + " " + c[1] + " -> " + c[2] + " " + c[3]);
      apply_settings(c[3]);
      const int src_code = type_of(c[0]).code;
      const attrtype target = target_of(c[2]);
      std::vector<uint8_t> src = source_bytes(src_code, c[1]);
      const size_t room = room_of(target);
      std::vector<uint8_t> dst(room + 64, kGuard);
      qd_long len = -7;
      init_qderr();
      const int rc = value_adapt_type(src_code, src.data(), &target, dst.data(), &len);
      if (c[4].rfind("error ", 0) == 0) {
        EXPECT_EQ(rc, std::stoi(c[4].substr(6)));
        EXPECT_EQ(len, -7) << "dstlen is left alone on failure";
      } else {
        ASSERT_EQ(rc, 0) << qd_errtxt_adr();
        EXPECT_EQ(len, std::stoi(c[5]));
        EXPECT_EQ(render(target.code, dst.data(), len), c[4]);
      }
      for (size_t i = room; i < dst.size(); ++i) ASSERT_EQ(dst[i], kGuard) << "byte " << i;
      EXPECT_EQ(body(), c[6].empty() ? "" : c[6] + " \n");
    }
  }
}

// A run of n bytes against every declared length around it: what fits is padded (char,
// binchar) or kept short (varchar), what does not is refused; "at most" lengths cut. No
// byte behind the descriptor's room changes, whatever the outcome.
TEST_F(AdaptTextTest, DeclaredLengthsAroundTheRun) {
  struct Case {
    int length;  // raw 16-bit declared length
    int n;       // bytes of the source text
    int text;    // bytes of a char result's data, or -1 for refused
    int bin;     // the same for binchar, whose storage holds 32668 bytes
  } cases[] = {
      {1, 0, 1, 1},          {1, 1, 1, 1},           {1, 2, -1, -1},
      {7, 6, 7, 7},          {7, 7, 7, 7},           {7, 8, -1, -1},
      {32668, 32668, 32668, 32668}, {32671, 32668, 32671, 32668},
      {32671, 32671, 32671, -1}, {32671, 32672, -1, -1},
      {0, 300, 300, 300},    {0, 32668, 32668, 32668}, {0, 32672, 32672, -1},
      {0, 32673, -1, -1},    {-5, 3, 3, 3},          {-5, 9, 5, 5},
      {-32768, 40000, 32672, 32668},
  };
  const std::string big(40000, 'q');
  for (const char* type : {"char", "varchar", "binchar"}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(std::string(type) + " length " + std::to_string(k.length) + " run " +
                   std::to_string(k.n));
      const attrtype t = target_of(std::string(type) + "@" + std::to_string(k.length));
      const std::string text = big.substr(0, static_cast<size_t>(k.n));
      const bool binchar = t.code == 12;
      const int32_t header = binchar ? 4 : 0, tail = binchar ? 0 : 1;
      const int expect = binchar ? k.bin : k.text;
      const size_t room = room_of(t);
      std::vector<uint8_t> dst(room + 16, kGuard);
      qd_long len = -7;
      init_qderr();
      const int rc = value_adapt_type(4, text.c_str(), &t, dst.data(), &len);
      if (expect < 0) {
        EXPECT_EQ(rc, 19004);
      } else {
        ASSERT_EQ(rc, 0);
        const int data = t.code == 29 ? std::min(expect, k.n) : expect;
        EXPECT_EQ(len, data + header + tail);
      }
      for (size_t i = room; i < dst.size(); ++i) ASSERT_EQ(dst[i], kGuard) << "byte " << i;
    }
  }
}

// A byte or bit string whose count no value has is refused as too long, whatever the
// target, and nothing is read or written for it.
TEST_F(AdaptTextTest, BrokenCountsAreRefused) {
  const struct {
    int code;
    uint32_t count;
  } sources[] = {{12, 0x7fffffffu}, {12, 32669}, {14, 0xffffffffu}, {14, 0x80000000u}};
  for (const auto& s : sources) {
    uint8_t src[16] = {};
    std::memcpy(src, &s.count, 4);
    for (const char* type : {"fileref", "char@0", "varchar@-5", "binchar@0", "bits@0", "bits2@8"}) {
      SCOPED_TRACE(std::string(type) + " from count " + std::to_string(s.count));
      const attrtype t = target_of(type);
      std::vector<uint8_t> dst(room_of(t) + 16, kGuard);
      init_qderr();
      EXPECT_EQ(value_adapt_type(s.code, src, &t, dst.data(), nullptr), 19004);
      EXPECT_NE(body().find("Value 'source value' does not fit type"), std::string::npos);
      for (uint8_t b : dst) ASSERT_EQ(b, kGuard);
    }
  }
}

// Bits out and back: a bits value into bits2 of the same count and back gives its bytes;
// binchar into char and back gives its bytes.
TEST_F(AdaptTextTest, BitsAndBytesRoundTrip) {
  std::mt19937 rng(15);
  for (int round = 0; round < 300; ++round) {
    const int bits = 1 + static_cast<int>(rng() % 200);
    std::vector<uint8_t> value(4 + (bits + 7) / 8, 0);
    std::memcpy(value.data(), &bits, 4);
    for (int i = 0; i < bits; ++i) {
      if (rng() & 1) value[4 + i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    }
    const attrtype bits2 = target_of("bits2@" + std::to_string(bits));
    const attrtype back = target_of("bits@0");
    std::vector<uint8_t> mid(room_of(bits2)), out(value.size());
    ASSERT_EQ(value_adapt_type(14, value.data(), &bits2, mid.data(), nullptr), 0);
    qd_long len = 0;
    ASSERT_EQ(value_adapt_type(30, mid.data(), &back, out.data(), &len), 0);
    EXPECT_EQ(len, static_cast<qd_long>(value.size()));
    EXPECT_EQ(out, value) << bits << " bits";

    // Bytes 1..255 (no zero: a char ends at it) through char and back into binchar.
    const int n = 1 + static_cast<int>(rng() % 100);
    std::vector<uint8_t> bytes(4 + n);
    std::memcpy(bytes.data(), &n, 4);
    for (int i = 0; i < n; ++i) bytes[4 + i] = static_cast<uint8_t>(1 + rng() % 255);
    const attrtype text = target_of("varchar@" + std::to_string(n));
    const attrtype bin = target_of("binchar@" + std::to_string(n));
    std::vector<char> t(room_of(text));
    std::vector<uint8_t> b(room_of(bin));
    ASSERT_EQ(value_adapt_type(12, bytes.data(), &text, t.data(), nullptr), 0);
    ASSERT_EQ(value_adapt_type(29, t.data(), &bin, b.data(), nullptr), 0);
    EXPECT_EQ(b, bytes);
  }
}

// Random values of the number types into char, then back into their own type: the same
// bytes (doubles keep 16 significant digits and singles 7, so only those that print
// exactly come back). The texts of doubles and singles are the C library's "%.15e" and
// "%.6e", whose exponent has two digits unless it needs three.
TEST_F(AdaptTextTest, ValuesThroughCharRoundTrip) {
  std::mt19937 rng(1582);
  const attrtype char_t = target_of("char@0");
  auto trip = [&](int code, const void* v, size_t size, const char* type,
                  const char* expect = nullptr) {
    std::vector<char> text(room_of(char_t));
    ASSERT_EQ(value_adapt_type(code, v, &char_t, text.data(), nullptr), 0);
    if (expect) {
      EXPECT_STREQ(text.data(), expect);
    }
    const attrtype back = type_of(type);
    std::vector<uint8_t> out(64, 0);
    ASSERT_EQ(value_adapt_type(4, text.data(), &back, out.data(), nullptr), 0)
        << text.data() << " " << qd_errtxt_adr();
    EXPECT_EQ(std::memcmp(out.data(), v, size), 0) << text.data();
  };
  for (int i = 0; i < 500; ++i) {
    const int32_t i32 = static_cast<int32_t>(rng());
    trip(1, &i32, 4, "integer");
    const int16_t i16 = static_cast<int16_t>(rng() % 65535 - 32767);
    trip(6, &i16, 2, "smallint");
    const uint32_t u32 = static_cast<uint32_t>(rng());
    trip(19, &u32, 4, "C-unsigned int");
    float f;
    do {
      const uint32_t bits = static_cast<uint32_t>(rng());
      std::memcpy(&f, &bits, 4);
    } while (!std::isfinite(f) || std::fabs(f) < 1.2e-38f || std::fabs(f) > 3e38f);
    const double fd = f;
    char exact[64];
    std::snprintf(exact, sizeof exact, "%.6e", fd);
    if (static_cast<float>(std::strtod(exact, nullptr)) == f) {
      trip(7, &f, 4, "float", exact);
    }
    const double d = std::ldexp(static_cast<double>(rng()), static_cast<int>(rng() % 200) - 100);
    std::snprintf(exact, sizeof exact, "%.15e", d);
    if (std::strtod(exact, nullptr) == d) {
      trip(2, &d, 8, "double", exact);
    }
    double any;  // any bits at all, printed as the C library prints them
    const uint64_t raw = (static_cast<uint64_t>(rng()) << 32) | rng();
    std::memcpy(&any, &raw, 8);
    std::snprintf(exact, sizeof exact, "%.15e", any);
    std::vector<char> text(room_of(char_t));
    ASSERT_EQ(value_adapt_type(2, &any, &char_t, text.data(), nullptr), 0);
    EXPECT_STREQ(text.data(), exact);
  }
}

// Every datetime and timespan range: random values printed into char and read back into
// the same range give the same bytes.
TEST_F(AdaptTextTest, CalendarValuesThroughCharRoundTrip) {
  std::mt19937 rng(2000);
  const attrtype char_t = target_of("char@0");
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int high = 0; high <= 6; ++high) {
    for (int low = 0; low <= high; ++low) {
      for (const bool span : {false, true}) {
        if (span && (low >= 5) != (high >= 5)) continue;
        attrtype t{};
        t.code = span ? 9 : 8;
        t.param[0] = static_cast<uint8_t>(low);
        t.param[1] = static_cast<uint8_t>(high);
        for (int round = 0; round < 40; ++round) {
          int32_t f[7];
          const int year = 1 + static_cast<int>(rng() % 32767);
          const int month = 1 + static_cast<int>(rng() % 12);
          f[6] = year;
          f[5] = month;
          f[4] = 1 + static_cast<int>(rng() % kMonthDays[month - 1]);
          f[3] = static_cast<int>(rng() % 24);
          f[2] = static_cast<int>(rng() % 60);
          f[1] = static_cast<int>(rng() % 60);
          f[0] = static_cast<int>(rng() % 1000);
          if (!span && high == 6 && year == 1582 && month == 10 && f[4] > 4 && f[4] < 15) {
            f[4] = 4;
          }
          if (span) {
            f[5] = month - 1;  // a timespan's months below its years count 0..11
            f[high] = static_cast<int32_t>(rng() % 2147483647u);
          }
          std::vector<uint8_t> v(32, 0);
          const uint32_t header =
              static_cast<uint32_t>(low | high << 4 | (span ? (1 + round % 2) << 8 : 0));
          std::memcpy(v.data(), &header, 4);
          for (int c = low; c <= high; ++c) {
            if (span) {
              std::memcpy(&v[4 + 4 * (c - low)], &f[c], 4);
            } else {
              const int16_t x = static_cast<int16_t>(f[c]);
              std::memcpy(&v[4 + 2 * (c - low)], &x, 2);
            }
          }
          if (!span) {
            ASSERT_EQ(dt_check(v.data()), 0);
          }
          std::vector<char> text(room_of(char_t));
          ASSERT_EQ(value_adapt_type(t.code, v.data(), &char_t, text.data(), nullptr), 0);
          std::vector<uint8_t> out(32, 0);
          qd_long len = 0;
          ASSERT_EQ(value_adapt_type(4, text.data(), &t, out.data(), &len), 0)
              << text.data() << qd_errtxt_adr();
          EXPECT_EQ(out, v) << text.data();
          EXPECT_EQ(len, (span ? 4 : 2) * (high - low) + 8);
        }
      }
    }
  }
}

}  // namespace
