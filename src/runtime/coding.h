// coding.h: the character encodings: names, and the length and validity of characters
// and strings, for the comparison, conversion, literal and logging code.
#pragma once

#include <cstdint>

namespace qd {

// Encoding codes. 0 stands for the process default (qdxglob_val.db_encoding, where 0
// in turn means kEncPropriet).
enum : int32_t {
  kEncDefault = 0,
  kEncTest = 1,  // single bytes, plus four sequences standing for multi-byte characters
  kEncPropriet = 2,
  kEncAscii = 3,
  kEncSinglebyte = 4,
  kEncUtf8 = 5,
  kEncEuc = 6,
  kEncJis = 7,
  kEncUcs2le = 8,
  kEncUcs2be = 9,
  kEncUcs4le = 10,
  kEncUcs4be = 11,
};
constexpr int32_t kEncCount = 12;
constexpr int kEncNameSize = 32;

// The code an operation works with: 0 replaced by the process default, which is
// kEncPropriet when that is 0 too. Other codes are returned as they are.
int32_t encoding_resolve(int32_t code);

// The name of an encoding ("Utf8"; "???" for 0), or "???(=N)" for codes outside 0..11.
// The text lives in one of two static buffers used in turn, so two names can appear in
// one message; a third call overwrites the first.
const char* encoding_name(int32_t code);

// True when the byte at p starts a non-ASCII character: EUC bytes from 0x80, JIS bytes
// 0x81..0x9F, 0xA1..0xDF and 0xE0..0xFC. False for every other encoding.
bool encoding_nonascii_start(int32_t code, const char* p);

// The length in bytes of the character starting at p, by its first byte alone; 0 for
// codes outside 1..11 (after resolving 0).
int encoding_char_len(int32_t code, const char* p);

// The length of the character at p when it is complete within avail bytes and valid,
// else 0. Encodings without a validity rule of their own (UCS) give 0.
int encoding_valid_char_len(int32_t code, const char* p, int32_t avail);

// The bytes of the zero-terminated string s, terminator included, when every character
// is valid and none is cut by the terminator; else 0.
int32_t encoding_string_size(int32_t code, const char* s);

}  // namespace qd
