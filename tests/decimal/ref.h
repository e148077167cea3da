// ref.h: the decimal operations as first written, kept in the tests as the reference that
// the faster forms must match byte for byte (results, untouched bytes, return codes).
#pragma once

#include <cstdint>

namespace qd {
namespace ref {

int fixadd(const uint8_t* a, const uint8_t* b, uint8_t* c);
int fixsub(const uint8_t* a, uint8_t* b, uint8_t* c);
int fixmul(uint8_t* a, uint8_t* b, uint8_t* c);
int __fixdiv(const uint8_t* a, const uint8_t* b, uint8_t* c, int precision);
int fixdiv(const uint8_t* a, const uint8_t* b, uint8_t* c);
unsigned int fixdivmod(uint8_t* q, char* quotient_is_zero, const uint8_t* a, unsigned int divisor);
double fix_double(const uint8_t* v);

}  // namespace ref
}  // namespace qd
