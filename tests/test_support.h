// test_support.h: helpers shared by the test programs: scratch folders and files, case
// tables in data files, and a scope that gives the library's process-wide settings back
// as the test found them.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
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

// One field of a case line: trimmed; in double quotes it keeps its blanks and reads the
// escapes \xNN, \t, \n, \\ and \".
inline std::string field_of(std::string f) {
  const size_t b = f.find_first_not_of(" \t"), e = f.find_last_not_of(" \t");
  f = b == std::string::npos ? std::string() : f.substr(b, e - b + 1);
  if (f.size() < 2 || f.front() != '"' || f.back() != '"') return f;
  std::string out;
  for (size_t i = 1; i + 1 < f.size(); ++i) {
    if (f[i] != '\\') {
      out += f[i];
      continue;
    }
    const char c = f[++i];
    if (c == 'x') {
      out += static_cast<char>(std::strtol(f.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    }
  }
  return out;
}

// The cases of one kind from tests/data/<file>: lines "op | field | ...",
// '#' comment lines and blank lines skipped; each case without its op field. A file that
// cannot be read, or holds no case of op, fails the calling test.
inline std::vector<std::vector<std::string>> cases(const std::string& file, const char* op) {
  std::vector<std::vector<std::string>> out;
  std::ifstream in(std::string(QD_TEST_DATA_DIR) + "/" + file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
      if (i < line.size() && line[i] == '"' && (i == 0 || line[i - 1] != '\\')) quoted = !quoted;
      if (i == line.size() || (line[i] == '|' && !quoted)) {
        fields.push_back(field_of(line.substr(start, i - start)));
        start = i + 1;
      }
    }
    if (fields[0] == op) out.emplace_back(fields.begin() + 1, fields.end());
  }
  EXPECT_FALSE(out.empty()) << "no " << op << " cases in " << file;
  return out;
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
