// oslowio.cpp: low-level open, close and write, the write retried while interrupted.
#include <atomic>
#include <cerrno>

#include "platform/platform.h"
#include "status/lowio.h"

namespace qd {

static_assert(kOsWrite == plat::kOpenWrite && kOsReadWrite == plat::kOpenReadWrite &&
                  kOsAppend == plat::kOpenAppend && kOsCreate == plat::kOpenCreate &&
                  kOsTruncate == plat::kOpenTruncate && kOsRead == plat::kOpenRead,
              "the runtime's flags are the platform's");

namespace {
std::atomic<OsWriteFn> g_write_once{nullptr};
}  // namespace

void os_set_write_for_test(OsWriteFn fn) { g_write_once.store(fn); }

int os_open(const char* path, int flags, int mode) {
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  return plat::file_open(path, flags, mode);
}

int os_close(int fd) { return plat::file_close(fd); }

int os_write(int fd, const void* data, unsigned size) {
  OsWriteFn write_once = g_write_once.load(std::memory_order_relaxed);
  if (!write_once) write_once = plat::file_write_once;
  int n = -1;
  for (int attempt = 0; attempt < kOsMaxWriteAttempts; ++attempt) {
    errno = 0;
    n = write_once(fd, data, size);
    if (n >= 0 || errno != EINTR) break;
  }
  return n;
}

}  // namespace qd
