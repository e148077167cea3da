// commuti.cpp: byte-string (binchar) helpers, the printed forms of bit strings, and the
// bounded text copy and length check.
#include <algorithm>
#include <cstring>

#include "base/byteio.h"
#include "bits/bits_internal.h"
#include "qderror.h"
#include "qdtype32/qdbits.h"
#include "qdtype32/qdbytes.h"
#include "qdtype32/qderr.h"
#include "status/report.h"
#include "types/bytes_internal.h"

namespace qd {
namespace {

inline int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

inline bool is_white(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Length of text if it is at most max characters, else max + 1; never reads further.
int64_t bounded_length(const char* text, int max) {
  int64_t n = 0;
  while (n <= max && text[n] != '\0') ++n;
  return n;
}

// Whether text is too long for max (or missing): records 11025 through the message
// switch when it is.
bool text_too_long(const char* text, int max) {
  if (text != nullptr && max >= 0 && bounded_length(text, max) <= max) return false;
  merror<QDE_TEXT_TOO_LONG>(text, max);
  return true;
}

// "0b" and at most the digits that fit in size bytes (no limit for size <= 0); the
// prefix and the NUL are written even when size is below 3.
char* bits_text(char* dst, int32_t n, const uint8_t* data, int size) {
  dst[0] = '0';
  dst[1] = 'b';
  const int limit = size > 0 ? std::max(size - 2, 1) : 0;
  bits_to_asci(n, const_cast<uint8_t*>(data), dst + 2, limit);
  return dst;
}

}  // namespace

uint32_t binchar_count(const void* v) { return load<uint32_t>(v); }
uint32_t binchar_readable(const void* v) { return std::min(binchar_count(v), kBincharMax); }

}  // namespace qd

QD_EXTERN_C QD_API int hex_to_binchar(void* dst, char* text) {
  QD_INPUTS_OK(true);
  uint8_t* out = static_cast<uint8_t*>(dst) + qd::kByteStringHeader;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  uint32_t count = 0;
  bool over = false;
  for (;;) {
    const int hi = *p < 128 ? qd::hex_value(*p) : -1;
    if (hi < 0) break;
    const int lo = p[1] < 128 ? qd::hex_value(p[1]) : -1;
    // A lone last digit makes the high half of its byte.
    const int byte = lo < 0 ? hi << 4 : (hi << 4) | lo;
    p += lo < 0 ? 1 : 2;
    if (count < qd::kBincharMax) {
      out[count] = static_cast<uint8_t>(byte);
    } else {
      over = true;  // counted, not stored
    }
    if (count != UINT32_MAX) ++count;
  }
  qd::store<uint32_t>(dst, count);
  return QD_BINCHAR_OUT((*p != '\0' && !qd::is_white(*p)) || over ? 1 : 0, dst);
}

QD_EXTERN_C QD_API char* binchar_to_string(char* dst, void* binchar, unsigned size) {
  static const char kDigits[] = "0123456789abcdef";
  const uint8_t* bytes = static_cast<const uint8_t*>(binchar) + qd::kByteStringHeader;
  const uint32_t count = qd::binchar_readable(binchar);
  // Bytes whose two digits start (after the "0x") before position limit - 1, with
  // limit two below the size made odd: the text and its NUL fit in size.
  uint64_t fit = count;
  if (size != 0) {
    const int64_t odd = (size % 2 == 0) ? int64_t{size} - 1 : int64_t{size};
    const int64_t before = odd - 2 - 1;  // digit start positions below this
    fit = before > 0 ? static_cast<uint64_t>((before + 1) / 2) : 0;
  }
  const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, fit));
  char* p = dst;
  *p++ = '0';
  *p++ = 'x';
  for (uint32_t i = 0; i < n; ++i) {
    *p++ = kDigits[bytes[i] >> 4];
    *p++ = kDigits[bytes[i] & 0x0F];
  }
  *p = '\0';
  return dst;
}

QD_EXTERN_C QD_API void* binchar_copy(void* dst, void* src) {
  QD_INPUTS_OK(qd::valid_binchar(src, static_cast<size_t>(qd::kRecordMax)));
  const uint32_t count = qd::binchar_count(src);
  std::memmove(dst, src, qd::kByteStringHeader + qd::binchar_readable(src));
  qd::store<uint32_t>(dst, count);
  QD_BINCHAR_OUT(0, dst);
  return dst;
}

QD_EXTERN_C QD_API void binchar_hash(void* value, void** data, unsigned* len) {
  if (data) *data = static_cast<uint8_t*>(value) + qd::kByteStringHeader;
  if (len) *len = qd::binchar_readable(value);
}

QD_EXTERN_C QD_API void binstrcpy(void* dst, void* src, int n) {
  if (n > 0) std::memmove(dst, src, static_cast<size_t>(n));
}

QD_EXTERN_C QD_API char* bits_to_string(char* dst, void* bits, int size) {
  return qd::bits_text(dst, qd::bits_length(bits),
                       static_cast<const uint8_t*>(bits) + qd::kBitsHeader, size);
}

QD_EXTERN_C QD_API char* bits2_to_string(char* dst, void* bits2, int size) {
  return qd::bits_text(dst, qd::bits2_length(bits2),
                       static_cast<const uint8_t*>(bits2) + qd::kBits2Header, size);
}

QD_EXTERN_C QD_API int qd_strncpy(char* dst, char* src, int max) {
  if (qd::text_too_long(src, max)) return QDE_TEXT_TOO_LONG;
  std::memcpy(dst, src, static_cast<size_t>(qd::bounded_length(src, max)) + 1);
  return 0;
}

QD_EXTERN_C QD_API int qd_strlen(char* text, int max) {
  return qd::text_too_long(text, max) ? QDE_TEXT_TOO_LONG : 0;
}
