// Tests of value comparison: null codes, same-type and mixed-type rules, blank
// extension, the sort routines, blobs, tuples, and case-free text order.

#include <iomanip>
#include <utility>

#include "base/byteio.h"
#include "decimal/fixtest.h"
#include "qdtype32/qdtype32.h"
#include "runtime/runtime_internal.h"
#include "test_support.h"
#include "types/types_test_util.h"

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
// A decimal from its digit text ("-12345") and scale, the free half-byte of an odd
// precision zero.
Value fix(const std::string& digits, int scale) {
  fixtest::Fix f = fixtest::make(digits.c_str(), scale);
  const int p = f.b[0] & 0x7f;
  if (p & 1) f.b[2 + p / 2] &= 0xf0;
  return Value{3, std::vector<unsigned char>(f.b, f.b + 2 + (p + 1) / 2)};
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

// A value from its case-file form kind:text (see compare_values.txt).
Value value(const std::string& field) {
  const size_t colon = field.find(':');
  const std::string kind = field.substr(0, colon), t = field.substr(colon + 1);
  if (kind == "i8") return num(5, static_cast<int8_t>(std::stoi(t)));
  if (kind == "i16") return num(6, static_cast<int16_t>(std::stoi(t)));
  if (kind == "i32") return i32(static_cast<int32_t>(std::stoll(t)));
  if (kind == "bool") return num(11, static_cast<int8_t>(std::stoi(t)));
  if (kind == "dbl") return num(2, std::stod(t));
  if (kind == "flt") return num(7, std::stof(t));
  if (kind == "fix") return fix(t.substr(0, t.rfind(',')), std::stoi(t.substr(t.rfind(',') + 1)));
  if (kind == "chr") return chr(t);
  if (kind == "t29") return text(29, t);
  if (kind == "t28") return text(28, t);
  if (kind == "bin") return binchar(t);
  if (kind == "bits") return bits(t);
  EXPECT_EQ(kind, "bits30");
  return bits(t, 30);
}

int cmp(Value a, Value b, int la = kAll, int lb = kAll) {
  return compare(a.p(), a.code, b.p(), b.code, la, lb);
}

TEST(Compare, Nulls) {
  Value x = i32(1);
  for (const typetest::Row& c : typetest::read_cases("compare_nulls.txt")) {
    EXPECT_EQ(compare(c[0] == "null" ? nullptr : x.p(), std::stoi(c[1]),
                      c[2] == "null" ? nullptr : x.p(), std::stoi(c[3]), kAll, kAll),
              std::stoi(c[4]))
        << c[0] << "," << c[1] << " vs " << c[2] << "," << c[3];
  }
}

TEST(Compare, SameAndMixedTypes) {
  for (const typetest::Row& c : typetest::read_cases("compare_values.txt")) {
    const int expected = std::stoi(c[2]);
    EXPECT_EQ(cmp(value(c[0]), value(c[1])), expected) << c[0] << " vs " << c[1];
    EXPECT_EQ(cmp(value(c[1]), value(c[0])), -expected) << c[1] << " vs " << c[0] << " swapped";
  }
  // Every numeric pair: 7 as each type against 8 as each type.
  const std::vector<std::string> sevens = {"i8:7", "i16:7", "i32:7", "dbl:7", "flt:7", "fix:70,1"};
  const std::vector<std::string> eights = {"i8:8", "i16:8", "i32:8", "dbl:8", "flt:8", "fix:800,2"};
  for (const std::string& s : sevens) {
    for (const std::string& e : eights) {
      EXPECT_EQ(cmp(value(s), value(e)), -1) << s << " vs " << e;
      EXPECT_EQ(cmp(value(e), value(s)), 1) << e << " vs " << s;
    }
    for (const std::string& t : sevens) EXPECT_EQ(cmp(value(s), value(t)), 0) << s << " vs " << t;
  }
}

TEST(Compare, SortRoutines) {
  for (int code : {10, 15, 16}) EXPECT_EQ(comp_func(code, 0), nullptr) << code;
  for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 28, 29, 30}) {
    EXPECT_NE(comp_func(code, 0), nullptr) << code;
  }
  Value x = chr("B"), y = chr("a");
  EXPECT_LT(comp_func(29, 0)(x.p(), y.p()), 0);
  unsigned char saved[256];
  std::memcpy(saved, qd_sort_order, 256);
  qd_sort_order[static_cast<unsigned char>('B')] = 'a' + 1;  // B after a
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
  auto parse = [](const std::string& field) {
    std::istringstream in(field);
    long long f[7] = {};
    for (long long& x : f) in >> std::setbase(0) >> x;
    return blob(static_cast<uint32_t>(f[0]), static_cast<int32_t>(f[1]), static_cast<uint8_t>(f[2]),
                static_cast<int8_t>(f[3]), static_cast<uint32_t>(f[4]), static_cast<uint16_t>(f[5]),
                static_cast<uint8_t>(f[6]));
  };
  for (const typetest::Row& c : typetest::read_cases("compare_blobs.txt")) {
    Value a = parse(c[0]), b = parse(c[1]);
    EXPECT_EQ(blob_cmp(a.p(), b.p()), std::stoi(c[2])) << c[0] << " vs " << c[1];
  }
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
  short keys[] = {2, 0, 1, 1, 4};            // field 0 integer, field 1 char
  auto row = [](const std::string& field) {  // "1 x": the integer, then text or null
    const size_t blank = field.find(' ');
    const std::string s = field.substr(blank + 1);
    return tuple({i32(std::stoi(field)).bytes, chr(s == "null" ? "" : s).bytes},
                 {false, s == "null"});
  };
  for (const typetest::Row& c : typetest::read_cases("compare_tuples.txt")) {
    std::vector<unsigned char> a = row(c[0]), b = row(c[1]);
    char flag = 9;
    EXPECT_EQ(ipr_tuplecmp(a.data(), b.data(), keys, keys, &flag), std::stoi(c[2])) << c[0];
    EXPECT_EQ(flag, std::stoi(c[3])) << c[0];
    EXPECT_EQ(ipr_tuplecmp(a.data(), b.data(), keys, keys, nullptr), std::stoi(c[2]));
  }
  // A null first key does not end the walk unless its type is nulltyp; the first key
  // that differs stays the result.
  short null_first[] = {2, 1, 4, 0, 1};
  auto r1 = row("5 null"), r2 = row("3 y");
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
  for (const typetest::Row& c : typetest::read_cases("case_free.txt")) {
    std::string a = c[1], b = c[2];
    const int got = c[0] == "ic_strcmp"    ? ic_strcmp(a.data(), b.data())
                    : c[0] == "ic_strncmp" ? ic_strncmp(a.data(), b.data(), std::stoi(c[3]))
                                           : uplowstrcmp(a.data(), b.data());
    if (c[4] == "nonzero") {
      EXPECT_NE(got, 0) << c[0] << " " << c[1] << " " << c[2];
    } else {
      EXPECT_EQ(got, std::stoi(c[4])) << c[0] << " " << c[1] << " " << c[2];
    }
  }
}

// Texts that end right before an unreadable page: the word-at-a-time scan must never
// touch it, at any length and alignment.
TEST(Compare, TextsEndingAtAPageEdgeAreReadSafely) {
  // Pages: text a, guard, text b, guard.
  qdtest::GuardedPages mem(4);
  ASSERT_NE(mem.page(0), nullptr);
  unsigned char* end_a = mem.page(1);
  unsigned char* end_b = mem.page(3);
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
}

// Texts in allocations of their exact size, compared with limits far beyond them: no
// byte past a terminator is read (the address sanitizer and memcheck fail this test on a
// read past an allocation, which the guard pages above cannot catch inside a page).
TEST(Compare, NoTextIsReadPastItsTerminator) {
  const qd_cmp_fn by_code = comp_func(4, 0);
  for (size_t len = 0; len < 80; ++len) {
    for (size_t cut = 0; cut <= len; cut += (len > 8 ? 7 : 1)) {
      // b: a's first `cut` bytes, then (when shorter) its end, or a differing last byte.
      std::unique_ptr<char[]> a(new char[len + 1]), b(new char[cut + 1]);
      std::memset(a.get(), 'k', len);
      std::memset(b.get(), 'k', cut);
      a[len] = b[cut] = 0;
      int expected = cut < len ? 1 : 0;  // "kk..k" after its blanks beats a shorter run
      if (cut == len && len > 0) {
        b[len - 1] = 'z';
        expected = -1;
      }
      for (int limit : {kAll, static_cast<int>(len + 40), 1000000}) {
        SCOPED_TRACE(std::to_string(len) + "/" + std::to_string(cut) + "/" + std::to_string(limit));
        EXPECT_EQ(compare(a.get(), 4, b.get(), 29, limit, limit), expected);
        EXPECT_EQ(compare(b.get(), 28, a.get(), 4, limit, limit), -expected);
      }
      EXPECT_EQ(by_code(a.get(), b.get()) > 0, expected > 0);
      EXPECT_EQ(by_code(b.get(), a.get()) < 0, expected > 0);
    }
  }
}

// Texts of every length up to 70 in allocations of their exact size, differing at one
// position (or not at all), with the difference above or below, and a blank-padded twin:
// the block-wise search must find the first difference in every block and in the
// overlapping last block, and never read past either allocation.
TEST(Compare, FirstDifferenceInEveryBlock) {
  const qd_cmp_fn by_code = comp_func(4, 0);
  for (size_t len = 1; len <= 70; ++len) {
    for (size_t at = 0; at <= len; ++at) {
      for (int up : {1, -1}) {
        std::unique_ptr<char[]> a(new char[len + 1]), b(new char[len + 1]);
        for (size_t i = 0; i < len; ++i) a[i] = b[i] = static_cast<char>('a' + i % 23);
        a[len] = b[len] = 0;
        int expected = 0;
        if (at < len) {
          b[at] = static_cast<char>(a[at] + up);
          // A later difference the other way must not count.
          if (at + 1 < len) b[len - 1] = static_cast<char>(a[len - 1] - up);
          expected = -up;
        }
        SCOPED_TRACE(std::to_string(len) + "/" + std::to_string(at) + "/" + std::to_string(up));
        for (int limit : {kAll, static_cast<int>(len)}) {
          EXPECT_EQ(compare(a.get(), 4, b.get(), 4, limit, limit), expected);
          EXPECT_EQ(compare(b.get(), 29, a.get(), 29, limit, limit), -expected);
        }
        EXPECT_EQ(by_code(a.get(), b.get()), expected == 0 ? 0 : a[at] - b[at]);
        // The same text with blanks after it is equal; with a byte below a blank, after.
        std::unique_ptr<char[]> padded(new char[len + 4]);
        std::memcpy(padded.get(), a.get(), len);
        std::memcpy(padded.get() + len, "  \x1f", 4);
        EXPECT_EQ(compare(a.get(), 4, padded.get(), 4, kAll, static_cast<int>(len + 2)), 0);
        EXPECT_EQ(compare(a.get(), 4, padded.get(), 4, kAll, kAll), 1);
        EXPECT_EQ(by_code(padded.get(), a.get()) < 0, true);
      }
    }
  }
}

// A text of exactly the bytes given, in an allocation of that size: a read past it is
// caught by the sanitizers and memcheck.
std::unique_ptr<char[]> exact(const std::string& bytes) {
  std::unique_ptr<char[]> p(new char[bytes.size()]);
  std::memcpy(p.get(), bytes.data(), bytes.size());
  return p;
}

int limit(const std::string& field) {
  return field == "all" ? kAll : static_cast<int>(qdtest::num(field));
}

// Texts that end inside, at or just past a step of the walk, or only at their limits,
// against bytes near the blank; bytes after a terminator never count.
TEST(Compare, CharWalkEndsAndLimits) {
  for (const qdtest::Row& r : qdtest::cases("types/compare_texts.txt", "walk")) {
    SCOPED_TRACE(r[0] + " | " + r[1] + " | " + r[2] + " | " + r[3]);
    const auto a = exact(r[0]), b = exact(r[1]);
    const int la = limit(r[2]), lb = limit(r[3]), expected = std::stoi(r[4]);
    for (const auto& [ca, cb] : {std::pair{4, 4}, {29, 29}, {4, 29}, {28, 4}}) {
      EXPECT_EQ(compare(a.get(), ca, b.get(), cb, la, lb), expected) << ca << "/" << cb;
      EXPECT_EQ(compare(b.get(), cb, a.get(), ca, lb, la), -expected) << ca << "/" << cb;
    }
  }
}

// The sort routine of char texts returns the difference of the first differing bytes,
// not only its sign; compare gives the same order.
TEST(Compare, CharSortRoutineDifferences) {
  const qd_cmp_fn sort_char = comp_func(4, 0);
  for (const qdtest::Row& r : qdtest::cases("types/compare_texts.txt", "sort")) {
    SCOPED_TRACE(r[0] + " | " + r[1]);
    const auto a = exact(r[0]), b = exact(r[1]);
    const int expected = std::stoi(r[2]);
    EXPECT_EQ(sort_char(a.get(), b.get()), expected);
    EXPECT_EQ(sort_char(b.get(), a.get()), -expected);
    EXPECT_EQ(compare(a.get(), 4, b.get(), 4, kAll, kAll), (expected > 0) - (expected < 0));
  }
}

// Byte strings of every length up to 40 differing at one position, up or down, with a
// later difference the other way: the block search (now only byte strings and mixed
// operands use it) finds the first difference in each half of an eight-byte block and
// in the overlapping last block, with unsigned bytes.
TEST(Compare, ByteStringsFindTheirFirstDifference) {
  for (size_t len = 1; len <= 40; ++len) {
    for (size_t at = 0; at < len; ++at) {
      for (int up : {1, -1}) {
        std::string a(len, '\0'), b;
        for (size_t i = 0; i < len; ++i) a[i] = static_cast<char>(0x70 + i * 7);
        b = a;
        b[at] = static_cast<char>(a[at] + up);
        if (at + 1 < len) b[len - 1] = static_cast<char>(a[len - 1] - up);
        SCOPED_TRACE(std::to_string(len) + "/" + std::to_string(at) + "/" + std::to_string(up));
        Value x = binchar(a), y = binchar(b);
        EXPECT_EQ(compare(x.p(), 12, y.p(), 12, kAll, kAll), -up);
        EXPECT_EQ(compare(y.p(), 12, x.p(), 12, kAll, kAll), up);
        Value t = chr(a);  // a char text against a byte string: the same order
        EXPECT_EQ(compare(t.p(), 4, y.p(), 12, static_cast<int>(len), kAll), -up);
      }
    }
  }
}

}  // namespace
