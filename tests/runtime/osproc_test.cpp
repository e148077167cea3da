// Tests of the process services every platform shares: the paced abort check and the
// low-level write retry (password reading and command running: osproc_*_test.cpp).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "runtime/os_internal.h"
#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace {

// ---- Abort check ---------------------------------------------------------------------------

uint32_t g_now = 0;
int g_calls = 0;

TEST(PeekTest, AtMostOncePerGap) {
  qdtest::TempDir dir;
  qd::peek_set_tick_for_test([] { return g_now; });
  struct Step {
    uint32_t now;
    int force, calls;  // calls so far, after the step
  };
  struct Case {
    const char* ini;
    bool again;  // the process goes on from the case before
    int32_t gap;
    std::vector<Step> steps;
  } cases[] = {
      // The first call always goes through; exactly the gap is not more than it.
      {"[QDWIN]\nOTHER=1\n", false, 30, {{1000, 0, 1}, {1010, 0, 1}, {1030, 0, 1}, {1031, 0, 2}}},
      // A forced call always goes through and restarts the gap.
      {"[QDWIN]\nOTHER=1\n", true, 30, {{1031, 1, 3}, {1032, 1, 4}, {1040, 0, 4}, {1063, 0, 5}}},
      // The tick wraps around.
      {"[QDWIN]\n", false, 30, {{0xFFFFFFF0u, 0, 1}, {0x0Eu, 0, 1}, {0x0Fu, 0, 2}}},
      {"[QDWIN]\nPEEKTIMEGAP=0\n", false, 0, {{7, 0, 1}, {7, 0, 1}, {8, 0, 2}}},
      {"[QDWIN]\nPEEKTIMEGAP=100\n", false, 100, {{5000, 0, 1}, {5100, 0, 1}, {5101, 0, 2}}},
      // The gap stays as first read.
      {"[QDWIN]\nPEEKTIMEGAP=5\n", true, 100, {{5150, 0, 2}, {5201, 0, 2}, {5202, 0, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    qd::config_reset_for_test();
    win_set_ini_name(dir.write("qdwin.ini", c.ini).c_str());
    if (!c.again) {
      qd::peek_reset_for_test();
      g_calls = 0;
      // Without a procedure nothing is called, and not even the gap is read.
      EXPECT_EQ(win_test_peekmessage(1), 0);
      EXPECT_EQ(win_set_abortproc([] { ++g_calls; }), 0);
      EXPECT_EQ(win_set_abortproc(nullptr), 0);
      EXPECT_EQ(win_test_peekmessage(1), 0);
      EXPECT_EQ(qd::peek_gap(), -1);
      win_set_abortproc([] { ++g_calls; });
    }
    for (const Step& s : c.steps) {
      g_now = s.now;
      EXPECT_EQ(win_test_peekmessage(s.force), 0);
      EXPECT_EQ(g_calls, s.calls) << "at " << s.now << " force " << s.force;
    }
    EXPECT_EQ(qd::peek_gap(), c.gap);
  }
  qd::peek_reset_for_test();
  qd::peek_set_tick_for_test(nullptr);
  qd::config_reset_for_test();
}

// ---- Low-level files -----------------------------------------------------------------------

struct FakeWrite {
  int fail_times, fail_errno;
  int short_by;  // a successful attempt writes this many bytes fewer
  int calls;
  bool errno_set_on_entry;
} g_fake;

int fake_write(int, const void*, unsigned size) {
  ++g_fake.calls;
  if (errno != 0) g_fake.errno_set_on_entry = true;
  if (g_fake.calls <= g_fake.fail_times) {
    errno = g_fake.fail_errno;
    return -1;
  }
  return static_cast<int>(size) - g_fake.short_by;
}

TEST(LowLevelFileTest, WriteRetriedWhileInterrupted) {
  struct Case {
    int fail_times, fail_errno, short_by, result, calls;
  } cases[] = {
      {0, 0, 0, 8, 1},        {1, EINTR, 0, 8, 2},
      {9, EINTR, 0, 8, 10},  // the tenth attempt is the last
      {10, EINTR, 0, -1, 10}, {50, EINTR, 0, -1, 10},
      {1, EIO, 0, -1, 1},                       // other errors are not retried
      {3, EAGAIN, 0, -1, 1},  {0, 0, 5, 3, 1},  // a short write is handed back as it is
      {2, EINTR, 8, 0, 3},
  };
  qd::os_set_write_for_test(fake_write);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fail_times << "/" << c.fail_errno);
    g_fake = FakeWrite{c.fail_times, c.fail_errno, c.short_by, 0, false};
    errno = ERANGE;  // left over from earlier: cleared before each attempt
    EXPECT_EQ(qd::os_write(1, "12345678", 8), c.result);
    EXPECT_EQ(g_fake.calls, c.calls);
    EXPECT_FALSE(g_fake.errno_set_on_entry);
    EXPECT_EQ(errno, c.result < 0 ? c.fail_errno : 0);
  }
  qd::os_set_write_for_test(nullptr);
  errno = 0;
}

TEST(LowLevelFileTest, OpenAppendWriteClose) {
  qdtest::TempDir dir;
  const std::string path = dir.file("log");
  for (int i = 0; i < 2; ++i) {
    int fd = qd::os_open(path.c_str(), qd::kOsWrite | qd::kOsAppend | qd::kOsCreate, 0666);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(qd::os_write(fd, "abc\n", 4), 4);
    EXPECT_EQ(qd::os_close(fd), 0);
  }
  EXPECT_EQ(qdtest::read_file(path), "abc\nabc\n");
  EXPECT_EQ(qd::os_open(nullptr, qd::kOsRead, 0), -1);
  errno = 0;
}

}  // namespace
