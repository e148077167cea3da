/** @file qdtuple.h
   Stored rows (tuples), and the small record services kept beside them: the merge of two
   sorted 64-entry lists, the collection of one number from each of a list of records,
   and the product's demonstration trace line. */
#ifndef QDTYPE32_QDTUPLE_H
#define QDTYPE32_QDTUPLE_H

#include "qdapi.h"
#include "qdattr.h"

/** Most bytes a tuple takes, its offset table included. */
#define QD_TUPLE_MAX 32672
/** Most fields bb_constr_tup accepts. */
#define QD_TUPLE_CODES_MAX 256
/** Entries a merge list holds. */
#define QD_MERGE_ENTRIES 64
/** Bytes of one merge list entry. */
#define QD_MERGE_ENTRY_SIZE 24
/** Bytes of one record of a build_cvi source list. */
#define QD_CVI_RECORD_SIZE 137

#pragma pack(push, 1)

/** A sorted list for mdb_merge: a count, then room for 64 entries of 24 bytes (1540 bytes).
    Entries sort by the signed 32-bit number at byte 16, then the one at byte 20, the
    signed bytes 4 and 5, the unsigned bytes 0 to 3, and, when byte 4 is above 4, the
    unsigned bytes 6 to 11; bytes 12 to 15, 22 and 23 take no part. */
typedef struct qd_merge_list {
  uint32_t count;                                             /**< entries in use */
  unsigned char entry[QD_MERGE_ENTRIES][QD_MERGE_ENTRY_SIZE]; /**< the entries, in order */
} qd_merge_list;

/** The source of build_cvi: a record count at byte 10 and, at byte 14, the address of the
    records (137 bytes each). On 32-bit targets the address takes bytes 14 to 17; 64-bit
    targets keep the position with an 8-byte address. Other bytes are the host's. */
typedef struct qd_cvi_source {
  unsigned char host_0[10];  /**< the host's */
  int16_t count;             /**< records in the list */
  unsigned char host_12[2];  /**< the host's */
  const void* records;       /**< the first record */
} qd_cvi_source;

/** The destination of build_cvi: a 16-bit word at byte 0 and, at byte 2, the address of
    the array that receives one 16-bit number a record (a native-width address on 64-bit
    targets, at the same position). */
typedef struct qd_cvi_target {
  int16_t word;     /**< set to 0 */
  int16_t* numbers; /**< receives one number a record */
} qd_cvi_target;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(qd_merge_list) == 1540, "merge list is 1540 bytes");
static_assert(offsetof(qd_cvi_source, count) == 10, "record count at byte 10");
static_assert(offsetof(qd_cvi_source, records) == 14, "records at byte 14");
static_assert(offsetof(qd_cvi_target, numbers) == 2, "numbers at byte 2");
#endif

QD_BEGIN_DECLS

/** Builds a tuple of n fields in buf: n + 1 unsigned 16-bit offsets (offset i is where
    field i starts, offset n the tuple's length), filler words holding n when the
    alignment setting qdxglob_val.tuple_align is on (0 off, 8 up to eight-byte alignment,
    any other value up to four-byte), then each field's value at its offset. A field is
    null (no bytes, its offset equal to the next one) when its type code is nulltyp (15)
    or when values is given and values[i] is null. With values null the tuple is a
    template: numbers are 0, texts the descriptor's length in blanks, numeric a zero of
    the descriptor's precision and scale, datetime the current datetime cast to the
    descriptor (all of it, 20 bytes, when the descriptor gives no range), timespan a zero
    of its range, binchar, bits and bits2 their count (their bytes are not written), blob
    nothing.
    buf must hold QD_TUPLE_MAX bytes; nothing is written past the tuple's length, nor
    past QD_TUPLE_MAX.
    A template field takes the size that size_attrtype gives its descriptor, so a text,
    binchar or bits column without a length makes the row too long.
    @return 0, or the recorded error: 15 when the tuple would pass QD_TUPLE_MAX bytes (or
    n is negative), 30 for a type code without a stored form (money, the host-language
    codes 16 to 27, codes outside 1 to 30), 21002 for a datetime or timespan whose range
    runs backwards or past the year (a template's descriptor or a value's header), or the
    error of the current datetime or of the cast into a template datetime field. After an
    error buf holds a partial tuple that must not be used. */
QD_API int constr_tup(int n, void** values, attrtype* types, void* buf);

/** As constr_tup, from bare type codes: each field's descriptor is the rough descriptor
    of its code (mk_rough_attrtype). At most QD_TUPLE_CODES_MAX fields: more are refused
    with error 15, recorded, before anything is written.
    @return what constr_tup() returns, or 15. */
QD_API int bb_constr_tup(int n, void** values, short* codes, void* buf);

/** Merges the sorted list src into the sorted list dst. An empty dst receives the whole
    of src (count and all 64 entry places); an empty src changes nothing. Otherwise the
    entries of both are merged in order, an entry of dst before an equal one of src, all
    kept.
    @return 0, or 11031 (recorded through _merror(), so not after no_merror()) when the
    merged list would hold more than 64 entries; dst is then unchanged. */
QD_API int mdb_merge(qd_merge_list* dst, qd_merge_list* src);

/** Collects the 16-bit number at byte 1 of each record of src (a qd_cvi_source) into
    element k of the array of dst (a qd_cvi_target), and sets dst's word to 0. Nothing is
    recorded.
    @return the record count; 0, collecting nothing, when the count is below 1 or an
    address (src, dst, the records, the array) is null. */
QD_API int build_cvi(void* src, void* dst);

/** When qdxglob_val.demo_switch is non-zero, writes two lines to the trace channel (as
    type does): "QUARENDEL: <header_name1>@<header_name2>(<process id>)" and then format
    with the values that follow it (six 32-bit words on the original platform; the
    format's conversions say what they are). Nothing is recorded.
    @return 0. */
QD_API int demo_type(const char* format, ...);

QD_END_DECLS

#endif
