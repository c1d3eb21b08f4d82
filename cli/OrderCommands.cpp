// The four orders of the Edit menu: sort, reverse, length-sort and shuffle.

#include "core/OrderCommands.h"
#include "cli/CliCommand.h"

namespace linnery::cli {
namespace {

const bool registered = registerCommands({
    {"sort", "[FILE]", 0, true, [](Editor& e, const Invocation&) { collationSort(e); }},
    {"reverse", "[FILE]", 0, true, [](Editor& e, const Invocation&) { reverseOrder(e); }},
    {"length-sort", "[FILE]", 0, true, [](Editor& e, const Invocation&) { lengthSort(e); }},
    {"shuffle", "[FILE]", 0, true, [](Editor& e, const Invocation&) { randomOrder(e); }},
});

} // namespace
} // namespace linnery::cli
