// posix.cpp: the platform layer on Linux and other POSIX systems.
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <pthread.h>
#include <sched.h>
#include <strings.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/platform.h"

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

// ---- Initialisation files and module paths ---------------------------------------------

namespace qd::plat {
namespace {

// Lines longer than this are cut; the rest of such a line is skipped.
constexpr size_t kProfileLineMax = 1024;

// Reads one line into line (cut to kProfileLineMax - 1), without its end; false at EOF.
bool read_line(FILE* f, char* line) {
  size_t n = 0;
  int c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (n + 1 < kProfileLineMax) line[n++] = static_cast<char>(c);
  }
  line[n] = 0;
  return any;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// Trims blanks (and a CR of a CRLF line end) at both ends, in place.
char* trim(char* s) {
  while (is_blank(*s)) ++s;
  size_t n = std::strlen(s);
  while (n > 0 && is_blank(s[n - 1])) s[--n] = 0;
  return s;
}

// A section header line gives its name (trimmed), else null.
char* section_of(char* line) {
  if (*line != '[') return nullptr;
  char* close = std::strchr(line, ']');
  if (!close) return nullptr;
  *close = 0;
  return trim(line + 1);
}

int copy_cut(char* out, int size, const char* value) {
  if (!out || size <= 0) return 0;
  size_t n = std::strlen(value);
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  std::memcpy(out, value, n);
  out[n] = 0;
  return static_cast<int>(n);
}

}  // namespace

int profile_string(const char* path, const char* section, const char* key, const char* def,
                   char* out, int size) {
  FILE* f = path && *path ? std::fopen(path, "rb") : nullptr;
  if (!f) return copy_cut(out, size, def ? def : "");
  char line[kProfileLineMax];
  bool in_section = false;
  int result = -1;
  while (result < 0 && read_line(f, line)) {
    char* l = trim(line);
    if (*l == ';' || *l == 0) continue;
    if (char* name = section_of(l)) {
      in_section = strcasecmp(name, section) == 0;
      continue;
    }
    if (!in_section) continue;
    char* eq = std::strchr(l, '=');
    if (!eq) continue;
    *eq = 0;
    if (strcasecmp(trim(l), key) == 0) result = copy_cut(out, size, trim(eq + 1));
  }
  std::fclose(f);
  return result >= 0 ? result : copy_cut(out, size, def ? def : "");
}

int profile_section_names(const char* path, const char* def, char* out, int size) {
  if (!out || size < 2) return 0;
  FILE* f = path && *path ? std::fopen(path, "rb") : nullptr;
  int n = 0;
  if (!f) {
    n = copy_cut(out, size - 1, def ? def : "");
    out[n + 1] = 0;
    return n;
  }
  char line[kProfileLineMax];
  while (read_line(f, line)) {
    char* name = section_of(trim(line));
    if (!name) continue;
    size_t len = std::strlen(name);
    if (n + static_cast<int>(len) + 2 > size) break;
    std::memcpy(out + n, name, len + 1);
    n += static_cast<int>(len) + 1;
  }
  std::fclose(f);
  out[n] = 0;
  return n;
}

namespace {

struct ModuleSearch {
  const char* file_name;
  char* out;
  size_t size;
  bool found;
};

int visit_module(dl_phdr_info* info, size_t, void* data) {
  auto* s = static_cast<ModuleSearch*>(data);
  const char* path = info->dlpi_name;
  if (!path || !*path) return 0;
  const char* base = std::strrchr(path, '/');
  base = base ? base + 1 : path;
  if (std::strcmp(base, s->file_name) != 0) return 0;
  size_t dir_len = static_cast<size_t>(base - path);
  if (dir_len > 1) --dir_len;  // without the final separator, except for "/"
  if (dir_len >= s->size) dir_len = s->size - 1;
  std::memcpy(s->out, path, dir_len);
  s->out[dir_len] = 0;
  s->found = true;
  return 1;
}

}  // namespace

bool module_directory(const char* file_name, char* out, size_t size) {
  if (!file_name || !out || size == 0) return false;
  ModuleSearch s{file_name, out, size, false};
  dl_iterate_phdr(visit_module, &s);
  return s.found;
}

bool executable_directory(char* out, size_t size) {
  if (!out || size == 0) return false;
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return false;
  path[n] = 0;
  char* slash = std::strrchr(path, '/');
  if (!slash) return false;
  *(slash == path ? slash + 1 : slash) = 0;
  return copy_cut(out, static_cast<int>(size), path) >= 0;
}

const char* env_value(const char* name) { return std::getenv(name); }

}  // namespace qd::plat
