// platform.h: the one list of operating-system services the library uses.
// posix.cpp and win32.cpp implement it; no other file includes an OS header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

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
int file_close(int fd);
// A text file the library reads (a catalogue, an initialisation file) as a stream, or
// null with errno set. Opening never waits, and only a regular file is taken: a FIFO,
// a directory or a device is refused as if the file were missing, since reading one
// could block for ever or never reach an end. The caller closes the stream with fclose.
std::FILE* regular_file_read(const char* path);

// The device that trace mode 2 writes to.
const char* console_device();

// Text of the last system error (the thread's errno; on Windows the system's last error
// code when one is set, with the system's own text), newly allocated with qd::mem_alloc;
// the caller releases it with qd::mem_free. Null only when no memory is left.
char* last_error_text();
// The C runtime's text for error code e into buf; false when the runtime has none.
bool errno_text(int e, char* buf, size_t size);

// Paths. Paths are built with kPathSeparator; is_path_separator also takes the other
// separator a system accepts ('/' on Windows). Absolute: a leading '/' on POSIX; on
// Windows a drive letter, a colon and a backslash, or two leading backslashes.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
constexpr bool is_path_separator(char c) { return c == '\\' || c == '/'; }
#else
constexpr char kPathSeparator = '/';
constexpr bool is_path_separator(char c) { return c == '/'; }
#endif
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
// The directory of the file that holds this library's code, with links resolved: the
// shared library itself, or the executable it was linked into (*in_executable says
// which). False when the system cannot tell.
bool library_directory(char* out, size_t size, bool* in_executable);
// A variable of the process environment, or null.
const char* env_value(const char* name);
// The machine's name and the user's login name into out (cut to size - 1); false when
// the system cannot tell.
bool host_name(char* out, size_t size);
bool user_name(char* out, size_t size);
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

// ---- Process, console and directory services ------------------------------------------

namespace qd::plat {

// One write attempt, as the C runtime's write: bytes written (possibly fewer than size)
// or -1 with the error in errno. Never retried here.
int file_write_once(int fd, const void* data, unsigned size);

// A millisecond tick counter; wraps after about 49 days, so compare differences.
uint32_t tick_ms();

// Console: a session that reads keys one by one without echo and writes characters to
// the terminal. On POSIX the terminal is the controlling one (/dev/tty), switched to
// unechoed, unbuffered input with signal keys off for the session and restored at its
// close; without a terminal, standard input and standard error serve. Keys arrive with
// the same codes on every platform: Enter (CR or LF) as 13, the terminal's erase key
// as 8, its interrupt key as 3.
struct Console;
// Null only when no memory is left; the calls below accept a null session.
Console* console_open();
int console_read_char(Console* c);  // a byte 0..255, or -1 at the end of input
void console_write(Console* c, const char* text, size_t size);
void console_close(Console* c);

// Processes: on POSIX the command runs through the system's command interpreter
// (/bin/sh -c); on Windows the command line names a program and its arguments, as the
// system starts processes (cmd /c runs the interpreter's own commands).
// A detached process is never waited for and never left for the caller to reap.
struct Process;
// Null when the interpreter cannot be started.
Process* process_start(const char* command, bool detached);
// True while the process exists. Once it has ended, *exit_code gets its exit status,
// or -1 when it was ended by a signal or its status is not known. Always false for a
// detached process.
bool process_running(Process* p, int* exit_code);
void process_close(Process* p);

// Directory listing. The pattern is a path whose file-name part may hold '*' (any run
// of characters) and '?' (any one character); "*.*" matches every name. Names are
// compared with case, as the file system stores them; "." and ".." are listed when
// the pattern matches them.
constexpr size_t kDirNameSize = 260;
struct DirEntry {
  bool directory;
  uint64_t size;
  char name[kDirNameSize];
};
struct DirList;
// Opens the listing and fetches its first entry; null when nothing matches or the
// directory cannot be read.
DirList* dir_open(const char* pattern, DirEntry* first);
// The next matching entry; false when there is none.
bool dir_next(DirList* list, DirEntry* out);
void dir_close(DirList* list);

// Dispatches the calling thread's pending window messages, dropping those that would let
// a user interrupt or close the application (Ctrl-C, command 1000, closing the window).
// Nothing to do on POSIX.
void dispatch_messages();

// Shows text under caption as a stopping message (standard error on POSIX) and ends
// the process abnormally.
[[noreturn]] void message_box_stop(const char* text, const char* caption);

}  // namespace qd::plat

// ---- Library loading and the accounting log -----------------------------------------

namespace qd::plat {

// Dynamic modules. The name is used as given (on POSIX the loader's own search rules
// apply to a name without a directory). A module is null when it cannot be loaded; an
// entry is null when the module has no such name.
using ModuleEntry = void (*)();
void* module_load(const char* path);
ModuleEntry module_entry(void* module, const char* name);
bool module_free(void* module);

// Switches off the system's dialogue boxes for missing files and similar failures;
// returns the previous mode for error_mode_restore. Nothing to switch on POSIX.
uint32_t error_mode_quiet();
void error_mode_restore(uint32_t previous);

// The process's current directory into out (false when it does not fit or cannot be
// read); change_directory is false when the change failed.
bool current_directory(char* out, size_t size);
bool change_directory(const char* path);

}  // namespace qd::plat
