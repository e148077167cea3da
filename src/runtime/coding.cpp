// coding.cpp: the character encodings: names, character lengths, validity, string sizes.
#include "runtime/coding.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "qdtype32/qdglob.h"

namespace qd {
namespace {

constexpr const char* kNames[kEncCount] = {
    "???", "Test", "Propriet", "Ascii",    "Singlebyte", "Utf8",
    "EUC", "JIS",  "UCS2(le)", "UCS2(be)", "UCS4(le)",   "UCS4(be)",
};

char g_name_buffers[2][kEncNameSize];
std::atomic<unsigned> g_name_turn{0};

// The test encoding's stand-ins for multi-byte characters. Each starts with a byte no
// other sequence starts with.
struct TestSequence {
  unsigned char bytes[3];
  int length;
};
constexpr TestSequence kTestSequences[] = {
    {{0xE4, 0x27, 0}, 2},
    {{0xD6, 0x22, 0}, 2},
    {{0xFC, 0xFC, 0xFC}, 3},
    {{0xC4, 0xC4, 0xC4}, 3},
};

const TestSequence* test_sequence(unsigned char b) {
  for (const TestSequence& s : kTestSequences) {
    if (s.bytes[0] == b) return &s;
  }
  return nullptr;
}

// Whether the test sequence matches at p, reading no further than avail bytes and
// stopping at a mismatch (so a terminator inside ends the comparison).
bool test_sequence_at(const TestSequence& seq, const unsigned char* p, int32_t avail) {
  if (avail < seq.length) return false;
  for (int i = 0; i < seq.length; ++i) {
    if (p[i] != seq.bytes[i]) return false;
  }
  return true;
}

int utf8_len(unsigned char b) {
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0) return 4;
  if ((b & 0xFC) == 0xF8) return 5;
  if ((b & 0xFE) == 0xFC) return 6;
  return 1;  // a stray continuation byte, 0xFE or 0xFF
}

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

int euc_len(unsigned char b) { return b == 0x8F ? 3 : (b >= 0x80 ? 2 : 1); }

bool jis_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Steps over a string by a length rule; 0 when a character is cut by the terminator.
template <typename LenFn>
int32_t walk_size(const unsigned char* s, LenFn len) {
  const unsigned char* p = s;
  while (*p) {
    const int n = len(*p);
    for (int i = 1; i < n; ++i) {
      if (p[i] == 0) return 0;
    }
    p += n;
  }
  return static_cast<int32_t>(p - s) + 1;
}

}  // namespace

int32_t encoding_resolve(int32_t code) {
  if (code != kEncDefault) return code;
  const int32_t def = qdxglob_val.db_encoding;
  return def == kEncDefault ? kEncPropriet : def;
}

const char* encoding_name(int32_t code) {
  char* out = g_name_buffers[g_name_turn.fetch_add(1, std::memory_order_relaxed) & 1];
  if (code >= 0 && code < kEncCount) {
    std::strcpy(out, kNames[code]);
  } else {
    std::snprintf(out, kEncNameSize, "%s(=%d)", "???", static_cast<int>(code));
  }
  return out;
}

bool encoding_nonascii_start(int32_t code, const char* p) {
  if (!p) return false;
  const unsigned char b = static_cast<unsigned char>(*p);
  switch (encoding_resolve(code)) {
    case kEncEuc:
      return b >= 0x80;
    case kEncJis:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xA1 && b <= 0xDF) || (b >= 0xE0 && b <= 0xFC);
    default:
      return false;
  }
}

int encoding_char_len(int32_t code, const char* p) {
  if (!p) return 0;
  const unsigned char b = static_cast<unsigned char>(*p);
  switch (encoding_resolve(code)) {
    case kEncTest:
      if (const TestSequence* s = test_sequence(b)) return s->length;
      return 1;
    case kEncPropriet:
    case kEncAscii:
    case kEncSinglebyte:
      return 1;
    case kEncUtf8:
      return utf8_len(b);
    case kEncEuc:
      return euc_len(b);
    case kEncJis:
      return jis_lead(b) ? 2 : 1;
    case kEncUcs2le:
    case kEncUcs2be:
      return 2;
    case kEncUcs4le:
    case kEncUcs4be:
      return 4;
    default:
      return 0;
  }
}

int encoding_valid_char_len(int32_t code, const char* p, int32_t avail) {
  if (!p || avail < 1) return 0;
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  const int32_t enc = encoding_resolve(code);
  switch (enc) {
    case kEncTest:
      if (const TestSequence* s = test_sequence(u[0])) {
        return test_sequence_at(*s, u, avail) ? s->length : 0;
      }
      return 1;
    case kEncPropriet:
    case kEncSinglebyte:
      return 1;
    case kEncAscii:
      return u[0] < 0x80 ? 1 : 0;
    case kEncUtf8: {
      const int n = utf8_len(u[0]);
      if (avail < n) return 0;
      for (int i = 1; i < n; ++i) {
        if (!is_continuation(u[i])) return 0;
      }
      return n;
    }
    case kEncEuc:
    case kEncJis: {
      const int n = encoding_char_len(enc, p);
      return avail < n ? 0 : n;
    }
    default:
      return 0;
  }
}

int32_t encoding_string_size(int32_t code, const char* s) {
  if (!s) return 0;
  const auto* u = reinterpret_cast<const unsigned char*>(s);
  switch (encoding_resolve(code)) {
    case kEncTest: {
      const unsigned char* p = u;
      while (*p) {
        if (const TestSequence* seq = test_sequence(*p)) {
          // A mismatch stops at the terminator at the latest, so this never reads past it.
          if (!test_sequence_at(*seq, p, seq->length)) return 0;
          p += seq->length;
        } else {
          ++p;
        }
      }
      return static_cast<int32_t>(p - u) + 1;
    }
    case kEncAscii: {
      const unsigned char* p = u;
      for (; *p; ++p) {
        if (*p >= 0x80) return 0;
      }
      return static_cast<int32_t>(p - u) + 1;
    }
    case kEncUtf8: {
      const unsigned char* p = u;
      while (*p) {
        const int n = utf8_len(*p);
        for (int i = 1; i < n; ++i) {
          if (!is_continuation(p[i])) return 0;  // the terminator is no continuation
        }
        p += n;
      }
      return static_cast<int32_t>(p - u) + 1;
    }
    case kEncEuc:
      return walk_size(u, euc_len);
    case kEncJis:
      return walk_size(u, [](unsigned char b) { return jis_lead(b) ? 2 : 1; });
    default:
      return static_cast<int32_t>(std::strlen(s)) + 1;
  }
}

}  // namespace qd
