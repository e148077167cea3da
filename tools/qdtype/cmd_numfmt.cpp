// cmd_numfmt.cpp: "format number" and "parse number": numbers printed and read through
// number templates (or in their default forms), with their tour step.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/limits.h"
#include "commands.h"
#include "templates.h"

namespace {

using qdtype::field;
using qdtype::print;

constexpr int kInteger = 1, kDouble = 2, kNumeric = 3;
constexpr size_t kValueRoom = qd::kRecordMax;  // what literal_to_binary may write
constexpr size_t kTextRoom = 4096;    // the text a command prints

// A number as num2str takes it: the literal's type decides (tinyint, smallint and integer
// literals print as integers, float and double literals as doubles, decimals as fix
// values, exponent literals as the double their text reads as); a leading "-" negates
// the literal after it.
struct Number {
  int type = 0;
  int32_t i = 0;
  double d = 0;
  unsigned char fix[QD_FIX_MAX_BYTES] = {};
  const void* value() const {
    return type == kInteger  ? static_cast<const void*>(&i)
           : type == kDouble ? static_cast<const void*>(&d)
                             : fix;
  }
  const char* name() const {
    return type == kInteger ? "integer" : type == kDouble ? "double" : "numeric";
  }
};

// 0, 1 after the library's report, or 2 when the literal is no number.
int read_number(const char* text, Number* n) {
  const bool minus = text[0] == '-';
  std::vector<unsigned char> v(kValueRoom);
  attrtype t{};
  if (literal_to_binary(v.data(), &t, text + (minus ? 1 : 0)) != 0) return qdtype::library_error();
  qdtype::start_error_report();  // the scanner started a report of its own
  switch (t.code) {
    case 5:  // tinyint
      n->type = kInteger, n->i = static_cast<int8_t>(v[0]);
      break;
    case 6: {  // smallint
      int16_t s;
      std::memcpy(&s, v.data(), sizeof s);
      n->type = kInteger, n->i = s;
      break;
    }
    case 1:
      n->type = kInteger;
      std::memcpy(&n->i, v.data(), sizeof n->i);
      break;
    case 7:  // float: the text's own double, not the float's digits
    case 2:
      n->type = kDouble;
      n->d = std::strtod(text + (minus ? 1 : 0), nullptr);
      break;
    case 3:
      n->type = kNumeric;
      std::memcpy(n->fix, v.data(), QD_FIX_MAX_BYTES);
      break;
    default:
      return qdtype::bad_usage("qdtype format number: VALUE is a number literal, not '%s'", text);
  }
  if (minus) {
    if (n->type == kInteger) {
      // The literal's magnitude fits 31 bits (2147483648 reads as a decimal).
      n->i = -n->i;
    } else if (n->type == kDouble) {
      n->d = -n->d;
    } else {
      fix_change_sign(n->fix);
    }
  }
  return 0;
}

// Tour lines show a refusal's report instead of failing.
int library_failure(bool tour) {
  if (!tour) return qdtype::library_error();
  qdtype::print_error_report();
  return 1;
}

int run_format(const Number& n, const char* templ, bool tour) {
  char text[kTextRoom];
  if (num2str(n.value(), n.type, text, sizeof text, templ) != 0) return library_failure(tour);
  print(tour ? "  '%s'\n" : "%s\n", text);
  field("text", text);
  field("type", n.name());
  field("template", templ);
  return 0;
}

int run_parse(const char* text, const char* templ, bool tour) {
  unsigned char v[QD_FIX_MAX_BYTES];
  if (str2num(text, v, templ) != 0) return library_failure(tour);
  char shown[QD_FIX_TEXT_SIZE];
  fix_string(v, shown);
  const char* value = shown + (shown[0] == ' ' ? 1 : 0);
  print(tour ? "  %s  (precision %d, scale %d)\n" : "%s  (precision %d, scale %d)\n", value,
        getprec(v), getscale(v));
  field("text", value);
  attrtype t{};
  get_attrtype(v, kNumeric, &t);
  qdtype::field_type(t);
  qdtype::field_bytes(v, static_cast<size_t>(fixsize(v)));
  return 0;
}

int cmd_format_number(int argc, char** argv) {
  if (argc != 2 && argc != 3)
    return qdtype::bad_usage("qdtype format number: a number literal and an optional template");
  Number n;
  if (const int rc = read_number(argv[1], &n)) return rc;
  return run_format(n, argc == 3 ? argv[2] : nullptr, false);
}

int cmd_parse_number(int argc, char** argv) {
  if (argc != 2 && argc != 3)
    return qdtype::bad_usage("qdtype parse number: a text and an optional template");
  return run_parse(argv[1], argc == 3 ? argv[2] : nullptr, false);
}

void tour_numbers() {
  const struct {
    const char* value;
    const char* templ;
  } prints[] = {
      {"1234567.891", "S9G999G990D00"},
      {"-5", "9,999"},
      {"0.5", "9.99"},
      {"0.5", "FM9.99"},
      {"9.995", "99.99"},
      {"12345", "9,999"},
      {"-1.5", "C9.99MI"},
      {"2.675e0", "9.99"},
      {"0.1e0", nullptr},
  };
  for (const auto& p : prints) {
    print("%s through %s:\n", p.value, p.templ ? p.templ : "the default form");
    Number n;
    if (read_number(p.value, &n) == 0) run_format(n, p.templ, true);
  }
  const struct {
    const char* text;
    const char* templ;
  } reads[] = {{"$1,234.50-", "C9,999.99MI"}, {"12,34", "9,999"}, {"3.75", nullptr}};
  for (const auto& r : reads) {
    print("'%s' read through %s:\n", r.text, r.templ ? r.templ : "the free form");
    run_parse(r.text, r.templ, true);
  }
  print("the template G9,999 mixes separators:\n");
  Number n;
  if (read_number("1", &n) == 0) run_format(n, "G9,999", true);
}

}  // namespace

QDTYPE_SUBCOMMAND("format", "number", "VALUE [TEMPLATE]",
                  "print a number literal through a number template (or its default form)",
                  cmd_format_number, "format number 1234.5 S9G999G990D00");
QDTYPE_SUBCOMMAND("parse", "number", "TEXT [TEMPLATE]",
                  "read a decimal through a number template (or in the free form)",
                  cmd_parse_number, "parse number 1,234.50- 9,999.99MI");
QDTYPE_TOUR(52, "Number templates: groups, signs, rounding, fill mode, reading back", tour_numbers);
