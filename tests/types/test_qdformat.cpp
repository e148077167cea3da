// Tests of the bounded formatter: the 32-bit platform's conversion sizes, placeholders
// for missing or mismatched values, and the buffer bound.
#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

#include "types/qdformat.h"

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

template <class... A>
std::string fmt(const char* format, A... values) {
  char buf[256];
  qd::format_values(buf, sizeof buf, format, values...);
  return buf;
}

TEST(Format, ConversionsReadAsOnThe32BitPlatform) {
  struct Case {
    std::string got;
    const char* expected;
  } cases[] = {
      {fmt("%d|%i|%u", -5, 7, -1), "-5|7|4294967295"},
      {fmt("%ld|%lu|%lx", -5, 0x7fffffff, 255), "-5|2147483647|ff"},
      {fmt("%hd|%hu", 70000, -1), "4464|65535"},
      {fmt("%lld|%I64d", int64_t{1} << 40, INT64_MIN), "1099511627776|-9223372036854775808"},
      {fmt("%x|%X|%o|%#x", 255, 255, 8, 255), "ff|FF|10|0xff"},
      {fmt("%c%c", 'o', 'k'), "ok"},
      {fmt("%5d|%-5d|%05d|%+d", 42, 42, 42, 42), "   42|42   |00042|+42"},
      {fmt("%*d|%-*d|%.*s", 4, 7, 3, 8, 2, "abcdef"), "   7|8  |ab"},
      {fmt("%*d", -4, 7), "7   "},
      {fmt("%.3f|%e|%g", 3.14159, 1e10, 0.5), "3.142|1.000000e+10|0.5"},
      {fmt("%s|%.2s|%6s", "abc", "xyz", "r"), "abc|xy|     r"},
      {fmt("%s", static_cast<const char*>(nullptr)), "(null)"},
      {fmt("100%% sure"), "100% sure"},
      {fmt("%y %d", 1), "%y 1"},
      {fmt("trailing %"), "trailing %"},
      {fmt("%ld", int64_t{5000000000}), "705032704"},  // cut to 32 bits as the site's slot
      // missing or mismatched values print placeholders
      {fmt("%d %d", 1), "1 <?>"},
      {fmt("%s", 5), "<?>"},
      {fmt("%d", "text"), "<?>"},
      {fmt("%f %d", 2, 3), "<?> 3"},
      {fmt("%n%d", 5), "<?>"},  // %n never writes; it takes a pointer
      // values from a variable argument list
      {fmt_va("%d %s %lld %.1f", 12, "ab", 1LL << 33, 2.25), "12 ab 8589934592 2.2"},
      {fmt_va("%d/%d", 1, 2), "1/2"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
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
  using qd::ArgKind;
  const ArgKind si[] = {ArgKind::kPointer, ArgKind::kInt32};
  EXPECT_TRUE(qd::catalog::accepts("/* %s at %d */", si, 2));
  EXPECT_FALSE(qd::catalog::accepts("/* %d at %s */", si, 2));
  EXPECT_FALSE(qd::catalog::accepts("%s %d %d", si, 2));
  EXPECT_TRUE(qd::catalog::accepts("%s only, 100%%", si, 2));
  EXPECT_TRUE(qd::catalog::accepts("%-*d", si + 1, 1) == false);
  const ArgKind ii[] = {ArgKind::kInt32, ArgKind::kInt64};
  EXPECT_TRUE(qd::catalog::accepts("%*d", ii, 2));
  EXPECT_TRUE(qd::catalog::accepts("%ld %I64d", ii, 2));
  const ArgKind d[] = {ArgKind::kDouble};
  EXPECT_TRUE(qd::catalog::accepts("%8.3f", d, 1));
  EXPECT_FALSE(qd::catalog::accepts("%d", d, 1));
}

}  // namespace
