#pragma once

#include "ResultCode.h"
#include "SnmpWire.h"
#include "Variant.h"

namespace zemtra {

/// Maps an answer's value into `local`, which holds the caller's old content
/// (its type decides how an integer is kept). 0x80000004 for a sequence,
/// 0x80000005 for any other syntax without a mapping; `local` is then unchanged.
ResultCode mapValue(const wire::Value& answer, Variant& local);

}  // namespace zemtra
