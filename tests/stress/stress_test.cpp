// Thread stress: error reports and their hand-over, the numbered locks, the configuration
// cache and the accounting log under 64 and 600 threads, value operations on four. Every
// thread checks its own results exactly (its report's text, its values, its log lines),
// not only that nothing crashed. Short by default; QD_STRESS_SCALE=<factor> multiplies every count
// (50 for the long mode, below 1 for the thread sanitizer's slow runs).
#if defined(__GLIBC__)
#include <pthread.h>
#endif
#include <condition_variable>
#include <mutex>

#include "datetime/dt_test_util.h"
#include "numform/numform_test.h"
#include "platform/platform.h"
#include "qderror.h"
#include "qdfid.h"
#include "status/report.h"

namespace {

// n scaled by QD_STRESS_SCALE, at least 1.
int scaled(int n) {
  const char* f = std::getenv("QD_STRESS_SCALE");
  const double factor = f && std::atof(f) > 0 ? std::atof(f) : 1.0;
  return std::max(1, static_cast<int>(n * factor));
}

// Runs body(t) on n threads that start together; returns the failures they counted.
template <class Body>
int run_threads(int n, Body body) {
#if defined(__GLIBC__)
  // All n threads live at once. With stacks as large as the stack limit (often 8 MiB),
  // 600 of them would not fit a 32-bit address space; 1 MiB each is ample for the bodies,
  // sanitizers included.
  static const bool small_stacks = [] {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, size_t{1} << 20);
    pthread_setattr_default_np(&attr);
    pthread_attr_destroy(&attr);
    return true;
  }();
  (void)small_stacks;
#endif
  std::atomic<int> ready{0}, failures{0};
  qdtest::on_threads(n, [&](int t) {
    ready.fetch_add(1);
    while (ready.load() < n) std::this_thread::yield();
    failures.fetch_add(body(t));
  });
  return failures.load();
}

// The report a thread expects: the header, then one message line per value.
struct ReportModel {
  std::string header, line_before, line_after;  // a line is before + value + after
  std::string of(const std::vector<std::string>& values) const {
    std::string r = header;
    for (const std::string& v : values) r += line_before + v + line_after;
    return r;
  }
};

class Stress : public qdtest::IsolatedTest {
 protected:
  void SetUp() override {
    std::string ini, odbc = "[QDODBC]\n";
    for (int k = 0; k < kKeys; ++k) {
      ini += key(k) + "=" + value(k, "win") + "\n";
      odbc += key(k) + "=" + value(k, "odbc") + "\n";
    }
    qdtest::use_catalogues(dir_, ini + odbc);
    // The message line of one error, learnt from this thread's own report.
    trace_pop();
    init_qderr();
    model_.header = qd_errtxt_adr();
    trace(QDE_LIBRARY_LOAD_FAILED, 0, "@@");
    const std::string line = std::string(qd_errtxt_adr()).substr(model_.header.size());
    const size_t at = line.find("@@");
    ASSERT_NE(at, std::string::npos) << line;
    model_.line_before = line.substr(0, at);
    model_.line_after = line.substr(at + 2);
    trace_pop();
  }
  static constexpr int kKeys = 64;
  static std::string key(int k) { return "STRESSKEY" + std::to_string(k); }
  // Values of 30 to 90 bytes, other ones in each section.
  static std::string value(int k, const char* where) {
    return std::string(where) + "-" + std::to_string(k * 7919) +
           std::string(static_cast<size_t>(20 + k * 13 % 60), char('a' + k % 4));
  }

  // One round of a thread's own report: a fresh start, lines with values only it uses,
  // then its report compared with what it must hold. Returns 1 on a difference.
  int report_round(int t, int round, int lines) {
    init_qderr();
    std::vector<std::string> values;
    for (int i = 0; i < lines; ++i) {
      values.push_back("t" + std::to_string(t) + "r" + std::to_string(round) + "i" +
                       std::to_string(i));
      if (trace(QDE_LIBRARY_LOAD_FAILED, 0, values.back().c_str()) != QDE_LIBRARY_LOAD_FAILED) {
        return 1;
      }
    }
    return qd_errtxt_adr() == model_.of(values) ? 0 : 1;
  }

  ReportModel model_;
};

// The tests below run with 64 threads and with 600.
class StressSizes : public Stress, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(Threads, StressSizes, ::testing::Values(64, 600));

// A counting semaphore on a mutex and a condition variable. The C++ library's
// std::counting_semaphore (GCC 12) can lose a wake-up under contention: a release that finds
// the count above 0 wakes nobody, while an acquire that saw 0 goes to sleep for good
// (GCC bug 98033). One run of this test under wine hung that way.
class Slots {
 public:
  explicit Slots(int n) : free_(n) {}
  void acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    freed_.wait(lock, [this] { return free_ > 0; });
    --free_;
  }
  void release() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++free_;
    }
    freed_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  int free_;
};

// At most this many threads hold a report at once, below the 256 slots: beyond them a
// thread takes over another's slot and its report by definition (not a fault).
Slots g_report_slots(200);

TEST_P(StressSizes, ReportsStayEachThreadsOwn) {
  const int threads = GetParam();
  const int n_rounds = scaled(threads == 64 ? 5 : 1);
  const int failures = run_threads(threads, [&](int t) {
    int bad = 0;
    for (int r = 0; r < n_rounds; ++r) {
      g_report_slots.acquire();
      bad += report_round(t, r, 6);
      trace_pop();
      g_report_slots.release();
    }
    return bad;
  });
  EXPECT_EQ(failures, 0);
  std::printf("reports: %d threads x %d rounds x 6 lines\n", threads, n_rounds);
}

TEST_P(StressSizes, HandOverReachesTheReceiverWhole) {
  const int threads = GetParam();
  const int pairs = threads / 2;
  std::vector<std::atomic<uint32_t>> receiver_tid(static_cast<size_t>(pairs));
  std::vector<std::atomic<int>> handed(static_cast<size_t>(pairs)), received(static_cast<size_t>(pairs));
  std::vector<std::string> sent(static_cast<size_t>(pairs));
  // A pair holds two reports under one permit (100 pairs: 200 reports, below the 256
  // slots). The receiver takes it and the giver returns it once both are done: were each
  // to take one, receivers could hold every permit while their givers wait for one.
  static Slots pair_slots(100);
  const int failures = run_threads(threads, [&](int t) {
    const int p = t / 2;
    if (t % 2) {  // receiver: holds a report of its own, which the hand-over replaces
      pair_slots.acquire();
      init_qderr();
      receiver_tid[p].store(qd::plat::thread_id());
      while (handed[p].load() == 0) std::this_thread::yield();
      const int bad = qd_errtxt_adr() == sent[p] ? 0 : 1;
      trace_pop();
      received[p].store(1);
      return bad;
    }
    while (receiver_tid[p].load() == 0) std::this_thread::yield();
    int bad = report_round(t, 0, 8);
    sent[p] = qd_errtxt_adr();
    trace(qd::kHandOver, 0, static_cast<int>(qd::plat::thread_id()),
          static_cast<int>(receiver_tid[p].load()));
    handed[p].store(1);
    // The giver starts again from a fresh report.
    bad += qd_errtxt_adr() == model_.header ? 0 : 1;
    trace_pop();
    while (received[p].load() == 0) std::this_thread::yield();
    pair_slots.release();
    return bad;
  });
  EXPECT_EQ(failures, 0);
}

TEST_F(Stress, SlotTakeoversKeepMemorySafe) {
  // 600 threads holding reports at once: more than the 256 slots, so slots are taken
  // over. Reports may be lost by definition, and a report whose slot was taken over is
  // rewritten while its old holder may still read it, so its text is not checked; the
  // process must stay memory safe: every pointer a thread was given keeps leading to a
  // block that ends inside its size (the sanitizer build checks the reads themselves).
  const auto inside = [](const char* report) {
    return strnlen(report, qd::kReportSize) < qd::kReportSize;
  };
  const int failures = run_threads(600, [&](int) {
    for (int r = 0; r < scaled(3); ++r) {
      char* mine = qd_errtxt_adr();
      trace(QDE_LIBRARY_LOAD_FAILED, 0, "takeover");
      if (!inside(mine) || !inside(qd_errtxt_adr())) return 1;
      if (r % 2) trace_pop();
    }
    trace_pop();
    return 0;
  });
  EXPECT_EQ(failures, 0);
}

TEST_P(StressSizes, NumberedLocksExcludeAndRecurse) {
  const int threads = GetParam();
  const int each = scaled(threads == 64 ? 500 : 40);
  int counters[qd::kLockCount] = {};
  std::atomic<int> expected[qd::kLockCount] = {};
  const int failures = run_threads(threads, [&](int t) {
    for (int i = 0; i < each; ++i) {
      const int n = (t + i) % qd::kLockCount;
      if (qd::lock_enter(n) != 0) return 1;
      const int before = counters[n];
      if (i % 32 == 0) {  // the owner enters again, through the guard, and stays the owner
        qd::LockGuard again(n);
        std::this_thread::yield();
      }
      counters[n] = before + 1;
      qd::lock_leave(n);
      expected[n].fetch_add(1, std::memory_order_relaxed);
    }
    return 0;
  });
  EXPECT_EQ(failures, 0);
  for (int n = 0; n < qd::kLockCount; ++n) EXPECT_EQ(counters[n], expected[n].load()) << n;
  std::printf("locks: %d threads x %d entries\n", threads, each);
}

TEST_P(StressSizes, ConfigurationAnswersAsAlone) {
  const int threads = GetParam();
  const int each = scaled(200);
  const int failures = run_threads(threads, [&](int t) {
    int bad = 0;
    for (int i = 0; i < each; ++i) {
      const int k = (t * 4 + i % 4) % kKeys;  // four keys a thread (one in 16 shares them)
      // A value a thread was given changes only through its own later lookups.
      const char* w = win_os_getenv(key(k).c_str());
      const char* o = odbc_os_getenv(key(k).c_str());
      const char* unset = win_os_getenv(("UNSET_" + key(k)).c_str());
      if (!w || w != value(k, "win") || !o || o != value(k, "odbc") || unset ||
          odbc_os_getenv("NOSUCHKEY")) {
        ++bad;
      }
    }
    return bad;
  });
  EXPECT_EQ(failures, 0);
}

TEST_P(StressSizes, AccountingLinesWholeAndOnce) {
  const int threads = GetParam();
  qd::acct_reset_for_test();
  const std::string log = dir_.file("acct" + std::to_string(threads) + ".log");
  acct_config config{ACCT_MASK_ALL, 1, log.c_str()};
  ASSERT_EQ(acct_init(&config, 32672), 0);
  const int each = scaled(threads == 64 ? 40 : 8);
  // Every other line is the ERROR line of a report, written while the report is made.
  const int failures = run_threads(threads, [&](int t) {
    int bad = 0;
    g_report_slots.acquire();
    for (int i = 0; i < 2 * each; ++i) {
      const std::string tag =
          "t" + std::to_string(t) + "i" + std::to_string(i) + std::string(300, char('a' + t % 26));
      if (i % 2) {
        init_qderr();  // a report past 3000 characters would stop recording
        const int err = trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, tag.c_str(), "numeric(1)");
        bad += err == QDE_VALUE_OVERFLOW ? 0 : 1;
      } else {
        bad += acct_write(ACCT_EV_APPLIC, 3, tag.c_str(), tag.c_str(), tag.c_str()) == 0 ? 0 : 1;
      }
    }
    trace_pop();
    g_report_slots.release();
    return bad;
  });
  EXPECT_EQ(failures, 0);
  acct_exit();
  // Every line whole (nine fields, the three texts alike) and every tag exactly once.
  std::set<std::string> tags;
  int errors = 0;
  for (const std::string& line : qdtest::split(qdtest::read_file(log), '\n')) {
    const std::vector<std::string> f = qdtest::split(line, '\t');
    ASSERT_EQ(f.size(), 9u) << line;
    if (f[1] == "'ERROR'") {
      ++errors;
      continue;
    }
    EXPECT_EQ(f[1], "'APPLIC'");
    EXPECT_EQ(f[2], f[7]);
    EXPECT_EQ(f[2], f[8]);
    EXPECT_TRUE(tags.insert(f[2]).second) << "twice: " << f[2];
  }
  EXPECT_EQ(tags.size(), static_cast<size_t>(threads * each));
  EXPECT_EQ(errors, threads * each);
  std::printf("accounting: %d threads x %d lines\n", threads, each);
}

// Value operations on four threads at once, each thread with values of its own (and its
// own compiled templates, reports and report names): every round gives what one thread
// alone gets.
TEST_F(Stress, ValueOperationsAnswerAsAlone) {
  numtest::use_settings("en");
  qdxglob_val.trace_to_errtext = 0;
  qdxglob_val.wday_full[3] = "Wednesday";  // the names the date templates print
  qdxglob_val.wday_abbr[3] = "Wed";
  qdxglob_val.month_full[10] = "November";
  ASSERT_EQ(set_current(), 0);  // set here: the threads only read the current datetime
  const dtt::Value nov28 = dtt::make<int16_t>(qd::kYy, qd::kDd, qd::kMarkGregorian, {2007, 11, 28});
  const dtt::Value jan1 = dtt::make<int16_t>(qd::kYy, qd::kDd, qd::kMarkGregorian, {2000, 1, 1});
  // The names live on: a name is known by its address, as an export's own name is.
  const std::string names[4][2] = {
      {"named_0", "other_0"}, {"named_1", "other_1"}, {"named_2", "other_2"}, {"named_3", "other_3"}};
  const struct {
    const char* what;
    int rounds;
    std::function<bool(int, int)> right;  // whether round i of thread t gave the answer
  } work[] = {
      {"date templates", 400,
       [&](int t, int i) {
         const char* const templ[] = {"Day dd Month yyyy", "yyyy-mm-dd", "RM/YY", "dy"};
         const char* const want[] = {"Wednesday 28 November 2007", "2007-11-28", "XI/07", "wed"};
         const int k = (t + i / 3) % 4;  // each thread through all four in turn
         char text[64];
         return date2str(nov28.b, text, sizeof text, templ[k]) == 0 && std::string(text) == want[k];
       }},
      {"number templates", 2000,
       [](int t, int) {
         const char* const templ[] = {"S9G999D99", "0,000.0", "FM9999.999MI", "99,99,999"};
         const char* const want[] = {"+1,234.50", "1,234.5", "1234.5", "    1,234"};
         fixtest::Fix v = fixtest::make(t == 3 ? "1234" : "12345", t == 3 ? 0 : 1);
         char buf[32];
         return num2str(v.p(), 3, buf, sizeof buf, templ[t]) == 0 && std::string(buf) == want[t];
       }},
      {"calendar arithmetic", 5000,
       [&](int t, int i) {
         const dtt::Value days =
             dtt::make<int32_t>(dtt::kDd, dtt::kDd, dtt::kMarkPositive, {i * 4 + t});
         dtt::Value moved, back, diff;
         return dt_ts_add(jan1.b, days.b, moved.b) == 0 && dt_sub(moved.b, jan1.b, diff.b) == 0 &&
                dt_ts_sub(moved.b, days.b, back.b) == 0 &&
                qd::load<int32_t>(diff.b + 4) == i * 4 + t && dt_cmp(back.b, jan1.b) == 0;
       }},
      {"conversion reports", 200,
       [](int t, int) {
         const attrtype tiny = convtest::type_of("tinyint");
         const int32_t v = 1000 + t;
         int8_t out;
         init_qderr();
         return value_adapt_type(1, &v, &tiny, &out, nullptr) == 19002 &&
                qdtest::report_body() ==
                    "Number " + std::to_string(v) + " is out of the range of type tinyint. \n";
       }},
      {"named report headers", 300,
       [&](int t, int i) {
         const std::string& name = names[t][i % 2];
         qd::start_report_named(name.c_str());
         return std::string(qd_errtxt_adr()).rfind(name + " error report:\n", 0) == 0;
       }},
  };
  for (const auto& w : work) {
    const int rounds = scaled(w.rounds);
    const int failures = run_threads(4, [&](int t) {
      int bad = 0;
      for (int i = 0; i < rounds; ++i) bad += w.right(t, i) ? 0 : 1;
      trace_pop();
      return bad;
    });
    EXPECT_EQ(failures, 0) << w.what;
  }
}

}  // namespace
