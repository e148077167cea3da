// cmd_bits.cpp: qdtype commands for bit strings ("bits OP ...") and binchar text ("hex"),
// and their tour step.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/limits.h"
#include "commands.h"
#include "qdtype32/qdtype32.h"

namespace qdtype {
namespace {

constexpr int64_t kToolMaxBits = int64_t{1} << 20;  // the tool's own bound on a string
using qd::kBincharMax;
using qd::kByteStringHeader;

// A bits value in a buffer sized for it.
struct BitValue {
  std::vector<uint8_t> buf;
  int32_t length() const {
    int32_t n;
    std::memcpy(&n, buf.data(), sizeof n);
    return n;
  }
};

BitValue room_for(int64_t bits) {
  BitValue v;
  v.buf.assign(kByteStringHeader + static_cast<size_t>((bits + 7) / 8) + 1, 0);
  return v;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Counts the bits a digit literal makes, so the buffer can be sized before reading it
// with lit_to_bits; false when the text is not a whole literal or is too long here.
bool literal_bits(const char* p, int64_t* bits) {
  int64_t n = 0;
  bool after_digit = false;
  while (*p) {
    if (*p == '0' || *p == '1') {
      ++n;
      after_digit = true;
      ++p;
    } else if (*p == '(' && after_digit && is_digit(p[1])) {
      int64_t times = 0;
      for (++p; is_digit(*p); ++p) {
        times = times * 10 + (*p - '0');
        if (times > kToolMaxBits) return false;
      }
      if (*p != ')') return false;
      ++p;
      if (times > 1) n += times - 1;
      after_digit = false;
    } else {
      return false;
    }
    if (n > kToolMaxBits) return false;
  }
  *bits = n;
  return true;
}

// Reads "0b" and a digit literal ("0b1(3)0"); prints why not on failure.
bool parse_bits(const char* arg, BitValue* out) {
  const char* lit = arg;
  if (lit[0] == '0' && (lit[1] == 'b' || lit[1] == 'B')) lit += 2;
  int64_t bits = 0;
  if (!literal_bits(lit, &bits)) {
    bad_usage("qdtype: '%s' is not a bit literal of at most %lld bits (0b, then 0, 1 and "
              "groups like 1(5))",
              arg, static_cast<long long>(kToolMaxBits));
    return false;
  }
  *out = room_for(bits);
  std::string text = lit;
  const char* stop = lit_to_bits(out->buf.data(), text.data());
  if (*stop == '\0') return true;
  bad_usage("qdtype: '%s' is not a bit literal", arg);
  return false;
}

bool parse_int(const char* arg, int64_t low, int64_t high, const char* what, int* out) {
  long long v = 0;
  if (!arg_int(arg, low, high, what, &v)) return false;
  *out = static_cast<int>(v);
  return true;
}

void print_bits(BitValue& v) {
  std::vector<char> text(static_cast<size_t>(v.length()) + 3);
  const char* t = bits_to_string(text.data(), v.buf.data(), 0);
  print("%s\n", t);
  field("value", t);
  field("type", ("bits(" + std::to_string(v.length()) + ")").c_str());
  field_bytes(v.buf.data(), kByteStringHeader + (static_cast<size_t>(v.length()) + 7) / 8);
}

int bits_usage() {
  return bad_usage(
      "qdtype bits: and|or|compare A B, not|count A, range A START COUNT, or find A K\n"
      "(K >= 1: the K-th set bit; K <= 0: the last)");
}

int cmd_bits(int argc, char** argv) {
  if (argc < 2) return bits_usage();
  const std::string op = argv[0];
  const int operands = (op == "and" || op == "or" || op == "compare") ? 2
                       : (op == "not" || op == "count")               ? 1
                       : op == "find"                                 ? 1
                       : op == "range"                                ? 1
                                                                      : 0;
  const int extra = op == "find" ? 1 : op == "range" ? 2 : 0;
  if (operands == 0 || argc != 1 + operands + extra) return bits_usage();
  BitValue a, b;
  if (!parse_bits(argv[1], &a)) return 2;
  if (operands == 2 && !parse_bits(argv[2], &b)) return 2;
  auto number = [](int n) {
    print("%d\n", n);
    field("value", static_cast<long long>(n));
  };

  if (op == "and" || op == "or") {
    BitValue res = room_for(std::max(a.length(), b.length()));
    if (op == "and") {
      bit_and(a.buf.data(), b.buf.data(), res.buf.data());
    } else {
      bit_or(a.buf.data(), b.buf.data(), res.buf.data());
    }
    print_bits(res);
  } else if (op == "compare") {
    number(sub_bit_compare(a.length(), a.buf.data() + kByteStringHeader, b.length(),
                           b.buf.data() + kByteStringHeader));
  } else if (op == "not") {
    BitValue res = room_for(a.length());
    bit_not(a.buf.data(), res.buf.data());
    print_bits(res);
  } else if (op == "count") {
    number(count_bit(a.buf.data()));
  } else if (op == "find") {
    int k;
    if (!parse_int(argv[2], INT32_MIN, INT32_MAX, "K", &k)) return 2;
    number(find_nbit(a.buf.data(), k));
  } else {
    int start, count;
    if (!parse_int(argv[2], 0, INT32_MAX, "START", &start) ||
        !parse_int(argv[3], 0, kToolMaxBits, "COUNT", &count)) {
      return 2;
    }
    BitValue res = room_for(count);
    bits_range(a.buf.data(), start, count, res.buf.data());
    print_bits(res);
  }
  return 0;
}

// Reads hexadecimal text (an optional "0x" first) into a binchar and prints it back.
int cmd_hex(int argc, char** argv) {
  if (argc != 1) return bad_usage("qdtype hex: one text");
  std::string text = argv[0];
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.erase(0, 2);
  }
  std::vector<uint8_t> value(kByteStringHeader + kBincharMax);
  const int rc = hex_to_binchar(value.data(), text.data());
  uint32_t count;
  std::memcpy(&count, value.data(), sizeof count);
  if (rc != 0) {
    return bad_usage("qdtype: '%s' is not hexadecimal text of at most %u bytes (%u bytes read)",
                     argv[0], kBincharMax, count);
  }
  std::vector<char> out(2 + 2 * static_cast<size_t>(count) + 1);
  const char* shown = binchar_to_string(out.data(), value.data(), 0);
  print("%s  (%u bytes)\n", shown, count);
  field("value", shown);
  field("type", ("binchar(" + std::to_string(count) + ")").c_str());
  field_bytes(value.data(), kByteStringHeader + static_cast<size_t>(count));
  return 0;
}

void show(const char* what, const std::string& result) {
  print("  %-34s %s\n", what, result.c_str());
}

std::string bits_text(BitValue& v) {
  std::vector<char> text(static_cast<size_t>(v.length()) + 3);
  return bits_to_string(text.data(), v.buf.data(), 0);
}

void tour() {
  BitValue a, b, res;
  parse_bits("0b1(3)0(2)1", &a);
  show("0b1(3)0(2)1 reads as", bits_text(a));
  parse_bits("0b1111", &a);
  parse_bits("0b10", &b);
  res = room_for(4);
  bit_and(a.buf.data(), b.buf.data(), res.buf.data());
  show("0b1111 and 0b10", bits_text(res));
  parse_bits("0b0001", &a);
  parse_bits("0b1", &b);
  bit_or(a.buf.data(), b.buf.data(), res.buf.data());
  show("0b0001 or 0b1", bits_text(res));
  parse_bits("0b101", &a);
  parse_bits("0b10100", &b);
  show("compare 0b101 with 0b10100",
       std::to_string(sub_bit_compare(a.length(), a.buf.data() + kByteStringHeader, b.length(),
                                      b.buf.data() + kByteStringHeader)) +
           "  (trailing zeros do not count)");
  parse_bits("0b10110", &a);
  res = room_for(4);
  bits_range(a.buf.data(), 3, 4, res.buf.data());
  show("4 bits of 0b10110 from bit 3", bits_text(res));
  parse_bits("0b0101", &a);
  show("second set bit of 0b0101", std::to_string(find_nbit(a.buf.data(), 2)));

  for (const char* hex : {"0aFF", "abc"}) {
    std::vector<uint8_t> value(kByteStringHeader + kBincharMax);
    std::string text = hex;
    hex_to_binchar(value.data(), text.data());
    char out[32];
    show((std::string("hex ") + hex + " prints as").c_str(),
         binchar_to_string(out, value.data(), 0));
  }
}

}  // namespace

QDTYPE_COMMAND("bits", "OP A [B|START COUNT|K]",
               "bit operations on 0b literals: and or not range count find compare", cmd_bits,
               "OP     and, or, compare (two strings); not, count (one); range A START COUNT;\n"
               "       find A K (K >= 1: the K-th set bit, K <= 0: the last)\n"
               "A, B   bit literals: 0b, then 0 and 1 digits and groups like 1(5)\n"
               "START  the first bit, from 0; COUNT the number of bits, 0..1048576",
               "bits and 0b1111 0b10",
               "the resulting bit string, or the number (comparison -1/0/1, count, position)");
QDTYPE_COMMAND("hex", "TEXT", "read hexadecimal text into a byte string and print it back",
               cmd_hex, "TEXT  hexadecimal digits, 0x first allowed; an odd count gets a leading 0",
               "hex 0aFF", "the byte string as the library prints it, and its length");
QDTYPE_TOUR(70, "Bit strings and byte strings", tour);

}  // namespace qdtype
