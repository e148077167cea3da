// model_test.cpp: long random runs against an exact model kept in this file: decimal
// digit vectors with a scale, added, subtracted and multiplied digit by digit.

#include "fixtest.h"
#include "test_support.h"

namespace {

// An exact decimal: digits least significant first, value = digits / 10^scale.
struct Exact {
  bool neg = false;
  std::vector<int> d;
  int scale = 0;
};

void trim(std::vector<int>& d) {
  while (!d.empty() && d.back() == 0) d.pop_back();
}

Exact from_fix(const unsigned char* v) {
  Exact e;
  const int p = v[0] & 0x7f;
  for (int i = 1; i <= p; ++i) {
    const unsigned char b = v[2 + (i - 1) / 2];
    e.d.push_back((i & 1) ? (b >> 4) : (b & 15));
  }
  trim(e.d);
  e.neg = (v[0] & 0x80) && !e.d.empty();
  e.scale = static_cast<signed char>(v[1]);
  return e;
}

// Digits of x brought to a larger (or equal) scale.
std::vector<int> at_scale(const Exact& x, int scale) {
  std::vector<int> d(static_cast<size_t>(scale - x.scale), 0);
  d.insert(d.end(), x.d.begin(), x.d.end());
  trim(d);
  return d;
}

int cmp_mag(const std::vector<int>& a, const std::vector<int>& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

std::vector<int> add_mag(const std::vector<int>& a, const std::vector<int>& b) {
  std::vector<int> r;
  int carry = 0;
  for (size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
    const int t = (i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0) + carry;
    r.push_back(t % 10);
    carry = t / 10;
  }
  trim(r);
  return r;
}

std::vector<int> sub_mag(const std::vector<int>& a, const std::vector<int>& b) {  // a >= b
  std::vector<int> r;
  int borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int t = a[i] - (i < b.size() ? b[i] : 0) - borrow;
    borrow = t < 0;
    r.push_back(t < 0 ? t + 10 : t);
  }
  trim(r);
  return r;
}

std::vector<int> mul_mag(const std::vector<int>& a, const std::vector<int>& b) {
  std::vector<int> r(a.size() + b.size() + 1, 0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j) r[i + j] += a[i] * b[j];
  for (size_t k = 0; k + 1 < r.size(); ++k) {
    r[k + 1] += r[k] / 10;
    r[k] %= 10;
  }
  trim(r);
  return r;
}

// Signed sum at the finer scale of the two.
Exact add(const Exact& a, const Exact& b) {
  const int s = std::max(a.scale, b.scale);
  const std::vector<int> x = at_scale(a, s), y = at_scale(b, s);
  Exact r;
  r.scale = s;
  if (a.neg == b.neg) {
    r.d = add_mag(x, y);
    r.neg = a.neg;
  } else if (cmp_mag(x, y) >= 0) {
    r.d = sub_mag(x, y);
    r.neg = a.neg;
  } else {
    r.d = sub_mag(y, x);
    r.neg = b.neg;
  }
  if (r.d.empty()) r.neg = false;
  return r;
}

Exact negate(Exact a) {
  if (!a.d.empty()) a.neg = !a.neg;
  return a;
}

// -1, 0, 1 by value.
int cmp(const Exact& a, const Exact& b) {
  const Exact d = add(a, negate(b));
  if (d.d.empty()) return 0;
  return d.neg ? -1 : 1;
}

// |a - b| <= 10^-scale * num / den, for small num and den.
bool within(const Exact& a, const Exact& b, int scale, int num, int den) {
  Exact diff = add(a, negate(b));
  diff.neg = false;
  Exact bound;
  bound.d = {num};
  bound.scale = scale;
  Exact lhs = diff;
  lhs.d = mul_mag(diff.d, {den});
  return cmp(lhs, bound) <= 0;
}

std::string text(const Exact& e) {
  std::string s = e.neg ? "-" : "+";
  for (size_t i = e.d.size(); i-- > 0;) s += static_cast<char>('0' + e.d[i]);
  return s + "e-" + std::to_string(e.scale);
}

struct Gen {
  std::mt19937 rng;
  explicit Gen(unsigned seed) : rng(seed) {}
  int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  fixtest::Fix value(int max_digits, int scale_lo, int scale_hi, bool leading_zeros = true) {
    std::string digits;
    const int p = uniform(0, max_digits);
    const int kind = uniform(0, 5);
    for (int i = 0; i < p; ++i) {
      int d = uniform(0, 9);
      if (kind == 0) d = 9;                   // carries
      if (kind == 1 && uniform(0, 1)) d = 0;  // sparse
      if (kind == 2) d = uniform(4, 5);       // rounding edges
      if (i == 0 && !leading_zeros && d == 0) d = 1;
      digits += static_cast<char>('0' + d);
    }
    if (uniform(0, 1)) digits.insert(0, "-");
    return fixtest::make(digits.c_str(), uniform(scale_lo, scale_hi));
  }
};

// Operand pairs per operation: usual (200000, divisions fewer), or N given as
// --model_runs=N on the command line (the long comparison runs 1000000 of each).
int runs(int usual = 200000) {
  for (const std::string& arg : ::testing::internal::GetArgvs()) {
    if (arg.rfind("--model_runs=", 0) == 0) return std::stoi(arg.substr(13));
  }
  return usual;
}

}  // namespace

TEST(FixModel, SumsAndDifferences) {
  const int kRuns = runs();
  Gen g(20261206);
  int exact_checked = 0;
  for (int it = 0; it < kRuns; ++it) {
    fixtest::Fix a = g.value(30, -20, 40), b = g.value(30, -20, 40), c;
    const bool sub = it & 1;
    const Exact ea = from_fix(a.p()), eb = from_fix(b.p());
    const Exact want = sub ? add(ea, negate(eb)) : add(ea, eb);
    const int rc = sub ? fixsub(a.p(), b.p(), c.p()) : fixadd(a.p(), b.p(), c.p());
    ASSERT_EQ(rc, 0);
    const Exact got = from_fix(c.p());
    const int pa = a.b[0] & 0x7f, pb = b.b[0] & 0x7f;
    const int sa = static_cast<signed char>(a.b[1]), sb = static_cast<signed char>(b.b[1]);
    const int hi = std::max(pa - sa, pb - sb) - 1, lo = std::min(-sa, -sb);
    const bool a_zero = ea.d.empty(), b_zero = eb.d.empty();
    // Signs as the addition sees them (fixsub flips a non-zero b): equal signs add the
    // magnitudes, where a zero operand gives a copy of the other one.
    const bool ga = (a.b[0] & 0x80) && pa > 0;
    bool gb = (b.b[0] & 0x80) && pb > 0;
    if (sub && !b_zero) gb = !gb;
    const bool magnitude_sum = ga == gb;
    SCOPED_TRACE(text(ea) + (sub ? " - " : " + ") + text(eb) + " = " + text(want) + ", got " +
                 fixtest::show(c));
    if (hi - lo + 1 <= 29 || (magnitude_sum && (a_zero || b_zero))) {
      // Exact, at the finer scale (or a copy of the non-zero operand).
      ASSERT_EQ(cmp(got, want), 0);
      if (!magnitude_sum || (!a_zero && !b_zero)) {
        ASSERT_EQ(got.scale, -lo);
      }
      ++exact_checked;
    } else {
      // Cut to 30 positions: a sum is off by at most one unit of its last place; a
      // difference of magnitudes is truncated toward zero.
      const int scale = got.scale;
      ASSERT_TRUE(within(got, want, scale, 1, 1));
      if (!magnitude_sum && !got.d.empty()) {
        Exact g_abs = got, w_abs = want;
        g_abs.neg = w_abs.neg = false;
        ASSERT_LE(cmp(g_abs, w_abs), 0);
        ASSERT_EQ(got.neg, want.neg);
      }
    }
  }
  EXPECT_GT(exact_checked, kRuns / 4);
}

TEST(FixModel, Products) {
  const int kRuns = runs();
  Gen g(7);
  int exact_checked = 0;
  for (int it = 0; it < kRuns; ++it) {
    fixtest::Fix a = g.value(it % 3 ? 15 : 30, -30, 40), b = g.value(it % 3 ? 15 : 30, -30, 40), c;
    const Exact ea = from_fix(a.p()), eb = from_fix(b.p());
    Exact want;
    want.d = mul_mag(ea.d, eb.d);
    want.scale = ea.scale + eb.scale;
    want.neg = ea.neg != eb.neg && !want.d.empty();
    ASSERT_EQ(fixmul(a.p(), b.p(), c.p()), 0);
    const Exact got = from_fix(c.p());
    SCOPED_TRACE(text(ea) + " * " + text(eb) + " = " + text(want) + ", got " + fixtest::show(c));
    if (want.d.size() <= 30) {
      ASSERT_EQ(cmp(got, want), 0);
      if (!want.d.empty()) {
        ASSERT_EQ(got.scale, want.scale);
        ASSERT_EQ(static_cast<size_t>(c.b[0] & 0x7f), want.d.size() + 0) << "no leading zeros";
        ++exact_checked;
      }
    } else {
      // Whole base-100 limbs dropped with half-up rounding on the highest of them.
      ASSERT_TRUE(within(got, want, got.scale, 1, 2));
      ASSERT_LE(c.b[0] & 0x7f, 30);
    }
  }
  EXPECT_GT(exact_checked, kRuns / 3);
}

TEST(FixModel, CastsAndText) {
  const int kRuns = runs();
  Gen g(99);
  for (int it = 0; it < kRuns; ++it) {
    fixtest::Fix a = g.value(30, -30, 40), c;
    const Exact ea = from_fix(a.p());
    const int to = g.uniform(-35, 45);
    SCOPED_TRACE(text(ea) + " to scale " + std::to_string(to));
    if (fix_fix(a.p(), to, c.p())) {
      const Exact got = from_fix(c.p());
      ASSERT_EQ(got.scale, to);
      // Half up on the magnitude: within half a unit, and a tie goes away from zero.
      ASSERT_TRUE(within(got, ea, to, 1, 2));
      if (!got.d.empty()) {
        ASSERT_EQ(got.neg, ea.neg);
      }
    } else {
      ASSERT_GT(static_cast<int>(ea.d.size()) + to - ea.scale, 29);
    }
    char buf[38];
    fix_string(a.p(), buf);
    fixtest::Fix back;
    ASSERT_EQ(string_fix(buf, back.p()), 0) << buf;
    ASSERT_EQ(cmp(from_fix(back.p()), ea), 0) << buf;
  }
}

TEST(FixModel, Quotients) {
  const int kRuns = runs(50000);
  Gen g(2026);
  for (int it = 0; it < kRuns; ++it) {
    // Leading zero digits widen the subtraction inside the division and cost it digits,
    // so the accuracy bound holds for operands without them.
    fixtest::Fix a = g.value(30, -10, 20, false), b = g.value(30, -10, 20, false), c;
    const Exact ea = from_fix(a.p()), eb = from_fix(b.p());
    if (eb.d.empty()) {
      ASSERT_EQ(fixdiv(a.p(), b.p(), c.p()), 19000);
      continue;
    }
    const int rc = fixdiv(a.p(), b.p(), c.p());
    if (rc) continue;  // an estimate out of the scale range
    const Exact got = from_fix(c.p());
    SCOPED_TRACE(text(ea) + " / " + text(eb) + ", got " + fixtest::show(c));
    // |c * b - a| <= |a| * 10^-27.
    Exact cb;
    cb.d = mul_mag(got.d, eb.d);
    cb.scale = got.scale + eb.scale;
    cb.neg = got.neg != eb.neg && !cb.d.empty();
    Exact err = add(cb, negate(ea));
    err.neg = false;
    Exact bound = ea;
    bound.neg = false;
    bound.scale += 27;
    ASSERT_LE(cmp(err, bound), 0);
  }
}
