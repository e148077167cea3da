// paths.h: paths joined and split with the platform's separator.
#pragma once

#include <cstddef>

namespace qd {

// Joins directory, subdirectory and file name with the platform's separator into out
// (cut at size - 1). Any part may be null or empty; a separator is added only between
// parts, the file loses a leading separator and a drive prefix.
char* path_join(char* out, size_t size, const char* dir, const char* sub, const char* file);
// Length of a drive prefix ("c:"): 2, else 0; the letter lower-cased into *letter.
int path_drive_length(const char* path, char* letter);
// The file-name part: after the last separator, else after a drive prefix.
const char* path_file_part(const char* path);
// The directory part, without its final separator; empty when there is none.
char* path_dir_part(const char* path, char* out, size_t size);

}  // namespace qd
