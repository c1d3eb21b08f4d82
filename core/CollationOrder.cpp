#include "core/CollationOrder.h"

#include "core/CodePage.h"
#include "core/Collation.h"
#include "core/HugePages.h"
#include "core/PrimaryRanks.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <thread>

namespace linnery {

namespace {

// From this many items on, a second thread shares the work.
constexpr std::size_t kParallelItems = 50'000;
// Building the rank table costs about as much as the sort keys of this many items or bytes.
constexpr std::size_t kRanksFromItems = 20'000;
constexpr std::size_t kRanksFromBytes = 2 << 20;
// Ranks are compared eight at a time; after this many rounds of ties the sort keys decide.
constexpr int kChunk = 8;
constexpr int kMaxDepth = 6;

enum State : std::uint32_t { kEnded = 0, kMore = 1, kUnknown = 2 };

// One item while it is being placed: eight ranks (or 16 sort key bytes) to compare, its input index, and
// what is known beyond them.
struct Entry {
    std::uint64_t hi, lo;
    std::uint32_t index;
    std::uint32_t state; // State in the low 2 bits, the ranks known before an unknown one above them
};
using Entries = std::vector<Entry, HugePageAllocator<Entry>>;

State stateOf(const Entry& e) {
    return static_cast<State>(e.state & 3);
}
int knownOf(const Entry& e) {
    return static_cast<int>(e.state >> 2);
}
bool less(const Entry& a, const Entry& b) {
    if (a.hi != b.hi)
        return a.hi < b.hi;
    if (a.lo != b.lo)
        return a.lo < b.lo;
    return a.index < b.index;
}
bool sameChunk(const Entry& a, const Entry& b) {
    return a.hi == b.hi && a.lo == b.lo;
}
// How many leading ranks two chunks share (0..8).
int commonRanks(const Entry& a, const Entry& b) {
    if (const std::uint64_t x = a.hi ^ b.hi)
        return std::countl_zero(x) / 16;
    if (const std::uint64_t y = a.lo ^ b.lo)
        return 4 + std::countl_zero(y) / 16;
    return kChunk;
}

// What one thread needs: its own collator (a collator serves one thread at a time) and scratch space.
struct Worker {
    const Collation& coll;
    const CodePage& cp;
    const CollationText& text;
    const PrimaryRanks* ranks;
    std::string scratch, other;
    std::vector<char> keys;
    std::vector<std::size_t> offsets;
};

// Runs `second` on a helper thread (with its own collator) while `first` runs here.
template <class First, class Second> void inParallel(const Collation& coll, First first, Second second) {
    std::exception_ptr failure;
    {
        std::jthread helper([&] {
            try {
                const Collation own(coll.locale());
                second(own);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        first();
    }
    if (failure)
        std::rethrow_exception(failure);
}

void fillChunk(Entry& e, Worker& w, int depth) {
    std::uint16_t r[kChunk] = {};
    const PrimaryRanks::Result res =
        w.ranks->ranks(w.text(e.index, w.scratch), static_cast<std::size_t>(depth) * kChunk, r, kChunk);
    e.hi = std::uint64_t{r[0]} << 48 | std::uint64_t{r[1]} << 32 | std::uint64_t{r[2]} << 16 | r[3];
    e.lo = std::uint64_t{r[4]} << 48 | std::uint64_t{r[5]} << 32 | std::uint64_t{r[6]} << 16 | r[7];
    const State s = res.status == PrimaryRanks::Status::Ended  ? kEnded
                    : res.status == PrimaryRanks::Status::More ? kMore
                                                               : kUnknown;
    e.state = s | static_cast<std::uint32_t>(res.written) << 2;
}

void sortEntries(Entry* b, Entry* e, const Collation* parallelWith) {
    if (!parallelWith || static_cast<std::size_t>(e - b) < kParallelItems) {
        std::sort(b, e, less);
        return;
    }
    // Split at the median of a sample, then each half on its own thread.
    const std::size_t n = static_cast<std::size_t>(e - b);
    std::vector<Entry> sample;
    for (std::size_t i = 0; i < 1024; ++i)
        sample.push_back(b[i * n / 1024]);
    std::nth_element(sample.begin(), sample.begin() + 512, sample.end(), less);
    const Entry pivot = sample[512];
    Entry* mid = std::partition(b, e, [&](const Entry& x) { return less(x, pivot); });
    inParallel(
        *parallelWith, [&] { std::sort(b, mid, less); }, [&](const Collation&) { std::sort(mid, e, less); });
}

// Orders a run of entries by their whole sort keys; the entries' chunks are overwritten. With a helper,
// the keys of the second half are taken on another thread.
void orderByKeys(Entry* b, Entry* e, Worker& w, Worker* helper) {
    const std::size_t n = static_cast<std::size_t>(e - b);
    const std::size_t half = helper ? n / 2 : n;
    auto take = [&](Worker& on, const Collation& coll, std::size_t from, std::size_t to) {
        on.keys.clear();
        on.offsets.assign(1, 0);
        for (std::size_t i = from; i < to; ++i) {
            const std::string_view key = coll.keyOf(on.text(b[i].index, on.scratch), on.cp);
            on.keys.insert(on.keys.end(), key.begin(), key.end());
            on.offsets.push_back(on.keys.size());
        }
    };
    if (helper)
        inParallel(
            w.coll, [&] { take(w, w.coll, 0, half); },
            [&](const Collation& own) { take(*helper, own, half, n); });
    else
        take(w, w.coll, 0, n);
    auto keyOf = [&](std::size_t i) {
        const Worker& on = i < half ? w : *helper;
        const std::size_t j = i < half ? i : i - half;
        return std::string_view(on.keys.data() + on.offsets[j], on.offsets[j + 1] - on.offsets[j]);
    };
    // Most comparisons are decided by the first 16 key bytes, kept in the entry; the rest is read only on
    // a tie. Sort keys hold no zero byte, so padding a short key with zeros keeps the order.
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view key = keyOf(i);
        std::uint64_t word[2] = {0, 0};
        for (std::size_t k = 0; k < 16; ++k)
            word[k / 8] = word[k / 8] << 8 | (k < key.size() ? static_cast<unsigned char>(key[k]) : 0u);
        b[i].hi = word[0];
        b[i].lo = word[1];
        b[i].state = static_cast<std::uint32_t>(i);
    }
    auto rest = [&](const Entry& x) {
        const std::string_view key = keyOf(x.state);
        return key.size() <= 16 ? std::string_view() : key.substr(16);
    };
    std::sort(b, e, [&](const Entry& x, const Entry& y) {
        if (x.hi != y.hi)
            return x.hi < y.hi;
        if (x.lo != y.lo)
            return x.lo < y.lo;
        if (const int c = rest(x).compare(rest(y)))
            return c < 0;
        return x.index < y.index;
    });
    for (Worker* on : {&w, helper}) {
        if (on) {
            std::vector<char>().swap(on->keys); // released as soon as the order is known
            std::vector<std::size_t>().swap(on->offsets);
        }
    }
}

// Where ranks cannot be read (State kUnknown after k ranks), the item may belong anywhere among the items
// that share those k ranks: each such stretch, merged where they overlap, is left to the sort keys.
std::vector<std::pair<std::size_t, std::size_t>> unknownStretches(const Entry* b, std::size_t n) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t pos = 0; pos < n; ++pos) {
        if (stateOf(b[pos]) != kUnknown)
            continue;
        const int k = knownOf(b[pos]);
        std::size_t lo = pos, hi = pos + 1;
        if (!out.empty() && pos < out.back().second) { // inside the last stretch: widen it if need be
            lo = out.back().first;
            hi = out.back().second;
            out.pop_back();
        }
        while (lo > 0 && commonRanks(b[lo - 1], b[pos]) >= k)
            --lo;
        while (hi < n && commonRanks(b[hi], b[pos]) >= k)
            ++hi;
        while (!out.empty() && out.back().second > lo) { // a wider stretch swallows earlier ones
            lo = std::min(lo, out.back().first);
            out.pop_back();
        }
        out.emplace_back(lo, hi);
    }
    return out;
}

bool sameTexts(const Entry* b, const Entry* e, Worker& w) {
    const std::string_view first = w.text(b->index, w.other);
    for (const Entry* x = b + 1; x != e; ++x)
        if (w.text(x->index, w.scratch) != first)
            return false;
    return true;
}

void settle(Entry* b, Entry* e, int depth, Worker& w);

// A run of items whose ranks tie so far.
void settleTie(Entry* b, Entry* e, int depth, Worker& w) {
    const bool more = std::any_of(b, e, [](const Entry& x) { return stateOf(x) == kMore; });
    if (!more) {
        // The same first level throughout: equal texts keep their order, others need the keys.
        if (!sameTexts(b, e, w))
            orderByKeys(b, e, w, nullptr);
        return;
    }
    if (depth + 1 >= kMaxDepth) {
        orderByKeys(b, e, w, nullptr);
        return;
    }
    for (Entry* x = b; x != e; ++x) {
        if (stateOf(*x) == kMore)
            fillChunk(*x, w, depth + 1);
        else
            x->hi = x->lo = 0, x->state = kEnded;
    }
    std::sort(b, e, less);
    settle(b, e, depth + 1, w);
}

// Entries sorted by their chunk at `depth`, all sharing the chunks before it: puts the ties in order.
void settle(Entry* b, Entry* e, int depth, Worker& w) {
    const std::size_t n = static_cast<std::size_t>(e - b);
    const auto stretches = unknownStretches(b, n);
    std::size_t next = 0;
    for (std::size_t i = 0; i < n;) {
        if (next < stretches.size() && stretches[next].first == i) {
            orderByKeys(b + i, b + stretches[next].second, w, nullptr);
            i = stretches[next++].second;
            continue;
        }
        const std::size_t limit = next < stretches.size() ? stretches[next].first : n;
        std::size_t j = i + 1;
        while (j < limit && sameChunk(b[i], b[j]))
            ++j;
        if (j - i > 1)
            settleTie(b + i, b + j, depth, w);
        i = j;
    }
}

std::vector<int> orderOf(const Entries& entries) {
    std::vector<int> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        order[i] = static_cast<int>(entries[i].index);
    return order;
}

} // namespace

std::vector<int> collationOrder(const CollationInput& input, OrderMethod method) {
    const std::size_t n = input.count;
    if (n < 2)
        return n == 1 ? std::vector<int>{0} : std::vector<int>{};
    const Collation& coll = Collation::current();
    const CodePage& cp = CodePage::current();
    const bool parallel = input.parallel && n >= kParallelItems && std::thread::hardware_concurrency() > 1;
    if (method == OrderMethod::Auto)
        method = n >= kRanksFromItems || input.bytes >= kRanksFromBytes ? OrderMethod::Ranks
                                                                        : OrderMethod::WholeKeys;
    std::shared_ptr<const PrimaryRanks> ranks;
    if (method == OrderMethod::Ranks)
        ranks = PrimaryRanks::of(coll, cp);

    Entries entries(n);
    for (std::size_t i = 0; i < n; ++i)
        entries[i].index = static_cast<std::uint32_t>(i);
    Worker w{coll, cp, input.text, ranks.get(), {}, {}, {}, {}};
    std::optional<Worker> helper;
    if (parallel)
        helper.emplace(Worker{coll, cp, input.text, ranks.get(), {}, {}, {}, {}});
    Entry* const b = entries.data();
    Entry* const e = b + n;
    if (!ranks) {
        orderByKeys(b, e, w, helper ? &*helper : nullptr);
        return orderOf(entries);
    }

    if (parallel) {
        inParallel(
            coll, [&] { std::for_each(b, b + n / 2, [&](Entry& x) { fillChunk(x, w, 0); }); },
            [&](const Collation&) {
                std::for_each(b + n / 2, e, [&](Entry& x) { fillChunk(x, *helper, 0); });
            });
    } else {
        for (Entry* x = b; x != e; ++x)
            fillChunk(*x, w, 0);
    }
    sortEntries(b, e, parallel ? &coll : nullptr);
    if (!parallel) {
        settle(b, e, 0, w);
        return orderOf(entries);
    }
    // Two halves that share no tie and no unknown stretch, one per thread.
    std::size_t mid = n / 2;
    for (const auto& [lo, hi] : unknownStretches(b, n))
        if (lo < mid && mid < hi)
            mid = hi;
    while (mid > 0 && mid < n && sameChunk(b[mid - 1], b[mid]))
        ++mid;
    inParallel(
        coll, [&] { settle(b, b + mid, 0, w); },
        [&](const Collation& own) {
            Worker h{own, cp, input.text, ranks.get(), {}, {}, {}, {}};
            settle(b + mid, e, 0, h);
        });
    return orderOf(entries);
}

std::vector<int> collationOrder(const LineViews& lines, OrderMethod method) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        bytes += lines[i].size();
    CollationInput input;
    input.count = lines.size();
    input.text = [&lines](std::size_t i, std::string&) { return lines[i]; };
    input.bytes = bytes;
    input.parallel = true;
    return collationOrder(input, method);
}

} // namespace linnery
