#include "core/commands/ColumnSort.h"

#include "core/collation/CollationOrder.h"
#include "core/lines/LineError.h"
#include "core/parallel/ThreadPool.h"
#include "core/text/CodePage.h"
#include "core/text/CsvFields.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <exception>
#include <memory>

namespace linnery {

namespace {

// From this many lines on, the rewriting is shared among threads, in parts of at least kGrain lines.
constexpr std::size_t kParallelLines = 50'000;
constexpr std::size_t kGrain = 8'192;

// A short record gets empty fields up to position k, so field k always exists.
void padTo(std::vector<std::string>& fields, std::size_t k) {
    while (fields.size() <= k)
        fields.emplace_back();
}

// Where field k starts in a record as the sort puts it out, and whether the record lost its last field:
// a joined line loses a final empty field when it is split again, and the key-first form is split again
// before the record is put back together, so a record whose last field is empty and stands behind the
// key ends up without it. A key further in than 31 bits reach is looked for again when needed.
constexpr std::uint32_t kDropped = 0x80000000u;
constexpr std::uint32_t kFar = kDropped - 1;

std::size_t keyStart(std::string_view joined, std::size_t k, const CodePage& cp) {
    std::size_t start = 0;
    for (std::size_t field = 0; field < k; ++field)
        start = joinedFieldEnd(joined, start, cp) + 1;
    return start;
}

std::uint32_t keyAt(std::size_t start, bool dropped) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(start, kFar)) | (dropped ? kDropped : 0);
}

// Field k of a joined record: [start, end).
std::pair<std::size_t, std::size_t> keyField(std::string_view joined, std::size_t k, std::uint32_t at,
                                             const CodePage& cp) {
    const std::size_t start = (at & kFar) == kFar ? keyStart(joined, k, cp) : (at & kFar);
    return {start, joinedFieldEnd(joined, start, cp)};
}

// The key-first form of a record (field k moved to the front, joined), from the record as the sort puts
// it out, in the pieces it is made of.
int keyFirstPieces(std::string_view joined, std::size_t k, std::uint32_t at, const CodePage& cp,
                   std::string_view* pieces) {
    int count = 0;
    if (k == 0 && (at & kDropped) && joined == "\"\"") {
        pieces[count++] = ","; // two empty fields; one alone is written as two quotes
        return count;
    }
    if (k == 0) {
        pieces[count++] = joined;
    } else {
        const auto [start, end] = keyField(joined, k, at, cp);
        pieces[count++] = joined.substr(start, end - start);
        pieces[count++] = ",";
        pieces[count++] = joined.substr(0, start - 1);
        pieces[count++] = joined.substr(end); // the comma in front of the fields after the key, if any
    }
    if (at & kDropped)
        pieces[count++] = ",";
    return count;
}

// The records as the sort puts them out. Most are already in that form and stay the document's own
// lines; the others are stored apart, found through one bit per line.
class Rewritten {
  public:
    Rewritten(const LineViews& lines, std::size_t key, const CodePage& cp, std::size_t parts)
        : lines_(lines), key_(key), cp_(cp), keyAt_(lines.size()), changed_((lines.size() + 63) / 64, 0),
          parts_(parts) {}

    // Rewrites lines from..to-1, `from` a multiple of 64 so that two threads never share a word of bits;
    // part `part` (of those given to the constructor, in line order) keeps the lines it stores apart.
    void rewrite(std::size_t from, std::size_t to, std::size_t part) {
        Part& out = parts_[part];
        std::vector<std::string> fields;
        std::string joined;
        for (std::size_t i = from; i < to; ++i) {
            const std::string_view line = lines_[i];
            std::size_t start = 0, end = 0;
            if (isJoinedForm(line, key_, cp_, start, end)) {
                keyAt_[i] = keyAt(start, false);
            } else {
                splitFields(line, cp_, fields);
                padTo(fields, key_);
                const bool dropped = fields.size() > key_ + 1 && fields.back().empty();
                if (dropped)
                    fields.pop_back();
                joined.clear();
                appendJoinedFields(fields, cp_, joined);
                keyAt_[i] = keyAt(keyStart(joined, key_, cp_), dropped);
                if (joined != line) {
                    changed_[i / 64] |= std::uint64_t{1} << (i % 64);
                    out.lines.push_back(out.storage.store(joined));
                }
            }
        }
    }

    // After the rewriting: numbers the stored lines.
    void index() {
        before_.resize(changed_.size());
        std::uint32_t count = 0;
        for (std::size_t w = 0; w < changed_.size(); ++w) {
            before_[w] = count;
            count += static_cast<std::uint32_t>(std::popcount(changed_[w]));
        }
        for (std::size_t p = 1; p < parts_.size(); ++p) {
            parts_[0].lines.append(parts_[p].lines, 0, parts_[p].lines.size());
            parts_[p].lines = LineViews();
        }
    }

    std::string_view operator[](std::size_t i) const {
        const std::uint64_t word = changed_[i / 64];
        const std::uint64_t bit = std::uint64_t{1} << (i % 64);
        if (!(word & bit))
            return lines_[i];
        return parts_[0].lines[before_[i / 64] + static_cast<std::size_t>(std::popcount(word & (bit - 1)))];
    }
    int keyFirstPieces(std::size_t i, std::string_view* pieces) const {
        return linnery::keyFirstPieces((*this)[i], key_, keyAt_[i], cp_, pieces);
    }
    std::string_view keyFirst(std::size_t i, std::string& scratch) const {
        std::string_view pieces[kMaxPieces];
        const int count = keyFirstPieces(i, pieces);
        if (count == 1)
            return pieces[0];
        scratch.clear();
        for (int p = 0; p < count; ++p)
            scratch.append(pieces[p]);
        return scratch;
    }

    // The storage of the rewritten lines, with the document's buffers kept alive as well.
    LineList takeStorage(const LineList& document) {
        for (std::size_t p = 1; p < parts_.size(); ++p)
            parts_[0].storage.keepBuffersOf(parts_[p].storage);
        parts_[0].storage.keepBuffersOf(document);
        return std::move(parts_[0].storage);
    }
    void releaseKeys() { std::vector<std::uint32_t>().swap(keyAt_); }

  private:
    struct Part {
        LineList storage;
        LineViews lines;
    };
    const LineViews& lines_;
    std::size_t key_;
    const CodePage& cp_;
    std::vector<std::uint32_t> keyAt_; // where field k starts, kDropped for a lost last field
    std::vector<std::uint64_t> changed_;
    std::vector<std::uint32_t> before_;
    std::vector<Part> parts_;
};

} // namespace

std::vector<std::string> firstLineFields(const Document& doc) {
    return splitFields(doc.get(0), doc.text().codePage());
}

void columnSort(Editor& editor, int k) {
    if (k < 0) // no such row in the field list
        throw LineError::listIndex(k);
    Document& doc = editor.doc;
    if (doc.count() < 2)
        return;
    editor.takeUndoCopy();
    const LineViews& lines = doc.lines().views();
    const std::size_t n = lines.size();
    const std::int64_t d = static_cast<std::int64_t>(n) - 1;
    try {
        // One pass splits and joins every record in its own field order: that is the line it ends up as.
        // The pool's threads share it where the code page can be read from several threads; the
        // calling thread shows the progress of the lines done so far, in order, between its parts.
        const TextContext& text = doc.text();
        const bool threadSafe = text.codePage().stepsInParallel();
        const ThreadPool& shared = editor.settings().pool();
        const ThreadPool& pool =
            threadSafe && shared.shares(n, kParallelLines) ? shared : ThreadPool::single();
        const auto cut = ThreadPool::ranges(n, pool.threads() > 1 ? pool.grain(kGrain) : n, 64);
        Rewritten rewritten(lines, static_cast<std::size_t>(k), text.codePage(), cut.size());
        Progress::Stepper first(editor.progress, d, 50, 0);
        const auto stepFirst = [&](std::size_t i) { first.step(static_cast<std::int64_t>(i)); };
        runStepped(pool, cut, stepFirst,
                   [&](std::size_t part) { rewritten.rewrite(cut[part].first, cut[part].second, part); });
        rewritten.index();

        // Each key-first form is compared as one string, so the key decides first and the rest after it;
        // equal forms keep document order. The forms are rebuilt from the rewritten lines when needed.
        CollationInput input;
        input.count = n;
        for (std::size_t i = 0; i < n; ++i)
            input.bytes += lines[i].size();
        input.parallel = threadSafe;
        input.text = [&](std::size_t i, std::string& scratch) { return rewritten.keyFirst(i, scratch); };
        input.pieces = [&](std::size_t i, std::string_view* pieces) {
            return rewritten.keyFirstPieces(i, pieces);
        };
        const std::vector<int> order = collationOrder(input, text, pool);
        rewritten.releaseKeys();

        // The lines in their new order; the few too long for an entry of their own are placed after.
        LineViews sorted(n);
        std::vector<std::vector<std::size_t>> longLines(cut.size());
        Progress::Stepper second(editor.progress, d, 50, 50);
        const auto stepSecond = [&](std::size_t i) { second.step(static_cast<std::int64_t>(i)); };
        runStepped(pool, cut, stepSecond, [&](std::size_t part) {
            for (std::size_t i = cut[part].first; i < cut[part].second; ++i)
                if (!sorted.trySet(i, rewritten[static_cast<std::size_t>(order[i])]))
                    longLines[part].push_back(i);
        });
        for (const std::vector<std::size_t>& part : longLines)
            for (std::size_t i : part)
                sorted.set(i, rewritten[static_cast<std::size_t>(order[i])]);
        editor.progress.end();
        LineList result = rewritten.takeStorage(doc.lines());
        result.assignViews(std::move(sorted), result);
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
