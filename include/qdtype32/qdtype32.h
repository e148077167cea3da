/* qdtype32.h: the whole public interface of the QDTYPE32 type library. */
#ifndef QDTYPE32_QDTYPE32_H
#define QDTYPE32_QDTYPE32_H

#include "qdapi.h"
#include "qdattr.h"
#include "qdconfig.h"
#include "qderr.h"
#include "qdglob.h"
#include "qdos.h"

#endif
