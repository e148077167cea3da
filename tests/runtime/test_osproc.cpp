// Tests of the process services: password reading through a pseudo-terminal, command
// running, the paced abort check, the stop box and the low-level write retry.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "runtime/os_internal.h"
#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace {

// ---- Password reading -------------------------------------------------------------------

// A pseudo-terminal whose output side passes bytes unchanged, so echoes compare exactly.
class Pty {
 public:
  Pty() {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
    termios t;
    tcgetattr(slave_, &t);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(slave_, TCSANOW, &t);
  }
  ~Pty() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }
  bool ok() const { return master_ >= 0 && slave_ >= 0; }
  int master() const { return master_; }
  int slave() const { return slave_; }
  // What the terminal showed, until `want` bytes arrived or nothing came for wait_ms.
  std::string read(size_t want, int wait_ms = 5000) const {
    std::string out;
    char buf[256];
    while (out.size() < want) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, wait_ms) <= 0) break;
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<size_t>(n));
    }
    return out;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
};

struct Typed {
  std::string value;
  std::string echo;  // everything after the prompt
  bool returned_buffer;
  bool terminal_restored;
};

// Runs win_os_getpass on a pseudo-terminal, typing `keys` once the prompt is shown (the
// terminal is then unechoed, so no key is echoed by the line discipline).
Typed type_password(const std::string& keys, int size, size_t expected_echo) {
  Typed r{};
  Pty pty;
  if (!pty.ok()) {
    ADD_FAILURE() << "no pseudo-terminal";
    return r;
  }
  termios before;
  tcgetattr(pty.slave(), &before);
  qd::plat::console_use_fd_for_test(pty.slave());
  std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 1) + 8, '#');
  char* got = nullptr;
  std::thread reader([&] { got = win_os_getpass("Password: ", buffer.data(), size); });
  EXPECT_EQ(pty.read(10), "Password: ");
  EXPECT_EQ(write(pty.master(), keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  reader.join();
  qd::plat::console_use_fd_for_test(-1);
  r.echo = pty.read(expected_echo);
  r.echo += pty.read(1, 50);  // anything beyond what was expected
  r.value = buffer.data();
  r.returned_buffer = got == buffer.data();
  termios after;
  tcgetattr(pty.slave(), &after);
  r.terminal_restored = after.c_lflag == before.c_lflag && after.c_iflag == before.c_iflag;
  for (size_t i = static_cast<size_t>(size > 0 ? size : 1); i < buffer.size(); ++i) {
    EXPECT_EQ(buffer[i], '#') << "written past the buffer at " << i;
  }
  return r;
}

TEST(GetpassTest, KeysThroughATerminal) {
  struct Case {
    const char* what;
    std::string keys;
    int size;
    const char* value;
    std::string echo;
  } cases[] = {
      {"plain", "secret\r", 32, "secret", "******\n\r"},
      {"line feed ends too", "ab\n", 32, "ab", "**\n\r"},
      {"backspace erases a star", "abx\bc\r", 32, "abc", "***\b \b*\n\r"},
      {"backspace on nothing", "\b\ba\r", 32, "a", "*\n\r"},
      {"erase key of the terminal", "ab\x7f\r", 32, "a", "**\b \b\n\r"},
      {"ctrl-c empties", "abc\x03", 32, "", "***"},
      {"size 1 accepts nothing", "xyz\r", 1, "", "\n\r"},
      {"full buffer ignores", "abcdef\r", 4, "abc", "***\n\r"},
      {"room again after backspace", "abcd\bef\r", 4, "abe", "***\b \b*\n\r"},
      {"non-printables ignored", std::string("a\x01\x1b\tb\x80\xff c\x7e\r"), 32, "ab c~",
       "*****\n\r"},
      {"nul ignored", std::string("a\0b\r", 4), 32, "ab", "**\n\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Typed r = type_password(c.keys, c.size, c.echo.size());
    EXPECT_EQ(r.value, c.value);
    EXPECT_EQ(r.echo, c.echo);
    EXPECT_TRUE(r.returned_buffer);
    EXPECT_TRUE(r.terminal_restored);
  }
}

TEST(GetpassTest, NoBufferReadsNothing) {
  char one = 'x';
  EXPECT_EQ(win_os_getpass("p", &one, 0), &one);
  EXPECT_EQ(one, 'x');
  EXPECT_EQ(win_os_getpass("p", nullptr, 10), nullptr);
}

TEST(GetpassTest, ControllingTerminalOfAChild) {
  // The road a tool takes: no test terminal, the process's own controlling terminal.
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    char buf[16];
    win_os_getpass("Key: ", buf, sizeof buf);
    std::printf("[%s]", buf);
    std::fflush(stdout);
    _exit(0);
  }
  std::string seen;
  char tmp[256];
  auto read_until = [&](const std::string& marker) {
    while (seen.find(marker) == std::string::npos) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 5000) <= 0) return false;
      ssize_t n = read(master, tmp, sizeof tmp);
      if (n <= 0) return false;
      seen.append(tmp, static_cast<size_t>(n));
    }
    return true;
  };
  EXPECT_TRUE(read_until("Key: "));
  const std::string keys = "pasX\x7fs\r";
  EXPECT_EQ(write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  EXPECT_TRUE(read_until("]"));
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  EXPECT_NE(seen.find("[pass]"), std::string::npos) << seen;
  const std::string shown = seen.substr(0, seen.find('['));
  EXPECT_EQ(shown.find_first_of("pasX"), std::string::npos) << "echoed: " << shown;
  EXPECT_NE(shown.find("****\b \b*"), std::string::npos) << shown;
}

// Runs win_os_getpass in a child without a controlling terminal, its standard input
// fed from `input`; returns what it showed, followed by the result in brackets.
std::string getpass_without_terminal(const std::string& input) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) return "no pipe";
  EXPECT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(in[1]);  // then the input ends
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();  // no controlling terminal from here on
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(out[1], 2);
    char buf[8];
    win_os_getpass("P:", buf, sizeof buf);
    std::printf("[%s]", buf);
    std::fflush(stdout);
    _exit(0);
  }
  close(in[0]);
  close(out[1]);
  std::string seen;
  char tmp[256];
  ssize_t n;
  while ((n = read(out[0], tmp, sizeof tmp)) > 0) seen.append(tmp, static_cast<size_t>(n));
  close(out[0]);
  waitpid(pid, nullptr, 0);
  return seen;
}

TEST(GetpassTest, WithoutATerminalReadsStandardInput) {
  EXPECT_EQ(getpass_without_terminal("ab\bc\nzz"), "P:**\b \b*\n\r[ac]");
  EXPECT_EQ(getpass_without_terminal("xy"), "P:**[xy]");  // the end of input ends it
  EXPECT_EQ(getpass_without_terminal(""), "P:[]");
}

// ---- Commands ------------------------------------------------------------------------------

bool wait_for_file(const std::string& path) {
  for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i) qd::plat::sleep_ms(10);
  return std::filesystem::exists(path);
}

TEST(SystemTest, WaitsForTheCommand) {
  qdtest::TempDir dir;
  const std::string out = dir.file("out");
  // The file appears only after a pause: seeing it at return means the call waited.
  const std::string cmd = "sleep 0.3; echo done > '" + out + "'";
  EXPECT_EQ(win_os_system(cmd.c_str()), 0);
  EXPECT_EQ(qdtest::read_file(out), "done\n");
}

TEST(SystemTest, TrailingAmpersandDoesNotWait) {
  qdtest::TempDir dir;
  const std::string go = dir.file("go");
  const std::string out = dir.file("out");
  // The command cannot finish before the test creates "go": returning at all proves
  // the call did not wait.
  const std::string cmd =
      "while [ ! -e '" + go + "' ]; do sleep 0.02; done; echo late > '" + out + "'&";
  EXPECT_EQ(win_os_system(cmd.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(out));
  dir.write("go", "");
  EXPECT_TRUE(wait_for_file(out));
  // The command's process was never this process's child: nothing is left to reap.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(SystemTest, CannotStart) {
  struct Case {
    const char* command;
    int result;
  } cases[] = {
      {"/nonexistent/program", -1},   // the interpreter cannot find it
      {"/nonexistent/program &", 0},  // not waited for: not known
      {"exit 127", -1},               // indistinguishable, by design
      {"exit 3", 0},                  // started and ended: a failure of its own
      {"", 0},
      {"&", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(win_os_system(c.command), c.result) << c.command;
  EXPECT_EQ(win_os_system(nullptr), -1);
}

TEST(SystemTest, CommandIsCutAt1023Characters) {
  qdtest::TempDir dir;
  const std::string kept = dir.file("kept");
  const std::string lost = dir.file("lost");
  std::string cmd = "echo k > '" + kept + "'; : ";
  cmd += std::string(1023 - cmd.size(), 'x');
  ASSERT_EQ(cmd.size(), 1023u);
  cmd += "; echo l > '" + lost + "'";
  EXPECT_EQ(win_os_system(cmd.c_str()), 0);
  EXPECT_EQ(qdtest::read_file(kept), "k\n");
  EXPECT_FALSE(std::filesystem::exists(lost));
}

// ---- Abort check ---------------------------------------------------------------------------

uint32_t g_now = 0;
int g_calls = 0;
uint32_t fake_tick() { return g_now; }
void count_call() { ++g_calls; }

class PeekTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qd::config_reset_for_test();
    qd::peek_reset_for_test();
    qd::peek_set_tick_for_test(fake_tick);
    g_calls = 0;
    g_now = 0;
  }
  void TearDown() override {
    qd::peek_reset_for_test();
    qd::peek_set_tick_for_test(nullptr);
    qd::config_reset_for_test();
  }
  void use_ini(const std::string& content) {
    win_set_ini_name(dir_.write("qdwin.ini", content).c_str());
  }
  struct Step {
    uint32_t now;
    int force;
    int calls;  // calls so far, after this step
  };
  void run(const std::vector<Step>& steps) {
    for (const Step& s : steps) {
      g_now = s.now;
      EXPECT_EQ(win_test_peekmessage(s.force), 0);
      EXPECT_EQ(g_calls, s.calls) << "at " << s.now << " force " << s.force;
    }
  }
  qdtest::TempDir dir_;
};

TEST_F(PeekTest, NothingWithoutAProcedure) {
  use_ini("[QDWIN]\nPEEKTIMEGAP=100\n");
  EXPECT_EQ(win_test_peekmessage(0), 0);
  EXPECT_EQ(win_test_peekmessage(1), 0);
  EXPECT_EQ(qd::peek_gap(), -1);  // not even the gap was read
  EXPECT_EQ(win_set_abortproc(count_call), 0);
  EXPECT_EQ(win_set_abortproc(nullptr), 0);
  EXPECT_EQ(win_test_peekmessage(1), 0);
  EXPECT_EQ(g_calls, 0);
}

TEST_F(PeekTest, AtMostOncePerDefaultGap) {
  use_ini("[QDWIN]\nOTHER=1\n");
  win_set_abortproc(count_call);
  run({{1000, 0, 1},  // the first call always goes through
       {1010, 0, 1},  //
       {1030, 0, 1},  // exactly the gap: not more than it
       {1031, 0, 2},  //
       {1031, 1, 3},  // forced: always
       {1032, 1, 4},  //
       {1040, 0, 4},  // the forced call restarted the gap
       {1063, 0, 5},
       {1063, 0, 5}});
  EXPECT_EQ(qd::peek_gap(), 30);
}

TEST_F(PeekTest, TickWrapsAround) {
  use_ini("[QDWIN]\n");
  win_set_abortproc(count_call);
  run({{0xFFFFFFF0u, 0, 1}, {0x0Eu, 0, 1}, {0x0Fu, 0, 2}});
}

TEST_F(PeekTest, GapFromTheSettingReadOnce) {
  use_ini("[QDWIN]\nPEEKTIMEGAP=100\n");
  win_set_abortproc(count_call);
  run({{5000, 0, 1}, {5100, 0, 1}, {5101, 0, 2}});
  EXPECT_EQ(qd::peek_gap(), 100);
  use_ini("[QDWIN]\nPEEKTIMEGAP=5\n");  // the gap stays as first read
  run({{5150, 0, 2}, {5201, 0, 2}, {5202, 0, 3}});
  EXPECT_EQ(qd::peek_gap(), 100);
}

TEST_F(PeekTest, ZeroGapCallsEachTimeTheTickMoves) {
  use_ini("[QDWIN]\nPEEKTIMEGAP=0\n");
  win_set_abortproc(count_call);
  run({{7, 0, 1}, {7, 0, 1}, {8, 0, 2}});
}

// ---- Stopping --------------------------------------------------------------------------------

TEST(MessageBoxStopDeathTest, ShowsTheTextAndEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(QdMessageBoxStop("The disk is full", "Quarendel"), "Quarendel: The disk is full");
  EXPECT_DEATH(QdMessageBoxStop(nullptr, nullptr), "");
}

// ---- Low-level files -----------------------------------------------------------------------

struct FakeWrite {
  int fail_times;
  int fail_errno;
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
    int fail_times;
    int fail_errno;
    int short_by;
    int result;
    int calls;
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
    g_fake = FakeWrite{c.fail_times, c.fail_errno, c.short_by, 0, false};
    errno = ERANGE;  // left over from earlier: cleared before each attempt
    EXPECT_EQ(qd::os_write(1, "12345678", 8), c.result) << c.fail_times << "/" << c.fail_errno;
    EXPECT_EQ(g_fake.calls, c.calls) << c.fail_times << "/" << c.fail_errno;
    EXPECT_FALSE(g_fake.errno_set_on_entry);
    if (c.result < 0) {
      EXPECT_EQ(errno, c.fail_errno);
    }
  }
  qd::os_set_write_for_test(nullptr);
  errno = 0;
}

TEST(LowLevelFileTest, OpenWriteClose) {
  qdtest::TempDir dir;
  const std::string path = dir.file("log");
  for (int i = 0; i < 2; ++i) {
    int fd = qd::os_open(path.c_str(), qd::kOsWrite | qd::kOsAppend | qd::kOsCreate, 0666);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(qd::os_write(fd, "abc\n", 4), 4);
    EXPECT_EQ(qd::os_close(fd), 0);
  }
  EXPECT_EQ(qdtest::read_file(path), "abc\nabc\n");
  int fd = qd::os_open(path.c_str(), qd::kOsWrite | qd::kOsTruncate, 0);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(qd::os_close(fd), 0);
  EXPECT_EQ(qdtest::read_file(path), "");
  errno = 0;
  EXPECT_EQ(qd::os_open(dir.file("no/such/dir").c_str(), qd::kOsWrite | qd::kOsCreate, 0666), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(qd::os_open(nullptr, qd::kOsRead, 0), -1);
  errno = 0;
  EXPECT_EQ(qd::os_write(-1, "x", 1), -1);
  EXPECT_EQ(errno, EBADF);
  errno = 0;
}

}  // namespace
