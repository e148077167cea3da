// Tests of the process services on POSIX: password reading through a pseudo-terminal and
// the stop message.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "platform/platform.h"
#include "test_support.h"

namespace {

// Runs win_os_getpass with a buffer of `size` bytes in a child: on its controlling
// terminal (a new pseudo-terminal whose output side passes bytes unchanged, `keys`
// typed once the prompt shows) or, without one, on its standard input (a pipe holding
// `keys`). Returns what the child showed after its prompt, then the result in brackets;
// a "!" before them marks a write past the buffer, another result than the buffer, or
// terminal modes not given back.
std::string getpass_in_child(bool terminal, const std::string& keys, int size) {
  int fd = -1, in[2], out[2];
  pid_t pid;
  std::fflush(nullptr);  // nothing buffered here is written twice
  if (terminal) {
    pid = forkpty(&fd, nullptr, nullptr, nullptr);
  } else {
    if (pipe(in) != 0 || pipe(out) != 0) return "no pipe";
    EXPECT_EQ(write(in[1], keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    close(in[1]);  // then the input ends
    pid = fork();
    fd = out[0];
  }
  if (pid == 0) {
    if (!terminal) {
      setsid();  // no controlling terminal from here on
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(out[1], 2);
    }
    termios before{}, after{};
    if (terminal) {
      tcgetattr(0, &before);
      before.c_oflag &= ~static_cast<tcflag_t>(OPOST);
      tcsetattr(0, TCSANOW, &before);
    }
    char buf[40];
    std::memset(buf, '#', sizeof buf);
    bool ok = win_os_getpass("P:", buf, size) == buf;
    for (size_t i = static_cast<size_t>(size); i < sizeof buf; ++i) ok = ok && buf[i] == '#';
    if (terminal) {
      tcgetattr(0, &after);
      ok = ok && after.c_lflag == before.c_lflag && after.c_iflag == before.c_iflag;
    }
    std::printf("%s[%s]", ok ? "" : "!", buf);
    std::fflush(stdout);
    _exit(0);
  }
  std::string seen;
  char tmp[256];
  const auto read_until = [&](const std::string& marker) {
    while (seen.find(marker) == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 5000) <= 0) break;
      const ssize_t n = read(fd, tmp, sizeof tmp);
      if (n <= 0) break;
      seen.append(tmp, static_cast<size_t>(n));
    }
  };
  if (terminal) {
    read_until("P:");
    EXPECT_EQ(write(fd, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  } else {
    close(in[0]);
    close(out[1]);
  }
  read_until("]");
  close(fd);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(seen.substr(0, 2), "P:");
  return seen.substr(std::min<size_t>(2, seen.size()));
}

TEST(GetpassTest, Keys) {
  for (const qdtest::Row& c : qdtest::read_cases("runtime/getpass.txt", 5)) {
    const int size = static_cast<int>(qdtest::num(c[1]));
    EXPECT_EQ(getpass_in_child(c[0] == "terminal", c[2], size), c[3]) << c[4];
  }
  char one = 'x';  // no room even for the terminator: nothing is read or written
  EXPECT_EQ(win_os_getpass("p", &one, 0), &one);
  EXPECT_EQ(one, 'x');
  EXPECT_EQ(win_os_getpass("p", nullptr, 10), nullptr);
}

TEST(MessageBoxStopDeathTest, ShowsTheTextAndEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(QdMessageBoxStop("The disk is full", "Quarendel"), "Quarendel: The disk is full");
  EXPECT_DEATH(QdMessageBoxStop(nullptr, nullptr), "");
}

}  // namespace
