// lowio.h: low-level open, close and write, for the trace channel and the runtime's files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace qd {

// Flags for os_open; they combine like the C runtime's.
constexpr int kOsRead = plat::kOpenRead;
constexpr int kOsWrite = plat::kOpenWrite;
constexpr int kOsReadWrite = plat::kOpenReadWrite;
constexpr int kOsAppend = plat::kOpenAppend;
constexpr int kOsCreate = plat::kOpenCreate;
constexpr int kOsTruncate = plat::kOpenTruncate;
constexpr int kOsMaxWriteAttempts = 10;

// A descriptor >= 0, or -1 with the cause in errno.
int os_open(const char* path, int flags, int mode);
// 0, or -1 with the cause in errno.
int os_close(int fd);
// One write of size bytes: its result (bytes written, possibly fewer than size, or -1
// with the cause in errno). While it fails as interrupted it is made again, up to
// kOsMaxWriteAttempts attempts in all, errno cleared before each.
int os_write(int fd, const void* data, unsigned size);

// The single write attempt os_write makes (null: the platform's).
using OsWriteFn = int (*)(int fd, const void* data, unsigned size);
void os_set_write_for_test(OsWriteFn fn);

}  // namespace qd
