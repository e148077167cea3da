// posix.cpp: the platform layer on Linux and other POSIX systems.
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <fcntl.h>
#include <link.h>
#include <pthread.h>
#include <sched.h>
#include <strings.h>
#include <sys/stat.h>
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
#include "base/memory.h"

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

Event* event_create() { return qd::mem_new<Event>(); }

void event_destroy(Event* e) { qd::mem_delete(e); }

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

int file_close(int fd) { return close(fd); }

std::FILE* regular_file_read(const char* path) {
  if (!path || !*path) {
    errno = ENOENT;
    return nullptr;
  }
  // Without O_NONBLOCK, opening a FIFO waits for a writer, and a device may wait too.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int e = st.st_mode == 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = e;
    return nullptr;
  }
  // A regular file never blocks; reads go on in the usual mode.
  const int fl = fcntl(fd, F_GETFL);
  if (fl != -1) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "rb");
  if (!f) close(fd);
  return f;
}

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
  char* out = static_cast<char*>(qd::mem_alloc(n));
  if (out) std::memcpy(out, text, n);
  return out;
}

bool path_is_absolute(const char* path) { return path && path[0] == '/'; }

// ---- Date and time: local clock ----
bool local_time_ms(LocalTime* out) {
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  // The local time of the last second converted on this thread: callers that read the
  // clock on every call (str2date) convert once a second. A change of the offset (a
  // daylight saving switch) falls on a whole second, so it is never inside one.
  thread_local time_t last_secs = -1;
  thread_local LocalTime last{};
  const time_t secs = now.tv_sec;
  if (secs != last_secs) {
    tm parts{};
    if (!localtime_r(&secs, &parts)) return false;
    last.year = parts.tm_year + 1900;
    last.month = parts.tm_mon + 1;
    last.day = parts.tm_mday;
    last.hour = parts.tm_hour;
    last.minute = parts.tm_min;
    last.second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
    last_secs = secs;
  }
  *out = last;
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
  FILE* f = regular_file_read(path);
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
  FILE* f = regular_file_read(path);
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

bool library_directory(char* out, size_t size, bool* in_executable) {
  if (!out || size == 0) return false;
  Dl_info info{};
  link_map* map = nullptr;
  // Any function of the library tells where its code was loaded from.
  const void* self = reinterpret_cast<const void*>(&library_directory);
  if (dladdr1(self, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 || !map) {
    return false;
  }
  // The executable's own entry has no name: its path comes from the system.
  const bool exe = !map->l_name || !*map->l_name;
  if (in_executable) *in_executable = exe;
  char path[PATH_MAX];
  if (exe) {
    if (!executable_directory(path, sizeof path)) return false;
  } else {
    if (!realpath(map->l_name, path)) return false;
    char* slash = std::strrchr(path, '/');
    if (!slash) return false;
    *(slash == path ? slash + 1 : slash) = 0;
  }
  if (std::strlen(path) >= size) return false;  // a cut directory would name another
  copy_cut(out, static_cast<int>(size), path);
  return true;
}

const char* env_value(const char* name) { return std::getenv(name); }

bool host_name(char* out, size_t size) {
  if (!out || size == 0) return false;
  char name[HOST_NAME_MAX + 1];
  if (gethostname(name, sizeof name) != 0) return false;
  name[HOST_NAME_MAX] = 0;
  return copy_cut(out, static_cast<int>(size), name) >= 0;
}

bool user_name(char* out, size_t size) {
  const char* user = std::getenv("USER");
  if (!user) user = std::getenv("LOGNAME");
  return out && size > 0 && user && copy_cut(out, static_cast<int>(size), user) >= 0;
}

}  // namespace qd::plat

// ---- Process, console and directory services ------------------------------------------

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>

extern char** environ;

namespace qd::plat {

int file_write_once(int fd, const void* data, unsigned size) {
  return static_cast<int>(write(fd, data, size));
}

uint32_t tick_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms =
      static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

// ---- Console ---------------------------------------------------------------------------

struct Console {
  int in;
  int out;
  bool own_fd;  // the terminal was opened for this session
  bool raw;     // the terminal's settings were changed and are restored at the close
  termios saved;
};

Console* console_open() {
  Console* c = qd::mem_new<Console>();
  if (!c) return nullptr;
  c->in = 0;
  c->out = kStderr;
  int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    c->in = c->out = fd;
    c->own_fd = true;
  }
  if (tcgetattr(c->in, &c->saved) == 0) {
    termios t = c->saved;
    // Keys one at a time, unechoed, with Ctrl-C and the like delivered as bytes; the
    // output side keeps its line-end translation.
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    // Type-ahead made before the prompt is dropped, as a password reader should.
    c->raw = tcsetattr(c->in, TCSAFLUSH, &t) == 0;
  }
  return c;
}

int console_read_char(Console* c) {
  const int in = c ? c->in : 0;
  unsigned char b = 0;
  ssize_t n;
  do {
    n = read(in, &b, 1);
  } while (n < 0 && errno == EINTR);
  if (n != 1) return -1;
  if (b == '\n' || b == '\r') return '\r';
  if (c && c->raw) {
    const cc_t erase = c->saved.c_cc[VERASE];
    const cc_t intr = c->saved.c_cc[VINTR];
    if (erase != _POSIX_VDISABLE && b == erase) return 8;
    if (intr != _POSIX_VDISABLE && b == intr) return 3;
  }
  return b;
}

void console_write(Console* c, const char* text, size_t size) {
  const int out = c ? c->out : kStderr;
  while (size > 0) {
    ssize_t n = write(out, text, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text += n;
    size -= static_cast<size_t>(n);
  }
}

void console_close(Console* c) {
  if (!c) return;
  if (c->raw) tcsetattr(c->in, TCSAFLUSH, &c->saved);
  if (c->own_fd) close(c->in);
  qd::mem_delete(c);
}

// ---- Processes -------------------------------------------------------------------------

struct Process {
  pid_t pid;
  bool detached;
  bool ended;
  int exit_code;
};

namespace {

// Waits for a child to end, through interruptions; its status, or -1 when unknown.
int reap(pid_t pid) {
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  return r == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

Process* process_start(const char* command, bool detached) {
  if (!command) return nullptr;
  Process* p = qd::mem_new<Process>();
  if (!p) return nullptr;
  // The child reports a failed exec through this pipe; a successful exec closes it.
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    qd::mem_delete(p);
    return nullptr;
  }
  // Everything the child needs is made before the fork: after it, in a process that may
  // have other threads, the child calls only async-signal-safe functions.
  char shell[] = "/bin/sh";
  char arg0[] = "sh";
  char arg1[] = "-c";
  char* argv[] = {arg0, arg1, const_cast<char*>(command), nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (detached) {
      // The shell runs in a grandchild: its parent ends at once and init adopts it.
      const pid_t g = fork();
      if (g > 0) _exit(0);
      if (g < 0) {
        int e = errno;
        ssize_t w = write(fds[1], &e, sizeof e);
        (void)w;
        _exit(127);
      }
    }
    execve(shell, argv, environ);
    int e = errno;
    ssize_t w = write(fds[1], &e, sizeof e);
    (void)w;
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    qd::mem_delete(p);
    return nullptr;
  }
  int child_error = 0;
  ssize_t n;
  do {
    n = read(fds[0], &child_error, sizeof child_error);
  } while (n < 0 && errno == EINTR);
  close(fds[0]);
  if (detached) reap(pid);  // the intermediate child, which ends at once
  if (n > 0) {
    if (!detached) reap(pid);
    qd::mem_delete(p);
    errno = child_error;
    return nullptr;
  }
  p->pid = pid;
  p->detached = detached;
  p->ended = detached;
  p->exit_code = -1;
  return p;
}

bool process_running(Process* p, int* exit_code) {
  if (!p) {
    if (exit_code) *exit_code = -1;
    return false;
  }
  if (!p->ended) {
    int status = 0;
    pid_t r;
    do {
      r = waitpid(p->pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return true;
    // Ended, or reaped by someone else (a host ignoring SIGCHLD): gone either way.
    p->ended = true;
    p->exit_code = r == p->pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  if (exit_code) *exit_code = p->exit_code;
  return false;
}

void process_close(Process* p) { qd::mem_delete(p); }

// ---- Directory listing -----------------------------------------------------------------

struct DirList {
  DIR* dir;
  char pattern[kDirNameSize];  // the file-name part of the pattern
};

namespace {

// '*' matches any run of characters, '?' any one; everything else itself.
bool wild_match(const char* pat, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pat == '*') {
      star = pat++;
      resume = name;
    } else if (*pat == '?' || *pat == *name) {
      ++pat;
      ++name;
    } else if (star) {
      pat = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pat == '*') ++pat;
  return *pat == 0;
}

bool fetch(DirList* list, DirEntry* out) {
  while (dirent64* d = readdir64(list->dir)) {
    if (!wild_match(list->pattern, d->d_name)) continue;
    const size_t len = std::strlen(d->d_name);
    if (len >= kDirNameSize) continue;  // cannot be handed out whole
    std::memcpy(out->name, d->d_name, len + 1);
    struct stat64 st;
    if (fstatat64(dirfd(list->dir), d->d_name, &st, 0) == 0) {
      out->directory = S_ISDIR(st.st_mode);
      out->size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    } else {
      out->directory = d->d_type == DT_DIR;
      out->size = 0;
    }
    return true;
  }
  return false;
}

}  // namespace

DirList* dir_open(const char* pattern, DirEntry* first) {
  if (!pattern || !first) return nullptr;
  const char* slash = std::strrchr(pattern, '/');
  const char* file = slash ? slash + 1 : pattern;
  const size_t file_len = std::strlen(file);
  if (file_len == 0 || file_len >= kDirNameSize) return nullptr;
  char dir[4096];
  if (!slash) {
    std::strcpy(dir, ".");
  } else {
    size_t n = static_cast<size_t>(slash - pattern);
    if (n == 0) n = 1;  // "/name": the root
    if (n >= sizeof dir) return nullptr;
    std::memcpy(dir, pattern, n);
    dir[n] = 0;
  }
  DirList* list = qd::mem_new<DirList>();
  if (!list) return nullptr;
  std::memcpy(list->pattern, std::strcmp(file, "*.*") == 0 ? "*" : file,
              std::strcmp(file, "*.*") == 0 ? 2 : file_len + 1);
  list->dir = opendir(dir);
  if (!list->dir || !fetch(list, first)) {
    dir_close(list);
    return nullptr;
  }
  return list;
}

bool dir_next(DirList* list, DirEntry* out) { return list && out && fetch(list, out); }

void dir_close(DirList* list) {
  if (!list) return;
  if (list->dir) closedir(list->dir);
  qd::mem_delete(list);
}

// Without window messages there is nothing to dispatch.
void dispatch_messages() {}

// ---- Stopping --------------------------------------------------------------------------

void message_box_stop(const char* text, const char* caption) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  std::fflush(stderr);
  std::abort();
}

}  // namespace qd::plat

// ---- Library loading and the accounting log -----------------------------------------

#include <dlfcn.h>

namespace qd::plat {

void* module_load(const char* path) {
  if (!path) return nullptr;
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

ModuleEntry module_entry(void* module, const char* name) {
  if (!module || !name) return nullptr;
  void* p = dlsym(module, name);
  ModuleEntry fn;
  static_assert(sizeof fn == sizeof p, "entries are as wide as data pointers");
  std::memcpy(&fn, &p, sizeof fn);
  return fn;
}

bool module_free(void* module) { return module && dlclose(module) == 0; }

uint32_t error_mode_quiet() { return 0; }

void error_mode_restore(uint32_t) {}

bool current_directory(char* out, size_t size) {
  if (!out || size == 0) return false;
  if (getcwd(out, size)) return true;
  out[0] = 0;
  return false;
}

bool change_directory(const char* path) { return path && chdir(path) == 0; }

}  // namespace qd::plat
