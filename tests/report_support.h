// report_support.h: what the tests that read the library's error reports share: a
// configuration naming a catalogue folder, a fresh report per test, the report's body,
// the runtime's test hooks given back, and a stand-in for the low-level write.
#pragma once

#include <sys/stat.h>

#include "platform/platform.h"
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

// A stand-in for the library's low-level write (qd::os_set_write_for_test(fake_write)),
// set through fake_writes: the next `failures` attempts fail with `failure_errno`; then
// one attempt writes at most `partial` bytes (0: all), and files hold at most `limit`
// bytes (0: no limit; a write finding its file full fails as too large). With `real` off
// nothing is written and each attempt reports `short_by` bytes fewer than asked. It
// counts the attempts, and whether one began with errno set.
struct FakeWrite {
  int failures = 0, failure_errno = 0, partial = 0, short_by = 0;
  size_t limit = 0;
  bool real = true;
  int calls = 0;
  bool errno_on_entry = false;
};
inline FakeWrite fake_writes;

inline int fake_write(int fd, const void* data, unsigned size) {
  FakeWrite& f = fake_writes;
  ++f.calls;
  if (errno != 0) f.errno_on_entry = true;
  if (f.failures > 0) {
    --f.failures;
    errno = f.failure_errno;
    return -1;
  }
  if (!f.real) return static_cast<int>(size) - f.short_by;
  if (f.partial > 0) size = std::min<unsigned>(size, std::exchange(f.partial, 0));
  struct stat st;
  if (f.limit && fstat(fd, &st) == 0) {
    const size_t used = static_cast<size_t>(st.st_size);
    if (used >= f.limit) {
      errno = EFBIG;
      return -1;
    }
    size = static_cast<unsigned>(std::min<size_t>(size, f.limit - used));
  }
  return qd::plat::file_write_once(fd, data, size);
}

}  // namespace qdtest
