// acct_internal.h: the accounting log's and the library slots' internal entries and
// test seams.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace qd {

// ---- Accounting log ------------------------------------------------------------------
constexpr int kAcctEventCount = 10;  // indexes 0..9 can be written
constexpr int kAcctMaxTexts = 3;

// acct_write with its texts in an array (count of them, absent ones null).
int acct_write_texts(int event, int count, const char* const* texts);

// The open that the log uses for its files (null: the runtime's low-level open).
using AcctOpenFn = int (*)(const char* path, int flags, int mode);
void acct_set_open_for_test(AcctOpenFn fn);
// Forgets the identity fields and the generation, closes the file and frees the line
// buffer, as at load.
void acct_reset_for_test();
// The generation in use (-1 before the first file) and the open descriptor (-1: none).
int acct_generation();
int acct_descriptor();

// ---- Library slots ----------------------------------------------------------------------
constexpr int kDllSlotCount = 2;

// The module services the slots use (all null: the platform's).
struct ModuleOps {
  void* (*load)(const char* path);
  plat::ModuleEntry (*entry)(void* module, const char* name);
  bool (*free)(void* module);
};
void dll_set_module_ops_for_test(const ModuleOps* ops);
// The setting lookup the slots use for their paths (null: win_os_getenv).
using SettingFn = const char* (*)(const char* name);
void dll_set_setting_for_test(SettingFn fn);
// The process id the slots compare with (0: the platform's).
void dll_set_process_id_for_test(uint32_t pid);
// Frees every loaded slot without its clean-up entry and empties the table.
void dll_reset_for_test();
// What a slot holds: its module (null when empty), loader and path.
void* dll_slot_module(int slot);
uint32_t dll_slot_loader(int slot);
const char* dll_slot_path(int slot);

}  // namespace qd
