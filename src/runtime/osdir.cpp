// osdir.cpp: directory listing through a two-entry buffer owned by the host.
#include <cstring>

#include "platform/platform.h"
#include "qdtype32/qdos.h"

namespace qd {
namespace {

static_assert(plat::kDirNameSize == QD_DIR_NAME_SIZE, "one name size");

// The host's buffer has no alignment: entries are copied in and out as bytes.
char* half(void* buffer, int which) {
  return static_cast<char*>(buffer) + which * sizeof(qd_dir_entry);
}

void put_entry(void* buffer, const plat::DirEntry& e) {
  qd_dir_entry out{};
  out.attributes = e.directory ? QD_DIR_ATTR_DIRECTORY : 0u;
  out.size_low = static_cast<uint32_t>(e.size);
  out.size_high = static_cast<uint32_t>(e.size >> 32);
  std::memcpy(out.name, e.name, sizeof out.name);
  out.name[sizeof out.name - 1] = 0;
  std::memcpy(half(buffer, 0), &out, sizeof out);
}

plat::DirList* list_of(qd_dir_handle h) { return static_cast<plat::DirList*>(h); }

}  // namespace
}  // namespace qd

using namespace qd;

QD_EXTERN_C QD_API int win_os_opn_dir(const char* pattern, void* entry_buffer,
                                      qd_dir_handle* handle) {
  if (handle) *handle = nullptr;
  if (!pattern || !entry_buffer || !handle) return 1;
  plat::DirEntry first{};
  plat::DirList* list = plat::dir_open(pattern, &first);
  if (!list) return 1;
  put_entry(entry_buffer, first);
  *handle = list;
  return 0;
}

QD_EXTERN_C QD_API int win_os_rd_dir(void* entry_buffer, qd_dir_handle handle, char** name) {
  if (!entry_buffer) return 1;
  std::memcpy(half(entry_buffer, 1), half(entry_buffer, 0), sizeof(qd_dir_entry));
  if (name) *name = half(entry_buffer, 1) + offsetof(qd_dir_entry, name);
  plat::DirEntry next{};
  if (!plat::dir_next(list_of(handle), &next)) {
    // The first half is emptied so that a call past the end hands out "".
    std::memset(half(entry_buffer, 0), 0, sizeof(qd_dir_entry));
    return 1;
  }
  put_entry(entry_buffer, next);
  return 0;
}

QD_EXTERN_C QD_API int win_os_cls_dir(qd_dir_handle handle) {
  plat::dir_close(list_of(handle));
  return 0;
}
