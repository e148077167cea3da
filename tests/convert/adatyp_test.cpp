// Tests of value_adapt_type: every source family into every number and truth-value target
// at the range boundaries, the numeric rescale and fit, the errors with their argument
// words from the thread's report, the null source, and buffers never overrun.
#include "convert/convert_internal.h"
#include "convert_test_util.h"

namespace {

using convtest::source_bytes;
using convtest::type_of;

constexpr size_t kBuf = convtest::kSourceBuf;

// The value a target buffer holds, as the case files write it; a numeric with its
// precision and scale.
std::string render(int code, const uint8_t* p) {
  if (code != 3) return convtest::render_value(code, p);
  char text[QD_FIX_TEXT_SIZE];
  fix_string(p, text);  // a blank holds the place of a plus sign
  return std::string(text + (text[0] == ' ')) + " (" + std::to_string(getprec(p)) + "," +
         std::to_string(getscale(p)) + ")";
}

class AdaptTest : public convtest::ReportTest {};

// source type | source value | target type | result (value, or "error N") | dstlen | report
TEST_F(AdaptTest, ConversionTable) {
  for (const char* file : {"convert/adapt_integers.txt", "convert/adapt_floating.txt",
                           "convert/adapt_numeric.txt", "convert/adapt_text.txt",
                           "convert/adapt_refused.txt"}) {
    for (const qdtest::Row& c : qdtest::read_cases(file, 6)) {
      SCOPED_TRACE(std::string(file) + ": " + c[0] + " " + c[1] + " -> " + c[2]);
      const int src_code = type_of(c[0]).code;
      const attrtype target = type_of(c[2]);
      std::vector<uint8_t> src = source_bytes(src_code, c[1]);
      uint8_t dst[kBuf];
      std::memset(dst, 0x5a, sizeof dst);
      qd_long len = -7;
      init_qderr();
      const int rc = value_adapt_type(src_code, src.data(), &target, dst, &len);
      if (c[3].rfind("error ", 0) == 0) {
        EXPECT_EQ(rc, std::stoi(c[3].substr(6)));
        EXPECT_EQ(len, -7) << "dstlen is left alone on failure";
      } else {
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(render(target.code, dst), c[3]);
        EXPECT_EQ(len, c[4] == "-" ? -7 : std::stoi(c[4]));
      }
      EXPECT_EQ(body(), c[5].empty() ? "" : c[5] + " \n");
    }
  }
}

TEST_F(AdaptTest, NullSourceWritesNothing) {
  for (const char* target : {"integer", "numeric(5,2)", "bool", "blob", "money", "char(4)"}) {
    const attrtype t = type_of(target);
    uint8_t dst[kBuf];
    std::memset(dst, 0x5a, sizeof dst);
    qd_long len = -7;
    for (int code : {1, 4, 10, 26, 99}) {
      EXPECT_EQ(value_adapt_type(code, nullptr, &t, dst, &len), 0) << target;
    }
    EXPECT_EQ(len, -7);
    for (uint8_t b : dst) ASSERT_EQ(b, 0x5a);
  }
  EXPECT_EQ(body(), "");
}

TEST_F(AdaptTest, CodesOutsideEveryFamilyAreRefused) {
  const int32_t one = 1;
  uint8_t dst[kBuf];
  for (int code : {-1, 0, 10, 15, 26, 27, 31, 32767}) {
    attrtype t{};
    t.code = static_cast<int16_t>(code);
    init_qderr();
    EXPECT_EQ(value_adapt_type(1, &one, &t, dst, nullptr), 4200) << code;
    EXPECT_TRUE(qdtest::has(body(), "A value of the source type cannot be converted"));
  }
}

// The buffer holds exactly what the descriptor sizes; bytes behind it stay untouched,
// whether the value fits or not.
TEST_F(AdaptTest, NumericTargetNeverPassesItsBuffer) {
  for (const qdtest::Row& c : qdtest::read_cases("convert/numeric_buffers.txt", 3)) {
    const int code = std::stoi(c[0]);
    const attrtype t = type_of(c[2]);
    const size_t size = static_cast<size_t>(size_attrtype(const_cast<attrtype*>(&t)));
    std::vector<uint8_t> src = source_bytes(code, c[1]);
    uint8_t dst[kBuf];
    std::memset(dst, 0x5a, sizeof dst);
    value_adapt_type(code, src.data(), &t, dst, nullptr);
    for (size_t i = size; i < sizeof dst; ++i) ASSERT_EQ(dst[i], 0x5a) << c[1] << " " << i;
  }
}

// A failure passed on from a callee leaves the callee's line and this function's trace
// record; the value texts of the report are cut to 399 characters between quotes.
TEST_F(AdaptTest, PassedOnErrorsAndCutTexts) {
  qdxglob_val.trace_to_errtext = 1;
  const char* text = "2147483648";
  const attrtype integer = type_of("integer");
  int32_t out;
  EXPECT_EQ(value_adapt_type(4, text, &integer, &out, nullptr), 19004);
  EXPECT_EQ(body(), "Value  2147483648 does not fit type integer. \n\nQDE_VALUE_OVERFLOW\n"
                    "in the conversion of a decimal to an integer \nin value_adapt_type \n");
  qdxglob_val.trace_to_errtext = 0;

  const std::string blanks(420, ' ');
  const std::string long_text = blanks + "12345";
  const attrtype small = type_of("numeric(3,0)");
  uint8_t dst[kBuf];
  init_qderr();
  EXPECT_EQ(value_adapt_type(4, long_text.c_str(), &small, dst, nullptr), 19004);
  EXPECT_EQ(body(), "Value '" + blanks.substr(0, 399) + "' does not fit type numeric(3,0). \n");
}

}  // namespace
