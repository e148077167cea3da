// Tests of type compatibility: the castability matrix and common types as whole tables,
// and the parameter rules of the exact result type.
#include <gtest/gtest.h>

#include <string>

#include "types_test_util.h"

namespace {

using namespace typetest;

TEST(Compat, CastabilityMatrix) {
  const int codes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 28, 29, 30};
  // Rows: from; columns: to, in the order of `codes`.
  const char* rows[] = {
      "xxxxxxx...x.....x.",  // 1 integer
      "xxxxxxx...x.....x.",  // 2 double
      "xxxxxxx...x.....x.",  // 3 numeric
      "xxxxxxxxxxxx.xxxxx",  // 4 char
      "xxxxxxx...x.....x.",  // 5 tinyint
      "xxxxxxx...x.....x.",  // 6 smallint
      "xxxxxxx...x.....x.",  // 7 float
      "...x...x........x.",  // 8 datetime
      "...x....x.......x.",  // 9 timespan
      "...x.....x......x.",  // 10 money
      "xxxxxxx...x.....x.",  // 11 bool
      "...x.......x.x.xxx",  // 12 binchar
      "............x.....",  // 13 blob
      "...x.......x.x.xxx",  // 14 bits
      "xxxxxxxxxxxxxxxxxx",  // 15 nulltyp
      "...x.......x.x.xxx",  // 28 fileref
      "xxxxxxxxxxxx.xxxxx",  // 29 varchar
      "...x.......x.x.xxx",  // 30 bits2
  };
  for (int r = 0; r < 18; ++r) {
    for (int c = 0; c < 18; ++c) {
      attrtype from = make(codes[r]), to = make(codes[c]);
      EXPECT_EQ(castable_from_to(&from, &to), rows[r][c] == 'x') << codes[r] << " -> " << codes[c];
    }
  }
  // Host-language codes: among themselves, with the numeric family, char and varchar.
  for (int h = 16; h <= 25; ++h) {
    for (int other : {1, 2, 3, 5, 6, 7, 11, 4, 29, 16, 25}) {
      attrtype a = make(h), b = make(other);
      EXPECT_TRUE(castable_from_to(&a, &b)) << h << " -> " << other;
      EXPECT_TRUE(castable_from_to(&b, &a)) << other << " -> " << h;
    }
    for (int other : {8, 9, 10, 12, 13, 14, 28, 30}) {
      attrtype a = make(h), b = make(other);
      EXPECT_FALSE(castable_from_to(&a, &b)) << h << " -> " << other;
    }
  }
}

TEST(Compat, CommonTypes) {
  struct Case {
    int a, b, common;
  } cases[] = {
      {5, 3, 3},    {3, 7, 7},    {7, 2, 2},    {1, 6, 1},    {6, 5, 6},    {4, 29, 29},
      {29, 4, 29},  {4, 14, 14},  {14, 30, 14}, {30, 12, 30}, {28, 29, 28}, {12, 28, 12},
      {11, 16, 16}, {16, 11, 11}, {11, 5, 5},   {15, 8, 8},   {8, 15, 8},   {15, 15, 15},
      {1, 4, 0},    {8, 9, 0},    {10, 3, 0},   {13, 13, 13}, {9, 9, 9},    {2, 12, 0},
  };
  for (const Case& c : cases) {
    attrtype a = make(c.a, 1, 0), b = make(c.b, 1, 0), r;  // lengths and precisions given
    EXPECT_EQ(types_compatible(&a, &b), c.common != 0) << c.a << "," << c.b;
    if (c.a != c.b && c.a != 15 && c.b != 15) {
      EXPECT_EQ(fine_result_typ(&a, &b, &r)->code, c.common) << c.a << "," << c.b;
    }
  }
  for (auto [code, digits] : {std::pair{1, 10}, {5, 3}, {6, 5}, {3, 0}, {16, 0}}) {
    EXPECT_EQ(prec_nat(code), digits) << code;
  }
}

TEST(Compat, ResultTypeParameters) {
  struct Case {
    attrtype a, b;
    const char* result;
  } cases[] = {
      {make(3, 10, 2), make(1), "numeric(12,2)"},
      {make(1), make(3, 10, 2), "numeric(12,2)"},
      {make(3, 5, 1), make(3, 7, 3), "numeric(7,3)"},
      {make(3, 5, 1), make(11), "numeric(*,*)"},
      {make(3, 0, 0), make(3, 5, 2), "numeric(*,*)"},
      {make(5), make(3, 2, 2), "numeric(5,2)"},
      {make(3, 4, -2), make(6), "numeric(6,0)"},  // four digits times 100: six places
      {len(29, 10), len(29, 0), "char(*)"},
      {len(4, 3), len(29, 8), "varchar(8)"},
      {len(29, 8), len(4, 3), "varchar(8)"},
      {len(4, 0), len(4, 5), "char(*)"},
      {len(14, 9), len(30, 100), "bits(100)"},
      {len(12, 32672), len(4, 1), "binchar(32672)"},
      {make(9, 5, 6), make(9, 1, 4), "???"},
      {make(9, 3, 4), make(9, 1, 3), "timespan[dd:ss]"},
      {make(9, 8, 0), make(9, 5, 6), "timespan[yy:mo]"},
      {make(8, 0, 3), make(8, 4, 6), "datetime[yy:ms]"},
      {make(8, 3, 4), make(8, 4, 6), "datetime[yy:hh]"},
      {make(1), len(4, 5), "???"},
      {make(2), make(7), "double"},
      {make(15), make(3, 8, 3), "numeric(8,3)"},  // nulltyp gives a copy of the other
      {make(3, 8, 3), make(15), "numeric(8,3)"},
  };
  for (const Case& c : cases) {
    attrtype a = c.a, b = c.b, r = make(1, 9, 9);
    EXPECT_EQ(text_of(*fine_result_typ(&a, &b, &r)), c.result)
        << text_of(a) << " with " << text_of(b);
    EXPECT_EQ(r.flag, 0);
  }
  // Equal descriptors give a copy of an operand.
  attrtype r, d1 = make(9, 8, 3), d2 = make(9, 8, 3);
  EXPECT_EQ(fine_result_typ(&d1, &d2, &r)->param[1], 3);  // the copy keeps every byte
}

}  // namespace
