// Tests of type descriptors: text forms both ways for every code, sizes and spaces at
// their boundaries, and the literal classifiers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "test_support.h"
#include "types_test_util.h"

namespace {

using namespace typetest;

attrtype parse(const char* text) {
  attrtype t = make(0, 0x11, 0x22);
  std::string copy = text;
  txt_to_attr(copy.data(), &t);
  return t;
}

TEST(Descriptor, TextFormsOfEveryCode) {
  struct Case {
    attrtype t;
    const char* full;
    const char* brief;
  } cases[] = {
      {make(0, 0, 0), "???", "???"},
      {make(1, 0, 0), "integer", "int"},
      {make(2, 0, 0), "double", "dou"},
      {make(3, 10, 2), "numeric(10,2)", "num(10,2)"},
      {make(3, 0, 5), "numeric(*,*)", "num(*,*)"},
      {make(3, 30, 0xff), "numeric(30,-1)", "num(30,-1)"},
      {len(4, 20), "char(20)", "cha(20)"},
      {len(4, 0), "char(*)", "cha(*)"},
      {make(5, 0, 0), "tinyint", "tin"},
      {make(6, 0, 0), "smallint", "sma"},
      {make(7, 0, 0), "float", "flo"},
      {make(8, 0, 6), "datetime[yy:ms]", "dat[yy:ms]"},
      {make(8, 8, 6), "datetime", "dat"},
      {make(9, 0, 4), "timespan[dd:ms]", "tim[dd:ms]"},
      {make(9, 5, 6), "timespan[yy:mo]", "tim[yy:mo]"},
      {make(10, 0, 0), "money", "mon"},
      {make(11, 0, 0), "bool", "boo"},
      {len(12, 32672), "binchar(32672)", "bin(32672)"},
      {make(13, 0, 0), "blob", "blo"},
      {len(14, 1), "bits(1)", "bit(1)"},
      {len(29, 32767), "varchar(32767)", "var(32767)"},
      {make(3, 1, 0), "numeric(1,0)", "num(1,0)"},
      {make(8, 5, 6), "datetime[yy:mo]", "dat[yy:mo]"},
      {make(15, 0, 0), "nulltyp", "nul"},
      {make(16, 0, 0), "C-int", "C-i"},
      {make(17, 0, 0), "C-unsigned char", "C-u"},
      {make(18, 0, 0), "C-unsigned short", "C-u"},
      {make(19, 0, 0), "C-unsigned int", "C-u"},
      {make(20, 0, 0), "C-unsigned long", "C-u"},
      {make(21, 0, 0), "C-char", "C-c"},
      {make(22, 0, 0), "C-short", "C-s"},
      {make(23, 0, 0), "C-long", "C-l"},
      {make(24, 0, 0), "C-float", "C-f"},
      {make(25, 0, 0), "C-double", "C-d"},
      {make(26, 0, 0), "???", "???"},
      {make(27, 0, 0), "???", "???"},
      {make(28, 0, 0), "fileref", "fil"},
      {len(29, 5), "varchar(5)", "var(5)"},
      {len(30, 12), "bits2(12)", "bits2(12)"},
      {len(30, 0), "bits2(*)", "bits2(*)"},
      {make(31, 0, 0), "???", "???"},
      {make(-1, 0, 0), "???", "???"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(text_of(c.t, 1), c.full) << c.t.code;
    EXPECT_EQ(text_of(c.t, 0), c.brief) << c.t.code;
    // The full form reads back to a descriptor with the same text and a clear flag.
    if (std::strcmp(c.full, "???") == 0) continue;
    const attrtype back = parse(c.full);
    EXPECT_EQ(back.code, c.t.code) << c.full;
    EXPECT_EQ(back.flag, 0) << c.full;
    EXPECT_EQ(text_of(back, 1), c.full);
  }
}

TEST(Descriptor, ReadingText) {
  struct Case {
    const char* text;
    int code;
    int p0, p1;  // -1: not checked
  } cases[] = {
      {"string", 4, 0, 0},
      {"CHAR(20)", 4, 20, 0},
      {"Char(*)", 4, 0, 0},
      {"VARCHAR(300)", 29, 300 & 0xff, 300 >> 8},
      {"NUMERIC(*,*)", 3, 0, 0},
      {"numeric(5,-3)", 3, 5, 0xfd},
      {"timespan[DD:MS]", 9, 8, -1},  // range names are lower case only
      {"datetime[yy", 8, 8, -1},
      {"char", 4, 0, 0},
      {"char(", 4, 0, 0},
      {"integer", 1, 0x11, 0x22},
      {"INTEGER", 1, -1, -1},
      {"C-int", 16, -1, -1},
      {"c-int", -1, -1, -1},  // an upper-case name letter must match exactly
      {"int", -1, -1, -1},
      {"", -1, -1, -1},
      {"xyz", -1, -1, -1},
  };
  for (const Case& c : cases) {
    attrtype t = parse(c.text);
    EXPECT_EQ(t.code, c.code) << c.text;
    EXPECT_EQ(t.flag, 0) << c.text;
    if (c.p0 >= 0) {
      EXPECT_EQ(t.param[0], c.p0) << c.text;
    }
    if (c.p1 >= 0) {
      EXPECT_EQ(t.param[1], c.p1) << c.text;
    }
  }
}

TEST(Descriptor, RoughFormsAndPredicates) {
  char buf[64];
  for (auto [code, text] : {std::pair{3, "numeric(*,*)"},
                            {4, "char(*)"},
                            {9, "timespan"},
                            {1, "integer"},
                            {28, "fileref"}}) {
    EXPECT_STREQ(name_rough_type(static_cast<short>(code), buf), text);
  }

  attrtype t = make(3, 10, 7);
  mk_rough_attrtype(3, &t);
  EXPECT_EQ(t.param[0], 0);
  EXPECT_EQ(t.param[1], 7);  // the scale byte is left as it was
  EXPECT_EQ(t.flag, 0);
  t = make(8, 0, 6);
  mk_rough_attrtype(8, &t);
  EXPECT_EQ(t.param[0], 8);
  EXPECT_EQ(t.param[1], 6);
  t = make(1, 3, 4);
  mk_rough_attrtype(1, &t);
  EXPECT_EQ(t.param[0], 3);

  struct Pred {
    attrtype t;
    int valid, fine, fixed;
  } preds[] = {
      {make(3, 5, 2), 1, 1, 0},  {len(4, 5), 1, 1, 1},      {len(4, 0), 1, 0, 0},
      {len(29, 5), 1, 1, 0},     {len(12, 0), 1, 0, 0},     {make(28, 0, 0), 1, 0, 0},
      {make(8, 8, 0), 1, 1, 1},  {make(1, 0, 0), 1, 0, 1},  {make(16, 0, 0), 0, 0, 1},
      {make(25, 0, 0), 0, 0, 1}, {make(15, 0, 0), 1, 0, 1}, {make(0, 0, 0), 0, 0, 1},
      {len(30, -1), 1, 0, 0},
  };
  for (const Pred& p : preds) {
    attrtype t2 = p.t;
    EXPECT_EQ(is_valid_type(t2.code), p.valid) << t2.code;
    EXPECT_EQ(is_fine_type(&t2), p.fine) << t2.code;
    EXPECT_EQ(fix_size_attrtype(&t2), p.fixed) << t2.code;
  }

  attrtype a = make(3, 5, 2), b = make(3, 5, 3);
  EXPECT_FALSE(at_equal(&a, &b));
  a = make(1, 1, 2), b = make(1, 3, 4);
  EXPECT_TRUE(at_equal(&a, &b));  // parameters of other codes do not count
  a = len(4, 5), b = len(29, 5);
  EXPECT_FALSE(at_equal(&a, &b));
  a = make(8, 8, 1), b = make(8, 8, 2);
  EXPECT_FALSE(at_equal(&a, &b));  // the start byte counts even without a range
}

TEST(Descriptor, TablesPerCode) {
  const int ranks[31] = {0, 3, 6, 4, 1, 1, 2, 5, 0, 0, 0, 0, 4, 0, 6, 0,
                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 2, 5};
  const int aligns[31] = {1, 4, 8, 4, 1, 1, 2, 4, 4, 4, 4, 1, 4, 4, 4, 1,
                          0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2};
  for (int c = 0; c <= 30; ++c) {
    EXPECT_EQ(hierarch(c), ranks[c]) << c;
    EXPECT_EQ(req_align[c], aligns[c]) << c;
  }
  EXPECT_EQ(hierarch(31), 0);
  EXPECT_EQ(hierarch(-5), 0);
  EXPECT_EQ(maxsize_fix_literal(), 100);
}

TEST(Descriptor, ValueSizes) {
  struct Case {
    attrtype t;
    int size;
  } cases[] = {
      {make(3, 1, 0), 3},   {make(3, 2, 0), 3},  {make(3, 3, 0), 4},     {make(3, 30, 0), 17},
      {make(3, 0, 0), 17},  {len(4, 1), 2},      {len(4, 0), 32673},     {len(29, 10), 11},
      {len(12, 7), 11},     {len(14, 0), 4096},  {len(14, 1), 5},        {len(14, 8), 5},
      {len(14, 9), 6},      {len(30, 17), 5},    {len(30, 32767), 4098}, {make(8, 0, 6), 20},
      {make(8, 4, 6), 12},  {make(8, 8, 0), 18}, {make(9, 0, 4), 24},    {make(9, 5, 6), 12},
      {make(9, 3, 3), 8},   {make(1, 0, 0), 4},  {make(2, 0, 0), 8},     {make(13, 0, 0), 20},
      {make(10, 0, 0), 17}, {make(15, 0, 0), 0},
  };
  for (const Case& c : cases) {
    attrtype t = c.t;
    EXPECT_EQ(size_attrtype(&t), c.size) << text_of(t, 1);
  }
}

TEST(Descriptor, ValueSpaceRoundsToFourAndHonoursTheCharacterSwitch) {
  qdtest::GlobalsScope globals;
  struct Case {
    int source;
    attrtype t;
    int plain, multibyte;
  } cases[] = {
      {1, len(4, 0), 52, 52},        {0, len(4, 0), 32676, 32676}, {8, len(4, 0), 100, 100},
      {12, len(4, 0), 65340, 65340}, {0, len(29, 10), 12, 64},     {0, len(29, 11), 12, 68},
      {0, len(29, 12), 16, 76},      {0, len(4, 3), 4, 4},         {0, len(4, 4), 8, 8},
      {0, len(12, 1), 8, 8},         {0, len(14, 32), 8, 8},       {0, len(14, 33), 12, 12},
      {0, len(30, 16), 4, 4},        {0, len(30, 17), 8, 8},       {1, len(29, 0), 32676, 32676},
      {0, make(3, 5, 2), 20, 20},    {0, make(8, 0, 6), 20, 20},   {0, make(2, 0, 0), 8, 8},
      {0, make(11, 0, 0), 4, 4},     {5, make(1, 0, 0), 4, 4},
  };
  for (const Case& c : cases) {
    attrtype t = c.t;
    qdxglob_val.charlen_switch = 0;
    EXPECT_EQ(value_fine_space(c.source, &t), c.plain) << text_of(t, 1) << " from " << c.source;
    qdxglob_val.charlen_switch = 1;
    EXPECT_EQ(value_fine_space(c.source, &t), c.multibyte) << text_of(t, 1);
  }
  qdxglob_val.charlen_switch = 0;
  attrtype t = len(4, 0);
  EXPECT_EQ(value_rough_space(&t), 32676);
}

TEST(Descriptor, DescriptorOfAValue) {
  const unsigned char fix[] = {0x85, 0x03, 0x54, 0x32, 0x10};  // -12.345
  attrtype t = make(0, 0, 0);
  get_attrtype(const_cast<unsigned char*>(fix), 3, &t);
  EXPECT_EQ(t.param[0], 5);
  EXPECT_EQ(t.param[1], 3);
  EXPECT_EQ(t.flag, 0);
  char text[] = "hello";
  get_attrtype(text, 29, &t);
  EXPECT_EQ(t.param[0] | t.param[1] << 8, 5);
  const unsigned char dt[] = {0x60, 0, 0, 0};  // range yy..ms
  get_attrtype(const_cast<unsigned char*>(dt), 8, &t);
  EXPECT_EQ(t.param[0], 0);
  EXPECT_EQ(t.param[1], 6);
  const unsigned char bin[] = {0x34, 0x12, 0x01, 0x00};  // count 0x11234: low 16 bits
  get_attrtype(const_cast<unsigned char*>(bin), 12, &t);
  EXPECT_EQ(t.param[0] | t.param[1] << 8, 0x1234);
  t = make(0, 9, 9);
  get_attrtype(const_cast<unsigned char*>(bin), 1, &t);
  EXPECT_EQ(t.param[0], 9);  // other codes keep their parameters
}

TEST(Classify, SmallestIntegerType) {
  struct Case {
    const char* text;
    int code;
    qd_long value;  // checked for codes 5, 6, 1 and 0
    size_t rest;    // offset of *end
  } cases[] = {
      {" 42 ", 5, 42, 4},
      {"127", 5, 127, 3},
      {"128", 6, 128, 3},
      {"-128", 6, -128, 4},
      {"-127", 5, -127, 4},
      {"32767", 6, 32767, 5},
      {"32768", 1, 32768, 5},
      {"-32768", 1, -32768, 6},
      {"2147483647", 1, 2147483647, 10},
      {"2147483648", 3, 0, 10},
      {"-2147483648", 1, INT32_MIN, 11},
      {"-2147483649", 3, 0, 11},
      {"1999999999", 1, 1999999999, 10},
      {"000", 5, 0, 3},
      {"-0", 5, 0, 2},
      {"00042x", 5, 42, 5},
      {"abc", 0, 0, 0},
      {"", 0, 0, 0},
      {"-", 0, 0, 1},
      {"+5", 0, 0, 0},
      {"12345678901", 3, 0, 11},
      {"000000000000002147483647", 1, 2147483647, 24},
      {"1234567890123456789012345678901", 7, 0, 31},
      {"123456789012345678901234567890", 3, 0, 30},
  };
  for (const Case& c : cases) {
    qd_long v = -99;
    char* end = nullptr;
    std::string copy = c.text;
    EXPECT_EQ(atonumber(copy.data(), &v, &end), c.code) << c.text;
    if (c.code == 5 || c.code == 6 || c.code == 1 || c.code == 0) {
      EXPECT_EQ(v, c.value) << c.text;
    }
    EXPECT_EQ(static_cast<size_t>(end - copy.data()), c.rest) << c.text;
    EXPECT_EQ(atonumber(copy.data(), &v, nullptr), c.code) << c.text;
  }
}

// 7: zero or a magnitude in the float's normal range; 2: subnormal, too large, infinite, NaN.
TEST(Classify, FloatNarrowing) {
  const double min_normal = std::numeric_limits<float>::min();
  const double max_float = std::numeric_limits<float>::max();
  for (double x : {0.0, -0.0, 1.0, min_normal, -min_normal, max_float, -max_float}) {
    EXPECT_EQ(float_control(x), 7) << x;
  }
  for (double x : {1e39, -1e-39, std::nextafter(min_normal, 0.0), std::nextafter(max_float, 1e300),
                   double(INFINITY), double(NAN)}) {
    EXPECT_EQ(float_control(x), 2) << x;
  }
}

}  // namespace
