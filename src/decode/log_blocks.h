#pragma once
// Grouping of fixes into logging runs, shared by every log decoder.

#include "core/stores.h"

namespace qv {

// Puts the fix at `index` (already holding its DtTm) into the current log
// block, or opens a new one when it lies a whole minute or more from the
// previous fix in either direction, or when `newBlock` asks for one (a log
// that marks its runs itself). Updates PrevFixTime and the fix's Act and
// BlkIdx.
void AssignFixToBlock(LogStore& log, int index, bool newBlock = false);

}  // namespace qv
