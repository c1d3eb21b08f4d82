// csv-fields and csv-sort: the column sort window's field list and sort.

#include "cli/CliCommand.h"
#include "core/commands/ColumnSort.h"
#include "core/lines/LineError.h"

#include <cerrno>
#include <charconv>
#include <cstdio>

namespace linnery::cli {

namespace {

void writeAll(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        throw LineError::write(kStandardOutput, systemReason(errno));
}

void printFields(Editor& editor, const Invocation&) {
    std::string text;
    for (const std::string& field : firstLineFields(editor.doc)) {
        text += textForTerminal(field, editor.doc.text().codePage());
        text += "\r\n";
    }
    writeAll(text);
}

// K is a row of the field list of line 1: the window offers no other.
void sortByField(Editor& editor, const Invocation& call) {
    const std::string& arg = call.args.at(0);
    long long k = -1;
    const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), k);
    if (ec != std::errc() || end != arg.data() + arg.size() || k < 0)
        throw UsageError("K must be a field index (0, 1, ...): " + arg);
    const std::size_t fieldCount = firstLineFields(editor.doc).size();
    if (static_cast<unsigned long long>(k) >= fieldCount)
        throw UsageError("K must be below the number of fields of line 1 (" + std::to_string(fieldCount) +
                         ")");
    columnSort(editor, static_cast<int>(k));
}

const bool registered = registerCommands({
    {"csv-fields", "[FILE]", 0, 0, printFields, "print the fields of line 1, one per line",
     "csv-fields d.csv"},
    {"csv-sort", "K [FILE]", 1, kWritesDocument, sortByField, "sort records by comma field K (0 = first)",
     "csv-sort 1 d.csv"},
});

} // namespace

} // namespace linnery::cli
