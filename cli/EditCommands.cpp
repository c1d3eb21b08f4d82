// The deleting and affix commands of the Edit menu, on files.

#include "cli/CliCommand.h"
#include "core/commands/AffixCommands.h"
#include "core/commands/DeleteCommands.h"
#include "core/files/TextFile.h"

namespace linnery::cli {

namespace {

const bool registered = registerCommands({
    {"delete", "[FILE]", 0, kWritesDocument, [](Editor& e, const Invocation&) { deleteSelected(e); },
     "delete the selected lines or the focus line", "--select 2-4 delete a.txt"},
    {"delete-matching", "TEXT [FILE]", 1, kWritesDocument | kTakesText,
     [](Editor& e, const Invocation& call) { deleteMatching(e, call.args[0]); },
     "delete every line equal to TEXT", "delete-matching x a.txt"},
    {"delete-empty", "[FILE]", 0, kWritesDocument, [](Editor& e, const Invocation&) { deleteEmpty(e); },
     "delete every empty line", "delete-empty a.txt"},
    {"uniq", "[FILE]", 0, kWritesDocument,
     [](Editor& e, const Invocation& call) {
         const LineList removed = removeConsecutiveDuplicates(e);
         if (!call.removedPath.empty())
             saveFile(removed, call.removedPath);
     },
     "keep one line of each run of equal lines", "uniq a.txt"},
    {"prefix", "TEXT [FILE]", 1, kWritesDocument | kTakesText,
     [](Editor& e, const Invocation& call) { addPrefix(e, call.args[0]); },
     "add TEXT at the start of every line", "prefix '> ' a.txt"},
    {"suffix", "TEXT [FILE]", 1, kWritesDocument | kTakesText,
     [](Editor& e, const Invocation& call) { addSuffix(e, call.args[0]); },
     "add TEXT at the end of every line", "suffix ',' a.txt"},
});

} // namespace

} // namespace linnery::cli
