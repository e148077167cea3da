// Tests of the process services every platform shares: the paced abort check and the
// low-level write retry (password reading and command running: osproc_*_test.cpp).
#include "platform/platform.h"
#include "runtime/os_internal.h"
#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace {

uint32_t g_now = 0;
int g_calls = 0;

TEST(PeekTest, AtMostOncePerGap) {
  qdtest::TempDir dir;
  qd::peek_set_tick_for_test([] { return g_now; });
  for (const qdtest::Row& c : qdtest::read_cases("runtime/peek.txt", 4)) {
    SCOPED_TRACE(c[0]);
    qd::config_reset_for_test();
    win_set_ini_name(dir.write("qdwin.ini", c[0]).c_str());
    if (c[1] == "0") {
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
    for (const std::string& step : qdtest::words(c[3])) {
      const std::vector<std::string> s = qdtest::split(step, '/');
      g_now = static_cast<uint32_t>(qdtest::num(s[0]));
      EXPECT_EQ(win_test_peekmessage(static_cast<int>(qdtest::num(s[1]))), 0);
      EXPECT_EQ(g_calls, qdtest::num(s[2])) << "at " << step;
    }
    EXPECT_EQ(qd::peek_gap(), qdtest::num(c[2]));
  }
  qd::peek_reset_for_test();
  qd::peek_set_tick_for_test(nullptr);
  qd::config_reset_for_test();
}

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
