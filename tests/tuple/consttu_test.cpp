// consttu_test.cpp: tuple layouts under the three alignment settings, templates, limits
// and refusals, rows ordered by ipr_tuplecmp, merge lists, build_cvi and demo_type.
#include <cctype>
#include <iterator>

#include "platform/platform.h"
#include "qderror.h"
#include "report_support.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr unsigned char kUnwritten = 0xee;

Bytes hex(std::istream& in) {
  Bytes out;
  for (std::string w; in >> w && w[0] != '#';) out.push_back(std::stoi(w, nullptr, 16) & 0xff);
  return out;
}

// A descriptor's text form, or a bare type code.
attrtype descriptor(const std::string& text) {
  attrtype t{};
  if (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-') {
    t.code = static_cast<int16_t>(std::stoi(text));
  } else {
    txt_to_attr(const_cast<char*>(text.c_str()), &t);
  }
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

// One case of tuple/cases.txt (its head says how cases are written).
struct Case {
  std::string name, report;
  static constexpr int kFieldCount = -99999;  // count not given: the number of fields
  int align = 0, error = 0, count = kFieldCount;
  bool tmpl = false;
  std::vector<attrtype> types;
  std::vector<Bytes> values;  // empty: a null field
  Bytes expected;
};

std::vector<Case> read_cases() {
  std::vector<Case> cases;
  std::ifstream in(std::string(QD_TEST_DATA_DIR) + "/tuple/cases.txt");
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string op, type, text;
    words >> op;
    if (op.empty() || op[0] == '#') continue;
    if (op == "case") cases.emplace_back();
    Case& c = cases.back();
    if (op == "case") words >> c.name;
    if (op == "align") words >> c.align;
    if (op == "count") words >> c.count;
    if (op == "error") std::getline(words >> c.error >> std::ws, c.report);
    if (op == "bytes") {
      const Bytes b = hex(words);
      c.expected.insert(c.expected.end(), b.begin(), b.end());
    }
    if (op == "repeat") {
      int k = 0;
      words >> k;
      c.types.insert(c.types.end(), k, c.types.back());
      c.values.insert(c.values.end(), k, c.values.back());
    }
    if (op != "field" && op != "raw" && op != "null" && op != "tmpl" && op != "text") continue;
    words >> type >> text;
    c.types.push_back(descriptor(type));
    c.tmpl = op == "tmpl";
    std::istringstream rest(text + " " + std::string(std::istreambuf_iterator<char>(words), {}));
    c.values.push_back(op == "raw"     ? hex(rest)
                       : op == "field" ? literal_value(c.types.back(), text)
                       : op == "text"  ? Bytes(std::stoul(text), 'x')
                                       : Bytes());
    if (op == "text") c.values.back().push_back(0);
  }
  EXPECT_GT(cases.size(), 40u);
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

// Reports read their texts from the installation's catalogues (share/).
using TupleTest = qdtest::ReportTest;

TEST_F(TupleTest, LayoutsLimitsAndRefusals) {
  for (const Case& c : read_cases()) {
    SCOPED_TRACE(c.name);
    qdxglob_val.tuple_align = c.align;
    std::vector<void*> values;
    for (const Bytes& v : c.values)
      values.push_back(v.empty() ? nullptr : const_cast<unsigned char*>(v.data()));
    init_qderr();
    Buffer b;
    const int n = c.count != Case::kFieldCount ? c.count : static_cast<int>(c.types.size());
    ASSERT_EQ(constr_tup(n, c.tmpl ? nullptr : values.data(), const_cast<attrtype*>(c.types.data()),
                         b.tuple()),
              c.error)
        << qd_errtxt_adr();
    EXPECT_TRUE(b.guards_intact());
    if (c.error != 0) {
      EXPECT_TRUE(qdtest::has(qd_errtxt_adr(), c.report));
      continue;
    }
    if (c.expected.empty()) continue;  // a limit case: only that it fits
    const size_t length = c.expected[2 * n] | c.expected[2 * n + 1] << 8;
    EXPECT_EQ(length, c.expected.size()) << "the case's bytes end at its end offset";
    EXPECT_EQ(Bytes(b.tuple(), b.tuple() + c.expected.size()), c.expected);
    EXPECT_EQ(b.tuple()[c.expected.size()], kUnwritten) << "written past the end";
  }
}

// req_align is the host's to change; an alignment that is no power of two still places
// a field, and the row's end, at the next multiple of it. Under the eight-byte setting
// none of these is cut down.
TEST_F(TupleTest, HostAlignmentsThatAreNoPowerOfTwo) {
  struct Restore {
    int32_t saved = req_align[1];
    ~Restore() { req_align[1] = saved; }
  } restore;
  qdxglob_val.tuple_align = 8;
  auto up = [](int pos, int a) { return (pos + a - 1) / a * a; };
  for (int a : {3, 5, 6, 7}) {
    req_align[1] = a;  // integer
    const int32_t i = 0x01020304;
    const unsigned char t = 9;
    void* values[] = {const_cast<unsigned char*>(&t), const_cast<int32_t*>(&i)};
    attrtype types[2]{};
    types[0].code = 5;  // tinyint
    types[1].code = 1;
    Buffer b;
    ASSERT_EQ(constr_tup(2, values, types, b.tuple()), 0) << a;
    auto offset = [&b](int k) { return b.tuple()[2 * k] | b.tuple()[2 * k + 1] << 8; };
    EXPECT_EQ(offset(1), up(offset(0) + 1, a)) << a;
    EXPECT_EQ(offset(2), up(offset(1) + 4, a)) << a;
    EXPECT_EQ(std::memcmp(b.tuple() + offset(1), &i, 4), 0) << a;
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
  EXPECT_TRUE(qdtest::has(qd_errtxt_adr(), "bb_constr_tup"));
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
      {1, "a", 2, "a", -1, 1},     {5, "ab", 5, "ab  ", 0, 1}, {5, "ab", 5, "ac", -2, 1},
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
TEST_F(TupleTest, TemplateDatetimeIsTheCurrentDatetime) {
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

// A merge entry: the numbers at bytes 16 and 20, the signed bytes 4 and 5, byte 3 (of 0
// to 3) and byte 11 (of 6 to 11); byte 12, never compared, tells equal entries apart.
struct Entry {
  int32_t n16, n20;
  int8_t b4, b5;
  uint8_t b3, b11, tag;
};

void put(qd_merge_list& l, const Entry& e) {
  unsigned char* p = l.entry[l.count++];
  std::memset(p, 0, QD_MERGE_ENTRY_SIZE);
  p[3] = e.b3, p[4] = e.b4, p[5] = e.b5, p[11] = e.b11, p[12] = e.tag;
  std::memcpy(p + 16, &e.n16, 4);
  std::memcpy(p + 20, &e.n20, 4);
}

TEST_F(TupleTest, MergeOrder) {
  // Pairs given in order: the first of each pair sorts first (or ties, when 'tie').
  struct {
    Entry first, second;
    bool tie;
  } rows[] = {
      {{-1, 9, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 0, 2}, false},       // byte 16, signed
      {{0, -5, 9, 9, 0, 0, 1}, {0, 3, 0, 0, 0, 0, 2}, false},       // then byte 20
      {{0, 0, -1, 9, 0, 0, 1}, {0, 0, 1, 0, 0, 0, 2}, false},       // then byte 4, signed
      {{0, 0, 1, -2, 0, 0, 1}, {0, 0, 1, 2, 0, 0, 2}, false},       // then byte 5, signed
      {{0, 0, 1, 1, 0x7f, 0, 1}, {0, 0, 1, 1, 0x80, 0, 2}, false},  // bytes 0-3, unsigned
      {{0, 0, 5, 0, 0, 1, 1}, {0, 0, 5, 0, 0, 2, 2}, false},        // bytes 6-11 above 4
      {{0, 0, 4, 0, 0, 9, 1}, {0, 0, 4, 0, 0, 1, 2}, true},         // not at 4: equal
  };
  for (auto& r : rows) {
    for (bool swapped : {false, true}) {
      qd_merge_list dst{}, src{};
      put(dst, swapped ? r.second : r.first);
      put(src, swapped ? r.first : r.second);
      ASSERT_EQ(mdb_merge(&dst, &src), 0);
      ASSERT_EQ(dst.count, 2u);
      // Equal entries keep dst's first (both kept); else the smaller leads from either list.
      EXPECT_EQ(dst.entry[0][12], r.tie && swapped ? 2 : 1) << (&r - rows) << swapped;
    }
  }
}

TEST_F(TupleTest, MergeCountsAndFullList) {
  auto list = [](int count, int start, unsigned char tag) {
    qd_merge_list l{};
    for (int i = 0; i < count; ++i) put(l, {start + 2 * i, 0, 0, 0, 0, 0, tag});
    return l;
  };
  qd_merge_list dst = list(40, 0, 1), src = list(25, 1, 2);
  const qd_merge_list before = dst;
  EXPECT_EQ(mdb_merge(&dst, &src), QDE_MERGE_LIST_FULL);
  EXPECT_EQ(0, std::memcmp(&dst, &before, sizeof dst)) << "dst unchanged";
  EXPECT_TRUE(qdtest::has(qd_errtxt_adr(), "more than 64 entries"));

  src = list(24, 1, 2);
  ASSERT_EQ(mdb_merge(&dst, &src), 0);
  ASSERT_EQ(dst.count, 64u);
  for (int i = 0; i < 64; ++i) {
    int32_t key;
    std::memcpy(&key, dst.entry[i] + 16, 4);
    EXPECT_EQ(key, i < 48 ? i : 48 + 2 * (i - 48)) << i;  // 0..47, then dst's 48 50 .. 78
  }
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
  for (int16_t count : {3, 1, 0, -4}) {  // a count below 1 collects nothing
    qd_cvi_source src{{}, count, {}, records.data()};
    int16_t out[4] = {99, 99, 99, 99};
    qd_cvi_target dst{55, out};
    const int expected = count < 0 ? 0 : count;
    EXPECT_EQ(build_cvi(&src, &dst), expected);
    EXPECT_EQ(dst.word, 0);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(out[k], k < expected ? numbers[k] : 99) << k;
  }
}

TEST_F(TupleTest, DemoTypeLine) {
  std::strcpy(qdxglob_val.trace_dir, dir_.path().c_str());
  std::strcpy(qdxglob_val.header_name1, "alice");
  std::memset(qdxglob_val.header_name2, 'h', sizeof qdxglob_val.header_name2);  // no zero
  qdxglob_val.trace_mode = 1;
  qdxglob_val.demo_switch = 0;
  EXPECT_EQ(demo_type("hidden %d\n", 1), 0);
  qdxglob_val.demo_switch = 1;
  EXPECT_EQ(demo_type("row %d of %s\n", 42, "t1"), 0);
  qd::channel_reset_for_test();
  const std::string pid = std::to_string(qd::plat::process_id());
  EXPECT_EQ(qdtest::read_file(dir_.file("qdk." + pid)),
            "QUARENDEL: alice@" + std::string(129, 'h') + "(" + pid + ")\nrow 42 of t1\n");
}

}  // namespace
