// cmd_bytes.cpp: qdtype bytes, the stored form of a value annotated field by field, for
// support engineers who read a dump.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"

namespace qdtype {
namespace {

const char* const kFieldNames[] = {"ms", "ss", "mi", "hh", "dd", "mo", "yy"};

// One annotated line: offset range, the bytes in hexadecimal, what they mean.
void line(const std::vector<unsigned char>& v, size_t at, size_t n, const std::string& meaning) {
  std::string hex;
  char b[4];
  for (size_t i = 0; i < n && at + i < v.size(); ++i) {
    std::snprintf(b, sizeof b, "%s%02x", i ? " " : "", v[at + i]);
    hex += b;
  }
  char range[24];
  if (n == 1) {
    std::snprintf(range, sizeof range, "%zu", at);
  } else {
    std::snprintf(range, sizeof range, "%zu-%zu", at, at + n - 1);
  }
  print("  %-7s %-24s %s\n", range, hex.c_str(), meaning.c_str());
}

template <class T>
T load(const std::vector<unsigned char>& v, size_t at) {
  T x{};
  std::memcpy(&x, v.data() + at, sizeof x);
  return x;
}

std::string fmt(const char* format, long long a, long long b = 0, long long c = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, format, a, b, c);
  return buf;
}

void annotate_decimal(const std::vector<unsigned char>& v) {
  const int precision = v[0] & 0x7f;
  line(v, 0, 1, std::string(v[0] >> 7 ? "sign 1 (-)" : "sign 0 (+)") + ", precision " +
                    std::to_string(precision) + " digits");
  line(v, 1, 1, fmt("scale %lld", static_cast<signed char>(v[1])));
  // Two digits a byte from the least significant: the odd digit in the high half.
  for (int i = 1; i <= precision; i += 2) {
    const size_t at = 2 + static_cast<size_t>(i - 1) / 2;
    const int odd = v[at] >> 4, even = v[at] & 15;
    if (i + 1 <= precision) {
      line(v, at, 1, fmt("digit %lld = %lld, digit %lld", i, odd, i + 1) + " = " +
                         std::to_string(even));
    } else {
      line(v, at, 1, fmt("digit %lld = %lld (low half unused)", i, odd));
    }
  }
}

void annotate_calendar(const std::vector<unsigned char>& v, bool span) {
  const uint32_t header = load<uint32_t>(v, 0);
  const int low = header & 15, high = header >> 4 & 15, mark = header >> 8 & 15;
  std::string marks = span ? (mark == 2 ? "negative" : mark == 1 ? "positive" : "?")
                           : (mark == 3 ? "Julian" : mark == 4 ? "Gregorian" : "?");
  line(v, 0, 4,
       fmt("header: fields %lld..%lld, mark %lld", high, low, mark) + " (" +
           kFieldNames[high > 6 ? 0 : high] + " to " + kFieldNames[low > 6 ? 0 : low] + ", " +
           marks + ")");
  const size_t width = span ? 4 : 2;
  for (int c = low; c <= high && c <= 6; ++c) {
    const size_t at = 4 + width * static_cast<size_t>(c - low);
    const long long value = span ? load<int32_t>(v, at) : load<int16_t>(v, at);
    line(v, at, width, std::string(kFieldNames[c]) + " " + std::to_string(value));
  }
  if (!span) line(v, 4 + width * static_cast<size_t>(high - low + 1), 2, "spare");
}

void annotate_bit_string(const std::vector<unsigned char>& v, bool bits2) {
  const size_t head = bits2 ? 2 : 4;
  const long long n = bits2 ? load<uint16_t>(v, 0) : load<int32_t>(v, 0);
  line(v, 0, head, fmt("bit count %lld", n));
  for (size_t at = head; at < v.size(); ++at) {
    std::string bits;
    const long long first = static_cast<long long>(at - head) * 8;
    for (int k = 0; k < 8; ++k) {
      if (first + k < n) bits += (v[at] & (0x80 >> k)) ? '1' : '0';
    }
    line(v, at, 1, fmt("bits %lld..%lld: ", first, first + static_cast<long long>(bits.size()) - 1) +
                       bits + (bits.size() < 8 ? " (then fill bits)" : ""));
  }
}

int cmd_bytes(int argc, char** argv) {
  if (argc != 2) return bad_usage("qdtype bytes: two arguments, TYPE VALUE");
  attrtype t;
  if (!arg_type(argv[0], &t)) return 2;
  std::vector<unsigned char> v;
  if (int rc = read_value(argv[1], t, &v)) return rc;
  char type_text[64];
  attr_to_txt(&t, 1, type_text);
  print("%s %s: %zu byte%s\n", type_text, argv[1], v.size(), v.size() == 1 ? "" : "s");
  switch (t.code) {
    case 1:
      line(v, 0, 4, "integer " + std::to_string(load<int32_t>(v, 0)) + " (machine byte order)");
      break;
    case 6:
      line(v, 0, 2, "smallint " + std::to_string(load<int16_t>(v, 0)) + " (machine byte order)");
      break;
    case 5:
      line(v, 0, 1, "tinyint " + std::to_string(load<int8_t>(v, 0)));
      break;
    case 11:
      line(v, 0, 1, v[0] ? "bool true" : "bool false");
      break;
    case 2: {
      char text[64];
      std::snprintf(text, sizeof text, "double %.17g (IEEE 754 binary64)", load<double>(v, 0));
      line(v, 0, 8, text);
      break;
    }
    case 7: {
      char text[64];
      std::snprintf(text, sizeof text, "float %.9g (IEEE 754 binary32)", load<float>(v, 0));
      line(v, 0, 4, text);
      break;
    }
    case 3:
    case 10:
      annotate_decimal(v);
      break;
    case 4:
    case 28:
    case 29:
      if (v.size() > 1) line(v, 0, v.size() - 1, std::to_string(v.size() - 1) + " characters");
      line(v, v.size() - 1, 1, "terminator");
      break;
    case 12:
      line(v, 0, 4, "byte count " + std::to_string(load<uint32_t>(v, 0)));
      if (v.size() > 4) line(v, 4, v.size() - 4, "the bytes");
      break;
    case 14:
    case 30:
      annotate_bit_string(v, t.code == 30);
      break;
    case 8:
    case 9:
      annotate_calendar(v, t.code == 9);
      break;
    default:
      break;
  }
  field("value", argv[1]);
  field_type(t);
  field_bytes(v.data(), v.size());
  return 0;
}

void tour_bytes() {
  const char* samples[][2] = {{"numeric(5,2)", "-123.45"}, {"datetime[yy:dd]", "1582-10-15"},
                              {"bits(10)", "1011000011"}};
  for (const auto& s : samples) {
    char* argv[] = {const_cast<char*>(s[0]), const_cast<char*>(s[1])};
    cmd_bytes(2, argv);
  }
}

}  // namespace

QDTYPE_COMMAND("bytes", "TYPE VALUE", "a value's stored bytes, annotated field by field",
               cmd_bytes,
               "TYPE   the value's descriptor (integer, double, numeric(P,S), money, char(N),\n"
               "       varchar(N), binchar(N), bits(N), bits2(N), datetime[yy:dd], timespan[hh:ss]...)\n"
               "VALUE  the value: a number; a text; hexadecimal bytes for binchar; 0 and 1 digits\n"
               "       for bits; the fields of a datetime or timespan separated by - : . or blanks,\n"
               "       highest first (a leading - makes a negative timespan)",
               "bytes numeric(5,2) -123.45",
               "the byte count, then each field's offsets, its bytes in hexadecimal and what\n"
               "they hold: sign, precision, scale and digits of a decimal; the header and\n"
               "fields of a datetime or timespan; the count and bits of a bit string");
QDTYPE_TOUR(95, "Stored bytes, field by field (qdtype bytes)", tour_bytes);

}  // namespace qdtype
