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

std::string type_text(const attrtype& t) {
  char buf[64];
  return attr_to_txt(const_cast<attrtype*>(&t), 1, buf);
}

bool read_type(const char* text, attrtype* t) {
  txt_to_attr(const_cast<char*>(text), t);
  if (t->code >= 0) return true;
  std::fprintf(stderr, "qdtype: '%s' does not begin with a type name\n", text);
  return false;
}

// A value of type t from its plain text: numbers, texts, hexadecimal byte strings and
// 0/1 bit strings. "null" is the SQL null. False when the text cannot be read.
bool read_value(const char* text, const attrtype& t, std::vector<unsigned char>* out,
                bool* is_null) {
  *is_null = std::strcmp(text, "null") == 0;
  if (*is_null) return true;
  char* end = nullptr;
  auto put = [&](const void* p, size_t n) {
    out->assign(static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n);
  };
  switch (t.code) {
    case 1:
    case 5:
    case 6:
    case 11: {
      long v = std::strtol(text, &end, 10);
      if (*end) return false;
      if (t.code == 1) {
        int32_t x = static_cast<int32_t>(v);
        put(&x, 4);
      } else if (t.code == 6) {
        int16_t x = static_cast<int16_t>(v);
        put(&x, 2);
      } else {
        int8_t x = static_cast<int8_t>(v);
        put(&x, 1);
      }
      return true;
    }
    case 2:
    case 7: {
      double v = std::strtod(text, &end);
      if (*end) return false;
      if (t.code == 2) {
        put(&v, 8);
      } else {
        float f = static_cast<float>(v);
        put(&f, 4);
      }
      return true;
    }
    case 3:
    case 10:
      out->assign(QD_FIX_MAX_BYTES, 0);
      if (string_fix(text, out->data()) != 0) {
        print_error_report();
        return false;
      }
      return true;
    case 4:
    case 28:
    case 29:
      put(text, std::strlen(text) + 1);
      return true;
    case 12:
      out->assign(4 + std::strlen(text) / 2 + 1, 0);
      return hex_to_binchar(out->data(), const_cast<char*>(text)) == 0;
    case 14:
    case 30: {
      const size_t n = std::strlen(text);
      if (std::strspn(text, "01") != n) return false;
      out->assign(4 + (n + 7) / 8, 0);
      char* rest = t.code == 14 ? lit_to_bits(out->data(), const_cast<char*>(text))
                                : lit_to_bits2(out->data(), const_cast<char*>(text));
      return rest && *rest == 0;
    }
    default:
      std::fprintf(stderr, "qdtype: values of %s are not read here yet\n", type_text(t).c_str());
      return false;
  }
}

int cmd_compare(int argc, char** argv) {
  if (argc != 4) return 2;
  attrtype ta, tb;
  if (!read_type(argv[1], &ta) || !read_type(argv[3], &tb)) return 2;
  std::vector<unsigned char> va, vb;
  bool null_a, null_b;
  if (!read_value(argv[0], ta, &va, &null_a) || !read_value(argv[2], tb, &vb, &null_b)) {
    std::fprintf(stderr, "qdtype: a value does not read as its type\n");
    return 1;
  }
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
  std::printf("compare(%s %s, %s %s) = %d: %s%s\n", argv[0], type_text(ta).c_str(), argv[2],
              type_text(tb).c_str(), r, meaning,
              types_compatible(&ta, &tb) ? "" : " (the types do not go together)");
  return 0;
}

int cmd_result(int argc, char** argv) {
  if (argc != 2) return 2;
  attrtype a, b, r;
  if (!read_type(argv[0], &a) || !read_type(argv[1], &b)) return 2;
  fine_result_typ(&a, &b, &r);
  std::printf("%s with %s\n", type_text(a).c_str(), type_text(b).c_str());
  std::printf("  compatible     %s\n", types_compatible(&a, &b) ? "yes" : "no");
  std::printf("  result type    %s\n", r.code ? type_text(r).c_str() : "none (code 0)");
  std::printf("  cast a to b    %s\n", castable_from_to(&a, &b) ? "allowed" : "not allowed");
  std::printf("  cast b to a    %s\n", castable_from_to(&b, &a) ? "allowed" : "not allowed");
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
    std::printf("  ");
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
    std::printf("  %s with %s gives %s\n", p[0], p[1], r.code ? type_text(r).c_str() : "no type");
  }
}

}  // namespace

QDTYPE_COMMAND("compare", "A TYPE B TYPE", "compare two values (\"null\" for the SQL null)",
               cmd_compare);
QDTYPE_COMMAND("result", "TYPE TYPE", "common type, castability and exact result type", cmd_result);
QDTYPE_TOUR(75, "Comparison and result types", tour_compare);

}  // namespace qdtype
