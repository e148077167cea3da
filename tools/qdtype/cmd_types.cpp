// cmd_types.cpp: qdtype commands for type descriptors and the error report.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace qdtype {
namespace {

int param_length(const attrtype& t) { return static_cast<int16_t>(t.param[0] | (t.param[1] << 8)); }

// Prints what a descriptor is, then reads its printed form back.
int show_type(const char* text) {
  attrtype t = {};
  txt_to_attr(const_cast<char*>(text), &t);
  if (t.code < 0) {
    std::printf("%s: no type name at the start of the text\n", text);
    return 1;
  }
  char full[64], brief[64], rough[64];
  attr_to_txt(&t, 1, full);
  attr_to_txt(&t, 0, brief);
  name_rough_type(t.code, rough);
  std::printf("text        %s\n", text);
  std::printf("code        %d\n", t.code);
  std::printf("printed     %s (short %s, rough form %s)\n", full, brief, rough);
  std::printf("parameters  bytes %u %u (length %d)\n", t.param[0], t.param[1], param_length(t));
  std::printf("size        %d bytes, alignment %d\n", size_attrtype(&t),
              t.code >= 0 && t.code <= 30 ? req_align[t.code] : 0);
  std::printf("rank        %d, valid %d\n", hierarch(t.code), is_valid_type(t.code));
  std::printf("fine        %s, same size for every value: %s\n",
              is_fine_type(&t) ? "yes" : "no (rough)", fix_size_attrtype(&t) ? "yes" : "no");
  std::printf("fine space  %d bytes (rough space %d)\n", value_fine_space(0, &t),
              value_rough_space(&t));
  attrtype back = {};
  txt_to_attr(full, &back);
  const bool same = at_equal(&t, &back) != 0;
  std::printf("read back   %s\n", same ? "same descriptor" : "DIFFERENT descriptor");
  return same ? 0 : 1;
}

int cmd_type(int argc, char** argv) {
  if (argc != 1) return 2;
  return show_type(argv[0]);
}

int cmd_number(int argc, char** argv) {
  if (argc != 1) return 2;
  qd_long value = 0;
  char* end = nullptr;
  int code = atonumber(argv[0], &value, &end);
  char name[64];
  name_rough_type(code, name);
  std::printf("smallest type  %s (code %d)\n", code ? name : "not a number", code);
  if (code == 5 || code == 6 || code == 1) std::printf("value          %d\n", value);
  std::printf("rest           \"%s\"\n", end);
  return 0;
}

int cmd_report(int, char**) {
  std::fputs(qd_errtxt_adr(), stdout);
  return 0;
}

void tour_types() {
  const char* texts[] = {"numeric(10,2)", "CHAR(20)", "bits2(*)", "timespan[dd:ms]", "string"};
  for (const char* text : texts) {
    attrtype t = {};
    txt_to_attr(const_cast<char*>(text), &t);
    char full[64], brief[64];
    std::printf("  %-16s -> %-18s short %-12s size %5d, fine space %5d\n", text,
                attr_to_txt(&t, 1, full), attr_to_txt(&t, 0, brief), size_attrtype(&t),
                value_fine_space(0, &t));
  }
  const char* numbers[] = {" 42 ", "-128", "32768", "2147483648", "-2147483648"};
  for (const char* n : numbers) {
    qd_long v = 0;
    char name[64];
    std::printf("  literal %-13s is smallest as %s\n", n,
                name_rough_type(atonumber(const_cast<char*>(n), &v, nullptr), name));
  }
}

}  // namespace

QDTYPE_COMMAND("type", "TEXT", "parse a type descriptor, show it, read its printed form back",
               cmd_type);
QDTYPE_COMMAND("number", "TEXT", "the smallest integer type that holds an integer literal",
               cmd_number);
QDTYPE_COMMAND("report", "", "print the thread's error report", cmd_report);
QDTYPE_TOUR(10, "Type descriptors: text forms, sizes, smallest integer types", tour_types);

}  // namespace qdtype
