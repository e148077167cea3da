// cmd_convert.cpp: qdtype's literal and conversion commands: literal (a literal's inferred
// type and value) and convert (a literal adapted to a target type), with their tour step.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/limits.h"
#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace qdtype {
namespace {

constexpr size_t kValueSize = qd::kRecordMax;  // holds any literal and any converted value

// The value in the stored form of type t, as text.
std::string value_text(const attrtype& t, const unsigned char* v) {
  std::vector<char> text(2 * kValueSize + 8);
  char* out = text.data();
  char num[64];
  auto get = [v](auto x) {
    std::memcpy(&x, v, sizeof x);
    return x;
  };
  switch (t.code) {
    case 5: case 21: std::snprintf(num, sizeof num, "%d", get(int8_t{})); return num;
    case 17: std::snprintf(num, sizeof num, "%u", get(uint8_t{})); return num;
    case 6: case 22: std::snprintf(num, sizeof num, "%d", get(int16_t{})); return num;
    case 18: std::snprintf(num, sizeof num, "%u", get(uint16_t{})); return num;
    case 1: case 16: case 23: std::snprintf(num, sizeof num, "%d", get(int32_t{})); return num;
    case 19: case 20: std::snprintf(num, sizeof num, "%u", get(uint32_t{})); return num;
    case 7: case 24:
      std::snprintf(num, sizeof num, "%.9g", static_cast<double>(get(float{})));
      return num;
    case 2: case 25: std::snprintf(num, sizeof num, "%.17g", get(double{})); return num;
    case 3: return fix_string(v, out) + (out[0] == ' ');
    case 4: case 28: case 29: return "'" + std::string(reinterpret_cast<const char*>(v)) + "'";
    case 8: return dt_str(out, v);
    case 9: return ts_str(out, v);
    case 11: return v[0] ? "true" : "false";
    case 12: return binchar_to_string(out, const_cast<unsigned char*>(v), 0);
    case 14: return bits_to_string(out, const_cast<unsigned char*>(v), 0);
    case 30: return bits2_to_string(out, const_cast<unsigned char*>(v), 0);
    default: std::snprintf(num, sizeof num, "(a value of type code %d)", t.code); return num;
  }
}

std::string type_name(attrtype t) {
  char buf[64];
  return attr_to_txt(&t, 1, buf);
}

// The library's result: 0 after the value was printed, else the error number, its report
// left for the caller to show.
int run_literal(const char* text) {
  std::vector<unsigned char> value(kValueSize);
  attrtype t{};
  if (const int rc = literal_to_binary(value.data(), &t, text); rc != 0) return rc;
  const std::string shown = value_text(t, value.data());
  print("%s %s\n", type_name(t).c_str(), shown.c_str());
  field("text", shown.c_str());
  field_type(t);
  field_bytes(value.data(), static_cast<size_t>(value_len(value.data(), t.code)));
  return 0;
}

int run_convert(const char* text, const attrtype& target_type) {
  attrtype target = target_type;
  std::vector<unsigned char> value(kValueSize), result(kValueSize);
  attrtype source{};
  if (const int rc = literal_to_binary(value.data(), &source, text); rc != 0) return rc;
  qd_long len = 0;
  init_qderr();
  if (const int rc = value_adapt_type(source.code, value.data(), &target, result.data(), &len);
      rc != 0) {
    return rc;
  }
  const std::string shown = value_text(target, result.data());
  print("%s %s  (from %s, %d bytes)\n", type_name(target).c_str(), shown.c_str(),
        type_name(source).c_str(), static_cast<int>(len));
  field("text", shown.c_str());
  field_type(target);
  field("from", type_name(source).c_str());
  field_bytes(result.data(), static_cast<size_t>(len));
  return 0;
}

int cmd_literal(int argc, char** argv) {
  if (argc != 1) return bad_usage("qdtype literal: one literal");
  return run_literal(argv[0]) == 0 ? 0 : library_error();
}

int cmd_convert(int argc, char** argv) {
  if (argc != 2) return bad_usage("qdtype convert: a literal and a type");
  attrtype target;
  if (!arg_type(argv[1], &target)) return 2;
  return run_convert(argv[0], target) == 0 ? 0 : library_error();
}

// Tour lines show a refusal's report as part of the step.
void tour_line(int rc) {
  if (rc != 0) print_error_report();
  next_result();
}

void tour() {
  for (const char* lit : {"42", "-128", "2147483648", "1.50", "1.5e0", "1e300", "'it''s'",
                          "0x0aFF", "0b1(3)0", "TRUE", "datetime[yy:dd](2000-2-29)",
                          "-timespan[dd:hh](1 2)", "12abc"}) {
    print("literal %-28s -> ", lit);
    tour_line(run_literal(lit));
  }
  struct Step {
    const char* value;
    const char* type;
  } steps[] = {{"12.345", "numeric(4,2)"}, {"-127", "tinyint"},      {"-128", "tinyint"},
               {"3000000000", "C-unsigned int"}, {"1e300", "float"}, {"'True'", "bool"},
               {"'12.5'", "integer"},      {"1234.5", "numeric(5,2)"}, {"-42", "char(5)"},
               {"1.5e0", "varchar(30)"},   {"'ab'", "binchar(4)"},   {"0b101", "bits2(10)"},
               {"'DATE ''2000-02-29'''", "datetime[yy:hh]"},
               {"'INTERVAL ''1:30.25'' MINUTE TO SECOND'", "timespan"},
               {"'DATE ''2001-02-29'''", "datetime"}};
  for (const Step& s : steps) {
    print("convert %-12s to %-16s -> ", s.value, s.type);
    attrtype t{};
    char type_text[64];
    std::snprintf(type_text, sizeof type_text, "%s", s.type);
    txt_to_attr(type_text, &t);
    tour_line(run_convert(s.value, t));
  }
}

}  // namespace
}  // namespace qdtype

QDTYPE_COMMAND("literal", "TEXT", "scan a literal: its inferred type and its value",
               qdtype::cmd_literal,
               "TEXT  one SQL literal: a number, 'text' (quotes doubled inside), 0x hex,\n"
               "      0b bits with (n) repetition, true/false, datetime[..](..), timespan[..](..)",
               "literal 2147483648",
               "the type the literal takes (the smallest integer type that holds it, numeric,\n"
               "float or double by magnitude, ...) and its value");
QDTYPE_COMMAND("convert", "VALUE TYPE",
               "adapt a literal to a type (value_adapt_type) or show why it fails",
               qdtype::cmd_convert,
               "VALUE  a literal, read as the literal command reads it; a text in quotes\n"
               "       may hold a calendar value: 'datetime[yy:dd](2000-2-29)',\n"
               "       'DATE ''2000-01-31''', 'INTERVAL ''1:30'' MINUTE TO SECOND'\n"
               "TYPE   the target descriptor: integer, tinyint, numeric(P,S), double, bool,\n"
               "       char(N), varchar(N), fileref, binchar(N), bits(N), bits2(N),\n"
               "       datetime[yy:dd], timespan[dd:ms] ... (N or the range may be left out)",
               "convert 12.345 numeric(4,2)",
               "the converted value in the target type (texts between quotes, byte and bit\n"
               "strings in hexadecimal or binary, calendar values as literals), the source\n"
               "type and the result's size");
QDTYPE_TOUR(55, "Literals and conversions: inferred types, ranges, rounding, refusals",
            qdtype::tour);
