// main.cpp: qdtype, the command-line tool over the type library.
#include <cstdio>
#include <cstring>

#include "qdtype32/qdtype32.h"

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    std::fprintf(stderr, "usage: qdtype tour | type TEXT\n");
    return 2;
  }
  return 0;
}
