// report_support.h: what the tests that read the library's error reports share: a
// configuration naming a catalogue folder, a fresh report per test, the report's body,
// and the runtime's test hooks given back.
#pragma once

#include "runtime/acct_internal.h"
#include "runtime/runtime_internal.h"
#include "status/lowio.h"
#include "status/status_internal.h"
#include "test_support.h"

namespace qdtest {

// Every test hook of the runtime off and its state fresh (file writes and opens, library
// slots, the accounting log, the trace channel, the configuration), both when made and
// when gone: a fixture holding one starts and ends with none of them set.
class RuntimeScope {
 public:
  RuntimeScope() { reset(); }
  ~RuntimeScope() { reset(); }
  RuntimeScope(const RuntimeScope&) = delete;
  RuntimeScope& operator=(const RuntimeScope&) = delete;
  static void reset() {
    qd::os_set_write_for_test(nullptr);
    qd::acct_set_open_for_test(nullptr);
    qd::acct_reset_for_test();
    qd::dll_reset_for_test();
    qd::dll_set_module_ops_for_test(nullptr);
    qd::dll_set_setting_for_test(nullptr);
    qd::dll_set_process_id_for_test(0);
    qd::channel_reset_for_test();
    qd::config_reset_for_test();
  }
};

// Points the configuration at a fresh qdwin.ini in dir whose QUARENDEL is share (the
// catalogues of the source tree unless named), followed by the lines extra; its path.
inline std::string use_catalogues(const TempDir& dir, const std::string& extra = "",
                                  const std::string& share = QD_SHARE_DIR) {
  qd::config_reset_for_test();
  const std::string ini = dir.write("qdwin.ini", "[QDWIN]\nQUARENDEL=" + share + "\n" + extra);
  win_set_ini_name(ini.c_str());
  return ini;
}

// A test with a scratch folder that gives the settings and the runtime's test hooks back
// at its end (the hooks before the folder goes).
class IsolatedTest : public ::testing::Test {
 protected:
  TempDir dir_;
  GlobalsScope globals_;
  RuntimeScope runtime_;
};

// The calling thread's report without its two header lines.
inline std::string report_body() {
  const std::string r = qd_errtxt_adr();
  const size_t second = r.find('\n', r.find('\n') + 1);
  return second == std::string::npos ? "" : r.substr(second + 1);
}

// Each test starts with a fresh report of the catalogues in share_ (those of the source
// tree unless a fixture names others before SetUp), no trace output, and gives the report
// and the settings back at its end.
class ReportTest : public IsolatedTest {
 protected:
  void SetUp() override {
    ini_ = use_catalogues(dir_, "", share_);
    qdxglob_val.trace_mode = 0;
    qdxglob_val.trace_to_errtext = 0;
    init_qderr();
  }
  void TearDown() override { trace_pop(); }
  static std::string body() { return report_body(); }

  std::string ini_;
  std::string share_ = QD_SHARE_DIR;
};

}  // namespace qdtest
