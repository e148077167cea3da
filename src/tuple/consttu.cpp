// consttu.cpp: tuples (stored rows) built from values or as templates, and the small
// record services kept beside them: mdb_merge, build_cvi, demo_type.
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "base/byteio.h"
#include "base/dtfields.h"
#include "base/limits.h"
#include "convert/convert_internal.h"
#include "platform/platform.h"
#include "qderror.h"
#include "qdfid.h"
#include "qdtype32/qdattr.h"
#include "qdtype32/qdconv.h"
#include "qdtype32/qddt.h"
#include "qdtype32/qdglob.h"
#include "qdtype32/qdtuple.h"
#include "status/qdformat.h"
#include "status/report.h"
#include "status/status_internal.h"
#include "tuple/tuple_internal.h"
#include "types/types_internal.h"

using namespace qd;

static_assert(QD_TUPLE_MAX == kRecordMax, "a tuple is a record");
static_assert(kTupleMaxFields == (kRecordMax - kTupleOffsetBytes) / kTupleOffsetBytes);

namespace qd {

bool valid_tuple(const void* t, int n, size_t room) {
  if (n < 0 || static_cast<size_t>(kTupleOffsetBytes) * (size_t(n) + 1) > room) return false;
  const auto* p = static_cast<const unsigned char*>(t);
  size_t before = static_cast<size_t>(kTupleOffsetBytes) * (size_t(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const size_t at = load<uint16_t>(p + kTupleOffsetBytes * i);
    if (at < before) return false;
    before = at;
  }
  return before <= room;
}

int tuple_field_align(int code, int setting) {
  if (setting == kTupleAlignOff || code < 0 || code > kTypeCodeMax) return 1;
  // A double is the only value that asks for more than four bytes; it gets them only
  // under the eight-byte setting.
  const int most = setting == kTupleAlign8 ? 8 : 4;
  return std::clamp(req_align[code], 1, most);
}

}  // namespace qd

namespace {

// pos up to a multiple of a (at least 1; a host may write any alignment into req_align).
// Positions never pass the record's kRecordMax bytes (a field that would is refused before
// the next one is placed), so the arithmetic is that of int: one division instruction on
// every target, where a 64-bit one is a library call on 32-bit targets.
constexpr int64_t align_up(int64_t pos, int a) {
  const int p = static_cast<int>(pos);
  return (p + a - 1) / a * a;
}

// What step of a field failed, when it did.
struct FieldSize {
  int error;     // 0, or the error to record and return
  int64_t size;  // bytes the field takes when error is 0
};

// Bytes of a supplied value of code c; room is what the tuple has left, so a text is
// never measured past it (an unterminated text then simply does not fit).
FieldSize value_size(int c, const unsigned char* v, int64_t room) {
  switch (c) {
    case kNumeric:
      return {0, fix_stored_size(v[0] & 0x7f)};
    case kChar:
    case kVarchar:
    case kFileref: {
      const size_t limit = static_cast<size_t>(std::max<int64_t>(room, 0));
      const size_t len = strnlen(reinterpret_cast<const char*>(v), limit);
      return {0, static_cast<int64_t>(len) + 1};  // len == limit: one byte too many
    }
    case kDatetime:
    case kTimespan: {
      const uint32_t header = load<uint32_t>(v);
      const int low = range_low(header), high = range_high(header);
      if (low > high || high > kYy) return {QDE_DT_RANGE, 0};
      return {0, dt_stored_size(low, high, c == kDatetime ? kDtFieldBytes : kTsFieldBytes)};
    }
    case kBinchar:
      return {0, int64_t{load<uint32_t>(v)} + kByteStringHeader};
    case kBits:
      return {0, (int64_t{load<uint32_t>(v)} + 7) / 8 + kByteStringHeader};
    case kBits2:
      return {0, (int64_t{load<uint16_t>(v)} + 7) / 8 + kBits2Header};
    default:
      return {0, type_info(c).size};
  }
}

// Bytes of a template field of descriptor t: the descriptor's value size (a length or
// precision not given takes the type's largest size). A range that runs backwards or
// past the year describes no value.
FieldSize template_size(const attrtype& t) {
  attrtype copy = t;
  const int c = t.code;
  if ((c == kDatetime || c == kTimespan) && at_range_low(&t) != kRangeUnset &&
      (at_range_low(&t) > at_range_high(&t) || at_range_high(&t) > kYy)) {
    return {QDE_DT_RANGE, 0};
  }
  return {0, size_attrtype(&copy)};
}

// Whether a code has a stored form (money and the host-language codes have none).
bool storable(int c) {
  return (c >= kInteger && c <= kBits && c != kMoney && c != kNulltyp) || c == kFileref ||
         c == kVarchar || c == kBits2;
}

constexpr char kDemoHeader[] = "QUARENDEL: %s@%s(%ld)\n";

// The current datetime cast to a template's descriptor, into out (kDtLargest bytes);
// *size gets its length. 0, or the error of the clock or the cast, with this function's
// trace record added.
int current_datetime(const attrtype& t, unsigned char* out, int64_t* size) {
  unsigned char now[kDtLargest + 4];
  int rc = dt_current(now);
  qd_long written = 0;
  if (rc == 0) rc = value_adapt_type(kDatetime, now, &t, out, &written);
  if (rc != 0) {
    report<0, QDF_CONSTR_TUP>();
    return rc;
  }
  *size = written;
  return 0;
}

// A template value of descriptor t into dst (size bytes, already known to fit).
void write_template(const attrtype& t, unsigned char* dst, int64_t size) {
  const size_t n = static_cast<size_t>(size);
  switch (t.code) {
    case kInteger:
    case kSmallint:
    case kTinyint:
    case kBool:
    case kFloat:
    case kDouble:
      std::memset(dst, 0, n);  // 0 and 0.0 alike are all-zero bytes
      break;
    case kNumeric:
      std::memset(dst, 0, n);
      dst[0] = static_cast<unsigned char>(at_precision(&t));
      dst[1] = static_cast<unsigned char>(at_scale(&t));
      break;
    case kChar:
    case kVarchar:
    case kFileref:
      std::memset(dst, ' ', n - 1);
      dst[n - 1] = 0;
      break;
    case kTimespan:
      std::memset(dst, 0, n);
      dst[0] = static_cast<unsigned char>(at_range_low(&t) | at_range_high(&t) << 4);
      break;
    case kBinchar:
    case kBits:  // the count alone; the bytes are the caller's to fill
      store<int32_t>(dst, at_length(&t));
      break;
    case kBits2:
      store<int16_t>(dst, static_cast<int16_t>(at_length(&t)));
      break;
    default:  // blob: nothing
      break;
  }
}

bool field_is_null(void** values, const attrtype* types, int i) {
  return types[i].code == kNulltyp || (values && !values[i]);
}

int too_long() { return report<QDE_TUPLE_TOO_LONG, QDF_CONSTR_TUP>(); }

// Checking build: every supplied value well formed (the tuple's own check follows).
[[maybe_unused]] bool inputs_well_formed(int n, void** values, const attrtype* types) {
  if (!values || n < 0 || n > kTupleMaxFields) return true;
  for (int i = 0; i < n; ++i) {
    if (!field_is_null(values, types, i) && !value_well_formed(types[i].code, values[i])) {
      return false;
    }
  }
  return true;
}

// Checking build: the offsets are sound and each supplied value stands well formed at its
// offset.
[[maybe_unused]] void check_tuple(const unsigned char* buf, int n, void** values,
                                  const attrtype* types) {
  bool ok = valid_tuple(buf, n, kRecordMax);
  for (int i = 0; ok && values && i < n; ++i) {
    if (field_is_null(values, types, i)) continue;
    const int at = load<uint16_t>(buf + kTupleOffsetBytes * i);
    ok = value_well_formed(types[i].code, buf + at);
  }
  if (!ok) {
    output_check_failed("constr_tup", "tuple", buf,
                        valid_tuple(buf, n, kRecordMax)
                            ? load<uint16_t>(buf + kTupleOffsetBytes * n)
                            : static_cast<size_t>(kTupleOffsetBytes) * (n + 1));
  }
}

}  // namespace

QD_EXTERN_C QD_API int constr_tup(int n, void** values, attrtype* types, void* buf) {
  QD_INPUTS_OK(inputs_well_formed(n, values, types));
  if (n < 0 || n > kTupleMaxFields) return too_long();
  unsigned char* const out = static_cast<unsigned char*>(buf);
  const int setting = qdxglob_val.tuple_align;
  int64_t pos = kTupleOffsetBytes * (int64_t{n} + 1);
  if (setting != kTupleAlignOff) {
    // Filler words up to the first aligned position; a field that needs no alignment
    // starts right after the table all the same.
    const int64_t end = align_up(pos, setting == kTupleAlign8 ? 8 : 4);
    for (int64_t at = pos; at < end; at += kTupleOffsetBytes) {
      store<uint16_t>(out + at, static_cast<uint16_t>(n));
    }
  }
  int largest = 2;
  bool any_null = false;
  for (int i = 0; i < n; ++i) {
    const int c = types[i].code;
    if (c >= 0 && c <= kTypeCodeMax) largest = std::max(largest, req_align[c]);
    if (field_is_null(values, types, i)) {
      any_null = true;
      store<uint16_t>(out + kTupleOffsetBytes * i, static_cast<uint16_t>(pos));
      continue;
    }
    if (c < kInteger || c > kTypeCodeMax) {
      return report<QDE_TYPE_NOT_STORABLE, QDF_CONSTR_TUP>(c);
    }
    pos = align_up(pos, tuple_field_align(c, setting));
    const int64_t room = kRecordMax - pos;
    const unsigned char* v = values ? static_cast<const unsigned char*>(values[i]) : nullptr;
    FieldSize f = v ? value_size(c, v, room) : template_size(types[i]);
    if (f.error == QDE_DT_RANGE) {
      const int low = v ? range_low(v[0]) : at_range_low(&types[i]);
      const int high = v ? range_high(v[0]) : at_range_high(&types[i]);
      return report<QDE_DT_RANGE, QDF_CONSTR_TUP>(low, high);
    }
    if (f.error != 0) return report<QDE_TYPE_NOT_STORABLE, QDF_CONSTR_TUP>(c);
    if (f.size > room) return too_long();
    if (!storable(c)) return report<QDE_TYPE_NOT_STORABLE, QDF_CONSTR_TUP>(c);
    unsigned char* dst = out + pos;
    if (v) {
      std::memcpy(dst, v, static_cast<size_t>(f.size));
    } else if (c == kDatetime) {
      // The field takes what the cast gives (a descriptor without a range takes the
      // current datetime's own range).
      unsigned char now[kDtLargest + 4] = {};  // the cast leaves the spare bytes alone
      if (int rc = current_datetime(types[i], now, &f.size)) return rc;
      if (f.size > room) return too_long();
      std::memcpy(dst, now, static_cast<size_t>(f.size));
    } else {
      write_template(types[i], dst, f.size);
    }
    store<uint16_t>(out + kTupleOffsetBytes * i, static_cast<uint16_t>(pos));
    pos += f.size;
  }
  if (n == 0) largest = 8;
  if (setting != kTupleAlignOff && largest > 1) {
    pos = align_up(pos, largest > 4 && setting != kTupleAlign8 ? 4 : largest);
    if (pos > kRecordMax) return too_long();
  }
  store<uint16_t>(out + kTupleOffsetBytes * n, static_cast<uint16_t>(pos));
  if (setting != kTupleAlignOff && any_null) {
    // Alignment filler must never make a null field look non-empty.
    for (int i = n - 1; i >= 0; --i) {
      if (field_is_null(values, types, i)) {
        store<uint16_t>(out + kTupleOffsetBytes * i,
                        load<uint16_t>(out + kTupleOffsetBytes * (i + 1)));
      }
    }
  }
#ifdef QD_CHECK_OUTPUTS
  if (qd_inputs_ok_) check_tuple(out, n, values, types);
#endif
  return 0;
}

QD_EXTERN_C QD_API int bb_constr_tup(int n, void** values, short* codes, void* buf) {
  if (n > QD_TUPLE_CODES_MAX) return report<QDE_TUPLE_TOO_LONG, QDF_BB_CONSTR_TUP>();
  attrtype rough[QD_TUPLE_CODES_MAX] = {};
  for (int i = 0; i < n; ++i) mk_rough_attrtype(codes[i], &rough[i]);
  return constr_tup(n, values, rough, buf);
}

// ---- Merge lists --------------------------------------------------------------------------

namespace qd {

int merge_entry_cmp(const unsigned char* a, const unsigned char* b) {
  auto order = [](auto x, auto y) { return x < y ? -1 : x > y ? 1 : 0; };
  if (int r = order(load<int32_t>(a + 16), load<int32_t>(b + 16))) return r;
  if (int r = order(load<int32_t>(a + 20), load<int32_t>(b + 20))) return r;
  if (int r = order(static_cast<int8_t>(a[4]), static_cast<int8_t>(b[4]))) return r;
  if (int r = order(static_cast<int8_t>(a[5]), static_cast<int8_t>(b[5]))) return r;
  if (int r = std::memcmp(a, b, 4)) return r < 0 ? -1 : 1;
  if (static_cast<int8_t>(a[4]) > 4) {
    if (int r = std::memcmp(a + 6, b + 6, 6)) return r < 0 ? -1 : 1;
  }
  return 0;
}

}  // namespace qd

QD_EXTERN_C QD_API int mdb_merge(qd_merge_list* dst, qd_merge_list* src) {
  if (dst->count == 0) {
    std::memmove(dst, src, sizeof *dst);
    return 0;
  }
  if (src->count == 0) return 0;
  // Equal entries are all kept, so the merged count is known before the merge.
  if (uint64_t{dst->count} + src->count > QD_MERGE_ENTRIES) {
    return merror<QDE_MERGE_LIST_FULL>();
  }
  qd_merge_list merged;
  uint32_t a = 0, b = 0, k = 0;
  while (a < dst->count && b < src->count) {
    const bool take_src = merge_entry_cmp(src->entry[b], dst->entry[a]) < 0;
    std::memcpy(merged.entry[k++], take_src ? src->entry[b++] : dst->entry[a++],
                QD_MERGE_ENTRY_SIZE);
  }
  while (a < dst->count) std::memcpy(merged.entry[k++], dst->entry[a++], QD_MERGE_ENTRY_SIZE);
  while (b < src->count) std::memcpy(merged.entry[k++], src->entry[b++], QD_MERGE_ENTRY_SIZE);
  dst->count = k;
  std::memcpy(dst->entry, merged.entry, size_t{k} * QD_MERGE_ENTRY_SIZE);
  return 0;
}

// ---- Record numbers ---------------------------------------------------------------------

QD_EXTERN_C QD_API int build_cvi(void* src, void* dst) {
  if (!src || !dst) return 0;
  auto* target = static_cast<unsigned char*>(dst);
  store<int16_t>(target + offsetof(qd_cvi_target, word), 0);
  const auto* source = static_cast<const unsigned char*>(src);
  const int count = load<int16_t>(source + offsetof(qd_cvi_source, count));
  const auto* records = static_cast<const unsigned char*>(
      load<const void*>(source + offsetof(qd_cvi_source, records)));
  auto* numbers =
      static_cast<unsigned char*>(load<void*>(target + offsetof(qd_cvi_target, numbers)));
  if (count < 1 || !records || !numbers) return 0;
  for (int k = 0; k < count; ++k) {
    const unsigned char* record = records + static_cast<size_t>(k) * QD_CVI_RECORD_SIZE;
    std::memcpy(numbers + 2 * static_cast<size_t>(k), record + 1, 2);
  }
  return count;
}

// ---- Demonstration line -----------------------------------------------------------------

QD_EXTERN_C QD_API int demo_type(const char* format, ...) {
  if (qdxglob_val.demo_switch == 0) return 0;
  char name1[sizeof qdxglob_val.header_name1 + 1];
  char name2[sizeof qdxglob_val.header_name2 + 1];
  // The name fields are the host's: read them bounded, as they may lack their zero.
  std::memcpy(name1, qdxglob_val.header_name1, sizeof qdxglob_val.header_name1);
  std::memcpy(name2, qdxglob_val.header_name2, sizeof qdxglob_val.header_name2);
  name1[sizeof name1 - 1] = name2[sizeof name2 - 1] = 0;
  const Arg head[] = {make_arg(static_cast<const char*>(name1)),
                      make_arg(static_cast<const char*>(name2)),
                      make_arg(static_cast<int32_t>(plat::process_id()))};
  PackSource head_values(head, 3);
  channel_write(kDemoHeader, head_values);
  va_list ap;
  va_start(ap, format);
  {
    VaSource values(ap);
    channel_write(format, values);
  }
  va_end(ap);
  return 0;
}
