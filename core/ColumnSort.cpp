#include "core/ColumnSort.h"

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
    const int lineCount = editor.undoCopy.count();
    const std::int64_t d = lineCount - 1;
    const auto moved = static_cast<std::ptrdiff_t>(key) + 1;
    try {
        // First pass: every record rewritten with its key field in front, so one collation comparison
        // of whole lines orders by the key first and by the rest after it.
        LineList keyFirst;
        keyFirst.reserve(static_cast<std::size_t>(lineCount));
        std::vector<std::string> fields;
        std::string joined;
        Progress::Stepper first(editor.progress, d, 50, 0);
        for (int i = 0; i < lineCount; ++i) {
            splitFields(doc.at(i), fields);
            padTo(fields, key);
            std::rotate(fields.begin(), fields.begin() + key, fields.begin() + moved);
            joined.clear();
            appendJoinedFields(fields, joined);
            keyFirst.pushView(keyFirst.store(joined));
            first.step(i);
        }

        // Equal keys keep document order, as when the lines are added one by one in sorted mode.
        const std::vector<int> order = collationOrder(keyFirst.views());

        // Second pass: the sorted forms are split again (their normalised text, not the original
        // fields) and the key goes back to its place.
        LineList result;
        result.reserve(order.size());
        Progress::Stepper second(editor.progress, d, 50, 50);
        for (std::size_t i = 0; i < order.size(); ++i) {
            splitFields(keyFirst.at(order[i]), fields);
            padTo(fields, key);
            std::rotate(fields.begin(), fields.begin() + 1, fields.begin() + moved);
            joined.clear();
            appendJoinedFields(fields, joined);
            result.pushView(result.store(joined));
            second.step(static_cast<std::int64_t>(i));
        }
        editor.progress.end();
        doc.assign(std::move(result));
    } catch (const std::bad_alloc&) {
        editor.progress.end();
        throw LineError::insert();
    } catch (...) {
        editor.progress.end();
        throw;
    }
}

} // namespace linnery
