// Tests of value comparison: null codes, same-type and mixed-type rules, blank
// extension, the sort routines, blobs, tuples, and case-free text order.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "qdtype32/qdtype32.h"
#include "runtime/byteio.h"
#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace {

constexpr int kAll = 0x7fffffff;

// A typed value in a byte buffer, built without the library.
struct Value {
  int code;
  std::vector<unsigned char> bytes;
  void* p() { return bytes.data(); }
};

template <class T>
Value num(int code, T v) {
  Value r{code, std::vector<unsigned char>(sizeof(T))};
  std::memcpy(r.bytes.data(), &v, sizeof v);
  return r;
}
Value i32(int32_t v) { return num(1, v); }
Value i16(int16_t v) { return num(6, v); }
Value i8(int8_t v) { return num(5, v); }
Value boolean(int8_t v) { return num(11, v); }
Value dbl(double v) { return num(2, v); }
Value flt(float v) { return num(7, v); }
Value text(int code, const std::string& s) {
  Value r{code, std::vector<unsigned char>(s.begin(), s.end())};
  r.bytes.push_back(0);
  return r;
}
Value chr(const std::string& s) { return text(4, s); }
Value binchar(const std::string& s) {
  Value r{12, std::vector<unsigned char>(4 + s.size())};
  int32_t n = static_cast<int32_t>(s.size());
  std::memcpy(r.bytes.data(), &n, 4);
  if (!s.empty()) std::memcpy(r.bytes.data() + 4, s.data(), s.size());
  return r;
}
// A decimal from its digit text ("-12345") and scale.
Value fix(const std::string& digits, int scale) {
  bool neg = digits[0] == '-';
  std::string d = neg ? digits.substr(1) : digits;
  int p = static_cast<int>(d.size());
  Value r{3, std::vector<unsigned char>(2 + (p + 1) / 2)};
  r.bytes[0] = static_cast<unsigned char>((neg ? 0x80 : 0) | p);
  r.bytes[1] = static_cast<unsigned char>(scale);
  for (int i = 1; i <= p; ++i) {
    int digit = d[p - i] - '0';
    unsigned char& b = r.bytes[2 + (i - 1) / 2];
    b |= (i % 2) ? digit << 4 : digit;
  }
  return r;
}
Value bits(const std::string& b, int code = 14) {
  const size_t header = code == 14 ? 4 : 2;
  Value r{code, std::vector<unsigned char>(header + (b.size() + 7) / 8)};
  uint32_t n = static_cast<uint32_t>(b.size());
  std::memcpy(r.bytes.data(), &n, header);
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i] == '1') r.bytes[header + i / 8] |= static_cast<unsigned char>(0x80 >> (i % 8));
  }
  return r;
}

int cmp(Value a, Value b, int la = kAll, int lb = kAll) {
  return compare(a.p(), a.code, b.p(), b.code, la, lb);
}

TEST(Compare, Nulls) {
  Value x = i32(1);
  EXPECT_EQ(compare(nullptr, 1, x.p(), 1, kAll, kAll), -2);
  EXPECT_EQ(compare(nullptr, 15, x.p(), 1, kAll, kAll), -3);
  EXPECT_EQ(compare(x.p(), 1, nullptr, 15, kAll, kAll), 3);
  EXPECT_EQ(compare(x.p(), 1, nullptr, 1, kAll, kAll), 2);
  EXPECT_EQ(compare(nullptr, 1, nullptr, 1, kAll, kAll), -4);
  EXPECT_EQ(compare(nullptr, 1, nullptr, 15, kAll, kAll), 0);
  EXPECT_EQ(compare(nullptr, 15, nullptr, 4, kAll, kAll), 0);
}

TEST(Compare, SameAndMixedTypes) {
  struct Case {
    Value a, b;
    int expected;
  } cases[] = {
      {i32(-5), i32(3), -1},
      {i32(INT32_MIN), i32(INT32_MAX), -1},
      {i16(-1), i16(1), -1},
      {i8(-128), i8(127), -1},
      {boolean(1), boolean(0), 1},
      {dbl(2.5), dbl(2.5), 0},
      {dbl(-0.0), dbl(0.0), 0},
      {flt(1.5f), flt(1.25f), 1},
      {fix("15", 1), fix("150", 2), 0},
      {fix("15", -2), fix("1500", 0), 0},
      {fix("-2", 0), fix("-10", 0), 1},
      {fix("", 0), fix("-000", 0), 1},  // a zero with its sign bit ranks below 0
      {chr("abc"), chr("abc  "), 0},
      {chr("abc"), chr("abd"), -1},
      {chr("ab\t"), chr("ab"), -1},  // the tab sorts below the blank it is compared with
      {chr("\xe9"), chr("a"), 1},    // unsigned bytes
      {text(29, "x"), text(28, "x "), 0},
      {text(4, "b"), text(29, "a"), 1},
      {binchar("A"), binchar("A "), 0},
      {binchar("A"), binchar("A\x01"), 1},
      {binchar(std::string("a\0b", 3)), binchar(std::string("a\0c", 3)), -1},
      {bits("101"), bits("1010"), 0},
      {bits("1", 30), bits("01", 30), 1},
      // mixed types
      {i8(5), fix("500", 2), 0},
      {i16(-3), fix("-25", 1), -1},
      {i32(2147483647), fix("2147483647", 0), 0},
      {fix("1", 1), flt(0.1f), 0},              // narrowed: both are floats
      {fix("1000001", 7), flt(0.1000001f), 1},  // scale 7: compared as doubles
      {fix("1", 1), dbl(0.1), 0},
      {i32(3), dbl(2.5), 1},
      {flt(2.5f), dbl(2.5), 0},
      {i8(-1), i32(-1), 0},
      {boolean(1), i16(2), -1},
      {chr("ab"), binchar("ab  "), 0},
      {chr("ab"), text(29, "abc"), -1},
      {binchar("\x80"), bits("1"), 0},
      {bits("1"), bits("10", 30), 0},
      {bits("11"), bits("1", 30), 1},
      {chr("10"), i32(10), 0},  // strings and numbers do not mix: nothing is read
  };
  for (Case& c : cases) {
    EXPECT_EQ(cmp(c.a, c.b), c.expected) << c.a.code << " vs " << c.b.code;
    EXPECT_EQ(cmp(c.b, c.a), -c.expected) << c.b.code << " vs " << c.a.code << " swapped";
  }
  // Length limits: both at 2, abc and abd agree; only a's at 2, "ab " sorts first.
  EXPECT_EQ(cmp(chr("abc"), chr("abd"), 2, 2), 0);
  EXPECT_EQ(cmp(chr("abc"), chr("abd"), 2, kAll), -1);
  EXPECT_EQ(cmp(chr("ab"), chr("ab   x"), kAll, 4), 0);
  EXPECT_EQ(cmp(chr("abc"), chr("abc"), 0, 0), 0);
  // Every numeric pair: 7 as each type against 8 as each type.
  std::vector<Value> sevens = {i8(7), i16(7), i32(7), dbl(7), flt(7), fix("70", 1)};
  std::vector<Value> eights = {i8(8), i16(8), i32(8), dbl(8), flt(8), fix("800", 2)};
  for (Value& s : sevens) {
    for (Value& e : eights) {
      EXPECT_EQ(cmp(s, e), -1) << s.code << " vs " << e.code;
      EXPECT_EQ(cmp(e, s), 1) << e.code << " vs " << s.code;
    }
    for (Value& t : sevens) EXPECT_EQ(cmp(s, t), 0) << s.code << " vs " << t.code;
  }
}

TEST(Compare, SortRoutines) {
  for (int code : {10, 15, 16}) EXPECT_EQ(comp_func(code, 0), nullptr) << code;
  for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 28, 29, 30}) {
    EXPECT_NE(comp_func(code, 0), nullptr) << code;
  }
  Value a = chr("ab"), b = chr("ab c");
  EXPECT_EQ(comp_func(4, 0)(a.p(), b.p()), ' ' - 'c');  // differences, not only signs
  Value x = chr("B"), y = chr("a");
  EXPECT_LT(comp_func(29, 0)(x.p(), y.p()), 0);
  unsigned char saved[256];
  std::memcpy(saved, qd_sort_order, 256);
  qd_sort_order['B'] = 'a' + 1;  // B after a
  EXPECT_GT(comp_func(29, 1)(x.p(), y.p()), 0);
  std::memcpy(qd_sort_order, saved, 256);
  EXPECT_EQ(give_sortorder(), qd_sort_order);
  Value f1 = fix("15", 1), f2 = fix("16", 1);
  EXPECT_EQ(comp_func(3, 0)(f1.p(), f2.p()), -1);
}

Value blob(uint32_t first, int32_t seg, uint8_t flag, int8_t tail, uint32_t third, uint16_t fourth,
           uint8_t same) {
  Value v{13, std::vector<unsigned char>(20, 0xee)};
  qd::store(v.p(), first);
  qd::store(v.bytes.data() + 4, seg);
  v.bytes[8] = flag;
  v.bytes[9] = static_cast<unsigned char>(tail);
  qd::store(v.bytes.data() + 12, third);
  qd::store(v.bytes.data() + 16, fourth);
  v.bytes[18] = same;
  return v;
}

int g_content_calls = 0;
void content_cmp(void*, void*, int* result) {
  ++g_content_calls;
  *result = 42;
}

TEST(Compare, Blobs) {
  struct Case {
    Value a, b;
    int expected;
  } cases[] = {
      {blob(1, 0, 0, 0, 0, 0, 0), blob(2, 0, 0, 0, 0, 0, 0), -1},
      {blob(0xffffffff, 0, 0, 0, 0, 0, 0), blob(1, 0, 0, 0, 0, 0, 0), 1},  // unsigned
      {blob(1, -5, 0, 0, 0, 0, 7), blob(1, 3, 0, 0, 0, 0, 7), -1},
      {blob(1, 3, 1, 0, 0, 0, 7), blob(1, 3, 0, 0, 0, 0, 7), 1},
      {blob(1, 3, 2, 0, 0, 0, 7), blob(1, 3, 0, 0, 0, 0, 7), 0},  // only bit 0 counts
      {blob(1, 3, 0, -2, 0, 0, 7), blob(1, 3, 0, 5, 0, 0, 7), -7},
      {blob(1, 3, 0, 0, 0, 0, 7), blob(1, 3, 0, 0, 0, 0, 8), 1},  // ids not comparable
      {blob(1, 3, 0, 0, 9, 0, 7), blob(1, 3, 0, 0, 0xffffff00, 0, 7), -1},
      {blob(1, 3, 0, 0, 9, 2, 7), blob(1, 3, 0, 0, 9, 1, 7), 1},
      {blob(1, 3, 0, 0, 9, 2, 7), blob(1, 3, 0, 0, 9, 2, 7), 0},
  };
  for (Case& c : cases) EXPECT_EQ(blob_cmp(c.a.p(), c.b.p()), c.expected);
  Value a = blob(1, 3, 0, 0, 9, 2, 7), b = blob(1, 3, 0, 0, 9, 2, 7);
  EXPECT_EQ(cmp(a, b), 0);
  // Without the setting no content routine is installed.
  qd::config_reset_for_test();
  qdtest::TempDir dir;
  std::string ini = dir.write("qdwin.ini", "[QDWIN]\nOTHER=1\n");
  win_set_ini_name(ini.c_str());
  EXPECT_EQ(set_blob_content_cmp(content_cmp), nullptr);
  EXPECT_EQ(blob_cmp(a.p(), b.p()), 0);
  EXPECT_EQ(g_content_calls, 0);
  qd::config_reset_for_test();
}

// A tuple of fields (null when the optional is empty) laid out as stored rows are.
std::vector<unsigned char> tuple(const std::vector<std::vector<unsigned char>>& fields,
                                 const std::vector<bool>& nulls) {
  const size_t n = fields.size();
  std::vector<unsigned char> t(2 * (n + 1));
  for (size_t i = 0; i < n; ++i) {
    uint16_t off = static_cast<uint16_t>(t.size());
    std::memcpy(&t[2 * i], &off, 2);
    if (!nulls[i]) t.insert(t.end(), fields[i].begin(), fields[i].end());
  }
  uint16_t end = static_cast<uint16_t>(t.size());
  std::memcpy(&t[2 * n], &end, 2);
  return t;
}

TEST(Compare, Tuples) {
  short keys[] = {2, 0, 1, 1, 4};  // field 0 integer, field 1 char
  auto row = [](int32_t v, const char* s) {
    return tuple({i32(v).bytes, chr(s ? s : "").bytes}, {false, s == nullptr});
  };
  struct Case {
    std::vector<unsigned char> a, b;
    int result;
    char flag;
  } cases[] = {
      {row(1, nullptr), row(1, "x"), -2, 0}, {row(1, "x"), row(1, nullptr), 2, 0},
      {row(2, "a"), row(1, "b"), 1, 1},      {row(1, "b"), row(2, "a"), -1, 1},
      {row(1, "x"), row(1, "x"), 0, 1},      {row(1, nullptr), row(1, nullptr), 0, 0},
      {row(1, "x "), row(1, "x"), 0, 1},
  };
  for (Case& c : cases) {
    char flag = 9;
    EXPECT_EQ(ipr_tuplecmp(c.a.data(), c.b.data(), keys, keys, &flag), c.result);
    EXPECT_EQ(flag, c.flag);
    EXPECT_EQ(ipr_tuplecmp(c.a.data(), c.b.data(), keys, keys, nullptr), c.result);
  }
  // A null first key does not end the walk unless its type is nulltyp; the first key
  // that differs stays the result.
  short null_first[] = {2, 1, 4, 0, 1};
  auto r1 = row(5, nullptr), r2 = row(3, "y");
  char flag = 9;
  EXPECT_EQ(ipr_tuplecmp(r1.data(), r2.data(), null_first, null_first, &flag), -1);
  EXPECT_EQ(flag, 1);
  short nulltyp_first[] = {2, 1, 15, 0, 1};
  EXPECT_EQ(ipr_tuplecmp(r1.data(), r2.data(), nulltyp_first, nulltyp_first, &flag), -1);
  EXPECT_EQ(flag, 1);
}

// Random pairs of (integer, nullable char) rows against an order written here: by the
// integer, then null first, then the text.
TEST(Compare, TuplesAgreeWithAnIndependentKey) {
  std::mt19937 rng(11);
  short keys[] = {2, 0, 1, 1, 4};
  auto sign = [](int x) { return (x > 0) - (x < 0); };
  for (int i = 0; i < 3000; ++i) {
    int32_t n[2];
    std::string s[2];
    bool null_s[2];
    std::vector<unsigned char> t[2];
    for (int k = 0; k < 2; ++k) {
      n[k] = static_cast<int32_t>(rng() % 5) - 2;
      s[k] = std::string(1 + rng() % 3, static_cast<char>('a' + rng() % 3));
      null_s[k] = rng() % 5 == 0;
      t[k] = tuple({i32(n[k]).bytes, chr(s[k]).bytes}, {false, null_s[k]});
    }
    int want = n[0] != n[1]             ? sign(n[0] - n[1])
               : null_s[0] != null_s[1] ? (null_s[0] ? -1 : 1)
               : null_s[0]              ? 0
                                        : sign(s[0].compare(s[1]));
    EXPECT_EQ(sign(ipr_tuplecmp(t[0].data(), t[1].data(), keys, keys, nullptr)), want)
        << n[0] << (null_s[0] ? "/null" : "/" + s[0]) << " vs " << n[1]
        << (null_s[1] ? "/null" : "/" + s[1]);
  }
}

TEST(Compare, Addresses) {
  unsigned char a[28], b[28];
  for (int i = 0; i < 28; ++i) a[i] = b[i] = static_cast<unsigned char>(i);
  EXPECT_EQ(addrcmp(a, b), 0);
  EXPECT_EQ(mtacmp(a, b), 0);
  b[14] = 99;  // not significant for either
  b[15] = 99;
  EXPECT_EQ(mtacmp(a, b), 0);
  b[13] = 99;
  EXPECT_EQ(addrcmp(a, b), 1);
  b[13] = 13;
  b[27] = 0;
  EXPECT_EQ(addrcmp(a, b), 0);
  EXPECT_EQ(mtacmp(a, b), 1);
}

TEST(Compare, CaseFreeText) {
  struct Case {
    const char *a, *b;
    int ic;
  } cases[] = {
      {"abc", "ABC", 0},        {"abc", "abd", 'C' - 'D'}, {"ab", "abc", -'c'}, {"abc", "ab", 'c'},
      {"\xe9", "a", -23 - 'A'}, {"[", "a", '[' - 'A'},     {"", "", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ic_strcmp(const_cast<char*>(c.a), const_cast<char*>(c.b)), c.ic) << c.a;
  }
  EXPECT_EQ(ic_strncmp(const_cast<char*>("ab"), const_cast<char*>("AB"), 5), 0);
  EXPECT_EQ(ic_strncmp(const_cast<char*>("abX"), const_cast<char*>("ABY"), 2), 0);
  EXPECT_EQ(ic_strncmp(const_cast<char*>("x"), const_cast<char*>("y"), 0), 0);
  EXPECT_NE(ic_strncmp(const_cast<char*>("abX"), const_cast<char*>("ABY"), 3), 0);
  EXPECT_EQ(uplowstrcmp(const_cast<char*>("SELECT"), const_cast<char*>("select")), 0);
  EXPECT_EQ(uplowstrcmp(const_cast<char*>("select"), const_cast<char*>("SELECT")), 's' - 'S');
  EXPECT_EQ(uplowstrcmp(const_cast<char*>("SELECT"), const_cast<char*>("SELEC")), 't');
  EXPECT_EQ(uplowstrcmp(const_cast<char*>("A1"), const_cast<char*>("a2")), '1' - '2');
  EXPECT_EQ(uplowstrcmp(const_cast<char*>("\xe9"), const_cast<char*>("e")), -23 - 'e');
}

// Texts that end right before an unreadable page: the word-at-a-time scan must never
// touch it, at any length and alignment.
TEST(Compare, TextsEndingAtAPageEdgeAreReadSafely) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  // Pages: text a, guard, text b, guard.
  auto* mem = static_cast<unsigned char*>(
      mmap(nullptr, 4 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(mem, MAP_FAILED);
  ASSERT_EQ(mprotect(mem + page, page, PROT_NONE), 0);
  ASSERT_EQ(mprotect(mem + 3 * page, page, PROT_NONE), 0);
  unsigned char* end_a = mem + page;
  unsigned char* end_b = mem + 3 * page;
  for (size_t len = 0; len < 70; ++len) {
    for (int differ = 0; differ < 2; ++differ) {
      char* a = reinterpret_cast<char*>(end_a - len - 1);
      char* b = reinterpret_cast<char*>(end_b - len - 1);
      std::memset(a, 'k', len);
      std::memset(b, 'k', len);
      a[len] = b[len] = 0;
      if (differ && len > 0) b[len - 1] = 'z';
      const int expected = differ && len > 0 ? -1 : 0;
      EXPECT_EQ(compare(a, 4, b, 29, kAll, kAll), expected) << len;
      EXPECT_EQ(compare(b, 29, a, 4, kAll, kAll), -expected) << len;
      // A shorter second text: the longer one's rest is read against blanks.
      if (len > 1) {
        EXPECT_EQ(compare(a, 4, b + 1, 4, kAll, kAll), differ ? -1 : 1) << len;
      }
    }
  }
  munmap(mem, 4 * page);
}

}  // namespace
