// cmd_encoding.cpp: qdtype command and tour step for the character encodings.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "qdtype32/qdtype32.h"
#include "runtime/coding.h"
#include "runtime/runtime_internal.h"

namespace qdtype {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The text with \xNN escapes (and \\ for a backslash) turned into bytes; false on a
// malformed escape. A \x00 ends the string, as the terminator would.
bool unescape(const char* in, std::string* out) {
  out->clear();
  for (const char* p = in; *p; ++p) {
    if (*p != '\\') {
      out->push_back(*p);
    } else if (p[1] == '\\') {
      out->push_back('\\');
      ++p;
    } else if (p[1] == 'x' && hex_digit(p[2]) >= 0 && hex_digit(p[3]) >= 0) {
      out->push_back(static_cast<char>(hex_digit(p[2]) * 16 + hex_digit(p[3])));
      p += 3;
    } else {
      return false;
    }
  }
  return true;
}

// A code by number or by name ("utf8", "EUC", ...); false when it is neither.
bool parse_code(const char* text, int32_t* code) {
  char* end = nullptr;
  long n = std::strtol(text, &end, 10);
  if (end != text && *end == 0) {
    if (n < 0 || n >= qd::kEncCount) return false;
    *code = static_cast<int32_t>(n);
    return true;
  }
  for (int32_t c = 1; c < qd::kEncCount; ++c) {
    if (qd::ascii_casecmp(text, qd::encoding_name(c)) == 0) {
      *code = c;
      return true;
    }
  }
  return false;
}

std::string hex_bytes(const char* p, size_t n) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%s%02x", i ? " " : "", static_cast<unsigned char>(p[i]));
    s += b;
  }
  return s;
}

// The characters of text one per line, then the string size.
int show(int32_t code, const char* text) {
  const int32_t used = qd::encoding_resolve(code);
  if (code == qd::kEncDefault) {
    print("encoding  0 (the process default: %d %s)\n", used, qd::encoding_name(used));
  } else {
    print("encoding  %d %s\n", code, qd::encoding_name(code));
  }
  const size_t len = std::strlen(text);
  print("text      %s (%zu byte%s)\n", hex_bytes(text, len).c_str(), len,
              len == 1 ? "" : "s");
  print("%6s  %-18s %6s %6s  %s\n", "offset", "bytes", "length", "valid", "non-ASCII start");
  for (size_t at = 0; at < len;) {
    const char* p = text + at;
    const int32_t avail = static_cast<int32_t>(len - at);
    const int n = qd::encoding_char_len(code, p);
    const int valid = qd::encoding_valid_char_len(code, p, avail);
    const size_t shown = n < 1 ? 1 : (static_cast<size_t>(n) > len - at ? len - at : n);
    print("%6zu  %-18s %6d %6d  %s%s\n", at, hex_bytes(p, shown).c_str(), n, valid,
                qd::encoding_nonascii_start(code, p) ? "yes" : "no",
                shown < static_cast<size_t>(n) ? "   (cut by the end of the text)" : "");
    at += shown;
  }
  const int32_t size = qd::encoding_string_size(code, text);
  field("value", text);
  field("encoding", qd::encoding_name(code));
  field_bytes(text, len);
  field("size", static_cast<long long>(size));
  const bool checked = used >= qd::kEncTest && used <= qd::kEncJis;
  if (size == 0) {
    print("size      0: not a valid string in this encoding\n");
  } else if (checked) {
    print("size      %d bytes with the terminator: valid\n", size);
  } else {
    print("size      %d bytes with the terminator (not checked in this encoding)\n", size);
  }
  return 0;
}

int cmd_encoding(int argc, char** argv) {
  if (argc != 2) return bad_usage("qdtype encoding: two arguments, CODE TEXT");
  int32_t code = 0;
  std::string bytes;
  if (!parse_code(argv[0], &code)) {
    return bad_usage("qdtype: %s is no encoding code (0..%d) or name", argv[0],
                     static_cast<int>(qd::kEncCount) - 1);
  }
  if (!unescape(argv[1], &bytes)) return bad_usage("qdtype: a backslash must start \\xNN or \\\\");
  return show(code, bytes.c_str());
}

void tour_encodings() {
  struct Sample {
    int32_t code;
    const char* text;
    const char* note;
  } samples[] = {
      {5, "K\xC3\xA4se", "a two-byte character"},
      {5, "K\xC3", "a lead byte cut by the terminator"},
      {5, "\xE2\x82\x41", "a continuation byte missing"},
      {6, "\x8F\xA1\xA1x", "0x8F starts three bytes"},
      {7, "\x81\x40\xA5", "a lead byte, then a one-byte non-ASCII character"},
      {3, "caf\xE9", "a byte above 127"},
      {1, "\xE4'\xFC\xFC\xFC", "the test encoding's stand-ins"},
      {1, "\xFC\xFC", "a stand-in cut short"},
      {40, "abc", "no such encoding"},
  };
  for (const Sample& s : samples) {
    std::string lengths;
    const size_t len = std::strlen(s.text);
    for (size_t at = 0; at < len;) {
      const int n = qd::encoding_char_len(s.code, s.text + at);
      lengths += (lengths.empty() ? "" : " ") + std::to_string(n);
      at += n < 1 ? 1 : static_cast<size_t>(n);
    }
    print("  %-12s %-20s lengths %-8s size %d  (%s)\n", qd::encoding_name(s.code),
                hex_bytes(s.text, len).c_str(), lengths.c_str(),
                qd::encoding_string_size(s.code, s.text), s.note);
  }
}

}  // namespace

QDTYPE_COMMAND("encoding", "CODE TEXT",
               "TEXT's characters in encoding CODE (0..11 or a name; \\xNN for any byte)",
               cmd_encoding,
               "CODE  an encoding number (0 the process default) or name (utf8, EUC ...)\n"
               "TEXT  the text; \\xNN stands for any byte, \\\\ for a backslash",
               "encoding utf8 'K\\xC3\\xA4se'",
               "each character's offset, bytes, length and validity, then the string's size\n"
               "with its terminator, or 0 when the text is not valid in the encoding");
QDTYPE_TOUR(80, "character encodings: character lengths and string sizes", tour_encodings);

}  // namespace qdtype
