// bitsuti_test.cpp: bit strings of both header widths against a plain model of '0'/'1'
// texts written here, with fill bits and the bytes after each value checked.
#include "bits/bits_internal.h"
#include "qdtype32/qdbits.h"
#include "base/byteio.h"
#include "test_support.h"

namespace {

// ---- The two variants, as seen by the tests -----------------------------------------------

template <class H>
struct Header {
  static constexpr size_t kHeader = sizeof(H);
  static void set_len(uint8_t* v, int64_t n) { qd::store<H>(v, static_cast<H>(n)); }
  static int64_t len(const uint8_t* v) { return qd::load<H>(v); }
};

struct Wide : Header<int32_t> {
  // One declaration per function type: every name of an auto declaration must deduce the
  // same type.
  static constexpr auto make = make_bits;
  static constexpr auto band = bit_and, bor = bit_or;
  static constexpr auto range = bits_range;
  static constexpr auto lit = lit_to_bits;
  static constexpr auto cmp = qd::bits_compare;
  static constexpr auto bnot = bit_not;
  static constexpr auto copy = bit_copy;
  static constexpr auto hash = bits_hash;
  static constexpr auto find = find_nbit, test = bits_test_bit;
};

struct Narrow : Header<uint16_t> {
  static void* make(void* d, int z, int o) {
    return make_bits2(d, static_cast<uint16_t>(z), static_cast<uint16_t>(o));
  }
  static constexpr auto band = bits2_and, bor = bits2_or;
  static constexpr auto range = bits2_range;
  static constexpr auto lit = lit_to_bits2;
  static constexpr auto cmp = bits2_compare;
  static constexpr auto bnot = bits2_not;
  static constexpr auto copy = bits2_copy;
  static constexpr auto hash = bits2_hash;
  static constexpr auto find = find_nbit_2, test = bits2_test_bit;
};

constexpr size_t kGuard = 16;
constexpr uint8_t kGuardByte = 0xA5;
constexpr uint8_t kJunk = 0xEE;  // what a fresh buffer holds, so unwritten fill bits show

// A caller's buffer with room for `room` bits (at least one data byte), then guard bytes.
template <class V>
struct Buf {
  std::vector<uint8_t> b;
  size_t data_bytes;
  explicit Buf(size_t room) : data_bytes(std::max<size_t>((room + 7) / 8, 1)) {
    b.assign(V::kHeader + data_bytes + kGuard, kJunk);
    std::fill(b.end() - kGuard, b.end(), kGuardByte);
  }
  uint8_t* p() { return b.data(); }
  uint8_t* data() { return b.data() + V::kHeader; }
  bool guard_ok() const {
    return std::all_of(b.end() - kGuard, b.end(), [](uint8_t x) { return x == kGuardByte; });
  }
};

template <class V>
Buf<V> from_text(const std::string& s, size_t room = 0) {
  Buf<V> v(std::max(room, s.size()));
  V::set_len(v.p(), static_cast<int64_t>(s.size()));
  std::fill(v.data(), v.data() + v.data_bytes, 0);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '1') v.data()[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
  }
  return v;
}

template <class V>
std::string text_of(Buf<V>& v) {
  const int64_t n = V::len(v.p());
  std::string s;
  for (int64_t i = 0; i < n; ++i) s += (v.data()[i / 8] & (0x80 >> (i % 8))) ? '1' : '0';
  return s;
}

// The value reads as `want`, the fill bits of its last byte are zero (for the empty
// string, when the operation writes its one data byte, that byte is zero), and nothing
// after the buffer was written.
template <class V>
void expect_bits(Buf<V>& v, const std::string& want, bool empty_byte_written) {
  EXPECT_EQ(text_of(v), want);
  const int64_t n = V::len(v.p());
  if (n == 0) {
    EXPECT_TRUE(!empty_byte_written || v.data()[0] == 0) << "empty string's data byte";
  } else if (n % 8) {
    EXPECT_EQ(v.data()[n / 8] & (0xFF >> (n % 8)), 0) << "fill bits";
  }
  EXPECT_TRUE(v.guard_ok());
}

// ---- The model ------------------------------------------------------------------------------

std::string pattern(size_t n, uint32_t seed) {
  std::string s(n, '0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = (x >> 16) & 1 ? '1' : '0';
  }
  return s;
}

std::string padded(const std::string& s, size_t n) {
  return s + std::string(n - std::min(n, s.size()), '0');
}

int model_cmp(const std::string& a, const std::string& b) {
  const size_t n = std::max(a.size(), b.size());
  const int c = padded(a, n).compare(padded(b, n));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// The shorter string counts as extended with 0 bits; on the characters '0' (0x30) and
// '1' (0x31), & and | are the bitwise operations themselves.
std::string model_logic(std::string a, std::string b, bool is_and) {
  const size_t n = std::max(a.size(), b.size());
  a = padded(a, n);
  b = padded(b, n);
  for (size_t i = 0; i < n; ++i) a[i] = static_cast<char>(is_and ? a[i] & b[i] : a[i] | b[i]);
  return a;
}

// Bits past the end of the source read as 0.
std::string model_range(const std::string& s, size_t start, size_t count) {
  return padded(s.substr(std::min(start, s.size())), count).substr(0, count);
}

int model_find(const std::string& s, int k) {
  if (k <= 0) {
    const size_t p = s.rfind('1');
    return p == std::string::npos ? -1 : static_cast<int>(p);
  }
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '1' && --k == 0) return static_cast<int>(i);
  }
  return -1;
}

const std::vector<size_t> kLengths = {0, 1, 7, 8, 9, 15, 16, 17, 65535};
using Points = std::initializer_list<int64_t>;  // bit positions and counts, n - 1 among them

// Strings of one length: all 0, all 1, alternating, pseudo-random, a lone last 1.
std::vector<std::string> samples(size_t n) {
  std::vector<std::string> out = {std::string(n, '0'), std::string(n, '1'), pattern(n, 7)};
  std::string alt(n, '0');
  for (size_t i = 0; i < n; i += 2) alt[i] = '1';
  out.push_back(alt);
  if (n) out.push_back(std::string(n - 1, '0') + "1");
  return out;
}

template <class V>
class BitOps : public ::testing::Test {};
using Variants = ::testing::Types<Wide, Narrow>;
TYPED_TEST_SUITE(BitOps, Variants);

TYPED_TEST(BitOps, MakeOverLengths) {
  using V = TypeParam;
  for (size_t n : kLengths) {
    for (size_t z : {size_t{0}, size_t{1}, size_t{3}, n / 2, n > 0 ? n - 1 : 0, n}) {
      const size_t o = n - std::min(z, n);
      SCOPED_TRACE(testing::Message() << "zeros " << z << " ones " << o);
      Buf<V> v(std::max<size_t>(n, 1));  // exactly the value's bytes: no byte more written
      V::make(v.p(), static_cast<int>(z), static_cast<int>(o));
      const std::string want = std::string(z, '0') + std::string(o, '1');
      expect_bits(v, want.empty() ? "0" : want, true);  // 0 and 0 make the single bit 0
    }
  }
}

TYPED_TEST(BitOps, CompareAndLogicOverLengthPairs) {
  using V = TypeParam;
  for (size_t la : kLengths) {
    for (size_t lb : kLengths) {
      const std::string a = pattern(la, 3), b = pattern(lb, 11);
      SCOPED_TRACE(testing::Message() << "lengths " << la << " and " << lb);
      Buf<V> va = from_text<V>(a), vb = from_text<V>(b);
      EXPECT_EQ(V::cmp(va.p(), vb.p()), model_cmp(a, b));
      EXPECT_EQ(V::cmp(vb.p(), va.p()), model_cmp(b, a));
      EXPECT_EQ(V::cmp(va.p(), va.p()), 0);

      for (bool is_and : {true, false}) {
        SCOPED_TRACE(is_and ? "and" : "or");
        const std::string want = model_logic(a, b, is_and);
        Buf<V> res(want.size());
        (is_and ? V::band : V::bor)(va.p(), vb.p(), res.p());
        expect_bits(res, want, true);
        // The result may be written over an operand as big as the result.
        Buf<V> in_place = from_text<V>(a, want.size());
        (is_and ? V::band : V::bor)(in_place.p(), vb.p(), in_place.p());
        expect_bits(in_place, want, true);
      }
    }
  }
}

// Every operation on one string, over the lengths: the literal and the digit text, the
// complement, copy, hash key, search, bit test and count.
TYPED_TEST(BitOps, SingleOperandOverLengths) {
  using V = TypeParam;
  for (size_t n : kLengths) {
    for (const std::string& s : samples(n)) {
      SCOPED_TRACE(testing::Message() << "length " << n);
      Buf<V> v(n);
      std::string lit = s;
      EXPECT_EQ(V::lit(v.p(), lit.data()), lit.data() + lit.size());
      expect_bits(v, s, true);
      std::vector<char> out(n + 1 + kGuard, 'z');
      bits_to_asci(static_cast<int>(n), v.data(), out.data(), 0);
      EXPECT_EQ(std::string(out.data()), s);
      EXPECT_EQ(out[n + 1], 'z');

      Buf<V> dst(n);
      V::bnot(v.p(), dst.p());
      std::string flipped = s;
      for (char& c : flipped) c = c == '1' ? '0' : '1';
      expect_bits(dst, flipped, true);

      Buf<V> copy(n);
      V::copy(copy.p(), v.p());
      expect_bits(copy, s, false);
      EXPECT_TRUE(n || copy.data()[0] == kJunk);  // nothing past the value's own bytes

      void* key = nullptr;
      int key_len = -1;
      V::hash(v.p(), &key, &key_len);
      EXPECT_EQ(key, v.data());
      EXPECT_EQ(key_len, static_cast<int>((n + 7) / 8));

      const int ones = static_cast<int>(std::count(s.begin(), s.end(), '1'));
      for (int k : {0, -1, 1, 2, 3, ones, ones + 1}) {
        EXPECT_EQ(V::find(v.p(), k), model_find(s, k)) << "k " << k;
      }
      const int64_t ln = static_cast<int64_t>(n);
      for (int64_t i : Points{0, ln - 1, ln / 2, ln, ln + 1}) {
        if (i < 0) continue;
        const int want = i < ln && s[i] == '1' ? 1 : 0;
        EXPECT_EQ(V::test(v.p(), static_cast<int>(i)), want) << "bit " << i;
      }
      if constexpr (std::is_same_v<V, Wide>) {
        EXPECT_EQ(count_bit(v.p()), ones);
      }
    }
  }
}

TYPED_TEST(BitOps, RangeOverLengths) {
  using V = TypeParam;
  for (size_t n : kLengths) {
    const std::string s = pattern(n, 5);
    Buf<V> v = from_text<V>(s);
    const int64_t ln = static_cast<int64_t>(n);
    for (int64_t start : Points{0, 1, 7, 8, 9, ln - 1, ln, ln + 3}) {
      if (start < 0) continue;
      for (int64_t count : Points{0, 1, 7, 8, 9, 17, ln, ln - start}) {
        if (count < 0) continue;
        SCOPED_TRACE(testing::Message()
                     << "length " << n << " start " << start << " count " << count);
        Buf<V> dst(static_cast<size_t>(count));
        V::range(v.p(), static_cast<int>(start), static_cast<int>(count), dst.p());
        expect_bits(dst, model_range(s, size_t(start), size_t(count)), false);
        EXPECT_TRUE(count || dst.data()[0] == kJunk);  // no data byte touched
      }
    }
    // Taking a subrange into the source's own buffer.
    if (n > 9) {
      Buf<V> self = from_text<V>(s);
      V::range(self.p(), 9, static_cast<int>(n - 9), self.p());
      expect_bits(self, s.substr(9), false);
    }
  }
}

TEST(Bits2Replace, OverLengths) {
  for (size_t n : kLengths) {
    const std::string d = pattern(n, 13);
    for (size_t m : {size_t{0}, size_t{1}, size_t{7}, size_t{9}, size_t{17}, n}) {
      const std::string s = pattern(m, 17);
      const int64_t ln = static_cast<int64_t>(n);
      for (int64_t pos : Points{0, 1, 7, 8, 9, ln - 1, ln, ln + 1}) {
        if (pos < 0 || pos > 65535) continue;
        SCOPED_TRACE(testing::Message() << "dst " << n << " src " << m << " pos " << pos);
        std::string want = d;
        for (int64_t i = 0; i < int64_t(m) && pos + i < ln; ++i) want[pos + i] = s[i];
        Buf<Narrow> vd = from_text<Narrow>(d), vs = from_text<Narrow>(s);
        bits2_replace(vd.p(), vs.p(), static_cast<uint16_t>(pos));
        expect_bits(vd, want, false);
      }
    }
  }
}

TEST(BitsSingle, AddAndDeleteOverLengths) {
  for (size_t n : kLengths) {
    const std::string s = pattern(n, 19);
    const int64_t ln = static_cast<int64_t>(n);
    for (int64_t i : Points{0, ln - 1, ln, ln + 1, ln + 7, ln + 8, ln + 9}) {
      if (i < 0) continue;
      SCOPED_TRACE(testing::Message() << "length " << n << " bit " << i);
      Buf<Wide> v = from_text<Wide>(s, static_cast<size_t>(i) + 1);
      // Junk beyond the value's bytes must not leak into the lengthened string.
      std::fill(v.data() + (n + 7) / 8, v.data() + v.data_bytes, kJunk);
      add_single_bit(v.p(), static_cast<int>(i));
      std::string want = padded(s, static_cast<size_t>(std::max(i + 1, ln)));
      want[i] = '1';
      expect_bits(v, want, false);

      Buf<Wide> w = from_text<Wide>(s);
      del_single_bit(w.p(), static_cast<int>(i));
      std::string cleared = s;
      if (i < ln) cleared[i] = '0';
      expect_bits(w, cleared, false);
    }
  }
}

TYPED_TEST(BitOps, LiteralRepetitionAndWhereTheScanStops) {
  using V = TypeParam;
  for (const qdtest::Row& r : qdtest::read_cases("bits/literals.txt", 3)) {
    SCOPED_TRACE(r[0]);
    Buf<V> v(64);
    std::string lit = r[0];
    EXPECT_EQ(V::lit(v.p(), lit.data()) - lit.data(), qdtest::num(r[2]));
    expect_bits(v, r[1], true);
  }
}

TEST(BitsLiteral, Bits2StopsGrowingAtItsLargestLength) {
  for (const char* text :
       {"1(65535)", "1(65536)", "1(99999999999999999999)", "1(65535)1", "1(65534)1"}) {
    SCOPED_TRACE(text);
    Buf<Narrow> v(65535);
    std::string lit = text;
    EXPECT_EQ(lit_to_bits2(v.p(), lit.data()), lit.data() + lit.size());
    expect_bits(v, std::string(65535, '1'), true);
  }
}

TEST(BitsDigits, Limit) {
  for (const qdtest::Row& r : qdtest::read_cases("bits/digits.txt", 3)) {
    Buf<Wide> v = from_text<Wide>(r[0]);
    const int limit = static_cast<int>(qdtest::num(r[1]));
    char out[32];
    std::memset(out, 'z', sizeof out);
    bits_to_asci(static_cast<int>(r[0].size()), v.data(), out, limit);
    EXPECT_EQ(std::string(out), r[2]) << r[0] << " limit " << limit;
    if (limit > 0 && limit < static_cast<int>(sizeof out)) {
      EXPECT_EQ(out[limit], 'z');  // limit bytes used at most
    }
  }
}

TYPED_TEST(BitOps, CompareTrailingZerosAndPrefixes) {
  using V = TypeParam;
  for (const qdtest::Row& r : qdtest::read_cases("bits/compare.txt", 3)) {
    Buf<V> a = from_text<V>(r[0]), b = from_text<V>(r[1]);
    const int want = static_cast<int>(qdtest::num(r[2]));
    EXPECT_EQ(V::cmp(a.p(), b.p()), want) << r[0] << " vs " << r[1];
    EXPECT_EQ(V::cmp(b.p(), a.p()), -want) << r[1] << " vs " << r[0];
    EXPECT_EQ(sub_bit_compare(static_cast<int>(r[0].size()), a.data(),
                              static_cast<int>(r[1].size()), b.data()),
              want);
  }
}

// Lengths outside what a header holds: cut at the largest length, negatives read as 0.
TEST(BitsCases, LengthsOutsideTheHeader) {
  Buf<Narrow> big(65535);
  make_bits2(big.p(), 65535, 65535);
  expect_bits(big, std::string(65535, '0'), true);
  Buf<Wide> neg(8);
  make_bits(neg.p(), -4, 2);
  expect_bits(neg, "11", true);

  Buf<Wide> w = from_text<Wide>("101010101");
  Buf<Narrow> n = from_text<Narrow>("101010101");
  EXPECT_EQ(qd::bits_value_size(w.p()), 6u);
  EXPECT_EQ(qd::bits2_value_size(n.p()), 4u);
  Wide::set_len(w.p(), -5);
  EXPECT_EQ(qd::bits_length(w.p()), 0);
}

}  // namespace
