/** @file qdglob.h
    The settings record qdxglob_val, filled by the host, read by the library. */
#ifndef QDTYPE32_QDGLOB_H
#define QDTYPE32_QDGLOB_H

#include "qdapi.h"

#pragma pack(push, 1)

/** A name for reading dates: the text and the number it stands for. */
typedef struct qd_name_entry {
  const char* name; /**< the name as it may appear in a date text */
  int32_t value;    /**< the weekday (0 Sunday) or month (1 January) it stands for */
} qd_name_entry;

/** The settings the host fills and the library reads (it never writes them).

    Byte positions are an interface: other modules write this record. On 32-bit targets
    every member sits at its documented offset; on 64-bit targets the order is the same
    and pointers take 8 bytes. Unused ranges are reserved and never read. */
typedef struct qdxglob_record {
  uint8_t reserved_0[4]; /**< not read */
  int32_t trace_mode;    /**< trace channel: 0 off, 1 the file "qdk.PID" in trace_dir,
                              2 the console, 3 standard error */
  uint8_t reserved_8[4]; /**< not read */
  int32_t trace_to_errtext; /**< non-zero: trace lines go into the thread's error report */
  uint8_t reserved_16[28];  /**< not read */
  char trace_dir[512];      /**< directory of the trace file (trace_mode 1) */
  char header_name1[129];   /**< first name of a report's header line: the user */
  char header_name2[129];   /**< second name of a report's header line: the machine */
  int32_t demo_switch;      /**< the switch of the demonstration trace lines */
  int32_t tuple_align;      /**< tuple field alignment: 0 off, 8 eight-byte, other four-byte */
  uint8_t reserved_822[12]; /**< not read */
  uint8_t charlen_switch;   /**< non-zero: declared lengths count multi-byte characters */
  int32_t db_encoding;      /**< the process default encoding code (not aligned) */
  const char* wday_abbr[7]; /**< weekday abbreviations that date templates print, Sunday first */
  const char* wday_full[7]; /**< full weekday names that date templates print, Sunday first */
  const char* month_abbr[12]; /**< month abbreviations that date templates print, January first */
  const char* month_full[12]; /**< full month names that date templates print, January first */
  qd_name_entry wday_abbr_in[7];   /**< weekday abbreviations that date templates read */
  qd_name_entry wday_full_in[7];   /**< full weekday names that date templates read */
  qd_name_entry month_abbr_in[12]; /**< month abbreviations that date templates read */
  qd_name_entry month_full_in[12]; /**< full month names that date templates read */
  uint8_t reserved_1295[12];       /**< not read */
  const char* decimal_sep;         /**< decimal separator of number templates (D) */
  const char* group_sep;           /**< group separator of number templates (G) */
  const char* currency_sym;        /**< currency symbol of number templates (C) */
  const char* local_currency_sym;  /**< local currency symbol of number templates (L, U) */
  uint8_t reserved_1323[560];      /**< not read */
} qdxglob_record;

#pragma pack(pop)

#ifdef __cplusplus
/* Documented 32-bit offset, shifted by the extra width of the pointers before it. */
#define QD_GLOB_OFS(doc, ptrs_before) ((doc) + (ptrs_before) * (sizeof(void*) - 4))
static_assert(sizeof(qd_name_entry) == 4 + sizeof(void*), "name entry is packed");
static_assert(offsetof(qdxglob_record, trace_mode) == 4, "trace_mode");
static_assert(offsetof(qdxglob_record, trace_to_errtext) == 12, "trace_to_errtext");
static_assert(offsetof(qdxglob_record, trace_dir) == 44, "trace_dir");
static_assert(offsetof(qdxglob_record, header_name1) == 556, "header_name1");
static_assert(offsetof(qdxglob_record, header_name2) == 685, "header_name2");
static_assert(offsetof(qdxglob_record, demo_switch) == 814, "demo_switch");
static_assert(offsetof(qdxglob_record, tuple_align) == 818, "tuple_align");
static_assert(offsetof(qdxglob_record, charlen_switch) == 834, "charlen_switch");
static_assert(offsetof(qdxglob_record, db_encoding) == 835, "db_encoding");
static_assert(offsetof(qdxglob_record, wday_abbr) == QD_GLOB_OFS(839, 0), "wday_abbr");
static_assert(offsetof(qdxglob_record, wday_full) == QD_GLOB_OFS(867, 7), "wday_full");
static_assert(offsetof(qdxglob_record, month_abbr) == QD_GLOB_OFS(895, 14), "month_abbr");
static_assert(offsetof(qdxglob_record, month_full) == QD_GLOB_OFS(943, 26), "month_full");
static_assert(offsetof(qdxglob_record, wday_abbr_in) == QD_GLOB_OFS(991, 38), "wday_abbr_in");
static_assert(offsetof(qdxglob_record, wday_full_in) == QD_GLOB_OFS(1047, 45), "wday_full_in");
static_assert(offsetof(qdxglob_record, month_abbr_in) == QD_GLOB_OFS(1103, 52), "month_abbr_in");
static_assert(offsetof(qdxglob_record, month_full_in) == QD_GLOB_OFS(1199, 64), "month_full_in");
static_assert(offsetof(qdxglob_record, reserved_1295) == QD_GLOB_OFS(1295, 76), "gap");
static_assert(offsetof(qdxglob_record, decimal_sep) == QD_GLOB_OFS(1307, 76), "decimal_sep");
static_assert(offsetof(qdxglob_record, group_sep) == QD_GLOB_OFS(1311, 77), "group_sep");
static_assert(offsetof(qdxglob_record, currency_sym) == QD_GLOB_OFS(1315, 78), "currency_sym");
static_assert(offsetof(qdxglob_record, local_currency_sym) == QD_GLOB_OFS(1319, 79),
              "local_currency_sym");
/* The name and separator block copied by the number templates: 1044 bytes on 32-bit. */
static_assert(sizeof(qdxglob_record) - offsetof(qdxglob_record, wday_abbr) == QD_GLOB_OFS(1044, 80),
              "name and separator block");
#endif

QD_BEGIN_DECLS
/** The settings record. Hosts fill it through get_qdxglob_adr(); the library only
    reads it. */
QD_API extern qdxglob_record qdxglob_val;
QD_END_DECLS

#endif
