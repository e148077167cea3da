// Tests of the library slots: a real system library and a missing one, and, through
// stand-in module services, the paths, the initialisation and clean-up entries, the
// current directory during loading and slots left by another process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "qderror.h"
#include "runtime/acct_internal.h"
#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace {

class DllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qd::dll_reset_for_test();
    start_dir_ = std::filesystem::current_path();
    configure("");
    init_qderr();
  }
  void TearDown() override {
    qd::dll_reset_for_test();
    qd::dll_set_module_ops_for_test(nullptr);
    qd::dll_set_setting_for_test(nullptr);
    qd::dll_set_process_id_for_test(0);
    qd::config_reset_for_test();
    std::filesystem::current_path(start_dir_);
    trace_pop();
  }
  // The initialisation file: the source tree's catalogues (for report texts), then the
  // lines given.
  void configure(const std::string& lines) {
    qd::config_reset_for_test();
    ini_ =
        dir_.write("qdwin.ini", std::string("[QDWIN]\nQUARENDEL=") + QD_SHARE_DIR + "\n" + lines);
    win_set_ini_name(ini_.c_str());
  }
  static std::string report() { return qd_errtxt_adr(); }
  qdtest::TempDir dir_;
  qdtest::GlobalsScope globals_;
  std::filesystem::path start_dir_;
  std::string ini_;
};

using Cosine = double (*)(double);
double sentinel(double x) { return x; }

TEST_F(DllTest, SystemLibraryEntries) {
  configure("QDKERNELDLL32=libm.so.6\n");
  Cosine cosine = nullptr;
  ASSERT_EQ(load_function(QD_DLL_KERNEL, &cosine, "cos"), 0) << report();
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_STREQ(qd::dll_slot_path(QD_DLL_KERNEL), "libm.so.6");
  EXPECT_EQ(qd::dll_slot_loader(QD_DLL_KERNEL), qd::plat::process_id());
  void* module = qd::dll_slot_module(QD_DLL_KERNEL);

  Cosine again = nullptr;
  EXPECT_EQ(load_function(QD_DLL_KERNEL, &again, "_cos"), 0);  // one underscore skipped
  EXPECT_EQ(again, cosine);
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_KERNEL), module);  // loaded once

  struct Missing {
    const char* name;
    const char* shown;
  } missing[] = {{"no_such_entry", "no_such_entry"}, {"__cos", "__cos"}, {"", ""}};
  for (const Missing& m : missing) {
    init_qderr();
    Cosine cell = cosine;
    EXPECT_EQ(load_function(QD_DLL_KERNEL, &cell, m.name), QDE_LIBRARY_ENTRY_MISSING);
    EXPECT_EQ(cell, nullptr);  // the cell gets the null address
    EXPECT_NE(report().find(std::string("The entry ") + m.shown +
                            " was not found in the library libm.so.6."),
              std::string::npos)
        << report();
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

#if GTEST_HAS_DEATH_TEST
// A child process finds the slot loaded by its parent: it loads the library anew as
// its own, and the parent's slot is untouched.
TEST_F(DllTest, ForkedChildLoadsItsOwn) {
  configure("QDKERNELDLL32=libm.so.6\n");
  void* cell = nullptr;
  ASSERT_EQ(load_function(QD_DLL_KERNEL, &cell, "cos"), 0);
  const uint32_t parent = qd::dll_slot_loader(QD_DLL_KERNEL);
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
  EXPECT_EQ(qd::dll_slot_loader(QD_DLL_KERNEL), parent);
}
#endif

TEST_F(DllTest, MissingLibrary) {
  const std::string path = dir_.file("lib/libnothing.so");
  std::filesystem::create_directory(dir_.file("lib"));
  configure("QDKERNELDLL32=" + path + "\n");
  Cosine cell = sentinel;
  const Cosine before = cell;
  EXPECT_EQ(load_function(QD_DLL_KERNEL, &cell, "cos"), QDE_LIBRARY_LOAD_FAILED);
  EXPECT_EQ(cell, before);
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_KERNEL), nullptr);
  EXPECT_NE(report().find("The library " + path + " could not be loaded."), std::string::npos)
      << report();
  EXPECT_EQ(std::filesystem::current_path(), start_dir_);
}

TEST_F(DllTest, SlotsOutsideTheTable) {
  for (qd_long slot : {-1, 2, 1000}) {
    init_qderr();
    void* cell = &cell;
    EXPECT_EQ(load_function(slot, &cell, "cos"), QDE_LIBRARY_LOAD_FAILED);
    EXPECT_EQ(cell, &cell);
    EXPECT_NE(report().find("(library slot " + std::to_string(slot) + ")"), std::string::npos);
    EXPECT_EQ(unload_dll(slot), 0);
  }
}

// Stand-in module services.
struct Fake {
  std::vector<std::string> loaded;  // paths asked for
  std::vector<std::string> dir_at_load;
  std::vector<std::string> looked_up;
  int inits = 0;
  int cleanups = 0;
  int frees = 0;
  int init_result = 0;
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
  std::string net_dir_;
  std::string net_;
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
  // Loaded again on the next use, and initialised again.
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

TEST_F(FakeDllTest, UnconfiguredPaths) {
  qd::dll_set_setting_for_test(no_setting);
  void* cell = &cell;
  EXPECT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), QDE_LIBRARY_NOT_CONFIGURED);
  EXPECT_EQ(cell, &cell);
  EXPECT_TRUE(g_fake.loaded.empty());
  EXPECT_NE(report().find("The setting HOSTACCESS32, the path of a required library, is not "
                          "configured."),
            std::string::npos)
      << report();
  // Reported through the message switch: off, only the number comes back.
  init_qderr();
  no_merror();
  EXPECT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), QDE_LIBRARY_NOT_CONFIGURED);
  EXPECT_EQ(report().find("HOSTACCESS32"), std::string::npos);
  yes_merror();
  // The kernel library needs no setting: its file name as the system finds it.
  ASSERT_EQ(load_function(QD_DLL_KERNEL, &cell, "kernel_entry"), 0);
  EXPECT_EQ(g_fake.loaded, std::vector<std::string>{"qdker32.dll"});
  EXPECT_EQ(std::filesystem::current_path(), start_dir_);
}

TEST_F(FakeDllTest, FailedInitialisationKeepsTheLibrary) {
  configure("HOSTACCESS32=" + net_ + "\n");
  g_fake.init_result = -1;
  void* cell = nullptr;
  EXPECT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), QDE_LIBRARY_INIT_FAILED);
  EXPECT_NE(report().find("The initialisation of the library " + net_ + " failed."),
            std::string::npos)
      << report();
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_HOSTACCESS), &g_module);
  // Still loaded: the next request does not load or initialise again.
  g_fake.init_result = 0;
  EXPECT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), 0);
  EXPECT_EQ(g_fake.loaded.size(), 1u);
  EXPECT_EQ(g_fake.inits, 1);
  // Any result but -1 is success.
  EXPECT_EQ(unload_dll(QD_DLL_HOSTACCESS), 0);
  g_fake.init_result = 1;
  EXPECT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), 0);
}

TEST_F(FakeDllTest, MissingInitialisationEntry) {
  configure("HOSTACCESS32=" + net_ + "\n");
  g_fake.has_init = false;
  void* cell = nullptr;
  EXPECT_EQ(load_function(QD_DLL_HOSTACCESS, &cell, "kernel_entry"), QDE_LIBRARY_ENTRY_MISSING);
  EXPECT_NE(report().find("The entry tcp_init was not found in the library " + net_),
            std::string::npos)
      << report();
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_HOSTACCESS), &g_module);
}

TEST_F(FakeDllTest, MissingLibraryLeavesTheSlotEmpty) {
  const std::string path = dir_.file("missing.so");
  configure("QDKERNELDLL32=" + path + "\n");
  void* cell = nullptr;
  EXPECT_EQ(load_function(QD_DLL_KERNEL, &cell, "kernel_entry"), QDE_LIBRARY_LOAD_FAILED);
  EXPECT_EQ(qd::dll_slot_module(QD_DLL_KERNEL), nullptr);
  EXPECT_EQ(qd::dll_slot_loader(QD_DLL_KERNEL), 0u);
  EXPECT_EQ(g_fake.dir_at_load, std::vector<std::string>{dir_.path()});
  EXPECT_EQ(std::filesystem::current_path(), start_dir_);
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
