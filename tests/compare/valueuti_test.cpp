// Tests of the helpers over every type code: values against declared types, value
// sizes and copies, and character counts by the database encoding.

#include "qdtype32/qdtype32.h"
#include "test_support.h"
#include "types/types_test_util.h"

namespace {

using namespace typetest;

TEST(Values, MatchDeclaredTypes) {
  for (const Row& c : read_cases("value_matches.txt")) {
    std::vector<uint8_t> value = hex_bytes(c[0]);
    attrtype t = attr(c[1]);
    EXPECT_EQ(val_matches_type(c[0] == "none" ? nullptr : value.data(), &t), num(c[2]))
        << c[0] << " as " << c[1];
  }
}

TEST(Values, SizesAndCopies) {
  for (const Row& c : read_cases("value_sizes.txt")) {
    std::vector<uint8_t> value = hex_bytes(c[0]);
    const int code = int(num(c[1])), copied = int(num(c[3]));
    EXPECT_EQ(value_len(value.data(), code), num(c[2])) << c[0] << " as " << code;
    unsigned char out[32];
    std::memset(out, 0xee, sizeof out);
    copy_value(out, value.data(), code);
    EXPECT_EQ(std::memcmp(out, value.data(), copied), 0) << code;
    EXPECT_EQ(out[copied], 0xee) << code << ": copied past the value";
  }
}

TEST(Values, CharacterCountsByDatabaseEncoding) {
  qdtest::GlobalsScope globals;
  for (const Row& c : read_cases("char_counts.txt")) {
    qdxglob_val.db_encoding = int(num(c[0]));
    std::vector<char> buf(c[1].begin(), c[1].end());
    buf.insert(buf.end(), 4, '\0');  // terminated for every width
    EXPECT_EQ(qdmb_strlen(buf.data()), num(c[2])) << c[0] << " " << c[1];
  }
}

}  // namespace
