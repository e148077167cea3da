// fuzz_config.cpp: initialisation files and message catalogues with any content, read
// through the configuration lookup and the catalogue lookups of the error status.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "qdtype32/qdtype32.h"
#include "runtime/runtime_internal.h"
#include "status/status_internal.h"

namespace {

std::string scratch_dir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/qdfuzzXXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  return dir;
}

void write(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dir = scratch_dir();
  const std::string ini = dir + "/qdwin.ini";
  write(ini, data, size);
  write(dir + "/qderror.h", data, size);
  write(dir + "/qdfid.h", data, size);
  qd::config_reset_for_test();
  win_set_ini_name(ini.c_str());
  for (const char* name : {"QUARENDEL", "EDITOR", "A", "KEY", "X"}) win_os_getenv(name);
  odbc_os_getenv("A");
  // Point the catalogues at the same bytes and look a few numbers up.
  qd::config_reset_for_test();
  const std::string cat_ini = dir + "/cat.ini";
  const std::string text = "[QDWIN]\nQUARENDEL=" + dir + "\n";
  write(cat_ini, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  win_set_ini_name(cat_ini.c_str());
  qd::CatalogEntry e;
  char report[qd::kReportSize] = "";
  for (int n : {0, 1, 5, 6, 19004, -1}) {
    if (qd::lookup_message(n, report, &e)) qd::clean_comment(e.text);
    if (qd::lookup_function(n, report, &e)) qd::clean_comment(e.text);
    report[0] = 0;
  }
  return 0;
}
