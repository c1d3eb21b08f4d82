#include "core/lines/LineViews.h"

#include "core/parallel/ThreadPool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace linnery;

namespace {

std::vector<std::string> copied(const LineViews& table) {
    return std::vector<std::string>(table.begin(), table.end());
}

} // namespace

// Entries pack a line's address and length into 8 bytes; lines too long for that live on a side list.
// Every way into and out of the table must give back the same bytes either way.
TEST(LineViews, LongAndShortLinesSurviveEveryOperation) {
    const std::string shortest;
    const std::string small = "abc";
    const std::string justFits(65534, 'f');
    const std::string firstLong(65535, 'l');
    const std::string huge(200000, 'h');
    const std::vector<std::string_view> lines = {small, firstLong, shortest, justFits, huge};

    LineViews table;
    for (std::string_view line : lines)
        table.push_back(line);
    std::vector<std::string> expected(lines.begin(), lines.end());
    ASSERT_EQ(copied(table), expected);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(table[i].data(), lines[i].data()) << i; // views, not copies

    table.set(0, huge);
    table.insert(2, firstLong);
    table.erase(1);
    expected = {std::string(huge), std::string(firstLong), shortest, justFits, huge};
    EXPECT_EQ(copied(table), expected);

    LineViews other;
    other.push_back(small);
    other.append(table, 1, 4); // a long line crosses into a table that has none yet
    other.push_back(table, 4); // one entry of another table
    other.append(other, 0, 2); // from itself
    EXPECT_EQ(copied(other),
              (std::vector<std::string>{small, firstLong, shortest, justFits, huge, small, firstLong}));
    EXPECT_EQ(copied(other.inOrder({6, 0, 4}, ThreadPool::single())),
              (std::vector<std::string>{firstLong, small, huge}));

    const LineViews copy = other;
    EXPECT_TRUE(copy == other);
    other.set(1, "x");
    EXPECT_FALSE(copy == other);
    EXPECT_EQ(copy[1], firstLong);
}
