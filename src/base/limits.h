// limits.h: the size limits of the system, each named once. Every other file uses these
// names; a bare 32672 elsewhere is a fault.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qd {

// ---- Records and values -----------------------------------------------------------------

// The largest record moved in one piece: a tuple, a stored byte string with its count,
// the literal scanner's value area, a template's scratch buffer, one accounting line.
constexpr int32_t kRecordMax = 32672;
// The longest text a record holds with its terminating zero (string literals, words).
constexpr int32_t kRecordTextMax = kRecordMax - 1;  // 32671
// Byte strings (binchar) and bit strings (bits) start with a 32-bit count, bits2 with a
// 16-bit one.
constexpr int kByteStringHeader = 4;
constexpr int kBits2Header = 2;
// Most bytes a binchar holds: a record less its count.
constexpr uint32_t kBincharMax = kRecordMax - kByteStringHeader;  // 32668
// Largest stored char value: a record's worth of characters and the terminating zero.
constexpr int32_t kCharSizeMax = kRecordMax + 1;  // 32673
// Most bytes one character of a multi-byte encoding takes: what a character-counted
// varchar reserves for each declared character.
constexpr int32_t kCharBytesMax = 6;
// Stored size of an exact decimal of precision p: two header bytes and the digits, two
// to a byte, with one half-byte to spare at even precisions. Holds for p 0..30, the
// precisions a value may have (FixRepresentation.SizesAndHash in
// tests/decimal/fixutil_test.cpp checks both ends and both parities).
constexpr int fix_stored_size(int p) { return (4 * p + 23) / 8; }
constexpr int kFixMaxDigits = 30;
constexpr int kFixMaxBytes = fix_stored_size(kFixMaxDigits);
static_assert(kFixMaxBytes == 17);

// The most digit groups a compiled number template holds ("9,999,999" has three); a
// template with more is refused.
constexpr int kTemplateGroupsMax = 1024;

// ---- Paths --------------------------------------------------------------------------------

// Names the configuration keeps itself: the initialisation file's name, the path in use
// and the installation directory (characters, without the terminating zero).
constexpr size_t kConfigPathMax = 260;
// Paths built from a setting's value or handed to the system: a loadable library's
// path, the directory remembered around its loading, a catalogue file below the
// installation directory, the accounting log's file. A setting's value is not bound by
// the configuration's own names, so these are longer.
constexpr size_t kPathMax = 1024;

}  // namespace qd
