// cmd_config.cpp: qdtype commands for configuration settings.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "commands.h"
#include "platform/platform.h"
#include "qdtype32/qdtype32.h"
#include "qderror.h"
#include "qdfid.h"
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
  if (argc != 1) return bad_usage("qdtype config: one setting name");
  const char* name = argv[0];
  const char* value = win_os_getenv(name);
  print("%s = %s\n", name, value ? value : "(not set)");
  field("name", name);
  field("value", value);
  if (is_environment_name(name)) {
    print("from      the process environment\n");
    field("from", "environment");
    return 0;
  }
  const char* path = qd::config_path_in_use();
  switch (qd::config_search_state()) {
    case 0:
      print("file      none found (looked beside the executable and for qdwin.ini)\n");
      break;
    case 1:
      print("file      %s\n", path);
      break;
    case 2:
      print("file      %s (in the installation directory)\n", path);
      break;
    default:
      break;
  }
  char probe[16];
  const bool in_file =
      qd::config_search_state() > 0 &&
      qd::plat::profile_string(path, "QDWIN", name, "\x01", probe, sizeof probe) >= 0 &&
      std::strcmp(probe, "\x01") != 0;
  print("from      %s\n",
        in_file ? "the file, section QDWIN" : (value ? "the built-in default" : "nowhere"));
  print("install   %s\n", qd::config_install_dir());
  field("from", in_file ? "file" : (value ? "default" : "nowhere"));
  field("file", path);
  field("install_dir", qd::config_install_dir());
  return 0;
}

void tour_error_report() {
  // The report a failing cast of 1234.5 to numeric(5,2) leaves, with its catalogue texts.
  init_qderr();
  trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, "1234.5", "numeric(5,2)");
  print("%s", qd_errtxt_adr());
  trace_pop();
}

}  // namespace

QDTYPE_COMMAND("config", "NAME", "a setting's value and where it came from", cmd_config,
               "NAME  a setting (QUARENDEL, EDITOR, BLOBCOMPARE ...) or TEMP, TMP, TMPDIR",
               "config QUARENDEL",
               "the value or (not set), the initialisation file searched, whether the value\n"
               "came from the file or the built-in default, and the installation directory");
QDTYPE_TOUR(90, "An error report, as a failing conversion leaves it", tour_error_report);

}  // namespace qdtype
