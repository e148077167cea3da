// Tests of the directory listing: patterns, the two-entry buffer protocol, the entry
// layout the host reads, and bad arguments.
#include "test_support.h"

namespace {

using Names = std::set<std::string>;

qd_dir_entry entry_at(const char* half) {
  qd_dir_entry e;
  std::memcpy(&e, half, sizeof e);
  return e;
}

// Walks a listing as a host does, checking the buffer protocol on the way: the first
// half holds the entry fetched, the second half the one handed out, untouched until the
// first read. Returns each name with "dir" or its size; {"<none>"} when nothing opens.
std::map<std::string, std::string> walk(const std::string& pattern) {
  char raw[QD_DIR_BUFFER_SIZE + 1];
  std::memset(raw, 0xAA, sizeof raw);
  char* buf = raw + 1;  // the buffer needs no alignment
  char* const second = buf + sizeof(qd_dir_entry);
  qd_dir_handle h = &raw;  // overwritten either way
  if (win_os_opn_dir(pattern.c_str(), buf, &h) != 0) {
    EXPECT_EQ(h, nullptr);
    return {{"<none>", ""}};
  }
  EXPECT_NE(h, nullptr);
  EXPECT_EQ(static_cast<unsigned char>(second[0]), 0xAA);
  std::map<std::string, std::string> names;
  int rc = 0;
  for (int steps = 0; rc == 0 && steps < 1000; ++steps) {
    const qd_dir_entry held = entry_at(buf);
    char* name = nullptr;
    rc = win_os_rd_dir(buf, h, &name);
    EXPECT_EQ(name, second + offsetof(qd_dir_entry, name));
    EXPECT_EQ(std::memcmp(&held, second, sizeof held), 0);
    EXPECT_EQ(held.size_high, 0u);
    const std::string shown =
        held.attributes == QD_DIR_ATTR_DIRECTORY
            ? "dir"
            : std::to_string(held.size_low) + "/" + std::to_string(held.attributes);
    EXPECT_TRUE(names.emplace(name, shown).second) << "twice: " << name;
  }
  EXPECT_EQ(rc, 1);
  // Past the end: still the end, and an empty name.
  char* name = nullptr;
  EXPECT_EQ(win_os_rd_dir(buf, h, &name), 1);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(win_os_cls_dir(h), 0);
  return names;
}

Names names_of(const std::string& pattern) {
  Names names;
  for (const auto& [name, what] : walk(pattern)) names.insert(name);
  return names;
}

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
  qdtest::TempDir dir_;
};

TEST_F(DirTest, Patterns) {
  for (const qdtest::Row& c : qdtest::read_cases("runtime/dir_patterns.txt", 3)) {
#ifdef _WIN32
    const std::vector<std::string> names = qdtest::words(c[2] == "-" ? c[1] : c[2]);
#else
    const std::vector<std::string> names = qdtest::words(c[1]);
#endif
    EXPECT_EQ(names_of(dir_.file(c[0])), Names(names.begin(), names.end())) << c[0];
  }
  EXPECT_EQ(names_of(dir_.file(std::string(300, '*'))), Names{"<none>"});
  EXPECT_EQ(names_of(dir_.path() + "/"), Names{"<none>"});
}

TEST_F(DirTest, EntryLayout) {
  const std::map<std::string, std::string> expected = {
      {".", "dir"},      {"..", "dir"},    {"a.txt", "5/0"},   {"b.txt", "0/0"},
      {"c.log", "10/0"}, {"noext", "1/0"}, {".hidden", "0/0"}, {"sub", "dir"}};
  EXPECT_EQ(walk(dir_.file("*")), expected);
}

TEST_F(DirTest, RelativePatternUsesTheCurrentDirectory) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  const Names names = names_of("*.log");
  const Names sub_names = names_of("./*.txt");
  std::filesystem::current_path(before);
  EXPECT_EQ(names, Names{"c.log"});
  EXPECT_EQ(sub_names, (Names{"a.txt", "b.txt"}));
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
    const std::string name = "f" + std::to_string(i) + ".dat";
    many.write(name, "");
    expected.insert(name);
  }
  many.write("other.txt", "");
  EXPECT_EQ(names_of(many.file("f*.dat")), expected);
}

}  // namespace
