#pragma once
// One frame of each drawing set, drawn from its row of the description table.

#include "canvas.h"
#include "catalogue.h"

namespace drawings {

// Both throw std::runtime_error when the row's words cannot be turned into a drawing,
// so that a changed table is never drawn half-understood.
Canvas drawMarkingFrame(const Entry &entry);
Canvas drawPackageFrame(const Entry &entry);

} // namespace drawings
