// commuti_test.cpp: binchar text in both directions, bit string texts, and the bounded
// text copy and length check.

#include "qdtype32/qdbytes.h"
#include "qdtype32/qderr.h"
#include "test_support.h"
#include "types/bytes_internal.h"
#include "types/types_test_util.h"

namespace {

constexpr size_t kGuard = 16;
constexpr uint8_t kGuardByte = 0xA5;
constexpr uint32_t kMaxBytes = 32668;  // largest binchar, written out here on purpose

uint32_t count_of(const std::vector<uint8_t>& v) {
  uint32_t n;
  std::memcpy(&n, v.data(), 4);
  return n;
}

// A binchar buffer of the largest stored size followed by guard bytes.
std::vector<uint8_t> binchar_buffer() {
  std::vector<uint8_t> v(4 + kMaxBytes + kGuard, 0xEE);
  std::fill(v.end() - kGuard, v.end(), kGuardByte);
  return v;
}

bool guard_ok(const std::vector<uint8_t>& v) {
  for (size_t i = v.size() - kGuard; i < v.size(); ++i) {
    if (v[i] != kGuardByte) return false;
  }
  return true;
}

std::vector<uint8_t> binchar_of(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> v(4 + bytes.size());
  const uint32_t n = static_cast<uint32_t>(bytes.size());
  std::memcpy(v.data(), &n, 4);
  std::copy(bytes.begin(), bytes.end(), v.begin() + 4);
  return v;
}

TEST(HexToBinchar, Table) {
  for (const typetest::Row& c : typetest::read_cases("hex_to_binchar.txt")) {
    SCOPED_TRACE(c[0]);
    std::vector<uint8_t> v = binchar_buffer();
    const std::vector<uint8_t> bytes = typetest::hex_bytes(c[2]);
    std::string text = c[0];
    EXPECT_EQ(hex_to_binchar(v.data(), text.data()), std::stoi(c[1]));
    ASSERT_EQ(count_of(v), bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), v.begin() + 4));
  }
}

// The largest value and texts past it; the largest value prints back to its text, and
// one byte less when the size is one short of the whole text.
TEST(HexToBinchar, LargestValueAndOnePast) {
  for (const typetest::Row& row : typetest::read_cases("hex_to_binchar_largest.txt")) {
    const size_t digits = std::stoul(row[0]);
    SCOPED_TRACE(digits);
    std::string text;
    for (size_t i = 0; i < digits; ++i) text += "0123456789abcdef"[(i / 2 + i) % 16];
    std::vector<uint8_t> v = binchar_buffer();
    EXPECT_EQ(hex_to_binchar(v.data(), text.data()), std::stoi(row[1]));
    EXPECT_EQ(count_of(v), std::stoul(row[2]));
    EXPECT_TRUE(guard_ok(v));  // bytes past the limit are counted, not stored
    const std::string last = text.substr(2 * (kMaxBytes - 1), 2);  // the last stored byte
    EXPECT_EQ(v[3 + kMaxBytes], std::stoul(last.size() == 2 ? last : last + "0", nullptr, 16));
    if (digits != 2 * kMaxBytes) continue;
    std::vector<char> out(2 + text.size() + 1 + kGuard, 'z');
    binchar_to_string(out.data(), v.data(), 0);
    EXPECT_EQ(std::string(out.data()), "0x" + text);
    EXPECT_EQ(out[2 + text.size() + 1], 'z');
    binchar_to_string(out.data(), v.data(), static_cast<unsigned>(2 + text.size()));
    EXPECT_EQ(std::string(out.data()), "0x" + text.substr(0, text.size() - 2));
  }
}

TEST(BincharToString, EverySmallSize) {
  std::vector<uint8_t> v = binchar_of({0x01, 0xab, 0xcd});
  for (const typetest::Row& c : typetest::read_cases("binchar_to_string.txt")) {
    SCOPED_TRACE(c[0]);
    const unsigned size = static_cast<unsigned>(std::stoi(c[0]));
    char out[32];
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(binchar_to_string(out, v.data(), size), out);
    EXPECT_EQ(out, c[1]);
    // Nothing past the caller's size, except the prefix and NUL that are always written.
    const size_t used = size == 0 ? 9 : std::max<size_t>(size, 3);
    for (size_t i = used; i < sizeof out; ++i) ASSERT_EQ(out[i], 'z') << i;
  }
  std::vector<uint8_t> empty = binchar_of({});
  char out[8];
  EXPECT_STREQ(binchar_to_string(out, empty.data(), 0), "0x");
  EXPECT_STREQ(binchar_to_string(out, empty.data(), 8), "0x");
}

TEST(Binchar, CopyHashAndByteCopy) {
  std::vector<uint8_t> src = binchar_of({1, 2, 3, 4, 5});
  std::vector<uint8_t> dst(4 + 5 + kGuard, kGuardByte);
  EXPECT_EQ(binchar_copy(dst.data(), src.data()), dst.data());
  EXPECT_TRUE(std::equal(src.begin(), src.end(), dst.begin()));
  EXPECT_TRUE(guard_ok(dst));

  void* data = nullptr;
  unsigned len = 0;
  binchar_hash(src.data(), &data, &len);
  EXPECT_EQ(data, src.data() + 4);
  EXPECT_EQ(len, 5u);

  char a[4] = {'a', 'b', 'c', 'd'};
  char b[4] = {'w', 'x', 'y', 'z'};
  binstrcpy(b, a, 0);
  binstrcpy(b, a, -1);
  EXPECT_EQ(std::string(b, 4), "wxyz");
  binstrcpy(b, a, 3);
  EXPECT_EQ(std::string(b, 4), "abcz");
}

TEST(BitsToString, SizesAndWidths) {
  // "101101": six bits, byte 0xb4; the same bytes after a 4-byte and a 2-byte count.
  const uint8_t wide[] = {6, 0, 0, 0, 0xb4};
  const uint8_t narrow[] = {6, 0, 0xb4};
  for (const typetest::Row& c : typetest::read_cases("bits_to_string.txt")) {
    const int size = std::stoi(c[0]);
    char out[64];
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(bits_to_string(out, const_cast<uint8_t*>(wide), size), c[1]) << size;
    if (size > 0) {
      EXPECT_EQ(out[std::max(size, 3)], 'z') << size;
    }
    EXPECT_EQ(bits2_to_string(out, const_cast<uint8_t*>(narrow), size), c[1]) << size;
  }
  const uint8_t empty[] = {0, 0, 0, 0, 0};
  char out[8];
  EXPECT_STREQ(bits_to_string(out, const_cast<uint8_t*>(empty), 0), "0b");
  EXPECT_STREQ(bits2_to_string(out, const_cast<uint8_t*>(empty), 8), "0b");
}

TEST(BoundedText, CopyAndLengthCheck) {
  for (const typetest::Row& c : typetest::read_cases("bounded_text.txt")) {
    SCOPED_TRACE(testing::Message() << c[0] << " max " << c[1]);
    const int max = std::stoi(c[1]), want = std::stoi(c[2]);
    std::string text = c[0];
    EXPECT_EQ(qd_strlen(text.data(), max), want);
    const size_t room = max >= 0 ? static_cast<size_t>(max) + 1 : 0;
    std::vector<char> dst(room + kGuard, 'z');
    EXPECT_EQ(qd_strncpy(dst.data(), text.data(), max), want);
    if (want == 0) {
      EXPECT_EQ(dst.data(), c[0]);
    } else {
      EXPECT_EQ(dst[0], 'z');  // left alone
    }
    for (size_t i = room; i < dst.size(); ++i) ASSERT_EQ(dst[i], 'z');
  }
  EXPECT_EQ(qd_strlen(nullptr, 5), 11025);
  // With the message switch off the check still fails.
  no_merror();
  char text[] = "too long";
  EXPECT_EQ(qd_strlen(text, 2), 11025);
  yes_merror();
  // The check stops one character past max: an unterminated text is refused unread beyond.
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(qd_strlen(unterminated, 2), 11025);
}

}  // namespace
