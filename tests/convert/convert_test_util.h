// convert_test_util.h: what the conversion tests share: the real message catalogues for
// the thread's report, values built from case-file fields, and the report body.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/runtime_internal.h"
#include "test_support.h"

namespace convtest {

// Reports read their texts from the installation's catalogues (share/); each test starts
// with a fresh report and gives the settings back.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qd::config_reset_for_test();
    ini_ = dir_.write("qdwin.ini", std::string("[QDWIN]\nQUARENDEL=") + QD_SHARE_DIR + "\n");
    win_set_ini_name(ini_.c_str());
    qdxglob_val.trace_mode = 0;
    qdxglob_val.trace_to_errtext = 0;
    init_qderr();
  }
  void TearDown() override {
    trace_pop();
    qd::config_reset_for_test();
  }

  // The report without its two header lines.
  static std::string body() {
    std::string r = qd_errtxt_adr();
    size_t first = r.find('\n');
    size_t second = r.find('\n', first + 1);
    return second == std::string::npos ? "" : r.substr(second + 1);
  }

  qdtest::GlobalsScope globals_;
  qdtest::TempDir dir_;
  std::string ini_;
};

// A descriptor from its text ("numeric(5,2)", "C-unsigned short").
inline attrtype type_of(const std::string& text) {
  attrtype t{};
  std::string copy = text;
  txt_to_attr(copy.data(), &t);
  return t;
}

}  // namespace convtest
