// paths.cpp: joining and splitting paths with the platform's separator (the trace file,
// the catalogues, the configuration and the library loader all build paths).
#include "status/paths.h"

#include <cstring>

#include "platform/platform.h"

namespace qd {

char* path_join(char* out, size_t size, const char* dir, const char* sub, const char* file) {
  if (!out || size == 0) return out;
  const char sep = plat::kPathSeparator;
  size_t n = 0;
  auto put = [&](const char* s, size_t len) {
    for (size_t i = 0; i < len && n + 1 < size; ++i) out[n++] = s[i];
  };
  auto ends_with_sep = [&] { return n > 0 && plat::is_path_separator(out[n - 1]); };
  const bool has_sub = sub && *sub;
  const bool has_file = file && *file;
  if (dir) put(dir, std::strlen(dir));
  if (n > 0 && !ends_with_sep() && (has_sub || has_file)) put(&sep, 1);
  if (has_sub) {
    while (plat::is_path_separator(*sub)) ++sub;
    put(sub, std::strlen(sub));
    if (has_file && !ends_with_sep()) put(&sep, 1);
  }
  if (has_file) {
    while (plat::is_path_separator(*file)) ++file;
    file += path_drive_length(file, nullptr);
    put(file, std::strlen(file));
  }
  out[n] = 0;
  return out;
}

int path_drive_length(const char* path, char* letter) {
  if (!path) return 0;
  const unsigned char c = static_cast<unsigned char>(path[0]);
  const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (!alpha || path[1] != ':') return 0;
  if (letter) *letter = static_cast<char>(c | 0x20);
  return 2;
}

const char* path_file_part(const char* path) {
  if (!path) return path;
  const char* last = nullptr;
  for (const char* p = path; *p; ++p) {
    if (plat::is_path_separator(*p)) last = p;
  }
  if (last) return last + 1;
  return path + path_drive_length(path, nullptr);
}

char* path_dir_part(const char* path, char* out, size_t size) {
  if (!out || size == 0) return out;
  size_t n = path ? static_cast<size_t>(path_file_part(path) - path) : 0;
  if (n > 0 && plat::is_path_separator(path[n - 1]) && n > 1) --n;
  if (n >= size) n = size - 1;
  if (n) std::memcpy(out, path, n);
  out[n] = 0;
  return out;
}

}  // namespace qd
