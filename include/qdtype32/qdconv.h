/* qdconv.h: conversion of a value into a target type, and the scanning of literals. */
#ifndef QDTYPE32_QDCONV_H
#define QDTYPE32_QDCONV_H

#include "qdapi.h"
#include "qdattr.h"

QD_BEGIN_DECLS

/* Writes the value src of type code srccode into dst in the memory form of dsttype,
   checking ranges, precision and lengths. src null is the SQL null: 0 at once, nothing
   written. dst is sized for dsttype (size_attrtype). On success *dstlen (when given)
   receives the bytes written (not for a blob target); on failure dst is unspecified,
   *dstlen untouched, and the error (recorded in the thread's report) is returned. */
QD_API int value_adapt_type(int srccode, const void* src, const attrtype* dsttype, void* dst,
                            qd_long* dstlen);

/* One literal: a number, 'text' ('' a quote), 0x hexadecimal bytes, 0b bits, true, false,
   datetime[..](..) or timespan[..](..). The literal's type follows from its form and is
   stored in *type when type is not null. Each call starts a fresh error report. */
/* The whole text is one literal; its value goes to value (32672 bytes hold any). */
QD_API int literal_to_binary(void* value, attrtype* type, const char* text);
/* As literal_to_binary, into a block from malloc (release it with free). On failure
   *value is null. */
QD_API int literal_to_heapbinary(void** value, attrtype* type, const char* text);
/* Reads one literal at the start of text, which may go on after it; *end (when end is
   not null) receives the first character after the literal. No value is delivered. */
QD_API int literal_scan(attrtype* type, char** end, const char* text);

QD_END_DECLS

#endif
