// types_internal.h: what the type-system core shares inside the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qdtype32/qdattr.h"
#include "base/byteio.h"
#include "base/dtfields.h"
#include "base/outcheck.h"

namespace qd {

// ---- Type descriptors ------------------------------------------------------------------

enum TypeCode : int16_t {
  kTypeNone = 0,
  kInteger = 1,
  kDouble = 2,
  kNumeric = 3,
  kChar = 4,
  kTinyint = 5,
  kSmallint = 6,
  kFloat = 7,
  kDatetime = 8,
  kTimespan = 9,
  kMoney = 10,
  kBool = 11,
  kBinchar = 12,
  kBlob = 13,
  kBits = 14,
  kNulltyp = 15,
  kCInt = 16,
  kCUChar = 17,
  kCUShort = 18,
  kCUInt = 19,
  kCULong = 20,
  kCChar = 21,
  kCShort = 22,
  kCLong = 23,
  kCFloat = 24,
  kCDouble = 25,
  kFileref = 28,
  kVarchar = 29,
  kBits2 = 30,
};
constexpr int kTypeCodeMax = 30;
constexpr int kBlobSize = 20;  // a stored blob reference: five 32-bit words
constexpr int kRangeUnset = 8;  // end code of a datetime/timespan descriptor without range

struct TypeInfo {
  const char* name;
  int32_t size;
  int32_t align;
  int16_t rank;
  int32_t text_space;
};
// Row of the per-code table; codes outside 0..30 read row 0.
const TypeInfo& type_info(int code);

// Parameter readings of a descriptor.
inline int at_precision(const attrtype* t) { return static_cast<int8_t>(t->param[0]); }
inline int at_scale(const attrtype* t) { return static_cast<int8_t>(t->param[1]); }
inline int at_length(const attrtype* t) { return load<int16_t>(t->param); }
inline int at_range_low(const attrtype* t) { return t->param[0]; }
inline int at_range_high(const attrtype* t) { return t->param[1]; }
inline void at_set_length(attrtype* t, int len) {
  store<int16_t>(t->param, static_cast<int16_t>(len));
}
inline void at_set_decimal(attrtype* t, int precision, int scale) {
  t->param[0] = static_cast<uint8_t>(precision);
  t->param[1] = static_cast<uint8_t>(scale);
}
inline void at_set_range(attrtype* t, int low, int high) {
  t->param[0] = static_cast<uint8_t>(low);
  t->param[1] = static_cast<uint8_t>(high);
}
// Codes whose parameters are one 16-bit length.
inline bool has_length_param(int code) {
  return code == kChar || code == kBinchar || code == kBits || code == kVarchar || code == kBits2;
}

// ---- Compatibility --------------------------------------------------------------------

enum class TypeFamily { kNone, kNumber, kString };
TypeFamily type_family(int code);
// The code two operands combine to: 0 when they do not go together.
int common_type_code(int a, int b);

enum class TimespanClass { kDayTime, kYearMonth, kMixed };
// The class of a timespan range given by its end (low) and start (high) codes.
TimespanClass timespan_class(int low, int high);

// Datetime field ("range") names of base/dtfields.h: codes 0 ms .. 6 yy, 7 weekday.
const char* range_name(int code);  // "??" outside 0..7
int range_code(const char* text);  // first two characters, exact case; -1 when none

// Whether bytes are a well-formed descriptor: a known type code with parameters of its
// kind (a precision and a length not below 0, no range or one the type can hold).
// At most room bytes are read; *bytes gets the six bytes (at most room).
bool valid_descriptor(const void* v, size_t room, size_t* bytes = nullptr);
// At an export's return, in the checking build: the descriptor t is checked (when not
// null), provided the export's QD_INPUTS_OK held.
#define QD_ATTR_PTR(t)                                                                  \
  ::qd::checked_pointer(__func__, "descriptor", ::qd::valid_descriptor, qd_inputs_ok_, (t), \
                        sizeof(attrtype))

}  // namespace qd
