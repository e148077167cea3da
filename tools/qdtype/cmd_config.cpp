// cmd_config.cpp: qdtype commands for configuration settings.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "commands.h"
#include "platform/platform.h"
#include "qdtype32/qdtype32.h"
#include "runtime/runtime_internal.h"

namespace qdtype {
namespace {

bool is_environment_name(const char* name) {
  for (const char* env : {"TEMP", "TMP", "TMPDIR"}) {
    if (qd::ascii_casecmp(name, env) == 0) return true;
  }
  return false;
}

int cmd_config(int argc, char** argv) {
  if (argc != 1) return 2;
  const char* name = argv[0];
  const char* value = win_os_getenv(name);
  std::printf("%s = %s\n", name, value ? value : "(not set)");
  if (is_environment_name(name)) {
    std::printf("from      the process environment\n");
    return 0;
  }
  const char* path = qd::config_path_in_use();
  switch (qd::config_search_state()) {
    case 0:
      std::printf("file      none found (looked beside the executable and for qdwin.ini)\n");
      break;
    case 1:
      std::printf("file      %s\n", path);
      break;
    case 2:
      std::printf("file      %s (in the installation directory)\n", path);
      break;
    default:
      break;
  }
  char probe[16];
  const bool in_file =
      qd::config_search_state() > 0 &&
      qd::plat::profile_string(path, "QDWIN", name, "\x01", probe, sizeof probe) >= 0 &&
      std::strcmp(probe, "\x01") != 0;
  std::printf("from      %s\n",
              in_file ? "the file, section QDWIN" : (value ? "the built-in default" : "nowhere"));
  std::printf("install   %s\n", qd::config_install_dir());
  return 0;
}

void tour_error_report() {
  // The report a failing cast of 1234.5 to numeric(5,2) leaves, with its catalogue texts.
  init_qderr();
  trace(19004, 15005, "1234.5", "numeric(5,2)");
  std::fputs(qd_errtxt_adr(), stdout);
  trace_pop();
  start_error_report();  // the next step's failures find their report started
}

}  // namespace

QDTYPE_COMMAND("config", "NAME", "a setting's value and where it came from", cmd_config);
QDTYPE_TOUR(90, "An error report, as a failing conversion leaves it", tour_error_report);

}  // namespace qdtype
