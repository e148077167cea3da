// errtext.cpp: message and function-id texts from the installation's catalogue files.
#include <cstring>

#include "types/types_internal.h"

namespace qd {

bool lookup_message(int, char*, CatalogEntry* out) {
  out->name[0] = 0;
  out->text[0] = 0;
  return false;
}

bool lookup_function(int, char*, CatalogEntry* out) {
  out->name[0] = 0;
  out->text[0] = 0;
  return false;
}

void clean_comment(char*) {}

}  // namespace qd
