#include "core/ColumnSort.h"

#include "core/CodePage.h"
#include "core/CollationOrder.h"
#include "core/CsvFields.h"
#include "core/LineError.h"

#include <algorithm>
#include <cstdint>

namespace linnery {

namespace {

// A short record gets empty fields up to position k, so field k always exists.
void padTo(std::vector<std::string>& fields, std::size_t k) {
    while (fields.size() <= k)
        fields.emplace_back();
}

// Where field k starts in a joined record, and whether the record lost its last field: a joined line
// loses a final empty field when it is split again, and the key-first form is split again before the
// record is put back together, so a record whose last field is empty and stands behind the key ends up
// without it. Kept in 32 bits a line; a key that starts further in is found again when needed.
constexpr std::uint32_t kDropped = 0x80000000u;
constexpr std::uint32_t kFarKey = kDropped - 1;

std::size_t keyStart(std::string_view joined, std::size_t k) {
    std::size_t start = 0;
    for (std::size_t field = 0; field < k; ++field)
        start = joinedFieldEnd(joined, start) + 1;
    return start;
}

// The key-first form of a record (field k moved to the front, joined) from the record as the sort puts
// it out.
std::string_view keyFirstForm(std::string_view joined, std::size_t k, std::uint32_t at, std::string& out) {
    const bool dropped = (at & kDropped) != 0;
    if (k == 0 && !dropped)
        return joined;
    out.clear();
    if (k == 0) {
        out.append(joined);
    } else {
        const std::size_t start = (at & kFarKey) == kFarKey ? keyStart(joined, k) : (at & kFarKey);
        const std::size_t end = joinedFieldEnd(joined, start);
        out.append(joined.substr(start, end - start));
        out += ',';
        out.append(joined.substr(0, start - 1));
        out.append(joined.substr(end)); // the comma in front of the fields after the key, if any
    }
    if (dropped)
        out += ',';
    return out;
}

} // namespace

std::vector<std::string> firstLineFields(const Document& doc) {
    return splitFields(doc.get(0));
}

void columnSort(Editor& editor, int k) {
    if (k < 0) // no such row in the field list
        throw LineError::listIndex(k);
    Document& doc = editor.doc;
    if (doc.count() < 2)
        return;
    editor.takeUndoCopy();
    const auto key = static_cast<std::size_t>(k);
    const LineViews& lines = doc.lines().views();
    const std::size_t n = lines.size();
    const std::int64_t d = static_cast<std::int64_t>(n) - 1;
    try {
        // One pass splits and joins every record in its own field order: that is the line it ends up as.
        // Records already in that form keep their bytes; only the others are stored anew.
        LineList rewritten;
        LineViews joinedLines;
        joinedLines.reserve(n);
        std::vector<std::uint32_t> keyAt(n, 0);
        std::vector<std::string> fields;
        std::string joined;
        std::size_t bytes = 0;
        Progress::Stepper first(editor.progress, d, 50, 0);
        for (std::size_t i = 0; i < n; ++i) {
            splitFields(lines[i], fields);
            padTo(fields, key);
            const bool dropped = fields.size() > key + 1 && fields.back().empty();
            if (dropped)
                fields.pop_back();
            joined.clear();
            appendJoinedFields(fields, joined);
            keyAt[i] = static_cast<std::uint32_t>(std::min<std::size_t>(keyStart(joined, key), kFarKey)) |
                       (dropped ? kDropped : 0);
            joinedLines.push_back(joined == lines[i] ? lines[i] : rewritten.store(joined));
            bytes += joined.size();
            first.step(static_cast<std::int64_t>(i));
        }

        // Each key-first form is compared as one string, so the key decides first and the rest after it;
        // equal forms keep document order. The forms are rebuilt from the joined lines when needed.
        CollationInput input;
        input.count = n;
        input.bytes = bytes;
        input.parallel = CodePage::current().kind() != CodePage::Kind::OtherMultiByte;
        input.text = [&](std::size_t i, std::string& scratch) {
            return keyFirstForm(joinedLines[i], key, keyAt[i], scratch);
        };
        const std::vector<int> order = collationOrder(input);
        std::vector<std::uint32_t>().swap(keyAt);

        LineViews sorted;
        sorted.reserve(n);
        Progress::Stepper second(editor.progress, d, 50, 50);
        for (std::size_t i = 0; i < n; ++i) {
            sorted.push_back(joinedLines, static_cast<std::size_t>(order[i]));
            second.step(static_cast<std::int64_t>(i));
        }
        editor.progress.end();
        rewritten.assignViews(std::move(sorted), doc.lines());
        doc.assign(std::move(rewritten));
    } catch (const std::bad_alloc&) {
        editor.progress.end();
        throw LineError::insert();
    } catch (...) {
        editor.progress.end();
        throw;
    }
}

} // namespace linnery
