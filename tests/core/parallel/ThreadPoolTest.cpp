#include "core/parallel/ThreadPool.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

using namespace linnery;
using namespace linnery::test;

// Every part runs once, on a slot below the thread count, also in a run started from inside a part
// (which must not wait for threads that are busy with the outer run); the lowest part's error arrives
// after every part has ended.
TEST(ThreadPool, RunsEveryPartOnceAndThrowsTheLowestPartsError) {
    for (unsigned threads : kThreadCounts) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const ThreadPool pool(threads);
        for (std::size_t parts : {0u, 1u, 5u, 100u}) {
            std::vector<std::atomic<int>> ran(parts * 3);
            std::atomic<bool> slotsFit = true;
            pool.run(parts, [&](std::size_t part, std::size_t slot) {
                slotsFit = slotsFit && slot < threads;
                ++ran[part * 3];
                pool.run(2, [&](std::size_t inner, std::size_t) { ++ran[part * 3 + 1 + inner]; });
            });
            EXPECT_TRUE(slotsFit);
            for (std::size_t i = 0; i < ran.size(); ++i)
                EXPECT_EQ(ran[i], 1) << parts << " parts, entry " << i;
        }
        std::atomic<int> ended = 0;
        try {
            pool.run(10, [&](std::size_t part, std::size_t) {
                ++ended;
                if (part == 3 || part == 7)
                    throw std::runtime_error(std::to_string(part));
            });
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "3");
        }
        EXPECT_EQ(ended, 10);
    }
}

TEST(ThreadPool, RangesCoverEverythingInAlignedPartsOfAtLeastTheGrain) {
    struct Case {
        std::size_t n, grain, align;
        std::size_t parts;
    };
    for (const Case& c : {Case{0, 10, 1, 0}, Case{5, 10, 1, 1}, Case{100, 10, 1, 10}, Case{100, 1, 1, 50},
                          Case{1000, 10, 64, 16}, Case{1'000'000, 8192, 64, 64}}) {
        const auto ranges = ThreadPool::ranges(c.n, c.grain, c.align);
        EXPECT_EQ(ranges.size(), c.parts) << c.n;
        std::size_t next = 0;
        for (const auto& [from, to] : ranges) {
            EXPECT_EQ(from, next);
            EXPECT_EQ(from % c.align, 0u);
            EXPECT_TRUE(to - from >= c.grain || to == c.n);
            next = to;
        }
        EXPECT_EQ(next, c.n);
    }
}
