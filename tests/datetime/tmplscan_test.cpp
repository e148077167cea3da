// tmplscan_test.cpp: the template scanner over a small keyword table: the table's order,
// case styles, runs, literal text quoted and unquoted, and the literal buffer's growth
// and its allocation failure.
#include "datetime/tmplscan.h"

#include "base/memory.h"
#include "dt_test_util.h"

namespace {

using qd::TemplateElement;
using qd::TemplateKeyword;
using qd::TemplateScanner;

// "yy" after "yyyy" and "mon" after "month": the order decides; "a.m." has its style from
// its third character; "f" and "9" take runs.
const TemplateKeyword kTable[] = {
    {"yyyy", 1, nullptr}, {"yy", 2, nullptr}, {"month", 3, nullptr}, {"mon", 4, nullptr},
    {"f", 5, "f"},        {"9", 6, "90"},     {"a.m.", 7, nullptr},  {"yy", 99, nullptr},
};

// The elements of a template as "code:length:style" for keywords and "'text'" for literal
// text, blank-separated.
std::string scan(const char* templ) {
  TemplateScanner s(templ, kTable, sizeof kTable / sizeof kTable[0]);
  std::string out;
  for (int guard = 0; guard < 100; ++guard) {
    TemplateElement e;
    EXPECT_EQ(s.next(&e), 0);
    if (e.code == qd::kTemplateEnd) return out;
    if (!out.empty()) out += " ";
    if (e.code == qd::kTemplateLiteral) {
      EXPECT_EQ(e.length, std::string(s.literal()).size());
      out += "'" + std::string(s.literal()) + "'";
    } else {
      out += std::to_string(e.code) + ":" + std::to_string(e.length) + ":" +
             std::to_string(e.style);
    }
  }
  return "no end";
}

TEST(TemplateScanner, Elements) {
  for (const qdtest::Row& c : qdtest::read_cases("datetime/template_elements.txt", 2)) {
    EXPECT_EQ(scan(c[0].c_str()), c[1]) << c[0];
  }
}

TEST(TemplateScanner, MatchAndSeek) {
  TemplateScanner s("x yyyy", kTable, sizeof kTable / sizeof kTable[0]);
  EXPECT_EQ(s.match("YyYy"), &kTable[0]);
  EXPECT_EQ(s.match("y"), nullptr);  // the template ends inside every keyword
  EXPECT_EQ(s.match(""), nullptr);
  TemplateElement e;
  ASSERT_EQ(s.next(&e), 0);
  const size_t after_literal = s.position();
  EXPECT_EQ(after_literal, 2u);
  ASSERT_EQ(s.next(&e), 0);
  EXPECT_EQ(e.code, 1);
  ASSERT_EQ(s.next(&e), 0);
  EXPECT_EQ(e.code, qd::kTemplateEnd);
  ASSERT_EQ(s.next(&e), 0);  // the end answers again
  EXPECT_EQ(e.code, qd::kTemplateEnd);
  s.seek(after_literal);
  ASSERT_EQ(s.next(&e), 0);
  EXPECT_EQ(e.code, 1);
}

// Literal text of 127, 128, 129 and 1000 characters, across the 128-byte steps.
TEST(TemplateScanner, LongLiterals) {
  for (size_t n : {127u, 128u, 129u, 255u, 256u, 1000u}) {
    const std::string text(n, '-');
    for (const std::string& templ : {text, "\"" + text + "\""}) {
      TemplateScanner s(templ.c_str(), kTable, sizeof kTable / sizeof kTable[0]);
      TemplateElement e;
      ASSERT_EQ(s.next(&e), 0);
      EXPECT_EQ(e.code, qd::kTemplateLiteral);
      EXPECT_EQ(e.length, n);
      EXPECT_EQ(std::string(s.literal()), text);
    }
  }
}

// The literal buffer's first allocation and its growth each fail with 6, reported with
// the id of the enlargement.
TEST(TemplateScanner, AllocationFailure) {
  dtt::ReportTexts reports;
  const std::string templ(200, '-');
  for (uint64_t n : {1u, 2u}) {
    reports.take();
    TemplateScanner s(templ.c_str(), kTable, sizeof kTable / sizeof kTable[0]);
    qd::mem_fail_from_for_test(n);
    TemplateElement e;
    const int rc = s.next(&e);
    qd::mem_fail_from_for_test(0);
    EXPECT_EQ(rc, 6) << n;
    const std::string text = reports.take();
    EXPECT_TRUE(qdtest::has(text, "in enlarging the literal text"));
  }
}

}  // namespace
