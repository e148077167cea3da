// test_support.h: helpers shared by the test programs: scratch folders and files, and a
// scope that gives the library's process-wide settings back as the test found them.
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

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
