// qdmswin.cpp: configuration lookup (initialisation file, built-in defaults, answer
// cache) and installation paths.
#include <atomic>
#include <cstring>
#include <initializer_list>
#include <mutex>

#include "base/limits.h"
#include "platform/platform.h"
#include "qdtype32/qdconfig.h"
#include "runtime/runtime_internal.h"

// Where an installed library keeps its data, relative to the library's directory (or,
// linked into a program, to the program's). The build passes the installation layout.
#ifndef QD_DATA_FROM_LIBDIR
#define QD_DATA_FROM_LIBDIR "../share/qdtype32"
#endif
#ifndef QD_DATA_FROM_BINDIR
#define QD_DATA_FROM_BINDIR "../share/qdtype32"
#endif

namespace qd {

namespace {

constexpr size_t kApplNameMax = 30;
constexpr size_t kCacheSize = 2048;
// A new answer needs at least this much room for its value; with less, the cache is
// emptied first (see win_os_getenv in qdconfig.h).
constexpr size_t kValueRoomMin = 300;
constexpr char kNotFound[] = "NOTFOUND";
constexpr char kOdbcSection[] = "QDODBC";

enum SearchState { kNotSearched = -1, kNoFile = 0, kPathNamesFile = 1, kFoundInInstallDir = 2 };

// A cache of answers: triples of zero-terminated name, section and value, appended in
// order; "NOTFOUND" as the value records an unset setting.
struct Answers {
  char cache[kCacheSize] = {};
  size_t end = 0;
  uint32_t generation = 0;  // of the thread caches: the settings they were filled under
};

struct Config {
  char appl_name[kApplNameMax + 1] = "QDWIN";
  char ini_name[kConfigPathMax + 1] = "qdwin.ini";
  char path_in_use[kConfigPathMax + 1] = "";
  int search_state = kNotSearched;
  char install_dir[kConfigPathMax + 1] = "";
  Answers shared;  // the process's answers: a setting is read from the file once
};
Config g_config;

// The process's answers, the file search and the file reading are guarded by g_lock,
// taken only when the calling thread has not been given the answer before. What a
// caller receives points into its own thread's copy of the answers, which only that
// thread's later lookups overwrite (when its cache starts over): another thread
// refilling a cache can never change or tear a value a thread was given.
std::mutex g_lock;
thread_local Answers t_answers;
// Emptying the caches (a new section or file) moves this on; a thread cache filled
// under an older generation is emptied at its next lookup.
std::atomic<uint32_t> g_generation{1};

void cut_copy(char* out, size_t size, const char* text) {
  size_t n = text ? strnlen(text, size - 1) : 0;
  if (n) std::memcpy(out, text, n);
  out[n] = 0;
}

// Under g_lock.
void empty_cache() {
  g_config.shared.end = 0;
  g_config.shared.cache[0] = 0;
  g_generation.fetch_add(1, std::memory_order_acq_rel);
}

bool file_usable(const char* path) {
  char names[64];
  int n = plat::profile_section_names(path, kNotFound, names, sizeof names);
  return n > 1 && std::strcmp(names, kNotFound) != 0;
}

// Chooses the initialisation file: beside the first of the system's modules loaded into
// this process (or the executable), else the plain name through the profile lookup.
void search_file() {
  static const char* const kModules[] = {"qdmtx.dll", "qdqdx32.dll", "qdker32.dll"};
  char dir[kConfigPathMax + 1] = "";
  bool have_dir = false;
  for (const char* m : kModules) {
    if (plat::module_directory(m, dir, sizeof dir)) {
      have_dir = true;
      break;
    }
  }
  if (!have_dir) have_dir = plat::executable_directory(dir, sizeof dir);
  if (have_dir) {
    cut_copy(g_config.install_dir, sizeof g_config.install_dir, dir);
    path_join(g_config.path_in_use, sizeof g_config.path_in_use, dir, nullptr, g_config.ini_name);
    if (file_usable(g_config.path_in_use)) {
      g_config.search_state = kFoundInInstallDir;
      return;
    }
  }
  cut_copy(g_config.path_in_use, sizeof g_config.path_in_use, g_config.ini_name);
  if (file_usable(g_config.path_in_use)) {
    g_config.search_state = kPathNamesFile;
    return;
  }
  g_config.path_in_use[0] = 0;
  g_config.search_state = kNoFile;
}

// The message catalogue, whose presence marks a directory as holding the catalogues.
constexpr char kCatalogueFile[] = "qderror.h";

bool file_exists(const char* path) {
  const int fd = plat::file_open(path, plat::kOpenRead, 0);
  if (fd < 0) return false;
  plat::file_close(fd);
  return true;
}

bool holds_catalogues(const char* dir) {
  char path[kConfigPathMax + 1];
  path_join(path, sizeof path, dir, nullptr, kCatalogueFile);
  return dir[0] != 0 && file_exists(path);
}

// The default of "QUARENDEL": the installation directory when the catalogues are kept
// there (a program that ships them beside itself, or the build tree), else the data
// directory the library was installed with, found from the library's own location so
// that a moved installation still finds its files; else the installation directory, so
// that a missing catalogue is reported under the path a caller would expect.
void installation_default(char* out, size_t size) {
  if (!holds_catalogues(g_config.install_dir)) {
    char module[kConfigPathMax + 1];
    bool in_executable = false;
    if (plat::library_directory(module, sizeof module, &in_executable) &&
        installed_data_dir(module, in_executable ? QD_DATA_FROM_BINDIR : QD_DATA_FROM_LIBDIR,
                           out, size)) {
      return;
    }
  }
  cut_copy(out, size, g_config.install_dir);
}

// The built-in default of a setting into out; "NOTFOUND" for settings without one.
void builtin_default(const char* name, char* out, size_t size) {
  static const struct {
    const char* name;
    const char* value;  // null: joined from the installation directory and `file`
    const char* file;
  } kDefaults[] = {
      {"LINKED_IN", "off", nullptr},
      {"QUARENDEL", nullptr, nullptr},
      {"QDKERNELDLL32", nullptr, "qdker32.dll"},
      {"QDKERNELDLL16", nullptr, "qdker16.dll"},
      {"HOSTACCESS32", nullptr, "qdwsoc32.dll"},
      {"HOSTACCESS16", nullptr, "qdwsoc16.dll"},
      {"QUARENDEL_SERVICENAMES", "2024:2025", nullptr},
      {"EDITOR", "notepad.exe", nullptr},
  };
  for (const auto& d : kDefaults) {
    if (ascii_casecmp(d.name, name) != 0) continue;
    if (d.value) {
      cut_copy(out, size, d.value);
    } else if (!d.file) {
      installation_default(out, size);
    } else {
      path_join(out, size, g_config.install_dir, nullptr, d.file);
    }
    return;
  }
  cut_copy(out, size, kNotFound);
}

// The zero-terminated string at `at` of a cache, or null when none ends inside it.
const char* cached_string(const Answers& a, size_t at, size_t* next) {
  if (at >= kCacheSize) return nullptr;
  const size_t n = strnlen(a.cache + at, kCacheSize - at);
  if (at + n >= kCacheSize) return nullptr;
  *next = at + n + 1;
  return a.cache + at;
}

// Copies text into a cache at `at`; the position after it.
size_t cache_put(Answers& a, size_t at, const char* text) {
  const size_t n = std::strlen(text) + 1;
  std::memcpy(a.cache + at, text, n);
  return at + n;
}

// 1. A cached answer, found or not: true with *value (null for an unset setting).
bool find_answer(Answers& a, const char* name, const char* section, char** value) {
  const size_t end = a.end < kCacheSize ? a.end : kCacheSize;
  for (size_t i = 0; i < end;) {
    size_t next = 0;
    const char* n = cached_string(a, i, &next);
    const char* s = n ? cached_string(a, next, &next) : nullptr;
    char* v = s ? const_cast<char*>(cached_string(a, next, &next)) : nullptr;
    if (!v) break;
    i = next;
    if (ascii_casecmp(n, name) == 0 && ascii_casecmp(s, section) == 0) {
      *value = std::strcmp(v, kNotFound) == 0 ? nullptr : v;
      return true;
    }
  }
  return false;
}

// 2. Room for a new triple (a full cache starts over), name and section appended: where
// the value goes, with *room bytes for it; null for a name no setting can have.
char* begin_answer(Answers& a, const char* name, const char* section, size_t* room) {
  const size_t need = std::strlen(name) + std::strlen(section) + 2 + kValueRoomMin;
  if (need > kCacheSize) return nullptr;
  size_t end = a.end;
  if (end + need > kCacheSize) end = 0;
  end = cache_put(a, cache_put(a, end, name), section);
  *room = kCacheSize - end;
  a.cache[end] = 0;
  return a.cache + end;
}

// 6. Keeps the value written at `value` and gives the caller's answer.
char* end_answer(Answers& a, char* value, size_t room) {
  a.end = static_cast<size_t>(value - a.cache) + strnlen(value, room - 1) + 1;
  return std::strcmp(value, kNotFound) == 0 ? nullptr : value;
}

// The process's answer under g_lock, copied to out ("NOTFOUND" when unset); false for
// a name no setting can have.
bool shared_answer(const char* name, const char* section, char* out, size_t size) {
  Answers& a = g_config.shared;
  char* found = nullptr;
  if (find_answer(a, name, section, &found)) {
    cut_copy(out, size, found ? found : kNotFound);
    return true;
  }
  size_t room = 0;
  char* value = begin_answer(a, name, section, &room);
  if (!value) return false;
  // 3. The file, searched for while none is in use.
  if (g_config.path_in_use[0] == 0) search_file();
  // 4. The setting from the file, 5. else its built-in default.
  if (g_config.search_state > kNoFile) {
    plat::profile_string(g_config.path_in_use, section, name, kNotFound, value,
                         static_cast<int>(room));
  }
  if (g_config.search_state <= kNoFile || std::strcmp(value, kNotFound) == 0) {
    builtin_default(name, value, room);
  }
  end_answer(a, value, room);
  cut_copy(out, size, value);
  return true;
}

char* lookup(const char* name, const char* section) {
  if (!name || !section) return nullptr;
  Answers& mine = t_answers;
  const uint32_t generation = g_generation.load(std::memory_order_acquire);
  if (mine.generation != generation) {
    mine.end = 0;
    mine.cache[0] = 0;
    mine.generation = generation;
  }
  char* value = nullptr;
  if (find_answer(mine, name, section, &value)) return value;
  char answer[kCacheSize];
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!shared_answer(name, section, answer, sizeof answer)) return nullptr;
  }
  size_t room = 0;
  value = begin_answer(mine, name, section, &room);
  if (!value) return nullptr;
  cut_copy(value, room, answer);
  return end_answer(mine, value, room);
}

}  // namespace

bool installed_data_dir(const char* module_dir, const char* rel, char* out, size_t size) {
  if (!module_dir || !rel || !out || size == 0) return false;
  char dir[kConfigPathMax + 1];
  cut_copy(dir, sizeof dir, module_dir);
  if (std::strlen(module_dir) >= sizeof dir) return false;
  size_t n = std::strlen(dir);
  while (n > 1 && plat::is_path_separator(dir[n - 1])) dir[--n] = 0;
  // Each leading ".." takes the last part off the (link-free) module directory.
  while (rel[0] == '.' && rel[1] == '.' && (plat::is_path_separator(rel[2]) || rel[2] == 0)) {
    char* last = dir + (path_file_part(dir) - dir);
    if (last == dir || !plat::is_path_separator(*--last)) return false;
    *(last == dir ? last + 1 : last) = 0;
    rel += rel[2] ? 3 : 2;
  }
  char joined[kConfigPathMax + 1];
  path_join(joined, sizeof joined, dir, nullptr, rel);
  if (std::strlen(joined) >= size || std::strlen(joined) >= kConfigPathMax || !holds_catalogues(joined)) {
    return false;
  }
  cut_copy(out, size, joined);
  return true;
}

char* install_path(char* out, size_t size, const char* sub, const char* file) {
  const char* dir = lookup("QUARENDEL", g_config.appl_name);
  return path_join(out, size, dir ? dir : "", sub, file);
}

void config_reset_for_test() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_config = Config{};
  g_generation.fetch_add(1, std::memory_order_acq_rel);
}

const char* config_path_in_use() { return g_config.path_in_use; }
int config_search_state() { return g_config.search_state; }
const char* config_install_dir() { return g_config.install_dir; }

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API char* win_os_getenv(const char* name) {
  if (!name) return nullptr;
  // The temporary-directory names come from the environment, under their usual
  // upper-case spelling whatever case the caller used.
  for (const char* env : {"TEMP", "TMP", "TMPDIR"}) {
    if (ascii_casecmp(name, env) == 0) return const_cast<char*>(plat::env_value(env));
  }
  return lookup(name, g_config.appl_name);
}

QD_EXTERN_C QD_API char* odbc_os_getenv(const char* name) { return lookup(name, kOdbcSection); }

QD_EXTERN_C QD_API char* win_set_appl_name(const char* name) {
  std::lock_guard<std::mutex> guard(g_lock);
  cut_copy(g_config.appl_name, sizeof g_config.appl_name, name);
  empty_cache();
  return g_config.appl_name;
}

QD_EXTERN_C QD_API char* win_set_ini_name(const char* name) {
  std::lock_guard<std::mutex> guard(g_lock);
  empty_cache();
  if (name && plat::path_is_absolute(name)) {
    cut_copy(g_config.path_in_use, sizeof g_config.path_in_use, name);
    g_config.search_state = kPathNamesFile;
    cut_copy(g_config.ini_name, sizeof g_config.ini_name, path_file_part(g_config.path_in_use));
  } else {
    g_config.path_in_use[0] = 0;
    g_config.search_state = kNotSearched;
    cut_copy(g_config.ini_name, sizeof g_config.ini_name, name);
  }
  return g_config.ini_name;
}

namespace qd {

int ascii_casecmp(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y || x == 0) return x - y;
  }
}

}  // namespace qd
