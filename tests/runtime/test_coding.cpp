// Tests of the character encodings: names, non-ASCII starts, character lengths, valid
// character lengths and string sizes, the process default included.
#include <gtest/gtest.h>

#include <string>

#include "runtime/coding.h"
#include "test_support.h"

namespace {

using qd::encoding_char_len;
using qd::encoding_name;
using qd::encoding_nonascii_start;
using qd::encoding_string_size;
using qd::encoding_valid_char_len;

const char* b(const char* s) { return s; }

TEST(CodingTest, Names) {
  const char* expected[] = {"???", "Test", "Propriet", "Ascii",    "Singlebyte", "Utf8",
                            "EUC", "JIS",  "UCS2(le)", "UCS2(be)", "UCS4(le)",   "UCS4(be)"};
  for (int code = 0; code < 12; ++code) EXPECT_STREQ(encoding_name(code), expected[code]);
  EXPECT_STREQ(encoding_name(12), "?\?\?(=12)");
  EXPECT_STREQ(encoding_name(40), "?\?\?(=40)");
  EXPECT_STREQ(encoding_name(-1), "?\?\?(=-1)");
  EXPECT_STREQ(encoding_name(INT32_MIN), "?\?\?(=-2147483648)");
}

TEST(CodingTest, TwoNameBuffersInTurn) {
  const char* first = encoding_name(5);
  const char* second = encoding_name(40);
  EXPECT_NE(first, second);
  EXPECT_STREQ(first, "Utf8");  // still intact: both fit one message
  EXPECT_STREQ(second, "?\?\?(=40)");
  const char* third = encoding_name(7);
  EXPECT_EQ(third, first);  // the third name reuses the first buffer
  EXPECT_STREQ(first, "JIS");
  EXPECT_STREQ(second, "?\?\?(=40)");
}

TEST(CodingTest, CharacterLengthByFirstByte) {
  struct Case {
    int32_t code;
    unsigned char byte;
    int len;
  } cases[] = {
      {1, 0xE4, 2},
      {1, 0xD6, 2},
      {1, 0xFC, 3},
      {1, 0xC4, 3},
      {1, 'A', 1},
      {1, 0x27, 1},
      {1, 0x80, 1},
      {1, 0xE5, 1},
      {1, 0xFF, 1},
      {2, 0xFF, 1},
      {2, 'a', 1},
      {3, 0xC3, 1},
      {4, 0x80, 1},
      // Utf8 by lead byte; stray continuation bytes, 0xFE and 0xFF count 1.
      {5, 0x00, 1},
      {5, 0x41, 1},
      {5, 0x7F, 1},
      {5, 0x80, 1},
      {5, 0xBF, 1},
      {5, 0xC0, 2},
      {5, 0xC3, 2},
      {5, 0xDF, 2},
      {5, 0xE0, 3},
      {5, 0xEF, 3},
      {5, 0xF0, 4},
      {5, 0xF7, 4},
      {5, 0xF8, 5},
      {5, 0xFB, 5},
      {5, 0xFC, 6},
      {5, 0xFD, 6},
      {5, 0xFE, 1},
      {5, 0xFF, 1},
      {6, 0x7F, 1},
      {6, 0x80, 2},
      {6, 0x8E, 2},
      {6, 0x8F, 3},
      {6, 0x90, 2},
      {6, 0xFF, 2},
      {7, 0x80, 1},
      {7, 0x81, 2},
      {7, 0x9F, 2},
      {7, 0xA0, 1},
      {7, 0xA5, 1},
      {7, 0xDF, 1},
      {7, 0xE0, 2},
      {7, 0xFC, 2},
      {7, 0xFD, 1},
      {7, 0xFF, 1},
      {7, 'a', 1},
      {8, 'a', 2},
      {9, 0, 2},
      {10, 'a', 4},
      {11, 0xFF, 4},
      {12, 'a', 0},
      {-1, 'a', 0},
      {40, 0xE4, 0},
  };
  for (const Case& c : cases) {
    const char p[2] = {static_cast<char>(c.byte), 0};
    EXPECT_EQ(encoding_char_len(c.code, p), c.len) << c.code << " byte " << int(c.byte);
  }
}

TEST(CodingTest, NonAsciiStart) {
  struct Case {
    int32_t code;
    unsigned char byte;
    bool start;
  } cases[] = {
      {6, 0x7F, false},  {6, 0x80, true},  {6, 0x8F, true},  {6, 0xFF, true},  {7, 0x80, false},
      {7, 0x81, true},   {7, 0x9F, true},  {7, 0xA0, false}, {7, 0xA1, true},  {7, 0xA5, true},
      {7, 0xDF, true},   {7, 0xE0, true},  {7, 0xFC, true},  {7, 0xFD, false}, {7, 'a', false},
      {5, 0xC3, false},  {1, 0xE4, false}, {2, 0xFF, false}, {3, 0x80, false}, {8, 0x80, false},
      {40, 0x80, false},
  };
  for (const Case& c : cases) {
    const char p[2] = {static_cast<char>(c.byte), 0};
    EXPECT_EQ(encoding_nonascii_start(c.code, p), c.start) << c.code << " byte " << int(c.byte);
  }
}

TEST(CodingTest, ValidCharacterLength) {
  struct Case {
    int32_t code;
    const char* bytes;
    int32_t avail;
    int len;
  } cases[] = {
      // Test: a sequence's first byte demands the whole sequence within avail.
      {1, b("\xE4\x27"), 2, 2},
      {1, b("\xE4\x27"), 1, 0},
      {1, b("\xE4\x28"), 2, 0},
      {1, b("\xD6\x22"), 2, 2},
      {1, b("\xD6\x27"), 2, 0},
      {1, b("\xFC\xFC\xFC"), 3, 3},
      {1, b("\xFC\xFC\xFC"), 2, 0},
      {1, b("\xFC\xFC"), 3, 0},  // the terminator cuts it
      {1, b("\xC4\xC4\xC4"), 5, 3},
      {1, b("\xC4\xC4\xC3"), 3, 0},
      {1, b("A"), 1, 1},
      {1, b("\x80"), 1, 1},
      {1, b("\xE5"), 1, 1},
      {1, b("A"), 0, 0},
      {2, b("\xFF"), 1, 1},
      {4, b("\x80"), 1, 1},
      {3, b("\x7F"), 1, 1},
      {3, b("\x80"), 1, 0},
      // Utf8: complete and continued by 10xxxxxx bytes; no check beyond that.
      {5, b("\xC3\xA4"), 2, 2},
      {5, b("\xC3\xA4"), 1, 0},
      {5, b("\xC3\x41"), 2, 0},
      {5, b("\xC3\xC3"), 2, 0},
      {5, b("\xC3"), 2, 0},
      {5, b("\xE2\x82\xAC"), 3, 3},
      {5, b("\xE2\x82\xAC"), 2, 0},
      {5, b("\xE2\x82\x41"), 3, 0},
      {5, b("\xF0\x9F\x98\x80"), 4, 4},
      {5, b("\xF0\x9F\x98\x80"), 3, 0},
      {5, b("\xF8\x80\x80\x80\x80"), 5, 5},
      {5, b("\xFC\x80\x80\x80\x80\x80"), 6, 6},
      {5, b("\xFC\x80\x80\x80\x80\x7F"), 6, 0},
      {5, b("\xC0\x80"), 2, 2},  // overlong forms pass
      {5, b("\x80"), 1, 1},      // a stray continuation byte counts as one
      {5, b("\xFF"), 1, 1},
      {5, b("a"), 1, 1},
      // EUC and JIS: the length by the lead byte, when available.
      {6, b("\x8F\xA1\xA1"), 3, 3},
      {6, b("\x8F\xA1\xA1"), 2, 0},
      {6, b("\xB0\xA1"), 2, 2},
      {6, b("\xB0\xA1"), 1, 0},
      {6, b("a"), 1, 1},
      {7, b("\x81\x40"), 2, 2},
      {7, b("\x81\x40"), 1, 0},
      {7, b("\xA5"), 1, 1},
      // UCS and unknown codes have no validity rule here.
      {8, b("ab"), 2, 0},
      {11, b("abcd"), 4, 0},
      {12, b("a"), 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(encoding_valid_char_len(c.code, c.bytes, c.avail), c.len)
        << c.code << " avail " << c.avail << " first " << int(static_cast<unsigned char>(*c.bytes));
  }
}

TEST(CodingTest, StringSize) {
  struct Case {
    int32_t code;
    const char* text;
    int32_t size;
  } cases[] = {
      {1, b("abc"), 4},
      {1,
       b("a\xE4\x27"
         "b"),
       5},
      {1, b("\xE4"), 0},      // cut by the terminator
      {1, b("\xE4\x28"), 0},  // not the sequence
      {1, b("\xFC\xFC\xFC"), 4},
      {1, b("\xFC\xFC"), 0},
      {1, b("\xC4\xC4\xC4\xC4\xC4\xC4"), 7},
      {1, b("\xC4\xC4\xC4\xC4"), 0},  // the second sequence is cut
      {1, b("\xD6\x22\xD6"), 0},
      {1, b("\x80\xE5\xFF"), 4},  // other high bytes are single characters
      {2, b("\xFF\xFE"), 3},
      {3, b("abc"), 4},
      {3, b("ab\x80"), 0},
      {4, b("\x80\xFF"), 3},
      {5, b("\xC3\xA4"), 3},
      {5, b("\xC3"), 0},
      {5, b("a\xC3"), 0},
      {5, b("\xC3\xA4\xC3\xA4"), 5},
      {5, b("\xE2\x82\xAC"), 4},
      {5, b("\xE2\x82"), 0},
      {5, b("\xE2\x41\x82"), 0},
      {5, b("\xF0\x9F\x98\x80x"), 6},
      {5, b("\x80"), 2},
      {5, b("\xFF"), 2},
      {6, b("\x8F\xA1\xA1"), 4},
      {6, b("\x8F\xA1"), 0},
      {6, b("\x8F"), 0},
      {6, b("\xB0\xA1"), 3},
      {6, b("\xB0"), 0},
      {6,
       b("a\xB0\xA1"
         "b"),
       5},
      {6, b("\x8F\x41\x41"), 4},  // trail bytes may be anything but the terminator
      {7, b("\x81\x40"), 3},
      {7, b("\x81"), 0},
      {7, b("\xA5"), 2},
      {7, b("\xA5\xA5"), 3},
      {7, b("\xE0\x40\xFD"), 4},
      {7, b("\xFC"), 0},
      {8, b("ab"), 3},
      {11, b("a"), 2},
      {12, b("abc"), 4},
      {-1, b("ab"), 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(encoding_string_size(c.code, c.text), c.size)
        << c.code << " " << ::testing::PrintToString(std::string(c.text));
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
