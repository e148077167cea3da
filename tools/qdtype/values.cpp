// values.cpp: reading a value of any stored kind from its text, strictly: a value that
// does not fit its type is refused rather than wrapped or cut.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/limits.h"
#include "commands.h"

namespace qdtype {
namespace {

int16_t length_of(const attrtype& t) {
  return static_cast<int16_t>(t.param[0] | (t.param[1] << 8));
}

std::string type_name(const attrtype& t) {
  char buf[64];
  return attr_to_txt(const_cast<attrtype*>(&t), 1, buf);
}

template <class T>
void put(std::vector<unsigned char>* out, T v) {
  out->resize(sizeof v);
  std::memcpy(out->data(), &v, sizeof v);
}

int read_integer(const char* text, const attrtype& t, std::vector<unsigned char>* out) {
  long long low = INT32_MIN, high = INT32_MAX;
  if (t.code == 6) low = INT16_MIN, high = INT16_MAX;
  if (t.code == 5) low = INT8_MIN, high = INT8_MAX;
  if (t.code == 11) low = 0, high = 1;
  const std::string what = "a value of " + type_name(t);
  long long v = 0;
  if (!arg_int(text, low, high, what.c_str(), &v)) return 2;
  if (t.code == 1) put(out, static_cast<int32_t>(v));
  if (t.code == 6) put(out, static_cast<int16_t>(v));
  if (t.code == 5 || t.code == 11) put(out, static_cast<int8_t>(v));
  return 0;
}

int read_floating(const char* text, const attrtype& t, std::vector<unsigned char>* out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  const bool is_float = t.code == 7;
  if (end == text || *end || errno == ERANGE || !std::isfinite(v) ||
      (is_float && std::fabs(v) > FLT_MAX)) {
    return bad_usage("qdtype: '%s' is not a finite number in the range of %s", text,
                     is_float ? "float" : "double");
  }
  if (is_float) {
    put(out, static_cast<float>(v));
  } else {
    put(out, v);
  }
  return 0;
}

int read_decimal(const char* text, const attrtype& t, std::vector<unsigned char>* out) {
  unsigned char v[QD_FIX_MAX_BYTES] = {}, r[QD_FIX_MAX_BYTES] = {};
  if (string_fix(text, v) != 0) return library_error();
  const int precision = static_cast<signed char>(t.param[0]);
  if (t.code == 3 && precision > 0) {
    const int scale = static_cast<signed char>(t.param[1]);
    if (!fix_fix(v, scale, r)) return library_error();
    if (!size_compatible(r, &t) || fixcmp(v, r) != 0) {
      return bad_usage("qdtype: %s does not fit %s without rounding or overflow", text,
                       type_name(t).c_str());
    }
    std::memcpy(v, r, sizeof v);
  }
  out->assign(v, v + fixsize(v));
  return 0;
}

int read_text(const char* text, const attrtype& t, std::vector<unsigned char>* out) {
  const size_t n = std::strlen(text);
  const int16_t len = length_of(t);
  const size_t limit = len > 0 ? static_cast<size_t>(len) : static_cast<size_t>(qd::kRecordMax);
  if (n > limit) {
    return bad_usage("qdtype: the text has %zu characters, more than the %zu of %s", n, limit,
                     type_name(t).c_str());
  }
  out->assign(text, text + n + 1);
  return 0;
}

int read_binchar(const char* text, const attrtype& t, std::vector<unsigned char>* out) {
  std::string hex = text;
  if (hex.size() >= 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.erase(0, 2);
  const int16_t len = length_of(t);
  const size_t limit = len > 0 ? static_cast<size_t>(len) : size_t{qd::kBincharMax};
  const size_t bytes = (hex.size() + 1) / 2;
  if (bytes > limit) {
    return bad_usage("qdtype: %zu bytes are more than the %zu of %s", bytes, limit,
                     type_name(t).c_str());
  }
  out->assign(qd::kByteStringHeader + bytes + 1, 0);
  if (hex_to_binchar(out->data(), hex.data()) != 0) {
    return bad_usage("qdtype: '%s' is not hexadecimal text", text);
  }
  out->resize(qd::kByteStringHeader + bytes);
  return 0;
}

int read_bit_string(const char* text, const attrtype& t, std::vector<unsigned char>* out) {
  std::string digits = text;
  if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'b' || digits[1] == 'B')) {
    digits.erase(0, 2);
  }
  const size_t n = digits.size();
  const int16_t len = length_of(t);
  const size_t limit = len > 0 ? static_cast<size_t>(len) : 32736;
  if (n == 0 || digits.find_first_not_of("01") != std::string::npos) {
    return bad_usage("qdtype: '%s' is not a string of 0 and 1 digits", text);
  }
  if (n > limit) {
    return bad_usage("qdtype: %zu bits are more than the %zu of %s", n, limit,
                     type_name(t).c_str());
  }
  const size_t head = t.code == 14 ? 4 : 2;
  out->assign(head + (n + 7) / 8 + 1, 0);
  const char* rest = t.code == 14 ? lit_to_bits(out->data(), digits.data())
                                  : lit_to_bits2(out->data(), digits.data());
  if (!rest || *rest) return bad_usage("qdtype: '%s' is not a bit string", text);
  out->resize(head + (n + 7) / 8);
  return 0;
}

int read_calendar(const char* text, const attrtype& t, std::vector<unsigned char>* out) {
  const int low = t.param[0], high = t.param[1];
  const bool span = t.code == 9;
  if (low > 6) {
    return bad_usage("qdtype: give the range of the %s, for example %s", span ? "timespan" : "datetime",
                     span ? "timespan[dd:ss]" : "datetime[yy:dd]");
  }
  const char* p = text;
  int mark = span ? 1 : 0;
  if (span && *p == '-') {
    mark = 2;
    ++p;
  }
  std::vector<long long> fields;
  while (*p) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(p, &end, 10);
    if (end == p || *p == '-' || *p == '+' || errno == ERANGE) {
      return bad_usage("qdtype: '%s' is not the fields of %s separated by - : . or blanks", text,
                       type_name(t).c_str());
    }
    fields.push_back(v);
    p = end;
    if (*p && std::strchr("-:. ", *p)) ++p;
  }
  const size_t count = static_cast<size_t>(high - low + 1);
  if (fields.size() != count) {
    return bad_usage("qdtype: %s takes %zu fields, '%s' has %zu", type_name(t).c_str(), count,
                     text, fields.size());
  }
  const long long limit = span ? INT32_MAX : INT16_MAX;
  for (long long f : fields) {
    if (f > limit) {
      return bad_usage("qdtype: the field %lld of '%s' is above %lld", f, text, limit);
    }
  }
  const size_t width = span ? 4 : 2;
  out->assign(span ? 4 + 4 * count : 4 + 2 * count + 2, 0);
  const uint32_t header = static_cast<uint32_t>(low | high << 4 | mark << 8);
  std::memcpy(out->data(), &header, 4);
  for (size_t i = 0; i < count; ++i) {  // fields[0] is the high one
    unsigned char* at = out->data() + 4 + width * (count - 1 - i);
    if (span) {
      const int32_t v = static_cast<int32_t>(fields[i]);
      std::memcpy(at, &v, 4);
    } else {
      const int16_t v = static_cast<int16_t>(fields[i]);
      std::memcpy(at, &v, 2);
    }
  }
  const int rc = span ? ts_check(out->data()) : dt_check(out->data());
  return rc == 0 ? 0 : library_error();
}

}  // namespace

int read_value(const char* text, const attrtype& t, std::vector<unsigned char>* out,
               bool* null) {
  if (null) {
    *null = std::strcmp(text, "null") == 0;
    if (*null) {
      out->clear();
      return 0;
    }
  }
  switch (t.code) {
    case 1:
    case 5:
    case 6:
    case 11:
      return read_integer(text, t, out);
    case 2:
    case 7:
      return read_floating(text, t, out);
    case 3:
    case 10:
      return read_decimal(text, t, out);
    case 4:
    case 28:
    case 29:
      return read_text(text, t, out);
    case 12:
      return read_binchar(text, t, out);
    case 14:
    case 30:
      return read_bit_string(text, t, out);
    case 8:
    case 9:
      return read_calendar(text, t, out);
    default:
      return bad_usage("qdtype: values of %s are not read here", type_name(t).c_str());
  }
}

}  // namespace qdtype
