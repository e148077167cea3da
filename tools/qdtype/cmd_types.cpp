// cmd_types.cpp: qdtype commands for type descriptors and the error report.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace qdtype {
namespace {

int param_length(const attrtype& t) { return static_cast<int16_t>(t.param[0] | (t.param[1] << 8)); }

// Prints what a descriptor is, then reads its printed form back.
int show_type(const attrtype& given, const char* text) {
  attrtype t = given;
  char full[64], brief[64], rough[64];
  attr_to_txt(&t, 1, full);
  attr_to_txt(&t, 0, brief);
  name_rough_type(t.code, rough);
  print("text        %s\n", text);
  print("code        %d\n", t.code);
  print("printed     %s (short %s, rough form %s)\n", full, brief, rough);
  print("parameters  bytes %u %u (length %d)\n", t.param[0], t.param[1], param_length(t));
  print("size        %d bytes, alignment %d\n", size_attrtype(&t),
        t.code >= 0 && t.code <= 30 ? req_align[t.code] : 0);
  print("rank        %d, valid %d\n", hierarch(t.code), is_valid_type(t.code));
  print("fine        %s, same size for every value: %s\n",
        is_fine_type(&t) ? "yes" : "no (rough)", fix_size_attrtype(&t) ? "yes" : "no");
  print("fine space  %d bytes (rough space %d)\n", value_fine_space(0, &t),
        value_rough_space(&t));
  attrtype back = {};
  txt_to_attr(full, &back);
  const bool same = at_equal(&t, &back) != 0;
  print("read back   %s\n", same ? "same descriptor" : "DIFFERENT descriptor");
  field_type(t);
  field("code", t.code);
  field("short", brief);
  field("rough", rough);
  field("size", size_attrtype(&t));
  field("alignment", t.code >= 0 && t.code <= 30 ? req_align[t.code] : 0);
  field_bool("fine", is_fine_type(&t) != 0);
  field("fine_space", value_fine_space(0, &t));
  field_bool("reads_back", same);
  field_bytes(&t, sizeof t);
  return same ? 0 : failure("qdtype type: %s does not read back as the same descriptor", full);
}

int cmd_type(int argc, char** argv) {
  if (argc != 1) return bad_usage("qdtype type: one descriptor");
  attrtype t;
  if (!arg_type(argv[0], &t)) return 2;
  return show_type(t, argv[0]);
}

int cmd_number(int argc, char** argv) {
  if (argc != 1) return bad_usage("qdtype number: one literal");
  qd_long value = 0;
  char* end = nullptr;
  int code = atonumber(argv[0], &value, &end);
  char name[64];
  name_rough_type(code, name);
  print("smallest type  %s (code %d)\n", code ? name : "not a number", code);
  if (code == 5 || code == 6 || code == 1) print("value          %d\n", value);
  print("rest           \"%s\"\n", end);
  field("type", code ? name : "");
  field("code", code);
  if (code == 5 || code == 6 || code == 1) {
    field("value", std::to_string(value).c_str());
    field_bytes(&value, code == 5 ? 1 : code == 6 ? 2 : 4);
  }
  field("rest", end);
  return 0;
}

int cmd_report(int argc, char**) {
  if (argc != 0) return bad_usage("qdtype report: no arguments");
  print("%s", qd_errtxt_adr());
  return 0;
}

void tour_types() {
  const char* texts[] = {"numeric(10,2)", "CHAR(20)", "bits2(*)", "timespan[dd:ms]", "string"};
  for (const char* text : texts) {
    attrtype t = {};
    txt_to_attr(const_cast<char*>(text), &t);
    char full[64], brief[64];
    print("  %-16s -> %-18s short %-12s size %5d, fine space %5d\n", text,
                attr_to_txt(&t, 1, full), attr_to_txt(&t, 0, brief), size_attrtype(&t),
                value_fine_space(0, &t));
  }
  const char* numbers[] = {" 42 ", "-128", "32768", "2147483648", "-2147483648"};
  for (const char* n : numbers) {
    qd_long v = 0;
    char name[64];
    print("  literal %-13s is smallest as %s\n", n,
                name_rough_type(atonumber(const_cast<char*>(n), &v, nullptr), name));
  }
}

}  // namespace

QDTYPE_COMMAND("type", "TEXT", "parse a type descriptor, show it, read its printed form back",
               cmd_type,
               "TEXT  a descriptor as the library writes it: integer, double, numeric(P,S),\n"
               "      char(N), varchar(N), binchar(N), bits(N), bits2(N), datetime[yy:dd],\n"
               "      timespan[hh:ms], money, bool ...; (*) for an unspecified length",
               "type numeric(10,2)",
               "the code, printed and short forms, parameter bytes, value size, alignment,\n"
               "rank, fine or rough, and whether the printed form reads back the same");
QDTYPE_COMMAND("number", "TEXT", "the smallest integer type that holds an integer literal",
               cmd_number, "TEXT  an integer literal, blanks around it allowed", "number 32768",
               "the smallest type (tinyint, smallint, integer, or the decimal or double\n"
               "a larger number needs), the value when it is an integer, the unread rest");
QDTYPE_COMMAND("report", "", "print the thread's error report", cmd_report, nullptr, "report",
               "the report header and version line of a fresh error report");
QDTYPE_TOUR(10, "Type descriptors: text forms, sizes, smallest integer types", tour_types);

}  // namespace qdtype
