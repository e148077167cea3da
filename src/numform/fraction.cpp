// fraction.cpp: fraction-of-second digits as thousandths.
#include "qdtype32/qdnumform.h"

// The caller passes the written digits as an integer, so leading zeros of the fraction
// are already gone (".05" arrives as 5 and gives 500): readers that must see them count
// the digits themselves.
extern "C" QD_API qd_ulong mk_fractional(qd_ulong digits) {
  if (digits == 0) return 0;
  if (digits < 10) return digits * 100;
  if (digits < 100) return digits * 10;
  if (digits < 1000) return digits;
  qd_ulong dropped = 0;
  while (digits >= 1000) {
    dropped = digits % 10;
    digits /= 10;
  }
  return digits + (dropped >= 5 ? 1 : 0);
}
