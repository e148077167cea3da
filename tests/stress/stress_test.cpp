// Thread stress: error reports and their hand-over, the numbered locks, the configuration
// cache and the accounting log under 64 and 600 threads. Every thread checks its own
// results exactly (its report's text, its values, its log lines), not only that nothing
// crashed. Short by default; QD_STRESS_SCALE=<factor> multiplies every count (50 for the
// long mode, below 1 for the thread sanitizer's slow runs).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#if defined(__GLIBC__)
#include <pthread.h>
#endif
#include <cstdlib>
#include <cstring>
#include <semaphore>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "qderror.h"
#include "report_support.h"
#include "runtime/acct_internal.h"
#include "status/status_internal.h"

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

class Stress : public ::testing::Test {
 protected:
  void SetUp() override {
    qd::acct_reset_for_test();
    std::string ini;
    for (int k = 0; k < kKeys; ++k) ini += key(k) + "=" + value(k) + "\n";
    qdtest::use_catalogues(dir_, ini);
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
  void TearDown() override {
    qd::acct_reset_for_test();
    qd::config_reset_for_test();
  }
  static constexpr int kKeys = 64;
  static std::string key(int k) { return "STRESSKEY" + std::to_string(k); }
  static std::string value(int k) { return "value-" + std::to_string(k * 7919) + "-end"; }

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

  qdtest::TempDir dir_;
  qdtest::GlobalsScope globals_;
  ReportModel model_;
};

// At most this many threads hold a report at once, below the 256 slots: beyond them a
// thread takes over another's slot and its report by definition (not a fault).
std::counting_semaphore<256> g_report_slots(200);

TEST_F(Stress, ReportsStayEachThreadsOwn) {
  for (int threads : {64, 600}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
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
}

TEST_F(Stress, HandOverReachesTheReceiverWhole) {
  for (int threads : {64, 600}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    const int pairs = threads / 2;
    std::vector<std::atomic<uint32_t>> receiver_tid(static_cast<size_t>(pairs));
    std::vector<std::atomic<int>> handed(static_cast<size_t>(pairs));
    std::vector<std::string> sent(static_cast<size_t>(pairs));
    const int failures = run_threads(threads, [&](int t) {
      const int p = t / 2;
      if (t % 2) {  // receiver: holds a report of its own, which the hand-over replaces
        g_report_slots.acquire();
        init_qderr();
        receiver_tid[p].store(qd::plat::thread_id());
        while (handed[p].load() == 0) std::this_thread::yield();
        const int bad = qd_errtxt_adr() == sent[p] ? 0 : 1;
        trace_pop();
        g_report_slots.release();
        return bad;
      }
      g_report_slots.acquire();
      int bad = report_round(t, 0, 8);
      sent[p] = qd_errtxt_adr();
      while (receiver_tid[p].load() == 0) std::this_thread::yield();
      trace(qd::kHandOver, 0, static_cast<int>(qd::plat::thread_id()),
            static_cast<int>(receiver_tid[p].load()));
      handed[p].store(1);
      // The giver starts again from a fresh report.
      bad += qd_errtxt_adr() == model_.header ? 0 : 1;
      trace_pop();
      g_report_slots.release();
      return bad;
    });
    EXPECT_EQ(failures, 0);
  }
}

TEST_F(Stress, SlotTakeoversKeepMemorySafe) {
  // 600 threads holding reports at once: more than the 256 slots, so slots are taken
  // over. Reports may be lost by definition; the process must stay memory safe.
  const int failures = run_threads(600, [&](int) {
    for (int r = 0; r < scaled(3); ++r) {
      char* mine = qd_errtxt_adr();
      trace(QDE_LIBRARY_LOAD_FAILED, 0, "takeover");
      if (std::strlen(mine) >= qd::kReportSize) return 1;
      if (r % 2) trace_pop();
    }
    trace_pop();
    return 0;
  });
  EXPECT_EQ(failures, 0);
}

TEST_F(Stress, NumberedLocksExcludeAndRecurse) {
  for (int threads : {64, 600}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    const int each = scaled(threads == 64 ? 500 : 40);
    int counters[qd::kLockCount] = {};
    std::atomic<int> expected[qd::kLockCount] = {};
    const int failures = run_threads(threads, [&](int t) {
      for (int i = 0; i < each; ++i) {
        const int n = (t + i) % qd::kLockCount;
        if (qd::lock_enter(n) != 0) return 1;
        const int before = counters[n];
        if (i % 32 == 0) {  // the owner enters again and stays the owner
          if (qd::lock_enter(n) != 0) return 1;
          std::this_thread::yield();
          qd::lock_leave(n);
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
}

TEST_F(Stress, ConfigurationAnswersAsAlone) {
  for (int threads : {64, 600}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    const int each = scaled(200);
    const int failures = run_threads(threads, [&](int t) {
      int bad = 0;
      for (int i = 0; i < each; ++i) {
        const int k = (t * 31 + i) % kKeys;
        const char* v = (i % 2) ? win_os_getenv(key(k).c_str()) : odbc_os_getenv("NOSUCHKEY");
        bad += ((i % 2) ? v && value(k) == v : v == nullptr) ? 0 : 1;
      }
      return bad;
    });
    EXPECT_EQ(failures, 0);
  }
}

TEST_F(Stress, AccountingLinesWholeAndOnce) {
  for (int threads : {64, 600}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    qd::acct_reset_for_test();
    const std::string log = dir_.file("acct" + std::to_string(threads) + ".log");
    acct_config config{ACCT_MASK_ALL, 1, log.c_str()};
    ASSERT_EQ(acct_init(&config, 32672), 0);
    const int each = scaled(threads == 64 ? 40 : 8);
    const int failures = run_threads(threads, [&](int t) {
      int bad = 0;
      for (int i = 0; i < each; ++i) {
        const std::string tag = "t" + std::to_string(t) + "i" + std::to_string(i);
        bad += acct_write(ACCT_EV_APPLIC, 3, tag.c_str(), tag.c_str(), tag.c_str()) == 0 ? 0 : 1;
      }
      return bad;
    });
    EXPECT_EQ(failures, 0);
    acct_exit();
    // Every line whole (nine fields, the three texts alike) and every tag exactly once.
    std::set<std::string> tags;
    for (const std::string& line : qdtest::split(qdtest::read_file(log), '\n')) {
      const std::vector<std::string> f = qdtest::split(line, '\t');
      ASSERT_EQ(f.size(), 9u) << line;
      EXPECT_EQ(f[2], f[7]);
      EXPECT_EQ(f[2], f[8]);
      EXPECT_TRUE(tags.insert(f[2]).second) << "twice: " << f[2];
    }
    EXPECT_EQ(tags.size(), static_cast<size_t>(threads * each));
    std::printf("accounting: %d threads x %d lines\n", threads, each);
  }
}

}  // namespace
