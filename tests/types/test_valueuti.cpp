// Tests of the helpers over every type code: values against declared types, value
// sizes and copies, and character counts by the database encoding.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "qdtype32/qdtype32.h"
#include "test_support.h"
#include "types_test_util.h"

namespace {

using namespace typetest;

TEST(Values, MatchDeclaredTypes) {
  unsigned char fix_12_34[] = {0x04, 0x02, 0x43, 0x21};  // 12.34: p 4, s 2
  unsigned char fix_012_3[] = {0x04, 0x01, 0x32, 0x10};  // 012.3: p 4, s 1
  unsigned char dt[] = {0x64, 0x04, 0, 0};               // range dd..yy
  unsigned char bin5[] = {5, 0, 0, 0, 1, 2, 3, 4, 5};
  unsigned char bits2_9[] = {9, 0, 0xff, 0x80};
  char abc[] = "abc";
  struct Case {
    void* value;
    attrtype t;
    int expected;
  } cases[] = {
      {nullptr, make(3, 5, 2), 1},
      {fix_12_34, make(3, 0, 0), 1},
      {fix_12_34, make(3, 4, 2), 1},
      {fix_12_34, make(3, 3, 2), 0},
      {fix_12_34, make(3, 6, 3), 0},  // scales must be equal
      {fix_012_3, make(3, 3, 1), 1},  // a leading zero digit does not count
      {abc, len(4, 5), 0},
      {abc, len(4, 3), 1},
      {abc, len(29, 0), 1},
      {abc, len(29, 2), 0},
      {dt, make(8, 4, 6), 1},
      {dt, make(8, 3, 6), 0},
      {dt, make(8, 8, 0), 1},
      {bin5, len(12, 5), 1},
      {bin5, len(12, 6), 0},
      {bits2_9, len(30, 9), 1},
      {bits2_9, len(30, 8), 0},
      {abc, make(1), 1},
      {abc, make(31), 1},
  };
  for (const Case& c : cases) {
    attrtype t = c.t;
    EXPECT_EQ(val_matches_type(c.value, &t), c.expected) << t.code << " " << int(t.param[0]);
  }
}

TEST(Values, SizesAndCopies) {
  unsigned char fix[] = {0x85, 0x03, 0x54, 0x32, 0x10};                   // -12.345
  unsigned char dt[] = {0x64, 0x04, 0, 0, 1, 0, 2, 0, 0xd0, 0x07, 0, 0};  // size 2 * 2 + 8
  unsigned char ts[] = {0x00, 0x01, 0, 0, 7, 0, 0, 0};
  unsigned char bin[] = {3, 0, 0, 0, 'x', 'y', 'z'};
  unsigned char bits[] = {9, 0, 0, 0, 0xff, 0x80};
  unsigned char bits2[] = {17, 0, 1, 2, 0x80};
  unsigned char blob[20];
  for (int i = 0; i < 20; ++i) blob[i] = static_cast<unsigned char>(i);
  char text[] = "hello";
  int32_t i32 = -7;
  double d = 2.5;
  struct Case {
    void* value;
    int code;
    int size;
    int copied;  // bytes a copy writes
  } cases[] = {
      {&i32, 5, 1, 1},    {&i32, 11, 1, 1}, {&i32, 6, 2, 2}, {&i32, 1, 4, 4},  {&i32, 7, 4, 4},
      {&d, 2, 8, 8},      {fix, 3, 5, 5},   {text, 4, 5, 6}, {text, 29, 5, 6}, {text, 28, 5, 6},
      {dt, 8, 12, 12},    {ts, 9, 8, 8},    {bin, 12, 7, 7}, {bits, 14, 6, 6}, {bits2, 30, 5, 5},
      {blob, 13, 20, 20}, {fix, 10, 5, 5},  // money is a decimal: measured and copied like numeric
      {&i32, 15, 0, 0},   {&i32, 16, 0, 0}, {&i32, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(value_len(c.value, c.code), c.size) << c.code;
    unsigned char out[32];
    std::memset(out, 0xee, sizeof out);
    copy_value(out, c.value, c.code);
    EXPECT_EQ(std::memcmp(out, c.value, c.copied), 0) << c.code;
    EXPECT_EQ(out[c.copied], 0xee) << c.code << ": copied past the value";
  }
}

TEST(Values, CharacterCountsByDatabaseEncoding) {
  qdtest::GlobalsScope globals;
  struct Case {
    int encoding;
    std::string text;
    int count;
  } cases[] = {
      {0, "abc", 3},
      {2, "a\xc3\xa4", 3},
      {5, "a\xc3\xa4", 2},
      {5, "\xe2\x82\xac!", 2},
      {5, "a\xc3", 2},  // cut by the terminator: counted, and the walk stops there
      {6, "\x8f\xa1\xa1x", 2},
      {6, "\xa4\xa2", 1},
      {7, "\x82\xa0z", 2},
      {7, "\xa5", 1},
      {1, "\xe4'a", 2},
      {1, "\xfc\xfc\xfc", 1},
      {8, std::string("a\0b\0", 4), 2},
      {10, std::string("a\0\0\0", 4), 1},
      {3, "", 0},
  };
  for (const Case& c : cases) {
    qdxglob_val.db_encoding = c.encoding;
    std::vector<char> buf(c.text.begin(), c.text.end());
    buf.insert(buf.end(), 4, '\0');  // terminated for every width
    EXPECT_EQ(qdmb_strlen(buf.data()), c.count) << c.encoding << " " << c.text;
  }
}

}  // namespace
