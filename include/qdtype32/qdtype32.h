/** @file qdtype32.h
    The whole public interface of the QDTYPE32 type library: includes every other
    header. */
#ifndef QDTYPE32_QDTYPE32_H
#define QDTYPE32_QDTYPE32_H

#include "qdapi.h"
#include "qdattr.h"
#include "qdbits.h"
#include "qdbytes.h"
#include "qdconfig.h"
#include "qddt.h"
#include "qderr.h"
#include "qdfix.h"
#include "qdglob.h"
#include "qdheap.h"
#include "qdcompare.h"
#include "qdconv.h"
#include "qdnumform.h"
#include "qdtuple.h"
#include "qdos.h"
#include "qdacct.h"
#include "qddll.h"

#endif
