// cmd_acct.cpp: qdtype commands for the accounting log, event masks and library loading.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/limits.h"
#include "commands.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdtype32.h"

namespace qdtype {
namespace {

// Writes a line when its event is in the mask, as every component does.
int write_if(int event, qd_ulong bit, const char* a, const char* b, const char* c) {
  if (!(acct_act_events & bit)) return 0;
  return acct_write(event, 3, a, b, c);
}

// Writes a short session into the log at path: a connection, a login, an error of the
// error status and a statement whose text needs escaping; then shows the file.
int write_session(const char* path, qd_ulong events, bool tour) {
  acct_config config{events, 1, path};
  if (acct_init(&config, qd::kRecordMax) != 0) {
    if (!tour) return library_error();
    print_error_report();
    return 1;
  }
  acct_set(42, 7, "alice", "sales", 1);
  int err = write_if(ACCT_EV_CONN, 0x2, "connect", nullptr, nullptr);
  if (err == 0) err = write_if(ACCT_EV_LOGIN, 0x4, "login", "from host-1", nullptr);
  // The error status writes its own ERROR line while ERROR is in the mask.
  init_qderr();
  trace(QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE, "1234.5", "numeric(5,2)");
  init_qderr();
  if (err == 0) err = write_if(ACCT_EV_DDL, 0x20, "statement", "create table t", "it's\tdone");
  if (err == 0) err = acct_exit();
  if (err != 0) {
    const int rc = tour ? (print_error_report(), 1) : library_error();
    acct_exit();
    return rc;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The tour prints the same on every machine and day: each line's time of writing is
  // shown by its form only.
  if (tour) {
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
      const size_t open = text.find('(', at), close = text.find(')', at);
      if (open == std::string::npos || close == std::string::npos || close < open) break;
      text.replace(open + 1, close - open - 1, "Y-M-D H:M:S.FFF");
      if (text.find('\n', at) == std::string::npos) break;
    }
  }
  print("%s", text.c_str());
  field("file", path);
  return 0;
}

int cmd_acct(int argc, char** argv) {
  if (argc < 1 || argc > 2) return bad_usage("qdtype acct: FILE, or FILE EVENTS");
  qd_ulong events = ACCT_MASK_ALL;
  if (argc == 2) {
    const char* bad = nullptr;
    if (acct_evkeyscan(argv[1], " ,", &events, &bad) != 0) {
      return bad_usage("qdtype: '%s' is no event name", bad ? bad : "");
    }
  }
  return write_session(argv[0], events, false);
}

int cmd_acctmask(int argc, char** argv) {
  if (argc != 1) return bad_usage("qdtype acctmask: one mask text");
  qd_ulong mask = 0;
  const char* bad = nullptr;
  if (acct_evkeyscan(argv[0], " ,", &mask, &bad) != 0) {
    return bad_usage("qdtype acctmask: no mask: the text fails at '%s'", bad ? bad : "");
  }
  char names[256];
  acct_evprint(nullptr, names, mask, ",");
  print("0x%08X  %s\n", static_cast<unsigned>(mask), names);
  field("value", static_cast<long long>(mask));
  field("events", names);
  return 0;
}

int cmd_dll(int argc, char** argv) {
  if (argc != 2) return bad_usage("qdtype dll: two arguments, SLOT ENTRY");
  long long slot = 0;
  if (!arg_int(argv[0], 0, 1, "SLOT", &slot)) return 2;
  void (*entry)(void) = nullptr;
  if (load_function(static_cast<qd_long>(slot), &entry, argv[1]) != 0) return library_error();
  print("%s found in library slot %lld\n", argv[1], slot);
  field("entry", argv[1]);
  field("slot", slot);
  unload_dll(static_cast<qd_long>(slot));
  return 0;
}

void tour_acct() {
  print("Event masks from text: ALL -DML, and CONN+DDL\n");
  for (const char* text : {"ALL -DML", "CONN+DDL"}) {
    qd_ulong mask = 0;
    acct_evkeyscan(text, " ", &mask, nullptr);
    char names[256];
    acct_evprint(nullptr, names, mask, ",");
    print("  %-10s 0x%08X  %s\n", text, static_cast<unsigned>(mask), names);
  }
  print("A session in the log, one tab-separated line per event:\n");
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "qdtype_tour_acct.log";
  std::error_code ec;
  std::filesystem::remove(path, ec);
  write_session(path.string().c_str(), ACCT_MASK_ALL, true);
  std::filesystem::remove(path, ec);
}

}  // namespace

QDTYPE_COMMAND("acct", "FILE [EVENTS]",
               "write a short session into the accounting log FILE and show it", cmd_acct,
               "FILE    the log file to write (new generation files next to it)\n"
               "EVENTS  an event mask text (ALL, CONN+DDL, ALL -DML ...); default ALL",
               "acct /tmp/qd.log CONN+DDL",
               "the lines the session wrote: one tab-separated line per event in the mask");
QDTYPE_COMMAND("acctmask", "TEXT", "read an event-mask text and name its events", cmd_acctmask,
               "TEXT  event names joined by + and taken away by -, blank or comma separated",
               "acctmask CONN+DDL", "the mask in hexadecimal and the names of its events");
QDTYPE_COMMAND("dll", "SLOT ENTRY",
               "look an entry up in library slot 0 (HOSTACCESS32) or 1 (QDKERNELDLL32)", cmd_dll,
               "SLOT   0 for the network library (HOSTACCESS32), 1 for the kernel (QDKERNELDLL32)\n"
               "ENTRY  the name of an exported function",
               "dll 1 qd_kernel_entry",
               "whether the library at the configured path loads and has the entry");
QDTYPE_TOUR(85, "The accounting log and its event masks", tour_acct);

}  // namespace qdtype
