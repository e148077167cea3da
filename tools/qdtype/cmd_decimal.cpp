// cmd_decimal.cpp: qdtype's decimal commands: calc (the four operations and the division
// of a digit string by an integer) and cast (a value to a numeric column type), with
// their tour step.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace {

using qdtype::print;

constexpr int kNumericCode = 3;

// The descriptor a fix value fits exactly: numeric(precision, scale).
attrtype fix_type(const qd_fix* v) {
  attrtype t{};
  get_attrtype(const_cast<qd_fix*>(v), 3, &t);
  return t;
}

void print_fix(const char* label, const qd_fix* v) {
  char text[QD_FIX_TEXT_SIZE];
  fix_string(v, text);
  print("%s%s  (precision %d, scale %d)\n", label, text, getprec(v), getscale(v));
  qdtype::field("value", text + std::strspn(text, " "));
  qdtype::field_type(fix_type(v));
  qdtype::field_bytes(v, static_cast<size_t>(fixsize(v)));
}

// A failure inside the tour shows its report as part of the output; a command returns
// it as its failure.
int library_failure(bool tour) {
  if (!tour) return qdtype::library_error();
  qdtype::print_error_report();
  return 1;
}

int run_calc(const char* a_text, const char* op, const char* b_text, bool tour) {
  unsigned char a[QD_FIX_MAX_BYTES], b[QD_FIX_MAX_BYTES], c[QD_FIX_MAX_BYTES];
  if (std::strcmp(op, "%") == 0) {
    long long divisor = 0;
    if (!qdtype::arg_int(b_text, 0, 0xffffffffLL, "the divisor of %", &divisor)) return 2;
    if (string_fix(a_text, a) != 0) return library_failure(tour);
    char zero = 0;
    const unsigned rem = fixdivmod(c, &zero, a, static_cast<unsigned>(divisor));
    if (divisor == 0) return library_failure(tour);
    print_fix("quotient  ", c);
    print("remainder %u (in units of the last digit of %s)%s\n", rem, a_text,
          zero ? ", quotient zero" : "");
    qdtype::field("remainder", static_cast<long long>(rem));
    return 0;
  }
  if (!(op[0] && !op[1] && std::strchr("+-*x/", op[0]))) {
    return qdtype::bad_usage("qdtype calc: the operator is one of + - * x / %%, not '%s'", op);
  }
  if (string_fix(a_text, a) != 0 || string_fix(b_text, b) != 0) return library_failure(tour);
  int rc = 0;
  switch (op[0]) {
    case '+':
      rc = fixadd(a, b, c);
      break;
    case '-':
      rc = fixsub(a, b, c);
      break;
    case '*':
    case 'x':
      rc = fixmul(a, b, c);
      break;
    default:
      rc = fixdiv(a, b, c);
      break;
  }
  if (rc != 0) return library_failure(tour);
  print_fix("", c);
  return 0;
}

int cmd_calc(int argc, char** argv) {
  if (argc != 3) return qdtype::bad_usage("qdtype calc: three arguments, A OP B");
  return run_calc(argv[0], argv[1], argv[2], false);
}

int run_cast(const char* value, const attrtype& t, bool tour) {
  const int scale = static_cast<signed char>(t.param[1]);
  const int precision = static_cast<signed char>(t.param[0]);
  unsigned char v[QD_FIX_MAX_BYTES], r[QD_FIX_MAX_BYTES];
  if (string_fix(value, v) != 0) return library_failure(tour);
  if (!fix_fix(v, scale, r)) return library_failure(tour);
  char type_name[40];
  attr_to_txt(const_cast<attrtype*>(&t), 1, type_name);
  if (!size_compatible(r, &t)) {
    char text[QD_FIX_TEXT_SIZE];
    fix_string(r, text);
    if (tour) {
      print("%s does not fit %s: it needs precision %d\n", text, type_name, getprec(r));
      return 1;
    }
    return qdtype::failure("qdtype cast: %s does not fit %s: it needs precision %d", text,
                           type_name, getprec(r));
  }
  print("%s as %s (precision %d, scale %d):\n", value, type_name, precision, scale);
  print_fix("  ", r);
  return 0;
}

attrtype numeric(const char* text) {
  attrtype t{};
  std::string copy = text;
  txt_to_attr(copy.data(), &t);
  return t;
}

int cmd_cast(int argc, char** argv) {
  if (argc != 2) return qdtype::bad_usage("qdtype cast: two arguments, VALUE numeric(P,S)");
  attrtype t{};
  if (!qdtype::arg_type(argv[1], &t)) return 2;
  if (t.code != kNumericCode || t.param[0] == 0) {
    return qdtype::bad_usage("qdtype cast: the type is numeric(P,S), not '%s'", argv[1]);
  }
  return run_cast(argv[0], t, false);
}

void tour() {
  struct Step {
    const char* a;
    const char* op;
    const char* b;
  } steps[] = {
      {"1.5", "+", "2.25"},
      {"10", "-", "0.001"},
      {"999999999999999999999999999999", "+", "1"},
      {"12.5", "*", "0.04"},
      {"99999999999999999999", "*", "100000000000000000001"},
      {"1", "/", "3"},
      {"1", "/", "4"},
      {"12345", "%", "100"},
  };
  for (const Step& s : steps) {
    print(std::strcmp(s.op, "%") == 0 ? "%s %s %s:\n" : "%s %s %s = ", s.a, s.op, s.b);
    run_calc(s.a, s.op, s.b, true);
  }
  run_cast("12.345", numeric("numeric(5,2)"), true);
  run_cast("-2.5", numeric("numeric(3,0)"), true);
  print("1234.5 as numeric(5,2): ");
  run_cast("1234.5", numeric("numeric(5,2)"), true);
}

}  // namespace

QDTYPE_COMMAND("calc", "A OP B", "decimal arithmetic: OP is + - * x / or % (by an integer)",
               cmd_calc,
               "A, B  decimals of up to 30 digits (1.5, -0.001, 12345)\n"
               "OP    + - * (or x, which no shell expands) /, or % for the division of A's\n"
               "      digits by an unsigned 32-bit integer B",
               "calc 1 / 3",
               "the exact result with its precision and scale (the library's rounding and\n"
               "cutting rules); for %, the quotient and the remainder");
QDTYPE_COMMAND("cast", "VALUE numeric(P,S)", "cast a decimal to a numeric type, rounding half up",
               cmd_cast,
               "VALUE         a decimal of up to 30 digits\n"
               "numeric(P,S)  the target: precision 1..30, scale 0..P",
               "cast 12.345 numeric(5,2)",
               "the value rounded half up to scale S, with its precision and scale; a value\n"
               "that needs more than P digits fails");
QDTYPE_TOUR(50, "Exact decimals: 30 digits, half-up casts, cut results", tour);
