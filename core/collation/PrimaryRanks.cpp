#include "core/collation/PrimaryRanks.h"

#include "core/collation/Collation.h"
#include "core/parallel/ThreadPool.h"
#include "core/text/CharacterTable.h"
#include "core/text/CodePage.h"
#include "core/text/Utf8Validation.h"

#include <unicode/coleitr.h>
#include <unicode/normalizer2.h>
#include <unicode/tblcoll.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>
#include <unicode/usetiter.h>

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace linnery {

namespace {

// What a character needs besides its own ranks.
enum Flag : std::uint8_t {
    kUnknown = 1,    // its weight cannot be read from a table: ask the collation
    kStarter = 2,    // starts a contraction: known only when the next character cannot continue it
    kPrefixed = 4,   // weighs differently after certain characters (the prolonged sound mark after kana)
    kLongPrefix = 8, // weighs differently after certain runs of characters: in doubt after their last one
    kMark = 16,      // a combining mark, which may join a contraction across other marks
    kMultiFold = 32, // folds to several characters
    // The collation normalises: where a text is not in FCD form its marks are put in canonical order.
    kLeadCc = 64,   // starts with a mark (lead combining class): FCD only if the one before allows it
    kMovable = 128, // holds a mark with ranks of its own, which canonical ordering may move past others
};

// The ranks of one character: `count` ranks, the rank itself or where the ranks start in `expansions`.
struct CharInfo {
    std::uint16_t value = 0;
    std::uint8_t count = 0;
    std::uint8_t flags = kUnknown;
};

std::uint32_t pairKey(std::uint32_t first, std::uint32_t second) {
    return first << 16 | second;
}

std::vector<UChar32> codePoints(const icu::UnicodeString& s) {
    std::vector<UChar32> out;
    for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1))
        out.push_back(s.char32At(i));
    return out;
}

// Collation elements are handed out in the old 32-bit form: the primary's upper half in the element, its
// lower half in a continuation (low bits 0xC0) that follows.
std::vector<std::uint32_t> primariesOf(icu::CollationElementIterator& it, const icu::UnicodeString& text) {
    UErrorCode err = U_ZERO_ERROR;
    it.setText(text, err);
    std::vector<std::uint32_t> out;
    bool lastHadPrimary = false;
    for (;;) {
        const int32_t order = it.next(err);
        if (order == icu::CollationElementIterator::NULLORDER || U_FAILURE(err))
            break;
        const auto ce = static_cast<std::uint32_t>(order);
        if ((ce & 0xC0) == 0xC0) {
            if (lastHadPrimary)
                out.back() |= ce >> 16;
            continue;
        }
        lastHadPrimary = (ce >> 16) != 0;
        if (lastHadPrimary)
            out.push_back(ce & 0xFFFF0000u);
    }
    return out;
}

} // namespace

struct PrimaryRanks::Data {
    std::vector<CharInfo> chars = std::vector<CharInfo>(0x10000);
    std::vector<std::uint16_t> folded =
        std::vector<std::uint16_t>(0x10000, 0); // the (last) folded code point
    std::vector<std::uint16_t> expansions;
    std::unordered_set<std::uint32_t> contractionPairs;
    std::unordered_set<std::uint32_t> longPrefixPairs;
    struct Context {
        std::uint16_t value;
        std::uint8_t count;
        bool known;
    };
    std::unordered_map<std::uint32_t, Context> prefixPairs;
    // Lead and trail combining classes of each character's folded form (the FCD test).
    std::vector<std::uint8_t> leadCc = std::vector<std::uint8_t>(0x10000, 0);
    std::vector<std::uint8_t> trailCc = std::vector<std::uint8_t>(0x10000, 0);

    // How the code page's characters read; null for UTF-8, decoded here directly.
    std::shared_ptr<const CharacterTable> table;

    // The next code point, or -1 for bytes that do not decode.
    int32_t decode(const unsigned char*& p, const unsigned char* end) const {
        if (!table)
            return nextUtf8(p, end);
        const CharacterTable::Step step = table->next(p, end);
        p += step.length;
        return step.codePoint;
    }
};

PrimaryRanks::PrimaryRanks(std::unique_ptr<Data> data) : d_(std::move(data)) {}
PrimaryRanks::~PrimaryRanks() = default;

namespace {

// What the table is built from: the collation's contractions and context rules, and each character's
// case-folded form with its raw primary weights.
struct Sources {
    std::vector<std::uint8_t> context = std::vector<std::uint8_t>(0x110000, 0); // flags by code point
    std::vector<std::pair<UChar32, UChar32>> prefixed; // (before, c): c weighs differently after `before`
    struct Char {
        std::array<UChar32, 3> folded{};
        std::uint8_t length = 0; // 0: left unknown
        std::vector<std::uint32_t> primaries;
    };
    std::vector<Char> chars = std::vector<Char>(0x10000);
    std::unordered_map<std::uint32_t, std::string> firstLevel; // raw primary -> its first-level key bytes
};

// Contractions, and the characters whose weight depends on what stands before them.
bool readContexts(const icu::RuleBasedCollator& rules, Sources& src, PrimaryRanks::Data& d) {
    UErrorCode err = U_ZERO_ERROR;
    icu::UnicodeSet contractions, withPrefixes;
    ucol_getContractionsAndExpansions(rules.toUCollator(), contractions.toUSet(), nullptr, false, &err);
    ucol_getContractionsAndExpansions(rules.toUCollator(), withPrefixes.toUSet(), nullptr, true, &err);
    if (U_FAILURE(err))
        return false;
    for (icu::UnicodeSetIterator it(withPrefixes); it.next();) {
        if (!it.isString())
            continue;
        const std::vector<UChar32> s = codePoints(it.getString());
        if (s.size() < 2)
            continue;
        auto bmpPair = [&](std::size_t i) {
            return s[i] <= 0xFFFF && s[i + 1] <= 0xFFFF
                       ? std::optional(
                             pairKey(static_cast<std::uint32_t>(s[i]), static_cast<std::uint32_t>(s[i + 1])))
                       : std::nullopt;
        };
        if (contractions.contains(it.getString())) {
            src.context[static_cast<std::size_t>(s[0])] |= kStarter;
            if (const auto pair = bmpPair(0))
                d.contractionPairs.insert(*pair);
        } else if (s.size() == 2 && bmpPair(0)) {
            src.context[static_cast<std::size_t>(s[1])] |= kPrefixed;
            src.prefixed.emplace_back(s[0], s[1]);
        } else {
            // A longer prefix, or a prefix before a contraction: each character is in doubt after the one
            // in front of it here.
            for (std::size_t i = 1; i < s.size(); ++i) {
                src.context[static_cast<std::size_t>(s[i])] |= kLongPrefix;
                if (const auto pair = bmpPair(i - 1))
                    d.longPrefixPairs.insert(*pair);
            }
        }
    }
    return true;
}

// Each character's folded form and its raw primaries, and for single weights the order the collation
// gives them: the first level of the sort key, which is where script reordering shows.
bool readCharacters(icu::RuleBasedCollator& rules, Sources& src) {
    std::unique_ptr<icu::CollationElementIterator> elements(
        rules.createCollationElementIterator(icu::UnicodeString()));
    std::unique_ptr<icu::Collator> firstOnly(rules.clone());
    if (!elements || !firstOnly)
        return false;
    firstOnly->setStrength(icu::Collator::PRIMARY);
    std::vector<std::uint8_t> key(64);
    for (UChar32 c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue; // stays unknown
        icu::UnicodeString folded(c);
        folded.foldCase(U_FOLD_CASE_DEFAULT);
        Sources::Char& ch = src.chars[static_cast<std::size_t>(c)];
        const std::vector<UChar32> cps = codePoints(folded);
        if (cps.size() > ch.folded.size() ||
            std::any_of(cps.begin(), cps.end(), [](UChar32 f) { return f > 0xFFFF; }))
            continue;
        std::copy(cps.begin(), cps.end(), ch.folded.begin());
        ch.length = static_cast<std::uint8_t>(cps.size());
        ch.primaries = primariesOf(*elements, folded);
        if (ch.primaries.size() != 1 || src.firstLevel.count(ch.primaries[0]))
            continue;
        int32_t length = firstOnly->getSortKey(folded, key.data(), static_cast<int32_t>(key.size()));
        if (length > static_cast<int32_t>(key.size())) {
            key.resize(static_cast<std::size_t>(length));
            length = firstOnly->getSortKey(folded, key.data(), length);
        }
        // Without its terminating zero byte.
        src.firstLevel.emplace(ch.primaries[0],
                               std::string(key.begin(), key.begin() + std::max(0, length - 1)));
    }
    return true;
}

} // namespace

std::shared_ptr<const PrimaryRanks> PrimaryRanks::of(const Collation& coll, const CodePage& cp,
                                                     const ThreadPool& pool) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const PrimaryRanks>> built;
    const std::lock_guard lock(mutex);
    const std::string name = coll.locale() + '\n' + cp.name();
    if (const auto it = built.find(name); it != built.end())
        return it->second;
    std::shared_ptr<const PrimaryRanks>& slot = built[name];

    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(icu::Locale(coll.locale().c_str()), err));
    auto* rules = dynamic_cast<icu::RuleBasedCollator*>(collator.get());
    if (U_FAILURE(err) || !rules || rules->getAttribute(UCOL_ALTERNATE_HANDLING, err) != UCOL_NON_IGNORABLE ||
        rules->getAttribute(UCOL_NUMERIC_COLLATION, err) != UCOL_OFF ||
        rules->getAttribute(UCOL_NORMALIZATION_MODE, err) != UCOL_OFF || U_FAILURE(err))
        return slot;
    auto d = std::make_unique<Data>();
    d->table = cp.characterTable();
    if (!d->table && cp.kind() != CodePage::Kind::Utf8)
        return slot;

    // The two halves of the work take about as long each: side by side where the pool has threads.
    Sources src;
    bool contextsRead = false, charactersRead = false;
    pool.run(2, [&](std::size_t part, std::size_t) {
        if (part == 0)
            charactersRead = readCharacters(*rules, src);
        else
            contextsRead = readContexts(*rules, src, *d);
    });
    if (!contextsRead || !charactersRead)
        return slot;

    // Ranks in the order of the first-level keys, 1 up (0 pads a line that has ended).
    std::vector<std::pair<std::string, std::uint32_t>> ordered;
    ordered.reserve(src.firstLevel.size());
    for (auto& [raw, level] : src.firstLevel)
        ordered.emplace_back(std::move(level), raw);
    std::sort(ordered.begin(), ordered.end());
    std::unordered_map<std::uint32_t, std::uint16_t> rankOf;
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        if (i == 0 || ordered[i].first != ordered[i - 1].first)
            ++rank;
        if (rank > 0xFFFF)
            return slot;
        rankOf[ordered[i].second] = static_cast<std::uint16_t>(rank);
    }
    // Several ranks in a row (expansions, context weights) are stored once and referred to.
    auto store = [&](const std::vector<std::uint32_t>& raws, std::uint16_t& value, std::uint8_t& count) {
        if (raws.size() > 0xFF || d->expansions.size() + raws.size() > 0xFFFF)
            return false;
        std::vector<std::uint16_t> ranks;
        for (std::uint32_t raw : raws) {
            const auto it = rankOf.find(raw);
            if (it == rankOf.end())
                return false;
            ranks.push_back(it->second);
        }
        count = static_cast<std::uint8_t>(ranks.size());
        if (ranks.size() == 1) {
            value = ranks[0];
        } else {
            value = static_cast<std::uint16_t>(d->expansions.size());
            d->expansions.insert(d->expansions.end(), ranks.begin(), ranks.end());
        }
        return true;
    };
    std::unique_ptr<icu::CollationElementIterator> elements(
        rules->createCollationElementIterator(icu::UnicodeString()));
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(err);
    if (!elements || U_FAILURE(err))
        return slot;
    const auto leadCc = [](UChar32 c) {
        return static_cast<std::uint8_t>(u_getIntPropertyValue(c, UCHAR_LEAD_CANONICAL_COMBINING_CLASS));
    };
    const auto trailCc = [](UChar32 c) {
        return static_cast<std::uint8_t>(u_getIntPropertyValue(c, UCHAR_TRAIL_CANONICAL_COMBINING_CLASS));
    };
    for (std::size_t c = 0; c < d->chars.size(); ++c) {
        const Sources::Char& ch = src.chars[c];
        CharInfo& info = d->chars[c];
        const auto self = static_cast<UChar32>(c);
        d->leadCc[c] = leadCc(ch.length ? ch.folded[0] : self);
        d->trailCc[c] = trailCc(ch.length ? ch.folded[ch.length - 1] : self);
        if (ch.length == 0)
            continue; // stays unknown
        std::uint8_t flags = d->leadCc[c] != 0 ? kLeadCc : 0;
        icu::UnicodeString decomposed;
        for (std::size_t i = 0; i < ch.length; ++i) {
            const UChar32 f = ch.folded[i];
            flags |= src.context[static_cast<std::size_t>(f)];
            if (u_getCombiningClass(f) != 0)
                flags |= kMark;
            // Not FCD on its own; or a Tibetan vowel ICU always decomposes when normalising.
            if ((i > 0 && leadCc(f) != 0 && trailCc(ch.folded[i - 1]) > leadCc(f)) || f == 0x0F73 ||
                f == 0x0F75 || f == 0x0F81)
                flags |= kUnknown;
            decomposed += nfd->normalize(icu::UnicodeString(f), err);
        }
        for (const UChar32 part : codePoints(decomposed))
            if (u_getCombiningClass(part) != 0 && !primariesOf(*elements, icu::UnicodeString(part)).empty())
                flags |= kMovable;
        // Decomposed before folding by the collation (U+0345, the Greek letters that hold it).
        icu::UnicodeString own;
        if (nfd->getDecomposition(self, own) ? own.indexOf(char16_t{0x0345}) >= 0 : self == 0x0345)
            flags |= kUnknown;
        if (ch.length > 1)
            flags |= (flags & (kStarter | kPrefixed | kLongPrefix)) ? kUnknown : kMultiFold;
        d->folded[c] = static_cast<std::uint16_t>(ch.folded[ch.length - 1]);
        const bool known = !(flags & kUnknown) && store(ch.primaries, info.value, info.count);
        info.flags = known ? flags : std::uint8_t{kUnknown};
    }
    for (const auto& [before, c] : src.prefixed) {
        // The weights of c after `before`: those of the pair minus those of `before` alone.
        const std::vector<std::uint32_t> alone = primariesOf(*elements, icu::UnicodeString(before));
        std::vector<std::uint32_t> pair =
            primariesOf(*elements, icu::UnicodeString(before) + icu::UnicodeString(c));
        Data::Context ctx{0, 0, false};
        if (pair.size() >= alone.size() && std::equal(alone.begin(), alone.end(), pair.begin())) {
            pair.erase(pair.begin(), pair.begin() + static_cast<std::ptrdiff_t>(alone.size()));
            ctx.known = store(pair, ctx.value, ctx.count);
        }
        d->prefixPairs[pairKey(static_cast<std::uint32_t>(before), static_cast<std::uint32_t>(c))] = ctx;
    }
    slot = std::shared_ptr<const PrimaryRanks>(new PrimaryRanks(std::move(d)));
    return slot;
}

namespace {

// The bytes of a text given in pieces, read as one: no character spans two pieces.
class Pieces {
  public:
    Pieces(const std::string_view* pieces, int count) : pieces_(pieces), count_(count) { advance(); }

    bool atEnd() const { return p_ == end_; }
    // The next code point (-1: bytes that do not decode).
    int32_t next(const PrimaryRanks::Data& d) {
        const int32_t c = d.decode(p_, end_);
        advance();
        return c;
    }
    int32_t peek(const PrimaryRanks::Data& d) const {
        Pieces copy = *this;
        return copy.next(d);
    }

  private:
    void advance() {
        while (p_ == end_ && k_ < count_) {
            p_ = reinterpret_cast<const unsigned char*>(pieces_[k_].data());
            end_ = p_ + pieces_[k_].size();
            ++k_;
        }
    }
    const std::string_view* pieces_;
    int count_;
    int k_ = 0;
    const unsigned char* p_ = nullptr;
    const unsigned char* end_ = nullptr;
};

// Whether the marks that follow (up to the next character that starts without one) are in FCD order,
// `trail` being the trail combining class of the character before them.
bool canonicallyOrdered(const PrimaryRanks::Data& d, Pieces text, std::uint8_t trail) {
    while (!text.atEnd()) {
        const int32_t c = text.next(d);
        if (c < 0)
            return true; // the collation sees the text up to here
        if (c > 0xFFFF)
            return false;
        const std::uint8_t lead = d.leadCc[static_cast<std::size_t>(c)];
        if (lead == 0)
            return true;
        if (trail > lead || (d.chars[static_cast<std::size_t>(c)].flags & kUnknown))
            return false;
        trail = d.trailCc[static_cast<std::size_t>(c)];
    }
    return true;
}

} // namespace

PrimaryRanks::Result PrimaryRanks::ranks(std::string_view line, std::size_t skip, std::uint16_t* out,
                                         int count) const {
    return ranks(&line, 1, skip, out, count);
}

PrimaryRanks::Result PrimaryRanks::ranks(const std::string_view* pieces, int pieceCount, std::size_t skip,
                                         std::uint16_t* out, int count) const {
    const Data& d = *d_;
    Pieces text(pieces, pieceCount);
    int written = 0;
    std::size_t seen = 0;
    int32_t before = -1; // the character in front, -1 at the line start
    const auto stop = [&] { return Result{written, written == count ? Status::More : Status::Unknown}; };
    while (!text.atEnd()) {
        const int32_t c = text.next(d);
        // The collation sees a line up to its first undecodable bytes, which only break ties after that:
        // for the ranks, the line ends there.
        if (c < 0)
            return {written, Status::Ended};
        if (c > 0xFFFF)
            return stop();
        const CharInfo& info = d.chars[static_cast<std::size_t>(c)];
        std::uint16_t value = info.value;
        std::uint8_t n = info.count;
        if (info.flags != 0 && info.flags != kMark && info.flags != kMultiFold) {
            if (info.flags & kUnknown)
                return stop();
            const std::uint16_t self = d.folded[static_cast<std::size_t>(c)];
            // Where the text is not FCD the collation puts its marks in canonical order first.
            if ((info.flags & kLeadCc) && before >= 0 &&
                d.trailCc[static_cast<std::size_t>(before)] > d.leadCc[static_cast<std::size_t>(c)])
                return stop();
            // A mark with ranks of its own keeps its place only if no mark after it moves in front.
            if ((info.flags & kMovable) &&
                !canonicallyOrdered(d, text, d.trailCc[static_cast<std::size_t>(c)]))
                return stop();
            if ((info.flags & kLongPrefix) && before >= 0 &&
                d.longPrefixPairs.count(pairKey(d.folded[static_cast<std::size_t>(before)], self)))
                return stop();
            if ((info.flags & kPrefixed) && before >= 0) {
                const auto it = d.prefixPairs.find(pairKey(d.folded[static_cast<std::size_t>(before)], self));
                if (it != d.prefixPairs.end()) {
                    if (!it->second.known)
                        return stop();
                    value = it->second.value;
                    n = it->second.count;
                }
            }
            // Undecodable bytes after a contraction's first character end the text the collation sees.
            if ((info.flags & kStarter) && !text.atEnd() && text.peek(d) >= 0) {
                const int32_t next = text.peek(d);
                if (next > 0xFFFF)
                    return stop();
                const CharInfo& nextInfo = d.chars[static_cast<std::size_t>(next)];
                if ((nextInfo.flags & (kUnknown | kMark | kMultiFold)) ||
                    d.contractionPairs.count(pairKey(self, d.folded[static_cast<std::size_t>(next)])))
                    return stop();
            }
        }
        const std::uint16_t* ranks = n == 1 ? &value : d.expansions.data() + value;
        for (std::uint8_t i = 0; i < n; ++i) {
            if (seen++ < skip)
                continue;
            if (written == count)
                return {written, Status::More};
            out[written++] = ranks[i];
        }
        before = c;
    }
    return {written, Status::Ended};
}

} // namespace linnery
