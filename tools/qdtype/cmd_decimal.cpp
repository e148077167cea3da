// cmd_decimal.cpp: qdtype's decimal commands: calc (the four operations and the division
// of a digit string by an integer) and cast (a value to a numeric column type), with
// their tour step.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr int kNumericCode = 3;
constexpr int kMoneyCode = 10;

void print_fix(const char* label, const qd_fix* v) {
  char text[QD_FIX_TEXT_SIZE];
  fix_string(v, text);
  std::printf("%s%s  (precision %d, scale %d)\n", label, text, getprec(v), getscale(v));
}

// Reads a decimal operand; on failure prints the report and returns false.
bool read_operand(const char* text, qd_fix* v) {
  if (string_fix(text, v) == 0) return true;
  qdtype::print_error_report();
  return false;
}

int run_calc(const char* a_text, const char* op, const char* b_text, bool quiet_usage) {
  unsigned char a[QD_FIX_MAX_BYTES], b[QD_FIX_MAX_BYTES], c[QD_FIX_MAX_BYTES];
  if (std::strcmp(op, "%") == 0) {
    char* end = nullptr;
    const unsigned long divisor = std::strtoul(b_text, &end, 10);
    if (!*b_text || *end || divisor > 0xffffffffUL) {
      if (!quiet_usage) std::fprintf(stderr, "qdtype calc: %% takes an unsigned integer divisor\n");
      return 2;
    }
    if (!read_operand(a_text, a)) return 1;
    char zero = 0;
    const unsigned rem = fixdivmod(c, &zero, a, static_cast<unsigned>(divisor));
    if (divisor == 0) {
      qdtype::print_error_report();
      return 1;
    }
    print_fix("quotient  ", c);
    std::printf("remainder %u (in units of the last digit of %s)%s\n", rem, a_text,
                zero ? ", quotient zero" : "");
    return 0;
  }
  int rc;
  if (!read_operand(a_text, a) || !read_operand(b_text, b)) return 1;
  switch (op[0] && !op[1] ? op[0] : 0) {
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
    case '/':
      rc = fixdiv(a, b, c);
      break;
    default:
      std::fprintf(stderr, "qdtype calc: operator must be one of + - * x / %%\n");
      return 2;
  }
  if (rc != 0) {
    std::printf("error %d\n", rc);
    qdtype::print_error_report();
    return 1;
  }
  print_fix("", c);
  return 0;
}

int cmd_calc(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qdtype calc A OP B   (OP: + - * x / %%)\n");
    return 2;
  }
  return run_calc(argv[0], argv[1], argv[2], false);
}

int run_cast(const char* value, const char* type_text) {
  char type_buf[64];
  std::snprintf(type_buf, sizeof type_buf, "%s", type_text);
  attrtype t{};
  if (!txt_to_attr(type_buf, &t) || (t.code != kNumericCode && t.code != kMoneyCode)) {
    std::fprintf(stderr, "qdtype cast: the type must be numeric(P,S) or money\n");
    return 2;
  }
  const int scale = static_cast<signed char>(t.param[1]);
  const int precision = static_cast<signed char>(t.param[0]);
  unsigned char v[QD_FIX_MAX_BYTES], r[QD_FIX_MAX_BYTES];
  if (!read_operand(value, v)) return 1;
  if (!fix_fix(v, scale, r)) {
    qdtype::print_error_report();
    return 1;
  }
  char type_name[40];
  attr_to_txt(&t, 1, type_name);
  if (!size_compatible(r, &t)) {
    char text[QD_FIX_TEXT_SIZE];
    fix_string(r, text);
    std::printf("%s does not fit %s: it needs precision %d\n", text, type_name, getprec(r));
    return 1;
  }
  std::printf("%s as %s (precision %d, scale %d):\n", value, type_name, precision, scale);
  print_fix("  ", r);
  return 0;
}

int cmd_cast(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qdtype cast VALUE numeric(P,S)\n");
    return 2;
  }
  return run_cast(argv[0], argv[1]);
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
    std::printf(std::strcmp(s.op, "%") == 0 ? "%s %s %s:\n" : "%s %s %s = ", s.a, s.op, s.b);
    run_calc(s.a, s.op, s.b, true);
  }
  run_cast("12.345", "numeric(5,2)");
  run_cast("-2.5", "numeric(3,0)");
  std::printf("1234.5 as numeric(5,2): ");
  run_cast("1234.5", "numeric(5,2)");
}

}  // namespace

QDTYPE_COMMAND("calc", "A OP B", "decimal arithmetic: OP is + - * x / or % (by an integer)",
               cmd_calc);
QDTYPE_COMMAND("cast", "VALUE numeric(P,S)", "cast a decimal to a numeric type, rounding half up",
               cmd_cast);
QDTYPE_TOUR(50, "Exact decimals: 30 digits, half-up casts, cut results", tour);
