#pragma once
#include "listsort.h"

#include <vector>

namespace vosk::test {

// The list's ordering written down as plainly as it is described, to hold sortlist against:
// for m = n-1 down to 1, for i = 0..m-1, compare row i with row i+1 and exchange them when
// row i is greater; key 1 reads both names again at every comparison, row i's first, and a
// name that cannot be read stops everything where it is. No shortcut of any kind.
SortResult literalSortlist(std::vector<ListRow> &rows, int key);

} // namespace vosk::test
