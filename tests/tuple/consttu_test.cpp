// consttu_test.cpp: tuple layouts under the three alignment settings, templates, limits
// and refusals, rows ordered by ipr_tuplecmp, merge lists, build_cvi and demo_type.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qderror.h"
#include "qdtype32/qdtype32.h"
#include "runtime/runtime_internal.h"
#include "status/status_internal.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr unsigned char kUnwritten = 0xee;

Bytes hex(std::istream& in) {
  Bytes out;
  for (std::string w; in >> w && w[0] != '#';) out.push_back(std::stoi(w, nullptr, 16) & 0xff);
  return out;
}

struct Case {
  std::string name;
  int align = 0;
  bool tmpl = false;
  std::vector<attrtype> types;
  std::vector<Bytes> values;  // empty: a null field
  Bytes expected;
};

attrtype descriptor(const std::string& text) {
  attrtype t{};
  txt_to_attr(const_cast<char*>(text.c_str()), &t);
  return t;
}

// A value as the host brings it: a literal, adapted to the column when its type differs.
Bytes literal_value(const attrtype& column, const std::string& text) {
  static unsigned char scanned[QD_TUPLE_MAX], adapted[QD_TUPLE_MAX];
  attrtype lt{};
  EXPECT_EQ(literal_to_binary(scanned, &lt, text.c_str()), 0) << text;
  if (lt.code == column.code) return Bytes(scanned, scanned + value_len(scanned, lt.code) + 1);
  qd_long n = 0;
  EXPECT_EQ(value_adapt_type(lt.code, scanned, &column, adapted, &n), 0) << text;
  return Bytes(adapted, adapted + n);
}

std::vector<Case> read_layouts() {
  std::vector<Case> cases;
  std::ifstream in(std::string(QD_TEST_DATA_DIR) + "/tuple/layouts.txt");
  EXPECT_TRUE(in.is_open());
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string op, type;
    words >> op;
    if (op == "case") {
      cases.emplace_back();
      words >> cases.back().name;
      continue;
    }
    if (op.empty() || op[0] == '#') continue;
    Case& c = cases.back();
    if (op == "align") words >> c.align;
    if (op == "bytes") {
      Bytes b = hex(words);
      c.expected.insert(c.expected.end(), b.begin(), b.end());
    }
    if (op != "field" && op != "raw" && op != "null" && op != "tmpl") continue;
    words >> type;
    c.types.push_back(descriptor(type));
    c.tmpl = op == "tmpl";
    std::string text;
    if (op == "field") words >> text;
    c.values.push_back(op == "raw"     ? hex(words)
                       : op == "field" ? literal_value(c.types.back(), text)
                                       : Bytes());
  }
  EXPECT_GT(cases.size(), 30u);
  return cases;
}

// A tuple buffer of the largest size with guard bytes on both sides.
struct Buffer {
  Bytes block = Bytes(QD_TUPLE_MAX + 64, kUnwritten);
  unsigned char* tuple() { return block.data() + 32; }
  bool guards_intact() const {
    for (size_t i = 0; i < 32; ++i) {
      if (block[i] != kUnwritten || block[block.size() - 1 - i] != kUnwritten) return false;
    }
    return true;
  }
};

int build(const Case& c, Buffer& b) {
  std::vector<void*> values;
  for (const Bytes& v : c.values) values.push_back(v.empty() ? nullptr : const_cast<unsigned char*>(v.data()));
  return constr_tup(static_cast<int>(c.types.size()), c.tmpl ? nullptr : values.data(),
                    const_cast<attrtype*>(c.types.data()), b.tuple());
}

// Reports read their texts from the installation's catalogues (share/).
class TupleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qd::config_reset_for_test();
    win_set_ini_name(dir_.write("qdwin.ini", std::string("[QDWIN]\nQUARENDEL=") + QD_SHARE_DIR + "\n").c_str());
    init_qderr();
  }
  void TearDown() override {
    trace_pop();
    qd::config_reset_for_test();
  }
  qdtest::GlobalsScope globals_;
  qdtest::TempDir dir_;
};

TEST_F(TupleTest, LayoutsUnderEachAlignment) {
  for (const Case& c : read_layouts()) {
    qdxglob_val.tuple_align = c.align;
    Buffer b;
    ASSERT_EQ(build(c, b), 0) << c.name << ": " << qd_errtxt_adr();
    const size_t length = c.expected[2 * c.types.size()] | c.expected[2 * c.types.size() + 1] << 8;
    EXPECT_EQ(length, c.expected.size()) << c.name << ": the case's bytes end at its end offset";
    EXPECT_EQ(Bytes(b.tuple(), b.tuple() + c.expected.size()), c.expected) << c.name;
    EXPECT_EQ(b.tuple()[c.expected.size()], kUnwritten) << c.name << ": written past the end";
    EXPECT_TRUE(b.guards_intact()) << c.name;
  }
}

// Rows of n fields all of one code and value (or null), for the limits.
struct Row {
  std::vector<attrtype> types;
  std::vector<void*> values;
  Row(int n, int code, void* value) : types(n, attrtype{}), values(n, value) {
    for (auto& t : types) t.code = static_cast<int16_t>(code);
  }
};

TEST_F(TupleTest, LimitsOfTheRecord) {
  std::string text(32667, 'x');  // 4 table bytes + 32667 + 1 = 32672: fits exactly
  std::string over(32668, 'x');
  std::string big(32670, 'y');
  int seven = 7;
  struct {
    const char* what;
    int align, n, code;
    void* value;
    int expected;
  } rows[] = {
      {"a text filling the record", 0, 1, 4, text.data(), 0},
      {"one character more", 0, 1, 4, over.data(), QDE_TUPLE_TOO_LONG},
      {"the largest table of nulls", 8, 16335, 15, nullptr, 0},
      {"one null more", 0, 16336, 15, nullptr, QDE_TUPLE_TOO_LONG},
      {"integers up to the limit", 0, 5445, 1, &seven, 0},  // 10892 + 21780 = 32672
      {"one integer more", 0, 5446, 1, &seven, QDE_TUPLE_TOO_LONG},
      {"a negative count", 0, -1, 1, &seven, QDE_TUPLE_TOO_LONG},
  };
  for (auto& r : rows) {
    qdxglob_val.tuple_align = r.align;
    Row row(r.n < 0 ? 0 : r.n, r.code, r.value);
    Buffer b;
    EXPECT_EQ(constr_tup(r.n, row.values.data(), row.types.data(), b.tuple()), r.expected) << r.what;
    EXPECT_TRUE(b.guards_intact()) << r.what;
  }
  // A 32670-character text among other fields.
  attrtype types[3] = {{1, {}, 0, 0}, {4, {}, 0, 0}, {6, {}, 0, 0}};
  short two = 2;
  void* values[3] = {&seven, big.data(), &two};
  Buffer b;
  EXPECT_EQ(constr_tup(3, values, types, b.tuple()), QDE_TUPLE_TOO_LONG);
  EXPECT_NE(std::string(qd_errtxt_adr()).find("at most 32672 bytes"), std::string::npos);
  EXPECT_TRUE(b.guards_intact());
}

TEST_F(TupleTest, RefusedFields) {
  unsigned char value[32] = {1, 2, 3, 4};
  unsigned char bad_range[12] = {0x25, 0x04};                  // low 5 above high 2
  unsigned char huge_binchar[8] = {0xff, 0xff, 0xff, 0xff, 1};  // count 4294967295
  struct {
    const char* type;  // descriptor text, or a bare code
    void* value;       // null: a template
    int expected;
    const char* report;
  } rows[] = {
      {"money", value, QDE_TYPE_NOT_STORABLE, "Type code 10 has no stored form"},
      {"16", value, QDE_TYPE_NOT_STORABLE, "Type code 16 has"},
      {"27", value, QDE_TYPE_NOT_STORABLE, "Type code 27 has"},
      {"31", value, QDE_TYPE_NOT_STORABLE, "Type code 31 has"},
      {"0", value, QDE_TYPE_NOT_STORABLE, "Type code 0 has"},
      {"-1", nullptr, QDE_TYPE_NOT_STORABLE, "Type code -1 has"},
      {"money", nullptr, QDE_TYPE_NOT_STORABLE, "Type code 10 has"},
      {"char(-1)", nullptr, QDE_TUPLE_TOO_LONG, "32672"},  // a length not given
      {"char(*)", nullptr, QDE_TUPLE_TOO_LONG, "32672"},  // the unspecified size is 32673
      {"fileref", nullptr, QDE_TUPLE_TOO_LONG, "32672"},
      {"binchar(*)", nullptr, QDE_TUPLE_TOO_LONG, "32672"},
      {"timespan[ss:hh]", nullptr, QDE_DT_RANGE, "low field code 3, high field code 1"},
      {"datetime", bad_range, QDE_DT_RANGE, "low field code 5, high field code 2"},
      {"binchar", huge_binchar, QDE_TUPLE_TOO_LONG, "32672"},
  };
  for (auto& r : rows) {
    attrtype t{};
    if (std::isdigit(static_cast<unsigned char>(r.type[0])) || r.type[0] == '-') {
      t.code = static_cast<int16_t>(std::atoi(r.type));
    } else {
      t = descriptor(r.type);
    }
    if (std::string(r.type) == "char(-1)") t.param[0] = t.param[1] = 0xff;
    init_qderr();
    void* values[1] = {r.value};
    Buffer b;
    EXPECT_EQ(constr_tup(1, r.value ? values : nullptr, &t, b.tuple()), r.expected) << r.type;
    EXPECT_NE(std::string(qd_errtxt_adr()).find(r.report), std::string::npos)
        << r.type << ": " << qd_errtxt_adr();
    EXPECT_TRUE(b.guards_intact()) << r.type;
  }
}

TEST_F(TupleTest, BareCodesUpTo256Fields) {
  std::vector<short> codes(257, 1);
  std::vector<int32_t> ints(257);
  std::vector<void*> values(257);
  for (int i = 0; i < 257; ++i) ints[i] = i * 1000, values[i] = &ints[i];
  qdxglob_val.tuple_align = 4;
  Buffer b;
  ASSERT_EQ(bb_constr_tup(256, values.data(), codes.data(), b.tuple()), 0);
  EXPECT_EQ(b.tuple()[0] | b.tuple()[1] << 8, 516);  // 514 table bytes, then aligned
  EXPECT_EQ(b.tuple()[512] | b.tuple()[513] << 8, 516 + 1024);
  int32_t last;
  std::memcpy(&last, b.tuple() + 516 + 1020, 4);
  EXPECT_EQ(last, 255000);

  Buffer refused;
  EXPECT_EQ(bb_constr_tup(257, values.data(), codes.data(), refused.tuple()), QDE_TUPLE_TOO_LONG);
  EXPECT_NE(std::string(qd_errtxt_adr()).find("bb_constr_tup"), std::string::npos);
  EXPECT_EQ(refused.tuple()[0], kUnwritten) << "nothing written for a refused row";

  // Rough descriptors: a numeric template is a zero without precision in 17 bytes.
  short rough[2] = {3, 4};
  qdxglob_val.tuple_align = 0;
  Buffer t;
  EXPECT_EQ(bb_constr_tup(1, nullptr, rough, t.tuple()), 0);
  EXPECT_EQ(Bytes(t.tuple(), t.tuple() + 6), (Bytes{4, 0, 21, 0, 0, 0}));
  EXPECT_EQ(bb_constr_tup(2, nullptr, rough, t.tuple()), QDE_TUPLE_TOO_LONG);  // char(*)
}

// Rows laid out by constr_tup sort with ipr_tuplecmp. The text comes first, so under
// alignment a null text would span the filler before the integer if it kept its place.
TEST_F(TupleTest, RowsCompareAsTuples) {
  struct {
    int a_int;
    const char* a_text;  // null: a null field
    int b_int;
    const char* b_text;
    int expected;
    char flag;
  } rows[] = {
      {1, nullptr, 1, "x", -2, 0}, {1, "x", 1, nullptr, 2, 0}, {2, "a", 1, "b", 1, 1},
      {1, "a", 2, "a", -1, 1},     {5, "ab", 5, "ab  ", 0, 1},  {5, "ab", 5, "ac", -2, 1},
  };
  attrtype types[2] = {{4, {}, 0, 0}, {1, {}, 0, 0}};
  short keys[5] = {2, 1, 1, 0, 4};  // the integer (field 1), then the text (field 0)
  for (int align : {0, 4, 8}) {
    qdxglob_val.tuple_align = align;
    for (auto& r : rows) {
      Buffer a, b;
      void* va[2] = {const_cast<char*>(r.a_text), &r.a_int};
      void* vb[2] = {const_cast<char*>(r.b_text), &r.b_int};
      ASSERT_EQ(constr_tup(2, va, types, a.tuple()), 0);
      ASSERT_EQ(constr_tup(2, vb, types, b.tuple()), 0);
      char flag = 9;
      EXPECT_EQ(ipr_tuplecmp(a.tuple(), b.tuple(), keys, keys, &flag), r.expected) << align;
      EXPECT_EQ(flag, r.flag) << align;
    }
  }
}

// A template datetime column holds the current datetime cast to its range.
TEST_F(TupleTest, DISABLED_TemplateDatetimeIsTheCurrentDatetime) {
  unsigned char now[24];
  ASSERT_EQ(dt_current(now), 0);
  attrtype t = descriptor("datetime[yy:dd]");
  qdxglob_val.tuple_align = 0;
  Buffer b;
  ASSERT_EQ(constr_tup(1, nullptr, &t, b.tuple()), 0) << qd_errtxt_adr();
  const unsigned char* v = b.tuple() + 4;
  EXPECT_EQ(b.tuple()[2], 16);
  EXPECT_EQ(v[0], 0x64);
  EXPECT_EQ(0, std::memcmp(v + 4, now + 4 + 2 * 4, 6)) << "day, month and year of now";
}

// ---- Merge lists ----------------------------------------------------------------------

struct Entry {
  int32_t n16, n20;
  int8_t b4, b5;
  unsigned char b0[4], b6[6];
  unsigned char tag;  // byte 12, not compared: tells equal entries apart
};

void put(qd_merge_list& l, const Entry& e) {
  unsigned char* p = l.entry[l.count++];
  std::memset(p, 0, QD_MERGE_ENTRY_SIZE);
  std::memcpy(p, e.b0, 4);
  p[4] = static_cast<unsigned char>(e.b4), p[5] = static_cast<unsigned char>(e.b5);
  std::memcpy(p + 6, e.b6, 6);
  p[12] = e.tag;
  std::memcpy(p + 16, &e.n16, 4);
  std::memcpy(p + 20, &e.n20, 4);
}

TEST_F(TupleTest, MergeOrder) {
  // Pairs given in order: the first of each pair sorts first (or ties, when 'tie').
  struct {
    Entry first, second;
    bool tie;
  } rows[] = {
      {{-1, 9, 0, 0, {}, {}, 1}, {0, 0, 0, 0, {}, {}, 2}, false},  // byte 16, signed
      {{0, -5, 9, 9, {}, {}, 1}, {0, 3, 0, 0, {}, {}, 2}, false},  // then byte 20
      {{0, 0, -1, 9, {}, {}, 1}, {0, 0, 1, 0, {}, {}, 2}, false},  // then byte 4, signed
      {{0, 0, 1, -2, {}, {}, 1}, {0, 0, 1, 2, {}, {}, 2}, false},  // then byte 5, signed
      {{0, 0, 1, 1, {1, 2, 3, 0x7f}, {}, 1}, {0, 0, 1, 1, {1, 2, 3, 0x80}, {}, 2}, false},
      {{0, 0, 5, 0, {}, {0, 0, 0, 0, 0, 1}, 1}, {0, 0, 5, 0, {}, {0, 0, 0, 0, 0, 2}, 2}, false},
      {{0, 0, 4, 0, {}, {9}, 1}, {0, 0, 4, 0, {}, {1}, 2}, true},  // bytes 6.. only above 4
  };
  for (auto& r : rows) {
    for (bool swapped : {false, true}) {
      qd_merge_list dst{}, src{};
      put(dst, swapped ? r.second : r.first);
      put(src, swapped ? r.first : r.second);
      ASSERT_EQ(mdb_merge(&dst, &src), 0);
      ASSERT_EQ(dst.count, 2u);
      // Ties keep dst's entry first; otherwise the smaller leads whichever list held it.
      const unsigned char lead = r.tie ? (swapped ? 2 : 1) : 1;
      EXPECT_EQ(dst.entry[0][12], lead) << "row " << (&r - rows) << (swapped ? " swapped" : "");
    }
  }
}

TEST_F(TupleTest, MergeCountsAndFullList) {
  auto list = [](int count, int start, unsigned char tag) {
    qd_merge_list l{};
    for (int i = 0; i < count; ++i) put(l, {start + 2 * i, 0, 0, 0, {}, {}, tag});
    return l;
  };
  qd_merge_list dst = list(40, 0, 1), src = list(25, 1, 2);
  const qd_merge_list before = dst;
  EXPECT_EQ(mdb_merge(&dst, &src), QDE_MERGE_LIST_FULL);
  EXPECT_EQ(0, std::memcmp(&dst, &before, sizeof dst)) << "dst unchanged";
  EXPECT_NE(std::string(qd_errtxt_adr()).find("more than 64 entries"), std::string::npos);

  src = list(24, 1, 2);
  ASSERT_EQ(mdb_merge(&dst, &src), 0);
  ASSERT_EQ(dst.count, 64u);
  for (int i = 0; i < 64; ++i) {
    int32_t key;
    std::memcpy(&key, dst.entry[i] + 16, 4);
    EXPECT_EQ(key, i < 48 ? i : 48 + 2 * (i - 48)) << i;  // 0..47, then dst's 48 50 .. 78
  }
  // Equal keys: all kept, dst's before src's.
  qd_merge_list a = list(3, 0, 1), b = list(3, 0, 2);
  ASSERT_EQ(mdb_merge(&a, &b), 0);
  ASSERT_EQ(a.count, 6u);
  EXPECT_EQ((Bytes{a.entry[0][12], a.entry[1][12], a.entry[2][12], a.entry[3][12]}),
            (Bytes{1, 2, 1, 2}));
  // An empty dst takes the whole of src, unused places included; an empty src is nothing.
  qd_merge_list empty{}, full = list(2, 0, 3);
  full.entry[63][0] = 0x5a;
  ASSERT_EQ(mdb_merge(&empty, &full), 0);
  EXPECT_EQ(0, std::memcmp(&empty, &full, sizeof full));
  qd_merge_list none{};
  ASSERT_EQ(mdb_merge(&full, &none), 0);
  EXPECT_EQ(full.count, 2u);
}

TEST_F(TupleTest, BuildCvi) {
  std::vector<unsigned char> records(3 * QD_CVI_RECORD_SIZE, 0xcc);
  const int16_t numbers[3] = {7, -2, 32767};
  for (int k = 0; k < 3; ++k) std::memcpy(&records[k * QD_CVI_RECORD_SIZE + 1], &numbers[k], 2);
  struct {
    int16_t count;
    int expected;
  } rows[] = {{3, 3}, {1, 1}, {0, 0}, {-4, 0}};
  for (auto& r : rows) {
    qd_cvi_source src{};
    src.count = r.count;
    src.records = records.data();
    int16_t out[4] = {99, 99, 99, 99};
    qd_cvi_target dst{55, out};
    EXPECT_EQ(build_cvi(&src, &dst), r.expected);
    EXPECT_EQ(dst.word, 0);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(out[k], k < r.expected ? numbers[k] : 99) << k;
  }
}

TEST_F(TupleTest, DemoTypeLine) {
  qdtest::TempDir dir;
  std::strcpy(qdxglob_val.trace_dir, dir.path().c_str());
  std::strcpy(qdxglob_val.header_name1, "alice");
  std::memset(qdxglob_val.header_name2, 'h', sizeof qdxglob_val.header_name2);  // no zero
  qdxglob_val.trace_mode = 1;
  qd::channel_reset_for_test();
  qdxglob_val.demo_switch = 0;
  EXPECT_EQ(demo_type("hidden %d\n", 1), 0);
  qdxglob_val.demo_switch = 1;
  EXPECT_EQ(demo_type("row %d of %s\n", 42, "t1"), 0);
  qd::channel_reset_for_test();
  const std::string pid = std::to_string(getpid());
  EXPECT_EQ(qdtest::read_file(dir.file("qdk." + pid)),
            "QUARENDEL: alice@" + std::string(129, 'h') + "(" + pid + ")\nrow 42 of t1\n");
}

}  // namespace
