// numform_test.cpp: num2str in its default forms and through templates, the template
// compiler's refusals with their report words, and the print-then-read round trip.
#include "numform_test.h"
#include "numform/numform_internal.h"

#include <cmath>

using fixtest::Fix;
using numtest::NumTest;

namespace {

constexpr char kGuard = 'x';

// Prints the value of a case row (type, value) through templ into a guarded buffer.
int print_row(const std::string& type, const std::string& value, const char* templ, unsigned size,
              std::string* text) {
  char buf[512];
  std::memset(buf, kGuard, sizeof buf);
  int rc = 0;
  if (type == "int") {
    const int32_t v = static_cast<int32_t>(std::stoll(value));
    rc = num2str(&v, 1, buf, size, templ);
  } else if (type == "dbl") {
    const double v = std::strtod(value.c_str(), nullptr);
    rc = num2str(&v, 2, buf, size, templ);
  } else if (type == "fix") {
    Fix v = fixtest::fix_of(value);
    rc = num2str(v.p(), 3, buf, size, templ);
  } else {
    const int32_t v = 0;
    rc = num2str(&v, std::stoi(type), buf, size, templ);
  }
  for (size_t i = size; i < sizeof buf; ++i) EXPECT_EQ(buf[i], kGuard) << "written past size";
  if (rc == 0) *text = buf;
  return rc;
}

// A random template of the language's parts: fill mode, signs, currency and literal text,
// groups of 9 and 0 runs, a fraction.
std::string random_template(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string t;
  if (pick(5) == 0) t += "FM";
  const int sign = pick(4);  // none, leading S, trailing S, MI
  if (sign == 1) t += "S";
  const int text = pick(4);
  if (text == 1) t += "C";
  if (text == 2) t += "\"No. \"";
  // Separators from the settings, or the literal ones: never a mix, which would let the
  // group and decimal separators coincide under some settings.
  const bool own = pick(2);
  const char* sep = own ? "G" : ",";
  const int groups = 1 + pick(4);
  for (int g = 0; g < groups; ++g) {
    if (g) t += sep;
    const int len = 1 + pick(3);
    for (int k = 0; k < len; ++k) t += (g == 0 && k == 0 && pick(5) == 0) ? '0' : '9';
    if (pick(6) == 0) t.back() = '0';
  }
  if (pick(4) != 0) {
    t += own ? "D" : ".";
    const int len = 1 + pick(4);
    for (int k = 0; k < len; ++k) t += '9';
    if (pick(4) == 0) t.back() = '0';
  }
  if (text == 3) t += "\" kg\"";
  if (sign == 2) t += "S";
  if (sign == 3) t += "MI";
  return t;
}

Fix random_fix(std::mt19937& rng) {
  std::string digits = rng() % 2 ? "-" : "";
  const int p = static_cast<int>(rng() % 11);
  for (int i = 0; i < p; ++i) digits += static_cast<char>('0' + rng() % 10);
  return fixtest::make(digits.c_str(), static_cast<int>(rng() % 9) - 2);
}

int frac_digits(const std::string& t) {
  const size_t dot = t.find_first_of(".D", t.find_first_of("90"));
  if (dot == std::string::npos) return 0;
  size_t n = 0;
  while (dot + 1 + n < t.size() && (t[dot + 1 + n] == '9' || t[dot + 1 + n] == '0')) ++n;
  return static_cast<int>(n);
}

}  // namespace

// Default forms, groups, padding, signs, fill mode, rounding, "#" overflow, currency and
// literal text, and buffers exactly as large as the text and one byte less.
TEST_F(NumTest, PrintTable) {
  for (const auto& c : qdtest::cases("numform/print.txt", "print")) {
    SCOPED_TRACE(c[1] + " " + c[2] + " through " + c[3] + " size " + c[4]);
    numtest::use_settings(c[0]);
    std::string text;
    EXPECT_EQ(print_row(c[1], c[2], numtest::templ_of(c[3]),
                        static_cast<unsigned>(qdtest::num(c[4])), &text),
              qdtest::num(c[5]))
        << body();
    if (c[5] == "0") {
      EXPECT_EQ(text, c[6]);
    }
  }
}

// Each refusal of the compiler, with the words its report carries; num2str and str2num
// both add their own record after it.
TEST_F(NumTest, CompilerRefusals) {
  qdxglob_val.trace_to_errtext = 1;  // the function lines too
  for (const auto& c : qdtest::read_cases("numform/compile.txt", 3)) {
    SCOPED_TRACE(c[0]);
    const int32_t v = 5;
    char buf[64];
    init_qderr();
    EXPECT_EQ(num2str(&v, 1, buf, sizeof buf, c[0].c_str()), qdtest::num(c[1]));
    const std::string report = body();
    std::string words = c[2];
    if (const size_t at = words.find("FMWORD"); at != std::string::npos)
      words.replace(at, 6, qd::kFillModeWord);
    EXPECT_TRUE(qdtest::has(report, "Number template '" + c[0] + "' " + words));
    EXPECT_TRUE(qdtest::has(report, "in the number template compiler and formatter \nin num2str"));
    Fix r = fixtest::make("42", 0);
    init_qderr();
    EXPECT_EQ(str2num("5", r.p(), c[0].c_str()), qdtest::num(c[1]));
    EXPECT_TRUE(qdtest::has(body(), "in str2num"));
    EXPECT_EQ(fixtest::show(r), "+42/0");
  }
}

// A compiled template holds 1024 digit groups; one more is refused with its own error.
TEST_F(NumTest, GroupLimit) {
  std::string templ = "9";
  for (int i = 1; i < 1024; ++i) templ += ",9";
  const int32_t v = 1234567;
  std::vector<char> buf(4096);
  ASSERT_EQ(num2str(&v, 1, buf.data(), static_cast<unsigned>(buf.size()), templ.c_str()), 0);
  // 1017 free digit positions and 1017 free separators before the digits.
  EXPECT_EQ(std::strlen(buf.data()), 2047u);
  EXPECT_EQ(std::string(buf.data()).substr(2033), " 1,2,3,4,5,6,7");
  templ += ",9";
  EXPECT_EQ(num2str(&v, 1, buf.data(), static_cast<unsigned>(buf.size()), templ.c_str()),
            QDE_TEMPLATE_TOO_MANY_GROUPS);
  EXPECT_TRUE(qdtest::has(body(), "has more than 1024 digit groups"));
}

// The default form of a double shows the 18 significant digits the C library's "%.17e"
// gives, and reads back to the same double.
TEST_F(NumTest, DoubleDefaultDigits) {
  std::mt19937_64 rng(20261206);
  for (int i = 0; i < 3000; ++i) {
    double x;
    const uint64_t bits = rng();
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x) || x == 0) continue;
    char text[400], sci[64];
    ASSERT_EQ(num2str(&x, 2, text, sizeof text, nullptr), 0);
    std::snprintf(sci, sizeof sci, "%.17e", std::fabs(x));
    std::string want(1, sci[0]);
    want += std::string(sci + 2, 17);
    want.erase(want.find_last_not_of('0') + 1);
    std::string got;
    for (const char* p = text; *p; ++p)
      if (*p >= '0' && *p <= '9') got += *p;
    got.erase(0, got.find_first_not_of('0'));
    got.erase(got.find_last_not_of('0') + 1);
    EXPECT_EQ(got, want) << text;
    EXPECT_EQ(std::strtod(text, nullptr), x) << text;
  }
}

// What num2str prints through a template, str2num reads back through it: the value
// rounded half up to the template's fraction digits (fix values), or the C library's
// "%.*f" of it (doubles).
TEST_F(NumTest, RoundTrip) {
  std::mt19937 rng(42);
  int read = 0;
  for (int i = 0; i < 4000; ++i) {
    numtest::use_settings(i % 3 ? "en" : "de");
    const std::string t = random_template(rng);
    const int F = frac_digits(t);
    char text[128];
    Fix want, got = fixtest::make("7", 0);
    int rc;
    if (i % 2) {
      Fix v = random_fix(rng);
      rc = num2str(v.p(), 3, text, sizeof text, t.c_str());
      if (getscale(v.p()) > F) {
        ASSERT_NE(fix_fix(v.p(), F, want.p()), nullptr);
      } else {
        want = v;
      }
    } else {
      const double x =
          std::ldexp(static_cast<double>(rng()) - 2147483648.0, static_cast<int>(rng() % 30) - 25);
      rc = num2str(&x, 2, text, sizeof text, t.c_str());
      char fixed[128];
      std::snprintf(fixed, sizeof fixed, "%.*f", F, x);
      ASSERT_EQ(string_fix(fixed, want.p()), 0);
    }
    SCOPED_TRACE(t + " printed '" + text + "'");
    ASSERT_EQ(rc, 0) << body();
    if (text[0] == '#') continue;
    ASSERT_EQ(str2num(text, got.p(), t.c_str()), 0) << body();
    // A zero prints without its sign, so a negative zero reads back as a zero.
    if (fixiszero(want.p())) {
      EXPECT_TRUE(fixiszero(got.p())) << fixtest::show(got);
    } else {
      EXPECT_EQ(fixcmp(got.p(), want.p()), 0) << fixtest::show(got) << " " << fixtest::show(want);
    }
    ++read;
  }
  EXPECT_GT(read, 2000);
}
