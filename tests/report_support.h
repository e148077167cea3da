// report_support.h: what the tests that read the library's error reports share: a
// configuration naming a catalogue folder, a fresh report per test, and the report's body.
#pragma once

#include <string>

#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace qdtest {

// Points the configuration at a fresh qdwin.ini in dir whose QUARENDEL is share (the
// catalogues of the source tree unless named), followed by the lines extra; its path.
inline std::string use_catalogues(const TempDir& dir, const std::string& extra = "",
                                  const std::string& share = QD_SHARE_DIR) {
  qd::config_reset_for_test();
  const std::string ini = dir.write("qdwin.ini", "[QDWIN]\nQUARENDEL=" + share + "\n" + extra);
  win_set_ini_name(ini.c_str());
  return ini;
}

// Each test starts with a fresh report of the catalogues in share_ (those of the source
// tree unless a fixture names others before SetUp), no trace output, and gives the report
// and the settings back at its end.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = use_catalogues(dir_, "", share_);
    qdxglob_val.trace_mode = 0;
    qdxglob_val.trace_to_errtext = 0;
    init_qderr();
  }
  void TearDown() override {
    trace_pop();
    qd::config_reset_for_test();
  }
  // The calling thread's report without its two header lines.
  static std::string body() {
    const std::string r = qd_errtxt_adr();
    const size_t second = r.find('\n', r.find('\n') + 1);
    return second == std::string::npos ? "" : r.substr(second + 1);
  }

  GlobalsScope globals_;
  TempDir dir_;
  std::string ini_;
  std::string share_ = QD_SHARE_DIR;
};

}  // namespace qdtest
