// BasicClose: the run-time shut-down that frees everything a context owns.
#pragma once

#include "runtime/errcode.h"

namespace rt {

// Frees array variables, typed arrays, the string store and the pool, then the block table.
// A failure composes "BasicClose Func: ..." and raises the assertion report (which ends the
// process). Returns 0, or the code of the failing step when the report does not end the process.
ErrCode BasicClose();

}  // namespace rt
