// Tests of type compatibility: the castability matrix and common types as whole tables,
// and the parameter rules of the exact result type.

#include "test_support.h"
#include "types/types_test_util.h"

namespace {

using namespace typetest;

TEST(Compat, CastabilityMatrix) {
  std::vector<Row> rows = read_cases("castability.txt");
  ASSERT_EQ(rows.size(), 19u);
  std::vector<int> codes;
  std::istringstream order(rows[0][1]);
  for (int code; order >> code;) codes.push_back(code);
  ASSERT_EQ(codes.size(), 18u);
  for (size_t r = 1; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r][1].size(), codes.size()) << rows[r][0];
    for (size_t c = 0; c < codes.size(); ++c) {
      attrtype from = attr(rows[r][0]), to = make(codes[c]);
      EXPECT_EQ(castable_from_to(&from, &to), rows[r][1][c] == 'x')
          << rows[r][0] << " -> " << codes[c];
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
  for (const Row& c : read_cases("common_types.txt")) {
    const int ca = int(num(c[0])), cb = int(num(c[1])), common = int(num(c[2]));
    attrtype a = make(ca, 1, 0), b = make(cb, 1, 0), r;  // lengths and precisions given
    EXPECT_EQ(types_compatible(&a, &b), common != 0) << ca << "," << cb;
    if (ca != cb && ca != 15 && cb != 15) {
      EXPECT_EQ(fine_result_typ(&a, &b, &r)->code, common) << ca << "," << cb;
    }
  }
  for (auto [code, digits] : {std::pair{1, 10}, {5, 3}, {6, 5}, {3, 0}, {16, 0}}) {
    EXPECT_EQ(prec_nat(code), digits) << code;
  }
}

TEST(Compat, ResultTypeParameters) {
  for (const Row& c : read_cases("result_types.txt")) {
    attrtype a = attr(c[0]), b = attr(c[1]), r = make(1, 9, 9);
    EXPECT_EQ(text_of(*fine_result_typ(&a, &b, &r)), c[2]) << c[0] << " with " << c[1];
    EXPECT_EQ(r.flag, 0);
  }
  // Equal descriptors give a copy of an operand.
  attrtype r, d1 = make(9, 8, 3), d2 = make(9, 8, 3);
  EXPECT_EQ(fine_result_typ(&d1, &d2, &r)->param[1], 3);  // the copy keeps every byte
}

}  // namespace
