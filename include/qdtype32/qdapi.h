/** @file qdapi.h
    The export macro and the integer widths every QDTYPE32 interface uses. */
#ifndef QDTYPE32_QDAPI_H
#define QDTYPE32_QDAPI_H

#include <stddef.h>
#include <stdint.h>

/** @def QD_API
    Marks a declaration as one of the library's exports (imported by a host on
    Windows, default visibility elsewhere). */
/** @def QD_EXTERN_C
    C linkage for an exported object, in C and in C++. */
/** @def QD_BEGIN_DECLS
    Opens a block of declarations with C linkage (nothing in C). */
/** @def QD_END_DECLS
    Closes the block QD_BEGIN_DECLS opened. */
#if defined(_WIN32)
#if defined(QD_BUILDING_LIBRARY)
#define QD_API __declspec(dllexport)
#elif defined(QD_STATIC)
/* Linked from the static archive: the names are the program's own. */
#define QD_API
#else
#define QD_API __declspec(dllimport)
#endif
#else
#define QD_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define QD_EXTERN_C extern "C"
#define QD_BEGIN_DECLS extern "C" {
#define QD_END_DECLS }
#else
#define QD_EXTERN_C extern
#define QD_BEGIN_DECLS
#define QD_END_DECLS
#endif

/** The library's "long": 32 bits on every platform, so values, sizes and counts keep
    the width they have on the 32-bit system the interfaces were made for. */
typedef int32_t qd_long;
/** The unsigned twin of qd_long, also 32 bits everywhere. */
typedef uint32_t qd_ulong;

#endif
