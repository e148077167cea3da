// Tests of the accounting log: the line format and its budget, the generation files,
// the ERROR lines of the error status, concurrent writers, and the event-mask texts.
#include <cstdarg>
#include <regex>
#include <tuple>
#include <utility>

#include "base/limits.h"
#include "platform/platform.h"
#include "qderror.h"
#include "qdfid.h"
#include "report_support.h"
#include "runtime/os_internal.h"

namespace {

using Strings = std::vector<std::string>;

// The lines of a log text, each cut into its nine fields (none of which is empty).
std::vector<Strings> lines_of(const std::string& text) {
  std::vector<Strings> lines;
  for (const std::string& line : qdtest::split(text, '\n')) {
    lines.push_back(qdtest::split(line, '\t'));
    EXPECT_EQ(lines.back().size(), 9u) << line;
    lines.back().resize(9);
  }
  return lines;
}

// Bytes of text copied into a quoted field, "-" for "?".
std::string copied(const std::string& field) {
  return field == "?" ? "-" : std::to_string(field.size() - 2);
}

// Reports carry the catalogue texts and names of the source tree.
class AcctTest : public qdtest::ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    log_ = dir_.file("acct.log");
  }
  int open_log(qd_ulong events = ACCT_MASK_ALL, qd_long size = qd::kRecordMax, qd_long logon = 1) {
    acct_config config{events, logon, log_.c_str()};
    return acct_init(&config, size);
  }
  std::vector<Strings> lines(const std::string& path = "") {
    return lines_of(qdtest::read_file(path.empty() ? log_ : path));
  }
  Strings only_line() {
    std::vector<Strings> all = lines();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? Strings(9) : all[0];
  }
  std::string log_;
};

// Fields 3, 8 and 9 carry the texts that count announces; absent ones, and the identity
// never set, are "?".
TEST_F(AcctTest, LineFieldsAndAbsentOnes) {
  ASSERT_EQ(open_log(), 0);
  const std::vector<qdtest::Row> cases = qdtest::cases("runtime/acct.txt", "fields");
  const std::time_t before = std::time(nullptr);
  for (const qdtest::Row& c : cases) {
    ASSERT_EQ(
        acct_write(ACCT_EV_CTXT, static_cast<int>(qdtest::num(c[0])), qdtest::text_or_null(c[1]),
                   qdtest::text_or_null(c[2]), qdtest::text_or_null(c[3])),
        0);
  }
  const std::vector<Strings> got = lines();
  ASSERT_EQ(got.size(), cases.size());
  for (size_t i = 0; i < got.size(); ++i) {
    const qdtest::Row& c = cases[i];
    EXPECT_EQ(got[i], (Strings{got[i][0], "'CTXT'", c[4], "?", "?", "?", "?", c[5], c[6]})) << i;
  }
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      got[0][0], m, std::regex(R"(datetime\[yy:ms\]\((\d+)-(\d+)-\d+ \d+:\d+:\d+\.\d{3}\))")))
      << got[0][0];
  const std::tm local = *std::localtime(&before);  // no other thread asks the clock here
  EXPECT_EQ(std::stoi(m[1]), local.tm_year + 1900);
  EXPECT_EQ(std::stoi(m[2]), local.tm_mon + 1);
  EXPECT_EQ(qdtest::read_file(log_).back(), '\n');
}

TEST_F(AcctTest, IdentityFields) {
  ASSERT_EQ(open_log(), 0);
  const std::string a200(200, 'a'), b200(200, 'b');
  const std::string a127 = "'" + std::string(127, 'a') + "'";
  const std::string b128 = "'" + std::string(128, 'b') + "'";
  const std::string max = "2147483647", pair = "'0:-2147483647'";
  struct Step {
    qd_long number, first;
    const char *t1, *t2;
    qd_long second;
    Strings fields;  // fields 4 to 7 after the step
  } steps[] = {
      {0, -1, nullptr, nullptr, -1, {"?", "?", "?", "?"}},  // nothing taken
      {0, 5, nullptr, nullptr, -1, {"?", "'5:0'", "?", "?"}},
      {-3, -1, nullptr, nullptr, 9, {"-3", "'5:9'", "?", "?"}},
      {0, 0, nullptr, nullptr, -1, {"-3", "'0:9'", "?", "?"}},
      {2147483647, -1, nullptr, nullptr, -2147483647, {max, pair, "?", "?"}},
      {0, -1, a200.c_str(), b200.c_str(), -1, {max, pair, a127, b128}},
      {0, -1, "", nullptr, -1, {max, pair, "''", b128}},
  };
  for (const Step& s : steps) {
    acct_set(s.number, s.first, s.t1, s.t2, s.second);
    ASSERT_EQ(acct_write(ACCT_EV_TA, 0), 0);
  }
  const std::vector<Strings> got = lines();
  ASSERT_EQ(got.size(), std::size(steps));
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(Strings(got[i].begin() + 3, got[i].begin() + 7), steps[i].fields) << i;
  }
}

TEST_F(AcctTest, TextsAreEscapedAndCharactersCopiedWhole) {
  ASSERT_EQ(open_log(), 0);
  const std::vector<qdtest::Row> cases = qdtest::cases("runtime/acct.txt", "escape");
  for (const qdtest::Row& c : cases) {
    qdxglob_val.db_encoding = static_cast<int32_t>(qdtest::num(c[0]));
    ASSERT_EQ(acct_write(ACCT_EV_DML, 1, c[1].c_str()), 0);
  }
  const std::vector<Strings> got = lines();
  ASSERT_EQ(got.size(), cases.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i][2], cases[i][2]) << i;
}

TEST_F(AcctTest, BudgetCutsFieldsInThisLineOnly) {
  for (const qdtest::Row& c : qdtest::cases("runtime/acct.txt", "budget")) {
    SCOPED_TRACE(c[0]);
    qd::acct_reset_for_test();
    std::filesystem::remove(log_);
    ASSERT_EQ(open_log(ACCT_MASK_ALL, qdtest::num(c[0])), 0);
    if (c[1] == "1") acct_set(7, -1, nullptr, nullptr, -1);
    const std::string y(qdtest::num(c[2]), 'y'), z(qdtest::num(c[3]), 'z');
    ASSERT_EQ(acct_write(ACCT_EV_CONN, 3, "", y.c_str(), z.c_str()), 0);
    const Strings f = only_line();
    EXPECT_EQ((Strings{f[0] == "?" ? "?" : "date", f[1], f[3], copied(f[7]), copied(f[8])}),
              Strings(c.begin() + 4, c.end()))
        << f[0];
  }
}

TEST_F(AcctTest, EscapesOfAFullBudgetFitTheLine) {
  ASSERT_EQ(open_log(ACCT_MASK_ALL, qd::kRecordMax), 0);
  acct_set(1, 2, std::string(300, '\'').c_str(), std::string(300, '\\').c_str(), 3);
  const std::string quotes(40000, '\'');
  ASSERT_EQ(acct_write(ACCT_EV_STATS, 3, quotes.c_str(), quotes.c_str(), quotes.c_str()), 0);
  const Strings f = only_line();
  // 32580 - 20 (date) - 5 (STATS) leaves 32555; field 3 stops at 61 (60 kept for the six
  // fields after it), the number takes 4, "2:3" 3, and each later text stops at 10 per
  // field still to come, 1 for the last. Every copied byte here is written as two.
  EXPECT_EQ(f[3], "1");
  EXPECT_EQ(f[4], "'2:3'");
  const std::pair<int, size_t> kept[] = {{2, 32494}, {5, 23}, {6, 10}, {7, 10}, {8, 10}};
  for (auto [at, n] : kept) EXPECT_EQ(f[at].size(), 2 + 2 * n) << "field " << at + 1;
}

// Opens that can be refused as taken, recording each path asked for; writes through
// qdtest::fake_write.
struct FakeOpens {
  int taken_left = 0;  // opens still to refuse as taken
  Strings opened;
} g_fake;

int fake_open(const char* path, int flags, int mode) {
  g_fake.opened.push_back(path);
  if (g_fake.taken_left > 0) {
    --g_fake.taken_left;
    errno = 79;
    return -1;
  }
  return qd::os_open(path, flags, mode);
}

void use_fake_files(size_t limit, int taken = 0) {
  g_fake = FakeOpens{taken, {}};
  qdtest::fake_writes = qdtest::FakeWrite{};
  qdtest::fake_writes.limit = limit;
  qd::acct_set_open_for_test(fake_open);
  qd::os_set_write_for_test(qdtest::fake_write);
}

TEST_F(AcctTest, FullFileMovesToTheNextGeneration) {
  use_fake_files(400);
  ASSERT_EQ(open_log(), 0);
  EXPECT_EQ(qd::acct_generation(), 0);
  const std::string text(100, 'g');
  for (int i = 0; i < 9; ++i) {
    ASSERT_EQ(acct_write(ACCT_EV_DDL, 1, (text + std::to_string(i)).c_str()), 0);
  }
  // Every file but the last is full; the last holds the rest.
  Strings files = {qdtest::read_file(log_)};
  std::string last = log_;
  for (int g = 1; std::filesystem::exists(log_ + "." + std::to_string(g)); ++g) {
    last = log_ + "." + std::to_string(g);
    files.push_back(qdtest::read_file(last));
  }
  ASSERT_GE(files.size(), 3u);
  EXPECT_EQ(qd::acct_generation(), static_cast<int>(files.size()) - 1);
  std::string all;
  for (size_t g = 0; g < files.size(); ++g) {
    EXPECT_EQ(files[g].size() == 400u, g + 1 < files.size()) << g;
    EXPECT_LE(files[g].size(), 400u);
    all += files[g];
  }
  // A line that met a full file is split: its rest opens the next file.
  EXPECT_NE(files[0].back(), '\n');
  const std::vector<Strings> got = lines_of(all);
  ASSERT_EQ(got.size(), 9u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(got[i][2], "'" + text + std::to_string(i) + "'");
  // Later lines go on in the last file.
  qdtest::fake_writes.limit = 0;
  ASSERT_EQ(acct_write(ACCT_EV_DDL, 1, "later"), 0);
  EXPECT_TRUE(qdtest::has(qdtest::read_file(last), "\t'later'\t"));
  // A new configuration starts again with the base name.
  ASSERT_EQ(open_log(), 0);
  EXPECT_EQ(qd::acct_generation(), 0);
  ASSERT_EQ(acct_write(ACCT_EV_DDL, 1, "again"), 0);
  const std::string base = qdtest::read_file(log_);
  ASSERT_GT(base.size(), 400u);
  EXPECT_EQ(lines_of(base.substr(400)).at(0)[2], "'again'");
}

TEST_F(AcctTest, FilesRefusedAsTakenArePassedOverOthersFail) {
  use_fake_files(0, 2);
  ASSERT_EQ(open_log(), 0);
  EXPECT_EQ(g_fake.opened, (Strings{log_, log_ + ".1", log_ + ".2"}));
  EXPECT_EQ(qd::acct_generation(), 2);
  EXPECT_EQ(errno, 0);
  ASSERT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  EXPECT_EQ(lines(log_ + ".2").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(log_));
  log_ = dir_.file("no/such/dir/acct.log");
  EXPECT_EQ(open_log(0x5), QDE_ACCT_OPEN_FAILED);
  EXPECT_TRUE(qdtest::has(qd_errtxt_adr(),
                          "The accounting log file " + log_ + " could not be opened (mode 438)."));
  EXPECT_EQ(qd::acct_descriptor(), -1);
  EXPECT_EQ(acct_act_logon, 1);               // taken before the open
  EXPECT_EQ(acct_act_events, 0u);             // not reached
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), 0);  // no file: nothing to write
}

TEST_F(AcctTest, InterruptedPartialAndFailedWrites) {
  use_fake_files(0);
  ASSERT_EQ(open_log(), 0);
  const int fd = qd::acct_descriptor();
  struct Step {
    int failures, failure_errno, partial, result;
  } steps[] = {
      {9, EINTR, 0, 0},   // the tenth attempt succeeds
      {0, 0, 10, 0},      // the rest of a partial write is written once more
      {10, EINTR, 0, 0},  // the first write gives up, the one more succeeds
      // Both give up; reporting that writes its ERROR line, the writes working again.
      {20, EINTR, 0, QDE_ACCT_WRITE_INCOMPLETE},
      // The ERROR line of the report fails too: that failure only returns.
      {1000, EIO, 0, QDE_ACCT_WRITE_INCOMPLETE},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    init_qderr();
    qdtest::fake_writes.failures = steps[i].failures;
    qdtest::fake_writes.failure_errno = steps[i].failure_errno;
    qdtest::fake_writes.partial = steps[i].partial;
    EXPECT_EQ(acct_write(ACCT_EV_CONN, 1, std::to_string(i).c_str()), steps[i].result) << i;
  }
  const std::string report = qd_errtxt_adr();
  EXPECT_TRUE(qdtest::has(report, "could not be written completely"));
  EXPECT_EQ(report.find("could not be written completely"),
            report.rfind("could not be written completely"))
      << report;
  EXPECT_TRUE(qdtest::has(report, "(descriptor " + std::to_string(fd) + ")"));
  qdtest::fake_writes.failures = 0;
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 1, "5"), 0);
  const std::vector<Strings> got = lines();
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ((Strings{got[0][2], got[1][2], got[2][2], got[4][2]}),
            (Strings{"'0'", "'1'", "'2'", "'5'"}));
  EXPECT_EQ(got[3][7], "'QDE_ACCT_WRITE_INCOMPLETE/QDF_ACCT_WRITE'");
}

TEST_F(AcctTest, ErrorLinesFromTheErrorStatusWhileOn) {
  // Other events only, logging off, no events: no ERROR line.
  const std::pair<qd_ulong, qd_long> off[] = {{0x2 | 0x4, 1}, {0x1, 0}, {0, 1}};
  for (auto [events, logon] : off) {
    ASSERT_EQ(open_log(events, qd::kRecordMax, logon), 0);
    trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, "1", "numeric(1)");
  }
  ASSERT_EQ(open_log(0x1), 0);
  EXPECT_EQ(trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, "1234.5", "numeric(5,2)"),
            QDE_VALUE_OVERFLOW);
  EXPECT_EQ(trace(QDE_NO_MEMORY, 0), QDE_NO_MEMORY);
  EXPECT_EQ(trace(-7, 0), -7);                   // no catalogue entry: an empty name
  EXPECT_EQ(trace(0, QDF_VALUE_ADAPT_TYPE), 0);  // a pure trace record is no error
  ASSERT_EQ(acct_exit(), 0);
  trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, "1", "numeric(1)");  // closed
  const std::vector<Strings> got = lines();
  ASSERT_EQ(got.size(), 3u);
  const Strings expected[] = {{"'ERROR'", "'Soft'", "'QDE_VALUE_OVERFLOW/QDF_VALUE_ADAPT_TYPE'"},
                              {"'ERROR'", "'Hard'", "'QDE_NO_MEMORY'"},
                              {"'ERROR'", "'Soft'", "''"}};
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ((Strings{got[i][1], got[i][2], got[i][7]}), expected[i]) << i;
  }
  // The last field is the report as it stands, its line ends escaped.
  const std::string& report = got[1][8];
  EXPECT_TRUE(qdtest::has(report, "Out of memory."));
  EXPECT_TRUE(qdtest::has(report, "\\n"));
}

TEST_F(AcctTest, UnknownEvents) {
  ASSERT_EQ(open_log(), 0);
  for (int event : {-1, 10, 0x4000}) {
    init_qderr();
    EXPECT_EQ(acct_write(event, 1, "x"), QDE_ACCT_BAD_EVENT);
    EXPECT_TRUE(
        qdtest::has(qd_errtxt_adr(), "Accounting event " + std::to_string(event) + " is unknown"));
  }
  // Only the ERROR lines of the three reports reached the file.
  const std::vector<Strings> got = lines();
  ASSERT_EQ(got.size(), 3u);
  for (const Strings& f : got) EXPECT_EQ(f[7], "'QDE_ACCT_BAD_EVENT/QDF_ACCT_WRITE'");
}

TEST_F(AcctTest, ConfigureReconfigureAndExit) {
  // The events and logon switch in force, and the open file (-1: none).
  const auto state = [] {
    return std::tuple(acct_act_events, acct_act_logon, qd::acct_descriptor());
  };
  acct_config config{0x6, 1, "---"};  // no file: the lines go nowhere
  ASSERT_EQ(acct_init(&config, 1000), 0);
  EXPECT_EQ(state(), std::tuple(0x6u, 1, -1));
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  ASSERT_EQ(acct_init(nullptr, 1000), 0);  // a null configuration: off, no file
  EXPECT_EQ(state(), std::tuple(0u, 0, -1));
  config = {0x6, 0, log_.c_str()};  // logging off: the named file is not even opened
  ASSERT_EQ(acct_init(&config, 1000), 0);
  EXPECT_FALSE(std::filesystem::exists(log_));
  EXPECT_EQ(acct_act_events, 0x6u);
  ASSERT_EQ(open_log(0x3), 0);
  EXPECT_GE(qd::acct_descriptor(), 0);
  ASSERT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  const std::string second = dir_.file("second.log");
  config = {0x2, 1, second.c_str()};
  ASSERT_EQ(acct_init(&config, qd::kRecordMax), 0);  // closes the first log
  ASSERT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  EXPECT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines(second).size(), 1u);
  ASSERT_EQ(acct_exit(), 0);
  EXPECT_EQ(state(), std::tuple(0u, 0, -1));
  EXPECT_EQ(acct_exit(), 0);
  EXPECT_EQ(acct_write(ACCT_EV_CONN, 0), 0);
  EXPECT_EQ(lines(second).size(), 1u);
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
  for (const qdtest::Row& c : qdtest::cases("runtime/acct.txt", "evprint")) {
    char buffer[128] = "leftover";
    g_printed.clear();
    const qd_ulong mask = static_cast<qd_ulong>(qdtest::num(c[0]));
    EXPECT_EQ(acct_evprint(print_into, buffer, mask, qdtest::text_or_null(c[1])), 0);
    EXPECT_EQ(buffer, c[2]);
    if (c[3] != "-") {
      EXPECT_EQ(g_printed, c[3]);
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
  for (const qdtest::Row& c : qdtest::cases("runtime/acct.txt", "keyscan")) {
    SCOPED_TRACE(c[0]);
    const char* text = qdtest::text_or_null(c[0]);
    const bool fails = c[3] != "-";
    qd_ulong mask = kStart;
    const char* bad = nullptr;
    EXPECT_EQ(acct_evkeyscan(text, qdtest::text_or_null(c[1]), &mask, &bad), fails ? -1 : 0);
    EXPECT_EQ(mask, fails ? kStart : static_cast<qd_ulong>(qdtest::num(c[2])));
    if (fails) {
      ASSERT_NE(bad, nullptr);
      EXPECT_STREQ(bad, c[3].c_str());
      EXPECT_GE(bad, text);
    }
  }
  const char* bad = nullptr;  // no mask to store into
  EXPECT_EQ(acct_evkeyscan("CONN", " ", nullptr, &bad), -1);
}

}  // namespace
