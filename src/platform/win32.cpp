// win32.cpp: the platform layer on the Win32 API (32-bit and 64-bit Windows).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <conio.h>
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/memory.h"
#include "platform/platform.h"

namespace qd::plat {
namespace {

// The system's paths are at most MAX_PATH characters; longer ones are refused, never cut.
constexpr DWORD kPathMax = MAX_PATH;

int copy_cut(char* out, int size, const char* value) {
  if (!out || size <= 0) return 0;
  size_t n = std::strlen(value);
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  std::memcpy(out, value, n);
  out[n] = 0;
  return static_cast<int>(n);
}

// The directory part of a module's file name, without its final separator (a root such
// as "C:\" keeps it); false when the name does not fit or has no directory.
bool module_file_directory(HMODULE module, char* out, size_t size) {
  char path[kPathMax + 1];
  const DWORD n = GetModuleFileNameA(module, path, sizeof path);
  if (n == 0 || n >= sizeof path) return false;
  char* last = nullptr;
  for (char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') last = p;
  }
  if (!last) return false;
  const bool root = last == path || (last == path + 2 && path[1] == ':');
  *(root ? last + 1 : last) = 0;
  if (std::strlen(path) >= size) return false;  // a cut directory would name another
  copy_cut(out, static_cast<int>(size), path);
  return true;
}

// Opens path for reading when it is a regular file on a disk; a folder, a device (CON,
// NUL, COM1) or a pipe counts as missing. INVALID_HANDLE_VALUE with errno set otherwise.
HANDLE open_regular(const char* path) {
  if (!path || !*path) {
    errno = ENOENT;
    return INVALID_HANDLE_VALUE;
  }
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    errno = ENOENT;
    return INVALID_HANDLE_VALUE;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    errno = EISDIR;
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
    return INVALID_HANDLE_VALUE;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    errno = ENOENT;
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

// The profile functions look for a bare file name in the Windows folder; ours is looked
// for in the current directory, as the caller was promised. Empty when it cannot be made.
bool profile_path(const char* path, char* full, DWORD size) {
  const DWORD n = GetFullPathNameA(path, size, full, nullptr);
  if (n == 0 || n >= size) return false;
  HANDLE h = open_regular(full);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

}  // namespace

uint32_t thread_id() { return static_cast<uint32_t>(GetCurrentThreadId()); }

uint32_t process_id() { return static_cast<uint32_t>(GetCurrentProcessId()); }

// An event is the system's auto-reset event object; its handle is the Event pointer.
Event* event_create() {
  HANDLE h = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return static_cast<Event*>(static_cast<void*>(h));
}

void event_destroy(Event* e) {
  if (e) CloseHandle(static_cast<HANDLE>(static_cast<void*>(e)));
}

bool event_wait(Event* e) {
  return e && WaitForSingleObject(static_cast<HANDLE>(static_cast<void*>(e)), INFINITE) ==
                  WAIT_OBJECT_0;
}

bool event_signal(Event* e) {
  return e && SetEvent(static_cast<HANDLE>(static_cast<void*>(e))) != 0;
}

void yield_slice() { Sleep(0); }

void sleep_ms(uint32_t ms) { Sleep(ms); }

int file_open(const char* path, int flags, int mode) {
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  int f = _O_BINARY | _O_NOINHERIT;
  if (flags & kOpenReadWrite) {
    f |= _O_RDWR;
  } else if (flags & kOpenWrite) {
    f |= _O_WRONLY;
  } else {
    f |= _O_RDONLY;
  }
  if (flags & kOpenAppend) f |= _O_APPEND;
  if (flags & kOpenCreate) f |= _O_CREAT;
  if (flags & kOpenTruncate) f |= _O_TRUNC;
  // Windows knows only "read-only or not": any write bit of the owner keeps it writable.
  constexpr int kOwnerWrite = 0200;
  const int pmode = (mode & kOwnerWrite) ? (_S_IREAD | _S_IWRITE) : _S_IREAD;
  return _open(path, f, pmode);
}

int file_close(int fd) { return _close(fd); }

std::FILE* regular_file_read(const char* path) {
  HANDLE h = open_regular(path);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "rb");
  if (!f) _close(fd);
  return f;
}

const char* console_device() { return "CONOUT$"; }

bool errno_text(int e, char* buf, size_t size) {
  if (size == 0) return false;
  buf[0] = 0;
  if (e <= 0) return false;
  const char* d = std::strerror(e);
  if (!d || std::strncmp(d, "Unknown error", 13) == 0) return false;
  std::strncpy(buf, d, size - 1);
  buf[size - 1] = 0;
  return true;
}

// The system's own text for its last error (an event that could not be waited on or
// signalled sets it), else the C runtime's for errno.
char* last_error_text() {
  const DWORD code = GetLastError();
  const int e = errno;
  char text[256];
  DWORD n = 0;
  if (code != 0) {
    n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
    if (n > 0) text[n] = 0;
  }
  if (n == 0 && !errno_text(e, text, sizeof text)) {
    std::snprintf(text, sizeof text, "system error %d", code != 0 ? static_cast<int>(code) : e);
  }
  const size_t len = std::strlen(text) + 1;
  char* out = static_cast<char*>(qd::mem_alloc(len));
  if (out) std::memcpy(out, text, len);
  return out;
}

bool path_is_absolute(const char* path) {
  if (!path) return false;
  const unsigned char c = static_cast<unsigned char>(path[0]);
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return (letter && path[1] == ':' && path[2] == '\\') || (path[0] == '\\' && path[1] == '\\');
}

bool local_time_ms(LocalTime* out) {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  out->year = st.wYear;
  out->month = st.wMonth;
  out->day = st.wDay;
  out->hour = st.wHour;
  out->minute = st.wMinute;
  out->second = st.wSecond > 59 ? 59 : st.wSecond;
  out->millisecond = st.wMilliseconds;
  return true;
}

int profile_string(const char* path, const char* section, const char* key, const char* def,
                   char* out, int size) {
  if (!out || size <= 0) return 0;
  char full[kPathMax + 1];
  if (!section || !key || !profile_path(path, full, sizeof full)) {
    return copy_cut(out, size, def ? def : "");
  }
  return static_cast<int>(GetPrivateProfileStringA(section, key, def ? def : "", out,
                                                   static_cast<DWORD>(size), full));
}

int profile_section_names(const char* path, const char* def, char* out, int size) {
  if (!out || size < 2) return 0;
  char full[kPathMax + 1];
  if (!profile_path(path, full, sizeof full)) {
    const int n = copy_cut(out, size - 1, def ? def : "");
    out[n + 1] = 0;
    return n;
  }
  const DWORD n = GetPrivateProfileSectionNamesA(out, static_cast<DWORD>(size), full);
  // The list ends with an empty name; a full buffer holds as much as fitted.
  out[n < static_cast<DWORD>(size) ? n : static_cast<DWORD>(size) - 1] = 0;
  return static_cast<int>(n);
}

bool module_directory(const char* file_name, char* out, size_t size) {
  if (!file_name || !out || size == 0) return false;
  HMODULE m = GetModuleHandleA(file_name);
  return m && module_file_directory(m, out, size);
}

bool executable_directory(char* out, size_t size) {
  return out && size > 0 && module_file_directory(nullptr, out, size);
}

bool library_directory(char* out, size_t size, bool* in_executable) {
  if (!out || size == 0) return false;
  HMODULE self = nullptr;
  // Any function of the library tells which module holds its code.
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&library_directory), &self)) {
    return false;
  }
  if (in_executable) *in_executable = self == GetModuleHandleA(nullptr);
  return module_file_directory(self, out, size);
}

const char* env_value(const char* name) { return name ? std::getenv(name) : nullptr; }

bool host_name(char* out, size_t size) {
  if (!out || size == 0) return false;
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD n = sizeof name;
  if (!GetComputerNameA(name, &n)) return false;
  return copy_cut(out, static_cast<int>(size), name) >= 0;
}

bool user_name(char* out, size_t size) {
  const char* user = std::getenv("USERNAME");
  return out && size > 0 && user && copy_cut(out, static_cast<int>(size), user) >= 0;
}

int file_write_once(int fd, const void* data, unsigned size) { return _write(fd, data, size); }

uint32_t tick_ms() { return static_cast<uint32_t>(GetTickCount()); }

// ---- Console ---------------------------------------------------------------------------

struct Console {
  bool keyboard;  // standard input is the console: keys come unechoed through _getch
};

Console* console_open() {
  Console* c = qd::mem_new<Console>();
  if (!c) return nullptr;
  c->keyboard = GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_CHAR;
  return c;
}

int console_read_char(Console* c) {
  int b;
  if (c && c->keyboard) {
    b = _getch();
    // Function and arrow keys arrive as a prefix and a code: neither is a character.
    if (b == 0 || b == 0xE0) {
      (void)_getch();
      return 0;
    }
  } else {
    unsigned char byte = 0;
    if (_read(0, &byte, 1) != 1) return -1;
    b = byte;
  }
  if (b == '\n' || b == '\r') return '\r';
  return b;
}

void console_write(Console* c, const char* text, size_t size) {
  if (c && c->keyboard) {
    for (size_t i = 0; i < size; ++i) _putch(static_cast<unsigned char>(text[i]));
    return;
  }
  while (size > 0) {
    const int n = _write(kStderr, text, static_cast<unsigned>(size));
    if (n <= 0) return;
    text += n;
    size -= static_cast<size_t>(n);
  }
}

void console_close(Console* c) { qd::mem_delete(c); }

// ---- Processes -------------------------------------------------------------------------

struct Process {
  HANDLE handle;  // null for a detached process
};

Process* process_start(const char* command, bool detached) {
  if (!command) return nullptr;
  Process* p = qd::mem_new<Process>();
  if (!p) return nullptr;
  // CreateProcess may write into the command line, so it gets a copy of its own.
  const size_t n = std::strlen(command) + 1;
  char* line = static_cast<char*>(qd::mem_alloc(n));
  if (!line) {
    qd::mem_delete(p);
    return nullptr;
  }
  std::memcpy(line, command, n);
  STARTUPINFOA si{};
  GetStartupInfoA(&si);
  si.cb = sizeof si;
  si.dwFlags |= STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  const BOOL ok = CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &si, &pi);
  qd::mem_free(line);
  if (!ok) {
    qd::mem_delete(p);
    return nullptr;
  }
  CloseHandle(pi.hThread);
  if (detached) {
    CloseHandle(pi.hProcess);
  } else {
    p->handle = pi.hProcess;
  }
  return p;
}

bool process_running(Process* p, int* exit_code) {
  if (exit_code) *exit_code = -1;
  if (!p || !p->handle) return false;
  if (WaitForSingleObject(p->handle, 0) == WAIT_TIMEOUT) return true;
  DWORD code = 0;
  if (exit_code && GetExitCodeProcess(p->handle, &code)) *exit_code = static_cast<int>(code);
  return false;
}

void process_close(Process* p) {
  if (!p) return;
  if (p->handle) CloseHandle(p->handle);
  qd::mem_delete(p);
}

void dispatch_messages() {
  // What would let the user interrupt or close the waiting application is dropped.
  constexpr UINT kCtrlC = 3;
  constexpr WPARAM kCommandStop = 1000;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_CHAR && msg.wParam == kCtrlC) continue;
    if (msg.message == WM_COMMAND && LOWORD(msg.wParam) == kCommandStop) continue;
    if (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// ---- Directory listing -----------------------------------------------------------------

struct DirList {
  HANDLE find;
};

namespace {

void entry_of(const WIN32_FIND_DATAA& fd, DirEntry* out) {
  out->directory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  out->size = out->directory ? 0
                             : (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
  copy_cut(out->name, static_cast<int>(kDirNameSize), fd.cFileName);
}

}  // namespace

DirList* dir_open(const char* pattern, DirEntry* first) {
  if (!pattern || !first) return nullptr;
  DirList* list = qd::mem_new<DirList>();
  if (!list) return nullptr;
  WIN32_FIND_DATAA fd{};
  list->find = FindFirstFileA(pattern, &fd);
  if (list->find == INVALID_HANDLE_VALUE) {
    qd::mem_delete(list);
    return nullptr;
  }
  entry_of(fd, first);
  return list;
}

bool dir_next(DirList* list, DirEntry* out) {
  if (!list || !out) return false;
  WIN32_FIND_DATAA fd{};
  if (!FindNextFileA(list->find, &fd)) return false;
  entry_of(fd, out);
  return true;
}

void dir_close(DirList* list) {
  if (!list) return;
  FindClose(list->find);
  qd::mem_delete(list);
}

// ---- Stopping --------------------------------------------------------------------------

void message_box_stop(const char* text, const char* caption) {
  MessageBoxA(nullptr, text ? text : "", caption ? caption : "",
              MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  std::abort();
}

// ---- Library loading -------------------------------------------------------------------

void* module_load(const char* path) {
  return path ? static_cast<void*>(LoadLibraryA(path)) : nullptr;
}

ModuleEntry module_entry(void* module, const char* name) {
  if (!module || !name) return nullptr;
  FARPROC p = GetProcAddress(static_cast<HMODULE>(module), name);
  return reinterpret_cast<ModuleEntry>(reinterpret_cast<void (*)()>(p));
}

bool module_free(void* module) {
  return module && FreeLibrary(static_cast<HMODULE>(module)) != 0;
}

uint32_t error_mode_quiet() {
  return static_cast<uint32_t>(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
}

void error_mode_restore(uint32_t previous) { SetErrorMode(static_cast<UINT>(previous)); }

bool current_directory(char* out, size_t size) {
  if (!out || size == 0) return false;
  const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(size), out);
  if (n > 0 && n < size) return true;
  out[0] = 0;
  return false;
}

bool change_directory(const char* path) { return path && SetCurrentDirectoryA(path) != 0; }

}  // namespace qd::plat
