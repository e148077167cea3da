// valueuti.cpp: values of any type code: whether a value fits a type, its size, a copy.
#include <cstring>

#include "qdtype32/qdbits.h"
#include "qdtype32/qdbytes.h"
#include "qdtype32/qdcompare.h"
#include "qdtype32/qddt.h"
#include "qdtype32/qdfix.h"
#include "base/limits.h"
#include "types/types_internal.h"

using namespace qd;

// ---- Values of any type ---------------------------------------------------------------

QD_EXTERN_C QD_API int val_matches_type(void* value, attrtype* t) {
  if (!value || t->code < kNumeric || t->code > kBits2) return 1;
  const unsigned char* v = static_cast<const unsigned char*>(value);
  switch (t->code) {
    case kNumeric:
      if (at_precision(t) == 0) return 1;
      return getscale(v) == at_scale(t) && size_compatible(v, t);
    case kChar:
    case kVarchar:
      return at_length(t) == 0 ||
             std::strlen(reinterpret_cast<const char*>(v)) == static_cast<size_t>(at_length(t));
    case kDatetime:
    case kTimespan:
      return at_range_low(t) == kRangeUnset ||
             (range_low(v[0]) == at_range_low(t) && range_high(v[0]) == at_range_high(t));
    case kBinchar:
    case kBits:
      return at_length(t) == 0 || load<int32_t>(v) == at_length(t);
    case kBits2:
      return at_length(t) == 0 || load<uint16_t>(v) == at_length(t);
    default:
      return 1;
  }
}

QD_EXTERN_C QD_API int value_len(void* value, int code) {
  const unsigned char* v = static_cast<const unsigned char*>(value);
  switch (code) {
    case kTinyint:
    case kBool:
      return 1;
    case kSmallint:
      return 2;
    case kInteger:
    case kFloat:
      return 4;
    case kDouble:
      return 8;
    case kNumeric:
    case kMoney:  // a decimal as well: measured like numeric
      return fixsize(v);
    case kChar:
    case kFileref:
    case kVarchar:
      return static_cast<int>(std::strlen(reinterpret_cast<const char*>(v)));
    case kDatetime:
      return dt_size(v);
    case kTimespan:
      return ts_size(v);
    case kBinchar:
      return load<int32_t>(v) + kByteStringHeader;
    case kBits:
      return static_cast<int>((load<uint32_t>(v) + 7) / 8) + kByteStringHeader;
    case kBits2:
      return (load<uint16_t>(v) + 7) / 8 + kBits2Header;
    case kBlob:
      return kBlobSize;
    default:
      return 0;
  }
}

QD_EXTERN_C QD_API void copy_value(void* dst, void* src, int code) {
  switch (code) {
    case kTinyint:
    case kBool:
    case kSmallint:
    case kInteger:
    case kFloat:
    case kDouble:
    case kBlob:
      std::memmove(dst, src, static_cast<size_t>(value_len(src, code)));
      break;
    case kNumeric:
    case kMoney:
      fixcopy(static_cast<const qd_fix*>(src), static_cast<qd_fix*>(dst));
      break;
    case kChar:
    case kFileref:
    case kVarchar:
      std::memmove(dst, src, std::strlen(static_cast<const char*>(src)) + 1);
      break;
    case kDatetime:
      dt_copy(dst, src);
      break;
    case kTimespan:
      ts_copy(dst, src);
      break;
    case kBinchar:
      binchar_copy(dst, src);
      break;
    case kBits:
      bit_copy(dst, src);
      break;
    case kBits2:
      bits2_copy(dst, src);
      break;
    default:
      break;
  }
}
