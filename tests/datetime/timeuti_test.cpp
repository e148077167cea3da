// timeuti_test.cpp: literal text of datetimes and timespans, and the reading rules for
// range names and field separators.
#include "dt_test_util.h"

namespace dtt {
namespace {

// A text buffer beyond the 42 bytes a literal may use, with a guard pattern.
struct Text {
  char b[64];
  Text() { std::memset(b, 0x5A, sizeof b); }
  bool guard_intact(size_t from) const {
    for (size_t i = from; i < sizeof b; ++i) {
      if (b[i] != 0x5A) return false;
    }
    return true;
  }
};

TEST(Literal, Printing) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/literals.txt", 2)) {
    const Value v = value(r[0]);
    Text out;
    EXPECT_EQ(is_span(v) ? ts_str(out.b, v.b) : dt_str(out.b, v.b), out.b);
    EXPECT_EQ(std::string(out.b), r[1]);
    ASSERT_LE(r[1].size(), 41u);
    EXPECT_TRUE(out.guard_intact(r[1].size() + 1)) << r[1];
  }
}

TEST(Literal, InvalidValuesStayInFortyTwoBytes) {
  const Value values[] = {
      value("ts[dd:ms](-2147483648,-2147483648,-2147483648,-2147483648,-2147483648)"),
      value("-ts[yy:ms](-100000,-100000,-100000,-100000,-100000,-100000,-100000)"),
  };
  for (const Value& v : values) {
    Text out;
    ts_str(out.b, v.b);
    EXPECT_EQ(std::strlen(out.b), 41u) << out.b;
    EXPECT_TRUE(out.guard_intact(42));
  }
  Value broken;
  qd::store<uint32_t>(broken.b, 0x0000F0F0u);  // codes no value can have
  Text out;
  dt_str(out.b, broken.b);
  EXPECT_LE(std::strlen(out.b), 41u);
  EXPECT_TRUE(out.guard_intact(42));
}

TEST(Literal, RangeNames) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/range_names.txt", 3)) {
    const char* end = nullptr;
    EXPECT_EQ(scan_range_name(r[0].c_str(), &end), qdtest::num(r[1])) << r[0];
    EXPECT_EQ(end - r[0].c_str(), qdtest::num(r[2])) << r[0];
  }
}

TEST(Literal, FieldEnds) {
  for (const qdtest::Row& r : qdtest::read_cases("datetime/field_ends.txt", 4)) {
    const char* p = r[1].c_str();
    EXPECT_EQ(scan_field_end(code(r[0]), &p), qdtest::num(r[2]) == 1)
        << r[0] << " '" << r[1] << "'";
    EXPECT_EQ(p - r[1].c_str(), qdtest::num(r[3])) << r[0] << " '" << r[1] << "'";
  }
}

}  // namespace
}  // namespace dtt
