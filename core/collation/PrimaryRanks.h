#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace linnery {

class CodePage;
class Collation;
class ThreadPool;

// The first level of a collation (base letters, before accents, case, kana type and width) as one small
// number per character, in the collation's own order, read straight from a line's bytes. Comparing the
// ranks of two lines decides their order wherever the ranks differ; only lines whose ranks tie, or whose
// ranks cannot be read this way, need the collation itself. Characters whose weight depends on their
// neighbours (contractions, the prolonged sound mark after kana, ...) are looked up with their context.
class PrimaryRanks {
  public:
    enum class Status : std::uint8_t {
        Ended,   // the line has no ranks beyond those written
        More,    // all `count` ranks were written and the line may have more
        Unknown, // the rank after those written cannot be read this way: ask the collation
    };
    struct Result {
        int written;
        Status status;
    };

    // The table for the collation and code page in use, built once per locale and code page; nullptr when
    // their settings rule it out (another alternate, numeric or normalisation setting, a code page
    // with shift states, more distinct weights than a rank can hold). The build shares the pool's threads.
    static std::shared_ptr<const PrimaryRanks> of(const Collation& coll, const CodePage& cp,
                                                  const ThreadPool& pool);

    // Writes up to `count` ranks of `line`, starting after its first `skip` ranks. Safe on several
    // threads at once.
    Result ranks(std::string_view line, std::size_t skip, std::uint16_t* out, int count) const;
    // The same for a text given in pieces (no character spanning two), read as one.
    Result ranks(const std::string_view* pieces, int pieceCount, std::size_t skip, std::uint16_t* out,
                 int count) const;

    ~PrimaryRanks();
    PrimaryRanks(const PrimaryRanks&) = delete;
    PrimaryRanks& operator=(const PrimaryRanks&) = delete;

    struct Data; // the tables themselves, PrimaryRanks.cpp

  private:
    explicit PrimaryRanks(std::unique_ptr<Data> data);
    std::unique_ptr<Data> d_;
};

} // namespace linnery
