// Tests of the bounded formatter: the 32-bit platform's conversion sizes, placeholders
// for missing or mismatched values, and the buffer bound.
#include "status/qdformat.h"

#include <cstdarg>

#include "types/types_test_util.h"

namespace {

std::string fmt_va(const char* format, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, format);
  {
    qd::VaSource src(ap);
    qd::format_into(buf, sizeof buf, format, src);
  }
  va_end(ap);
  return buf;
}

// Formats with values given as in format.txt: i:N, l:N, d:X, s:text, p:HEX, null.
std::string fmt_row(const std::string& format, const std::string& values) {
  const std::vector<std::string> texts = qdtest::words(values);  // %s values point into them
  std::vector<qd::Arg> args;
  for (const std::string& v : texts) {
    const std::string rest = v.substr(v.find(':') + 1);
    if (v[0] == 'i') args.push_back(qd::make_arg(static_cast<int32_t>(std::stoll(rest))));
    if (v[0] == 'l') args.push_back(qd::make_arg(static_cast<int64_t>(std::stoll(rest))));
    if (v[0] == 'd') args.push_back(qd::make_arg(std::stod(rest)));
    if (v[0] == 's') args.push_back(qd::make_arg(v.c_str() + 2));
    if (v == "null") args.push_back(qd::make_arg(nullptr));
    if (v[0] == 'p') {
      const auto address = static_cast<uintptr_t>(std::stoull(rest, nullptr, 16));
      args.push_back(qd::make_arg(reinterpret_cast<const char*>(address)));
    }
  }
  EXPECT_EQ(args.size(), texts.size()) << values;
  args.emplace_back();
  char buf[256];
  qd::PackSource src(args.data(), static_cast<int>(args.size()) - 1);
  qd::format_into(buf, sizeof buf, format.c_str(), src);
  return buf;
}

TEST(Format, ConversionsReadAsOnThe32BitPlatform) {
  for (const typetest::Row& c : typetest::read_cases("format.txt")) {
    EXPECT_EQ(fmt_row(c[0], c[1]), c[2]) << c[0] << " with " << c[1];
  }
  // Values from a variable argument list.
  EXPECT_EQ(fmt_va("%d %s %lld %.1f", 12, "ab", 1LL << 33, 2.25), "12 ab 8589934592 2.2");
  EXPECT_EQ(fmt_va("%d/%d", 1, 2), "1/2");
}

TEST(Format, NeverPassesTheBuffer) {
  for (size_t size = 1; size < 24; ++size) {
    char buf[32];
    std::memset(buf, '#', sizeof buf);
    size_t n = qd::format_values(buf, size, "%s-%d-%099d", "abcdefgh", 12345, 7);
    EXPECT_EQ(n, size - 1);
    EXPECT_EQ(buf[size - 1], 0);
    EXPECT_EQ(std::string(buf, n),
              std::string("abcdefgh-12345-000000000000000").substr(0, size - 1));
    for (size_t i = size; i < sizeof buf; ++i) ASSERT_EQ(buf[i], '#') << size;
  }
  char buf[8] = "abc";
  EXPECT_EQ(qd::append_values(buf, sizeof buf, "%s", "defghijk"), 7u);
  EXPECT_STREQ(buf, "abcdefg");
  char full[4] = {'x', 'y', 'z', 'w'};  // no terminator inside: cut, never overrun
  EXPECT_EQ(qd::append_values(full, sizeof full, "more"), 3u);
  EXPECT_EQ(full[3], 0);
  char huge[16];
  EXPECT_EQ(qd::format_values(huge, sizeof huge, "%2000000000d", 1), 15u);
}

TEST(Format, CatalogueCheckReadsConversionsLikeTheFormatter) {
  for (const typetest::Row& c : typetest::read_cases("format_accepts.txt")) {
    std::vector<qd::ArgKind> kinds;
    for (char k : c[1]) {
      if (k == 'p') kinds.push_back(qd::ArgKind::kPointer);
      if (k == 'i') kinds.push_back(qd::ArgKind::kInt32);
      if (k == 'l') kinds.push_back(qd::ArgKind::kInt64);
      if (k == 'd') kinds.push_back(qd::ArgKind::kDouble);
    }
    EXPECT_EQ(qd::catalog::accepts(c[0].c_str(), kinds.data(), int(kinds.size())), c[2] == "1")
        << c[0] << " with " << c[1];
  }
}

}  // namespace
