// os_internal.h: low-level files and the process services' test seams, for the runtime's
// siblings and the rest of the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace qd {

// ---- Low-level files ---------------------------------------------------------------------
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

// ---- Test seams ----------------------------------------------------------------------------
// The single write attempt os_write makes (null: the platform's).
using OsWriteFn = int (*)(int fd, const void* data, unsigned size);
void os_set_write_for_test(OsWriteFn fn);
// The millisecond tick the abort check is timed by (null: the platform's).
using TickFn = uint32_t (*)();
void peek_set_tick_for_test(TickFn fn);
// Forgets the abort check, the gap read and the last call, as at load.
void peek_reset_for_test();
// The gap in use (-1 while not yet read).
int32_t peek_gap();

}  // namespace qd
