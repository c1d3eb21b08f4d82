#pragma once

#include "core/LineList.h"

#include <vector>

namespace linnery {

// The lines in collation order (Collation::current(), decoded with CodePage::current()): a permutation
// of 0..n-1, lines that compare equal in their input order. One sort key per line, then a stable sort.
std::vector<int> collationOrder(const LineViews& lines);

} // namespace linnery
