// Tests of the directory listing: patterns, the two-entry buffer protocol, the entry
// layout the host reads, and bad arguments.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "test_support.h"

namespace {

class DirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("a.txt", "hello");
    dir_.write("b.txt", "");
    dir_.write("c.log", "0123456789");
    dir_.write("noext", "x");
    dir_.write(".hidden", "");
    std::filesystem::create_directory(dir_.file("sub"));
  }

  // Walks a listing as a host does; "<none>" when it does not open.
  std::set<std::string> walk(const std::string& pattern) {
    // Offset by one byte: the buffer needs no alignment.
    char* buf = raw_ + 1;
    qd_dir_handle h = reinterpret_cast<qd_dir_handle>(&raw_);  // overwritten either way
    if (win_os_opn_dir(pattern.c_str(), buf, &h) != 0) {
      EXPECT_EQ(h, nullptr);
      return {"<none>"};
    }
    EXPECT_NE(h, nullptr);
    std::set<std::string> names;
    int rc;
    int steps = 0;
    do {
      char* name = nullptr;
      rc = win_os_rd_dir(buf, h, &name);
      EXPECT_EQ(name, buf + sizeof(qd_dir_entry) + offsetof(qd_dir_entry, name));
      if (name) {
        EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
      }
    } while (rc == 0 && ++steps < 1000);
    EXPECT_EQ(rc, 1);
    // Past the end: still the end, and an empty name.
    char* name = nullptr;
    EXPECT_EQ(win_os_rd_dir(buf, h, &name), 1);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(win_os_cls_dir(h), 0);
    return names;
  }

  qdtest::TempDir dir_;
  char raw_[QD_DIR_BUFFER_SIZE + 1];
};

using Names = std::set<std::string>;

TEST_F(DirTest, Patterns) {
  const Names all = {".", "..", "a.txt", "b.txt", "c.log", "noext", ".hidden", "sub"};
  struct Case {
    const char* pattern;
    Names names;
  } cases[] = {
      {"*.txt", {"a.txt", "b.txt"}},
      {"*", all},
      {"*.*", all},  // every name, extension or not
      {"?.txt", {"a.txt", "b.txt"}},
      {"a.???", {"a.txt"}},
      {"??.txt", {"<none>"}},
      {"*o*", {"c.log", "noext"}},
      {"*t", {"a.txt", "b.txt", "noext"}},
      {"*.*t", {"a.txt", "b.txt"}},
      {".*", {".", "..", ".hidden"}},
      {"noext", {"noext"}},
      {"sub", {"sub"}},
      {"A.TXT", {"<none>"}},  // names keep their case
      {"*.doc", {"<none>"}},
      {"", {"<none>"}},  // no file-name part
  };
  for (const Case& c : cases) {
    EXPECT_EQ(walk(dir_.file(c.pattern)), c.names) << c.pattern;
  }
  EXPECT_EQ(walk(dir_.path() + "/"), Names{"<none>"});
  EXPECT_EQ(walk(dir_.file("missing/*")), Names{"<none>"});
  EXPECT_EQ(walk(dir_.file("a.txt/*")), Names{"<none>"});  // not a directory
  EXPECT_EQ(walk(dir_.file(std::string(300, '*'))), Names{"<none>"});
}

TEST_F(DirTest, RelativePatternUsesTheCurrentDirectory) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  const Names names = walk("*.log");
  const Names sub_names = walk("./*.txt");
  std::filesystem::current_path(before);
  EXPECT_EQ(names, Names{"c.log"});
  EXPECT_EQ(sub_names, (Names{"a.txt", "b.txt"}));
}

TEST_F(DirTest, EntryLayout) {
  struct Case {
    const char* name;
    uint32_t attributes;
    uint32_t size;
  } cases[] = {
      {"a.txt", 0, 5},
      {"c.log", 0, 10},
      {"b.txt", 0, 0},
      {"sub", QD_DIR_ATTR_DIRECTORY, 0},
  };
  for (const Case& c : cases) {
    unsigned char buf[QD_DIR_BUFFER_SIZE];
    std::memset(buf, 0xAA, sizeof buf);
    qd_dir_handle h = nullptr;
    ASSERT_EQ(win_os_opn_dir(dir_.file(c.name).c_str(), buf, &h), 0) << c.name;
    qd_dir_entry e;
    std::memcpy(&e, buf, sizeof e);
    EXPECT_EQ(e.attributes, c.attributes) << c.name;
    EXPECT_EQ(e.size_low, c.size) << c.name;
    EXPECT_EQ(e.size_high, 0u) << c.name;
    EXPECT_STREQ(e.name, c.name);
    EXPECT_EQ(buf[sizeof e], 0xAA) << "the second half is untouched until the first read";
    char* name = nullptr;
    EXPECT_EQ(win_os_rd_dir(buf, h, &name), 1);
    std::memcpy(&e, buf + sizeof e, sizeof e);
    EXPECT_STREQ(e.name, c.name);
    EXPECT_EQ(e.size_low, c.size);
    EXPECT_EQ(win_os_cls_dir(h), 0);
  }
}

TEST_F(DirTest, BadArguments) {
  unsigned char buf[QD_DIR_BUFFER_SIZE] = {};
  qd_dir_handle h = buf;
  EXPECT_EQ(win_os_opn_dir(nullptr, buf, &h), 1);
  EXPECT_EQ(h, nullptr);
  h = buf;
  EXPECT_EQ(win_os_opn_dir(dir_.file("*").c_str(), nullptr, &h), 1);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(win_os_opn_dir(dir_.file("*").c_str(), buf, nullptr), 1);
  EXPECT_EQ(win_os_cls_dir(nullptr), 0);
  // Without a listing the held entry is still handed out, and that is the end.
  std::strcpy(reinterpret_cast<char*>(buf) + offsetof(qd_dir_entry, name), "held");
  char* name = nullptr;
  EXPECT_EQ(win_os_rd_dir(buf, nullptr, &name), 1);
  EXPECT_STREQ(name, "held");
  EXPECT_EQ(win_os_rd_dir(nullptr, nullptr, &name), 1);
  EXPECT_EQ(win_os_rd_dir(buf, nullptr, nullptr), 1);
}

TEST_F(DirTest, ManyFiles) {
  qdtest::TempDir many;
  Names expected;
  for (int i = 0; i < 300; ++i) {
    const std::string n = "f" + std::to_string(i) + ".dat";
    many.write(n, "");
    expected.insert(n);
  }
  many.write("other.txt", "");
  EXPECT_EQ(walk(many.file("f*.dat")), expected);
}

}  // namespace
