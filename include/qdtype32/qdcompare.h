/** @file qdcompare.h
    Comparison of values, sort routines, tuple and blob ordering, case-free text order,
    and the value helpers that work over every type code.

    Results are negative when the first operand sorts first, 0 when equal, positive
    otherwise. None of these functions records an error. */
#ifndef QDTYPE32_QDCOMPARE_H
#define QDTYPE32_QDCOMPARE_H

#include "qdapi.h"
#include "qdattr.h"

/** A two-value comparison for sorting: negative, 0 or positive. */
typedef int (*qd_cmp_fn)(void* a, void* b);
/** The host's blob content comparison: may change *result, which holds the order
    the references alone gave. */
typedef void (*qd_blob_content_cmp)(void* blob_a, void* blob_b, int* result);

QD_BEGIN_DECLS

/** Weights of the 256 byte values for ordered text comparison; filled by the host.
    Until then every byte weighs its own value. */
QD_API extern unsigned char qd_sort_order[256];

/** Compares two values of one type or of compatible types (mixed numbers through a
    common form, texts, byte and bit strings with blank or zero extension).

    A null pointer is the SQL null. len_a and len_b limit char, varchar and fileref
    operands to that many bytes; 0x7fffffff means up to the terminating zero.
    @return -1, 0 or 1; against a null -2 (a is null) or 2 (b is null), -3 or 3 when
    the null's code is nulltyp; for two nulls -4, or 0 when either code is nulltyp. */
QD_API int compare(void* a, int code_a, void* b, int code_b, int len_a, int len_b);
/** The comparison routine for values of one type code; for char, varchar and fileref
    it weighs bytes through qd_sort_order when use_sort_order is non-zero.
    @return the routine, or null for a code without one. */
QD_API qd_cmp_fn comp_func(int code, int use_sort_order);
/** Orders two 20-byte blob references: their first numbers, then their segment ids,
    then, when a content comparison is installed (set_blob_content_cmp()), what that
    routine decides, else their third and fourth numbers.
    @return -1, 0 or 1, or what the content comparison left. */
QD_API int blob_cmp(void* a, void* b);
/** Orders two six-byte segment ids: their 32-bit numbers, bit 0 of their flags, then
    their last bytes.
    @return -1 or 1, or the difference of the last bytes. */
QD_API int segid_cmp(void* a, void* b);
/** Installs the host's blob content comparison for blob_cmp() when the setting
    BLOBCOMPARE (read once per process) is on.
    @return routine when it was installed, else null. */
QD_API qd_blob_content_cmp set_blob_content_cmp(qd_blob_content_cmp routine);
/** Compares two tuples on a key list: keys_a holds a count and, per key, the field
    index and type code in tuple_a; keys_b the same for tuple_b. A null sorts before
    any value. *flag (when flag is not null) ends 0 when a null took part without a
    value difference ending the walk, else 1.
    @return 0 when the tuples agree on every key, else the signed one-based position of
    the key that decided (negative: tuple_a first). */
QD_API int ipr_tuplecmp(void* tuple_a, void* tuple_b, short* keys_a, short* keys_b, char* flag);
/** Whether two 14-byte address records are equal.
    @return 0 when equal, 1 when not. */
QD_API int addrcmp(void* a, void* b);
/** Whether two extended address records (an address record and three 32-bit words
    from the record's fifth word on) are equal.
    @return 0 when equal, 1 when not. */
QD_API int mtacmp(void* a, void* b);
/** Compares two texts with ASCII letters folded to upper case (bytes of 128 and above
    compare as they are).
    @return the difference of the first differing (folded) bytes, 0 when equal. */
QD_API int ic_strcmp(char* a, char* b);
/** As ic_strcmp(), over at most n characters.
    @return the difference of the first differing (folded) bytes; 0 for n 0. */
QD_API int ic_strncmp(char* a, char* b, int n);
/** Compares a text b with a reference form a (usually upper case): a lower-case ASCII
    letter of b matches its upper-case form in a.
    @return 0 when they match, else a signed difference at the first mismatch. */
QD_API int uplowstrcmp(char* a, char* b);
/** The number of characters of a text in the database encoding
    qdxglob_val.db_encoding (one, two or four bytes a character, or as the multi-byte
    encodings count them). The count ends at a character whose first byte is zero, so
    in the two- and four-byte encodings a zero byte inside a character does not end it:
    the caller's text must end with a character that starts with a zero byte (a text of
    whole characters followed by a zero character), else the count reads on past it.
    @return the count of characters. */
QD_API int qdmb_strlen(char* text);
/** The address of qd_sort_order.
    @return qd_sort_order. */
QD_API unsigned char* give_sortorder(void);

/** Whether a stored value fits the parameters of t (for char, the length exactly).
    @return 1 or 0. */
QD_API int val_matches_type(void* value, attrtype* t);
/** The bytes a stored value of type code occupies (money measured like numeric; a
    text without its terminating zero; a byte or bit string with its count).
    @return the size; 0 for a code without stored values. */
QD_API int value_len(void* value, int code);
/** Copies a stored value of type code from src to dst (a text with its terminating
    zero); nothing for a code without stored values. */
QD_API void copy_value(void* dst, void* src, int code);

QD_END_DECLS

#endif
