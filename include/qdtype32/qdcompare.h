/* qdcompare.h: comparison of values, sort routines, tuple and blob ordering, case-free
   text order, and the value helpers that work over every type code. */
#ifndef QDTYPE32_QDCOMPARE_H
#define QDTYPE32_QDCOMPARE_H

#include "qdapi.h"
#include "qdattr.h"

/* A two-value comparison for sorting: negative, 0 or positive. */
typedef int (*qd_cmp_fn)(void* a, void* b);
/* The host's blob content comparison: may change *result. */
typedef void (*qd_blob_content_cmp)(void* blob_a, void* blob_b, int* result);

QD_BEGIN_DECLS

/* Weights of the 256 byte values for ordered text comparison; filled by the host.
   Until then every byte weighs its own value. */
QD_API extern unsigned char qd_sort_order[256];

/* Compares two values of one type or of compatible types. A null pointer is the SQL
   null: -2/2 against a value (-3/3 when the null's code is nulltyp), -4 for two nulls
   (0 when either code is nulltyp). len_a/len_b limit char, varchar and fileref
   operands; 0x7fffffff means up to the terminating zero. Otherwise -1, 0 or 1. */
QD_API int compare(void* a, int code_a, void* b, int code_b, int len_a, int len_b);
/* The comparison routine for values of one type code, or null. */
QD_API qd_cmp_fn comp_func(int code, int use_sort_order);
QD_API int blob_cmp(void* a, void* b);
QD_API int segid_cmp(void* a, void* b);
/* Installs the host's blob content comparison when the setting BLOBCOMPARE is on. */
QD_API qd_blob_content_cmp set_blob_content_cmp(qd_blob_content_cmp routine);
/* Compares two tuples on a key list; 0 or the signed one-based position of the key
   that decided. *flag (when given) ends 0 when a null took part without a value
   difference ending the walk. */
QD_API int ipr_tuplecmp(void* tuple_a, void* tuple_b, short* keys_a, short* keys_b, char* flag);
QD_API int addrcmp(void* a, void* b);
QD_API int mtacmp(void* a, void* b);
QD_API int ic_strcmp(char* a, char* b);
QD_API int ic_strncmp(char* a, char* b, int n);
QD_API int uplowstrcmp(char* a, char* b);
QD_API int qdmb_strlen(char* text);
QD_API unsigned char* give_sortorder(void);

/* Whether a value fits the parameters of a type; its size in bytes; a copy of it. */
QD_API int val_matches_type(void* value, attrtype* t);
QD_API int value_len(void* value, int code);
QD_API void copy_value(void* dst, void* src, int code);

QD_END_DECLS

#endif
