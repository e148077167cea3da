// qdlddll.cpp: the network and kernel library slots: loading from the configured path
// on first use, entry lookup by name, and unloading.
#include <cerrno>
#include <cstring>

#include "base/limits.h"
#include "platform/platform.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdconfig.h"
#include "qdtype32/qddll.h"
#include "qdtype32/qderr.h"
#include "runtime/acct_internal.h"
#include "runtime/runtime_internal.h"
#include "status/qdformat.h"
#include "status/report.h"

namespace qd {
namespace {

struct SlotSpec {
  const char* stem;     // the setting is the stem followed by the word size
  const char* pattern;  // the file name when the setting is absent and not required
  const char* init;     // entry run after loading, or null
  const char* cleanup;  // entry run before unloading, or null
  bool required;
};
constexpr SlotSpec kSlotSpecs[kDllSlotCount] = {
    {"HOSTACCESS", "qdwsoc%d.dll", "tcp_init", "tcp_cleanup", true},
    {"QDKERNELDLL", "qdker%d.dll", nullptr, nullptr, false},
};
constexpr int kWordSize = 32;
constexpr size_t kKeyMax = 32;
constexpr int kInitFailed = -1;

struct Slot {
  void* module = nullptr;
  uint32_t loader = 0;  // the process that loaded it
  char path[kPathMax + 1] = {};
};
Slot g_slots[kDllSlotCount];
// The process id for tests (0: none). The platform's is asked at every use rather than
// kept: a process forked from the loader must see that it is not the loader.
uint32_t g_pid = 0;
const ModuleOps* g_ops = nullptr;
SettingFn g_setting = nullptr;

using InitEntry = int (*)();

uint32_t own_pid() { return g_pid != 0 ? g_pid : plat::process_id(); }

void* module_load(const char* path) {
  return g_ops && g_ops->load ? g_ops->load(path) : plat::module_load(path);
}
plat::ModuleEntry module_entry(void* module, const char* name) {
  return g_ops && g_ops->entry ? g_ops->entry(module, name) : plat::module_entry(module, name);
}
void module_free(void* module) {
  if (g_ops && g_ops->free) {
    g_ops->free(module);
  } else {
    plat::module_free(module);
  }
}

int lookup(int slot, plat::ModuleEntry* out, const char* name, bool* searched = nullptr);

// Loads the module at path with its own directory as the current one and the system's
// dialogue boxes off; the caller's directory is given back. A successful load leaves
// errno as it was, a failed one as the loader set it.
void* load_in_own_directory(const char* path) {
  char saved[kPathMax + 1];
  char dir[kPathMax + 1];
  path_dir_part(path, dir, sizeof dir);
  const bool move = dir[0] != 0 && plat::current_directory(saved, sizeof saved);
  if (move) plat::change_directory(dir);
  const int caller_errno = errno;
  const uint32_t mode = plat::error_mode_quiet();
  void* module = module_load(path);
  plat::error_mode_restore(mode);
  const int load_errno = errno;
  if (move) plat::change_directory(saved);
  errno = module ? caller_errno : load_errno;
  return module;
}

int load_slot(int s) {
  const SlotSpec& spec = kSlotSpecs[s];
  char key[kKeyMax];
  format_values(key, sizeof key, "%s%d", spec.stem, kWordSize);
  char path[kPathMax + 1];
  if (const char* value = g_setting ? g_setting(key) : win_os_getenv(key)) {
    format_values(path, sizeof path, "%s", value);
  } else if (spec.required) {
    return _merror(QDE_LIBRARY_NOT_CONFIGURED, static_cast<const char*>(key));
  } else {
    format_values(path, sizeof path, spec.pattern, kWordSize);
  }
  void* module = load_in_own_directory(path);
  if (!module) return report<QDE_LIBRARY_LOAD_FAILED, 0>(+path);
  Slot& slot = g_slots[s];
  slot.module = module;
  slot.loader = own_pid();
  std::memcpy(slot.path, path, sizeof path);
  if (spec.init) {
    plat::ModuleEntry entry = nullptr;
    if (int err = lookup(s, &entry, spec.init); err != 0) {
      // No initialisation entry: the library was never set up, so the slot is left
      // empty, as it was before the call, and the next request tries again.
      module_free(slot.module);
      slot = Slot{};
      return err;
    }
    if (reinterpret_cast<InitEntry>(entry)() == kInitFailed) {
      return report<QDE_LIBRARY_INIT_FAILED, 0>(+slot.path);
    }
  }
  return 0;
}

// Unloads a slot that this process loaded, or with force one that another loaded (its
// clean-up entry is then not run: the handles are the other process's).
int unload_slot(int s, bool force) {
  Slot& slot = g_slots[s];
  if (!slot.module) return 0;
  const bool mine = slot.loader == own_pid();
  if (!mine && !force) return 0;
  if (kSlotSpecs[s].cleanup && mine) {
    plat::ModuleEntry entry = nullptr;
    if (lookup(s, &entry, kSlotSpecs[s].cleanup) == 0 && entry) entry();
  }
  module_free(slot.module);
  slot.module = nullptr;
  slot.loader = 0;
  return 0;
}

// The slot's entry by name, loading the slot first if needed; *searched tells whether
// the name itself was looked for (a failed load never gets that far).
int lookup(int slot, plat::ModuleEntry* out, const char* name, bool* searched) {
  for (int s = 0; s < kDllSlotCount; ++s) {
    if (g_slots[s].module && g_slots[s].loader != own_pid()) {
      if (int err = unload_slot(s, true); err != 0) return err;
    }
  }
  if (!g_slots[slot].module) {
    if (int err = load_slot(slot); err != 0) return err;
  }
  const char* entry_name = name && name[0] == '_' ? name + 1 : name;
  if (searched) *searched = true;
  *out = entry_name ? module_entry(g_slots[slot].module, entry_name) : nullptr;
  if (!*out) {
    return report<QDE_LIBRARY_ENTRY_MISSING, 0>(name ? name : "(null)", +g_slots[slot].path);
  }
  return 0;
}

bool valid_slot(int slot) { return slot >= 0 && slot < kDllSlotCount; }

}  // namespace

void dll_set_module_ops_for_test(const ModuleOps* ops) { g_ops = ops; }

void dll_set_setting_for_test(SettingFn fn) { g_setting = fn; }

void dll_set_process_id_for_test(uint32_t pid) { g_pid = pid; }

void dll_reset_for_test() {
  for (Slot& slot : g_slots) {
    if (slot.module) module_free(slot.module);
    slot = Slot{};
  }
}

void* dll_slot_module(int slot) { return valid_slot(slot) ? g_slots[slot].module : nullptr; }
uint32_t dll_slot_loader(int slot) { return valid_slot(slot) ? g_slots[slot].loader : 0; }
const char* dll_slot_path(int slot) { return valid_slot(slot) ? g_slots[slot].path : ""; }

}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int load_function(qd_long slot, void* out_fn, const char* name) {
  if (!valid_slot(slot)) {
    char what[kKeyMax];
    format_values(what, sizeof what, "(library slot %ld)", slot);
    return report<QDE_LIBRARY_LOAD_FAILED, 0>(+what);
  }
  plat::ModuleEntry entry = nullptr;
  bool searched = false;
  const int err = lookup(slot, &entry, name, &searched);
  // An entry that is not found is stored as null; a library that cannot be loaded (or
  // set up) leaves the cell alone.
  if (out_fn && searched) {
    std::memcpy(out_fn, &entry, sizeof entry);
  }
  return err;
}

QD_EXTERN_C QD_API int unload_dll(qd_long slot) {
  if (!valid_slot(slot)) return 0;
  return unload_slot(slot, false);
}
