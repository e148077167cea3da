// args.cpp: strict reading of command arguments: whole numbers within their range and
// type descriptors the library can hold, refused with a clear message otherwise.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/limits.h"
#include "commands.h"

namespace qdtype {
namespace {

bool same_without_case(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    const char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a + 32) : *a;
    const char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b + 32) : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

int16_t length_of(const attrtype& t) {
  return static_cast<int16_t>(t.param[0] | (t.param[1] << 8));
}

// Largest length of each length-carrying type: what its largest value holds.
int max_length(int code) {
  switch (code) {
    case 4:   // char
    case 28:  // fileref
    case 29:  // varchar
      return qd::kRecordMax;
    case 12:  // binchar: a 32-bit count, then the bytes
      return static_cast<int>(qd::kBincharMax);
    case 14:  // bits: a 32-bit count, then the bits
    case 30:  // bits2: a 16-bit count, then the bits
      return 32736;
    default:
      return 0;
  }
}

}  // namespace

bool arg_int(const char* text, long long low, long long high, const char* what,
             long long* out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || errno == ERANGE || v < low || v > high) {
    bad_usage("qdtype: %s must be a whole number from %lld to %lld, not '%s'", what, low, high,
              text);
    return false;
  }
  *out = v;
  return true;
}

bool arg_type(const char* text, attrtype* t) {
  std::string copy = text;
  attrtype r{};
  if (!txt_to_attr(copy.data(), &r) || r.code < 0) {
    bad_usage("qdtype: '%s' does not begin with a type name (numeric(10,2), char(20), "
              "datetime[yy:dd] ...)",
              text);
    return false;
  }
  char printed[64];
  attr_to_txt(&r, 1, printed);
  if (!is_valid_type(r.code)) {
    bad_usage("qdtype: '%s' is a type of the host language, not of values the library holds",
              text);
    return false;
  }
  const int max = max_length(r.code);
  if (max > 0) {
    const int len = length_of(r);
    if (len < 0 || len > max) {
      const std::string name(printed, std::strcspn(printed, "("));
      bad_usage("qdtype: in '%s' the length of %s runs from 1 to %d, or * for any", text,
                name.c_str(), max);
      return false;
    }
  } else if (r.code == 3) {
    const int precision = static_cast<signed char>(r.param[0]);
    const int scale = static_cast<signed char>(r.param[1]);
    const bool rough = precision == 0 && std::strstr(text, "*") != nullptr;
    if (!rough && (precision < 1 || precision > 30 || scale < 0 || scale > precision)) {
      bad_usage("qdtype: in '%s' the precision runs from 1 to 30 and the scale from 0 to the "
                "precision",
                text);
      return false;
    }
  } else if (r.code == 8 || r.code == 9) {
    const int low = r.param[0], high = r.param[1];
    if (low != 8 && (low > 6 || high > 6 || high < low)) {
      bad_usage("qdtype: in '%s' the range runs from a larger field to a smaller one "
                "(yy mo dd hh mi ss ms, lower case)",
                text);
      return false;
    }
    if (r.code == 9 && low != 8 && high >= 5 && low <= 4) {
      bad_usage("qdtype: a timespan holds years and months or days and smaller fields, not "
                "both ('%s')",
                text);
      return false;
    }
  }
  if (!same_without_case(printed, text) && !same_without_case(text, "string")) {
    bad_usage("qdtype: '%s' is not written as the library writes a descriptor (it reads as "
              "'%s')",
              text, printed);
    return false;
  }
  *t = r;
  return true;
}

}  // namespace qdtype
