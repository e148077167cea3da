// Tests of value_adapt_type into the byte-sequence and calendar targets: every source
// family at the declared-length boundaries, padding and cutting, multi-byte characters,
// the encodings, bit counts, calendar casts, guard bytes behind every result, and round
// trips of random values through char.
#include <cmath>

#include "convert/convert_internal.h"
#include "base/dtfields.h"
#include "convert_test_util.h"
#include "datetime/dt_test_util.h"

namespace {

using convtest::source_bytes;
using convtest::type_of;
using qd::kDtFields;

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

// A result as the case files write it: a text between quotes, a count and the data bytes
// of a byte or bit string, a calendar literal.
std::string render(int code, const uint8_t* p, int32_t len) {
  switch (code) {
    case 4: case 28: case 29: {
      EXPECT_EQ(p[len - 1], 0) << "a text ends in a zero byte";
      return "'" + std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(len - 1)) + "'";
    }
    case 12: case 14: {
      int32_t n;
      std::memcpy(&n, p, 4);
      return std::to_string(n) + ":" + convtest::hex(p + 4, static_cast<size_t>(len - 4));
    }
    case 30: {
      uint16_t n;
      std::memcpy(&n, p, 2);
      return std::to_string(n) + ":" + convtest::hex(p + 2, static_cast<size_t>(len - 2));
    }
    default: return convtest::render_value(code, p);
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
  const std::string big(40000, 'q');
  for (const char* type : {"char", "varchar", "binchar"}) {
    for (const qdtest::Row& k : qdtest::read_cases("convert/declared_lengths.txt", 4)) {
      SCOPED_TRACE(std::string(type) + " length " + k[0] + " run " + k[1]);
      const attrtype t = target_of(std::string(type) + "@" + k[0]);
      const int n = std::stoi(k[1]);
      const std::string text = big.substr(0, static_cast<size_t>(n));
      const bool binchar = t.code == 12;
      const int32_t header = binchar ? 4 : 0, tail = binchar ? 0 : 1;
      const int expect = std::stoi(binchar ? k[3] : k[2]);
      const size_t room = room_of(t);
      std::vector<uint8_t> dst(room + 16, kGuard);
      qd_long len = -7;
      init_qderr();
      const int rc = value_adapt_type(4, text.c_str(), &t, dst.data(), &len);
      if (expect < 0) {
        EXPECT_EQ(rc, 19004);
      } else {
        ASSERT_EQ(rc, 0);
        const int data = t.code == 29 ? std::min(expect, n) : expect;
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
      EXPECT_TRUE(qdtest::has(body(), "Value 'source value' does not fit type"));
      for (uint8_t b : dst) ASSERT_EQ(b, kGuard);
    }
  }
}

// value (of code) into `via` and back into `back`: 0 and the bytes that came back, or the
// failing status.
int through(int code, const void* value, const std::string& via, const std::string& back,
            std::vector<uint8_t>* out, std::string* text = nullptr) {
  const attrtype t1 = target_of(via), t2 = target_of(back);
  std::vector<uint8_t> mid(room_of(t1));
  out->assign(room_of(t2) + 1, 0);
  if (int rc = value_adapt_type(code, value, &t1, mid.data(), nullptr); rc != 0) return rc;
  if (text) *text = reinterpret_cast<const char*>(mid.data());
  return value_adapt_type(t1.code, mid.data(), &t2, out->data(), nullptr);
}

// A bits value into bits2 of its count and back, a binchar of bytes 1..255 (a text ends at
// a zero byte) into varchar and back: the same bytes.
TEST_F(AdaptTextTest, BitsAndBytesRoundTrip) {
  std::mt19937 rng(15);
  std::vector<uint8_t> out;
  for (int round = 0; round < 300; ++round) {
    const int32_t n = 1 + static_cast<int32_t>(rng() % 200);
    std::vector<uint8_t> bits(4 + (n + 7) / 8, 0), bytes(4 + n);
    std::memcpy(bits.data(), &n, 4);
    std::memcpy(bytes.data(), &n, 4);
    for (int32_t i = 0; i < n; ++i) {
      if (rng() & 1) bits[4 + i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
      bytes[4 + i] = static_cast<uint8_t>(1 + rng() % 255);
    }
    ASSERT_EQ(through(14, bits.data(), "bits2@" + std::to_string(n), "bits@0", &out), 0);
    EXPECT_TRUE(std::equal(bits.begin(), bits.end(), out.begin())) << n << " bits";
    const std::string length = std::to_string(n);
    ASSERT_EQ(through(12, bytes.data(), "varchar@" + length, "binchar@" + length, &out), 0);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), out.begin())) << n << " bytes";
  }
}

// Random values of the number types through char and back: the same bytes, where the
// text holds every digit (doubles with 16 significant digits, singles with 7). Texts of
// doubles and singles are the C library's "%.15e" and "%.6e".
TEST_F(AdaptTextTest, NumbersThroughCharRoundTrip) {
  std::mt19937 rng(1582);
  std::vector<uint8_t> out;
  std::string text;
  char exact[64];
  for (int i = 0; i < 500; ++i) {
    const int32_t i32 = static_cast<int32_t>(rng());
    const int16_t i16 = static_cast<int16_t>(rng() % 65535 - 32767);
    const uint32_t u32 = static_cast<uint32_t>(rng());
    ASSERT_EQ(through(1, &i32, "char@0", "integer", &out), 0);
    EXPECT_EQ(std::memcmp(out.data(), &i32, 4), 0);
    ASSERT_EQ(through(6, &i16, "char@0", "smallint", &out), 0);
    EXPECT_EQ(std::memcmp(out.data(), &i16, 2), 0);
    ASSERT_EQ(through(19, &u32, "char@0", "C-unsigned int", &out), 0);
    EXPECT_EQ(std::memcmp(out.data(), &u32, 4), 0);
    // Any bits at all: the text is the C library's, and one that holds the value reads back.
    double d;
    const uint64_t raw = (static_cast<uint64_t>(rng()) << 32) | rng();
    std::memcpy(&d, &raw, 8);
    std::snprintf(exact, sizeof exact, "%.15e", d);
    const int rc = through(2, &d, "char@0", "double", &out, &text);
    EXPECT_EQ(text, exact);
    if (std::isfinite(d) && std::fabs(d) >= 2.3e-308 && std::strtod(exact, nullptr) == d) {
      ASSERT_EQ(rc, 0) << exact;
      EXPECT_EQ(std::memcmp(out.data(), &d, 8), 0) << exact;
    }
    const float f = static_cast<float>(std::ldexp(static_cast<double>(rng()), -16));
    std::snprintf(exact, sizeof exact, "%.6e", static_cast<double>(f));
    ASSERT_EQ(through(7, &f, "char@0", "float", &out, &text), 0);
    EXPECT_EQ(text, exact);
    if (static_cast<float>(std::strtod(exact, nullptr)) == f) {
      EXPECT_EQ(std::memcmp(out.data(), &f, 4), 0) << exact;
    }
  }
}

// Every datetime and timespan range: random values through char and back into the same
// range give the same bytes and size.
TEST_F(AdaptTextTest, CalendarValuesThroughCharRoundTrip) {
  std::mt19937 rng(2000);
  std::vector<uint8_t> out;
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int high = 0; high <= 6; ++high) {
    for (int low = 0; low <= high; ++low) {
      for (const bool span : {false, true}) {
        if (span && (low >= 5) != (high >= 5)) continue;
        char range[32];
        std::snprintf(range, sizeof range, "%s[%s:%s]", span ? "timespan" : "datetime",
                      kDtFields[high].name, kDtFields[low].name);
        for (int round = 0; round < 40; ++round) {
          const int month = 1 + static_cast<int>(rng() % 12);
          int32_t f[7] = {static_cast<int32_t>(rng() % 1000), static_cast<int32_t>(rng() % 60),
                          static_cast<int32_t>(rng() % 60),   static_cast<int32_t>(rng() % 24),
                          1 + static_cast<int32_t>(rng() % kMonthDays[month - 1]),
                          span ? month - 1 : month,  // a span's months below years: 0..11
                          1 + static_cast<int32_t>(rng() % 32767)};
          if (f[6] == 1582 && month == 10 && f[4] > 4 && f[4] < 15) f[4] = 4;  // no such days
          if (span) f[high] = static_cast<int32_t>(rng() % 2147483647u);
          std::vector<long long> fields(f + low, f + high + 1);
          std::reverse(fields.begin(), fields.end());  // from the high code down
          dtt::Value v = span ? dtt::make<int32_t>(high, low, 1 + round % 2, fields)
                              : dtt::make<int16_t>(high, low, 0, fields);
          if (!span) {
            ASSERT_EQ(dt_check(v.b), 0);
          }
          std::string text;
          ASSERT_EQ(through(span ? 9 : 8, v.b, "char@0", range, &out, &text), 0) << text;
          const int size = (span ? 4 : 2) * (high - low) + 8 - (span ? 0 : 2);
          EXPECT_TRUE(std::equal(v.b, v.b + size, out.begin())) << text;
        }
      }
    }
  }
}

}  // namespace
