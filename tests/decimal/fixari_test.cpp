// fixari_test.cpp: the four operations and fixdivmod: cutting, carries, scale limits,
// signs of zeros, and operands left as they were.

#include "convert/convert_test_util.h"
#include "fixtest.h"
#include "test_support.h"

using fixtest::Fix;
using fixtest::make;
using fixtest::show;

namespace {

void expect_unchanged(const Fix& before, const Fix& after, const char* what) {
  const int n = 2 + ((before.b[0] & 0x7f) + 1) / 2;
  EXPECT_EQ(std::memcmp(before.b, after.b, static_cast<size_t>(n)), 0) << what;
}

// Runs the cases of one operation (tests/data/decimal/arith.txt): its return code, its
// result when it succeeds, the result buffer's guard, and the operands as they were
// (fixsub restores b; fixmul may clear the free half-byte of an odd precision, so its
// operands are compared by value).
template <class Op>
void run_cases(const char* name, Op op, bool by_value = false) {
  for (const auto& c : qdtest::cases("decimal/arith.txt", name)) {
    SCOPED_TRACE(std::string(name) + " " + c[0] + " " + c[1]);
    Fix a = fixtest::fix_of(c[0]), b = fixtest::fix_of(c[1]), a0 = a, b0 = b, r;
    EXPECT_EQ(op(a.p(), b.p(), r.p()), qdtest::num(c[2]));
    if (qdtest::num(c[2]) == 0) {
      EXPECT_EQ(show(r), c[3]);
    }
    EXPECT_TRUE(r.guard_intact());
    if (by_value) {
      EXPECT_EQ(show(a), show(a0));
      EXPECT_EQ(show(b), show(b0));
    } else {
      expect_unchanged(a0, a, "a");
      expect_unchanged(b0, b, "b");
    }
  }
}

}  // namespace

// Rounding at the 30th digit, carries into a 31st position, the flag of dropped
// positions, the magnitude limit, signed zeros, leading zeros.
TEST(FixAdd, Table) { run_cases("add", fixadd); }

// Truncation below the 30-digit window, signed zeros, b restored.
TEST(FixSub, Table) {
  run_cases("sub", fixsub);
  Fix a = make("-12345", 3), r;
  EXPECT_EQ(fixsub(a.p(), a.p(), r.p()), 0);
  EXPECT_EQ(show(r), "+/3");
}

// A sum or difference beyond the magnitude limit names its operands as they were added
// (fixsub's b with its sign flipped; a difference of magnitudes larger one first), writes
// nothing into the result, and leaves b as it was.
class FixAddReport : public convtest::ReportTest {};

TEST_F(FixAddReport, OverflowNamesTheTermsAsAdded) {
  for (const auto& c : qdtest::cases("decimal/arith.txt", "overflow")) {
    SCOPED_TRACE(c[1] + " " + c[0] + " " + c[2]);
    Fix a = fixtest::fix_of(c[1]), b = fixtest::fix_of(c[2]), b0 = b, r;
    trace_pop();
    init_qderr();
    EXPECT_EQ(c[0] == "-" ? fixsub(a.p(), b.p(), r.p()) : fixadd(a.p(), b.p(), r.p()), 19005);
    EXPECT_NE(body().find("+/- " + c[3]), std::string::npos) << body();
    EXPECT_EQ(std::memcmp(r.b, Fix().b, sizeof r.b), 0);
    expect_unchanged(b0, b, "b");
  }
}

// Limb cutting over 30 digits, rounding on the highest dropped limb, scale limits.
TEST(FixMul, Table) {
  run_cases(
      "mul", [](qd_fix* a, qd_fix* b, qd_fix* c) { return fixmul(a, b, c); }, true);
  // The digit-free half of an odd precision is never read as a digit; the result may
  // be written over the first operand.
  Fix a = make("123", 0), b = make("2", 0);
  a.b[3] |= 0x0f;
  b.b[2] |= 0x0f;
  EXPECT_EQ(fixmul(a.p(), b.p(), a.p()), 0);
  EXPECT_EQ(show(a), "+246/0");
  // The same where that half sits in the last byte of a word the operand is read in, or
  // in the first byte of the next one.
  for (const auto& o : qdtest::cases("decimal/arith.txt", "mul_odd")) {
    SCOPED_TRACE(o[0]);
    Fix x = make(o[0].c_str(), 0), y = make(o[1].c_str(), 0), z;
    if (o[0].size() & 1) x.b[2 + o[0].size() / 2] |= 0x0f;
    if (o[1].size() & 1) y.b[2 + o[1].size() / 2] |= 0x0f;
    EXPECT_EQ(fixmul(x.p(), y.p(), z.p()), 0);
    EXPECT_EQ(show(z), o[2]);
  }
}

TEST(FixDiv, Table) {
  run_cases("div", fixdiv);
  Fix zero = make("", 0), five = make("5", 0), r;
  EXPECT_EQ(__fixdiv(zero.p(), five.p(), r.p(), 7), 0);
  EXPECT_EQ(fixiszero(r.p()), 1);
  // Quotients whose first estimate is not exact come out to about 30 digits, not to a
  // fixed place.
  for (const auto& n : qdtest::cases("decimal/arith.txt", "div_near")) {
    Fix a = fixtest::fix_of(n[0]), b = fixtest::fix_of(n[1]);
    Fix lo = fixtest::fix_of(n[2]), hi = fixtest::fix_of(n[3]);
    ASSERT_EQ(fixdiv(a.p(), b.p(), r.p()), 0);
    EXPECT_EQ(fixcmp(r.p(), lo.p()), 1) << show(r);
    EXPECT_EQ(fixcmp(r.p(), hi.p()), -1) << show(r);
  }
}

TEST(FixDivmod, Table) {
  for (const auto& c : qdtest::cases("decimal/arith.txt", "divmod")) {
    SCOPED_TRACE(c[0] + " / " + c[1]);
    const unsigned divisor = static_cast<unsigned>(std::stoul(c[1]));
    const unsigned rem = static_cast<unsigned>(std::stoul(c[2]));
    Fix a = fixtest::fix_of(c[0]), a0 = a, q;
    char flag = 7;
    EXPECT_EQ(fixdivmod(q.p(), &flag, a.p(), divisor), rem);
    EXPECT_EQ(flag, qdtest::num(c[3]));
    EXPECT_EQ(show(q), c[4]);
    expect_unchanged(a0, a, "a");
    EXPECT_TRUE(q.guard_intact());
    // In place, without the flag.
    EXPECT_EQ(fixdivmod(a.p(), nullptr, a.p(), divisor), rem);
    EXPECT_EQ(show(a), c[4]);
  }
  Fix a = make("12", 0), q = make("77", 0);
  EXPECT_EQ(fixdivmod(q.p(), nullptr, a.p(), 0), 19000u);
  EXPECT_EQ(show(q), "+77/0");
}
