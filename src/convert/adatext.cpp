// adatext.cpp: value_adapt_type into the byte-sequence targets (char, varchar, fileref,
// binchar, bits, bits2), through one fit step, and into the calendar targets.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "base/digits.h"
#include "convert/convert_internal.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdcompare.h"
#include "qdtype32/qddt.h"
#include "qdtype32/qdglob.h"
#include "runtime/coding.h"
#include "status/report.h"

namespace qd {
namespace {

// Numbers, truth values and calendar values become texts in this buffer.
constexpr int kWorkSize = 400;
// Digits after the point of a double's and a single's text.
constexpr int kDoubleDigits = 15;
constexpr int kSingleDigits = 6;

// ---- Source runs ----------------------------------------------------------------------------

// The bytes a source hands to the fit step.
struct Run {
  const char* bytes = nullptr;
  int32_t n = 0;
  bool text = false;      // the source is itself a text (char, fileref, varchar)
  bool bit_string = false;
  int32_t bits = 0;       // a bit string's count
  char work[kWorkSize];
};

void integer_run(Run& r, int64_t v) {
  r.bytes = r.work;
  r.n = static_cast<int32_t>(write_decimal(r.work, v));
}

// The exponent form with `digits` after the point and an exponent of at least two digits
// ("1.500000000000000e+00", "1.000000000000000e+100").
void floating_run(Run& r, double d, int digits) {
  const std::to_chars_result e =
      std::to_chars(r.work, r.work + kWorkSize, d, std::chars_format::scientific, digits);
  r.bytes = r.work;
  r.n = static_cast<int32_t>(e.ptr - r.work);
}

void text_run(Run& r, const char* text) {
  r.bytes = text;
  r.n = static_cast<int32_t>(std::strlen(text));
}

// The counted bytes of a binchar or bit string; false for a count no value has.
bool counted_run(Run& r, const void* src, int header, int64_t count, int64_t bytes) {
  if (count < 0 || bytes > kBincharMax) return false;
  r.bytes = static_cast<const char*>(src) + header;
  r.n = static_cast<int32_t>(bytes);
  return true;
}

// What build_run found, nothing reported yet.
enum class RunStatus : uint8_t { kOk, kRefused, kBroken };

// The run of a source. kRefused: no byte-sequence target takes the source; kBroken: a
// counted source whose count no value has, refused as too long for every target.
RunStatus build_run(int code, const void* src, Run& r) {
  switch (code) {
    case kTinyint:
    case kCChar:
      integer_run(r, load<int8_t>(src));
      return RunStatus::kOk;
    case kSmallint:
    case kCShort:
      integer_run(r, load<int16_t>(src));
      return RunStatus::kOk;
    case kInteger:
    case kCInt:
    case kCLong:
      integer_run(r, load<int32_t>(src));
      return RunStatus::kOk;
    case kCUChar:
      integer_run(r, load<uint8_t>(src));
      return RunStatus::kOk;
    case kCUShort:
      integer_run(r, load<uint16_t>(src));
      return RunStatus::kOk;
    case kCUInt:
    case kCULong:
      integer_run(r, load<uint32_t>(src));
      return RunStatus::kOk;
    case kDouble:
    case kCDouble:
      floating_run(r, load<double>(src), kDoubleDigits);
      return RunStatus::kOk;
    case kFloat:
    case kCFloat:
      floating_run(r, static_cast<double>(load<float>(src)), kSingleDigits);
      return RunStatus::kOk;
    case kNumeric:
      text_run(r, fix_string(static_cast<const qd_fix*>(src), r.work));
      return RunStatus::kOk;
    case kDatetime:
      text_run(r, dt_str(r.work, src));
      return RunStatus::kOk;
    case kTimespan:
      text_run(r, ts_str(r.work, src));
      return RunStatus::kOk;
    case kBool:
      text_run(r, load<uint8_t>(src) ? "TRUE" : "FALSE");
      return RunStatus::kOk;
    case kChar:
    case kFileref:
    case kVarchar:
      text_run(r, static_cast<const char*>(src));
      r.text = true;
      return RunStatus::kOk;
    case kBinchar: {
      const uint32_t n = load<uint32_t>(src);
      return counted_run(r, src, kByteStringHeader, n, n) ? RunStatus::kOk : RunStatus::kBroken;
    }
    case kBits:
    case kBits2: {
      const int64_t s = code == kBits ? load<int32_t>(src) : load<uint16_t>(src);
      const int header = code == kBits ? kByteStringHeader : kBits2Header;
      r.bit_string = true;
      r.bits = static_cast<int32_t>(s);
      return counted_run(r, src, header, s, (s + 7) / 8) ? RunStatus::kOk : RunStatus::kBroken;
    }
    default:
      return RunStatus::kRefused;
  }
}

// ---- Targets --------------------------------------------------------------------------------

enum class Pad : uint8_t { kNone, kBlank, kZero };

// Where a target's data goes and how much it takes. capacity: 0 no limit, negative "at
// most -capacity bytes, cut without error". room: the most data bytes the type's storage
// holds, which no run passes, declared length or not (0: unbounded, for fileref).
struct Target {
  int header;
  bool text;
  bool bit_string;
  Pad pad;
  int32_t declared;  // the signed 16-bit length: bytes, characters or bits
  int32_t capacity;
  int32_t room;
};

// A descriptor of code without a declared length, whose size is what the type's storage
// holds at most.
int32_t undeclared_size(int code) {
  attrtype rough{};
  rough.code = static_cast<int16_t>(code);
  return size_attrtype(&rough);
}

Target target_of(const attrtype* t) {
  const int code = t->code;
  const int32_t declared = at_length(t);
  Target g{0, true, false, Pad::kNone, declared, declared, 0};
  switch (code) {
    case kChar:
      g.pad = Pad::kBlank;
      break;
    case kVarchar:
      break;
    case kFileref:
      g.capacity = 0;
      return g;  // copied whole, whatever its length
    case kBinchar:
      g.header = kByteStringHeader;
      g.text = false;
      g.pad = Pad::kBlank;
      break;
    default:  // bits, bits2: the declared bits, in whole bytes
      g.header = code == kBits2 ? kBits2Header : kByteStringHeader;
      g.text = false;
      g.bit_string = true;
      g.pad = Pad::kZero;
      g.capacity = (declared + 7) / 8;
      break;
  }
  g.room = undeclared_size(code) - g.header - (g.text ? 1 : 0);
  return g;
}

// ---- Failures -------------------------------------------------------------------------------

int refuse() { return report<QDE_CONVERSION_NOT_SUPPORTED, QDF_VALUE_ADAPT_TYPE>(); }

// A run longer than the target takes: the text itself for a text source, else "source
// value", between quotes either way.
int fail_long_run(const AdaptCall& c, const Run& r) {
  char quoted[kQuotedTextSize];
  quoted_text(r.text ? r.bytes : "source value", quoted);
  TargetText t(c.dsttype);
  return report<QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE>(static_cast<const char*>(quoted),
                                                          static_cast<const char*>(t.text));
}

int fail_bits(const AdaptCall& c, int32_t bits) {
  char words[kWorkSize];
  std::snprintf(words, sizeof words, "with %ld bits", static_cast<long>(bits));
  TargetText t(c.dsttype);
  return report<QDE_VALUE_OVERFLOW, QDF_VALUE_ADAPT_TYPE>(static_cast<const char*>(words),
                                                          static_cast<const char*>(t.text));
}

int fail_encoding() {
  return report<QDE_INVALID_CHARACTER, QDF_VALUE_ADAPT_TYPE>(
      encoding_name(encoding_resolve(kEncDefault)));
}

// Whether the zero-terminated text of R bytes at p is valid in the database encoding.
bool valid_text(const uint8_t* p, int32_t r) {
  return encoding_string_size(kEncDefault, reinterpret_cast<const char*>(p)) >= r + 1;
}

// A varchar whose declared length counts characters takes a run of more bytes than that
// when it counts no more characters. The run is placed in the target first (its buffer
// holds kCharBytesMax bytes a character) and measured there. 0, or the error reported.
int fit_characters(const AdaptCall& c, const Run& r, int32_t capacity, uint8_t* data) {
  if (r.n > capacity * kCharBytesMax) return fail_long_run(c, r);  // more characters for sure
  std::memcpy(data, r.bytes, static_cast<size_t>(r.n));
  data[r.n] = 0;
  if (!valid_text(data, r.n)) return fail_encoding();  // its characters cannot be counted
  // The fixed-width encodings count whole characters up to one whose first byte is zero,
  // so the character after the text's last must start with one; it lies within the
  // target, as a text of at most `capacity` such characters does.
  const int32_t code = qdxglob_val.db_encoding;
  if (code >= kEncUcs2le && code <= kEncUcs4be) {
    const int32_t width = encoding_char_len(code, reinterpret_cast<const char*>(data));
    if (r.n > capacity * width) return fail_long_run(c, r);
    data[(r.n + width - 1) / width * width] = 0;
  }
  if (qdmb_strlen(reinterpret_cast<char*>(data)) > capacity) return fail_long_run(c, r);
  return 0;
}

}  // namespace

// ---- Byte-sequence targets ------------------------------------------------------------------

int adapt_byte_sequence(const AdaptCall& c) {
  Run r;
  switch (build_run(c.srccode, c.src, r)) {
    case RunStatus::kOk:
      break;
    case RunStatus::kRefused:
      return refuse();
    case RunStatus::kBroken:
      return fail_long_run(c, r);
  }
  const Target g = target_of(c.dsttype);
  uint8_t* data = static_cast<uint8_t*>(c.dst) + g.header;
  if (g.bit_string && r.bit_string && g.declared > 0 && r.bits > g.declared) {
    return fail_bits(c, r.bits);
  }

  // The fit step: pad, cut or refuse. No run and no padding passes what the type's
  // storage holds, whatever the declared length says.
  const int32_t k = g.capacity;
  int32_t limit = k < 0 ? -k : k;
  if (g.room > 0 && limit > g.room) limit = g.room;
  if (k == 0 && g.room > 0 && r.n > g.room) return fail_long_run(c, r);
  int32_t written;
  if (k == 0 || r.n <= limit) {
    std::memcpy(data, r.bytes, static_cast<size_t>(r.n));
    written = r.n;
    if (k > 0 && g.pad != Pad::kNone) {
      std::memset(data + r.n, g.pad == Pad::kBlank ? ' ' : 0, static_cast<size_t>(limit - r.n));
      written = limit;
    }
  } else if (k < 0) {
    std::memcpy(data, r.bytes, static_cast<size_t>(limit));
    written = limit;
  } else if (c.dsttype->code == kVarchar && qdxglob_val.charlen_switch) {
    if (int rc = fit_characters(c, r, k, data); rc != 0) return rc;
    written = r.n;
  } else {
    return fail_long_run(c, r);
  }

  int32_t size;
  if (g.text) {
    data[written] = 0;
    if (!r.text && !valid_text(data, written)) return fail_encoding();
    size = written + 1;
  } else if (!g.bit_string) {  // binchar
    store<uint32_t>(c.dst, static_cast<uint32_t>(written));
    size = written + g.header;
  } else {
    // The declared bits; without them the source's bits, or all bits of its bytes; never
    // more than the bytes written hold (a length given as "at most", or one beyond the
    // type's storage).
    int64_t bits = g.declared > 0 ? g.declared : r.bit_string ? r.bits : int64_t{8} * r.n;
    if (bits > int64_t{8} * written) bits = int64_t{8} * written;
    if (bits % 8 != 0) data[bits / 8] &= static_cast<uint8_t>(0xFF00u >> (bits % 8));
    if (g.header == kBits2Header) {
      store<uint16_t>(c.dst, static_cast<uint16_t>(bits));
    } else {
      store<int32_t>(c.dst, static_cast<int32_t>(bits));
    }
    size = written + g.header;
  }
  if (c.dstlen) *c.dstlen = size;
  return 0;
}

// ---- Calendar targets -----------------------------------------------------------------------

namespace {

// Datetime and timespan twins: the same calendar value, or a text read by the calendar
// reader, copied when the target states no range and cast to its range otherwise.
template <class Field>
int adapt_calendar(const AdaptCall& c) {
  constexpr bool kSpan = std::is_same_v<Field, int32_t>;
  constexpr int kCode = kSpan ? kTimespan : kDatetime;
  uint8_t value[kTsLargest];
  const void* from = c.src;
  if (c.srccode == kChar || c.srccode == kVarchar) {
    const int rc = calendar_from_text(c.dsttype, static_cast<const char*>(c.src), value, value);
    if (rc != 0) return adapt_pass_on(rc);
    from = value;
  } else if (c.srccode != kCode) {
    return refuse();
  }
  const int low = at_range_low(c.dsttype), high = at_range_high(c.dsttype);
  const uint32_t header = load<uint32_t>(from);
  // A text's value already in the target's range is what the cast would give.
  const bool same_range = from == value && range_low(header) == low && range_high(header) == high;
  if (low == kRangeUnset || same_range) {
    // Header and fields only: a buffer sized for a datetime without a range holds no more.
    // The fields of a broken header stop at the year, as everywhere.
    const int from_low = range_low(header), top = std::min(range_high(header), int{kYy});
    const int fields = top >= from_low ? top - from_low + 1 : 0;
    std::memmove(c.dst, from, kDtHeaderBytes + sizeof(Field) * static_cast<size_t>(fields));
  } else {
    const int rc = kSpan ? ts_cast(from, c.dst, low, high) : dt_cast(from, c.dst, low, high);
    if (rc != 0) return adapt_pass_on(rc);
  }
  if (c.dstlen) *c.dstlen = Packed<Field>::size(c.dst);
  return 0;
}

}  // namespace

int adapt_datetime(const AdaptCall& c) { return adapt_calendar<int16_t>(c); }
int adapt_timespan(const AdaptCall& c) { return adapt_calendar<int32_t>(c); }

}  // namespace qd
