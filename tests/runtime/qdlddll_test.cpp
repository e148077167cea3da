// Tests of the library slots: a real system library and, through
// stand-in module services, the paths, the initialisation and clean-up entries, the
// current directory during loading and slots left by another process.
#include "platform/platform.h"
#include "qderror.h"
#include "report_support.h"

namespace {

class DllTest : public qdtest::IsolatedTest {
 protected:
  void SetUp() override {
    start_dir_ = std::filesystem::current_path();
    configure("");
    init_qderr();
  }
  void TearDown() override {
    std::filesystem::current_path(start_dir_);
    trace_pop();
  }
  // The initialisation file: the source tree's catalogues (for report texts), then the
  // lines given.
  void configure(const std::string& lines) { qdtest::use_catalogues(dir_, lines); }
  static std::string report() { return qd_errtxt_adr(); }
  std::filesystem::path start_dir_;
};

using Cosine = double (*)(double);

// A system library that every process may load, with the C function cos.
#ifdef _WIN32
#define QD_MATH_LIBRARY "msvcrt.dll"
#else
#define QD_MATH_LIBRARY "libm.so.6"
#endif

TEST_F(DllTest, SystemLibraryEntries) {
  configure("QDKERNELDLL32=" QD_MATH_LIBRARY "\n");
  Cosine cosine = nullptr;
  ASSERT_EQ(load_function(QD_DLL_KERNEL, &cosine, "cos"), 0) << report();
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_STREQ(qd::dll_slot_path(QD_DLL_KERNEL), QD_MATH_LIBRARY);
  void* module = qd::dll_slot_module(QD_DLL_KERNEL);

  Cosine again = nullptr;
  EXPECT_EQ(load_function(QD_DLL_KERNEL, &again, "_cos"), 0);  // one underscore skipped
  EXPECT_EQ(again, cosine);
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_KERNEL), module);  // loaded once

  const uint32_t parent = qd::dll_slot_loader(QD_DLL_KERNEL);
#ifndef _WIN32  // Windows starts no process as a copy of another
  // A child process finds the slot loaded by its parent: it loads the library anew as
  // its own, and the parent's slot is untouched.
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        void* mine = nullptr;
        const bool ok = load_function(QD_DLL_KERNEL, &mine, "cos") == 0 && mine != nullptr &&
                        qd::dll_slot_loader(QD_DLL_KERNEL) == qd::plat::process_id() &&
                        qd::plat::process_id() != parent;
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
#endif
  EXPECT_EQ(qd::dll_slot_loader(QD_DLL_KERNEL), parent);

  for (const char* name : {"no_such_entry", "__cos", ""}) {
    init_qderr();
    Cosine cell = cosine;
    EXPECT_EQ(load_function(QD_DLL_KERNEL, &cell, name), QDE_LIBRARY_ENTRY_MISSING);
    EXPECT_EQ(cell, nullptr);  // the cell gets the null address
    EXPECT_TRUE(qdtest::has(report(), std::string("The entry ") + name +
                                          " was not found in the library " QD_MATH_LIBRARY "."));
  }
  // No name: no entry; no cell: only the answer.
  EXPECT_EQ(load_function(QD_DLL_KERNEL, &again, nullptr), QDE_LIBRARY_ENTRY_MISSING);
  EXPECT_EQ(load_function(QD_DLL_KERNEL, nullptr, "cos"), 0);
  EXPECT_EQ(load_function(QD_DLL_KERNEL, nullptr, "none"), QDE_LIBRARY_ENTRY_MISSING);
  EXPECT_EQ(unload_dll(QD_DLL_KERNEL), 0);
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_KERNEL), nullptr);
  EXPECT_EQ(qd::dll_slot_loader(QD_DLL_KERNEL), 0u);
  EXPECT_EQ(unload_dll(QD_DLL_KERNEL), 0);
}

TEST_F(DllTest, SlotsOutsideTheTable) {
  for (qd_long slot : {-1, 2, 1000}) {
    init_qderr();
    void* cell = &cell;
    EXPECT_EQ(load_function(slot, &cell, "cos"), QDE_LIBRARY_LOAD_FAILED);
    EXPECT_EQ(cell, &cell);
    EXPECT_TRUE(qdtest::has(report(), "(library slot " + std::to_string(slot) + ")"));
    EXPECT_EQ(unload_dll(slot), 0);
  }
}

// Stand-in module services.
struct Fake {
  // Paths asked for, the current directory at each load, entry names looked up.
  std::vector<std::string> loaded, dir_at_load, looked_up;
  int inits = 0, cleanups = 0, frees = 0, init_result = 0;
  bool has_init = true;
};
Fake g_fake;
int g_module;

int fake_init() {
  ++g_fake.inits;
  return g_fake.init_result;
}
void fake_cleanup() { ++g_fake.cleanups; }
void fake_kernel_entry() {}

void* fake_load(const char* path) {
  g_fake.loaded.push_back(path);
  g_fake.dir_at_load.push_back(std::filesystem::current_path().string());
  return std::string(path).find("missing") == std::string::npos ? &g_module : nullptr;
}
qd::plat::ModuleEntry fake_entry(void* module, const char* name) {
  EXPECT_EQ(module, &g_module);
  g_fake.looked_up.push_back(name);
  const std::string n = name;
  if (n == "tcp_init" && g_fake.has_init) return reinterpret_cast<qd::plat::ModuleEntry>(fake_init);
  if (n == "tcp_cleanup") return fake_cleanup;
  if (n == "kernel_entry") return fake_kernel_entry;
  return nullptr;
}
bool fake_free(void* module) {
  EXPECT_EQ(module, &g_module);
  ++g_fake.frees;
  return true;
}
const qd::ModuleOps kFakeOps = {fake_load, fake_entry, fake_free};

class FakeDllTest : public DllTest {
 protected:
  void SetUp() override {
    DllTest::SetUp();
    g_fake = Fake{};
    qd::dll_set_module_ops_for_test(&kFakeOps);
    net_dir_ = dir_.file("net");
    std::filesystem::create_directory(net_dir_);
    net_ = net_dir_ + "/libnet.so";
  }
  std::string net_dir_, net_;
};

TEST_F(FakeDllTest, NetworkLibraryLoadsOnceAndInitialises) {
  configure("HOSTACCESS32=" + net_ + "\n");
  qd::plat::ModuleEntry cell = nullptr;
  ASSERT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "tcp_cleanup"), 0) << report();
  EXPECT_EQ(cell, fake_cleanup);
  ASSERT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "_kernel_entry"), 0);
  EXPECT_EQ(cell, fake_kernel_entry);
  EXPECT_EQ(g_fake.loaded, std::vector<std::string>{net_});
  EXPECT_EQ(g_fake.inits, 1);
  // Loaded from within its own directory; the caller's is given back.
  EXPECT_EQ(g_fake.dir_at_load, std::vector<std::string>{net_dir_});
  EXPECT_EQ(std::filesystem::current_path(), start_dir_);
  EXPECT_EQ(g_fake.looked_up,
            (std::vector<std::string>{"tcp_init", "tcp_cleanup", "kernel_entry"}));

  EXPECT_EQ(unload_dll(QD_DLL_HOSTACCESS), 0);
  EXPECT_EQ(g_fake.cleanups, 1);
  EXPECT_EQ(g_fake.frees, 1);
  EXPECT_EQ(unload_dll(QD_DLL_HOSTACCESS), 0);
  EXPECT_EQ(g_fake.frees, 1);
  // Loaded again on the next use, and initialised again; any result but -1 is success.
  g_fake.init_result = 1;
  ASSERT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), 0);
  EXPECT_EQ(g_fake.loaded.size(), 2u);
  EXPECT_EQ(g_fake.inits, 2);
}

TEST_F(FakeDllTest, DefaultPaths) {
  // Without the settings: qdwsoc32.dll and qdker32.dll in the installation directory,
  // which is none here (the initialisation file was named, not searched for).
  configure("");
  void* cell = nullptr;
  ASSERT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), 0);
  ASSERT_EQ(load_function(QD_DLL_KERNEL, &cell, "kernel_entry"), 0);
  EXPECT_STREQ(qd::config_install_dir(), "");
  EXPECT_EQ(g_fake.loaded, (std::vector<std::string>{"qdwsoc32.dll", "qdker32.dll"}));
  EXPECT_EQ(g_fake.inits, 1);  // only the network library has an initialisation entry
  EXPECT_EQ(unload_dll(QD_DLL_KERNEL), 0);
  EXPECT_EQ(g_fake.cleanups, 0);  // nor a clean-up entry
}

const char* no_setting(const char*) { return nullptr; }

TEST_F(FakeDllTest, FailuresLeaveTheSlotAsItWas) {
  const std::pair<std::string, std::string> places[] = {
      {"<missing>", dir_.file("missing.so")}, {"<net>", net_}, {"<netdir>", net_dir_},
      {"<dir>", dir_.path()}};
  for (qdtest::Row c : qdtest::read_cases("runtime/dll_failures.txt", 7)) {
    for (std::string& field : c) {
      for (const auto& [mark, path] : places) qdtest::replace_all(field, mark, path);
    }
    SCOPED_TRACE(c[4]);
    const int slot = std::stoi(c[0]);
    const bool loaded = c[6] == "1";
    qd::dll_reset_for_test();
    g_fake = Fake{};
    g_fake.has_init = c[2] != "none";
    g_fake.init_result = g_fake.has_init ? std::stoi(c[2]) : 0;
    configure(c[1].empty() ? "" : c[1] + "\n");
    qd::dll_set_setting_for_test(c[1].empty() ? no_setting : nullptr);
    init_qderr();
    void* cell = &cell;
    EXPECT_EQ(load_function(slot, &cell, "kernel_entry"), std::stoi(c[3]));
    // A library that did not load, or has no initialisation entry, leaves the cell alone.
    EXPECT_EQ(cell, &cell);
    EXPECT_TRUE(qdtest::has(report(), c[4]));
    EXPECT_EQ(qd::dll_slot_module(slot), loaded ? &g_module : nullptr);
    // A library that loaded but could not be set up is given back.
    EXPECT_EQ(g_fake.frees, g_fake.has_init ? 0 : 1);
    EXPECT_EQ(qd::dll_slot_loader(slot), loaded ? qd::plat::process_id() : 0u);
    EXPECT_EQ(g_fake.dir_at_load, c[5].empty() ? std::vector<std::string>{} : std::vector{c[5]});
    EXPECT_EQ(std::filesystem::current_path(), start_dir_);
    if (loaded) {
      // Still loaded: the next request neither loads nor initialises again.
      g_fake.init_result = 0;
      EXPECT_EQ(load_function(slot, &cell, "kernel_entry"), 0);
      EXPECT_EQ(g_fake.loaded.size(), 1u);
      EXPECT_EQ(g_fake.inits, g_fake.has_init ? 1 : 0);
    }
  }
  // Through the message switch, off: only the number comes back.
  qd::dll_reset_for_test();
  qd::dll_set_setting_for_test(no_setting);
  init_qderr();
  no_merror();
  void* cell = nullptr;
  EXPECT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), QDE_LIBRARY_NOT_CONFIGURED);
  EXPECT_EQ(report().find("HOSTACCESS32"), std::string::npos);
  yes_merror();
  // The kernel library needs no setting: its file name as the system finds it.
  g_fake = Fake{};
  ASSERT_EQ(load_function(QD_DLL_KERNEL, &cell, "kernel_entry"), 0);
  EXPECT_EQ(g_fake.loaded, std::vector<std::string>{"qdker32.dll"});
}

TEST_F(FakeDllTest, SlotsOfAnotherProcess) {
  configure("HOSTACCESS32=" + net_ + "\nQDKERNELDLL32=" + net_ + "\n");
  void* cell = nullptr;
  qd::dll_set_process_id_for_test(1000);
  ASSERT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), 0);
  EXPECT_EQ(qd::dll_slot_loader(QD_DLL_HOSTACCESS), 1000u);
  // A copy of that process: it leaves the slot alone on unload...
  qd::dll_set_process_id_for_test(2000);
  EXPECT_EQ(unload_dll(QD_DLL_HOSTACCESS), 0);
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_HOSTACCESS), &g_module);
  EXPECT_EQ(g_fake.frees, 0);
  // ...and frees it, without its clean-up, on its first lookup in any slot.
  ASSERT_EQ(load_function(QD_DLL_KERNEL, &cell, "kernel_entry"), 0);
  EXPECT_EQ(g_fake.frees, 1);
  EXPECT_EQ(g_fake.cleanups, 0);
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_HOSTACCESS), nullptr);
  EXPECT_EQ(qd::dll_slot_loader(QD_DLL_KERNEL), 2000u);
  // Its own use of the network library loads and initialises it anew.
  ASSERT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), 0);
  EXPECT_EQ(qd::dll_slot_loader(QD_DLL_HOSTACCESS), 2000u);
  EXPECT_EQ(g_fake.inits, 2);
  EXPECT_EQ(unload_dll(QD_DLL_HOSTACCESS), 0);
  EXPECT_EQ(g_fake.cleanups, 1);
}

}  // namespace
