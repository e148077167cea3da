// test_support.h: helpers shared by the test programs: scratch folders and files, case
// tables in data files, and a scope that gives the library's process-wide settings back
// as the test found them. It brings GoogleTest and the standard headers below to every
// test, so a test file names only the headers beyond them.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
// Old segment words the system's headers still define; tests use them as names.
#undef near
#undef far
#else
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "qdtype32/qdtype32.h"

namespace qdtest {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    for (;;) {
      path_ = std::filesystem::temp_directory_path() /
              ("qdtest_" + std::to_string(rd()) + "_" + std::to_string(rd()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out << content;
    return file(name);
  }

 private:
  std::filesystem::path path_;
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The cases of tests/data/<file>: one case a line, fields split by '|', blanks
// around a field dropped, '#' starts a comment, blank lines skipped. In double quotes a
// field keeps its blanks, '|' and '#'. Anywhere, \xNN, \t, \n, \r and \<char> give that byte.
// A missing file, one without cases, or (when fields is given) a row of another width
// fails the calling test.
using Row = std::vector<std::string>;
inline std::vector<Row> read_cases(const std::string& name, size_t fields = 0) {
  std::vector<Row> rows;
  std::ifstream in(std::string(QD_TEST_DATA_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.is_open()) << "cannot open " << name;
  std::string line;
  while (std::getline(in, line)) {
    Row row(1);
    size_t keep = 0;  // length of the current field up to its last kept byte
    bool quoted = false, content = false;
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      std::string& f = row.back();
      if (c == '"') {
        quoted = !quoted;
        content = true;
        keep = f.size();
      } else if (!quoted && c == '#') {
        break;
      } else if (!quoted && c == '|') {
        f.resize(keep);
        row.emplace_back();
        keep = 0;
        content = true;
      } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
        if (!f.empty()) f += c;
      } else {
        if (c == '\\' && i + 1 < line.size()) {
          c = line[++i];
          if (c == 'x' && i + 2 < line.size()) {
            c = static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
            i += 2;
          } else if (c == 't') {
            c = '\t';
          } else if (c == 'n') {
            c = '\n';
          } else if (c == 'r') {
            c = '\r';
          }
        }
        f += c;
        keep = f.size();
        content = true;
      }
    }
    row.back().resize(keep);
    if (content) rows.push_back(row);
  }
  EXPECT_FALSE(rows.empty()) << "no cases in " << name;
  if (fields) {
    for (const Row& r : rows) EXPECT_EQ(r.size(), fields) << name << ": " << r[0];
    std::erase_if(rows, [fields](const Row& r) { return r.size() != fields; });
  }
  return rows;
}

// Every from in s replaced by to.
inline void replace_all(std::string& s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

// A number field: decimal, or hexadecimal after "0x".
inline long long num(const std::string& s) {
  return std::strtoll(s.c_str(), nullptr, s.find("0x") == std::string::npos ? 10 : 16);
}

// The cases of one kind: the rows whose first field is op, without that field. A file
// without such rows fails the calling test.
inline std::vector<Row> cases(const std::string& file, const char* op) {
  std::vector<Row> out;
  for (const Row& row : read_cases(file)) {
    if (row[0] == op) out.emplace_back(row.begin() + 1, row.end());
  }
  EXPECT_FALSE(out.empty()) << "no " << op << " cases in " << file;
  return out;
}

// The parts of text between the separators sep.
inline std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
  return parts;
}

// The blank-separated words of text.
inline std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// A text field of a case, or null where the field is <null>.
inline const char* text_or_null(const std::string& field) {
  return field == "<null>" ? nullptr : field.c_str();
}

// Whether text holds part; a failure shows both.
inline ::testing::AssertionResult has(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

// Runs work(0) .. work(n - 1) each on a thread of its own and waits for all of them.
inline void on_threads(int n, const std::function<void(int)>& work) {
  std::vector<std::thread> threads;
  for (int t = 0; t < n; ++t) threads.emplace_back(work, t);
  for (std::thread& th : threads) th.join();
}

// ---- What the platforms provide differently --------------------------------------------

// Sets (value non-null) or removes a variable of the process environment.
inline void set_env(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

// A path that names no regular file, of kind "fifo", "folder" or "device", made at path
// where the platform can: the path to use, or "" when this platform has no such thing
// there (Windows has no FIFOs, and its devices have names of their own, so a device is
// only given when `anywhere` allows another path than path).
inline std::string make_non_regular(const std::string& path, const std::string& kind,
                                    bool anywhere) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  if (kind == "folder") return std::filesystem::create_directory(path) ? path : "";
#ifdef _WIN32
  return kind == "device" && anywhere ? "NUL" : "";
#else
  (void)anywhere;
  if (kind == "fifo") return mkfifo(path.c_str(), 0600) == 0 ? path : "";
  std::filesystem::create_symlink("/dev/null", path, ec);
  return ec ? "" : path;
#endif
}

// Memory of `pages` pages, every second one of which (the 2nd, 4th, ...) cannot be
// touched: a read past the end of the page before it stops the program.
class GuardedPages {
 public:
  explicit GuardedPages(size_t pages) : pages_(pages) {
#ifdef _WIN32
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    page_ = si.dwPageSize;
    mem_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, pages * page_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD old = 0;
    for (size_t i = 1; mem_ && i < pages; i += 2) {
      VirtualProtect(mem_ + i * page_, page_, PAGE_NOACCESS, &old);
    }
#else
    page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* m =
        mmap(nullptr, pages * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    mem_ = m == MAP_FAILED ? nullptr : static_cast<unsigned char*>(m);
    for (size_t i = 1; mem_ && i < pages; i += 2) mprotect(mem_ + i * page_, page_, PROT_NONE);
#endif
  }
  ~GuardedPages() {
#ifdef _WIN32
    if (mem_) VirtualFree(mem_, 0, MEM_RELEASE);
#else
    if (mem_) munmap(mem_, pages_ * page_);
#endif
  }
  GuardedPages(const GuardedPages&) = delete;
  GuardedPages& operator=(const GuardedPages&) = delete;
  // The start of page i, or null when the memory could not be had.
  unsigned char* page(size_t i) const { return mem_ ? mem_ + i * page_ : nullptr; }
  size_t page_size() const { return page_; }

 private:
  size_t pages_;
  size_t page_ = 0;
  unsigned char* mem_ = nullptr;
};

// Whether work, run on a thread of its own, ends within `seconds`. Work stuck on the FIFO
// `fifo` (opening it waits for a writer, reading it for data) is released by opening
// and closing its write end, so a regression fails the calling test instead of hanging
// the run; work stuck elsewhere is left behind on its thread.
inline bool finishes_within(double seconds, const std::string& fifo, std::function<void()> work) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread t([done, work] {
    work();
    done->store(true);
  });
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done->load() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const bool in_time = done->load();
  for (int i = 0; !done->load() && i < 200; ++i) {
#ifdef _WIN32
    (void)fifo;  // no FIFOs here
#else
    const int fd = fifo.empty() ? -1 : ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
#endif
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (done->load()) {
    t.join();
  } else {
    t.detach();
  }
  return in_time;
}

// Saves the settings record and the error flags and gives them back at the end.
class GlobalsScope {
 public:
  GlobalsScope() : saved_(qdxglob_val), hard_(qd_harderror) {}
  ~GlobalsScope() {
    qdxglob_val = saved_;
    qd_harderror = hard_;
    *get_qderrno_adr() = 0;
    set_qderrstring(nullptr);
    yes_merror();
    errno = 0;
  }

 private:
  qdxglob_record saved_;
  int32_t hard_;
};

}  // namespace qdtest
