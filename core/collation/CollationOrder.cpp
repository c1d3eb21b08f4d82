#include "core/collation/CollationOrder.h"

#include "core/collation/Collation.h"
#include "core/collation/PrimaryRanks.h"
#include "core/lines/HugePages.h"
#include "core/parallel/ThreadPool.h"
#include "core/text/CodePage.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

namespace linnery {

namespace {

// From this many items on, the work is shared between threads: below it, handing it out costs more
// than it saves. Parts of a pass are at least kGrain items.
constexpr std::size_t kParallelItems = 50'000;
constexpr std::size_t kGrain = 8'192;
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
};

// The calling thread's worker and one for each other thread of the pool, made when that thread first
// takes a part.
class Team {
  public:
    Team(const ThreadPool& pool, Worker main) : pool_(pool), workers_(pool.threads()) {
        workers_[0].emplace(std::move(main));
    }

    // f(worker, part) for parts 0..parts-1, shared among the threads.
    template <class F> void each(std::size_t parts, F f) {
        pool_.run(parts, [&](std::size_t part, std::size_t slot) { f(worker(slot), part); });
    }
    // f(worker, begin, end) over 0..n cut into ranges.
    template <class F> void over(std::size_t n, F f) {
        const auto cut = ThreadPool::ranges(n, grain());
        each(cut.size(), [&](Worker& w, std::size_t part) { f(w, cut[part].first, cut[part].second); });
    }
    bool parallel() const { return pool_.threads() > 1; }
    unsigned threads() const { return pool_.threads(); }
    std::size_t grain() const { return pool_.grain(kGrain); }
    Worker& main() { return *workers_[0]; }

  private:
    Worker& worker(std::size_t slot) {
        std::optional<Worker>& w = workers_[slot];
        if (!w) {
            const Worker& m = *workers_[0];
            auto own = std::make_unique<const Collation>(m.coll->locale());
            const Collation* coll = own.get();
            w.emplace(Worker{coll, std::move(own), m.cp, m.text, m.pieces, m.ranks, {}, {}});
        }
        return *w;
    }

    const ThreadPool& pool_;
    std::vector<std::optional<Worker>> workers_; // by slot: each touched by its own thread only
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

// Sorts in place. On several threads: pieces are split at the median of a sample, level by level (the
// pieces of one level side by side), until there are a few per thread; then each piece is sorted. The
// order is total (input index last), so how the work was cut leaves no trace.
void sortEntries(Entry* b, Entry* e, Team& team) {
    const std::size_t n = static_cast<std::size_t>(e - b);
    if (!team.parallel()) {
        std::sort(b, e, less);
        return;
    }
    std::vector<std::pair<Entry*, Entry*>> pieces{{b, e}};
    while (pieces.size() < 4 * team.threads() && n / pieces.size() >= 2 * team.grain()) {
        std::vector<std::pair<Entry*, Entry*>> halves(2 * pieces.size());
        team.each(pieces.size(), [&](Worker&, std::size_t part) {
            const auto [from, to] = pieces[part];
            const std::size_t size = static_cast<std::size_t>(to - from);
            constexpr std::size_t kSample = 255;
            Entry sample[kSample];
            for (std::size_t i = 0; i < kSample; ++i)
                sample[i] = from[i * size / kSample];
            std::nth_element(sample, sample + kSample / 2, sample + kSample, less);
            const Entry pivot = sample[kSample / 2];
            Entry* mid = std::partition(from, to, [&](const Entry& x) { return less(x, pivot); });
            halves[2 * part] = {from, mid};
            halves[2 * part + 1] = {mid, to};
        });
        pieces = std::move(halves);
    }
    team.each(pieces.size(),
              [&](Worker&, std::size_t part) { std::sort(pieces[part].first, pieces[part].second, less); });
}

// The sort keys of entries from..to-1 into `out`, one per entry. `shared`: equal texts share one key, for
// runs of ties where the same lines come back again and again.
struct Keys {
    std::string keys;
    std::vector<std::pair<std::size_t, std::size_t>> keyAt; // offset and length in `keys`

    std::string_view operator[](std::size_t i) const {
        return std::string_view(keys).substr(keyAt[i].first, keyAt[i].second);
    }
};
void takeKeys(const Entry* b, std::size_t from, std::size_t to, Worker& w, bool shared, Keys& out) {
    out.keys.clear();
    out.keyAt.clear();
    std::unordered_map<std::string, std::size_t> seen;
    for (std::size_t i = from; i < to; ++i) {
        const std::string_view text = w.text(b[i].index, w.scratch);
        if (shared) {
            const auto [it, added] = seen.try_emplace(std::string(text), out.keyAt.size());
            if (!added) {
                out.keyAt.push_back(out.keyAt[it->second]);
                continue;
            }
        }
        const std::string_view key = w.coll->keyOf(text, w.cp);
        out.keyAt.emplace_back(out.keys.size(), key.size());
        out.keys.append(key);
    }
}

// Orders entries by their whole sort keys; their chunks are overwritten. `team`: the keys are taken by
// its threads, a range each.
void orderByKeys(Entry* b, Entry* e, Worker& w, Team* team) {
    const std::size_t n = static_cast<std::size_t>(e - b);
    std::vector<std::pair<std::size_t, std::size_t>> cut{{0, n}};
    if (team && team->parallel())
        cut = ThreadPool::ranges(n, team->grain());
    std::vector<Keys> parts(cut.size());
    if (cut.size() > 1)
        team->each(cut.size(), [&](Worker& on, std::size_t part) {
            takeKeys(b, cut[part].first, cut[part].second, on, false, parts[part]);
        });
    else
        takeKeys(b, 0, n, w, team == nullptr, parts[0]);
    const std::size_t size = cut[0].second; // every range but the last is this long
    auto keyOf = [&](std::size_t i) { return parts[i / size][i % size]; };
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
    // The whole input, cut where no tie and no unknown stretch crosses, a part for each range when
    // several threads work.
    std::vector<Run> firstRuns() const {
        if (!team_.parallel())
            return {{0, n_}};
        const auto stretches = unknownStretches(b_, n_);
        std::vector<Run> runs;
        std::size_t from = 0, s = 0;
        for (const auto& range : ThreadPool::ranges(n_, team_.grain())) {
            std::size_t cut = std::max(from, range.second);
            while (s < stretches.size() && stretches[s].second <= cut)
                ++s;
            if (s < stretches.size() && stretches[s].first < cut)
                cut = stretches[s].second;
            while (cut > 0 && cut < n_ && sameChunk(b_[cut - 1], b_[cut]))
                ++cut;
            if (cut > from)
                runs.push_back({from, cut});
            from = cut;
        }
        return runs;
    }

    // Runs sorted by their chunk at `depth`: settles what it can and gives the ties that need more ranks,
    // sorted by their next chunk.
    std::vector<Run> round(const std::vector<Run>& runs, int depth) {
        // Groups of runs of about the same number of items, one part each.
        std::vector<std::size_t> groupStart{0};
        if (team_.parallel()) {
            std::size_t total = 0, sum = 0;
            for (const Run& r : runs)
                total += r.end - r.begin;
            const std::size_t groupSize = std::max(team_.grain(), total / 64);
            for (std::size_t i = 0; i < runs.size(); ++i) {
                sum += runs[i].end - runs[i].begin;
                if (sum >= groupSize && i + 1 < runs.size()) {
                    groupStart.push_back(i + 1);
                    sum = 0;
                }
            }
        }
        groupStart.push_back(runs.size());
        const std::size_t groups = groupStart.size() - 1;
        std::vector<std::vector<Run>> more(groups);
        team_.each(groups, [&](Worker& w, std::size_t g) {
            for (std::size_t i = groupStart[g]; i < groupStart[g + 1]; ++i)
                settleRun(runs[i], depth, w, more[g]);
        });
        std::vector<Run> next;
        for (std::vector<Run>& m : more)
            next.insert(next.end(), m.begin(), m.end());
        more.clear();
        if (next.empty())
            return {};

        // The next ranks, taken in input order: the texts are read front to back.
        if (where_.empty()) {
            where_.resize(n_);
            pending_.assign((n_ + 63) / 64, 0);
        }
        const auto nextCut =
            ThreadPool::ranges(next.size(), team_.parallel() ? team_.grain() / 32 : next.size());
        team_.each(nextCut.size(), [&](Worker&, std::size_t part) {
            for (std::size_t i = nextCut[part].first; i < nextCut[part].second; ++i) {
                for (std::size_t pos = next[i].begin; pos < next[i].end; ++pos) {
                    const std::uint32_t index = b_[pos].index;
                    where_[index] = static_cast<std::uint32_t>(pos);
                    std::atomic_ref(pending_[index / 64])
                        .fetch_or(std::uint64_t{1} << (index % 64), std::memory_order_relaxed);
                }
            }
        });
        team_.over(pending_.size(), [&](Worker& w, std::size_t from, std::size_t to) {
            for (std::size_t word = from; word < to; ++word) {
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
        team_.each(nextCut.size(), [&](Worker&, std::size_t part) {
            for (std::size_t i = nextCut[part].first; i < nextCut[part].second; ++i)
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

std::vector<int> orderOf(const Entries& entries, Team& team) {
    std::vector<int> order(entries.size());
    team.over(entries.size(), [&](Worker&, std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            order[i] = static_cast<int>(entries[i].index);
    });
    return order;
}

} // namespace

std::vector<int> collationOrder(const CollationInput& input, const TextContext& text, const ThreadPool& pool,
                                OrderMethod method) {
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
        ranks = PrimaryRanks::of(coll, cp, pool);

    const ThreadPool& threads =
        input.parallel && pool.shares(n, kParallelItems) ? pool : ThreadPool::single();
    Team team(threads, Worker{&coll, nullptr, cp, input.text, input.pieces, ranks.get(), {}, {}});
    Entries entries(n);
    Entry* const b = entries.data();
    Entry* const e = b + n;
    team.over(n, [&](Worker&, std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            b[i].index = static_cast<std::uint32_t>(i);
    });
    if (!ranks) {
        orderByKeys(b, e, team.main(), &team);
        return orderOf(entries, team);
    }
    team.over(n, [&](Worker& w, std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            fillChunk(b[i], w, 0);
    });
    sortEntries(b, e, team);
    Settling(b, n, team).run();
    return orderOf(entries, team);
}

std::vector<int> collationOrder(const LineViews& lines, const TextContext& text, const ThreadPool& pool,
                                OrderMethod method) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < lines.size() && bytes < kRanksFromBytes; ++i)
        bytes += lines[i].size();
    CollationInput input;
    input.count = lines.size();
    input.text = [&lines](std::size_t i, std::string&) { return lines[i]; };
    input.bytes = bytes;
    input.parallel = true;
    return collationOrder(input, text, pool, method);
}

} // namespace linnery
