// Tests of the literal scanner through literal_to_binary, literal_to_heapbinary and
// literal_scan: every token kind, type inference, the length limits at their edges,
// strings in the database encoding, bracket literals, errors with their report lines, and
// the round trip of the library's own printed literals.
#include "convert/convert_internal.h"
#include "convert_test_util.h"
#include "base/byteio.h"
#include "base/memory.h"
#include "runtime/coding.h"
#include "types/bytes_internal.h"

namespace {

constexpr size_t kArea = qd::kValueArea;

// A value as the case files write it.
std::string render(const attrtype& t, const uint8_t* v) {
  char out[kArea * 2 + 8];
  switch (t.code) {
    case 3: fix_string(v, out); return out + (out[0] == ' ');
    case 4: return reinterpret_cast<const char*>(v);
    case 12: return binchar_to_string(out, const_cast<uint8_t*>(v), 0);
    case 14: return bits_to_string(out, const_cast<uint8_t*>(v), 0);
    default: return convtest::render_value(t.code, v);
  }
}

std::string type_text(attrtype t) {
  char buf[64];
  return attr_to_txt(&t, 1, buf);
}

class LiteralTest : public convtest::ReportTest {};

// entry | text | result ("ok" or "error N") | type | value (binary) or end offset (scan) | report
TEST_F(LiteralTest, CaseTable) {
  for (const char* file : {"convert/literals.txt", "convert/calendar_literals.txt"}) {
    for (const qdtest::Row& c : qdtest::read_cases(file, 6)) {
      SCOPED_TRACE(std::string(file) + ": " + c[0] + " [" + c[1] + "]");
      attrtype t{};
      std::vector<uint8_t> value(kArea + 16, 0x5a);
      int rc;
      char* end = nullptr;
      if (c[0] == "binary") {
        rc = literal_to_binary(value.data(), &t, c[1].c_str());
      } else {
        rc = literal_scan(&t, &end, c[1].c_str());
      }
      if (c[2] == "ok") {
        ASSERT_EQ(rc, 0) << qd_errtxt_adr();
        EXPECT_EQ(type_text(t), c[3]);
        if (c[0] == "binary") {
          EXPECT_EQ(render(t, value.data()), c[4]);
          // A text's size counts its zero byte; every value takes at least one byte.
          const size_t n = static_cast<size_t>(value_len(value.data(), t.code)) + (t.code == 4);
          EXPECT_EQ(value[std::max<size_t>(n, 1)], 0x5a) << "one byte past the value";
        } else {
          EXPECT_EQ(end - c[1].c_str(), std::stoi(c[4]));
        }
      } else {
        EXPECT_EQ(rc, std::stoi(c[2].substr(6)));
      }
      const std::string expected = c[5].empty() ? "" : c[5] + " \n";
      EXPECT_EQ(body(), expected);
    }
  }
}

TEST_F(LiteralTest, EntriesNameTheirReports) {
  attrtype t;
  uint8_t v[16];
  void* block = nullptr;
  literal_to_binary(v, &t, "1");
  EXPECT_EQ(std::string(qd_errtxt_adr()).rfind("literal_to_binary error report:", 0), 0u);
  literal_to_heapbinary(&block, &t, "1");
  EXPECT_EQ(std::string(qd_errtxt_adr()).rfind("literal_to_heapbinary error report:", 0), 0u);
  std::free(block);
  literal_scan(nullptr, nullptr, "1");
  EXPECT_EQ(std::string(qd_errtxt_adr()).rfind("literal_scan error report:", 0), 0u);
}

// The longest text of each kind is accepted, one byte more is refused (decimals and
// integers read as numeric: in the case file).
TEST_F(LiteralTest, LimitsAtTheirEdges) {
  std::vector<uint8_t> v(kArea + 16);
  attrtype t;
  const std::string longest(qd::kStringMax, 'a');
  EXPECT_EQ(literal_to_binary(v.data(), &t, ("'" + longest + "'").c_str()), 0);
  EXPECT_EQ(t.code, 4);
  EXPECT_EQ(std::strlen(reinterpret_cast<char*>(v.data())), longest.size());
  EXPECT_EQ(literal_to_binary(v.data(), &t, ("'" + longest + "a'").c_str()), 9030);
  // Doubled quotes count once.
  EXPECT_EQ(literal_to_binary(v.data(), &t, ("'" + longest.substr(1) + "'''").c_str()), 0);

  const std::string hex(2 * qd::kBincharMax, 'f');
  EXPECT_EQ(literal_to_binary(v.data(), &t, ("0x" + hex).c_str()), 0);
  EXPECT_EQ(qd::load<uint32_t>(v.data()), qd::kBincharMax);
  EXPECT_EQ(v[4 + qd::kBincharMax - 1], 0xff);
  EXPECT_EQ(literal_to_binary(v.data(), &t, ("0x" + hex + "0").c_str()), 9030);
  EXPECT_EQ(literal_to_binary(v.data(), &t, ("0x" + hex + std::string(40000, '0')).c_str()),
            9030);

  EXPECT_EQ(literal_to_binary(v.data(), &t, "0b1(32767)"), 0);
  EXPECT_EQ(qd::load<int32_t>(v.data()), 32767);
  EXPECT_EQ(t.code, 14);

}

TEST_F(LiteralTest, StringsInTheDatabaseEncoding) {
  for (const qdtest::Row& c : qdtest::read_cases("convert/encoded_strings.txt", 4)) {
    qdxglob_val.db_encoding = std::stoi(c[0]);
    uint8_t v[64];
    attrtype t;
    const int rc = std::stoi(c[2]);
    EXPECT_EQ(literal_to_binary(v, &t, c[1].c_str()), rc) << c[1];
    if (rc == 0) {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(v)), c[3]);
    }
    if (rc == 9706) {
      EXPECT_EQ(body(), std::string("A character is not valid in the database encoding ") +
                            qd::encoding_name(qdxglob_val.db_encoding) + ". \n");
    }
  }
}

TEST_F(LiteralTest, HeapLiteralAndItsAllocationFailure) {
  void* block = reinterpret_cast<void*>(1);
  attrtype t;
  ASSERT_EQ(literal_to_heapbinary(&block, &t, "'it''s'"), 0);
  EXPECT_STREQ(static_cast<char*>(block), "it's");
  EXPECT_EQ(t.code, 4);
  std::free(block);
  ASSERT_EQ(literal_to_heapbinary(&block, &t, "0b1(32767)"), 0);
  EXPECT_EQ(qd::load<int32_t>(block), 32767);
  std::free(block);

  EXPECT_EQ(literal_to_heapbinary(&block, &t, "12abc"), 9030);
  EXPECT_EQ(block, nullptr);
  qd::mem_fail_from_for_test(1);
  block = reinterpret_cast<void*>(1);
  const int rc = literal_to_heapbinary(&block, &t, "42");
  qd::mem_fail_from_for_test(0);
  EXPECT_EQ(rc, 6);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(body(), "in literal scanning \nOut of memory. \n");
}

TEST_F(LiteralTest, PrintedLiteralsReadBack) {
  std::vector<uint8_t> a(kArea), b(kArea);
  attrtype t;
  char text[kArea * 2 + 8];
  // Calendar literals print as they were written, bit and byte strings in forms of their own.
  for (const char* lit :
       {"datetime[yy:ms](2007-11-28 13:5:7.042)", "datetime[yy:dd](1582-10-4)",
        "datetime[hh:mi](9:30)", "datetime[mo:mo](7)", "datetime[yy:ms](32767-12-31 23:59:59.999)",
        "timespan[dd:ms](3 4:5:6.007)", "-timespan[hh:mi](30:15)", "timespan[yy:mo](2-3)",
        "-timespan[dd:ms](2147483647 0:0:0.000)", "0b", "0b1", "0b0(7)1", "0b1(100)0(100)1", "0x",
        "0x00", "0xdeadbeef", "0xabc"}) {
    ASSERT_EQ(literal_to_binary(a.data(), &t, lit), 0) << lit;
    const int code = t.code;
    const std::string printed = render(t, a.data());
    if (code == 8 || code == 9) {
      EXPECT_EQ(printed, lit);
    }
    ASSERT_EQ(literal_to_binary(b.data(), &t, printed.c_str()), 0) << printed;
    EXPECT_EQ(std::memcmp(a.data(), b.data(), static_cast<size_t>(value_len(a.data(), code))), 0)
        << printed;
  }
  for (const char* num : {"0.5", "-123456789012345678901234567891", "-0.000000000000000000000000000001",
                          "99999.00001", "1.5"}) {
    uint8_t fix[QD_FIX_MAX_BYTES];
    ASSERT_EQ(string_fix(num, fix), 0);
    fix_string(fix, text);
    ASSERT_EQ(literal_to_binary(b.data(), &t, text), 0) << text;
    EXPECT_EQ(std::memcmp(fix, b.data(), static_cast<size_t>(fixsize(fix))), 0) << text;
  }
}

TEST(Keywords, AnyCaseAndNothingElse) {
  for (const qdtest::Row& c : qdtest::read_cases("convert/keywords.txt", 2)) {
    EXPECT_EQ(qd::keyword_token(c[0].c_str(), c[0].size()), std::stoi(c[1])) << c[0];
  }
}

}  // namespace
