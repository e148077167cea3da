// catalog_reader.cpp: lines and entry heads of the catalogue files.
#include "status/catalog_reader.h"

#include <cstdlib>
#include <cstring>

namespace qd {
namespace {

constexpr char kDefine[] = "#define";
constexpr size_t kDefineLength = sizeof kDefine - 1;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// "#define NAME NUMBER": the name (cut) and the number, read after the keyword.
void read_define(CatalogLine* line) {
  const char* p = line->text + kDefineLength;
  while (is_blank(*p)) ++p;
  size_t n = 0;
  while (*p && !is_blank(*p) && *p != '\n') {
    if (n < kCatalogNameMax) {
      line->name[n++] = *p;
    } else {
      line->cut = true;
    }
    ++p;
  }
  line->name[n] = 0;
  while (is_blank(*p)) ++p;
  char* end = nullptr;
  line->number = std::strtol(p, &end, 10);
  line->numbered = end != p;
}

}  // namespace

bool read_catalog_line(std::FILE* f, CatalogLine* line) {
  size_t n = 0;
  int c;
  bool any = false;
  line->cut = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\r') continue;
    if (n < kCatalogLineMax) {
      line->text[n++] = static_cast<char>(c);
    } else if (c != '\n') {
      line->cut = true;
    }
    if (c == '\n') break;
  }
  line->text[n] = 0;
  line->define = std::strncmp(line->text, kDefine, kDefineLength) == 0;
  line->name[0] = 0;
  line->number = 0;
  line->numbered = false;
  if (line->define) read_define(line);
  return any;
}

}  // namespace qd
