#pragma once
// One frame of each drawing set, drawn from its row of the description table.

#include "canvas.h"
#include "catalogue.h"
#include "markingtable.h"

namespace drawings {

// Both throw std::runtime_error when the row's words cannot be turned into a drawing,
// so that a changed table is never drawn half-understood.
// A marking frame draws the marks the marking table gives for its records, or, when
// they are all «н/д», the package outline with the words "маркировка неизвестна".
Canvas drawMarkingFrame(const Entry &entry, const TableMarks &marks);
Canvas drawPackageFrame(const Entry &entry);

} // namespace drawings
