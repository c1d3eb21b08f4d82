// The deleting and affix commands of the Edit menu, on files.

#include "cli/CliCommand.h"
#include "core/AffixCommands.h"
#include "core/DeleteCommands.h"
#include "core/TextFile.h"

namespace linnery::cli {

namespace {

const bool registered = registerCommands({
    {"delete", "[FILE]", 0, true, [](Editor& e, const Invocation&) { deleteSelected(e); }},
    {"delete-matching", "TEXT [FILE]", 1, true,
     [](Editor& e, const Invocation& call) { deleteMatching(e, call.args[0]); }},
    {"delete-empty", "[FILE]", 0, true, [](Editor& e, const Invocation&) { deleteEmpty(e); }},
    {"uniq", "[FILE]", 0, true,
     [](Editor& e, const Invocation& call) {
         const LineList removed = removeConsecutiveDuplicates(e);
         if (!call.removedPath.empty())
             saveFile(removed, call.removedPath);
     }},
    {"prefix", "TEXT [FILE]", 1, true, [](Editor& e, const Invocation& call) { addPrefix(e, call.args[0]); }},
    {"suffix", "TEXT [FILE]", 1, true, [](Editor& e, const Invocation& call) { addSuffix(e, call.args[0]); }},
});

} // namespace

} // namespace linnery::cli
