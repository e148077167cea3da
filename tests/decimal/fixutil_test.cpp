// fixutil_test.cpp: representation, comparison, the cast to a scale and the integer and
// double conversions.

#include "decimal/fix_internal.h"
#include "fixtest.h"
#include "test_support.h"

using fixtest::Fix;
using fixtest::make;
using fixtest::show;

TEST(FixRepresentation, LayoutAndAccessors) {
  // -12.345: 0x85 0x03 0x54 0x32 0x1?
  Fix v = make("-12345", 3);
  EXPECT_EQ(v.b[0], 0x85);
  EXPECT_EQ(v.b[1], 0x03);
  EXPECT_EQ(v.b[2], 0x54);
  EXPECT_EQ(v.b[3], 0x32);
  EXPECT_EQ(v.b[4] >> 4, 0x1);
  EXPECT_EQ(getprec(v.p()), 5);
  EXPECT_EQ(getscale(v.p()), 3);
  EXPECT_EQ(getsign(v.p()), 1);
  EXPECT_EQ(getdigit(v.p(), 1), 5);
  EXPECT_EQ(getdigit(v.p(), 5), 1);
  putdigit(v.p(), 2, 9);
  EXPECT_EQ(v.b[2], 0x59);
  putprec(v.p(), 200);  // 200 & 127
  EXPECT_EQ(v.b[0], 0x80 | (200 & 127));
  putsign(v.p(), 0);
  EXPECT_EQ(v.b[0], 200 & 127);
  putscale(v.p(), -128);
  EXPECT_EQ(getscale(v.p()), -128);
  putscale(v.p(), 383);  // low 8 bits: 127
  EXPECT_EQ(getscale(v.p()), 127);
}

TEST(FixRepresentation, SizesAndHash) {
  struct Case {
    int p, size, hash;
  } cases[] = {{0, 2, 0}, {1, 3, 0}, {2, 3, 1}, {3, 4, 1}, {5, 5, 2}, {6, 5, 3}, {30, 17, 15}};
  for (const Case& c : cases) {
    Fix v = make("", 0);
    v.b[0] = static_cast<unsigned char>(c.p);
    EXPECT_EQ(fixsize(v.p()), c.size) << c.p;
    qd_fix* start = nullptr;
    int len = -1;
    fixhash(v.p(), &start, &len);
    EXPECT_EQ(start, v.p() + 2);
    EXPECT_EQ(len, c.hash) << c.p;
    attrtype t{3, {static_cast<uint8_t>(c.p), 0}, 0, 0};
    EXPECT_EQ(fixattrsize(&t), c.size);
  }
}

// A zero of precision 0 is not negative, whatever its sign bit; zero digits with the
// sign bit set are (the cmp rows hold both against zero).
TEST(FixRepresentation, ZerosAndSigns) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "sign")) {
    Fix v = fixtest::fix_of(c[0]);
    EXPECT_EQ(getsign(v.p()), qdtest::num(c[1])) << c[0];
    EXPECT_EQ(fixgetsign(v.p()), qdtest::num(c[2])) << c[0];
    EXPECT_EQ(fixiszero(v.p()), qdtest::num(c[3])) << c[0];
  }
  // fixminus into another buffer, fix_change_sign in place.
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "minus")) {
    Fix v = fixtest::fix_of(c[0]), d;
    fixminus(v.p(), d.p());
    EXPECT_EQ(show(d), c[1]) << c[0];
    fix_change_sign(v.p());
    EXPECT_EQ(show(v), c[2]) << c[0];
  }
  Fix d, five = make("5", 0), same = make("123", 2);
  fixmksczero(d.p(), -7);
  EXPECT_EQ(show(d), "+/-7");
  fixmkzero(d.p());
  EXPECT_EQ(show(d), "+/0");
  fixcopy(same.p(), same.p());
  EXPECT_EQ(show(same), "+123/2");
  fixcopy(five.p(), d.p());
  EXPECT_EQ(show(d), "+5/0");
  EXPECT_TRUE(d.guard_intact());
}

TEST(FixCompare, ByValue) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "cmp")) {
    Fix a = fixtest::fix_of(c[0]), b = fixtest::fix_of(c[1]);
    EXPECT_EQ(fixcmp(a.p(), b.p()), qdtest::num(c[2])) << c[0] << " vs " << c[1];
    EXPECT_EQ(fixcmp(b.p(), a.p()), -qdtest::num(c[2])) << c[0] << " vs " << c[1];
  }
}

TEST(FixCompare, SizeCompatible) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "fits")) {
    Fix v = fixtest::fix_of(c[0]);
    const uint8_t precision = static_cast<uint8_t>(qdtest::num(c[1]));
    attrtype t{3, {precision, static_cast<uint8_t>(qdtest::num(c[2]))}, 0, 0};
    EXPECT_EQ(size_compatible(v.p(), &t), qdtest::num(c[3]))
        << c[0] << " in " << c[1] << "," << c[2];
  }
}

// Half-up rounding, nines that carry, zeros of any scale, the ends of the scale range.
TEST(FixCast, RoundingAndScales) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "cast")) {
    SCOPED_TRACE(c[0] + " to " + c[1]);
    Fix src = fixtest::fix_of(c[0]), dst;
    qd_fix* r = fix_fix(src.p(), qdtest::num(c[1]), dst.p());
    if (c[2].empty()) {
      EXPECT_EQ(r, nullptr);
      continue;
    }
    ASSERT_EQ(r, dst.p());
    EXPECT_EQ(show(dst), c[2]);
    EXPECT_TRUE(dst.guard_intact());
    // In place gives the same.
    Fix in = fixtest::fix_of(c[0]);
    ASSERT_EQ(fix_fix(in.p(), qdtest::num(c[1]), in.p()), in.p());
    EXPECT_EQ(show(in), c[2]);
  }
}

TEST(FixCast, FailureLeavesOrMarksDestination) {
  Fix src = make("123", 0), dst = make("77", 1);
  EXPECT_EQ(fix_fix(src.p(), 40, dst.p()), nullptr);
  EXPECT_EQ(show(dst), "+77/1");  // out of range: untouched
  // Rounding into a 31st digit (only an outside value of 31 digits gets there): the
  // destination becomes the single digit 1 at the place above, and the cast fails.
  Fix nines = make("9999999999999999999999999999999", 1);
  EXPECT_EQ(fix_fix(nines.p(), 0, dst.p()), nullptr);
  EXPECT_EQ(show(dst), "+1/-30");
}

TEST(FixCast, ShiftRoundAndRestrictedForm) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "shift")) {
    Fix v = fixtest::fix_of(c[0]);
    qd::fix_shift_round(v.p(), qdtest::num(c[1]));
    EXPECT_EQ(show(v), c[2]) << c[0];
  }
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "to62")) {
    Fix v = fixtest::fix_of(c[0]), d;
    EXPECT_EQ(fix_to62(v.p(), qdtest::num(c[1]), d.p()), qdtest::num(c[2])) << c[0];
    if (!c[3].empty()) {
      EXPECT_EQ(show(d), c[3]) << c[0];
    }
  }
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "is62")) {
    EXPECT_EQ(fix_is62(fixtest::fix_of(c[0]).p()), qdtest::num(c[1])) << c[0];
  }
}

TEST(FixCast, Truncatable) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "trunc")) {
    Fix v = fixtest::fix_of(c[0]);
    EXPECT_EQ(truncatable_to_scale(v.p(), qdtest::num(c[1])), qdtest::num(c[2]))
        << c[0] << " to " << c[1];
  }
}

// Integer boundaries after half-up rounding; out parameters written only on success.
TEST(FixInteger, ToInteger) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "long")) {
    Fix v = fixtest::fix_of(c[0]);
    qd_long out = 12345;
    EXPECT_EQ(fix_long(v.p(), &out), qdtest::num(c[1])) << c[0];
    EXPECT_EQ(out, qdtest::num(c[1]) ? 12345 : std::stol(c[2])) << c[0];
  }
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "ulong")) {
    Fix v = fixtest::fix_of(c[0]);
    qd_ulong out = 777;
    EXPECT_EQ(fix_ulong(v.p(), &out), qdtest::num(c[1])) << c[0];
    EXPECT_EQ(out, qdtest::num(c[1]) ? 777u : std::stoul(c[2])) << c[0];
  }
  for (const char* op : {"from_long", "from_ulong"}) {
    for (const auto& c : qdtest::cases("decimal/conversions.txt", op)) {
      Fix d;
      const int scale = qdtest::num(c[1]);
      qd_fix* r = op[5] == 'l' ? long_fix(static_cast<qd_long>(std::stol(c[0])), scale, d.p())
                               : ulong_fix(static_cast<qd_ulong>(std::stoul(c[0])), scale, d.p());
      EXPECT_EQ(r, d.p());
      EXPECT_EQ(show(d), c[2]) << op << " " << c[0] << " at " << scale;
    }
  }
}

// Digit by digit in doubles, then one division (or multiplication) by a power of ten.
TEST(FixDouble, ToDouble) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "to_double")) {
    EXPECT_EQ(fix_double(fixtest::fix_of(c[0]).p()), std::strtod(c[1].c_str(), nullptr)) << c[0];
  }
}

// 30 significant digits of the exact binary value, rounded half to even, trailing zeros
// dropped; beyond the range, both entries refuse with 19005.
TEST(FixDouble, FromDouble) {
  for (const auto& c : qdtest::cases("decimal/conversions.txt", "from_double")) {
    const double x = std::strtod(c[0].c_str(), nullptr);
    Fix d;
    if (c[1].empty()) {
      EXPECT_EQ(qd::double_fix_digits(x, d.p()), 19005) << x;
      EXPECT_EQ(double_fix(x, 0, d.p()), 19005) << x;
      continue;
    }
    ASSERT_EQ(qd::double_fix_digits(x, d.p()), 0) << x;
    EXPECT_EQ(show(d), c[1]) << x;
    EXPECT_TRUE(d.guard_intact());
  }
  Fix d;
  EXPECT_EQ(double_fix(0.1, 2, d.p()), 0);
  EXPECT_EQ(show(d), "+10/2");
  EXPECT_EQ(double_fix(2.675, 2, d.p()), 0);  // the double lies below 2.675
  EXPECT_EQ(show(d), "+267/2");
  EXPECT_EQ(double_fix(-1.5, 0, d.p()), 0);
  EXPECT_EQ(show(d), "-2/0");
}

// m * 5^t from the table of powers of five, against the product built by multiplying by 5
// t times in 32-bit limbs: every power in the table, with factors at the edges of a
// double's significand. 32-bit targets skip the products of the words 5^t lacks, so the
// powers where a word first appears (5^28, 5^56) are among those checked.
TEST(FixDouble, PowersOfFiveTimesASignificand) {
  const uint64_t factors[] = {1, 5, (uint64_t{1} << 52) | 1, (uint64_t{1} << 53) - 1,
                              0x1234567890abcull};
  for (const uint64_t m : factors) {
    uint32_t ref[8] = {static_cast<uint32_t>(m), static_cast<uint32_t>(m >> 32)};
    for (int t = 0; t <= qd::kPow5WordsMax; ++t) {
      const qd::Pow5Product p = qd::pow5_product(m, t);
      const uint64_t words[4] = {qd::lo64(p.low), qd::hi64(p.low), qd::lo64(p.high),
                                 qd::hi64(p.high)};
      for (int w = 0; w < 4; ++w)
        ASSERT_EQ(words[w], ref[2 * w] | (uint64_t{ref[2 * w + 1]} << 32)) << "m " << m << " t " << t;
      uint64_t carry = 0;
      for (uint32_t& limb : ref) {
        const uint64_t x = uint64_t{limb} * 5 + carry;
        limb = static_cast<uint32_t>(x);
        carry = x >> 32;
      }
    }
  }
}

// fix_double of 17 to 30 digits against the same digits behind leading zeros up to 40,
// which take the plain digit-by-digit loop: top sixteen digits at 10^15, at the 2^57
// threshold of the second digit (10 * (10 * H + d) against 2^57) and at 10^16 - 1,
// and random ones; digits below with runs of nines and zeros; scales and signs mixed.
TEST(FixDouble, LongValuesAccumulateDigitByDigit) {
  std::mt19937_64 rng(57);
  const uint64_t edges[] = {1000000000000000ull, 1441151880758555ull, 1441151880758558ull,
                            1441151880758559ull, 9007199254740993ull, 9999999999999999ull};
  for (int it = 0; it < 300000; ++it) {
    const int q = 17 + static_cast<int>(rng() % 14);
    uint64_t top = rng() % 4 ? 1000000000000000ull + rng() % 9000000000000000ull
                             : edges[rng() % std::size(edges)] + rng() % 3;
    if (top > 9999999999999999ull) top = 9999999999999999ull;
    int digits[41] = {};
    uint64_t t = top;
    for (int i = q - 15; i <= q; ++i, t /= 10) digits[i] = static_cast<int>(t % 10);
    const int kind = static_cast<int>(rng() % 3);
    for (int i = 1; i <= q - 16; ++i)
      digits[i] = kind == 0 ? 9 : kind == 1 ? 0 : static_cast<int>(rng() % 10);
    const int scale = static_cast<int>(rng() % 70) - 20;
    const bool negative = rng() & 1;
    uint8_t v[64] = {}, w[64] = {};
    const int pv = q + static_cast<int>(rng() % static_cast<unsigned>(31 - q));
    v[0] = static_cast<uint8_t>(pv | (negative ? 0x80 : 0));
    w[0] = static_cast<uint8_t>(40 | (negative ? 0x80 : 0));
    v[1] = w[1] = static_cast<uint8_t>(static_cast<int8_t>(scale));
    for (int i = 1; i <= q; ++i) {
      putdigit(v, i, digits[i]);
      putdigit(w, i, digits[i]);
    }
    const double got = fix_double(v), want = fix_double(w);
    ASSERT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(want))
        << "q " << q << " top " << top << " scale " << scale;
  }
}
