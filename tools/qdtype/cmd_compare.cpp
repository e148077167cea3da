// cmd_compare.cpp: qdtype commands for comparison and result types.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace qdtype {
namespace {

constexpr int kAll = 0x7fffffff;

std::string hex(const std::vector<unsigned char>& v) {
  std::string s;
  char b[3];
  for (unsigned char c : v) {
    std::snprintf(b, sizeof b, "%02x", c);
    s += b;
  }
  return s;
}

std::string type_text(const attrtype& t) {
  char buf[64];
  return attr_to_txt(const_cast<attrtype*>(&t), 1, buf);
}

int cmd_compare(int argc, char** argv) {
  if (argc != 4) return bad_usage("qdtype compare: four arguments, A TYPE B TYPE");
  attrtype ta, tb;
  if (!arg_type(argv[1], &ta) || !arg_type(argv[3], &tb)) return 2;
  std::vector<unsigned char> va, vb;
  bool null_a, null_b;
  if (int rc = read_value(argv[0], ta, &va, &null_a)) return rc;
  if (int rc = read_value(argv[2], tb, &vb, &null_b)) return rc;
  const int r = compare(null_a ? nullptr : va.data(), ta.code, null_b ? nullptr : vb.data(),
                        tb.code, kAll, kAll);
  const char* meaning = "";
  switch (r) {
    case -4:
      meaning = "both null";
      break;
    case -3:
    case -2:
      meaning = "the null sorts first";
      break;
    case -1:
      meaning = "the first sorts first";
      break;
    case 0:
      meaning = "equal";
      break;
    case 1:
      meaning = "the second sorts first";
      break;
    default:
      meaning = "the null sorts first";
      break;
  }
  print("compare(%s %s, %s %s) = %d: %s%s\n", argv[0], type_text(ta).c_str(), argv[2],
        type_text(tb).c_str(), r, meaning,
        types_compatible(&ta, &tb) ? "" : " (the types do not go together)");
  field("value", static_cast<long long>(r));
  field("meaning", meaning);
  field_bool("compatible", types_compatible(&ta, &tb) != 0);
  field("type_a", type_text(ta).c_str());
  field("type_b", type_text(tb).c_str());
  if (!null_a) field("bytes_a", hex(va).c_str());
  if (!null_b) field("bytes_b", hex(vb).c_str());
  return 0;
}

int cmd_result(int argc, char** argv) {
  if (argc != 2) return bad_usage("qdtype result: two descriptors");
  attrtype a, b, r;
  if (!arg_type(argv[0], &a) || !arg_type(argv[1], &b)) return 2;
  fine_result_typ(&a, &b, &r);
  print("%s with %s\n", type_text(a).c_str(), type_text(b).c_str());
  print("  compatible     %s\n", types_compatible(&a, &b) ? "yes" : "no");
  print("  result type    %s\n", r.code ? type_text(r).c_str() : "none (code 0)");
  print("  cast a to b    %s\n", castable_from_to(&a, &b) ? "allowed" : "not allowed");
  print("  cast b to a    %s\n", castable_from_to(&b, &a) ? "allowed" : "not allowed");
  if (r.code) {
    field_type(r);
  } else {
    field("type", nullptr);
  }
  field_bool("compatible", types_compatible(&a, &b) != 0);
  field_bool("cast_a_to_b", castable_from_to(&a, &b) != 0);
  field_bool("cast_b_to_a", castable_from_to(&b, &a) != 0);
  return 0;
}

void tour_compare() {
  const char* pairs[][4] = {
      {"abc", "char(5)", "abc  ", "varchar(8)"}, {"5", "tinyint", "5.00", "numeric(3,2)"},
      {"0.1", "float", "0.1", "numeric(2,1)"},   {"3", "integer", "2.5", "double"},
      {"null", "integer", "7", "integer"},       {"101", "bits(3)", "10100", "bits2(5)"},
  };
  for (auto& p : pairs) {
    char* argv[] = {const_cast<char*>(p[0]), const_cast<char*>(p[1]), const_cast<char*>(p[2]),
                    const_cast<char*>(p[3])};
    print("  ");
    cmd_compare(4, argv);
  }
  const char* results[][2] = {{"numeric(10,2)", "integer"},
                              {"varchar(10)", "varchar(*)"},
                              {"timespan[yy:mo]", "timespan[dd:ss]"}};
  for (auto& p : results) {
    attrtype a, b, r;
    txt_to_attr(const_cast<char*>(p[0]), &a);
    txt_to_attr(const_cast<char*>(p[1]), &b);
    fine_result_typ(&a, &b, &r);
    print("  %s with %s gives %s\n", p[0], p[1], r.code ? type_text(r).c_str() : "no type");
  }
}

}  // namespace

QDTYPE_COMMAND("compare", "A TYPE B TYPE", "compare two values (\"null\" for the SQL null)",
               cmd_compare,
               "A, B        values, each read as the type after it (\"null\" for the null);\n"
               "            a value must fit its type: 300 is no tinyint\n"
               "TYPE        descriptors: integer, numeric(5,2), char(10), bits(8),\n"
               "            datetime[yy:dd] ... (qdtype help bytes shows the value forms)",
               "compare 5 tinyint 5.00 numeric(3,2)",
               "the comparison result (-1, 0, 1, or -4..-2 with nulls) and its meaning,\n"
               "and whether the two types go together");
QDTYPE_COMMAND("result", "TYPE TYPE", "common type, castability and exact result type", cmd_result,
               "TYPE  two descriptors", "result numeric(10,2) integer",
               "whether the types are compatible, the exact result type of combining them,\n"
               "and whether each casts to the other");
QDTYPE_TOUR(75, "Comparison and result types", tour_compare);

}  // namespace qdtype
