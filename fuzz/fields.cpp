// The comma-field splitter and joiner, and the column sort that rewrites every record with them.

#include "FuzzSupport.h"

#include "core/commands/ColumnSort.h"
#include "core/files/TextFile.h"
#include "core/text/CsvFields.h"

#include <algorithm>

using namespace linnery;
using namespace linnery::fuzz;

namespace {

std::vector<std::string> nonEmpty(std::vector<std::string> fields) {
    fields.erase(std::remove(fields.begin(), fields.end(), std::string()), fields.end());
    return fields;
}

// One record as the column sort rewrites it: key field to the front, joined, split again, key back.
std::string rewritten(std::string_view line, std::size_t k, const CodePage& cp) {
    std::vector<std::string> fields = splitFields(line, cp);
    fields.resize(std::max(fields.size(), k + 1));
    std::rotate(fields.begin(), fields.begin() + static_cast<long>(k),
                fields.begin() + static_cast<long>(k) + 1);
    fields = splitFields(joinFields(fields, cp), cp);
    fields.resize(std::max(fields.size(), k + 1));
    std::rotate(fields.begin(), fields.begin() + 1, fields.begin() + static_cast<long>(k) + 1);
    return joinFields(fields, cp);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    static const TextSettings settings(nullptr, "ja");
    const std::shared_ptr<const CodePage>& codePage = useCodePage(data);
    const CodePage& cp = *codePage;
    const auto k = data.ConsumeIntegralInRange<std::size_t>(0, 5);

    // split(join(f)) = f for every field list whose last field is not empty (a comma at the end adds no
    // field, so trailing empty fields are the one thing a join cannot carry), and for one empty field.
    std::vector<std::string> fields(data.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (std::string& field : fields)
        field = data.ConsumeRandomLengthString(24);
    const std::string joined = joinFields(fields, cp);
    if (fields.empty() || !fields.back().empty() || fields.size() == 1)
        FUZZ_CHECK(splitFields(joined, cp) == fields);
    FUZZ_CHECK(nonEmpty(splitFields(joined, cp)) == nonEmpty(fields));

    // The column sort only reorders the rewritten records, and rewriting keeps every field's content.
    Editor editor(settings);
    editor.doc.setText(settings.contextWith(codePage));
    LineList lines;
    splitLines(lines, data.ConsumeRemainingBytesAsString());
    const std::vector<std::string> before = linesOf(lines);
    editor.doc.assign(std::move(lines));
    if (before.size() < 2)
        return 0;
    columnSort(editor, static_cast<int>(k));
    std::vector<std::string> after = linesOf(editor.doc.lines());
    std::vector<std::string> expected;
    for (const std::string& line : before) {
        expected.push_back(rewritten(line, k, cp));
        FUZZ_CHECK(nonEmpty(splitFields(expected.back(), cp)) == nonEmpty(splitFields(line, cp)));
    }
    std::sort(after.begin(), after.end());
    std::sort(expected.begin(), expected.end());
    FUZZ_CHECK(after == expected);
    return 0;
}
