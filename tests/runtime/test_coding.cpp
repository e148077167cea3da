// Tests of the character encodings: names, non-ASCII starts, character lengths, valid
// character lengths and string sizes, the process default included.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "runtime/coding.h"
#include "test_support.h"

namespace {

using namespace std::string_view_literals;
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
  struct Case {
    int32_t code;
    std::string_view bytes;
    const char* lens;
    const char* starts;
  } cases[] = {
      {1, "\xE4\xD6\xFC\xC4\x41\x27\x80\xE5\xFF"sv, "223311111", "000000000"},
      {2, "\xFF\x61"sv, "11", "00"},
      {3, "\xC3\x80"sv, "11", "00"},
      {4, "\x80"sv, "1", "0"},
      // Utf8 by lead byte; stray continuation bytes, 0xFE and 0xFF count 1.
      {5, "\0\x41\x7F\x80\xBF\xC0\xC3\xDF\xE0\xEF\xF0\xF7\xF8\xFB\xFC\xFD\xFE\xFF"sv,
       "111112223344556611", "000000000000000000"},
      {6, "\x7F\x80\x8E\x8F\x90\xFF"sv, "122322", "011111"},
      {7, "\x80\x81\x9F\xA0\xA1\xA5\xDF\xE0\xFC\xFD\xFF\x61"sv, "122111122111", "011011111000"},
      {8, "\x61\x80"sv, "22", "00"},
      {9, "\0"sv, "2", "0"},
      {10, "\x61"sv, "4", "0"},
      {11, "\xFF"sv, "4", "0"},
      {12, "\x61"sv, "0", "0"},
      {-1, "\x61"sv, "0", "0"},
      {40, "\xE4\x80"sv, "00", "00"},
  };
  for (const Case& c : cases) {
    for (size_t i = 0; i < c.bytes.size(); ++i) {
      const char p[2] = {c.bytes[i], 0};
      SCOPED_TRACE(testing::Message() << c.code << " byte " << int(static_cast<uint8_t>(p[0])));
      EXPECT_EQ(encoding_char_len(c.code, p), c.lens[i] - '0');
      EXPECT_EQ(encoding_nonascii_start(c.code, p), c.starts[i] == '1');
    }
  }
}

// Test sequences must be whole, within avail and before the terminator, other high bytes
// being single characters; Utf8 characters must be complete and continued by 10xxxxxx
// bytes (overlong forms and stray continuation bytes pass); EUC and JIS trail bytes may be
// anything but the terminator; UCS and unknown codes have no validity rule.
TEST(CodingTest, ValidCharacterLengthAndStringSize) {
  struct Case {
    int32_t code;
    const char* text;
    const char* by_avail;  // the valid length of the first character for avail 0, 1, ...
    int32_t size;          // the string size of the whole text
  } cases[] = {
      {1, "\xE4\x27", "002", 3},
      {1, "\xE4\x28", "000", 0},
      {1, "\xD6\x22", "002", 3},
      {1, "\xD6\x27", "000", 0},
      {1, "\xFC\xFC\xFC", "0003", 4},
      {1, "\xFC\xFC", "0000", 0},
      {1, "\xC4\xC4\xC4", "000333", 4},
      {1, "\xC4\xC4\xC3", "0000", 0},
      {1, "A", "011", 2},
      {1, "\x80", "01", 2},
      {1, "abc", "", 4},
      {1, "a\xE4\x27z", "", 5},
      {1, "\xE4", "", 0},
      {1, "\xC4\xC4\xC4\xC4\xC4\xC4", "", 7},
      {1, "\xC4\xC4\xC4\xC4", "", 0},
      {1, "\xD6\x22\xD6", "", 0},
      {1, "\x80\xE5\xFF", "", 4},
      {2, "\xFF", "01", 2},
      {2, "\xFF\xFE", "", 3},
      {3, "\x7F", "01", 2},
      {3, "\x80", "00", 0},
      {3, "abc", "", 4},
      {3, "ab\x80", "", 0},
      {4, "\x80", "01", 2},
      {4, "\x80\xFF", "", 3},
      {5, "\xC3\xA4", "002", 3},
      {5, "\xC3\x41", "000", 0},
      {5, "\xC3\xC3", "000", 0},
      {5, "\xC3", "000", 0},
      {5, "\xE2\x82\xAC", "0003", 4},
      {5, "\xE2\x82\x41", "0000", 0},
      {5, "\xF0\x9F\x98\x80", "00004", 5},
      {5, "\xF8\x80\x80\x80\x80", "000005", 6},
      {5, "\xFC\x80\x80\x80\x80\x80", "0000006", 7},
      {5, "\xFC\x80\x80\x80\x80\x7F", "0000000", 0},
      {5, "\xC0\x80", "002", 3},
      {5, "\x80", "01", 2},
      {5, "a\xC3", "", 0},
      {5, "\xC3\xA4\xC3\xA4", "", 5},
      {5, "\xE2\x82", "", 0},
      {5, "\xE2\x41\x82", "", 0},
      {5, "\xF0\x9F\x98\x80x", "", 6},
      {5, "\xFF", "", 2},
      {6, "\x8F\xA1\xA1", "0003", 4},
      {6, "\xB0\xA1", "002", 3},
      {6, "\x8F\xA1", "", 0},
      {6, "\x8F", "", 0},
      {6, "\xB0", "", 0},
      {6, "a\xB0\xA1z", "", 5},
      {6, "\x8F\x41\x41", "", 4},
      {7, "\x81\x40", "002", 3},
      {7, "\xA5", "01", 2},
      {7, "\x81", "", 0},
      {7, "\xA5\xA5", "", 3},
      {7, "\xE0\x40\xFD", "", 4},
      {7, "\xFC", "", 0},
      {8, "ab", "000", 3},
      {11, "abcd", "00000", 5},
      {11, "a", "", 2},
      {12, "a", "00", 2},
      {12, "abc", "", 4},
      {-1, "ab", "", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.code << " " << testing::PrintToString(std::string(c.text)));
    for (int32_t avail = 0; c.by_avail[avail]; ++avail) {
      EXPECT_EQ(encoding_valid_char_len(c.code, c.text, avail), c.by_avail[avail] - '0') << avail;
    }
    EXPECT_EQ(encoding_string_size(c.code, c.text), c.size);
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
