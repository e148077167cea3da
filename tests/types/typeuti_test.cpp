// Tests of type descriptors: text forms both ways for every code, sizes and spaces at
// their boundaries, and the literal classifiers.
#include <cmath>
#include <limits>

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
  for (const Row& c : read_cases("descriptor_texts.txt")) {
    const attrtype t = attr(c[0]);
    EXPECT_EQ(text_of(t, 1), c[1]) << c[0];
    EXPECT_EQ(text_of(t, 0), c[2]) << c[0];
    // The full form reads back to a descriptor with the same text and a clear flag.
    if (c[1] == "???") continue;
    const attrtype back = parse(c[1].c_str());
    EXPECT_EQ(back.code, t.code) << c[1];
    EXPECT_EQ(back.flag, 0) << c[1];
    EXPECT_EQ(text_of(back, 1), c[1]);
  }
}

TEST(Descriptor, ReadingText) {
  for (const Row& c : read_cases("descriptor_reading.txt")) {
    attrtype t = parse(c[0].c_str());
    EXPECT_EQ(t.code, num(c[1])) << c[0];
    EXPECT_EQ(t.flag, 0) << c[0];
    expect_fields(c, 2, {t.param[0], t.param[1]});
  }
}

TEST(Descriptor, RoughFormsAndPredicates) {
  for (const Row& c : read_cases("descriptor_rough.txt")) {
    attrtype t = attr(c[0]);
    char buf[64];
    if (c[1] != "-") {
      EXPECT_EQ(name_rough_type(t.code, buf), c[1]);
    }
    mk_rough_attrtype(t.code, &t);
    expect_fields(c, 2, {t.param[0], t.param[1], t.flag});
  }
  for (const Row& p : read_cases("descriptor_predicates.txt")) {
    attrtype t2 = attr(p[0]);
    EXPECT_EQ(is_valid_type(t2.code), num(p[1])) << p[0];
    EXPECT_EQ(is_fine_type(&t2), num(p[2])) << p[0];
    EXPECT_EQ(fix_size_attrtype(&t2), num(p[3])) << p[0];
  }

  for (const Row& c : read_cases("descriptor_equal.txt")) {
    attrtype a = attr(c[0]), b = attr(c[1]);
    EXPECT_EQ(at_equal(&a, &b) != 0, num(c[2]) == 1) << c[0] << " vs " << c[1];
  }
}

TEST(Descriptor, TablesPerCode) {
  std::vector<Row> rows = read_cases("code_tables.txt");
  ASSERT_EQ(rows.size(), 31u);
  for (const Row& r : rows) {
    const int c = int(num(r[0]));
    EXPECT_EQ(hierarch(c), num(r[1])) << c;
    EXPECT_EQ(req_align[c], num(r[2])) << c;
  }
  EXPECT_EQ(hierarch(31), 0);
  EXPECT_EQ(hierarch(-5), 0);
  EXPECT_EQ(maxsize_fix_literal(), 100);
}

TEST(Descriptor, ValueSizes) {
  for (const Row& c : read_cases("descriptor_sizes.txt")) {
    attrtype t = attr(c[0]);
    EXPECT_EQ(size_attrtype(&t), num(c[1])) << c[0];
  }
}

TEST(Descriptor, ValueSpaceRoundsToFourAndHonoursTheCharacterSwitch) {
  qdtest::GlobalsScope globals;
  for (const Row& c : read_cases("descriptor_space.txt")) {
    attrtype t = attr(c[1]);
    for (int multibyte = 0; multibyte < 2; ++multibyte) {
      qdxglob_val.charlen_switch = multibyte;
      EXPECT_EQ(value_fine_space(int(num(c[0])), &t), num(c[2 + multibyte]))
          << c[1] << " from " << c[0];
    }
  }
  qdxglob_val.charlen_switch = 0;
  attrtype t = len(4, 0);
  EXPECT_EQ(value_rough_space(&t), 32676);
}

TEST(Descriptor, DescriptorOfAValue) {
  for (const Row& c : read_cases("descriptor_of_value.txt")) {
    std::vector<uint8_t> value = hex_bytes(c[0]);
    attrtype t = attr(c[2]);
    get_attrtype(value.data(), int(num(c[1])), &t);
    expect_fields(c, 3, {t.param[0], t.param[1], t.flag});
  }
}

TEST(Classify, SmallestIntegerType) {
  for (const Row& c : read_cases("smallest_integer.txt")) {
    qd_long v = -99;
    char* end = nullptr;
    std::string copy = c[0];
    const long long code = num(c[1]);
    EXPECT_EQ(atonumber(copy.data(), &v, &end), code) << c[0];
    if (code == 5 || code == 6 || code == 1 || code == 0) {
      EXPECT_EQ(v, num(c[2])) << c[0];
    }
    EXPECT_EQ(end - copy.data(), num(c[3])) << c[0];
    EXPECT_EQ(atonumber(copy.data(), &v, nullptr), code) << c[0];
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
