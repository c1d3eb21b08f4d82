// Collation keys: comparing keys agrees with comparing lines directly, and the order is total and stable.

#include "FuzzSupport.h"

#include "core/collation/Collation.h"
#include "core/collation/CollationOrder.h"
#include "core/parallel/ThreadPool.h"
#include "core/text/TextContext.h"

using namespace linnery;
using namespace linnery::fuzz;

namespace {

int sign(int v) {
    return (v > 0) - (v < 0);
}

const std::shared_ptr<const Collation>& useLocale(FuzzedDataProvider& data) {
    static const std::vector<std::shared_ptr<const Collation>> made = [] {
        std::vector<std::shared_ptr<const Collation>> collations;
        for (const char* name : {"ja", "", "en"})
            collations.push_back(std::make_shared<const Collation>(name));
        return collations;
    }();
    return made[data.ConsumeIntegralInRange<std::size_t>(0, made.size() - 1)];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const TextContext text(useCodePage(data), useLocale(data));
    const CodePage& cp = text.codePage();
    const Collation& coll = text.collation();
    std::vector<std::string> lines;
    while (data.remaining_bytes() > 0 && lines.size() < 12)
        lines.push_back(data.ConsumeRandomLengthString(16));

    std::vector<std::string> keys;
    for (const std::string& line : lines)
        keys.push_back(coll.sortKey(line, cp));
    for (std::size_t a = 0; a < lines.size(); ++a)
        for (std::size_t b = 0; b < lines.size(); ++b) {
            const int direct = coll.compare(lines[a], lines[b], cp);
            FUZZ_CHECK(sign(direct) == sign(keys[a].compare(keys[b])));
            FUZZ_CHECK(sign(direct) == -sign(coll.compare(lines[b], lines[a], cp)));
        }

    // The collation order is the stable sort by keys.
    LineList list;
    for (const std::string& line : lines)
        list.add(line);
    const std::vector<int> order = collationOrder(list.views(), text, ThreadPool::single());
    FUZZ_CHECK(order.size() == lines.size());
    // Large inputs are ordered by first-level ranks, with keys only for ties: the same order.
    FUZZ_CHECK(collationOrder(list.views(), text, ThreadPool::single(), OrderMethod::Ranks) == order);
    // Shared among 16 threads in parts of single lines, as large inputs are in parts of thousands.
    static const ThreadPool sixteen(16, true);
    FUZZ_CHECK(collationOrder(list.views(), text, sixteen, OrderMethod::Ranks) == order);
    FUZZ_CHECK(collationOrder(list.views(), text, sixteen, OrderMethod::WholeKeys) == order);
    for (std::size_t i = 1; i < order.size(); ++i) {
        const int cmp =
            keys[static_cast<std::size_t>(order[i - 1])].compare(keys[static_cast<std::size_t>(order[i])]);
        FUZZ_CHECK(cmp < 0 || (cmp == 0 && order[i - 1] < order[i]));
    }
    return 0;
}
