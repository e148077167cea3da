/* qdattr.h: the type descriptor attrtype and its functions. */
#ifndef QDTYPE32_QDATTR_H
#define QDTYPE32_QDATTR_H

#include "qdapi.h"

/* Six bytes; arrays of descriptors have a stride of six. The parameter bytes hold
   precision and scale (numeric), a 16-bit little-endian length (char, varchar,
   binchar, bits, bits2) or the range end and start codes (datetime, timespan). */
typedef struct attrtype {
  int16_t code;
  uint8_t param[2];
  uint8_t flag; /* the host's; set to 0 when a descriptor is built here */
  uint8_t spare;
} attrtype;

#ifdef __cplusplus
static_assert(sizeof(attrtype) == 6, "attrtype is six bytes");
static_assert(offsetof(attrtype, param) == 2, "parameters at byte 2");
static_assert(offsetof(attrtype, flag) == 4, "flag at byte 4");
static_assert(offsetof(attrtype, spare) == 5, "spare at byte 5");
#endif

QD_BEGIN_DECLS

/* Byte alignment a value of each type code needs in a tuple (31 entries). */
QD_API extern int32_t req_align[31];

QD_API int hierarch(int code);
QD_API int is_valid_type(int code);
QD_API int is_fine_type(attrtype* t);
QD_API int fix_size_attrtype(attrtype* t);
QD_API int at_equal(attrtype* a, attrtype* b);
QD_API void mk_rough_attrtype(short code, attrtype* t);
/* Text forms need at most 32 bytes. */
QD_API char* name_rough_type(int code, char* buf);
QD_API char* attr_to_txt(attrtype* t, int full, char* buf);
QD_API attrtype* txt_to_attr(char* text, attrtype* t);
QD_API attrtype* get_attrtype(void* value, int code, attrtype* t);
QD_API int size_attrtype(attrtype* t);
QD_API int value_fine_space(int source_code, attrtype* t);
QD_API int value_rough_space(attrtype* t);
QD_API int maxsize_fix_literal(void);
QD_API int atonumber(char* text, qd_long* value, char** end);
QD_API int float_control(double x);

/* Compatibility: whether two types combine, whether a cast is allowed (codes only),
   the exact type a combination yields (code 0 when incompatible), and the natural
   precision of the integer types. */
QD_API int types_compatible(attrtype* a, attrtype* b);
QD_API int castable_from_to(attrtype* from, attrtype* to);
QD_API attrtype* fine_result_typ(attrtype* a, attrtype* b, attrtype* result);
QD_API int prec_nat(int code);

QD_END_DECLS

#endif
