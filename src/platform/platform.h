// platform.h: the one list of operating-system services the library uses.
// posix.cpp and win32.cpp implement it; no other file includes an OS header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qd::plat {

// Identifiers: 32-bit, never 0 for a live thread.
uint32_t thread_id();
uint32_t process_id();

// Auto-reset event: signal releases one waiter (or the next wait if none is waiting).
struct Event;
Event* event_create();  // null when the system has none to give
void event_destroy(Event* e);
bool event_wait(Event* e);  // false when waiting failed
bool event_signal(Event* e);

void yield_slice();
void sleep_ms(uint32_t ms);

// Low-level files. Flags combine the constants below; results follow the C runtime:
// a descriptor >= 0, or -1 with the error in errno.
constexpr int kOpenRead = 0x0;
constexpr int kOpenWrite = 0x1;
constexpr int kOpenReadWrite = 0x2;
constexpr int kOpenAppend = 0x8;
constexpr int kOpenCreate = 0x100;
constexpr int kOpenTruncate = 0x200;
constexpr int kStderr = 2;
int file_open(const char* path, int flags, int mode);
// Writes all of data unless an error other than an interruption stops it; an
// interrupted write is retried, up to 10 attempts in all. Returns bytes written or -1.
int file_write(int fd, const void* data, unsigned size);
int file_close(int fd);

// The device that trace mode 2 writes to.
const char* console_device();

// Text of the last system error (the thread's errno), newly allocated with malloc;
// the caller frees it. Null only when no memory is left.
char* last_error_text();
// The C runtime's text for error code e into buf; false when the runtime has none.
bool errno_text(int e, char* buf, size_t size);

// Paths.
constexpr char kPathSeparator = '/';
bool path_is_absolute(const char* path);

// Initialisation files, read with profile semantics: sections and keys compared without
// case, the first match wins, values trimmed of blanks, lines starting with ';' are
// comments. A bare file name is looked for in the current directory.
// Copies the value of key in section (or def when absent) into out, cut to size - 1;
// returns the length copied.
int profile_string(const char* path, const char* section, const char* key, const char* def,
                   char* out, int size);
// The section names, each zero-terminated, the list ended by an empty name, cut to
// fit size; def (one name) when the file cannot be read. Returns the bytes used
// without the final zero.
int profile_section_names(const char* path, const char* def, char* out, int size);

// The directory of a module already loaded into the process, found by its file name;
// false when no such module is loaded.
bool module_directory(const char* file_name, char* out, size_t size);
// The directory of the running executable.
bool executable_directory(char* out, size_t size);
// A variable of the process environment, or null.
const char* env_value(const char* name);
// ---- Date and time: local clock ----
struct LocalTime {
  int year;    // full year
  int month;   // 1..12
  int day;     // 1..31
  int hour;    // 0..23
  int minute;  // 0..59
  int second;  // 0..59 (a leap second reads as 59)
  int millisecond;
};
// Reads the system clock with millisecond resolution as local time; false when the
// clock cannot be read or converted.
bool local_time_ms(LocalTime* out);

}  // namespace qd::plat
