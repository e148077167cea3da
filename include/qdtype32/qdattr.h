/** @file qdattr.h
    The type descriptor attrtype and its functions: text forms, sizes, the rough and
    fine forms, and the compatibility rules of types.

    None of these functions records an error: a failure shows in its result (code -1
    for an unknown type name, 0 for incompatible types). */
#ifndef QDTYPE32_QDATTR_H
#define QDTYPE32_QDATTR_H

#include "qdapi.h"

/** The type descriptor of a value: six bytes; arrays of descriptors have a stride of
    six. A length or precision of 0 makes the rough descriptor of its type (char(*),
    numeric(*,*)). */
typedef struct attrtype {
  int16_t code;     /**< the type code: 1 integer to 30 bits2 (16 to 25 host variables) */
  uint8_t param[2]; /**< precision and scale (numeric), a 16-bit little-endian length
                         (char, varchar, binchar, bits, bits2) or the range end (low)
                         and start (high) field codes (datetime, timespan; end 8: no
                         range) */
  uint8_t flag;     /**< the host's; set to 0 when a descriptor is built here */
  uint8_t spare;    /**< not used */
} attrtype;

#ifdef __cplusplus
static_assert(sizeof(attrtype) == 6, "attrtype is six bytes");
static_assert(offsetof(attrtype, param) == 2, "parameters at byte 2");
static_assert(offsetof(attrtype, flag) == 4, "flag at byte 4");
static_assert(offsetof(attrtype, spare) == 5, "spare at byte 5");
#endif

QD_BEGIN_DECLS

/** Byte alignment a value of each type code (0 to 30) needs in a tuple. */
QD_API extern int32_t req_align[31];

/** The rank of a type code within its family, which decides the common type of two
    types (the higher rank wins): tinyint 1, smallint 2, integer 3, numeric 4, float 5,
    double 6; char 1, varchar 2, fileref 3, binchar 4, bits2 5, bits 6.
    @return the rank; 0 for bool, the host-variable codes and codes without a family. */
QD_API int hierarch(int code);
/** Whether code names a type a value may have: 1 for codes 1 to 15 and 28 to 30,
    else 0. */
QD_API int is_valid_type(int code);
/** Whether t is a fine descriptor: 1 for numeric, datetime and timespan, and for char,
    binchar, varchar, bits and bits2 with a length above 0; else 0. */
QD_API int is_fine_type(attrtype* t);
/** Whether every value of t has the same size: 0 for varchar, numeric and the rough
    (length 0) char, binchar, bits, bits2, and for fileref; else 1. */
QD_API int fix_size_attrtype(attrtype* t);
/** Whether two descriptors name the same type: 1 when the codes are equal and so are
    both parameter bytes (numeric, datetime, timespan) or the lengths (char, binchar,
    varchar, bits, bits2); other parameters are not compared. Else 0. */
QD_API int at_equal(attrtype* a, attrtype* b);
/** Writes the rough descriptor of code into *t: the code, flag 0, and length 0
    (char, binchar, fileref, varchar, bits, bits2), precision 0 (numeric; the scale
    byte stays) or range end 8 (datetime, timespan; the start byte stays). */
QD_API void mk_rough_attrtype(short code, attrtype* t);
/** Writes the text form of the rough descriptor of code, such as numeric(*,*) or
    char(*), into buf (text forms need at most 32 bytes).
    @return buf. */
QD_API char* name_rough_type(int code, char* buf);
/** Writes the text form of *t into buf (at most 32 bytes): the type's name (its first
    three letters when full is 0, bits2 always whole) and its parameters, such as
    numeric(10,2), char(*) or datetime[yy:ms]. A code outside 0 to 30 is written "???".
    @return buf. */
QD_API char* attr_to_txt(attrtype* t, int full, char* buf);
/** Reads a text form (as attr_to_txt() writes it with full set, names in any case;
    "string" is char(*)) into *t, flag 0. A text that begins with no type name gives
    code -1; nothing is recorded.
    @return t. */
QD_API attrtype* txt_to_attr(char* text, attrtype* t);
/** Writes the fine descriptor of the stored value of type code into *t: precision and
    scale of a fix value, the length of a char or varchar text, the range of a datetime
    or timespan, the count of a binchar, bits or bits2 (its low 16 bits).
    @return t. */
QD_API attrtype* get_attrtype(void* value, int code, attrtype* t);
/** The size in bytes of a value of type t (the largest for a varying type).
    @return the size. */
QD_API int size_attrtype(attrtype* t);
/** The bytes to reserve for a value of type t, rounded up to a multiple of 4; a rough
    char receiving a cast from source_code (not 0) gets the text space of that type.
    Lengths of varchar count six bytes a character while qdxglob_val.charlen_switch is on.
    @return the size. */
QD_API int value_fine_space(int source_code, attrtype* t);
/** value_fine_space(0, t).
    @return the size. */
QD_API int value_rough_space(attrtype* t);
/** The largest size of a decimal literal.
    @return 100. */
QD_API int maxsize_fix_literal(void);
/** Classifies an integer literal by the smallest type that holds it, storing its value
    in *value when it fits 32 bits and the first character after the digits and the
    white space after them in *end (when end is not null).
    @return the type code: 5 tinyint, 6 smallint, 1 integer, 3 numeric (more than 10
    digits or beyond 32 bits), 7 float (more than 30 digits), or 0 when text holds no
    digits (value 0). */
QD_API int atonumber(char* text, qd_long* value, char** end);
/** Whether x survives a narrowing to a 32-bit float.
    @return 7 (float) when x is 0 or its magnitude lies within the normal range of a
    float, else 2 (double). */
QD_API int float_control(double x);

/** Whether values of a and b combine (in comparisons and operations): 1 when they
    have a common type, else 0. */
QD_API int types_compatible(attrtype* a, attrtype* b);
/** Whether a value of from's type may be cast to to's type; only the codes are
    looked at. 1 or 0. */
QD_API int castable_from_to(attrtype* from, attrtype* to);
/** Writes into *result the exact type of a value that combines a and b: the common
    type, with the digits, scale, length or range that holds both (code 0 when they
    are incompatible; nothing is recorded).
    @return result. */
QD_API attrtype* fine_result_typ(attrtype* a, attrtype* b, attrtype* result);
/** The natural precision of an integer type, the decimal digits it needs when it
    meets a decimal: 10 integer, 5 smallint, 3 tinyint.
    @return the precision; 0 for every other code. */
QD_API int prec_nat(int code);

QD_END_DECLS

#endif
