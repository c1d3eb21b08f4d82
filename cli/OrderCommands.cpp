// The four orders of the Edit menu: sort, reverse, length-sort and shuffle.

#include "core/commands/OrderCommands.h"
#include "cli/CliCommand.h"

namespace linnery::cli {
namespace {

const bool registered = registerCommands({
    {"sort", "[FILE]", 0, kWritesDocument, [](Editor& e, const Invocation&) { collationSort(e); },
     "sort in collation order, letter case ignored", "sort a.txt"},
    {"reverse", "[FILE]", 0, kWritesDocument, [](Editor& e, const Invocation&) { reverseOrder(e); },
     "reverse the order of the lines", "reverse a.txt"},
    {"length-sort", "[FILE]", 0, kWritesDocument, [](Editor& e, const Invocation&) { lengthSort(e); },
     "sort by length in bytes, shortest first", "length-sort a.txt"},
    {"shuffle", "[FILE]", 0, kWritesDocument, [](Editor& e, const Invocation&) { randomOrder(e); },
     "put the lines in random order", "shuffle a.txt"},
});

} // namespace
} // namespace linnery::cli
