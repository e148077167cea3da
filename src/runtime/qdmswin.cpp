// qdmswin.cpp: configuration lookup and installation paths.
#include <cstring>

#include "platform/platform.h"
#include "runtime/runtime_internal.h"

namespace qd {

char* path_join(char* out, size_t size, const char* dir, const char* sub, const char* file) {
  if (!out || size == 0) return out;
  const char sep = plat::kPathSeparator;
  size_t n = 0;
  auto put = [&](const char* s, size_t len) {
    for (size_t i = 0; i < len && n + 1 < size; ++i) out[n++] = s[i];
  };
  auto ends_with_sep = [&] { return n > 0 && out[n - 1] == sep; };
  const bool has_sub = sub && *sub;
  const bool has_file = file && *file;
  if (dir) put(dir, std::strlen(dir));
  if (n > 0 && !ends_with_sep() && (has_sub || has_file)) put(&sep, 1);
  if (has_sub) {
    while (*sub == sep) ++sub;
    put(sub, std::strlen(sub));
    if (has_file && !ends_with_sep()) put(&sep, 1);
  }
  if (has_file) {
    while (*file == sep) ++file;
    put(file, std::strlen(file));
  }
  out[n] = 0;
  return out;
}

}  // namespace qd
