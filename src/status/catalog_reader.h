// catalog_reader.h: the one reading of the catalogue files (qderror.h, qdfid.h), shared by
// the library's text lookup (errtext.cpp) and the build's table generator
// (tools/catalog_gen). Plain text over a FILE: it reports nothing and needs nothing of
// the rest of the library, so the generator compiles it on its own.
//
// An entry starts at a line that begins with "#define", followed by blanks or tabs, the
// symbolic name, blanks or tabs and a decimal number; its text is every following line
// up to the next such line or the end of the file.
#pragma once

#include <cstddef>
#include <cstdio>

namespace qd {

constexpr size_t kCatalogLineMax = 299;  // characters of a line that count
constexpr size_t kCatalogNameMax = 298;  // characters of a symbolic name that are kept

struct CatalogLine {
  // The line, cut to kCatalogLineMax characters (the rest of a longer line is skipped),
  // its newline kept when it had one; carriage returns are dropped, so CRLF files read
  // like LF files.
  char text[kCatalogLineMax + 2];
  bool cut;       // the line was longer than kCatalogLineMax
  bool define;    // the line begins with "#define": it starts an entry
  // For a "#define" line: the symbolic name (cut to kCatalogNameMax, `cut` set too), and
  // the number after it (0 when none); `numbered` says whether one was there.
  char name[kCatalogNameMax + 1];
  long number;
  bool numbered;
};

// Reads the next line of f into *line; false at the end of the file.
bool read_catalog_line(std::FILE* f, CatalogLine* line);

}  // namespace qd
