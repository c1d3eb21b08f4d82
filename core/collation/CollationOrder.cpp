#include "core/collation/CollationOrder.h"

#include "core/collation/Collation.h"
#include "core/collation/PrimaryRanks.h"
#include "core/lines/HugePages.h"
#include "core/parallel/SideBySide.h"
#include "core/text/CodePage.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace linnery {

namespace {

// From this many items on, a second thread shares the work.
constexpr std::size_t kParallelItems = 50'000;
// Building the rank table costs about as much as the sort keys of this many items or bytes.
constexpr std::size_t kRanksFromItems = 20'000;
constexpr std::size_t kRanksFromBytes = 2 << 20;
// Ranks are compared twelve at a time, four to a word; after this many rounds of ties the sort keys
// decide.
constexpr int kWords = 3;
constexpr int kChunk = 4 * kWords;
constexpr int kMaxDepth = 4;

enum State : std::uint32_t { kEnded = 0, kMore = 1, kUnknown = 2 };

// One item while it is being placed: twelve ranks (or 24 sort key bytes) to compare, its input index,
// and what is known beyond them.
struct Entry {
    std::uint64_t word[kWords];
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
// -1, 0 or 1 as the chunks compare.
int compareChunks(const Entry& a, const Entry& b) {
    for (int i = 0; i < kWords; ++i)
        if (a.word[i] != b.word[i])
            return a.word[i] < b.word[i] ? -1 : 1;
    return 0;
}
bool less(const Entry& a, const Entry& b) {
    const int c = compareChunks(a, b);
    return c != 0 ? c < 0 : a.index < b.index;
}
bool sameChunk(const Entry& a, const Entry& b) {
    return compareChunks(a, b) == 0;
}
// How many leading ranks two chunks share (0..kChunk).
int commonRanks(const Entry& a, const Entry& b) {
    for (int i = 0; i < kWords; ++i)
        if (const std::uint64_t x = a.word[i] ^ b.word[i])
            return 4 * i + std::countl_zero(x) / 16;
    return kChunk;
}
void clearChunk(Entry& e) {
    for (std::uint64_t& w : e.word)
        w = 0;
}

// What one thread needs: a collator of its own (a collator serves one thread at a time) and scratch space.
struct Worker {
    const Collation* coll;
    std::unique_ptr<const Collation> own;
    const CodePage& cp;
    const CollationText& text;
    const CollationPieces& pieces;
    const PrimaryRanks* ranks;
    std::string scratch, other;
    std::string keys;
    std::vector<std::pair<std::size_t, std::size_t>> keyAt; // offset and length in `keys`
};

// The main thread's worker and, for large inputs, a second one on a thread of its own.
struct Team {
    Worker main;
    std::optional<Worker> helper;

    // f(worker, part) for part 0 here and part 1 on the helper's thread, or part 0 alone.
    template <class F> void both(F f) {
        if (!helper) {
            f(main, 0);
            return;
        }
        runSideBySide([&] { f(main, 0); }, [&] { f(*helper, 1); });
    }
    int parts() const { return helper ? 2 : 1; }
};

void fillChunk(Entry& e, Worker& w, int depth) {
    std::uint16_t r[kChunk] = {};
    const std::size_t skip = static_cast<std::size_t>(depth) * kChunk;
    PrimaryRanks::Result res;
    if (w.pieces) {
        std::string_view pieces[kMaxPieces];
        res = w.ranks->ranks(pieces, w.pieces(e.index, pieces), skip, r, kChunk);
    } else {
        res = w.ranks->ranks(w.text(e.index, w.scratch), skip, r, kChunk);
    }
    for (int i = 0; i < kWords; ++i)
        e.word[i] = std::uint64_t{r[4 * i]} << 48 | std::uint64_t{r[4 * i + 1]} << 32 |
                    std::uint64_t{r[4 * i + 2]} << 16 | r[4 * i + 3];
    const State s = res.status == PrimaryRanks::Status::Ended  ? kEnded
                    : res.status == PrimaryRanks::Status::More ? kMore
                                                               : kUnknown;
    e.state = s | static_cast<std::uint32_t>(res.written) << 2;
}

void sortEntries(Entry* b, Entry* e, Team& team) {
    const std::size_t n = static_cast<std::size_t>(e - b);
    if (team.parts() == 1 || n < kParallelItems) {
        std::sort(b, e, less);
        return;
    }
    // Split at the median of a sample, then each side on its own thread.
    std::vector<Entry> sample;
    for (std::size_t i = 0; i < 1024; ++i)
        sample.push_back(b[i * n / 1024]);
    std::nth_element(sample.begin(), sample.begin() + 512, sample.end(), less);
    const Entry pivot = sample[512];
    Entry* mid = std::partition(b, e, [&](const Entry& x) { return less(x, pivot); });
    team.both([&](Worker&, int part) { part == 0 ? std::sort(b, mid, less) : std::sort(mid, e, less); });
}

// The sort keys of entries from..to-1 into the worker's store, one per entry. `shared`: equal texts
// share one key, for runs of ties where the same lines come back again and again.
void takeKeys(const Entry* b, std::size_t from, std::size_t to, Worker& w, bool shared) {
    w.keys.clear();
    w.keyAt.clear();
    std::unordered_map<std::string, std::size_t> seen;
    for (std::size_t i = from; i < to; ++i) {
        const std::string_view text = w.text(b[i].index, w.scratch);
        if (shared) {
            const auto [it, added] = seen.try_emplace(std::string(text), w.keyAt.size());
            if (!added) {
                w.keyAt.push_back(w.keyAt[it->second]);
                continue;
            }
        }
        const std::string_view key = w.coll->keyOf(text, w.cp);
        w.keyAt.emplace_back(w.keys.size(), key.size());
        w.keys.append(key);
    }
}

// Orders entries by their whole sort keys; their chunks are overwritten. `team`: the keys of the second
// half are taken on the helper's thread.
void orderByKeys(Entry* b, Entry* e, Worker& w, Team* team) {
    const std::size_t n = static_cast<std::size_t>(e - b);
    const std::size_t half = team && team->parts() == 2 ? n / 2 : n;
    if (half < n)
        team->both([&](Worker& on, int part) {
            takeKeys(b, part == 0 ? 0 : half, part == 0 ? half : n, on, false);
        });
    else
        takeKeys(b, 0, n, w, team == nullptr);
    Worker& second = half < n ? *team->helper : w;
    auto keyOf = [&](std::size_t i) {
        const Worker& on = i < half ? w : second;
        const auto [at, size] = on.keyAt[i < half ? i : i - half];
        return std::string_view(on.keys).substr(at, size);
    };
    // Most comparisons are decided by the first key bytes, kept in the entry; the rest is read only on a
    // tie. Sort keys hold no zero byte, so padding a short key with zeros keeps the order.
    constexpr std::size_t kInEntry = 8 * kWords;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view key = keyOf(i);
        clearChunk(b[i]);
        for (std::size_t k = 0; k < kInEntry; ++k)
            b[i].word[k / 8] =
                b[i].word[k / 8] << 8 | (k < key.size() ? static_cast<unsigned char>(key[k]) : 0u);
        b[i].state = static_cast<std::uint32_t>(i);
    }
    auto rest = [&](const Entry& x) {
        const std::string_view key = keyOf(x.state);
        return key.size() <= kInEntry ? std::string_view() : key.substr(kInEntry);
    };
    std::sort(b, e, [&](const Entry& x, const Entry& y) {
        if (const int c = compareChunks(x, y))
            return c < 0;
        if (const int c = rest(x).compare(rest(y)))
            return c < 0;
        return x.index < y.index;
    });
    for (Worker* on : {&w, &second}) { // released as soon as the order is known
        std::string().swap(on->keys);
        decltype(on->keyAt)().swap(on->keyAt);
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

struct Run {
    std::size_t begin, end;
};

// Puts the ties in order, a round of twelve ranks at a time. Each round takes the next ranks of every
// tie that needs them in one pass over the items in input order, so the texts are read front to back
// rather than in sorted order.
class Settling {
  public:
    Settling(Entry* entries, std::size_t n, Team& team) : b_(entries), n_(n), team_(team) {}

    void run() {
        std::vector<Run> runs = firstRuns();
        for (int depth = 0; !runs.empty(); ++depth)
            runs = round(runs, depth);
    }

  private:
    // The whole input, cut in two at a place no tie and no unknown stretch crosses when two threads work.
    std::vector<Run> firstRuns() const {
        std::size_t mid = n_ / 2;
        if (team_.parts() == 1 || n_ < kParallelItems)
            return {{0, n_}};
        for (const auto& [lo, hi] : unknownStretches(b_, n_))
            if (lo < mid && mid < hi)
                mid = hi;
        while (mid > 0 && mid < n_ && sameChunk(b_[mid - 1], b_[mid]))
            ++mid;
        return {{0, mid}, {mid, n_}};
    }

    // Runs sorted by their chunk at `depth`: settles what it can and gives the ties that need more ranks,
    // sorted by their next chunk.
    std::vector<Run> round(const std::vector<Run>& runs, int depth) {
        std::vector<Run> more[2];
        std::size_t split = runs.size();
        if (team_.parts() == 2) {
            std::size_t total = 0, sum = 0;
            for (const Run& r : runs)
                total += r.end - r.begin;
            for (split = 0; split < runs.size() && sum < total / 2; ++split)
                sum += runs[split].end - runs[split].begin;
        }
        team_.both([&](Worker& w, int part) {
            for (std::size_t i = part == 0 ? 0 : split; i < (part == 0 ? split : runs.size()); ++i)
                settleRun(runs[i], depth, w, more[part]);
        });
        more[0].insert(more[0].end(), more[1].begin(), more[1].end());
        std::vector<Run>& next = more[0];
        if (next.empty())
            return {};

        // The next ranks, taken in input order: the texts are read front to back.
        if (where_.empty()) {
            where_.resize(n_);
            pending_.assign((n_ + 63) / 64, 0);
        }
        for (const Run& r : next) {
            for (std::size_t pos = r.begin; pos < r.end; ++pos) {
                const std::uint32_t index = b_[pos].index;
                where_[index] = static_cast<std::uint32_t>(pos);
                pending_[index / 64] |= std::uint64_t{1} << (index % 64);
            }
        }
        const std::size_t words = pending_.size();
        const std::size_t half = team_.parts() == 2 ? words / 2 : words;
        team_.both([&](Worker& w, int part) {
            for (std::size_t word = part == 0 ? 0 : half; word < (part == 0 ? half : words); ++word) {
                // The entries are spread over the whole table: ask for all of a word's at once.
                Entry* at[64];
                int count = 0;
                for (std::uint64_t bits = pending_[word]; bits != 0; bits &= bits - 1) {
                    at[count] = b_ + where_[word * 64 + static_cast<std::size_t>(std::countr_zero(bits))];
                    __builtin_prefetch(at[count++], 1);
                }
                for (int i = 0; i < count; ++i) {
                    Entry& x = *at[i];
                    if (stateOf(x) == kMore) {
                        fillChunk(x, w, depth + 1);
                    } else {
                        clearChunk(x);
                        x.state = kEnded;
                    }
                }
                pending_[word] = 0;
            }
        });
        team_.both([&](Worker&, int part) {
            const auto step = static_cast<std::size_t>(team_.parts());
            for (std::size_t i = static_cast<std::size_t>(part); i < next.size(); i += step)
                std::sort(b_ + next[i].begin, b_ + next[i].end, less);
        });
        return next;
    }

    void settleRun(Run run, int depth, Worker& w, std::vector<Run>& more) {
        Entry* const b = b_ + run.begin;
        const std::size_t n = run.end - run.begin;
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
            if (j - i > 1) {
                const bool longer =
                    std::any_of(b + i, b + j, [](const Entry& x) { return stateOf(x) == kMore; });
                if (longer && depth + 1 < kMaxDepth)
                    more.push_back({run.begin + i, run.begin + j});
                else if (longer || !sameTexts(b + i, b + j, w)) // equal texts keep their order
                    orderByKeys(b + i, b + j, w, nullptr);
            }
            i = j;
        }
    }

    Entry* b_;
    std::size_t n_;
    Team& team_;
    std::vector<std::uint32_t> where_;   // by input index: where a pending item stands
    std::vector<std::uint64_t> pending_; // by input index: the items whose next ranks are wanted
};

std::vector<int> orderOf(const Entries& entries) {
    std::vector<int> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        order[i] = static_cast<int>(entries[i].index);
    return order;
}

} // namespace

std::vector<int> collationOrder(const CollationInput& input, const TextContext& text, OrderMethod method) {
    const std::size_t n = input.count;
    if (n < 2)
        return n == 1 ? std::vector<int>{0} : std::vector<int>{};
    const Collation& coll = text.collation();
    const CodePage& cp = text.codePage();
    if (method == OrderMethod::Auto)
        method = n >= kRanksFromItems || input.bytes >= kRanksFromBytes ? OrderMethod::Ranks
                                                                        : OrderMethod::WholeKeys;
    std::shared_ptr<const PrimaryRanks> ranks;
    if (method == OrderMethod::Ranks)
        ranks = PrimaryRanks::of(coll, cp);

    Team team{Worker{&coll, nullptr, cp, input.text, input.pieces, ranks.get(), {}, {}, {}, {}},
              std::nullopt};
    if (input.parallel && n >= kParallelItems && std::thread::hardware_concurrency() > 1) {
        auto own = std::make_unique<const Collation>(coll.locale());
        const Collation* helperColl = own.get();
        team.helper.emplace(
            Worker{helperColl, std::move(own), cp, input.text, input.pieces, ranks.get(), {}, {}, {}, {}});
    }
    Entries entries(n);
    for (std::size_t i = 0; i < n; ++i)
        entries[i].index = static_cast<std::uint32_t>(i);
    Entry* const b = entries.data();
    Entry* const e = b + n;
    if (!ranks) {
        orderByKeys(b, e, team.main, &team);
        return orderOf(entries);
    }
    const std::size_t half = team.parts() == 2 ? n / 2 : n;
    team.both([&](Worker& w, int part) {
        for (Entry* x = part == 0 ? b : b + half; x != (part == 0 ? b + half : e); ++x)
            fillChunk(*x, w, 0);
    });
    sortEntries(b, e, team);
    Settling(b, n, team).run();
    return orderOf(entries);
}

std::vector<int> collationOrder(const LineViews& lines, const TextContext& text, OrderMethod method) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        bytes += lines[i].size();
    CollationInput input;
    input.count = lines.size();
    input.text = [&lines](std::size_t i, std::string&) { return lines[i]; };
    input.bytes = bytes;
    input.parallel = true;
    return collationOrder(input, text, method);
}

} // namespace linnery
