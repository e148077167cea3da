// os_internal.h: the process services' test seams (low-level files: status/lowio.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "status/lowio.h"

namespace qd {

// ---- Test seams ----------------------------------------------------------------------------
// The millisecond tick the abort check is timed by (null: the platform's).
using TickFn = uint32_t (*)();
void peek_set_tick_for_test(TickFn fn);
// Forgets the abort check, the gap read and the last call, as at load.
void peek_reset_for_test();
// The gap in use (-1 while not yet read).
int32_t peek_gap();

}  // namespace qd
