// ref_fixdbl.cpp: fix_double as first written, kept unchanged as the reference of the
// faster form and of the division. (double_fix_digits has one form, checked against the
// C runtime's own printing of doubles.)
#include <cstring>

#include "decimal/fix_internal.h"
#include "qderror.h"
#include "ref.h"

namespace qd {
namespace ref {
static constexpr double kPow10[129] = {
    1e0,   1e1,   1e2,   1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,
    1e13,  1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22,  1e23,  1e24,  1e25,
    1e26,  1e27,  1e28,  1e29,  1e30,  1e31,  1e32,  1e33,  1e34,  1e35,  1e36,  1e37,  1e38,
    1e39,  1e40,  1e41,  1e42,  1e43,  1e44,  1e45,  1e46,  1e47,  1e48,  1e49,  1e50,  1e51,
    1e52,  1e53,  1e54,  1e55,  1e56,  1e57,  1e58,  1e59,  1e60,  1e61,  1e62,  1e63,  1e64,
    1e65,  1e66,  1e67,  1e68,  1e69,  1e70,  1e71,  1e72,  1e73,  1e74,  1e75,  1e76,  1e77,
    1e78,  1e79,  1e80,  1e81,  1e82,  1e83,  1e84,  1e85,  1e86,  1e87,  1e88,  1e89,  1e90,
    1e91,  1e92,  1e93,  1e94,  1e95,  1e96,  1e97,  1e98,  1e99,  1e100, 1e101, 1e102, 1e103,
    1e104, 1e105, 1e106, 1e107, 1e108, 1e109, 1e110, 1e111, 1e112, 1e113, 1e114, 1e115, 1e116,
    1e117, 1e118, 1e119, 1e120, 1e121, 1e122, 1e123, 1e124, 1e125, 1e126, 1e127, 1e128};

QD_DOUBLE_MATH double fix_double(const qd_fix* v) {
  const int p = fx_prec(v), s = fx_scale(v);
  double acc;
  if (p <= kFixMaxDigits) {
    const Vec x = vec_load(v, p);
    const int q = vec_len(x);
    if (q <= 16) {
      // Up to 16 digits the digit-by-digit accumulation rounds at most once, at its
      // last step, exactly as this one conversion does.
      acc = static_cast<double>(bcd16_to_bin(lo64(x)));
    } else {
      acc = static_cast<double>(bcd16_to_bin(lo64(x >> (4 * (q - 16)))));
      for (int i = q - 16; i >= 1; --i) acc = acc * 10.0 + vec_digit(x, i - 1);
    }
  } else {
    acc = 0.0;
    for (int i = p; i >= 1; --i) acc = acc * 10.0 + fx_digit(v, i);
  }
  if (s > 0) acc /= kPow10[s];
  if (s < 0) acc *= kPow10[-s];
  return fx_sign(v) ? -acc : acc;
}

}  // namespace ref
}  // namespace qd
