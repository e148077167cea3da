// numparse_test.cpp: str2num in the free form and through templates, and mk_fractional.
#include "numform_test.h"

using fixtest::Fix;
using numtest::NumTest;

// Separators, groups, fractions, signs, padding, prefix and suffix texts; a failure leaves
// the result as it was.
TEST_F(NumTest, ParseTable) {
  for (const auto& c : qdtest::cases("numform/parse.txt", "parse")) {
    SCOPED_TRACE("'" + c[1] + "' through " + c[2]);
    numtest::use_settings(c[0]);
    Fix r = fixtest::make("-42", 3);
    init_qderr();
    EXPECT_EQ(str2num(c[1].c_str(), r.p(), numtest::templ_of(c[2])), qdtest::num(c[3])) << body();
    EXPECT_EQ(fixtest::show(r), c[3] == "0" ? fixtest::show(fixtest::fix_of(c[4])) : "-42/3");
    EXPECT_TRUE(r.guard_intact());
  }
}

// The reports of a mismatch and of text after a free-form number name the text.
TEST_F(NumTest, ParseReports) {
  Fix r;
  EXPECT_EQ(str2num("12,34", r.p(), "9,999"), QDE_TEXT_TEMPLATE_MISMATCH);
  EXPECT_TRUE(qdtest::has(body(), "Text '12,34' does not match the number template '9,999'"));
  init_qderr();
  EXPECT_EQ(str2num("3.75x", r.p(), nullptr), QDE_TEXT_NOT_READABLE);
  EXPECT_TRUE(qdtest::has(body(), "Text 3.75x cannot be read as number"));
}

// A free-form text longer than the stack copy, its separator replaced in a heap copy.
TEST_F(NumTest, ParseLongFreeText) {
  numtest::use_settings("de");
  const std::string text = std::string(300, ' ') + "12,5" + std::string(300, ' ');
  Fix r;
  ASSERT_EQ(str2num(text.c_str(), r.p(), nullptr), 0) << body();
  EXPECT_EQ(fixtest::show(r), "+125/1");
}

TEST(Fractional, Thousandths) {
  for (const auto& c : qdtest::cases("numform/parse.txt", "frac")) {
    EXPECT_EQ(mk_fractional(static_cast<qd_ulong>(std::stoul(c[0]))), std::stoul(c[1])) << c[0];
  }
}
