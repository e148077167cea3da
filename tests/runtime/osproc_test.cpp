// Tests of the process services every platform shares: the paced abort check, the
// low-level write retry and command running (password reading: osproc_posix_test.cpp).
#include "report_support.h"
#include "runtime/os_internal.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

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
  qd::os_set_write_for_test(qdtest::fake_write);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fail_times << "/" << c.fail_errno);
    qdtest::fake_writes = {c.fail_times, c.fail_errno, 0, c.short_by, 0, false};
    errno = ERANGE;  // left over from earlier: cleared before each attempt
    EXPECT_EQ(qd::os_write(1, "12345678", 8), c.result);
    EXPECT_EQ(qdtest::fake_writes.calls, c.calls);
    EXPECT_FALSE(qdtest::fake_writes.errno_on_entry);
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

// Command lines of this platform. POSIX runs them through the shell; Windows starts the
// program they name as the system starts processes (cmd /c runs the interpreter's own
// commands), and its echo ends a line with "\r\n". kept_then_lost writes "k" into kept,
// then (past character 1023) "l" into lost.
#ifdef _WIN32
const std::string kMissing = "C:\\nonexistent\\program.exe", kShell = "cmd /c ";
const std::string kDone = "done\r\n";
std::string after_a_pause(const std::string& out) {
  return "cmd /c ping -n 2 127.0.0.1 >NUL & echo done> \"" + out + "\"";
}
std::string once_there(const std::string& go, const std::string& late) {
  return "cmd /c for /L %i in (1,1,3000) do @if exist \"" + go + "\" (echo late> \"" + late +
         "\" & exit) &";
}
std::string kept_then_lost(const std::string& kept, const std::string& lost) {
  std::string cmd = "cmd /c echo k> \"" + kept + "\" & echo ";
  return cmd + std::string(1023 - cmd.size(), 'x') + " & echo l> \"" + lost + "\"";
}
#else
const std::string kMissing = "/nonexistent/program", kShell = "";
const std::string kDone = "done\n";
std::string after_a_pause(const std::string& out) { return "sleep 0.3; echo done > '" + out + "'"; }
std::string once_there(const std::string& go, const std::string& late) {
  return "while [ ! -e '" + go + "' ]; do sleep 0.02; done; echo late > '" + late + "'&";
}
std::string kept_then_lost(const std::string& kept, const std::string& lost) {
  std::string cmd = "echo k > '" + kept + "'; : ";
  return cmd + std::string(1023 - cmd.size(), 'x') + "; echo l > '" + lost + "'";
}
#endif

TEST(SystemTest, WaitsUnlessTheCommandEndsWithAnAmpersand) {
  qdtest::TempDir dir;
  const std::string go = dir.file("go"), out = dir.file("out"), late = dir.file("late");
  // The file appears only after a pause: seeing it at return means the call waited.
  EXPECT_EQ(win_os_system(after_a_pause(out).c_str()), 0);
  EXPECT_EQ(qdtest::read_file(out), kDone);
  // This command cannot finish before the test creates "go": returning at all proves
  // the call did not wait.
  EXPECT_EQ(win_os_system(once_there(go, late).c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(late));
  dir.write("go", "");
  for (int i = 0; i < 1000 && !std::filesystem::exists(late); ++i) qd::plat::sleep_ms(10);
  EXPECT_TRUE(std::filesystem::exists(late));
#ifndef _WIN32
  // The command's process was never this process's child: nothing is left to reap.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
#endif
}

TEST(SystemTest, CannotStart) {
  // What a command gives through the POSIX shell, and on Windows, which knows at the start
  // whether the program exists, waited for or not.
  const struct {
    std::string command;
    int posix, windows;
  } cases[] = {
      {kMissing, -1, -1},
      {kMissing + " &", 0, -1},   // POSIX: not waited for, not known
      {kShell + "exit 3", 0, 0},  // started and ended: a failure of its own
      {"", 0, -1},                // Windows: no program named
      {"&", 0, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(win_os_system(c.command.c_str()), kShell.empty() ? c.posix : c.windows) << c.command;
  }
  EXPECT_EQ(win_os_system(nullptr), -1);
  if (kShell.empty()) {
    EXPECT_EQ(win_os_system("exit 127"), -1);  // indistinguishable, by design
  }
}

TEST(SystemTest, CommandIsCutAt1023Characters) {
  qdtest::TempDir dir;
  const std::string kept = dir.file("kept"), lost = dir.file("lost");
  EXPECT_EQ(win_os_system(kept_then_lost(kept, lost).c_str()), 0);
#ifdef _WIN32
  EXPECT_EQ(qdtest::read_file(kept).substr(0, 1), "k");
#else
  EXPECT_EQ(qdtest::read_file(kept), "k\n");
#endif
  EXPECT_FALSE(std::filesystem::exists(lost));
}

}  // namespace
