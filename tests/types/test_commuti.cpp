// test_commuti.cpp: binchar text in both directions, bit string texts, and the bounded
// text copy and length check.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "qdtype32/qdbytes.h"
#include "qdtype32/qderr.h"
#include "types/bytes_internal.h"

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
  struct Case {
    const char* text;
    int result;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"0aFF", 0, {0x0a, 0xff}},
      {"abc", 0, {0xab, 0xc0}},  // a lone last digit is the high half
      {"12 junk", 0, {0x12}},    // nothing after white space is looked at
      {"1 2", 0, {0x10}},
      {"12\t", 0, {0x12}},
      {"12\n", 0, {0x12}},
      {"12g", 1, {0x12}},
      {"1g", 1, {0x10}},
      {"", 0, {}},
      {" 12", 0, {}},
      {"0x12", 1, {0x00}},  // the caller strips the prefix
      {"ABCDEF0123456789", 0, {0xab, 0xcd, 0xef, 0x01, 0x23, 0x45, 0x67, 0x89}},
      {"a\xc3", 1, {0xa0}},  // characters of 128 and above end the digits and fail
      {"\xc3\xa9", 1, {}},
      {"-1", 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<uint8_t> v = binchar_buffer();
    std::string text = c.text;
    EXPECT_EQ(hex_to_binchar(v.data(), text.data()), c.result);
    ASSERT_EQ(count_of(v), c.bytes.size());
    EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), v.begin() + 4));
  }
}

// The largest value and texts past it; the largest value prints back to its text, and
// one byte less when the size is one short of the whole text.
TEST(HexToBinchar, LargestValueAndOnePast) {
  struct Case {
    size_t digits;
    int result;
    uint32_t count;
  } cases[] = {
      {2 * kMaxBytes, 0, kMaxBytes},
      {2 * kMaxBytes - 1, 0, kMaxBytes},      // last byte from a lone digit
      {2 * kMaxBytes + 1, 1, kMaxBytes + 1},  // a lone digit past the limit
      {2 * kMaxBytes + 2, 1, kMaxBytes + 1},
      {2 * kMaxBytes + 200, 1, kMaxBytes + 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digits);
    std::string text;
    for (size_t i = 0; i < c.digits; ++i) text += "0123456789abcdef"[(i / 2 + i) % 16];
    std::vector<uint8_t> v = binchar_buffer();
    EXPECT_EQ(hex_to_binchar(v.data(), text.data()), c.result);
    EXPECT_EQ(count_of(v), c.count);
    EXPECT_TRUE(guard_ok(v));  // bytes past the limit are counted, not stored
    const std::string last = text.substr(2 * (kMaxBytes - 1), 2);  // the last stored byte
    EXPECT_EQ(v[3 + kMaxBytes], std::stoul(last.size() == 2 ? last : last + "0", nullptr, 16));
    if (c.digits != 2 * kMaxBytes) continue;
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
  const char* want[] = {
      "0x01abcd",                                      // 0: no limit
      "0x",       "0x",       "0x",       "0x",        // 1..4: only the prefix fits
      "0x01",     "0x01",                              // 5, 6
      "0x01ab",   "0x01ab",                            // 7, 8
      "0x01abcd", "0x01abcd", "0x01abcd", "0x01abcd",  // 9..12
  };
  for (unsigned size = 0; size < std::size(want); ++size) {
    SCOPED_TRACE(size);
    char out[32];
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(binchar_to_string(out, v.data(), size), out);
    EXPECT_STREQ(out, want[size]);
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
  struct Case {
    int size;
    const char* want;
  } cases[] = {{0, "0b101101"}, {-1, "0b101101"}, {1, "0b"},       {2, "0b"},
               {3, "0b"},       {4, "0b1"},       {6, "0b101"},    {8, "0b10110"},
               {9, "0b101101"}, {10, "0b101101"}, {50, "0b101101"}};
  for (const Case& c : cases) {
    char out[64];
    std::memset(out, 'z', sizeof out);
    EXPECT_STREQ(bits_to_string(out, const_cast<uint8_t*>(wide), c.size), c.want) << c.size;
    if (c.size > 0) {
      EXPECT_EQ(out[std::max(c.size, 3)], 'z') << c.size;
    }
    EXPECT_STREQ(bits2_to_string(out, const_cast<uint8_t*>(narrow), c.size), c.want) << c.size;
  }
  const uint8_t empty[] = {0, 0, 0, 0, 0};
  char out[8];
  EXPECT_STREQ(bits_to_string(out, const_cast<uint8_t*>(empty), 0), "0b");
  EXPECT_STREQ(bits2_to_string(out, const_cast<uint8_t*>(empty), 8), "0b");
}

TEST(BoundedText, CopyAndLengthCheck) {
  struct Case {
    const char* text;
    int max;
    int want;
  } cases[] = {
      {"abc", 3, 0},   {"abc", 4, 0},   {"abcd", 3, 11025}, {"", 0, 0},
      {"a", 0, 11025}, {"", -1, 11025}, {"abc", -1, 11025}, {"abc", INT32_MIN, 11025},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " max " << c.max);
    std::string text = c.text;
    EXPECT_EQ(qd_strlen(text.data(), c.max), c.want);
    const size_t room = c.max >= 0 ? static_cast<size_t>(c.max) + 1 : 0;
    std::vector<char> dst(room + kGuard, 'z');
    EXPECT_EQ(qd_strncpy(dst.data(), text.data(), c.max), c.want);
    if (c.want == 0) {
      EXPECT_STREQ(dst.data(), c.text);
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
