/* qdapi.h: export macro and the integer widths every QDTYPE32 interface uses. */
#ifndef QDTYPE32_QDAPI_H
#define QDTYPE32_QDAPI_H

#include <stddef.h>
#include <stdint.h>

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

/* The library's "long" is 32 bits on every platform: values, sizes and counts
   keep the width they have on the 32-bit system the interfaces were made for. */
typedef int32_t qd_long;
typedef uint32_t qd_ulong;

#endif
