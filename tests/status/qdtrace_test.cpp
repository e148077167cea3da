// Tests of the error status: reports, catalogue texts, cause lines, limits, the report
// table under many threads, collisions, hand-over and the trace channel.
#include <cctype>
#include <regex>

#include "platform/platform.h"
#include "report_support.h"
#include "status/report.h"

namespace {

// The catalogues are small test copies in the test's own folder.
class TraceTest : public qdtest::ReportTest {
 protected:
  void SetUp() override {
    for (const char* name : {"qderror.h", "qdfid.h"}) {
      const std::string text =
          qdtest::read_file(std::string(QD_TEST_DATA_DIR) + "/types/trace_" + name + ".txt");
      ASSERT_FALSE(text.empty()) << name;
      dir_.write(name, text);
    }
    std::strcpy(qdxglob_val.header_name1, "user");
    std::strcpy(qdxglob_val.header_name2, "host");
    share_ = dir_.path();
    ReportTest::SetUp();
  }
};

TEST_F(TraceTest, HeaderHasProductNamesAndVersionLine) {
  std::string r = qd_errtxt_adr();
  std::regex header(
      "Quarendel Kernel <user@host>  error report:\n"
      "  Version: QDTYPE32 [0-9.]+ [0-9]{4}/[0-9]{2}/[0-9]{2} \\((Release|Debug)\\)\n");
  EXPECT_TRUE(std::regex_match(r, header)) << r;
  size_t nl = r.find('\n');
  EXPECT_LE(r.find('\n', nl + 1) - nl - 1, 67u);

  trace(19004, 0, 17);
  init_qderr();
  EXPECT_EQ(body(), "");
  init_trace("%s-%d:", "head", 42, 0, 0, 0);
  EXPECT_EQ(std::string(qd_errtxt_adr()).substr(0, 22), "head-42: error report:");
}

// One record on a fresh report: what trace returns, the hard-error flag after it and
// the report's body, with and without the trace lines copied into the report.
int record(const qdtest::Row& c) {
  const std::vector<std::string> v = qdtest::words(c[3]);
  const int err = std::stoi(c[1]), fid = std::stoi(c[2]);
  if (c[0] == "report") return qd::report(err, fid, v.at(0).c_str(), std::stoi(v.at(1)));
  if (v.empty()) return trace(err, fid);
  if (v.size() == 2) return trace(err, fid, v[0].c_str(), std::stoi(v[1]));
  if (std::isdigit(static_cast<unsigned char>(v[0][0]))) return trace(err, fid, std::stoi(v[0]));
  return trace(err, fid, v[0].c_str());
}

TEST_F(TraceTest, RecordsAndTheirTexts) {
  for (const qdtest::Row& c : qdtest::read_cases("types/trace_records.txt")) {
    SCOPED_TRACE(c[7]);
    qdxglob_val.trace_to_errtext = c[4] == "1";
    qd_harderror = 0;
    init_qderr();
    EXPECT_EQ(record(c), std::stoi(c[5]));
    EXPECT_EQ(qd_harderror, std::stoi(c[6]));
    EXPECT_EQ(body(), c[7]);
  }
}

TEST_F(TraceTest, CauseLineFromErrnoOrTheLibraryNumber) {
  for (const qdtest::Row& c : qdtest::read_cases("types/trace_causes.txt")) {
    init_qderr();
    set_qderrstring(c[2] == "-" ? nullptr : const_cast<char*>(c[2].c_str()));
    *get_qderrno_adr() = std::stoi(c[1]);
    errno = std::stoi(c[0]);
    trace(5000, 0);
    EXPECT_EQ(body(), c[3] + "plain \n") << c[0] << "/" << c[1];
    EXPECT_EQ(errno, 0);
    EXPECT_EQ(*get_qderrno_adr(), 0);
  }
  // A pure trace record leaves errno and the flags alone.
  init_qderr();
  errno = 7;
  *get_qderrno_adr() = 9;
  qd_harderror = 0;
  EXPECT_EQ(trace(0, 15005), 0);
  EXPECT_EQ(errno, 7);
  EXPECT_EQ(*get_qderrno_adr(), 9);
  EXPECT_EQ(body(), "");
}

// A host starts its report before the work that may fail: the failure's cause (here a
// real failed open) then reaches the report. A report that the failure itself starts is
// begun by clearing errno, so there the cause is gone; that is why hosts start first.
TEST_F(TraceTest, AReportStartedFirstKeepsTheCauseOfTheFailure) {
  const std::string missing = dir_.file("no-such-folder/file");
  for (const bool started_first : {true, false}) {
    std::string report;
    std::thread([&] {
      if (started_first) init_qderr();
      errno = 0;
      EXPECT_FALSE(std::fopen(missing.c_str(), "rb"));
      trace(19004, 0, 17);
      report = qd_errtxt_adr();
      trace_pop();
    }).join();
    const std::string cause = std::string(std::strerror(ENOENT)) + "(2):\n";
    EXPECT_EQ(report.find(cause) != std::string::npos, started_first) << report;
  }
}

// An installed catalogue edited after the build asks the library's own reports for
// more and other values than they pass (here the bounded copy's and the library
// loader's): the report prints placeholders for them and nothing reads beyond the values.
TEST_F(TraceTest, DamagedCatalogueTextsGetPlaceholders) {
  const std::string greedy = "/* %s %s %s %s %f %lld %d %s %p %s %s %s %s %s */\n";
  dir_.write("qderror.h", "#define QDE_TEXT_TOO_LONG 11025\n" + greedy +
                              "#define QDE_LIBRARY_NOT_CONFIGURED 11053\n" + greedy);
  char text[] = "far too long", copy[4];
  EXPECT_EQ(qd_strncpy(copy, text, 3), 11025);
  EXPECT_EQ(body(), "far too long <?> <?> <?> <?> <?> <?> <?> <?> <?> <?> <?> <?> <?> \n");
  init_qderr();
  qd::dll_reset_for_test();
  qd::dll_set_setting_for_test([](const char*) -> const char* { return nullptr; });
  void (*entry)(void) = nullptr;
  EXPECT_EQ(load_function(QD_DLL_HOSTACCESS, &entry, "tcp_init"), 11053);
  EXPECT_EQ(body().rfind("HOSTACCESS32 <?> <?> <?> <?>", 0), 0u) << body();
}

// A missing message catalogue leaves its line in the report, and so does a catalogue path
// that names a FIFO, a folder or a device; nothing waits (a FIFO without a writer would
// block an ordinary open for ever, with the report lock held).
TEST_F(TraceTest, MissingCataloguesAndOnesThatAreNoRegularFiles) {
  const std::string path = dir_.file("qderror.h");
  const std::string missing_line =
      "For error 4711, error output failed: can't open file " + path + "\n";
  for (const char* kind : {"missing", "fifo", "folder", "device"}) {
    SCOPED_TRACE(kind);
    if (kind == std::string("missing")) {
      std::filesystem::remove(path);
    } else if (qdtest::make_non_regular(path, kind, false).empty()) {
      continue;  // none here
    }
    int err = 0;
    std::string report;
    ASSERT_TRUE(qdtest::finishes_within(5, path, [&] {
      init_qderr();
      err = trace(4711, 0);
      report = body();
      trace_pop();
    }));
    EXPECT_EQ(err, 4711);
    EXPECT_EQ(report, missing_line);
  }
}

TEST_F(TraceTest, ReportStopsAfter3000AndNeverPassesItsBuffer) {
  std::string chunk(99, 'x');
  while (std::strlen(qd_errtxt_adr()) <= 3000) ASSERT_EQ(trace(9200, 0, chunk.c_str()), 9200);
  std::string before = qd_errtxt_adr();
  EXPECT_EQ(trace(9200, 0, "more"), 9200);
  EXPECT_EQ(before, qd_errtxt_adr());

  // Just under the stop, a long value fills the buffer to its last byte and no further.
  init_qderr();
  while (std::strlen(qd_errtxt_adr()) + 102 <= 3000) trace(9200, 0, chunk.c_str());
  std::string huge(10000, 'y');
  trace(9200, 0, huge.c_str());
  EXPECT_EQ(std::strlen(qd_errtxt_adr()), qd::kReportSize - 1);
  EXPECT_EQ(trace(9200, 0, "after"), 9200);
  EXPECT_EQ(std::strlen(qd_errtxt_adr()), qd::kReportSize - 1);
}

TEST_F(TraceTest, MessageSwitchAndHardConversion) {
  no_merror();
  EXPECT_EQ(_merror(19004, 1, 2, 3), 19004);
  EXPECT_EQ(body(), "");
  yes_merror();
  EXPECT_EQ(_merror(19004, 1, 2, 3), 19004);
  EXPECT_EQ(body(), "Value 1 out of range \n");

  for (const qdtest::Row& c : qdtest::read_cases("types/hard_errors.txt")) {
    init_qderr();
    qd_harderror = 0;
    const bool recorded = c[3] == "1";
    EXPECT_EQ(trace_hard_error(std::stoi(c[0]), 0, static_cast<char>(std::stoi(c[1]))),
              std::stoi(c[2]))
        << c[0];
    EXPECT_EQ(qd_harderror, recorded ? 1 : 0) << c[0];  // error 45 is hard
    EXPECT_EQ(!body().empty(), recorded) << c[0];
  }
}

// Stand-in thread ids chosen to share one home slot away from the real thread's.
class ReportTableTest : public TraceTest {
 protected:
  void SetUp() override {
    TraceTest::SetUp();
    home_ = (qd::plat::thread_id() + 100) & 255;
  }
  void TearDown() override {
    for (uint32_t id : used_) {
      qd::report_tid_override_for_test(id);
      trace_pop();
    }
    qd::report_tid_override_for_test(0);
    TraceTest::TearDown();
  }
  uint32_t id(int k) {
    uint32_t v = static_cast<uint32_t>(home_ + 256 * (k + 1));
    used_.push_back(v);
    return v;
  }
  static void as(uint32_t tid, const char* line) {
    qd::report_tid_override_for_test(tid);
    if (line) trace(9200, 0, line);
  }
  static std::string body_of(uint32_t tid) {
    qd::report_tid_override_for_test(tid);
    return body();
  }
  int slot(uint32_t tid) { return qd::report_slot_for_test(tid); }
  int home_ = 0;
  std::vector<uint32_t> used_;
};

TEST_F(ReportTableTest, CollisionsChainForwardAndSurviveRemoval) {
  uint32_t a = id(0), b = id(1), c = id(2);
  as(a, "A");
  as(b, "B");
  as(c, "C");
  EXPECT_EQ(slot(a), home_);
  EXPECT_EQ(slot(b), (home_ + 1) & 255);
  EXPECT_EQ(slot(c), (home_ + 2) & 255);

  // The head leaves: its successor moves into the home slot, the chain stays whole.
  as(a, nullptr);
  trace_pop();
  EXPECT_EQ(slot(a), -1);
  EXPECT_EQ(slot(b), home_);
  EXPECT_EQ(body_of(b), "B \n");
  EXPECT_EQ(body_of(c), "C \n");
  EXPECT_EQ(slot(c), (home_ + 2) & 255);

  // A thread whose home holds a foreign entry moves that entry out first.
  uint32_t d = static_cast<uint32_t>(((home_ + 2) & 255) + 256 * 50);
  used_.push_back(d);
  as(d, "D");
  EXPECT_EQ(slot(d), (home_ + 2) & 255);
  EXPECT_NE(slot(c), -1);
  EXPECT_EQ(body_of(c), "C \n");
  EXPECT_EQ(body_of(b), "B \n");
  EXPECT_EQ(body_of(d), "D \n");
}

// With every slot taken a newcomer takes a slot over, and with it the block its old
// owner still holds. When the newcomer pops its report, or hands it on and the receiver
// pops it, the old owner's pointer must still be readable (run this under the address
// sanitizer), and the old owner's next call gives it a report of its own again.
TEST_F(ReportTableTest, ATakenOverOwnerKeepsReadableMemoryAndGetsANewReport) {
  for (const bool hand_on : {false, true}) {
    SCOPED_TRACE(hand_on ? "handed on" : "popped");
    std::vector<std::pair<uint32_t, const char*>> held;
    uint32_t victim = 0, taker = 0;
    const char* kept = nullptr;
    for (int k = 0; k < 300 && !victim; ++k) {
      taker = id(k + (hand_on ? 300 : 0));
      as(taker, "mine");
      held.emplace_back(taker, qd_errtxt_adr());
      for (const auto& [tid, p] : held) {
        if (slot(tid) < 0) {
          victim = tid;
          kept = p;
          break;
        }
      }
    }
    ASSERT_NE(victim, 0u) << "no takeover with every slot taken";
    qd::report_tid_override_for_test(taker);
    if (hand_on) {
      const uint32_t receiver = id(999);
      EXPECT_EQ(trace(16811, 0, static_cast<int>(taker), static_cast<int>(receiver)), 0);
      qd::report_tid_override_for_test(receiver);
    }
    trace_pop();
    EXPECT_LT(strnlen(kept, qd::kReportSize), qd::kReportSize);  // still a report block
    EXPECT_EQ(body_of(victim), "");                              // a fresh report of its own
    as(victim, "again");
    EXPECT_EQ(body_of(victim), "again \n");
    for (const auto& [tid, p] : held) {
      qd::report_tid_override_for_test(tid);
      trace_pop();
    }
  }
}

TEST_F(ReportTableTest, HandOverMovesTheGiversText) {
  uint32_t giver = id(0), other = id(1), receiver = id(2), fresh = id(3);
  as(giver, "from giver");
  as(other, "other");
  as(receiver, "receiver's own");
  // To a thread with a report: the receiver's old text is gone, the giver's arrives.
  EXPECT_EQ(trace(16811, 0, giver, receiver), 0);
  EXPECT_EQ(slot(giver), -1);
  EXPECT_EQ(body_of(receiver), "from giver \n");
  EXPECT_EQ(body_of(other), "other \n");
  // To a thread without one: the text is re-keyed to it.
  EXPECT_EQ(trace(16811, 0, receiver, fresh), 0);
  EXPECT_EQ(slot(receiver), -1);
  EXPECT_NE(slot(fresh), -1);
  EXPECT_EQ(body_of(fresh), "from giver \n");
  // From a thread without a report: nothing happens.
  EXPECT_EQ(trace(16811, 0, giver, fresh), 0);
  EXPECT_EQ(body_of(fresh), "from giver \n");
  // trace_pop, then trace: a fresh report with only the header and the new line.
  as(fresh, nullptr);
  trace_pop();
  as(fresh, "new");
  EXPECT_EQ(body_of(fresh), "new \n");
}

TEST_F(TraceTest, TraceChannelModes) {
  std::strcpy(qdxglob_val.trace_dir, dir_.path().c_str());
  const std::string file = dir_.file("qdk." + std::to_string(qd::plat::process_id()));
  qdxglob_val.trace_mode = 0;
  type("not yet %d\n", 1);  // mode 0 before the first line: not opened, tried again
  qdxglob_val.trace_mode = 1;
  type("line %d %s\n", 2, "two");
  trace(0, 15007, 9);
  trace(19004, 0, 1);
  EXPECT_EQ(qdtest::read_file(file), "line 2 two\nfn_arg of 9 \n\nE_RANGE\n");
  qdxglob_val.trace_mode = 0;
  type("closing\n");
  qdxglob_val.trace_mode = 1;
  type("never\n");  // closed for good
  EXPECT_EQ(qdtest::read_file(file), "line 2 two\nfn_arg of 9 \n\nE_RANGE\n");
  qd::channel_reset_for_test();

  // A trace file that cannot be opened is not tried again.
  std::strcpy(qdxglob_val.trace_dir, dir_.file("no/such/dir").c_str());
  type("lost\n");
  std::filesystem::create_directories(dir_.file("no/such/dir"));
  type("still lost\n");
  EXPECT_FALSE(std::filesystem::exists(
      dir_.file("no/such/dir/qdk." + std::to_string(qd::plat::process_id()))));
}

// The function catalogue missing, its line goes to the trace output only; the error
// status's own file work (catalogues, trace file) never leaves a cause behind.
TEST_F(TraceTest, MissingFunctionCatalogueAndOwnFileWorkLeaveErrnoAlone) {
  std::filesystem::remove(dir_.file("qdfid.h"));  // every function lookup fails to open
  qdxglob_val.trace_to_errtext = 1;
  init_qderr();
  trace(0, 15005);
  EXPECT_EQ(body(), "trace : can't open " + dir_.file("qdfid.h") + "\n");
  qdxglob_val.trace_to_errtext = 0;
  init_qderr();
  qdxglob_val.trace_mode = 1;
  std::strcpy(qdxglob_val.trace_dir, dir_.file("missing/dir").c_str());
  qd::channel_reset_for_test();
  errno = 0;
  EXPECT_EQ(trace(0, 15005), 0);
  EXPECT_EQ(errno, 0);
  EXPECT_EQ(trace(4000, 15005, "x"), 4000);
  EXPECT_EQ(trace(4000, 15005, "y"), 4000);
  EXPECT_EQ(body(), "hard failure x \nhard failure y \n");
  errno = 33;
  trace(0, 15005);
  EXPECT_EQ(errno, 33);
}

// The header of an export that names itself, put together without the formatter, is the
// formatter's to the byte: over a report with a body, after another name, for a name too
// long for the copy kept per thread and for one the report cuts; errno is cleared as the
// formatter clears it.
TEST_F(TraceTest, NamedHeaderIsTheFormattedOne) {
  const std::string longest(qd::kReportSize + 10, 'n');
  const std::string names[] = {
      "literal_scan",        "",     "x", "literal_to_binary", std::string(140, 'm'),
      std::string(200, 'l'), longest};
  for (const std::string& name : names) {
    trace(19004, 0, 17);
    qd::start_report("%s", name.c_str());
    const std::string formatted = qd_errtxt_adr();
    for (const char* before : {"other", name.c_str()}) {
      qd::start_report_named(before);
      trace(19004, 0, 17);
      errno = 5;
      qd::start_report_named(name.c_str());
      EXPECT_EQ(errno, 0) << name.size();
      EXPECT_EQ(std::string(qd_errtxt_adr()), formatted) << name.size() << " after " << before;
    }
  }
  EXPECT_EQ(std::strlen(qd_errtxt_adr()), qd::kReportSize - 1);

  // The same name again finds its header rewritten whatever became of the report since:
  // a host writing into it, the report given back, another header in between.
  qd::start_report("%s", "literal_scan");
  const std::string formatted = qd_errtxt_adr();
  const std::function<void()> changes[] = {
      [] { qd_errtxt_adr()[0] = 'X'; },
      [&formatted] { qd_errtxt_adr()[formatted.size() - 1] = 0; },
      [] { std::strcat(qd_errtxt_adr(), "more"); },
      [] { trace_pop(); },
      [] { init_qderr(); },
      [] {},
  };
  for (size_t k = 0; k < std::size(changes); ++k) {
    qd::start_report_named("literal_scan");
    changes[k]();
    errno = 7;
    qd::start_report_named("literal_scan");
    EXPECT_EQ(std::string(qd_errtxt_adr()), formatted) << k;
    EXPECT_EQ(errno, 0) << k;
  }
}

}  // namespace
