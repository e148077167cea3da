// cmd_convert.cpp: qdtype's literal and conversion commands: literal (a literal's inferred
// type and value) and convert (a literal adapted to a target type), with their tour step.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace {

constexpr size_t kValueSize = 32672;  // holds any literal and any converted value

// Prints the failure: its number on stdout, the thread's report on stderr.
int failed(int rc) {
  std::printf("error %d\n", rc);
  std::fputs(qd_errtxt_adr(), stderr);
  init_qderr();
  return 1;
}

// The value in the memory form of type t, as text.
void print_value(const attrtype& t, const unsigned char* v) {
  std::vector<char> text(2 * kValueSize + 8);
  char* out = text.data();
  auto get = [v](auto x) {
    std::memcpy(&x, v, sizeof x);
    return x;
  };
  switch (t.code) {
    case 5: case 21: std::printf("%d", get(int8_t{})); break;
    case 17: std::printf("%u", get(uint8_t{})); break;
    case 6: case 22: std::printf("%d", get(int16_t{})); break;
    case 18: std::printf("%u", get(uint16_t{})); break;
    case 1: case 16: case 23: std::printf("%d", get(int32_t{})); break;
    case 19: case 20: std::printf("%u", get(uint32_t{})); break;
    case 7: case 24: std::printf("%.9g", static_cast<double>(get(float{}))); break;
    case 2: case 25: std::printf("%.17g", get(double{})); break;
    case 3: std::printf("%s", fix_string(v, out) + (out[0] == ' ')); break;
    case 4: case 28: case 29: std::printf("'%s'", reinterpret_cast<const char*>(v)); break;
    case 8: std::printf("%s", dt_str(out, v)); break;
    case 9: std::printf("%s", ts_str(out, v)); break;
    case 11: std::printf("%s", v[0] ? "true" : "false"); break;
    case 12: std::printf("%s", binchar_to_string(out, const_cast<unsigned char*>(v), 0)); break;
    case 14: std::printf("%s", bits_to_string(out, const_cast<unsigned char*>(v), 0)); break;
    case 30: std::printf("%s", bits2_to_string(out, const_cast<unsigned char*>(v), 0)); break;
    default: std::printf("(a value of type code %d)", t.code); break;
  }
}

std::string type_name(attrtype t) {
  char buf[64];
  return attr_to_txt(&t, 1, buf);
}

int run_literal(const char* text) {
  std::vector<unsigned char> value(kValueSize);
  attrtype t{};
  if (const int rc = literal_to_binary(value.data(), &t, text); rc != 0) return failed(rc);
  std::printf("%s ", type_name(t).c_str());
  print_value(t, value.data());
  std::printf("\n");
  return 0;
}

int run_convert(const char* text, const char* type_text) {
  char type_buf[64];
  std::snprintf(type_buf, sizeof type_buf, "%s", type_text);
  attrtype target{};
  if (!txt_to_attr(type_buf, &target) || target.code < 1 || target.code > 30) {
    std::fprintf(stderr, "qdtype convert: '%s' is not a type\n", type_text);
    return 2;
  }
  std::vector<unsigned char> value(kValueSize), result(kValueSize);
  attrtype source{};
  if (const int rc = literal_to_binary(value.data(), &source, text); rc != 0) return failed(rc);
  qd_long len = 0;
  init_qderr();
  const int rc = value_adapt_type(source.code, value.data(), &target, result.data(), &len);
  if (rc != 0) return failed(rc);
  std::printf("%s ", type_name(target).c_str());
  print_value(target, result.data());
  std::printf("  (from %s, %d bytes)\n", type_name(source).c_str(), static_cast<int>(len));
  return 0;
}

int cmd_literal(int argc, char** argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: qdtype literal TEXT\n");
    return 2;
  }
  return run_literal(argv[0]);
}

int cmd_convert(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qdtype convert VALUE TYPE   (VALUE a literal, TYPE as numeric(5,2))\n");
    return 2;
  }
  return run_convert(argv[0], argv[1]);
}

void tour() {
  for (const char* lit : {"42", "-128", "2147483648", "1.50", "1.5e0", "1e300", "'it''s'",
                          "0x0aFF", "0b1(3)0", "TRUE", "datetime[yy:dd](2000-2-29)",
                          "-timespan[dd:hh](1 2)", "12abc"}) {
    std::printf("literal %-28s -> ", lit);
    std::fflush(stdout);
    run_literal(lit);
  }
  struct Step {
    const char* value;
    const char* type;
  } steps[] = {{"12.345", "numeric(4,2)"}, {"-127", "tinyint"},      {"-128", "tinyint"},
               {"3000000000", "C-unsigned int"}, {"1e300", "float"}, {"'True'", "bool"},
               {"'12.5'", "integer"},      {"1234.5", "numeric(5,2)"}};
  for (const Step& s : steps) {
    std::printf("convert %-12s to %-16s -> ", s.value, s.type);
    std::fflush(stdout);
    run_convert(s.value, s.type);
  }
}

}  // namespace

QDTYPE_COMMAND("literal", "TEXT", "scan a literal: its inferred type and its value", cmd_literal);
QDTYPE_COMMAND("convert", "VALUE TYPE",
               "adapt a literal to a type (value_adapt_type) or show why it fails", cmd_convert);
QDTYPE_TOUR(55, "Literals and conversions: inferred types, ranges, rounding, refusals", tour);
