// Tests of the configuration lookup: the file and its profile reading, built-in
// defaults, the answer cache, the section and file switches, and the path helpers.
#include "platform/platform.h"
#include "report_support.h"

namespace {

class ConfigTest : public qdtest::IsolatedTest {
 protected:
  void TearDown() override { win_set_appl_name("QDWIN"); }
  void use(const std::string& content) {
    path_ = dir_.write("qdwin.ini", content);
    win_set_ini_name(path_.c_str());
  }
  static std::string get(const char* name) {
    const char* v = win_os_getenv(name);
    return v ? v : "<null>";
  }
  std::string path_;
};

TEST_F(ConfigTest, SectionsAndEnvironmentNames) {
  use("[QDWIN]\nX=win\nTMP=from file\nTMPX=file value\n[QDODBC]\nX=odbc\n[MYAPP]\nX=mine\n");
  qdtest::set_env("TMP", "/env/tmp");
  EXPECT_EQ(get("tmp"), "/env/tmp");  // from the environment, without case
  EXPECT_EQ(get("TMPX"), "file value");
  EXPECT_EQ(get("X"), "win");
  EXPECT_STREQ(odbc_os_getenv("X"), "odbc");
  EXPECT_EQ(odbc_os_getenv("TMP"), nullptr);  // no environment names in that section
  EXPECT_STREQ(win_set_appl_name("MYAPP"), "MYAPP");
  EXPECT_EQ(get("X"), "mine");
  qdtest::set_env("TMP", nullptr);
  EXPECT_EQ(get("Tmp"), "<null>");
  EXPECT_STREQ(win_set_appl_name("A_SECTION_NAME_LONGER_THAN_THIRTY_CHARS"),
               "A_SECTION_NAME_LONGER_THAN_THI");
}

// An initialisation file that is a FIFO, a folder or a device reads as a missing file:
// the built-in defaults answer, and nothing waits for a FIFO's writer.
TEST_F(ConfigTest, FilesThatAreNoRegularFilesAreMissing) {
  const std::string path = dir_.file("qdwin.ini");
  for (const char* kind : {"fifo", "folder", "device"}) {
    SCOPED_TRACE(kind);
    const std::string made = qdtest::make_non_regular(path, kind, true);
    if (made.empty()) continue;  // none of this kind on this platform
    win_set_ini_name(made.c_str());
    std::string services, unset;
    ASSERT_TRUE(qdtest::finishes_within(5, made, [&] {
      services = get("QUARENDEL_SERVICENAMES");
      unset = get("NO_SUCH_SETTING");
    }));
    EXPECT_EQ(services, "2024:2025");
    EXPECT_EQ(unset, "<null>");
  }
}

TEST_F(ConfigTest, AnswersAreCachedUnsetOnesToo) {
  use("[QDWIN]\nA=1\n");
  EXPECT_EQ(get("A"), "1");
  EXPECT_EQ(get("B"), "<null>");
  dir_.write("qdwin.ini", "[QDWIN]\nA=2\nB=now set\n");
  EXPECT_EQ(get("a"), "1");  // read once, from the first file
  EXPECT_EQ(get("b"), "<null>");
  EXPECT_EQ(get("C"), "<null>");
  win_set_ini_name(path_.c_str());  // emptying the cache reads the file again
  EXPECT_EQ(get("A"), "2");
  EXPECT_EQ(get("B"), "now set");
}

TEST_F(ConfigTest, DefaultsWhenNoFileIsFound) {
  win_set_ini_name("no_such_file_anywhere_qd.ini");
  EXPECT_EQ(get("EDITOR"), "notepad.exe");
  EXPECT_EQ(get("QUARENDEL_SERVICENAMES"), "2024:2025");
  EXPECT_EQ(get("linked_in"), "off");
  EXPECT_EQ(get("BLOBCOMPARE"), "<null>");
  EXPECT_EQ(qd::config_search_state(), 0);
  // The search remembered the executable's directory as the installation directory.
  const std::string install = qd::config_install_dir();
  EXPECT_FALSE(install.empty());
  EXPECT_EQ(get("QUARENDEL"), install);
  const std::string sep(1, qd::plat::kPathSeparator);
  EXPECT_EQ(get("QDKERNELDLL32"), install + sep + "qdker32.dll");
  EXPECT_EQ(get("HOSTACCESS16"), install + sep + "qdwsoc16.dll");
  EXPECT_STREQ(win_set_ini_name("relative.ini"), "relative.ini");
}

TEST_F(ConfigTest, PlainNameFoundInTheCurrentDirectory) {
  const auto saved = std::filesystem::current_path();
  dir_.write("qdlocal.ini", "[QDWIN]\nWHERE=current directory\n");
  std::filesystem::current_path(dir_.path());
  win_set_ini_name("qdlocal.ini");
  EXPECT_EQ(get("WHERE"), "current directory");
  EXPECT_EQ(qd::config_search_state(), 1);
  EXPECT_STREQ(qd::config_path_in_use(), "qdlocal.ini");
  std::filesystem::current_path(saved);
}

TEST_F(ConfigTest, ThousandsOfNamesNeverOverflowTheCache) {
  use("[QDWIN]\nREAL=value\nLONG=" + std::string(3000, 'v') + "\n");
  for (int i = 0; i < 5000; ++i) {
    std::string name = "UNSET_SETTING_NUMBER_" + std::to_string(i);
    ASSERT_EQ(win_os_getenv(name.c_str()), nullptr) << i;
    if (i % 250 == 0) {
      ASSERT_EQ(get("REAL"), "value") << i;
    }
  }
  std::string long_value = get("LONG");  // longer than the cache: cut, never overrun
  EXPECT_GT(long_value.size(), 200u);
  EXPECT_LT(long_value.size(), 2048u);
  EXPECT_EQ(long_value.find_first_not_of('v'), std::string::npos);
  std::string huge_name(3000, 'N');
  EXPECT_EQ(win_os_getenv(huge_name.c_str()), nullptr);
  EXPECT_EQ(get("REAL"), "value");
}

TEST_F(ConfigTest, ProfileReading) {
  const std::string profile = qdtest::read_file(QD_TEST_DATA_DIR "/runtime/profile.ini");
  for (const qdtest::Row& c : qdtest::read_cases("runtime/profile.txt", 3)) {
    qd::config_reset_for_test();
    use(c[0] == "profile.ini" ? profile : c[0]);
    EXPECT_EQ(get(c[1].c_str()), c[2]) << c[1];
  }
  // Long lines, binary bytes and many lines are read safely too.
  std::mt19937 rng(7);
  std::string binary(20000, '\0');
  for (char& c : binary) c = static_cast<char>(rng());
  std::string huge = "[QDWIN]\n";
  for (int i = 0; i < 200000; ++i) huge += "K" + std::to_string(i) + "=v\n";
  huge += "LAST=end\n";
  struct Case {
    std::string content;
    const char *name, *value;
  } cases[] = {
#ifdef _WIN32
      {profile, "Late", "<null>"},  // the system's profile reading stops at the first section
#else
      {profile, "Late", "from the second section of that name"},
#endif
      {"[QDWIN]\nLONGLINE=" + std::string(300, 'x') + "\nAFTER=ok\n", "AFTER", "ok"},
      {"[QDWIN]\nWIDE=" + std::string(5000, 'w') + "\nNEXT=ok\n", "NEXT", "ok"},
      {binary + "\n[QDWIN]\nBIN=ok\n", "BIN", "ok"},
      {huge, "LAST", "end"},
  };
  for (const Case& c : cases) {
    qd::config_reset_for_test();
    use(c.content);
    EXPECT_EQ(get(c.name), c.value) << c.name;
  }
  EXPECT_EQ(qd::config_search_state(), 1);
  EXPECT_STREQ(qd::config_install_dir(), "");  // an absolute file: no search was made
  use(profile);
  EXPECT_EQ(odbc_os_getenv("KEY"), nullptr);  // no QDODBC section
}

TEST(Paths, JoinAndSplit) {
  const auto native = [](std::string s) {
    for (char& c : s) c = c == '/' ? qd::plat::kPathSeparator : c;
    return s;
  };
  for (const qdtest::Row& c : qdtest::cases("runtime/paths.txt", "join")) {
    char out[64];
    const std::string dir = native(c[0]), sub = native(c[1]), file = native(c[2]);
    EXPECT_EQ(qd::path_join(out, sizeof out, qdtest::text_or_null(dir), qdtest::text_or_null(sub),
                            qdtest::text_or_null(file)),
              native(c[3]));
  }
  for (const qdtest::Row& c : qdtest::cases("runtime/paths.txt", "file")) {
    EXPECT_STREQ(qd::path_file_part(c[0].c_str()), c[1].c_str());
  }
  char dir[32];
  for (const qdtest::Row& c : qdtest::cases("runtime/paths.txt", "folder")) {
    EXPECT_STREQ(qd::path_dir_part(c[0].c_str(), dir, sizeof dir), c[1].c_str());
  }
  char small[8];
  EXPECT_STREQ(qd::path_join(small, sizeof small, "/abcdef", nullptr, "ghij"), "/abcdef");
  char letter = 0;
  EXPECT_EQ(qd::path_drive_length("D:\\x", &letter), 2);
  EXPECT_EQ(letter, 'd');
  EXPECT_EQ(qd::path_drive_length("1:x", nullptr), 0);
  EXPECT_EQ(qd::path_drive_length("", nullptr), 0);
}

// Threads racing with section changes: nothing is ever read or written outside a cache.
TEST_F(ConfigTest, RacingLookupsStayInsideTheCache) {
  use("[QDWIN]\nREAL=value\n[OTHER]\nREAL=other\n");
  std::vector<std::thread> threads;
  std::atomic<bool> stop{false};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 3000; ++i) {
        std::string name = "SETTING_" + std::to_string(t) + "_" + std::to_string(i);
        win_os_getenv(name.c_str());
        if (const char* v = win_os_getenv("REAL")) {
          volatile size_t n = std::strlen(v);  // a terminated string inside the cache
          (void)n;
        }
      }
    });
  }
  threads.emplace_back([&] {
    while (!stop) {
      win_set_appl_name("OTHER");
      win_set_appl_name("QDWIN");
    }
  });
  for (size_t i = 0; i + 1 < threads.size(); ++i) threads[i].join();
  stop = true;
  threads.back().join();
  win_set_appl_name("QDWIN");
  EXPECT_EQ(get("REAL"), "value");
}

// An installed library finds its data directory from its own directory, whatever depth
// the lib directory has and wherever the tree was moved; a directory without the
// message catalogue is no answer, and the caller's buffer is then left as it was.
TEST(InstalledData, FoundFromTheLibraryDirectory) {
  qdtest::TempDir tree;
  std::filesystem::create_directories(tree.file("lib/x86_64-linux-gnu"));
  std::filesystem::create_directories(tree.file("share/qdtype32"));
  std::filesystem::create_directories(tree.file("share/empty"));
  tree.write("share/qdtype32/qderror.h", "#define QDE_X 1\n");
  const std::string data = tree.file("share/qdtype32");
  const struct {
    std::string module_dir;
    const char* rel;
    bool found;
  } cases[] = {
      {tree.file("lib"), "../share/qdtype32", true},
      {tree.file("lib") + "/", "../share/qdtype32", true},
      {tree.file("lib/x86_64-linux-gnu"), "../../share/qdtype32", true},
      {tree.file("lib/x86_64-linux-gnu"), "../share/qdtype32", false},  // wrong depth
      {tree.file("lib"), "../share/empty", false},                      // no catalogue
      {tree.path(), "share/qdtype32", true},
      {"/", "../../../share/none_here_qd", false},  // ".." stops at the root
  };
  for (const auto& c : cases) {
    char out[300] = "unchanged";
    EXPECT_EQ(qd::installed_data_dir(c.module_dir.c_str(), c.rel, out, sizeof out), c.found)
        << c.module_dir << " + " << c.rel;
    EXPECT_EQ(std::string(out), c.found ? data : "unchanged") << c.module_dir << " + " << c.rel;
  }
  // An answer that does not fit is no answer: a cut path would name another directory.
  char small[8] = "unchang";
  EXPECT_FALSE(
      qd::installed_data_dir(tree.file("lib").c_str(), "../share/qdtype32", small, sizeof small));
  EXPECT_STREQ(small, "unchang");
  EXPECT_FALSE(qd::installed_data_dir(nullptr, "../share", small, sizeof small));
}

// Linked into a program, the library's code lives in the executable.
TEST(InstalledData, LibraryDirectoryOfAStaticLink) {
  char lib[4096], exe[4096];
  bool in_executable = false;
  ASSERT_TRUE(qd::plat::library_directory(lib, sizeof lib, &in_executable));
  ASSERT_TRUE(qd::plat::executable_directory(exe, sizeof exe));
  EXPECT_TRUE(in_executable);
  EXPECT_STREQ(lib, exe);
  EXPECT_FALSE(qd::plat::library_directory(lib, 2, &in_executable));
}

}  // namespace
