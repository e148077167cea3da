// Tests of the accounting log: the line format and its budget, the generation files,
// the ERROR lines of the error status, concurrent writers, and the event-mask texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdarg>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "qderror.h"
#include "qdfid.h"
#include "runtime/acct_internal.h"
#include "runtime/coding.h"
#include "runtime/os_internal.h"
#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace {

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == sep) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines = split(text, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

// The nine fields of one line (without its line feed).
std::vector<std::string> fields_of(const std::string& line) { return split(line, '\t'); }

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class AcctTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qd::acct_reset_for_test();
    qd::config_reset_for_test();
    // The catalogues of the source tree, so that reports carry their texts and names.
    ini_ = dir_.write("qdwin.ini", std::string("[QDWIN]\nQUARENDEL=") + QD_SHARE_DIR + "\n");
    win_set_ini_name(ini_.c_str());
    log_ = dir_.file("acct.log");
    init_qderr();
  }
  void TearDown() override {
    qd::os_set_write_for_test(nullptr);
    qd::acct_set_open_for_test(nullptr);
    qd::acct_reset_for_test();
    qd::config_reset_for_test();
    trace_pop();
  }
  int open_log(qd_ulong events = ACCT_MASK_ALL, qd_long size = 32672, qd_long logon = 1) {
    acct_config config{events, logon, log_.c_str()};
    return acct_init(&config, size);
  }
  std::string log_text(const std::string& path = "") {
    return qdtest::read_file(path.empty() ? log_ : path);
  }
  std::vector<std::string> only_line() {
    std::vector<std::string> lines = lines_of(log_text());
    EXPECT_EQ(lines.size(), 1u);
    return lines.empty() ? std::vector<std::string>{} : fields_of(lines[0]);
  }
  qdtest::TempDir dir_;
  qdtest::GlobalsScope globals_;
  std::string ini_;
  std::string log_;
};

TEST_F(AcctTest, LineFieldsInOrder) {
  ASSERT_EQ(open_log(), 0);
  acct_set(7, 3, "alice", "db1", 4);
  const std::time_t before = std::time(nullptr);
  ASSERT_EQ(acct_write(ACCT_EV_LOGIN, 3, "first", "second", "third"), 0);
  const std::vector<std::string> f = only_line();
  ASSERT_EQ(f.size(), 9u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      f[0], m, std::regex(R"(datetime\[yy:ms\]\((\d+)-(\d+)-(\d+) (\d+):(\d+):(\d+)\.(\d{3})\))")))
      << f[0];
  std::tm local{};
  localtime_r(&before, &local);
  EXPECT_EQ(std::stoi(m[1]), local.tm_year + 1900);
  EXPECT_EQ(std::stoi(m[2]), local.tm_mon + 1);
  const std::vector<std::string> expected = {"'LOGIN'", "'first'", "7",        "'3:4'",
                                             "'alice'", "'db1'",   "'second'", "'third'"};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(f[i + 1], expected[i]) << i + 2;
  EXPECT_EQ(log_text().back(), '\n');
}

TEST_F(AcctTest, AbsentFieldsAreQuestionMarks) {
  ASSERT_EQ(open_log(), 0);
  struct Case {
    int count;
    const char* a;
    const char* b;
    const char* c;
    const char* f3;
    const char* f8;
    const char* f9;
  } cases[] = {
      {0, "x", "y", "z", "?", "?", "?"},         {1, "x", "y", "z", "'x'", "?", "?"},
      {2, "x", "y", "z", "'x'", "'y'", "?"},     {3, "x", "y", "z", "'x'", "'y'", "'z'"},
      {7, "x", "y", "z", "'x'", "'y'", "'z'"},  // at most three are read
      {3, nullptr, "", nullptr, "?", "''", "?"}, {-1, "x", "y", "z", "?", "?", "?"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(acct_write(ACCT_EV_CTXT, c.count, c.a, c.b, c.c), 0);
  }
  std::vector<std::string> lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), std::size(cases));
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> f = fields_of(lines[i]);
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(f[1], "'CTXT'");
    EXPECT_EQ(f[2], cases[i].f3) << i;
    EXPECT_EQ(f[7], cases[i].f8) << i;
    EXPECT_EQ(f[8], cases[i].f9) << i;
    for (int k = 3; k <= 6; ++k) EXPECT_EQ(f[k], "?") << "identity never set, field " << k + 1;
  }
}

TEST_F(AcctTest, IdentityFields) {
  ASSERT_EQ(open_log(), 0);
  const std::string long1(200, 'a'), long2(200, 'b');
  struct Step {
    qd_long number, first;
    const char* t1;
    const char* t2;
    qd_long second;
    const char* f4;
    const char* f5;
  } steps[] = {
      {0, -1, nullptr, nullptr, -1, "?", "?"},  // nothing taken
      {0, 5, nullptr, nullptr, -1, "?", "'5:0'"},
      {-3, -1, nullptr, nullptr, 9, "-3", "'5:9'"},
      {0, 0, nullptr, nullptr, -1, "-3", "'0:9'"},
      {2147483647, -1, nullptr, nullptr, -2147483647, "2147483647", "'0:-2147483647'"},
  };
  for (const Step& s : steps) {
    acct_set(s.number, s.first, s.t1, s.t2, s.second);
    ASSERT_EQ(acct_write(ACCT_EV_TA, 0), 0);
  }
  acct_set(0, -1, long1.c_str(), long2.c_str(), -1);
  ASSERT_EQ(acct_write(ACCT_EV_TA, 0), 0);
  acct_set(0, -1, "", nullptr, -1);
  ASSERT_EQ(acct_write(ACCT_EV_TA, 0), 0);
  std::vector<std::string> lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), std::size(steps) + 2);
  for (size_t i = 0; i < std::size(steps); ++i) {
    const std::vector<std::string> f = fields_of(lines[i]);
    EXPECT_EQ(f[3], steps[i].f4) << i;
    EXPECT_EQ(f[4], steps[i].f5) << i;
  }
  std::vector<std::string> f = fields_of(lines[5]);
  EXPECT_EQ(f[5], "'" + std::string(127, 'a') + "'");
  EXPECT_EQ(f[6], "'" + std::string(128, 'b') + "'");
  f = fields_of(lines[6]);
  EXPECT_EQ(f[5], "''");
  EXPECT_EQ(f[6], "'" + std::string(128, 'b') + "'");
}

TEST_F(AcctTest, TextsAreEscaped) {
  ASSERT_EQ(open_log(), 0);
  struct Case {
    const char* text;
    const char* written;
  } cases[] = {
      {"it's\tok", R"('it\'s\tok')"},
      {"back\\slash", R"('back\\slash')"},
      {"two\r\nlines\n", R"('two\r\nlines\n')"},
      {"\"double\" ?", R"('"double" ?')"},
      {"", "''"},
  };
  for (const Case& c : cases) ASSERT_EQ(acct_write(ACCT_EV_DML, 1, c.text), 0);
  std::vector<std::string> lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), std::size(cases));
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> f = fields_of(lines[i]);
    ASSERT_EQ(f.size(), 9u) << lines[i];
    EXPECT_EQ(f[2], cases[i].written);
  }
}

TEST_F(AcctTest, MultiByteCharactersAreCopiedWhole) {
  // 0x95 0x5C is one character in the JIS encoding: its second byte is no backslash
  // there; in a single-byte encoding it is, and is escaped.
  struct Case {
    int32_t encoding;
    const char* written;
  } cases[] = {
      {qd::kEncJis, "'\x95\x5C'"},
      {qd::kEncSinglebyte, "'\x95\\\x5C'"},
  };
  ASSERT_EQ(open_log(), 0);
  for (const Case& c : cases) {
    qdxglob_val.db_encoding = c.encoding;
    ASSERT_EQ(acct_write(ACCT_EV_APPLIC, 1, "\x95\x5C"), 0);
  }
  std::vector<std::string> lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), std::size(cases));
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(fields_of(lines[i])[2], cases[i].written);
}

TEST_F(AcctTest, BudgetCutsFieldsInThisLineOnly) {
  // Budget of a line: min(size, 32672) - 72 - 20. The date costs 20, an integer 4, a
  // text one per byte; a text stops before a byte that would leave 10 or fewer per
  // field still to come (event name: 7 to come, field 8: 1, field 9: none).
  const std::string x(40000, 'x');
  struct Case {
    qd_long size;
    bool number;     // whether the identity number is set
    const char* f1;  // "date" or "?"
    const char* f2;
    const char* f4;
    size_t f8;  // bytes of field 8 copied (-1: "?")
    size_t f9;
  } cases[] = {
      {200, false, "date", "'CONN'", "?", 0, 83},
      {165, false, "date", "''", "?", 0, 52},
      {111, false, "?", "''", "?", 0, 18},
      {95, true, "?", "''", "?", 0, 2},
      {96, true, "?", "''", "7", std::string::npos, std::string::npos},
      {93, false, "?", "''", "?", 0, 0},
      {92, false, "?", "?", "?", std::string::npos, std::string::npos},
      {-2147483647 - 1, false, "?", "?", "?", std::string::npos, std::string::npos},
      {100000, false, "date", "'CONN'", "?", 0, 32555},
      {32672, true, "date", "'CONN'", "7", 0, 32551},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    qd::acct_reset_for_test();
    std::filesystem::remove(log_);
    ASSERT_EQ(open_log(ACCT_MASK_ALL, c.size), 0);
    if (c.number) acct_set(7, -1, nullptr, nullptr, -1);
    ASSERT_EQ(acct_write(ACCT_EV_CONN, 3, "", "", x.c_str()), 0);
    const std::vector<std::string> f = only_line();
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(f[0] == "?" ? "?" : "date", std::string(c.f1)) << f[0];
    EXPECT_EQ(f[1], c.f2);
    EXPECT_EQ(f[3], c.f4);
    auto copied = [](const std::string& field) {
      return field == "?" ? std::string::npos : field.size() - 2;
    };
    EXPECT_EQ(copied(f[7]), c.f8);
    EXPECT_EQ(copied(f[8]), c.f9);
  }
}

TEST_F(AcctTest, FieldsStillToComeKeepTheirShare) {
  ASSERT_EQ(open_log(ACCT_MASK_ALL, 300), 0);
  const std::string y(500, 'y'), z(500, 'z');
  ASSERT_EQ(acct_write(ACCT_EV_CONN, 3, "", y.c_str(), z.c_str()), 0);
  const std::vector<std::string> f = only_line();
  ASSERT_EQ(f.size(), 9u);
  // 208 - 20 (date) - 4 (CONN) = 184: field 8 stops at 11 left, field 9 at 1.
  EXPECT_EQ(f[7], "'" + std::string(173, 'y') + "'");
  EXPECT_EQ(f[8], "'" + std::string(10, 'z') + "'");
}

TEST_F(AcctTest, EscapesOfAFullBudgetFitTheLine) {
  ASSERT_EQ(open_log(ACCT_MASK_ALL, 32672), 0);
  acct_set(1, 2, std::string(300, '\'').c_str(), std::string(300, '\\').c_str(), 3);
  const std::string quotes(40000, '\'');
  ASSERT_EQ(acct_write(ACCT_EV_STATS, 3, quotes.c_str(), quotes.c_str(), quotes.c_str()), 0);
  const std::vector<std::string> f = only_line();
  ASSERT_EQ(f.size(), 9u);
  // 32580 - 20 (date) - 5 (STATS) leaves 32555; field 3 stops at 61 (60 kept for the six
  // fields after it), the number takes 4, "2:3" 3, and each later text stops at 10 per
  // field still to come, 1 for the last. Every copied byte here is written as two.
  const std::vector<size_t> copied = {32494, 0, 3, 23, 10, 10, 10};
  const std::vector<int> at = {2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(f[3], "1");
  EXPECT_EQ(f[4], "'2:3'");
  for (size_t i = 0; i < at.size(); ++i) {
    if (at[i] == 3 || at[i] == 4) continue;
    EXPECT_EQ(f[at[i]].size(), 2 + 2 * copied[i]) << "field " << at[i] + 1;
  }
}

}  // namespace

namespace {

// A file system whose files hold at most g_limit bytes: a write that does not fit
// writes what fits, or fails as "file too large" when nothing fits.
std::mutex g_fake_mutex;
std::map<int, size_t> g_written;
size_t g_limit = 0;
int g_failures_left = 0;  // writes still to fail with g_failure_errno
int g_failure_errno = 0;
int g_partial = 0;  // bytes the next write writes (0: all)

int limited_write(int fd, const void* data, unsigned size) {
  std::lock_guard<std::mutex> lock(g_fake_mutex);
  if (g_failures_left > 0) {
    --g_failures_left;
    errno = g_failure_errno;
    return -1;
  }
  if (g_partial > 0) {
    size = std::min<unsigned>(size, static_cast<unsigned>(g_partial));
    g_partial = 0;
  }
  size_t& used = g_written[fd];
  if (g_limit) {
    if (used >= g_limit) {
      errno = EFBIG;
      return -1;
    }
    size = static_cast<unsigned>(std::min<size_t>(size, g_limit - used));
  }
  const int n = qd::plat::file_write_once(fd, data, size);
  if (n > 0) used += static_cast<size_t>(n);
  return n;
}

// Opens as the runtime does and notes how full the file already is.
int counting_open(const char* path, int flags, int mode) {
  const int fd = qd::os_open(path, flags, mode);
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  std::lock_guard<std::mutex> lock(g_fake_mutex);
  if (fd >= 0) g_written[fd] = ec ? 0 : static_cast<size_t>(size);
  return fd;
}

void use_fake_writes(size_t limit) {
  qd::acct_set_open_for_test(counting_open);
  std::lock_guard<std::mutex> lock(g_fake_mutex);
  g_written.clear();
  g_limit = limit;
  g_failures_left = 0;
  g_partial = 0;
  qd::os_set_write_for_test(limited_write);
}

TEST_F(AcctTest, FullFileMovesToTheNextGeneration) {
  use_fake_writes(400);
  ASSERT_EQ(open_log(), 0);
  EXPECT_EQ(qd::acct_generation(), 0);
  const std::string text(100, 'g');
  for (int i = 0; i < 9; ++i) {
    ASSERT_EQ(acct_write(ACCT_EV_DDL, 1, (text + std::to_string(i)).c_str()), 0);
  }
  // Every file but the last is full; the last holds the rest.
  std::vector<std::string> files = {log_text()};
  for (int g = 1; std::filesystem::exists(log_ + "." + std::to_string(g)); ++g) {
    files.push_back(log_text(log_ + "." + std::to_string(g)));
  }
  ASSERT_GE(files.size(), 3u);
  EXPECT_EQ(qd::acct_generation(), static_cast<int>(files.size()) - 1);
  std::string all;
  for (size_t g = 0; g < files.size(); ++g) {
    if (g + 1 < files.size()) {
      EXPECT_EQ(files[g].size(), 400u) << g;
    }
    EXPECT_LE(files[g].size(), 400u);
    all += files[g];
  }
  // A line that met a full file is split: its rest opens the next file.
  EXPECT_NE(files[0].back(), '\n');
  std::vector<std::string> lines = lines_of(all);
  ASSERT_EQ(lines.size(), 9u);
  for (int i = 0; i < 9; ++i) {
    const std::vector<std::string> f = fields_of(lines[static_cast<size_t>(i)]);
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(f[2], "'" + text + std::to_string(i) + "'");
  }
  // Later lines go on in the last file.
  const std::string last = log_ + "." + std::to_string(files.size() - 1);
  use_fake_writes(0);
  ASSERT_EQ(acct_write(ACCT_EV_DDL, 1, "later"), 0);
  EXPECT_EQ(fields_of(lines_of(log_text(last)).back())[2], "'later'");
  // A new configuration starts again with the base name.
  use_fake_writes(0);
  ASSERT_EQ(open_log(), 0);
  EXPECT_EQ(qd::acct_generation(), 0);
  ASSERT_EQ(acct_write(ACCT_EV_DDL, 1, "again"), 0);
  const std::string base = log_text();
  ASSERT_GT(base.size(), 400u);
  const std::vector<std::string> f = fields_of(lines_of(base.substr(400)).at(0));
  ASSERT_EQ(f.size(), 9u);
  EXPECT_EQ(f[2], "'again'");
}

int g_taken_left = 0;
std::vector<std::string> g_opened;
int taken_open(const char* path, int flags, int mode) {
  g_opened.push_back(path);
  if (g_taken_left > 0) {
    --g_taken_left;
    errno = 79;
    return -1;
  }
  return qd::os_open(path, flags, mode);
}

TEST_F(AcctTest, FilesRefusedAsTakenArePassedOver) {
  g_opened.clear();
  g_taken_left = 2;
  qd::acct_set_open_for_test(taken_open);
  ASSERT_EQ(open_log(), 0);
  EXPECT_EQ(g_opened, (std::vector<std::string>{log_, log_ + ".1", log_ + ".2"}));
  EXPECT_EQ(qd::acct_generation(), 2);
  EXPECT_EQ(errno, 0);
  ASSERT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  EXPECT_EQ(lines_of(log_text(log_ + ".2")).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(log_));
}

TEST_F(AcctTest, OpenFailure) {
  log_ = dir_.file("no/such/dir/acct.log");
  EXPECT_EQ(open_log(0x5), QDE_ACCT_OPEN_FAILED);
  const std::string report = qd_errtxt_adr();
  EXPECT_NE(report.find("The accounting log file " + log_ + " could not be opened (mode 438)."),
            std::string::npos)
      << report;
  EXPECT_EQ(qd::acct_descriptor(), -1);
  EXPECT_EQ(acct_act_logon, 1);               // taken before the open
  EXPECT_EQ(acct_act_events, 0u);             // not reached
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), 0);  // no file: nothing to write
}

TEST_F(AcctTest, IncompleteWriteIsReportedOnce) {
  use_fake_writes(0);
  ASSERT_EQ(open_log(), 0);
  const int fd = qd::acct_descriptor();
  init_qderr();
  {
    std::lock_guard<std::mutex> lock(g_fake_mutex);
    g_failures_left = 1000;
    g_failure_errno = EIO;
  }
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), QDE_ACCT_WRITE_INCOMPLETE);
  // Reporting 1836 tries an ERROR line, which fails too and only returns.
  const std::string report = qd_errtxt_adr();
  EXPECT_EQ(count_of(report, "could not be written completely"), 1) << report;
  EXPECT_NE(report.find("(descriptor " + std::to_string(fd) + ")"), std::string::npos);
  {
    std::lock_guard<std::mutex> lock(g_fake_mutex);
    g_failures_left = 0;
  }
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  EXPECT_EQ(lines_of(log_text()).size(), 1u);
}

TEST_F(AcctTest, InterruptedAndPartialWritesComplete) {
  use_fake_writes(0);
  ASSERT_EQ(open_log(), 0);
  {
    std::lock_guard<std::mutex> lock(g_fake_mutex);
    g_failures_left = 9;  // the tenth attempt succeeds
    g_failure_errno = EINTR;
  }
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 1, "interrupted"), 0);
  {
    std::lock_guard<std::mutex> lock(g_fake_mutex);
    g_partial = 10;
  }
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 1, "partial"), 0);
  std::vector<std::string> lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(fields_of(lines[0])[2], "'interrupted'");
  EXPECT_EQ(fields_of(lines[1])[2], "'partial'");
  {
    std::lock_guard<std::mutex> lock(g_fake_mutex);
    g_failures_left = 10;  // the first write gives up; the one more write succeeds
    g_failure_errno = EINTR;
  }
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 1, "second try"), 0);
  {
    std::lock_guard<std::mutex> lock(g_fake_mutex);
    g_failures_left = 20;  // both writes give up
  }
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), QDE_ACCT_WRITE_INCOMPLETE);
  // Reporting the failure wrote its ERROR line, the writes working again.
  lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(fields_of(lines[2])[2], "'second try'");
  EXPECT_EQ(fields_of(lines[3])[7], "'QDE_ACCT_WRITE_INCOMPLETE/QDF_ACCT_WRITE'");
}

TEST_F(AcctTest, ErrorLinesFromTheErrorStatus) {
  ASSERT_EQ(open_log(0x1), 0);
  EXPECT_EQ(trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, "1234.5", "numeric(5,2)"),
            QDE_VALUE_OVERFLOW);
  EXPECT_EQ(trace(QDE_NO_MEMORY, 0), QDE_NO_MEMORY);
  EXPECT_EQ(trace(-7, 0), -7);                   // no catalogue entry: an empty name
  EXPECT_EQ(trace(0, QDF_VALUE_ADAPT_TYPE), 0);  // a pure trace record is no error
  std::vector<std::string> lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), 3u);
  struct Expected {
    const char* word;
    const char* name;
  } expected[] = {
      {"'Soft'", "'QDE_VALUE_OVERFLOW/QDF_VALUE_ADAPT_TYPE'"},
      {"'Hard'", "'QDE_NO_MEMORY'"},
      {"'Soft'", "''"},
  };
  std::vector<std::string> f;
  for (size_t i = 0; i < lines.size(); ++i) {
    f = fields_of(lines[i]);
    ASSERT_EQ(f.size(), 9u);
    EXPECT_EQ(f[1], "'ERROR'");
    EXPECT_EQ(f[2], expected[i].word);
    EXPECT_EQ(f[7], expected[i].name);
  }
  // The last field is the report as it stands, its line ends escaped.
  f = fields_of(lines[1]);
  EXPECT_NE(f[8].find("Out of memory."), std::string::npos) << f[8];
  EXPECT_NE(f[8].find("\\n"), std::string::npos) << f[8];
  EXPECT_EQ(f[8].find('\n'), std::string::npos);
}

TEST_F(AcctTest, NoErrorLinesWhileOff) {
  struct Case {
    qd_ulong events;
    qd_long logon;
  } cases[] = {{0x2 | 0x4, 1}, {0x1, 0}, {0, 1}};
  for (const Case& c : cases) {
    ASSERT_EQ(open_log(c.events, 32672, c.logon), 0);
    trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, "1", "numeric(1)");
  }
  ASSERT_EQ(open_log(0x1), 0);
  ASSERT_EQ(acct_exit(), 0);
  trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, "1", "numeric(1)");
  EXPECT_EQ(log_text(), "");
}

TEST_F(AcctTest, ConcurrentWritersKeepTheirLinesWhole) {
  ASSERT_EQ(open_log(0x1), 0);
  constexpr int kThreads = 4;
  constexpr int kEach = 60;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::string mine = "thread " + std::to_string(t) + std::string(300, 'a' + t);
      for (int i = 0; i < kEach; ++i) {
        if (i % 2) {
          init_qderr();  // a report past 3000 characters would stop recording
          trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, mine.c_str(), "numeric(1)");
        } else {
          acct_write(ACCT_EV_APPLIC, 3, mine.c_str(), mine.c_str(), mine.c_str());
        }
      }
      trace_pop();
    });
  }
  for (std::thread& th : threads) th.join();
  std::vector<std::string> lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kEach));
  int errors = 0;
  for (const std::string& line : lines) {
    const std::vector<std::string> f = fields_of(line);
    ASSERT_EQ(f.size(), 9u) << line;
    if (f[1] == "'ERROR'") {
      ++errors;
      continue;
    }
    EXPECT_EQ(f[1], "'APPLIC'");
    EXPECT_EQ(f[2], f[7]);
    EXPECT_EQ(f[2], f[8]);
  }
  EXPECT_EQ(errors, kThreads * kEach / 2);
}

TEST_F(AcctTest, UnknownEvents) {
  ASSERT_EQ(open_log(), 0);
  for (int event : {-1, 10, 0x4000}) {
    init_qderr();
    EXPECT_EQ(acct_write(event, 1, "x"), QDE_ACCT_BAD_EVENT);
    const std::string report = qd_errtxt_adr();
    EXPECT_NE(report.find("Accounting event " + std::to_string(event) + " is unknown"),
              std::string::npos)
        << report;
  }
  // Only the ERROR lines of the three reports reached the file.
  std::vector<std::string> lines = lines_of(log_text());
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string& line : lines) {
    EXPECT_EQ(fields_of(line)[7], "'QDE_ACCT_BAD_EVENT/QDF_ACCT_WRITE'");
  }
}

TEST_F(AcctTest, ConfigurationWithoutAFile) {
  acct_config config{0x6, 1, "---"};
  ASSERT_EQ(acct_init(&config, 1000), 0);
  EXPECT_EQ(acct_act_events, 0x6u);
  EXPECT_EQ(acct_act_logon, 1);
  EXPECT_EQ(qd::acct_descriptor(), -1);
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path() + "/") || !std::filesystem::exists(log_));
  ASSERT_EQ(acct_init(nullptr, 1000), 0);  // a null configuration: off, no file
  EXPECT_EQ(acct_act_events, 0u);
  EXPECT_EQ(acct_act_logon, 0);
  // Logging off: the named file is not even opened.
  config = {0x6, 0, log_.c_str()};
  ASSERT_EQ(acct_init(&config, 1000), 0);
  EXPECT_FALSE(std::filesystem::exists(log_));
  EXPECT_EQ(acct_act_events, 0x6u);
}

TEST_F(AcctTest, ExitAndReconfigure) {
  ASSERT_EQ(open_log(0x3), 0);
  EXPECT_GE(qd::acct_descriptor(), 0);
  ASSERT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  const std::string second = dir_.file("second.log");
  acct_config config{0x2, 1, second.c_str()};
  ASSERT_EQ(acct_init(&config, 32672), 0);  // closes the first log
  ASSERT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  EXPECT_EQ(lines_of(log_text()).size(), 1u);
  EXPECT_EQ(lines_of(log_text(second)).size(), 1u);
  ASSERT_EQ(acct_exit(), 0);
  EXPECT_EQ(acct_act_events, 0u);
  EXPECT_EQ(acct_act_logon, 0);
  EXPECT_EQ(qd::acct_descriptor(), -1);
  EXPECT_EQ(acct_exit(), 0);
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  EXPECT_EQ(lines_of(log_text(second)).size(), 1u);
}

std::string g_printed;
int print_into(const char* format, ...) {
  EXPECT_STREQ(format, "%s%s");
  va_list ap;
  va_start(ap, format);
  const char* before = va_arg(ap, const char*);
  const char* name = va_arg(ap, const char*);
  va_end(ap);
  g_printed += std::string("[") + before + "|" + name + "]";
  return 0;
}

TEST(AcctMaskText, EvPrint) {
  struct Case {
    qd_ulong mask;
    const char* sep;
    const char* text;
    const char* printed;
  } cases[] = {
      {0x6, ",", "CONN,LOGIN", "[|CONN][,|LOGIN]"},
      {0, ",", "NONE", "[|NONE]"},
      {0x80, ",", "NONE", "[|NONE]"},  // no event has that bit
      {0x1C001, " + ", "ERROR + STATQ + STATS + CTXT", "[|ERROR][ + |STATQ][ + |STATS][ + |CTXT]"},
      {0xFFFFFFFF, "|", "ERROR|CONN|LOGIN|TA|APPLIC|DDL|DML|STATQ|STATS|CTXT", nullptr},
      {0x48, nullptr, "TADML", "[|TA][|DML]"},
  };
  for (const Case& c : cases) {
    char buffer[128] = "leftover";
    g_printed.clear();
    EXPECT_EQ(acct_evprint(print_into, buffer, c.mask, c.sep), 0);
    EXPECT_STREQ(buffer, c.text);
    if (c.printed) {
      EXPECT_EQ(g_printed, c.printed);
    }
  }
  char buffer[16];
  EXPECT_EQ(acct_evprint(nullptr, buffer, 0x10, ","), 0);
  EXPECT_STREQ(buffer, "APPLIC");
  g_printed.clear();
  EXPECT_EQ(acct_evprint(print_into, nullptr, 0x20, ","), 0);
  EXPECT_EQ(g_printed, "[|DDL]");
}

TEST(AcctMaskText, EvKeyScan) {
  constexpr qd_ulong kStart = 0x10;  // APPLIC, in the mask before the scan
  struct Case {
    const char* text;
    const char* delims;
    int result;
    qd_ulong mask;    // on success
    const char* bad;  // on failure: the text at the bad token
  } cases[] = {
      {"ALL -DML", " ", 0, 0xFFFFFFBF, nullptr},
      {"conn ddl", " ", 0, 0x22, nullptr},  // unsigned first name starts afresh
      {"+CONN", " ", 0, 0x12, nullptr},     // a signed one keeps the mask
      {"-applic +ta", " ", 0, 0x8, nullptr},
      {"CONN+DDL-DML", " ", 0, 0x22, nullptr},
      {"ALL-DML-DDL", ",", 0, 0xFFFFFF9F, nullptr},
      {"- APPLIC", " ", 0, 0x0, nullptr},  // a lone sign applies to the next name
      {"error,stats;ctxt", ",;", 0, 0x18001, nullptr},
      {"NONE", " ", 0, 0x0, nullptr},
      {"  ", " ", 0, kStart, nullptr},  // nothing to read
      {"CONN BOGUS", " ", -1, 0, "BOGUS"},
      {"CONN+BOGUS-DML", " ", -1, 0, "BOGUS-DML"},
      {"+CONN DDL", " ", -1, 0, "DDL"},  // unsigned after signed
      {"CONN +", " ", -1, 0, "+"},       // a sign without its name
      {"CONN+", " ", -1, 0, "+"},
      {"CONN DDL", ",", -1, 0, "CONN DDL"},  // the blank is no delimiter here
      {"ERRORS", " ", -1, 0, "ERRORS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    qd_ulong mask = kStart;
    const char* bad = nullptr;
    EXPECT_EQ(acct_evkeyscan(c.text, c.delims, &mask, &bad), c.result);
    if (c.result == 0) {
      EXPECT_EQ(mask, c.mask);
    } else {
      EXPECT_EQ(mask, kStart);
      ASSERT_NE(bad, nullptr);
      EXPECT_STREQ(bad, c.bad);
      EXPECT_GE(bad, c.text);
    }
  }
  // Missing arguments: no mask to store into fails; no text or no delimiters read the
  // whole text as it is.
  const char* bad = nullptr;
  EXPECT_EQ(acct_evkeyscan("CONN", " ", nullptr, &bad), -1);
  qd_ulong mask = kStart;
  EXPECT_EQ(acct_evkeyscan(nullptr, " ", &mask, nullptr), 0);
  EXPECT_EQ(mask, kStart);
  EXPECT_EQ(acct_evkeyscan("dml", nullptr, &mask, nullptr), 0);
  EXPECT_EQ(mask, 0x40u);
  EXPECT_EQ(acct_evkeyscan("dml ddl", nullptr, &mask, nullptr), -1);
  EXPECT_EQ(mask, 0x40u);
}

}  // namespace
