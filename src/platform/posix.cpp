// posix.cpp: the platform layer on Linux and other POSIX systems.
#include "platform/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace qd::plat {

uint32_t thread_id() {
  // Kernel thread ids are small positive numbers, spread well over their low bits.
  static thread_local uint32_t tid = static_cast<uint32_t>(syscall(SYS_gettid));
  return tid;
}

uint32_t process_id() { return static_cast<uint32_t>(getpid()); }

struct Event {
  std::mutex m;
  std::condition_variable cv;
  bool signalled = false;
};

Event* event_create() { return new (std::nothrow) Event; }

void event_destroy(Event* e) { delete e; }

bool event_wait(Event* e) {
  if (!e) return false;
  std::unique_lock<std::mutex> lk(e->m);
  e->cv.wait(lk, [e] { return e->signalled; });
  e->signalled = false;  // auto-reset: one wait consumes one signal
  return true;
}

bool event_signal(Event* e) {
  if (!e) return false;
  {
    std::lock_guard<std::mutex> lk(e->m);
    e->signalled = true;
  }
  e->cv.notify_one();
  return true;
}

void yield_slice() { sched_yield(); }

void sleep_ms(uint32_t ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int file_open(const char* path, int flags, int mode) {
  int f = O_CLOEXEC;
  if (flags & kOpenReadWrite) {
    f |= O_RDWR;
  } else if (flags & kOpenWrite) {
    f |= O_WRONLY;
  } else {
    f |= O_RDONLY;
  }
  if (flags & kOpenAppend) f |= O_APPEND;
  if (flags & kOpenCreate) f |= O_CREAT;
  if (flags & kOpenTruncate) f |= O_TRUNC;
  return open(path, f, static_cast<mode_t>(mode));
}

int file_write(int fd, const void* data, unsigned size) {
  const char* p = static_cast<const char*>(data);
  unsigned done = 0;
  int attempts = 0;
  while (done < size) {
    ssize_t n = write(fd, p + done, size - done);
    if (n < 0) {
      if (errno == EINTR && ++attempts < 10) continue;
      return -1;
    }
    done += static_cast<unsigned>(n);
  }
  return static_cast<int>(done);
}

int file_close(int fd) { return close(fd); }

const char* console_device() { return "/dev/tty"; }

bool errno_text(int e, char* buf, size_t size) {
  if (size == 0) return false;
  buf[0] = 0;
  if (e <= 0) return false;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
  const char* d = strerrordesc_np(e);
  if (!d) return false;
  std::strncpy(buf, d, size - 1);
  buf[size - 1] = 0;
  return true;
#else
  int saved = errno;
  errno = 0;
  const char* d = std::strerror(e);
  bool known = errno == 0 && d && std::strncmp(d, "Unknown error", 13) != 0;
  errno = saved;
  if (!known) return false;
  std::strncpy(buf, d, size - 1);
  buf[size - 1] = 0;
  return true;
#endif
}

char* last_error_text() {
  int e = errno;
  char text[256];
  if (!errno_text(e, text, sizeof text)) {
    std::snprintf(text, sizeof text, "system error %d", e);
  }
  size_t n = std::strlen(text) + 1;
  char* out = static_cast<char*>(std::malloc(n));
  if (out) std::memcpy(out, text, n);
  return out;
}

bool path_is_absolute(const char* path) { return path && path[0] == '/'; }

// ---- Date and time: local clock ----
bool local_time_ms(LocalTime* out) {
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  tm parts{};
  time_t secs = now.tv_sec;
  if (!localtime_r(&secs, &parts)) return false;
  out->year = parts.tm_year + 1900;
  out->month = parts.tm_mon + 1;
  out->day = parts.tm_mday;
  out->hour = parts.tm_hour;
  out->minute = parts.tm_min;
  out->second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
  out->millisecond = static_cast<int>(now.tv_nsec / 1000000L);
  return true;
}

}  // namespace qd::plat
