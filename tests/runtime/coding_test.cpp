// Tests of the character encodings: names, non-ASCII starts, character lengths, valid
// character lengths and string sizes, the process default included.
#include "runtime/coding.h"
#include "test_support.h"

namespace {

using qd::encoding_char_len;
using qd::encoding_name;
using qd::encoding_nonascii_start;
using qd::encoding_string_size;
using qd::encoding_valid_char_len;

TEST(CodingTest, NamesInTwoBuffersUsedInTurn) {
  const char* expected[] = {"???", "Test", "Propriet", "Ascii",    "Singlebyte", "Utf8",
                            "EUC", "JIS",  "UCS2(le)", "UCS2(be)", "UCS4(le)",   "UCS4(be)"};
  for (int code = 0; code < 12; ++code) EXPECT_STREQ(encoding_name(code), expected[code]);
  EXPECT_STREQ(encoding_name(-1), "?\?\?(=-1)");
  EXPECT_STREQ(encoding_name(INT32_MIN), "?\?\?(=-2147483648)");
  const char* first = encoding_name(5);
  const char* second = encoding_name(12);
  EXPECT_STREQ(first, "Utf8");  // still intact: both fit one message
  EXPECT_STREQ(second, "?\?\?(=12)");
  EXPECT_EQ(encoding_name(7), first);  // the third name reuses the first buffer
  EXPECT_STREQ(first, "JIS");
  EXPECT_STREQ(second, "?\?\?(=12)");
}

// Each byte of `bytes` is looked at alone: its character length and whether it starts a
// non-ASCII character.
TEST(CodingTest, CharacterLengthAndNonAsciiStartByFirstByte) {
  for (const auto& c : qdtest::cases("runtime/coding.txt", "bytes")) {
    const int32_t code = std::stoi(c[0]);
    for (size_t i = 0; i < c[1].size(); ++i) {
      const char p[2] = {c[1][i], 0};
      SCOPED_TRACE(testing::Message() << code << " byte " << int(static_cast<uint8_t>(p[0])));
      EXPECT_EQ(encoding_char_len(code, p), c[2][i] - '0');
      EXPECT_EQ(encoding_nonascii_start(code, p), c[3][i] == '1');
    }
  }
}

// Test sequences must be whole, within avail and before the terminator, other high bytes
// being single characters; Utf8 characters must be complete and continued by 10xxxxxx
// bytes (overlong forms and stray continuation bytes pass); EUC and JIS trail bytes may be
// anything but the terminator; UCS and unknown codes have no validity rule.
TEST(CodingTest, ValidCharacterLengthAndStringSize) {
  for (const auto& c : qdtest::cases("runtime/coding.txt", "valid")) {
    const int32_t code = std::stoi(c[0]);
    const char* text = c[1].c_str();
    SCOPED_TRACE(testing::Message() << code << " " << testing::PrintToString(c[1]));
    for (int32_t avail = 0; avail < static_cast<int32_t>(c[2].size()); ++avail) {
      EXPECT_EQ(encoding_valid_char_len(code, text, avail), c[2][avail] - '0') << avail;
    }
    EXPECT_EQ(encoding_string_size(code, text), std::stoi(c[3]));
  }
  for (int32_t code = 0; code <= 12; ++code) EXPECT_EQ(encoding_string_size(code, ""), 1) << code;
}

TEST(CodingTest, CodeZeroIsTheProcessDefault) {
  qdtest::GlobalsScope keep;
  qdxglob_val.db_encoding = 0;  // no default set: Propriet
  EXPECT_EQ(qd::encoding_resolve(0), qd::kEncPropriet);
  EXPECT_EQ(encoding_char_len(0, "\xE4"), 1);
  EXPECT_EQ(encoding_string_size(0, "a\x80"), 3);
  EXPECT_STREQ(encoding_name(0), "???");
  qdxglob_val.db_encoding = 5;
  EXPECT_EQ(encoding_char_len(0, "\xC3\xA4"), 2);
  EXPECT_EQ(encoding_valid_char_len(0, "\xC3\x41", 2), 0);
  EXPECT_EQ(encoding_string_size(0, "\xC3"), 0);
  qdxglob_val.db_encoding = 3;
  EXPECT_EQ(encoding_string_size(0, "a\x80"), 0);
  qdxglob_val.db_encoding = 7;
  EXPECT_TRUE(encoding_nonascii_start(0, "\xA5"));
  qdxglob_val.db_encoding = 40;  // a default out of range measures nothing
  EXPECT_EQ(encoding_char_len(0, "a"), 0);
  EXPECT_EQ(qd::encoding_resolve(6), 6);
}

TEST(CodingTest, NullPointers) {
  EXPECT_EQ(encoding_char_len(5, nullptr), 0);
  EXPECT_EQ(encoding_valid_char_len(5, nullptr, 4), 0);
  EXPECT_EQ(encoding_string_size(5, nullptr), 0);
  EXPECT_FALSE(encoding_nonascii_start(6, nullptr));
}

}  // namespace
